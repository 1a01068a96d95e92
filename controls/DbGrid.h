#pragma once

#include <QTableView>

namespace db {
class DataSetModel;
class DataSource;
} // namespace db

namespace controls {

// A grid over a data source: one column per visible field with its display label
// and width, rows read as they come into view, the selected row following the data
// set's current record and the other way round. Cells are editable only while the
// data set edits the current row (and not at all when the grid is read-only). Choosing
// another row stores the edited one first; an error of that goes to the application's
// error display and the grid stays on the edited row. No operation here raises.
class DbGrid : public QTableView {
    Q_OBJECT
    Q_CLASSINFO("ComponentKind", "database grid")
public:
    explicit DbGrid(QWidget* parent = nullptr);

    void setDataSource(db::DataSource* source);
    db::DataSource* dataSource() const;
    db::DataSetModel* dataSetModel() const { return model_; }
    bool readOnly() const { return readOnly_; }
    virtual void setReadOnly(bool readOnly);

protected:
    // Applies the columns' attributes (their widths from the fields' display widths);
    // runs whenever the columns are built anew. A derived grid adds its own.
    virtual void applyColumnAttributes();

private:
    void followDataSet(int row);
    void followSelection(const QModelIndex& current);

    db::DataSetModel* model_;
    bool readOnly_ = false;
};

} // namespace controls
