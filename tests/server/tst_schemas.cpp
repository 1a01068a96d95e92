#include "../support/TestDatabase.h"

#include <QMap>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace {

using Engine = TestDatabase::Engine;

// What a schema declares of one table: its columns in order and its primary key.
struct TableShape {
    QStringList columns;
    QStringList primaryKey;
    bool operator==(const TableShape&) const = default;
};
using SchemaShape = QMap<QString, TableShape>;

// Tables of the embedded engine's own machinery, which the server keeps as sequences
// and functions.
const QStringList EmbeddedMachinery = {"db_functions", "db_sequences"};

// A connection of the test's own to the fixture's database, closed with it.
class Connection {
public:
    explicit Connection(const TestDatabase& database)
        : name_(QStringLiteral("schema-%1").arg(database.driverName())) {
        const bool server = database.engine() == Engine::Pgsql;
        QSqlDatabase connection = QSqlDatabase::addDatabase(
            server ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), name_);
        if (server) {
            const TestDatabase::Server where = TestDatabase::server();
            connection.setHostName(where.host);
            connection.setPort(where.port);
            connection.setUserName(where.user);
            connection.setPassword(where.password);
            connection.setDatabaseName(database.serverDatabase());
        } else {
            connection.setDatabaseName(database.folder() + QStringLiteral("test.db"));
        }
        if (!connection.open())
            qFatal("Cannot open the %s schema: %s", qPrintable(database.driverName()),
                   qPrintable(connection.lastError().text()));
    }
    ~Connection() { QSqlDatabase::removeDatabase(name_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The first column of every row, lower-cased.
    QStringList column(const QString& statement, const QString& table = {}) const {
        QSqlQuery query(QSqlDatabase::database(name_));
        query.prepare(statement);
        if (!table.isNull())
            query.addBindValue(table);
        if (!query.exec())
            qFatal("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
        QStringList values;
        while (query.next())
            values << query.value(0).toString().toLower();
        return values;
    }

private:
    QString name_;
};

SchemaShape embeddedShape(const Connection& connection) {
    SchemaShape shape;
    const QStringList tables = connection.column(QStringLiteral(
        "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') ORDER BY name"));
    for (const QString& table : tables) {
        if (EmbeddedMachinery.contains(table))
            continue;
        shape[table] = {
            connection.column(QStringLiteral("SELECT name FROM pragma_table_info(?) ORDER BY cid"),
                              table),
            connection.column(
                QStringLiteral("SELECT name FROM pragma_table_info(?) WHERE pk > 0 ORDER BY pk"),
                table)};
    }
    return shape;
}

SchemaShape serverShape(const Connection& connection) {
    SchemaShape shape;
    const QStringList tables =
        connection.column(QStringLiteral("SELECT table_name FROM information_schema.tables "
                                         "WHERE table_schema = 'public' ORDER BY table_name"));
    for (const QString& table : tables) {
        shape[table] = {
            connection.column(QStringLiteral("SELECT column_name FROM information_schema.columns "
                                             "WHERE table_schema = 'public' AND table_name = ? "
                                             "ORDER BY ordinal_position"),
                              table),
            connection.column(
                QStringLiteral("SELECT k.column_name FROM information_schema.table_constraints c "
                               "JOIN information_schema.key_column_usage k "
                               "ON k.constraint_name = c.constraint_name "
                               "AND k.table_schema = c.table_schema "
                               "WHERE c.table_schema = 'public' AND c.table_name = ? "
                               "AND c.constraint_type = 'PRIMARY KEY' ORDER BY k.ordinal_position"),
                table)};
    }
    return shape;
}

} // namespace

// data/schema.sql and data/pg-schema.sql are kept by hand side by side: they must
// declare the same tables, with the same columns in the same order and the same keys.
class SchemasTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void bothEnginesDeclareTheSameTablesColumnsAndKeys();
};

void SchemasTest::bothEnginesDeclareTheSameTablesColumnsAndKeys() {
    const TestDatabase embedded(Engine::Sqlite, QStringLiteral("EMBEDDED"));
    const TestDatabase server(Engine::Pgsql, QStringLiteral("SERVER"));
    const SchemaShape embeddedTables = embeddedShape(Connection(embedded));
    const SchemaShape serverTables = serverShape(Connection(server));
    QCOMPARE(embeddedTables.keys(), serverTables.keys());
    for (auto table = embeddedTables.begin(); table != embeddedTables.end(); ++table) {
        const TableShape& onServer = serverTables[table.key()];
        QVERIFY2(table->columns == onServer.columns,
                 qPrintable(table.key() + ": " + table->columns.join(',') + " / " +
                            onServer.columns.join(',')));
        QVERIFY2(table->primaryKey == onServer.primaryKey,
                 qPrintable(table.key() + ": " + table->primaryKey.join(',') + " / " +
                            onServer.primaryKey.join(',')));
    }
    QVERIFY(embeddedTables.size() > 15);
}

QTEST_MAIN(SchemasTest)
#include "tst_schemas.moc"
