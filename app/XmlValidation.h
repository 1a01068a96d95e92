#pragma once

#include "platform/Files.h"

#include <QByteArray>
#include <QString>
#include <memory>

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
    // The whole text that was handed over, for a later comparison with a file said to
    // hold it.
    platform::ContentFingerprint checkedText;
};

inline constexpr const char* SchemaFileName = "ZEVTradingAccountsReport_1_0.xsd";
inline constexpr const char* SchemaInstanceNamespace = "http://www.w3.org/2001/XMLSchema-instance";

// A report checked against the schema its root names while it is being written: the
// text is handed over piece by piece, in order, and parsed and checked as it comes, so
// neither the text nor a tree of it is kept. The schema named by the root's
// xsi:noNamespaceSchemaLocation is read when the root's start tag has arrived, a
// relative name taken from the current folder. Pieces may end anywhere, also inside a
// tag or a character. The check runs on a thread of its own beside the writer, which
// hands over copies of its pieces and waits only when a few are still unchecked; the
// result is the same as that of one pass over the whole text. Nothing can be handed
// over after finish() (std::logic_error).
class ReportValidator {
public:
    ReportValidator();
    ~ReportValidator();
    ReportValidator(const ReportValidator&) = delete;
    ReportValidator& operator=(const ReportValidator&) = delete;

    // The next piece of the text; once an error is found the rest is only counted off.
    void append(const char* data, qsizetype size);
    // A fault of the text found by its writer, at this point of the text: the report's
    // error unless the check has found one before it.
    void reject(const QString& reason);
    // The end of the text: the first error of the whole report, if any.
    ValidationResult finish();

private:
    class State;
    std::unique_ptr<State> state_;
};

// The check alone, without files, folders or messages: the text against the schema
// its reference names, relative paths taken from the current folder.
ValidationResult validateAgainstReferencedSchema(const QByteArray& reportText);

// The check of a report that is being written to its working copy, with the files,
// folders and messages that go with it. Created before the first piece: the working
// copy's folder becomes the current folder of the process (InOutError when it cannot)
// and the schema is copied there from schemaFolder when missing. When the
// report is complete, finish() shows a warning if the schema could not be copied and,
// on an invalid report, renames the working copy to ".bad" (replacing an older one),
// shows the error on the display and as the error message "Napaka: " + error text.
// Destroyed without finish() (the report failed on the way) it shows nothing.
class WorkingCopyValidation {
public:
    WorkingCopyValidation(const QString& workingCopyPath, const QString& schemaFolder,
                          ReportErrorDisplay& display);

    void append(const char* data, qsizetype size) { validator_.append(data, size); }
    void reject(const QString& reason) { validator_.reject(reason); }
    ValidationResult finish();
    // Where the checked text lies after finish(): the working copy, or its ".bad".
    const QString& checkedTextPath() const { return checkedTextPath_; }

private:
    ReportValidator validator_;
    ReportErrorDisplay& display_;
    QString checkedTextPath_;
    QString schemaWarning_;
};

// The whole report text checked as WorkingCopyValidation checks it, in one piece; the
// working copy holds the same text.
ValidationResult ValidateXml(const QByteArray& reportText, const QString& workingCopyPath,
                             const QString& schemaFolder, ReportErrorDisplay& display);

// Where the root element's start tag ends in a text that begins an XML document: the
// first '>' after the first '<' that opens an element; -1 when the text holds no
// complete start tag. (libxml2 writes '>' inside attribute values as "&gt;".)
qsizetype rootStartTagEnd(const QByteArray& text);
