#include "../support/FormParts.h"
#include "entry/Ukeybrd.h"
#include "entry/Ukoledar.h"
#include "entry/Uncalc.h"
#include "entry/Ura.h"
#include "platform/DateTime.h"
#include "platform/MessageBox.h"
#include "platform/StdControls.h"

#include <QAccessible>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

using platform::encodeDate;
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
    QAbstractButton* part(const QString& name) const {
        return formPart<QAbstractButton>(*form, name);
    }
    void press(const QString& keys) {
        for (QChar key : keys) {
            QAbstractButton* button = buttonFor(key);
            QVERIFY2(button, qPrintable(QString(key)));
            QTest::mouseClick(button, Qt::LeftButton);
        }
    }
    QAbstractButton* buttonFor(QChar key) const {
        if (key.isDigit())
            return part(QStringLiteral("sb%1").arg(key.digitValue()));
        switch (key.unicode()) {
        case u',':
            return part(QStringLiteral("sbDot"));
        case u'B':
            return part(QStringLiteral("sbBackspace"));
        case u'C':
            return part(QStringLiteral("sbEmpty"));
        case u'+':
            return part(QStringLiteral("sbPlus"));
        case u'-':
            return part(QStringLiteral("sbMinus"));
        case u'x':
            return part(QStringLiteral("sbMultiply"));
        case u'/':
            return part(QStringLiteral("sbDivide"));
        case u'=':
            return part(QStringLiteral("sbEqual"));
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
            QTest::mouseClick(part(QStringLiteral("btnOk")), Qt::LeftButton);
            if (form->isVisible())
                form->reject();
        });
        return form->Execute(value);
    }
};

// Clicks the item of a list box as a person would.
void clickRow(QListWidget* list, int row) {
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

QString selectedText(const QListWidget* list) {
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

// The time picker's controls, found by their component names; the twelve numerals of
// the dial in the order of their numbers.
struct PickerParts {
    explicit PickerParts(const entry::TfUra& form)
        : rbDay(formPart<QRadioButton>(form, "rbDay")),
          rbNight(formPart<QRadioButton>(form, "rbNight")),
          seUra(formPart<QSpinBox>(form, "seUra")), seMinuta(formPart<QSpinBox>(form, "seMinuta")),
          seSekunda(formPart<QSpinBox>(form, "seSekunda")),
          seMilisek(formPart<QSpinBox>(form, "seMilisek")),
          BitBtn1(formPart<QPushButton>(form, "BitBtn1")), pbUra(formPart<QWidget>(form, "pbUra")) {
        for (entry::TClockNumeral* numeral : form.findChildren<entry::TClockNumeral*>())
            Labels[numeral->numeral() - 1] = numeral;
    }
    QRadioButton* rbDay;
    QRadioButton* rbNight;
    QSpinBox* seUra;
    QSpinBox* seMinuta;
    QSpinBox* seSekunda;
    QSpinBox* seMilisek;
    QPushButton* BitBtn1;
    QWidget* pbUra;
    std::array<entry::TClockNumeral*, 12> Labels{};
};

struct Calendar {
    std::unique_ptr<entry::Tkoledar> form = translation::TQorColorForm::create<entry::Tkoledar>();
    // Opens the calendar on the date, runs the steps, then presses OK.
    bool run(TDateTime& date, const std::function<void()>& steps = {}) {
        whileShown([&] {
            if (steps)
                steps();
            QTest::mouseClick(formPart<QAbstractButton>(*form, "btnOK"), Qt::LeftButton);
        });
        return form->Execute(date);
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
    void calendarOpensOnTodayForZero();
    void calendarShowsTheDateInListsAndCaption();
    void calendarMonthOrYearWithoutTheDay();
    void calendarYearOutsideTheList();
    void calendarDayChosenInTheGrid();
    void calendarCancelAnswersFalse();
    void calendarGridCellsForAssistiveTools();
    void keyboardAppendsKeysAndBlanks();
    void keyboardBackspaceAndClear();
    void keyboardCancelKeepsTheText();
    void keyboardKeysReachableAndAccessible();
};

void PopupTest::timePickerRoundTripsADayTime() {
    entry::TfUra picker;
    const PickerParts ura(picker);
    TDateTime time = 45000 + encodeTime(14, 35, 20, 250);
    bool shownRight = false;
    whileShown([&] {
        shownRight = ura.rbDay->isChecked() && ura.seUra->value() == 14 &&
                     ura.seMinuta->value() == 35 && ura.seSekunda->value() == 20 &&
                     ura.seMilisek->value() == 250;
        // The hour hand between the 2 and the 3 (right and up), the minute hand on the 7
        // (left of the bottom).
        const QPoint hour = picker.HourHandEnd() - picker.Centre();
        const QPoint minute = picker.MinuteHandEnd() - picker.Centre();
        shownRight = shownRight && hour.x() > 0 && hour.y() < 0 && -hour.y() < hour.x() &&
                     minute.x() < 0 && minute.y() > -minute.x() && minute.y() < -3 * minute.x();
        ura.BitBtn1->click();
    });
    QVERIFY(picker.Execute(time, true));
    QVERIFY(shownRight);
    QCOMPARE(time, encodeTime(14, 35, 20, 250));
}

void PopupTest::timePickerHalfOfTheDay() {
    entry::TfUra picker;
    const PickerParts ura(picker);
    TDateTime time = encodeTime(5, 10, 0, 0);
    bool night = false;
    whileShown([&] {
        night = ura.rbNight->isChecked() && !ura.rbDay->isChecked();
        QTest::mouseClick(ura.rbDay, Qt::LeftButton, {}, QPoint(5, 8));
        ura.BitBtn1->click();
    });
    QVERIFY(picker.Execute(time, true));
    QVERIFY(night);
    QCOMPARE(ura.seUra->value(), 17);
    QCOMPARE(time, encodeTime(17, 10, 0, 0));
}

void PopupTest::timePickerNumeralsSetHourAndMinutes() {
    entry::TfUra picker;
    const PickerParts ura(picker);
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
    QVERIFY(picker.Execute(time, true));
    QCOMPARE(time, encodeTime(0, 0, 33, 0));
}

void PopupTest::timePickerTypedHourMovesTheDial() {
    entry::TfUra picker;
    const PickerParts ura(picker);
    TDateTime time = encodeTime(10, 0, 0, 0);
    QPoint hourHand;
    whileShown([&] {
        ura.seUra->setFocus();
        ura.seUra->selectAll();
        QTest::keyClicks(ura.seUra, QStringLiteral("19"));
        hourHand = picker.HourHandEnd() - picker.Centre();
        ura.BitBtn1->click();
    });
    QVERIFY(picker.Execute(time, true));
    QVERIFY(ura.rbNight->isChecked());
    QCOMPARE(picker.dialHour(), 7);
    // The 7 lies left of the bottom of the dial.
    QVERIFY(hourHand.x() < 0 && hourHand.y() > 0);
    QCOMPARE(time, encodeTime(19, 0, 0, 0));
}

void PopupTest::timePickerHiddenMillisecondsStillReturned() {
    entry::TfUra picker;
    const PickerParts ura(picker);
    TDateTime time = encodeTime(8, 1, 2, 345);
    bool hidden = false;
    whileShown([&] {
        hidden = ura.seMilisek->isHidden();
        ura.BitBtn1->click();
    });
    QVERIFY(picker.Execute(time, false));
    QVERIFY(hidden);
    QCOMPARE(time, encodeTime(8, 1, 2, 345));
    // Hidden for good, also when a later call asks for milliseconds.
    whileShown([&] {
        hidden = ura.seMilisek->isHidden();
        ura.BitBtn1->click();
    });
    QVERIFY(picker.Execute(time, true));
    QVERIFY(hidden);
}

void PopupTest::timePickerClosingCancels() {
    entry::TfUra picker;
    const PickerParts ura(picker);
    const TDateTime before = encodeTime(12, 30, 0, 0);
    TDateTime time = before;
    whileShown([&] {
        ura.seUra->setValue(3);
        picker.close();
    });
    QVERIFY(!picker.Execute(time, true));
    QCOMPARE(time, before);
}

void PopupTest::timePickerNumeralsAreButtonsForAssistiveTools() {
    entry::TfUra picker;
    const PickerParts ura(picker);
    picker.show();
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
        okAfterPlus = calc.part(QStringLiteral("btnOk"))->isEnabled();
        QTest::mouseClick(calc.part(QStringLiteral("btnOk")), Qt::LeftButton);
        calc.press(QStringLiteral("5"));
        okAfterDigit = calc.part(QStringLiteral("btnOk"))->isEnabled();
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
        okEnabled = calc.part(QStringLiteral("btnOk"))->isEnabled();
        QCOMPARE(calc.form->DisplayText(), QStringLiteral("0"));
        QCOMPARE(calc.form->pendingOperator(), QLatin1Char('/'));
        QCOMPARE(static_cast<double>(calc.form->accumulator()), 8.0);
        QCOMPARE(static_cast<double>(calc.form->entryValue()), 0.0);
        QVERIFY(calc.form->startsNewEntry());
        // The calculation goes on: the next digit starts a new divisor.
        calc.press(QStringLiteral("2="));
        QTest::mouseClick(calc.part(QStringLiteral("btnOk")), Qt::LeftButton);
    });
    QVERIFY(calc.form->Execute(value));
    QCOMPARE(errors, QStringList{QStringLiteral("Floating point division by zero")});
    QVERIFY(!okEnabled);
    QCOMPARE(static_cast<double>(value), 4.0);
    errors.clear();
    value = 0;
    QVERIFY(calc.run(value, QStringLiteral("C0/0=")));
    QCOMPARE(errors, QStringList{QStringLiteral("Invalid floating point operation")});
    // Squaring 10^10 again and again leaves the range of the type: an error, not "inf".
    errors.clear();
    QString shown;
    QVERIFY(calc.run(value, QStringLiteral("C9999999999xxxxxxxxxxx="), &shown));
    QVERIFY(!errors.isEmpty());
    QCOMPARE(errors.count(QStringLiteral("Floating point overflow")), errors.size());
    QVERIFY(!shown.contains(QStringLiteral("inf"), Qt::CaseInsensitive));
}

void PopupTest::calculatorCancelKeepsTheValue() {
    Calculator calc;
    long double value = 7;
    whileShown([&] {
        calc.press(QStringLiteral("+1="));
        QTest::mouseClick(calc.part(QStringLiteral("btnCancel")), Qt::LeftButton);
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
    const QList<QPair<QAbstractButton*, QString>> expected = {
        {calc.part(QStringLiteral("sbPlus")), "+"},
        {calc.part(QStringLiteral("sbMinus")), "-"},
        {calc.part(QStringLiteral("sbMultiply")), "x"},
        {calc.part(QStringLiteral("sbDivide")), "/"},
        {calc.part(QStringLiteral("sbEqual")), "="},
        {calc.part(QStringLiteral("sbEmpty")), "C"},
        {calc.part(QStringLiteral("sbBackspace")), "Backspace"},
        {calc.part(QStringLiteral("btnOk")), "OK"},
        {calc.part(QStringLiteral("btnCancel")), "Cancel"}};
    for (const auto& [button, purpose] : expected) {
        QCOMPARE(button->toolTip(), purpose);
        QCOMPARE(QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name), purpose);
    }
}

void PopupTest::calendarOpensOnTodayForZero() {
    Calendar calendar;
    QCOMPARE(calendar.form->windowTitle(), QStringLiteral("Koledar"));
    TDateTime date = 0;
    QString caption;
    QVERIFY(calendar.run(
        date, [&] { caption = formPart<QAbstractButton>(*calendar.form, "btnOK")->text(); }));
    QCOMPARE(date, platform::today());
    QCOMPARE(caption, QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
}

void PopupTest::calendarShowsTheDateInListsAndCaption() {
    Calendar calendar;
    TDateTime date = encodeDate(2021, 6, 15) + encodeTime(10, 30, 0, 0);
    QString month, year, caption;
    bool gridFocused = false;
    QVERIFY(calendar.run(date, [&] {
        month = selectedText(formPart<QListWidget>(*calendar.form, "mesec"));
        year = selectedText(formPart<QListWidget>(*calendar.form, "leto"));
        caption = formPart<QAbstractButton>(*calendar.form, "btnOK")->text();
        gridFocused = calendar.form->focusWidget() ==
                      formPart<entry::TCalendarGrid>(*calendar.form, "koledar");
    }));
    QCOMPARE(month, QStringLiteral("Junij"));
    QCOMPARE(year, QStringLiteral("2021"));
    QCOMPARE(caption, QStringLiteral("15.06.2021"));
    QVERIFY(gridFocused);
    QCOMPARE(date, encodeDate(2021, 6, 15));
}

void PopupTest::calendarMonthOrYearWithoutTheDay() {
    Calendar calendar;
    TDateTime date = encodeDate(2021, 1, 31);
    QVERIFY(
        calendar.run(date, [&] { clickRow(formPart<QListWidget>(*calendar.form, "mesec"), 1); }));
    QCOMPARE(date, encodeDate(2021, 2, 28));
    // The day becomes 28, not the last day of the new month.
    date = encodeDate(2021, 3, 31);
    QVERIFY(
        calendar.run(date, [&] { clickRow(formPart<QListWidget>(*calendar.form, "mesec"), 3); }));
    QCOMPARE(date, encodeDate(2021, 4, 28));
    // A leap day becomes 28 February, also in another leap year.
    date = encodeDate(2020, 2, 29);
    QString caption;
    QVERIFY(calendar.run(date, [&] {
        clickRow(formPart<QListWidget>(*calendar.form, "leto"), 2024 - entry::FirstYear);
        caption = formPart<QAbstractButton>(*calendar.form, "btnOK")->text();
    }));
    QCOMPARE(caption, QStringLiteral("28.02.2024"));
    QCOMPARE(date, encodeDate(2024, 2, 28));
}

void PopupTest::calendarYearOutsideTheList() {
    Calendar calendar;
    TDateTime date = encodeDate(1975, 5, 3);
    QString year = QStringLiteral("none read");
    QString caption;
    QVERIFY(calendar.run(date, [&] {
        year = selectedText(formPart<QListWidget>(*calendar.form, "leto"));
        caption = formPart<QAbstractButton>(*calendar.form, "btnOK")->text();
    }));
    QCOMPARE(year, QString());
    QCOMPARE(caption, QStringLiteral("03.05.1975"));
    QCOMPARE(date, encodeDate(1975, 5, 3));
    QVERIFY(
        calendar.run(date, [&] { clickRow(formPart<QListWidget>(*calendar.form, "leto"), 0); }));
    QCOMPARE(date, encodeDate(1980, 5, 3));
}

void PopupTest::calendarDayChosenInTheGrid() {
    Calendar calendar;
    TDateTime date = encodeDate(2021, 6, 15);
    QString caption;
    QVERIFY(calendar.run(date, [&] {
        entry::TCalendarGrid* grid = formPart<entry::TCalendarGrid>(*calendar.form, "koledar");
        QTest::mouseClick(grid, Qt::LeftButton, {}, grid->DayCellRect(3).center());
        QTest::keyClick(grid, Qt::Key_Down); // a week later
        caption = formPart<QAbstractButton>(*calendar.form, "btnOK")->text();
    }));
    QCOMPARE(caption, QStringLiteral("10.06.2021"));
    QCOMPARE(date, encodeDate(2021, 6, 10));
    // 1 June 2021 is a Tuesday: the second column of the first week.
    QCOMPARE(formPart<entry::TCalendarGrid>(*calendar.form, "koledar")->DayAt(1, 1), 1);
    QCOMPARE(formPart<entry::TCalendarGrid>(*calendar.form, "koledar")->DayAt(1, 0), 0);
    // Enter confirms from the grid.
    whileShown([&] {
        QTest::keyClick(formPart<entry::TCalendarGrid>(*calendar.form, "koledar"), Qt::Key_Right);
        QTest::keyClick(formPart<entry::TCalendarGrid>(*calendar.form, "koledar"), Qt::Key_Return);
    });
    QVERIFY(calendar.form->Execute(date));
    QCOMPARE(date, encodeDate(2021, 6, 11));
}

void PopupTest::calendarCancelAnswersFalse() {
    Calendar calendar;
    const TDateTime before = encodeDate(2022, 8, 1);
    TDateTime date = before;
    whileShown([&] {
        clickRow(formPart<QListWidget>(*calendar.form, "mesec"), 0);
        QTest::mouseClick(formPart<QAbstractButton>(*calendar.form, "btnCancel"), Qt::LeftButton);
    });
    QVERIFY(!calendar.form->Execute(date));
    QCOMPARE(date, before);
    whileShown([&] {
        QTest::keyClick(formPart<entry::TCalendarGrid>(*calendar.form, "koledar"), Qt::Key_Escape);
    });
    QVERIFY(!calendar.form->Execute(date));
    QCOMPARE(date, before);
}

void PopupTest::calendarGridCellsForAssistiveTools() {
    Calendar calendar;
    TDateTime date = encodeDate(2021, 2, 14);
    calendar.form->show();
    formPart<entry::TCalendarGrid>(*calendar.form, "koledar")->setMonth(2);
    formPart<entry::TCalendarGrid>(*calendar.form, "koledar")->setYear(2021);
    formPart<entry::TCalendarGrid>(*calendar.form, "koledar")->setDay(14);
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(
        formPart<entry::TCalendarGrid>(*calendar.form, "koledar"));
    QCOMPARE(grid->role(), QAccessible::Table);
    QCOMPARE(grid->childCount(), 7 + 28);
    QCOMPARE(grid->child(3)->text(QAccessible::Name), QStringLiteral("\u010cet"));
    QCOMPARE(grid->child(3)->role(), QAccessible::ColumnHeader);
    QAccessibleInterface* day14 = grid->child(7 + 13);
    QCOMPARE(day14->text(QAccessible::Name), QStringLiteral("14"));
    QVERIFY(day14->state().selected);
    QCOMPARE(grid->indexOfChild(day14), 7 + 13);
    QAccessibleInterface* day20 = grid->child(7 + 19);
    day20->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(formPart<QAbstractButton>(*calendar.form, "btnOK")->text(),
             QStringLiteral("20.02.2021"));
    QVERIFY(day20->state().selected && !day14->state().selected);
    QCOMPARE(grid->childAt(day20->rect().center().x(), day20->rect().center().y()), day20);
    calendar.form->hide();
    Q_UNUSED(date);
    QCOMPARE(formPart<QAbstractButton>(*calendar.form, "btnOK")->toolTip(), QStringLiteral("OK"));
    QCOMPARE(formPart<QAbstractButton>(*calendar.form, "btnCancel")->toolTip(),
             QStringLiteral("Cancel"));
}

namespace {

// Clicks the key with that text in any grid of the keyboard.
void clickKey(entry::TfKeyboard& keyboard, const QString& key) {
    for (entry::TKeyGrid* grid :
         {formPart<entry::TKeyGrid>(keyboard, "sgTop"), formPart<entry::TKeyGrid>(keyboard, "sgQ"),
          formPart<entry::TKeyGrid>(keyboard, "sgA"), formPart<entry::TKeyGrid>(keyboard, "sgZ"),
          formPart<entry::TKeyGrid>(keyboard, "sgBrace"),
          formPart<entry::TKeyGrid>(keyboard, "sgNumeric")})
        for (int row = 0; row < grid->RowCount(); ++row)
            for (int column = 0; column < grid->ColCount(); ++column)
                if (grid->Cell(column, row) == key) {
                    QTest::mouseClick(grid, Qt::LeftButton, {},
                                      grid->CellRect(column, row).center());
                    return;
                }
    QFAIL(qPrintable(QStringLiteral("no key ") + key));
}

} // namespace

void PopupTest::keyboardAppendsKeysAndBlanks() {
    auto keyboard = translation::TQorColorForm::create<entry::TfKeyboard>();
    QString text = QStringLiteral("ABC");
    QString shown;
    whileShown([&] {
        shown = formPart<QLineEdit>(*keyboard, "Edit1")->text();
        formPart<QLineEdit>(*keyboard, "Edit1")
            ->setCursorPosition(0); // keys go to the end wherever the caret is
        clickKey(*keyboard, QStringLiteral("\u0160"));
        QTest::mouseClick(formPart<entry::TSpaceBar>(*keyboard, "Edit2"), Qt::LeftButton);
        clickKey(*keyboard, QStringLiteral("\u017d"));
        clickKey(*keyboard, QStringLiteral("\u017d")); // the chosen key again
        clickKey(*keyboard, QStringLiteral("\""));
        QTest::keyClick(formPart<entry::TKeyGrid>(*keyboard, "sgNumeric"),
                        Qt::Key_Right); // moving within a grid
        QTest::mouseClick(formPart<QAbstractButton>(*keyboard, "BitBtn1"), Qt::LeftButton);
    });
    QVERIFY(keyboard->Execute(text));
    QCOMPARE(shown, QStringLiteral("ABC"));
    QCOMPARE(text, QStringLiteral("ABC\u0160 \u017d\u017d\"8"));
}

void PopupTest::keyboardBackspaceAndClear() {
    auto keyboard = translation::TQorColorForm::create<entry::TfKeyboard>();
    QString text;
    QString afterBackspace;
    whileShown([&] {
        QTest::mouseClick(formPart<QToolButton>(*keyboard, "SpeedButton2"), Qt::LeftButton);
        afterBackspace = formPart<QLineEdit>(*keyboard, "Edit1")->text();
        clickKey(*keyboard, QStringLiteral("Q"));
        clickKey(*keyboard, QStringLiteral("7"));
        QTest::mouseClick(formPart<QToolButton>(*keyboard, "SpeedButton2"), Qt::LeftButton);
        QTest::keyClick(formPart<QLineEdit>(*keyboard, "Edit1"), Qt::Key_Return);
    });
    QVERIFY(keyboard->Execute(text));
    QCOMPARE(afterBackspace, QString());
    QCOMPARE(text, QStringLiteral("Q"));
    whileShown([&] {
        QTest::keyClicks(formPart<QLineEdit>(*keyboard, "Edit1"), QStringLiteral("lower"));
        QTest::mouseClick(formPart<QToolButton>(*keyboard, "SpeedButton1"), Qt::LeftButton);
        QTest::mouseClick(formPart<QAbstractButton>(*keyboard, "BitBtn1"), Qt::LeftButton);
    });
    QVERIFY(keyboard->Execute(text));
    QCOMPARE(text, QString());
}

void PopupTest::keyboardCancelKeepsTheText() {
    auto keyboard = translation::TQorColorForm::create<entry::TfKeyboard>();
    QString text = QStringLiteral("Stays");
    whileShown([&] {
        clickKey(*keyboard, QStringLiteral("X"));
        QTest::mouseClick(formPart<QToolButton>(*keyboard, "SpeedButton1"), Qt::LeftButton);
        QTest::mouseClick(formPart<QAbstractButton>(*keyboard, "BitBtn2"), Qt::LeftButton);
    });
    QVERIFY(!keyboard->Execute(text));
    QCOMPARE(text, QStringLiteral("Stays"));
    whileShown([&] {
        clickKey(*keyboard, QStringLiteral("X"));
        QTest::keyClick(formPart<QLineEdit>(*keyboard, "Edit1"), Qt::Key_Escape);
    });
    QVERIFY(!keyboard->Execute(text));
    QCOMPARE(text, QStringLiteral("Stays"));
}

void PopupTest::keyboardKeysReachableAndAccessible() {
    auto keyboard = translation::TQorColorForm::create<entry::TfKeyboard>();
    keyboard->show();
    // Every key lies inside its grid, so that the mouse reaches it.
    for (entry::TKeyGrid* grid :
         {formPart<entry::TKeyGrid>(*keyboard, "sgTop"),
          formPart<entry::TKeyGrid>(*keyboard, "sgQ"), formPart<entry::TKeyGrid>(*keyboard, "sgA"),
          formPart<entry::TKeyGrid>(*keyboard, "sgZ"),
          formPart<entry::TKeyGrid>(*keyboard, "sgBrace"),
          formPart<entry::TKeyGrid>(*keyboard, "sgNumeric")})
        for (int row = 0; row < grid->RowCount(); ++row)
            for (int column = 0; column < grid->ColCount(); ++column)
                QVERIFY2(grid->rect().contains(grid->CellRect(column, row)),
                         qPrintable(grid->objectName() + grid->Cell(column, row)));
    QCOMPARE(formPart<entry::TKeyGrid>(*keyboard, "sgA")->Cell(9, 0), QStringLiteral("\u0160"));
    QCOMPARE(formPart<entry::TKeyGrid>(*keyboard, "sgZ")->Cell(7, 0), QStringLiteral("\u010c"));
    QCOMPARE(formPart<entry::TKeyGrid>(*keyboard, "sgBrace")->Cell(1, 3), QStringLiteral("\\"));
    QCOMPARE(formPart<entry::TKeyGrid>(*keyboard, "sgNumeric")->Cell(3, 3), QStringLiteral("/"));
    QAccessibleInterface* grid =
        QAccessible::queryAccessibleInterface(formPart<entry::TKeyGrid>(*keyboard, "sgQ"));
    QCOMPARE(grid->role(), QAccessible::Table);
    QCOMPARE(grid->childCount(), 11);
    QAccessibleInterface* key = grid->child(10);
    QCOMPARE(key->role(), QAccessible::Button);
    QCOMPARE(key->text(QAccessible::Name), QStringLiteral("\u017d"));
    key->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(formPart<QLineEdit>(*keyboard, "Edit1")->text(), QStringLiteral("\u017d"));
    for (const auto& [button, purpose] : QList<QPair<QAbstractButton*, QString>>{
             {formPart<QToolButton>(*keyboard, "SpeedButton2"), "Backspace"},
             {formPart<QToolButton>(*keyboard, "SpeedButton1"), "Clear"},
             {formPart<QAbstractButton>(*keyboard, "BitBtn1"), "OK"},
             {formPart<QAbstractButton>(*keyboard, "BitBtn2"), "Cancel"}}) {
        QCOMPARE(button->toolTip(), purpose);
        QCOMPARE(QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name), purpose);
    }
    keyboard->hide();
}

QTEST_MAIN(PopupTest)
#include "tst_popups.moc"
