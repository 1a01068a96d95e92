#include "../support/TestDatabase.h"
#include "EngineFolder.h"

#include "db/Query.h"
#include "db/Session.h"
#include "platform/MessageBox.h"
#include "platform/ProfileFile.h"
#include "translation/QorPrevod.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <iostream>

using translation::TQorPrevod;

namespace {

// A throwaway database reached as "LB", and a program folder of its own for the engine's
// files; both are dropped with the fixture.
class EngineFixture : public EngineFolder {
public:
    explicit EngineFixture(bool demoContent = true) {
        if (demoContent)
            database.loadDemoContent();
        db::Session& session = db::Session::defaultSession();
        session.setMainDatabase(&session.database(database.alias()));
    }
    ~EngineFixture() { db::Session::defaultSession().setMainDatabase(nullptr); }

    // An engine on "LB", created as a form creates it.
    std::unique_ptr<TQorPrevod> engine() const { return std::make_unique<TQorPrevod>(nullptr); }
    // One that has not read the settings or requests.
    std::unique_ptr<TQorPrevod> bareEngine() const {
        return std::make_unique<TQorPrevod>(nullptr, TQorPrevod::Creation::Designing);
    }

    TestDatabase database;
};

int count(const QString& table, const QString& condition = QStringLiteral("1=1")) {
    return scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(table, condition)).toInt();
}

void run(const QString& statement) {
    db::Query query;
    query.setDatabaseName(QStringLiteral("LB"));
    query.setSqlText(statement);
    query.execSql();
}

const QString TranslatedOn = QStringLiteral("[QOR]\nLANGUAGE=ENG\nTRANSLATE=1\n");

// A form record with texts: text i has name "Text<i>" and source "Vir <i>"; translated ones
// have the English "Source <i>".
void addForm(int id, const QString& name, int texts, bool translated, int firstKey = 1000) {
    run(QStringLiteral("INSERT INTO PREVOD_FORME (ID_PREVODA, FORMNAME, PROGRAMNAME) "
                       "VALUES (%1, '%2', '')")
            .arg(id)
            .arg(QString(name).replace(QLatin1Char('\''), QStringLiteral("''"))));
    for (int i = 0; i < texts; ++i) {
        const int key = firstKey + i;
        run(QStringLiteral("INSERT INTO PREVOD_ORG (ID_PREVODA, ID_PREVOD_ORG, NAME, ORGTEXT) "
                           "VALUES (%1, %2, 'Text%3', 'Vir %3')")
                .arg(id)
                .arg(key)
                .arg(i));
        if (translated)
            run(QStringLiteral("INSERT INTO PREVOD_DATA (ID_PREVODA, ID_PREVOD_ORG, "
                               "ID_PREVOD_DATA, NAME, TRANSLTEXT, TRANSLATED, KODA_JEZIKA) "
                               "VALUES (%1, %2, %2, 'Text%3', 'Source %3', 'Y', 'ENG')")
                    .arg(id)
                    .arg(key)
                    .arg(i));
    }
}

// The engine's part of a pass over a form: the form record, the preload, the section check
// and one lookup per text. Answers the statements it ran.
int passOverForm(TQorPrevod& engine, const QString& formName, int texts, bool translated) {
    const int before = engine.StatementCount();
    engine.OpenLocalFile(true);
    engine.setLocalValid(false);
    engine.SetFormRecord(formName);
    engine.PreloadFormTexts();
    engine.setSection(formName);
    if (!engine.FormId().isEmpty()) {
        engine.CheckLocalSection();
        engine.WriteServerStamp();
    }
    for (int i = 0; i < texts; ++i) {
        QString result;
        engine.GetTranslation(QStringLiteral("Text%1").arg(i), QStringLiteral("Vir %1").arg(i),
                              result);
        const QString expected =
            (translated ? QStringLiteral("Source %1") : QStringLiteral("Vir %1")).arg(i);
        if (result != expected)
            qWarning("Text%d gave %s", i, qPrintable(result));
    }
    engine.CloseLocalFile();
    return engine.StatementCount() - before;
}

} // namespace

class QorPrevodTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void withoutSettingsTranslationIsOffAndRequestsStillRun();
    void settingsAreReadAndTheLanguageUpperCased();
    void initEventIsRaisedTwiceAfterASuccessfulImport();
    void deleteRequestsStopAtAllAndSkipDoneOnes();
    void deleteRequestForAFormWithoutRecordDeletesNothing();
    void importRequestsWithoutScriptAreMarkedDone();
    void aScriptNamedTwiceRunsOnce();
    void scriptGrammarAndFailingStatementsLogged();
    void aBrokenScriptStatementFailsAlone();
    void nextKeyStartsCountersAndKeepsPrefixes();
    void twoConnectionsDrawDifferentKeys();
    void missingTranslationIsCachedAsItsOwnText();
    void currentSectionAnswersWithoutTheDatabase();
    void blankCachedValueGoesOnToTheDatabase();
    void stampsCompareExactlyWithFractions();
    void writeModeRecordsMissingTexts();
    void textsWithApostrophesAreBoundNotPasted();
    void unwritableCacheLeavesLookupsToTheDatabase();
    void demoDialogsHaveEnglishTranslations();
    void statementsOfAPassOverFortyTexts();
};

void QorPrevodTest::withoutSettingsTranslationIsOffAndRequestsStillRun() {
    EngineFixture fixture;
    addForm(50, QStringLiteral("Old"), 2, true);
    fixture.write(QStringLiteral("QorTranslation.ini"), QStringLiteral("[DELETE]\nOLD=1\n"));
    auto engine = fixture.engine();
    QVERIFY(!engine->Translation());
    QVERIFY(!engine->WriteMode());
    QCOMPARE(engine->Language(), QStringLiteral("SLO"));
    QCOMPARE(engine->LanguageText(), QStringLiteral("Slovenščina"));
    QCOMPARE(engine->DatabaseName(), QStringLiteral("LB"));
    QVERIFY(engine->FullWindow());
    // The request was carried out and marked done.
    QCOMPARE(count(QStringLiteral("PREVOD_FORME"), QStringLiteral("ID_PREVODA=50")), 0);
    QCOMPARE(count(QStringLiteral("PREVOD_DATA"), QStringLiteral("ID_PREVODA=50")), 0);
    QCOMPARE(platform::ProfileFile(fixture.folder() + "QorTranslation.ini")
                 .readString(QStringLiteral("DELETE"), QStringLiteral("OLD")),
             QStringLiteral("0"));
    // Lookups give the source text and write no cache.
    engine->OpenLocalFile(true);
    engine->SetFormRecord(QStringLiteral("koledar"));
    engine->setSection(QStringLiteral("koledar"));
    QString result = QStringLiteral("untouched");
    engine->GetTranslation(QStringLiteral("pnlMON"), QStringLiteral("Pon"), result);
    QCOMPARE(result, QStringLiteral("Pon"));
    engine->GetTranslation(QString(), QStringLiteral("Pon"), result = QStringLiteral("kept"));
    QCOMPARE(result, QStringLiteral("kept"));
    engine->CloseLocalFile();
    QVERIFY(!QFile::exists(engine->LocalFilePath()));
}

void QorPrevodTest::settingsAreReadAndTheLanguageUpperCased() {
    EngineFixture fixture;
    fixture.write(QStringLiteral("QorTrans.ini"),
                  QStringLiteral("[qor]\nlanguage=eng\nWRITE.TRANS=1\nTRANSLATE=1\nWINDOWSIZE=1\n"
                                 "FULLWINDOW=0\nAUTOCREATE=1\n"));
    auto engine = fixture.engine();
    QCOMPARE(engine->Language(), QStringLiteral("ENG"));
    QCOMPARE(engine->LanguageText(), QStringLiteral("English"));
    QVERIFY(engine->Translation() && engine->WriteMode() && engine->WindowSize());
    QVERIFY(engine->AutoCreateTranslations());
    QVERIFY(!engine->FullWindow());
    QVERIFY(!engine->OnlyCreateTranslations());
    engine->setLanguage(QStringLiteral("slo"));
    QCOMPARE(engine->Language(), QStringLiteral("SLO"));
    QCOMPARE(engine->LocalFilePath(), fixture.folder() + QStringLiteral("LNG/_SLO.lng"));
    engine->setProgramName(QStringLiteral("ZEV"));
    QCOMPARE(engine->LocalFilePath(), fixture.folder() + QStringLiteral("LNG/ZEV_SLO.lng"));
    // The process-wide program name reaches engines created afterwards.
    TQorPrevod::setProcessProgramName(QStringLiteral("ZEV"));
    QCOMPARE(fixture.bareEngine()->ProgramName(), QStringLiteral("ZEV"));
    TQorPrevod::setProcessProgramName({});
}

void QorPrevodTest::initEventIsRaisedTwiceAfterASuccessfulImport() {
    EngineFixture fixture;
    auto engine = fixture.bareEngine();
    int raised = 0;
    engine->onInitTranslation = [&](TQorPrevod& sender) {
        QCOMPARE(&sender, engine.get());
        ++raised;
    };
    engine->InitTranslationData();
    QCOMPARE(raised, 1);
    fixture.write(QStringLiteral("t.sql"),
                  QStringLiteral("INSERT INTO PREVOD_JEZIKI (KODA_JEZIKA, OPIS) "
                                 "VALUES ('DEU', 'Deutsch');\n"));
    fixture.write(QStringLiteral("QorTranslation.ini"),
                  QStringLiteral("[IMPORT]\nALL=1\n[FILES]\nALL=t.sql\n"));
    raised = 0;
    engine->InitTranslationData();
    QVERIFY(engine->Imported());
    QCOMPARE(raised, 2);
    // Done requests are not repeated.
    raised = 0;
    engine->InitTranslationData();
    QVERIFY(!engine->Imported());
    QCOMPARE(raised, 1);
}

void QorPrevodTest::deleteRequestsStopAtAllAndSkipDoneOnes() {
    EngineFixture fixture;
    addForm(50, QStringLiteral("First"), 1, true, 1000);
    addForm(51, QStringLiteral("Later"), 1, true, 1001);
    run(QStringLiteral("UPDATE PREVOD_FORME SET PROGRAMNAME='OTHER' WHERE ID_PREVODA=3"));
    fixture.write(QStringLiteral("QorTranslation.ini"),
                  QStringLiteral("[DELETE]\nLATER=0\nFIRST=1\nALL=1\nKOLEDAR=1\n"));
    auto engine = fixture.bareEngine();
    engine->InitTranslationData();
    // "ALL" empties the tables of every program.
    QCOMPARE(count(QStringLiteral("PREVOD_FORME")), 0);
    QCOMPARE(count(QStringLiteral("PREVOD_ORG")), 0);
    QCOMPARE(count(QStringLiteral("PREVOD_DATA")), 0);
    const platform::ProfileFile requests(fixture.folder() + "QorTranslation.ini");
    QCOMPARE(requests.sectionValues(QStringLiteral("DELETE")),
             QStringList({"LATER=0", "FIRST=0", "ALL=0", "KOLEDAR=1"}));
}

void QorPrevodTest::deleteRequestForAFormWithoutRecordDeletesNothing() {
    EngineFixture fixture;
    addForm(50, QStringLiteral("O'Brien"), 2, true);
    const int rows = count(QStringLiteral("PREVOD_DATA"));
    fixture.write(QStringLiteral("QorTranslation.ini"),
                  QStringLiteral("[DELETE]\nNOSUCHFORM=1\nX' OR 'A'<>'B=1\n"));
    auto engine = fixture.bareEngine();
    engine->InitTranslationData();
    QCOMPARE(count(QStringLiteral("PREVOD_DATA")), rows);
    QCOMPARE(count(QStringLiteral("PREVOD_FORME"), QStringLiteral("ID_PREVODA<9000")), 4);
    const platform::ProfileFile requests(fixture.folder() + "QorTranslation.ini");
    QCOMPARE(requests.readString(QStringLiteral("DELETE"), QStringLiteral("NOSUCHFORM")),
             QStringLiteral("0"));
    // A form name with an apostrophe is found (upper-cased, without regard to case).
    fixture.write(QStringLiteral("QorTranslation.ini"), QStringLiteral("[DELETE]\nO'BRIEN=1\n"));
    engine->InitTranslationData();
    QCOMPARE(count(QStringLiteral("PREVOD_FORME"), QStringLiteral("ID_PREVODA=50")), 0);
    QCOMPARE(count(QStringLiteral("PREVOD_ORG"), QStringLiteral("ID_PREVODA=50")), 0);
    QCOMPARE(count(QStringLiteral("PREVOD_DATA")), rows - 2);
}

void QorPrevodTest::importRequestsWithoutScriptAreMarkedDone() {
    EngineFixture fixture;
    fixture.write(QStringLiteral("QorTranslation.ini"),
                  QStringLiteral("[IMPORT]\nNOENTRY=1\nNOFILE=1\nSKIPPED=0\n"
                                 "[FILES]\nNOFILE=missing.sql\nSKIPPED=s.sql\n"));
    fixture.write(QStringLiteral("s.sql"), QStringLiteral("DELETE FROM PREVOD_JEZIKI;\n"));
    auto engine = fixture.bareEngine();
    engine->InitTranslationData();
    QVERIFY(!engine->Imported());
    QCOMPARE(count(QStringLiteral("PREVOD_JEZIKI")), 2);
    const platform::ProfileFile requests(fixture.folder() + "QorTranslation.ini");
    QCOMPARE(requests.sectionValues(QStringLiteral("IMPORT")),
             QStringList({"NOENTRY=0", "NOFILE=0", "SKIPPED=0"}));
}

void QorPrevodTest::aScriptNamedTwiceRunsOnce() {
    EngineFixture fixture;
    fixture.write(QStringLiteral("Twice.sql"),
                  QStringLiteral("UPDATE S_KLJUCI SET STEVEC=STEVEC+1 WHERE IDKLJUC='Nalog';\n"));
    fixture.write(QStringLiteral("QorTranslation.ini"),
                  QStringLiteral("[IMPORT]\nA=1\nB=1\n[FILES]\nA=Twice.sql\nB=twice.SQL\n"));
    QFile::link(fixture.folder() + "Twice.sql", fixture.folder() + "twice.SQL");
    fixture.bareEngine()->InitTranslationData();
    QCOMPARE(scalar(QStringLiteral("SELECT STEVEC FROM S_KLJUCI WHERE IDKLJUC='Nalog'")),
             QStringLiteral("1043"));
}

void QorPrevodTest::scriptGrammarAndFailingStatementsLogged() {
    EngineFixture fixture;
    fixture.write(QStringLiteral("lang.sql"),
                  QStringLiteral("-- languages\n"
                                 "\n"
                                 "  INSERT INTO PREVOD_JEZIKI (KODA_JEZIKA, OPIS)  \n"
                                 "VALUES ('DEU', 'Deutsch; Sprache');\n"
                                 ";\n"
                                 "INSERT INTO PREVOD_JEZIKI (KODA_JEZIKA) VALUES\n"
                                 "('BAD');\n"
                                 "INSERT INTO PREVOD_JEZIKI (KODA_JEZIKA, OPIS) VALUES ('ITA', "
                                 "'Italiano')"));
    fixture.write(QStringLiteral("QorTranslation.ini"),
                  QStringLiteral("[IMPORT]\nALL=1\n[FILES]\nALL=lang.sql\n"));
    auto engine = fixture.bareEngine();
    engine->InitTranslationData();
    QVERIFY(engine->Imported());
    QCOMPARE(scalar(QStringLiteral("SELECT OPIS FROM PREVOD_JEZIKI WHERE KODA_JEZIKA='DEU'")),
             QStringLiteral("Deutsch; Sprache"));
    QCOMPARE(scalar(QStringLiteral("SELECT OPIS FROM PREVOD_JEZIKI WHERE KODA_JEZIKA='ITA'")),
             QStringLiteral("Italiano"));
    QCOMPARE(count(QStringLiteral("PREVOD_JEZIKI")), 4);
    // Only the failing statement is logged: its lines, the engine's message, an empty line.
    const QStringList log =
        fixture.read(QStringLiteral("lang.sql.log")).split(QStringLiteral("\r\n"));
    QCOMPARE(log.size(), 5);
    QCOMPARE(log[0], QStringLiteral("INSERT INTO PREVOD_JEZIKI (KODA_JEZIKA) VALUES"));
    QCOMPARE(log[1], QStringLiteral("('BAD')"));
    QVERIFY2(!log[2].isEmpty(), qPrintable(log[2]));
    QCOMPARE(log[3], QString());
    QCOMPARE(log[4], QString());
}

void QorPrevodTest::aBrokenScriptStatementFailsAlone() {
    // As Notepad saves it: a byte-order mark, CR LF. The second statement lacks its
    // closing apostrophe; it fails and is logged alone, and the statements around it,
    // one of them over two lines, are imported.
    EngineFixture fixture;
    fixture.write(QStringLiteral("multi.sql"),
                  QStringLiteral("\uFEFF-- jeziki\r\n"
                                 "INSERT INTO PREVOD_JEZIKI (KODA_JEZIKA, OPIS) VALUES ('SL2', "
                                 "'Slovenščina');\r\n"
                                 "INSERT INTO PREVOD_JEZIKI (KODA_JEZIKA, OPIS) VALUES ('IT2', "
                                 "'Italiano);\r\n"
                                 "INSERT INTO PREVOD_JEZIKI (KODA_JEZIKA, OPIS)\r\n"
                                 "VALUES ('HR2', 'Hrvatski')\r\n"
                                 "-- konec\r\n"));
    fixture.write(QStringLiteral("QorTranslation.ini"),
                  QStringLiteral("[IMPORT]\nALL=1\n[FILES]\nALL=multi.sql\n"));
    auto engine = fixture.bareEngine();
    engine->InitTranslationData();
    QVERIFY(engine->Imported());
    QCOMPARE(scalar(QStringLiteral("SELECT OPIS FROM PREVOD_JEZIKI WHERE KODA_JEZIKA='SL2'")),
             QStringLiteral("Slovenščina"));
    QCOMPARE(scalar(QStringLiteral("SELECT OPIS FROM PREVOD_JEZIKI WHERE KODA_JEZIKA='HR2'")),
             QStringLiteral("Hrvatski"));
    QCOMPARE(scalar(QStringLiteral("SELECT OPIS FROM PREVOD_JEZIKI WHERE KODA_JEZIKA='IT2'")),
             QStringLiteral("<none>"));
    const QStringList log =
        fixture.read(QStringLiteral("multi.sql.log")).split(QStringLiteral("\r\n"));
    QCOMPARE(log.size(), 4);
    QCOMPARE(log[0], QStringLiteral("INSERT INTO PREVOD_JEZIKI (KODA_JEZIKA, OPIS) VALUES ('IT2', "
                                    "'Italiano)"));
    QVERIFY(!log[1].isEmpty());
    QVERIFY(fixture.read(QStringLiteral("QorTranslation.ini")).contains(QStringLiteral("ALL=0")));
}

void QorPrevodTest::nextKeyStartsCountersAndKeepsPrefixes() {
    EngineFixture fixture;
    run(QStringLiteral("INSERT INTO S_KLJUCI (IDKLJUC, STEVEC, TIP, VIDEN, PREDPONA) "
                       "VALUES ('Test', 41, '1', 0, 'T')"));
    auto engine = fixture.bareEngine();
    QCOMPARE(engine->NextKey(QStringLiteral("Nov")), QStringLiteral("1"));
    QCOMPARE(scalar(QStringLiteral("SELECT STEVEC FROM S_KLJUCI WHERE IDKLJUC='Nov'")),
             QStringLiteral("2"));
    QCOMPARE(scalar(QStringLiteral("SELECT TIP || '/' || VIDEN FROM S_KLJUCI WHERE "
                                   "IDKLJUC='Nov'")),
             QStringLiteral("1/0"));
    QCOMPARE(engine->NextKey(QStringLiteral("Nov")), QStringLiteral("2"));
    QCOMPARE(engine->NextKey(QStringLiteral("Test")), QStringLiteral("T41"));
    QCOMPARE(scalar(QStringLiteral("SELECT STEVEC FROM S_KLJUCI WHERE IDKLJUC='Test'")),
             QStringLiteral("42"));
    QCOMPARE(engine->NextKey(QStringLiteral("Nalog")), QStringLiteral("N-1042/24"));
    // Without increment the counter is only read.
    QCOMPARE(engine->NextKey(QStringLiteral("Test"), false), QStringLiteral("T42"));
    QCOMPARE(scalar(QStringLiteral("SELECT STEVEC FROM S_KLJUCI WHERE IDKLJUC='Test'")),
             QStringLiteral("42"));
    // A counter name that would break a pasted statement is a name like any other.
    QCOMPARE(engine->NextKey(QStringLiteral("x' OR '1'='1")), QStringLiteral("1"));
    QCOMPARE(engine->NextKey(QStringLiteral("Test")), QStringLiteral("T42"));
}

void QorPrevodTest::twoConnectionsDrawDifferentKeys() {
    EngineFixture fixture;
    const int perProcess = 40;
    std::vector<std::unique_ptr<QProcess>> drawers;
    for (const char* counter : {"Prevod_org", "Fresh"}) {
        for (int i = 0; i < 2; ++i) {
            drawers.push_back(std::make_unique<QProcess>());
            drawers.back()->start(QCoreApplication::applicationFilePath(),
                                  {QStringLiteral("--draw-keys"), fixture.database.folder(),
                                   fixture.database.alias(), QString::fromLatin1(counter),
                                   QString::number(perProcess)});
        }
    }
    QSet<QString> orgKeys;
    QSet<QString> freshKeys;
    for (std::size_t i = 0; i < drawers.size(); ++i) {
        QProcess& drawer = *drawers[i];
        QVERIFY(drawer.waitForFinished(120000));
        QVERIFY2(drawer.exitCode() == 0, drawer.readAllStandardError().constData());
        for (const QByteArray& key : drawer.readAllStandardOutput().split('\n'))
            if (!key.isEmpty())
                (i < 2 ? orgKeys : freshKeys).insert(QString::fromLatin1(key));
    }
    QCOMPARE(orgKeys.size(), 2 * perProcess);
    QCOMPARE(freshKeys.size(), 2 * perProcess);
    QVERIFY(freshKeys.contains(QStringLiteral("1")));
    QCOMPARE(scalar(QStringLiteral("SELECT STEVEC FROM S_KLJUCI WHERE IDKLJUC='Prevod_org'")),
             QString::number(21 + 2 * perProcess));
    QCOMPARE(scalar(QStringLiteral("SELECT STEVEC FROM S_KLJUCI WHERE IDKLJUC='Fresh'")),
             QString::number(1 + 2 * perProcess));
}

void QorPrevodTest::missingTranslationIsCachedAsItsOwnText() {
    EngineFixture fixture;
    fixture.write(QStringLiteral("QorTrans.ini"), TranslatedOn);
    addForm(50, QStringLiteral("Plain"), 3, false);
    auto engine = fixture.engine();
    QCOMPARE(passOverForm(*engine, QStringLiteral("Plain"), 3, false), 3 + 2 + 3);
    const platform::ProfileFile cache(engine->LocalFilePath());
    QCOMPARE(engine->LocalFilePath(), fixture.folder() + QStringLiteral("LNG/_ENG.lng"));
    QCOMPARE(cache.readString(QStringLiteral("Plain"), QStringLiteral("Text1")),
             QStringLiteral("Vir 1"));
    // The stamp that the section check gave the form record is the section's.
    QVERIFY(!engine->ServerStamp().isEmpty());
    QCOMPARE(cache.readString(QStringLiteral("Plain"), QStringLiteral("DT_CHANGE")),
             engine->ServerStamp());
    QCOMPARE(count(QStringLiteral("PREVOD_DATA"), QStringLiteral("ID_PREVODA=50")), 0);
}

void QorPrevodTest::currentSectionAnswersWithoutTheDatabase() {
    EngineFixture fixture;
    fixture.write(QStringLiteral("QorTrans.ini"), TranslatedOn);
    addForm(50, QStringLiteral("Plain"), 5, false);
    auto engine = fixture.engine();
    passOverForm(*engine, QStringLiteral("Plain"), 5, false);
    // The second pass: form record, preload and stamp; no statement per text.
    QCOMPARE(passOverForm(*engine, QStringLiteral("Plain"), 5, false), 3);
    QVERIFY(engine->LocalValid());
    // Another workstation saves a translation: the stamp changes and the section is stale.
    run(QStringLiteral("INSERT INTO PREVOD_DATA (ID_PREVODA, ID_PREVOD_ORG, ID_PREVOD_DATA, "
                       "NAME, TRANSLTEXT, TRANSLATED, KODA_JEZIKA) VALUES (50, 1002, 900, "
                       "'Text2', 'Source 2', 'Y', 'ENG')"));
    run(QStringLiteral("UPDATE PREVOD_FORME SET DT_CHANGE='2030-01-01 10:00:00' "
                       "WHERE ID_PREVODA=50"));
    engine->OpenLocalFile(true);
    engine->SetFormRecord(QStringLiteral("Plain"));
    engine->setSection(QStringLiteral("Plain"));
    engine->CheckLocalSection();
    QVERIFY(!engine->LocalValid());
    QCOMPARE(engine->ServerStamp(), QStringLiteral("2030-01-01 10:00:00"));
    QString result;
    engine->GetTranslation(QStringLiteral("Text2"), QStringLiteral("Vir 2"), result);
    QCOMPARE(result, QStringLiteral("Source 2"));
    engine->CloseLocalFile();
}

void QorPrevodTest::blankCachedValueGoesOnToTheDatabase() {
    EngineFixture fixture;
    fixture.write(QStringLiteral("QorTrans.ini"), TranslatedOn);
    addForm(50, QStringLiteral("Form"), 2, true);
    run(QStringLiteral("UPDATE PREVOD_FORME SET DT_CHANGE='2024-01-02 03:04:05' "
                       "WHERE ID_PREVODA=50"));
    QDir(fixture.folder()).mkdir(QStringLiteral("LNG"));
    fixture.write(QStringLiteral("LNG/_ENG.lng"),
                  QStringLiteral("[Form]\nDT_CHANGE=2024-01-02 03:04:05\nText0=   \n"
                                 "Text1=Cached 1\n"));
    auto engine = fixture.engine();
    engine->OpenLocalFile(false);
    engine->SetFormRecord(QStringLiteral("Form"));
    engine->setSection(QStringLiteral("Form"));
    engine->CheckLocalSection();
    QVERIFY(engine->LocalValid());
    const int before = engine->StatementCount();
    QString result;
    engine->GetTranslation(QStringLiteral("Text1"), QStringLiteral("Vir 1"), result);
    QCOMPARE(result, QStringLiteral("Cached 1"));
    QCOMPARE(engine->StatementCount(), before);
    engine->GetTranslation(QStringLiteral("Text0"), QStringLiteral("Vir 0"), result);
    QCOMPARE(result, QStringLiteral("Source 0"));
    QCOMPARE(engine->StatementCount(), before + 1);
    engine->CloseLocalFile();
    QCOMPARE(platform::ProfileFile(engine->LocalFilePath())
                 .readString(QStringLiteral("Form"), QStringLiteral("Text0")),
             QStringLiteral("Source 0"));
}

void QorPrevodTest::stampsCompareExactlyWithFractions() {
    EngineFixture fixture;
    fixture.write(QStringLiteral("QorTrans.ini"), TranslatedOn);
    addForm(50, QStringLiteral("Form"), 1, true);
    run(QStringLiteral("UPDATE PREVOD_FORME SET DT_CHANGE='2026-12-09 10:11:12.123456' "
                       "WHERE ID_PREVODA=50"));
    auto engine = fixture.engine();
    passOverForm(*engine, QStringLiteral("Form"), 1, true);
    QCOMPARE(engine->ServerStamp(), QStringLiteral("2026-12-09 10:11:12.123456"));
    passOverForm(*engine, QStringLiteral("Form"), 1, true);
    QVERIFY(engine->LocalValid());
    // A stamp one microsecond later is another stamp.
    run(QStringLiteral("UPDATE PREVOD_FORME SET DT_CHANGE='2026-12-09 10:11:12.123457' "
                       "WHERE ID_PREVODA=50"));
    passOverForm(*engine, QStringLiteral("Form"), 1, true);
    QVERIFY(!engine->LocalValid());
    passOverForm(*engine, QStringLiteral("Form"), 1, true);
    QVERIFY(engine->LocalValid());
}

void QorPrevodTest::writeModeRecordsMissingTexts() {
    EngineFixture fixture;
    fixture.write(QStringLiteral("QorTrans.ini"),
                  QStringLiteral("[QOR]\nLANGUAGE=ENG\nTRANSLATE=1\nWRITE.TRANS=1\n"));
    int messages = 0;
    platform::ScopedMessageSink sink([&](platform::MessageKind, const QString&) {
        ++messages;
        return platform::MessageResult::Ok;
    });
    auto engine = fixture.engine();
    engine->setOnlyCreateTranslations(true);
    engine->OpenLocalFile(true);
    QVERIFY(engine->SetFormRecord(QStringLiteral("NewForm")));
    QCOMPARE(engine->FormId(), QStringLiteral("4"));
    QVERIFY(!engine->SetFormRecord(QStringLiteral("NewForm")));
    QCOMPARE(engine->FormId(), QStringLiteral("4"));
    engine->setSection(QStringLiteral("NewForm"));
    QString result;
    engine->GetTranslation(QStringLiteral("lblName"), QStringLiteral("Ime"), result);
    QCOMPARE(result, QStringLiteral("Ime"));
    QCOMPARE(scalar(QStringLiteral("SELECT ID_PREVODA || ':' || ID_PREVOD_ORG || ':' || NAME || "
                                   "':' || ORGTEXT FROM PREVOD_ORG WHERE NAME='lblName'")),
             QStringLiteral("4:21:lblName:Ime"));
    QCOMPARE(scalar(QStringLiteral("SELECT ID_PREVOD_ORG || ':' || ID_PREVOD_DATA || ':' || "
                                   "TRANSLTEXT || ':' || TRANSLATED || ':' || KODA_JEZIKA FROM "
                                   "PREVOD_DATA WHERE NAME='lblName'")),
             QStringLiteral("21:21:Ime:N:ENG"));
    // Found again: neither a second source row nor a second translation row.
    engine->GetTranslation(QStringLiteral("lblName"), QStringLiteral("Ime"), result);
    QCOMPARE(count(QStringLiteral("PREVOD_ORG"), QStringLiteral("NAME='lblName'")), 1);
    QCOMPARE(count(QStringLiteral("PREVOD_DATA"), QStringLiteral("NAME='lblName'")), 1);
    // Another language gets its own row for the same source row.
    engine->setLanguage(QStringLiteral("SLO"));
    engine->GetTranslation(QStringLiteral("lblName"), QStringLiteral("Ime"), result);
    QCOMPARE(count(QStringLiteral("PREVOD_ORG"), QStringLiteral("NAME='lblName'")), 1);
    QCOMPARE(count(QStringLiteral("PREVOD_DATA"), QStringLiteral("NAME='lblName' AND "
                                                                 "ID_PREVOD_ORG=21")),
             2);
    // An empty source text is never recorded.
    engine->GetTranslation(QStringLiteral("lblEmpty"), QString(), result);
    QCOMPARE(count(QStringLiteral("PREVOD_ORG"), QStringLiteral("NAME='lblEmpty'")), 0);
    engine->CloseLocalFile();
    QCOMPARE(messages, 0);
    // Without write mode a form without record stays without one.
    engine->setWriteMode(false);
    QVERIFY(!engine->SetFormRecord(QStringLiteral("Unknown")));
    QVERIFY(engine->FormId().isEmpty());
    QCOMPARE(count(QStringLiteral("PREVOD_FORME"), QStringLiteral("ID_PREVODA<9000")), 4);
}

void QorPrevodTest::textsWithApostrophesAreBoundNotPasted() {
    EngineFixture fixture;
    fixture.write(QStringLiteral("QorTrans.ini"),
                  QStringLiteral("[QOR]\nLANGUAGE=ENG\nTRANSLATE=1\nWRITE.TRANS=1\n"));
    auto engine = fixture.engine();
    engine->setOnlyCreateTranslations(true);
    const QString form = QStringLiteral("O'Brien's \"form\"");
    const QString source = QStringLiteral("Ne' \"narekovaj\" '); DELETE FROM PREVOD_JEZIKI; --");
    QVERIFY(engine->SetFormRecord(form));
    engine->OpenLocalFile(true);
    engine->setSection(QStringLiteral("Quotes"));
    QString result;
    engine->GetTranslation(QStringLiteral("lbl'1"), source, result);
    QCOMPARE(result, source);
    QCOMPARE(count(QStringLiteral("PREVOD_JEZIKI")), 2);
    QCOMPARE(scalar(QStringLiteral("SELECT ORGTEXT FROM PREVOD_ORG WHERE NAME='lbl''1'")), source);
    QCOMPARE(scalar(QStringLiteral("SELECT FORMNAME FROM PREVOD_FORME WHERE ID_PREVODA=4")), form);
    // Translated, it is found again unchanged; so is the form record.
    run(QStringLiteral("UPDATE PREVOD_DATA SET TRANSLTEXT='Don''t \"quote\"', TRANSLATED='Y' "
                       "WHERE NAME='lbl''1'"));
    QVERIFY(!engine->SetFormRecord(form));
    QCOMPARE(engine->FormId(), QStringLiteral("4"));
    engine->GetTranslation(QStringLiteral("lbl'1"), source, result);
    QCOMPARE(result, QStringLiteral("Don't \"quote\""));
    engine->PreloadFormTexts();
    QCOMPARE(engine->FormText(QStringLiteral("LBL'1")), QStringLiteral("Don't \"quote\""));
    engine->CloseLocalFile();
    // A name made to match every row matches none.
    engine->setWriteMode(false);
    engine->GetTranslation(QStringLiteral("x' OR '1'='1"), QStringLiteral("src"), result);
    QCOMPARE(result, QStringLiteral("src"));
}

void QorPrevodTest::unwritableCacheLeavesLookupsToTheDatabase() {
    EngineFixture fixture;
    fixture.write(QStringLiteral("QorTrans.ini"), TranslatedOn);
    QVERIFY(QDir(fixture.folder()).mkpath(QStringLiteral("LNG/_ENG.lng")));
    auto engine = fixture.engine();
    for (int pass = 0; pass < 2; ++pass) {
        engine->OpenLocalFile(true);
        engine->setLocalValid(false);
        engine->SetFormRecord(QStringLiteral("koledar"));
        engine->setSection(QStringLiteral("koledar"));
        engine->CheckLocalSection();
        engine->WriteServerStamp();
        QVERIFY(!engine->LocalValid());
        QString result;
        engine->GetTranslation(QStringLiteral("pnlMON"), QStringLiteral("Pon"), result);
        QCOMPARE(result, QStringLiteral("Mon"));
        engine->CloseLocalFile();
    }
}

void QorPrevodTest::demoDialogsHaveEnglishTranslations() {
    EngineFixture fixture;
    fixture.write(QStringLiteral("QorTrans.ini"), TranslatedOn);
    auto engine = fixture.engine();
    const struct {
        const char* form;
        const char* name;
        const char* english;
    } texts[] = {{"koledar", "Title", "Calendar"},
                 {"koledar", "pnlTHU", "Thu"},
                 {"koledar", "pnlSUN", "Sun"},
                 {"fKeyboard", "Title", "Keyboard"},
                 {"nCalc", "sb7", "7"},
                 {"nCalc", "sbDot", ","}};
    for (const auto& text : texts) {
        engine->SetFormRecord(QString::fromLatin1(text.form));
        QVERIFY2(!engine->FormId().isEmpty(), text.form);
        engine->PreloadFormTexts();
        QCOMPARE(engine->FormText(QString::fromLatin1(text.name)),
                 QString::fromLatin1(text.english));
    }
    QCOMPARE(count(QStringLiteral("PREVOD_DATA"), QStringLiteral("TRANSLATED<>'Y' OR "
                                                                 "KODA_JEZIKA<>'ENG'")),
             0);
}

void QorPrevodTest::statementsOfAPassOverFortyTexts() {
    EngineFixture fixture;
    fixture.write(QStringLiteral("QorTrans.ini"), TranslatedOn);
    addForm(50, QStringLiteral("Translated40"), 40, true, 1000);
    addForm(51, QStringLiteral("Untranslated40"), 40, false, 2000);
    auto engine = fixture.engine();
    const int first = passOverForm(*engine, QStringLiteral("Translated40"), 40, true);
    const int second = passOverForm(*engine, QStringLiteral("Translated40"), 40, true);
    const int firstNew = passOverForm(*engine, QStringLiteral("Untranslated40"), 40, false);
    const int secondNew = passOverForm(*engine, QStringLiteral("Untranslated40"), 40, false);
    std::cout << "Statements for a pass over 40 texts on "
              << qPrintable(fixture.database.driverName()) << ": translated form, first pass "
              << first << ", second pass " << second << "; form without translations, first pass "
              << firstNew << ", second pass " << secondNew << std::endl;
    // First pass: form record, preload, stamp (set once and read again); no statement per
    // text when the preload has them all.
    QCOMPARE(first, 5);
    QCOMPARE(second, 3);
    QCOMPARE(firstNew, 5 + 40);
    QCOMPARE(secondNew, 3);
}

// A second process that draws keys: tst_qorprevod --draw-keys FOLDER ALIAS COUNTER COUNT
static int drawKeys(int argc, char** argv) {
    if (argc != 6)
        return 2;
    QCoreApplication application(argc, argv);
    db::Session::defaultSession().setPrivateDir(QString::fromLocal8Bit(argv[2]));
    TQorPrevod engine(nullptr, TQorPrevod::Creation::Designing);
    engine.setDatabaseName(QString::fromLocal8Bit(argv[3]));
    const QString counter = QString::fromLocal8Bit(argv[4]);
    const int keys = QString::fromLatin1(argv[5]).toInt();
    try {
        for (int i = 0; i < keys; ++i)
            std::cout << qPrintable(engine.NextKey(counter)) << std::endl;
    } catch (const std::exception& error) {
        std::cerr << error.what() << std::endl;
        return 1;
    }
    db::Session::defaultSession().close();
    return 0;
}

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--draw-keys") == 0)
        return drawKeys(argc, argv);
    QApplication application(argc, argv);
    QorPrevodTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_qorprevod.moc"
