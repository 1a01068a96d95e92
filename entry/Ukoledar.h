#pragma once

#include "entry/CellGrid.h"
#include "platform/DateTime.h"
#include "translation/Udialog.h"

#include <QStringList>
#include <array>

class QFrame;
class QListWidget;

namespace platform {
class TBitBtn;
class TPanel;
} // namespace platform

namespace entry {

// The first and the last year of the calendar's year list.
inline constexpr int FirstYear = 1980;
inline constexpr int LastYear = 2050;

// A month grid: one month in seven columns (the week starts on Monday) under a row of
// day names; the chosen day is highlighted. A click on a day or the arrow keys choose a
// day; the arrow keys go on across the ends of a week. Setting the day, month or year
// to a combination that is no date raises the platform's date-encoding error and
// changes nothing; every change of the date emits changed(). Assistive tools read it as
// a table of its day-name and day cells.
class TCalendarGrid : public TCellGrid {
    Q_OBJECT
public:
    explicit TCalendarGrid(QWidget* parent = nullptr);

    int Day() const { return day_; }
    int Month() const { return month_; }
    int Year() const { return year_; }
    void setDay(int day);
    void setMonth(int month);
    void setYear(int year);
    // The chosen date, time 0.
    platform::TDateTime CalendarDate() const;
    // The names in the row above the weeks, Monday first.
    void setDayNames(const QStringList& names);

    // The cell (row 1 to 6, column 0 to 6) of a day of the shown month, and the day in a
    // cell (0 for a cell outside the month).
    QRect DayCellRect(int day) const;
    int DayAt(int row, int column) const;
    // A day name in row 0, a day's number in the rows below, nothing outside the month.
    QString Cell(int column, int row) const override;

    // Cells for assistive tools: the seven day names, then the days of the month.
    int AccessibleCellCount() const override;
    QAccessible::Role AccessibleCellRole(int index) const override;

Q_SIGNALS:
    void changed();

protected:
    CellColours coloursOf(int column, int row) const override;
    bool chooseCell(int column, int row) override;
    QPoint accessibleCell(int index) const override;
    QColor focusFrameColour() const override;

private:
    void setDate(int year, int month, int day);
    int firstColumn() const;
    int daysInMonth() const;
    // The cell of a day of the shown month (column in x, row in y).
    QPoint dayCell(int day) const;

    int year_ = 1980;
    int month_ = 1;
    int day_ = 1;
    QStringList dayNames_;
};

// The pop-up calendar (form "koledar"): the month grid, the twelve months and the years
// 1980 to 2050 in two lists, and OK carrying the chosen date as its caption. It returns
// a date without time. One instance serves the program.
class Tkoledar : public translation::TDialog {
    Q_OBJECT
public:
    explicit Tkoledar(QWidget* parent = nullptr);

    // Shows the date modally; 0 stands for today (and becomes today in the caller's
    // variable too). On OK the date becomes the chosen date (time 0) and the answer is
    // true; otherwise the answer is false.
    bool Execute(platform::TDateTime& date);
    // OK's caption, the month and the year list follow the grid's date; a year outside
    // the list leaves no year chosen.
    void ShowChosenDate();

protected:
    void FormCreate() override;
    void showEvent(QShowEvent* event) override;

private:
    // Event handlers.
    void koledarChange();
    void mesecClick();
    void letoClick();

    // Components.
    platform::TPanel* pnlFORM = nullptr;
    TCalendarGrid* koledar = nullptr;
    std::array<platform::TPanel*, 7> dayPanels{}; // pnlMON ... pnlSUN
    QListWidget* mesec = nullptr;
    QListWidget* leto = nullptr;
    QFrame* Bevel1 = nullptr;
    QFrame* Bevel2 = nullptr;
    platform::TBitBtn* btnOK = nullptr;
    platform::TBitBtn* btnCancel = nullptr;

    void createGrid();
    void createLists();
    void createButtons();
    void selectRow(QListWidget* list, int row);

    bool showingDate_ = false;
};

} // namespace entry
