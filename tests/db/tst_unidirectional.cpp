#include "../support/TestDatabase.h"
#include "db/Query.h"
#include "platform/Errors.h"

#include <QtTest>
#include <algorithm>
#include <memory>

using namespace db;

namespace {

const int RowCount = 1000;

const QString Numbers = QStringLiteral(R"(
CREATE TABLE numbers (n INTEGER, t VARCHAR(12));
WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 1000)
INSERT INTO numbers SELECT x, 'row ' || x FROM c;
)");

// The numbers in order, with a calculated field "twice" filled for every row read.
std::unique_ptr<Query> numbersQuery() {
    auto query = std::make_unique<Query>();
    query->setDatabaseName(QStringLiteral("TEST"));
    query->setSqlText(QStringLiteral("SELECT n, t FROM numbers ORDER BY n"));
    query->addField(QStringLiteral("n"), FieldType::Integer);
    query->addField(QStringLiteral("t"), FieldType::String, FieldKind::Data, 12);
    query->addField(QStringLiteral("twice"), FieldType::Integer, FieldKind::Calculated);
    query->onCalcFields = [](DataSet& set) {
        set.fieldByName(QStringLiteral("twice"))
            .setAsInteger(2 * set.fieldByName(QStringLiteral("n")).asInteger());
    };
    return query;
}

qint64 number(const Query& query) {
    return query.fieldByName(QStringLiteral("n")).asInteger();
}

} // namespace

class UnidirectionalTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void onePassReadsEveryRowKeepingOnlyTheCurrentOne();
    void forwardMovesReadOnAndDropWhatTheyPass();
    void backwardMovesAndWholeSetOperationsAreRefused();
    void directionIsChosenWhileClosed();

private:
    std::unique_ptr<TestDatabase> database_;
};

void UnidirectionalTest::initTestCase() {
    database_ =
        std::make_unique<TestDatabase>(QStringLiteral("TEST"), TestDatabase::Content::Empty);
    database_->exec(Numbers);
}

void UnidirectionalTest::cleanupTestCase() {
    database_.reset();
}

void UnidirectionalTest::onePassReadsEveryRowKeepingOnlyTheCurrentOne() {
    const auto query = numbersQuery();
    query->setUnidirectional(true);
    query->open();
    int expected = 1;
    int largestBuffer = 0;
    for (; !query->eof(); query->next(), ++expected) {
        QCOMPARE(query->recNo(), expected);
        QCOMPARE(number(*query), expected);
        QCOMPARE(query->fieldByName(QStringLiteral("t")).asString(),
                 QStringLiteral("row %1").arg(expected));
        QCOMPARE(query->fieldByName(QStringLiteral("twice")).asInteger(), 2 * expected);
        largestBuffer = std::max(largestBuffer, query->fetchedRowCount());
    }
    QCOMPARE(expected, RowCount + 1);
    QCOMPARE(largestBuffer, 1);
    // At the end the last row stays current.
    QCOMPARE(number(*query), RowCount);
    QCOMPARE(query->recNo(), RowCount);

    // Opened again, it starts from the first row.
    query->close();
    query->open();
    QCOMPARE(query->recNo(), 1);
    QCOMPARE(number(*query), 1);
}

void UnidirectionalTest::forwardMovesReadOnAndDropWhatTheyPass() {
    const auto query = numbersQuery();
    query->setUnidirectional(true);
    query->open();
    // Standing on the first row, first() and prior() have nothing to go back to.
    query->first();
    query->prior();
    QVERIFY(query->bof());
    QCOMPARE(number(*query), 1);

    QCOMPARE(query->moveBy(10), 10);
    QCOMPARE(query->recNo(), 11);
    QCOMPARE(number(*query), 11);
    QCOMPARE(query->fetchedRowCount(), 1);

    query->setRecNo(500);
    QCOMPARE(number(*query), 500);
    query->setRecNo(500);
    QCOMPARE(query->recNo(), 500);
    QCOMPARE(query->fetchedRowCount(), 1);

    query->setRecNo(RowCount - 5);
    QCOMPARE(query->moveBy(10), 5);
    QVERIFY(query->eof());
    QCOMPARE(number(*query), RowCount);

    query->close();
    query->open();
    query->last();
    QVERIFY(query->eof());
    QCOMPARE(query->recNo(), RowCount);
    QCOMPARE(query->fieldByName(QStringLiteral("twice")).asInteger(), 2 * RowCount);
    QCOMPARE(query->fetchedRowCount(), 1);
    QCOMPARE(query->moveBy(3), 0);
}

void UnidirectionalTest::backwardMovesAndWholeSetOperationsAreRefused() {
    const auto query = numbersQuery();
    query->setUnidirectional(true);
    query->open();
    query->next();
    QVERIFY_THROWS_EXCEPTION(platform::DatabaseError, query->prior());
    QVERIFY_THROWS_EXCEPTION(platform::DatabaseError, query->first());
    QVERIFY_THROWS_EXCEPTION(platform::DatabaseError, query->moveBy(-1));
    QVERIFY_THROWS_EXCEPTION(platform::DatabaseError, query->setRecNo(1));
    QVERIFY_THROWS_EXCEPTION(platform::DatabaseError, query->recordCount());
    QVERIFY_THROWS_EXCEPTION(platform::DatabaseError,
                             query->locate(QStringLiteral("n"), {QVariant(700)}));
    QVERIFY_THROWS_EXCEPTION(platform::DatabaseError, query->refresh());
    // Nothing moved.
    QCOMPARE(query->recNo(), 2);
    QCOMPARE(number(*query), 2);
    query->next();
    QCOMPARE(number(*query), 3);
}

void UnidirectionalTest::directionIsChosenWhileClosed() {
    const auto query = numbersQuery();
    query->setUnidirectional(true);
    query->open();
    QVERIFY_THROWS_EXCEPTION(platform::DatabaseError, query->setUnidirectional(false));
    QVERIFY(query->unidirectional());
    query->moveBy(3);
    query->close();

    // Back to the full buffer: rows already seen can be reached again.
    query->setUnidirectional(false);
    query->open();
    query->moveBy(3);
    query->prior();
    QCOMPARE(number(*query), 3);
    QCOMPARE(query->fetchedRowCount(), 4);
    QCOMPARE(query->recordCount(), RowCount);
    query->first();
    QCOMPARE(query->recNo(), 1);
}

QTEST_MAIN(UnidirectionalTest)
#include "tst_unidirectional.moc"
