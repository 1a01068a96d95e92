#include "platform/TextDecoding.h"

#include <QStringDecoder>

namespace platform {

QString decodeText(const QByteArray& bytes) {
    // Notepad's "Unicode" files begin with the byte-order mark of UTF-16.
    if (bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff")) {
        QStringDecoder utf16(bytes.startsWith("\xff\xfe") ? QStringConverter::Utf16LE
                                                          : QStringConverter::Utf16BE,
                             QStringConverter::Flag::Stateless);
        return utf16.decode(bytes);
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder windows1250("windows-1250", QStringConverter::Flag::Stateless);
    if (windows1250.isValid())
        return windows1250.decode(bytes);
    return QString::fromLatin1(bytes);
}

} // namespace platform
