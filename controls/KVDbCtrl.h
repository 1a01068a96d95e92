#pragma once

#include "db/DataSource.h"

#include <QBasicTimer>
#include <QPointer>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

class QScrollBar;

namespace db {
class DataSet;
class Field;
class Query;
class Table;
} // namespace db

// Data-aware lookup controls: a list box and a drop-down combo box that show the rows
// of a list data set (the list source) and write the key of the chosen row into a field
// of another data set (the data source).
//
// Typing narrows the list data set to the rows whose order column starts with the typed
// text: a key range on a table, a filter on a query, so that each keystroke costs one
// narrowing that the database answers. RangeField = RangeValue confines every list,
// search and locate to one group of rows. The list box keeps a set of selected keys
// beside the current key (Ctrl+click, Ctrl+Space, Ctrl+arrow keys toggle a row).
namespace controls {

class TKVDBLookupControl;
class TKVDBLookupListBox;

// Where the drop-down list stands under its combo box.
enum class TDropDownAlign { daLeft, daRight, daCenter };

// The controls tell of plain events through Qt signals named after the published events
// (OnChange, OnClick, OnDblClick, OnCloseUp); a handler that may raise is connected
// through platform::guarded. Handlers that answer something (rowEnabled) or take the
// place of the control's own step (OnDropDown, OnFilterListDataSet) are callbacks.

// Asked for each painted row of a drop-down list; rowEnabled comes in true.
using TListRowEnabledEvent = std::function<void(QObject* Sender, bool& rowEnabled)>;
// A handler in place of one of the control's own steps.
using TNotifyEvent = std::function<void(QObject* Sender)>;

// --- Key values -----------------------------------------------------------------------
// A key is a variant; Null (an invalid QVariant) is no key; a QVariantList is a set of
// keys.

// Equal when neither is a set and the values are equal (two Nulls are equal).
bool KeysEqual(const QVariant& a, const QVariant& b);
// Whether the set (or single key) holds the key; never for Null.
bool KeyInSet(const QVariant& set, const QVariant& key);
// Null → [key]; a set grows by key at its end; a single value x → [x, key].
QVariant AddKey(const QVariant& set, const QVariant& key);
// Drops the first element equal to key (a set of one becomes Null); a single value
// becomes Null.
QVariant RemoveKey(const QVariant& set, const QVariant& key);

// Whether the list data set lives on an SQL database (not the desktop driver).
bool IsSqlBased(db::DataSet& dataSet);

// --- Links ----------------------------------------------------------------------------

// The control's link to the data source.
class TKVDataSourceLink : public db::DataLink {
public:
    explicit TKVDataSourceLink(TKVDBLookupControl* control) : control_(control) {}
    void clearControl() { control_ = nullptr; }
    // A fixed data source cannot be changed through the control.
    bool dataSourceFixed() const { return fixed_; }
    void setDataSourceFixed(bool fixed) { fixed_ = fixed; }

protected:
    void activeChanged() override;
    void recordChanged(db::Field* field) override;

private:
    TKVDBLookupControl* control_;
    bool fixed_ = false;
};

// The control's link to the list source.
class TKVListSourceLink : public db::DataLink {
public:
    explicit TKVListSourceLink(TKVDBLookupControl* control) : control_(control) {}
    void clearControl() { control_ = nullptr; }

protected:
    void activeChanged() override;
    void dataSetChanged() override;
    void rowsFetched() override;

private:
    TKVDBLookupControl* control_;
};

// --- The common part ------------------------------------------------------------------

// What both lookup controls share: the two links, the key value and the selected keys,
// the data side (bound field, lookup mode) and the list side (key, shown and display
// fields), narrowing the list by search text and locating the key in it.
class TKVDBLookupControl : public QWidget {
    Q_OBJECT
public:
    explicit TKVDBLookupControl(QWidget* parent = nullptr);
    ~TKVDBLookupControl() override;

    // Published properties.
    db::DataSource* DataSource() const { return DataLink->dataSource(); }
    void setDataSource(db::DataSource* source);
    // None while the control is in lookup mode.
    db::DataSource* ListSource() const;
    void setListSource(db::DataSource* source); // raises in lookup mode
    const QString& DataField() const { return dataField_; }
    // Raises for a field the data set lacks, or a data set that is also the list's.
    void setDataField(const QString& name);
    // Empty while the control is in lookup mode.
    QString KeyField() const;
    void setKeyField(const QString& names); // raises in lookup mode
    const QString& ListField() const { return listField_; }
    void setListField(const QString& names); // shown fields, "A;B"; raises for a missing one
    const QString& ListOrderField() const { return listOrderField_; }
    void setListOrderField(const QString& name) { listOrderField_ = name; }
    int ListFieldIndex() const { return listFieldIndex_; }
    void setListFieldIndex(int index);
    const QString& RangeField() const { return rangeField_; }
    void setRangeField(const QString& name) { rangeField_ = name; }
    const QString& RangeValue() const { return rangeValue_; }
    void setRangeValue(const QString& value) { rangeValue_ = value; }
    bool ReadOnly() const { return DataLink->readOnly(); }
    void setReadOnly(bool readOnly) { DataLink->setReadOnly(readOnly); }

    // The list data set was narrowed anew: the handler puts the form's own filter on
    // again. Without one, a filter left on the list is dropped.
    TNotifyEvent OnFilterListDataSet;

    // State.
    const QVariant& KeyValue() const { return keyValue_; }
    void setKeyValue(const QVariant& value) { SetKeyValue(value); }
    const QVariant& SelectedKeys() const { return selectedKeys_; }
    const QString& SearchText() const { return searchText_; }
    bool ListActive() const { return listActive_; }
    bool LookupMode() const { return lookupMode_; }
    bool HasFocus() const { return hasFocus_; }
    db::Field* BoundField() const { return boundField_; }
    db::Field* TargetField() const { return targetField_; }
    db::Field* KeyFieldRef() const { return keyFieldRef_; }
    db::Field* DisplayFieldRef() const { return displayFieldRef_; }
    const std::vector<db::Field*>& ListFieldRefs() const { return listFieldRefs_; }
    db::DataSet* ListDataSet() const { return ListLink->dataSet(); }

    // Key value and selected keys.
    // Sets both; a set becomes the selected keys as it is, a single key a set of one.
    void SetKeyValue(const QVariant& value);
    // Adds the key to the selected keys or removes it; it becomes the key value.
    void ToggleSelectedKey(const QVariant& value);
    // Chooses the key: into the target field (through the data set's edit state) or,
    // without one, as the key value. Repaints and fires OnClick. These four raise what
    // editing the data set and setting the field raise.
    void SelectKeyValue(const QVariant& value);
    void ToggleKeyValue(const QVariant& value);
    // The same with the list's current row's key.
    void SelectCurrent();
    void ToggleCurrent();

    bool CanModify() const;
    void CheckNotLookup() const;   // raises "SPropDefByLookup" / "SDataSourceFixed"
    void CheckNotCircular() const; // raises "Circular datalinks are not allowed"
    int TextHeight() const;        // height of the control's font
    virtual int BorderSize() const { return 0; }

    // Narrows the list data set to the rows whose order column starts with the text
    // (within RangeField = RangeValue): one key range change on a table, one filter change
    // on a query. In the query's filter RangeValue is quoted like the typed text, so a
    // text key value compares as text (the filter binds it as a parameter either way).
    // Raises what narrowing and reading the list raise.
    void ApplySearchText(const QString& text);
    // Brings the list data set to the row of the key value; false when there is no such
    // row or anything fails (never raises). On a table, and on a query the database can
    // narrow, the list then starts at the key's row in list order (at the first row that
    // shares its order value), so that only the rows from there on are read and the rows
    // below are browsed as usual; the rows above are read again when they are asked for
    // (revealRowsAbove).
    bool LocateKey();
    // One typed character of the incremental search (Backspace and Escape clear it).
    // Raises as ApplySearchText.
    void ProcessSearchKey(QChar ch);

    // The tick count of the last search keystroke of any lookup control, and the clock
    // it is read from (milliseconds; replaceable for tests).
    static qint64 LastSearchTick;
    static std::function<qint64()> TickCount;
    static constexpr int SearchPause = 2000;   // ms between keys that starts a new search
    static constexpr int MaxSearchLength = 32; // characters
    static const QChar UpperBoundChar;         // code 255, after a prefix's characters

    // Link notifications.
    virtual void ListSourceActiveChanged();
    virtual void ListDataChanged() {}
    virtual void DataRecordChanged(db::Field* field);
    virtual void KeyValueChanged();
    void UpdateDataFields();

    // What the control shows as its value (for assistive tools).
    virtual QString ShownText() const { return {}; }

Q_SIGNALS:
    // The key value or the selected keys changed, also to none (OnChange is not told of
    // a cleared key).
    void keyChanged();
    // The key value changed to a key while the list is open.
    void OnChange();
    // A key was chosen (SelectKeyValue, ToggleKeyValue).
    void OnClick();

protected:
    // Tells assistive tools that the shown value changed.
    void AnnounceValue();
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // The combo box opens the search editor on the first character.
    virtual bool OpensSearchEditor() const { return false; }
    virtual void RunSearchEditor(QChar) {}
    void clearSearchText() { searchText_.clear(); }
    // When the list starts at a located row: the rows above it made reachable, and the
    // list brought to the current row's key again; false when the list is whole already.
    // On a query the database narrows, about windowRows rows above are read (in the
    // opposite order); otherwise the whole list is read again up to the row. Raises what
    // reading raises.
    bool revealRowsAbove(int windowRows);
    // The list's first row (the whole list's, not the located row's).
    void goToFirstRow();
    // The list's last row, with the rows of a window of that many rows before it.
    void goToLastRow(int windowRows);
    void setSearchText(const QString& text) { searchText_ = text; }
    void setSelectedKeys(const QVariant& keys) { selectedKeys_ = keys; }
    QString OrderColumn() const;
    // The key of a row of the list link's window (buffer index firstRecord() + row).
    QVariant RowKey(int row) const;
    QString RowText(int row, const db::Field& field) const;

    std::unique_ptr<db::DataSource> LookupSource;
    std::unique_ptr<TKVDataSourceLink> DataLink;
    std::unique_ptr<TKVListSourceLink> ListLink;
    bool LockPosition = false;

private:
    friend class TKVDBLookupComboBox; // prepares its drop-down list
    void setLookupMode(bool on);
    void chooseKey(const QVariant& value, bool toggle);
    void resolveListFields();
    void runFilterHook(bool searchSetsFilter);
    void applyTableSearch(db::Table& table, QString text);
    void applyQuerySearch(db::DataSet& query, QString text);
    bool locateInTable(db::Table& table);
    bool narrowTableToKey(db::Table& table);
    std::optional<bool> locateInQuery(db::Query& query);
    bool revealQueryRowsAbove(db::Query& query, int windowRows);
    QString leadingOrderField() const;
    static bool orderedByField(db::Query& query, const QString& orderField);
    QStringList rangeConditions() const;
    static void setQueryFilter(db::DataSet& query, const QStringList& conditions);
    bool currentRowHoldsKey();

    QString dataField_;
    QString keyField_;
    QString listField_;
    QString listOrderField_;
    int listFieldIndex_ = 0;
    QString rangeField_;
    QString rangeValue_;
    db::Field* boundField_ = nullptr;
    db::Field* targetField_ = nullptr;
    db::Field* keyFieldRef_ = nullptr;
    db::Field* displayFieldRef_ = nullptr;
    std::vector<db::Field*> listFieldRefs_;
    QVariant keyValue_;
    QVariant selectedKeys_;
    QString searchText_;
    bool lookupMode_ = false;
    bool listActive_ = false;
    bool hasFocus_ = false;
    bool positioned_ = false; // the list starts at a located row (LocateKey)
};

// --- List box -------------------------------------------------------------------------

enum class TBorderStyle { bsNone, bsSingle };

// A list of RowCount rows of the list data set, the rows of the selected keys
// highlighted, with a vertical scroll bar.
class TKVDBLookupListBox : public TKVDBLookupControl {
    Q_OBJECT
public:
    explicit TKVDBLookupListBox(QWidget* parent = nullptr);

    int RowCount() const { return rowCount_; }
    void setRowCount(int rows); // 1 … 100; sets the height
    // Places the list; the row count follows from the height (border included).
    void SetBounds(int x, int y, int width, int height);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void setBorderStyle(TBorderStyle style);
    int RecordIndex() const { return recordIndex_; }
    int RecordCount() const { return recordCount_; }
    bool Popup() const { return popup_; }
    bool KeySelected() const { return keySelected_; }
    bool Tracking() const { return tracking_; }
    const QString& SelectedItem() const { return selectedItem_; }
    QScrollBar* ScrollBar() const { return scrollBar_; }

    int BorderSize() const override;
    // Whether the row of the list link's active record is enabled; true unless a
    // subclass says otherwise. It changes only how the row is painted.
    virtual bool IsRowEnabled() { return true; }
    // The same for a visible row (from 0); true past the rows.
    bool RowEnabledAt(int row);
    // The area the rows are painted in.
    QRect ClientRect() const;
    // The row (from 0) painted at a y of the widget; clamped to the visible rows.
    int RowAt(int y) const;
    // The value of a field of the list data set in the row being painted (while an
    // IsRowEnabled handler runs), else in the current record.
    QVariant ActiveRowValue(const QString& fieldName) const;
    // The shown texts and the key of a visible row (from 0); empty and Null past the rows.
    QStringList RowTexts(int row) const;
    QVariant RowKeyAt(int row) const;
    QString ShownText() const override { return selectedItem_; }

    void ListDataChanged() override;
    void KeyValueChanged() override;
    void ListSourceActiveChanged() override;

Q_SIGNALS:
    // A double click on the current row of a list that may be changed.
    void OnDblClick();

protected:
    explicit TKVDBLookupListBox(QWidget* parent, bool popup);
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QSize sizeHint() const override;

    // A left button press at a point of the widget (also sent by the combo box).
    void leftButtonDown(const QPoint& point, Qt::KeyboardModifiers modifiers);
    void StopTracking();
    void paintRow(QPainter& painter, int row);
    // Tells assistive tools that the selected rows changed.
    void AnnounceSelection();

private:
    friend class TKVDBLookupComboBox;
    static constexpr int HomeStep = std::numeric_limits<int>::min();
    static constexpr int EndStep = std::numeric_limits<int>::max();
    void applyHeight();
    void moveAndSelect(int step, bool toggle);
    int visibleRowOf(const QVariant& key) const;
    void SelectItemAt(int y, Qt::KeyboardModifiers modifiers);
    void autoScrollStep();
    void trackingStep(const std::function<void()>& step);
    void updateScrollBar();
    void scrollAction(int action);

    int recordIndex_ = 0;
    int recordCount_ = 0;
    int rowCount_ = 7;
    TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
    bool popup_ = false;
    bool keySelected_ = false;
    bool tracking_ = false;
    bool timerActive_ = false;
    int mousePos_ = 0;
    int wheelAngle_ = 0;        // turned but less than a notch
    bool placingThumb_ = false; // updateScrollBar sets the thumb
    QString selectedItem_;
    QScrollBar* scrollBar_;
    QBasicTimer timer_;
    int activeRow_ = -1; // the row being painted
};

// --- Drop-down list -------------------------------------------------------------------

// The drop-down list of a combo box: a bordered window of its own that is never
// activated, so that the keyboard stays with the combo box.
class TKVPopupDataList : public TKVDBLookupListBox {
    Q_OBJECT
public:
    explicit TKVPopupDataList(QWidget* parent);

    TListRowEnabledEvent OnListRowEnabled;
    bool IsRowEnabled() override;

Q_SIGNALS:
    // Every mouse release, with the point in list coordinates.
    void OnMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint& point);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// --- Combo box ------------------------------------------------------------------------

// One line showing the chosen row's display text, with a button that drops down the
// list. On an SQL database the first typed character opens the search editor, in which
// the whole prefix is typed before the list is narrowed once.
class TKVDBLookupComboBox : public TKVDBLookupControl {
    Q_OBJECT
    Q_CLASSINFO("ComponentKind", "lookup combo box")
public:
    explicit TKVDBLookupComboBox(QWidget* parent = nullptr);
    ~TKVDBLookupComboBox() override;

    TKVPopupDataList* DataList() const { return dataList_; }
    int ButtonWidth() const { return buttonWidth_; }
    const QString& Text() const { return text_; }
    Qt::Alignment Alignment() const { return alignment_; }
    int DropDownRows() const { return dropDownRows_; }
    void setDropDownRows(int rows) { dropDownRows_ = rows; }
    int DropDownWidth() const { return dropDownWidth_; }
    void setDropDownWidth(int width) { dropDownWidth_ = width; }
    TDropDownAlign DropDownAlign() const { return dropDownAlign_; }
    void setDropDownAlign(TDropDownAlign align) { dropDownAlign_ = align; }
    bool ListVisible() const { return listVisible_; }
    bool Pressed() const { return pressed_; }

    TNotifyEvent OnDropDown; // replaces the drop-down list when set
    const TListRowEnabledEvent& OnListRowEnabled() const { return onListRowEnabled_; }
    void setOnListRowEnabled(TListRowEnabledEvent handler);

    // Raise what reading the list (DropDown) and choosing its key (CloseUp accepted,
    // ClearValue) raise; the control's own keys, clicks and actions run them behind the
    // handler guard.
    void DropDown();
    void CloseUp(bool accept);
    virtual void ClearValue();

    int BorderSize() const override;
    void KeyValueChanged() override;
    void ListSourceActiveChanged() override;
    QString ShownText() const override { return text_; }
    // Where DropDown places the list (screen coordinates) for a list of that size.
    QPoint DropDownPosition(const QSize& listSize) const;

Q_SIGNALS:
    // The drop-down list closed, accepted or not.
    void OnCloseUp();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QSize sizeHint() const override;
    bool OpensSearchEditor() const override;
    void RunSearchEditor(QChar ch) override;

private:
    void applyHeight();
    void prepareDataList();
    void ListMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint& point);
    void StopTracking();
    void TrackButton(const QPoint& point);
    void setText(const QString& text, Qt::Alignment alignment);
    void paintText(QPainter& painter, int width);
    void paintButton(QPainter& painter, int width);

    TKVPopupDataList* dataList_;
    int buttonWidth_;
    QString text_;
    int dropDownRows_ = 7;
    int dropDownWidth_ = 0;
    TDropDownAlign dropDownAlign_ = TDropDownAlign::daLeft;
    bool listVisible_ = false;
    bool pressed_ = false;
    bool tracking_ = false;
    Qt::Alignment alignment_ = Qt::AlignLeft;
    TListRowEnabledEvent onListRowEnabled_;
};

} // namespace controls
