#include "app/XmlValidation.h"

#include "app/ReportDocument.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>

#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlreader.h>
#include <libxml/xmlschemas.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

#if LIBXML_VERSION >= 21200
using ErrorPointer = const xmlError*;
#else
using ErrorPointer = xmlErrorPtr;
#endif

// The first error libxml2 reports, with the document it lies in: the schema file
// while the schema is read, the report (no URL) while the report is checked.
class FirstError {
public:
    void setLocation(const QString& url) { location_ = url; }
    bool found() const { return found_; }
    QString text() const { return url_ + QLatin1Char(',') + reason_; }

    void record(const QString& reason) {
        if (found_)
            return;
        found_ = true;
        url_ = location_;
        reason_ = reason;
    }

    static void collect(void* self, ErrorPointer error) {
        if (!error || error->level < XML_ERR_ERROR || !error->message)
            return;
        QString reason = QString::fromUtf8(error->message);
        while (reason.endsWith(QLatin1Char('\n')) || reason.endsWith(QLatin1Char('\r')))
            reason.chop(1);
        static_cast<FirstError*>(self)->record(reason);
    }

private:
    bool found_ = false;
    QString location_;
    QString url_;
    QString reason_;
};

void ignoreGenericError(void*, const char*, ...) {}

// Routes everything libxml2 reports on this thread to the collector for the length
// of one check, and puts the previous handlers back afterwards.
class ScopedErrorRouting {
public:
    explicit ScopedErrorRouting(FirstError& errors)
        : structured_(xmlStructuredError), structuredContext_(xmlStructuredErrorContext),
          generic_(xmlGenericError), genericContext_(xmlGenericErrorContext) {
        xmlSetStructuredErrorFunc(&errors, FirstError::collect);
        xmlSetGenericErrorFunc(nullptr, ignoreGenericError);
    }
    ~ScopedErrorRouting() {
        xmlSetStructuredErrorFunc(structuredContext_, structured_);
        xmlSetGenericErrorFunc(genericContext_, generic_);
    }
    ScopedErrorRouting(const ScopedErrorRouting&) = delete;
    ScopedErrorRouting& operator=(const ScopedErrorRouting&) = delete;

private:
    xmlStructuredErrorFunc structured_;
    void* structuredContext_;
    xmlGenericErrorFunc generic_;
    void* genericContext_;
};

struct LibxmlDeleter {
    void operator()(xmlTextReaderPtr reader) const { xmlFreeTextReader(reader); }
    void operator()(xmlSchemaParserCtxtPtr context) const { xmlSchemaFreeParserCtxt(context); }
    void operator()(xmlSchemaPtr schema) const { xmlSchemaFree(schema); }
    void operator()(xmlSchemaValidCtxtPtr context) const { xmlSchemaFreeValidCtxt(context); }
    void operator()(xmlChar* text) const { xmlFree(text); }
};
template <typename T> using Owned = std::unique_ptr<T, LibxmlDeleter>;

const xmlChar* xml(const char* text) {
    return reinterpret_cast<const xmlChar*>(text);
}

// The value of xsi:noNamespaceSchemaLocation on the root element; empty when the
// root has none or the text breaks off before it (the error is recorded then).
QString schemaReferenceOf(const QByteArray& reportText, FirstError& errors) {
    Owned<xmlTextReader> reader(xmlReaderForMemory(reportText.constData(), int(reportText.size()),
                                                   nullptr, nullptr, XML_PARSE_NONET));
    if (!reader) {
        errors.record(QStringLiteral("The report cannot be read."));
        return {};
    }
    xmlTextReaderSetStructuredErrorHandler(reader.get(), FirstError::collect, &errors);
    int status = 0;
    while ((status = xmlTextReaderRead(reader.get())) == 1) {
        if (xmlTextReaderNodeType(reader.get()) != XML_READER_TYPE_ELEMENT)
            continue;
        Owned<xmlChar> reference(xmlTextReaderGetAttributeNs(
            reader.get(), xml("noNamespaceSchemaLocation"), xml(SchemaInstanceNamespace)));
        if (reference)
            return QString::fromUtf8(reinterpret_cast<const char*>(reference.get()));
        errors.record(QStringLiteral("Element '%1': no schema is named by the attribute "
                                     "xsi:noNamespaceSchemaLocation.")
                          .arg(QString::fromUtf8(reinterpret_cast<const char*>(
                              xmlTextReaderConstLocalName(reader.get())))));
        return {};
    }
    if (!errors.found())
        errors.record(QStringLiteral("The report has no root element."));
    return {};
}

Owned<xmlSchema> readSchema(const QString& path, FirstError& errors) {
    errors.setLocation(path);
    const QByteArray fileName = QFile::encodeName(path);
    Owned<xmlSchemaParserCtxt> parser(xmlSchemaNewParserCtxt(fileName.constData()));
    if (!parser) {
        errors.record(QStringLiteral("The schema cannot be read."));
        return nullptr;
    }
    xmlSchemaSetParserStructuredErrors(parser.get(), FirstError::collect, &errors);
    Owned<xmlSchema> schema(xmlSchemaParse(parser.get()));
    if (!schema && !errors.found())
        errors.record(QStringLiteral("The schema cannot be read."));
    errors.setLocation(QString());
    return schema;
}

// The text handed to the parser piece by piece as it asks for more, so that no copy
// of the whole text is made (and none of libxml2's static buffers, which its 2.9
// versions misread when they parse progressively).
class TextSource {
public:
    explicit TextSource(const QByteArray& text)
        : next_(text.constData()), end_(text.constData() + text.size()) {}

    static int read(void* self, char* buffer, int length) {
        TextSource& source = *static_cast<TextSource*>(self);
        const int count = int(std::min<qsizetype>(length, source.end_ - source.next_));
        memcpy(buffer, source.next_, size_t(count));
        source.next_ += count;
        return count;
    }
    static int close(void*) { return 0; }

private:
    const char* next_;
    const char* end_;
};

// Parses the text once, streaming, and checks it against the schema as it goes.
void checkReport(const QByteArray& reportText, xmlSchemaPtr schema, FirstError& errors) {
    Owned<xmlSchemaValidCtxt> validation(xmlSchemaNewValidCtxt(schema));
    if (!validation) {
        errors.record(QStringLiteral("The report cannot be checked."));
        return;
    }
    xmlSchemaSetValidStructuredErrors(validation.get(), FirstError::collect, &errors);
    TextSource source(reportText);
    // The parser frees the input.
    xmlParserInputBufferPtr input = xmlParserInputBufferCreateIO(
        TextSource::read, TextSource::close, &source, XML_CHAR_ENCODING_NONE);
    if (!input) {
        errors.record(QStringLiteral("The report cannot be read."));
        return;
    }
    const int status =
        xmlSchemaValidateStream(validation.get(), input, XML_CHAR_ENCODING_NONE, nullptr, nullptr);
    if (status != 0 && !errors.found())
        errors.record(QStringLiteral("The report is not valid (code %1).").arg(status));
}

QString resolvedAgainstCurrentFolder(const QString& reference) {
    return QDir::isRelativePath(reference) ? platform::currentFolder() + reference : reference;
}

void ensureSchemaBeside(const QString& folder, const QString& executableFolder) {
    const QString target = folder + QLatin1String(SchemaFileName);
    if (platform::fileExists(target))
        return;
    const QString source =
        platform::includeTrailingSeparator(executableFolder) + QLatin1String(SchemaFileName);
    if (platform::copyFileNoOverwrite(source, target))
        return;
    platform::showMessage(
        platform::MessageKind::Warning,
        QStringLiteral("Opozorilo, ne moremo napraviti validacije ker validacijska datoteka ne "
                       "obstaja ali je ne moremo prenesti na ciljno mapo ") +
            QLatin1Char('\r') + QLatin1Char('(') + target + QStringLiteral(")."));
}

void moveAside(const QString& workingCopyPath) {
    const QString bad = platform::changeExtension(workingCopyPath, QStringLiteral(".bad"));
    if (platform::fileExists(bad))
        platform::deleteFile(bad);
    platform::renameFile(workingCopyPath, bad);
}

} // namespace

ValidationResult validateAgainstReferencedSchema(const QByteArray& reportText) {
    xmlInitParser();
    FirstError errors;
    const ScopedErrorRouting routing(errors);
    const QString reference = schemaReferenceOf(reportText, errors);
    if (!errors.found()) {
        const Owned<xmlSchema> schema = readSchema(resolvedAgainstCurrentFolder(reference), errors);
        if (schema)
            checkReport(reportText, schema.get(), errors);
    }
    ValidationResult result;
    result.valid = !errors.found();
    if (!result.valid)
        result.errorText = errors.text();
    return result;
}

ValidationResult ValidateXml(const QByteArray& reportText, const QString& workingCopyPath,
                             const QString& executableFolder, ReportErrorDisplay& display) {
    const QString folder = platform::folderOf(workingCopyPath);
    ensureSchemaBeside(folder, executableFolder);
    platform::setCurrentFolder(folder);
    ValidationResult result = validateAgainstReferencedSchema(reportText);
    if (result.valid) {
        display.hideValidationError();
        return result;
    }
    moveAside(workingCopyPath);
    display.showValidationError(result.errorText);
    platform::showMessage(platform::MessageKind::Error,
                          QStringLiteral("Napaka: ") + result.errorText);
    return result;
}

ValidationResult ValidateXml(const ReportDocument& document, const QString& workingCopyPath,
                             const QString& executableFolder, ReportErrorDisplay& display) {
    return ValidateXml(document.text(), workingCopyPath, executableFolder, display);
}
