#pragma once

#include "db/Dialect.h"

#include <memory>
#include <vector>

struct sqlite3;

namespace db {

// The embedded SQLite engine. Every connection gets NVL, Unicode UPPER and LOWER, the
// functions defined in table DB_FUNCTIONS (NAME, BODY), sequences kept in table
// DB_SEQUENCES (NAME, LAST_VALUE) and read as name.NEXTVAL, and SYSDATE as local
// "YYYY-MM-DD HH:MM:SS" text. Dates are stored and bound as ISO texts. Concatenations
// a || b run as zev_concat(a, b), which reads null operands as empty text, and nulls
// sort above every value (NULLS LAST ascending, NULLS FIRST descending).
class SqliteDialect : public Dialect {
public:
    SqliteDialect();
    ~SqliteDialect() override;

    QString qtDriver() const override { return QStringLiteral("QSQLITE"); }
    QString adapt(const QString& statement) const override;
    QVariant bindValue(FieldType type, const QVariant& value) const override;
    void configure(QSqlDatabase& connection, const ConnectionSettings& settings) const override;
    void prepareConnection(QSqlDatabase& connection) const override;
    void releaseConnection(QSqlDatabase& connection) const override;
    // Ticks the progress every ProgressInstructions steps of the engine's machine.
    void watchProgress(QSqlDatabase& connection,
                       StatementProgress* progress) const noexcept override;
    static constexpr int ProgressInstructions = 1000;
    std::vector<Column> tableColumns(QSqlDatabase& connection, const QString& table) const override;
    std::vector<Index> tableIndexes(QSqlDatabase& connection, const QString& table) const override;
    std::vector<Column> resultColumns(const QSqlQuery& query) const override;
    // Reads the rows from the engine's statement itself, text as UTF-8, with the values
    // that Qt's driver would give (64-bit integers, doubles, texts, byte arrays, null
    // texts), without the driver's copy of every row in UTF-16.
    bool fetchRow(QSqlQuery& query, bool first, int columnCount,
                  std::vector<QVariant>& values) const override;
    QString rowOrder(QSqlDatabase& connection, const QString& table) const override;
    QString nullSafeEquals(const QString& column) const override;

    // A statement kept prepared for the connection's lifetime (function bodies and
    // the sequence step run once per result row of large statements).
    struct CachedStatement;

private:
    static QString adaptNames(const QString& statement);
    static void useWriteAheadLog(sqlite3* handle);
    void registerBuiltins(sqlite3* handle) const;
    void registerDatabaseFunctions(sqlite3* handle) const;
    CachedStatement& keep(sqlite3* handle, const QByteArray& name, const QByteArray& sql) const;

    mutable std::vector<std::unique_ptr<CachedStatement>> statements_;
};

} // namespace db
