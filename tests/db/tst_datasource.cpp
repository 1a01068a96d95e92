#include "../support/TestDatabase.h"
#include "db/DataSetModel.h"
#include "db/Query.h"
#include "db/Table.h"
#include "platform/MessageBox.h"

#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

using namespace db;

namespace {

const QString schema = QStringLiteral(R"(
CREATE TABLE item (id INTEGER PRIMARY KEY, name VARCHAR(12), amount DOUBLE PRECISION);
WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 20)
INSERT INTO item SELECT x, 'item ' || x, x * 1000.5 FROM c;
CREATE TABLE big (n INTEGER, t TEXT);
WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 100000)
INSERT INTO big SELECT x, 'row ' || x FROM c;
)");

// Writes down what a control would hear.
class RecordingLink : public DataLink {
public:
    QStringList events;

protected:
    void activeChanged() override { events << QStringLiteral("active"); }
    void recordChanged(Field* field) override {
        events << QStringLiteral("record:") + (field ? field->fieldName() : QString());
    }
    void dataSetChanged() override { events << QStringLiteral("dataset"); }
    void dataSetScrolled(int) override { events << QStringLiteral("scrolled"); }
    void editingChanged() override { events << QStringLiteral("editing"); }
    void updateData() override { events << QStringLiteral("update"); }
    void rowsFetched() override {}
};

std::unique_ptr<Table> itemTable() {
    auto table = std::make_unique<Table>();
    table->setDatabaseName(QStringLiteral("TEST"));
    table->setTableName(QStringLiteral("item"));
    return table;
}

} // namespace

class DataSourceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void linkWindowFollowsTheCurrentRecord();
    void notifications();
    void controlsDisabledForABlockOnEveryPath();
    void autoEditAndLifetimes();
    void modelReadsLazily();
    void modelEditsOnlyTheCurrentRowInEditState();
};

void DataSourceTest::linkWindowFollowsTheCurrentRecord() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema);
    auto table = itemTable();
    DataSource source;
    source.setDataSet(table.get());
    RecordingLink link;
    link.setBufferCount(5);
    link.setDataSource(&source);
    QCOMPARE(link.recordCount(), 0);
    table->open();
    QVERIFY(link.active());
    QCOMPARE(link.recordCount(), 5);
    QVERIFY(table->fetchedRowCount() >= 5); // the window was filled
    QCOMPARE(link.activeRecord(), 0);
    table->moveBy(6);
    QCOMPARE(link.firstRecord(), 2);
    QCOMPARE(link.activeRecord(), 4);
    table->moveBy(-2); // inside the window: it stays
    QCOMPARE(link.firstRecord(), 2);
    QCOMPARE(link.activeRecord(), 2);
    table->moveBy(-3);
    QCOMPARE(link.firstRecord(), 1);
    QCOMPARE(link.activeRecord(), 0);
    table->last();
    QCOMPARE(link.firstRecord(), 15);
    QCOMPARE(link.activeRecord(), 4);
    QCOMPARE(link.recordCount(), 5);
    table->first();
    QCOMPARE(link.firstRecord(), 0);

    table->setFilter(QStringLiteral("id <= 3"));
    table->setFiltered(true);
    QCOMPARE(link.recordCount(), 3);
    table->last();
    QCOMPARE(link.firstRecord(), 0);
    QCOMPARE(link.activeRecord(), 2);
    link.setBufferCount(2);
    QCOMPARE(link.firstRecord(), 1);
    QCOMPARE(link.activeRecord(), 1);
}

void DataSourceTest::notifications() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema);
    auto table = itemTable();
    DataSource source;
    source.setDataSet(table.get());
    RecordingLink link;
    link.setDataSource(&source);
    QSignalSpy stateSpy(&source, &DataSource::stateChanged);
    table->open();
    table->next();
    table->edit();
    table->fieldByName(QStringLiteral("name")).setAsString(QStringLiteral("x"));
    table->post();
    QCOMPARE(link.events, (QStringList{"active", "scrolled", "editing", "record:name", "update",
                                       "editing", "dataset"}));
    QCOMPARE(stateSpy.count(), 3); // opened, edit, browse

    link.events.clear();
    table->disableControls();
    table->next();
    table->last();
    table->close();
    table->open();
    QVERIFY(link.events.isEmpty());
    table->enableControls();
    QCOMPARE(link.events, (QStringList{"active", "dataset"}));

    link.events.clear();
    table->insert();
    table->cancel();
    QCOMPARE(link.events, (QStringList{"editing", "dataset", "editing", "dataset"}));
}

// A block run with the controls disabled gives them back on every path: after the
// block, after an open that fails inside it (the error still reaches the caller), and
// only after the outermost of nested blocks.
void DataSourceTest::controlsDisabledForABlockOnEveryPath() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema);
    Query query;
    query.setDatabaseName(QStringLiteral("TEST"));
    DataSource source;
    source.setDataSet(&query);
    RecordingLink link;
    link.setDataSource(&source);

    query.setSqlText(QStringLiteral("SELECT id FROM missing_table"));
    QVERIFY_THROWS_EXCEPTION(std::exception, withControlsDisabled(query, [&] {
                                 QVERIFY(query.controlsDisabled());
                                 query.open();
                             }));
    QVERIFY(!query.controlsDisabled());
    QCOMPARE(link.events, QStringList{"dataset"});

    link.events.clear();
    query.setSqlText(QStringLiteral("SELECT id FROM item ORDER BY id"));
    withControlsDisabled(query, [&] {
        withControlsDisabled(query, [&] { query.open(); });
        QVERIFY(query.controlsDisabled());
        QVERIFY(link.events.isEmpty());
        query.next();
    });
    QVERIFY(!query.controlsDisabled());
    QCOMPARE(link.events, (QStringList{"active", "dataset"}));
    QCOMPARE(query.fieldByName(QStringLiteral("id")).asInteger(), 2);
}

void DataSourceTest::autoEditAndLifetimes() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema);
    auto table = itemTable();
    auto source = std::make_unique<DataSource>();
    source->setDataSet(table.get());
    RecordingLink link;
    link.setDataSource(source.get());
    table->open();
    source->setAutoEdit(false);
    QVERIFY(!link.edit());
    QCOMPARE(table->state(), DataSetState::Browse);
    source->setAutoEdit(true);
    link.setReadOnly(true);
    QVERIFY(!link.edit());
    link.setReadOnly(false);
    QVERIFY(link.edit());
    QCOMPARE(source->state(), DataSetState::Edit);
    table->cancel();

    // A control that removes another source while hearing of a move: the removed
    // source hears nothing more.
    auto doomed = std::make_unique<DataSource>();
    doomed->setDataSet(table.get());
    QObject::connect(source.get(), &DataSource::dataChanged, source.get(),
                     [&doomed] { doomed.reset(); });
    table->next();
    QCOMPARE(doomed, nullptr);
    table->next();

    table.reset(); // the source forgets a data set that goes away
    QCOMPARE(source->dataSet(), nullptr);
    QVERIFY(!link.active());
    source.reset(); // and the link its source
    QCOMPARE(link.dataSource(), nullptr);
}

void DataSourceTest::modelReadsLazily() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema);
    Query query;
    query.setDatabaseName(QStringLiteral("TEST"));
    query.setSqlText(QStringLiteral("SELECT n, t, n * 1000.5 AS amount FROM big ORDER BY n"));
    Field& number = query.addField(QStringLiteral("n"), FieldType::Integer);
    number.setDisplayLabel(QStringLiteral("Številka"));
    query.addField(QStringLiteral("t"), FieldType::String, FieldKind::Data, 12).setVisible(false);
    Field& amount = query.addField(QStringLiteral("amount"), FieldType::Float);
    amount.setDisplayFormat(QStringLiteral("#,##0.##"));
    amount.setDisplayWidth(12);
    DataSource source;
    source.setDataSet(&query);
    DataSetModel model;
    model.setDataSource(&source);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);

    query.open();
    QCOMPARE(model.columnCount(), 2); // the visible fields
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Številka"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("amount"));
    QCOMPARE(model.displayWidth(1), 12);
    QCOMPARE(model.rowCount(), query.fetchedRowCount()); // what was read, no more
    QVERIFY(query.fetchedRowCount() <= 1 + 256);
    QVERIFY(model.canFetchMore(QModelIndex()));
    const int before = model.rowCount();
    model.fetchMore(QModelIndex());
    QCOMPARE(model.rowCount(), before + 256);
    QCOMPARE(model.data(model.index(0, 1)).toString(), QStringLiteral("1,000.5"));
    QCOMPARE(model.data(model.index(0, 1), Qt::TextAlignmentRole).value<Qt::Alignment>(),
             Qt::AlignRight | Qt::AlignVCenter);

    QTableView view;
    view.setModel(&model);
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCoreApplication::processEvents();
    QVERIFY(model.rowCount() > 1);
    QVERIFY2(query.fetchedRowCount() < 2000, "the grid must not read the whole result");

    QSignalSpy current(&model, &DataSetModel::currentRowChanged);
    query.next();
    QCOMPARE(current.count(), 1);
    QCOMPARE(current.takeFirst().at(0).toInt(), 1);
    model.setCurrentRow(5);
    QCOMPARE(query.recNo(), 6);

    query.last(); // reading everything shows everything
    QCOMPARE(model.rowCount(), 100000);
    QVERIFY(!model.canFetchMore(QModelIndex()));
    QCOMPARE(model.data(model.index(99999, 0)).toString(), QStringLiteral("100000"));
    query.close();
    QCOMPARE(model.rowCount(), 0);
}

void DataSourceTest::modelEditsOnlyTheCurrentRowInEditState() {
    platform::ScopedMessageSink sink(
        [](platform::MessageKind, const QString&) { return platform::MessageResult::Ok; });
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, schema);
    auto table = itemTable();
    DataSource source;
    source.setAutoEdit(false);
    source.setDataSet(table.get());
    DataSetModel model;
    model.setDataSource(&source);
    table->open();
    table->fieldByName(QStringLiteral("id")).setReadOnly(true);
    const QModelIndex name = model.index(0, 1);
    QVERIFY(model.flags(name) & Qt::ItemIsEditable);
    QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(!model.setData(name, QStringLiteral("typed"))); // browsing, no auto-edit
    table->edit();
    QVERIFY(!model.setData(model.index(1, 1), QStringLiteral("typed"))); // not the current row
    QVERIFY(!model.setData(model.index(0, 0), 99));                      // read-only field
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(model.setData(name, QStringLiteral("typed")));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(model.data(name).toString(), QStringLiteral("typed"));
    QVERIFY(!model.setData(model.index(0, 2), QStringLiteral("not a number")));
    table->post();
    QCOMPARE(model.data(name).toString(), QStringLiteral("typed"));

    source.setAutoEdit(true); // auto-edit starts editing on the current row
    QVERIFY(model.setData(model.index(0, 2), QStringLiteral("2.5")));
    QCOMPARE(table->state(), DataSetState::Edit);
    QCOMPARE(table->fieldByName(QStringLiteral("amount")).asFloat(), 2.5);
    table->cancel();
}

QTEST_MAIN(DataSourceTest)
#include "tst_datasource.moc"
