#include "TestDatabase.h"
#include "db/Query.h"
#include "db/Table.h"
#include "platform/Errors.h"

#include <QtTest>

using namespace db;

namespace {

const char* const schema = R"(
CREATE TABLE dual (dummy TEXT);
INSERT INTO dual VALUES ('X');
CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT);
INSERT INTO t VALUES (1, 'a'), (2, 'b'), (3, 'c');
)";

std::unique_ptr<Query> makeQuery(const QString& database, const QString& sql) {
    auto query = std::make_unique<Query>();
    query->setDatabaseName(database);
    query->setSqlText(sql);
    return query;
}

} // namespace

class ConnectionTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void unknownAliasNamesIt();
    void aliasFileSettings();
    void lbReachesTheMainConnection();
    void closingTheSessionClosesEverything();
    void transactions();
};

void ConnectionTest::unknownAliasNamesIt() {
    TestDatabase database(QString::fromUtf8(schema));
    auto query = makeQuery(QStringLiteral("NOSUCH"), QStringLiteral("SELECT 1 FROM dual"));
    try {
        query->open();
        QFAIL("an unknown alias must raise");
    } catch (const platform::EngineError& error) {
        QCOMPARE(error.message(), QStringLiteral("Unknown database alias: NOSUCH"));
    }
    // A connection object named after an unknown alias fails when it opens.
    Database named(Session::defaultSession(), QStringLiteral("ELSEWHERE"));
    QVERIFY_THROWS_EXCEPTION(platform::EngineError, named.open());
    QVERIFY(!named.connected());
}

void ConnectionTest::aliasFileSettings() {
    TestDatabase database(QString::fromUtf8(schema),
                          QStringLiteral("; connections of the tests\n"
                                         "[Test]\nDriver = sqlite ; embedded\n"
                                         "Database = test.db   ; relative to this file\n"
                                         "[MISSING]\nDRIVER=SQLITE\nDATABASE=nothere.db\n"
                                         "[ODD]\nDRIVER=ORACLE\nDATABASE=x\n"));
    auto query = makeQuery(QStringLiteral("test"), QStringLiteral("SELECT COUNT(*) FROM t"));
    query->open();
    QCOMPARE(query->field(0).asInteger(), 3);
    QCOMPARE(query->database().databaseName(), QStringLiteral("TEST"));
    QCOMPARE(query->database().driverName(), QStringLiteral("SQLITE"));

    // A missing database file is an error, not a new empty database.
    auto missing = makeQuery(QStringLiteral("MISSING"), QStringLiteral("SELECT 1"));
    try {
        missing->open();
        QFAIL("a missing file must raise");
    } catch (const platform::EngineError& error) {
        QVERIFY2(error.message().contains(u"nothere.db"), qPrintable(error.message()));
    }
    QVERIFY(!QFile::exists(database.folder() + QStringLiteral("/nothere.db")));
    auto odd = makeQuery(QStringLiteral("ODD"), QStringLiteral("SELECT 1"));
    QVERIFY_THROWS_EXCEPTION(platform::EngineError, odd->open());

    Database main(Session::defaultSession(), QStringLiteral("TEST"));
    main.params() << QStringLiteral("USER NAME=operator") << QStringLiteral("PASSWORD=secret");
    QCOMPARE(main.param(QStringLiteral("user name")), QStringLiteral("operator"));
    QCOMPARE(main.param(QStringLiteral("PASSWORD")), QStringLiteral("secret"));
}

void ConnectionTest::lbReachesTheMainConnection() {
    TestDatabase database(QString::fromUtf8(schema));
    Session& session = Session::defaultSession();
    Database main(session, QStringLiteral("TEST"));
    session.setMainDatabase(&main);
    QVERIFY(!main.connected()); // opened by the first data set, not before
    auto query = makeQuery(QStringLiteral("LB"), QStringLiteral("SELECT name FROM t WHERE id = 2"));
    query->open();
    QVERIFY(main.connected());
    QCOMPARE(&query->database(), &main);
    QCOMPARE(query->field(0).asString(), QStringLiteral("b"));

    Table table;
    table.setDatabaseName(QStringLiteral("lb"));
    table.setTableName(QStringLiteral("t"));
    table.open();
    QCOMPARE(&table.database(), &main);
    QCOMPARE(table.recordCount(), 3);
    session.setMainDatabase(nullptr);
    auto orphan = makeQuery(QStringLiteral("LB"), QStringLiteral("SELECT 1"));
    QVERIFY_THROWS_EXCEPTION(platform::DatabaseError, orphan->open());
}

void ConnectionTest::closingTheSessionClosesEverything() {
    TestDatabase database(QString::fromUtf8(schema));
    auto first = makeQuery(QStringLiteral("TEST"), QStringLiteral("SELECT * FROM t"));
    auto second = makeQuery(QStringLiteral("TEST"), QStringLiteral("SELECT * FROM t"));
    first->open();
    second->open();
    Database& connection = first->database();
    QVERIFY(connection.connected());
    QStringList closed;
    first->beforeClose = [&](DataSet&) { closed << "first"; };
    Session::defaultSession().close();
    QVERIFY(!connection.connected());
    QVERIFY(!first->active());
    QVERIFY(!second->active());
    QCOMPARE(closed, QStringList{"first"});
    QVERIFY(QSqlDatabase::connectionNames().isEmpty()); // nothing left behind
    first->open();                                      // reopens the connection
    QCOMPARE(first->recordCount(), 3);
}

void ConnectionTest::transactions() {
    TestDatabase database(QString::fromUtf8(schema));
    auto update = makeQuery(QStringLiteral("TEST"), QStringLiteral("DELETE FROM t WHERE id = 1"));
    Database& connection = update->database();
    connection.startTransaction();
    update->execSql();
    connection.rollback();
    auto count = makeQuery(QStringLiteral("TEST"), QStringLiteral("SELECT COUNT(*) FROM t"));
    count->open();
    QCOMPARE(count->field(0).asInteger(), 3);
    count->close();
    connection.startTransaction();
    update->execSql();
    connection.commit();
    connection.commit(); // nothing pending: no error
    count->open();
    QCOMPARE(count->field(0).asInteger(), 2);
}

QTEST_GUILESS_MAIN(ConnectionTest)
#include "tst_connection.moc"
