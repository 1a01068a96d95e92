#pragma once

#include "platform/DateTime.h"

#include <QByteArray>
#include <QString>
#include <functional>

class DebugLog;
class ReportErrorDisplay;
class TDMLB;
namespace db {
class Query;
}

// What one report run works with. The main window passes its own members; the
// batch mode passes its session module and a holdings query of its own.
struct ReportContext {
    TDMLB& session;
    db::Query& holdings; // defined by defineHoldingsQuery; left closed afterwards
    // The report date, asked for once when the document reaches the report period:
    // after the log's first lines, the settings and the reporting company, so that an
    // unreadable date field fails where the flow reads it.
    std::function<platform::TDateTime()> reportDate;
    DebugLog& log;
    ReportErrorDisplay& errorDisplay;
    // The folder of the working copy and the schema; where platform::programFile
    // finds them when empty.
    QString programFolder;
    QString agencyHost;                                         // host of the agency's schema URL
    std::function<platform::TDateTime()> clock = platform::now; // the file name's time
    // Told the number of holdings rows written so far, after every 1 000 and once at the
    // end with the total; for a window that shows progress. May be empty.
    std::function<void(qint64 rowsWritten)> rowsWritten = {};
};

struct ReportOutcome {
    QString reportPath;      // the full path of the delivered report
    QString workingCopyPath; // "ZevXmlValidate.xml" (renamed to ".bad" when invalid)
    bool valid = false;      // the document passed the schema
    bool saved = false;      // the report was written to the report folder
    QString validationError; // "URL,reason" when not valid
};

// bbGenXMLClick without the window: builds the TradingAccountsReport document for the
// report date, checks it and writes it into the report folder of the settings. The
// success message and a failed save are reported through platform::showMessage;
// errors before the save (a missing setting, the database, the working copy, the
// log) are raised to the caller, and no report is written then.
ReportOutcome generateTradingAccountsReport(const ReportContext& context);

// The delivered form of the report, which is written from the checked working copy: the root's
// schema reference xsi:noNamespaceSchemaLocation="ZEVTradingAccountsReport_1_0.xsd" (in any letter
// case) becomes xmlns="http://" + host + "/Sheme/xsd/ZEVTradingAccountsReport_1_0.xsd".
// The text is changed in place when the caller hands it over (std::move).
QByteArray withAgencyNamespace(QByteArray reportText, const QString& agencyHost);
