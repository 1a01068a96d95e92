#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// An XML document written element by element straight into its text, the way the
// agency receives it: the declaration <?xml version="1.0" encoding="utf-8"?>, one
// element per line, two blanks per level of nesting, CR LF line ends, UTF-8 without a
// byte-order mark. Texts are Unicode, escaped only as XML requires and exactly as
// libxml2's serialiser escapes them: in element texts <, > and & as entities and CR as
// a character reference; in attribute values also ", LF and TAB. A character that XML
// 1.0 does not allow (a control character other than TAB, LF and CR, U+FFFE, U+FFFF,
// a lone surrogate) is written as U+FFFD, so the text is always well-formed; the
// handler given to onReplacedCharacter hears of the first one in each text.
//
// No tree is kept, so elements are added in document order: the parent of a new
// element is the element added last or one of its ancestors, and the elements below
// that parent are finished then. An element given a text is finished at once; one
// without a text is written empty (<Name/>) when it gets no children.
//
// The document either keeps its whole text (text(), save()) or, given a sink, hands
// the text on as it is written, in pieces of at least PieceSize bytes, and keeps no
// more than the piece being filled: finish() then closes the open elements and hands
// on the rest. The pieces together are exactly the text() a document without a sink
// would give. Before a replaced character is reported, the text up to the end of its
// element is handed on, also when that makes a shorter piece.
class ReportDocument {
public:
    // Receives the next piece of the text; what it raises reaches the caller of the
    // addition that filled the piece.
    using Sink = std::function<void(const char* data, qsizetype size)>;
    static constexpr qsizetype PieceSize = 64 * 1024;
    // Told the element whose text or attribute held a character that XML does not
    // allow, and the first such character (a UTF-16 unit); may raise.
    using ReplacedCharacter = std::function<void(const char* element, char32_t character)>;

    // A handle to an element of this document.
    class Element {
    public:
        Element() = default;
        bool isNull() const { return serial_ == 0; }

    private:
        friend class ReportDocument;
        Element(int depth, std::uint64_t serial) : depth_(depth), serial_(serial) {}
        int depth_ = -1;
        std::uint64_t serial_ = 0;
    };

    explicit ReportDocument(Sink sink = {});
    ReportDocument(const ReportDocument&) = delete;
    ReportDocument& operator=(const ReportDocument&) = delete;

    void onReplacedCharacter(ReplacedCharacter handler);

    // Element and attribute names are the program's own ASCII texts. Adding out of
    // document order raises std::logic_error.

    // The document element; there is one.
    Element setRoot(const char* name);
    // A child element at the end of parent; an empty text gives an empty element.
    Element addElement(Element parent, const char* name, const QString& text = {});
    // Only before the element's first child. Attributes keep the order in which they
    // are first set; setting one again replaces its value. A qualified name such as
    // "xmlns:xsi" is written as it is given.
    void setAttribute(Element element, const char* name, const QString& value);

    // Only without a sink: the whole document as it stands, its open elements closed,
    // exactly as save() writes it. The text shares the document's buffer, so taking it
    // copies nothing.
    QByteArray text() const;
    // Only without a sink: writes text() to the path, whole or not at all; raises
    // InOutError.
    void save(const QString& path) const;
    // Only with a sink: closes the open elements and hands on the rest of the text.
    // Nothing can be added afterwards.
    void finish();

private:
    struct OpenElement {
        std::string name;
        std::uint64_t serial;
    };
    using Attribute = std::pair<std::string, QString>;

    int depthOfOpen(Element element, const char* action) const;
    Element openElement(const char* name);
    void finishStartTag(bool empty) const;
    void writeEndTag(const OpenElement& element, int depth) const;
    void closeDeeperThan(int depth);
    void closeInnermost();
    void dropClosingTail();
    void handOnFullPiece();
    void handOnText();
    void reportReplacement(const char* element);
    void requireSink(bool wanted, const char* action) const;

    Sink sink_;
    bool finished_ = false;
    // The text written so far (with a sink: since the last piece); text() adds the end tags of the
    // open elements, which the next change takes off again.
    mutable QByteArray text_;
    mutable qsizetype closingTailStart_ = -1;
    std::vector<OpenElement> open_;
    // The innermost open element's start tag still lacks its end ('>' or '/>'): its
    // attributes wait here until it gets a child or is finished.
    bool startTagPending_ = false;
    std::vector<Attribute> pendingAttributes_;
    bool hasRoot_ = false;
    std::uint64_t lastSerial_ = 0;
    ReplacedCharacter replacedCharacter_;
    // The first character replaced since the last report of one.
    mutable std::optional<char32_t> replaced_;
};
