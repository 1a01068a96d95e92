#include "platform/Application.h"
#include "platform/Components.h"
#include "platform/ControlEvents.h"
#include "platform/ControlLook.h"
#include "platform/MaskEdit.h"
#include "platform/ProfileFile.h"
#include "platform/StdControls.h"
#include "translation/uColorForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using platform::addComponent;
using translation::NewLookSettings;
using translation::TQorColorForm;

namespace {

const QColor Grey(0xDB, 0xDB, 0xDB);
const QColor White(Qt::white);
const QColor Black(Qt::black);
const QColor Focus(0xFF, 0xFF, 0xC1);
const QColor Olive(0x80, 0x80, 0x00);

class ColourForm : public TQorColorForm {
public:
    explicit ColourForm(int formTag = 0) {
        setTag(formTag);
        auto* layout = new QVBoxLayout(this);
        panel = add(new platform::TPanel(this), "pPanel");
        ownPanel = add(new platform::TPanel(this), "pOwn");
        label = add(new QLabel(QStringLiteral("Oznaka"), panel), "lOznaka");
        opaqueLabel = add(new QLabel(QStringLiteral("Neprozorna"), this), "lNeprozorna");
        edit = add(new QLineEdit(this), "eIme");
        keptEdit = add(new QLineEdit(this), "eOhrani");
        maskEdit = add(new platform::TMaskEdit(this), "meDatum");
        ownEntry = add(new QLineEdit(this), "eLastni");
        memo = add(new QPlainTextEdit(this), "mOpis");
        list = add(new QListWidget(this), "lbSeznam");
        combo = add(new QComboBox(this), "cbIzbira");
        grid = add(new QTableWidget(2, 2, this), "sgMreza");
        check = add(new QCheckBox(QStringLiteral("Izbira"), this), "chIzbira");
        button = add(new QPushButton(QStringLiteral("V redu"), this), "bOk");
        pages = add(new QTabWidget(this), "pcStrani");
        for (QWidget* widget : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            layout->addWidget(widget);
    }

    template <class W> W* add(W* widget, const char* name) {
        return addComponent(this, widget, QString::fromLatin1(name));
    }

    platform::TPanel* panel;
    platform::TPanel* ownPanel;
    QLabel* label;
    QLabel* opaqueLabel;
    QLineEdit* edit;
    QLineEdit* keptEdit;
    platform::TMaskEdit* maskEdit;
    QLineEdit* ownEntry;
    QPlainTextEdit* memo;
    QListWidget* list;
    QComboBox* combo;
    QTableWidget* grid;
    QCheckBox* check;
    QPushButton* button;
    QTabWidget* pages;
};

bool isSchemeFont(const QFont& font, int points) {
    return font.family() == QStringLiteral("Tahoma") && font.pointSize() == points;
}

} // namespace

class ColorFormTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { translation::setNewLookSettings({}); }
    void switchesComeFromNewLookIni();
    void formTakesTheSchemeColoursAndTag2InvertsThem();
    void useColorsOffChangesNothingButTheTag();
    void controlsTakeTheirRowOfEachTable();
    void tagMinusOneAnd100KeepColoursAndFont();
    void editsAreColouredWhileTheyHoldTheFocus();
    void ownEntryHandlerIsKeptAndExitColouringStillGiven();
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
    auto plain = TQorColorForm::create<ColourForm>();
    QCOMPARE(plain->palette().color(QPalette::Window), Grey);
    QCOMPARE(plain->palette().color(QPalette::WindowText), Black);
    QVERIFY(isSchemeFont(plain->font(), 8));
    QCOMPARE(plain->Tag(), 1);

    auto inverted = TQorColorForm::create<ColourForm>(2);
    QCOMPARE(inverted->palette().color(QPalette::Window), Black);
    QCOMPARE(inverted->palette().color(QPalette::WindowText), Grey);
    QCOMPARE(platform::fontColorOf(inverted->label), Grey); // follows the form
    QCOMPARE(inverted->Tag(), 1);

    auto ownColours = TQorColorForm::create<ColourForm>(100);
    QVERIFY(ownColours->palette().color(QPalette::Window) != Grey);
    QCOMPARE(ownColours->Tag(), 1);
}

void ColorFormTest::useColorsOffChangesNothingButTheTag() {
    translation::setNewLookSettings({.newLook = true, .useColors = false});
    ColourForm form;
    const QPalette formPalette = form.palette();
    const QPalette editPalette = form.edit->palette();
    const QFont font = form.label->font();
    form.AfterConstruction();
    QCOMPARE(form.palette(), formPalette);
    QCOMPARE(form.edit->palette(), editPalette);
    QCOMPARE(form.label->font(), font);
    QVERIFY(!platform::hasOnEnter(form.edit));
    QCOMPARE(form.Tag(), 1);

    translation::setNewLookSettings({.newLook = false, .useColors = true});
    auto untouched = TQorColorForm::create<ColourForm>();
    QCOMPARE(untouched->Tag(), 0);
    QVERIFY(!isSchemeFont(untouched->font(), 8) || untouched->palette() != form.palette());
}

void ColorFormTest::controlsTakeTheirRowOfEachTable() {
    ColourForm form;
    platform::setTag(form.opaqueLabel, -3);
    platform::setTag(form.ownPanel, -2);
    platform::setColor(form.ownPanel, Olive);
    platform::setColor(form.panel, Olive);
    form.AfterConstruction();

    // Panels: -2 keeps its own colour and fills itself; any other tag takes the form's.
    QCOMPARE(platform::colorOf(form.ownPanel), Olive);
    QVERIFY(form.ownPanel->autoFillBackground());
    QCOMPARE(platform::colorOf(form.panel), Grey);
    // Labels: transparent in the parent's colour, a negative tag opaque.
    QVERIFY(platform::transparent(form.label));
    QVERIFY(!platform::transparent(form.opaqueLabel));
    QVERIFY(isSchemeFont(form.label->font(), 8));
    QCOMPARE(platform::colorOf(form.check), Grey);
    // Text areas: white with black text; edits, memos and list boxes in the edit font.
    for (QWidget* area :
         std::initializer_list<QWidget*>{form.edit, form.memo, form.list, form.combo, form.grid}) {
        QCOMPARE(platform::colorOf(area), White);
        QCOMPARE(platform::fontColorOf(area), Black);
    }
    QVERIFY(isSchemeFont(form.edit->font(), 8));
    QVERIFY(isSchemeFont(form.memo->font(), 8));
    QVERIFY(isSchemeFont(form.list->font(), 8));
    QVERIFY(isSchemeFont(form.combo->font(), 8));
    // The string grid in the grid font; only a database grid's titles take it too.
    QVERIFY(isSchemeFont(form.grid->font(), 9));
    QVERIFY(isSchemeFont(form.check->font(), 8));
    QVERIFY(isSchemeFont(form.button->font(), 8));
    QVERIFY(platform::parentFont(form.pages));
    // Every component was treated, and the form alone carries Tag 1.
    QCOMPARE(platform::tagOf(form.edit), 0);
    QCOMPARE(form.Tag(), 1);
}

void ColorFormTest::tagMinusOneAnd100KeepColoursAndFont() {
    ColourForm form;
    const QFont serif(QStringLiteral("Serif"), 12);
    for (QWidget* kept : std::initializer_list<QWidget*>{form.keptEdit, form.opaqueLabel}) {
        platform::setColor(kept, Olive);
        kept->setFont(serif);
    }
    platform::setTag(form.keptEdit, 100);
    platform::setTag(form.opaqueLabel, -1);
    form.AfterConstruction();
    QCOMPARE(platform::colorOf(form.keptEdit), Olive);
    QCOMPARE(form.keptEdit->font(), serif);
    QCOMPARE(platform::colorOf(form.opaqueLabel), Olive);
    QCOMPARE(form.opaqueLabel->font(), serif);
    // The focus colouring is given whatever the tag.
    QVERIFY(platform::hasOnEnter(form.keptEdit));
    QVERIFY(platform::hasOnExit(form.keptEdit));
}

void ColorFormTest::editsAreColouredWhileTheyHoldTheFocus() {
    ColourForm form;
    platform::setTag(form.keptEdit, 100);
    form.AfterConstruction();
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    form.edit->setFocus();
    QCOMPARE(platform::colorOf(form.edit), Focus);
    QCOMPARE(platform::fontColorOf(form.edit), Black);
    form.keptEdit->setFocus();
    QCOMPARE(platform::colorOf(form.edit), White);
    QCOMPARE(platform::colorOf(form.keptEdit), Focus);
    form.maskEdit->setFocus();
    QCOMPARE(platform::colorOf(form.keptEdit), White);
    QCOMPARE(platform::colorOf(form.maskEdit), Focus);
    form.memo->setFocus();
    QCOMPARE(platform::colorOf(form.maskEdit), White); // a mask edit turns white on leaving
    QCOMPARE(platform::colorOf(form.memo), Focus);
    form.list->setFocus();
    QCOMPARE(platform::colorOf(form.list), Focus);
    form.button->setFocus();
    QCOMPARE(platform::colorOf(form.list), White);

    // Leaving the window and coming back neither leaves nor enters the control; the
    // control-entered notification enters it again.
    int entered = 0;
    platform::setOnEnter(form.keptEdit, [&](QWidget*) { ++entered; });
    form.keptEdit->setFocus();
    QCOMPARE(entered, 1);
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(entered, 1);
    QCoreApplication::postEvent(form.keptEdit, new QEvent(platform::ControlEnteredEvent));
    QCoreApplication::processEvents();
    QCOMPARE(entered, 2);
}

void ColorFormTest::ownEntryHandlerIsKeptAndExitColouringStillGiven() {
    ColourForm form;
    int entered = 0;
    platform::setOnEnter(form.ownEntry, [&](QWidget*) { ++entered; });
    form.AfterConstruction();
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.ownEntry->setFocus();
    QCOMPARE(entered, 1);
    QCOMPARE(platform::colorOf(form.ownEntry), White);
    platform::setColor(form.ownEntry, Olive);
    form.edit->setFocus();
    QCOMPARE(platform::colorOf(form.ownEntry), White);
}

int main(int argc, char** argv) {
    platform::Application application(argc, argv);
    ColorFormTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_colorform.moc"
