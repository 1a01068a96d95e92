#include "entry/Ura.h"
#include "platform/DateTime.h"

#include <QAccessible>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <functional>

using platform::encodeTime;
using platform::TDateTime;

namespace {

// Runs the steps inside the modal loop of the dialog that Execute opens (none of these
// tests waits on a person), then lets Execute finish.
void whileShown(const std::function<void()>& steps) {
    QTimer::singleShot(0, steps);
}

QPoint centreOf(const QWidget* widget) {
    return widget->rect().center();
}

} // namespace

class PopupTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void timePickerRoundTripsADayTime();
    void timePickerHalfOfTheDay();
    void timePickerNumeralsSetHourAndMinutes();
    void timePickerTypedHourMovesTheDial();
    void timePickerHiddenMillisecondsStillReturned();
    void timePickerClosingCancels();
    void timePickerNumeralsAreButtonsForAssistiveTools();
};

void PopupTest::timePickerRoundTripsADayTime() {
    entry::TfUra ura;
    TDateTime time = 45000 + encodeTime(14, 35, 20, 250);
    bool shownRight = false;
    whileShown([&] {
        shownRight = ura.rbDay->isChecked() && ura.seUra->value() == 14 &&
                     ura.seMinuta->value() == 35 && ura.seSekunda->value() == 20 &&
                     ura.seMilisek->value() == 250;
        // The hour hand between the 2 and the 3 (right and up), the minute hand on the 7
        // (left of the bottom).
        const QPoint hour = ura.HourHandEnd() - ura.Centre();
        const QPoint minute = ura.MinuteHandEnd() - ura.Centre();
        shownRight = shownRight && hour.x() > 0 && hour.y() < 0 && -hour.y() < hour.x() &&
                     minute.x() < 0 && minute.y() > -minute.x() && minute.y() < -3 * minute.x();
        ura.BitBtn1->click();
    });
    QVERIFY(ura.Execute(time, true));
    QVERIFY(shownRight);
    QCOMPARE(time, encodeTime(14, 35, 20, 250));
}

void PopupTest::timePickerHalfOfTheDay() {
    entry::TfUra ura;
    TDateTime time = encodeTime(5, 10, 0, 0);
    bool night = false;
    whileShown([&] {
        night = ura.rbNight->isChecked() && !ura.rbDay->isChecked();
        QTest::mouseClick(ura.rbDay, Qt::LeftButton, {}, QPoint(5, 8));
        ura.BitBtn1->click();
    });
    QVERIFY(ura.Execute(time, true));
    QVERIFY(night);
    QCOMPARE(ura.seUra->value(), 17);
    QCOMPARE(time, encodeTime(17, 10, 0, 0));
}

void PopupTest::timePickerNumeralsSetHourAndMinutes() {
    entry::TfUra ura;
    TDateTime time = encodeTime(9, 20, 33, 0);
    whileShown([&] {
        QTest::mouseClick(ura.Labels[11], Qt::LeftButton, {}, centreOf(ura.Labels[11]));
        QCOMPARE(ura.seUra->value(), 12);
        ura.rbNight->click();
        QTest::mouseClick(ura.Labels[11], Qt::LeftButton, {}, centreOf(ura.Labels[11]));
        QCOMPARE(ura.seUra->value(), 0);
        QTest::mouseClick(ura.Labels[2], Qt::RightButton, {}, centreOf(ura.Labels[2]));
        QCOMPARE(ura.seMinuta->value(), 15);
        QTest::mouseClick(ura.Labels[11], Qt::RightButton, {}, centreOf(ura.Labels[11]));
        QCOMPARE(ura.seMinuta->value(), 0);
        QTest::mouseClick(ura.Labels[2], Qt::MiddleButton, {}, centreOf(ura.Labels[2]));
        QCOMPARE(ura.seMinuta->value(), 0);
        QCOMPARE(ura.seSekunda->value(), 33);
        ura.BitBtn1->click();
    });
    QVERIFY(ura.Execute(time, true));
    QCOMPARE(time, encodeTime(0, 0, 33, 0));
}

void PopupTest::timePickerTypedHourMovesTheDial() {
    entry::TfUra ura;
    TDateTime time = encodeTime(10, 0, 0, 0);
    QPoint hourHand;
    whileShown([&] {
        ura.seUra->setFocus();
        ura.seUra->selectAll();
        QTest::keyClicks(ura.seUra, QStringLiteral("19"));
        hourHand = ura.HourHandEnd() - ura.Centre();
        ura.BitBtn1->click();
    });
    QVERIFY(ura.Execute(time, true));
    QVERIFY(ura.rbNight->isChecked());
    QCOMPARE(ura.DialHour, 7);
    // The 7 lies left of the bottom of the dial.
    QVERIFY(hourHand.x() < 0 && hourHand.y() > 0);
    QCOMPARE(time, encodeTime(19, 0, 0, 0));
}

void PopupTest::timePickerHiddenMillisecondsStillReturned() {
    entry::TfUra ura;
    TDateTime time = encodeTime(8, 1, 2, 345);
    bool hidden = false;
    whileShown([&] {
        hidden = ura.seMilisek->isHidden();
        ura.BitBtn1->click();
    });
    QVERIFY(ura.Execute(time, false));
    QVERIFY(hidden);
    QCOMPARE(time, encodeTime(8, 1, 2, 345));
    // Hidden for good, also when a later call asks for milliseconds.
    whileShown([&] {
        hidden = ura.seMilisek->isHidden();
        ura.BitBtn1->click();
    });
    QVERIFY(ura.Execute(time, true));
    QVERIFY(hidden);
}

void PopupTest::timePickerClosingCancels() {
    entry::TfUra ura;
    const TDateTime before = encodeTime(12, 30, 0, 0);
    TDateTime time = before;
    whileShown([&] {
        ura.seUra->setValue(3);
        ura.close();
    });
    QVERIFY(!ura.Execute(time, true));
    QCOMPARE(time, before);
}

void PopupTest::timePickerNumeralsAreButtonsForAssistiveTools() {
    entry::TfUra ura;
    ura.show();
    QAccessibleInterface* numeral = QAccessible::queryAccessibleInterface(ura.Labels[2]);
    QVERIFY(numeral);
    QCOMPARE(numeral->role(), QAccessible::Button);
    QCOMPARE(numeral->text(QAccessible::Name), QStringLiteral("3"));
    QAccessibleActionInterface* actions = numeral->actionInterface();
    QVERIFY(actions);
    actions->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(ura.seUra->value(), 15);
    actions->doAction(QStringLiteral("Set minutes"));
    QCOMPARE(ura.seMinuta->value(), 15);
    QAccessibleInterface* clock = QAccessible::queryAccessibleInterface(ura.pbUra);
    QCOMPARE(clock->role(), QAccessible::Clock);
    QCOMPARE(clock->text(QAccessible::Value), QStringLiteral("03:15"));
    QCOMPARE(QAccessible::queryAccessibleInterface(ura.BitBtn1)->text(QAccessible::Name),
             QStringLiteral("OK"));
}

QTEST_MAIN(PopupTest)
#include "tst_popups.moc"
