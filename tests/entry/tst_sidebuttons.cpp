#include "../support/FormParts.h"
#include "../support/NextDialog.h"

#include "controls/Uddbtn.h"
#include "entry/PopupInstance.h"
#include "entry/UTypedEd.h"
#include "entry/Ukeybrd.h"
#include "entry/Ukoledar.h"
#include "entry/Uncalc.h"
#include "entry/Ura.h"
#include "platform/DateTime.h"
#include "platform/FormatSettings.h"
#include "platform/StdControls.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

using db::FieldType;
using entry::TTypedEdit;
using platform::encodeDate;
using platform::encodeTime;

namespace {

// A shown window with typed edits placed by hand (side buttons go to their right) and a
// plain edit to move the focus to.
class Form : public QWidget {
public:
    Form() {
        resize(400, 200);
        elsewhere = new QLineEdit(this);
        elsewhere->setGeometry(10, 160, 100, 20);
    }
    TTypedEdit* add(FieldType type, int top) {
        auto* edit = new TTypedEdit(this);
        edit->setDataType(type);
        edit->setGeometry(10, top, 150, 20);
        edit->Loaded();
        return edit;
    }
    bool showActive() {
        show();
        activateWindow();
        return QTest::qWaitForWindowActive(this);
    }
    QLineEdit* elsewhere = nullptr;
};

controls::TStdBtn* toolButton() {
    return controls::StdButton(2);
}

controls::TStdBtn* clearButton() {
    return controls::StdButton(1);
}

} // namespace

class SideButtonTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void sideButtonsFollowTheFocus();
    void sideButtonsEnabledAndGlyphs();
    void sideButtonsOutliveAClosedWindow();
    void sideButtonsGoToTheActivatedWindow();
    void narrowForButtons();
    void enterOnAStringFieldOpensNothing();
    void floatFieldOpensTheCalculator();
    void dateFieldOpensTheCalendar();
    void midnightFromTheTimePickerIsNull();
    void dateTimeFieldOpensCalendarThenTimePicker();
    void cancellingKeepsTheValue();
    void zoomReplacesTheTool();

private:
    std::unique_ptr<controls::StdButtonsScope> pool_;
};

void SideButtonTest::initTestCase() {
    pool_ = std::make_unique<controls::StdButtonsScope>();
}

void SideButtonTest::cleanupTestCase() {
    entry::ReleasePopupForms();
    pool_.reset();
}

void SideButtonTest::sideButtonsFollowTheFocus() {
    Form form;
    TTypedEdit* first = form.add(FieldType::String, 10);
    TTypedEdit* second = form.add(FieldType::Date, 40);
    QVERIFY(form.showActive());
    first->setFocus();
    QCOMPARE(toolButton()->parentWidget(), &form);
    QCOMPARE(toolButton()->geometry(), QRect(160, 10, toolButton()->width(), 20));
    QCOMPARE(clearButton()->geometry().left(), 160 + toolButton()->width());
    QVERIFY(toolButton()->isVisible() && clearButton()->isVisible());
    second->setFocus();
    QCOMPARE(toolButton()->geometry().topLeft(), QPoint(160, 40));
    QCOMPARE(clearButton()->geometry().topLeft(), QPoint(160 + toolButton()->width(), 40));
    form.elsewhere->setFocus();
    QCOMPARE(toolButton()->parentWidget(), nullptr);
    QCOMPARE(clearButton()->parentWidget(), nullptr);
    // The clear button clears the field that has the focus.
    second->setFocus();
    QTest::mouseClick(clearButton(), Qt::LeftButton);
    QVERIFY(second->ValueParam().isNull());
    QVERIFY(!second->text().contains(QRegularExpression(QStringLiteral("[0-9]"))));
}

void SideButtonTest::sideButtonsEnabledAndGlyphs() {
    Form form;
    TTypedEdit* text = form.add(FieldType::String, 10);
    TTypedEdit* number = form.add(FieldType::Integer, 40);
    QVERIFY(form.showActive());
    text->setReadOnly(true);
    text->setFocus();
    QVERIFY(!toolButton()->isEnabled());
    QVERIFY(clearButton()->isEnabled());
    QVERIFY(!toolButton()->icon().isNull());
    QCOMPARE(text->ToolGlyphNumber(), 23);
    number->setFocus();
    QVERIFY(toolButton()->isEnabled());
    QVERIFY(toolButton()->icon().isNull()); // no tool for integers
    text->setZoomWhenReadOnly(true);
    text->setNoClearWhenReadOnly(true);
    text->setFocus();
    QVERIFY(toolButton()->isEnabled());
    QVERIFY(!clearButton()->isEnabled());
    // Clicking the tool of an integer field opens nothing.
    number->setFocus();
    QTest::mouseClick(toolButton(), Qt::LeftButton);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void SideButtonTest::sideButtonsOutliveAClosedWindow() {
    auto form = std::make_unique<Form>();
    TTypedEdit* edit = form->add(FieldType::Float, 10);
    QVERIFY(form->showActive());
    edit->setFocus();
    QCOMPARE(toolButton()->parentWidget(), form.get());
    QPointer<QToolButton> tool = toolButton();
    QPointer<QToolButton> clear = clearButton();
    form.reset();
    QVERIFY(tool && clear);
    QCOMPARE(tool->parentWidget(), nullptr);
    // The next field borrows them again.
    Form next;
    TTypedEdit* other = next.add(FieldType::Date, 10);
    QVERIFY(next.showActive());
    other->setFocus();
    QCOMPARE(tool->parentWidget(), &next);
}

void SideButtonTest::sideButtonsGoToTheActivatedWindow() {
    Form form;
    TTypedEdit* edit = form.add(FieldType::Float, 10);
    int zoomedHere = 0;
    edit->setOnZoom([&] { ++zoomedHere; });
    edit->setFocus(); // before the window is shown: it enters when the window activates
    QVERIFY(form.showActive());
    QCOMPARE(toolButton()->parentWidget(), &form);
    Form other;
    TTypedEdit* otherEdit = other.add(FieldType::Date, 40);
    int zoomedThere = 0;
    otherEdit->setOnZoom([&] { ++zoomedThere; });
    otherEdit->setFocus();
    QVERIFY(other.showActive());
    QCOMPARE(toolButton()->parentWidget(), &other);
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(toolButton()->parentWidget(), &form);
    QCOMPARE(toolButton()->geometry().topLeft(), QPoint(160, 10));
    // One click reaches only the field that holds the buttons now.
    QTest::mouseClick(toolButton(), Qt::LeftButton);
    QCOMPARE(zoomedHere, 1);
    QCOMPARE(zoomedThere, 0);
}

void SideButtonTest::narrowForButtons() {
    Form form;
    TTypedEdit* edit = form.add(FieldType::String, 10);
    QVERIFY(form.showActive());
    entry::NarrowForButtons = true;
    edit->setFocus();
    const int buttons = toolButton()->width() + clearButton()->width();
    QCOMPARE(edit->width(), 150 - buttons);
    QVERIFY(edit->Narrowed());
    QCOMPARE(clearButton()->geometry().right(), 10 + 150 - 1);
    form.elsewhere->setFocus();
    QCOMPARE(edit->width(), 150);
    QVERIFY(!edit->Narrowed());
    entry::NarrowForButtons = false;
}

void SideButtonTest::enterOnAStringFieldOpensNothing() {
    Form form;
    TTypedEdit* edit = form.add(FieldType::String, 10);
    edit->SetTextValue(QStringLiteral("AB"));
    QVERIFY(form.showActive());
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    NextDialog keyboard([](QWidget* dialog) {
        auto* form = static_cast<entry::TfKeyboard*>(dialog);
        QTest::mouseClick(formPart<entry::TKeyGrid>(*form, "sgQ"), Qt::LeftButton, {},
                          formPart<entry::TKeyGrid>(*form, "sgQ")->CellRect(10, 0).center());
        formPart<QAbstractButton>(*form, "BitBtn1")->click();
    });
    QTest::mouseClick(toolButton(), Qt::LeftButton);
    QVERIFY(qobject_cast<entry::TfKeyboard*>(keyboard.seen()));
    QCOMPARE(edit->ValueParam().asString(), QStringLiteral("AB\u017d"));
    // A double click opens the same keyboard again: it is kept, not made anew.
    NextDialog again([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    QTest::mouseDClick(edit, Qt::LeftButton);
    QCOMPARE(again.seen(), keyboard.seen());
}

void SideButtonTest::floatFieldOpensTheCalculator() {
    Form form;
    TTypedEdit* edit = form.add(FieldType::Float, 10);
    QVERIFY(form.showActive());
    edit->setFocus();
    NextDialog calculator([](QWidget* dialog) {
        auto* calc = static_cast<entry::TnCalc*>(dialog);
        formPart<QAbstractButton>(*calc, "sb4")->click();
        formPart<QAbstractButton>(*calc, "sbPlus")->click();
        formPart<QAbstractButton>(*calc, "sb2")->click();
        formPart<QAbstractButton>(*calc, "sbEqual")->click();
        formPart<QAbstractButton>(*calc, "btnOk")->click();
    });
    QTest::keyClick(edit, Qt::Key_Return); // Enter on an untouched number field
    QVERIFY(qobject_cast<entry::TnCalc*>(calculator.seen()));
    QCOMPARE(edit->ValueParam().valueAsFloat(), 6.0);
}

void SideButtonTest::dateFieldOpensTheCalendar() {
    Form form;
    TTypedEdit* edit = form.add(FieldType::Date, 10);
    edit->SetDateValue(encodeDate(2021, 1, 31));
    QVERIFY(form.showActive());
    edit->setFocus();
    NextDialog calendar([](QWidget* dialog) {
        auto* koledar = static_cast<entry::Tkoledar*>(dialog);
        formPart<QListWidget>(*koledar, "mesec")->setCurrentRow(1);
        formPart<QAbstractButton>(*koledar, "btnOK")->click();
    });
    QTest::mouseClick(toolButton(), Qt::LeftButton);
    QVERIFY(qobject_cast<entry::Tkoledar*>(calendar.seen()));
    QCOMPARE(edit->GetDateTimeValue(), encodeDate(2021, 2, 28));
    QCOMPARE(edit->text(), QStringLiteral("28.02.2021"));
}

void SideButtonTest::midnightFromTheTimePickerIsNull() {
    Form form;
    TTypedEdit* edit = form.add(FieldType::Time, 10);
    edit->SetDateTimeValue(encodeTime(9, 15, 0, 0));
    QVERIFY(form.showActive());
    edit->setFocus();
    NextDialog picker([](QWidget* dialog) {
        auto* ura = static_cast<entry::TfUra*>(dialog);
        for (QSpinBox* spin :
             {formPart<QSpinBox>(*ura, "seUra"), formPart<QSpinBox>(*ura, "seMinuta"),
              formPart<QSpinBox>(*ura, "seSekunda"), formPart<QSpinBox>(*ura, "seMilisek")})
            spin->setValue(0);
        formPart<QAbstractButton>(*ura, "BitBtn1")->click();
    });
    QTest::mouseClick(toolButton(), Qt::LeftButton);
    QVERIFY(qobject_cast<entry::TfUra*>(picker.seen()));
    QVERIFY(edit->ValueParam().isNull());
}

void SideButtonTest::dateTimeFieldOpensCalendarThenTimePicker() {
    Form form;
    TTypedEdit* edit = form.add(FieldType::DateTime, 10);
    edit->setDataTypeFixed(false);
    edit->SetDateTimeValue(encodeDate(2022, 3, 4) + encodeTime(8, 30, 0, 0));
    QVERIFY(form.showActive());
    edit->setFocus();
    std::unique_ptr<NextDialog> timePicker;
    NextDialog calendar([&](QWidget* dialog) {
        auto* koledar = static_cast<entry::Tkoledar*>(dialog);
        QTest::mouseClick(
            formPart<entry::TCalendarGrid>(*koledar, "koledar"), Qt::LeftButton, {},
            formPart<entry::TCalendarGrid>(*koledar, "koledar")->DayCellRect(9).center());
        timePicker = std::make_unique<NextDialog>([](QWidget* second) {
            auto* ura = static_cast<entry::TfUra*>(second);
            formPart<QSpinBox>(*ura, "seUra")->setValue(17);
            formPart<QAbstractButton>(*ura, "BitBtn1")->click();
        });
        formPart<QAbstractButton>(*koledar, "btnOK")->click();
    });
    QTest::mouseClick(toolButton(), Qt::LeftButton);
    QVERIFY(timePicker && qobject_cast<entry::TfUra*>(timePicker->seen()));
    QCOMPARE(edit->GetDateTimeValue(), encodeDate(2022, 3, 9) + encodeTime(17, 30, 0, 0));
}

void SideButtonTest::cancellingKeepsTheValue() {
    Form form;
    TTypedEdit* edit = form.add(FieldType::DateTime, 10);
    edit->setDataTypeFixed(false);
    const platform::TDateTime before = encodeDate(2022, 3, 4) + encodeTime(8, 30, 0, 0);
    edit->SetDateTimeValue(before);
    QVERIFY(form.showActive());
    edit->setFocus();
    std::unique_ptr<NextDialog> timePicker;
    NextDialog calendar([&](QWidget* dialog) {
        timePicker = std::make_unique<NextDialog>(
            [](QWidget* second) { static_cast<QDialog*>(second)->close(); });
        formPart<QAbstractButton>(*dialog, "btnOK")->click();
    });
    QTest::mouseClick(toolButton(), Qt::LeftButton);
    QVERIFY(timePicker && timePicker->seen());
    QCOMPARE(edit->GetDateTimeValue(), before);
}

void SideButtonTest::zoomReplacesTheTool() {
    Form form;
    TTypedEdit* edit = form.add(FieldType::Date, 10);
    int zoomed = 0;
    edit->setOnZoom([&] { ++zoomed; });
    QVERIFY(form.showActive());
    edit->setFocus();
    QCOMPARE(edit->ToolGlyphNumber(), 4);
    QTest::mouseClick(toolButton(), Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(zoomed, 2);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    edit->setEnabled(false);
    edit->OpenTool(false);
    QCOMPARE(zoomed, 2);
}

QTEST_MAIN(SideButtonTest)
#include "tst_sidebuttons.moc"
