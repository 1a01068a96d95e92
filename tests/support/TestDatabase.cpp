#include "TestDatabase.h"

#include "db/Session.h"

#include <QFile>
#include <QTest>
#include <sqlite3.h>

namespace {

QString readText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("Cannot read %s", qPrintable(path));
    return QString::fromUtf8(file.readAll());
}

} // namespace

TestDatabase::TestDatabase(const QString& alias, Content content) : alias_(alias) {
    QFile aliases(folder() + QStringLiteral("dbalias.ini"));
    if (!aliases.open(QIODevice::WriteOnly))
        qFatal("Cannot write dbalias.ini");
    aliases.write(QStringLiteral("[%1]\nDRIVER=SQLITE\nDATABASE=test.db\n").arg(alias).toUtf8());
    aliases.close();
    if (content == Content::Schema)
        execFile(QStringLiteral(ZEV_SOURCE_DIR "/data/schema.sql"));
    else
        exec(QStringLiteral("SELECT 1;"));
    db::Session::defaultSession().setPrivateDir(folder());
}

TestDatabase::~TestDatabase() {
    db::Session::defaultSession().close();
}

QString TestDatabase::folder() const {
    return dir_.path() + QLatin1Char('/');
}

QString TestDatabase::databasePath() const {
    return folder() + QStringLiteral("test.db");
}

void TestDatabase::exec(const QString& script) const {
    sqlite3* handle = nullptr;
    const QByteArray path = databasePath().toUtf8();
    if (sqlite3_open(path.constData(), &handle) != SQLITE_OK)
        qFatal("Cannot open %s", path.constData());
    char* error = nullptr;
    const int rc = sqlite3_exec(handle, script.toUtf8().constData(), nullptr, nullptr, &error);
    const QString message = error ? QString::fromUtf8(error) : QString();
    sqlite3_free(error);
    sqlite3_close(handle);
    if (rc != SQLITE_OK)
        qFatal("SQL script failed: %s", qPrintable(message));
}

void TestDatabase::execFile(const QString& path) const {
    exec(readText(path));
}

void TestDatabase::loadDemoContent() const {
    execFile(QStringLiteral(ZEV_SOURCE_DIR "/data/demo-content.sql"));
}
