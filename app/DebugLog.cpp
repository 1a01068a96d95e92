#include "app/DebugLog.h"

#include "platform/DateTime.h"
#include "platform/Files.h"
#include "platform/Pictures.h"

DebugLog::DebugLog(bool on, const QString& folder)
    : on_(on), path_(platform::includeTrailingSeparator(
                         folder.isEmpty() ? platform::executableFolder() : folder) +
                     QStringLiteral("Log.txt")) {}

void DebugLog::write(const QString& message) const {
    if (!on_)
        return;
    platform::appendLine(path_, platform::dateTimeToStr(platform::now()) + QStringLiteral(" : ") +
                                    message);
}
