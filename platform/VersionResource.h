#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace platform {

// The version resource embedded in a binary at build time, queried like the Windows
// version API: "\" gives the fixed part, "\VarFileInfo\Translation" the translation
// entries, "\StringFileInfo\042404E2\FileVersion" a string.
class VersionResource {
public:
    // The resource of a module file; none when the file carries no resource or the
    // resource is larger than maxSize bytes.
    static std::optional<VersionResource> fromModule(const QString& path, int maxSize = 4096);
    // The resource from its embedded text (see app/VersionInfo.cpp.in).
    static std::optional<VersionResource> fromText(const QByteArray& text);
    // The path of the module (executable or shared object) holding the given code.
    static QString modulePathOf(const void* codeAddress);

    struct Fixed {
        quint32 fileVersionMS = 0;
        quint32 fileVersionLS = 0;
    };
    struct Translation {
        quint16 language = 0;
        quint16 codePage = 0;
    };

    std::optional<Fixed> fixed() const;
    std::optional<Translation> firstTranslation() const;
    // A value of the string table; none when the block or key is missing.
    std::optional<QString> queryString(const QString& subBlock) const;
    int size() const;

private:
    QByteArray text_;
};

} // namespace platform
