#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstring>
#include <utility>

// Reading a fuzzer's bytes as the parsers' input.
namespace fuzz {

// The bytes as text: UTF-8, or raw UTF-16 code units (lone surrogates included) when
// the first byte is 0x01.
inline QString textOf(const std::uint8_t* data, std::size_t size) {
    if (size > 0 && data[0] == 0x01) {
        QString text;
        for (std::size_t i = 1; i + 1 < size; i += 2)
            text += QChar(char16_t(data[i] | (data[i + 1] << 8)));
        return text;
    }
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// The text split at its first line break: what comes before and after it.
inline std::pair<QString, QString> twoParts(const QString& text) {
    const qsizetype split = text.indexOf(u'\n');
    if (split < 0)
        return {text, QString()};
    return {text.left(split), text.mid(split + 1)};
}

// A double made of the first eight bytes (zero when there are fewer), and the rest.
inline double leadingDouble(const std::uint8_t*& data, std::size_t& size) {
    double value = 0;
    if (size >= sizeof value) {
        std::memcpy(&value, data, sizeof value);
        data += sizeof value;
        size -= sizeof value;
    }
    return value;
}

} // namespace fuzz
