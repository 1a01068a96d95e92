#pragma once

#include <QSqlError>
#include <QString>
#include <QVariantList>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class QSqlQuery;
struct pg_conn;

namespace db {

class StatementProgress;

// What the QPSQL driver does not offer: the server's client library reached directly
// through an open connection's handle, to run a statement without blocking the
// thread's progress handler, and to bound how long the client waits for the server.
// The server's own statement timeout cannot end a wait on a server that no longer runs
// (a stopped process still has its connections acknowledged by the system, so that
// TCP keepalives do not notice either); these bounds are kept by the client itself.
namespace pgsql {

// The client library's connection behind the query's driver; null when it has none.
pg_conn* handleOf(const QSqlQuery& query);

// While it exists, bounds one blocking call of the client library on the connection:
// once the given seconds pass, the connection's socket is shut down, so that the call
// ends with an error, and expired() turns true. No bound when seconds is 0. Never
// raises.
class AnswerDeadline {
public:
    AnswerDeadline(pg_conn* connection, int seconds) noexcept;
    ~AnswerDeadline();
    AnswerDeadline(const AnswerDeadline&) = delete;
    AnswerDeadline& operator=(const AnswerDeadline&) = delete;
    bool expired() const { return expired_; }

private:
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    std::atomic<bool> expired_{false};
    std::thread watcher_;
};

// How long runStatement() waits: the statement is cancelled after cancelSeconds, and
// the connection shut down after giveUpSeconds (0: never).
struct Bounds {
    int cancelSeconds = 0;
    int giveUpSeconds = 0;
};

// How a statement run by runStatement() ended.
struct Outcome {
    QSqlError error;               // the server's or the client's error; invalid when it ran
    bool timedOut = false;         // the server did not answer within the bound
    bool interrupted = false;      // the progress handler raised; the statement was cancelled
    bool cancelledForTime = false; // cancelled after Bounds::cancelSeconds
};

// Runs a statement without rows ("$1", "$2", ... for the values, sent as texts of
// unknown type, so that the server infers each one's type where it stands) and waits
// for its end, calling progress->tick() meanwhile (unless null). A handler that raises
// cancels the statement, and so do the bounds; after the last one the connection is
// shut down. Never raises.
Outcome runStatement(pg_conn* connection, const QString& statement, const QVariantList& values,
                     const Bounds& bounds, StatementProgress* progress);

// Waits until the server answers an empty statement, as runStatement() waits, so that a
// blocking call that follows finds a server that answers, and the wait for one that
// does not calls the progress handler meanwhile. Never raises.
Outcome awaitServer(pg_conn* connection, const Bounds& bounds, StatementProgress* progress);

// Runs a statement without parameters and rows, within the bound; errors are ignored.
// Never raises.
void runQuietly(pg_conn* connection, const QString& statement, int seconds) noexcept;

// Whether a server-side cursor of this name exists on the connection. Never raises.
bool cursorExists(pg_conn* connection, const QString& name, int seconds) noexcept;

} // namespace pgsql
} // namespace db
