#include "entry/CellGrid.h"

#include "platform/Application.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace entry {

TCellGrid::TCellGrid(int columns, int rows, QWidget* parent)
    : QWidget(parent), columns_(columns), rows_(rows) {
    InstallCellAccessibility();
    setFocusPolicy(Qt::StrongFocus);
}

// --- Layout ---------------------------------------------------------------------------

void TCellGrid::setCellPitch(int pitch, int size) {
    pitch_ = pitch;
    size_ = size;
    update();
}

// Cell index of count along a side of the given length. With a pitch the cells stand a
// pitch apart while they fit (the gap after the last one may fall outside); otherwise
// each cell starts at its even share of the side.
TCellGrid::Span TCellGrid::cellSpan(int index, int count, int length) const {
    const bool pitched = pitch_ > 0 && count * pitch_ <= length + (pitch_ - size_);
    if (pitched)
        return {index * pitch_, size_};
    const int start = index * length / count;
    if (pitch_ > 0)
        return {start, std::max(1, length / count * size_ / pitch_)};
    return {start, (index + 1) * length / count - start};
}

QRect TCellGrid::CellRect(int column, int row) const {
    const Span across = cellSpan(column, columns_, width());
    const Span down = cellSpan(row, rows_, height());
    return QRect(across.start, down.start, across.length, down.length);
}

QRect TCellGrid::cellInterior(int column, int row) const {
    const QRect cell = CellRect(column, row);
    return lines_.isValid() ? cell.adjusted(1, 1, 0, 0) : cell;
}

bool TCellGrid::CellAt(QPoint at, int& column, int& row) const {
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < columns_; ++c)
            if (CellRect(c, r).contains(at)) {
                column = c;
                row = r;
                return true;
            }
    return false;
}

void TCellGrid::setCurrentCell(int column, int row) {
    column_ = column;
    row_ = row;
    update();
}

// --- Painting -------------------------------------------------------------------------

void TCellGrid::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    if (background_.isValid())
        painter.fillRect(rect(), background_);
    if (lines_.isValid())
        paintLines(painter);
    for (int row = 0; row < rows_; ++row)
        for (int column = 0; column < columns_; ++column)
            paintFace(painter, column, row);
    if (hasFocus()) {
        painter.setPen(QPen(focusFrameColour(), 1, Qt::DotLine));
        painter.drawRect(cellInterior(column_, row_).adjusted(0, 0, -1, -1));
    }
}

// The lines between the columns run from the top of the first row to the bottom of the
// last; those between the rows across the whole width.
void TCellGrid::paintLines(QPainter& painter) const {
    painter.setPen(lines_);
    for (int column = 1; column < columns_; ++column)
        painter.drawLine(CellRect(column, 0).topLeft(), CellRect(column, rows_ - 1).bottomLeft());
    for (int row = 1; row < rows_; ++row)
        painter.drawLine(CellRect(0, row).topLeft(), CellRect(columns_ - 1, row).topRight());
}

void TCellGrid::paintFace(QPainter& painter, int column, int row) const {
    const QString text = Cell(column, row);
    const CellColours colours = coloursOf(column, row);
    if (colours.fill.isValid())
        painter.fillRect(cellInterior(column, row), colours.fill);
    if (text.isEmpty())
        return;
    painter.setPen(colours.text);
    painter.drawText(CellRect(column, row), Qt::AlignCenter | Qt::TextSingleLine, text);
}

QColor TCellGrid::focusFrameColour() const {
    return palette().color(QPalette::ButtonText);
}

// --- Mouse and keys -------------------------------------------------------------------

void TCellGrid::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    int column = 0;
    int row = 0;
    if (CellAt(event->position().toPoint(), column, row))
        platform::runGuarded([&] { chooseCell(column, row); });
}

void TCellGrid::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
        moveCurrentCell(-1, 0);
        break;
    case Qt::Key_Right:
        moveCurrentCell(1, 0);
        break;
    case Qt::Key_Up:
        moveCurrentCell(0, -1);
        break;
    case Qt::Key_Down:
        moveCurrentCell(0, 1);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

// A move that would leave the grid does nothing.
void TCellGrid::moveCurrentCell(int columnStep, int rowStep) {
    int column = column_ + columnStep;
    int row = row_ + rowStep;
    if (movesWrapRows_) {
        const int place = row * columns_ + column;
        if (place < 0 || place >= columns_ * rows_)
            return;
        column = place % columns_;
        row = place / columns_;
    } else if (column < 0 || column >= columns_ || row < 0 || row >= rows_) {
        return;
    }
    platform::runGuarded([&] { chooseCell(column, row); });
}

// --- Assistive tools ------------------------------------------------------------------

QPoint TCellGrid::accessibleCell(int index) const {
    return {index % columns_, index / columns_};
}

int TCellGrid::AccessibleCellCount() const {
    return columns_ * rows_;
}

QString TCellGrid::AccessibleCellText(int index) const {
    const QPoint cell = accessibleCell(index);
    return Cell(cell.x(), cell.y());
}

QRect TCellGrid::AccessibleCellRect(int index) const {
    const QPoint cell = accessibleCell(index);
    return CellRect(cell.x(), cell.y());
}

bool TCellGrid::AccessibleCellChosen(int index) const {
    return accessibleCell(index) == QPoint(column_, row_);
}

bool TCellGrid::ChooseAccessibleCell(int index) {
    if (index < 0 || index >= AccessibleCellCount())
        return false;
    const QPoint cell = accessibleCell(index);
    return chooseCell(cell.x(), cell.y());
}

} // namespace entry
