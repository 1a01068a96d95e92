#include "controls/KvDbCtrX.h"

#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <functional>

using controls::fLookupSearch;
using controls::TfLookupSearch;

namespace {

// Runs the editor modally over (x, y) with the given seed; while it is shown, check
// looks at it and then keys are typed into its edit.
bool runEditor(QString& text, const QString& seed, const QString& typed, Qt::Key closingKey,
               const std::function<void(TfLookupSearch&)>& check = {}) {
    TfLookupSearch& editor = fLookupSearch();
    QTimer::singleShot(0, &editor, [&] {
        if (check)
            check(editor);
        QTest::keyClicks(editor.edit(), typed);
        QTest::keyClick(editor.edit(), closingKey);
    });
    return editor.Execute(40, 60, text, seed, 21, 150);
}

} // namespace

class LookupSearchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void looksAsDesigned();
    void seedsTheFirstCharacterAndPlacesTheWindow();
    void enterAndTabConfirmTheTypedText();
    void escapeAndClosingLeaveTheCallersText();
    void oneSharedInstance();
};

void LookupSearchTest::looksAsDesigned() {
    TfLookupSearch& editor = fLookupSearch();
    QVERIFY(editor.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(editor.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(editor.palette().color(QPalette::Window), QColor(Qt::yellow));
    QLineEdit* e = editor.edit();
    QCOMPARE(e->objectName(), QStringLiteral("e"));
    QVERIFY(!e->hasFrame());
    QVERIFY(e->font().bold());
    QCOMPARE(e->font().pixelSize(), 11);
    QCOMPARE(e->palette().color(QPalette::Text), QColor(Qt::red));
    QCOMPARE(e->palette().color(QPalette::Base), QColor(Qt::yellow));
}

void LookupSearchTest::seedsTheFirstCharacterAndPlacesTheWindow() {
    QString text = QStringLiteral("before");
    QString shown;
    int caret = -1;
    bool selected = true;
    QRect window, edit;
    runEditor(text, QStringLiteral("k"), {}, Qt::Key_Escape, [&](TfLookupSearch& editor) {
        shown = editor.edit()->text();
        caret = editor.edit()->cursorPosition();
        selected = editor.edit()->hasSelectedText();
        window = QRect(editor.pos(), editor.size());
        edit = editor.edit()->geometry();
    });
    QCOMPARE(shown, QStringLiteral("k"));
    QCOMPARE(caret, 1);
    QVERIFY(!selected);
    QCOMPARE(window, QRect(40, 60, 150, 21));
    QCOMPARE(edit.size(), QSize(148, 20));
}

void LookupSearchTest::enterAndTabConfirmTheTypedText() {
    QString text = QStringLiteral("before");
    QVERIFY(runEditor(text, QStringLiteral("k"), QStringLiteral("ola"), Qt::Key_Tab));
    QCOMPARE(text, QStringLiteral("kola"));
    QVERIFY(runEditor(text, QStringLiteral("m"), QStringLiteral("ost"), Qt::Key_Return));
    QCOMPARE(text, QStringLiteral("most"));
    // A second run starts from the new seed, not from what was typed before.
    QVERIFY(runEditor(text, QStringLiteral("z"), {}, Qt::Key_Enter));
    QCOMPARE(text, QStringLiteral("z"));
}

void LookupSearchTest::escapeAndClosingLeaveTheCallersText() {
    QString text = QStringLiteral("before");
    QVERIFY(!runEditor(text, QStringLiteral("k"), QStringLiteral("ola"), Qt::Key_Escape));
    QCOMPARE(text, QStringLiteral("before"));

    TfLookupSearch& editor = fLookupSearch();
    QTimer::singleShot(0, &editor, [&] {
        QTest::keyClicks(editor.edit(), QStringLiteral("xy"));
        editor.close();
    });
    QVERIFY(!editor.Execute(0, 0, text, QStringLiteral("k"), 18, 112));
    QCOMPARE(text, QStringLiteral("before"));
}

void LookupSearchTest::oneSharedInstance() {
    QCOMPARE(&fLookupSearch(), &fLookupSearch());
    QCOMPARE(fLookupSearch().objectName(), QStringLiteral("fLookupSearch"));
}

QTEST_MAIN(LookupSearchTest)
#include "tst_lookupsearch.moc"
