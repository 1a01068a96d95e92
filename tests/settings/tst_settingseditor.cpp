#include "../support/TestDatabase.h"

#include "app/uSifSerprog.h"
#include "app/uZEV.h"
#include "controls/DbGrid.h"
#include "db/DataSource.h"
#include "db/Table.h"
#include "db/uDMLB.h"
#include "entry/Uptypeed.h"
#include "platform/Application.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

struct Message {
    platform::MessageKind kind;
    QString text;
};

template <typename T> T* part(const QObject& owner, const char* name) {
    T* found = owner.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("No component %s", name);
    return found;
}

// The editor's settings table, reached through the grid that shows it.
db::Table& settingsTable(const QObject& editor) {
    db::DataSource* source = part<controls::DbGrid>(editor, "dbgSerprog")->dataSource();
    auto* table = source ? qobject_cast<db::Table*>(source->dataSet()) : nullptr;
    if (!table)
        qFatal("The settings grid shows no table");
    return *table;
}

// The demo content with the settings sequence after its rows, the session module of
// operator "ana", and a program folder "prog/bin/" for the modules' INI files.
class Demo {
public:
    Demo() : database(QStringLiteral("DEMO")) {
        database.loadDemoContent();
        QDir(root.path()).mkpath(QStringLiteral("prog/bin"));
        dmlb = std::make_unique<TDMLB>(arguments(), nullptr, database.folder());
        dmlb->setModuleNameOverride(QStringLiteral("ZEV"));
    }
    QString programFolder() const { return root.path() + QStringLiteral("/prog/bin/"); }
    QStringList arguments() const { return {"DEMO", "demo", "demo", "ana"}; }
    void writeFile(const QString& path, const QByteArray& content) const {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    // "KATEGORIJA/PARAMETER=VREDNOST" of the module's rows (exact name) by key.
    QStringList rows(const QString& module) const {
        db::Query query;
        query.setDatabaseName(QStringLiteral("LB"));
        query.setSqlText(QStringLiteral("SELECT KATEGORIJA || '/' || PARAMETER || '=' || "
                                        "VREDNOST FROM SERPROG WHERE MODUL = :M ORDER BY "
                                        "ID_SERPROG"));
        query.paramByName(QStringLiteral("M")).setAsString(module);
        QStringList result;
        for (query.open(); !query.eof(); query.next())
            result << query.field(0).asString();
        return result;
    }
    std::unique_ptr<TfSifSerprog> editor() const {
        return std::make_unique<TfSifSerprog>(nullptr, programFolder());
    }

    TestDatabase database;
    QTemporaryDir root;
    std::unique_ptr<TDMLB> dmlb;
};

// The grid's cells, row by row, the columns joined with '|'.
QStringList gridRows(TfSifSerprog& editor) {
    QAbstractItemModel* grid = part<controls::DbGrid>(editor, "dbgSerprog")->model();
    while (grid->canFetchMore({}))
        grid->fetchMore({});
    QStringList rows;
    for (int row = 0; row < grid->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < grid->columnCount(); ++column)
            cells << grid->index(row, column).data().toString();
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

void clickNavigator(TfSifSerprog& editor, const char* button) {
    QTest::mouseClick(part<QToolButton>(editor, button), Qt::LeftButton);
}

} // namespace

class SettingsEditorTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void moduleWithRowsIgnoresItsIniFile();
    void moduleWithoutRowsIsSeededInFileOrder();
    void exactModuleFilterAndImportCountingOtherLetterCase();
    void memoShowsAndStoresTheWholeValue();
    void insertedRowTakesTheSequenceAndTheModule();
    void failingSequenceAbandonsTheInsert();
    void failingPostShowsTheErrorAndKeepsTheRow();
    void enterAndChoiceInTheModuleBoxSwitchTheModule();
    void settingsFromTheMainWindowSteerTheReport();

private:
    std::unique_ptr<platform::ScopedMessageSink> sink_;
    std::vector<Message> messages_;
};

void SettingsEditorTest::init() {
    messages_.clear();
    sink_ = std::make_unique<platform::ScopedMessageSink>(
        [this](platform::MessageKind kind, const QString& text) {
            messages_.push_back({kind, text});
            return platform::MessageResult::Ok;
        });
}

void SettingsEditorTest::cleanup() {
    sink_.reset();
}

void SettingsEditorTest::moduleWithRowsIgnoresItsIniFile() {
    Demo demo;
    demo.writeFile(demo.programFolder() + "QOR.ini", "[SPLOŠNE]\nNOVO=1\n");
    auto editor = demo.editor();
    QCOMPARE(editor->windowTitle(), QStringLiteral("Servisni program nastavitve"));
    QCOMPARE(editor->size(), QSize(645, 487));
    auto* modules = part<QComboBox>(*editor, "cbModul");
    QCOMPARE(modules->count(), 2);
    QCOMPARE(modules->itemText(0), QStringLiteral("QOR"));
    QVERIFY(gridRows(*editor).isEmpty()); // nothing before a module is chosen

    editor->PrepareForModule(QStringLiteral("QOR"), true);
    QCOMPARE(modules->currentIndex(), 0);
    QCOMPARE(part<QLabel>(*editor, "lCaption")->text(), QStringLiteral("QOR zaledni sistem"));
    QCOMPARE(gridRows(*editor), QStringList({"PODATKI|NAZIV||QOR zaledni sistem",
                                             "SPLOŠNE|XML_PATH||/var/tmp/qor/izvoz/"}));
    QCOMPARE(demo.rows("QOR").size(), 2);
    const QAbstractItemModel* grid = part<controls::DbGrid>(*editor, "dbgSerprog")->model();
    QStringList titles;
    for (int column = 0; column < grid->columnCount(); ++column)
        titles << grid->headerData(column, Qt::Horizontal).toString();
    QCOMPARE(titles, QStringList({"Kategorija", "Parameter", "User", "Vrednost"}));
    QVERIFY(messages_.empty());
}

void SettingsEditorTest::moduleWithoutRowsIsSeededInFileOrder() {
    Demo demo;
    demo.writeFile(demo.programFolder() + "NOVI.ini",
                   "[Zadnja]\nB=2\nA=x=y\n; opomba\n[Prva]\nC = 3 \n");
    demo.writeFile(demo.root.path() + "/prog/Serprog/NOVI/NOVI.ini", "[Drugje]\nD=4\n");
    auto editor = demo.editor();
    QCOMPARE(editor->IniFolder(), demo.programFolder());

    editor->PrepareForModule(QStringLiteral("NOVI"), true);
    QCOMPARE(demo.rows("NOVI"), QStringList({"Zadnja/B=2", "Zadnja/A=x=y", "Prva/C=3"}));
    QCOMPARE(gridRows(*editor), QStringList({"Prva|C||3", "Zadnja|A||x=y", "Zadnja|B||2"}));
    QCOMPARE(part<QLabel>(*editor, "lCaption")->text(), QStringLiteral("NOVI"));
    QVERIFY(part<QPlainTextEdit>(*editor, "dbmVrednost")->isHidden());
    QCOMPARE(settingsTable(*editor).fieldByName("ID_SERPROG").asInteger(), 9);

    // Beside the program's folder, under Serprog and the module's name.
    editor->PrepareForModule(QStringLiteral("NOVI"), false);
    QCOMPARE(editor->IniFolder(), demo.root.path() + QStringLiteral("/prog/Serprog/NOVI/"));
    QCOMPARE(demo.rows("NOVI").size(), 3); // it has rows now
    demo.database.exec("DELETE FROM SERPROG WHERE MODUL = 'NOVI';");
    editor->PrepareForModule(QStringLiteral("NOVI"), false);
    QCOMPARE(demo.rows("NOVI"), QStringList({"Drugje/D=4"}));

    editor->PrepareForModule(QStringLiteral("BREZ"), true); // no rows and no file
    QVERIFY(gridRows(*editor).isEmpty());
    QCOMPARE(part<QLabel>(*editor, "lCaption")->text(), QStringLiteral("BREZ"));
}

void SettingsEditorTest::exactModuleFilterAndImportCountingOtherLetterCase() {
    Demo demo;
    demo.database.exec("INSERT INTO SERPROG VALUES (50, 'Mix', 'A', 'K', NULL, 'staro');");
    demo.writeFile(demo.programFolder() + "MIX.ini", "[A]\nK=novo\n[B]\nL=1\n");
    auto editor = demo.editor();
    // "MIX" shows none of the rows stored as "Mix", so it is seeded, but the key that
    // "Mix" already has is not added again.
    editor->PrepareForModule(QStringLiteral("MIX"), true);
    QCOMPARE(gridRows(*editor), QStringList({"B|L||1"}));
    QCOMPARE(demo.rows("MIX"), QStringList({"B/L=1"}));
    QCOMPARE(demo.rows("Mix"), QStringList({"A/K=staro"}));
    editor->PrepareForModule(QStringLiteral("Mix"), true);
    QCOMPARE(gridRows(*editor), QStringList({"A|K||staro"}));

    // An apostrophe in the module's name stays a part of the name, in the filter and in
    // the statements that look the module up.
    demo.writeFile(demo.programFolder() + "O'X.ini", "[A]\nK=1\n");
    editor->PrepareForModule(QStringLiteral("O'X"), true);
    QCOMPARE(gridRows(*editor), QStringList({"A|K||1"}));
    QCOMPARE(demo.rows("O'X"), QStringList({"A/K=1"}));
}

void SettingsEditorTest::memoShowsAndStoresTheWholeValue() {
    Demo demo;
    const QString value = QStringLiteral("  ") + QString(300, u'a') + QString(200, u'b');
    demo.database.exec(
        QStringLiteral("UPDATE SERPROG SET VREDNOST = '%1' WHERE ID_SERPROG = 2;").arg(value));
    auto editor = demo.editor();
    editor->PrepareForModule(QStringLiteral("ZEV"), true);
    QVERIFY(settingsTable(*editor).locate("ID_SERPROG", {2}));
    QCOMPARE(gridRows(*editor)[settingsTable(*editor).recNo() - 1],
             QStringLiteral("SPLOŠNE|PartnerId||") + QString(200, u'a'));

    auto* memo = part<QPlainTextEdit>(*editor, "dbmVrednost");
    QVERIFY(memo->isHidden());
    clickNavigator(*editor, "nbEdit");
    QVERIFY(!memo->isHidden());
    QCOMPARE(memo->toPlainText(), value);

    // Typed in and posted: all 2000 characters, quotes included.
    QString typed;
    while (typed.size() < 2000)
        typed += QStringLiteral("it's \"quoted\" ");
    typed.truncate(2000);
    memo->setPlainText(typed);
    clickNavigator(*editor, "nbPost");
    QVERIFY(memo->isHidden());
    QCOMPARE(demo.dmlb->GetSetting("SPLOŠNE", "PartnerId"), typed);
    clickNavigator(*editor, "nbEdit");
    QCOMPARE(memo->toPlainText(), typed);
    clickNavigator(*editor, "nbCancel");
    QVERIFY(memo->isHidden());
}

void SettingsEditorTest::insertedRowTakesTheSequenceAndTheModule() {
    Demo demo;
    auto editor = demo.editor();
    editor->PrepareForModule(QStringLiteral("ZEV"), true);
    clickNavigator(*editor, "nbInsert");
    QCOMPARE(settingsTable(*editor).state(), db::DataSetState::Insert);
    auto* memo = part<QPlainTextEdit>(*editor, "dbmVrednost");
    QVERIFY(!memo->isHidden());
    QCOMPARE(settingsTable(*editor).fieldByName("ID_SERPROG").asInteger(), 7);
    QCOMPARE(settingsTable(*editor).fieldByName("MODUL").asString(), QStringLiteral("ZEV"));
    settingsTable(*editor).fieldByName("KATEGORIJA").setAsString("SPLOŠNE");
    settingsTable(*editor).fieldByName("PARAMETER").setAsString("Novo");
    QTest::keyClicks(memo, QStringLiteral("vrednost"));
    clickNavigator(*editor, "nbPost");
    QVERIFY(memo->isHidden());
    QCOMPARE(demo.rows("ZEV").last(), QStringLiteral("SPLOŠNE/Novo=vrednost"));
    QVERIFY(messages_.empty());

    clickNavigator(*editor, "nbDelete"); // the operator confirms
    QCOMPARE(messages_.size(), size_t(1));
    QCOMPARE(messages_[0].kind, platform::MessageKind::Confirmation);
    QCOMPARE(demo.rows("ZEV").size(), 4);
}

void SettingsEditorTest::failingSequenceAbandonsTheInsert() {
    Demo demo;
    auto editor = demo.editor();
    editor->PrepareForModule(QStringLiteral("ZEV"), true);
    const int rowsBefore = settingsTable(*editor).recordCount();
    demo.database.dropSequence(QStringLiteral("SERPROG_PK_SEQ"));
    clickNavigator(*editor, "nbInsert");
    QCOMPARE(messages_.size(), size_t(1));
    QCOMPARE(messages_[0].kind, platform::MessageKind::Error);
    QVERIFY(messages_[0].text.startsWith(QStringLiteral("Error reading sequence ")));
    QVERIFY(messages_[0].text.contains(QStringLiteral("SERPROG_PK_SEQ, message: ")));
    QCOMPARE(settingsTable(*editor).state(), db::DataSetState::Browse);
    QCOMPARE(settingsTable(*editor).recordCount(), rowsBefore);
    QCOMPARE(gridRows(*editor).size(), rowsBefore);
    QVERIFY(part<QPlainTextEdit>(*editor, "dbmVrednost")->isHidden());
    QCOMPARE(demo.rows("ZEV").size(), 4);
}

void SettingsEditorTest::failingPostShowsTheErrorAndKeepsTheRow() {
    Demo demo;
    auto editor = demo.editor();
    editor->PrepareForModule(QStringLiteral("ZEV"), true);
    clickNavigator(*editor, "nbInsert");
    QVERIFY(messages_.empty());
    settingsTable(*editor).fieldByName("ID_SERPROG").setAsInteger(1); // taken: the key is violated
    settingsTable(*editor).fieldByName("PARAMETER").setAsString("Dvojnik");
    clickNavigator(*editor, "nbPost");
    QCOMPARE(messages_.size(), size_t(1));
    QCOMPARE(messages_[0].kind, platform::MessageKind::Error);
    QVERIFY(!messages_[0].text.isEmpty());
    QCOMPARE(settingsTable(*editor).state(), db::DataSetState::Insert); // the typed row stays
    QCOMPARE(settingsTable(*editor).fieldByName("PARAMETER").asString(), QStringLiteral("Dvojnik"));
    QCOMPARE(demo.rows("ZEV").size(), 4);

    // Leaving the row by a click on another row of the grid, or by Enter in the module
    // box, posts it too: the same error each time, and the grid stays on the typed row.
    editor->show();
    QVERIFY(QTest::qWaitForWindowExposed(editor.get()));
    auto* grid = part<controls::DbGrid>(*editor, "dbgSerprog");
    const int typedRow = grid->currentIndex().row();
    const QModelIndex other = grid->model()->index(typedRow == 0 ? 1 : 0, 0);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(other).center());
    auto* modules = part<QComboBox>(*editor, "cbModul");
    modules->setFocus();
    QTest::keyClick(modules, Qt::Key_Return);
    QCOMPARE(messages_.size(), size_t(3));
    QCOMPARE(messages_[2].text, messages_[0].text);
    QCOMPARE(settingsTable(*editor).state(), db::DataSetState::Insert);
    QCOMPARE(settingsTable(*editor).fieldByName("PARAMETER").asString(), QStringLiteral("Dvojnik"));
    QTRY_COMPARE(grid->currentIndex().row(), typedRow);
    QVERIFY(grid->selectionModel()->isRowSelected(typedRow, {}));
    QCOMPARE(demo.rows("ZEV").size(), 4);
}

void SettingsEditorTest::enterAndChoiceInTheModuleBoxSwitchTheModule() {
    Demo demo;
    demo.writeFile(demo.programFolder() + "NOVI.ini", "[A]\nK=1\n");
    auto editor = demo.editor();
    editor->show();
    editor->PrepareForModule(QStringLiteral("ZEV"), true);
    auto* modules = part<QComboBox>(*editor, "cbModul");
    QCOMPARE(modules->currentText(), QStringLiteral("ZEV"));

    modules->setFocus();
    modules->lineEdit()->selectAll();
    QTest::keyClicks(modules, QStringLiteral(" NOVI "));
    QTest::keyClick(modules, Qt::Key_Return);
    QCOMPARE(editor->currentModule(), QStringLiteral("NOVI"));
    QCOMPARE(gridRows(*editor), QStringList({"A|K||1"}));
    QVERIFY(editor->isVisible()); // the key went no further
    QCOMPARE(modules->count(), 2);

    modules->setCurrentIndex(0);
    Q_EMIT modules->activated(0); // chosen from the list
    QCOMPARE(editor->currentModule(), QStringLiteral("QOR"));
    QCOMPARE(part<QLabel>(*editor, "lCaption")->text(), QStringLiteral("QOR zaledni sistem"));
    QCOMPARE(gridRows(*editor).size(), 2);
}

void SettingsEditorTest::settingsFromTheMainWindowSteerTheReport() {
    Demo demo;
    const QString program = demo.root.path() + QStringLiteral("/zev/");
    const QString newFolder = demo.root.path() + QStringLiteral("/novi porocila/");
    QDir().mkpath(newFolder);
    demo.writeFile(program + "ZEV.ini", "[Splošno]\nDebug=0\n");
    QFile::copy(QStringLiteral(ZEV_SOURCE_DIR "/data/ZEVTradingAccountsReport_1_0.xsd"),
                program + QStringLiteral("ZEVTradingAccountsReport_1_0.xsd"));
    TfZEV window(*demo.dmlb, demo.arguments(), nullptr, program);
    window.show();
    auto* settings = part<QAction>(window, "Nastavitve1");
    QVERIFY(settings->isEnabled());

    QPointer<TfSifSerprog> opened;
    QTimer::singleShot(0, this, [&] {
        opened = window.findChild<TfSifSerprog*>();
        if (!opened)
            return;
        QCOMPARE(QApplication::activeModalWidget(), opened.data());
        auto closeEditor = qScopeGuard([&] { opened->close(); });
        QCOMPARE(opened->currentModule(), QStringLiteral("ZEV"));
        QCOMPARE(part<QLabel>(*opened, "lCaption")->text(), QStringLiteral("ZEV poročanje"));
        QCOMPARE(gridRows(*opened).size(), 4);
        QVERIFY(settingsTable(*opened).locate("PARAMETER", {"XML_PATH"}));
        clickNavigator(*opened, "nbEdit");
        auto* memo = part<QPlainTextEdit>(*opened, "dbmVrednost");
        memo->selectAll();
        QTest::keyClicks(memo, newFolder);
        clickNavigator(*opened, "nbPost");
    });
    settings->trigger();
    QVERIFY(opened.isNull()); // shown, closed and freed
    QCOMPARE(demo.dmlb->GetSetting("SPLOŠNE", "XML_PATH"), newFolder);

    part<entry::TPTypedEdit>(window, "pteDan")->SetDateValue(platform::encodeDate(2024, 9, 30));
    window.bbGenXMLClick();
    QCOMPARE(QDir(newFolder).entryList(QDir::Files).size(), 1);
    QVERIFY(messages_.back().text.endsWith(QStringLiteral(" uspešno generirana.")));
}

int main(int argc, char** argv) {
    platform::Application application(argc, argv);
    SettingsEditorTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settingseditor.moc"
