#include "../support/ManagerParts.h"
#include "../support/TestDatabase.h"
#include "EngineFolder.h"

#include "db/Query.h"
#include "db/Session.h"
#include "platform/Components.h"
#include "platform/Errors.h"
#include "platform/FormatSettings.h"
#include "platform/MessageBox.h"
#include "platform/ProfileFile.h"
#include "platform/StdControls.h"
#include "translation/QorPrevod.h"
#include "translation/uFQorPrevodi.h"

#include "controls/ACComboBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using translation::TFQorPrevod;
using translation::TQorPrevod;

namespace {

// A throwaway database as "LB" with the demo content, a program folder of its own, and
// the messages shown (answered as answer says).
class ManagerFixture : public EngineFolder {
public:
    explicit ManagerFixture(TestDatabase::Content content = TestDatabase::Content::Schema,
                            bool demoContent = true)
        : database(QStringLiteral("TEST"), content),
          sink([this](platform::MessageKind kind, const QString& text) {
              messages << text;
              return kind == platform::MessageKind::Confirmation ? answer
                                                                 : platform::MessageResult::Ok;
          }) {
        if (demoContent)
            database.loadDemoContent();
        db::Session& session = db::Session::defaultSession();
        session.setMainDatabase(&session.database(database.alias()));
    }
    ~ManagerFixture() {
        TFQorPrevod::setModalRunner({});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        db::Session::defaultSession().setMainDatabase(nullptr);
    }
    // An engine on "LB" with the settings given, as a form creates it.
    std::unique_ptr<TQorPrevod> engine(const QString& settings, QObject* owner = nullptr) const {
        write(QStringLiteral("QorTrans.ini"), settings);
        return std::make_unique<TQorPrevod>(owner);
    }

    TestDatabase database;
    QStringList messages;
    platform::MessageResult answer = platform::MessageResult::Yes;
    platform::ScopedMessageSink sink;
};

const QString WriteMode = QStringLiteral("[QOR]\nLANGUAGE=ENG\nTRANSLATE=1\nWRITE.TRANS=1\n");
const QString TranslateOn = QStringLiteral("[QOR]\nLANGUAGE=ENG\nTRANSLATE=1\n");

void run(const QString& statement) {
    db::Query query;
    query.setDatabaseName(QStringLiteral("LB"));
    query.setSqlText(statement);
    query.execSql();
}

// The rows of a table as lines of text, in key order.
QStringList rowsOf(const QString& table, const QString& order) {
    db::Query query;
    query.setDatabaseName(QStringLiteral("LB"));
    query.setSqlText(QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(table, order));
    query.open();
    QStringList rows;
    for (; !query.eof(); query.next()) {
        QStringList values;
        for (int i = 0; i < query.fieldCount(); ++i)
            values << (query.field(i).isNull() ? QStringLiteral("<null>")
                                               : query.field(i).asString());
        rows << values.join(QLatin1Char('|'));
    }
    query.close();
    return rows;
}

// Form record 50 "Forma" with three texts in English, untranslated ('N') unless said.
void addListForm(const QString& translated = QStringLiteral("N")) {
    run(QStringLiteral("INSERT INTO PREVOD_FORME (ID_PREVODA, FORMNAME, PROGRAMNAME) VALUES "
                       "(50, 'Forma', '')"));
    for (int i = 0; i < 3; ++i) {
        run(QStringLiteral("INSERT INTO PREVOD_ORG (ID_PREVODA, ID_PREVOD_ORG, NAME, ORGTEXT) "
                           "VALUES (50, %1, 'Text%2', 'Vir %3')")
                .arg(500 + i)
                .arg(i)
                .arg(2 - i));
        run(QStringLiteral("INSERT INTO PREVOD_DATA (ID_PREVODA, ID_PREVOD_ORG, ID_PREVOD_DATA, "
                           "NAME, TRANSLTEXT, TRANSLATED, KODA_JEZIKA) VALUES (50, %1, %1, "
                           "'Text%2', 'Vir %3', '%4', 'ENG')")
                .arg(500 + i)
                .arg(i)
                .arg(2 - i)
                .arg(translated));
    }
}

// A manager form with the context of form record 50 in English, freed by the test.
std::unique_ptr<TFQorPrevod> listForm(QWidget* translated = nullptr) {
    translation::TManagerContext context;
    context.language = QStringLiteral("ENG");
    context.languageText = QStringLiteral("English");
    context.formId = QStringLiteral("50");
    context.currentForm = translated;
    auto form = std::make_unique<TFQorPrevod>(context);
    form->setFreeOnClose(false);
    return form;
}

} // namespace

class ManagerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void formHasItsPagesAndKeys();
    void dialogSavesTheFirstLineAndStampsTheForm();
    void dialogStopOnlyCreateAndCancel();
    void withoutLanguageTheSourceTextStays();
    void suggestionsComeFromOtherForms();
    void savingFromTheListReturnsToTheSameName();
    void titleClickAddsTheOrderLine();
    void deleteAndClearRemoveTextsAndCache();
    void applyCommandWritesRequests();
    void answeringNoWritesNoScript();
    void scriptValuesAreEscaped();
    void generatedScriptImportsBackUnchanged();
    void languagePageInsertsAndUpdates();
    void settingsAreWrittenIntoDravikIni();
    void constantsAreLookedUpOrFailWithTheirMessages();
    void customTranslationWithForceReloadStaysOutOfDate();
    void switchOffLastsOnlyForThisEngine();
    void managerListOpensForTheOwnerForm();
};

void ManagerTest::formHasItsPagesAndKeys() {
    TFQorPrevod form;
    const ManagerParts parts(form);
    QCOMPARE(form.objectName(), QStringLiteral("FQorPrevod"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Form translation..."));
    QCOMPARE(form.databaseName(), QStringLiteral("LB"));
    QVERIFY(form.freeOnClose() && !form.listMode());
    QCOMPARE(form.baseListSql().size(), 6);
    QVERIFY(parts.PageControl->tabBar()->isHidden());
    QCOMPARE(parts.Save->shortcut(), QKeySequence(Qt::Key_F9));
    QCOMPARE(parts.CancelAndEnd->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_Escape));
    QCOMPARE(parts.ShowClear->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_D));
    QCOMPARE(parts.SB->panelText(0), QStringLiteral("Language:"));
    QCOMPARE(parts.SB->panelText(2), QStringLiteral("F9 Save"));
    QCOMPARE(parts.SBCancelAndEnd->toolTip(), QStringLiteral("Cancel and end"));
    QVERIFY(parts.BClearForm->isHidden() && parts.PTransfer->isHidden() && parts.PSug->isHidden());
    QCOMPARE(parts.EFile->text(), QStringLiteral("Translations.sql"));
    QVERIFY(platform::findComponent(&form, QStringLiteral("mtranslation")) == parts.MTranslation);
    parts.MTranslation->setPlainText(QString(300, QLatin1Char('x')));
    QCOMPARE(parts.MTranslation->toPlainText().size(), 250);
}

void ManagerTest::dialogSavesTheFirstLineAndStampsTheForm() {
    ManagerFixture fixture;
    auto engine = fixture.engine(WriteMode);
    int dialogs = 0;
    TFQorPrevod::setModalRunner([&](TFQorPrevod& managerForm) {
        const ManagerParts form(managerForm);
        ++dialogs;
        QCOMPARE(form.PageControl->currentWidget(), form.TSTranslation);
        QCOMPARE(form.PControl->caption(), QStringLiteral("lblNaziv"));
        QCOMPARE(form.PForm->caption(), QStringLiteral("NovaForma"));
        QCOMPARE(form.MOriginal->toPlainText(), QStringLiteral("Naziv"));
        QCOMPARE(form.SB->panelText(1), QStringLiteral("ENG English"));
        QVERIFY(!managerForm.freeOnClose());
        form.MTranslation->setPlainText(QStringLiteral("Don't name\nsecond line"));
        form.Save->trigger();
    });
    engine->OpenLocalFile(true);
    QVERIFY(engine->SetFormRecord(QStringLiteral("NovaForma")));
    engine->setSection(QStringLiteral("NovaForma"));
    QString result;
    engine->GetTranslation(QStringLiteral("lblNaziv"), QStringLiteral("Naziv"), result);
    engine->CloseLocalFile();
    QCOMPARE(dialogs, 1);
    QCOMPARE(result, QStringLiteral("Don't name"));
    QVERIFY(TQorPrevod::ManagerForm() == nullptr); // the engine freed it
    QCOMPARE(scalar(QStringLiteral("SELECT TRANSLTEXT || '/' || TRANSLATED FROM PREVOD_DATA "
                                   "WHERE NAME='lblNaziv'")),
             QStringLiteral("Don't name/Y"));
    QVERIFY(scalar(QStringLiteral("SELECT DT_CHANGE FROM PREVOD_FORME WHERE ID_PREVODA=4")) !=
            QString());
    QCOMPARE(platform::ProfileFile(engine->LocalFilePath())
                 .readString(QStringLiteral("NovaForma"), QStringLiteral("lblNaziv")),
             QStringLiteral("Don't name"));
    // Translated now: found without a dialog.
    engine->GetTranslation(QStringLiteral("lblNaziv"), QStringLiteral("Naziv"), result);
    QCOMPARE(dialogs, 1);
}

void ManagerTest::dialogStopOnlyCreateAndCancel() {
    ManagerFixture fixture;
    auto engine = fixture.engine(WriteMode);
    engine->SetFormRecord(QStringLiteral("NovaForma"));
    QString command;
    TFQorPrevod::setModalRunner([&](TFQorPrevod& managerForm) {
        const ManagerParts form(managerForm);
        form.MTranslation->setPlainText(QStringLiteral("not saved"));
        if (command == u"stop")
            form.SBCancelAndEnd->click();
        else if (command == u"only")
            form.AOnlyCreateTransl->trigger();
        else
            form.Cancel->trigger();
    });
    QString result;
    command = QStringLiteral("cancel");
    engine->GetTranslation(QStringLiteral("a"), QStringLiteral("Prvi"), result);
    QCOMPARE(result, QStringLiteral("Prvi"));
    QVERIFY(!engine->AbortRequested() && !engine->OnlyCreateTranslations());
    command = QStringLiteral("stop");
    engine->GetTranslation(QStringLiteral("b"), QStringLiteral("Drugi"), result);
    QCOMPARE(result, QStringLiteral("Drugi"));
    QVERIFY(engine->AbortRequested());
    command = QStringLiteral("only");
    engine->GetTranslation(QStringLiteral("c"), QStringLiteral("Tretji"), result);
    QVERIFY(engine->OnlyCreateTranslations());
    // With only-create on, the next new text is recorded without a dialog.
    command = QStringLiteral("fail");
    TFQorPrevod::setModalRunner([](TFQorPrevod&) { QFAIL("no dialog expected"); });
    engine->GetTranslation(QStringLiteral("d"), QStringLiteral("Cetrti"), result);
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM PREVOD_DATA WHERE TRANSLATED='N' AND "
                                   "ID_PREVODA=4")),
             QStringLiteral("4"));
}

void ManagerTest::withoutLanguageTheSourceTextStays() {
    ManagerFixture fixture;
    auto engine = fixture.engine(WriteMode);
    engine->SetFormRecord(QStringLiteral("NovaForma"));
    engine->setLanguage(QString());
    TFQorPrevod::setModalRunner([](TFQorPrevod&) { QFAIL("no dialog expected"); });
    QString result;
    engine->GetTranslation(QStringLiteral("lbl"), QStringLiteral("Besedilo"), result);
    QCOMPARE(result, QStringLiteral("Besedilo"));
    QCOMPARE(fixture.messages, QStringList{QStringLiteral("No language selected.")});
}

void ManagerTest::suggestionsComeFromOtherForms() {
    ManagerFixture fixture;
    addListForm();
    // The calendar's "Pon" is "Mon"; a text "&Pon" of another form is offered it.
    run(QStringLiteral("UPDATE PREVOD_ORG SET ORGTEXT='&Pon' WHERE ID_PREVOD_ORG=500"));
    auto form = listForm();
    const ManagerParts parts(*form);
    bool shown = false;
    TFQorPrevod::setModalRunner([&](TFQorPrevod& managerForm) {
        const ManagerParts dialog(managerForm);
        shown = !dialog.PSug->isHidden();
        dialog.AUseSugg->trigger();
        QCOMPARE(dialog.MTranslation->toPlainText(), QStringLiteral("Mon"));
        dialog.Save->trigger();
    });
    QString text;
    bool stop = false;
    bool only = false;
    form->TranslateText(QStringLiteral("Text0"), text, stop, only);
    QVERIFY(shown);
    QCOMPARE(text, QStringLiteral("Mon"));
    QVERIFY(parts.PSug->isHidden());
    // A text no other form has gets no suggestions.
    TFQorPrevod::setModalRunner([&](TFQorPrevod& managerForm) {
        const ManagerParts dialog(managerForm);
        shown = !dialog.PSug->isHidden();
        dialog.AUseSugg->trigger();
        QCOMPARE(dialog.MTranslation->toPlainText(), QStringLiteral("Vir 1"));
        dialog.Cancel->trigger();
    });
    form->TranslateText(QStringLiteral("Text1"), text, stop, only);
    QVERIFY(!shown);
    QCOMPARE(text, QStringLiteral("Vir 1"));
    // A name the form does not have gives nothing, without a dialog.
    TFQorPrevod::setModalRunner([](TFQorPrevod&) { QFAIL("no dialog expected"); });
    form->TranslateText(QStringLiteral("x' OR '1'='1"), text, stop, only);
    QVERIFY(text.isEmpty());
}

void ManagerTest::savingFromTheListReturnsToTheSameName() {
    ManagerFixture fixture;
    addListForm(QStringLiteral("Y"));
    QWidget translated;
    platform::setTag(&translated, -1);
    auto form = listForm(&translated);
    TFQorPrevod::setModalRunner([&](TFQorPrevod& managerForm) {
        const ManagerParts list(managerForm);
        QCOMPARE(list.PageControl->currentWidget(), list.TSTransList);
        QCOMPARE(list.PFormList->caption(), QStringLiteral("Forma"));
        QCOMPARE(list.SB1->panelText(1), QStringLiteral("ENG English"));
        QCOMPARE(list.LQ.recordCount(), 0); // nothing untranslated
        list.SBT->click();
        QCOMPARE(list.LQ.recordCount(), 3);
        list.LQ.locate(QStringLiteral("NAME"), {QStringLiteral("Text1")});
        list.BTranslate->click();
        QVERIFY(managerForm.listMode());
        QCOMPARE(list.PageControl->currentWidget(), list.TSTranslation);
        QCOMPARE(list.PControl->caption(), QStringLiteral("Text1"));
        list.MTranslation->setPlainText(QStringLiteral("Source 1\nmore"));
        list.Save->trigger();
        QVERIFY(!managerForm.listMode());
        QCOMPARE(list.PageControl->currentWidget(), list.TSTransList);
        QCOMPARE(list.LQ.fieldByName(QStringLiteral("NAME")).asString(), QStringLiteral("Text1"));
        QCOMPARE(list.LQ.fieldByName(QStringLiteral("TRANSLTEXT")).asString(),
                 QStringLiteral("Source 1"));
        // Cancel in the text returns to the list too; Esc on the list closes the form.
        list.BTranslate->click();
        list.Cancel->trigger();
        QCOMPARE(list.PageControl->currentWidget(), list.TSTransList);
        QVERIFY(!managerForm.listMode());
    });
    form->ShowFormList();
    QCOMPARE(platform::tagOf(&translated), 0);
}

void ManagerTest::titleClickAddsTheOrderLine() {
    ManagerFixture fixture;
    addListForm();
    auto form = listForm();
    const ManagerParts parts(*form);
    form->SBUtClick(false);
    QCOMPARE(parts.LQ.recordCount(), 3);
    form->DBGrid1TitleBtnClick(QStringLiteral("OrgText"));
    QCOMPARE(parts.LQ.sql().size(), 7);
    QCOMPARE(parts.LQ.sql().last().toUpper(), QStringLiteral(" ORDER BY B.ORGTEXT"));
    QCOMPARE(parts.LQ.fieldByName(QStringLiteral("NAME")).asString(), QStringLiteral("Text2"));
    form->DBGrid1TitleBtnClick(QStringLiteral("TranslText"));
    QCOMPARE(parts.LQ.sql().last().toUpper(), QStringLiteral(" ORDER BY A.TRANSLTEXT"));
    form->DBGrid1TitleBtnClick(QStringLiteral("ID_PREVOD_ORG"));
    QCOMPARE(parts.LQ.sql().last().toUpper(), QStringLiteral(" ORDER BY B.ID_PREVOD_ORG"));
    QCOMPARE(parts.LQ.fieldByName(QStringLiteral("NAME")).asString(), QStringLiteral("Text0"));
    parts.SBUt->click();
    QCOMPARE(parts.LQ.sql().size(), 6);
    QCOMPARE(parts.LQ.fieldByName(QStringLiteral("NAME")).displayLabel(), QStringLiteral("Name"));
    QCOMPARE(parts.LQ.fieldByName(QStringLiteral("ORGTEXT")).displayLabel(),
             QStringLiteral("Org. text"));
    QCOMPARE(parts.LQ.fieldByName(QStringLiteral("ID_PREVOD_ORG")).displayWidth(), 5);
}

void ManagerTest::deleteAndClearRemoveTextsAndCache() {
    ManagerFixture fixture;
    addListForm();
    QDir(fixture.folder()).mkdir(QStringLiteral("LNG"));
    fixture.write(QStringLiteral("LNG/_ENG.lng"),
                  QStringLiteral("[Forma]\nDT_CHANGE=x\nText0=a\nText1=b\n[koledar]\nTitle=C\n"));
    auto form = listForm();
    const ManagerParts parts(*form);
    TFQorPrevod::setModalRunner([&](TFQorPrevod& managerForm) {
        const ManagerParts list(managerForm);
        managerForm.Deletetranslation1Click(); // the first row: Text0
        QCOMPARE(list.LQ.recordCount(), 2);
        list.ShowClear->trigger();
        QVERIFY(!list.BClearForm->isHidden());
        list.BClearForm->click();
    });
    form->ShowFormList();
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM PREVOD_ORG WHERE ID_PREVODA=50")),
             QStringLiteral("0"));
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM PREVOD_FORME WHERE ID_PREVODA=50")),
             QStringLiteral("0"));
    QVERIFY(form->formId().isEmpty());
    QVERIFY(parts.BClearForm->isHidden());
    const platform::ProfileFile cache(fixture.folder() + "LNG/_ENG.lng");
    QVERIFY(!cache.sectionExists(QStringLiteral("Forma")));
    QCOMPARE(cache.readString(QStringLiteral("koledar"), QStringLiteral("Title")),
             QStringLiteral("C"));
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM PREVOD_DATA WHERE ID_PREVODA<9000")),
             QStringLiteral("20"));
}

void ManagerTest::applyCommandWritesRequests() {
    ManagerFixture fixture;
    auto form = listForm();
    const ManagerParts parts(*form);
    parts.PFormList->setCaption(QStringLiteral("koledar"));
    parts.CBInstall->click();
    QVERIFY(!parts.PTransfer->isHidden());
    QCOMPARE(parts.CBForm->currentText(), QStringLiteral("CURRENT FORM"));
    QCOMPARE(parts.CBCommand->currentText(), QStringLiteral("TRANSFER TRANSLATIONS"));
    parts.CBForm->setCurrentText(QStringLiteral("ALL FORMS"));
    parts.CBCommand->setCurrentText(QStringLiteral("DELETE TRANSLATIONS"));
    parts.Button1->click();
    const platform::ProfileFile requests(fixture.folder() + "DravikTranslation.ini");
    QCOMPARE(requests.readString(QStringLiteral("DELETE"), QStringLiteral("ALL")),
             QStringLiteral("1"));
    QCOMPARE(fixture.messages, QStringList{QStringLiteral("Success")});
    parts.CBForm->setCurrentText(QStringLiteral("CURRENT FORM"));
    parts.Button2->click();
    QCOMPARE(requests.readString(QStringLiteral("DELETE"), QStringLiteral("KOLEDAR")),
             QStringLiteral("0"));
    QCOMPARE(fixture.messages.size(), 2);
}

void ManagerTest::answeringNoWritesNoScript() {
    ManagerFixture fixture;
    fixture.answer = platform::MessageResult::No;
    auto form = listForm();
    const ManagerParts parts(*form);
    parts.PFormList->setCaption(QStringLiteral("koledar"));
    parts.CBInstall->click();
    parts.Button1->click();
    const platform::ProfileFile requests(fixture.folder() + "DravikTranslation.ini");
    QCOMPARE(requests.readString(QStringLiteral("IMPORT"), QStringLiteral("KOLEDAR")),
             QStringLiteral("1"));
    QCOMPARE(requests.readString(QStringLiteral("FILES"), QStringLiteral("KOLEDAR")),
             QStringLiteral("Translations.sql"));
    QCOMPARE(fixture.messages, QStringList{QStringLiteral("Generate sql file?")});
    QVERIFY(!QFile::exists(fixture.folder() + "Translations.sql"));
    // Yes writes the script of the current form and says so.
    fixture.answer = platform::MessageResult::Yes;
    parts.Button1->click();
    QCOMPARE(fixture.messages.last(), QStringLiteral("Success"));
    QFile script(fixture.folder() + "Translations.sql");
    QVERIFY(script.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(script.readAll());
    QCOMPARE(text.count(QStringLiteral("Insert into prevod_forme")), 1);
    QCOMPARE(text.count(QStringLiteral("Insert into prevod_data")), 8);
}

void ManagerTest::scriptValuesAreEscaped() {
    ManagerFixture fixture;
    platform::FormatSettings& settings = platform::formatSettings();
    const QChar separator = settings.decimalSeparator;
    settings.decimalSeparator = QLatin1Char(',');
    db::Query query;
    query.setDatabaseName(QStringLiteral("LB"));
    run(QStringLiteral(
        "UPDATE PREVOD_ORG SET ORGTEXT='Ne''  \"da\"\nnaprej;' WHERE ID_PREVOD_ORG=12"));
    query.setSqlText(QStringLiteral(
        "SELECT O.ORGTEXT, F.DT_CHANGE, O.ID_PREVODA, CAST(2.5 AS DOUBLE PRECISION) AS X, "
        "F.PROGRAMNAME, CAST(NULL AS VARCHAR(5)) AS N FROM PREVOD_FORME F JOIN PREVOD_ORG O "
        "ON O.ID_PREVODA = F.ID_PREVODA WHERE O.ID_PREVOD_ORG = 12"));
    query.open();
    QCOMPARE(TFQorPrevod::GenerateInsertValue(query.field(0)),
             QStringLiteral("'Ne''  \"da\"' || CHR(10) || 'naprej;'"));
    QCOMPARE(TFQorPrevod::GenerateInsertValue(query.field(1)),
             QStringLiteral("'2024-09-30 12:00:00'"));
    QCOMPARE(TFQorPrevod::GenerateInsertValue(query.field(2)), QStringLiteral("2"));
    QCOMPARE(TFQorPrevod::GenerateInsertValue(query.field(3)), QStringLiteral("2.5000"));
    QCOMPARE(TFQorPrevod::GenerateInsertValue(query.field(4)), QStringLiteral("''"));
    QCOMPARE(TFQorPrevod::GenerateInsertValue(query.field(5)), QStringLiteral("NULL"));
    query.close();
    settings.decimalSeparator = separator;
}

void ManagerTest::generatedScriptImportsBackUnchanged() {
    QTemporaryDir transfer;
    const QString script = transfer.path() + QStringLiteral("/all.sql");
    QStringList forms;
    QStringList texts;
    QStringList translations;
    {
        ManagerFixture source;
        run(QStringLiteral("UPDATE PREVOD_DATA SET TRANSLTEXT='Don''t \"stop\";\r\n-- next;' "
                           "WHERE ID_PREVOD_DATA=12"));
        run(QStringLiteral("UPDATE PREVOD_DATA SET TRANSLTEXT='ends with;\n;' WHERE "
                           "ID_PREVOD_DATA=13"));
        run(QStringLiteral("UPDATE PREVOD_DATA SET TRANSLTEXT=NULL WHERE ID_PREVOD_DATA=14"));
        run(QStringLiteral("UPDATE PREVOD_FORME SET DT_CHANGE=NULL WHERE ID_PREVODA=1"));
        forms = rowsOf(QStringLiteral("PREVOD_FORME"), QStringLiteral("ID_PREVODA"));
        texts = rowsOf(QStringLiteral("PREVOD_ORG"), QStringLiteral("ID_PREVOD_ORG"));
        translations = rowsOf(QStringLiteral("PREVOD_DATA"), QStringLiteral("ID_PREVOD_DATA"));
        auto form = listForm();
        const ManagerParts parts(*form);
        parts.EFile->setText(script);
        parts.CBInstall->click();
        parts.CBForm->setCurrentText(QStringLiteral("ALL FORMS"));
        form->BGenerateClick();
    }
    ManagerFixture target(TestDatabase::Content::Schema, false);
    QFile::copy(script, target.folder() + "all.sql");
    target.write(QStringLiteral("QorTranslation.ini"),
                 QStringLiteral("[IMPORT]\nALL=1\n[FILES]\nALL=all.sql\n"));
    auto engine = target.engine(QString());
    QVERIFY(engine->Imported());
    QVERIFY2(!QFile::exists(target.folder() + "all.sql.log"),
             qPrintable(QString::number(QFile(target.folder() + "all.sql.log").size())));
    QCOMPARE(rowsOf(QStringLiteral("PREVOD_FORME"), QStringLiteral("ID_PREVODA")), forms);
    QCOMPARE(rowsOf(QStringLiteral("PREVOD_ORG"), QStringLiteral("ID_PREVOD_ORG")), texts);
    QCOMPARE(rowsOf(QStringLiteral("PREVOD_DATA"), QStringLiteral("ID_PREVOD_DATA")), translations);
}

void ManagerTest::languagePageInsertsAndUpdates() {
    ManagerFixture fixture;
    auto form = listForm();
    form->setFreeOnClose(false);
    TFQorPrevod::setModalRunner([&](TFQorPrevod& managerForm) {
        const ManagerParts page(managerForm);
        QCOMPARE(page.PageControl->currentWidget(), page.TSLanguage);
        QCOMPARE(page.CBTransLanguage->count(), 2);
        QCOMPARE(page.CBTransLanguage->currentText(), QStringLiteral("ENG English"));
        QVERIFY(!page.eKoda_jezika->isEnabled());
        page.BNew->click();
        QVERIFY(page.eKoda_jezika->isEnabled() && page.BInsert->isEnabled());
        QVERIFY(!page.BUpdate->isEnabled());
        // A language without a code is refused with a message, and nothing is stored.
        page.eKoda_jezika->setText(QStringLiteral("  "));
        page.eOpis->setText(QStringLiteral("Brez kode"));
        page.BInsert->click();
        QCOMPARE(fixture.messages, QStringList{QStringLiteral("Enter the language's code.")});
        QCOMPARE(page.CBTransLanguage->count(), 2);
        page.eKoda_jezika->setText(QStringLiteral("ITA"));
        page.eOpis->setText(QStringLiteral("Italiano d'oggi"));
        page.BInsert->click();
        QCOMPARE(page.CBTransLanguage->count(), 3);
        page.TLanguage.locate(QStringLiteral("KODA_JEZIKA"), {QStringLiteral("ITA")});
        QCOMPARE(page.eOpis->text(), QStringLiteral("Italiano d'oggi"));
        page.eOpis->setText(QStringLiteral("Italiano"));
        QVERIFY(page.BUpdate->isEnabled());
        page.BUpdate->click();
        page.CBTransLanguage->setEditText(QStringLiteral("ITA Italiano"));
    });
    bool translationOn = true;
    bool writeMode = false;
    QString code;
    QString description;
    form->EditSettings(translationOn, writeMode, code, description);
    QCOMPARE(code, QStringLiteral("ITA"));
    QCOMPARE(description, QStringLiteral("Italiano"));
    QVERIFY(translationOn && !writeMode);
    QCOMPARE(scalar(QStringLiteral("SELECT OPIS FROM PREVOD_JEZIKI WHERE KODA_JEZIKA='ITA'")),
             QStringLiteral("Italiano"));
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM PREVOD_JEZIKI WHERE OPIS='Brez kode'")),
             QStringLiteral("0"));
}

void ManagerTest::settingsAreWrittenIntoDravikIni() {
    ManagerFixture fixture;
    auto engine = fixture.engine(QStringLiteral("[QOR]\nLANGUAGE=SLO\n"));
    QPointer<TFQorPrevod> shown;
    TFQorPrevod::setModalRunner([&](TFQorPrevod& managerForm) {
        const ManagerParts page(managerForm);
        shown = &managerForm;
        QVERIFY(managerForm.freeOnClose());
        QCOMPARE(page.CBTransLanguage->currentText(), QStringLiteral("SLO Slovenščina"));
        page.CBTransLanguage->setEditText(QStringLiteral("ENG"));
        page.CBTransLanguage->FindMatch();
        QCOMPARE(managerForm.language(), QStringLiteral("ENG"));
        page.CBTranslation->setChecked(true);
        page.CBWriteMode->setChecked(true);
        page.Cancel->trigger();
    });
    QVERIFY(engine->Settings());
    QCOMPARE(engine->Language(), QStringLiteral("ENG"));
    QCOMPARE(engine->LanguageText(), QStringLiteral("English"));
    QVERIFY(engine->Translation() && engine->WriteMode());
    const platform::ProfileFile dravik(fixture.folder() + "Dravik.ini");
    QCOMPARE(dravik.readString(QStringLiteral("QOR"), QStringLiteral("LANGUAGE")),
             QStringLiteral("ENG"));
    QVERIFY(dravik.readBool(QStringLiteral("QOR"), QStringLiteral("WRITE.TRANS"), false));
    QVERIFY(dravik.readBool(QStringLiteral("QOR"), QStringLiteral("TRANSLATE"), false));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(shown.isNull()); // the page freed itself when it closed
}

void ManagerTest::constantsAreLookedUpOrFailWithTheirMessages() {
    ManagerFixture fixture;
    const auto failure = [](const std::function<void()>& action) {
        try {
            action();
        } catch (const platform::Exception& error) {
            return error.message();
        }
        return QStringLiteral("<no error>");
    };
    {
        auto off = fixture.engine(QStringLiteral("[QOR]\nLANGUAGE=ENG\n"));
        const int before = off->StatementCount();
        QString result;
        off->GetConstant(QStringLiteral("sOk"), QStringLiteral("V redu"), result);
        QCOMPARE(result, QStringLiteral("V redu"));
        QCOMPARE(off->StatementCount(), before);
        QVERIFY(!QDir(fixture.folder() + "LNG").exists());
    }
    auto engine = fixture.engine(TranslateOn);
    QString result;
    QCOMPARE(failure([&] {
                 engine->GetConstant(QStringLiteral("sOk"), QStringLiteral("V redu"), result);
             }),
             QStringLiteral("Error, form is not selected (Resourcestring form not loaded)."));
    run(QStringLiteral("INSERT INTO PREVOD_FORME (ID_PREVODA, FORMNAME, PROGRAMNAME) VALUES "
                       "(60, 'ResourceString', '')"));
    run(QStringLiteral("INSERT INTO PREVOD_ORG (ID_PREVODA, ID_PREVOD_ORG, NAME, ORGTEXT) "
                       "VALUES (60, 600, 'sOk', 'V redu')"));
    run(QStringLiteral("INSERT INTO PREVOD_DATA (ID_PREVODA, ID_PREVOD_ORG, ID_PREVOD_DATA, "
                       "NAME, TRANSLTEXT, TRANSLATED, KODA_JEZIKA) VALUES (60, 600, 600, 'sOk', "
                       "'OK', 'Y', 'ENG')"));
    engine->SetFormRecord(QStringLiteral("koledar"));
    engine->GetConstant(QStringLiteral("sOk"), QStringLiteral("V redu"), result);
    QCOMPARE(result, QStringLiteral("OK"));
    QCOMPARE(engine->IdFormeConstant(), QStringLiteral("60"));
    QCOMPARE(engine->FormId(), QStringLiteral("2")); // left as it was
    QVERIFY(!engine->LocalFileOpen());
    // The refresh made the section current: the constant comes from the cache now.
    const int before = engine->StatementCount();
    engine->GetConstant(QStringLiteral("sOk"), QStringLiteral("V redu"), result);
    QCOMPARE(result, QStringLiteral("OK"));
    QCOMPARE(engine->StatementCount(), before + 1); // the stamp only
    QCOMPARE(failure([&] {
                 engine->GetConstant(QStringLiteral("sBlank"), QStringLiteral("  "), result);
             }),
             QStringLiteral("Error translating sBlank, translation not found."));
    // ConstTranslation ends silently when the translator stops.
    engine->PrepareCustomTranslation(QStringLiteral("ResourceString"), false);
    engine->setAbortRequested(true);
    QString constant;
    bool aborted = false;
    try {
        engine->ConstTranslation(QStringLiteral("sOk"), QStringLiteral("V redu"), constant);
    } catch (const platform::Abort&) {
        aborted = true;
    }
    engine->CleanCustomTranslation();
    QVERIFY(aborted);
    QCOMPARE(constant, QStringLiteral("OK"));
    // HandleConstants and TranslateConstants raise their events with the cache open.
    int raised = 0;
    engine->onConsTranslation = [&](TQorPrevod& sender) {
        QVERIFY(sender.LocalFileOpen() && !sender.WriteMode());
        QCOMPARE(sender.Section(), QStringLiteral("ResourceString"));
        ++raised;
    };
    engine->onWriteConsTranslation = [&](TQorPrevod& sender) {
        QVERIFY(sender.Busy());
        throw platform::Exception(QStringLiteral("broken"));
    };
    engine->setWriteMode(true);
    engine->HandleConstants();
    QVERIFY(engine->WriteMode());
    engine->TranslateConstants();
    QCOMPARE(raised, 1);
    QVERIFY(!engine->Busy() && !engine->LocalFileOpen());
    QCOMPARE(fixture.messages.last(),
             QStringLiteral("Error translating constant application.\n\nbroken"));
    // The caption translations of a form go in every language.
    QVERIFY(engine->BrisiTitlePrevodForme(QStringLiteral("koledar")));
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM PREVOD_DATA WHERE ID_PREVODA=2")),
             QStringLiteral("7"));
    QCOMPARE(TQorPrevod::ServerDateFunction(), QStringLiteral("SYSDATE"));
}

void ManagerTest::customTranslationWithForceReloadStaysOutOfDate() {
    ManagerFixture fixture;
    auto engine = fixture.engine(TranslateOn);
    for (int pass = 0; pass < 2; ++pass) {
        engine->PrepareCustomTranslation(QStringLiteral("koledar"), false);
        QString result;
        engine->GetTranslation(QStringLiteral("pnlMON"), QStringLiteral("Pon"), result);
        QCOMPARE(result, QStringLiteral("Mon"));
        engine->CleanCustomTranslation();
    }
    engine->PrepareCustomTranslation(QStringLiteral("koledar"), false);
    QVERIFY(engine->LocalValid());
    engine->CleanCustomTranslation();
    engine->PrepareCustomTranslation(QStringLiteral("koledar"), true);
    QVERIFY(!engine->LocalValid());
    const int before = engine->StatementCount();
    QString result;
    engine->GetTranslation(QStringLiteral("pnlMON"), QStringLiteral("Pon"), result);
    QCOMPARE(engine->StatementCount(), before + 1);
    engine->CleanCustomTranslation();
    // While a pass runs nothing is prepared.
    engine->setBusy(true);
    engine->PrepareCustomTranslation(QStringLiteral("koledar"), false);
    QVERIFY(!engine->LocalFileOpen());
}

void ManagerTest::switchOffLastsOnlyForThisEngine() {
    ManagerFixture fixture;
    auto engine = fixture.engine(WriteMode);
    engine->SwitchOff();
    QVERIFY(!engine->Translation() && !engine->WriteMode());
    QString result;
    engine->GetTranslation(QStringLiteral("pnlMON"), QStringLiteral("Pon"), result);
    QCOMPARE(result, QStringLiteral("Pon"));
    auto next = std::make_unique<TQorPrevod>(nullptr);
    QVERIFY(next->Translation() && next->WriteMode());
}

void ManagerTest::managerListOpensForTheOwnerForm() {
    ManagerFixture fixture;
    QWidget owner;
    owner.setObjectName(QStringLiteral("koledar"));
    auto engine = fixture.engine(WriteMode, &owner);
    int shown = 0;
    TFQorPrevod::setModalRunner([&](TFQorPrevod& managerForm) {
        const ManagerParts list(managerForm);
        ++shown;
        QCOMPARE(list.PFormList->caption(),
                 QString::fromLatin1(shown == 1 ? "koledar" : "ResourceString"));
        list.Cancel->trigger();
    });
    engine->OpenTranslationManagerExecute();
    engine->OpenConstantsManager(); // creates the constants' record in write mode
    QCOMPARE(shown, 2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(TQorPrevod::ManagerForm() == nullptr);
}

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    ManagerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fqorprevod.moc"
