#include "entry/Uncalc.h"
#include "entry/Ura.h"
#include "platform/DateTime.h"
#include "platform/MessageBox.h"
#include "platform/StdControls.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
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

// A calculator whose construction has finished, and a way to press its buttons by the
// characters they send.
struct Calculator {
    std::unique_ptr<entry::TnCalc> form = translation::TQorColorForm::create<entry::TnCalc>();
    void press(const QString& keys) {
        for (QChar key : keys) {
            QAbstractButton* button = buttonFor(key);
            QVERIFY2(button, qPrintable(QString(key)));
            QTest::mouseClick(button, Qt::LeftButton);
        }
    }
    QAbstractButton* buttonFor(QChar key) const {
        if (key.isDigit())
            return form->sbDigits[key.digitValue()];
        switch (key.unicode()) {
        case u',':
            return form->sbDot;
        case u'B':
            return form->sbBackspace;
        case u'C':
            return form->sbEmpty;
        case u'+':
            return form->sbPlus;
        case u'-':
            return form->sbMinus;
        case u'x':
            return form->sbMultiply;
        case u'/':
            return form->sbDivide;
        case u'=':
            return form->sbEqual;
        default:
            return nullptr;
        }
    }
    // Opens the calculator on the value, presses the keys, then OK (when it can be
    // pressed) and answers what Execute answered.
    bool run(long double& value, const QString& keys, QString* shown = nullptr) {
        whileShown([&] {
            press(keys);
            if (shown)
                *shown = form->DisplayText();
            QTest::mouseClick(form->btnOk, Qt::LeftButton);
            if (form->isVisible())
                form->reject();
        });
        return form->Execute(value);
    }
};

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
    void calculatorDigitsExtendTheShownNumber();
    void calculatorEvaluatesLeftToRight();
    void calculatorCannotConfirmAHalfFinishedCalculation();
    void calculatorCommaAndBackspace();
    void calculatorDivisionByZeroKeepsItsState();
    void calculatorCancelKeepsTheValue();
    void calculatorGlyphButtonsSayWhatTheySend();
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

void PopupTest::calculatorDigitsExtendTheShownNumber() {
    Calculator calc;
    long double value = 0;
    QString shown;
    QVERIFY(calc.run(value, QStringLiteral("5"), &shown));
    QCOMPARE(shown, QStringLiteral("05"));
    QCOMPARE(static_cast<double>(value), 5.0);
    // After "=" digits are appended to the result.
    value = 0;
    QVERIFY(calc.run(value, QStringLiteral("C8=2"), &shown));
    QCOMPARE(shown, QStringLiteral("82"));
    QCOMPARE(static_cast<double>(value), 82.0);
}

void PopupTest::calculatorEvaluatesLeftToRight() {
    Calculator calc;
    long double value = 15;
    QVERIFY(calc.run(value, QStringLiteral("+5=")));
    QCOMPARE(static_cast<double>(value), 20.0);
    value = 0;
    QVERIFY(calc.run(value, QStringLiteral("C2+3x4=")));
    QCOMPARE(static_cast<double>(value), 20.0);
    value = 0;
    QString shown;
    QVERIFY(calc.run(value, QStringLiteral("C1,5x2="), &shown));
    QCOMPARE(shown, QStringLiteral("3"));
    QCOMPARE(static_cast<double>(value), 3.0);
    // Extended precision: 2^53 + 1 is kept apart from 2^53, which a double cannot do.
    value = 0;
    QVERIFY(calc.run(value, QStringLiteral("C9007199254740993-9007199254740992=")));
    QCOMPARE(static_cast<double>(value), 1.0);
}

void PopupTest::calculatorCannotConfirmAHalfFinishedCalculation() {
    Calculator calc;
    long double value = 15;
    bool okAfterPlus = true;
    bool okAfterDigit = true;
    whileShown([&] {
        calc.press(QStringLiteral("+"));
        okAfterPlus = calc.form->btnOk->isEnabled();
        QTest::mouseClick(calc.form->btnOk, Qt::LeftButton);
        calc.press(QStringLiteral("5"));
        okAfterDigit = calc.form->btnOk->isEnabled();
        QTest::keyClick(calc.form.get(), Qt::Key_Return);
        QVERIFY(calc.form->isVisible());
        calc.press(QStringLiteral("="));
        QTest::keyClick(calc.form.get(), Qt::Key_Return);
    });
    QVERIFY(calc.form->Execute(value));
    QVERIFY(!okAfterPlus);
    QVERIFY(!okAfterDigit);
    QCOMPARE(static_cast<double>(value), 20.0);
}

void PopupTest::calculatorCommaAndBackspace() {
    Calculator calc;
    long double value = 0;
    QString shown;
    QVERIFY(calc.run(value, QStringLiteral("C1,,5"), &shown));
    QCOMPARE(shown, QStringLiteral("1,5"));
    QCOMPARE(static_cast<double>(value), 1.5);
    // Backspace on an empty display does nothing; on a number it drops its last digit.
    QVERIFY(calc.run(value, QStringLiteral("CB"), &shown));
    QCOMPARE(shown, QString());
    QCOMPARE(static_cast<double>(value), 0.0);
    QVERIFY(calc.run(value, QStringLiteral("C123B"), &shown));
    QCOMPARE(shown, QStringLiteral("12"));
    QCOMPARE(static_cast<double>(value), 12.0);
    // A display of only a comma reads as some number, without an error.
    QVERIFY(calc.run(value, QStringLiteral("C,"), &shown));
    QCOMPARE(shown, QStringLiteral(","));
}

void PopupTest::calculatorDivisionByZeroKeepsItsState() {
    Calculator calc;
    QStringList errors;
    platform::ScopedMessageSink sink([&](platform::MessageKind, const QString& text) {
        errors << text;
        return platform::MessageResult::Ok;
    });
    long double value = 0;
    bool okEnabled = true;
    whileShown([&] {
        calc.press(QStringLiteral("C8/0/"));
        okEnabled = calc.form->btnOk->isEnabled();
        QCOMPARE(calc.form->DisplayText(), QStringLiteral("0"));
        QCOMPARE(calc.form->PendingOp, QLatin1Char('/'));
        QCOMPARE(static_cast<double>(calc.form->Accumulator), 8.0);
        QCOMPARE(static_cast<double>(calc.form->EntryValue), 0.0);
        QVERIFY(calc.form->StartNewEntry);
        // The calculation goes on: the next digit starts a new divisor.
        calc.press(QStringLiteral("2="));
        QTest::mouseClick(calc.form->btnOk, Qt::LeftButton);
    });
    QVERIFY(calc.form->Execute(value));
    QCOMPARE(errors, QStringList{QStringLiteral("Floating point division by zero")});
    QVERIFY(!okEnabled);
    QCOMPARE(static_cast<double>(value), 4.0);
    errors.clear();
    value = 0;
    QVERIFY(calc.run(value, QStringLiteral("C0/0=")));
    QCOMPARE(errors, QStringList{QStringLiteral("Invalid floating point operation")});
}

void PopupTest::calculatorCancelKeepsTheValue() {
    Calculator calc;
    long double value = 7;
    whileShown([&] {
        calc.press(QStringLiteral("+1="));
        QTest::mouseClick(calc.form->btnCancel, Qt::LeftButton);
    });
    QVERIFY(!calc.form->Execute(value));
    QCOMPARE(static_cast<double>(value), 7.0);
    whileShown([&] {
        calc.press(QStringLiteral("9"));
        QTest::keyClick(calc.form.get(), Qt::Key_Escape);
    });
    QVERIFY(!calc.form->Execute(value));
    QCOMPARE(static_cast<double>(value), 7.0);
}

void PopupTest::calculatorGlyphButtonsSayWhatTheySend() {
    Calculator calc;
    const QList<QPair<QAbstractButton*, QString>> expected = {{calc.form->sbPlus, "+"},
                                                              {calc.form->sbMinus, "-"},
                                                              {calc.form->sbMultiply, "x"},
                                                              {calc.form->sbDivide, "/"},
                                                              {calc.form->sbEqual, "="},
                                                              {calc.form->sbEmpty, "C"},
                                                              {calc.form->sbBackspace, "Backspace"},
                                                              {calc.form->btnOk, "OK"},
                                                              {calc.form->btnCancel, "Cancel"}};
    for (const auto& [button, purpose] : expected) {
        QCOMPARE(button->toolTip(), purpose);
        QCOMPARE(QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name), purpose);
    }
}

QTEST_MAIN(PopupTest)
#include "tst_popups.moc"
