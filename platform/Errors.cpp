#include "platform/Errors.h"

#include <utility>

namespace platform {

Exception::Exception(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}

ZeroDivideError::ZeroDivideError() : MathError(QStringLiteral("Floating point division by zero")) {}

InvalidOpError::InvalidOpError() : MathError(QStringLiteral("Invalid floating point operation")) {}

OverflowError::OverflowError() : MathError(QStringLiteral("Floating point overflow")) {}

QString errorMessage(const std::exception& error) {
    if (const auto* own = dynamic_cast<const Exception*>(&error))
        return own->message();
    return QString::fromUtf8(error.what());
}

} // namespace platform
