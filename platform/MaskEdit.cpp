#include "platform/MaskEdit.h"

#include "platform/Errors.h"

namespace platform {

namespace {

const QString InvalidInput =
    QStringLiteral("Invalid input value.  Use escape key to abandon changes");

} // namespace

TMaskEdit::TMaskEdit(QWidget* parent) : QLineEdit(parent) {}

void TMaskEdit::setEditMask(const QString& classicMask) {
    if (classicMask_ == classicMask)
        return;
    classicMask_ = classicMask;
    mask_ = translateEditMask(classicMask);
    setInputMask(mask_.inputMask);
}

QString TMaskEdit::editText() const {
    return isMasked() ? maskedText(mask_, displayText()) : text();
}

void TMaskEdit::validateEdit() {
    if (!isMasked() || hasAcceptableInput())
        return;
    const QString shown = displayText();
    const int firstBlank = shown.indexOf(mask_.blank);
    if (firstBlank >= 0)
        setCursorPosition(firstBlank);
    throw Exception(InvalidInput);
}

void TMaskEdit::setMaxTextLength(int length) {
    maxLength_ = std::max(0, length);
    setMaxLength(maxLength_ == 0 ? 32767 : maxLength_);
}

} // namespace platform
