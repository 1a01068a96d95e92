// The framework grid: its title row (45 pixels with word-wrapped titles, the ellipsis
// without), title clicks that sort nothing, the focus rectangle, the options and the
// confirmation before Ctrl+Delete.
#include "../support/TestDatabase.h"
#include "controls/DbNavigator.h"
#include "controls/cDbGrid.h"
#include "db/DataSetModel.h"
#include "db/DataSource.h"
#include "db/Field.h"
#include "db/Table.h"
#include "platform/Errors.h"
#include "platform/MessageBox.h"

#include <QAccessible>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using namespace controls;

namespace {

const QString Schema = QStringLiteral(R"(
CREATE TABLE holding (id INTEGER PRIMARY KEY, name VARCHAR(20), amount DOUBLE PRECISION);
INSERT INTO holding VALUES (1, 'Alpha', 10.5);
INSERT INTO holding VALUES (2, 'Beta', 20);
INSERT INTO holding VALUES (3, 'Gamma', 30);
)");

const QString LongTitle = QStringLiteral("Vrednost naložbe na dan poročanja");

// A grid that can sort by every field, to show what the sort column looks like.
class SortingGrid : public TKVDbGrid {
public:
    using TKVDbGrid::TKVDbGrid;

protected:
    bool canSortBy(const db::Field* field) const override { return field != nullptr; }
};

// How many pixels of the area are dark (caption text).
int inkIn(const QImage& picture, const QRect& area) {
    int ink = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(picture.pixel(x, y)) < 110)
                ++ink;
    return ink;
}

// A table whose connection breaks when the grid reads its third row.
class BreakingTable : public db::Table {
public:
    int rowsRead = 0;

protected:
    bool fetchRow(Row& dataValues) override {
        if (++rowsRead == 3)
            throw platform::EngineError(QStringLiteral("The connection broke."));
        return db::Table::fetchRow(dataValues);
    }
};

} // namespace

class TestDbGrid : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void wordwrappedTitlesTakeA45PixelRow();
    void longTitlesEndInAnEllipsis();
    void titleClickFiresTheEventAndSortsNothing();
    void sortColumnOfAGridThatCanSort();
    void focusRectangleOnlyWhileFocused();
    void optionsAndColoursAfterCreation();
    void titleCellsKeepReadableNames();
    void ctrlDeleteAsksFirst();
    void leavingCancelsAnInsertNothingWasTypedInto();
    void errorsOfReadingOnAndOfEditingAreShown();
    void theNavigatorShowsWhatItsButtonsRaise();

private:
    template <typename Grid = TKVDbGrid> Grid* makeGrid();
    QPoint titleCentre(TKVCustomDbGrid* grid, int column) const;

    std::unique_ptr<TestDatabase> database_;
    std::unique_ptr<db::Table> table_;
    std::unique_ptr<db::DataSource> source_;
    std::unique_ptr<QWidget> window_;
    QList<platform::MessageResult> answers_;
    QStringList messages_;
    std::unique_ptr<platform::ScopedMessageSink> sink_;
};

void TestDbGrid::init() {
    database_ = std::make_unique<TestDatabase>(QStringLiteral("TEST"), TestDatabase::Content::Empty,
                                               Schema);
    table_ = std::make_unique<db::Table>();
    table_->setDatabaseName(QStringLiteral("TEST"));
    table_->setTableName(QStringLiteral("holding"));
    table_->setIndexFieldNames(QStringLiteral("id"));
    table_->addField(QStringLiteral("id"), db::FieldType::Integer, db::FieldKind::Data, 0);
    table_->addField(QStringLiteral("name"), db::FieldType::String, db::FieldKind::Data, 20)
        .setDisplayLabel(QStringLiteral("Naziv"));
    db::Field& amount =
        table_->addField(QStringLiteral("amount"), db::FieldType::Float, db::FieldKind::Data, 0);
    amount.setDisplayLabel(LongTitle);
    amount.setDisplayWidth(8);
    table_->open();
    source_ = std::make_unique<db::DataSource>();
    source_->setDataSet(table_.get());
    window_ = std::make_unique<QWidget>();
    new QVBoxLayout(window_.get());
    window_->resize(400, 220);
    messages_.clear();
    answers_.clear();
    sink_ = std::make_unique<platform::ScopedMessageSink>(
        [this](platform::MessageKind, const QString& text) {
            messages_.append(text);
            return answers_.isEmpty() ? platform::MessageResult::Ok : answers_.takeFirst();
        });
}

void TestDbGrid::cleanup() {
    sink_.reset();
    window_.reset();
    source_.reset();
    table_.reset();
    database_.reset();
}

template <typename Grid> Grid* TestDbGrid::makeGrid() {
    auto* grid = new Grid(window_.get());
    window_->layout()->addWidget(grid);
    grid->setDataSource(source_.get());
    window_->show();
    window_->activateWindow();
    if (!QTest::qWaitForWindowActive(window_.get()))
        qWarning("window not active");
    return grid;
}

QPoint TestDbGrid::titleCentre(TKVCustomDbGrid* grid, int column) const {
    QHeaderView* titles = grid->horizontalHeader();
    return {titles->sectionViewportPosition(column) + titles->sectionSize(column) / 2,
            titles->height() / 2};
}

void TestDbGrid::wordwrappedTitlesTakeA45PixelRow() {
    TKVDbGrid* grid = makeGrid();
    const int oneLine = grid->horizontalHeader()->height();
    QVERIFY(oneLine < TKVCustomDbGrid::WordwrapTitleHeight);
    grid->setTitleWordwrap(true);
    QCOMPARE(grid->horizontalHeader()->height(), 45);
    // A reopened data set lays the columns out again and keeps the row.
    table_->close();
    table_->open();
    QCOMPARE(grid->horizontalHeader()->height(), 45);

    const QFontMetrics metrics(grid->titleFont());
    const QStringList lines =
        TKVCustomDbGrid::titleLines(LongTitle, metrics, 90, 41, /*wordwrap=*/true);
    QVERIFY2(lines.size() >= 2, qPrintable(lines.join('|')));
    QCOMPARE(lines.first(), "Vrednost");
    // The caption wraps onto the lower half of the cell.
    QHeaderView* titles = grid->horizontalHeader();
    const QImage picture = titles->grab().toImage();
    const int left = titles->sectionViewportPosition(2);
    const QRect lower(left + 2, 24, titles->sectionSize(2) - 4, 18);
    QVERIFY(inkIn(picture, lower) > 0);

    grid->setTitleWordwrap(false);
    QCOMPARE(grid->horizontalHeader()->height(), oneLine);
}

void TestDbGrid::longTitlesEndInAnEllipsis() {
    QFont font;
    const QFontMetrics metrics(font);
    const QStringList cut = TKVCustomDbGrid::titleLines(LongTitle, metrics, 80, 40, false);
    QCOMPARE(cut.size(), 1);
    QVERIFY2(cut.first().endsWith(QChar(0x2026)), qPrintable(cut.first()));
    QVERIFY(metrics.horizontalAdvance(cut.first()) <= 80);
    QCOMPARE(TKVCustomDbGrid::titleLines(QStringLiteral("Id"), metrics, 80, 40, false),
             QStringList({"Id"}));
    // With wordwrap, what does not fit into the lines the cell has is cut at the end.
    const QStringList twoLines =
        TKVCustomDbGrid::titleLines(LongTitle, metrics, 80, 2 * metrics.height(), true);
    QCOMPARE(twoLines.size(), 2);
    QVERIFY(twoLines.last().endsWith(QChar(0x2026)));
    // A word longer than the cell is cut as well.
    const QStringList word =
        TKVCustomDbGrid::titleLines(QStringLiteral("Naložbenavrednost"), metrics, 30, 40, true);
    QVERIFY(word.first().endsWith(QChar(0x2026)));
}

void TestDbGrid::titleClickFiresTheEventAndSortsNothing() {
    TKVDbGrid* grid = makeGrid();
    QList<int> clicked;
    connect(grid, &TKVDbGrid::OnTitleClick, this, [&](int column) { clicked.append(column); });
    table_->next(); // the grid follows the data set
    const QImage before = grid->horizontalHeader()->grab().toImage();
    QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      titleCentre(grid, 1));
    QCOMPARE(clicked, QList<int>({1}));
    QCOMPARE(grid->sortColumn(), -1);
    QCOMPARE(grid->currentIndex(), grid->model()->index(1, 0));   // no column selected
    QCOMPARE(grid->horizontalHeader()->grab().toImage(), before); // no colour changed
    QCOMPARE(table_->recNo(), 2);
}

void TestDbGrid::sortColumnOfAGridThatCanSort() {
    SortingGrid* grid = makeGrid<SortingGrid>();
    grid->setSortColor(QColor(0, 200, 0));
    QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      titleCentre(grid, 1));
    QCOMPARE(grid->sortColumn(), 1);
    const QImage picture = grid->horizontalHeader()->grab().toImage();
    const QPoint inside(grid->horizontalHeader()->sectionViewportPosition(1) + 3, 3);
    QCOMPARE(picture.pixelColor(inside), QColor(0, 200, 0));
}

void TestDbGrid::focusRectangleOnlyWhileFocused() {
    TKVDbGrid* grid = makeGrid();
    auto* other = new QLineEdit(window_.get());
    window_->layout()->addWidget(other);
    other->show();
    grid->setSelColor(QColor(255, 255, 255));
    grid->setCurrentIndex(grid->model()->index(0, 1));
    grid->clearSelection();
    other->setFocus();
    QTRY_VERIFY(!grid->hasFocus());
    const QRect cell = grid->visualRect(grid->currentIndex());
    const QImage unfocused = grid->viewport()->grab().toImage().copy(cell);
    grid->setFocus();
    QTRY_VERIFY(grid->hasFocus());
    const QImage focused = grid->viewport()->grab().toImage().copy(cell);
    QVERIFY(focused != unfocused);
    // The difference is the frame around the cell: its middle stays as it was.
    const QRect middle(cell.width() / 2 - 2, cell.height() / 2 - 1, 4, 2);
    QCOMPARE(focused.copy(middle), unfocused.copy(middle));
}

void TestDbGrid::optionsAndColoursAfterCreation() {
    TKVDbGrid grid;
    QCOMPARE(grid.options(), TKVCustomDbGrid::DefaultOptions);
    using Option = TKVCustomDbGrid::Option;
    QVERIFY(grid.options().testFlag(Option::Editing) && grid.options().testFlag(Option::Tabs));
    QVERIFY(!grid.options().testFlag(Option::RowSelect));
    QVERIFY(!grid.options().testFlag(Option::MultiSelect));
    QCOMPARE(grid.sortColumn(), -1);
    QCOMPARE(grid.selColor(), grid.palette().color(QPalette::Highlight));
    QCOMPARE(grid.sortColor(), grid.palette().color(QPalette::Light));
    QCOMPARE(grid.selFont(), grid.font());
    QVERIFY(!grid.titleWordwrap());
    QVERIFY(grid.tabKeyNavigation());
    QVERIFY(grid.editTriggers() != QAbstractItemView::NoEditTriggers);
    QCOMPARE(grid.selectionBehavior(), QAbstractItemView::SelectItems);
    grid.setOptions(grid.options().setFlag(Option::Editing, false));
    QCOMPARE(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
    grid.setOptions(TKVCustomDbGrid::DefaultOptions | Option::RowSelect);
    grid.setReadOnly(true);
    QCOMPARE(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(grid.selectionBehavior(), QAbstractItemView::SelectRows);
    grid.show();
    QVERIFY(grid.verticalHeader()->isVisible());
    QCOMPARE(grid.verticalHeader()->width(), TKVCustomDbGrid::IndicatorWidth);
    grid.setOptions(
        TKVCustomDbGrid::Options(TKVCustomDbGrid::DefaultOptions).setFlag(Option::Titles, false));
    QVERIFY(!grid.horizontalHeader()->isVisible());
}

void TestDbGrid::titleCellsKeepReadableNames() {
    TKVDbGrid* grid = makeGrid();
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);
    QVERIFY(table && table->tableInterface());
    QStringList headers;
    for (int index = 0; index < table->childCount(); ++index) {
        QAccessibleInterface* child = table->child(index);
        if (child && child->role() == QAccessible::ColumnHeader)
            headers.append(child->text(QAccessible::Name));
    }
    QCOMPARE(headers, QStringList({"id", "Naziv", LongTitle}));
    QCOMPARE(grid->columnTitle(1).caption, "Naziv");
}

void TestDbGrid::ctrlDeleteAsksFirst() {
    TKVDbGrid* grid = makeGrid();
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 1));
    answers_ = {platform::MessageResult::Cancel};
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(messages_, QStringList({"Delete record?"}));
    QCOMPARE(table_->recordCount(), 3);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(table_->recordCount(), 2);
    QCOMPARE(table_->fieldByName(QStringLiteral("name")).asString(), "Beta");
    grid->setReadOnly(true);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(table_->recordCount(), 2);
    QCOMPARE(messages_.size(), 2);
}

void TestDbGrid::leavingCancelsAnInsertNothingWasTypedInto() {
    TKVDbGrid* grid = makeGrid();
    auto* other = new QLineEdit(window_.get());
    window_->layout()->addWidget(other);
    other->show();
    grid->setFocus();
    QTRY_VERIFY(grid->hasFocus());
    table_->append();
    other->setFocus();
    QCOMPARE(table_->state(), db::DataSetState::Browse);
    QCOMPARE(table_->recordCount(), 3);

    // A record that something was typed into stays in insert state.
    grid->setFocus();
    table_->append();
    table_->fieldByName(QStringLiteral("id")).setAsInteger(4);
    other->setFocus();
    QCOMPARE(table_->state(), db::DataSetState::Insert);
    table_->cancel();
}

// The grid reads on from its own timer and scroll code, and edits cells from its
// editor's: an error there is shown once, and the grid keeps what it has.
void TestDbGrid::errorsOfReadingOnAndOfEditingAreShown() {
    BreakingTable breaking;
    breaking.setDatabaseName(QStringLiteral("TEST"));
    breaking.setTableName(QStringLiteral("holding"));
    breaking.setIndexFieldNames(QStringLiteral("id"));
    breaking.open();
    source_->setDataSet(&breaking);
    TKVDbGrid* grid = makeGrid();
    QTRY_COMPARE(messages_, QStringList({"The connection broke."}));
    QCOMPARE(grid->model()->rowCount(), 2);
    QVERIFY(!grid->model()->canFetchMore({}));
    QTest::qWait(50);
    QCOMPARE(messages_.size(), 1);

    source_->setDataSet(table_.get());
    QTRY_COMPARE(grid->model()->rowCount(), 3); // another data set reads on again
    table_->afterEdit = [](db::DataSet&) {
        throw platform::EngineError(QStringLiteral("The row is locked."));
    };
    const QModelIndex name = grid->model()->index(0, 1);
    QVERIFY(!grid->model()->setData(name, QStringLiteral("Delta")));
    QCOMPARE(messages_.last(), QStringLiteral("The row is locked."));
    table_->afterEdit = nullptr;
    table_->cancel();
    QCOMPARE(table_->fieldByName(QStringLiteral("name")).asString(), QStringLiteral("Alpha"));
    source_->setDataSet(nullptr);
}

// A plain QApplication catches nothing: an error that left a button's handler through
// Qt's signal code would end the test here. The navigator's own guard shows it, and the
// data set keeps its state and what was typed.
void TestDbGrid::theNavigatorShowsWhatItsButtonsRaise() {
    auto* navigator = new DbNavigator(window_.get());
    window_->layout()->addWidget(navigator);
    navigator->setDataSource(source_.get());
    window_->show();
    table_->beforePost = [](db::DataSet&) {
        throw platform::EngineError(QStringLiteral("The row is locked."));
    };
    QTest::mouseClick(navigator->button(DbNavigator::Edit), Qt::LeftButton);
    table_->fieldByName(QStringLiteral("name")).setAsString(QStringLiteral("Delta"));
    QTest::mouseClick(navigator->button(DbNavigator::Post), Qt::LeftButton);
    QCOMPARE(messages_, QStringList({"The row is locked."}));
    QCOMPARE(table_->state(), db::DataSetState::Edit);
    QCOMPARE(table_->fieldByName(QStringLiteral("name")).asString(), QStringLiteral("Delta"));
    QVERIFY(navigator->button(DbNavigator::Post)->isEnabled());

    QTest::mouseClick(navigator->button(DbNavigator::Cancel), Qt::LeftButton);
    table_->afterInsert = [](db::DataSet&) {
        throw platform::EngineError(QStringLiteral("No new rows today."));
    };
    QTest::mouseClick(navigator->button(DbNavigator::Insert), Qt::LeftButton);
    QCOMPARE(messages_.last(), QStringLiteral("No new rows today."));
    QCOMPARE(table_->fieldByName(QStringLiteral("name")).asString(), QStringLiteral("Alpha"));
    table_->beforePost = nullptr;
    table_->afterInsert = nullptr;
    if (table_->state() != db::DataSetState::Browse)
        table_->cancel();
}

QTEST_MAIN(TestDbGrid)
#include "tst_dbgrid.moc"
