#pragma once

#include "db/Dialect.h"

namespace db {

// The PostgreSQL server. Its schema script provides DUAL, NVL, the sequences and the
// server-side functions; statements need only NEXTVAL and SYSDATE rewritten.
//
// Parameters go to the server as $1, $2, ... of a prepared statement, one for each
// occurrence, so that the server infers each one's type from where it stands (a date
// column, a function's argument). Dates and times are bound as ISO texts, which the
// server reads in the inferred type without any time zone shift. Results are read
// whole when a statement runs: a second statement on the same connection would
// otherwise discard the rows of a cursor that is still being read.
//
// Concatenations a || b run as NULLIF(concat(a, b), ''): the server's own || gives
// null for a null operand, where the back office's server reads it as empty text
// (the holdings statement's owner name of a firm without a first name).
class PgsqlDialect : public Dialect {
public:
    static constexpr int ConnectTimeoutSeconds = 4;

    QString qtDriver() const override { return QStringLiteral("QPSQL"); }
    QString adapt(const QString& statement) const override;
    QVariant bindValue(FieldType type, const QVariant& value) const override;
    void configure(QSqlDatabase& connection, const ConnectionSettings& settings) const override;
    void prepareConnection(QSqlDatabase& connection) const override;
    void execute(QSqlQuery& query, const QString& statement,
                 const QVariantList& values) const override;
    QVariant insertedRowId(const QSqlQuery& query) const override;
    std::vector<Column> tableColumns(QSqlDatabase& connection, const QString& table) const override;
    std::vector<Index> tableIndexes(QSqlDatabase& connection, const QString& table) const override;

    // The statement with "$1", "$2", ... in place of its '?' placeholders (outside quoted
    // texts and comments).
    static QString numberedPlaceholders(const QString& statement);

private:
    static QString adaptNames(const QString& statement);
};

} // namespace db
