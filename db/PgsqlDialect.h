#pragma once

#include "db/Dialect.h"

#include <QSqlError>
#include <QStringList>
#include <functional>
#include <map>

namespace db {

// The PostgreSQL server. Its schema script provides DUAL, NVL, the sequences and the
// server-side functions; statements need only NEXTVAL and SYSDATE rewritten.
//
// Parameters go to the server as $1, $2, ... of a prepared statement, one for each
// occurrence, so that the server infers each one's type from where it stands (a date
// column, a function's argument). Dates and times are bound as ISO texts, which the
// server reads in the inferred type without any time zone shift.
//
// The rows of a query that a data set reads come through a server-side cursor declared
// WITH HOLD, FetchBlockRows at a time, so that the client holds one block whatever the
// result's size, and other statements (a lookup, a commit) may run on the connection
// between two blocks. Declared outside a transaction, the server computes the whole
// result when the cursor is declared and keeps it in its temporary files; declared in
// one, it stays with the transaction until its commit, and a rollback removes it (the
// next block then fails with the server's error). While the server computes, and while
// the client waits for it to answer before each further block, the connection's
// progress handler is called.
//
// A data set that needs only its first rows at first (a lookup list) says how many: its
// statement then runs with LIMIT and OFFSET for a window of that many rows, so that an
// index on its order serves it and the server computes no more than the window; reading
// past it runs a window WindowGrowth times as large after it, and once a window would
// reach FetchBlockRows, the rest comes through a cursor as above.
//
// Every wait for the server is bounded: the alias's STATEMENT TIMEOUT (seconds,
// DefaultStatementTimeoutSeconds when not set, 0 for none) is the server's statement
// timeout, and the client gives up AnswerGraceSeconds later on a server that does not
// answer at all, closing the connection with an error that says so.
//
// Concatenations a || b run as NULLIF(concat(a, b), ''): the server's own || gives
// null for a null operand, where the back office's server reads it as empty text
// (the holdings statement's owner name of a firm without a first name).
class PgsqlDialect : public Dialect {
public:
    static constexpr int ConnectTimeoutSeconds = 4;
    static constexpr int DefaultStatementTimeoutSeconds = 600;
    static constexpr int AnswerGraceSeconds = 2;
    static constexpr int FetchBlockRows = 2000;
    static constexpr int WindowGrowth = 8;
    static constexpr int KeepaliveIdleSeconds = 30;
    static constexpr int KeepaliveIntervalSeconds = 10;
    static constexpr int KeepaliveCount = 3;
    static constexpr int UnacknowledgedSendMs = 60000;

    QString qtDriver() const override { return QStringLiteral("QPSQL"); }
    QString adapt(const QString& statement) const override;
    QVariant bindValue(FieldType type, const QVariant& value) const override;
    void configure(QSqlDatabase& connection, const ConnectionSettings& settings) const override;
    void prepareConnection(QSqlDatabase& connection) const override;
    void watchProgress(QSqlDatabase& connection,
                       StatementProgress* progress) const noexcept override;
    void execute(QSqlQuery& query, const QString& statement,
                 const QVariantList& values) const override;
    void openRows(QSqlQuery& query, const QString& statement, const QVariantList& values,
                  int firstRows = 0) const override;
    void closeRows(QSqlQuery& query) const noexcept override;
    bool fetchRow(QSqlQuery& query, bool first, int columnCount,
                  std::vector<QVariant>& values) const override;
    QVariant insertedRowId(const QSqlQuery& query) const override;
    std::vector<Column> tableColumns(QSqlDatabase& connection, const QString& table) const override;
    std::vector<Index> tableIndexes(QSqlDatabase& connection, const QString& table) const override;

    // The statement with "$1", "$2", ... in place of its '?' placeholders (outside quoted
    // texts and comments).
    static QString numberedPlaceholders(const QString& statement);

    // Whether a data set's statement is read through a cursor: a query that locks no rows.
    static bool readsThroughCursor(const QString& statement);
    // Whether such a statement may be read in windows: it limits its rows in no way of
    // its own and ends where LIMIT may follow.
    static bool takesWindows(const QString& statement);

private:
    static QString adaptNames(const QString& statement);
    // How long the client waits for one answer of the server; 0 for ever.
    int answerLimitSeconds() const;
    [[noreturn]] void raiseNoAnswer() const;
    // Runs call (a blocking call of the driver on the query's connection) within the
    // bound; raises EngineError when the server did not answer.
    bool boundedCall(const QSqlQuery& query, const std::function<bool()>& call) const;
    // Calls attempt with the statement until it gives no error, each time with one more
    // parameter cast to its value's type, as long as the server names one whose type it
    // cannot infer; raises EngineError with any other error.
    void withInferredTypes(QString text, const QVariantList& values,
                           const std::function<QSqlError(const QString& text)>& attempt) const;
    void declareCursor(QSqlQuery& query, const QString& statement,
                       const QVariantList& values) const;
    // Reads the cursor's next block. With a progress handler, first waits for the server
    // to answer without blocking the handler: the block itself is then read from a
    // server that answers, so the handler's window stays responsive when it stops.
    void fetchBlock(QSqlQuery& query, const QString& cursor) const;
    void awaitServer(const QSqlQuery& query) const;
    // A statement read in windows of rows: where the next one starts and how many it has.
    struct Window {
        QString statement;
        QVariantList values;
        qint64 offset = 0;
        qint64 rows = 0;
    };
    void runWindow(QSqlQuery& query, const Window& window) const;
    // Reads on after the query's last window: the next window, or a cursor for the rest.
    void readPastWindow(QSqlQuery& query, Window window) const;
    // The cursor whose blocks the query reads; empty when it reads none.
    QString cursorReadBy(const QSqlQuery& query) const;

    // The connection's own state (a dialect serves one connection).
    mutable int statementTimeoutSeconds_ = DefaultStatementTimeoutSeconds;
    mutable StatementProgress* progress_ = nullptr;
    mutable quint64 cursorsDeclared_ = 0;
    mutable QStringList openCursors_;
    mutable std::map<const QSqlQuery*, Window> windows_;
};

} // namespace db
