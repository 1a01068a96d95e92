#include "db/SqliteDialect.h"

#include "db/SqlStatement.h"
#include "db/StatementProgress.h"
#include "platform/Errors.h"
#include "platform/Files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QUrl>
#include <algorithm>
#include <sqlite3.h>

namespace db {

struct SqliteDialect::CachedStatement {
    sqlite3* handle = nullptr;
    QByteArray name;
    QByteArray sql;
    sqlite3_stmt* statement = nullptr;
    bool busy = false;

    ~CachedStatement() { finalize(); }
    void finalize() {
        if (statement)
            sqlite3_finalize(statement);
        statement = nullptr;
    }
};

namespace {

using CachedStatement = SqliteDialect::CachedStatement;

// The engine's object behind a handle of Qt's driver: "sqlite3*" for a connection,
// "sqlite3_stmt*" for a statement; null for another driver's handle.
template <typename Engine> Engine* engineHandle(const QVariant& handle, const char* typeName) {
    if (!handle.isValid() || qstrcmp(handle.typeName(), typeName) != 0)
        return nullptr;
    return *static_cast<Engine* const*>(handle.constData());
}

sqlite3* handleOf(const QSqlDatabase& connection) {
    return connection.driver() ? engineHandle<sqlite3>(connection.driver()->handle(), "sqlite3*")
                               : nullptr;
}

QString textOf(sqlite3_value* value) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                             sqlite3_value_bytes(value));
}

void resultText(sqlite3_context* context, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(context, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

void resultError(sqlite3_context* context, const QString& message) {
    const QByteArray utf8 = message.toUtf8();
    sqlite3_result_error(context, utf8.constData(), static_cast<int>(utf8.size()));
}

void nvlFunction(sqlite3_context* context, int, sqlite3_value** arguments) {
    const bool firstIsNull = sqlite3_value_type(arguments[0]) == SQLITE_NULL;
    sqlite3_result_value(context, firstIsNull ? arguments[1] : arguments[0]);
}

void changeCase(sqlite3_context* context, sqlite3_value* argument, bool upper) {
    if (sqlite3_value_type(argument) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const QString text = textOf(argument);
    resultText(context, upper ? text.toUpper() : text.toLower());
}

void upperFunction(sqlite3_context* context, int, sqlite3_value** arguments) {
    changeCase(context, arguments[0], true);
}

void lowerFunction(sqlite3_context* context, int, sqlite3_value** arguments) {
    changeCase(context, arguments[0], false);
}

// a || b || c as the back office's server reads it: null operands count as empty
// text, and an empty result is null.
void concatFunction(sqlite3_context* context, int argumentCount, sqlite3_value** arguments) {
    std::string text;
    for (int i = 0; i < argumentCount; ++i) {
        const auto* part = reinterpret_cast<const char*>(sqlite3_value_text(arguments[i]));
        if (part)
            text.append(part, static_cast<std::size_t>(sqlite3_value_bytes(arguments[i])));
    }
    if (text.empty())
        sqlite3_result_null(context);
    else
        sqlite3_result_text64(context, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void sysdateFunction(sqlite3_context* context, int, sqlite3_value**) {
    resultText(context,
               QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

QString lastErrorOf(sqlite3* handle) {
    return QString::fromUtf8(sqlite3_errmsg(handle));
}

// Runs a cached statement with the given arguments; answers the step's result code.
// A statement already running (a body that calls its own function) gets a fresh copy.
class StatementRun {
public:
    StatementRun(CachedStatement& cached, int argumentCount, sqlite3_value** arguments)
        : cached_(cached) {
        if (cached_.busy) {
            prepare(&own_);
            statement_ = own_;
        } else {
            if (!cached_.statement)
                prepare(&cached_.statement);
            statement_ = cached_.statement;
            cached_.busy = statement_ != nullptr;
        }
        if (!statement_)
            return;
        const int wanted = sqlite3_bind_parameter_count(statement_);
        for (int i = 0; i < wanted && i < argumentCount; ++i)
            sqlite3_bind_value(statement_, i + 1, arguments[i]);
    }
    ~StatementRun() {
        if (!statement_)
            return;
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
        if (own_)
            sqlite3_finalize(own_);
        else
            cached_.busy = false;
    }
    StatementRun(const StatementRun&) = delete;
    StatementRun& operator=(const StatementRun&) = delete;

    bool prepared() const { return statement_ != nullptr; }
    QString prepareError() const { return prepareError_; }
    sqlite3_stmt* statement() const { return statement_; }
    int step() { return sqlite3_step(statement_); }

private:
    void prepare(sqlite3_stmt** target) {
        if (sqlite3_prepare_v2(cached_.handle, cached_.sql.constData(),
                               static_cast<int>(cached_.sql.size()), target,
                               nullptr) != SQLITE_OK) {
            prepareError_ = lastErrorOf(cached_.handle);
            *target = nullptr;
        }
    }

    CachedStatement& cached_;
    sqlite3_stmt* own_ = nullptr;
    sqlite3_stmt* statement_ = nullptr;
    QString prepareError_;
};

// A function of DB_FUNCTIONS: the first column of the first row of its body.
void databaseFunction(sqlite3_context* context, int argumentCount, sqlite3_value** arguments) {
    auto& cached = *static_cast<CachedStatement*>(sqlite3_user_data(context));
    StatementRun run(cached, argumentCount, arguments);
    const auto fail = [&](const QString& reason) {
        resultError(context, QStringLiteral("%1: %2").arg(QString::fromUtf8(cached.name), reason));
    };
    if (!run.prepared()) {
        fail(run.prepareError());
        return;
    }
    const int code = run.step();
    if (code == SQLITE_ROW)
        sqlite3_result_value(context, sqlite3_column_value(run.statement(), 0));
    else if (code == SQLITE_DONE)
        sqlite3_result_null(context);
    else
        fail(lastErrorOf(cached.handle));
}

// name.NEXTVAL: increments the sequence's LAST_VALUE and answers it.
void nextvalFunction(sqlite3_context* context, int argumentCount, sqlite3_value** arguments) {
    auto& cached = *static_cast<CachedStatement*>(sqlite3_user_data(context));
    const QString sequence = textOf(arguments[0]);
    StatementRun run(cached, argumentCount, arguments);
    if (!run.prepared()) {
        resultError(
            context,
            QStringLiteral("Sequence %1 does not exist (%2)").arg(sequence, run.prepareError()));
        return;
    }
    const int code = run.step();
    if (code == SQLITE_ROW) {
        const sqlite3_int64 value = sqlite3_column_int64(run.statement(), 0);
        while (run.step() == SQLITE_ROW) {
        }
        sqlite3_result_int64(context, value);
    } else if (code == SQLITE_DONE) {
        resultError(context, QStringLiteral("Sequence %1 does not exist").arg(sequence));
    } else {
        resultError(context,
                    QStringLiteral("Sequence %1: %2").arg(sequence, lastErrorOf(cached.handle)));
    }
}

void createFunction(sqlite3* handle, const char* name, int argumentCount, bool deterministic,
                    void (*function)(sqlite3_context*, int, sqlite3_value**),
                    void* userData = nullptr) {
    const int flags = SQLITE_UTF8 | (deterministic ? SQLITE_DETERMINISTIC : 0);
    if (sqlite3_create_function_v2(handle, name, argumentCount, flags, userData, function, nullptr,
                                   nullptr, nullptr) != SQLITE_OK)
        throw platform::EngineError(lastErrorOf(handle));
}

const char* const nextvalFunctionName = "zev_nextval";
const char* const sysdateFunctionName = "zev_sysdate";
const char* const concatFunctionName = "zev_concat";

} // namespace

SqliteDialect::SqliteDialect() = default;
SqliteDialect::~SqliteDialect() = default;

QString SqliteDialect::adapt(const QString& statement) const {
    static const ConcatenationForm concatenation{QString::fromLatin1(concatFunctionName) + u'(',
                                                 QStringLiteral(", "), QStringLiteral(")")};
    return placeNullsHigh(rewriteConcatenation(adaptNames(statement), concatenation));
}

QString SqliteDialect::adaptNames(const QString& statement) {
    return rewriteNames(statement, [](const QString& name) -> QString {
        const QString upper = name.toUpper();
        if (upper == u"SYSDATE")
            return QString::fromLatin1(sysdateFunctionName) + QStringLiteral("()");
        const QStringList parts = upper.split(u'.');
        if (parts.size() == 2 && parts[1] == u"NEXTVAL")
            return QStringLiteral("%1('%2')")
                .arg(QString::fromLatin1(nextvalFunctionName), parts[0]);
        return {};
    });
}

QVariant SqliteDialect::bindValue(FieldType type, const QVariant& value) const {
    const QVariant normal = normalizeValue(type, value);
    if (!normal.isValid())
        return {};
    if (type == FieldType::Time) {
        const auto time = platform::decodeTime(normal.toDouble());
        return QVariant(QStringLiteral("%1:%2:%3")
                            .arg(time.hour, 2, 10, QLatin1Char('0'))
                            .arg(time.minute, 2, 10, QLatin1Char('0'))
                            .arg(time.second, 2, 10, QLatin1Char('0')));
    }
    if (isDateType(type))
        return QVariant(isoDateTimeText(normal.toDouble()));
    if (type == FieldType::Boolean)
        return QVariant(qint64(normal.toBool() ? 1 : 0));
    return normal;
}

namespace {

// Once, before the first connection of the process opens: no memory statistics (a
// global lock around every allocation of the engine) and no lock around every call on
// a connection, which the program only uses from the thread that opened it (as Qt
// requires of its connections). Too late, the engine keeps its defaults.
void configureEngineOnce() {
    static const bool configured = [] {
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        sqlite3_config(SQLITE_CONFIG_MULTITHREAD);
        return true;
    }();
    (void)configured;
}

} // namespace

namespace {

// The journal mode a database file keeps in its header: the file format versions at
// bytes 18 and 19 are 2 in write-ahead-log mode, 1 with a rollback journal.
bool usesWriteAheadLog(const QString& file) {
    QFile header(file);
    if (!header.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = header.read(20);
    return bytes.size() == 20 && bytes[18] == 2 && bytes[19] == 2;
}

// How a file is opened: read-only where the program may not write it or its folder
// (read-only media, a shared folder of another user), so that a report that only
// reads never writes to the database. A read-only file in write-ahead-log mode can be
// read only where the log's index is there or can be made; in a folder that nobody
// can write to there is no writer either, and the file is read as unchanging.
QString connectOptions(const QString& file, QString& databaseName) {
    const QFileInfo info(file);
    databaseName = file;
    if (info.isWritable() && QFileInfo(info.absolutePath()).isWritable())
        return QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000");
    if (usesWriteAheadLog(file) && !QFileInfo::exists(file + QStringLiteral("-shm"))) {
        databaseName =
            QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded) + QStringLiteral("?immutable=1");
        return QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000;QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI");
    }
    return QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000;QSQLITE_OPEN_READONLY");
}

QString databaseFileOf(sqlite3* handle) {
    const char* file = sqlite3_db_filename(handle, "main");
    return file ? QString::fromUtf8(file) : QString();
}

// The engine's message for a database that another program holds locked (or any other
// failure), with the database it concerns.
[[noreturn]] void raiseWithDatabaseName(sqlite3* handle) {
    throw platform::EngineError(
        QStringLiteral("%1 (%2)").arg(lastErrorOf(handle), databaseFileOf(handle)));
}

} // namespace

void SqliteDialect::configure(QSqlDatabase& connection, const ConnectionSettings& settings) const {
    configureEngineOnce();
    QString file = settings.database.trimmed();
    if (file.isEmpty())
        throw platform::EngineError(QStringLiteral("No database file given for the alias"));
    QString databaseName = file;
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000");
    if (file != u":memory:") {
        if (QDir::isRelativePath(file))
            file = QDir(settings.aliasFolder).filePath(file);
        file = QDir::cleanPath(file);
        if (!platform::fileExists(file))
            throw platform::EngineError(QStringLiteral("Database file not found: %1").arg(file));
        // The engine would take an empty file for a new database and write one into it.
        if (QFileInfo(file).size() == 0)
            throw platform::EngineError(
                QStringLiteral("file is not a database: %1 is empty").arg(file));
        options = connectOptions(file, databaseName);
    }
    connection.setDatabaseName(databaseName);
    connection.setConnectOptions(options);
}

// Data sets read their rows as they are needed, so a grid keeps its statement open
// while it shows the first rows. With the write-ahead log such an open reader does not
// lock out the other programs that write to the same file. The mode is switched only
// where it differs and the connection may write; a database that another program
// holds locked fails with the engine's message, and one that cannot switch for another
// reason keeps its journal.
void SqliteDialect::useWriteAheadLog(sqlite3* handle) {
    if (sqlite3_db_readonly(handle, "main") != 0 || usesWriteAheadLog(databaseFileOf(handle)))
        return;
    const int code = sqlite3_exec(handle, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        raiseWithDatabaseName(handle);
}

void SqliteDialect::prepareConnection(QSqlDatabase& connection) const {
    sqlite3* handle = handleOf(connection);
    if (!handle)
        throw platform::EngineError(QStringLiteral("The SQLite connection has no handle"));
    sqlite3_busy_timeout(handle, 5000);
    useWriteAheadLog(handle);
    // LIKE tells letter case apart, as on the back office's server.
    sqlite3_exec(handle, "PRAGMA case_sensitive_like = ON", nullptr, nullptr, nullptr);
    registerBuiltins(handle);
    registerDatabaseFunctions(handle);
}

namespace {

// A non-zero answer makes the engine interrupt the statement (SQLITE_INTERRUPT).
int onProgress(void* progress) {
    return static_cast<StatementProgress*>(progress)->tick() ? 0 : 1;
}

} // namespace

void SqliteDialect::watchProgress(QSqlDatabase& connection,
                                  StatementProgress* progress) const noexcept {
    sqlite3* handle = handleOf(connection);
    if (!handle)
        return;
    if (progress)
        sqlite3_progress_handler(handle, ProgressInstructions, onProgress, progress);
    else
        sqlite3_progress_handler(handle, 0, nullptr, nullptr);
}

void SqliteDialect::releaseConnection(QSqlDatabase& connection) const {
    // The connection's statements go (finalized); those of another connection that this
    // dialect prepared stay, since its functions still use them.
    sqlite3* handle = handleOf(connection);
    std::erase_if(statements_,
                  [handle](const auto& cached) { return !handle || cached->handle == handle; });
}

SqliteDialect::CachedStatement& SqliteDialect::keep(sqlite3* handle, const QByteArray& name,
                                                    const QByteArray& sql) const {
    auto cached = std::make_unique<CachedStatement>();
    cached->handle = handle;
    cached->name = name;
    cached->sql = sql;
    statements_.push_back(std::move(cached));
    return *statements_.back();
}

void SqliteDialect::registerBuiltins(sqlite3* handle) const {
    createFunction(handle, "NVL", 2, true, nvlFunction);
    createFunction(handle, "UPPER", 1, true, upperFunction);
    createFunction(handle, "LOWER", 1, true, lowerFunction);
    createFunction(handle, sysdateFunctionName, 0, false, sysdateFunction);
    createFunction(handle, concatFunctionName, -1, true, concatFunction);
    CachedStatement& sequence =
        keep(handle, nextvalFunctionName,
             "UPDATE DB_SEQUENCES SET LAST_VALUE = COALESCE(LAST_VALUE, 0) + 1 "
             "WHERE UPPER(NAME) = UPPER(?1) RETURNING LAST_VALUE");
    createFunction(handle, nextvalFunctionName, 1, false, nextvalFunction, &sequence);
}

namespace {

bool isMissingTable(sqlite3* handle) {
    return sqlite3_errcode(handle) == SQLITE_ERROR &&
           lastErrorOf(handle).startsWith(QLatin1String("no such table"));
}

} // namespace

void SqliteDialect::registerDatabaseFunctions(sqlite3* handle) const {
    sqlite3_stmt* list = nullptr;
    if (sqlite3_prepare_v2(handle, "SELECT NAME, BODY FROM DB_FUNCTIONS", -1, &list, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(list);
        if (isMissingTable(handle))
            return; // a database without functions of its own
        raiseWithDatabaseName(handle);
    }
    std::vector<std::pair<QByteArray, QByteArray>> functions;
    int code = SQLITE_ROW;
    while ((code = sqlite3_step(list)) == SQLITE_ROW) {
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(list, 0));
        const auto* body = reinterpret_cast<const char*>(sqlite3_column_text(list, 1));
        if (name && body)
            functions.emplace_back(QByteArray(name).trimmed(), QByteArray(body));
    }
    sqlite3_finalize(list);
    if (code != SQLITE_DONE)
        raiseWithDatabaseName(handle);
    for (const auto& [name, body] : functions) {
        CachedStatement& cached = keep(handle, name, body);
        createFunction(handle, cached.name.constData(), -1, false, databaseFunction, &cached);
    }
}

std::vector<Dialect::Column> SqliteDialect::tableColumns(QSqlDatabase& connection,
                                                         const QString& table) const {
    std::vector<Column> columns;
    QSqlQuery query(connection);
    query.prepare(QStringLiteral("SELECT name, type FROM pragma_table_info(?) ORDER BY cid"));
    query.addBindValue(table);
    if (!query.exec())
        raiseEngineError(query.lastError());
    while (query.next()) {
        int size = 0;
        const FieldType type = typeOfDeclared(query.value(1).toString(), size);
        columns.push_back({query.value(0).toString(),
                           type == FieldType::Unknown ? FieldType::String : type, size});
    }
    return columns;
}

std::vector<Dialect::Index> SqliteDialect::tableIndexes(QSqlDatabase& connection,
                                                        const QString& table) const {
    std::vector<Index> indexes;
    QStringList primaryKey;
    {
        QSqlQuery query(connection);
        query.prepare(
            QStringLiteral("SELECT name FROM pragma_table_info(?) WHERE pk > 0 ORDER BY pk"));
        query.addBindValue(table);
        if (!query.exec())
            raiseEngineError(query.lastError());
        while (query.next())
            primaryKey << query.value(0).toString();
    }
    QSqlQuery list(connection);
    list.prepare(QStringLiteral("SELECT name, \"unique\", origin FROM pragma_index_list(?)"));
    list.addBindValue(table);
    if (!list.exec())
        raiseEngineError(list.lastError());
    while (list.next()) {
        Index index{list.value(0).toString(),
                    {},
                    list.value(1).toInt() != 0,
                    list.value(2).toString() == u"pk"};
        QSqlQuery columns(connection);
        columns.prepare(QStringLiteral("SELECT name FROM pragma_index_info(?) ORDER BY seqno"));
        columns.addBindValue(index.name);
        if (!columns.exec())
            raiseEngineError(columns.lastError());
        bool plainColumns = true;
        while (columns.next()) {
            plainColumns = plainColumns && !columns.value(0).isNull();
            index.fields << columns.value(0).toString();
        }
        if (plainColumns && !index.fields.isEmpty())
            indexes.push_back(index);
    }
    const bool primaryListed =
        std::any_of(indexes.begin(), indexes.end(), [](const Index& i) { return i.primary; });
    if (!primaryKey.isEmpty() && !primaryListed)
        indexes.insert(indexes.begin(), Index{QStringLiteral("PRIMARY"), primaryKey, true, true});
    std::stable_partition(indexes.begin(), indexes.end(), [](const Index& i) { return i.primary; });
    return indexes;
}

namespace {

sqlite3_stmt* statementOf(const QSqlQuery& query) {
    return query.result() ? engineHandle<sqlite3_stmt>(query.result()->handle(), "sqlite3_stmt*")
                          : nullptr;
}

// A column of the current row as Qt's driver gives it.
QVariant columnValue(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(statement, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(statement, column));
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, column)),
                          sqlite3_column_bytes(statement, column));
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        return QString::fromUtf8(text, sqlite3_column_bytes(statement, column));
    }
    }
}

} // namespace

bool SqliteDialect::fetchRow(QSqlQuery& query, bool first, int columnCount,
                             std::vector<QVariant>& values) const {
    sqlite3_stmt* statement = statementOf(query);
    if (!statement || !query.isSelect() ||
        query.numericalPrecisionPolicy() != QSql::LowPrecisionDouble)
        return Dialect::fetchRow(query, first, columnCount, values);
    // Qt's driver takes the first step when it runs the statement: the first row, if
    // there is one, stands ready then.
    if (first) {
        if (sqlite3_data_count(statement) == 0)
            return false;
    } else {
        const int code = sqlite3_step(statement);
        if (code == SQLITE_DONE)
            return false;
        if (code != SQLITE_ROW)
            throw platform::EngineError(lastErrorOf(sqlite3_db_handle(statement)));
    }
    values.resize(columnCount);
    for (int i = 0; i < columnCount; ++i)
        values[i] = columnValue(statement, i);
    return true;
}

std::vector<Dialect::Column> SqliteDialect::resultColumns(const QSqlQuery& query) const {
    std::vector<Column> columns = Dialect::resultColumns(query);
    sqlite3_stmt* statement = statementOf(query);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        const char* declared = statement ? sqlite3_column_decltype(statement, i) : nullptr;
        if (declared && *declared) {
            int size = 0;
            const FieldType type = typeOfDeclared(QString::fromUtf8(declared), size);
            columns[i].type = type == FieldType::Unknown ? FieldType::String : type;
            columns[i].size = size;
            continue;
        }
        // An expression: its first value's kind. Numbers are kept as floating point,
        // since later rows of the same expression may carry fractions.
        if (isNumericType(columns[i].type))
            columns[i].type = FieldType::Float;
        else if (columns[i].type != FieldType::String)
            columns[i].type = FieldType::Unknown;
    }
    return columns;
}

QString SqliteDialect::rowOrder(QSqlDatabase& connection, const QString& table) const {
    QSqlQuery query(connection);
    query.prepare(QStringLiteral(
        "SELECT type FROM sqlite_master WHERE type IN ('table', 'view') AND name = ? "
        "COLLATE NOCASE"));
    query.addBindValue(table);
    if (query.exec() && query.next() && query.value(0).toString() == u"table")
        return QStringLiteral("rowid");
    return {};
}

QString SqliteDialect::nullSafeEquals(const QString& column) const {
    return column + QStringLiteral(" IS ?");
}

} // namespace db
