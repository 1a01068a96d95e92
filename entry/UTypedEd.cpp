#include "entry/UTypedEd.h"

#include "controls/Uddbtn.h"
#include "entry/PopupInstance.h"
#include "entry/Udrgdrp.h"
#include "entry/Ukeybrd.h"
#include "entry/Ukoledar.h"
#include "entry/Uncalc.h"
#include "entry/Ura.h"
#include "platform/Application.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/FormatSettings.h"
#include "platform/Pictures.h"
#include "platform/ProfileFile.h"

#include <QApplication>
#include <QDrag>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QScopedValueRollback>
#include <QTimer>

namespace entry {

namespace {

using db::FieldType;

const QColor UnconfirmedTextColor(255, 0, 0);
const QString DragMimeType = QStringLiteral("application/x-zev-typed-value");
const QString InvalidInputMessage =
    QStringLiteral("Invalid input value.  Use escape key to abandon changes");
constexpr int FieldHeight = 18;

TypedEditDefaults& defaults() {
    static TypedEditDefaults instance;
    return instance;
}

// The type code without its top bit, as masks and tools compare it.
int baseTypeCode(FieldType type) {
    return static_cast<int>(type) & 127;
}

// Focus moving to another control of the program, as opposed to the window being
// deactivated or a pop-up opening: only the former enters or leaves the field.
bool movesBetweenControls(const QFocusEvent* event) {
    return event->reason() != Qt::ActiveWindowFocusReason &&
           event->reason() != Qt::PopupFocusReason;
}

QPointer<TCustomTypedEdit>& sideButtonBorrower();

bool isCharacterKey(const QKeyEvent* event) {
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).unicode() >= 32 && text.at(0).unicode() != 127;
}

} // namespace

void InitTypedEditDefaults() {
    const platform::ProfileFile winIni(platform::winIniPath());
    const QString section = QStringLiteral("QOR");
    TypedEditDefaults read;
    read.fontName = winIni.readString(section, QStringLiteral("FontName"), read.fontName);
    read.fontSize = winIni.readInteger(section, QStringLiteral("FontSize"), read.fontSize);
    read.lineHeight = winIni.readInteger(section, QStringLiteral("LineHeight"), read.lineHeight);
    read.titleFontSize =
        winIni.readInteger(section, QStringLiteral("TitleFontSize"), read.titleFontSize);
    read.titleFontName =
        winIni.readString(section, QStringLiteral("TitleFontName"), read.titleFontName);
    defaults() = read;
}

const TypedEditDefaults& typedEditDefaults() {
    return defaults();
}

// --- Construction -------------------------------------------------------------------

TCustomTypedEdit::TCustomTypedEdit(QWidget* parent) : QLineEdit(parent) {
    QFont font(defaults().fontName);
    font.setPointSize(defaults().fontSize);
    font.setBold(true);
    setFont(font);
    setFontColor(QGuiApplication::palette().color(QPalette::ButtonText));
    setColor(QGuiApplication::palette().color(QPalette::Button));
    savedFontColor_ = fontColor();
    savedColor_ = color();
    resize(width(), FieldHeight);
    setAcceptDrops(true);
    connect(this, &QLineEdit::textChanged, this, &TCustomTypedEdit::textWasChanged);
    // Edits that no key handler saw (cut, undo, the context menu) touch the field too.
    connect(this, &QLineEdit::textEdited, this, &TCustomTypedEdit::touchOnce);
}

TCustomTypedEdit::~TCustomTypedEdit() {
    disconnect(this, &TCustomTypedEdit::OnChange, nullptr, nullptr);
}

void TCustomTypedEdit::Loaded() {
    savedFontColor_ = fontColor();
    if (dataType() == FieldType::Date)
        SetDateValue(platform::today());
    else
        AcceptText();
    ApplyMask();
}

// --- Properties ---------------------------------------------------------------------

void TCustomTypedEdit::setDisplayFormat(const QString& picture) {
    valueParam_.displayFormat = picture;
    ShowText();
}

QColor TCustomTypedEdit::color() const {
    return palette().color(QPalette::Base);
}

void TCustomTypedEdit::setColor(const QColor& color) {
    QPalette colours = palette();
    colours.setColor(QPalette::Base, color);
    setPalette(colours);
}

QColor TCustomTypedEdit::fontColor() const {
    return palette().color(QPalette::Text);
}

void TCustomTypedEdit::setFontColor(const QColor& color) {
    QPalette colours = palette();
    colours.setColor(QPalette::Text, color);
    setPalette(colours);
}

void TCustomTypedEdit::setShowSeconds(bool on) {
    showSeconds_ = on;
    ApplyMask();
}

void TCustomTypedEdit::setShowMilliseconds(bool on) {
    showMilliseconds_ = on;
    ApplyMask();
}

void TCustomTypedEdit::setOnZoom(ZoomHandler handler) {
    onZoom_ = std::move(handler);
    ApplyMask();
}

void TCustomTypedEdit::setDataType(FieldType type) {
    valueParam_.setDataType(type);
    ApplyMask();
}

// --- Value --------------------------------------------------------------------------

void TCustomTypedEdit::Touch() {
    touched_ = true;
    Q_EMIT OnTouch();
}

void TCustomTypedEdit::touchOnce() {
    if (!touched_)
        Touch();
}

void TCustomTypedEdit::ReadText() {
    const QString typed =
        editMask_.inputMask.isEmpty() ? text() : platform::maskedText(editMask_, displayText());
    valueParam_.ParseText(typed);
}

void TCustomTypedEdit::ValueChanged() {
    ShowText();
    touched_ = false;
    setFontColor(savedFontColor_);
    Q_EMIT OnChange();
}

void TCustomTypedEdit::AcceptText() {
    try {
        ReadText();
        ValueChanged();
    } catch (...) {
        if (isVisible())
            regainFocus();
        throw;
    }
}

void TCustomTypedEdit::ShowText() {
    setText(valueParam_.FormatText());
}

void TCustomTypedEdit::Clear() {
    valueParam_.clear();
    ValueChanged();
    Q_EMIT OnClear();
}

void TCustomTypedEdit::SetDateTimeValue(platform::TDateTime value) {
    if (!dataTypeFixed_)
        valueParam_.setAsDateTime(value);
    else if (value <= 0)
        valueParam_.clear();
    else if (baseTypeCode(dataType()) == static_cast<int>(FieldType::Time))
        valueParam_.setValue(platform::timeToStr(value));
    else if (showMilliseconds_)
        valueParam_.setAsDateTime(value);
    else
        valueParam_.setValue(platform::dateTimeToStr(value));
    ValueChanged();
}

void TCustomTypedEdit::SetDateValue(platform::TDateTime value) {
    if (!dataTypeFixed_)
        valueParam_.setAsDate(value);
    else if (value <= 0)
        valueParam_.clear();
    else
        valueParam_.setValue(platform::dateToStr(value));
    ValueChanged();
}

void TCustomTypedEdit::SetFloatValue(double value) {
    if (dataTypeFixed_) {
        // Stored in the form of the user's regional settings, as text values are read.
        QString text = platform::floatToStr(value);
        const QChar processSeparator = platform::formatSettings().decimalSeparator;
        const QChar userSeparator = platform::userLocaleSettings().decimalSeparator;
        if (processSeparator != userSeparator) {
            const qsizetype at = text.indexOf(processSeparator);
            if (at >= 0)
                text[at] = userSeparator;
        }
        valueParam_.setValue(text);
    } else {
        valueParam_.setAsFloat(value);
    }
    ValueChanged();
}

void TCustomTypedEdit::SetTextValue(const QString& value) {
    if (dataTypeFixed_)
        valueParam_.setValue(value);
    else
        valueParam_.setAsString(value);
    ValueChanged();
}

platform::TDateTime TCustomTypedEdit::GetDateTimeValue() const {
    return valueParam_.isNull() ? 0 : valueParam_.asDateTime();
}

// --- Mask and colour ----------------------------------------------------------------

QString TCustomTypedEdit::classicMask() const {
    if (onZoom_)
        return {};
    switch (baseTypeCode(dataType())) {
    case static_cast<int>(FieldType::Date):
        return QStringLiteral("99/99/9999;1");
    case static_cast<int>(FieldType::Time):
        return QStringLiteral("99:99:99;1");
    case static_cast<int>(FieldType::DateTime):
        if (!showSeconds_)
            return QStringLiteral("99/99/9999 99:99;1");
        return showMilliseconds_ ? QStringLiteral("99/99/9999 99:99:99.999;1")
                                 : QStringLiteral("99/99/9999 99:99:99;1");
    default:
        return {};
    }
}

void TCustomTypedEdit::ApplyMask() {
    editMask_ = platform::translateEditMask(classicMask());
    if (inputMask() == editMask_.inputMask)
        return;
    // Fitting the text into the mask does not make it unconfirmed.
    const QScopedValueRollback<bool> applying(applyingMask_, true);
    setInputMask(editMask_.inputMask);
}

// Every change of the text, typed or shown, turns it red; ValueChanged gives the
// confirmed colour back, so red text has not been confirmed.
void TCustomTypedEdit::textWasChanged() {
    if (!applyingMask_)
        setFontColor(UnconfirmedTextColor);
}

// --- Keys ---------------------------------------------------------------------------

void TCustomTypedEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        touchOnce();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (touched_)
            AcceptText();
        else
            OpenTool(true);
        break;
    case Qt::Key_Escape:
        Clear();
        event->accept();
        return;
    default:
        if (isCharacterKey(event) || event->matches(QKeySequence::Paste) ||
            event->matches(QKeySequence::Cut))
            touchOnce();
        break;
    }
    QLineEdit::keyPressEvent(event);
}

// --- Entering and leaving -----------------------------------------------------------

void TCustomTypedEdit::focusInEvent(QFocusEvent* event) {
    const bool entering = movesBetweenControls(event);
    if (entering)
        savedColor_ = color();
    QLineEdit::focusInEvent(event);
    // A window activated with the field focused hands it the buttons too, unless it
    // holds them already (back from a pop-up).
    if (entering ||
        (event->reason() == Qt::ActiveWindowFocusReason && sideButtonBorrower() != this))
        placeSideButtons();
}

void TCustomTypedEdit::focusOutEvent(QFocusEvent* event) {
    const bool leaving = movesBetweenControls(event);
    if (leaving) {
        setColor(savedColor_);
        removeSideButtons();
    }
    QLineEdit::focusOutEvent(event);
    if (leaving)
        leaveField();
}

// Confirms typed text as the focus leaves; text that cannot be read keeps the focus.
void TCustomTypedEdit::leaveField() {
    const QScopedValueRollback<bool> leaving(leavingField_, true);
    if (touched_)
        AcceptText();
    checkMask();
}

// Every position of the masks of the data types is optional, so this fires only for
// masks with required positions.
void TCustomTypedEdit::checkMask() {
    if (editMask_.inputMask.isEmpty() || hasAcceptableInput())
        return;
    regainFocus();
    throw platform::Exception(InvalidInputMessage);
}

void TCustomTypedEdit::regainFocus() {
    // While the focus is moving away, it can only be taken back once the move is done.
    if (leavingField_)
        QTimer::singleShot(0, this, [this] { setFocus(Qt::OtherFocusReason); });
    else
        setFocus(Qt::OtherFocusReason);
}

// The tool and clear buttons that the field borrows while it has the focus come with
// the pop-up tools; until then the field shows none.
// --- Side buttons -------------------------------------------------------------------

namespace {

constexpr int ClearButtonNumber = 1;
constexpr int ToolButtonNumber = 2;
constexpr int ZoomGlyph = 4;
constexpr int CalendarGlyph = 19;
constexpr int CalculatorGlyph = 22;
constexpr int AlphaGlyph = 23;

// The field that holds the side buttons now.
QPointer<TCustomTypedEdit>& sideButtonBorrower() {
    static QPointer<TCustomTypedEdit> borrower;
    return borrower;
}

} // namespace

int TCustomTypedEdit::ToolGlyphNumber() const {
    if (onZoom_)
        return ZoomGlyph;
    switch (baseTypeCode(dataType())) {
    case static_cast<int>(FieldType::String):
        return AlphaGlyph;
    case static_cast<int>(FieldType::Float):
        return CalculatorGlyph;
    case static_cast<int>(FieldType::Date):
    case static_cast<int>(FieldType::Time):
    case static_cast<int>(FieldType::DateTime):
        return CalendarGlyph;
    default:
        return 0;
    }
}

void TCustomTypedEdit::placeSideButtons() {
    controls::TStdBtn* tool = controls::StdButton(ToolButtonNumber);
    controls::TStdBtn* clear = controls::StdButton(ClearButtonNumber);
    if (!tool || !clear || !parentWidget())
        return;
    tool->setEnabled(!isReadOnly() || zoomWhenReadOnly_);
    clear->setEnabled(!(isReadOnly() && noClearWhenReadOnly_));
    const int glyph = ToolGlyphNumber();
    tool->setIcon(glyph ? QIcon(controls::StdGlyph(glyph)) : QIcon());
    if (NarrowForButtons && !narrowed_) {
        resize(width() - tool->width() - clear->width(), height());
        narrowed_ = true;
    }
    placeSideButton(tool, x() + width());
    placeSideButton(clear, x() + width() + tool->width());
    if (sideButtonBorrower() && sideButtonBorrower() != this)
        sideButtonBorrower()->dropSideButtonClicks();
    sideButtonBorrower() = this;
    dropSideButtonClicks();
    toolClick_ = connect(tool, &QToolButton::clicked, this,
                         platform::guarded([this, tool] { SideButtonClick(tool); }));
    clearClick_ = connect(clear, &QToolButton::clicked, this,
                          platform::guarded([this, clear] { SideButtonClick(clear); }));
}

void TCustomTypedEdit::placeSideButton(QWidget* button, int left) {
    button->setParent(parentWidget());
    button->setFixedHeight(height());
    button->move(left, y());
    button->show();
    button->raise();
}

void TCustomTypedEdit::dropSideButtonClicks() {
    QObject::disconnect(toolClick_);
    QObject::disconnect(clearClick_);
    toolClick_ = {};
    clearClick_ = {};
}

// Gives the buttons back, unless another field or window has taken them since.
void TCustomTypedEdit::removeSideButtons() {
    if (sideButtonBorrower() != this)
        return;
    sideButtonBorrower() = nullptr;
    dropSideButtonClicks();
    int buttonsWidth = 0;
    for (int number : {ToolButtonNumber, ClearButtonNumber})
        if (controls::TStdBtn* button = controls::StdButton(number)) {
            buttonsWidth += button->width();
            if (button->parentWidget() != parentWidget() || !parentWidget())
                continue;
            button->hide();
            button->setParent(nullptr);
        }
    if (NarrowForButtons && narrowed_) {
        resize(width() + buttonsWidth, height());
        narrowed_ = false;
    }
}

void TCustomTypedEdit::SideButtonClick(QObject* button) {
    if (button == controls::StdButton(ClearButtonNumber)) {
        if (isEnabled())
            Clear();
    } else if (button == controls::StdButton(ToolButtonNumber)) {
        OpenTool(false);
    }
}

// --- Tools --------------------------------------------------------------------------

void TCustomTypedEdit::OpenTool(bool fromKeyboard) {
    if (onZoom_) {
        if (isEnabled())
            onZoom_();
        return;
    }
    openPopUpTool(fromKeyboard);
}

void TCustomTypedEdit::openPopUpTool(bool fromKeyboard) {
    switch (baseTypeCode(dataType())) {
    case static_cast<int>(FieldType::String):
        openKeyboard(fromKeyboard);
        break;
    case static_cast<int>(FieldType::Float):
        openCalculator();
        break;
    case static_cast<int>(FieldType::Date):
        openCalendar();
        break;
    case static_cast<int>(FieldType::Time):
        openTimePicker();
        break;
    case static_cast<int>(FieldType::DateTime):
        openCalendarAndTimePicker();
        break;
    default:
        break;
    }
}

void TCustomTypedEdit::openKeyboard(bool fromKeyboard) {
    if (fromKeyboard)
        return;
    QString text = valueParam_.asString();
    TfKeyboard& keyboard = PopupInstance<TfKeyboard>();
    if (isEnabled() && keyboard.Execute(text))
        SetTextValue(text);
}

void TCustomTypedEdit::openCalculator() {
    long double value = valueParam_.isNull() ? 0 : valueParam_.valueAsFloat();
    TnCalc& calculator = PopupInstance<TnCalc>();
    if (isEnabled() && calculator.Execute(value))
        SetFloatValue(static_cast<double>(value));
}

// The value a date or time tool opens at: the field's value, or the current date and
// time when the field shows none.
platform::TDateTime TCustomTypedEdit::toolStartValue() const {
    return valueParam_.showsNoValue() ? platform::now() : GetDateTimeValue();
}

void TCustomTypedEdit::openCalendar() {
    platform::TDateTime date = toolStartValue();
    Tkoledar& calendar = PopupInstance<Tkoledar>();
    if (isEnabled() && calendar.Execute(date))
        SetDateTimeValue(date);
}

// The time picker does not ask whether the field is enabled.
void TCustomTypedEdit::openTimePicker() {
    platform::TDateTime time = toolStartValue();
    TfUra& timePicker = PopupInstance<TfUra>();
    if (timePicker.Execute(time, true))
        SetDateTimeValue(time);
}

void TCustomTypedEdit::openCalendarAndTimePicker() {
    const platform::TDateTime value = toolStartValue();
    platform::TDateTime date = platform::dateOf(value);
    platform::TDateTime time = platform::timeOf(value);
    if (time == 0) // midnight shows as the date alone: a field that shows no time
        time = platform::timeOf(platform::now());
    Tkoledar& calendar = PopupInstance<Tkoledar>();
    if (!isEnabled() || !calendar.Execute(date))
        return;
    TfUra& timePicker = PopupInstance<TfUra>();
    if (timePicker.Execute(time, true))
        SetDateTimeValue(platform::combineDateTime(date, time));
}

// --- Mouse and dragging -------------------------------------------------------------

void TCustomTypedEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    OpenTool(false);
}

void TCustomTypedEdit::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    dragPending_ = true;
    dragStart_ = event->position().toPoint();
    DragValue.Take(valueParam_);
}

void TCustomTypedEdit::mouseMoveEvent(QMouseEvent* event) {
    const bool farEnough = (event->position().toPoint() - dragStart_).manhattanLength() >=
                           QApplication::startDragDistance();
    if (dragPending_ && (event->buttons() & Qt::LeftButton) && farEnough) {
        dragPending_ = false;
        startValueDrag();
        return;
    }
    QLineEdit::mouseMoveEvent(event);
}

void TCustomTypedEdit::mouseReleaseEvent(QMouseEvent* event) {
    dragPending_ = false;
    QLineEdit::mouseReleaseEvent(event);
}

// The value travels in DragValue; the drag carries a marker and the display text.
void TCustomTypedEdit::startValueDrag() {
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setData(DragMimeType, QByteArray());
    data->setText(text());
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction);
}

bool TCustomTypedEdit::DragOver(QObject* source, const QPoint& position) {
    if (DragValue.Armed) {
        if (source == this || dataTypeFixed_)
            return DragValue.dataType() == dataType();
        return true;
    }
    return onDragOver_ && onDragOver_(source, position);
}

void TCustomTypedEdit::DragDrop(QObject* source, const QPoint& position) {
    if (DragValue.Armed) {
        DragValue.Deliver(valueParam_);
        ApplyMask();
        ValueChanged();
    } else if (onDragDrop_) {
        onDragDrop_(source, position);
    }
}

void TCustomTypedEdit::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void TCustomTypedEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (DragOver(event->source(), event->position().toPoint()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TCustomTypedEdit::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    DragDrop(event->source(), event->position().toPoint());
}

} // namespace entry
