#include "db/SqlStatement.h"

#include "platform/Errors.h"

namespace db {

QString engineMessage(const QSqlError& error) {
    const QString engine = error.databaseText().trimmed();
    return engine.isEmpty() ? error.text().trimmed() : engine;
}

void raiseEngineError(const QSqlError& error) {
    throw platform::EngineError(engineMessage(error));
}

void runStatement(QSqlQuery& query, const QString& text, const QVariantList& values) {
    if (!query.prepare(text))
        raiseEngineError(query.lastError());
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    if (!query.exec())
        raiseEngineError(query.lastError());
}

bool fetchValues(QSqlQuery& query, int columnCount, std::vector<QVariant>& values) {
    if (!query.next()) {
        if (query.lastError().isValid())
            raiseEngineError(query.lastError());
        return false;
    }
    values.resize(columnCount);
    for (int i = 0; i < columnCount; ++i)
        values[i] = query.value(i);
    return true;
}

} // namespace db
