#include "../support/TestDatabase.h"

#include "app/ZevIni.h"
#include "db/uDMLB.h"
#include "platform/Errors.h"

#include <QFile>
#include <QTest>

namespace {

QString errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const platform::Exception& error) {
        return error.message();
    }
    return QStringLiteral("<no error>");
}

const QString Settings = QStringLiteral(
    "INSERT INTO SERPROG (ID_SERPROG, MODUL, KATEGORIJA, PARAMETER, USR, VREDNOST) VALUES "
    "(1, 'ZEV', 'SPLOŠNE', 'PartnerId', NULL, '123'),"
    "(2, 'ZEV', 'Splošne', 'TrgovalniRacun', NULL, '456'),"
    "(3, 'ZEV', 'SPLOŠNE', 'XML_PATH', NULL, ''),"
    "(4, 'ZEV', 'O''Brien', 'Quote', NULL, 'apostrophe'),"
    "(5, 'ZEV', 'PODATKI', 'Osebno', 'ana', 'za Ano'),"
    "(6, 'DRUGO', 'SPLOŠNE', 'XML_PATH', NULL, '/drugam/');"
    "INSERT INTO RGT (USR, SFRGT) VALUES ('ana', '230'), ('ana', '231');"
    "INSERT INTO GRPUSR (IDGRP, USR) VALUES (7, 'bojan');"
    "INSERT INTO GRPRGT (IDGRP, SFRGT) VALUES (7, '230');");

} // namespace

class SessionModuleTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void moduleNameDropsExeInAnyCase();
    void argumentsAreTakenOnlyInFullGroups();
    void settingsAreReadAndMissingOnesNamed();
    void settingValuesAreBoundNotPasted();
    void perUserSettingComparesTheUserColumn();
    void numbersAreFormattedForTheReport();
    void sequencesIncrementAndFailuresAreWrapped();
    void rightsAreGivenDirectlyOrThroughAGroup();
    void personIsOpenedOnItsRow();
    void iniValuesLoseTheirTrailingComment();
    void debugSwitchIsReadAsAnInteger();
};

void SessionModuleTest::moduleNameDropsExeInAnyCase() {
    QCOMPARE(TDMLB::ModuleNameOf(QStringLiteral("C:/Prog/zev.EXE")), QStringLiteral("ZEV"));
    QCOMPARE(TDMLB::ModuleNameOf(QStringLiteral("/opt/bin/ZEV.exe")), QStringLiteral("ZEV"));
    QCOMPARE(TDMLB::ModuleNameOf(QStringLiteral("/opt/bin/zev")), QStringLiteral("ZEV"));
}

void SessionModuleTest::argumentsAreTakenOnlyInFullGroups() {
    TestDatabase database;
    {
        TDMLB three({QStringLiteral("test"), QStringLiteral("u"), QStringLiteral("p")}, nullptr,
                    database.folder());
        QCOMPARE(three.DbAlias, QStringLiteral("test"));
        QCOMPARE(three.dbMain.databaseName(), QStringLiteral("TEST"));
        QCOMPARE(three.dbMain.param(QStringLiteral("USER NAME")), QStringLiteral("u"));
        QCOMPARE(three.dbMain.param(QStringLiteral("PASSWORD")), QStringLiteral("p"));
        QVERIFY(three.AppUser.isEmpty());
        QVERIFY(!three.HasRight(QStringLiteral("230")));
    }
    TDMLB two({QStringLiteral("TEST"), QStringLiteral("u")}, nullptr, database.folder());
    QVERIFY(two.DbAlias.isEmpty());
    QVERIFY(two.DbUser.isEmpty());
    QVERIFY_THROWS_EXCEPTION(platform::Exception, two.HasRight(QStringLiteral("230")));
}

void SessionModuleTest::settingsAreReadAndMissingOnesNamed() {
    TestDatabase database;
    database.exec(Settings);
    TDMLB dmlb({QStringLiteral("TEST"), QString(), QString(), QStringLiteral("ana")}, nullptr,
               database.folder());
    dmlb.setModuleNameOverride(QStringLiteral("zev"));
    QCOMPARE(dmlb.GetSetting(QStringLiteral("SPLOŠNE"), QStringLiteral("PartnerId")),
             QStringLiteral("123"));
    // The stored category has a lower-case š: the upper case is the locale-aware one.
    QCOMPARE(dmlb.GetSetting(QStringLiteral("splošne"), QStringLiteral("trgovalniracun")),
             QStringLiteral("456"));
    QCOMPARE(
        errorOf([&] { dmlb.GetSetting(QStringLiteral("SPLOŠNE"), QStringLiteral("XML_PATH")); }),
        QStringLiteral("Napaka nastavitev ne obstaja. (SPLOŠNE/XML_PATH)"));
    QCOMPARE(
        errorOf([&] { dmlb.GetSetting(QStringLiteral("SPLOŠNE"), QStringLiteral("Nothing")); }),
        QStringLiteral("Napaka nastavitev ne obstaja. (SPLOŠNE/Nothing)"));
    QVERIFY(!dmlb.qSerprog.active());
}

void SessionModuleTest::settingValuesAreBoundNotPasted() {
    TestDatabase database;
    database.exec(Settings);
    TDMLB dmlb({QStringLiteral("TEST"), QString(), QString(), QStringLiteral("ana")}, nullptr,
               database.folder());
    dmlb.setModuleNameOverride(QStringLiteral("ZEV"));
    QCOMPARE(dmlb.GetSetting(QStringLiteral("O'Brien"), QStringLiteral("Quote")),
             QStringLiteral("apostrophe"));
    const QString injected = QStringLiteral("X' OR '1'='1");
    QCOMPARE(errorOf([&] { dmlb.GetSetting(injected, injected); }),
             QStringLiteral("Napaka nastavitev ne obstaja. (%1/%1)").arg(injected));
}

void SessionModuleTest::perUserSettingComparesTheUserColumn() {
    TestDatabase database;
    database.exec(Settings);
    TDMLB dmlb({QStringLiteral("TEST"), QString(), QString(), QStringLiteral("ANA")}, nullptr,
               database.folder());
    dmlb.setModuleNameOverride(QStringLiteral("ZEV"));
    QCOMPARE(dmlb.GetSetting(QStringLiteral("PODATKI"), QStringLiteral("Osebno"), true),
             QStringLiteral("za Ano"));
    dmlb.AppUser = QStringLiteral("bojan");
    QVERIFY_THROWS_EXCEPTION(platform::Exception, dmlb.GetSetting(QStringLiteral("PODATKI"),
                                                                  QStringLiteral("Osebno"), true));
}

void SessionModuleTest::numbersAreFormattedForTheReport() {
    const std::pair<double, const char*> cases[] = {
        {1234.5, "1234.5"},     {1234.567891, "1234.56789"},
        {100, "100"},           {0.000004, "0"},
        {-2.5, "-2.5"},         {2.0000049, "2"},
        {2.0000051, "2.00001"}, {12000000000.0, "12000000000"},
        {-1234.5, "-1234.5"},   {1500, "1500"},
    };
    for (const auto& [value, text] : cases)
        QCOMPARE(TDMLB::FormatNumber(value), QString::fromLatin1(text));
}

void SessionModuleTest::sequencesIncrementAndFailuresAreWrapped() {
    TestDatabase database;
    TDMLB dmlb({QStringLiteral("TEST"), QString(), QString()}, nullptr, database.folder());
    const qint64 first = dmlb.NextSequenceValue(QStringLiteral("SERPROG_PK_SEQ"));
    QCOMPARE(dmlb.NextSequenceValue(QStringLiteral("serprog_pk_seq")), first + 1);
    const QString missing = errorOf([&] { dmlb.NextSequenceValue(QStringLiteral("NOSUCH_SEQ")); });
    QVERIFY2(missing.startsWith(QStringLiteral("Error reading sequence EDBEngineError, NOSUCH_SEQ, "
                                               "message: ")),
             qPrintable(missing));
    QVERIFY2(missing.contains(QStringLiteral("NOSUCH_SEQ"), Qt::CaseInsensitive),
             qPrintable(missing));
    const QString unsafe =
        errorOf([&] { dmlb.NextSequenceValue(QStringLiteral("x FROM osb --")); });
    QVERIFY2(unsafe.startsWith(QStringLiteral("Error reading sequence ")), qPrintable(unsafe));
    QVERIFY(!dmlb.qIdSeq.active());
}

void SessionModuleTest::rightsAreGivenDirectlyOrThroughAGroup() {
    TestDatabase database;
    database.exec(Settings);
    TDMLB dmlb({QStringLiteral("TEST"), QString(), QString(), QStringLiteral("ana")}, nullptr,
               database.folder());
    QVERIFY(dmlb.HasRight(QStringLiteral("230")));
    QVERIFY(dmlb.HasRight(QStringLiteral("231")));
    QVERIFY(!dmlb.HasRight(QStringLiteral("232")));
    dmlb.AppUser = QStringLiteral("bojan");
    QVERIFY(dmlb.HasRight(QStringLiteral("230")));
    QVERIFY(!dmlb.HasRight(QStringLiteral("231")));
    dmlb.AppUser = QStringLiteral("cene");
    QVERIFY(!dmlb.HasRight(QStringLiteral("230")));
    QVERIFY(!dmlb.qRgt.active());
}

void SessionModuleTest::personIsOpenedOnItsRow() {
    TestDatabase database;
    database.exec(
        QStringLiteral("INSERT INTO OSB (SFOSB, DVS, IME, NZV) VALUES "
                       "(1, '11111111', 'Ana', 'Novak'), (2, '22222222', '', 'Borza d.d.');"));
    TDMLB dmlb({QStringLiteral("TEST"), QString(), QString()}, nullptr, database.folder());
    db::Query& person = dmlb.OpenPerson(2);
    QVERIFY(person.active());
    QCOMPARE(person.fieldByName(QStringLiteral("dvs")).asString(), QStringLiteral("22222222"));
    QCOMPARE(person.fieldByName(QStringLiteral("NZV")).asString(), QStringLiteral("Borza d.d."));
    person.close();
}

void SessionModuleTest::iniValuesLoseTheirTrailingComment() {
    QCOMPARE(stripIniComment(QStringLiteral(" /srv/zev // strežnik")), QStringLiteral("/srv/zev"));
    QCOMPARE(stripIniComment(QStringLiteral("/srv/zev\t")), QStringLiteral("/srv/zev"));
    QCOMPARE(stripIniComment(QStringLiteral("// samo opomba")), QString());

    QTemporaryDir dir;
    QCOMPARE(readZevIni(dir.path()).fileFound, false);
    QFile file(dir.filePath(QStringLiteral("ZEV.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Splošno]\nXMLPath_Server=\\\\strežnik\\zev // mapa na strežniku\n");
    file.close();
    const ZevIniSettings ini = readZevIni(dir.path());
    QVERIFY(ini.fileFound);
    QCOMPARE(ini.XmlPathServer, QStringLiteral("\\\\strežnik\\zev"));
    QCOMPARE(ini.DbType, QStringLiteral("ORACLE"));
    QCOMPARE(ini.agencyHost, QString::fromLatin1(DefaultAgencyHost));
}

void SessionModuleTest::debugSwitchIsReadAsAnInteger() {
    const std::pair<const char*, bool> cases[] = {
        {"Debug=1\n", true},    {"Debug=-1\n", true}, {"Debug=0\n", false},
        {"Debug=yes\n", false}, {"", false},
    };
    for (const auto& [line, on] : cases) {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("ZEV.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("[Splošno]\nTip=ORACLE // baza\n") + line);
        file.close();
        QCOMPARE(readZevIni(dir.path()).DebugOn, on);
    }
}

QTEST_GUILESS_MAIN(SessionModuleTest)
#include "tst_session.moc"
