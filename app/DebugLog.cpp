#include "app/DebugLog.h"

#include "platform/DateTime.h"
#include "platform/Files.h"
#include "platform/Pictures.h"
#include "platform/ProgramFolders.h"

DebugLog::DebugLog(bool on, const QString& folder)
    : on_(on), path_(platform::programFile(QStringLiteral("Log.txt"), folder)) {}

void DebugLog::write(const QString& message) const {
    if (!on_)
        return;
    platform::appendLine(path_, platform::dateTimeToStr(platform::now()) + QStringLiteral(" : ") +
                                    message);
}
