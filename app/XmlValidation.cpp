#include "app/XmlValidation.h"

#include "platform/Files.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>

#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlschemas.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

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
    void operator()(xmlSchemaParserCtxtPtr context) const { xmlSchemaFreeParserCtxt(context); }
    void operator()(xmlSchemaPtr schema) const { xmlSchemaFree(schema); }
    void operator()(xmlSchemaValidCtxtPtr context) const { xmlSchemaFreeValidCtxt(context); }
};
template <typename T> using Owned = std::unique_ptr<T, LibxmlDeleter>;

const xmlChar* xml(const char* text) {
    return reinterpret_cast<const xmlChar*>(text);
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

QString resolvedAgainstCurrentFolder(const QString& reference) {
    return QDir::isRelativePath(reference) ? platform::currentFolder() + reference : reference;
}

QString fromXml(const xmlChar* text, qsizetype length = -1) {
    return QString::fromUtf8(reinterpret_cast<const char*>(text), length);
}

// Hands the text to a push parser in chunks of at most the given size, so that the
// parser never holds a copy of more than one chunk; stops early when asked to.
template <typename Stop>
void parseInChunks(xmlParserCtxtPtr parser, const char* data, qsizetype size, qsizetype chunk,
                   Stop stop) {
    for (qsizetype at = 0; at < size && !stop(); at += chunk)
        xmlParseChunk(parser, data + at, int(std::min(chunk, size - at)), 0);
}

// Reads the document only up to its root element's start tag, for the schema its
// xsi:noNamespaceSchemaLocation names. Errors before it are recorded.
class RootReader {
public:
    explicit RootReader(FirstError& errors) : errors_(errors) {
        xmlSAXHandler handler{};
        handler.initialized = XML_SAX2_MAGIC;
        handler.startElementNs = rootStarted;
        parser_ = xmlCreatePushParserCtxt(&handler, this, nullptr, 0, nullptr);
        if (!parser_)
            errors_.record(QStringLiteral("The report cannot be read."));
    }
    ~RootReader() { xmlFreeParserCtxt(parser_); }
    RootReader(const RootReader&) = delete;
    RootReader& operator=(const RootReader&) = delete;

    bool rootSeen() const { return rootSeen_; }
    const QString& schemaReference() const { return schemaReference_; }

    void read(const char* data, qsizetype size) {
        if (parser_)
            parseInChunks(parser_, data, size, 4096, [this] { return done(); });
    }
    void readEnd() {
        if (parser_ && !done())
            xmlParseChunk(parser_, nullptr, 0, 1);
        if (!done())
            errors_.record(QStringLiteral("The report has no root element."));
    }

private:
    bool done() const { return rootSeen_ || errors_.found(); }

    static void rootStarted(void* self, const xmlChar* localName, const xmlChar*, const xmlChar*,
                            int, const xmlChar**, int attributeCount, int,
                            const xmlChar** attributes) {
        auto& reader = *static_cast<RootReader*>(self);
        reader.rootSeen_ = true;
        reader.takeSchemaReference(localName, attributeCount, attributes);
        // Only now: stopping lets go of the text that the attributes point into.
        xmlStopParser(reader.parser_);
    }

    // Five pointers per attribute: local name, prefix, URI, value and its end.
    void takeSchemaReference(const xmlChar* localName, int attributeCount,
                             const xmlChar** attributes) {
        for (int i = 0; i < attributeCount; ++i) {
            const xmlChar* const* attribute = attributes + 5 * i;
            if (xmlStrEqual(attribute[0], xml("noNamespaceSchemaLocation")) &&
                xmlStrEqual(attribute[2], xml(SchemaInstanceNamespace))) {
                schemaReference_ = fromXml(attribute[3], attribute[4] - attribute[3]);
                return;
            }
        }
        errors_.record(QStringLiteral("Element '%1': no schema is named by the attribute "
                                      "xsi:noNamespaceSchemaLocation.")
                           .arg(fromXml(localName)));
    }

    FirstError& errors_;
    xmlParserCtxtPtr parser_ = nullptr;
    bool rootSeen_ = false;
    QString schemaReference_;
};

// A push parser whose events go only to the schema's validation (no tree is built).
class CheckingParser {
public:
    CheckingParser(xmlSchemaValidCtxtPtr validation, FirstError& errors)
        : parser_(xmlCreatePushParserCtxt(nullptr, nullptr, nullptr, 0, nullptr)) {
        if (!parser_) {
            errors.record(QStringLiteral("The report cannot be read."));
            return;
        }
        ownHandler_ = parser_->sax;
        parser_->sax = nullptr;
        parser_->userData = nullptr;
        plug_ = xmlSchemaSAXPlug(validation, &parser_->sax, &parser_->userData);
        if (!plug_)
            errors.record(QStringLiteral("The report cannot be checked."));
    }
    ~CheckingParser() {
        if (!parser_)
            return;
        if (plug_)
            xmlSchemaSAXUnplug(plug_);
        parser_->sax = ownHandler_;
        parser_->userData = parser_;
        if (parser_->myDoc)
            xmlFreeDoc(parser_->myDoc);
        xmlFreeParserCtxt(parser_);
    }
    CheckingParser(const CheckingParser&) = delete;
    CheckingParser& operator=(const CheckingParser&) = delete;

    bool ready() const { return plug_ != nullptr; }
    // The innermost element still open where the text has ended so far; empty when none
    // or after an error.
    QString unclosedElement() const {
        if (parser_->instate == XML_PARSER_EOF || parser_->nameNr == 0 || !parser_->name)
            return {};
        return fromXml(parser_->name);
    }
    void parse(const char* data, qsizetype size) {
        parseInChunks(parser_, data, size, 1 << 20, [] { return false; });
    }
    // The end of the text; the parser's error code when it was not well-formed, else 0.
    int parseEnd() {
        xmlParseChunk(parser_, nullptr, 0, 1);
        return parser_->wellFormed ? 0 : (parser_->errNo ? parser_->errNo : -1);
    }

private:
    xmlParserCtxtPtr parser_;
    xmlSAXHandlerPtr ownHandler_ = nullptr;
    xmlSchemaSAXPlugPtr plug_ = nullptr;
};

// First the root's start tag is looked for, with the text read so far kept aside; once
// the schema is known, that text and everything after it go to the checking parser.
class StreamCheck {
public:
    StreamCheck() : rootReader_(errors_) {}

    void append(const char* data, qsizetype size) {
        if (errors_.found())
            return;
        const ScopedErrorRouting routing(errors_);
        if (checking_) {
            checking_->parse(data, size);
            return;
        }
        rootReader_.read(data, size);
        if (!rootReader_.rootSeen()) {
            head_.append(data, size);
            return;
        }
        if (startChecking()) {
            checking_->parse(head_.constData(), head_.size());
            checking_->parse(data, size);
        }
        head_ = QByteArray();
    }

    void reject(const QString& reason) { errors_.record(reason); }

    ValidationResult finish() {
        {
            const ScopedErrorRouting routing(errors_);
            if (!checking_ && !errors_.found()) {
                rootReader_.readEnd();
                if (rootReader_.rootSeen() && startChecking())
                    checking_->parse(head_.constData(), head_.size());
                head_ = QByteArray();
            }
            if (checking_ && !errors_.found())
                concludeChecking();
        }
        ValidationResult result;
        result.valid = !errors_.found();
        if (!result.valid)
            result.errorText = errors_.text();
        return result;
    }

private:
    bool startChecking() {
        if (errors_.found())
            return false;
        schema_ = readSchema(resolvedAgainstCurrentFolder(rootReader_.schemaReference()), errors_);
        if (!schema_)
            return false;
        validation_.reset(xmlSchemaNewValidCtxt(schema_.get()));
        if (!validation_) {
            errors_.record(QStringLiteral("The report cannot be checked."));
            return false;
        }
        xmlSchemaSetValidStructuredErrors(validation_.get(), FirstError::collect, &errors_);
        checking_ = std::make_unique<CheckingParser>(validation_.get(), errors_);
        return checking_->ready();
    }

    void concludeChecking() {
        // Said as it is: the push parser itself would call it extra content at the end.
        const QString unclosed = checking_->unclosedElement();
        if (!unclosed.isEmpty())
            errors_.record(QStringLiteral("Premature end of data in tag %1").arg(unclosed));
        int status = checking_->parseEnd();
        if (status == 0 && xmlSchemaIsValid(validation_.get()) != 1)
            status = 1;
        if (status != 0 && !errors_.found())
            errors_.record(QStringLiteral("The report is not valid (code %1).").arg(status));
    }

    FirstError errors_;
    RootReader rootReader_;
    QByteArray head_; // the text before the root's start tag was complete
    // Declared so that the parser goes before the validation and that before its schema.
    Owned<xmlSchema> schema_;
    Owned<xmlSchemaValidCtxt> validation_;
    std::unique_ptr<CheckingParser> checking_;
};

// What the writer hands to the check: a piece of the text, or a fault it found at
// that point of the text.
struct Piece {
    QByteArray text;
    QString fault;
};

// The pieces on their way from the writer to the check's own thread: a few at a
// time, so that a writer faster than the check waits instead of filling memory.
class PieceQueue {
public:
    static constexpr std::size_t MostPieces = 8;

    void push(Piece piece) {
        std::unique_lock lock(mutex_);
        roomLeft_.wait(lock, [this] { return pieces_.size() < MostPieces || closed_; });
        if (closed_)
            return;
        pieces_.push_back(std::move(piece));
        piecesWaiting_.notify_one();
    }
    // The next piece; nothing once the queue is closed and empty.
    std::optional<Piece> pop() {
        std::unique_lock lock(mutex_);
        piecesWaiting_.wait(lock, [this] { return !pieces_.empty() || closed_; });
        if (pieces_.empty())
            return std::nullopt;
        Piece piece = std::move(pieces_.front());
        pieces_.pop_front();
        roomLeft_.notify_one();
        return piece;
    }
    // No more pieces come; with dropWaiting, those still waiting are thrown away.
    void close(bool dropWaiting) {
        const std::lock_guard lock(mutex_);
        closed_ = true;
        if (dropWaiting)
            pieces_.clear();
        piecesWaiting_.notify_all();
        roomLeft_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable piecesWaiting_;
    std::condition_variable roomLeft_;
    std::deque<Piece> pieces_;
    bool closed_ = false;
};

} // namespace

// The check runs on a thread of its own while the report is being written; libxml2
// keeps its error handlers per thread, so the routing is set up there.
class ReportValidator::State {
public:
    State() : worker_([this] { run(); }) {}
    ~State() {
        if (!worker_.joinable())
            return;
        queue_.close(true);
        worker_.join();
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    void append(const char* data, qsizetype size) {
        for (qsizetype at = 0; at < size; at += MostPieceSize)
            queue_.push({QByteArray(data + at, std::min(MostPieceSize, size - at)), {}});
    }
    void reject(const QString& reason) { queue_.push({{}, reason}); }
    ValidationResult finish() {
        queue_.close(false);
        worker_.join();
        return result_;
    }

private:
    static constexpr qsizetype MostPieceSize = 1 << 20;

    void run() noexcept {
        try {
            StreamCheck check;
            platform::FingerprintBuilder fingerprint;
            while (const std::optional<Piece> piece = queue_.pop()) {
                if (!piece->fault.isEmpty())
                    check.reject(piece->fault);
                fingerprint.add(piece->text);
                check.append(piece->text.constData(), piece->text.size());
            }
            result_ = check.finish();
            result_.checkedText = fingerprint.result();
        } catch (const std::exception& error) {
            result_.errorText = QStringLiteral(",The report cannot be checked: %1")
                                    .arg(QString::fromUtf8(error.what()));
        }
        // A writer still handing over pieces must not wait for this thread any more.
        queue_.close(true);
    }

    PieceQueue queue_;
    ValidationResult result_;
    std::thread worker_; // last: it starts once everything it uses is made
};

namespace {

// Copies the schema into the folder unless it is there; the warning when it cannot.
QString ensureSchemaBeside(const QString& folder, const QString& schemaFolder) {
    const QString target = folder + QLatin1String(SchemaFileName);
    if (platform::fileExists(target))
        return {};
    const QString source =
        platform::includeTrailingSeparator(schemaFolder) + QLatin1String(SchemaFileName);
    if (platform::copyFileNoOverwrite(source, target))
        return {};
    return QStringLiteral("Opozorilo, ne moremo napraviti validacije ker validacijska datoteka ne "
                          "obstaja ali je ne moremo prenesti na ciljno mapo ") +
           QLatin1Char('\r') + QLatin1Char('(') + target + QStringLiteral(").");
}

// The working copy renamed to ".bad", replacing an older one; where it lies then.
QString moveAside(const QString& workingCopyPath) {
    const QString bad = platform::changeExtension(workingCopyPath, QStringLiteral(".bad"));
    if (platform::fileExists(bad))
        platform::deleteFile(bad);
    return platform::renameFile(workingCopyPath, bad) ? bad : workingCopyPath;
}

} // namespace

ReportValidator::ReportValidator() {
    xmlInitParser();
    state_ = std::make_unique<State>();
}

ReportValidator::~ReportValidator() = default;

void ReportValidator::append(const char* data, qsizetype size) {
    if (!state_)
        throw std::logic_error("ReportValidator: a piece after the end");
    state_->append(data, size);
}

void ReportValidator::reject(const QString& reason) {
    if (!state_)
        throw std::logic_error("ReportValidator: a fault after the end");
    state_->reject(reason);
}

ValidationResult ReportValidator::finish() {
    if (!state_)
        throw std::logic_error("ReportValidator: the end twice");
    const ValidationResult result = state_->finish();
    state_.reset();
    return result;
}

ValidationResult validateAgainstReferencedSchema(const QByteArray& reportText) {
    ReportValidator validator;
    validator.append(reportText.constData(), reportText.size());
    return validator.finish();
}

WorkingCopyValidation::WorkingCopyValidation(const QString& workingCopyPath,
                                             const QString& schemaFolder,
                                             ReportErrorDisplay& display)
    : display_(display), checkedTextPath_(workingCopyPath) {
    const QString folder = platform::folderOf(workingCopyPath);
    schemaWarning_ = ensureSchemaBeside(folder, schemaFolder);
    platform::setCurrentFolder(folder);
}

ValidationResult WorkingCopyValidation::finish() {
    if (!schemaWarning_.isEmpty())
        platform::showMessage(platform::MessageKind::Warning, schemaWarning_);
    ValidationResult result = validator_.finish();
    if (result.valid) {
        display_.hideValidationError();
        return result;
    }
    checkedTextPath_ = moveAside(checkedTextPath_);
    display_.showValidationError(result.errorText);
    platform::showMessage(platform::MessageKind::Error,
                          QStringLiteral("Napaka: ") + result.errorText);
    return result;
}

ValidationResult ValidateXml(const QByteArray& reportText, const QString& workingCopyPath,
                             const QString& schemaFolder, ReportErrorDisplay& display) {
    WorkingCopyValidation validation(workingCopyPath, schemaFolder, display);
    validation.append(reportText.constData(), reportText.size());
    return validation.finish();
}

qsizetype rootStartTagEnd(const QByteArray& text) {
    qsizetype open = text.indexOf('<');
    while (open >= 0 && open + 1 < text.size() && (text[open + 1] == '?' || text[open + 1] == '!'))
        open = text.indexOf('<', text.indexOf('>', open));
    return open < 0 ? -1 : text.indexOf('>', open);
}
