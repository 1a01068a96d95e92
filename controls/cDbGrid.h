#pragma once

#include "controls/DbGrid.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QStyle>
#include <functional>
#include <optional>

class QFontMetrics;
class QPainter;

namespace db {
class Field;
}

namespace controls {

// The title of one column as the grid paints it.
struct TColumnTitle {
    QString caption; // the field's display label (what assistive tools read as well)
    Qt::Alignment alignment = Qt::AlignLeft;
    QFont font;
    QColor color;     // the title cell's colour
    QColor fontColor; // the caption's colour
};

// The data grid with its own painting of the column titles and of the focused cell:
// - titles are raised 3-D cells in the column title's font and colour, the caption
//   aligned as the title says and cut with an ellipsis at the end when it does not fit;
//   with TitleWordwrap the captions are broken into words across a 45-pixel title row;
// - while the grid has the focus, a focus rectangle is drawn around the current cell;
// - SelColor and SelFont paint selected cells, SortColor the title of the sort column.
// A title click fires OnTitleClick, then the grid asks whether it can sort by the
// column's field (canSortBy); this class cannot, so SortColumn stays none (-1).
class TKVCustomDbGrid : public controls::DbGrid {
    Q_OBJECT
    Q_PROPERTY(bool TitleWordwrap READ titleWordwrap WRITE setTitleWordwrap)
    Q_PROPERTY(QColor SelColor READ selColor WRITE setSelColor)
    Q_PROPERTY(QColor SortColor READ sortColor WRITE setSortColor)
    Q_PROPERTY(QFont SelFont READ selFont WRITE setSelFont)
public:
    enum class Option {
        Editing = 0x1,
        AlwaysShowEditor = 0x2,
        Titles = 0x4,
        Indicator = 0x8,
        ColumnResize = 0x10,
        ColLines = 0x20,
        RowLines = 0x40,
        Tabs = 0x80,
        RowSelect = 0x100,
        AlwaysShowSelection = 0x200,
        ConfirmDelete = 0x400,
        CancelOnExit = 0x800,
        MultiSelect = 0x1000,
    };
    Q_DECLARE_FLAGS(Options, Option)
    static const Options DefaultOptions;

    enum class ScrollBars { None, Horizontal, Vertical, Both };

    // The height of the title row while TitleWordwrap is on.
    static constexpr int WordwrapTitleHeight = 45;
    // The width of the indicator column.
    static constexpr int IndicatorWidth = 11;

    explicit TKVCustomDbGrid(QWidget* parent = nullptr);
    ~TKVCustomDbGrid() override;

    bool titleWordwrap() const { return titleWordwrap_; }
    void setTitleWordwrap(bool on);
    // The column marked as sorted; -1 (none) in this class.
    int sortColumn() const { return sortColumn_; }
    QColor selColor() const { return selColor_; }
    void setSelColor(const QColor& color);
    QColor sortColor() const { return sortColor_; }
    void setSortColor(const QColor& color);
    const QFont& selFont() const { return selFont_; }
    void setSelFont(const QFont& font);

    Options options() const { return options_; }
    void setOptions(Options options);
    void setReadOnly(bool readOnly) override;

    // TitleFont: the font of every column title (a copy of the grid's font at first).
    const QFont& titleFont() const { return titleFont_; }
    void setTitleFont(const QFont& font);
    // FixedColor: the colour of the title cells and the indicator.
    QColor fixedColor() const { return fixedColor_; }
    void setFixedColor(const QColor& color);
    // One column's title, by the name of the column's field: alignment, font and colour
    // of its own instead of those of the grid.
    void setTitleAlignment(const QString& fieldName, Qt::Alignment alignment);
    void setTitleFont(const QString& fieldName, const QFont& font);
    void setTitleColor(const QString& fieldName, const QColor& color);
    // The title of the column as it is painted.
    TColumnTitle columnTitle(int column) const;

    // DefaultDrawing: off leaves the data cells to OnDrawColumnCell.
    bool defaultDrawing() const { return defaultDrawing_; }
    void setDefaultDrawing(bool on);
    ScrollBars scrollBars() const { return scrollBars_; }
    void setScrollBars(ScrollBars bars);
    // BorderStyle: single (a frame) or none.
    bool hasBorder() const { return frameShape() != QFrame::NoFrame; }
    void setBorder(bool single);
    // FixedCols: columns that do not scroll. Qt's table view cannot keep columns in
    // place; the number is kept for those who read it.
    int fixedCols() const { return fixedCols_; }
    void setFixedCols(int count) { fixedCols_ = std::max(0, count); }

    // The lines of a caption as they are painted in a title cell of the given size:
    // one line cut with an ellipsis at the end, or with wordwrap as many lines broken
    // at word boundaries as fit, the last one cut when text remains.
    static QStringList titleLines(const QString& caption, const QFontMetrics& metrics, int width,
                                  int height, bool wordwrap);

    // Events with in/out arguments; an unassigned one is skipped. They run through the
    // handler guard. OnDrawColumnCell paints a data cell after the default drawing (in
    // place of it with DefaultDrawing off); OnKeyDown may set the key to 0 and accept the
    // event to swallow it; OnKeyPress may set the character to null to drop it.
    std::function<void(QPainter& painter, const QRect& rect, int column, QStyle::State state)>
        OnDrawColumnCell;
    std::function<void(QKeyEvent& key)> OnKeyDown;
    std::function<void(QChar& key)> OnKeyPress;
    std::function<void(QKeyEvent& key)> OnKeyUp;

    // Paints one title cell (the header calls it while the data set is open and the
    // titles are shown).
    void paintTitle(QPainter& painter, const QRect& rect, int column) const;
    // True when the grid's titles are painted by paintTitle.
    bool paintsTitles() const;

Q_SIGNALS:
    // Notifications. A handler that may raise is connected through platform::guarded.
    void OnTitleClick(int column);
    void OnCellClick(const QModelIndex& cell);
    void OnColEnter(); // the current column changed: OnColExit, then OnColEnter
    void OnColExit();
    void OnColumnMoved(int from, int to);
    void OnDblClick();
    // The grid got the focus (not back from a pop-up menu or another window).
    void OnEnter();
    // The focus left the grid and its cell editor (not to a pop-up or another window),
    // after an unchanged inserted record was cancelled.
    void OnExit();

protected:
    // Whether the grid can sort by the field; this class cannot.
    virtual bool canSortBy(const db::Field* field) const;
    // The title-click step: fires OnTitleClick, then marks the column as sorted when the
    // grid can sort by its field.
    virtual void titleClick(int column);

    void applyColumnAttributes() override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    class TitleHeader;
    class IndicatorHeader;
    class CellDelegate;
    friend class CellDelegate;

    // What one column's title sets apart from the grid's.
    struct TitleOverride {
        std::optional<Qt::Alignment> alignment;
        std::optional<QFont> font;
        std::optional<QColor> color;
    };

    void layOut();
    void applyOptions();
    void applyPalette();
    void applyTitleHeight();
    void connectEvents();
    void deleteCurrentRecord();
    void cancelUnchangedInsert();
    void setSortColumn(int column);
    const TitleOverride* overrideOf(int column) const;

    bool titleWordwrap_ = false;
    int sortColumn_ = -1;
    QColor selColor_;
    QColor sortColor_;
    QFont selFont_;
    Options options_;
    QFont titleFont_;
    bool titleFontSet_ = false;
    QColor fixedColor_;
    bool defaultDrawing_ = true;
    ScrollBars scrollBars_ = ScrollBars::Both;
    int fixedCols_ = 0;
    QHash<QString, TitleOverride> titles_; // by field name in upper case
    bool readOnly_ = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TKVCustomDbGrid::Options)

// The grid as forms place it. It publishes, besides Qt's own widget properties (enabled,
// font, visible, tab order, colour through the palette, pop-up menu through the context
// menu): BorderStyle, Columns (the data set's visible fields with their titles),
// DataSource, DefaultDrawing, FixedColor, Options, ReadOnly, ScrollBars, TitleFont,
// FixedCols, SelColor, SelFont, SortColor, TitleWordwrap and the events of
// TKVCustomDbGrid. Options default to editing, titles, indicator, column resize, column
// lines, row lines, tabs, confirm delete and cancel on exit.
class TKVDbGrid : public TKVCustomDbGrid {
    Q_OBJECT
public:
    explicit TKVDbGrid(QWidget* parent = nullptr);
};

} // namespace controls
