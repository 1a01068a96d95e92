#include "platform/TextDecoding.h"

#include <QStringDecoder>

namespace platform {

QString decodeText(const QByteArray& bytes) {
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
