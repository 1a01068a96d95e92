#include "app/ReportDocument.h"

#include "platform/Files.h"

#include <algorithm>
#include <stdexcept>

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

// The UTF-8 text up to its first NUL (where a C string handed to libxml2 ends),
// escaped.
template <const char* (*Replacement)(char)>
void appendEscaped(QByteArray& out, const QByteArray& utf8) {
    const char* run = utf8.constData();
    const char* next = run;
    for (; *next; ++next) {
        if (const char* replaced = Replacement(*next)) {
            out.append(run, next - run);
            out.append(replaced);
            run = next + 1;
        }
    }
    out.append(run, next - run);
}

void appendIndent(QByteArray& out, int depth) {
    out.append(qsizetype(2) * depth, ' ');
}

[[noreturn]] void outOfOrder(const char* action) {
    throw std::logic_error(std::string("ReportDocument: ") + action + " out of document order");
}

} // namespace

ReportDocument::ReportDocument() {
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
        finishStartTag(text_, false);
        startTagPending_ = false;
        pendingAttributes_.clear();
    }
    if (text.isEmpty())
        return openElement(name);
    appendIndent(text_, depth + 1);
    text_.append('<').append(name).append('>');
    appendEscaped<textReplacement>(text_, text.toUtf8());
    text_.append("</").append(name).append('>').append(LineEnd);
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
    if (closingTailStart_ >= 0 || open_.empty())
        return text_;
    closingTailStart_ = text_.size();
    for (auto element = open_.rbegin(); element != open_.rend(); ++element) {
        if (element == open_.rbegin() && startTagPending_) {
            finishStartTag(text_, true);
            continue;
        }
        appendIndent(text_, int(open_.rend() - element) - 1);
        text_.append("</").append(element->name.c_str()).append('>').append(LineEnd);
    }
    return text_;
}

void ReportDocument::save(const QString& path) const {
    platform::writeFileAtomically(path, text());
}

int ReportDocument::depthOfOpen(Element element, const char* action) const {
    if (element.depth_ < 0 || element.depth_ >= int(open_.size()) ||
        open_[element.depth_].serial != element.serial_)
        outOfOrder(action);
    return element.depth_;
}

ReportDocument::Element ReportDocument::openElement(const char* name) {
    appendIndent(text_, int(open_.size()));
    text_.append('<').append(name);
    open_.push_back({name, ++lastSerial_});
    startTagPending_ = true;
    return Element(int(open_.size()) - 1, lastSerial_);
}

void ReportDocument::finishStartTag(QByteArray& out, bool empty) const {
    for (const Attribute& attribute : pendingAttributes_) {
        out.append(' ').append(attribute.first.c_str()).append("=\"");
        appendEscaped<attributeReplacement>(out, attribute.second.toUtf8());
        out.append('"');
    }
    out.append(empty ? "/>" : ">").append(LineEnd);
}

void ReportDocument::closeDeeperThan(int depth) {
    while (int(open_.size()) > depth + 1)
        closeInnermost();
}

void ReportDocument::closeInnermost() {
    if (startTagPending_) {
        finishStartTag(text_, true);
    } else {
        appendIndent(text_, int(open_.size()) - 1);
        text_.append("</").append(open_.back().name.c_str()).append('>').append(LineEnd);
    }
    startTagPending_ = false;
    pendingAttributes_.clear();
    open_.pop_back();
}

void ReportDocument::dropClosingTail() {
    if (closingTailStart_ < 0)
        return;
    text_.truncate(closingTailStart_);
    closingTailStart_ = -1;
}
