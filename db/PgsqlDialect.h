#pragma once

#include "db/Dialect.h"

namespace db {

// The PostgreSQL server. Its schema script provides DUAL, NVL, the sequences and the
// server-side functions; statements need only NEXTVAL and SYSDATE rewritten.
class PgsqlDialect : public Dialect {
public:
    QString qtDriver() const override { return QStringLiteral("QPSQL"); }
    QString adapt(const QString& statement) const override;
    QVariant bindValue(FieldType type, const QVariant& value) const override;
    void configure(QSqlDatabase& connection, const ConnectionSettings& settings) const override;
    void prepareConnection(QSqlDatabase& connection) const override;
    std::vector<Column> tableColumns(QSqlDatabase& connection, const QString& table) const override;
    std::vector<Index> tableIndexes(QSqlDatabase& connection, const QString& table) const override;
};

} // namespace db
