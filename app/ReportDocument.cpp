#include "app/ReportDocument.h"

#include "platform/Files.h"

#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <cstring>
#include <new>

namespace {

const xmlChar* xml(const char* text) {
    return reinterpret_cast<const xmlChar*>(text);
}

// libxml2 writes LF; the agency's files end their lines with CR LF. A line break
// inside a text is read back as LF either way, so every LF can take a CR.
int appendWithCrLf(void* target, const char* text, int size) {
    QByteArray& result = *static_cast<QByteArray*>(target);
    const char* end = text + size;
    for (const char* line = text; line < end;) {
        const char* lineFeed = static_cast<const char*>(memchr(line, '\n', end - line));
        if (!lineFeed) {
            result.append(line, end - line);
            break;
        }
        result.append(line, lineFeed - line);
        result.append("\r\n", 2);
        line = lineFeed + 1;
    }
    return size;
}

int keepOpen(void*) {
    return 0;
}

} // namespace

ReportDocument::ReportDocument() : document_(xmlNewDoc(xml("1.0"))) {
    if (!document_)
        throw std::bad_alloc();
    // Element names repeat on every row: keep each once.
    document_->dict = xmlDictCreate();
}

ReportDocument::~ReportDocument() {
    xmlFreeDoc(document_);
}

ReportDocument::Element ReportDocument::setRoot(const char* name) {
    xmlNodePtr root = xmlNewDocNode(document_, nullptr, xml(name), nullptr);
    if (!root)
        throw std::bad_alloc();
    xmlNodePtr old = xmlDocSetRootElement(document_, root);
    if (old)
        xmlFreeNode(old);
    return Element(root);
}

ReportDocument::Element ReportDocument::addElement(Element parent, const char* name,
                                                   const QString& text) {
    xmlNodePtr element = xmlNewDocNode(document_, nullptr, xml(name), nullptr);
    if (!element)
        throw std::bad_alloc();
    xmlAddChild(parent.node_, element);
    // Start and end tag, indentation and line end.
    expectedLength_ += 2 * qsizetype(strlen(name)) + 5 + 12;
    if (!text.isEmpty()) {
        const QByteArray utf8 = text.toUtf8();
        expectedLength_ += utf8.size();
        xmlNodePtr textNode = xmlNewDocTextLen(
            document_, reinterpret_cast<const xmlChar*>(utf8.constData()), utf8.size());
        if (!textNode)
            throw std::bad_alloc();
        xmlAddChild(element, textNode);
    }
    return Element(element);
}

void ReportDocument::setAttribute(Element element, const char* name, const QString& value) {
    const QByteArray utf8 = value.toUtf8();
    expectedLength_ += qsizetype(strlen(name)) + utf8.size() + 4;
    if (!xmlSetProp(element.node_, xml(name), reinterpret_cast<const xmlChar*>(utf8.constData())))
        throw std::bad_alloc();
}

QByteArray ReportDocument::text() const {
    QByteArray result;
    result.reserve(expectedLength_ + expectedLength_ / 16);
    xmlSaveCtxtPtr writer =
        xmlSaveToIO(appendWithCrLf, keepOpen, &result, "utf-8", XML_SAVE_FORMAT);
    if (!writer)
        throw std::bad_alloc();
    const long written = xmlSaveDoc(writer, document_);
    if (xmlSaveClose(writer) < 0 || written < 0)
        throw std::bad_alloc();
    return result;
}

void ReportDocument::save(const QString& path) const {
    platform::writeFileAtomically(path, text());
}
