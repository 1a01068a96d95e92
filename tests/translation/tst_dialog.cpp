#include "controls/Uddbtn.h"
#include "platform/Application.h"
#include "platform/ControlEvents.h"
#include "translation/Udialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWindow>

using translation::TDialog;
using translation::TQorColorForm;

namespace {

class SampleDialog : public TDialog {
public:
    SampleDialog() {
        setObjectName(QStringLiteral("fSample"));
        label = new QLabel(QStringLiteral("Besedilo"), this);
        label->setObjectName(QStringLiteral("lBesedilo"));
        edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("eVnos"));
        edit->move(0, 30);
    }
    QLabel* label;
    QLineEdit* edit;
    int created = 0;
    int tagInCreationHandler = -99;

protected:
    void FormCreate() override {
        ++created;
        tagInCreationHandler = Tag();
    }
};

// Counts the show notifications that reach the application.
class ShownCounter : public QObject {
public:
    QList<QWidget*> forms;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == QCoreApplication::instance() && event->type() == translation::FormShownEvent)
            forms.append(static_cast<translation::TFormShownEvent*>(event)->form());
        return false;
    }
};

} // namespace

class DialogTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void nativeWindowIsReleasedWhenHiddenAndBuiltWhenShown();
    void execRunsModallyAndAnswersTheResult();
    void creationHandlerRunsOnceBeforeTheCreationSteps();
    void poolButtonsLeaveBeforeTheDialogIsDestroyed();
    void activationEntersTheActiveControlAgainAndShowingTellsTheApplication();
};

void DialogTest::nativeWindowIsReleasedWhenHiddenAndBuiltWhenShown() {
    auto dialog = TQorColorForm::create<SampleDialog>();
    QVERIFY(dialog->isModal());
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QVERIFY(dialog->windowHandle() != nullptr);
    dialog->hide();
    QVERIFY(!dialog->testAttribute(Qt::WA_WState_Created));
    QVERIFY(dialog->windowHandle() == nullptr);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QVERIFY(dialog->windowHandle() != nullptr);
    QCOMPARE(dialog->label->text(), QStringLiteral("Besedilo"));
    dialog->hide();
    QVERIFY(dialog->windowHandle() == nullptr);
}

void DialogTest::execRunsModallyAndAnswersTheResult() {
    auto dialog = TQorColorForm::create<SampleDialog>();
    for (const int answer :
         {int(QDialog::Accepted), int(QDialog::Rejected), int(QDialog::Accepted)}) {
        QTimer::singleShot(0, dialog.get(), [&] {
            QVERIFY(dialog->isVisible());
            QCOMPARE(QApplication::activeModalWidget(), dialog.get());
            dialog->done(answer);
        });
        QCOMPARE(dialog->exec(), answer);
        QVERIFY(!dialog->isVisible());
        QVERIFY(dialog->windowHandle() == nullptr);
    }
}

void DialogTest::creationHandlerRunsOnceBeforeTheCreationSteps() {
    auto dialog = TQorColorForm::create<SampleDialog>();
    QCOMPARE(dialog->created, 1);
    QCOMPARE(dialog->tagInCreationHandler, 0); // the colour pass comes after the handler
    QCOMPARE(dialog->Tag(), 1);
    dialog->AfterConstruction();
    QCOMPARE(dialog->created, 1);
}

void DialogTest::poolButtonsLeaveBeforeTheDialogIsDestroyed() {
    controls::StdButtonsScope pool;
    auto dialog = TQorColorForm::create<SampleDialog>();
    controls::StdButton(1)->setParent(dialog->label);
    controls::StdButton(2)->setParent(dialog.get());
    dialog.reset();
    QVERIFY(controls::StdButton(1) != nullptr);
    QVERIFY(controls::StdButton(2) != nullptr);
    QVERIFY(controls::StdButton(2)->parentWidget() == nullptr);
}

void DialogTest::activationEntersTheActiveControlAgainAndShowingTellsTheApplication() {
    auto dialog = TQorColorForm::create<SampleDialog>();
    int entered = 0;
    platform::setOnEnter(dialog->edit, [&](QWidget*) { ++entered; });
    ShownCounter shown;
    QCoreApplication::instance()->installEventFilter(&shown);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    QCOMPARE(shown.forms, QList<QWidget*>{dialog.get()});
    dialog->edit->setFocus();
    const int afterFocus = entered;
    QVERIFY(afterFocus >= 1);

    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    QTRY_COMPARE(entered, afterFocus + 1);
    QCoreApplication::instance()->removeEventFilter(&shown);
}

int main(int argc, char** argv) {
    platform::Application application(argc, argv);
    DialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dialog.moc"
