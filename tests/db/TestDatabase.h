#pragma once

// A throw-away SQLite database behind the alias TEST, in a temporary folder that
// serves as the session's private directory.

#include "db/Session.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

class TestDatabase {
public:
    // script: SQL run on the new database file before any connection opens.
    explicit TestDatabase(const QString& script = {}, const QString& aliasLines = {}) {
        QVERIFY(dir_.isValid());
        QFile alias(dir_.filePath(QStringLiteral("dbalias.ini")));
        QVERIFY(alias.open(QIODevice::WriteOnly));
        const QString lines = aliasLines.isEmpty()
                                  ? QStringLiteral("[TEST]\nDRIVER=SQLITE\n"
                                                   "DATABASE=test.db   ; beside this file\n")
                                  : aliasLines;
        alias.write(lines.toUtf8());
        alias.close();
        run(script);
        db::Session::defaultSession().setPrivateDir(dir_.path());
    }
    ~TestDatabase() { db::Session::defaultSession().close(); }
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    QString path() const { return dir_.filePath(QStringLiteral("test.db")); }
    QString folder() const { return dir_.path(); }

    // Runs SQL on the file through a connection of its own.
    void run(const QString& script) const {
        sqlite3* handle = nullptr;
        QCOMPARE(sqlite3_open(path().toUtf8().constData(), &handle), SQLITE_OK);
        char* error = nullptr;
        const int code =
            sqlite3_exec(handle, script.toUtf8().constData(), nullptr, nullptr, &error);
        const QString message = error ? QString::fromUtf8(error) : QString();
        sqlite3_free(error);
        sqlite3_close(handle);
        QVERIFY2(code == SQLITE_OK, qPrintable(message));
    }

private:
    QTemporaryDir dir_;
};
