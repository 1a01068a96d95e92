// The cell-grid base of the pop-up tools' grids: its layout in both modes, hit testing,
// arrow-key moves with and without going on across the rows, and what it tells
// assistive tools, on a grid of letters of its own.
#include "entry/CellGrid.h"
#include "platform/Errors.h"
#include "platform/MessageBox.h"

#include <QAccessible>
#include <QTest>

namespace {

// Cells "A", "B", … in reading order; choosing one records it and makes it current,
// unless failing is set, when choosing raises.
class LetterGrid : public entry::TCellGrid {
public:
    LetterGrid(int columns, int rows) : TCellGrid(columns, rows) {}
    using TCellGrid::setCellPitch;
    using TCellGrid::setMovesWrapRows;

    QString Cell(int column, int row) const override {
        return QString(QChar(u'A' + row * ColCount() + column));
    }
    QAccessible::Role AccessibleCellRole(int) const override { return QAccessible::Cell; }

    QList<QPoint> chosen;
    bool failing = false;

protected:
    CellColours coloursOf(int, int) const override { return {Qt::black, QColor()}; }
    bool chooseCell(int column, int row) override {
        if (failing)
            throw platform::ConvertError(QStringLiteral("cannot choose ") + Cell(column, row));
        chosen << QPoint(column, row);
        setCurrentCell(column, row);
        return true;
    }
};

// The cell under each point of the widget, as text; "-" where there is none.
QString cellsAlong(const LetterGrid& grid, int y) {
    QString cells;
    for (int x = 0; x < grid.width(); ++x) {
        int column = -1;
        int row = -1;
        cells +=
            grid.CellAt(QPoint(x, y), column, row) ? grid.Cell(column, row) : QStringLiteral("-");
    }
    return cells;
}

} // namespace

class CellGridTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cellsShareTheSidesEvenly();
    void pitchedCellsLeaveGapsAndCloseUpWhenShort();
    void arrowKeysStopAtTheEdgesOrGoOnAcrossRows();
    void anErrorWhileChoosingGoesToTheErrorDisplay();
    void assistiveToolsSeeTheCellsAsLaidOut();
};

// 3 columns over 10 pixels: 3, 3 and 4 pixels, touching, so every point has its cell.
void CellGridTest::cellsShareTheSidesEvenly() {
    LetterGrid grid(3, 2);
    grid.resize(10, 5);
    QCOMPARE(cellsAlong(grid, 0), QStringLiteral("AAABBBCCCC"));
    QCOMPARE(cellsAlong(grid, 4), QStringLiteral("DDDEEEFFFF"));
    QCOMPARE(grid.CellRect(2, 1), QRect(6, 2, 4, 3));
}

void CellGridTest::pitchedCellsLeaveGapsAndCloseUpWhenShort() {
    LetterGrid grid(3, 1);
    grid.setCellPitch(5, 3);
    grid.resize(13, 3); // three cells and two gaps fit; the last gap may fall outside
    QCOMPARE(cellsAlong(grid, 1), QStringLiteral("AAA--BBB--CCC"));
    QTest::mouseClick(&grid, Qt::LeftButton, {}, QPoint(3, 1)); // a gap
    QVERIFY(grid.chosen.isEmpty());
    QTest::mouseClick(&grid, Qt::LeftButton, {}, QPoint(6, 1));
    QCOMPARE(grid.chosen, QList<QPoint>{QPoint(1, 0)});
    // Too short for the pitch: even shares, each cell 3/5 of its share.
    grid.resize(12, 3);
    QCOMPARE(cellsAlong(grid, 1), QStringLiteral("AA--BB--CC--"));
    for (int column = 0; column < grid.ColCount(); ++column)
        QVERIFY(grid.rect().contains(grid.CellRect(column, 0)));
}

void CellGridTest::arrowKeysStopAtTheEdgesOrGoOnAcrossRows() {
    LetterGrid grid(3, 2);
    grid.resize(30, 20);
    QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.CellRect(2, 0).center());
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Up})
        QTest::keyClick(&grid, key);
    QCOMPARE(grid.chosen.size(), 1); // nothing beyond the edges
    QTest::keyClick(&grid, Qt::Key_Down);
    QCOMPARE(grid.chosen.last(), QPoint(2, 1));

    grid.setMovesWrapRows(true);
    QTest::keyClick(&grid, Qt::Key_Up);
    QTest::keyClick(&grid, Qt::Key_Right); // from the end of the first row to the second
    QCOMPARE(grid.chosen.last(), QPoint(0, 1));
    QTest::keyClick(&grid, Qt::Key_Left);
    QCOMPARE(grid.chosen.last(), QPoint(2, 0));
    const qsizetype before = grid.chosen.size();
    QTest::keyClick(&grid, Qt::Key_Up); // would leave the grid
    QCOMPARE(grid.chosen.size(), before);
    QCOMPARE(QPoint(grid.CurrentColumn(), grid.CurrentRow()), QPoint(2, 0));
}

void CellGridTest::anErrorWhileChoosingGoesToTheErrorDisplay() {
    QStringList shown;
    const platform::ScopedMessageSink sink([&](platform::MessageKind, const QString& text) {
        shown << text;
        return platform::MessageResult::Ok;
    });
    LetterGrid grid(2, 1);
    grid.resize(20, 10);
    grid.failing = true;
    QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.CellRect(1, 0).center());
    QTest::keyClick(&grid, Qt::Key_Right);
    QCOMPARE(shown, (QStringList{"cannot choose B", "cannot choose B"}));
    QCOMPARE(QPoint(grid.CurrentColumn(), grid.CurrentRow()), QPoint(0, 0));
}

void CellGridTest::assistiveToolsSeeTheCellsAsLaidOut() {
    LetterGrid grid(3, 2);
    grid.resize(30, 20);
    grid.show();
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&grid);
    QCOMPARE(table->role(), QAccessible::Table);
    QCOMPARE(table->childCount(), 6);
    QAccessibleInterface* e = table->child(4);
    QCOMPARE(e->text(QAccessible::Name), QStringLiteral("E"));
    QCOMPARE(e->rect(), QRect(grid.mapToGlobal(grid.CellRect(1, 1).topLeft()), QSize(10, 10)));
    QVERIFY(table->child(0)->state().selected && !e->state().selected);
    e->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QVERIFY(e->state().selected && !table->child(0)->state().selected);
    QCOMPARE(grid.chosen, QList<QPoint>{QPoint(1, 1)});
    QVERIFY(!grid.ChooseAccessibleCell(6));
    QVERIFY(!grid.ChooseAccessibleCell(-1));
}

QTEST_MAIN(CellGridTest)
#include "tst_cellgrid.moc"
