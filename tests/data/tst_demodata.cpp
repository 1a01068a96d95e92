// The demo database as the build makes it, and the synthetic database generator,
// checked with plain SQL on the files themselves.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

#include <algorithm>
#include <memory>

namespace {

// The holdings statement in plain SQL (data/holdings-plain.sql), with :dan bound for
// all five occurrences: a plain connection lacks NVL and qor_gettcn.
QString holdingsStatement() {
    QFile file(QStringLiteral(ZEV_SOURCE_DIR "/data/holdings-plain.sql"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("Cannot read data/holdings-plain.sql");
    return QString::fromUtf8(file.readAll());
}

// The rights statement of the session module.
const char* const kRightsStatement = "SELECT DISTINCT SFRGT FROM \n"
                                     "(SELECT SFRGT FROM RGT WHERE USR=:USR\n"
                                     "union all \n"
                                     "SELECT DISTINCT GR.SFRGT FROM GRPRGT GR JOIN GRPUSR GU ON "
                                     "GR.IDGRP=GU.IDGRP WHERE GU.USR=:USR) R\n"
                                     "WHERE SFRGT=:SFRGT";

const QString kDemoDate = QStringLiteral("2024-09-30");
const qint64 kFirstSyntheticAccount = 1000000;

// A named QSQLITE connection that is removed again when the test ends.
class Connection {
public:
    explicit Connection(const QString& file, bool readOnly = true)
        : name_(QStringLiteral("demodata-%1").arg(++counter_)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db.setDatabaseName(file);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        opened_ = db.open();
    }
    ~Connection() {
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
    }
    bool isOpen() const { return opened_; }
    QSqlDatabase database() const { return QSqlDatabase::database(name_, false); }

private:
    static inline int counter_ = 0;
    QString name_;
    bool opened_ = false;
};

QString asText(const QVariant& value) {
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::Double)
        return QString::number(value.toDouble(), 'g', 15);
    return value.toString();
}

// Runs a statement and gives back the first column of its first row (invalid when none).
QVariant scalar(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    if (!query.exec(sql))
        qWarning().noquote() << sql << query.lastError().text();
    return query.next() ? query.value(0) : QVariant();
}

// Rows of the holdings statement as "account|category|isin|currency|quantity|amount|
// krt|mic|mic_KRSB_tuj", in the order of the statement.
QStringList holdingRows(const QSqlDatabase& db, const QString& date) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(holdingsStatement())) {
        qWarning() << query.lastError().text();
        return {QStringLiteral("statement does not prepare")};
    }
    query.bindValue(QStringLiteral(":dan"), date);
    if (!query.exec()) {
        qWarning() << query.lastError().text();
        return {QStringLiteral("statement does not run")};
    }
    QStringList rows;
    const QStringList columns = {"accountNo",    "Category", "Isin", "Currency",    "Quantity",
                                 "Amount_Value", "krt",      "mic",  "mic_KRSB_tuj"};
    while (query.next()) {
        QStringList cells;
        for (const QString& column : columns)
            cells << asText(query.value(column));
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// Account and category never go back: Cash before Debt before Equity in each account.
bool inDocumentedOrder(const QStringList& rows) {
    for (qsizetype i = 1; i < rows.size(); ++i) {
        const QStringList previous = rows[i - 1].split(QLatin1Char('|'));
        const QStringList current = rows[i].split(QLatin1Char('|'));
        const qint64 previousAccount = previous[0].toLongLong();
        const qint64 currentAccount = current[0].toLongLong();
        if (currentAccount < previousAccount ||
            (currentAccount == previousAccount && current[1] < previous[1]))
            return false;
    }
    return true;
}

bool isinIsValid(const QString& isin) {
    static const QRegularExpression shape(QStringLiteral("^[A-Z]{2}[A-Z0-9]{9}[0-9]$"));
    if (!shape.match(isin).hasMatch())
        return false;
    QString digits;
    for (QChar c : isin.left(11))
        digits += c.isDigit() ? QString(c) : QString::number(c.unicode() - 'A' + 10);
    int sum = 0;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        int d = digits[digits.size() - 1 - i].digitValue();
        if (i % 2 == 0)
            d = d * 2 > 9 ? d * 2 - 9 : d * 2;
        sum += d;
    }
    return (10 - sum % 10) % 10 == isin.back().digitValue();
}

bool taxNumberIsValid(const QString& number) {
    static const QRegularExpression shape(QStringLiteral("^[0-9]{8}$"));
    if (!shape.match(number).hasMatch())
        return false;
    int sum = 0;
    for (int i = 0; i < 7; ++i)
        sum += number[i].digitValue() * (8 - i);
    const int check = 11 - sum % 11;
    return check != 11 && check % 10 == number[7].digitValue();
}

struct ProcessResult {
    int exitCode = -1;
    QString errors;
};

ProcessResult runGenerator(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(ZEV_GEN_HOLDINGS), arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
}

} // namespace

class TestDemoData : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void holdingsOfBudgetUsers_data();
    void holdingsOfBudgetUsers();
    void ownersOfTheDemoAccounts();
    void pricesOfTheDemoDate();
    void priceFunctionBody_data();
    void priceFunctionBody();
    void zevSettings();
    void sequenceAndDual();
    void rightToOpenTheSettings_data();
    void rightToOpenTheSettings();
    void referencesAndCodes();
    void generatorBuildsRequestedHoldings();
    void generatorRejectsBadArguments_data();
    void generatorRejectsBadArguments();
    void generatorLeavesNothingOnFailure();

private:
    std::unique_ptr<Connection> demo_;
};

void TestDemoData::initTestCase() {
    QVERIFY2(QFile::exists(QStringLiteral(ZEV_DEMO_DB)), ZEV_DEMO_DB);
    demo_ = std::make_unique<Connection>(QStringLiteral(ZEV_DEMO_DB));
    QVERIFY(demo_->isOpen());
}

void TestDemoData::holdingsOfBudgetUsers_data() {
    QTest::addColumn<QString>("date");
    QTest::addColumn<QStringList>("expected");

    // Account 100234 also holds cash of kind 'B'; 101026 Krka of kind 'Z'; clients
    // 102113 ('N'), 102456 (no mark) and the broker's own account hold on the date too.
    QTest::newRow("demo date") << kDemoDate
                               << QStringList{
                                      "100234|Cash||EUR|152340.75|152340.75|EUR||",
                                      "100234|Cash||USD|1234.5|1234.5|USD||",
                                      "100234|Debt|SI0002104196|EUR|50000|51070|RS96|XLJU|",
                                      "100234|Equity|SI0031102120|EUR|1500|204750|KRKG|XLJU|",
                                      "100241|Cash||EUR|-2450.3|-2450.3|EUR||",
                                      "100241|Equity|DE0007164600|EUR|120|24774|SAP|XFRA|XETR",
                                      "100517|Cash||EUR|48210|48210|EUR||",
                                      "100517|Debt|SI0032600015|EUR|20000|20270|OLI1||",
                                      "100517|Equity|US0378331005|USD|100|22779|AAPL||XNAS",
                                      "100517|Equity|US0378331005|USD|50|11389.5|AAPL||XNAS",
                                      "100788|Cash||USD|5300|5300|USD||",
                                      "100788|Debt|DE0001102580|EUR|30000|30999|DBR 2,6 34||XETR",
                                      "100788|Equity|SI0031102153|EUR|800|18880|PETG|XLJU|",
                                      "101026|Cash||EUR|9875.4|9875.4|EUR||",
                                      "101349|Equity|SI0031102120|EUR|300|40950|KRKG|XLJU|",
                                      "101349|Equity|SI0031174566|EUR|2500|31000|GGDG||",
                                      "101570|Cash||EUR|15000|15000|EUR||",
                                      "101570|Debt|SI0002104196|EUR|10000|10214|RS96|XLJU|",
                                  };
    // Krka's quotation record of that time is the older one on XWAR.
    QTest::newRow("month before") << QStringLiteral("2024-08-30")
                                  << QStringList{
                                         "100234|Cash||EUR|150000|150000|EUR||",
                                         "100234|Equity|SI0031102120|EUR|1500|192000|KRKG|XWAR|",
                                         "100517|Equity|US0378331005|USD|150|34350|AAPL||XNAS",
                                     };
    // Krka's later quotation record (XWAR) and Petrol's custody abroad (XWAR) count.
    QTest::newRow("month after") << QStringLiteral("2024-10-31")
                                 << QStringList{
                                        "100234|Cash||EUR|148900.1|148900.1|EUR||",
                                        "100234|Equity|SI0031102120|EUR|1500|207600|KRKG|XWAR|",
                                        "100788|Equity|SI0031102153|EUR|800|19240|PETG|XLJU|XWAR",
                                    };
    QTest::newRow("no holdings") << QStringLiteral("2024-09-29") << QStringList{};
}

void TestDemoData::holdingsOfBudgetUsers() {
    QFETCH(QString, date);
    QFETCH(QStringList, expected);
    QStringList rows = holdingRows(demo_->database(), date);
    QVERIFY2(inDocumentedOrder(rows), qPrintable(rows.join(QLatin1Char('\n'))));
    // Rows that the ORDER BY leaves tied may come in any order.
    rows.sort();
    expected.sort();
    QCOMPARE(rows, expected);
}

void TestDemoData::ownersOfTheDemoAccounts() {
    QSqlQuery query(demo_->database());
    QVERIFY(query.prepare(holdingsStatement()));
    query.bindValue(QStringLiteral(":dan"), kDemoDate);
    QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
    QMap<QString, QString> owners;
    while (query.next()) {
        const QString owner =
            QStringList{query.value("OwnerTaxId").toString(),
                        query.value("OwnerName").toString().trimmed(),
                        query.value("OwnerAddress").toString(), query.value("OwnerCity").toString()}
                .join(QLatin1Char('|'));
        const QString account = asText(query.value("accountNo"));
        QVERIFY2(!owners.contains(account) || owners[account] == owner, qPrintable(account));
        owners[account] = owner;
    }
    const QMap<QString, QString> expected = {
        {"100234", "82419051|Občina Lipnica|Glavni trg 1|Lipnica"},
        {"100241", "82419051|Občina Lipnica|Glavni trg 1|Lipnica"},
        {"100517", "31277462|Osnovna šola Lipnica|Šolska ulica 5|Lipnica"},
        {"100788", "66190835|Zdravstveni dom Rakitna|Rakitna 12|Preserje"},
        {"101026", "44502176|Zavod za šport Dravinja|Celjska cesta 22|Slovenske Konjice"},
        {"101349", "91063582|Sklad za razvoj podeželja Pomurje|Lendavska ulica 7|Murska Sobota"},
        {"101570", "73628140|Javni zavod Turizem Bela krajina|Trg svobode 4|Metlika"},
    };
    QCOMPARE(owners, expected);

    // The reporting broker.
    QSqlQuery broker(demo_->database());
    QVERIFY(broker.exec(QStringLiteral("SELECT * FROM OSB WHERE SFOSB = 2")));
    QVERIFY(broker.next());
    QCOMPARE(broker.value("NZV").toString(), QStringLiteral("Borzno posredniška hiša Primer d.d."));
    QCOMPARE(broker.value("IME").toString(), QString());
    QVERIFY(taxNumberIsValid(broker.value("DVS").toString()));
    QVERIFY(!broker.value("NSL").toString().isEmpty());
    QVERIFY(!broker.value("MST").toString().isEmpty());
}

void TestDemoData::pricesOfTheDemoDate() {
    QSqlQuery query(demo_->database());
    QVERIFY(query.prepare(holdingsStatement()));
    query.bindValue(QStringLiteral(":dan"), kDemoDate);
    QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
    QMap<QString, double> prices;
    while (query.next())
        prices[query.value("krt").toString()] = query.value("Price").toDouble();
    QCOMPARE(prices.value("KRKG"), 136.5);  // price of the day
    QCOMPARE(prices.value("AAPL"), 227.79); // latest before the day
    QCOMPARE(prices.value("GGDG"), 0.0);    // none at all
    QCOMPARE(prices.value("EUR"), 0.0);
}

void TestDemoData::priceFunctionBody_data() {
    QTest::addColumn<qint64>("instrument");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QVariant>("price");
    QTest::newRow("price of the day") << qint64(20) << kDemoDate << QVariant(136.5);
    QTest::newRow("date with a time") << qint64(20) << "2024-09-30 12:00:00" << QVariant(136.5);
    QTest::newRow("over a weekend") << qint64(20) << "2024-09-29" << QVariant(135.0);
    QTest::newRow("a month before") << qint64(20) << "2024-09-26" << QVariant(128.0);
    QTest::newRow("latest before") << qint64(22) << kDemoDate << QVariant(227.79);
    QTest::newRow("before the first") << qint64(20) << "2024-01-01" << QVariant();
    QTest::newRow("no prices") << qint64(24) << kDemoDate << QVariant();
}

// The body of qor_gettcn in DB_FUNCTIONS run as the embedded engine runs it: ?1 the
// instrument, ?2 the date; no row stands for null.
void TestDemoData::priceFunctionBody() {
    QFETCH(qint64, instrument);
    QFETCH(QString, date);
    QFETCH(QVariant, price);
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open_v2(ZEV_DEMO_DB, &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    const std::unique_ptr<sqlite3, decltype(&sqlite3_close)> closeDb(db, sqlite3_close);
    const QByteArray body =
        scalar(demo_->database(),
               QStringLiteral("SELECT BODY FROM DB_FUNCTIONS WHERE NAME = 'qor_gettcn'"))
            .toString()
            .toUtf8();
    QVERIFY(!body.isEmpty());
    sqlite3_stmt* statement = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db, body.constData(), -1, &statement, nullptr), SQLITE_OK);
    const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> finalize(statement,
                                                                              sqlite3_finalize);
    QCOMPARE(sqlite3_bind_parameter_count(statement), 2);
    const QByteArray dateText = date.toUtf8();
    sqlite3_bind_int64(statement, 1, instrument);
    sqlite3_bind_text(statement, 2, dateText.constData(), -1, SQLITE_TRANSIENT);
    const int step = sqlite3_step(statement);
    if (!price.isValid()) {
        QCOMPARE(step, SQLITE_DONE);
        return;
    }
    QCOMPARE(step, SQLITE_ROW);
    QCOMPARE(sqlite3_column_double(statement, 0), price.toDouble());
}

void TestDemoData::zevSettings() {
    // Matched the way the program matches them: module, category and parameter
    // upper-cased with the locale-aware rule (š becomes Š).
    QSqlQuery query(demo_->database());
    QVERIFY(query.exec(
        QStringLiteral("SELECT MODUL, KATEGORIJA, PARAMETER, USR, VREDNOST FROM SERPROG")));
    QMap<QString, QStringList> values;
    while (query.next()) {
        const QString key = QStringList{query.value(0).toString(), query.value(1).toString(),
                                        query.value(2).toString()}
                                .join(QLatin1Char('/'))
                                .toUpper();
        values[key] << query.value(4).toString();
        QVERIFY(query.value(3).isNull());
    }
    // Relative, so that a copied or installed program writes into its own data folder.
    QCOMPARE(values.value("ZEV/SPLOŠNE/XML_PATH"), QStringList{"porocila/"});
    QVERIFY(QDir(QStringLiteral(ZEV_RUNTIME_DIR)).exists("porocila"));
    QCOMPARE(values.value("ZEV/SPLOŠNE/PARTNERID"), QStringList{"7004"});
    QCOMPARE(values.value("ZEV/SPLOŠNE/TRGOVALNIRACUN"), QStringList{"100001"});
    QCOMPARE(values.value("ZEV/PODATKI/NAZIV"), QStringList{"ZEV poročanje"});
    // Another module's row of the same name does not count for ZEV.
    QVERIFY(!values.value("QOR/SPLOŠNE/XML_PATH").isEmpty());
    // One category is stored in mixed case with a lower-case š.
    QCOMPARE(scalar(demo_->database(),
                    "SELECT KATEGORIJA FROM SERPROG WHERE PARAMETER = 'TrgovalniRacun'")
                 .toString(),
             QStringLiteral("Splošne"));
}

void TestDemoData::sequenceAndDual() {
    const QSqlDatabase db = demo_->database();
    const QVariant last =
        scalar(db, "SELECT LAST_VALUE FROM DB_SEQUENCES WHERE NAME = 'SERPROG_PK_SEQ'");
    QVERIFY(last.isValid());
    QCOMPARE(last.toLongLong(), scalar(db, "SELECT MAX(ID_SERPROG) FROM SERPROG").toLongLong());
    QCOMPARE(scalar(db, "SELECT COUNT(*) FROM DUAL").toInt(), 1);
    QCOMPARE(scalar(db, "SELECT DUMMY FROM DUAL").toString(), QStringLiteral("X"));
}

void TestDemoData::rightToOpenTheSettings_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("holdsRight");
    QTest::newRow("directly") << "ana" << true;
    QTest::newRow("through a group") << "bojan" << true;
    QTest::newRow("other rights only") << "cene" << false;
    QTest::newRow("unknown user") << "dragica" << false;
    QTest::newRow("other letter case") << "ANA" << false;
}

void TestDemoData::rightToOpenTheSettings() {
    QFETCH(QString, user);
    QFETCH(bool, holdsRight);
    QSqlQuery query(demo_->database());
    QVERIFY(query.prepare(QString::fromUtf8(kRightsStatement)));
    query.bindValue(QStringLiteral(":USR"), user);
    query.bindValue(QStringLiteral(":SFRGT"), QStringLiteral("230"));
    QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
    QCOMPARE(query.next() && query.value(0).toString() == QStringLiteral("230"), holdsRight);
}

void TestDemoData::referencesAndCodes() {
    const QSqlDatabase db = demo_->database();
    const QStringList orphans = {
        "SELECT COUNT(*) FROM VPHST WHERE IDPOG NOT IN (SELECT IDPOG FROM POG)",
        "SELECT COUNT(*) FROM VPHST WHERE SFVP NOT IN (SELECT SFVP FROM SFVP)",
        "SELECT COUNT(*) FROM POG WHERE SFOSB NOT IN (SELECT SFOSB FROM OSB)",
        "SELECT COUNT(*) FROM SFVP WHERE SFFIN NOT IN (SELECT SFFIN FROM FIN)",
        "SELECT COUNT(*) FROM SFVP WHERE SFVLTNMN NOT IN (SELECT SFVLT FROM VLT)",
        "SELECT COUNT(*) FROM VPKRO WHERE SFTRGVRD NOT IN (SELECT SFTRG FROM TRG)",
        "SELECT COUNT(*) FROM KTC WHERE SFTRG NOT IN (SELECT SFTRG FROM TRG)",
        "SELECT COUNT(*) FROM OSB WHERE NZV IS NULL",
    };
    for (const QString& sql : orphans)
        QVERIFY2(scalar(db, sql).toInt() == 0, qPrintable(sql));
    // Firms among the budget users without a first name at all, as the back office
    // keeps many of them.
    QVERIFY(scalar(db, "SELECT COUNT(*) FROM OSB WHERE IME IS NULL AND PRORAC_UPOR = 'D'").toInt() >
            0);

    QSqlQuery query(db);
    QVERIFY(query.exec("SELECT ISIN FROM SFVP WHERE ISIN IS NOT NULL"));
    while (query.next())
        QVERIFY2(isinIsValid(query.value(0).toString()), qPrintable(query.value(0).toString()));
    QVERIFY(query.exec("SELECT MIC FROM TRG"));
    static const QRegularExpression mic(QStringLiteral("^[A-Z]{4}$"));
    while (query.next())
        QVERIFY(mic.match(query.value(0).toString()).hasMatch());
    QVERIFY(query.exec("SELECT DVS FROM OSB"));
    while (query.next())
        QVERIFY2(taxNumberIsValid(query.value(0).toString()),
                 qPrintable(query.value(0).toString()));
    QCOMPARE(scalar(db, "SELECT GROUP_CONCAT(KODA_JEZIKA) FROM "
                        "(SELECT KODA_JEZIKA FROM PREVOD_JEZIKI ORDER BY KODA_JEZIKA)")
                 .toString(),
             QStringLiteral("ENG,SLO"));
}

void TestDemoData::generatorBuildsRequestedHoldings() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString output = dir.filePath("synthetic.db");
    QFile stale(output); // an older file of that name is replaced
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("not a database");
    stale.close();

    const ProcessResult result = runGenerator({"12", "9", output});
    QVERIFY2(result.exitCode == 0, qPrintable(result.errors));
    QVERIFY(!QFile::exists(output + ".tmp"));

    Connection generated(output);
    QVERIFY(generated.isOpen());
    const QSqlDatabase db = generated.database();
    const QString synthetic = QString::number(kFirstSyntheticAccount);
    QCOMPARE(
        scalar(db, "SELECT COUNT(*) FROM VPHST WHERE DAN = '2024-09-30' AND IDPOG >= " + synthetic)
            .toInt(),
        12 * 9);
    const int budgetAccounts =
        scalar(db, "SELECT COUNT(*) FROM POG JOIN OSB ON POG.SFOSB = OSB.SFOSB "
                   "WHERE OSB.PRORAC_UPOR = 'D' AND POG.IDPOG >= " +
                       synthetic)
            .toInt();
    QVERIFY2(budgetAccounts > 6 && budgetAccounts < 12,
             qPrintable(QString::number(budgetAccounts)));

    // Every synthetic row of a budget user is a row of its own in the statement,
    // besides the demo rows.
    const QStringList rows = holdingRows(db, kDemoDate);
    QCOMPARE(rows.size(), 18 + budgetAccounts * 9);
    QVERIFY(inDocumentedOrder(rows));
    QSqlQuery isins(db);
    QVERIFY(isins.exec("SELECT ISIN FROM SFVP WHERE ISIN IS NOT NULL"));
    while (isins.next())
        QVERIFY2(isinIsValid(isins.value(0).toString()), qPrintable(isins.value(0).toString()));

    const QString reportFolder = QDir(dir.path()).filePath("porocila") + "/";
    QCOMPARE(scalar(db, "SELECT VREDNOST FROM SERPROG WHERE PARAMETER = 'XML_PATH' AND "
                        "MODUL = 'ZEV'")
                 .toString(),
             reportFolder);
    QVERIFY(QDir(reportFolder).exists());
    QCOMPARE(scalar(db, "SELECT LAST_VALUE FROM DB_SEQUENCES WHERE NAME = 'SERPROG_PK_SEQ'")
                 .toLongLong(),
             scalar(db, "SELECT MAX(ID_SERPROG) FROM SERPROG").toLongLong());
}

void TestDemoData::generatorRejectsBadArguments_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no accounts") << QStringList{"0", "5"};
    QTest::newRow("not a number") << QStringList{"3", "x"};
    QTest::newRow("trailing text") << QStringList{"3", "5rows"};
    QTest::newRow("negative") << QStringList{"-3", "5"};
    QTest::newRow("too many rows") << QStringList{"100000000", "100"};
}

void TestDemoData::generatorRejectsBadArguments() {
    QFETCH(QStringList, arguments);
    QTemporaryDir dir;
    const QString output = dir.filePath("synthetic.db");
    const ProcessResult result = runGenerator(arguments << output);
    QCOMPARE(result.exitCode, 2);
    QVERIFY(!result.errors.isEmpty());
    QVERIFY(!QFile::exists(output));
    QCOMPARE(runGenerator({"3", "5"}).exitCode, 2);
}

void TestDemoData::generatorLeavesNothingOnFailure() {
    QTemporaryDir dir;
    const QString output = dir.filePath("missing-folder/synthetic.db");
    const ProcessResult result = runGenerator({"3", "5", output});
    QCOMPARE(result.exitCode, 1);
    QVERIFY(result.errors.contains("gen-holdings"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{});
}

QTEST_GUILESS_MAIN(TestDemoData)
#include "tst_demodata.moc"
