#pragma once

#include <QString>
#include <QTemporaryDir>

// A throwaway database for one test, reached through the alias of a "dbalias.ini" in
// a temporary folder, which becomes the session's private directory. Destroying the
// fixture closes the session and removes the database, also when the test failed.
//
// The engine comes from the environment. With ZEV_TEST_ENGINE=pgsql each fixture is a
// new database on the PostgreSQL server at ZEV_TEST_PGHOST (default 127.0.0.1) and
// ZEV_TEST_PGPORT, created and dropped by ZEV_TEST_PGUSER (password ZEV_TEST_PGPASSWORD,
// if any); a connection that names no user logs in as that user, and the logins that
// tests pass on their command lines ("demo"/"demo", "u"/"p") exist as roles with the
// rights of the test databases only. Without a reachable server the test program ends
// at its first fixture with SkipExitCode, which ctest reports as skipped. Without the
// variable the fixture is an embedded SQLite file.
class TestDatabase {
public:
    enum class Engine { Sqlite, Pgsql };
    enum class Content { Schema, Empty };
    static constexpr int SkipExitCode = 77;

    static Engine engineFromEnvironment();
    static bool onServer() { return engineFromEnvironment() == Engine::Pgsql; }

    // Content::Schema holds the program's tables (data/schema.sql on SQLite,
    // data/pg-schema.sql on the server). script runs after it, before any connection
    // of the program opens.
    explicit TestDatabase(const QString& alias = QStringLiteral("TEST"),
                          Content content = Content::Schema, const QString& script = {});
    // On the named engine, whatever the environment says.
    TestDatabase(Engine engine, const QString& alias, Content content = Content::Schema);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    Engine engine() const { return engine_; }
    QString driverName() const; // "SQLITE" or "PGSQL", as the alias file says
    QString folder() const;     // with a trailing '/'
    const QString& alias() const { return alias_; }

    // The alias file's section that reaches this database under the given alias, and
    // an alias file of other sections in place of the fixture's own.
    QString aliasSection(const QString& alias) const;
    void writeAliasFile(const QString& text) const;

    // Runs statements on the database directly (not through the program's session);
    // a failing script fails the test that called it.
    void exec(const QString& script) const;
    void execFile(const QString& path) const;
    // Also adds the demo content of the program's demo database; the settings
    // sequence then continues after its rows.
    void loadDemoContent() const;

    // Sequences on either engine: after setSequence(name, n) name.NEXTVAL gives n + 1;
    // the sequence is created when it is missing.
    void setSequence(const QString& name, qint64 lastValue) const;
    void dropSequence(const QString& name) const;

    // Where the server is (only with ZEV_TEST_ENGINE=pgsql or on the server engine).
    struct Server {
        QString host;
        int port = 0;
        QString user;
        QString password;
    };
    static Server server();
    const QString& serverDatabase() const { return serverDatabase_; }

private:
    void create(Content content, const QString& script);
    void execOnServer(const QString& script) const;
    void execOnFile(const QString& script) const;

    Engine engine_;
    QTemporaryDir dir_;
    QString alias_;
    QString serverDatabase_; // the server's database of this fixture
};
