#include "controls/Updbedt.h"

#include "db/DataSource.h"
#include "db/Field.h"
#include "platform/Application.h"
#include "platform/FormatSettings.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeySequence>
#include <QMenu>
#include <QPainter>

namespace controls {

namespace {

bool isSign(QChar character) {
    return character == QLatin1Char('+') || character == QLatin1Char('-');
}

} // namespace

bool fieldAcceptsCharacter(const db::Field& field, QChar character) {
    const db::FieldType type = field.dataType();
    if (db::isIntegerType(type))
        return character.isDigit() || isSign(character);
    if (type == db::FieldType::Float || type == db::FieldType::Currency)
        return character.isDigit() || isSign(character) ||
               character == platform::formatSettings().decimalSeparator ||
               character == QLatin1Char('E') || character == QLatin1Char('e');
    return true;
}

TPDBEdit::TPDBEdit(QWidget* parent) : TMaskEdit(parent) {
    setReadOnly(true);
    connect(this, &QLineEdit::textChanged, this, [this] { textWasChanged(); });
    computeTextMargin();
    DataChange();
}

TPDBEdit::~TPDBEdit() = default;

db::DataSource* TPDBEdit::dataSource() const {
    return link_.dataSource();
}

void TPDBEdit::setDataSource(db::DataSource* source) {
    link_.setDataSource(source);
}

QString TPDBEdit::dataField() const {
    return link_.fieldName();
}

void TPDBEdit::setDataField(const QString& fieldName) {
    link_.setFieldName(fieldName);
}

db::Field* TPDBEdit::field() const {
    return link_.field();
}

bool TPDBEdit::fieldReadOnly() const {
    return link_.readOnly();
}

void TPDBEdit::setFieldReadOnly(bool readOnly) {
    link_.setReadOnly(readOnly);
    editingChanged();
}

void TPDBEdit::setPasswordChar(QChar character) {
    passwordChar_ = character;
    setEchoMode(character.isNull() ? QLineEdit::Normal : QLineEdit::Password);
    update();
}

void TPDBEdit::setDesigning(bool on) {
    designing_ = on;
    DataChange();
}

bool TPDBEdit::editCanModify() {
    return link_.edit();
}

void TPDBEdit::reset() {
    link_.reset();
    selectAll();
}

void TPDBEdit::pasteIntoField() {
    if (editCanModify())
        paste();
}

void TPDBEdit::cutFromField() {
    if (editCanModify())
        cut();
}

// ---- Field to edit -------------------------------------------------------------------

// Setting the mask or the maximum length may change the text: that is no typing.
void TPDBEdit::DataChange() {
    const bool wasLoading = loading_;
    loading_ = true;
    showField();
    loading_ = wasLoading;
    update();
}

void TPDBEdit::showField() {
    const db::Field* shown = link_.field();
    if (!shown) {
        fieldAlignment_ = Qt::AlignLeft;
        setEditMask({});
        setMaxTextLength(0);
        showText(designing_ ? objectName() : QString());
        return;
    }
    const Qt::Alignment alignment = shown->alignment() & Qt::AlignHorizontal_Mask;
    if (alignment != fieldAlignment_) {
        showText({});
        fieldAlignment_ = alignment;
    }
    setEditMask(shown->editMask());
    setMaxTextLength(shown->dataType() == db::FieldType::String ? shown->size() : 0);
    showText(focused_ && link_.canModify() ? shown->asString() : shown->displayText());
}

void TPDBEdit::showText(const QString& text) {
    setText(text);
}

void TPDBEdit::editingChanged() {
    setReadOnly(!link_.editing());
}

void TPDBEdit::updateFieldFromText() {
    validateEdit();
    link_.field()->setAsString(editText());
}

void TPDBEdit::textWasChanged() {
    if (!loading_)
        link_.modified();
    Q_EMIT OnChange();
}

// ---- Keys ----------------------------------------------------------------------------

bool TPDBEdit::startsEditing(const QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (key == Qt::Key_Delete || key == Qt::Key_Backspace)
        return true;
    if (key == Qt::Key_Insert && modifiers.testFlag(Qt::ShiftModifier))
        return true;
    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut))
        return true;
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).unicode() >= 32 &&
           !modifiers.testFlag(Qt::ControlModifier);
}

// A printable character the field does not accept is dropped with the beep; so is one
// the key-press handler sets to null.
bool TPDBEdit::dropsCharacter(QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty() || text.at(0).unicode() < 32 ||
        event->modifiers().testFlag(Qt::ControlModifier))
        return false;
    QChar key = text.at(0);
    if (OnKeyPress) {
        OnKeyPress(key);
        if (key.isNull())
            return true;
    }
    if (link_.field() && !fieldAcceptsCharacter(*link_.field(), key)) {
        platform::beep();
        return true;
    }
    return false;
}

void TPDBEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        reset();
        event->accept();
        return;
    }
    if (dropsCharacter(event)) {
        event->accept();
        return;
    }
    if (startsEditing(event))
        link_.edit();
    const QString text = event->text();
    if (charCase_ == CharCase::Normal || text.isEmpty()) {
        TMaskEdit::keyPressEvent(event);
        return;
    }
    QKeyEvent converted(event->type(), event->key(), event->modifiers(),
                        charCase_ == CharCase::UpperCase ? text.toUpper() : text.toLower(),
                        event->isAutoRepeat(), event->count());
    TMaskEdit::keyPressEvent(&converted);
    event->setAccepted(converted.isAccepted());
}

namespace {

QAction* menuAction(const QMenu& menu, const QString& name) {
    for (QAction* action : menu.actions())
        if (action->objectName() == name)
            return action;
    return nullptr;
}

// Before the given item, or at the end without one.
QAction* addMenuAction(QMenu& menu, QAction* before, const QString& name, const QString& caption,
                       QKeySequence::StandardKey key) {
    auto* action = new QAction(
        caption + QLatin1Char('\t') + QKeySequence(key).toString(QKeySequence::NativeText), &menu);
    action->setObjectName(name);
    menu.insertAction(before, action);
    return action;
}

} // namespace

// Paste and cut from the context menu go through the link first, like the keys; while
// the link is not editing they are offered when the field may be changed. A read-only
// line edit's standard menu has neither item: the edit adds its own, around Copy.
void TPDBEdit::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    QAction* cut = menuAction(*menu, QStringLiteral("edit-cut"));
    QAction* paste = menuAction(*menu, QStringLiteral("edit-paste"));
    const QList<QAction*> standard = menu->actions();
    if (!cut)
        cut = addMenuAction(*menu, standard.value(0), QStringLiteral("edit-cut"),
                            QLineEdit::tr("Cu&t"), QKeySequence::Cut);
    if (!paste)
        paste = addMenuAction(*menu, standard.value(1), QStringLiteral("edit-paste"),
                              QLineEdit::tr("&Paste"), QKeySequence::Paste);
    const bool modifiable = link_.canModify() || !link_.field();
    for (QAction* action : {cut, paste}) {
        action->disconnect();
        const bool pasting = action == paste;
        action->setEnabled(modifiable && (pasting || hasSelectedText()));
        connect(action, &QAction::triggered, this, platform::guarded([this, pasting] {
                    pasting ? pasteIntoField() : cutFromField();
                }));
    }
    menu->exec(event->globalPos());
}

// ---- Focus ---------------------------------------------------------------------------

void TPDBEdit::setFocused(bool focused) {
    if (focused_ == focused)
        return;
    focused_ = focused;
    if (fieldAlignment_ != Qt::AlignLeft && !isMasked())
        update();
    link_.reset();
}

void TPDBEdit::focusInEvent(QFocusEvent* event) {
    setFocused(true);
    TMaskEdit::focusInEvent(event);
    if (!autoSelect_ && event->reason() == Qt::TabFocusReason)
        deselect();
    Q_EMIT OnEnter();
}

// Leaving the edit updates the record. When that fails, the edit keeps the focus with
// all its text selected and the error goes to the error display.
void TPDBEdit::focusOutEvent(QFocusEvent* event) {
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) {
        TMaskEdit::focusOutEvent(event);
        return;
    }
    if (!handleExitUpdate())
        return;
    TMaskEdit::focusOutEvent(event);
    setFocused(false);
    setCursorPosition(0);
    Q_EMIT OnExit();
}

bool TPDBEdit::handleExitUpdate() {
    try {
        link_.updateRecord();
        return true;
    } catch (const std::exception& error) {
        selectAll();
        setFocus(Qt::OtherFocusReason);
        platform::showException(error);
        return false;
    }
}

// ---- Painting ------------------------------------------------------------------------

void TPDBEdit::changeEvent(QEvent* event) {
    TMaskEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        computeTextMargin();
}

void TPDBEdit::computeTextMargin() {
    const int systemHeight = QFontMetrics(QApplication::font()).height();
    const int ownHeight = fontMetrics().height();
    textMargin_ = std::min(systemHeight, ownHeight) / 4;
}

bool TPDBEdit::paintsItself() const {
    return fieldAlignment_ != Qt::AlignLeft && !focused_;
}

QString TPDBEdit::paintedText() const {
    if (passwordChar_.isNull())
        return text();
    return QString(text().size(), passwordChar_);
}

void TPDBEdit::paintEvent(QPaintEvent* event) {
    if (!paintsItself()) {
        TMaskEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setFont(font());
    QRect area = rect();
    if (hasFrame()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(area.adjusted(0, 0, -1, -1));
        area.adjust(1, 1, -1, -1);
    }
    painter.fillRect(area, palette().color(QPalette::Base));
    const QString shown = paintedText();
    const int width = fontMetrics().horizontalAdvance(shown);
    const int margin = hasFrame() ? textMargin_ : 0;
    const int right = area.x() + area.width();
    const int left =
        fieldAlignment_ == Qt::AlignRight ? right - width - margin : (area.x() + right - width) / 2;
    painter.setClipRect(area);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(left, margin + fontMetrics().ascent(), shown);
}

} // namespace controls
