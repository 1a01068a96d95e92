#include "../support/TestDatabase.h"
#include "db/Dialect.h"
#include "db/PgsqlDialect.h"
#include "db/Query.h"
#include "db/Session.h"
#include "db/SqlStatement.h"
#include "platform/DateTime.h"
#include "platform/Errors.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QtTest>

using namespace db;

namespace {

const QString tables = QStringLiteral(R"(
CREATE TABLE holding (id INTEGER PRIMARY KEY, dan DATE, account DOUBLE PRECISION,
                      amount DOUBLE PRECISION, name VARCHAR(40), mic VARCHAR(4),
                      mic_tuj VARCHAR(4));
INSERT INTO holding VALUES (1, '2024-05-31', 123456, 1234.5, 'Košir', 'XLJU', 'XETR');
INSERT INTO holding VALUES (2, '2024-05-31', 200, NULL, NULL, 'XLJU', NULL);
INSERT INTO holding VALUES (3, '2024-05-30', 300, 3, 'Novak', NULL, NULL);
CREATE TABLE currency (code VARCHAR(3) PRIMARY KEY, name VARCHAR(20));
INSERT INTO currency VALUES ('EUR', 'Euro'), ('USD', 'Dollar');
CREATE TABLE dual (dummy VARCHAR(1));
INSERT INTO dual VALUES ('X');
)");

// The server-side functions of the statements: rows of DB_FUNCTIONS on the embedded
// engine, functions of their own on the server (qor_gettcn with the time stamp form
// that an untyped date parameter resolves to, as in the program's server schema).
const QString embeddedFunctions = QStringLiteral(R"(
CREATE TABLE DB_FUNCTIONS (NAME TEXT PRIMARY KEY, BODY TEXT);
INSERT INTO DB_FUNCTIONS VALUES ('qor_gettcn',
  'SELECT amount FROM holding WHERE id = ?1 AND dan <= ?2 ORDER BY dan DESC');
INSERT INTO DB_FUNCTIONS VALUES ('pair_sum',
  'SELECT ?1 + ?2 FROM dual WHERE ?1 IS NOT NULL AND ?2 > 0');
)");
const QString serverFunctions = QStringLiteral(R"(
CREATE FUNCTION nvl(value anycompatible, fallback anycompatible) RETURNS anycompatible
  LANGUAGE sql IMMUTABLE AS 'SELECT COALESCE(value, fallback)';
CREATE FUNCTION qor_gettcn(item INTEGER, day DATE) RETURNS DOUBLE PRECISION LANGUAGE sql
  AS 'SELECT amount FROM holding WHERE id = item AND dan <= day ORDER BY dan DESC LIMIT 1';
CREATE FUNCTION qor_gettcn(item INTEGER, moment TIMESTAMP WITH TIME ZONE)
  RETURNS DOUBLE PRECISION LANGUAGE sql AS 'SELECT qor_gettcn(item, CAST(moment AS DATE))';
CREATE FUNCTION pair_sum(a INTEGER, b INTEGER) RETURNS INTEGER LANGUAGE sql
  AS 'SELECT a + b FROM dual WHERE a IS NOT NULL AND b > 0';
)");

QString schema() {
    return tables + (TestDatabase::onServer() ? serverFunctions : embeddedFunctions);
}

std::unique_ptr<Query> makeQuery(const QString& sql) {
    auto query = std::make_unique<Query>();
    query->setDatabaseName(QStringLiteral("TEST"));
    query->setSql(sql.split(u'\n'));
    return query;
}

QVariant singleValue(const QString& sql) {
    auto query = makeQuery(sql);
    query->open();
    return query->field(0).value();
}

} // namespace

class QueryTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void statementParameters();
    void dialects();
    void parameterUsedFiveTimesIsBoundOnce();
    void nullAndFloatReadAsTextAndNumber();
    void rowsReadOneByOneKeepTheirValuesAndErrors();
    void fieldsByName();
    void persistentFields();
    void calculatedAndLookupFields();
    void lazyFetching();
    void serverFunctions();
    void sequences();
    void failuresCarryTheEngineText();
    void executeAndClientFilter();
    void plainStatementsTakeAConditionAndTurnRound();
    void filterGoesIntoPlainStatements();
};

void QueryTest::statementParameters() {
    const auto parsed =
        parseStatement(QStringLiteral("SELECT ':no', x::text, \"a:b\" FROM t -- :comment\nWHERE a "
                                      "= :A AND b = :b /* :c */ OR :a"));
    QCOMPARE(parsed.occurrences, (QStringList{"A", "b", "a"}));
    QVERIFY(parsed.text.contains(u"x::text"));
    QVERIFY(parsed.text.contains(u"':no'"));
    QVERIFY(parsed.text.endsWith(u"a = ? AND b = ? /* :c */ OR ?"));

    Params params;
    params.rebuild(parsed.occurrences);
    QCOMPARE(params.count(), 2);
    params.byName(QStringLiteral("B")).setAsInteger(5);
    params.rebuild({QStringLiteral("b"), QStringLiteral("new")});
    QCOMPARE(params.byName(QStringLiteral("b")).asInteger(), 5); // kept through a rebuild
    QVERIFY(params.byName(QStringLiteral("new")).isNull());
    QVERIFY_THROWS_EXCEPTION(platform::DatabaseError, params.byName(QStringLiteral("gone")));
}

void QueryTest::dialects() {
    const QString statement =
        QStringLiteral("SELECT seq_a.NEXTVAL, SysDate, t.sysdate FROM dual WHERE x = 'SYSDATE'");
    QCOMPARE(Dialect::forDriver(QStringLiteral("SQLITE"))->adapt(statement),
             QStringLiteral("SELECT zev_nextval('SEQ_A'), zev_sysdate(), t.sysdate FROM dual "
                            "WHERE x = 'SYSDATE'"));
    QCOMPARE(Dialect::forDriver(QStringLiteral("pgsql"))->adapt(statement),
             QStringLiteral("SELECT nextval('seq_a'), LOCALTIMESTAMP(0), t.sysdate FROM dual "
                            "WHERE x = 'SYSDATE'"));
    QVERIFY_THROWS_EXCEPTION(platform::EngineError, Dialect::forDriver(QStringLiteral("IDAPI")));

    const auto sqlite = Dialect::forDriver(QStringLiteral("SQLITE"));
    const platform::TDateTime day = platform::encodeDate(2024, 5, 31);
    QCOMPARE(sqlite->bindValue(FieldType::Date, day).toString(), QStringLiteral("2024-05-31"));
    QCOMPARE(sqlite->bindValue(FieldType::DateTime, day + 0.5).toString(),
             QStringLiteral("2024-05-31 12:00:00"));
    QVERIFY(!sqlite->bindValue(FieldType::Date, QVariant()).isValid());
    // The server gets dates as texts too: no time zone can shift them.
    const auto server = Dialect::forDriver(QStringLiteral("PGSQL"));
    QCOMPARE(server->bindValue(FieldType::Date, day), QVariant(QStringLiteral("2024-05-31")));
    QCOMPARE(server->bindValue(FieldType::DateTime, day + 0.5),
             QVariant(QStringLiteral("2024-05-31 12:00:00")));
    QCOMPARE(server->bindValue(FieldType::Float, 2.5), QVariant(2.5));
    QCOMPARE(PgsqlDialect::numberedPlaceholders(
                 QStringLiteral("SELECT '?', \"a?\" FROM t -- why?\nWHERE a = ? OR b = ?")),
             QStringLiteral("SELECT '?', \"a?\" FROM t -- why?\nWHERE a = $1 OR b = $2"));

    int size = 0;
    QCOMPARE(Dialect::typeOfDeclared(QStringLiteral("DATE"), size), FieldType::Date);
    QCOMPARE(Dialect::typeOfDeclared(QStringLiteral("timestamp"), size), FieldType::DateTime);
    QCOMPARE(Dialect::typeOfDeclared(QStringLiteral("NUMBER(12,2)"), size), FieldType::Float);
    QCOMPARE(Dialect::typeOfDeclared(QStringLiteral("bigint"), size), FieldType::Integer);
    QCOMPARE(Dialect::typeOfDeclared(QStringLiteral("VARCHAR2(200)"), size), FieldType::String);
    QCOMPARE(size, 200);
    QCOMPARE(Dialect::typeOfDeclared(QStringLiteral("VARCHAR(2000)"), size), FieldType::Memo);
}

void QueryTest::parameterUsedFiveTimesIsBoundOnce() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema());
    // A server session west of Greenwich: a date bound as a moment would fall on the
    // day before there.
    qputenv("PGTZ", "America/New_York");
    const auto restoreZone = qScopeGuard([] { qunsetenv("PGTZ"); });
    auto query = makeQuery(QStringLiteral(
        "SELECT id FROM holding\n"
        "WHERE dan = :dan AND dan <= :dan AND dan >= :dan\n"
        "AND (:dan IS NOT NULL) AND NVL(qor_gettcn(id, :dan), 0) >= 0\nORDER BY id"));
    QCOMPARE(query->params().count(), 1);
    query->paramByName(QStringLiteral("DAN")).setAsDateTime(platform::encodeDate(2024, 5, 31));
    query->open();
    QCOMPARE(query->recordCount(), 2); // the date matched the ISO date column each time
    QCOMPARE(query->fieldByName(QStringLiteral("id")).asInteger(), 1);

    // A text value in a date parameter is read as a date when bound.
    query->close();
    auto& dan = query->paramByName(QStringLiteral("dan"));
    dan.setDataType(FieldType::Date);
    dan.setValue(QStringLiteral("30.05.2024"));
    query->open();
    QCOMPARE(query->fieldByName(QStringLiteral("ID")).asInteger(), 3);
}

void QueryTest::nullAndFloatReadAsTextAndNumber() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema());
    auto query = makeQuery(QStringLiteral("SELECT * FROM holding ORDER BY id"));
    query->open();
    QCOMPARE(query->fieldByName(QStringLiteral("account")).asString(), QStringLiteral("123456"));
    QCOMPARE(query->fieldByName(QStringLiteral("amount")).asString(), QStringLiteral("1234.5"));
    QCOMPARE(query->fieldByName(QStringLiteral("dan")).dataType(), FieldType::Date);
    QCOMPARE(query->fieldByName(QStringLiteral("dan")).asDateTime(),
             platform::encodeDate(2024, 5, 31));
    QCOMPARE(query->fieldByName(QStringLiteral("name")).asString(), QStringLiteral("Košir"));
    query->next();
    const Field& amount = query->fieldByName(QStringLiteral("amount"));
    QVERIFY(amount.isNull());
    QCOMPARE(amount.asString(), QString());
    QCOMPARE(amount.asFloat(), 0.0);
    QCOMPARE(amount.asInteger(), 0);
    QCOMPARE(query->fieldByName(QStringLiteral("name")).asString(), QString());

    // Expressions have no declared type: numbers stay numbers with their fractions.
    QCOMPARE(singleValue(QStringLiteral("SELECT SUM(amount) + 0.25 FROM holding")).toDouble(),
             1237.75);
}

void QueryTest::rowsReadOneByOneKeepTheirValuesAndErrors() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema());
    auto query = makeQuery(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
        "SELECT i, i / 4.0 AS quarter, 'č' || i AS text, "
        "CASE WHEN i % 2 = 0 THEN NULL ELSE i END AS odd FROM n ORDER BY i"));
    query->setUnidirectional(true);
    query->open();
    int rows = 0;
    for (; !query->eof(); query->next()) {
        ++rows;
        QCOMPARE(query->fieldByName(QStringLiteral("i")).asInteger(), rows);
        QCOMPARE(query->fieldByName(QStringLiteral("quarter")).asFloat(), rows / 4.0);
        QCOMPARE(query->fieldByName(QStringLiteral("text")).asString(),
                 QStringLiteral("č%1").arg(rows));
        const Field& odd = query->fieldByName(QStringLiteral("odd"));
        QCOMPARE(odd.isNull(), rows % 2 == 0);
        QCOMPARE(odd.asString(), rows % 2 == 0 ? QString() : QString::number(rows));
    }
    QCOMPARE(rows, 3000);
    query->close();

    query->setSqlText(QStringLiteral("SELECT * FROM holding WHERE id < 0"));
    query->open();
    QVERIFY(query->eof());
    query->close();

    // The second row overflows: the engine's error comes with that row (at once on the
    // server, which computes every row before the first is read).
    query->setSqlText(
        QStringLiteral("SELECT abs(-9223372036854775806 - id) AS a FROM holding ORDER BY id"));
    try {
        query->open();
        while (!query->eof())
            query->next();
        QFAIL("the overflow must raise");
    } catch (const platform::EngineError& error) {
        QVERIFY2(error.message().contains(QRegularExpression(QStringLiteral("overflow|range"))),
                 qPrintable(error.message()));
    }
}

void QueryTest::fieldsByName() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema());
    auto query = makeQuery(QStringLiteral("SELECT id, name AS OwnerName FROM holding"));
    query->open();
    QCOMPARE(&query->fieldByName(QStringLiteral("ownername")),
             &query->fieldByName(QStringLiteral("OWNERNAME")));
    QCOMPARE(query->findField(QStringLiteral("missing")), nullptr);
    try {
        query->fieldByName(QStringLiteral("missing"));
        QFAIL("a missing field must raise");
    } catch (const platform::DatabaseError& error) {
        QCOMPARE(error.message(), QStringLiteral("Field 'missing' not found"));
    }
    // Queries are read-only.
    QVERIFY_THROWS_EXCEPTION(platform::DatabaseError, query->edit());
    QVERIFY_THROWS_EXCEPTION(platform::DatabaseError,
                             query->fieldByName(QStringLiteral("id")).setAsInteger(3));
    query->close();

    // Columns of the same name (in any letter case) become numbered fields, each with
    // its own column's value.
    query->setSqlText(QStringLiteral("SELECT h.id, c.code AS ID, h.name, h.id + 10 AS id "
                                     "FROM holding h, currency c "
                                     "WHERE h.id = 1 AND c.code = 'EUR'"));
    query->open();
    QStringList names;
    for (int f = 0; f < query->fieldCount(); ++f)
        names << query->field(f).fieldName().toLower(); // the server folds unquoted names
    QCOMPARE(names, (QStringList{"id", "id_1", "name", "id_2"}));
    QCOMPARE(query->fieldByName(QStringLiteral("id")).asInteger(), 1);
    QCOMPARE(query->fieldByName(QStringLiteral("id_1")).asString(), QStringLiteral("EUR"));
    QCOMPARE(query->fieldByName(QStringLiteral("id_2")).asInteger(), 11);
}

void QueryTest::persistentFields() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema());
    auto query = makeQuery(QStringLiteral("SELECT * FROM holding ORDER BY id"));
    Field& name = query->addField(QStringLiteral("NAME"), FieldType::String, FieldKind::Data, 40);
    name.setDisplayLabel(QStringLiteral("Lastnik"));
    name.setDisplayWidth(25);
    Field& amount = query->addField(QStringLiteral("Amount"), FieldType::Float);
    amount.setDisplayFormat(QStringLiteral("#,##0.##"));
    Field& account = query->addField(QStringLiteral("account"), FieldType::Float);
    query->open();
    QCOMPARE(query->fieldCount(), 3); // only the defined fields exist
    QCOMPARE(query->field(0).displayLabel(), QStringLiteral("Lastnik"));
    QCOMPARE(query->field(2).displayLabel(), QStringLiteral("account"));
    QCOMPARE(name.displayWidth(), 25);
    QCOMPARE(account.displayWidth(), 10);
    QCOMPARE(amount.alignment(), Qt::AlignRight);
    QCOMPARE(name.alignment(), Qt::AlignLeft);
    QCOMPARE(amount.displayText(), QStringLiteral("1,234.5"));
    QCOMPARE(amount.asString(), QStringLiteral("1234.5")); // the raw value for the report
    QCOMPARE(query->findField(QStringLiteral("id")), nullptr);
    name.setTextRule([](const QVariant& value) { return value.toString().left(3); });
    QCOMPARE(name.displayText(), QStringLiteral("Koš"));
    query->close();

    // A defined field that the statement does not deliver raises on open.
    query->addField(QStringLiteral("nowhere"), FieldType::String);
    try {
        query->open();
        QFAIL("a missing column must raise");
    } catch (const platform::DatabaseError& error) {
        QCOMPARE(error.message(), QStringLiteral("Field 'nowhere' not found"));
    }
    QVERIFY(!query->active());
}

void QueryTest::calculatedAndLookupFields() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema());
    auto currencies = makeQuery(QStringLiteral("SELECT * FROM currency"));
    currencies->open();

    auto query = makeQuery(
        QStringLiteral("SELECT id, mic, mic_tuj, CASE id WHEN 1 THEN 'USD' ELSE 'EUR' END AS cur "
                       "FROM holding ORDER BY id"));
    query->addField(QStringLiteral("id"), FieldType::Integer);
    query->addField(QStringLiteral("mic"), FieldType::String, FieldKind::Data, 4);
    query->addField(QStringLiteral("mic_tuj"), FieldType::String, FieldKind::Data, 4);
    query->addField(QStringLiteral("cur"), FieldType::String, FieldKind::Data, 3);
    query->addField(QStringLiteral("mic_xml"), FieldType::String, FieldKind::Calculated, 4);
    Field& currencyName =
        query->addField(QStringLiteral("currency_name"), FieldType::String, FieldKind::Lookup);
    currencyName.keyFields = QStringLiteral("cur");
    currencyName.lookupDataSet = currencies.get();
    currencyName.lookupKeyFields = QStringLiteral("code");
    currencyName.lookupResultField = QStringLiteral("name");
    int calls = 0;
    query->onCalcFields = [&calls](DataSet& set) {
        ++calls;
        QCOMPARE(set.state(), DataSetState::CalcFields);
        const QString foreign = set.fieldByName(QStringLiteral("mic_tuj")).asString();
        const QString quoted = set.fieldByName(QStringLiteral("mic")).asString();
        Field& micXml = set.fieldByName(QStringLiteral("mic_xml"));
        if (!foreign.isEmpty())
            micXml.setAsString(foreign);
        else if (!quoted.isEmpty())
            micXml.setAsString(quoted);
    };
    query->open();
    QCOMPARE(query->state(), DataSetState::Browse);
    QStringList mics;
    QStringList names;
    for (; !query->eof(); query->next()) {
        mics << query->fieldByName(QStringLiteral("mic_xml")).asString();
        names << query->fieldByName(QStringLiteral("currency_name")).asString();
    }
    QCOMPARE(mics, (QStringList{"XETR", "XLJU", ""}));
    QCOMPARE(names, (QStringList{"Dollar", "Euro", "Euro"}));
    QCOMPARE(calls, 3); // once per row as it is read, not again when revisited
    query->first();
    QCOMPARE(calls, 3);

    // The lookup data set going first leaves the lookup field null, not dangling.
    currencies.reset();
    query->refresh();
    QVERIFY(query->fieldByName(QStringLiteral("currency_name")).isNull());
    QCOMPARE(query->fieldByName(QStringLiteral("mic_xml")).asString(), QStringLiteral("XETR"));
}

void QueryTest::lazyFetching() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty,
                          schema() + QStringLiteral(R"(
        CREATE TABLE big (n INTEGER, t TEXT);
        WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 100000)
        INSERT INTO big SELECT x, 'row ' || x FROM c;)"));
    auto query = makeQuery(QStringLiteral("SELECT * FROM big ORDER BY n"));
    int calcCalls = 0;
    query->addField(QStringLiteral("n"), FieldType::Integer);
    query->addField(QStringLiteral("twice"), FieldType::Integer, FieldKind::Calculated);
    query->onCalcFields = [&calcCalls](DataSet& set) {
        ++calcCalls;
        set.fieldByName(QStringLiteral("twice"))
            .setAsInteger(2 * set.fieldByName(QStringLiteral("n")).asInteger());
    };
    query->open();
    QCOMPARE(query->fetchedRowCount(), 1);
    QCOMPARE(calcCalls, 1);
    QVERIFY(query->bof());
    QCOMPARE(query->moveBy(9), 9);
    QCOMPARE(query->recNo(), 10);
    QCOMPARE(query->fieldByName(QStringLiteral("twice")).asInteger(), 20);
    QCOMPARE(query->fetchedRowCount(), 10);
    QCOMPARE(query->moveBy(-20), -9);
    QVERIFY(query->bof());
    QCOMPARE(query->recordCount(), 100000);
    QCOMPARE(query->recNo(), 1); // counting does not move
    query->last();
    QVERIFY(query->eof());
    QCOMPARE(query->fieldByName(QStringLiteral("n")).asInteger(), 100000);
    query->close();

    // next() past the last row sets eof and stays on the last row.
    auto small = makeQuery(QStringLiteral("SELECT id FROM holding ORDER BY id"));
    small->open();
    int seen = 0;
    while (!small->eof()) {
        ++seen;
        small->next();
    }
    QCOMPARE(seen, 3);
    QCOMPARE(small->fieldByName(QStringLiteral("id")).asInteger(), 3);
    QVERIFY(small->locate(QStringLiteral("ID"), {2}));
    QCOMPARE(small->recNo(), 2);
    QVERIFY(!small->locate(QStringLiteral("id"), {9}));
    QCOMPARE(small->recNo(), 2);

    auto none = makeQuery(QStringLiteral("SELECT id FROM holding WHERE id < 0"));
    none->open();
    QVERIFY(none->eof());
    QVERIFY(none->isEmpty());
    QCOMPARE(none->recNo(), 0);
}

void QueryTest::serverFunctions() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema());
    QCOMPARE(singleValue(QStringLiteral("SELECT UPPER('šđčćž abc') FROM dual")).toString(),
             QStringLiteral("ŠĐČĆŽ ABC"));
    QCOMPARE(singleValue(QStringLiteral("SELECT lower('ŠKODA') FROM dual")).toString(),
             QStringLiteral("škoda"));
    QCOMPARE(singleValue(QStringLiteral("SELECT NVL(NULL, 5) FROM dual")).toInt(), 5);
    QCOMPARE(singleValue(QStringLiteral("SELECT nvl('a', 'b') FROM dual")).toString(),
             QStringLiteral("a"));
    QCOMPARE(singleValue(QStringLiteral("SELECT pair_sum(2, 3) FROM dual")).toInt(), 5);
    QVERIFY(!singleValue(QStringLiteral("SELECT pair_sum(2, -3) FROM dual")).isValid());
    // The body runs once per row of a larger statement.
    QCOMPARE(singleValue(QStringLiteral("SELECT SUM(qor_gettcn(id, '2024-05-31')) FROM holding"))
                 .toDouble(),
             1237.5);

    // SYSDATE: the engine's local date and time in whole seconds.
    auto now = makeQuery(QStringLiteral("SELECT SYSDATE AS Moment FROM dual"));
    now->open();
    const QVariant moment = now->fieldByName(QStringLiteral("MOMENT")).value();
    if (TestDatabase::onServer()) {
        const QDateTime value = platform::toQDateTime(moment.toDouble());
        QCOMPARE(value.time().msec(), 0);
        const QVariant exact = singleValue(QStringLiteral("SELECT LOCALTIMESTAMP FROM dual"));
        QVERIFY(qAbs(value.secsTo(platform::toQDateTime(exact.toDouble()))) < 5);
    } else {
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$"))
                    .match(moment.toString())
                    .hasMatch());
        QVERIFY(qAbs(QDateTime::fromString(moment.toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                         .secsTo(QDateTime::currentDateTime())) < 5);
    }
    // Words inside quoted texts are left alone.
    QCOMPARE(singleValue(QStringLiteral("SELECT 'sysdate x.nextval' FROM dual")).toString(),
             QStringLiteral("sysdate x.nextval"));
}

void QueryTest::sequences() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema());
    database.setSequence(QStringLiteral("SERPROG_PK_SEQ"), 41);
    auto query = makeQuery(QStringLiteral("SELECT SERPROG_PK_SEQ.NEXTVAL AS NewId FROM dual"));
    query->open();
    QCOMPARE(query->fieldByName(QStringLiteral("NewId")).asInteger(), 42);
    query->close();
    query->setSqlText(QStringLiteral("SELECT serprog_pk_seq.nextval AS NewId FROM dual"));
    query->open();
    QCOMPARE(query->fieldByName(QStringLiteral("newid")).asInteger(), 43);
    query->close();
    Session::defaultSession().close(); // a new connection goes on from there
    query->open();
    QCOMPARE(query->fieldByName(QStringLiteral("NEWID")).asInteger(), 44);
    query->close();

    query->setSqlText(QStringLiteral("SELECT NO_SUCH_SEQ.NEXTVAL AS NewId FROM dual"));
    try {
        query->open();
        QFAIL("a missing sequence must raise");
    } catch (const platform::EngineError& error) {
        QVERIFY2(error.message().contains(u"NO_SUCH_SEQ", Qt::CaseInsensitive),
                 qPrintable(error.message()));
    }
    QVERIFY(!query->active());
}

void QueryTest::failuresCarryTheEngineText() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema());
    auto query = makeQuery(QStringLiteral("SELECT * FROM no_such_table"));
    try {
        query->open();
        QFAIL("a bad statement must raise");
    } catch (const platform::EngineError& error) {
        QVERIFY2(error.message().contains(u"no_such_table"), qPrintable(error.message()));
        // The server's words, without its pointer into the statement or its error code.
        if (TestDatabase::onServer())
            QCOMPARE(error.message(),
                     QStringLiteral("ERROR:  relation \"no_such_table\" does not exist"));
    }
    QVERIFY(!query->active());
    query->setSqlText(QStringLiteral("SELECT * FROM holding WHERE"));
    QVERIFY_THROWS_EXCEPTION(platform::EngineError, query->open());
    // The drivers would read a statement only up to a null character (as an import
    // script from a damaged file may hold one): refused, nothing is deleted.
    auto remove = makeQuery(QStringLiteral("DELETE FROM holding") + QChar(u'\0') +
                            QStringLiteral(" WHERE id = 1"));
    QVERIFY_THROWS_EXCEPTION(platform::EngineError, remove->execSql());
    query->setSqlText(QStringLiteral("SELECT COUNT(*) FROM holding"));
    query->open();
    QCOMPARE(query->field(0).asInteger(), 3);
    query->close();
    query->setSqlText(QStringLiteral("SELECT * FROM holding") + QChar(u'\0') +
                      QStringLiteral(" WHERE id = 1"));
    QVERIFY_THROWS_EXCEPTION(platform::EngineError, query->open());
}

void QueryTest::executeAndClientFilter() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema());
    auto update = makeQuery(QStringLiteral("UPDATE holding SET name = :name WHERE id >= :id"));
    update->paramByName(QStringLiteral("name")).setAsString(QStringLiteral("O'Brien; DROP"));
    update->paramByName(QStringLiteral("id")).setAsInteger(2);
    update->execSql();
    QCOMPARE(update->rowsAffected(), 2);

    auto query = makeQuery(QStringLiteral("SELECT * FROM holding ORDER BY id"));
    query->setFilter(QStringLiteral("name = 'O''Brien; DROP'"));
    query->setFiltered(true);
    query->open();
    QCOMPARE(query->recordCount(), 2);
    QCOMPARE(query->fieldByName(QStringLiteral("id")).asInteger(), 2);
    query->setFilter(QStringLiteral("account > 250 OR id = 1"));
    QCOMPARE(query->recordCount(), 2);
    QVERIFY_THROWS_EXCEPTION(platform::DatabaseError, query->setFilter(QStringLiteral("id >")));
    QCOMPARE(query->filter(), QStringLiteral("account > 250 OR id = 1"));
    query->setFiltered(false);
    QCOMPARE(query->recordCount(), 3);
}

void QueryTest::plainStatementsTakeAConditionAndTurnRound() {
    QCOMPARE(withCondition(QStringLiteral("SELECT a FROM t WHERE b = ? ORDER BY a"),
                           QStringLiteral("c > ?")),
             QStringLiteral("SELECT a FROM t WHERE ( b = ? \n) AND (c > ?)\nORDER BY a"));
    QCOMPARE(withCondition(QStringLiteral("select a from (select a from t where x = 1) s -- all"),
                           QStringLiteral("a = ?")),
             QStringLiteral("select a from (select a from t where x = 1) s -- all\nWHERE a = ?\n"));
    QCOMPARE(withCondition(QStringLiteral("SELECT 'ORDER BY' FROM t;"), QStringLiteral("a = ?")),
             QStringLiteral("SELECT 'ORDER BY' FROM t\nWHERE a = ?\n"));
    for (const char* refused :
         {"SELECT a FROM t UNION SELECT a FROM u", "SELECT a, COUNT(*) FROM t GROUP BY a",
          "SELECT a FROM t ORDER BY a LIMIT 5", "WITH s AS (SELECT 1) SELECT * FROM s",
          "SELECT a FROM t ORDER BY ?", "UPDATE t SET a = 1", "SELECT a FROM t; DELETE FROM t",
          "SELECT 1"})
        QVERIFY2(!withCondition(QLatin1String(refused), QStringLiteral("a = ?")), refused);
    QCOMPARE(orderByTerms(QStringLiteral("SELECT a FROM t ORDER BY a, NVL(b, 'x, y') DESC")),
             (QStringList{"a", "NVL(b, 'x, y') DESC"}));
    QCOMPARE(
        withOrderReversed(QStringLiteral("SELECT a FROM t ORDER BY a, b DESC, c ASC NULLS FIRST")),
        QStringLiteral("SELECT a FROM t ORDER BY a DESC, b ASC, c DESC NULLS LAST\n"));
    QVERIFY(!withOrderReversed(QStringLiteral("SELECT a FROM t")));
}

void QueryTest::filterGoesIntoPlainStatements() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema());
    auto query = makeQuery(QStringLiteral("SELECT * FROM holding WHERE dan = :dan ORDER BY id"));
    query->paramByName(QStringLiteral("dan")).setAsString(QStringLiteral("2024-05-31"));
    query->open();
    query->setFilter(QStringLiteral("account > 150 OR name = 'Novak'"));
    query->setFiltered(true);
    QVERIFY(query->filterInStatement());
    QCOMPARE(query->recordCount(), 2); // the statement's own condition holds as well
    QVERIFY(query->setReversed(true));
    QCOMPARE(query->fieldByName(QStringLiteral("id")).asInteger(), 2);
    QVERIFY(query->setReversed(false));
    QCOMPARE(query->fieldByName(QStringLiteral("id")).asInteger(), 1);

    // A column known by its alias (the embedded engine takes it in WHERE, the server
    // refuses it) and a statement that cannot take a condition: the same rows.
    for (const char* statement :
         {"SELECT name AS who, id FROM holding ORDER BY id",
          "SELECT name AS who, MIN(id) AS id FROM holding GROUP BY name ORDER BY id"}) {
        auto other = makeQuery(QLatin1String(statement));
        other->open();
        other->setFilter(QStringLiteral("who = 'Novak'"));
        other->setFiltered(true);
        QCOMPARE(other->recordCount(), 1);
        QCOMPARE(other->fieldByName(QStringLiteral("id")).asInteger(), 3);
        if (TestDatabase::onServer() || QByteArray(statement).contains("GROUP"))
            QVERIFY(!other->filterInStatement());
    }
    auto grouped = makeQuery(QStringLiteral("SELECT mic FROM holding GROUP BY mic ORDER BY mic"));
    QVERIFY(!grouped->setReversed(true));
}

QTEST_GUILESS_MAIN(QueryTest)
#include "tst_query.moc"
