#include "db/DataSource.h"

#include <algorithm>

namespace db {

DataSource::DataSource(QObject* parent) : QObject(parent) {}

// The links leave first, while the data set is still reachable, so that each hears
// that its data went away and drops what it kept of it (a field data link its field).
DataSource::~DataSource() {
    const std::vector<DataLink*> links = links_;
    for (DataLink* link : links)
        link->setDataSource(nullptr);
    if (dataSet_)
        dataSet_->detach(this);
    dataSet_ = nullptr;
}

void DataSource::setDataSet(DataSet* dataSet) {
    if (dataSet == dataSet_)
        return;
    if (dataSet_)
        dataSet_->detach(this);
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->attach(this);
    dataEvent(DataEvent::ActiveChanged, nullptr);
}

DataSetState DataSource::state() const {
    return dataSet_ ? dataSet_->state() : DataSetState::Inactive;
}

void DataSource::edit() {
    if (autoEdit_ && dataSet_ && dataSet_->state() == DataSetState::Browse)
        dataSet_->edit();
}

void DataSource::dataEvent(DataEvent event, Field* field) {
    const std::vector<DataLink*> links = links_;
    for (DataLink* link : links) {
        if (std::find(links_.begin(), links_.end(), link) != links_.end())
            link->dispatch(event, field);
    }
    switch (event) {
    case DataEvent::ActiveChanged:
    case DataEvent::StateChanged:
        Q_EMIT stateChanged();
        if (event == DataEvent::ActiveChanged)
            Q_EMIT dataChanged(nullptr);
        break;
    case DataEvent::RecordChanged:
        Q_EMIT dataChanged(field);
        break;
    case DataEvent::DataSetChanged:
    case DataEvent::Scrolled:
        Q_EMIT dataChanged(nullptr);
        break;
    case DataEvent::UpdateRecord:
        Q_EMIT updateData();
        break;
    case DataEvent::RowsFetched:
        break;
    }
}

// ---------------------------------------------------------------------------------

DataLink::~DataLink() {
    if (source_)
        std::erase(source_->links_, this);
}

void DataLink::setDataSource(DataSource* source) {
    if (source == source_)
        return;
    const bool wasActive = active();
    if (source_)
        std::erase(source_->links_, this);
    source_ = source;
    if (source_)
        source_->links_.push_back(this);
    sourceChanged(wasActive);
}

void DataLink::sourceChanged(bool wasActive) {
    first_ = 0;
    placeWindow();
    wasEditing_ = editing();
    if (wasActive || active())
        activeChanged();
}

DataSet* DataLink::dataSet() const {
    return source_ ? source_->dataSet() : nullptr;
}

bool DataLink::active() const {
    const DataSet* set = dataSet();
    return set && set->active();
}

bool DataLink::editing() const {
    const DataSet* set = dataSet();
    return set && (set->state() == DataSetState::Edit || set->state() == DataSetState::Insert);
}

bool DataLink::edit() {
    if (!readOnly_ && source_)
        source_->edit();
    return editing();
}

void DataLink::updateRecord() {
    updateData();
    modified_ = false;
}

void DataLink::setBufferCount(int count) {
    bufferCount_ = std::max(1, count);
    placeWindow();
}

int DataLink::activeRecord() const {
    const DataSet* set = dataSet();
    if (!set || !set->active() || set->currentRow() < 0)
        return 0;
    return set->currentRow() - first_;
}

int DataLink::recordCount() const {
    const DataSet* set = dataSet();
    if (!set || !set->active())
        return 0;
    return std::clamp(set->fetchedRowCount() - first_, 0, bufferCount_);
}

// The window follows the current record: it moves only as far as needed to keep the
// record inside, and is filled from the data set as far as it has rows.
void DataLink::placeWindow() {
    if (placing_)
        return;
    placing_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{placing_};

    DataSet* set = dataSet();
    const int current = set && set->active() ? set->currentRow() : -1;
    if (current < 0) {
        first_ = 0;
        return;
    }
    if (current < first_)
        first_ = current;
    else if (current >= first_ + bufferCount_)
        first_ = current - bufferCount_ + 1;
    const int wantedEnd = first_ + bufferCount_;
    if (set->fetchedRowCount() < wantedEnd && !set->allRowsFetched())
        set->fetchMore(wantedEnd - set->fetchedRowCount());
    const int fetched = set->fetchedRowCount();
    if (first_ + bufferCount_ > fetched)
        first_ = std::max(0, fetched - bufferCount_);
}

void DataLink::dispatch(DataEvent event, Field* field) {
    switch (event) {
    case DataEvent::ActiveChanged:
        first_ = 0;
        placeWindow();
        wasEditing_ = editing();
        activeChanged();
        break;
    case DataEvent::RecordChanged:
        recordChanged(field);
        break;
    case DataEvent::DataSetChanged:
        placeWindow();
        if (editing() != wasEditing_) {
            wasEditing_ = editing();
            editingChanged();
        }
        dataSetChanged();
        break;
    case DataEvent::Scrolled: {
        const int before = first_;
        placeWindow();
        dataSetScrolled(first_ - before);
        break;
    }
    case DataEvent::StateChanged:
        if (editing() != wasEditing_) {
            wasEditing_ = editing();
            editingChanged();
        }
        break;
    case DataEvent::UpdateRecord:
        updateRecord();
        break;
    case DataEvent::RowsFetched:
        placeWindow();
        rowsFetched();
        break;
    }
}

} // namespace db
