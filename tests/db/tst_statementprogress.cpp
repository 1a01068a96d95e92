#include "../support/TestDatabase.h"
#include "db/DataSetModel.h"
#include "db/DataSource.h"
#include "db/Query.h"
#include "db/Session.h"
#include "db/StatementProgress.h"
#include "platform/Errors.h"

#include <QtTest>
#include <memory>

using namespace db;

namespace {

const int RowCount = 300000;

// Counts to RowCount and hands the numbers back largest first: the engine produces and
// sorts every row before the first one comes back.
const QString SortedCount =
    QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < %1) "
                   "SELECT x FROM c ORDER BY x DESC");

std::unique_ptr<Query> sortedCount(int rows = RowCount) {
    auto query = std::make_unique<Query>();
    query->setDatabaseName(QStringLiteral("TEST"));
    query->setSqlText(SortedCount.arg(rows));
    return query;
}

// Runs the statement anew and reads every row.
int readAll(Query& query) {
    query.close();
    int rows = 0;
    for (query.open(); !query.eof(); query.next())
        ++rows;
    return rows;
}

bool onSqlite() {
    return TestDatabase::engineFromEnvironment() == TestDatabase::Engine::Sqlite;
}

} // namespace

class StatementProgressTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void handlerRunsWhileAStatementWorksAndStopsWithItsScope();
    void aScopeReachesAConnectionOpenedOrReopenedLater();
    void callsAreSpacedByTheInterval();
    void aRaisingHandlerEndsTheReadWithItsOwnError();
    void noStatementRunsOnTheConnectionInsideTheHandler();
    void gridsWaitWhileAHandlerRunsOrTheirControlsAreOff();

private:
    std::unique_ptr<TestDatabase> database_;
};

void StatementProgressTest::initTestCase() {
    database_ =
        std::make_unique<TestDatabase>(QStringLiteral("TEST"), TestDatabase::Content::Empty);
    database_->exec(QStringLiteral("CREATE TABLE t (n INTEGER);"
                                   "INSERT INTO t VALUES (1);INSERT INTO t VALUES (2);"));
}

void StatementProgressTest::cleanupTestCase() {
    database_.reset();
}

void StatementProgressTest::cleanup() {
    Session::defaultSession().close();
}

// On SQLite the engine calls back during the first step, which sorts every row; the
// server's client gives no callback while the server works. Reading rows calls back on
// both. Once the scope ends nothing calls the handler any more, and a nested scope is in
// force only while it lasts.
void StatementProgressTest::handlerRunsWhileAStatementWorksAndStopsWithItsScope() {
    const auto query = sortedCount();
    Database& connection = query->database();
    connection.open();
    int outerCalls = 0;
    int innerCalls = 0;
    {
        const StatementProgress outer(
            connection, [&] { ++outerCalls; }, 0);
        query->open();
        // Both engines call it while the statement computes its sorted rows.
        QVERIFY2(outerCalls > (onSqlite() ? 10 : 1), qPrintable(QString::number(outerCalls)));
        const int callsAfterOpen = outerCalls;
        {
            const StatementProgress inner(
                connection, [&] { ++innerCalls; }, 0);
            QCOMPARE(connection.progress(), &inner);
            for (int i = 0; i < 1000; ++i)
                query->next();
            QCOMPARE(outerCalls, callsAfterOpen);
            QVERIFY(innerCalls >= 1000);
        }
        QCOMPARE(connection.progress(), &outer);
        const int innerAfterScope = innerCalls;
        query->next();
        QCOMPARE(innerCalls, innerAfterScope);
        QVERIFY(outerCalls > callsAfterOpen);
        query->close();
    }
    QCOMPARE(connection.progress(), nullptr);
    const int outerAfterScope = outerCalls;
    const int innerAfterScope = innerCalls;
    QCOMPARE(readAll(*query), RowCount);
    QCOMPARE(outerCalls, outerAfterScope);
    QCOMPARE(innerCalls, innerAfterScope);
}

// "Nabor" makes its scope before the holdings query opens the connection.
void StatementProgressTest::aScopeReachesAConnectionOpenedOrReopenedLater() {
    const auto query = sortedCount();
    Database& connection = query->database();
    QVERIFY(!connection.connected());
    int calls = 0;
    const StatementProgress progress(
        connection, [&] { ++calls; }, 0);
    QCOMPARE(readAll(*query), RowCount);
    QVERIFY(calls >= RowCount);
    connection.close();
    calls = 0;
    QCOMPARE(readAll(*query), RowCount);
    QVERIFY(calls >= RowCount);
}

void StatementProgressTest::callsAreSpacedByTheInterval() {
    const auto query = sortedCount(50000);
    QElapsedTimer clock;
    std::vector<qint64> calledAt;
    clock.start();
    {
        const StatementProgress progress(
            query->database(), [&] { calledAt.push_back(clock.nsecsElapsed()); }, 5);
        for (int pass = 0; pass < 4; ++pass)
            QCOMPARE(readAll(*query), 50000);
    }
    QVERIFY(!calledAt.empty());
    QVERIFY(calledAt.front() >= 5'000'000);
    for (std::size_t i = 1; i < calledAt.size(); ++i)
        QVERIFY(calledAt[i] - calledAt[i - 1] >= 5'000'000);
}

// The error does not cross the engine's callback: it comes out of the data set's open
// (on SQLite the engine interrupts the statement; the server's rows are read), and the
// handler is not called
// again. The connection keeps working.
void StatementProgressTest::aRaisingHandlerEndsTheReadWithItsOwnError() {
    const auto query = sortedCount();
    int calls = 0;
    {
        const StatementProgress progress(
            query->database(),
            [&] {
                ++calls;
                throw platform::InOutError(QStringLiteral("stopped by the handler"));
            },
            0);
        try {
            readAll(*query);
            QFAIL("the handler's error did not come out");
        } catch (const platform::InOutError& error) {
            QCOMPARE(error.message(), QStringLiteral("stopped by the handler"));
        }
        QCOMPARE(calls, 1);
        QVERIFY(!query->active()); // the open (which reads the first row) failed
        QCOMPARE(readAll(*query), RowCount);
        QCOMPARE(calls, 1);
    }
    query->close();
    QCOMPARE(lookupValue(QStringLiteral("TEST"), {}, QStringLiteral("t"), QStringLiteral("max(n)")),
             QStringLiteral("2"));
}

// The engine forbids a statement on the connection while one steps in its callback; a
// paint that would run one (a lookup) is refused instead, and the outer read goes on.
void StatementProgressTest::noStatementRunsOnTheConnectionInsideTheHandler() {
    const auto query = sortedCount(20000);
    int refused = 0;
    int calls = 0;
    {
        const StatementProgress progress(
            query->database(),
            [&] {
                ++calls;
                try {
                    lookupValue(QStringLiteral("TEST"), {}, QStringLiteral("t"),
                                QStringLiteral("n"));
                } catch (const platform::DatabaseError&) {
                    ++refused;
                }
            },
            0);
        QCOMPARE(readAll(*query), 20000);
    }
    QVERIFY(calls > 0);
    QCOMPARE(refused, calls);
    query->close();
}

void StatementProgressTest::gridsWaitWhileAHandlerRunsOrTheirControlsAreOff() {
    const auto shown = sortedCount(2000);
    DataSource source;
    source.setDataSet(shown.get());
    DataSetModel grid;
    grid.setDataSource(&source);
    shown->open();
    QVERIFY(grid.canFetchMore({}));

    const auto counting = sortedCount(5000);
    bool gridWaited = true;
    {
        const StatementProgress progress(
            counting->database(),
            [&] {
                gridWaited = gridWaited && !grid.canFetchMore({});
                const int before = shown->fetchedRowCount();
                grid.fetchMore({});
                gridWaited = gridWaited && shown->fetchedRowCount() == before;
            },
            0);
        QCOMPARE(readAll(*counting), 5000);
    }
    QVERIFY(gridWaited);

    shown->disableControls();
    QVERIFY(!grid.canFetchMore({}));
    shown->enableControls();
    QVERIFY(grid.canFetchMore({}));
    grid.fetchMore({});
    QVERIFY(grid.rowCount() > 1);
}

QTEST_GUILESS_MAIN(StatementProgressTest)
#include "tst_statementprogress.moc"
