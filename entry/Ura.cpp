#include "entry/Ura.h"

#include "controls/HelperRoutines.h"
#include "entry/PopupGlyphs.h"
#include "platform/Components.h"
#include "platform/StdControls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFrame>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSpinBox>
#include <cmath>
#include <numbers>

namespace entry {

namespace {

constexpr int ClientWidth = 162;
constexpr int ClientHeight = 234;
constexpr int TopPanelHeight = 22;
constexpr int BottomPanelHeight = 74;
constexpr double Pi = std::numbers::pi;

// Offsets of the numerals 1 to 12 from their place on the circle.
constexpr std::array<int, 12> NumeralDx = {-1, 6, 10, 5, 1, -9, -20, -26, -30, -23, -20, -10};
constexpr std::array<int, 12> NumeralDy = {5, 8, 18, 23, 26, 26, 23, 23, 16, 10, 5, 4};

const QString SetMinutesAction = QStringLiteral("Set minutes");

// A panel without an outer bevel in the caption colour, registered with its form.
QFrame* panel(QWidget* form, const char* name) {
    auto* frame = platform::addComponent(form, new platform::TPanel(form), QLatin1String(name));
    frame->setFrameStyle(QFrame::NoFrame);
    SetPanelColours(frame, ActiveCaptionColour);
    return frame;
}

// The clock face for assistive tools: a clock whose value is the time on the dial.
class ClockHandsAccessible : public QAccessibleWidget {
public:
    explicit ClockHandsAccessible(TClockHands* hands)
        : QAccessibleWidget(hands, QAccessible::Clock, QStringLiteral("Ura")) {}
    QString text(QAccessible::Text kind) const override {
        const TfUra* form = static_cast<TClockHands*>(widget())->form();
        if (kind == QAccessible::Value)
            return QStringLiteral("%1:%2")
                .arg(form->dialHour() % 12, 2, 10, QChar('0'))
                .arg(form->dialMinute(), 2, 10, QChar('0'));
        if (kind == QAccessible::Name)
            return QStringLiteral("Ura");
        return QAccessibleWidget::text(kind);
    }
};

// A numeral for assistive tools: a button whose press sets the hour and whose second
// action sets the minutes, as the left and the right mouse button do.
class ClockNumeralAccessible : public QAccessibleWidget {
public:
    explicit ClockNumeralAccessible(TClockNumeral* numeral)
        : QAccessibleWidget(numeral, QAccessible::Button) {}
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name)
            return numeral()->text();
        if (kind == QAccessible::Description)
            return QStringLiteral("Left click: hour %1; right click: minute %2")
                .arg(numeral()->text())
                .arg(numeral()->numeral() % 12 * 5);
        return QAccessibleWidget::text(kind);
    }
    QStringList actionNames() const override { return {pressAction(), SetMinutesAction}; }
    void doAction(const QString& action) override {
        if (action == pressAction())
            Q_EMIT numeral()->pressed(numeral()->numeral(), Qt::LeftButton);
        else if (action == SetMinutesAction)
            Q_EMIT numeral()->pressed(numeral()->numeral(), Qt::RightButton);
    }

private:
    TClockNumeral* numeral() const { return static_cast<TClockNumeral*>(widget()); }
};

QAccessibleInterface* clockAccessibility(const QString&, QObject* object) {
    if (auto* hands = qobject_cast<TClockHands*>(object))
        return new ClockHandsAccessible(hands);
    if (auto* numeral = qobject_cast<TClockNumeral*>(object))
        return new ClockNumeralAccessible(numeral);
    return nullptr;
}

void installClockAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&clockAccessibility);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

// --- Clock face ---------------------------------------------------------------------

QImage ClockFacePicture() {
    QImage picture(100, 100, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(64, 64, 64), 2));
    painter.setBrush(QColor(255, 250, 235));
    painter.drawEllipse(QRectF(2, 2, 96, 96));
    painter.translate(50, 50);
    for (int minute = 0; minute < 60; ++minute) {
        const bool hourMark = minute % 5 == 0;
        painter.setPen(QPen(Qt::black, hourMark ? 2.0 : 0.8));
        painter.drawLine(QPointF(0, hourMark ? -41 : -44), QPointF(0, -46));
        painter.rotate(6);
    }
    return picture;
}

TClockHands::TClockHands(TfUra* form, QWidget* parent) : QWidget(parent), form_(form) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TClockHands::paintEvent(QPaintEvent*) {
    form_->PlaceNumerals();
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QPoint centre = form_->Centre();
    painter.setPen(QPen(Qt::black, 4));
    painter.drawLine(centre, form_->HourHandEnd());
    painter.setPen(QPen(Qt::black, 2));
    painter.drawLine(centre, form_->MinuteHandEnd());
}

TClockNumeral::TClockNumeral(int numeral, QWidget* parent)
    : QLabel(QString::number(numeral), parent), numeral_(numeral) {
    setObjectName(QStringLiteral("Label%1").arg(numeral));
    setAlignment(Qt::AlignCenter);
    setFont(PopupFont(12, true, true, QStringLiteral("Tahoma")));
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, QColor(128, 0, 0));
    setPalette(colours);
    resize(18, 19);
}

void TClockNumeral::mousePressEvent(QMouseEvent* event) {
    Q_EMIT pressed(numeral_, event->button());
    event->accept();
}

// --- Form ---------------------------------------------------------------------------

TfUra::TfUra(QWidget* parent) : QDialog(parent) {
    installClockAccessibility();
    platform::setComponentName(this, QStringLiteral("fUra"));
    setWindowTitle(QStringLiteral("fUra"));
    setFont(PopupFont(13, false, false, QStringLiteral("System")));
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, ActiveCaptionColour);
    setPalette(colours);
    createClock();
    createHalfOfDay();
    createFields();
    setFixedSize(ClientWidth, ClientHeight);
    FormCreate();
}

void TfUra::FormCreate() {
    DialHour = 12;
    Minute = 0;
    Second = 0;
}

void TfUra::createHalfOfDay() {
    Panel2 = panel(this, "Panel2");
    const QFont font = PopupFont(11);
    rbDay = new QRadioButton(QStringLiteral("6-18"), Panel2);
    platform::addComponent(this, rbDay, QStringLiteral("rbDay"));
    rbDay->setGeometry(5, 2, 43, 17);
    rbDay->setChecked(true);
    rbNight = new QRadioButton(QStringLiteral("18-6"), Panel2);
    platform::addComponent(this, rbNight, QStringLiteral("rbNight"));
    rbNight->setGeometry(85, 2, 43, 17);
    for (QRadioButton* choice : {rbDay, rbNight}) {
        choice->setFont(font);
        choice->adjustSize();
        choice->resize(std::max(choice->width(), 43), 17);
        connect(choice, &QRadioButton::clicked, this, &TfUra::rbDayClick);
    }
}

QSpinBox* TfUra::createSpin(const char* name, QRect geometry, int maximum) {
    auto* spin = new QSpinBox(Panel1);
    platform::addComponent(this, spin, QString::fromLatin1(name));
    spin->setGeometry(geometry);
    spin->setRange(0, maximum);
    spin->setFont(PopupFont(13));
    spin->setFrame(false);
    spin->setAccessibleName(QString::fromLatin1(name));
    connect(spin, &QSpinBox::valueChanged, this, &TfUra::seUraChange);
    return spin;
}

void TfUra::createFields() {
    Panel1 = panel(this, "Panel1");
    seUra = createSpin("seUra", {1, 11, 37, 26}, 23);
    seMinuta = createSpin("seMinuta", {40, 11, 37, 26}, 59);
    BitBtn1 =
        platform::addComponent(this, new platform::TBitBtn(Panel1), QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(119, 10, 39, 56);
    BitBtn1->setDefault(true);
    SetGlyphButton(BitBtn1, OkGlyph(), QStringLiteral("OK"));
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    seSekunda = createSpin("seSekunda", {80, 11, 37, 26}, 59);
    seMilisek = createSpin("seMilisek", {40, 41, 77, 26}, 999);
    seUra->setAccessibleName(QStringLiteral("Ure"));
    seMinuta->setAccessibleName(QStringLiteral("Minute"));
    seSekunda->setAccessibleName(QStringLiteral("Sekunde"));
    seMilisek->setAccessibleName(QStringLiteral("Milisekunde"));
}

void TfUra::createClock() {
    imgUra = new QLabel(this);
    platform::addComponent(this, imgUra, QStringLiteral("imgUra"));
    imgUra->setPixmap(QPixmap::fromImage(ClockFacePicture()));
    imgUra->setScaledContents(true);
    pbUra = new TClockHands(this, this);
    platform::addComponent(this, pbUra, QStringLiteral("pbUra"));
    for (int numeral = 1; numeral <= 12; ++numeral) {
        auto* label = new TClockNumeral(numeral, this);
        platform::registerComponent(this, label);
        platform::setTag(label, numeral);
        connect(label, &TClockNumeral::pressed, this, &TfUra::Label12MouseDown);
        Labels[numeral - 1] = label;
    }
}

void TfUra::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Panel2->setGeometry(0, 0, width(), TopPanelHeight);
    Panel1->setGeometry(0, height() - BottomPanelHeight, width(), BottomPanelHeight);
    const QRect face(0, TopPanelHeight, width(), height() - TopPanelHeight - BottomPanelHeight);
    imgUra->setGeometry(face);
    pbUra->setGeometry(face);
    PlaceNumerals();
}

// --- Execute and the dial -----------------------------------------------------------

bool TfUra::Execute(platform::TDateTime& time, bool showMilliseconds) {
    if (!showMilliseconds)
        seMilisek->hide();
    const platform::TimeParts parts = platform::decodeTime(time);
    Millisecond = static_cast<quint16>(parts.msec);
    TakeTime(parts.hour, parts.minute, parts.second);
    PutTimeToFields();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    if (exec() != QDialog::Accepted)
        return false;
    time = platform::encodeTime(seUra->value(), seMinuta->value(), seSekunda->value(),
                                seMilisek->value());
    return true;
}

void TfUra::TakeTime(int h, int m, int s) {
    DialHour = static_cast<quint16>(h < 12 ? h : h - 12);
    Minute = static_cast<quint16>(m);
    Second = static_cast<quint16>(s);
    const bool night = h < 6 || h > 17;
    rbNight->setChecked(night);
    rbDay->setChecked(!night);
}

void TfUra::PutTimeToFields() {
    const QScopedValueRollback<bool> updating(Updating, true);
    const int dial = DialHour;
    if (rbDay->isChecked())
        seUra->setValue(dial >= 6 ? dial : dial + 12);
    else
        seUra->setValue(dial >= 6 ? dial + 12 : dial);
    seMinuta->setValue(Minute);
    seSekunda->setValue(Second);
    seMilisek->setValue(Millisecond);
}

void TfUra::seUraChange() {
    if (Updating)
        return;
    TakeTime(seUra->value(), seMinuta->value(), seSekunda->value());
    pbUra->update();
}

void TfUra::rbDayClick() {
    PutTimeToFields();
}

void TfUra::Label12MouseDown(int numeral, Qt::MouseButton button) {
    if (button == Qt::LeftButton)
        DialHour = static_cast<quint16>(numeral % 12);
    else if (button == Qt::RightButton)
        Minute = static_cast<quint16>(numeral % 12 * 5);
    else
        return;
    pbUra->update();
    PutTimeToFields();
}

void TfUra::measureDial() {
    CentreX = pbUra->width() / 2 - 1;
    CentreY = pbUra->height() / 2 - 1;
    ScaleX = CentreX / 78.0;
    ScaleY = CentreY / 68.0;
}

void TfUra::PlaceNumerals() {
    measureDial();
    for (int k = 1; k <= 12; ++k) {
        double x = 0;
        double y = 0;
        controls::PolarToXY((k - 3) * Pi / 6, 40, x, y);
        Labels[k - 1]->move(CentreX + static_cast<int>(std::lround(x * ScaleX)) + NumeralDx[k - 1],
                            CentreY + static_cast<int>(std::lround(y * ScaleY)) + NumeralDy[k - 1]);
    }
}

QPoint TfUra::handEnd(double angle, double radius) const {
    double x = 0;
    double y = 0;
    controls::PolarToXY(angle, radius, x, y);
    return {CentreX + static_cast<int>(std::trunc(x * ScaleX)),
            CentreY + static_cast<int>(std::trunc(y * ScaleY))};
}

QPoint TfUra::HourHandEnd() const {
    return handEnd((DialHour * 60 + Minute) * Pi / 360 - Pi / 2, 35);
}

QPoint TfUra::MinuteHandEnd() const {
    return handEnd(Minute * Pi / 30 - Pi / 2, 60);
}

} // namespace entry
