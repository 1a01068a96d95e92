#include "platform/Application.h"
#include "translation/Udialog.h"

#include <QLabel>
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
    }
    QLabel* label;
    int created = 0;

protected:
    void FormCreate() override { ++created; }
};

} // namespace

class DialogTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void nativeWindowIsReleasedWhenHiddenAndBuiltWhenShown();
    void execRunsModallyAndAnswersTheResult();
    void creationHandlerRunsOnceAfterTheCreationSteps();
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

void DialogTest::creationHandlerRunsOnceAfterTheCreationSteps() {
    auto dialog = TQorColorForm::create<SampleDialog>();
    QCOMPARE(dialog->created, 1);
    QCOMPARE(dialog->Tag(), 1); // the colour pass ran before the handler
    dialog->AfterConstruction();
    QCOMPARE(dialog->created, 1);
}

int main(int argc, char** argv) {
    platform::Application application(argc, argv);
    DialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dialog.moc"
