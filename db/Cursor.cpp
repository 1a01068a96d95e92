#include "db/Cursor.h"

#include "db/Dialect.h"
#include "db/Session.h"
#include "db/SqlStatement.h"

#include <QSqlRecord>

namespace db {

QSqlQuery& Cursor::run(Database& database, const QString& statement, const QVariantList& values) {
    close();
    query_.emplace(database.connection());
    database_ = &database;
    database.registerDataSet(&owner_);
    database.dialect().execute(*query_, statement, values);
    columnCount_ = query_->record().count();
    return *query_;
}

bool Cursor::fetch(std::vector<QVariant>& values) {
    return query_ && fetchValues(*query_, columnCount_, values);
}

void Cursor::close() {
    query_.reset();
    if (database_)
        database_->unregisterDataSet(&owner_);
    database_ = nullptr;
    columnCount_ = 0;
}

} // namespace db
