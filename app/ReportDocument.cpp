#include "app/ReportDocument.h"

#include "platform/Files.h"

#include <QStringView>

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <utility>

namespace {

const char LineEnd[] = "\r\n";

// What libxml2's serialiser writes for a character of an element text; null for the
// character itself. A line feed ends the line with CR LF like every line of the file.
const char* textReplacement(char c) {
    switch (c) {
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '&':
        return "&amp;";
    case '\r':
        return "&#13;";
    case '\n':
        return LineEnd;
    default:
        return nullptr;
    }
}

// The same for a character of an attribute value, which keeps its line breaks and
// tabs only as character references.
const char* attributeReplacement(char c) {
    switch (c) {
    case '"':
        return "&quot;";
    case '\n':
        return "&#10;";
    case '\t':
        return "&#9;";
    default:
        return textReplacement(c);
    }
}

// U+FFFD in UTF-8, written for a character that XML 1.0 does not allow.
const char ReplacementCharacter[] = "\xEF\xBF\xBD";

// The longest a UTF-16 unit becomes: "&quot;".
const qsizetype MostBytesPerUnit = 6;

// Writes at the end of a text without a check per piece: made with room for at most
// the given number of bytes, it leaves the text ending where the writing stopped.
class Appender {
public:
    Appender(QByteArray& text, qsizetype atMost) : text_(text) {
        const qsizetype start = text.size();
        text.resize(start + atMost);
        next_ = text.data() + start;
    }
    ~Appender() { text_.truncate(next_ - text_.constData()); }
    Appender(const Appender&) = delete;
    Appender& operator=(const Appender&) = delete;

    Appender& bytes(const char* data, std::size_t length) {
        memcpy(next_, data, length);
        next_ += length;
        return *this;
    }
    Appender& text(const char* text) { return bytes(text, strlen(text)); }
    Appender& character(char c) {
        *next_++ = c;
        return *this;
    }
    Appender& indent(int depth) {
        next_ = std::fill_n(next_, 2 * depth, ' ');
        return *this;
    }
    Appender& lineEnd() { return bytes(LineEnd, 2); }

    // The text up to its first NUL (where a C string handed to libxml2 ends) as
    // UTF-8, escaped; at most MostBytesPerUnit bytes per UTF-16 unit. A character that
    // XML 1.0 does not allow becomes U+FFFD, and the first one is kept in replaced.
    template <const char* (*Replacement)(char)>
    Appender& escaped(QStringView value, std::optional<char32_t>& replaced) {
        const char16_t* next = value.utf16();
        const char16_t* const end = next + value.size();
        while (next < end && *next != 0) {
            if (*next >= 0x80) {
                const char16_t* run = next;
                while (next < end && *next >= 0x80 && !forbiddenAt(next, end))
                    next += startsSurrogatePair(next, end) ? 2 : 1;
                const QByteArray utf8 = QStringView(run, next).toUtf8();
                bytes(utf8.constData(), std::size_t(utf8.size()));
                if (next < end && *next >= 0x80)
                    replace(*next++, replaced);
                continue;
            }
            const char c = char(*next++);
            if (const char* escape = Replacement(c))
                text(escape);
            else if (isForbiddenControl(c))
                replace(char16_t(c), replaced);
            else
                character(c);
        }
        return *this;
    }

private:
    static bool isForbiddenControl(char c) {
        return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r';
    }
    static bool startsSurrogatePair(const char16_t* at, const char16_t* end) {
        return QChar::isHighSurrogate(*at) && at + 1 < end && QChar::isLowSurrogate(at[1]);
    }
    // U+FFFE, U+FFFF and a surrogate without its partner.
    static bool forbiddenAt(const char16_t* at, const char16_t* end) {
        return *at == 0xFFFE || *at == 0xFFFF ||
               (QChar::isSurrogate(*at) && !startsSurrogatePair(at, end));
    }
    void replace(char16_t unit, std::optional<char32_t>& replaced) {
        text(ReplacementCharacter);
        if (!replaced)
            replaced = unit;
    }

    QByteArray& text_;
    char* next_;
};

// Room for an indented line of markup around a text of the given length.
qsizetype lineRoom(int depth, std::size_t nameLength, qsizetype textLength = 0) {
    return 2 * qsizetype(depth) + 2 * qsizetype(nameLength) + 8 + MostBytesPerUnit * textLength;
}

[[noreturn]] void outOfOrder(const char* action) {
    throw std::logic_error(std::string("ReportDocument: ") + action + " out of document order");
}

} // namespace

ReportDocument::ReportDocument(Sink sink) : sink_(std::move(sink)) {
    if (sink_)
        text_.reserve(PieceSize + PieceSize / 4);
    text_.append("<?xml version=\"1.0\" encoding=\"utf-8\"?>");
    text_.append(LineEnd);
}

ReportDocument::Element ReportDocument::setRoot(const char* name) {
    if (hasRoot_)
        outOfOrder("a second root");
    dropClosingTail();
    hasRoot_ = true;
    return openElement(name);
}

ReportDocument::Element ReportDocument::addElement(Element parent, const char* name,
                                                   const QString& text) {
    const int depth = depthOfOpen(parent, "an element");
    dropClosingTail();
    closeDeeperThan(depth);
    if (startTagPending_) {
        finishStartTag(false);
        startTagPending_ = false;
        pendingAttributes_.clear();
        reportReplacement(open_.back().name.c_str());
    }
    if (text.isEmpty()) {
        const Element element = openElement(name);
        handOnFullPiece();
        return element;
    }
    const std::size_t nameLength = strlen(name);
    Appender(text_, lineRoom(depth + 1, nameLength, text.size()))
        .indent(depth + 1)
        .character('<')
        .bytes(name, nameLength)
        .character('>')
        .escaped<textReplacement>(text, replaced_)
        .text("</")
        .bytes(name, nameLength)
        .character('>')
        .lineEnd();
    reportReplacement(name);
    handOnFullPiece();
    // Finished: a handle that names no open element.
    return Element(depth + 1, ++lastSerial_);
}

void ReportDocument::setAttribute(Element element, const char* name, const QString& value) {
    const int depth = depthOfOpen(element, "an attribute");
    if (depth + 1 != int(open_.size()) || !startTagPending_)
        outOfOrder("an attribute");
    dropClosingTail();
    const auto same = [&](const Attribute& attribute) { return attribute.first == name; };
    const auto existing = std::find_if(pendingAttributes_.begin(), pendingAttributes_.end(), same);
    if (existing != pendingAttributes_.end())
        existing->second = value;
    else
        pendingAttributes_.emplace_back(name, value);
}

QByteArray ReportDocument::text() const {
    requireSink(false, "text()");
    if (closingTailStart_ >= 0 || open_.empty())
        return text_;
    closingTailStart_ = text_.size();
    for (auto element = open_.rbegin(); element != open_.rend(); ++element) {
        if (element == open_.rbegin() && startTagPending_)
            finishStartTag(true);
        else
            writeEndTag(*element, int(open_.rend() - element) - 1);
    }
    return text_;
}

void ReportDocument::save(const QString& path) const {
    requireSink(false, "save()");
    platform::writeFileAtomically(path, text());
}

void ReportDocument::finish() {
    requireSink(true, "finish()");
    if (finished_)
        outOfOrder("finish()");
    closeDeeperThan(-1);
    finished_ = true;
    if (!text_.isEmpty())
        sink_(text_.constData(), text_.size());
    text_.clear();
}

void ReportDocument::handOnFullPiece() {
    if (text_.size() >= PieceSize)
        handOnText();
}

void ReportDocument::handOnText() {
    if (!sink_ || text_.isEmpty())
        return;
    sink_(text_.constData(), text_.size());
    text_.truncate(0); // keeps the buffer for the next piece
}

void ReportDocument::onReplacedCharacter(ReplacedCharacter handler) {
    replacedCharacter_ = std::move(handler);
}

void ReportDocument::reportReplacement(const char* element) {
    if (!replaced_)
        return;
    const char32_t character = *replaced_;
    replaced_.reset();
    if (!replacedCharacter_)
        return;
    handOnText(); // the sink has the text up to the replacement when the handler hears of it
    replacedCharacter_(element, character);
}

void ReportDocument::requireSink(bool wanted, const char* action) const {
    if (bool(sink_) != wanted)
        throw std::logic_error(std::string("ReportDocument: ") + action +
                               (wanted ? " needs a sink" : " is for a document without a sink"));
}

int ReportDocument::depthOfOpen(Element element, const char* action) const {
    if (element.depth_ < 0 || element.depth_ >= int(open_.size()) ||
        open_[element.depth_].serial != element.serial_)
        outOfOrder(action);
    return element.depth_;
}

ReportDocument::Element ReportDocument::openElement(const char* name) {
    const std::size_t nameLength = strlen(name);
    Appender(text_, lineRoom(int(open_.size()), nameLength))
        .indent(int(open_.size()))
        .character('<')
        .bytes(name, nameLength);
    open_.push_back({name, ++lastSerial_});
    startTagPending_ = true;
    return Element(int(open_.size()) - 1, lastSerial_);
}

void ReportDocument::finishStartTag(bool empty) const {
    for (const Attribute& attribute : pendingAttributes_) {
        Appender(text_, lineRoom(0, attribute.first.size(), attribute.second.size()))
            .character(' ')
            .bytes(attribute.first.data(), attribute.first.size())
            .text("=\"")
            .escaped<attributeReplacement>(attribute.second, replaced_)
            .character('"');
    }
    Appender(text_, 4).text(empty ? "/>" : ">").lineEnd();
}

void ReportDocument::writeEndTag(const OpenElement& element, int depth) const {
    Appender(text_, lineRoom(depth, element.name.size()))
        .indent(depth)
        .text("</")
        .bytes(element.name.data(), element.name.size())
        .character('>')
        .lineEnd();
}

void ReportDocument::closeDeeperThan(int depth) {
    while (int(open_.size()) > depth + 1)
        closeInnermost();
}

void ReportDocument::closeInnermost() {
    if (startTagPending_)
        finishStartTag(true);
    else
        writeEndTag(open_.back(), int(open_.size()) - 1);
    startTagPending_ = false;
    pendingAttributes_.clear();
    reportReplacement(open_.back().name.c_str());
    open_.pop_back();
}

void ReportDocument::dropClosingTail() {
    if (closingTailStart_ < 0)
        return;
    text_.truncate(closingTailStart_);
    closingTailStart_ = -1;
}
