#include "db/PgsqlClient.h"

#include "db/StatementProgress.h"
#include "platform/Variant.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLocale>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QTime>
#include <cerrno>
#include <chrono>
#include <libpq-fe.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <vector>

namespace db::pgsql {

namespace {

// How often the wait for a statement looks at the progress and the bound.
constexpr int PollIntervalMs = 50;

using ResultHandle = std::unique_ptr<PGresult, decltype(&PQclear)>;

QSqlError clientError(pg_conn* connection) {
    return QSqlError(QStringLiteral("Unable to run the statement"),
                     QString::fromUtf8(PQerrorMessage(connection)), QSqlError::StatementError);
}

QSqlError serverError(const PGresult* result) {
    const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    return QSqlError(QStringLiteral("Unable to run the statement"),
                     QString::fromUtf8(PQresultErrorMessage(result)), QSqlError::StatementError,
                     state ? QString::fromLatin1(state) : QString());
}

// A bound value as the text the server reads in the type it infers for it; nothing for
// a null.
std::optional<QByteArray> parameterText(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    if (platform::isFloatVariant(value))
        return QByteArray::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return QByteArray(value.toBool() ? "true" : "false");
    case QMetaType::QTime:
        return value.toTime().toString(QStringLiteral("HH:mm:ss.zzz")).toUtf8();
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate).toUtf8();
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8();
    default:
        return value.toString().toUtf8();
    }
}

// Reads every result of the statement that was sent; the first error is kept.
QSqlError collectResults(pg_conn* connection) {
    QSqlError first;
    while (PGresult* raw = PQgetResult(connection)) {
        const ResultHandle result(raw, &PQclear);
        const ExecStatusType status = PQresultStatus(raw);
        if (!first.isValid() && status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            first = serverError(raw);
    }
    if (!first.isValid() && PQstatus(connection) != CONNECTION_OK)
        first = clientError(connection);
    return first;
}

void cancel(pg_conn* connection) {
    if (PGcancel* handle = PQgetCancel(connection)) {
        char reason[256];
        PQcancel(handle, reason, sizeof reason);
        PQfreeCancel(handle);
    }
}

// Waits until the sent statement's answer is in; false when the connection failed or
// the bound passed (then the connection is shut down).
bool awaitAnswer(pg_conn* connection, const Bounds& bounds, StatementProgress* progress,
                 Outcome& outcome) {
    QElapsedTimer waited;
    waited.start();
    const qint64 cancelMs = static_cast<qint64>(bounds.cancelSeconds) * 1000;
    const qint64 limitMs = static_cast<qint64>(bounds.giveUpSeconds) * 1000;
    while (PQisBusy(connection)) {
        pollfd socket{PQsocket(connection), POLLIN, 0};
        const int ready = poll(&socket, 1, PollIntervalMs);
        if ((ready < 0 && errno != EINTR) || (ready > 0 && !PQconsumeInput(connection))) {
            outcome.error = clientError(connection);
            return false;
        }
        if (progress && !outcome.interrupted && !progress->tick()) {
            outcome.interrupted = true;
            cancel(connection);
        }
        if (cancelMs > 0 && !outcome.cancelledForTime && waited.elapsed() >= cancelMs) {
            outcome.cancelledForTime = true;
            cancel(connection);
        }
        if (limitMs > 0 && waited.elapsed() >= limitMs) {
            outcome.timedOut = true;
            ::shutdown(PQsocket(connection), SHUT_RDWR);
            PQconsumeInput(connection);
            return false;
        }
    }
    return true;
}

} // namespace

pg_conn* handleOf(const QSqlQuery& query) {
    const QSqlDriver* driver = query.driver();
    if (!driver)
        return nullptr;
    const QVariant handle = driver->handle();
    // The driver names the type by its typedef or by its structure, depending on where
    // the type was first registered.
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<PGconn* const*>(handle.data());
}

AnswerDeadline::AnswerDeadline(pg_conn* connection, int seconds) noexcept {
    if (!connection || seconds <= 0)
        return;
    const int socket = PQsocket(connection);
    try {
        watcher_ = std::thread([this, socket, seconds] {
            std::unique_lock lock(mutex_);
            if (finished_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; }))
                return;
            expired_ = true;
            ::shutdown(socket, SHUT_RDWR);
        });
    } catch (...) {
        // Without a thread the wait is not bounded; the server's own timeout still is.
    }
}

AnswerDeadline::~AnswerDeadline() {
    {
        const std::lock_guard lock(mutex_);
        done_ = true;
    }
    finished_.notify_one();
    if (watcher_.joinable())
        watcher_.join();
}

Outcome runStatement(pg_conn* connection, const QString& statement, const QVariantList& values,
                     const Bounds& bounds, StatementProgress* progress) {
    Outcome outcome;
    std::vector<std::optional<QByteArray>> texts;
    std::vector<const char*> pointers;
    for (const QVariant& value : values)
        texts.push_back(parameterText(value));
    for (const auto& text : texts)
        pointers.push_back(text ? text->constData() : nullptr);
    const QByteArray command = statement.toUtf8();
    if (!PQsendQueryParams(connection, command.constData(), static_cast<int>(pointers.size()),
                           nullptr, pointers.data(), nullptr, nullptr, 0)) {
        outcome.error = clientError(connection);
        return outcome;
    }
    if (!awaitAnswer(connection, bounds, progress, outcome)) {
        collectResults(connection);
        if (!outcome.error.isValid())
            outcome.error = clientError(connection);
        return outcome;
    }
    outcome.error = collectResults(connection);
    return outcome;
}

Outcome awaitServer(pg_conn* connection, const Bounds& bounds, StatementProgress* progress) {
    Outcome outcome;
    if (!PQsendQuery(connection, "")) {
        outcome.error = clientError(connection);
        return outcome;
    }
    const bool answered = awaitAnswer(connection, bounds, progress, outcome);
    while (PGresult* raw = PQgetResult(connection))
        PQclear(raw); // the empty statement's answer says nothing
    if (!answered && !outcome.error.isValid())
        outcome.error = clientError(connection);
    return outcome;
}

void runQuietly(pg_conn* connection, const QString& statement, int seconds) noexcept {
    const AnswerDeadline deadline(connection, seconds);
    PQclear(PQexec(connection, statement.toUtf8().constData()));
}

bool cursorExists(pg_conn* connection, const QString& name, int seconds) noexcept {
    const AnswerDeadline deadline(connection, seconds);
    const QByteArray text = name.toUtf8();
    const char* values[] = {text.constData()};
    const ResultHandle result(PQexecParams(connection, "SELECT 1 FROM pg_cursors WHERE name = $1",
                                           1, nullptr, values, nullptr, nullptr, 0),
                              &PQclear);
    return PQresultStatus(result.get()) == PGRES_TUPLES_OK && PQntuples(result.get()) > 0;
}

} // namespace db::pgsql
