#include "db/DataSetModel.h"

#include "db/StatementProgress.h"
#include "platform/Errors.h"
#include "platform/MessageBox.h"

namespace db {

class DataSetModel::Link : public DataLink {
public:
    explicit Link(DataSetModel& model) : model_(model) {}

protected:
    void activeChanged() override { model_.rebuild(); }
    void dataSetChanged() override { model_.rebuild(); }
    void recordChanged(Field* field) override { model_.refreshRow(model_.currentRow(), field); }
    void dataSetScrolled(int /*distance*/) override {
        Q_EMIT model_.currentRowChanged(model_.currentRow());
    }
    void editingChanged() override { model_.refreshRow(model_.currentRow(), nullptr); }
    void rowsFetched() override { model_.syncRows(); }

private:
    DataSetModel& model_;
};

DataSetModel::DataSetModel(QObject* parent)
    : QAbstractTableModel(parent), link_(std::make_unique<Link>(*this)) {}

DataSetModel::~DataSetModel() = default;

void DataSetModel::setDataSource(DataSource* source) {
    link_->setDataSource(source);
    rebuild();
}

DataSource* DataSetModel::dataSource() const {
    return link_->dataSource();
}

DataSet* DataSetModel::dataSet() const {
    return link_->active() ? link_->dataSet() : nullptr;
}

void DataSetModel::rebuild() {
    beginResetModel();
    columns_.clear();
    rows_ = 0;
    readFailed_ = false;
    if (DataSet* set = dataSet()) {
        for (int f = 0; f < set->fieldCount(); ++f) {
            if (set->field(f).visible())
                columns_.push_back({f, &set->field(f)});
        }
        rows_ = set->fetchedRowCount();
    }
    endResetModel();
    Q_EMIT currentRowChanged(currentRow());
}

void DataSetModel::syncRows() {
    DataSet* set = dataSet();
    const int fetched = set ? set->fetchedRowCount() : 0;
    if (fetched < rows_) {
        rebuild();
        return;
    }
    if (fetched == rows_)
        return;
    beginInsertRows(QModelIndex(), rows_, fetched - 1);
    rows_ = fetched;
    endInsertRows();
}

void DataSetModel::refreshRow(int row, const Field* field) {
    if (row < 0 || row >= rows_ || columns_.empty())
        return;
    const int column = field ? columnOfField(field) : -1;
    if (field && column < 0)
        return;
    const int from = column < 0 ? 0 : column;
    const int to = column < 0 ? static_cast<int>(columns_.size()) - 1 : column;
    Q_EMIT dataChanged(index(row, from), index(row, to));
}

Field* DataSetModel::fieldAt(int column) const {
    const DataSet* set = dataSet();
    if (!set || column < 0 || column >= static_cast<int>(columns_.size()))
        return nullptr;
    // While the data set's controls are off it may have been reopened with new fields:
    // a column whose field is gone shows nothing until the model is rebuilt.
    const auto [index, field] = columns_[column];
    if (index >= set->fieldCount() || &set->field(index) != field)
        return nullptr;
    return field;
}

int DataSetModel::columnOfField(const Field* field) const {
    for (int c = 0; c < static_cast<int>(columns_.size()); ++c) {
        if (columns_[c].second == field)
            return c;
    }
    return -1;
}

int DataSetModel::displayWidth(int column) const {
    const Field* field = fieldAt(column);
    return field ? field->displayWidth() : 0;
}

int DataSetModel::currentRow() const {
    const DataSet* set = dataSet();
    return set ? set->currentRow() : -1;
}

void DataSetModel::setCurrentRow(int row) {
    DataSet* set = dataSet();
    if (!set || row < 0 || row == set->currentRow())
        return;
    set->setRecNo(row + 1);
}

int DataSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int DataSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
    const Field* field = fieldAt(index.column());
    const DataSet* set = dataSet();
    if (!field || !set || index.row() < 0 || index.row() >= rows_)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        try {
            const QVariant value = set->valueAt(index.row(), field->index());
            return role == Qt::DisplayRole ? field->displayTextOf(value) : field->textOf(value);
        } catch (const platform::Exception&) {
            return {}; // a value the picture cannot show is left blank
        }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(field->alignment() | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        const Field* field = fieldAt(section);
        return field ? QVariant(field->displayLabel()) : QVariant();
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool DataSetModel::writable(const Field& field) const {
    const DataSet* set = dataSet();
    return set && set->canModify() && !field.readOnly() && field.kind() == FieldKind::Data &&
           !link_->readOnly();
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const Field* field = fieldAt(index.column());
    if (field && writable(*field))
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool DataSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    Field* field = fieldAt(index.column());
    DataSet* set = dataSet();
    if (role != Qt::EditRole || !field || !set || !writable(*field) ||
        index.row() != set->currentRow())
        return false;
    try {
        if (!link_->edit())
            return false;
    } catch (const std::exception& error) {
        platform::showException(error); // the row cannot be edited now (a lock, a hook)
        return false;
    }
    try {
        if (value.metaType().id() == QMetaType::QString)
            field->setAsString(value.toString());
        else
            field->setValue(value);
    } catch (const platform::Exception&) {
        platform::beep(); // wrong input: the field keeps its value
        return false;
    }
    return true;
}

// A data set whose controls are off is being read by the program (one pass of a report),
// and while a progress handler runs a statement may be stepping: the grid waits.
bool DataSetModel::canFetchMore(const QModelIndex& parent) const {
    const DataSet* set = dataSet();
    return !parent.isValid() && set && !set->controlsDisabled() && !readFailed_ &&
           !StatementProgress::handlerRunning() &&
           (!set->allRowsFetched() || set->fetchedRowCount() > rows_);
}

void DataSetModel::fetchMore(const QModelIndex& parent) {
    DataSet* set = dataSet();
    if (!canFetchMore(parent))
        return;
    // The view reads on from its own scroll and timer code: an error is shown here, the
    // rows read so far stay, and no more are read until the data set changes, so that
    // the view does not fail again at every step.
    try {
        set->fetchMore(blockSize_);
    } catch (const std::exception& error) {
        readFailed_ = true;
        syncRows();
        platform::showException(error);
        return;
    }
    syncRows();
}

} // namespace db
