// The auto-complete combo box: completion while typing, refusal of text no item begins
// with, keys that never complete, FindMatch and leaving the control.
#include "controls/ACComboBox.h"

#include <QLineEdit>
#include <QTest>

using namespace controls;

class TestACComboBox : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void typingCompletesToTheFirstItemAndSelectsTheRest();
    void exactMatchRefusesTextNoItemBeginsWith();
    void backspaceAndDeleteNeverComplete();
    void wholeItemTypedIsSelectedWhole();
    void findMatchComparesAsciiLettersAndLeavesTheCaretAtZero();
    void keyCodesFollowTheSystemsKeyboard();

private:
    std::unique_ptr<TACComboBox> combo_;
    int matches_ = 0;
};

void TestACComboBox::init() {
    combo_ = std::make_unique<TACComboBox>();
    combo_->addItems({"Alpha", "Beta", "Gamma", "Betonska"});
    combo_->setCurrentIndex(-1);
    combo_->setEditText({});
    matches_ = 0;
    QObject::connect(combo_.get(), &TACComboBox::OnMatch, [this] { ++matches_; });
    combo_->show();
    combo_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(combo_.get()));
    QVERIFY(combo_->autoComplete() && combo_->exactMatch() && combo_->selectOnFound());
}

void TestACComboBox::cleanup() {
    combo_.reset();
}

void TestACComboBox::typingCompletesToTheFirstItemAndSelectsTheRest() {
    QTest::keyClick(combo_.get(), Qt::Key_B);
    QCOMPARE(combo_->currentText(), "Beta");
    QCOMPARE(combo_->lineEdit()->selectedText(), "eta");
    QTest::keyClick(combo_.get(), Qt::Key_E);
    QCOMPARE(combo_->currentText(), "Beta");
    QCOMPARE(combo_->lineEdit()->selectedText(), "ta");
    QCOMPARE(combo_->currentIndex(), 1);
    QCOMPARE(matches_, 2);
    QTest::keyClicks(combo_.get(), "to"); // the first item beginning with "Beto"
    QCOMPARE(combo_->currentText(), "Betonska");
    QCOMPARE(combo_->lineEdit()->selectedText(), "nska");
    // Lower-case and national letters compare with the locale's rules.
    combo_->addItem(QStringLiteral("Šola"));
    combo_->setEditText({});
    for (QTest::KeyAction action : {QTest::Press, QTest::Release})
        QTest::sendKeyEvent(action, combo_.get(), Qt::Key(0x160), QStringLiteral("š"),
                            Qt::NoModifier);
    QCOMPARE(combo_->currentText(), QStringLiteral("Šola"));
}

void TestACComboBox::exactMatchRefusesTextNoItemBeginsWith() {
    QTest::keyClick(combo_.get(), Qt::Key_X);
    QCOMPARE(combo_->currentText(), QString());
    QCOMPARE(matches_, 0);
    QTest::keyClicks(combo_.get(), "gx");
    QCOMPARE(combo_->currentText(), "G");
    QCOMPARE(combo_->lineEdit()->cursorPosition(), 1);
    QVERIFY(!combo_->lineEdit()->hasSelectedText());

    combo_->setExactMatch(false);
    combo_->setEditText({});
    QTest::keyClicks(combo_.get(), "xy");
    QCOMPARE(combo_->currentText(), "xy");
}

void TestACComboBox::backspaceAndDeleteNeverComplete() {
    QTest::keyClicks(combo_.get(), "be");
    QCOMPARE(combo_->currentText(), "Beta");
    QTest::keyClick(combo_.get(), Qt::Key_Backspace); // takes away the selected "ta"
    QCOMPARE(combo_->currentText(), "Be");
    QTest::keyClick(combo_.get(), Qt::Key_Backspace);
    QCOMPARE(combo_->currentText(), "B");
    QTest::keyClick(combo_.get(), Qt::Key_Home);
    QTest::keyClick(combo_.get(), Qt::Key_Delete);
    QCOMPARE(combo_->currentText(), QString());
    QCOMPARE(matches_, 2);
    // Ctrl and Alt keep the text as it is too.
    QTest::keyClick(combo_.get(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(matches_, 2);
}

void TestACComboBox::wholeItemTypedIsSelectedWhole() {
    QTest::keyClicks(combo_.get(), "gamma");
    QCOMPARE(combo_->currentText(), "Gamma");
    QCOMPARE(combo_->lineEdit()->selectedText(), "Gamma");
    combo_->setSelectOnFound(false);
    combo_->setEditText({});
    QTest::keyClicks(combo_.get(), "alpha");
    QCOMPARE(combo_->lineEdit()->selectedText(), QString());
    QCOMPARE(combo_->lineEdit()->cursorPosition(), 5);
    combo_->setAutoComplete(false);
    combo_->setEditText({});
    QTest::keyClicks(combo_.get(), "al");
    QCOMPARE(combo_->currentText(), "al");
}

void TestACComboBox::findMatchComparesAsciiLettersAndLeavesTheCaretAtZero() {
    combo_->setEditText(QStringLiteral("gAm"));
    combo_->FindMatch();
    QCOMPARE(combo_->currentText(), "Gamma");
    QCOMPARE(combo_->currentIndex(), 2);
    QCOMPARE(combo_->lineEdit()->cursorPosition(), 0);
    QVERIFY(!combo_->lineEdit()->hasSelectedText());
    QCOMPARE(matches_, 1);
    combo_->setEditText(QStringLiteral("zeta"));
    combo_->FindMatch();
    QCOMPARE(combo_->currentText(), "zeta");
    QCOMPARE(matches_, 1);

    // Leaving the control puts the caret at 0 with nothing selected.
    QLineEdit other;
    other.show();
    combo_->setFocus();
    combo_->lineEdit()->selectAll();
    other.activateWindow();
    other.setFocus();
    QTRY_VERIFY(!combo_->hasFocus());
    QCOMPARE(combo_->lineEdit()->cursorPosition(), 0);
    QVERIFY(!combo_->lineEdit()->hasSelectedText());
}

void TestACComboBox::keyCodesFollowTheSystemsKeyboard() {
    QCOMPARE(virtualKeyCode(Qt::Key_Delete), 46);
    QCOMPARE(virtualKeyCode(Qt::Key_Backspace), 8);
    QVERIFY(virtualKeyCode(Qt::Key_Left) < 47);
    QVERIFY(virtualKeyCode(Qt::Key_Shift) < 47);
    QCOMPARE(virtualKeyCode(Qt::Key_Space), 32);
    QCOMPARE(virtualKeyCode(Qt::Key_0), 48);
    QCOMPARE(virtualKeyCode(Qt::Key_A), 65);
    QVERIFY(virtualKeyCode(Qt::Key_Comma) >= 47);
    QVERIFY(virtualKeyCode(Qt::Key_Adiaeresis) >= 47);
    QCOMPARE(virtualKeyCode(Qt::Key_F1), 112);
}

QTEST_MAIN(TestACComboBox)
#include "tst_accombobox.moc"
