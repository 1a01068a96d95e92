#include "platform/Errors.h"

#include <utility>

namespace platform {

Exception::Exception(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}

ZeroDivideError::ZeroDivideError() : MathError(QStringLiteral("Floating point division by zero")) {}

InvalidOpError::InvalidOpError() : MathError(QStringLiteral("Invalid floating point operation")) {}

OverflowError::OverflowError() : MathError(QStringLiteral("Floating point overflow")) {}

} // namespace platform
