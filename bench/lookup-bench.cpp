// The lookup controls over a generated list: over the table, typing a five-letter
// prefix key by key into a lookup list box (one narrowing per key), one narrowing
// through the search editor of a lookup combo box, and the drop-down list showing its
// rows; over the query "SELECT ID, NAZIV, SKUPINA FROM LST ORDER BY NAZIV", the same
// typing, a key set from outside (locate), Down after it, and End; with the rows the
// list data set read and the resident memory.
//
//   lookup-bench FOLDER ROWS [sqlite|pgsql]
//
// On the embedded engine the list is generated into FOLDER/lookup-ROWS.db once; on the
// server (ZEV_TEST_PGHOST, ZEV_TEST_PGPORT, ZEV_TEST_PGUSER, as the tests' cluster
// gives them) into the database zev_lookup_ROWS, also once.

#include "controls/KVDbCtrl.h"
#include "controls/KvDbCtrX.h"
#include "db/DataSource.h"
#include "db/Query.h"
#include "db/Session.h"
#include "db/Table.h"
#include "platform/Application.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QTextStream out(stdout);

long residentKiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = statm.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

// Names of eight letters drawn from a fixed sequence, so that every run has the same rows.
QByteArray generatedName(quint64& state) {
    static const char* const letters[] = {"A", "B", "C", "Č", "D", "E", "F", "G", "H",
                                          "I", "J", "K", "L", "M", "N", "O", "P", "R",
                                          "S", "Š", "T", "U", "V", "Z", "Ž"};
    QByteArray name;
    for (int i = 0; i < 8; ++i) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        name += letters[(state >> 33) % (sizeof letters / sizeof *letters)];
    }
    return name;
}

void execOrDie(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        out << "sqlite: " << error << Qt::endl;
        std::exit(1);
    }
}

void generate(const QString& file, int rows) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(file).constData(), &db);
    execOrDie(db, "CREATE TABLE LST (ID INTEGER PRIMARY KEY, NAZIV VARCHAR(40) NOT NULL,"
                  " SKUPINA INTEGER NOT NULL); BEGIN");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO LST VALUES (?, ?, ?)", -1, &insert, nullptr);
    quint64 state = 42;
    for (int id = 1; id <= rows; ++id) {
        const QByteArray name = generatedName(state);
        sqlite3_bind_int(insert, 1, id);
        sqlite3_bind_text(insert, 2, name.constData(), static_cast<int>(name.size()),
                          SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 3, id % 4 + 1);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    execOrDie(db, "COMMIT; CREATE INDEX LST_NAZIV ON LST (NAZIV);"
                  " CREATE INDEX LST_SKUPINA ON LST (SKUPINA, NAZIV)");
    sqlite3_close(db);
}

struct Server {
    QString host = qEnvironmentVariable("ZEV_TEST_PGHOST", QStringLiteral("127.0.0.1"));
    QString port = qEnvironmentVariable("ZEV_TEST_PGPORT", QStringLiteral("5432"));
    QString user = qEnvironmentVariable("ZEV_TEST_PGUSER", QStringLiteral("postgres"));
};

void serverExecOrDie(QSqlDatabase& connection, const QString& statement,
                     const QVariantList& values = {}) {
    QSqlQuery query(connection);
    bool done = false;
    if (values.isEmpty()) { // definitions cannot be prepared
        done = query.exec(statement);
    } else {
        query.prepare(statement);
        for (int i = 0; i < values.size(); ++i)
            query.bindValue(i, values[i]);
        done = query.exec();
    }
    if (!done) {
        out << "server: " << query.lastError().text() << Qt::endl;
        std::exit(1);
    }
}

// The same rows on the server, a thousand per statement as bound arrays.
void generateOnServer(const Server& server, const QString& database, int rows) {
    {
        QSqlDatabase maintenance =
            QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), "bench-admin");
        maintenance.setHostName(server.host);
        maintenance.setPort(server.port.toInt());
        maintenance.setUserName(server.user);
        maintenance.setDatabaseName(QStringLiteral("postgres"));
        if (!maintenance.open()) {
            out << "server: " << maintenance.lastError().text() << Qt::endl;
            std::exit(1);
        }
        QSqlQuery exists(maintenance);
        exists.prepare(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?"));
        exists.addBindValue(database);
        exists.exec();
        const bool present = exists.next();
        exists.finish();
        if (!present)
            serverExecOrDie(maintenance, QStringLiteral("CREATE DATABASE ") + database);
        maintenance.close();
        if (present)
            return QSqlDatabase::removeDatabase(QStringLiteral("bench-admin"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-admin"));
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), "bench-fill");
        connection.setHostName(server.host);
        connection.setPort(server.port.toInt());
        connection.setUserName(server.user);
        connection.setDatabaseName(database);
        connection.open();
        serverExecOrDie(connection, QStringLiteral("CREATE TABLE LST (ID INTEGER PRIMARY KEY, "
                                                   "NAZIV VARCHAR(40) NOT NULL, SKUPINA INTEGER "
                                                   "NOT NULL)"));
        quint64 state = 42;
        for (int first = 1; first <= rows; first += 1000) {
            QStringList ids, names, groups;
            for (int id = first; id < first + 1000 && id <= rows; ++id) {
                ids << QString::number(id);
                names << u'"' + QString::fromUtf8(generatedName(state)) + u'"';
                groups << QString::number(id % 4 + 1);
            }
            serverExecOrDie(connection,
                            QStringLiteral("INSERT INTO LST SELECT * FROM UNNEST(CAST(? AS "
                                           "INTEGER[]), CAST(? AS TEXT[]), CAST(? AS INTEGER[]))"),
                            {u'{' + ids.join(u',') + u'}', u'{' + names.join(u',') + u'}',
                             u'{' + groups.join(u',') + u'}'});
        }
        serverExecOrDie(connection, QStringLiteral("CREATE INDEX LST_NAZIV ON LST (NAZIV)"));
        serverExecOrDie(connection,
                        QStringLiteral("CREATE INDEX LST_SKUPINA ON LST (SKUPINA, NAZIV)"));
        serverExecOrDie(connection, QStringLiteral("ANALYZE LST"));
        connection.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-fill"));
}

// The name of a row in the middle of the table: its first five letters are typed.
QString middleName(int rows) {
    quint64 state = 42;
    QByteArray name;
    for (int id = 1; id <= rows / 2; ++id)
        name = generatedName(state);
    return QString::fromUtf8(name);
}

double milliseconds(const QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e6;
}

// Generates the list where it is missing and writes the alias BENCH that reaches it.
void prepareList(const QString& folder, int rows, bool onServer) {
    QElapsedTimer timer;
    timer.start();
    QByteArray section;
    if (onServer) {
        const Server server;
        const QString database = QStringLiteral("zev_lookup_%1").arg(rows);
        qputenv("PGUSER", server.user.toUtf8());
        generateOnServer(server, database, rows);
        section = QStringLiteral("[BENCH]\nDRIVER=PGSQL\nHOST=%1\nPORT=%2\nDATABASE=%3\n")
                      .arg(server.host, server.port, database)
                      .toUtf8();
    } else {
        const QString file = folder + QStringLiteral("lookup-%1.db").arg(rows);
        if (!QFile::exists(file))
            generate(file, rows);
        section = "[BENCH]\nDRIVER=SQLITE\nDATABASE=" + QFile::encodeName(file) + "\n";
    }
    out << "list of " << rows << " rows ready in " << qRound(milliseconds(timer)) << " ms on "
        << (onServer ? "PostgreSQL" : "SQLite") << "\n";
    QFile alias(folder + QStringLiteral("dbalias.ini"));
    alias.open(QIODevice::WriteOnly | QIODevice::Truncate);
    alias.write(section);
    alias.close();
    db::Session::defaultSession().setPrivateDir(folder);
}

void report(const QString& what, const QElapsedTimer& timer, db::DataSet& list,
            const QString& shown) {
    out << QStringLiteral("  %1: %2 ms, %3 rows read, \"%4\"\n")
               .arg(what)
               .arg(milliseconds(timer), 0, 'f', 2)
               .arg(list.fetchedRowCount())
               .arg(shown);
}

// A lookup control over the list: key ID, shown NAZIV.
void showList(controls::TKVDBLookupControl& control, db::DataSource& source) {
    control.setKeyField(QStringLiteral("ID"));
    control.setListField(QStringLiteral("NAZIV"));
    control.setListSource(&source);
    control.show();
}

// The list as a query: narrowing, locate, Down and End, each answered by the database.
void queryList(int rows, const QString& prefix) {
    db::Query query;
    query.setDatabaseName(QStringLiteral("BENCH"));
    query.setSqlText(QStringLiteral("SELECT ID, NAZIV, SKUPINA FROM LST ORDER BY NAZIV"));
    // Wired as a form wires it before it opens the query: source, then the list.
    db::DataSource source;
    source.setDataSet(&query);
    controls::TKVDBLookupListBox list;
    list.resize(240, list.height());
    QElapsedTimer timer;
    timer.start();
    showList(list, source);
    query.open();
    list.grab();
    out << "query list:\n";
    report(QStringLiteral("opened and shown"), timer, query, list.SelectedItem());
    for (const QChar ch : prefix) {
        timer.restart();
        list.ProcessSearchKey(ch);
        list.grab();
        report(QStringLiteral("typed \"%1\"").arg(list.SearchText()), timer, query,
               list.SelectedItem());
    }
    const auto press = [&](Qt::Key key, const QString& what) {
        timer.restart();
        QTest::keyClick(&list, key);
        list.grab();
        report(what, timer, query, list.SelectedItem());
    };
    press(Qt::Key_Backspace, QStringLiteral("search cleared"));
    timer.restart();
    list.SetKeyValue(rows / 3);
    list.grab();
    report(QStringLiteral("key %1 set from outside (locate)").arg(rows / 3), timer, query,
           list.SelectedItem());
    press(Qt::Key_Down, QStringLiteral("Down"));
    press(Qt::Key_Up, QStringLiteral("Up"));
    press(Qt::Key_Up, QStringLiteral("Up past the located row"));
    press(Qt::Key_Home, QStringLiteral("Home"));
    press(Qt::Key_End, QStringLiteral("End"));
}

} // namespace

int main(int argc, char** argv) {
    platform::Application application(argc, argv);
    const QString engine = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("sqlite");
    if (argc < 3 || argc > 4 || (engine != u"sqlite" && engine != u"pgsql")) {
        out << "usage: lookup-bench FOLDER ROWS [sqlite|pgsql]\n";
        return 2;
    }
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + u'/';
    const int rows = QString::fromLocal8Bit(argv[2]).toInt();
    QDir().mkpath(folder);
    prepareList(folder, rows, engine == u"pgsql");

    db::Table table;
    table.setDatabaseName(QStringLiteral("BENCH"));
    table.setTableName(QStringLiteral("LST"));
    table.open();
    db::DataSource source;
    source.setDataSet(&table);
    const long memoryBefore = residentKiB();
    out << "table of " << rows << " rows; resident memory before the lookups "
        << memoryBefore / 1024 << " MB\n";

    controls::TKVDBLookupListBox list;
    list.resize(240, list.height());
    showList(list, source);
    QCoreApplication::processEvents();

    const QString prefix = middleName(rows).left(5);
    out << "list box, typing \"" << prefix << "\" key by key (each: narrowing and painting):\n";
    for (const QChar ch : prefix) {
        QElapsedTimer timer;
        timer.start();
        list.ProcessSearchKey(ch);
        list.grab();
        out << QStringLiteral("  \"%1\": %2 ms, %3 rows read, %4 shown\n")
                   .arg(list.SearchText())
                   .arg(milliseconds(timer), 0, 'f', 2)
                   .arg(table.fetchedRowCount())
                   .arg(list.RecordCount());
    }

    db::Table comboTable;
    comboTable.setDatabaseName(QStringLiteral("BENCH"));
    comboTable.setTableName(QStringLiteral("LST"));
    comboTable.open();
    db::DataSource comboSource;
    comboSource.setDataSet(&comboTable);
    controls::TKVDBLookupComboBox combo;
    showList(combo, comboSource);
    combo.setFocus();
    QCoreApplication::processEvents();

    QElapsedTimer narrowing;
    QTimer::singleShot(0, [&] {
        QLineEdit* edit = controls::fLookupSearch().edit();
        edit->setText(prefix);
        narrowing.start(); // from the confirming key
        QTest::keyClick(edit, Qt::Key_Return);
    });
    combo.ProcessSearchKey(prefix.at(0));
    combo.grab();
    out << QStringLiteral("combo box, \"%1\" through the search editor: %2 ms from Enter to the "
                          "painted value \"%3\", %4 rows read\n")
               .arg(prefix)
               .arg(milliseconds(narrowing), 0, 'f', 2)
               .arg(combo.Text())
               .arg(comboTable.fetchedRowCount());

    QElapsedTimer dropDown;
    dropDown.start();
    combo.DropDown();
    combo.DataList()->grab();
    out << QStringLiteral("drop-down showing its rows: %1 ms, %2 rows shown, %3 rows read\n")
               .arg(milliseconds(dropDown), 0, 'f', 2)
               .arg(combo.DataList()->RecordCount())
               .arg(comboTable.fetchedRowCount());
    combo.CloseUp(false);

    // A key given from outside is located by a range on the key; the next drop-down
    // orders the list by the name again.
    QElapsedTimer locate;
    locate.start();
    combo.SetKeyValue(rows / 3);
    combo.grab();
    out << QStringLiteral("combo box, key %1 set from outside: %2 ms to the painted value \"%3\"\n")
               .arg(rows / 3)
               .arg(milliseconds(locate), 0, 'f', 2)
               .arg(combo.Text());
    dropDown.restart();
    combo.DropDown();
    combo.DataList()->grab();
    out << QStringLiteral("drop-down after it (the list ordered by name again): %1 ms, %2 rows "
                          "read\n")
               .arg(milliseconds(dropDown), 0, 'f', 2)
               .arg(comboTable.fetchedRowCount());
    combo.CloseUp(false);

    queryList(rows, prefix);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    out << QStringLiteral("resident memory after the lookups %1 MB (grew by %2 MB), peak %3 MB\n")
               .arg(residentKiB() / 1024.0, 0, 'f', 1)
               .arg((residentKiB() - memoryBefore) / 1024.0, 0, 'f', 1)
               .arg(usage.ru_maxrss / 1024.0, 0, 'f', 1);
    return 0;
}
