#pragma once

#include <QByteArray>
#include <QString>

struct _xmlDoc;
struct _xmlNode;

// An XML document built element by element and written the way the agency receives
// it: the declaration <?xml version="1.0" encoding="utf-8"?>, one element per line,
// two blanks per level of nesting, CR LF line ends, UTF-8 without a byte-order mark.
// Texts are Unicode; libxml2 escapes them only as XML requires.
class ReportDocument {
public:
    // A handle to an element of this document; valid while the document lives.
    class Element {
    public:
        Element() = default;
        bool isNull() const { return node_ == nullptr; }

    private:
        friend class ReportDocument;
        explicit Element(_xmlNode* node) : node_(node) {}
        _xmlNode* node_ = nullptr;
    };

    ReportDocument();
    ~ReportDocument();
    ReportDocument(const ReportDocument&) = delete;
    ReportDocument& operator=(const ReportDocument&) = delete;

    // Element and attribute names are the program's own ASCII texts.

    // The document element; replaces an earlier one.
    Element setRoot(const char* name);
    // A child element at the end of parent; an empty text gives an empty element.
    Element addElement(Element parent, const char* name, const QString& text = {});
    // Attributes keep the order in which they are set. A qualified name such as
    // "xmlns:xsi" is written as it is given.
    void setAttribute(Element element, const char* name, const QString& value);

    // The whole document exactly as save() writes it.
    QByteArray text() const;
    // Writes text() to the path, whole or not at all; raises InOutError.
    void save(const QString& path) const;

private:
    _xmlDoc* document_;
    // About the length of text(), so that it is written into one buffer.
    qsizetype expectedLength_ = 64;
};
