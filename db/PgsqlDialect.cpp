#include "db/PgsqlDialect.h"

#include "db/SqlStatement.h"
#include "platform/Errors.h"

#include <QSqlError>
#include <QSqlQuery>

namespace db {

QString PgsqlDialect::adapt(const QString& statement) const {
    return rewriteNames(statement, [](const QString& name) -> QString {
        const QString upper = name.toUpper();
        if (upper == u"SYSDATE")
            return QStringLiteral("LOCALTIMESTAMP(0)");
        const QStringList parts = name.split(u'.');
        if (parts.size() == 2 && parts[1].toUpper() == u"NEXTVAL")
            return QStringLiteral("nextval('%1')").arg(parts[0].toLower());
        return {};
    });
}

QVariant PgsqlDialect::bindValue(FieldType type, const QVariant& value) const {
    const QVariant normal = normalizeValue(type, value);
    if (!normal.isValid())
        return {};
    if (type == FieldType::Date)
        return QVariant(platform::toQDateTime(normal.toDouble()).date());
    if (type == FieldType::Time)
        return QVariant(platform::toQDateTime(normal.toDouble()).time());
    if (type == FieldType::DateTime)
        return QVariant(platform::toQDateTime(normal.toDouble()));
    return normal;
}

void PgsqlDialect::configure(QSqlDatabase& connection, const ConnectionSettings& settings) const {
    connection.setDatabaseName(settings.database);
    if (!settings.host.isEmpty())
        connection.setHostName(settings.host);
    if (settings.port > 0)
        connection.setPort(settings.port);
    connection.setUserName(settings.user);
    connection.setPassword(settings.password);
    connection.setConnectOptions(QStringLiteral("connect_timeout=5"));
}

void PgsqlDialect::prepareConnection(QSqlDatabase& /*connection*/) const {}

namespace {

QSqlQuery runCatalogue(QSqlDatabase& connection, const QString& sql, const QString& table) {
    QSqlQuery query(connection);
    query.setForwardOnly(true);
    query.prepare(sql);
    query.addBindValue(table);
    if (!query.exec())
        raiseEngineError(query.lastError());
    return query;
}

} // namespace

std::vector<Dialect::Column> PgsqlDialect::tableColumns(QSqlDatabase& connection,
                                                        const QString& table) const {
    std::vector<Column> columns;
    QSqlQuery query = runCatalogue(
        connection,
        QStringLiteral("SELECT column_name, data_type, character_maximum_length "
                       "FROM information_schema.columns WHERE table_schema = current_schema() "
                       "AND lower(table_name) = lower(?) ORDER BY ordinal_position"),
        table);
    while (query.next()) {
        int size = 0;
        const QString declared = query.value(1).toString();
        const FieldType type = typeOfDeclared(declared, size);
        if (isTextType(type))
            size = query.value(2).toInt();
        columns.push_back({query.value(0).toString(),
                           size > 255 && type == FieldType::String ? FieldType::Memo : type, size});
    }
    return columns;
}

std::vector<Dialect::Index> PgsqlDialect::tableIndexes(QSqlDatabase& connection,
                                                       const QString& table) const {
    std::vector<Index> indexes;
    QSqlQuery query = runCatalogue(
        connection,
        QStringLiteral(
            "SELECT i.relname, ix.indisunique, ix.indisprimary, a.attname "
            "FROM pg_index ix JOIN pg_class t ON t.oid = ix.indrelid "
            "JOIN pg_class i ON i.oid = ix.indexrelid "
            "JOIN LATERAL unnest(ix.indkey) WITH ORDINALITY AS k(attnum, position) ON true "
            "JOIN pg_attribute a ON a.attrelid = t.oid AND a.attnum = k.attnum "
            "WHERE t.relnamespace = current_schema()::regnamespace "
            "AND lower(t.relname) = lower(?) "
            "ORDER BY ix.indisprimary DESC, i.relname, k.position"),
        table);
    while (query.next()) {
        const QString name = query.value(0).toString();
        if (indexes.empty() || indexes.back().name != name)
            indexes.push_back({name, {}, query.value(1).toBool(), query.value(2).toBool()});
        indexes.back().fields << query.value(3).toString();
    }
    return indexes;
}

} // namespace db
