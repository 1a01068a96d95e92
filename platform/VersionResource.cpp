#include "platform/VersionResource.h"

#include "platform/Files.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <dlfcn.h>
#include <link.h>

namespace platform {

namespace {

const char SectionName[] = ".zevversion";
const QByteArray Signature = QByteArrayLiteral("ZEVVERSIONINFO");

// ---------------------------------------------------------------------------
// The section of a 64-bit little-endian ELF file that holds the resource.

quint64 littleEndian(const QByteArray& bytes, qsizetype offset, int size) {
    quint64 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | quint8(bytes[offset + i]);
    return value;
}

class ElfFile {
public:
    explicit ElfFile(const QString& path) : file_(path) {}

    // The bytes of the named section; none when the file is no readable ELF64 file,
    // has no such section, or the section is larger than maxSize.
    std::optional<QByteArray> section(const QByteArray& wanted, qint64 maxSize) {
        if (!file_.open(QIODevice::ReadOnly) || !readHeader())
            return std::nullopt;
        const auto names = sectionNames();
        if (!names)
            return std::nullopt;
        for (quint64 index = 0; index < sectionCount_; ++index) {
            const auto header = sectionHeader(index);
            if (!header)
                return std::nullopt;
            if (nameAt(*names, littleEndian(*header, 0, 4)) != wanted)
                continue;
            const quint64 size = littleEndian(*header, 32, 8);
            if (littleEndian(*header, 4, 4) == NoBits || size > quint64(maxSize))
                return std::nullopt;
            return readAt(littleEndian(*header, 24, 8), size);
        }
        return std::nullopt;
    }

private:
    static constexpr quint64 NoBits = 8;
    static constexpr quint64 MaxSections = 1 << 20;
    static constexpr quint64 MaxNamesSize = 16 << 20;
    static constexpr int HeaderSize = 64;

    std::optional<QByteArray> readAt(quint64 offset, quint64 size) {
        const auto fileSize = quint64(file_.size());
        if (offset > fileSize || size > fileSize - offset || !file_.seek(qint64(offset)))
            return std::nullopt;
        QByteArray bytes = file_.read(qint64(size));
        if (quint64(bytes.size()) != size)
            return std::nullopt;
        return bytes;
    }

    bool readHeader() {
        const auto header = readAt(0, HeaderSize);
        if (!header ||
            !header->startsWith("\x7f"
                                "ELF") ||
            header->at(4) != 2 /* 64-bit */ || header->at(5) != 1 /* little-endian */)
            return false;
        tableOffset_ = littleEndian(*header, 0x28, 8);
        entrySize_ = littleEndian(*header, 0x3A, 2);
        sectionCount_ = littleEndian(*header, 0x3C, 2);
        namesIndex_ = littleEndian(*header, 0x3E, 2);
        if (tableOffset_ == 0 || entrySize_ < HeaderSize)
            return false;
        if (sectionCount_ == 0 || namesIndex_ == 0xFFFF) {
            // Extended numbering: the real counts live in the first section header.
            const auto first = sectionHeader(0);
            if (!first)
                return false;
            if (sectionCount_ == 0)
                sectionCount_ = littleEndian(*first, 32, 8);
            if (namesIndex_ == 0xFFFF)
                namesIndex_ = littleEndian(*first, 40, 4);
        }
        return sectionCount_ <= MaxSections && namesIndex_ < sectionCount_;
    }

    std::optional<QByteArray> sectionHeader(quint64 index) {
        return readAt(tableOffset_ + index * entrySize_, HeaderSize);
    }

    std::optional<QByteArray> sectionNames() {
        const auto header = sectionHeader(namesIndex_);
        if (!header)
            return std::nullopt;
        const quint64 size = littleEndian(*header, 32, 8);
        if (size > MaxNamesSize)
            return std::nullopt;
        return readAt(littleEndian(*header, 24, 8), size);
    }

    static QByteArray nameAt(const QByteArray& names, quint64 offset) {
        if (offset >= quint64(names.size()))
            return {};
        const qsizetype end = names.indexOf('\0', qsizetype(offset));
        return names.mid(qsizetype(offset), end < 0 ? -1 : end - qsizetype(offset));
    }

    QFile file_;
    quint64 tableOffset_ = 0;
    quint64 entrySize_ = 0;
    quint64 sectionCount_ = 0;
    quint64 namesIndex_ = 0;
};

// ---------------------------------------------------------------------------
// The resource text.

QList<QByteArray> linesOf(const QByteArray& text) {
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

// The words after a line's keyword, for the first line that starts with it.
std::optional<QList<QByteArray>> wordsAfter(const QByteArray& text, const QByteArray& keyword) {
    for (const QByteArray& line : linesOf(text)) {
        QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() > 1 && words.first() == keyword) {
            words.removeFirst();
            return words;
        }
    }
    return std::nullopt;
}

std::optional<quint16> parseWord(const QByteArray& text, int base) {
    bool ok = false;
    const uint value = text.toUInt(&ok, base);
    if (!ok || value > 0xFFFF)
        return std::nullopt;
    return quint16(value);
}

} // namespace

std::optional<VersionResource> VersionResource::fromModule(const QString& path, int maxSize) {
    const auto bytes = ElfFile(path).section(SectionName, maxSize);
    if (!bytes)
        return std::nullopt;
    const qsizetype end = bytes->indexOf('\0');
    return fromText(end < 0 ? *bytes : bytes->left(end));
}

std::optional<VersionResource> VersionResource::fromText(const QByteArray& text) {
    if (!text.startsWith(Signature))
        return std::nullopt;
    VersionResource resource;
    resource.text_ = text;
    return resource;
}

QString VersionResource::modulePathOf(const void* codeAddress) {
    Dl_info info{};
    link_map* module = nullptr;
    if (!dladdr1(codeAddress, &info, reinterpret_cast<void**>(&module), RTLD_DL_LINKMAP) || !module)
        return {};
    // The main program's entry carries no usable name (at best the command as typed).
    if (!module->l_name || module->l_name[0] == '\0')
        return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return QFileInfo(QFile::decodeName(module->l_name)).absoluteFilePath();
}

std::optional<VersionResource::Fixed> VersionResource::fixed() const {
    const auto words = wordsAfter(text_, "FILEVERSION");
    if (!words || words->size() != 4)
        return std::nullopt;
    quint16 parts[4] = {};
    for (int i = 0; i < 4; ++i) {
        const auto part = parseWord(words->at(i), 10);
        if (!part)
            return std::nullopt;
        parts[i] = *part;
    }
    return Fixed{quint32(parts[0]) << 16 | parts[1], quint32(parts[2]) << 16 | parts[3]};
}

std::optional<VersionResource::Translation> VersionResource::firstTranslation() const {
    const auto words = wordsAfter(text_, "TRANSLATION");
    if (!words || words->size() < 2)
        return std::nullopt;
    const auto language = parseWord(words->at(0), 16);
    const auto codePage = parseWord(words->at(1), 16);
    if (!language || !codePage)
        return std::nullopt;
    return Translation{*language, *codePage};
}

std::optional<QString> VersionResource::queryString(const QString& subBlock) const {
    const QStringList parts = subBlock.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (parts.size() != 3 || parts[0].compare(QLatin1String("StringFileInfo"), Qt::CaseInsensitive))
        return std::nullopt;
    const QByteArray block = parts[1].toLatin1().toUpper();
    const QString key = parts[2];
    bool inBlock = false;
    for (const QByteArray& line : linesOf(text_)) {
        if (line.startsWith("STRINGFILEINFO ")) {
            inBlock = line.mid(15).trimmed().toUpper() == block;
            continue;
        }
        if (line == "END")
            inBlock = false;
        const qsizetype equals = line.indexOf('=');
        if (inBlock && equals > 0 &&
            QString::fromUtf8(line.left(equals)).compare(key, Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(line.mid(equals + 1));
    }
    return std::nullopt;
}

int VersionResource::size() const {
    return int(text_.size());
}

} // namespace platform
