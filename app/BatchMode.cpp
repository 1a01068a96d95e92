#include "app/BatchMode.h"

#include "app/DebugLog.h"
#include "app/HoldingsQuery.h"
#include "app/TradingAccountsReport.h"
#include "app/XmlValidation.h"
#include "app/ZevIni.h"
#include "db/Query.h"
#include "db/uDMLB.h"
#include "platform/ProgramFolders.h"

#include <QRegularExpression>

#include <cstdio>
#include <optional>

namespace {

const QString ReportSwitch = QStringLiteral("--report");
const QString Usage = QStringLiteral(
    "usage: zev ALIAS USER PASSWORD APPUSER --report DATE (DATE as dd.mm.yyyy or yyyy-mm-dd)");

void printToStandardStreams(platform::MessageKind kind, const QString& line) {
    FILE* stream = kind == platform::MessageKind::Information ? stdout : stderr;
    std::fputs(line.toLocal8Bit().append('\n').constData(), stream);
    std::fflush(stream);
}

// A message on one line: its line breaks become single blanks.
QString asOneLine(const QString& text) {
    static const QRegularExpression lineBreaks(QStringLiteral("[\\r\\n]+"));
    return QString(text).replace(lineBreaks, QStringLiteral(" "));
}

int generate(const QStringList& arguments, platform::TDateTime reportDate,
             const BatchEnvironment& environment) {
    const QString& folder = environment.folder;
    if (folder.isEmpty())
        platform::copyMissingDefaults();
    const ZevIniSettings ini = readZevIni(folder);
    if (!ini.fileFound)
        platform::showMessage(platform::MessageKind::Information,
                              QStringLiteral("Manjka .ini datoteka!"));
    TDMLB session(arguments.mid(0, 4), nullptr, folder);
    db::Query holdings;
    defineHoldingsQuery(holdings);
    holdings.setDatabaseName(session.dbMain.databaseName());
    DebugLog log(ini.DebugOn, folder);
    NoReportErrorDisplay noDisplay;
    const auto date = [reportDate] { return reportDate; };
    const ReportContext context{session,   holdings, date,           log,
                                noDisplay, folder,   ini.agencyHost, environment.clock};
    const ReportOutcome outcome = generateTradingAccountsReport(context);
    if (!outcome.saved)
        return BatchFailed;
    return outcome.valid ? BatchReportValid : BatchReportInvalid;
}

} // namespace

bool isBatchCommandLine(const QStringList& arguments) {
    return arguments.contains(ReportSwitch);
}

int runBatch(const QStringList& arguments, const BatchEnvironment& environment) {
    const auto print = environment.print ? environment.print : printToStandardStreams;
    const platform::ScopedMessageSink sink([&](platform::MessageKind kind, const QString& text) {
        print(kind, asOneLine(text));
        return kind == platform::MessageKind::Confirmation ? platform::MessageResult::No
                                                           : platform::MessageResult::Ok;
    });
    if (arguments.size() != 6 || arguments[4] != ReportSwitch) {
        print(platform::MessageKind::Error, Usage);
        return BatchWrongCommandLine;
    }
    const std::optional<platform::TDateTime> reportDate = platform::dateOfArgument(arguments[5]);
    if (!reportDate) {
        print(platform::MessageKind::Error,
              QStringLiteral("Napačen datum: \"%1\".").arg(arguments[5]));
        print(platform::MessageKind::Error, Usage);
        return BatchWrongCommandLine;
    }
    try {
        return generate(arguments, *reportDate, environment);
    } catch (const std::exception& error) {
        platform::showException(error);
    } catch (...) {
        platform::showMessage(platform::MessageKind::Error, QStringLiteral("Unknown error."));
    }
    return BatchFailed;
}
