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

void refuseNullCharacter(const QString& text) {
    if (text.contains(QChar(u'\0')))
        throw platform::EngineError(
            QStringLiteral("The statement holds a null character (U+0000) and is not run"));
}

void runStatement(QSqlQuery& query, const QString& text, const QVariantList& values) {
    refuseNullCharacter(text);
    if (!query.prepare(text))
        raiseEngineError(query.lastError());
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    if (!query.exec())
        raiseEngineError(query.lastError());
}

qsizetype sqlLiteralEnd(const QString& sql, qsizetype i) {
    const qsizetype n = sql.size();
    if (i >= n)
        return i;
    const QChar c = sql[i];
    if (c == u'\'' || c == u'"') {
        qsizetype j = i + 1;
        while (j < n) {
            if (sql[j] == c) {
                if (j + 1 < n && sql[j + 1] == c) {
                    j += 2;
                    continue;
                }
                return j + 1;
            }
            ++j;
        }
        return n;
    }
    if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
        const qsizetype end = sql.indexOf(u'\n', i);
        return end < 0 ? n : end;
    }
    if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
        const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
        return end < 0 ? n : end + 2;
    }
    return i;
}

QString rewriteOutsideLiterals(
    const QString& sql,
    const std::function<qsizetype(const QString& sql, qsizetype i, QString& result)>& rewrite) {
    QString result;
    result.reserve(sql.size());
    qsizetype i = 0;
    while (i < sql.size()) {
        const qsizetype afterLiteral = sqlLiteralEnd(sql, i);
        if (afterLiteral != i) {
            result += QStringView(sql).mid(i, afterLiteral - i);
            i = afterLiteral;
            continue;
        }
        const qsizetype next = rewrite(sql, i, result);
        if (next == i)
            result += sql[i++];
        else
            i = next;
    }
    return result;
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
