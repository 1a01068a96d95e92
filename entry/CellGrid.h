#pragma once

#include "entry/CellAccessibility.h"

#include <QColor>
#include <QString>
#include <QWidget>

namespace entry {

// A self-painted grid of columns × rows cells with one current cell, the base of the
// pop-up tools' key grids and month grid. It lays the cells out, finds the cell under
// the mouse, moves the current cell with the arrow keys, paints each cell's face (its
// fill and its centred text) and a dotted frame round the current cell while it has the
// focus, and tells assistive tools of its cells (TAccessibleCells). A derived grid says
// what each cell shows and what choosing one does.
//
// A click on a cell and an arrow key that reaches one choose it (chooseCell) behind the
// handler guard, so what choosing raises goes to the error display. The cells along a
// side share its length evenly and touch, unless the grid sets a pitch.
class TCellGrid : public QWidget, public TAccessibleCells {
    Q_OBJECT
public:
    TCellGrid(int columns, int rows, QWidget* parent = nullptr);

    int ColCount() const { return columns_; }
    int RowCount() const { return rows_; }
    // What the cell shows, and its rectangle in the widget.
    virtual QString Cell(int column, int row) const = 0;
    QRect CellRect(int column, int row) const;
    // The cell under a point of the widget; false between cells and outside them.
    bool CellAt(QPoint at, int& column, int& row) const;
    int CurrentColumn() const { return column_; }
    int CurrentRow() const { return row_; }

    // For assistive tools: by default every cell in reading order (see accessibleCell).
    // A cell's text is what it shows; choosing it runs chooseCell as a click does.
    int AccessibleCellCount() const override;
    QString AccessibleCellText(int index) const override;
    QRect AccessibleCellRect(int index) const override;
    bool AccessibleCellChosen(int index) const override;
    bool ChooseAccessibleCell(int index) override;

protected:
    // The colours of a cell's face: its text, and the fill under it (none when invalid).
    struct CellColours {
        QColor text;
        QColor fill;
    };
    virtual CellColours coloursOf(int column, int row) const = 0;
    // Chooses the cell as a click on it does; false when the cell cannot be chosen. May
    // raise (see the class comment).
    virtual bool chooseCell(int column, int row) = 0;
    // The cell of an accessible index (column in x, row in y); reading order by default.
    virtual QPoint accessibleCell(int index) const;
    // The colour of the dotted frame round the current cell; the button text by default.
    virtual QColor focusFrameColour() const;

    // The current cell, as the derived grid's state has it.
    void setCurrentCell(int column, int row);
    // Cells a pitch apart, each size pixels long; where a side is too short for that,
    // the cells share it evenly and keep the proportion of size to pitch.
    void setCellPitch(int pitch, int size);
    // A background over the whole grid and lines between the cells; a cell's fill and the
    // focus frame then stay within its lines.
    void setBackground(QColor colour) { background_ = colour; }
    void setCellLines(QColor colour) { lines_ = colour; }
    // Arrow keys go on in reading order across the ends of a row (as through the days of
    // a month) instead of stopping there.
    void setMovesWrapRows(bool wrap) { movesWrapRows_ = wrap; }

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Span {
        int start;
        int length;
    };
    Span cellSpan(int index, int count, int length) const;
    // The part of the cell within its lines: where the fill and the focus frame go.
    QRect cellInterior(int column, int row) const;
    void moveCurrentCell(int columnStep, int rowStep);
    void paintLines(QPainter& painter) const;
    void paintFace(QPainter& painter, int column, int row) const;

    int columns_;
    int rows_;
    int column_ = 0;
    int row_ = 0;
    int pitch_ = 0; // 0: the cells share each side evenly
    int size_ = 0;
    QColor background_;
    QColor lines_;
    bool movesWrapRows_ = false;
};

} // namespace entry
