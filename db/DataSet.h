#pragma once

#include "db/Field.h"
#include "db/FilterExpression.h"
#include "platform/Errors.h"

#include <QObject>
#include <QVariantList>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace db {

class DataSource;

enum class DataSetState { Inactive, Browse, Edit, Insert, CalcFields };

// The names of a field list such as "ID; NAZIV" (key fields, lookup fields): split at
// ';', trimmed, empty names left out.
QStringList splitFieldList(const QString& names);

// What data sources and their links are told.
enum class DataEvent {
    ActiveChanged,  // opened or closed
    RecordChanged,  // the current record's values (field given when one field changed)
    DataSetChanged, // rows changed as a whole (requery, post, delete, controls enabled)
    Scrolled,       // the current record moved
    StateChanged,   // browse / edit / insert
    UpdateRecord,   // controls are asked to write their pending text into the fields
    RowsFetched,    // more rows were read into the buffer
};

// A set of rows with a current record, read from the database through a forward
// cursor into a buffer as far as it has been needed. The buffer keeps every fetched
// row, so rows already seen can be reached again without re-reading; a unidirectional
// data set keeps only the rows from the current one on, for one pass over many rows.
//
// Fields are either defined before opening (persistent fields: their order, types
// and presentation are kept, and only they exist) or made from the result's columns.
class DataSet : public QObject {
    Q_OBJECT
public:
    explicit DataSet(QObject* parent = nullptr);
    ~DataSet() override;

    DataSetState state() const { return state_; }
    bool active() const { return state_ != DataSetState::Inactive; }
    void open();
    void close();
    void setActive(bool active);
    void refresh(); // re-reads, staying on the same record number where possible

    // Forward-only reading, set while closed: rows already passed leave the buffer, so
    // memory stays flat however many rows a pass reads. next(), moveBy() and setRecNo()
    // forward and last() read on; moving back (first() and prior() after the first row,
    // moveBy() back, setRecNo() to a passed row) and what needs every row (recordCount(),
    // locate(), lookup(), refresh(), editing) raise. Grids show the buffer: keep the
    // controls of a unidirectional data set disabled while it is open.
    void setUnidirectional(bool unidirectional);
    bool unidirectional() const { return unidirectional_; }

    // Navigation. After open the cursor stands on the first row, or eof() is set when
    // there are none; next() after the last row sets eof().
    void first();
    void prior();
    void next();
    void last();
    int moveBy(int distance); // answers the distance moved
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    bool isEmpty();
    int recordCount(); // reads every row
    int recNo() const; // 1-based; 0 when empty or inactive
    void setRecNo(int recNo);
    bool locate(const QString& keyFields, const QVariantList& values, bool caseInsensitive = false);
    // The resultField of the first row whose key fields equal the values; null when
    // none. Does not move the cursor.
    QVariant lookup(const QString& keyFields, const QVariantList& values,
                    const QString& resultField);

    // The row buffer, for grids: rows fetched so far, and more on request.
    int fetchedRowCount() const { return static_cast<int>(rows_.size()); }
    bool allRowsFetched() const { return atEnd_; }
    int fetchMore(int rowCount); // answers how many were read
    QVariant valueAt(int row, int fieldIndex) const;
    int currentRow() const { return current_; } // buffer index; -1 when none

    // Fields.
    int fieldCount() const { return static_cast<int>(fields_.size()); }
    Field& field(int index) const { return *fields_[index]; }
    Field& fieldByName(const QString& name) const; // raises "Field '%s' not found"
    Field* findField(const QString& name) const;
    // Persistent fields, defined while inactive, in the order of definition.
    Field& addField(const QString& name, FieldType type, FieldKind kind = FieldKind::Data,
                    int size = 0);
    void clearFields();
    bool hasPersistentFields() const { return persistent_; }

    // Editing (tables). Queries are read-only and raise on these.
    void insert();
    void append();
    void edit();
    void post();
    void cancel();
    void deleteRecord();
    virtual bool canModify() const { return false; }
    bool modified() const { return modified_; }

    // Filter in the engine's filter syntax (see FilterExpression), applied while
    // filtered() is on. Setting either on an open data set re-reads it and stands on the
    // first row; a filter that does not parse raises and leaves the filter as it was.
    // Queries apply it to the rows as they are read; tables pass it to the database.
    void setFilter(const QString& filter);
    const QString& filter() const { return filter_; }
    void setFiltered(bool filtered);
    bool filtered() const { return filtered_; }

    // How many rows the reader needs at first (a lookup list's window); 0, the default,
    // for no hint. The server engine then computes only these when the data set opens,
    // and reads on in growing blocks found by their position, so that rows the table
    // gains or loses meanwhile may shift the rows read after the first ones. Takes
    // effect at the next open.
    void setFirstRows(int rows) { firstRows_ = rows; }
    int firstRows() const { return firstRows_; }

    // While disabled, data sources hear nothing; enabling sends DataSetChanged. Calls
    // nest: the controls hear again after as many enables as disables. For a block of
    // work, withControlsDisabled pairs them on every path.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return disableCount_ > 0; }

    // Hooks run inside the operation that calls them, before it reports done: what a hook
    // raises ends the operation and reaches its caller (a beforePost that raises leaves
    // the record unposted, a beforeClose that raises keeps the data set open). That is
    // why they are callbacks, one each, and not signals; controls hear of changes through
    // their data sources.
    using Hook = std::function<void(DataSet&)>;
    Hook afterOpen;
    Hook beforeClose;
    Hook afterInsert;
    Hook afterEdit;
    Hook beforePost;
    Hook afterPost;
    Hook afterCancel;
    Hook afterScroll;
    Hook onCalcFields; // fills calculated fields of each row as it is fetched

    // Set by DataSource.
    void attach(DataSource* source);
    void detach(DataSource* source);
    void notify(DataEvent event, Field* field = nullptr);

protected:
    using Row = std::vector<QVariant>;
    struct ColumnInfo {
        QString name;
        FieldType type;
        int size;
    };

    // The engine side, implemented by queries and tables.
    virtual std::vector<ColumnInfo> openCursor() = 0; // runs the statement
    virtual bool fetchRow(Row& dataValues) = 0;       // next row's data columns
    virtual void closeCursor() = 0;
    virtual void applyInsert(const Field* const* fields, const Row& row);
    virtual void applyUpdate(const Row& oldRow, const Row& newRow);
    virtual void applyDelete(const Row& row);
    // After a post: the buffer holds the posted row at currentRow(); a data set that
    // re-reads from the database does so here and stands on the posted row again.
    virtual void resyncAfterPost(const Row& posted);

    // For subclasses' destructors and a closing connection: closes without hooks (the
    // owner may be half gone) and never raises.
    void shutDown();
    // For subclasses: re-runs the statement with the fields kept and stands on the
    // first row, without hooks or notifications.
    void reopenCursor();
    void startCursor();
    // Reads on until a row satisfies the condition and makes it current (silently).
    bool seekRow(const std::function<bool(const Row&)>& condition);
    void filterChanged(); // re-reads an open data set and tells the sources
    // Whether filter() is applied to rows as they are read (tables filter in SQL).
    virtual bool filtersRows() const { return true; }
    // The fields a filter may name; the data set's fields unless the filter goes elsewhere.
    virtual std::vector<FilterExpression::FieldInfo> filterFields() { return fieldInfos(); }
    std::vector<FilterExpression::FieldInfo> fieldInfos() const;
    void checkActive() const;

    int firstRows_ = 0;
    QString filter_;
    bool filtered_ = false;

private:
    friend class Field;
    friend class Database; // closes its data sets without hooks when one refuses
    void discardCursor();
    void bindFields(const std::vector<ColumnInfo>& columns);
    bool namesMatch(const std::vector<ColumnInfo>& columns) const;
    static int columnNamed(const std::vector<ColumnInfo>& columns, const QString& name);
    void makeFields(const std::vector<ColumnInfo>& columns);
    bool fetchOne();
    void computeDerivedFields(Row& row);
    void computeLookupFields(Row& row);
    void setState(DataSetState state);
    void scrollTo(int row, bool atBof, bool atEof);
    void announceScroll();
    void beginInsert(bool atEnd);
    void noticeFetched(std::size_t rowsBefore);
    bool fetchUpTo(int row); // answers whether that buffer index exists now
    void fetchAll();
    const Row* currentValues() const;
    QVariant fieldValue(const Field& field) const;
    void setFieldValue(Field& field, const QVariant& value);
    void checkBrowseMode(); // posts or cancels a pending edit
    void checkCanModify() const;
    void checkBidirectional(const char* operation) const;
    void dropPassedRows();
    int passRows(int distance);
    void endForwardMove(int moved, bool atEof);
    void abandonInsert();
    void updateRowFilter();
    int findRow(const QString& keyFields, const QVariantList& values, bool caseInsensitive);
    void runHook(const Hook& hook);

    std::vector<std::unique_ptr<Field>> fields_;
    std::vector<int> columnOfField_; // data column per field, -1 for derived fields
    std::vector<Row> rows_;
    Row editBuffer_;
    Row fetched_; // the columns of the row read last, kept for the next one's reading
    int current_ = -1;
    int editRow_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    bool atEnd_ = true;
    bool persistent_ = false;
    bool modified_ = false;
    int disableCount_ = 0;
    bool activeChangeHeld_ = false; // an open or close happened while controls were off
    DataSetState state_ = DataSetState::Inactive;
    std::vector<DataSource*> sources_;
    Row* calcRow_ = nullptr;     // the row being calculated (state CalcFields)
    int rowBeforeInsert_ = -1;   // current row before insert(), for cancel
    FilterExpression rowFilter_; // a query's filter, applied to rows read
    bool hasDerivedFields_ = false;
    bool unidirectional_ = false;
    int rowsPassed_ = 0; // rows before the buffer's first, dropped by forward-only reading
};

// Runs body with the data set's controls disabled and enables them again afterwards,
// also when body raises (platform::withCleanup); what body raises passes on unchanged.
// Enabling tells the controls of all that changed, and what they raise while they hear
// of it reaches the caller as well.
template <typename Body> void withControlsDisabled(DataSet& set, Body&& body) {
    set.disableControls();
    platform::withCleanup(std::forward<Body>(body), [&set] { set.enableControls(); });
}

} // namespace db
