#include "../support/TestDatabase.h"
#include "db/Query.h"
#include "db/Session.h"
#include "db/StatementProgress.h"
#include "db/Table.h"
#include "platform/Errors.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QtTest>
#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace db;

namespace {

const QString schema = QStringLiteral(R"(
CREATE TABLE dual (dummy TEXT);
INSERT INTO dual VALUES ('X');
CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT);
INSERT INTO t VALUES (1, 'a'), (2, 'b'), (3, 'c');
)");

std::unique_ptr<Query> makeQuery(const QString& database, const QString& sql) {
    auto query = std::make_unique<Query>();
    query->setDatabaseName(database);
    query->setSqlText(sql);
    return query;
}

// A loopback TCP port held for the test: without listening, a connection to it is
// refused; listening, the kernel takes the connection but nobody ever answers.
class LoopbackPort {
public:
    explicit LoopbackPort(bool listening) : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        auto* generic = reinterpret_cast<sockaddr*>(&address);
        if (socket_ < 0 || ::bind(socket_, generic, size) != 0 ||
            (listening && ::listen(socket_, 4) != 0) || ::getsockname(socket_, generic, &size) != 0)
            qFatal("Cannot hold a loopback port");
        port_ = ntohs(address.sin_port);
    }
    ~LoopbackPort() { ::close(socket_); }
    LoopbackPort(const LoopbackPort&) = delete;
    LoopbackPort& operator=(const LoopbackPort&) = delete;
    int port() const { return port_; }

private:
    int socket_;
    int port_ = 0;
};

// Stops server processes for as long as it exists (SIGSTOP, SIGCONT). Only the
// connection's own backend is stopped: a stopped postmaster would also hold up the
// connections of tests that run beside this one on the same cluster.
class StoppedProcesses {
public:
    explicit StoppedProcesses(QList<qint64> pids) : pids_(std::move(pids)) {
        for (const qint64 pid : pids_)
            ::kill(static_cast<pid_t>(pid), SIGSTOP);
    }
    ~StoppedProcesses() {
        for (const qint64 pid : pids_)
            ::kill(static_cast<pid_t>(pid), SIGCONT);
    }
    StoppedProcesses(const StoppedProcesses&) = delete;
    StoppedProcesses& operator=(const StoppedProcesses&) = delete;

private:
    QList<qint64> pids_;
};

QString serverSection(const QString& alias, int port) {
    return QStringLiteral("[%1]\nDRIVER=PGSQL\nHOST=127.0.0.1\nPORT=%2\nDATABASE=zev\n")
        .arg(alias)
        .arg(port);
}

// Opens the connection of the alias with the login; answers the error's text and how
// long the attempt took.
std::pair<QString, qint64> failedOpen(const QString& alias, const QString& user,
                                      const QString& password) {
    Database connection(Session::defaultSession(), alias);
    connection.params() << QStringLiteral("USER NAME=") + user
                        << QStringLiteral("PASSWORD=") + password;
    QElapsedTimer clock;
    clock.start();
    try {
        connection.open();
    } catch (const platform::EngineError& error) {
        return {error.message(), clock.elapsed()};
    }
    return {QString(), clock.elapsed()};
}

// Opens a query on the alias; answers the error's text, empty when it opened.
QString openingError(const QString& alias) {
    auto query = makeQuery(alias, QStringLiteral("SELECT COUNT(*) FROM t"));
    try {
        query->open();
    } catch (const platform::EngineError& error) {
        return error.message();
    }
    return {};
}

// A window waits for the connection: a server that is not there must not keep it long.
const qint64 QuickFailureMs = 5000;

} // namespace

class ConnectionTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void unknownAliasNamesIt();
    void aliasFileSettings();
    void embeddedFileProblemsAreNamed();
    void lbReachesTheMainConnection();
    void closingTheSessionClosesEverything();
    void closeHookThatRaisesStillClosesTheConnection();
    void transactions();
    void unreachableServerFailsWithinSeconds();
    void rowsReadInBlocksSurviveOtherStatementsAndCommits();
    void aListsFirstRowsAreComputedFirstAndTheRestFollows();
    void serverTimeoutsEndWaitsOnASlowOrStoppedServer();
    void wrongPasswordGivesTheServersMessage();
};

void ConnectionTest::unknownAliasNamesIt() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema);
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

    QCOMPARE(failedOpen(QStringLiteral(" "), {}, {}).first,
             QStringLiteral("The database alias is empty"));
    QVERIFY(QFile::remove(database.folder() + QStringLiteral("dbalias.ini")));
    QCOMPARE(openingError(QStringLiteral("TEST")),
             QStringLiteral("The alias file dbalias.ini is missing: %1dbalias.ini was looked for")
                 .arg(database.folder()));
}

void ConnectionTest::embeddedFileProblemsAreNamed() {
    if (TestDatabase::onServer())
        QSKIP("the embedded engine's files only");
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema);
    const QString file = database.folder() + QStringLiteral("test.db");

    // Another program holds the file locked longer than the connection waits: the
    // engine's own message with the file, not a missing function of the database.
    sqlite3* other = nullptr;
    QCOMPARE(sqlite3_open(file.toUtf8().constData(), &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    QCOMPARE(openingError(QStringLiteral("TEST")),
             QStringLiteral("database is locked (%1)").arg(file));
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    QCOMPARE(openingError(QStringLiteral("TEST")), QString());
    Session::defaultSession().close();

    // An empty file is not taken for a new database, nor written to.
    QFile(file).resize(0);
    QFile::remove(file + QStringLiteral("-wal"));
    QFile::remove(file + QStringLiteral("-shm"));
    QCOMPARE(openingError(QStringLiteral("TEST")),
             QStringLiteral("file is not a database: %1 is empty").arg(file));
    QCOMPARE(QFileInfo(file).size(), 0);
}

// The fixture's alias with keys in another case and comments after the values.
QString commentedSection(const TestDatabase& database) {
    if (database.engine() == TestDatabase::Engine::Sqlite)
        return QStringLiteral("[Test]\nDriver = sqlite ; embedded\n"
                              "Database = test.db   ; relative to this file\n");
    const TestDatabase::Server server = TestDatabase::server();
    return QStringLiteral("[Test]\nDriver = pgsql ; the server\nHost = %1 ; loopback\n"
                          "Port = %2\nDatabase = %3   ; made for the test\n")
        .arg(server.host)
        .arg(server.port)
        .arg(database.serverDatabase());
}

void ConnectionTest::aliasFileSettings() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema);
    const bool onServer = database.engine() == TestDatabase::Engine::Pgsql;
    const QString missingTarget =
        onServer ? QStringLiteral("nothere") : QStringLiteral("nothere.db");
    database.writeAliasFile(
        QStringLiteral("; connections of the tests\n") + commentedSection(database) +
        database.aliasSection(QStringLiteral("MISSING"))
            .replace(onServer ? database.serverDatabase() : QStringLiteral("test.db"),
                     missingTarget) +
        QStringLiteral("[ODD]\nDRIVER=ORACLE\nDATABASE=x\n"));
    auto query = makeQuery(QStringLiteral("test"), QStringLiteral("SELECT COUNT(*) FROM t"));
    query->open();
    QCOMPARE(query->field(0).asInteger(), 3);
    QCOMPARE(query->database().databaseName(), QStringLiteral("TEST"));
    QCOMPARE(query->database().driverName(), database.driverName());

    // A missing database (file) is an error, not a new empty database.
    auto missing = makeQuery(QStringLiteral("MISSING"), QStringLiteral("SELECT 1"));
    try {
        missing->open();
        QFAIL("a missing file must raise");
    } catch (const platform::EngineError& error) {
        QVERIFY2(error.message().contains(missingTarget), qPrintable(error.message()));
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
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema);
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
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema);
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

    // A close hook that destroys another open data set of the connection.
    second->open();
    first->beforeClose = [&second](DataSet&) { second.reset(); };
    connection.close();
    QCOMPARE(second, nullptr);
    QVERIFY(!first->active());
}

void ConnectionTest::closeHookThatRaisesStillClosesTheConnection() {
    TestDatabase database(QStringLiteral("OWNED"), TestDatabase::Content::Empty, schema);
    auto connection =
        std::make_unique<Database>(Session::defaultSession(), QStringLiteral("OWNED"));
    auto refusing = makeQuery(QStringLiteral("OWNED"), QStringLiteral("SELECT * FROM t"));
    auto other = makeQuery(QStringLiteral("OWNED"), QStringLiteral("SELECT * FROM t"));
    refusing->beforeClose = [](DataSet&) {
        throw platform::DatabaseError(QStringLiteral("not now"));
    };
    refusing->open();
    other->open();
    QCOMPARE(&refusing->database(), connection.get());

    // Closing the connection closes both data sets and the connection, then raises.
    QVERIFY_THROWS_EXCEPTION(platform::DatabaseError, connection->close());
    QVERIFY(!connection->connected());
    QVERIFY(!refusing->active());
    QVERIFY(!other->active());
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());

    // Destroying the connection object with such a data set open does not end the program,
    // and the data set outlives it safely.
    refusing->open();
    connection.reset();
    QVERIFY(!refusing->active());
    refusing->beforeClose = nullptr;
    refusing.reset();
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());
}

void ConnectionTest::transactions() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema);
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
    count->close();

    // A commit the engine refuses leaves the transaction to be rolled back, not stuck.
    if (TestDatabase::onServer())
        return; // the server ends a transaction whose commit fails
    makeQuery(QStringLiteral("TEST"), QStringLiteral("PRAGMA foreign_keys = ON"))->execSql();
    makeQuery(QStringLiteral("TEST"),
              QStringLiteral("CREATE TABLE child (id INTEGER REFERENCES t (id) "
                             "DEFERRABLE INITIALLY DEFERRED)"))
        ->execSql();
    connection.startTransaction();
    makeQuery(QStringLiteral("TEST"), QStringLiteral("INSERT INTO child VALUES (99)"))->execSql();
    QVERIFY_THROWS_EXCEPTION(platform::EngineError, connection.commit());
    connection.rollback();
    count->setSqlText(QStringLiteral("SELECT COUNT(*) FROM child"));
    count->open();
    QCOMPARE(count->field(0).asInteger(), 0);
    count->close();
    connection.startTransaction(); // a new transaction can start
    connection.rollback();
}

void ConnectionTest::unreachableServerFailsWithinSeconds() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema);
    const LoopbackPort closed(false);
    const LoopbackPort silent(true);
    database.writeAliasFile(database.aliasSection(QStringLiteral("TEST")) +
                            serverSection(QStringLiteral("CLOSED"), closed.port()) +
                            serverSection(QStringLiteral("SILENT"), silent.port()));

    const auto [refused, refusedMs] =
        failedOpen(QStringLiteral("CLOSED"), QStringLiteral("ana"), QStringLiteral("x"));
    qInfo("A closed port failed after %lld ms: %s", refusedMs, qPrintable(refused));
    QVERIFY2(refused.contains(QStringLiteral("port %1 failed").arg(closed.port())),
             qPrintable(refused));
    QVERIFY(refusedMs < QuickFailureMs);

    // The connect time-out ends the wait for a server that never answers.
    const auto [timedOut, timedOutMs] =
        failedOpen(QStringLiteral("SILENT"), QStringLiteral("ana"), QStringLiteral("x"));
    qInfo("A silent server failed after %lld ms: %s", timedOutMs, qPrintable(timedOut));
    QVERIFY2(timedOut.contains(u"timeout", Qt::CaseInsensitive), qPrintable(timedOut));
    QVERIFY(timedOutMs < QuickFailureMs + 2000);

    // The fixture's own connection still works afterwards.
    auto query = makeQuery(QStringLiteral("TEST"), QStringLiteral("SELECT COUNT(*) FROM t"));
    query->open();
    QCOMPARE(query->field(0).asInteger(), 3);
}

void ConnectionTest::rowsReadInBlocksSurviveOtherStatementsAndCommits() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema);
    const int rows = 7001; // several blocks of the server's cursor
    auto many = makeQuery(QStringLiteral("TEST"),
                          QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 FROM dual UNION ALL "
                                         "SELECT x + 1 FROM c WHERE x < :last) SELECT x FROM c"));
    many->paramByName(QStringLiteral("last")).setValue(rows);
    Database& connection = many->database();
    many->open();
    int read = 0;
    qint64 sum = 0;
    for (; !many->eof(); many->next(), ++read) {
        sum += many->field(0).asInteger();
        if (read % 2500 == 10) { // a lookup and a committed change between two blocks
            connection.startTransaction();
            makeQuery(QStringLiteral("TEST"),
                      QStringLiteral("UPDATE t SET name = 'r%1' WHERE id = 1").arg(read))
                ->execSql();
            connection.commit();
            auto lookup = makeQuery(QStringLiteral("TEST"), QStringLiteral("SELECT name FROM t "
                                                                           "WHERE id = 1"));
            lookup->open();
            QCOMPARE(lookup->field(0).asString(), QStringLiteral("r%1").arg(read));
        }
    }
    QCOMPARE(read, rows);
    QCOMPARE(sum, qint64(rows) * (rows + 1) / 2);
    many->close();

    // A data set closed half-way inside a transaction that was rolled back leaves the
    // next transaction intact.
    connection.startTransaction();
    many->open();
    many->next();
    connection.rollback();
    connection.startTransaction();
    many->close();
    makeQuery(QStringLiteral("TEST"), QStringLiteral("DELETE FROM t WHERE id = 3"))->execSql();
    connection.commit();
    auto count = makeQuery(QStringLiteral("TEST"), QStringLiteral("SELECT COUNT(*) FROM t"));
    count->open();
    QCOMPARE(count->field(0).asInteger(), 2);
}

// A data set that needs only its first rows (a lookup list) has the server compute no
// more than those when it opens; reading on gives every later row once and in order,
// and an error in a later row comes when that row is read.
void ConnectionTest::aListsFirstRowsAreComputedFirstAndTheRestFollows() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema);
    const int rows = 3001; // past the growing windows, into the cursor for the rest
    auto numbers = makeQuery(
        QStringLiteral("TEST"),
        QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 FROM dual UNION ALL SELECT x + 1 "
                       "FROM c WHERE x < :last) SELECT x FROM c -- one row each"));
    numbers->setFirstRows(5);
    numbers->paramByName(QStringLiteral("last")).setValue(rows);
    numbers->open();
    int read = 0;
    for (; !numbers->eof(); numbers->next())
        QCOMPARE(numbers->field(0).asInteger(), ++read);
    QCOMPARE(read, rows);

    // Opened again with another value: nothing of the earlier windows is left.
    numbers->close();
    numbers->paramByName(QStringLiteral("last")).setValue(7);
    numbers->open();
    for (read = 0; !numbers->eof(); numbers->next())
        ++read;
    QCOMPARE(read, 7);
    numbers->close();

    // A statement that limits its rows itself keeps its own limit.
    auto limited = makeQuery(QStringLiteral("TEST"),
                             QStringLiteral("SELECT x FROM (WITH RECURSIVE c(x) AS (SELECT 1 "
                                            "FROM dual UNION ALL SELECT x + 1 FROM c WHERE x < "
                                            "100) SELECT x FROM c) n ORDER BY x DESC LIMIT 12"));
    limited->setFirstRows(5);
    limited->open();
    QCOMPARE(limited->field(0).asInteger(), 100);
    for (read = 0; !limited->eof(); limited->next())
        ++read;
    QCOMPARE(read, 12);

    // Row 100 cannot be computed (an integer overflow): the list opens with its first rows,
    // and reading on fails with the engine's error (by the block that holds row 100 at
    // the latest) instead of ending early.
    auto failing = makeQuery(
        QStringLiteral("TEST"),
        QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 FROM dual UNION ALL SELECT x + 1 "
                       "FROM c WHERE x < 200) SELECT abs(CASE WHEN x = 100 THEN "
                       "-9223372036854775807 - 1 ELSE x END) AS y FROM c"));
    failing->setFirstRows(5);
    failing->open();
    read = 0;
    QVERIFY_THROWS_EXCEPTION(platform::EngineError, {
        for (; !failing->eof(); failing->next())
            ++read;
    });
    QVERIFY2(read >= 5 && read < 100, qPrintable(QString::number(read)));
}

void ConnectionTest::serverTimeoutsEndWaitsOnASlowOrStoppedServer() {
    if (!TestDatabase::onServer())
        QSKIP("the embedded engine has no server to wait for");
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema);
    database.writeAliasFile(database.aliasSection(QStringLiteral("TEST")) +
                            QStringLiteral("STATEMENT TIMEOUT=2\n"));
    // A slow statement: the server cancels it itself.
    auto slow = makeQuery(QStringLiteral("TEST"), QStringLiteral("SELECT pg_sleep(4) FROM dual"));
    QElapsedTimer clock;
    clock.start();
    QVERIFY_THROWS_EXCEPTION(platform::EngineError, slow->open());
    QVERIFY2(clock.elapsed() < 3500, qPrintable(QString::number(clock.elapsed())));

    // A server stopped in the middle of a read: the client gives up on its own.
    auto pid = makeQuery(QStringLiteral("TEST"), QStringLiteral("SELECT pg_backend_pid()"));
    pid->open();
    const qint64 backend = pid->field(0).asInteger();
    pid->close();
    auto many = makeQuery(QStringLiteral("TEST"),
                          QStringLiteral("SELECT x FROM generate_series(1, 10000) x"));
    many->open();
    QString message;
    int handlerCallsWhileStopped = 0;
    clock.restart();
    {
        // The window's handler goes on being called while the client waits.
        const db::StatementProgress progress(many->database(), [&] {
            if (clock.elapsed() > 500)
                ++handlerCallsWhileStopped;
        });
        const StoppedProcesses stopped({backend});
        try {
            while (!many->eof())
                many->next();
        } catch (const platform::EngineError& error) {
            message = error.message();
        }
    }
    qInfo("A stopped server failed after %lld ms: %s", clock.elapsed(), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("did not answer within 4 seconds")),
             qPrintable(message));
    QVERIFY(clock.elapsed() < 6000);
    QVERIFY2(handlerCallsWhileStopped > 10, qPrintable(QString::number(handlerCallsWhileStopped)));

    // A new connection works once the server runs again.
    many->database().close();
    many->open();
    QVERIFY(!many->eof());
}

void ConnectionTest::wrongPasswordGivesTheServersMessage() {
    if (!TestDatabase::onServer())
        QSKIP("an embedded database has no password");
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema);
    const QString login = QStringLiteral("zev_password_check");
    database.exec(QStringLiteral("DO $$BEGIN CREATE ROLE %1 LOGIN; EXCEPTION WHEN "
                                 "duplicate_object OR unique_violation THEN NULL; END$$;"
                                 "ALTER ROLE %1 PASSWORD 'right';")
                      .arg(login));
    const auto [wrong, wrongMs] =
        failedOpen(QStringLiteral("TEST"), login, QStringLiteral("wrong"));
    if (wrong.isEmpty())
        QSKIP("the server lets this login in without its password (pg_hba.conf)");
    qInfo("A wrong password failed after %lld ms: %s", wrongMs, qPrintable(wrong));
    QVERIFY2(
        wrong.contains(QStringLiteral("password authentication failed for user \"%1\"").arg(login)),
        qPrintable(wrong));
    QVERIFY(wrongMs < QuickFailureMs);

    // With the right password the same login reads the table.
    Database connection(Session::defaultSession(), QStringLiteral("TEST"));
    connection.params() << QStringLiteral("USER NAME=") + login << QStringLiteral("PASSWORD=right");
    Session::defaultSession().setMainDatabase(&connection);
    auto query = makeQuery(QStringLiteral("LB"), QStringLiteral("SELECT COUNT(*) FROM t"));
    query->open();
    QCOMPARE(query->field(0).asInteger(), 3);
    query->close();
    Session::defaultSession().setMainDatabase(nullptr);
}

QTEST_GUILESS_MAIN(ConnectionTest)
#include "tst_connection.moc"
