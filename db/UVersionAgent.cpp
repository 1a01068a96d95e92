#include "db/UVersionAgent.h"

namespace {

const char* const StringKeys[10] = {
    "CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTrademarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments",
};

// The module of this very code: the executable, or the shared object it is in.
QString ownModulePath() {
    static const int marker = 0;
    return platform::VersionResource::modulePathOf(&marker);
}

QString hex4(quint16 value) {
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

TVersionAgent::TVersionAgent(QObject* owner) : TVersionAgent(ownModulePath(), owner) {}

TVersionAgent::TVersionAgent(const QString& modulePath, QObject* owner)
    : TVersionAgent(platform::VersionResource::fromModule(modulePath), owner) {}

TVersionAgent::TVersionAgent(const std::optional<platform::VersionResource>& resource,
                             QObject* owner)
    : QObject(owner) {
    read(resource);
}

void TVersionAgent::read(const std::optional<platform::VersionResource>& resource) {
    if (!resource)
        return;
    if (const auto translation = resource->firstTranslation()) {
        const QString block = QStringLiteral("\\StringFileInfo\\") + hex4(translation->language) +
                              hex4(translation->codePage) + QLatin1Char('\\');
        for (int i = 0; i < 10; ++i)
            texts_[i] =
                resource->queryString(block + QLatin1String(StringKeys[i])).value_or(QString());
    }
    if (const auto fixed = resource->fixed()) {
        major_ = static_cast<quint16>(fixed->fileVersionMS >> 16);
        minor_ = static_cast<quint16>(fixed->fileVersionMS & 0xFFFF);
        release_ = static_cast<quint16>(fixed->fileVersionLS >> 16);
        build_ = static_cast<quint16>(fixed->fileVersionLS & 0xFFFF);
    }
}
