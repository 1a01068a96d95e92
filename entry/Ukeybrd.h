#pragma once

#include "entry/CellGrid.h"
#include "translation/Udialog.h"

#include <QLineEdit>
#include <QStringList>

class QToolButton;

namespace platform {
class TBitBtn;
}

namespace entry {

// A grid of keys: one character per cell, drawn centred on the button face, the keys 22
// pixels apart (closer where the grid is too small for that, so that every key stays
// within reach). Choosing a cell, by a click (also on the cell already chosen) or by
// moving within the grid with the arrow keys, emits keySelected with the cell's text.
// Assistive tools read it as a table of key buttons.
class TKeyGrid : public TCellGrid {
    Q_OBJECT
public:
    TKeyGrid(int columns, int rows, QWidget* parent = nullptr);

    // The keys, row by row, left to right; missing ones are empty cells.
    void setKeys(const QStringList& keys);
    QString Cell(int column, int row) const override;
    // Chooses the cell as a click does.
    void SelectCell(int column, int row);

    QAccessible::Role AccessibleCellRole(int index) const override;

Q_SIGNALS:
    void keySelected(const QString& key);

protected:
    CellColours coloursOf(int column, int row) const override;
    bool chooseCell(int column, int row) override;

private:
    QStringList keys_;
};

// The edit that serves as the keyboard's space bar: a click on it is one blank.
class TSpaceBar : public QLineEdit {
    Q_OBJECT
public:
    explicit TSpaceBar(QWidget* parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// The on-screen keyboard (form "fKeyboard"): one line of text edited with the mouse
// through key grids (symbols, three upper-case letter rows with Ž, Š and Č, brackets, a
// numeric block), a space bar, backspace and clear; the real keyboard types into the
// line as well. One instance serves the program.
class TfKeyboard : public translation::TDialog {
    Q_OBJECT
public:
    explicit TfKeyboard(QWidget* parent = nullptr);

    // Shows the text modally. On OK the text becomes the line and the answer is true; on
    // Cancel or closing the window the text stays and the answer is false.
    bool Execute(QString& text);

protected:
    void FormCreate() override;

private:
    // Event handlers.
    void sgTopSelectCell(const QString& key); // appends the key to the line
    void Edit2Click();                        // appends a blank
    void SpeedButton2Click();                 // backspace
    void SpeedButton1Click();                 // clear

    // Components.
    QLineEdit* Edit1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    TKeyGrid* sgTop = nullptr;
    TKeyGrid* sgQ = nullptr;
    TKeyGrid* sgA = nullptr;
    TKeyGrid* sgZ = nullptr;
    TKeyGrid* sgBrace = nullptr;
    TKeyGrid* sgNumeric = nullptr;
    TSpaceBar* Edit2 = nullptr;
    platform::TBitBtn* BitBtn2 = nullptr;
    platform::TBitBtn* BitBtn1 = nullptr;

    TKeyGrid* keyGrid(const char* name, int columns, int rows, QRect geometry);
    void createLine();
    void createGrids();
    void createButtons();
};

} // namespace entry
