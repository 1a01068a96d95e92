// Profile (INI) files: reading any file, and writing a section, key and value taken
// from the input into it, which must read back as written or be refused.

#include "FuzzInput.h"
#include "platform/Errors.h"
#include "platform/ProfileFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdlib>

namespace {

QString singleLine(QString text) {
    return text.replace(u'\r', u' ').replace(u'\n', u' ').trimmed();
}

const QString& filePath() {
    static const QString path =
        QDir::tempPath() +
        QStringLiteral("/zev-fuzz-profile-%1.ini").arg(QCoreApplication::applicationPid());
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype split = bytes.indexOf('\0');
    {
        QFile file(filePath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(split < 0 ? bytes : bytes.left(split));
    }
    platform::ProfileFile profile(filePath());
    for (const QString& section : profile.sections()) {
        for (const QString& key : profile.keys(section))
            profile.readString(section, key);
        profile.sectionValues(section);
    }
    if (split < 0)
        return 0;

    const QStringList parts = QString::fromUtf8(bytes.mid(split + 1)).split(u'\0');
    if (parts.size() < 3)
        return 0;
    try {
        profile.writeString(parts[0], parts[1], parts[2]);
    } catch (const platform::InOutError&) {
        return 0; // a name that would not read back
    }
    platform::ProfileFile again(filePath());
    if (again.readString(singleLine(parts[0]), singleLine(parts[1]), QStringLiteral("\x01")) !=
        singleLine(parts[2]))
        std::abort();
    return 0;
}
