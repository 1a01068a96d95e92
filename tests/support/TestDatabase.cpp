#include "TestDatabase.h"

#include "db/Session.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>
#include <stdexcept>

namespace {

const QString MaintenanceDatabase = QStringLiteral("postgres");

// The logins that tests pass on their command lines, with their passwords.
const std::pair<const char*, const char*> TestLogins[] = {{"demo", "demo"}, {"u", "p"}};

QString readText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("Cannot read " + path.toStdString());
    return QString::fromUtf8(file.readAll());
}

void writeText(const QString& path, const QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("Cannot write " + path.toStdString());
    file.write(text.toUtf8());
}

[[noreturn]] void fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

[[noreturn]] void skipWithoutServer(const QString& reason) {
    std::printf("SKIP: these tests need a PostgreSQL server: %s\n", qPrintable(reason));
    std::fflush(stdout);
    std::exit(TestDatabase::SkipExitCode);
}

QString checkedSequenceName(const QString& name) {
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!identifier.match(name).hasMatch())
        fail(QStringLiteral("Not a sequence name: %1").arg(name));
    return name;
}

// Statements that set a sequence so that its next value is lastValue + 1.
QString setSequenceStatements(TestDatabase::Engine engine, const QString& name, qint64 lastValue) {
    const QString sequence = checkedSequenceName(name);
    if (engine == TestDatabase::Engine::Sqlite)
        return QStringLiteral("CREATE TABLE IF NOT EXISTS DB_SEQUENCES (NAME TEXT PRIMARY KEY, "
                              "LAST_VALUE INTEGER NOT NULL DEFAULT 0);"
                              "DELETE FROM DB_SEQUENCES WHERE UPPER(NAME) = UPPER('%1');"
                              "INSERT INTO DB_SEQUENCES (NAME, LAST_VALUE) VALUES ('%1', %2);")
            .arg(sequence)
            .arg(lastValue);
    const QString serverName = sequence.toLower();
    const QString position =
        lastValue >= 1 ? QStringLiteral("%1, true").arg(lastValue) : QStringLiteral("1, false");
    return QStringLiteral("CREATE SEQUENCE IF NOT EXISTS %1; SELECT setval('%1', %2);")
        .arg(serverName, position);
}

QString dropSequenceStatements(TestDatabase::Engine engine, const QString& name) {
    const QString sequence = checkedSequenceName(name);
    if (engine == TestDatabase::Engine::Sqlite)
        return QStringLiteral("DELETE FROM DB_SEQUENCES WHERE UPPER(NAME) = UPPER('%1');")
            .arg(sequence);
    return QStringLiteral("DROP SEQUENCE IF EXISTS %1;").arg(sequence.toLower());
}

// A connection of the fixture's own to one database of the server, closed and removed
// from Qt's list of connections when it ends.
class ServerConnection {
public:
    explicit ServerConnection(const QString& database)
        : name_(QStringLiteral("testdatabase-%1").arg(++counter())) {
        const TestDatabase::Server server = TestDatabase::server();
        QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_);
        connection.setHostName(server.host);
        connection.setPort(server.port);
        connection.setUserName(server.user);
        connection.setPassword(server.password);
        connection.setDatabaseName(database);
        connection.setConnectOptions(QStringLiteral("connect_timeout=5"));
        if (!connection.isValid())
            error_ = QStringLiteral("the Qt driver QPSQL is not installed");
        else if (!connection.open())
            error_ = connection.lastError().databaseText().trimmed();
    }
    ~ServerConnection() {
        {
            QSqlDatabase connection = QSqlDatabase::database(name_, false);
            connection.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    bool isOpen() const { return error_.isEmpty(); }
    const QString& error() const { return error_; }

    // Runs every statement of the script; the server runs them as one transaction.
    void exec(const QString& script) const {
        QSqlQuery query(QSqlDatabase::database(name_, false));
        bool ok = query.exec(script);
        while (ok && query.nextResult()) {
        }
        if (!ok || query.lastError().isValid())
            fail(QStringLiteral("SQL script failed on the server: %1")
                     .arg(query.lastError().databaseText().trimmed()));
    }

private:
    static int& counter() {
        static int value = 0;
        return value;
    }
    QString name_;
    QString error_;
};

void createTestLogins(const ServerConnection& server) {
    static bool created = false;
    if (created)
        return;
    for (const auto& [user, password] : TestLogins) {
        // Two test programs may get here at once: the second finds the role there.
        server.exec(QStringLiteral("DO $$BEGIN CREATE ROLE \"%1\" LOGIN PASSWORD '%2'; "
                                   "EXCEPTION WHEN duplicate_object OR unique_violation "
                                   "THEN NULL; END$$;")
                        .arg(QString::fromLatin1(user), QString::fromLatin1(password)));
    }
    created = true;
}

// Connections that name no user log in as the fixture's user.
void useServerLoginByDefault() {
    const TestDatabase::Server server = TestDatabase::server();
    qputenv("PGUSER", server.user.toUtf8());
    if (!server.password.isEmpty())
        qputenv("PGPASSWORD", server.password.toUtf8());
}

QString newServerDatabaseName() {
    static int counter = 0;
    return QStringLiteral("zevtest_%1_%2_%3")
        .arg(QCoreApplication::applicationPid())
        .arg(++counter)
        .arg(QRandomGenerator::global()->generate() % 0x100000, 5, 16, QLatin1Char('0'));
}

} // namespace

TestDatabase::Engine TestDatabase::engineFromEnvironment() {
    const QString engine = qEnvironmentVariable("ZEV_TEST_ENGINE").trimmed();
    return engine.compare(u"pgsql", Qt::CaseInsensitive) == 0 ? Engine::Pgsql : Engine::Sqlite;
}

TestDatabase::Server TestDatabase::server() {
    Server server;
    server.host = qEnvironmentVariable("ZEV_TEST_PGHOST", QStringLiteral("127.0.0.1"));
    server.port = qEnvironmentVariableIntValue("ZEV_TEST_PGPORT");
    server.user = qEnvironmentVariable("ZEV_TEST_PGUSER", QStringLiteral("postgres"));
    server.password = qEnvironmentVariable("ZEV_TEST_PGPASSWORD");
    return server;
}

TestDatabase::TestDatabase(const QString& alias, Content content, const QString& script)
    : engine_(engineFromEnvironment()), alias_(alias) {
    create(content, script);
}

TestDatabase::TestDatabase(Engine engine, const QString& alias, Content content)
    : engine_(engine), alias_(alias) {
    create(content, {});
}

void TestDatabase::create(Content content, const QString& script) {
    if (engine_ == Engine::Pgsql) {
        if (server().port <= 0)
            skipWithoutServer(QStringLiteral("ZEV_TEST_PGPORT is not set"));
        const ServerConnection maintenance(MaintenanceDatabase);
        if (!maintenance.isOpen())
            skipWithoutServer(maintenance.error());
        createTestLogins(maintenance);
        useServerLoginByDefault();
        const QString name = newServerDatabaseName();
        // UPPER and LOWER need a UTF-8 character type to raise š to Š.
        maintenance.exec(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' "
                                        "LC_COLLATE 'C.UTF-8' LC_CTYPE 'C.UTF-8'")
                             .arg(name));
        serverDatabase_ = name;
        // Whatever the fixture creates there, the test logins may use.
        exec(QStringLiteral("GRANT ALL ON SCHEMA public TO PUBLIC;"
                            "ALTER DEFAULT PRIVILEGES GRANT ALL ON TABLES TO PUBLIC;"
                            "ALTER DEFAULT PRIVILEGES GRANT ALL ON SEQUENCES TO PUBLIC;"));
        if (content == Content::Schema)
            execFile(QStringLiteral(ZEV_SOURCE_DIR "/data/pg-schema.sql"));
    } else if (content == Content::Schema) {
        execFile(QStringLiteral(ZEV_SOURCE_DIR "/data/schema.sql"));
    } else {
        exec(QStringLiteral("SELECT 1;")); // creates the file
    }
    writeAliasFile(aliasSection(alias_));
    if (!script.isEmpty())
        exec(script);
    db::Session::defaultSession().setPrivateDir(folder());
}

TestDatabase::~TestDatabase() {
    db::Session::defaultSession().close();
    if (serverDatabase_.isEmpty())
        return;
    try {
        const ServerConnection maintenance(MaintenanceDatabase);
        maintenance.exec(
            QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(serverDatabase_));
    } catch (const std::exception& error) {
        qWarning("Test database %s is left on the server: %s", qPrintable(serverDatabase_),
                 error.what());
    }
}

QString TestDatabase::driverName() const {
    return engine_ == Engine::Pgsql ? QStringLiteral("PGSQL") : QStringLiteral("SQLITE");
}

QString TestDatabase::folder() const {
    return dir_.path() + QLatin1Char('/');
}

QString TestDatabase::aliasSection(const QString& alias) const {
    if (engine_ == Engine::Sqlite)
        return QStringLiteral("[%1]\nDRIVER=SQLITE\nDATABASE=test.db\n").arg(alias);
    const Server server = this->server();
    return QStringLiteral("[%1]\nDRIVER=PGSQL\nHOST=%2\nPORT=%3\nDATABASE=%4\n")
        .arg(alias, server.host)
        .arg(server.port)
        .arg(serverDatabase_);
}

void TestDatabase::writeAliasFile(const QString& text) const {
    writeText(folder() + QStringLiteral("dbalias.ini"), text);
}

void TestDatabase::exec(const QString& script) const {
    if (engine_ == Engine::Pgsql)
        execOnServer(script);
    else
        execOnFile(script);
}

void TestDatabase::execOnServer(const QString& script) const {
    const ServerConnection connection(serverDatabase_);
    if (!connection.isOpen())
        fail(QStringLiteral("Cannot reach the test database: %1").arg(connection.error()));
    connection.exec(script);
}

void TestDatabase::execOnFile(const QString& script) const {
    sqlite3* handle = nullptr;
    const QByteArray path = (folder() + QStringLiteral("test.db")).toUtf8();
    if (sqlite3_open(path.constData(), &handle) != SQLITE_OK) {
        sqlite3_close(handle);
        fail(QStringLiteral("Cannot open %1").arg(QString::fromUtf8(path)));
    }
    char* error = nullptr;
    const int rc = sqlite3_exec(handle, script.toUtf8().constData(), nullptr, nullptr, &error);
    const QString message = error ? QString::fromUtf8(error) : QString();
    sqlite3_free(error);
    sqlite3_close(handle);
    if (rc != SQLITE_OK)
        fail(QStringLiteral("SQL script failed: %1").arg(message));
}

void TestDatabase::execFile(const QString& path) const {
    exec(readText(path));
}

void TestDatabase::loadDemoContent() const {
    execFile(QStringLiteral(ZEV_SOURCE_DIR "/data/demo-content.sql"));
    // The settings sequence continues after the demo rows, as in the built database.
    exec(
        engine_ == Engine::Sqlite
            ? QStringLiteral(
                  "UPDATE DB_SEQUENCES SET LAST_VALUE = (SELECT COALESCE(MAX(ID_SERPROG), "
                  "0) FROM SERPROG) WHERE NAME = 'SERPROG_PK_SEQ';")
            : QStringLiteral("SELECT setval('serprog_pk_seq', (SELECT COALESCE(MAX(id_serprog), 0) "
                             "+ 1 FROM serprog), false);"));
}

void TestDatabase::setSequence(const QString& name, qint64 lastValue) const {
    exec(setSequenceStatements(engine_, name, lastValue));
}

void TestDatabase::dropSequence(const QString& name) const {
    exec(dropSequenceStatements(engine_, name));
}
