#pragma once

#include "db/Cursor.h"
#include "db/DataSet.h"

#include <QSqlQuery>
#include <optional>

namespace db {

class Database;
class Dialect;

// A table on a connection, with a filter in the engine's filter syntax, index field
// names that fix the row order, key ranges on the index fields, and editing.
//
// Filter syntax: comparisons (= <> < > <= >=) of fields with quoted texts ('it''s'),
// numbers or other fields, IS NULL / IS NOT NULL, joined with AND, OR, NOT and
// parentheses. Field names may be written [in brackets]. Texts compared with date
// fields are read as dates. The filter becomes bound parameters, never SQL text.
// Its fields are the table's columns, whether or not the data set shows them.
class Table : public DataSet {
    Q_OBJECT
public:
    explicit Table(QObject* parent = nullptr);
    ~Table() override;

    void setDatabaseName(const QString& name) { databaseName_ = name; }
    const QString& databaseName() const { return databaseName_; }
    void setSessionName(const QString& name) { sessionName_ = name; }
    void setTableName(const QString& name);
    const QString& tableName() const { return tableName_; }
    Database& database() const;

    // Changing the filter (in SQL, on the table's columns), the switch, the index or a
    // range of an open table re-reads it and stands on the first row. Changing the
    // index cancels the range.
    void setIndexFieldNames(const QString& names); // "A;B"; empty: the primary key
    const QString& indexFieldNames() const { return indexFieldNames_; }

    // Key ranges on the leading index fields. A start or end with fewer values than
    // index fields covers every row whose leading fields match those values; a text end
    // value ending in the character of code 255 covers every text that starts with the
    // text before it. An empty start or end leaves that side open.
    void setRangeStart(const QVariantList& values);
    void setRangeEnd(const QVariantList& values);
    void setRange(const QVariantList& start, const QVariantList& end);
    void applyRange();
    void cancelRange();

    // Definitions, read from the database without opening the table.
    struct FieldDef {
        QString name;
        FieldType type;
        int size;
    };
    struct IndexDef {
        QString name;
        QString fields; // "A;B"
        bool unique = false;
        bool primary = false;
    };
    const std::vector<FieldDef>& fieldDefs();
    const std::vector<IndexDef>& indexDefs();
    void updateDefinitions(); // forget what was read, read again on the next request

    // "SQLITE" or "PGSQL": tables here are always on an SQL engine.
    QString driverName() const;

    bool canModify() const override { return active(); }

protected:
    std::vector<ColumnInfo> openCursor() override;
    bool fetchRow(Row& dataValues) override;
    void closeCursor() override;
    void applyInsert(const Field* const* fields, const Row& row) override;
    void applyUpdate(const Row& oldRow, const Row& newRow) override;
    void applyDelete(const Row& row) override;
    void resyncAfterPost(const Row& posted) override;
    bool filtersRows() const override { return false; }
    std::vector<FilterExpression::FieldInfo> filterFields() override; // the table's columns

private:
    struct Condition {
        QString text;
        QVariantList values;
    };
    void reopenIfActive();
    QString checkedTableName() const;
    const FieldDef& fieldDef(const QString& name);
    QStringList effectiveIndexFields();
    void addFilterCondition(const Dialect& dialect, QStringList& where, QVariantList& values);
    void checkRange(const QVariantList& bound);
    void addRangeCondition(const Dialect& dialect, const QVariantList& bound, bool isEnd,
                           QStringList& where, QVariantList& values);
    QString orderClause(Database& database);
    std::vector<int> keyFieldIndexes();
    Condition rowCondition(const Dialect& dialect, const Row& row);
    int execute(const QString& statement, const QVariantList& values);

    QString databaseName_;
    QString sessionName_;
    QString tableName_;
    QString indexFieldNames_;
    QVariantList rangeStart_, rangeEnd_;
    QVariantList pendingStart_, pendingEnd_;
    bool rangeApplied_ = false;
    std::optional<std::vector<FieldDef>> fieldDefs_;
    std::optional<std::vector<IndexDef>> indexDefs_;
    Cursor cursor_{*this};
    QVariant lastInsertId_;
};

} // namespace db
