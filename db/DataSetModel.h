#pragma once

#include "db/DataSource.h"

#include <QAbstractTableModel>
#include <memory>
#include <utility>
#include <vector>

namespace db {

// A grid's view of a data source: one column per visible field in field order (header:
// display label; cells: display text and the field's alignment) and one row per row
// the data set has read. Rows are read on demand in blocks (canFetchMore/fetchMore),
// so a grid shows the first rows of a large result without reading the rest. No rows are
// read while the data set's controls are disabled or a statement's progress handler runs,
// nor after reading failed, until the data set changes. An error of reading on, or of
// starting to edit a cell, goes to the error display (the views call these from their
// own code); text a field cannot take only beeps. Only setCurrentRow raises: what moving
// the data set raises (storing the edited row first).
//
// Cells are written only on the data set's current row, while it is being edited or
// inserted (or when the data source's auto-edit starts editing), and only for fields
// that may be changed. currentRow()/currentRowChanged() and setCurrentRow() let a view
// follow and move the data set's current record.
class DataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DataSetModel(QObject* parent = nullptr);
    ~DataSetModel() override;

    void setDataSource(DataSource* source);
    DataSource* dataSource() const;
    DataSet* dataSet() const;

    Field* fieldAt(int column) const;            // nullptr outside the columns
    int columnOfField(const Field* field) const; // -1 when the field is not shown
    int displayWidth(int column) const;          // characters
    int currentRow() const;                      // -1 when none
    void setFetchBlockSize(int rows) { blockSize_ = std::max(1, rows); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

public Q_SLOTS:
    void setCurrentRow(int row);

Q_SIGNALS:
    void currentRowChanged(int row);

private:
    class Link;
    friend class Link;
    void rebuild();
    void syncRows();
    void refreshRow(int row, const Field* field);
    bool writable(const Field& field) const;

    std::unique_ptr<Link> link_;
    std::vector<std::pair<int, Field*>> columns_; // field index and field
    int rows_ = 0;
    int blockSize_ = 256;
    bool readFailed_ = false; // fetchMore failed; reset when the data set changes
};

} // namespace db
