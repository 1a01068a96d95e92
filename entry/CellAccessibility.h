#pragma once

#include <QAccessible>
#include <QRect>
#include <QString>

class QWidget;

namespace entry {

// What a self-painted grid of cells (the calendar's month grid, the keyboard's key
// grids) tells assistive tools: its cells in reading order, each with its text, its
// place in the widget and whether it is the chosen one, and how to choose a cell as a
// click would. The grid widget derives from it as well as from QWidget and calls
// InstallCellAccessibility once; the grid is then a table whose children are its cells.
class TAccessibleCells {
public:
    virtual ~TAccessibleCells() = default;
    virtual int AccessibleCellCount() const = 0;
    virtual QString AccessibleCellText(int index) const = 0;
    // The cell's rectangle in the widget's coordinates.
    virtual QRect AccessibleCellRect(int index) const = 0;
    virtual QAccessible::Role AccessibleCellRole(int index) const = 0;
    virtual bool AccessibleCellChosen(int index) const = 0;
    // Chooses the cell as a click on it does; false when the cell cannot be chosen. May
    // raise what the grid's handlers raise; the press action runs it behind the handler
    // guard (platform::runGuarded).
    virtual bool ChooseAccessibleCell(int index) = 0;
};

// Registers the accessibility of grids that derive from TAccessibleCells (once per
// program; later calls do nothing).
void InstallCellAccessibility();

} // namespace entry
