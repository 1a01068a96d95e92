#include "platform/Application.h"
#include "platform/ProfileFile.h"
#include "translation/uColorForm.h"

#include <QTemporaryDir>
#include <QTest>

using translation::NewLookSettings;
using translation::TQorColorForm;

class ColorFormTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { translation::setNewLookSettings({}); }
    void switchesComeFromNewLookIni();
    void formTakesTheSchemeColoursAndTag2InvertsThem();
    void useColorsOffChangesNothingButTheTag();
};

void ColorFormTest::switchesComeFromNewLookIni() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("NewLook.ini"));
    translation::InitNewLook(path);
    QVERIFY(translation::newLookSettings().newLook);
    QVERIFY(translation::newLookSettings().useColors);
    platform::ProfileFile file(path);
    file.writeString(QStringLiteral("qor"), QStringLiteral("UseColors"), QStringLiteral("0"));
    translation::InitNewLook(path);
    QVERIFY(translation::newLookSettings().newLook);
    QVERIFY(!translation::newLookSettings().useColors);
}

void ColorFormTest::formTakesTheSchemeColoursAndTag2InvertsThem() {
    TQorColorForm plain;
    plain.AfterConstruction();
    QCOMPARE(plain.palette().color(QPalette::Window), QColor(0xDB, 0xDB, 0xDB));
    QCOMPARE(plain.palette().color(QPalette::WindowText), QColor(Qt::black));
    QCOMPARE(plain.font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(plain.Tag(), 1);

    TQorColorForm inverted;
    inverted.setTag(2);
    inverted.AfterConstruction();
    QCOMPARE(inverted.palette().color(QPalette::Window), QColor(Qt::black));
    QCOMPARE(inverted.palette().color(QPalette::WindowText), QColor(0xDB, 0xDB, 0xDB));
    QCOMPARE(inverted.Tag(), 1);
}

void ColorFormTest::useColorsOffChangesNothingButTheTag() {
    translation::setNewLookSettings({.newLook = true, .useColors = false});
    TQorColorForm form;
    const QPalette before = form.palette();
    const QFont font = form.font();
    form.AfterConstruction();
    QCOMPARE(form.palette(), before);
    QCOMPARE(form.font(), font);
    QCOMPARE(form.Tag(), 1);

    translation::setNewLookSettings({.newLook = false, .useColors = true});
    TQorColorForm untouched;
    untouched.AfterConstruction();
    QCOMPARE(untouched.Tag(), 0);
}

int main(int argc, char** argv) {
    platform::Application application(argc, argv);
    ColorFormTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_colorform.moc"
