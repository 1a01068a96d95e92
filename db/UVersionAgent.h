#pragma once

#include "platform/VersionResource.h"

#include <QObject>
#include <QString>
#include <optional>

// Reads the version resource of the module its code belongs to, once, when it is
// created, and keeps the values for the window that owns it.
class TVersionAgent : public QObject {
    Q_OBJECT
public:
    explicit TVersionAgent(QObject* owner = nullptr);
    // The resource of another module file.
    TVersionAgent(const QString& modulePath, QObject* owner);
    // A resource given directly; none gives empty texts and zero numbers.
    TVersionAgent(const std::optional<platform::VersionResource>& resource, QObject* owner);

    const QString& CompanyName() const { return texts_[0]; }
    const QString& FileDescription() const { return texts_[1]; }
    const QString& FileVersion() const { return texts_[2]; }
    const QString& InternalName() const { return texts_[3]; }
    const QString& LegalCopyright() const { return texts_[4]; }
    const QString& LegalTrademarks() const { return texts_[5]; }
    const QString& OriginalFilename() const { return texts_[6]; }
    const QString& ProductName() const { return texts_[7]; }
    const QString& ProductVersion() const { return texts_[8]; }
    const QString& Comments() const { return texts_[9]; }

    quint16 Major() const { return major_; }
    quint16 Minor() const { return minor_; }
    quint16 Release() const { return release_; }
    quint16 Build() const { return build_; }

private:
    void read(const std::optional<platform::VersionResource>& resource);

    QString texts_[10];
    quint16 major_ = 0;
    quint16 minor_ = 0;
    quint16 release_ = 0;
    quint16 build_ = 0;
};
