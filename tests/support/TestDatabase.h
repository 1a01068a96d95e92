#pragma once

#include <QString>
#include <QTemporaryDir>

// A throwaway embedded database with the program's schema in a temporary folder,
// reachable through the alias of a "dbalias.ini" in the same folder, which becomes
// the session's private directory. Closing the fixture closes the session.
class TestDatabase {
public:
    enum class Content { Schema, Empty };
    explicit TestDatabase(const QString& alias = QStringLiteral("TEST"),
                          Content content = Content::Schema);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    QString folder() const; // with a trailing '/'
    QString databasePath() const;
    const QString& alias() const { return alias_; }

    // Runs statements on the file directly (not through the program's session);
    // a failing script fails the test that called it.
    void exec(const QString& script) const;
    void execFile(const QString& path) const;
    // Also adds the demo content of the program's demo database.
    void loadDemoContent() const;

private:
    QTemporaryDir dir_;
    QString alias_;
};
