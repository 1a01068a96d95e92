#include "db/DataSet.h"

#include "db/DataSource.h"
#include "platform/Errors.h"

#include <QScopeGuard>

#include <algorithm>
#include <limits>

namespace db {

namespace {

bool sameValue(const QVariant& a, const QVariant& b, bool caseInsensitive) {
    if (!a.isValid() || !b.isValid())
        return a.isValid() == b.isValid();
    if (a.metaType().id() == QMetaType::QString && b.metaType().id() == QMetaType::QString)
        return a.toString().compare(b.toString(),
                                    caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
    return a == b;
}

} // namespace

QStringList splitFieldList(const QString& names) {
    QStringList result;
    for (const QString& name : names.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = name.trimmed();
        if (!trimmed.isEmpty())
            result << trimmed;
    }
    return result;
}

DataSet::DataSet(QObject* parent) : QObject(parent) {}

DataSet::~DataSet() {
    const std::vector<DataSource*> sources = sources_;
    for (DataSource* source : sources) {
        try {
            source->setDataSet(nullptr);
        } catch (...) {
            // The source is detached before its controls hear of it; a control's error
            // cannot leave a destructor, and the other sources must be detached too.
        }
    }
}

// ---- Opening and closing ---------------------------------------------------------

void DataSet::open() {
    if (active())
        return;
    try {
        startCursor();
    } catch (...) {
        discardCursor();
        throw;
    }
    state_ = DataSetState::Browse;
    notify(DataEvent::ActiveChanged);
    runHook(afterOpen);
    runHook(afterScroll);
}

void DataSet::close() {
    if (!active())
        return;
    runHook(beforeClose);
    discardCursor();
    notify(DataEvent::ActiveChanged);
}

void DataSet::shutDown() {
    if (!active())
        return;
    discardCursor();
    try {
        notify(DataEvent::ActiveChanged);
    } catch (...) {
        // Closed regardless: a control's error cannot stop a forced close.
    }
}

void DataSet::setActive(bool active) {
    if (active)
        open();
    else
        close();
}

void DataSet::refresh() {
    checkActive();
    checkBidirectional("refresh");
    checkBrowseMode();
    const int row = current_;
    reopenCursor();
    if (row > 0) {
        fetchUpTo(row);
        current_ = std::min(row, static_cast<int>(rows_.size()) - 1);
        bof_ = current_ <= 0;
    }
    notify(DataEvent::DataSetChanged);
}

void DataSet::reopenCursor() {
    try {
        closeCursor();
        startCursor();
    } catch (...) {
        // The data set cannot go on without its cursor: it closes.
        discardCursor();
        notify(DataEvent::ActiveChanged);
        throw;
    }
}

// Closes the cursor and leaves the data set inactive with an empty buffer; fields made
// from the result's columns go with it, persistent fields stay.
void DataSet::discardCursor() {
    closeCursor();
    rows_.clear();
    rowsPassed_ = 0;
    editBuffer_.clear();
    current_ = editRow_ = rowBeforeInsert_ = -1;
    eof_ = bof_ = atEnd_ = true;
    modified_ = false;
    rowFilter_ = {};
    state_ = DataSetState::Inactive;
    if (!persistent_) {
        fields_.clear();
        columnOfField_.clear();
        hasDerivedFields_ = false;
    }
}

// Runs the statement and stands on its first row (or at the end when it has none).
void DataSet::startCursor() {
    bindFields(openCursor());
    rows_.clear();
    rowsPassed_ = 0;
    atEnd_ = false;
    updateRowFilter();
    fetchOne();
    current_ = rows_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rows_.empty();
}

// Persistent fields are found among the result's columns by name. Fields made from an
// earlier result stay (and with them references to them) while the result has the
// same columns; otherwise they are made anew.
void DataSet::bindFields(const std::vector<ColumnInfo>& columns) {
    const bool keepMadeFields = !persistent_ && namesMatch(columns);
    if (!persistent_ && !keepMadeFields)
        makeFields(columns);
    columnOfField_.assign(fields_.size(), -1);
    hasDerivedFields_ = false;
    for (std::size_t f = 0; f < fields_.size(); ++f) {
        const Field& field = *fields_[f];
        if (field.kind() != FieldKind::Data) {
            hasDerivedFields_ = true;
            continue;
        }
        const int column =
            persistent_ ? columnNamed(columns, field.fieldName()) : static_cast<int>(f);
        if (column < 0)
            throw platform::DatabaseError(
                QStringLiteral("Field '%1' not found").arg(field.fieldName()));
        columnOfField_[f] = column;
    }
}

bool DataSet::namesMatch(const std::vector<ColumnInfo>& columns) const {
    return fields_.size() == columns.size() &&
           std::equal(fields_.begin(), fields_.end(), columns.begin(),
                      [](const auto& field, const ColumnInfo& column) {
                          return field->fieldName() == column.name;
                      });
}

int DataSet::columnNamed(const std::vector<ColumnInfo>& columns, const QString& name) {
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
        if (columns[c].name.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    }
    return -1;
}

// One field per column; a name that repeats gets a number ("AMOUNT_1").
void DataSet::makeFields(const std::vector<ColumnInfo>& columns) {
    fields_.clear();
    for (const ColumnInfo& column : columns) {
        QString name = column.name;
        for (int n = 1; findField(name); ++n)
            name = column.name + QStringLiteral("_%1").arg(n);
        fields_.push_back(
            std::make_unique<Field>(*this, name, column.type, FieldKind::Data, column.size));
        fields_.back()->index_ = static_cast<int>(fields_.size()) - 1;
    }
}

// ---- Reading rows ----------------------------------------------------------------

bool DataSet::fetchOne() {
    if (atEnd_)
        return false;
    Row& data = fetched_;
    for (;;) {
        if (!fetchRow(data)) {
            atEnd_ = true;
            return false;
        }
        Row row(fields_.size());
        for (std::size_t f = 0; f < fields_.size(); ++f) {
            const int column = columnOfField_[f];
            if (column >= 0 && column < static_cast<int>(data.size()))
                row[f] = normalizeValue(fields_[f]->dataType(), data[column]);
        }
        computeDerivedFields(row);
        if (!rowFilter_.isEmpty() && !rowFilter_.matches(row))
            continue;
        rows_.push_back(std::move(row));
        return true;
    }
}

bool DataSet::fetchUpTo(int row) {
    while (static_cast<int>(rows_.size()) <= row && fetchOne()) {
    }
    return row >= 0 && row < static_cast<int>(rows_.size());
}

void DataSet::fetchAll() {
    while (fetchOne()) {
    }
}

void DataSet::noticeFetched(std::size_t rowsBefore) {
    if (rows_.size() > rowsBefore)
        notify(DataEvent::RowsFetched);
}

int DataSet::fetchMore(int rowCount) {
    if (!active())
        return 0;
    const std::size_t before = rows_.size();
    for (int i = 0; i < rowCount && fetchOne(); ++i) {
    }
    noticeFetched(before);
    return static_cast<int>(rows_.size() - before);
}

QVariant DataSet::valueAt(int row, int fieldIndex) const {
    if (fieldIndex < 0 || fieldIndex >= fieldCount())
        return {};
    if ((state_ == DataSetState::Edit || state_ == DataSetState::Insert) && row == editRow_)
        return editBuffer_[fieldIndex];
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return {};
    return rows_[row][fieldIndex];
}

void DataSet::computeDerivedFields(Row& row) {
    if (!hasDerivedFields_)
        return;
    for (std::size_t f = 0; f < fields_.size(); ++f) {
        if (fields_[f]->kind() != FieldKind::Data)
            row[f] = QVariant();
    }
    computeLookupFields(row);
    if (!onCalcFields)
        return;
    const DataSetState savedState = state_;
    Row* const savedRow = calcRow_;
    const auto restore = qScopeGuard([&] {
        state_ = savedState;
        calcRow_ = savedRow;
    });
    state_ = DataSetState::CalcFields;
    calcRow_ = &row;
    onCalcFields(*this);
}

void DataSet::computeLookupFields(Row& row) {
    for (std::size_t f = 0; f < fields_.size(); ++f) {
        const Field& field = *fields_[f];
        if (!field.isLookup() || !field.lookupDataSet || !field.lookupDataSet->active())
            continue;
        QVariantList keys;
        bool complete = true;
        for (const QString& name : splitFieldList(field.keyFields)) {
            const QVariant key = row[fieldByName(name).index()];
            complete = complete && key.isValid();
            keys << key;
        }
        if (!complete || keys.isEmpty())
            continue;
        row[f] = normalizeValue(
            field.dataType(),
            field.lookupDataSet->lookup(field.lookupKeyFields, keys, field.lookupResultField));
    }
}

// ---- Navigation ------------------------------------------------------------------

void DataSet::scrollTo(int row, bool atBof, bool atEof) {
    const int old = current_;
    current_ = row;
    bof_ = atBof;
    eof_ = atEof;
    dropPassedRows();
    if (row != old)
        announceScroll();
}

void DataSet::announceScroll() {
    notify(DataEvent::Scrolled);
    runHook(afterScroll);
}

void DataSet::first() {
    checkActive();
    if (rowsPassed_ > 0)
        checkBidirectional("first");
    checkBrowseMode();
    const std::size_t before = rows_.size();
    const bool any = fetchUpTo(0);
    noticeFetched(before);
    if (any)
        scrollTo(0, true, false);
    else
        eof_ = bof_ = true;
}

void DataSet::next() {
    checkActive();
    checkBrowseMode();
    if (eof_)
        return;
    const std::size_t before = rows_.size();
    const bool more = fetchUpTo(current_ + 1);
    noticeFetched(before);
    if (more)
        scrollTo(current_ + 1, false, false);
    else
        eof_ = true;
}

void DataSet::prior() {
    checkActive();
    if (rowsPassed_ > 0)
        checkBidirectional("prior");
    checkBrowseMode();
    if (current_ > 0)
        scrollTo(current_ - 1, false, false);
    else
        bof_ = true;
}

void DataSet::last() {
    checkActive();
    checkBrowseMode();
    if (unidirectional_ && current_ >= 0) {
        endForwardMove(passRows(std::numeric_limits<int>::max()), true);
        return;
    }
    const std::size_t before = rows_.size();
    fetchAll();
    noticeFetched(before);
    if (rows_.empty())
        eof_ = bof_ = true;
    else
        scrollTo(static_cast<int>(rows_.size()) - 1, false, true);
}

int DataSet::moveBy(int distance) {
    checkActive();
    checkBrowseMode();
    if (current_ < 0 || distance == 0)
        return 0;
    if (unidirectional_) {
        if (distance < 0)
            checkBidirectional("moveBy");
        const int moved = passRows(distance);
        endForwardMove(moved, moved < distance);
        return moved;
    }
    int target = current_ + distance;
    bool atBof = false;
    bool atEof = false;
    if (distance > 0) {
        const std::size_t before = rows_.size();
        if (!fetchUpTo(target)) {
            target = static_cast<int>(rows_.size()) - 1;
            atEof = true;
        }
        noticeFetched(before);
    } else if (target < 0) {
        target = 0;
        atBof = true;
    }
    const int moved = target - current_;
    scrollTo(target, atBof, atEof);
    return moved;
}

bool DataSet::isEmpty() {
    if (!active())
        return true;
    const std::size_t before = rows_.size();
    const bool any = fetchUpTo(0);
    noticeFetched(before);
    return !any;
}

int DataSet::recordCount() {
    if (!active())
        return 0;
    checkBidirectional("recordCount");
    const std::size_t before = rows_.size();
    fetchAll();
    noticeFetched(before);
    return static_cast<int>(rows_.size());
}

int DataSet::recNo() const {
    return active() && current_ >= 0 ? rowsPassed_ + current_ + 1 : 0;
}

void DataSet::setRecNo(int recNo) {
    checkActive();
    checkBrowseMode();
    if (unidirectional_ && current_ >= 0) {
        const int wanted = std::max(recNo, 1) - 1 - rowsPassed_; // in the buffer
        if (wanted < current_)
            checkBidirectional("setRecNo");
        endForwardMove(passRows(wanted - current_), false);
        return;
    }
    const std::size_t before = rows_.size();
    int row = std::max(recNo, 1) - 1;
    if (!fetchUpTo(row))
        row = static_cast<int>(rows_.size()) - 1;
    noticeFetched(before);
    if (row >= 0)
        scrollTo(row, false, false);
}

int DataSet::findRow(const QString& keyFields, const QVariantList& values, bool caseInsensitive) {
    checkBidirectional("locate");
    const QStringList names = splitFieldList(keyFields);
    if (names.isEmpty() || names.size() != values.size())
        throw platform::DatabaseError(
            QStringLiteral("Locate needs one value per key field (%1)").arg(keyFields));
    std::vector<int> indexes;
    QVariantList wanted;
    for (int i = 0; i < names.size(); ++i) {
        const Field& field = fieldByName(names[i]);
        indexes.push_back(field.index());
        wanted << normalizeValue(field.dataType(), values[i]);
    }
    const std::size_t before = rows_.size();
    int found = -1;
    for (int row = 0; found < 0 && fetchUpTo(row); ++row) {
        const Row& candidate = rows_[row];
        bool match = true;
        for (std::size_t k = 0; match && k < indexes.size(); ++k)
            match = sameValue(candidate[indexes[k]], wanted[static_cast<int>(k)], caseInsensitive);
        if (match)
            found = row;
    }
    noticeFetched(before);
    return found;
}

bool DataSet::locate(const QString& keyFields, const QVariantList& values, bool caseInsensitive) {
    checkActive();
    checkBrowseMode();
    const int row = findRow(keyFields, values, caseInsensitive);
    if (row < 0)
        return false;
    scrollTo(row, false, false);
    return true;
}

QVariant DataSet::lookup(const QString& keyFields, const QVariantList& values,
                         const QString& resultField) {
    checkActive();
    const int resultIndex = fieldByName(resultField).index();
    const int row = findRow(keyFields, values, false);
    return row < 0 ? QVariant() : rows_[row][resultIndex];
}

bool DataSet::seekRow(const std::function<bool(const Row&)>& condition) {
    for (int row = 0; fetchUpTo(row); ++row) {
        if (condition(rows_[row])) {
            current_ = row;
            bof_ = eof_ = false;
            return true;
        }
    }
    return false;
}

// ---- Fields ----------------------------------------------------------------------

Field& DataSet::fieldByName(const QString& name) const {
    if (Field* field = findField(name))
        return *field;
    throw platform::DatabaseError(QStringLiteral("Field '%1' not found").arg(name));
}

Field* DataSet::findField(const QString& name) const {
    const QString wanted = name.trimmed();
    for (const auto& field : fields_) {
        if (field->fieldName().compare(wanted, Qt::CaseInsensitive) == 0)
            return field.get();
    }
    return nullptr;
}

Field& DataSet::addField(const QString& name, FieldType type, FieldKind kind, int size) {
    if (active())
        throw platform::DatabaseError(
            QStringLiteral("Cannot add field '%1' to an open dataset").arg(name));
    if (!persistent_)
        fields_.clear();
    if (findField(name))
        throw platform::DatabaseError(QStringLiteral("Duplicate field name '%1'").arg(name));
    persistent_ = true;
    fields_.push_back(std::make_unique<Field>(*this, name, type, kind, size));
    fields_.back()->index_ = static_cast<int>(fields_.size()) - 1;
    return *fields_.back();
}

void DataSet::clearFields() {
    if (active())
        throw platform::DatabaseError(
            QStringLiteral("Cannot remove the fields of an open dataset"));
    fields_.clear();
    columnOfField_.clear();
    persistent_ = false;
    hasDerivedFields_ = false;
}

std::vector<FilterExpression::FieldInfo> DataSet::fieldInfos() const {
    std::vector<FilterExpression::FieldInfo> infos;
    for (const auto& field : fields_)
        infos.push_back({field->fieldName(), field->dataType(), field->index()});
    return infos;
}

const DataSet::Row* DataSet::currentValues() const {
    switch (state_) {
    case DataSetState::CalcFields:
        return calcRow_;
    case DataSetState::Edit:
    case DataSetState::Insert:
        return &editBuffer_;
    case DataSetState::Browse:
        return current_ >= 0 && current_ < static_cast<int>(rows_.size()) ? &rows_[current_]
                                                                          : nullptr;
    case DataSetState::Inactive:
        return nullptr;
    }
    return nullptr;
}

QVariant DataSet::fieldValue(const Field& field) const {
    const Row* values = currentValues();
    const int index = field.index();
    if (!values || index < 0 || index >= static_cast<int>(values->size()))
        return {};
    return (*values)[index];
}

void DataSet::setFieldValue(Field& field, const QVariant& value) {
    const int index = field.index();
    if (state_ == DataSetState::CalcFields) {
        if (field.kind() == FieldKind::Data)
            throw platform::DatabaseError(
                QStringLiteral("Field '%1' cannot be modified").arg(field.fieldName()));
        (*calcRow_)[index] = value;
        return;
    }
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
        throw platform::DatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
    if (field.readOnly() || field.kind() != FieldKind::Data)
        throw platform::DatabaseError(
            QStringLiteral("Field '%1' cannot be modified").arg(field.fieldName()));
    editBuffer_[index] = value;
    modified_ = true;
    computeDerivedFields(editBuffer_);
    notify(DataEvent::RecordChanged, &field);
}

// ---- Filter ----------------------------------------------------------------------

void DataSet::setFilter(const QString& filter) {
    if (filter == filter_)
        return;
    if (active() && filtered_)
        FilterExpression::parse(filter, filterFields()); // raises before anything changes
    filter_ = filter;
    if (filtered_)
        filterChanged();
}

void DataSet::setFiltered(bool filtered) {
    if (filtered == filtered_)
        return;
    if (filtered && active())
        FilterExpression::parse(filter_, filterFields());
    filtered_ = filtered;
    filterChanged();
}

void DataSet::filterChanged() {
    if (!active())
        return;
    checkBrowseMode();
    reopenCursor();
    notify(DataEvent::DataSetChanged);
    runHook(afterScroll);
}

void DataSet::updateRowFilter() {
    rowFilter_ = filtered_ && filtersRows() ? FilterExpression::parse(filter_, fieldInfos())
                                            : FilterExpression();
}

// ---- Editing ---------------------------------------------------------------------

void DataSet::checkActive() const {
    if (!active())
        throw platform::DatabaseError(
            QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void DataSet::checkCanModify() const {
    checkActive();
    if (!canModify())
        throw platform::DatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
    checkBidirectional("editing");
}

void DataSet::checkBidirectional(const char* operation) const {
    if (unidirectional_)
        throw platform::DatabaseError(
            QStringLiteral("Operation not allowed on a unidirectional dataset (%1)")
                .arg(QLatin1String(operation)));
}

void DataSet::setUnidirectional(bool unidirectional) {
    if (unidirectional == unidirectional_)
        return;
    if (active())
        throw platform::DatabaseError(
            QStringLiteral("Cannot change the reading direction of an open dataset"));
    unidirectional_ = unidirectional;
}

// Forward-only reading: the rows before the current one leave the buffer.
void DataSet::dropPassedRows() {
    if (!unidirectional_ || current_ <= 0)
        return;
    rows_.erase(rows_.begin(), rows_.begin() + current_);
    rowsPassed_ += current_;
    current_ = 0;
}

// Forward-only reading: moves up to distance rows on, or to the last row, each row
// passed leaving the buffer at once; answers how far it moved. endForwardMove() then
// tells the sources.
int DataSet::passRows(int distance) {
    int moved = 0;
    while (moved < distance && fetchUpTo(current_ + 1)) {
        ++current_;
        dropPassedRows();
        ++moved;
    }
    return moved;
}

void DataSet::endForwardMove(int moved, bool atEof) {
    bof_ = false;
    eof_ = atEof;
    if (moved > 0)
        announceScroll();
}

void DataSet::checkBrowseMode() {
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
        return;
    notify(DataEvent::UpdateRecord);
    if (modified_)
        post();
    else
        cancel();
}

void DataSet::setState(DataSetState state) {
    if (state_ == state)
        return;
    state_ = state;
    notify(DataEvent::StateChanged);
}

void DataSet::insert() {
    beginInsert(false);
}

void DataSet::append() {
    beginInsert(true);
}

void DataSet::beginInsert(bool atEnd) {
    checkCanModify();
    checkBrowseMode();
    const std::size_t before = rows_.size();
    if (atEnd)
        fetchAll();
    noticeFetched(before);
    rowBeforeInsert_ = current_;
    const int position = atEnd ? static_cast<int>(rows_.size()) : std::max(current_, 0);
    rows_.insert(rows_.begin() + position, Row(fields_.size()));
    editBuffer_.assign(fields_.size(), QVariant());
    computeDerivedFields(editBuffer_);
    editRow_ = current_ = position;
    modified_ = false;
    bof_ = eof_ = false;
    setState(DataSetState::Insert);
    notify(DataEvent::DataSetChanged);
    try {
        runHook(afterInsert);
    } catch (...) {
        abandonInsert();
        throw;
    }
}

void DataSet::abandonInsert() {
    rows_.erase(rows_.begin() + editRow_);
    editBuffer_.clear();
    editRow_ = -1;
    modified_ = false;
    const int last = static_cast<int>(rows_.size()) - 1;
    current_ = std::min(std::max(rowBeforeInsert_, last < 0 ? -1 : 0), last);
    rowBeforeInsert_ = -1;
    eof_ = bof_ = rows_.empty();
    setState(DataSetState::Browse);
    notify(DataEvent::DataSetChanged);
}

void DataSet::edit() {
    checkCanModify();
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert)
        return;
    if (isEmpty()) {
        insert();
        return;
    }
    editBuffer_ = rows_[current_];
    editRow_ = current_;
    modified_ = false;
    setState(DataSetState::Edit);
    runHook(afterEdit);
}

void DataSet::post() {
    checkActive();
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
        throw platform::DatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
    notify(DataEvent::UpdateRecord);
    runHook(beforePost);
    if (state_ == DataSetState::Insert) {
        std::vector<const Field*> fields;
        for (const auto& field : fields_)
            fields.push_back(field.get());
        applyInsert(fields.data(), editBuffer_);
    } else {
        applyUpdate(rows_[editRow_], editBuffer_);
    }
    // Stored: the typed values become the row.
    rows_[editRow_] = editBuffer_;
    current_ = editRow_;
    const Row posted = editBuffer_;
    editBuffer_.clear();
    editRow_ = -1;
    rowBeforeInsert_ = -1;
    modified_ = false;
    setState(DataSetState::Browse);
    resyncAfterPost(posted);
    if (active()) {
        bof_ = current_ <= 0;
        eof_ = rows_.empty();
    }
    notify(DataEvent::DataSetChanged);
    runHook(afterPost);
}

void DataSet::cancel() {
    if (state_ == DataSetState::Insert) {
        abandonInsert();
    } else if (state_ == DataSetState::Edit) {
        editBuffer_.clear();
        editRow_ = -1;
        modified_ = false;
        setState(DataSetState::Browse);
        notify(DataEvent::DataSetChanged);
    } else {
        return;
    }
    runHook(afterCancel);
}

void DataSet::deleteRecord() {
    checkCanModify();
    if (state_ == DataSetState::Insert) {
        cancel();
        return;
    }
    if (state_ == DataSetState::Edit)
        cancel();
    if (isEmpty() || current_ < 0)
        throw platform::DatabaseError(
            QStringLiteral("Cannot perform this operation on an empty dataset"));
    applyDelete(rows_[current_]);
    rows_.erase(rows_.begin() + current_);
    fetchUpTo(current_);
    current_ = std::min(current_, static_cast<int>(rows_.size()) - 1);
    eof_ = bof_ = rows_.empty();
    notify(DataEvent::DataSetChanged);
    runHook(afterScroll);
}

void DataSet::applyInsert(const Field* const* /*fields*/, const Row& /*row*/) {
    throw platform::DatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
}

void DataSet::applyUpdate(const Row& /*oldRow*/, const Row& /*newRow*/) {
    throw platform::DatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
}

void DataSet::applyDelete(const Row& /*row*/) {
    throw platform::DatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
}

void DataSet::resyncAfterPost(const Row& /*posted*/) {}

// ---- Data sources ----------------------------------------------------------------

void DataSet::disableControls() {
    ++disableCount_;
}

void DataSet::enableControls() {
    if (disableCount_ == 0)
        return;
    if (--disableCount_ > 0)
        return;
    if (activeChangeHeld_) {
        activeChangeHeld_ = false;
        notify(DataEvent::ActiveChanged);
    }
    notify(DataEvent::DataSetChanged);
}

void DataSet::attach(DataSource* source) {
    if (std::find(sources_.begin(), sources_.end(), source) == sources_.end())
        sources_.push_back(source);
}

void DataSet::detach(DataSource* source) {
    std::erase(sources_, source);
}

void DataSet::notify(DataEvent event, Field* field) {
    if (disableCount_ > 0) {
        if (event == DataEvent::ActiveChanged)
            activeChangeHeld_ = true;
        return;
    }
    // A source's controls may remove another source while they hear of this.
    const std::vector<DataSource*> sources = sources_;
    for (DataSource* source : sources) {
        if (std::find(sources_.begin(), sources_.end(), source) != sources_.end())
            source->dataEvent(event, field);
    }
}

void DataSet::runHook(const Hook& hook) {
    if (hook)
        hook(*this);
}

} // namespace db
