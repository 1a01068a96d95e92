#pragma once

#include <QByteArray>
#include <QString>

class ReportDocument;

// Where a failed validation is shown: the main window's tab "Napaka" with its text
// box. The batch mode has no such place and shows nothing.
class ReportErrorDisplay {
public:
    virtual ~ReportErrorDisplay() = default;
    // Shows the error text as the only line and brings the display to the front.
    virtual void showValidationError(const QString& errorText) = 0;
    // Hides the display again after a valid report.
    virtual void hideValidationError() = 0;
};

class NoReportErrorDisplay : public ReportErrorDisplay {
public:
    void showValidationError(const QString&) override {}
    void hideValidationError() override {}
};

struct ValidationResult {
    bool valid = false;
    // "URL,reason" of the first error; the URL is empty for an error in the report
    // itself and names the schema file when the schema cannot be read.
    QString errorText;
};

inline constexpr const char* SchemaFileName = "ZEVTradingAccountsReport_1_0.xsd";
inline constexpr const char* SchemaInstanceNamespace = "http://www.w3.org/2001/XMLSchema-instance";

// The report's text checked against the schema that its root's
// xsi:noNamespaceSchemaLocation names, resolved against the working copy's folder
// (which becomes the current folder of the process; InOutError when it cannot).
// The schema is first copied there from the executable's folder when missing (a
// warning when that fails). On an invalid report the working copy is renamed to
// ".bad" (replacing an older one), the display shows the error and an error message
// "Napaka: " + error text is shown.
ValidationResult ValidateXml(const QByteArray& reportText, const QString& workingCopyPath,
                             const QString& executableFolder, ReportErrorDisplay& display);
ValidationResult ValidateXml(const ReportDocument& document, const QString& workingCopyPath,
                             const QString& executableFolder, ReportErrorDisplay& display);

// The check alone, without files, folders or messages: the text against the schema
// its reference names, relative paths taken from the current folder.
ValidationResult validateAgainstReferencedSchema(const QByteArray& reportText);
