#include "db/PgsqlDialect.h"

#include "db/PgsqlClient.h"
#include "db/SqlStatement.h"
#include "platform/Errors.h"
#include "platform/Variant.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace db {

namespace {

// The SQL state of a parameter whose type the server cannot infer ("$2 IS NULL").
const QString IndeterminateDatatype = QStringLiteral("42P18");

// The number n of "$n" in the server's message about a parameter; 0 when none.
int parameterNamedIn(const QSqlError& error) {
    static const QRegularExpression parameter(QStringLiteral("\\$(\\d+)"));
    const auto match = parameter.match(error.databaseText());
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

// The server type that a bound value stands for where nothing else decides it.
QString serverTypeOf(const QVariant& value) {
    if (platform::isIntegerVariant(value))
        return QStringLiteral("bigint");
    if (platform::isFloatVariant(value))
        return QStringLiteral("double precision");
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return QStringLiteral("boolean");
    case QMetaType::QTime:
        return QStringLiteral("time");
    default:
        return QStringLiteral("text");
    }
}

// The statement with parameter $n cast to the type of its value.
QString withTypedParameter(const QString& statement, int n, const QVariant& value) {
    const QString mark = QStringLiteral("$%1").arg(n);
    return rewriteOutsideLiterals(
        statement, [&](const QString& text, qsizetype i, QString& result) -> qsizetype {
            const qsizetype end = i + mark.size();
            if (QStringView(text).mid(i, mark.size()) != mark ||
                (end < text.size() && text[end].isDigit()))
                return i;
            result += QStringLiteral("CAST(%1 AS %2)").arg(mark, serverTypeOf(value));
            return end;
        });
}

// The server's message without the position in the statement ("LINE 1: ..." and its
// caret line) and the SQL state that the driver appends: what the operator reads.
[[noreturn]] void raiseServerError(const QSqlError& error) {
    static const QRegularExpression sqlState(QStringLiteral("^\\([0-9A-Z]{5}\\)$"));
    const QStringList lines = engineMessage(error).split(u'\n');
    QStringList kept;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].startsWith(u"LINE ")) {
            ++i; // the caret under the position
            continue;
        }
        if (!sqlState.match(lines[i].trimmed()).hasMatch())
            kept << lines[i].trimmed();
    }
    kept.removeAll(QString());
    throw platform::EngineError(kept.isEmpty() ? engineMessage(error) : kept.join(u'\n'));
}

QSqlQuery runCatalogue(QSqlDatabase& connection, const QString& sql, const QString& table) {
    QSqlQuery query(connection);
    query.prepare(sql);
    query.addBindValue(table);
    if (!query.exec())
        raiseEngineError(query.lastError());
    return query;
}

} // namespace

QString PgsqlDialect::adapt(const QString& statement) const {
    static const ConcatenationForm concatenation{QStringLiteral("NULLIF(concat("),
                                                 QStringLiteral(", "), QStringLiteral("), '')")};
    return rewriteConcatenation(adaptNames(statement), concatenation);
}

QString PgsqlDialect::adaptNames(const QString& statement) {
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
    if (type == FieldType::Time)
        return QVariant(platform::toQDateTime(normal.toDouble()).time());
    if (isDateType(type))
        return QVariant(isoDateTimeText(normal.toDouble()));
    return normal;
}

void PgsqlDialect::configure(QSqlDatabase& connection, const ConnectionSettings& settings) const {
    if (settings.database.trimmed().isEmpty())
        throw platform::EngineError(QStringLiteral("No database name given for the alias"));
    connection.setDatabaseName(settings.database.trimmed());
    if (!settings.host.isEmpty())
        connection.setHostName(settings.host);
    if (settings.port > 0)
        connection.setPort(settings.port);
    connection.setUserName(settings.user);
    connection.setPassword(settings.password);
    // Keepalives end the wait on a host that is gone (a network that no longer carries
    // the connection); a server process that stops answering on a live host is left to
    // the bound of each wait (answerLimitSeconds()).
    connection.setConnectOptions(
        QStringLiteral("connect_timeout=%1;keepalives=1;keepalives_idle=%2;"
                       "keepalives_interval=%3;keepalives_count=%4;tcp_user_timeout=%5")
            .arg(ConnectTimeoutSeconds)
            .arg(KeepaliveIdleSeconds)
            .arg(KeepaliveIntervalSeconds)
            .arg(KeepaliveCount)
            .arg(UnacknowledgedSendMs));
    statementTimeoutSeconds_ = settings.statementTimeoutSeconds < 0
                                   ? DefaultStatementTimeoutSeconds
                                   : settings.statementTimeoutSeconds;
    connection.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
}

void PgsqlDialect::prepareConnection(QSqlDatabase& connection) const {
    QSqlQuery query(connection);
    execute(query, QStringLiteral("SELECT set_config('statement_timeout', ?, false)"),
            {QString::number(static_cast<qint64>(statementTimeoutSeconds_) * 1000)});
}

void PgsqlDialect::watchProgress(QSqlDatabase& /*connection*/,
                                 StatementProgress* progress) const noexcept {
    progress_ = progress;
}

int PgsqlDialect::answerLimitSeconds() const {
    return statementTimeoutSeconds_ > 0 ? statementTimeoutSeconds_ + AnswerGraceSeconds : 0;
}

void PgsqlDialect::raiseNoAnswer() const {
    throw platform::EngineError(
        QStringLiteral("The database server did not answer within %1 seconds (STATEMENT TIMEOUT "
                       "of the alias: %2); the connection to it is closed")
            .arg(answerLimitSeconds())
            .arg(statementTimeoutSeconds_));
}

QString PgsqlDialect::numberedPlaceholders(const QString& statement) {
    int count = 0;
    return rewriteOutsideLiterals(
        statement, [&](const QString& text, qsizetype i, QString& result) -> qsizetype {
            if (text[i] != u'?')
                return i;
            result += QStringLiteral("$%1").arg(++count);
            return i + 1;
        });
}

void PgsqlDialect::withInferredTypes(
    QString text, const QVariantList& values,
    const std::function<QSqlError(const QString& text)>& attempt) const {
    // A parameter whose type nothing in the statement decides gets its value's type,
    // one at a time, as the server names them.
    for (qsizetype tries = 0;; ++tries) {
        const QSqlError error = attempt(text);
        if (!error.isValid())
            return;
        const int parameter = parameterNamedIn(error);
        if (error.nativeErrorCode() != IndeterminateDatatype || parameter < 1 ||
            parameter > values.size() || tries >= values.size())
            raiseServerError(error);
        text = withTypedParameter(text, parameter, values[parameter - 1]);
    }
}

bool PgsqlDialect::boundedCall(const QSqlQuery& query, const std::function<bool()>& call) const {
    const pgsql::AnswerDeadline deadline(pgsql::handleOf(query), answerLimitSeconds());
    const bool succeeded = call();
    if (deadline.expired())
        raiseNoAnswer();
    return succeeded;
}

void PgsqlDialect::execute(QSqlQuery& query, const QString& statement,
                           const QVariantList& values) const {
    query.setForwardOnly(false);
    refuseNullCharacter(statement);
    withInferredTypes(numberedPlaceholders(statement), values, [&](const QString& text) {
        return boundedCall(query, [&] { return query.prepare(text); }) ? QSqlError()
                                                                       : query.lastError();
    });
    for (qsizetype i = 0; i < values.size(); ++i)
        query.bindValue(static_cast<int>(i), values[i]);
    if (!boundedCall(query, [&] { return query.exec(); }))
        raiseServerError(query.lastError());
}

bool PgsqlDialect::readsThroughCursor(const QString& statement) {
    static const QRegularExpression query(QStringLiteral("^[\\s(]*(SELECT|WITH)\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression locking(
        QStringLiteral("\\bFOR\\s+(UPDATE|SHARE|NO\\s+KEY|KEY)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    return query.match(statement).hasMatch() && !locking.match(statement).hasMatch();
}

bool PgsqlDialect::takesWindows(const QString& statement) {
    static const QRegularExpression limiting(
        QStringLiteral("\\b(LIMIT|OFFSET|FETCH\\s+(FIRST|NEXT))\\b"),
        QRegularExpression::CaseInsensitiveOption);
    return !statement.trimmed().endsWith(u';') && !limiting.match(statement).hasMatch();
}

void PgsqlDialect::openRows(QSqlQuery& query, const QString& statement, const QVariantList& values,
                            int firstRows) const {
    windows_.erase(&query); // of a query that ran here before on a connection closed since
    if (!readsThroughCursor(statement)) {
        execute(query, statement, values);
        return;
    }
    if (firstRows > 0 && takesWindows(statement)) {
        const Window& window = windows_[&query] = {statement, values, 0, firstRows};
        runWindow(query, window);
        return;
    }
    declareCursor(query, statement, values);
}

void PgsqlDialect::runWindow(QSqlQuery& query, const Window& window) const {
    // On a line of its own: the statement may end in a comment.
    execute(query, window.statement + QStringLiteral("\nLIMIT ? OFFSET ?"),
            window.values + QVariantList{window.rows, window.offset});
}

void PgsqlDialect::readPastWindow(QSqlQuery& query, Window window) const {
    window.offset += window.rows;
    window.rows *= WindowGrowth;
    if (window.rows < FetchBlockRows) {
        runWindow(query, windows_[&query] = window);
        return;
    }
    windows_.erase(&query);
    declareCursor(query, window.statement + QStringLiteral("\nOFFSET ?"),
                  window.values + QVariantList{window.offset});
}

void PgsqlDialect::declareCursor(QSqlQuery& query, const QString& statement,
                                 const QVariantList& values) const {
    refuseNullCharacter(statement);
    pg_conn* handle = pgsql::handleOf(query);
    if (!handle)
        throw platform::EngineError(QStringLiteral("The database connection is not open"));
    const QString cursor = QStringLiteral("zev_rows_%1").arg(++cursorsDeclared_);
    withInferredTypes(numberedPlaceholders(statement), values, [&](const QString& text) {
        const pgsql::Outcome outcome = pgsql::runStatement(
            handle,
            QStringLiteral("DECLARE %1 NO SCROLL CURSOR WITH HOLD FOR %2").arg(cursor, text),
            values, {statementTimeoutSeconds_, answerLimitSeconds()}, progress_);
        if (outcome.timedOut)
            raiseNoAnswer();
        if (outcome.cancelledForTime && outcome.error.isValid())
            throw platform::EngineError(
                QStringLiteral("The statement ran longer than the alias's STATEMENT TIMEOUT "
                               "(%1 seconds) and was cancelled")
                    .arg(statementTimeoutSeconds_));
        return outcome.error;
    });
    openCursors_.push_back(cursor);
    query.setForwardOnly(false);
    fetchBlock(query, cursor);
}

void PgsqlDialect::fetchBlock(QSqlQuery& query, const QString& cursor) const {
    if (progress_)
        awaitServer(query);
    const QString fetch =
        QStringLiteral("FETCH FORWARD %1 FROM %2").arg(FetchBlockRows).arg(cursor);
    if (!boundedCall(query, [&] { return query.exec(fetch); }))
        raiseServerError(query.lastError());
}

void PgsqlDialect::awaitServer(const QSqlQuery& query) const {
    const pgsql::Outcome outcome =
        pgsql::awaitServer(pgsql::handleOf(query), {0, answerLimitSeconds()}, progress_);
    if (outcome.timedOut)
        raiseNoAnswer();
    if (outcome.interrupted)
        throw platform::EngineError(QStringLiteral("Reading the rows was interrupted"));
    if (outcome.error.isValid())
        raiseServerError(outcome.error);
}

QString PgsqlDialect::cursorReadBy(const QSqlQuery& query) const {
    for (const QString& cursor : openCursors_)
        if (query.lastQuery().endsWith(u' ' + cursor))
            return cursor;
    return {};
}

bool PgsqlDialect::fetchRow(QSqlQuery& query, bool first, int columnCount,
                            std::vector<QVariant>& values) const {
    while (!Dialect::fetchRow(query, first, columnCount, values)) {
        if (const auto window = windows_.find(&query); window != windows_.end()) {
            if (query.size() < window->second.rows)
                return false; // the last window
            readPastWindow(query, window->second);
            continue;
        }
        const QString cursor = cursorReadBy(query);
        if (cursor.isEmpty())
            return false;
        if (query.size() < FetchBlockRows)
            return false; // the last block; the cursor stays until the data set closes
        fetchBlock(query, cursor);
    }
    return true;
}

void PgsqlDialect::closeRows(QSqlQuery& query) const noexcept {
    windows_.erase(&query);
    const QString cursor = cursorReadBy(query);
    if (cursor.isEmpty())
        return;
    openCursors_.removeAll(cursor);
    // A rolled-back transaction takes the cursors declared in it along; closing one that
    // is gone would fail, and so break a transaction that runs now.
    pg_conn* handle = pgsql::handleOf(query);
    if (handle && pgsql::cursorExists(handle, cursor, answerLimitSeconds()))
        pgsql::runQuietly(handle, QStringLiteral("CLOSE ") + cursor, answerLimitSeconds());
}

QVariant PgsqlDialect::insertedRowId(const QSqlQuery& /*query*/) const {
    // Keys come from sequences that the program reads itself; there is no row id.
    return {};
}

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
        const QString declared = query.value(1).toString();
        int size = 0;
        FieldType type = typeOfDeclared(declared, size);
        if (declared.startsWith(u"time without") || declared.startsWith(u"time with"))
            type = FieldType::Time;
        if (isTextType(type)) {
            size = query.value(2).toInt();
            type = size > 255 ? FieldType::Memo : FieldType::String;
        }
        columns.push_back({query.value(0).toString(), type, size});
    }
    return columns;
}

std::vector<Dialect::Index> PgsqlDialect::tableIndexes(QSqlDatabase& connection,
                                                       const QString& table) const {
    std::vector<Index> indexes;
    // An index on an expression has a column without a name; such an index is left out.
    QSqlQuery query = runCatalogue(
        connection,
        QStringLiteral(
            "SELECT i.relname, ix.indisunique, ix.indisprimary, a.attname "
            "FROM pg_index ix JOIN pg_class t ON t.oid = ix.indrelid "
            "JOIN pg_class i ON i.oid = ix.indexrelid "
            "JOIN LATERAL unnest(ix.indkey) WITH ORDINALITY AS k(attnum, position) ON true "
            "LEFT JOIN pg_attribute a ON a.attrelid = t.oid AND a.attnum = k.attnum "
            "AND k.attnum > 0 "
            "WHERE t.relnamespace = current_schema()::regnamespace "
            "AND lower(t.relname) = lower(?) AND ix.indpred IS NULL "
            "ORDER BY ix.indisprimary DESC, i.relname, k.position"),
        table);
    bool plainColumns = true;
    auto keepLast = [&] {
        if (!plainColumns)
            indexes.pop_back();
        plainColumns = true;
    };
    while (query.next()) {
        const QString name = query.value(0).toString();
        if (indexes.empty() || indexes.back().name != name) {
            if (!indexes.empty())
                keepLast();
            indexes.push_back({name, {}, query.value(1).toBool(), query.value(2).toBool()});
        }
        plainColumns = plainColumns && !query.value(3).isNull();
        indexes.back().fields << query.value(3).toString();
    }
    if (!indexes.empty())
        keepLast();
    return indexes;
}

} // namespace db
