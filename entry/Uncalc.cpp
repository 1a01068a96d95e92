#include "entry/Uncalc.h"

#include "controls/HelperRoutines.h"
#include "entry/PopupGlyphs.h"
#include "platform/Application.h"
#include "platform/Components.h"
#include "platform/Errors.h"
#include "platform/Pictures.h"
#include "platform/StdControls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QToolButton>
#include <charconv>
#include <cmath>
#include <limits>

namespace entry {

namespace {

const QString DisplayPicture = QStringLiteral("0.##########");

} // namespace

long double ReadDisplayNumber(const QString& text) {
    const QByteArray plain =
        controls::ReplaceChar(QLatin1Char(','), QLatin1Char('.'), text).toLatin1();
    long double value = 0;
    std::from_chars(plain.constData(), plain.constData() + plain.size(), value,
                    std::chars_format::fixed);
    return value;
}

// --- Form ---------------------------------------------------------------------------

namespace {

class CalcDisplayAccessible : public QAccessibleWidget {
public:
    explicit CalcDisplayAccessible(QWidget* display)
        : QAccessibleWidget(display, QAccessible::StaticText) {}
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value)
            return static_cast<const QLabel*>(widget())->text();
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* calcDisplayAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("entry::TCalcDisplay") && object->isWidgetType())
        return new CalcDisplayAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

TCalcDisplay::TCalcDisplay(QWidget* parent) : QLabel(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(calcDisplayAccessible);
        return true;
    }();
    (void)installed;
    setAccessibleName(QStringLiteral("Display"));
}

void TCalcDisplay::showNumber(const QString& text) {
    if (text == this->text())
        return;
    setText(text);
    QAccessibleValueChangeEvent event(this, text);
    QAccessible::updateAccessibility(&event);
}

TnCalc::TnCalc(QWidget* parent) : TDialog(parent) {
    platform::setComponentName(this, QStringLiteral("nCalc"));
    setWindowTitle(QString());
    setFont(PopupFont(13));
    setFixedSize(186, 152);
    // Its design position on the screen, unless a window manager places it.
    move(199, 101);
    Panel1 = platform::addComponent(this, new platform::TPanel(this), QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, 186, 152);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    SetPanelColours(Panel1, ActiveCaptionColour, Qt::black);
    createDisplay();
    createButtons();
    createCloseButtons();
}

void TnCalc::createDisplay() {
    lblDisplay =
        platform::addComponent(this, new TCalcDisplay(Panel1), QStringLiteral("lblDisplay"));
    lblDisplay->setGeometry(12, 10, 137, 21);
    lblDisplay->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblDisplay->setFont(PopupFont(15));
    SetPanelColours(lblDisplay, Qt::black, Qt::white);
    platform::setTag(lblDisplay,
                     translation::KeepOwnLook); // the colour pass leaves it white on black
    sbBackspace = speedButton("sbBackspace", {153, 7, 26, 27}, QLatin1Char('B'));
    SetGlyphButton(sbBackspace, BackspaceGlyph(), QStringLiteral("Backspace"));
}

QToolButton* TnCalc::speedButton(const char* name, QRect geometry, QChar key) {
    auto* button = platform::addComponent(this, new QToolButton(Panel1), QLatin1String(name));
    button->setGeometry(geometry);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, platform::guarded([this, key] { PressKey(key); }));
    return button;
}

QToolButton* TnCalc::digitButton(int digit, QRect geometry) {
    const QChar key(u'0' + digit);
    QToolButton* button = speedButton(QStringLiteral("sb%1").arg(digit).toLatin1(), geometry, key);
    button->setText(QString(key));
    button->setFont(PopupFont(13));
    sbDigits[digit] = button;
    return button;
}

QToolButton* TnCalc::operatorButton(const char* name, QRect geometry, QChar key,
                                    const QString& glyphText) {
    QToolButton* button = speedButton(name, geometry, key);
    SetGlyphButton(button, TextGlyph(glyphText), QString(key));
    return button;
}

void TnCalc::createButtons() {
    digitButton(7, {11, 36, 26, 27});
    digitButton(8, {38, 36, 27, 27});
    digitButton(9, {66, 36, 27, 27});
    sbPlus = operatorButton("sbPlus", {95, 36, 27, 27}, QLatin1Char('+'), QStringLiteral("+"));
    sbEmpty = platform::addComponent(this, new QToolButton(Panel1), QStringLiteral("sbEmpty"));
    sbEmpty->setGeometry(124, 36, 26, 55);
    sbEmpty->setAutoRaise(true);
    sbEmpty->setFocusPolicy(Qt::NoFocus);
    SetGlyphButton(sbEmpty, TextGlyph(QStringLiteral("C")), QStringLiteral("C"));
    connect(sbEmpty, &QToolButton::clicked, this, platform::guarded([this] { ClearAll(); }));
    digitButton(4, {11, 64, 26, 27});
    digitButton(5, {38, 64, 27, 27});
    digitButton(6, {66, 64, 27, 27});
    sbMinus =
        operatorButton("sbMinus", {95, 64, 27, 27}, QLatin1Char('-'), QStringLiteral("\u2212"));
    digitButton(1, {11, 92, 26, 26});
    digitButton(2, {38, 92, 27, 26});
    digitButton(3, {66, 92, 27, 26});
    sbMultiply =
        operatorButton("sbMultiply", {95, 92, 27, 26}, QLatin1Char('x'), QStringLiteral("\u00d7"));
    sbEqual = operatorButton("sbEqual", {124, 92, 26, 54}, QLatin1Char('='), QStringLiteral("="));
    digitButton(0, {10, 119, 54, 27});
    sbDot = speedButton("sbDot", {66, 119, 27, 27}, QLatin1Char(','));
    sbDot->setText(QStringLiteral(","));
    sbDot->setFont(PopupFont(17));
    sbDivide =
        operatorButton("sbDivide", {95, 119, 27, 27}, QLatin1Char('/'), QStringLiteral("\u00f7"));
}

void TnCalc::createCloseButtons() {
    btnOk = platform::addComponent(this, new platform::TBitBtn(Panel1), QStringLiteral("btnOk"));
    btnOk->setGeometry(153, 36, 27, 79);
    btnOk->setDefault(true);
    btnOk->setAutoDefault(true);
    SetGlyphButton(btnOk, OkGlyph(), QStringLiteral("OK"));
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    btnCancel =
        platform::addComponent(this, new platform::TBitBtn(Panel1), QStringLiteral("btnCancel"));
    btnCancel->setGeometry(153, 116, 27, 30);
    btnCancel->setAutoDefault(false);
    SetGlyphButton(btnCancel, CancelGlyph(), QStringLiteral("Cancel"));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

// --- Execute and keys ---------------------------------------------------------------

bool TnCalc::Execute(long double& value) {
    PendingOp = QLatin1Char('=');
    StartNewEntry = false;
    btnOk->setEnabled(true);
    EntryValue = Accumulator = value;
    showEntry();
    btnOk->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    value = Accumulator;
    return true;
}

void TnCalc::ClearAll() {
    PendingOp = QLatin1Char('=');
    StartNewEntry = false;
    btnOk->setEnabled(true);
    EntryValue = Accumulator = 0;
    lblDisplay->showNumber(QString());
}

QString TnCalc::DisplayText() const {
    return lblDisplay->text();
}

void TnCalc::PressKey(QChar key) {
    if (key.isDigit() && key.unicode() < 128)
        pressDigit(key);
    else if (key == QLatin1Char(','))
        pressComma();
    else if (key == QLatin1Char('B'))
        pressBackspace();
    else if (QStringLiteral("+-x/=").contains(key))
        pressOperator(key);
}

void TnCalc::pressDigit(QChar digit) {
    if (StartNewEntry) {
        lblDisplay->showNumber(QString());
        StartNewEntry = false;
        btnOk->setEnabled(false);
    }
    lblDisplay->showNumber(lblDisplay->text() + digit);
    entryFromDisplay();
}

void TnCalc::pressComma() {
    if (controls::CharInText(QLatin1Char(','), lblDisplay->text()))
        return;
    lblDisplay->showNumber(lblDisplay->text() + QLatin1Char(','));
    entryFromDisplay();
}

void TnCalc::pressBackspace() {
    if (lblDisplay->text().isEmpty())
        return;
    lblDisplay->showNumber(controls::DropLastChar(lblDisplay->text()));
    entryFromDisplay();
}

void TnCalc::pressOperator(QChar op) {
    const bool equals = op == QLatin1Char('=');
    StartNewEntry = !equals;
    btnOk->setEnabled(equals);
    Accumulator = applyPendingOp();
    EntryValue = Accumulator;
    showEntry();
    PendingOp = op;
}

// The accumulator with the pending operator applied to the entry; raises without
// changing anything when there is no result.
long double TnCalc::applyPendingOp() const {
    long double result = Accumulator;
    switch (PendingOp.unicode()) {
    case u'+':
        result = Accumulator + EntryValue;
        break;
    case u'-':
        result = Accumulator - EntryValue;
        break;
    case u'x':
        result = Accumulator * EntryValue;
        break;
    case u'/':
        if (EntryValue == 0) {
            if (Accumulator == 0)
                throw platform::InvalidOpError();
            throw platform::ZeroDivideError();
        }
        result = Accumulator / EntryValue;
        break;
    default:
        break;
    }
    // The display shows numbers through the platform's double formatting.
    if (!std::isfinite(result) || std::fabs(result) > std::numeric_limits<double>::max())
        throw platform::OverflowError();
    return result;
}

void TnCalc::entryFromDisplay() {
    EntryValue = ReadDisplayNumber(lblDisplay->text());
    if (PendingOp == QLatin1Char('='))
        Accumulator = EntryValue;
}

void TnCalc::showEntry() {
    lblDisplay->showNumber(platform::formatFloat(DisplayPicture, static_cast<double>(EntryValue)));
}

} // namespace entry
