#include "controls/ACComboBox.h"

#include "platform/Application.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>

namespace controls {

namespace {

const int FirstCompletingKey = 47; // the first code above Delete

QString asciiUpper(const QString& text) {
    QString upper = text;
    for (QChar& character : upper)
        if (character >= QLatin1Char('a') && character <= QLatin1Char('z'))
            character = QChar(character.unicode() - ('a' - 'A'));
    return upper;
}

QString localeUpper(const QString& text) {
    return QLocale().toUpper(text);
}

} // namespace

int virtualKeyCode(int qtKey) {
    if (qtKey == Qt::Key_Space)
        return 32;
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return qtKey;
    if (qtKey > Qt::Key_Space && qtKey < Qt::Key_Escape)
        return 186; // punctuation and national letters: the layout's own keys
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Help:
        return 47;
    case Qt::Key_Super_L:
        return 91;
    case Qt::Key_Super_R:
        return 92;
    case Qt::Key_Menu:
        return 93;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Delete:
        return 46;
    default:
        return 0; // navigation, editing and modifier keys
    }
}

TACComboBox::TACComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr); // the completion is this control's own
}

bool TACComboBox::completesAfter(const QKeyEvent* event) const {
    const Qt::KeyboardModifiers held = event->modifiers();
    return autoComplete_ && virtualKeyCode(event->key()) >= FirstCompletingKey &&
           !held.testFlag(Qt::AltModifier) && !held.testFlag(Qt::ControlModifier) && isEditable() &&
           !currentText().isEmpty();
}

void TACComboBox::keyReleaseEvent(QKeyEvent* event) {
    QComboBox::keyReleaseEvent(event);
    if (completesAfter(event))
        platform::runGuarded([this] { completeTypedText(); });
}

void TACComboBox::completeTypedText() {
    QLineEdit* edit = lineEdit();
    const QString typed = edit->text();
    const int length = typed.size();
    const QString wanted = localeUpper(typed);
    for (int index = 0; index < count(); ++index) {
        const QString item = itemText(index);
        if (localeUpper(item.left(length)) != wanted)
            continue;
        setCurrentIndex(index);
        edit->setText(item);
        edit->setSelection(length, item.size() - length);
        if (selectOnFound_ && asciiUpper(typed) == asciiUpper(item))
            edit->selectAll();
        Q_EMIT OnMatch();
        return;
    }
    if (exactMatch_) {
        edit->setText(typed.left(length - 1));
        edit->setCursorPosition(length - 1);
    }
}

void TACComboBox::FindMatch() {
    const QString typed = currentText();
    if (typed.isEmpty() || !isEditable())
        return;
    const QString wanted = asciiUpper(typed);
    for (int index = 0; index < count(); ++index) {
        const QString item = itemText(index);
        if (asciiUpper(item.left(typed.size())) != wanted)
            continue;
        setCurrentIndex(index);
        lineEdit()->setText(item);
        lineEdit()->deselect();
        lineEdit()->setCursorPosition(0);
        Q_EMIT OnMatch();
        return;
    }
}

void TACComboBox::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    if (QLineEdit* edit = lineEdit()) {
        edit->deselect();
        edit->setCursorPosition(0);
    }
}

} // namespace controls
