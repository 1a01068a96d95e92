#pragma once

#include <QElapsedTimer>
#include <exception>
#include <functional>

namespace db {

class Database;

// Gives the thread that runs statements a chance to do other work (the window repaints,
// a status text follows) while long statements run on one connection, without a second
// thread. While the object exists, its handler is called on that thread at most once per
// interval:
//   - on SQLite from inside the engine while a statement steps (sqlite3_progress_handler),
//     so also while the first step of a sorted or grouped statement reads every row
//     before the first one comes back;
//   - on every engine while a data set reads the rows of its statement.
// On PostgreSQL it is called while the server computes the rows of a data set's
// statement (until the first block of rows arrives), as the rows are read and while the
// client waits for the server to answer before each further block; other statements (a
// commit, a change) wait for the server without a call.
//
// The handler must not run statements on this connection nor read rows of its data
// sets (the engine forbids it while a statement steps): a statement started on the
// connection meanwhile raises DatabaseError, and grids hold their reading while a handler
// runs (handlerRunning()). It is never called again while it runs. It should not raise:
// if it does, the error is kept, the running statement is interrupted, the data set's
// open or read raises that error instead of the engine's, and the handler is not called
// again while this object exists.
//
// Scopes nest: the one created last is in force until it ends, then the one before it
// again. They end in the reverse order of their creation and do not outlive the
// connection object. Whether the connection is open or opens later does not matter.
class StatementProgress {
public:
    using Handler = std::function<void()>;
    static constexpr int DefaultIntervalMs = 100;

    StatementProgress(Database& database, Handler handler, int intervalMs = DefaultIntervalMs);
    ~StatementProgress();
    StatementProgress(const StatementProgress&) = delete;
    StatementProgress& operator=(const StatementProgress&) = delete;

    // For the engines: called often while a statement runs or rows are read. Calls the
    // handler when the interval has passed since its last call (or since this object was
    // made). Answers false once when the handler raised: the caller interrupts the
    // statement, and the error waits in takeError(). Never raises.
    bool tick() noexcept;
    // The error the handler raised, handed out once; null when it raised none.
    std::exception_ptr takeError();
    // Whether this handler is running now.
    bool running() const { return running_; }
    // How many times the handler has been called.
    int calls() const { return calls_; }

    // Whether any handler of any connection is running now.
    static bool handlerRunning();

private:
    Database& database_;
    Handler handler_;
    qint64 intervalNs_;
    QElapsedTimer sinceLastCall_;
    StatementProgress* previous_;
    std::exception_ptr error_;
    bool running_ = false;
    bool failed_ = false;
    int calls_ = 0;
};

} // namespace db
