#include "controls/KVDbCtrl.h"

#include "controls/HelperRoutines.h"
#include "controls/KvDbCtrX.h"
#include "db/Field.h"
#include "db/Query.h"
#include "db/Session.h"
#include "db/Table.h"
#include "platform/Application.h"
#include "platform/Errors.h"
#include "platform/MessageBox.h"
#include "platform/Variant.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QtGlobal>
#include <algorithm>
#include <chrono>

namespace controls {

namespace {

// The rows a list needs when it opens or moves to a key: more than any list shows at
// once. The server then computes only these (see DataSet::setFirstRows).
constexpr int ListFirstRows = 64;

bool isKeySet(const QVariant& value) {
    return value.metaType().id() == QMetaType::QVariantList;
}

// A text as a quoted literal of the filter syntax.
QString quoted(const QString& text) {
    QString inner = text;
    inner.replace(u'\'', QStringLiteral("''"));
    return u'\'' + inner + u'\'';
}

qint64 steadyMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Sets a flag for the life of the scope (also when it ends by an error).
[[nodiscard]] auto flagOn(bool& flag) {
    flag = true;
    return qScopeGuard([&flag] { flag = false; });
}

int scrollBarWidth(const QWidget* widget) {
    return widget->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, widget);
}

void drawFocusRect(QPainter& painter, const QWidget* widget, const QRect& rect) {
    QStyleOptionFocusRect option;
    option.initFrom(widget);
    option.rect = rect;
    option.backgroundColor = painter.brush().color();
    widget->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, widget);
}

void drawSunkenFrame(QPainter& painter, const QWidget* widget) {
    QStyleOptionFrame option;
    option.initFrom(widget);
    option.lineWidth = 2;
    option.state |= QStyle::State_Sunken;
    option.frameShape = QFrame::StyledPanel;
    widget->style()->drawPrimitive(QStyle::PE_Frame, &option, &painter, widget);
}

void installAccessibility();

} // namespace

// ---- Key values ----------------------------------------------------------------------

bool KeysEqual(const QVariant& a, const QVariant& b) {
    if (isKeySet(a) || isKeySet(b))
        return false;
    if (!a.isValid() || !b.isValid())
        return a.isValid() == b.isValid();
    return a == b;
}

bool KeyInSet(const QVariant& set, const QVariant& key) {
    if (!set.isValid())
        return false;
    if (!isKeySet(set))
        return KeysEqual(set, key);
    const QVariantList items = set.toList();
    return std::any_of(items.begin(), items.end(),
                       [&](const QVariant& item) { return KeyInSet(item, key); });
}

QVariant AddKey(const QVariant& set, const QVariant& key) {
    if (!set.isValid())
        return QVariantList{key};
    if (!isKeySet(set))
        return QVariantList{set, key};
    QVariantList items = set.toList();
    items.append(key);
    return items;
}

QVariant RemoveKey(const QVariant& set, const QVariant& key) {
    if (!isKeySet(set))
        return {};
    QVariantList items = set.toList();
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (KeysEqual(items.at(i), key)) {
            items.removeAt(i);
            break;
        }
    }
    return items.isEmpty() ? QVariant() : QVariant(items);
}

bool IsSqlBased(db::DataSet& dataSet) {
    // Every engine this program reaches is an SQL engine; only the desktop driver is not.
    const auto sqlDriver = [](const QString& driver) {
        return driver.compare(QLatin1String("STANDARD"), Qt::CaseInsensitive) != 0;
    };
    if (auto* table = qobject_cast<db::Table*>(&dataSet))
        return !table->databaseName().isEmpty() && sqlDriver(table->driverName());
    if (auto* query = qobject_cast<db::Query*>(&dataSet))
        return !query->databaseName().isEmpty() && sqlDriver(query->database().driverName());
    return false;
}

// ---- Links ---------------------------------------------------------------------------

void TKVDataSourceLink::activeChanged() {
    if (control_)
        control_->UpdateDataFields();
}

void TKVDataSourceLink::recordChanged(db::Field* field) {
    if (control_)
        control_->DataRecordChanged(field);
}

void TKVListSourceLink::activeChanged() {
    if (dataSet())
        dataSet()->setFirstRows(ListFirstRows);
    if (control_)
        control_->ListSourceActiveChanged();
}

void TKVListSourceLink::dataSetChanged() {
    if (control_)
        control_->ListDataChanged();
}

void TKVListSourceLink::rowsFetched() {
    if (control_)
        control_->ListDataChanged();
}

// ---- The common part -----------------------------------------------------------------

qint64 TKVDBLookupControl::LastSearchTick = 0;
std::function<qint64()> TKVDBLookupControl::TickCount = steadyMilliseconds;
const QChar TKVDBLookupControl::UpperBoundChar = QChar(0xFF);

TKVDBLookupControl::TKVDBLookupControl(QWidget* parent)
    : QWidget(parent), LookupSource(std::make_unique<db::DataSource>()),
      DataLink(std::make_unique<TKVDataSourceLink>(this)),
      ListLink(std::make_unique<TKVListSourceLink>(this)) {
    installAccessibility();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(false);
}

TKVDBLookupControl::~TKVDBLookupControl() {
    DataLink->clearControl();
    ListLink->clearControl();
    DataLink->setDataSource(nullptr);
    ListLink->setDataSource(nullptr);
}

void TKVDBLookupControl::setDataSource(db::DataSource* source) {
    DataLink->setDataSource(source);
}

db::DataSource* TKVDBLookupControl::ListSource() const {
    return lookupMode_ ? nullptr : ListLink->dataSource();
}

void TKVDBLookupControl::setListSource(db::DataSource* source) {
    CheckNotLookup();
    ListLink->setDataSource(source);
    if (source && source->dataSet())
        source->dataSet()->setFirstRows(ListFirstRows);
}

void TKVDBLookupControl::setDataField(const QString& name) {
    if (name == dataField_)
        return;
    dataField_ = name;
    UpdateDataFields();
}

QString TKVDBLookupControl::KeyField() const {
    return lookupMode_ ? QString() : keyField_;
}

void TKVDBLookupControl::setKeyField(const QString& names) {
    CheckNotLookup();
    if (names == keyField_)
        return;
    keyField_ = names;
    ListSourceActiveChanged();
}

void TKVDBLookupControl::setListField(const QString& names) {
    if (names == listField_)
        return;
    listField_ = names;
    ListSourceActiveChanged();
}

void TKVDBLookupControl::setListFieldIndex(int index) {
    if (index == listFieldIndex_)
        return;
    listFieldIndex_ = index;
    if (listActive_)
        ListSourceActiveChanged();
}

// ---- Data side -----------------------------------------------------------------------

void TKVDBLookupControl::UpdateDataFields() {
    boundField_ = nullptr;
    targetField_ = nullptr;
    if (DataLink->active() && !dataField_.isEmpty()) {
        CheckNotCircular();
        boundField_ = &DataLink->dataSet()->fieldByName(dataField_);
        targetField_ = boundField_;
    }
    setLookupMode(boundField_ && boundField_->isLookup());
    DataRecordChanged(nullptr);
}

void TKVDBLookupControl::setLookupMode(bool on) {
    if (on) {
        // Also when it stays on: the bound field may be another lookup field now.
        targetField_ = &boundField_->dataSet().fieldByName(boundField_->keyFields);
        if (lookupMode_ && LookupSource->dataSet() == boundField_->lookupDataSet)
            return;
        LookupSource->setDataSet(boundField_->lookupDataSet);
        if (boundField_->lookupDataSet)
            boundField_->lookupDataSet->setFirstRows(ListFirstRows);
        keyField_ = boundField_->lookupKeyFields;
        lookupMode_ = true;
        ListLink->setDataSource(LookupSource.get());
        return;
    }
    if (lookupMode_) {
        ListLink->setDataSource(nullptr);
        lookupMode_ = false;
        keyField_.clear();
        LookupSource->setDataSet(nullptr);
    }
    targetField_ = boundField_;
}

void TKVDBLookupControl::DataRecordChanged(db::Field* field) {
    if (!field || field == targetField_)
        SetKeyValue(targetField_ ? targetField_->value() : QVariant());
}

// ---- List side -----------------------------------------------------------------------

void TKVDBLookupControl::ListSourceActiveChanged() {
    listActive_ = false;
    keyFieldRef_ = nullptr;
    displayFieldRef_ = nullptr;
    listFieldRefs_.clear();
    if (!ListLink->active() || keyField_.isEmpty())
        return;
    CheckNotCircular();
    db::DataSet& list = *ListDataSet();
    keyFieldRef_ = &list.fieldByName(keyField_);
    resolveListFields();
    if (lookupMode_) {
        db::Field* result = &list.fieldByName(boundField_->lookupResultField);
        if (std::find(listFieldRefs_.begin(), listFieldRefs_.end(), result) == listFieldRefs_.end())
            listFieldRefs_.insert(listFieldRefs_.begin(), result);
        displayFieldRef_ = result;
    } else {
        if (listFieldRefs_.empty())
            listFieldRefs_.push_back(keyFieldRef_);
        const int count = static_cast<int>(listFieldRefs_.size());
        displayFieldRef_ = listFieldRefs_[listFieldIndex_ >= 0 && listFieldIndex_ < count
                                              ? static_cast<std::size_t>(listFieldIndex_)
                                              : 0];
    }
    listActive_ = true;
}

void TKVDBLookupControl::resolveListFields() {
    db::DataSet& list = *ListDataSet();
    for (const QString& name : db::splitFieldList(listField_)) {
        db::Field* field = list.findField(name);
        if (!field) {
            listFieldRefs_.clear();
            keyFieldRef_ = nullptr;
            throw platform::DatabaseError(QStringLiteral("Field '%1' not found").arg(listField_));
        }
        listFieldRefs_.push_back(field);
    }
}

// ---- Checks --------------------------------------------------------------------------

bool TKVDBLookupControl::CanModify() const {
    if (!listActive_ || ReadOnly())
        return false;
    if (!DataLink->dataSource())
        return true;
    return targetField_ && !targetField_->readOnly() &&
           targetField_->kind() == db::FieldKind::Data && targetField_->dataSet().canModify();
}

void TKVDBLookupControl::CheckNotLookup() const {
    if (lookupMode_)
        throw platform::DatabaseError(QStringLiteral("SPropDefByLookup"));
    if (DataLink->dataSourceFixed())
        throw platform::DatabaseError(QStringLiteral("SDataSourceFixed"));
}

// The data set behind one link must not be the one behind the other.
void TKVDBLookupControl::CheckNotCircular() const {
    db::DataSet* data = DataLink->dataSet();
    db::DataSet* list = ListLink->dataSet();
    if (data && data == list && (DataLink->active() || ListLink->active()))
        throw platform::DatabaseError(QStringLiteral("Circular datalinks are not allowed"));
}

int TKVDBLookupControl::TextHeight() const {
    return QFontMetrics(font()).height();
}

// ---- Key value -----------------------------------------------------------------------

void TKVDBLookupControl::SetKeyValue(const QVariant& value) {
    if (KeysEqual(keyValue_, value) && KeysEqual(selectedKeys_, value))
        return;
    keyValue_ = value;
    if (!value.isValid())
        selectedKeys_ = QVariant();
    else if (isKeySet(value))
        selectedKeys_ = value;
    else
        selectedKeys_ = QVariantList{value};
    KeyValueChanged();
}

void TKVDBLookupControl::ToggleSelectedKey(const QVariant& value) {
    selectedKeys_ = KeyInSet(selectedKeys_, value) ? RemoveKey(selectedKeys_, value)
                                                   : AddKey(selectedKeys_, value);
    keyValue_ = value;
    KeyValueChanged();
}

void TKVDBLookupControl::SelectKeyValue(const QVariant& value) {
    chooseKey(value, false);
}

void TKVDBLookupControl::ToggleKeyValue(const QVariant& value) {
    chooseKey(value, true);
}

// Into the target field when there is one, else into the key value (or the set).
void TKVDBLookupControl::chooseKey(const QVariant& value, bool toggle) {
    if (!targetField_) {
        if (toggle)
            ToggleSelectedKey(value);
        else
            SetKeyValue(value);
    } else if (DataLink->edit()) {
        targetField_->setValue(value);
    }
    update();
    Q_EMIT OnClick();
}

void TKVDBLookupControl::SelectCurrent() {
    const auto locked = flagOn(LockPosition);
    SelectKeyValue(keyFieldRef_->value());
}

void TKVDBLookupControl::ToggleCurrent() {
    const auto locked = flagOn(LockPosition);
    ToggleKeyValue(keyFieldRef_->value());
}

void TKVDBLookupControl::KeyValueChanged() {
    AnnounceValue();
    Q_EMIT keyChanged();
    if (listActive_ && keyValue_.isValid())
        Q_EMIT OnChange();
}

// ---- Narrowing the list --------------------------------------------------------------

QString TKVDBLookupControl::OrderColumn() const {
    if (displayFieldRef_ && displayFieldRef_->isCalculated())
        return listOrderField_;
    if (listField_.isEmpty() && displayFieldRef_) // lookup mode without shown fields
        return displayFieldRef_->fieldName();
    return listField_;
}

// The form's own filter goes on again through OnFilterListDataSet; without it a filter
// left on the list is dropped, unless the search itself is about to replace it.
void TKVDBLookupControl::runFilterHook(bool searchSetsFilter) {
    if (OnFilterListDataSet) {
        OnFilterListDataSet(this);
        return;
    }
    db::DataSet* list = ListDataSet();
    if (!searchSetsFilter && list && !list->filter().isEmpty())
        list->setFilter({});
}

void TKVDBLookupControl::ApplySearchText(const QString& text) {
    db::DataSet* list = ListDataSet();
    if (!list)
        return;
    positioned_ = false;
    if (auto* table = qobject_cast<db::Table*>(list))
        applyTableSearch(*table, text);
    else if (qobject_cast<db::Query*>(list))
        applyQuerySearch(*list, text);
}

void TKVDBLookupControl::applyTableSearch(db::Table& table, QString text) {
    const bool sqlBased = IsSqlBased(table);
    if (sqlBased)
        text = QLocale().toUpper(text);
    const QString column = OrderColumn();
    const QString wanted = rangeField_.isEmpty() ? column : rangeField_ + u';' + column;
    if (table.indexFieldNames().compare(wanted, Qt::CaseInsensitive) != 0) {
        PrepareForReindex(table);
        table.setIndexFieldNames(wanted);
    }
    if (sqlBased)
        runFilterHook(false);
    if (!rangeField_.isEmpty()) {
        if (!text.isEmpty())
            table.setRange({rangeValue_, text}, {rangeValue_, text + UpperBoundChar});
        else
            table.setRange({rangeValue_}, {rangeValue_});
    } else if (!text.isEmpty()) {
        table.setRange({text}, {text + UpperBoundChar});
    } else {
        table.cancelRange();
    }
    if (!sqlBased)
        runFilterHook(false);
}

void TKVDBLookupControl::applyQuerySearch(db::DataSet& query, QString text) {
    const bool sqlBased = IsSqlBased(query);
    if (sqlBased) {
        text = QLocale().toUpper(text);
        runFilterHook(true);
    }
    const QString column = OrderColumn();
    QStringList conditions = rangeConditions();
    if (!text.isEmpty()) {
        conditions << column + QStringLiteral(">=") + quoted(text);
        conditions << column + QStringLiteral("<=") + quoted(text + UpperBoundChar);
    }
    try {
        setQueryFilter(query, conditions);
    } catch (const platform::DatabaseError&) {
        // A filter the data set cannot take narrows the list to nothing.
        setQueryFilter(query, {column + QStringLiteral(">'0'"), column + QStringLiteral("<'0'")});
    }
    if (!sqlBased)
        runFilterHook(true);
}

QStringList TKVDBLookupControl::rangeConditions() const {
    if (rangeField_.isEmpty())
        return {};
    return {rangeField_ + QStringLiteral("=") + quoted(rangeValue_)};
}

void TKVDBLookupControl::setQueryFilter(db::DataSet& query, const QStringList& conditions) {
    query.setFilter(conditions.join(QStringLiteral(" AND ")));
    query.setFiltered(true);
}

// ---- Locating the key ----------------------------------------------------------------

bool TKVDBLookupControl::currentRowHoldsKey() {
    db::DataSet& list = *ListDataSet();
    if (list.isEmpty() || list.currentRow() < 0)
        return false;
    const QVariant key = keyFieldRef_->value();
    if (!key.isValid() || !KeysEqual(key, keyValue_))
        return false;
    if (rangeField_.isEmpty())
        return true;
    const db::Field& range = list.fieldByName(rangeField_);
    return !range.isNull() && range.asString() == rangeValue_;
}

// The first of the fields the list is ordered by; empty when the list is ordered otherwise.
QString TKVDBLookupControl::leadingOrderField() const {
    const QStringList names = db::splitFieldList(OrderColumn());
    return names.isEmpty() ? QString() : names.first();
}

// The key's row gives the value of the list's order there; the list then starts at the
// first row with that value, and the rows that share it are read past up to the key.
// A row without an order value stays the only row of the list.
bool TKVDBLookupControl::locateInTable(db::Table& table) {
    if (!narrowTableToKey(table))
        return false;
    const QString orderField = leadingOrderField();
    const db::Field* order = orderField.isEmpty() ? nullptr : table.findField(orderField);
    if (!order || order->isNull() || order->kind() != db::FieldKind::Data)
        return true;
    const QVariant orderValue = order->value();
    table.setIndexFieldNames(rangeField_.isEmpty() ? OrderColumn()
                                                   : rangeField_ + u';' + OrderColumn());
    if (rangeField_.isEmpty())
        table.setRange({orderValue}, {});
    else
        table.setRange({rangeValue_, orderValue}, {rangeValue_});
    positioned_ = true;
    return table.locate(keyField_, {keyValue_});
}

bool TKVDBLookupControl::narrowTableToKey(db::Table& table) {
    if (rangeField_.isEmpty()) {
        table.setIndexFieldNames(keyField_);
        table.setRange({keyValue_}, {keyValue_});
        const bool emptyText =
            keyValue_.metaType().id() == QMetaType::QString && keyValue_.toString().isEmpty();
        if (!emptyText)
            table.setFiltered(false);
    } else {
        table.setIndexFieldNames(rangeField_ + u';' + keyField_);
        table.setRange({rangeValue_, keyValue_}, {rangeValue_, keyValue_});
        table.setFiltered(false);
    }
    return !table.isEmpty();
}

// The same on a query whose statement takes the filter and is ordered by the list's
// order field; nullopt when the query cannot be narrowed by the database that way.
std::optional<bool> TKVDBLookupControl::locateInQuery(db::Query& query) {
    const QString orderField = leadingOrderField();
    if (db::splitFieldList(keyField_).size() != 1 || !orderedByField(query, orderField))
        return std::nullopt;
    if (IsSqlBased(query))
        runFilterHook(true);
    setQueryFilter(query, rangeConditions() << keyField_ + QStringLiteral("=") +
                                                   quoted(platform::variantToText(keyValue_)));
    if (!query.filterInStatement())
        return std::nullopt;
    if (query.isEmpty())
        return false;
    const db::Field& order = query.fieldByName(orderField);
    QStringList conditions = rangeConditions();
    if (order.isNull())
        conditions << orderField + QStringLiteral(" IS NULL");
    else
        conditions << orderField + QStringLiteral(">=") + quoted(order.asString());
    setQueryFilter(query, conditions);
    positioned_ = true;
    return query.locate(keyField_, {keyValue_});
}

bool TKVDBLookupControl::revealRowsAbove(int windowRows) {
    db::DataSet* list = ListDataSet();
    if (!positioned_ || !list || !keyFieldRef_)
        return false;
    const QVariant key = keyFieldRef_->value();
    auto* query = qobject_cast<db::Query*>(list);
    if (query && revealQueryRowsAbove(*query, windowRows)) {
        query->locate(keyField_, {key});
        return true;
    }
    ApplySearchText({});
    list->locate(keyField_, {key});
    return true;
}

// A window of rows above the list's first row, read in the opposite order; the list
// then starts at the first of them. False when the query cannot be read that way.
bool TKVDBLookupControl::revealQueryRowsAbove(db::Query& query, int windowRows) {
    const QString orderField = leadingOrderField();
    if (!query.filterInStatement() || !orderedByField(query, orderField) ||
        query.fetchedRowCount() == 0)
        return false;
    const QVariant top = query.valueAt(0, query.fieldByName(orderField).index());
    if (!top.isValid() || !query.setReversed(true))
        return false;
    QVariant first;
    {
        const auto forwardAgain = qScopeGuard([&query] { query.setReversed(false); });
        setQueryFilter(query, rangeConditions() << orderField + QStringLiteral("<") +
                                                       quoted(platform::variantToText(top)));
        if (query.isEmpty()) {
            positioned_ = false; // nothing above: the list is whole from its first row
            first = top;
        } else {
            query.moveBy(std::max(0, windowRows - 1));
            first = query.fieldByName(orderField).value();
        }
    }
    setQueryFilter(query, rangeConditions() << orderField + QStringLiteral(">=") +
                                                   quoted(platform::variantToText(first)));
    return true;
}

// On a query the database can narrow, the last rows are read in the opposite order;
// the list then starts at the first row of the last window of rows, and only those
// are read on to the end.
void TKVDBLookupControl::goToLastRow(int windowRows) {
    if (positioned_)
        ApplySearchText(searchText_);
    db::DataSet& list = *ListDataSet();
    auto* query = qobject_cast<db::Query*>(&list);
    const QString orderField = leadingOrderField();
    if (!query || !orderedByField(*query, orderField) || !query->setReversed(true)) {
        list.last();
        return;
    }
    QVariant orderValue;
    {
        const auto forwardAgain = qScopeGuard([query] { query->setReversed(false); });
        if (query->isEmpty())
            return;
        query->moveBy(std::max(0, windowRows - 1));
        orderValue = query->fieldByName(orderField).value();
    }
    const QString narrowing = query->filtered() ? query->filter() : QString();
    QStringList conditions;
    if (!narrowing.trimmed().isEmpty())
        conditions << u'(' + narrowing + u')';
    if (orderValue.isValid())
        conditions << orderField + QStringLiteral(">=") +
                          quoted(platform::variantToText(orderValue));
    else
        conditions << orderField + QStringLiteral(" IS NULL");
    setQueryFilter(*query, conditions);
    positioned_ = true;
    query->last();
}

bool TKVDBLookupControl::orderedByField(db::Query& query, const QString& orderField) {
    const QStringList orderTerms = query.orderByTerms();
    if (orderField.isEmpty() || orderTerms.isEmpty())
        return false;
    const QString firstTerm = orderTerms.first().simplified().toUpper();
    return firstTerm == orderField.toUpper() ||
           firstTerm == orderField.toUpper() + QStringLiteral(" ASC");
}

void TKVDBLookupControl::goToFirstRow() {
    if (positioned_)
        ApplySearchText({});
    ListDataSet()->first();
}

bool TKVDBLookupControl::LocateKey() {
    try {
        db::DataSet* list = ListDataSet();
        if (!keyValue_.isValid() || !list || !list->active() || !keyFieldRef_)
            return false;
        if (currentRowHoldsKey())
            return true;
        std::optional<bool> found;
        if (auto* table = qobject_cast<db::Table*>(list))
            found = locateInTable(*table);
        else if (auto* query = qobject_cast<db::Query*>(list))
            found = locateInQuery(*query);
        if (found) {
            if (!*found)
                ApplySearchText({}); // the whole list again, not the key's empty range
            return *found;
        }
        ApplySearchText({});
        if (rangeField_.isEmpty())
            return list->locate(keyField_, {keyValue_});
        return list->locate(rangeField_ + u';' + keyField_, {rangeValue_, keyValue_});
    } catch (...) {
        return false; // a key that cannot be found counts as not there
    }
}

// ---- Incremental search --------------------------------------------------------------

void TKVDBLookupControl::ProcessSearchKey(QChar ch) {
    if (!displayFieldRef_ || displayFieldRef_->dataType() != db::FieldType::String)
        return;
    const ushort code = ch.unicode();
    if (code == 8 || code == 27) {
        searchText_.clear();
        ApplySearchText({});
        return;
    }
    if (code < 32 || code == 127 || !CanModify())
        return;
    const qint64 now = TickCount();
    if (now - LastSearchTick > SearchPause)
        searchText_.clear();
    LastSearchTick = now;
    if (searchText_.isEmpty() && OpensSearchEditor()) {
        RunSearchEditor(ch);
        return;
    }
    if (searchText_.size() >= MaxSearchLength)
        return;
    ApplySearchText(searchText_ + ch);
    if (ListDataSet()->isEmpty()) {
        platform::beep();
        return;
    }
    searchText_ += ch;
    SelectCurrent();
}

// ---- Focus and rows ------------------------------------------------------------------

void TKVDBLookupControl::focusInEvent(QFocusEvent* event) {
    hasFocus_ = true;
    QWidget::focusInEvent(event);
    update();
}

void TKVDBLookupControl::focusOutEvent(QFocusEvent* event) {
    hasFocus_ = false;
    searchText_.clear();
    QWidget::focusOutEvent(event);
    update();
}

QVariant TKVDBLookupControl::RowKey(int row) const {
    db::DataSet* list = ListDataSet();
    if (!list || !keyFieldRef_)
        return {};
    return list->valueAt(ListLink->firstRecord() + row, keyFieldRef_->index());
}

QString TKVDBLookupControl::RowText(int row, const db::Field& field) const {
    db::DataSet* list = ListDataSet();
    if (!list)
        return {};
    return field.displayTextOf(list->valueAt(ListLink->firstRecord() + row, field.index()));
}

// ---- List box ------------------------------------------------------------------------

TKVDBLookupListBox::TKVDBLookupListBox(QWidget* parent) : TKVDBLookupListBox(parent, false) {}

TKVDBLookupListBox::TKVDBLookupListBox(QWidget* parent, bool popup)
    : TKVDBLookupControl(parent), popup_(popup), scrollBar_(new QScrollBar(Qt::Vertical, this)) {
    scrollBar_->setFocusPolicy(Qt::NoFocus);
    scrollBar_->setRange(0, 0);
    scrollBar_->installEventFilter(this);
    connect(scrollBar_, &QScrollBar::actionTriggered, this,
            platform::guarded([this](int action) { scrollAction(action); }));
    connect(scrollBar_, &QScrollBar::sliderReleased, this,
            platform::guarded([this] { scrollAction(QAbstractSlider::SliderMove); }));
    resize(121, height());
    setRowCount(7);
}

int TKVDBLookupListBox::BorderSize() const {
    if (popup_)
        return 2; // the drop-down window's plain border
    return borderStyle_ == TBorderStyle::bsSingle ? 4 : 0;
}

QRect TKVDBLookupListBox::ClientRect() const {
    const int edge = BorderSize() / 2;
    return rect().adjusted(edge, edge, -edge - scrollBar_->width(), -edge);
}

int TKVDBLookupListBox::RowAt(int y) const {
    const int clientY = std::clamp(y - ClientRect().top(), 0, ClientRect().height() - 1);
    return clientY / std::max(1, TextHeight());
}

void TKVDBLookupListBox::setRowCount(int rows) {
    rowCount_ = std::clamp(rows, 1, 100);
    applyHeight();
}

void TKVDBLookupListBox::SetBounds(int x, int y, int width, int height) {
    rowCount_ = std::clamp((height - BorderSize()) / std::max(1, TextHeight()), 1, 100);
    applyHeight();
    move(x, y);
    resize(width, this->height());
}

void TKVDBLookupListBox::setBorderStyle(TBorderStyle style) {
    if (style == borderStyle_)
        return;
    borderStyle_ = style;
    applyHeight();
}

// The height follows the rows; the link's window holds as many rows as are shown.
void TKVDBLookupListBox::applyHeight() {
    setFixedHeight(rowCount_ * TextHeight() + BorderSize());
    const int edge = BorderSize() / 2;
    const int barWidth = scrollBarWidth(this);
    scrollBar_->setGeometry(width() - edge - barWidth, edge, barWidth, height() - 2 * edge);
    if (ListLink->bufferCount() != rowCount_) {
        ListLink->setBufferCount(rowCount_);
        ListDataChanged();
    }
}

QSize TKVDBLookupListBox::sizeHint() const {
    return {121, rowCount_ * TextHeight() + BorderSize()};
}

void TKVDBLookupListBox::resizeEvent(QResizeEvent* event) {
    TKVDBLookupControl::resizeEvent(event);
    applyHeight();
}

void TKVDBLookupListBox::changeEvent(QEvent* event) {
    TKVDBLookupControl::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        applyHeight();
}

void TKVDBLookupListBox::ListDataChanged() {
    db::DataSet* list = ListDataSet();
    if (ListActive() && list) {
        recordIndex_ = ListLink->activeRecord();
        recordCount_ = ListLink->recordCount();
        keySelected_ = KeyValue().isValid() || !list->bof();
    } else {
        recordIndex_ = 0;
        recordCount_ = 0;
        keySelected_ = false;
    }
    updateScrollBar();
    update();
}

void TKVDBLookupListBox::KeyValueChanged() {
    if (ListActive() && !LockPosition && !LocateKey())
        ListDataSet()->first();
    selectedItem_ = DisplayFieldRef() ? DisplayFieldRef()->displayText() : QString();
    TKVDBLookupControl::KeyValueChanged();
    AnnounceSelection();
}

void TKVDBLookupListBox::ListSourceActiveChanged() {
    try {
        TKVDBLookupControl::ListSourceActiveChanged();
    } catch (...) {
        ListDataChanged();
        throw;
    }
    if (ListActive())
        KeyValueChanged();
    ListDataChanged(); // the rows may be the same, but the control has not counted them yet
}

QVariant TKVDBLookupListBox::ActiveRowValue(const QString& fieldName) const {
    db::DataSet* list = ListDataSet();
    if (!list || !list->active())
        return {};
    const db::Field& field = list->fieldByName(fieldName);
    if (activeRow_ < 0)
        return field.value();
    return list->valueAt(ListLink->firstRecord() + activeRow_, field.index());
}

// ---- List box painting ---------------------------------------------------------------

void TKVDBLookupListBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    if (popup_) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    } else if (borderStyle_ == TBorderStyle::bsSingle) {
        drawSunkenFrame(painter, this);
    }
    const QRect client = ClientRect();
    painter.setClipRect(client);
    painter.translate(client.topLeft());
    painter.setFont(font());
    for (int row = 0; row < rowCount_; ++row)
        paintRow(painter, row);
}

void TKVDBLookupListBox::paintRow(QPainter& painter, int row) {
    const QRect client = ClientRect();
    const QFontMetrics metrics(font());
    const int h = metrics.height();
    const int w0 = metrics.horizontalAdvance(u'0');
    const QRect rowRect(0, row * h, client.width(), h);
    QColor textColor = palette().color(QPalette::Text);
    QBrush brush = palette().base();
    QFont rowFont = font();
    bool focused = !keySelected_ && row == 0;
    if (row >= recordCount_) {
        painter.fillRect(rowRect, brush);
        if (focused && (HasFocus() || popup_))
            drawFocusRect(painter, this, rowRect);
        return;
    }
    activeRow_ = row;
    const auto restore = qScopeGuard([this] { activeRow_ = -1; });
    if (!IsRowEnabled()) {
        rowFont.setStrikeOut(true);
        textColor = palette().color(QPalette::Disabled, QPalette::Text);
    }
    const QVariant key = RowKey(row);
    if (KeyInSet(SelectedKeys(), key)) {
        textColor = palette().color(QPalette::HighlightedText);
        brush = palette().highlight();
    }
    if (KeyValue().isValid() && KeysEqual(KeyValue(), key))
        focused = true;
    painter.fillRect(rowRect, brush);
    painter.setFont(rowFont);
    const QColor separator = palette().color(QPalette::Base) == palette().color(QPalette::Button)
                                 ? palette().color(QPalette::Dark)
                                 : palette().color(QPalette::Button);
    const QFontMetrics rowMetrics(rowFont);
    int x = 0;
    const auto& fields = ListFieldRefs();
    for (std::size_t i = 0; i < fields.size() && x < client.width(); ++i) {
        const bool last = i + 1 == fields.size();
        const int cellWidth = last ? client.width() - x : fields[i]->displayWidth() * w0 + 4;
        const QRect cell(x, rowRect.top(), cellWidth, h);
        const QString text = RowText(row, *fields[i]);
        const int textWidth = rowMetrics.horizontalAdvance(text);
        int textX = x + 2;
        const Qt::Alignment alignment = fields[i]->alignment();
        if (alignment & Qt::AlignRight)
            textX = x + cellWidth - textWidth - 3;
        else if (alignment & Qt::AlignHCenter)
            textX = x + (cellWidth - textWidth) / 2;
        painter.save();
        painter.setClipRect(cell, Qt::IntersectClip);
        painter.setPen(textColor);
        painter.drawText(textX, rowRect.top() + rowMetrics.ascent(), text);
        painter.restore();
        if (!last) {
            painter.setPen(separator);
            painter.drawLine(x + cellWidth, rowRect.top(), x + cellWidth, rowRect.bottom());
            x += cellWidth + 1;
        }
    }
    if (focused && (HasFocus() || popup_))
        drawFocusRect(painter, this, rowRect);
    painter.setFont(font());
}

// ---- List box keys -------------------------------------------------------------------

void TKVDBLookupListBox::keyPressEvent(QKeyEvent* event) {
    if (!CanModify()) {
        event->ignore();
        return;
    }
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Space:
        if (ctrl)
            ToggleCurrent();
        else
            ProcessSearchKey(u' ');
        return;
    case Qt::Key_Up:
    case Qt::Key_Left:
        return moveAndSelect(-1, ctrl);
    case Qt::Key_Down:
    case Qt::Key_Right:
        return moveAndSelect(1, ctrl);
    case Qt::Key_PageUp:
        return moveAndSelect(1 - rowCount_, ctrl);
    case Qt::Key_PageDown:
        return moveAndSelect(rowCount_ - 1, ctrl);
    case Qt::Key_Home:
        return moveAndSelect(HomeStep, ctrl);
    case Qt::Key_End:
        return moveAndSelect(EndStep, ctrl);
    default:
        break;
    }
    if (event->text().isEmpty()) {
        event->ignore();
        return;
    }
    for (const QChar ch : event->text())
        ProcessSearchKey(ch);
}

int TKVDBLookupListBox::visibleRowOf(const QVariant& key) const {
    for (int row = 0; row < recordCount_; ++row) {
        if (KeysEqual(RowKey(row), key))
            return row;
    }
    return -1;
}

// Home goes to the first row, End to the last; other steps count from the key's row.
void TKVDBLookupListBox::moveAndSelect(int step, bool toggle) {
    clearSearchText();
    db::DataSet& list = *ListDataSet();
    if (step == HomeStep) {
        goToFirstRow();
    } else if (step == EndStep) {
        goToLastRow(rowCount_);
    } else {
        const int row = visibleRowOf(KeyValue());
        if (row >= 0) {
            list.moveBy(row - recordIndex_);
        } else {
            const auto locked = flagOn(LockPosition);
            KeyValueChanged();
            step = 0;
        }
        if (step < 0 && list.currentRow() + step < 0)
            revealRowsAbove(rowCount_ - step);
        list.moveBy(step);
    }
    if (toggle)
        ToggleCurrent();
    else
        SelectCurrent();
}

// ---- List box mouse ------------------------------------------------------------------

void TKVDBLookupListBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        TKVDBLookupControl::mousePressEvent(event);
        return;
    }
    event->accept();
    leftButtonDown(event->position().toPoint(), event->modifiers());
}

void TKVDBLookupListBox::leftButtonDown(const QPoint& point, Qt::KeyboardModifiers modifiers) {
    clearSearchText();
    if (!popup_) {
        setFocus(Qt::MouseFocusReason);
        if (window()->focusWidget() != this)
            return;
    }
    if (!CanModify())
        return;
    tracking_ = true;
    SelectItemAt(point.y(), modifiers);
}

void TKVDBLookupListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && CanModify() &&
        RowAt(event->position().toPoint().y()) == recordIndex_) {
        Q_EMIT OnDblClick();
        return;
    }
    mousePressEvent(event);
}

void TKVDBLookupListBox::SelectItemAt(int y, Qt::KeyboardModifiers modifiers) {
    ListDataSet()->moveBy(RowAt(y) - recordIndex_);
    if (modifiers & Qt::ControlModifier)
        ToggleCurrent();
    else
        SelectCurrent();
}

void TKVDBLookupListBox::mouseMoveEvent(QMouseEvent* event) {
    if (tracking_) {
        const int y = event->position().toPoint().y();
        const bool select = !(event->modifiers() & Qt::ControlModifier);
        trackingStep([this, y, select] {
            if (select)
                SelectItemAt(y, {});
            mousePos_ = y;
            autoScrollStep();
        });
    }
    TKVDBLookupControl::mouseMoveEvent(event);
}

// A step that fails (the list cannot read on) ends the tracking and its scrolling, so
// that the error is shown once rather than at every tick of the timer.
void TKVDBLookupListBox::trackingStep(const std::function<void()>& step) {
    platform::runGuarded([this, &step] {
        try {
            step();
        } catch (...) {
            StopTracking();
            throw;
        }
    });
}

void TKVDBLookupListBox::mouseReleaseEvent(QMouseEvent* event) {
    if (tracking_) {
        StopTracking();
        if (!(event->modifiers() & Qt::ControlModifier) && ListActive())
            SelectItemAt(event->position().toPoint().y(), {});
    }
    TKVDBLookupControl::mouseReleaseEvent(event);
}

void TKVDBLookupListBox::StopTracking() {
    if (!tracking_ && !timerActive_)
        return;
    tracking_ = false;
    timer_.stop();
    timerActive_ = false;
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
}

// Above or below the rows, the list scrolls on by itself, faster the farther away the
// mouse is.
void TKVDBLookupListBox::autoScrollStep() {
    const QRect client = ClientRect();
    const int y = mousePos_ - client.top();
    int step = 0;
    int distance = 0;
    if (y < 0) {
        step = -1;
        distance = -y;
    } else if (y >= client.height()) {
        step = 1;
        distance = y - client.height() + 1;
    }
    if (step == 0) {
        timer_.stop();
        timerActive_ = false;
        return;
    }
    if (ListDataSet()->moveBy(step) != 0)
        SelectCurrent();
    timer_.start(std::max(0, 200 - 15 * distance), this);
    timerActive_ = true;
}

void TKVDBLookupListBox::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer_.timerId())
        trackingStep([this] { autoScrollStep(); });
    else
        TKVDBLookupControl::timerEvent(event);
}

// ---- List box scroll bar -------------------------------------------------------------

// Five positions: the beginning, somewhere between, the end.
void TKVDBLookupListBox::updateScrollBar() {
    db::DataSet* list = ListDataSet();
    int maximum = 0;
    int position = 0;
    if (ListActive() && list && recordCount_ == rowCount_) {
        maximum = 4;
        position = list->bof() ? 0 : list->eof() ? 4 : 2;
        if (position == 2 && recordIndex_ == 0 && ListLink->firstRecord() == 0)
            position = 0;
        if (position == 2 && list->allRowsFetched() &&
            ListLink->firstRecord() + recordCount_ == list->fetchedRowCount() &&
            recordIndex_ == recordCount_ - 1)
            position = 4;
    }
    // Placing the thumb is no request to move the list.
    const auto placing = flagOn(placingThumb_);
    if (scrollBar_->maximum() != maximum)
        scrollBar_->setRange(0, maximum);
    if (scrollBar_->sliderPosition() != position)
        scrollBar_->setSliderPosition(position);
    if (scrollBar_->value() != position)
        scrollBar_->setValue(position);
    scrollBar_->setEnabled(maximum > 0);
}

void TKVDBLookupListBox::scrollAction(int action) {
    if (!ListActive() || placingThumb_)
        return;
    clearSearchText();
    db::DataSet& list = *ListDataSet();
    const bool upward = action == QAbstractSlider::SliderSingleStepSub ||
                        action == QAbstractSlider::SliderPageStepSub ||
                        (action == QAbstractSlider::SliderMove && !scrollBar_->isSliderDown() &&
                         scrollBar_->sliderPosition() == 1);
    if (upward && ListLink->firstRecord() == 0)
        revealRowsAbove(2 * rowCount_);
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        list.moveBy(-recordIndex_ - 1);
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        list.moveBy(recordCount_ - recordIndex_);
        break;
    case QAbstractSlider::SliderPageStepSub:
        list.moveBy(-recordIndex_ - recordCount_ + 1);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        list.moveBy(recordCount_ - recordIndex_ + recordCount_ - 2);
        break;
    case QAbstractSlider::SliderToMinimum:
        goToFirstRow();
        break;
    case QAbstractSlider::SliderToMaximum:
        goToLastRow(rowCount_);
        break;
    case QAbstractSlider::SliderMove:
        if (scrollBar_->isSliderDown())
            return; // the thumb counts where it is let go
        switch (scrollBar_->sliderPosition()) {
        case 0:
            goToFirstRow();
            break;
        case 1:
            list.moveBy(-recordIndex_ - recordCount_ + 1);
            break;
        case 3:
            list.moveBy(recordCount_ - recordIndex_ + recordCount_ - 2);
            break;
        case 4:
            goToLastRow(rowCount_);
            break;
        default:
            break;
        }
        break;
    default:
        return;
    }
    updateScrollBar();
}

// The wheel scrolls the rows, over the list and over its scroll bar alike, by the
// system's lines per notch; the current row stays.
void TKVDBLookupListBox::wheelEvent(QWheelEvent* event) {
    event->accept();
    if (!ListActive())
        return;
    wheelAngle_ += event->angleDelta().y();
    const int notches = wheelAngle_ / QWheelEvent::DefaultDeltasPerStep;
    wheelAngle_ -= notches * QWheelEvent::DefaultDeltasPerStep;
    const int rows = notches * QApplication::wheelScrollLines();
    for (int i = 0; i < std::abs(rows); ++i)
        scrollAction(rows > 0 ? QAbstractSlider::SliderSingleStepSub
                              : QAbstractSlider::SliderSingleStepAdd);
}

bool TKVDBLookupListBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scrollBar_ && event->type() == QEvent::Wheel) {
        platform::runGuarded([this, event] { wheelEvent(static_cast<QWheelEvent*>(event)); });
        return true;
    }
    return TKVDBLookupControl::eventFilter(watched, event);
}

// ---- Drop-down list ------------------------------------------------------------------

TKVPopupDataList::TKVPopupDataList(QWidget* parent) : TKVDBLookupListBox(parent, true) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus | Qt::BypassWindowManagerHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setObjectName(QStringLiteral("DataList"));
}

bool TKVPopupDataList::IsRowEnabled() {
    bool enabled = true;
    if (OnListRowEnabled)
        OnListRowEnabled(this, enabled);
    return enabled;
}

void TKVPopupDataList::mouseReleaseEvent(QMouseEvent* event) {
    TKVDBLookupListBox::mouseReleaseEvent(event);
    Q_EMIT OnMouseUp(event->button(), event->modifiers(), event->position().toPoint());
}

// ---- Combo box -----------------------------------------------------------------------

TKVDBLookupComboBox::TKVDBLookupComboBox(QWidget* parent)
    : TKVDBLookupControl(parent), dataList_(new TKVPopupDataList(this)),
      buttonWidth_(scrollBarWidth(this)) {
    dataList_->hide();
    connect(
        dataList_, &TKVPopupDataList::OnMouseUp, this,
        platform::guarded([this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                                 const QPoint& point) { ListMouseUp(button, modifiers, point); }));
    resize(145, height());
    applyHeight();
}

TKVDBLookupComboBox::~TKVDBLookupComboBox() {
    qApp->removeEventFilter(this);
}

int TKVDBLookupComboBox::BorderSize() const {
    return 4; // the sunken edge
}

void TKVDBLookupComboBox::applyHeight() {
    setFixedHeight(TextHeight() + BorderSize() + 4);
}

QSize TKVDBLookupComboBox::sizeHint() const {
    return {145, TextHeight() + BorderSize() + 4};
}

void TKVDBLookupComboBox::changeEvent(QEvent* event) {
    TKVDBLookupControl::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        applyHeight();
}

void TKVDBLookupComboBox::setOnListRowEnabled(TListRowEnabledEvent handler) {
    onListRowEnabled_ = handler;
    dataList_->OnListRowEnabled = std::move(handler);
}

void TKVDBLookupComboBox::setText(const QString& text, Qt::Alignment alignment) {
    text_ = text;
    alignment_ = alignment;
}

void TKVDBLookupComboBox::KeyValueChanged() {
    const QVariant& keys = SelectedKeys();
    if (isKeySet(keys) && keys.toList().size() > 1) {
        setText(QStringLiteral("..."), Qt::AlignLeft);
    } else if (!KeyValue().isValid()) {
        text_.clear();
    } else if (ListActive() && (LockPosition || LocateKey())) {
        setText(DisplayFieldRef()->displayText(), DisplayFieldRef()->alignment());
    } else {
        const QString key = platform::variantToText(KeyValue());
        setText(key == u"0" || key.isEmpty() ? QString() : u'?' + key, Qt::AlignLeft);
    }
    update();
    TKVDBLookupControl::KeyValueChanged();
}

void TKVDBLookupComboBox::ListSourceActiveChanged() {
    TKVDBLookupControl::ListSourceActiveChanged();
    if (ListActive())
        KeyValueChanged();
}

void TKVDBLookupComboBox::ClearValue() {
    SelectKeyValue(QVariant());
}

// ---- Combo box drop-down -------------------------------------------------------------

void TKVDBLookupComboBox::DropDown() {
    if (OnDropDown) {
        OnDropDown(this);
        return;
    }
    if (listVisible_ || !ListActive())
        return;
    clearSearchText();
    ApplySearchText({});
    prepareDataList();
    const QSize size(dataList_->width(), dataList_->height());
    dataList_->move(DropDownPosition(size));
    dataList_->show();
    listVisible_ = true;
    qApp->installEventFilter(this);
    update();
}

void TKVDBLookupComboBox::prepareDataList() {
    TKVPopupDataList& list = *dataList_;
    QPalette palette = list.palette();
    palette.setColor(QPalette::Base, this->palette().color(QPalette::Base));
    list.setPalette(palette);
    list.setFont(font());
    list.resize(dropDownWidth_ > 0 ? dropDownWidth_ : width(), list.height());
    list.setReadOnly(!CanModify());
    list.setRowCount(dropDownRows_);
    list.setKeyField(LookupMode() ? BoundField()->lookupKeyFields : keyField_);
    list.OnFilterListDataSet = OnFilterListDataSet;
    {
        const auto locked = flagOn(list.LockPosition);
        list.setRangeField(RangeField());
        list.setRangeValue(RangeValue());
        list.setListOrderField(ListOrderField());
        list.setListField(ListField().isEmpty() && DisplayFieldRef()
                              ? DisplayFieldRef()->fieldName()
                              : ListField());
        const auto& fields = ListFieldRefs();
        const auto found = std::find(fields.begin(), fields.end(), DisplayFieldRef());
        list.setListFieldIndex(found == fields.end() ? 0
                                                     : static_cast<int>(found - fields.begin()));
        list.setListSource(LookupMode() ? LookupSource.get() : ListLink->dataSource());
        list.clearSearchText();
        list.SetKeyValue(QVariant());
        list.SetKeyValue(KeyValue());
        list.setSelectedKeys(SelectedKeys());
    }
    // The list opens at the current value's row, or at its first row without one.
    if (!list.LocateKey())
        ListDataSet()->first();
    list.ListDataChanged();
}

QPoint TKVDBLookupComboBox::DropDownPosition(const QSize& listSize) const {
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    int y = origin.y() + height();
    const QScreen* screen = this->screen();
    const int screenHeight = screen ? screen->geometry().bottom() + 1 : y + listSize.height();
    if (y + listSize.height() > screenHeight)
        y = origin.y() - listSize.height();
    int x = origin.x();
    if (dropDownAlign_ == TDropDownAlign::daRight)
        x += width() - listSize.width();
    else if (dropDownAlign_ == TDropDownAlign::daCenter)
        x -= (listSize.width() - width()) / 2;
    return {x, y};
}

void TKVDBLookupComboBox::CloseUp(bool accept) {
    if (!listVisible_)
        return;
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    dataList_->StopTracking();
    const QVariant key = dataList_->KeyValue();
    const QVariant keys = dataList_->SelectedKeys();
    positioned_ = dataList_->positioned_; // the list data set is the same
    dataList_->hide();
    listVisible_ = false;
    qApp->removeEventFilter(this);
    dataList_->setListSource(nullptr);
    update();
    clearSearchText();
    if (accept && CanModify()) {
        SelectKeyValue(key);
        setSelectedKeys(keys);
        KeyValueChanged();
    }
    Q_EMIT OnCloseUp();
}

// A mouse press anywhere but on the combo box and its list closes the list.
bool TKVDBLookupComboBox::eventFilter(QObject* watched, QEvent* event) {
    if (listVisible_ && event->type() == QEvent::MouseButtonPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget != this && widget != dataList_ && !isAncestorOf(widget) &&
            !dataList_->isAncestorOf(widget))
            platform::runGuarded([this] { CloseUp(false); });
    }
    return TKVDBLookupControl::eventFilter(watched, event);
}

void TKVDBLookupComboBox::focusOutEvent(QFocusEvent* event) {
    TKVDBLookupControl::focusOutEvent(event);
    CloseUp(false);
}

// ---- Combo box keys ------------------------------------------------------------------

void TKVDBLookupComboBox::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && ListActive()) {
        if (event->modifiers() & Qt::AltModifier) {
            if (listVisible_)
                CloseUp(true);
            else
                DropDown();
            return;
        }
        if (!listVisible_) {
            db::DataSet& list = *ListDataSet();
            if (!LocateKey()) {
                list.first();
            } else {
                if (key == Qt::Key_Up && list.currentRow() == 0)
                    revealRowsAbove(1);
                list.moveBy(key == Qt::Key_Up ? -1 : 1);
            }
            SelectKeyValue(KeyFieldRef()->value());
            return;
        }
    }
    if (listVisible_) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            CloseUp(true);
        else if (key == Qt::Key_Escape)
            CloseUp(false);
        else
            QCoreApplication::sendEvent(dataList_, event);
        return;
    }
    if (event->text().isEmpty()) {
        event->ignore();
        return;
    }
    for (const QChar ch : event->text()) {
        ProcessSearchKey(ch);
        if (ch.unicode() == 8 || ch.unicode() == 27)
            ClearValue();
    }
}

bool TKVDBLookupComboBox::OpensSearchEditor() const {
    db::DataSet* list = ListDataSet();
    if (!list || !(qobject_cast<db::Table*>(list) || qobject_cast<db::Query*>(list)))
        return false;
    return IsSqlBased(*list);
}

// The whole prefix is typed in the search editor over the control, then narrowed once.
void TKVDBLookupComboBox::RunSearchEditor(QChar ch) {
    const QPoint origin = mapToGlobal(QPoint(BorderSize() / 2, BorderSize() / 2));
    const int clientWidth = width() - BorderSize();
    QString text;
    if (!fLookupSearch().Execute(origin.x(), origin.y(), text, QString(ch), height(),
                                 clientWidth - scrollBarWidth(this)))
        return;
    setSearchText(text);
    ApplySearchText(text);
    if (ListDataSet()->isEmpty())
        return;
    SelectCurrent();
    focusNextChild();
}

// ---- Combo box mouse -----------------------------------------------------------------

// The press stays with the combo box: passed on to the form, it would close the list
// it has just opened.
void TKVDBLookupComboBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        TKVDBLookupControl::mousePressEvent(event);
        return;
    }
    event->accept();
    setFocus(Qt::MouseFocusReason);
    if (window()->focusWidget() != this)
        return;
    if (listVisible_) {
        CloseUp(true);
    } else if (ListActive()) {
        tracking_ = true;
        TrackButton(event->position().toPoint());
        DropDown();
    }
}

void TKVDBLookupComboBox::mouseMoveEvent(QMouseEvent* event) {
    if (tracking_) {
        TrackButton(event->position().toPoint());
        if (listVisible_) {
            const QPoint inList = dataList_->mapFromGlobal(event->globalPosition().toPoint());
            if (dataList_->ClientRect().contains(inList)) {
                StopTracking();
                dataList_->leftButtonDown(inList, event->modifiers());
                dataList_->grabMouse();
            }
        }
    }
    TKVDBLookupControl::mouseMoveEvent(event);
}

void TKVDBLookupComboBox::mouseReleaseEvent(QMouseEvent* event) {
    StopTracking();
    TKVDBLookupControl::mouseReleaseEvent(event);
}

void TKVDBLookupComboBox::StopTracking() {
    if (!tracking_)
        return;
    tracking_ = false;
    TrackButton(QPoint(-1, -1));
}

void TKVDBLookupComboBox::TrackButton(const QPoint& point) {
    const int clientWidth = width() - BorderSize() / 2;
    const bool pressed =
        tracking_ && QRect(clientWidth - buttonWidth_, 0, buttonWidth_, height()).contains(point);
    if (pressed != pressed_) {
        pressed_ = pressed;
        update();
    }
}

void TKVDBLookupComboBox::ListMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                                      const QPoint& point) {
    if (button == Qt::LeftButton && !(modifiers & Qt::ControlModifier))
        CloseUp(dataList_->ClientRect().contains(point));
}

// ---- Combo box painting --------------------------------------------------------------

void TKVDBLookupComboBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    drawSunkenFrame(painter, this);
    const int edge = BorderSize() / 2;
    painter.translate(edge, edge);
    const int width = this->width() - 2 * edge - buttonWidth_;
    paintText(painter, width);
    paintButton(painter, width);
}

void TKVDBLookupComboBox::paintText(QPainter& painter, int width) {
    const int clientHeight = height() - BorderSize();
    const bool selected = HasFocus() && !listVisible_;
    const QColor textColor = palette().color(selected ? QPalette::HighlightedText : QPalette::Text);
    const QBrush brush = selected ? palette().highlight() : palette().base();
    const QFontMetrics metrics(font());
    const int textWidth = metrics.horizontalAdvance(text_);
    int x = 2;
    if (alignment_ & Qt::AlignRight)
        x = width - textWidth - 3;
    else if (alignment_ & Qt::AlignHCenter)
        x = (width - textWidth) / 2;
    const QRect textRect(1, 1, width - 2, clientHeight - 2);
    const int baseline = 2 + metrics.ascent();
    painter.setFont(font());
    painter.fillRect(textRect, brush);
    painter.save();
    painter.setClipRect(textRect);
    const QString search = SearchText();
    if (HasFocus() && !search.isEmpty() && text_.startsWith(search, Qt::CaseInsensitive)) {
        // The typed prefix takes the letter case of the text it matched.
        const QString prefix = text_.left(search.size());
        setSearchText(prefix);
        const int prefixWidth = metrics.horizontalAdvance(prefix);
        painter.fillRect(QRect(x, 1, prefixWidth, clientHeight - 2),
                         palette().color(QPalette::HighlightedText));
        painter.setPen(palette().color(QPalette::Highlight));
        painter.drawText(x, baseline, prefix);
        const QRect rest(prefixWidth + 2, 1, width - prefixWidth - 4, clientHeight - 2);
        painter.fillRect(rest, palette().highlight());
        painter.setPen(palette().color(QPalette::HighlightedText));
        painter.drawText(prefixWidth + 2, baseline, text_.mid(prefix.size(), 255));
    } else {
        painter.setPen(textColor);
        painter.drawText(x, baseline, text_);
    }
    painter.restore();
    if (selected)
        drawFocusRect(painter, this, textRect);
}

void TKVDBLookupComboBox::paintButton(QPainter& painter, int width) {
    const int clientHeight = height() - BorderSize();
    QStyleOptionButton button;
    button.initFrom(this);
    button.rect = QRect(width, 0, buttonWidth_, clientHeight);
    button.state &= ~QStyle::State_HasFocus;
    const bool active = ListActive() && isEnabled();
    if (!active)
        button.state &= ~QStyle::State_Enabled;
    if (pressed_)
        button.state |= QStyle::State_Sunken;
    else
        button.state |= QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &button, &painter, this);
    QStyleOption arrow = button;
    const int inset = 3 + (pressed_ ? 1 : 0);
    arrow.rect = button.rect.adjusted(inset, inset, -inset + (pressed_ ? 1 : 0), -inset);
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &painter, this);
}

// ---- Accessibility -------------------------------------------------------------------

namespace {

// The shown text of a control, read-only, for the text interface of assistive tools.
class ShownTextInterface : public QAccessibleTextInterface {
public:
    virtual QString shownText() const = 0;
    void selection(int, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override {
        const QString shown = shownText();
        const int start = std::clamp(startOffset, 0, static_cast<int>(shown.size()));
        const int end = endOffset < 0
                            ? static_cast<int>(shown.size())
                            : std::clamp(endOffset, start, static_cast<int>(shown.size()));
        return shown.mid(start, end - start);
    }
    int characterCount() const override { return static_cast<int>(shownText().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = offset;
        return {};
    }
};

// One row of a lookup list: its shown texts, selected when its key is one of the
// selected keys, focused when it holds the key value, disabled when the list says so;
// a cell of the list's one-column table.
class LookupRowAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    LookupRowAccessible(TKVDBLookupListBox* list, int row) : list_(list), row_(row) {}
    bool isValid() const override { return list_ && row_ < list_->RecordCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return list_ ? list_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(list_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        if (!isValid() || (t != QAccessible::Name && t != QAccessible::Value))
            return {};
        return list_->RowTexts(row_).join(QStringLiteral(", "));
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!list_)
            return {};
        const QRect client = list_->ClientRect();
        const int h = list_->TextHeight();
        const QRect row(client.left(), client.top() + row_ * h, client.width(), h);
        return QRect(list_->mapToGlobal(row.topLeft()), row.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid())
            return state;
        state.selectable = true;
        state.focusable = true;
        state.selected = KeyInSet(list_->SelectedKeys(), list_->RowKeyAt(row_));
        state.focused =
            list_->KeyValue().isValid() && KeysEqual(list_->KeyValue(), list_->RowKeyAt(row_));
        state.disabled = !list_->RowEnabledAt(row_);
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::TableCellInterface
                   ? static_cast<QAccessibleTableCellInterface*>(this)
                   : nullptr;
    }
    // The cell.
    bool isSelected() const override { return state().selected; }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return 0; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    QPointer<TKVDBLookupListBox> list_;
    int row_;
};

// A lookup list: its rows are its children, its value (and text) the chosen row's
// display text; as a table of one column it tells which of its rows are selected and
// selects them.
class LookupListAccessible : public QAccessibleWidget,
                             public ShownTextInterface,
                             public QAccessibleTableInterface {
public:
    explicit LookupListAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::List) {}
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString shownText() const override { return list()->SelectedItem(); }
    // The table.
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        return column == 0 ? child(row) : nullptr;
    }
    int columnCount() const override { return 1; }
    int rowCount() const override { return childCount(); }
    int selectedCellCount() const override { return static_cast<int>(selectedRows().size()); }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return selectedCellCount(); }
    QString columnDescription(int) const override { return {}; }
    QString rowDescription(int row) const override {
        return list()->RowTexts(row).join(QStringLiteral(", "));
    }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> cells;
        for (const int row : selectedRows())
            cells << child(row);
        return cells;
    }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override {
        QList<int> rows;
        for (int row = 0; row < childCount(); ++row) {
            if (KeyInSet(list()->SelectedKeys(), list()->RowKeyAt(row)))
                rows << row;
        }
        return rows;
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override { return selectedRows().contains(row); }
    // Selecting a row chooses it as a click would; a row already selected stays.
    bool selectRow(int row) override { return chooseRow(row, false); }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int row) override { return chooseRow(row, true); }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}
    ~LookupListAccessible() override {
        for (const QAccessible::Id id : rows_)
            QAccessible::deleteAccessibleInterface(id);
    }
    TKVDBLookupListBox* list() const { return static_cast<TKVDBLookupListBox*>(widget()); }
    int childCount() const override { return list()->RecordCount(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        while (static_cast<int>(rows_.size()) <= index) {
            auto* row = new LookupRowAccessible(list(), static_cast<int>(rows_.size()));
            rows_.push_back(QAccessible::registerAccessibleInterface(row));
        }
        return QAccessible::accessibleInterface(rows_[static_cast<std::size_t>(index)]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            if (QAccessible::accessibleInterface(rows_[i]) == child)
                return static_cast<int>(i);
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint local = list()->mapFromGlobal(QPoint(x, y));
        if (!list()->ClientRect().contains(local))
            return nullptr;
        return child(list()->RowAt(local.y()));
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return list()->SelectedItem();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.multiSelectable = true;
        return state;
    }

private:
    // Toggling: the row leaves the selected keys when it is one of them.
    bool chooseRow(int row, bool toggle) const {
        const QVariant key = list()->RowKeyAt(row);
        if (!key.isValid() || !list()->CanModify())
            return false;
        const bool selected = KeyInSet(list()->SelectedKeys(), key);
        if (toggle != selected)
            return true; // already so
        platform::runGuarded([&] {
            if (toggle)
                list()->ToggleKeyValue(key);
            else
                list()->SelectKeyValue(key);
        });
        return KeyInSet(list()->SelectedKeys(), key) != toggle;
    }

    mutable std::vector<QAccessible::Id> rows_; // interfaces of rows asked for, by row
};

// A lookup combo box: its value (and text) is the text it shows; it opens and closes
// its list.
class LookupComboAccessible : public QAccessibleWidget, public ShownTextInterface {
public:
    explicit LookupComboAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::ComboBox) {}
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString shownText() const override { return combo()->Text(); }
    TKVDBLookupComboBox* combo() const { return static_cast<TKVDBLookupComboBox*>(widget()); }
    int childCount() const override { return combo()->ListVisible() ? 1 : 0; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 && combo()->ListVisible()
                   ? QAccessible::queryAccessibleInterface(combo()->DataList())
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == combo()->DataList() ? 0 : -1;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return combo()->Text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = combo()->ListVisible();
        state.collapsed = !combo()->ListVisible();
        state.hasPopup = true;
        return state;
    }
    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString& action) override {
        if (action != showMenuAction() && action != pressAction())
            return;
        platform::runGuarded([this] {
            if (combo()->ListVisible())
                combo()->CloseUp(true);
            else
                combo()->DropDown();
        });
    }
};

QAccessibleInterface* lookupAccessible(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (className == QLatin1String("controls::TKVDBLookupComboBox"))
        return new LookupComboAccessible(widget);
    if (className == QLatin1String("controls::TKVDBLookupListBox"))
        return new LookupListAccessible(widget);
    return nullptr;
}

void installAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(lookupAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

void TKVDBLookupControl::AnnounceValue() {
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent event(this, ShownText());
    QAccessible::updateAccessibility(&event);
}

// The selection within the list changed; the key's row (when shown) has the focus.
void TKVDBLookupListBox::AnnounceSelection() {
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent selection(this, QAccessible::SelectionWithin);
    QAccessible::updateAccessibility(&selection);
    const int row = visibleRowOf(KeyValue());
    if (row < 0 || (!HasFocus() && !Popup()))
        return;
    QAccessibleEvent focus(this, QAccessible::Focus);
    focus.setChild(row);
    QAccessible::updateAccessibility(&focus);
}

bool TKVDBLookupListBox::RowEnabledAt(int row) {
    if (row < 0 || row >= recordCount_)
        return true;
    activeRow_ = row;
    const auto restore = qScopeGuard([this] { activeRow_ = -1; });
    return IsRowEnabled();
}

QStringList TKVDBLookupListBox::RowTexts(int row) const {
    QStringList texts;
    if (row < 0 || row >= recordCount_)
        return texts;
    for (const db::Field* field : ListFieldRefs())
        texts << RowText(row, *field);
    return texts;
}

QVariant TKVDBLookupListBox::RowKeyAt(int row) const {
    return row >= 0 && row < recordCount_ ? RowKey(row) : QVariant();
}

} // namespace controls
