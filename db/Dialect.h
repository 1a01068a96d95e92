#pragma once

#include "db/Field.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <memory>

namespace db {

// What differs between the engines behind an alias. Statements are written in the
// back office's Oracle-style SQL; adapt() rewrites what the engine lacks
// (name.NEXTVAL, SYSDATE) outside quoted texts.
class Dialect {
public:
    virtual ~Dialect() = default;
    static std::unique_ptr<Dialect> forDriver(const QString& driverName); // "SQLITE", "PGSQL"

    virtual QString qtDriver() const = 0;
    virtual QString adapt(const QString& statement) const = 0;
    // The value bound for a parameter or a field value of the given type.
    virtual QVariant bindValue(FieldType type, const QVariant& value) const = 0;
    // Runs once on every new connection (functions, pragmas, time-outs).
    virtual void prepareConnection(QSqlDatabase& connection) const = 0;
    // Column types of a table, and its indexes, from the catalogue.
    struct Column {
        QString name;
        FieldType type;
        int size;
    };
    virtual std::vector<Column> tableColumns(QSqlDatabase& connection,
                                             const QString& table) const = 0;
    struct Index {
        QString name;
        QStringList fields;
        bool unique;
        bool primary;
    };
    virtual std::vector<Index> tableIndexes(QSqlDatabase& connection,
                                            const QString& table) const = 0;
};

} // namespace db
