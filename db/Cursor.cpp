#include "db/Cursor.h"

#include "db/DataSet.h"
#include "db/Dialect.h"
#include "db/Session.h"
#include "db/SqlStatement.h"
#include "db/StatementProgress.h"

#include "platform/Errors.h"

#include <QSqlRecord>
#include <utility>

namespace db {

namespace {

// The error of the connection's progress handler in place of the engine's report of
// the statement it interrupted; the engine's error when the handler raised none.
[[noreturn]] void raiseInterruption(const Database& database) {
    if (StatementProgress* progress = database.progress())
        if (std::exception_ptr error = progress->takeError())
            std::rethrow_exception(error);
    throw;
}

} // namespace

QSqlQuery& Cursor::run(Database& database, const QString& statement, const QVariantList& values) {
    close();
    query_.emplace(database.connection());
    database_ = &database;
    database.registerDataSet(&owner_);
    try {
        database.dialect().openRows(*query_, statement, values, owner_.firstRows());
    } catch (...) {
        raiseInterruption(database);
    }
    columnCount_ = query_->record().count();
    nothingFetched_ = true;
    return *query_;
}

bool Cursor::fetch(std::vector<QVariant>& values) {
    if (!query_)
        return false;
    StatementProgress* progress = database_->progress();
    if (progress && progress->running())
        throw platform::DatabaseError(
            QStringLiteral("Rows cannot be read while the connection reports progress"));
    const bool first = std::exchange(nothingFetched_, false);
    bool fetched = false;
    try {
        fetched = database_->dialect().fetchRow(*query_, first, columnCount_, values);
    } catch (...) {
        raiseInterruption(*database_);
    }
    if (fetched && progress && !progress->tick())
        std::rethrow_exception(progress->takeError());
    return fetched;
}

void Cursor::close() {
    if (query_ && database_ && database_->connected())
        database_->dialect().closeRows(*query_);
    query_.reset();
    if (database_)
        database_->unregisterDataSet(&owner_);
    database_ = nullptr;
    columnCount_ = 0;
}

} // namespace db
