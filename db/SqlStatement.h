#pragma once

#include <QSqlError>
#include <QSqlQuery>
#include <QVariantList>
#include <functional>
#include <optional>
#include <vector>

namespace db {

// The engine's own words for a failure: its message, or the driver's when the engine
// gave none.
QString engineMessage(const QSqlError& error);
[[noreturn]] void raiseEngineError(const QSqlError& error);

// Raises EngineError when the statement holds a null character (U+0000): both engines'
// drivers would read the text only up to it and run what comes before, so that
// "DELETE FROM T\0 WHERE ..." would empty T.
void refuseNullCharacter(const QString& text);

// Prepares the statement on the query's connection, binds the values by position and
// runs it. Raises EngineError with the engine's text, and refuses a statement with a
// null character as refuseNullCharacter does.
void runStatement(QSqlQuery& query, const QString& text, const QVariantList& values);

// The index just after a quoted text ('…' or "…", doubled quotes inside), a line
// comment or a block comment that starts at i; i itself when none starts there.
qsizetype sqlLiteralEnd(const QString& sql, qsizetype i);

// The statement rewritten outside quoted texts and comments, which are copied as they
// are. At each other position, rewrite may append what stands for the text at i to
// result and answer the index after that text; answering i copies the character.
QString rewriteOutsideLiterals(
    const QString& sql,
    const std::function<qsizetype(const QString& sql, qsizetype i, QString& result)>& rewrite);

// A plain SELECT ... FROM ... [WHERE ...] [ORDER BY ...] with one more condition (SQL
// text with '?' marks) joined to its WHERE clause: "WHERE (old) AND (condition)", or a
// new WHERE clause before ORDER BY. The condition's marks come after every mark of the
// statement. Nullopt for any other statement (WITH, set operations, GROUP BY, HAVING,
// LIMIT, OFFSET, FETCH, FOR UPDATE, several statements, a mark after the WHERE clause).
std::optional<QString> withCondition(const QString& sql, const QString& condition);
// The terms of a plain SELECT's ORDER BY as written, trimmed; empty when it has none.
QStringList orderByTerms(const QString& sql);
// A plain SELECT with every term of its ORDER BY turned round (ASC and DESC, NULLS
// FIRST and LAST swapped); nullopt for any other statement or one without ORDER BY.
std::optional<QString> withOrderReversed(const QString& sql);

// Reads the next row's values; false at the end. Raises EngineError when reading fails.
bool fetchValues(QSqlQuery& query, int columnCount, std::vector<QVariant>& values);

} // namespace db
