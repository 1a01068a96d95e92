#include "controls/DbGrid.h"

#include "db/DataSetModel.h"
#include "platform/Application.h"

#include <QHeaderView>

namespace controls {

DbGrid::DbGrid(QWidget* parent) : QTableView(parent), model_(new db::DataSetModel(this)) {
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    connect(model_, &QAbstractItemModel::modelReset, this, &DbGrid::applyColumnAttributes);
    connect(model_, &db::DataSetModel::currentRowChanged, this, &DbGrid::followDataSet);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { followSelection(current); });
}

void DbGrid::setDataSource(db::DataSource* source) {
    model_->setDataSource(source);
    applyColumnAttributes();
}

db::DataSource* DbGrid::dataSource() const {
    return model_->dataSource();
}

void DbGrid::setReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    setEditTriggers(readOnly
                        ? QAbstractItemView::NoEditTriggers
                        : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::AnyKeyPressed);
}

// Display widths are in characters of the grid's font, measured by the digit 0.
void DbGrid::applyColumnAttributes() {
    const int characterWidth = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int padding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 12;
    for (int column = 0; column < model_->columnCount(); ++column)
        setColumnWidth(column, model_->displayWidth(column) * characterWidth + padding);
}

void DbGrid::followDataSet(int row) {
    if (row < 0 || row == currentIndex().row())
        return;
    const int column = std::max(0, currentIndex().column());
    setCurrentIndex(model_->index(row, column));
}

// Moving to another row stores the row being edited first. When that fails, the error
// goes to the error display and the grid goes back to the row the data set stays on, once
// the click or key that moved it is done.
void DbGrid::followSelection(const QModelIndex& current) {
    if (!current.isValid() || current.row() == model_->currentRow())
        return;
    platform::runGuarded([this, &current] { model_->setCurrentRow(current.row()); });
    if (model_->currentRow() != current.row())
        QMetaObject::invokeMethod(
            this, [this] { followDataSet(model_->currentRow()); }, Qt::QueuedConnection);
}

} // namespace controls
