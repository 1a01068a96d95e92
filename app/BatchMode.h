#pragma once

#include "platform/DateTime.h"
#include "platform/MessageBox.h"

#include <QString>
#include <QStringList>
#include <functional>

// The report without a window:
//   zev ALIAS USER PASSWORD APPUSER --report DATE      (DATE dd.mm.yyyy or yyyy-mm-dd)
// Same settings, files, validation, working copy, ".bad" copy, debug log and
// namespace rewrite as the window's report. Needs only a QCoreApplication.

enum BatchExitStatus {
    BatchReportValid = 0, // report written and valid
    BatchFailed = 1,      // any error; no report delivered
    BatchWrongCommandLine = 2,
    BatchReportInvalid = 3, // report written but invalid against the schema
};

// arguments: the command line without the program name. True when it asks for the
// batch report ("--report" anywhere); the command line is then checked by runBatch.
bool isBatchCommandLine(const QStringList& arguments);

struct BatchEnvironment {
    // The folder of ZEV.ini, dbalias.ini, the schema, the working copy and Log.txt;
    // when empty each is where platform::programFile finds it, and a first start
    // copies the defaults.
    QString folder;
    // The time stamp of the report's name.
    std::function<platform::TDateTime()> clock = platform::now;
    // Prints one line of a message: information to standard output, the rest to
    // standard error, unless replaced.
    std::function<void(platform::MessageKind, const QString& line)> print;
};

// Runs the report for the command line and answers the exit status.
int runBatch(const QStringList& arguments, const BatchEnvironment& environment = {});
