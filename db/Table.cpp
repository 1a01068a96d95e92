#include "db/Table.h"

#include "db/Dialect.h"
#include "db/Session.h"
#include "db/SqlStatement.h"
#include "platform/Errors.h"

#include <QRegularExpression>

namespace db {

namespace {

QString placeholders(int count) {
    QStringList marks;
    for (int i = 0; i < count; ++i)
        marks << QStringLiteral("?");
    return marks.join(QStringLiteral(", "));
}

// "(A, B)" for a row value, "A" for one column.
QString rowValue(const QStringList& items) {
    return items.size() == 1 ? items.first() : u'(' + items.join(QStringLiteral(", ")) + u')';
}

bool sameStored(const QVariant& a, const QVariant& b) {
    if (a.isValid() != b.isValid())
        return false;
    return !a.isValid() || a == b;
}

} // namespace

Table::Table(QObject* parent) : DataSet(parent) {}

Table::~Table() {
    shutDown();
}

void Table::setTableName(const QString& name) {
    if (name == tableName_)
        return;
    if (active())
        throw platform::DatabaseError(
            QStringLiteral("Cannot change the table name of an open table"));
    tableName_ = name;
    updateDefinitions();
}

Database& Table::database() const {
    if (databaseName_.trimmed().isEmpty())
        throw platform::DatabaseError(
            QStringLiteral("No database name given for table %1").arg(tableName_));
    return Session::byName(sessionName_).database(databaseName_);
}

QString Table::driverName() const {
    return database().driverName();
}

QString Table::checkedTableName() const {
    static const QRegularExpression plain(
        QStringLiteral("^[A-Za-z_][A-Za-z0-9_$#]*(\\.[A-Za-z_][A-Za-z0-9_$#]*)?$"));
    if (!plain.match(tableName_).hasMatch())
        throw platform::DatabaseError(QStringLiteral("Invalid table name: '%1'").arg(tableName_));
    return tableName_;
}

// ---- Definitions -----------------------------------------------------------------

const std::vector<Table::FieldDef>& Table::fieldDefs() {
    if (!fieldDefs_) {
        Database& database = this->database();
        database.open();
        QSqlDatabase connection = database.connection();
        std::vector<FieldDef> defs;
        for (const auto& column : database.dialect().tableColumns(connection, checkedTableName()))
            defs.push_back({column.name, column.type, column.size});
        fieldDefs_ = std::move(defs);
    }
    return *fieldDefs_;
}

const std::vector<Table::IndexDef>& Table::indexDefs() {
    if (!indexDefs_) {
        Database& database = this->database();
        database.open();
        QSqlDatabase connection = database.connection();
        std::vector<IndexDef> defs;
        for (const auto& index : database.dialect().tableIndexes(connection, checkedTableName()))
            defs.push_back({index.name, index.fields.join(u';'), index.unique, index.primary});
        indexDefs_ = std::move(defs);
    }
    return *indexDefs_;
}

void Table::updateDefinitions() {
    fieldDefs_.reset();
    indexDefs_.reset();
}

std::vector<FilterExpression::FieldInfo> Table::filterFields() {
    std::vector<FilterExpression::FieldInfo> infos;
    int index = 0;
    for (const FieldDef& def : fieldDefs())
        infos.push_back({def.name, def.type, index++});
    return infos;
}

const Table::FieldDef& Table::fieldDef(const QString& name) {
    for (const FieldDef& def : fieldDefs()) {
        if (def.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return def;
    }
    throw platform::DatabaseError(QStringLiteral("Field '%1' not found").arg(name.trimmed()));
}

QStringList Table::effectiveIndexFields() {
    QStringList names;
    if (!indexFieldNames_.trimmed().isEmpty()) {
        for (const QString& name : indexFieldNames_.split(u';', Qt::SkipEmptyParts))
            names << fieldDef(name).name;
        return names;
    }
    for (const IndexDef& index : indexDefs()) {
        if (index.primary)
            return index.fields.split(u';', Qt::SkipEmptyParts);
    }
    return names;
}

// ---- Filter, index and ranges ----------------------------------------------------

void Table::reopenIfActive() {
    filterChanged();
}

void Table::setIndexFieldNames(const QString& names) {
    if (names == indexFieldNames_)
        return;
    if (active()) {
        for (const QString& name : names.split(u';', Qt::SkipEmptyParts))
            fieldDef(name); // an unknown field raises before anything changes
    }
    indexFieldNames_ = names;
    rangeStart_.clear();
    rangeEnd_.clear();
    rangeApplied_ = false;
    reopenIfActive();
}

void Table::setRangeStart(const QVariantList& values) {
    pendingStart_ = values;
}

void Table::setRangeEnd(const QVariantList& values) {
    pendingEnd_ = values;
}

void Table::setRange(const QVariantList& start, const QVariantList& end) {
    pendingStart_ = start;
    pendingEnd_ = end;
    applyRange();
}

void Table::checkRange(const QVariantList& bound) {
    const QStringList fields = effectiveIndexFields();
    if (bound.size() > fields.size())
        throw platform::DatabaseError(
            QStringLiteral("Too many key values for the index of table %1").arg(tableName_));
    for (int i = 0; i < bound.size(); ++i)
        normalizeValue(fieldDef(fields[i]).type, bound[i]); // raises for a value that cannot be
}

void Table::applyRange() {
    if (active()) { // a range that cannot apply raises before anything changes
        checkRange(pendingStart_);
        checkRange(pendingEnd_);
    }
    rangeStart_ = pendingStart_;
    rangeEnd_ = pendingEnd_;
    rangeApplied_ = true;
    reopenIfActive();
}

void Table::cancelRange() {
    pendingStart_.clear();
    pendingEnd_.clear();
    const bool wasApplied = rangeApplied_;
    rangeStart_.clear();
    rangeEnd_.clear();
    rangeApplied_ = false;
    if (wasApplied)
        reopenIfActive();
}

void Table::addFilterCondition(const Dialect& dialect, QStringList& where, QVariantList& values) {
    if (!filtered_ || filter_.trimmed().isEmpty())
        return;
    const auto condition = FilterExpression::parse(filter_, filterFields()).toSql();
    where << u'(' + condition.text + u')';
    for (const auto& bound : condition.values)
        values << dialect.bindValue(bound.type, bound.value);
}

void Table::addRangeCondition(const Dialect& dialect, const QVariantList& bound, bool isEnd,
                              QStringList& where, QVariantList& values) {
    if (bound.isEmpty())
        return;
    checkRange(bound);
    const QStringList fields = effectiveIndexFields();
    QStringList names;
    QStringList marks;
    for (int i = 0; i < bound.size(); ++i) {
        const FieldDef& def = fieldDef(fields[i]);
        QVariant value = normalizeValue(def.type, bound[i]);
        if (isEnd && isTextType(def.type) && value.isValid())
            value = upperBoundText(value.toString());
        names << sqlName(def.name);
        marks << QStringLiteral("?");
        values << dialect.bindValue(def.type, value);
    }
    where << rowValue(names) + (isEnd ? QStringLiteral(" <= ") : QStringLiteral(" >= ")) +
                 rowValue(marks);
}

QString Table::orderClause(Database& database) {
    QStringList names;
    for (const QString& name : effectiveIndexFields())
        names << sqlName(name);
    if (names.isEmpty()) {
        QSqlDatabase connection = database.connection();
        const QString rowOrder = database.dialect().rowOrder(connection, tableName_);
        if (!rowOrder.isEmpty())
            names << rowOrder;
    }
    return names.isEmpty() ? QString() : QStringLiteral(" ORDER BY ") + names.join(u", ");
}

// ---- The cursor ------------------------------------------------------------------

std::vector<DataSet::ColumnInfo> Table::openCursor() {
    Database& database = this->database();
    database.open();
    const std::vector<FieldDef>& defs = fieldDefs();
    if (defs.empty())
        throw platform::EngineError(QStringLiteral("Table does not exist: %1").arg(tableName_));
    const Dialect& dialect = database.dialect();
    QStringList where;
    QVariantList values;
    addFilterCondition(dialect, where, values);
    if (rangeApplied_) {
        addRangeCondition(dialect, rangeStart_, false, where, values);
        addRangeCondition(dialect, rangeEnd_, true, where, values);
    }
    QString statement = QStringLiteral("SELECT * FROM ") + checkedTableName();
    if (!where.isEmpty())
        statement += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    statement += orderClause(database);

    cursor_.run(database, statement, values);
    std::vector<ColumnInfo> columns;
    for (const FieldDef& def : defs)
        columns.push_back({def.name, def.type, def.size});
    return columns;
}

bool Table::fetchRow(Row& dataValues) {
    return cursor_.fetch(dataValues);
}

void Table::closeCursor() {
    cursor_.close();
}

// ---- Editing ---------------------------------------------------------------------

int Table::execute(const QString& statement, const QVariantList& values) {
    Database& database = this->database();
    QSqlQuery query(database.connection());
    database.dialect().execute(query, statement, values);
    lastInsertId_ = database.dialect().insertedRowId(query);
    return query.numRowsAffected();
}

// The fields that find a row again: the primary key when the data set has all of its
// fields, otherwise every data field.
std::vector<int> Table::keyFieldIndexes() {
    std::vector<int> indexes;
    for (const IndexDef& index : indexDefs()) {
        if (!index.primary)
            continue;
        for (const QString& name : index.fields.split(u';', Qt::SkipEmptyParts)) {
            const Field* field = findField(name);
            if (!field || field->kind() != FieldKind::Data) {
                indexes.clear();
                break;
            }
            indexes.push_back(field->index());
        }
        break;
    }
    if (!indexes.empty())
        return indexes;
    for (int f = 0; f < fieldCount(); ++f) {
        if (field(f).kind() == FieldKind::Data)
            indexes.push_back(f);
    }
    return indexes;
}

Table::Condition Table::rowCondition(const Dialect& dialect, const Row& row) {
    Condition condition;
    QStringList parts;
    for (const int f : keyFieldIndexes()) {
        const Field& key = field(f);
        parts << dialect.nullSafeEquals(sqlName(key.fieldName()));
        condition.values << dialect.bindValue(key.dataType(), row[f]);
    }
    condition.text = parts.join(QStringLiteral(" AND "));
    return condition;
}

void Table::applyInsert(const Field* const* fields, const Row& row) {
    const Dialect& dialect = database().dialect();
    QStringList names;
    QVariantList values;
    for (int f = 0; f < fieldCount(); ++f) {
        const Field& field = *fields[f];
        if (field.kind() != FieldKind::Data || !row[f].isValid())
            continue;
        names << sqlName(field.fieldName());
        values << dialect.bindValue(field.dataType(), row[f]);
    }
    const QString target = checkedTableName();
    if (names.isEmpty()) {
        execute(QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(target), {});
        return;
    }
    execute(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(target, names.join(QStringLiteral(", ")), placeholders(names.size())),
            values);
}

void Table::applyUpdate(const Row& oldRow, const Row& newRow) {
    const Dialect& dialect = database().dialect();
    QStringList assignments;
    QVariantList values;
    for (int f = 0; f < fieldCount(); ++f) {
        const Field& changed = field(f);
        if (changed.kind() != FieldKind::Data || sameStored(oldRow[f], newRow[f]))
            continue;
        assignments << sqlName(changed.fieldName()) + QStringLiteral(" = ?");
        values << dialect.bindValue(changed.dataType(), newRow[f]);
    }
    if (assignments.isEmpty())
        return;
    const Condition where = rowCondition(dialect, oldRow);
    values += where.values;
    const int affected =
        execute(QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                    .arg(checkedTableName(), assignments.join(QStringLiteral(", ")), where.text),
                values);
    if (affected == 0)
        throw platform::DatabaseError(
            QStringLiteral("Record not found or changed by another user"));
}

void Table::applyDelete(const Row& row) {
    const Condition where = rowCondition(database().dialect(), row);
    const int affected =
        execute(QStringLiteral("DELETE FROM %1 WHERE %2").arg(checkedTableName(), where.text),
                where.values);
    if (affected == 0)
        throw platform::DatabaseError(
            QStringLiteral("Record not found or changed by another user"));
}

void Table::resyncAfterPost(const Row& posted) {
    const std::vector<int> keys = keyFieldIndexes();
    Row wanted = posted;
    // A key the engine assigned (an integer key left empty) is the new row's id.
    if (keys.size() == 1 && !wanted[keys[0]].isValid() && lastInsertId_.isValid() &&
        isIntegerType(field(keys[0]).dataType()))
        wanted[keys[0]] = normalizeValue(field(keys[0]).dataType(), lastInsertId_);
    reopenCursor();
    seekRow([&](const Row& row) {
        return std::all_of(keys.begin(), keys.end(),
                           [&](int f) { return sameStored(row[f], wanted[f]); });
    });
}

} // namespace db
