#pragma once

#include "platform/ProfileFile.h"

#include <QObject>
#include <QSqlDatabase>
#include <QStringList>
#include <memory>
#include <vector>

namespace db {

class DataSet;
class Dialect;
class Session;
class StatementProgress;

// A named connection. Its name is the alias upper-cased; it reaches the database the
// alias names in "dbalias.ini" in the session's private directory. It opens when the
// first data set on it opens; there is no login prompt. User and password come from
// the parameter lines "USER NAME=" and "PASSWORD=".
class Database : public QObject {
    Q_OBJECT
public:
    Database(Session& session, QString name, QObject* parent = nullptr);
    ~Database() override;

    const QString& databaseName() const { return name_; }
    void setDatabaseName(const QString& name); // closed only
    QStringList& params() { return params_; }
    QString param(const QString& key) const; // "USER NAME" → value of that line
    void setLoginPrompt(bool on) { loginPrompt_ = on; }

    void open(); // raises EngineError with the engine's text; unknown alias names it
    // Closes the data sets on it, then the connection. A data set whose beforeClose
    // hook raises is closed without hooks, and the error raised once all is closed.
    void close();
    bool connected() const;
    void commit();
    void startTransaction();
    void rollback();
    bool inTransaction() const { return inTransaction_; } // started and not yet ended

    // Open first. Raises DatabaseError while the connection's progress handler runs: no
    // statement may start on it then.
    QSqlDatabase connection() const;
    const Dialect& dialect() const;
    QString driverName() const; // "SQLITE" or "PGSQL", read from the alias file

    // Data sets with a cursor on this connection; closing the connection closes them.
    void registerDataSet(DataSet* dataSet);
    void unregisterDataSet(DataSet* dataSet);

    // The progress handler in force for statements on this connection (see
    // StatementProgress, which sets it and puts the one before back); null for none.
    // Setting it installs it on the open connection, and a connection that opens later
    // gets it too.
    StatementProgress* progress() const { return progress_; }
    void setProgress(StatementProgress* progress) noexcept;

private:
    struct AliasSettings;
    AliasSettings readAlias() const;
    // The seconds of the alias's STATEMENT TIMEOUT setting; -1 when it is not set. Raises
    // EngineError when it is not a number of seconds.
    int statementTimeout(const QString& setting) const;
    void closeConnection();

    Session& session_;
    QString name_;
    QStringList params_;
    bool loginPrompt_ = false;
    QString connectionName_;
    std::unique_ptr<Dialect> dialect_;
    QString driverName_;
    bool inTransaction_ = false;
    std::vector<DataSet*> dataSets_;
    StatementProgress* progress_ = nullptr;
};

// The database session: private directory, the connections by name, and the main
// connection that the name "LB" reaches.
class Session : public QObject {
    Q_OBJECT
public:
    Session();
    ~Session() override;
    // The process's session; its connections close when the application object ends.
    static Session& defaultSession();
    // The session with that object name; the default session for an empty name or
    // "Default". Raises DatabaseError for an unknown name.
    static Session& byName(const QString& name);

    // The folder of "dbalias.ini"; empty (the default) lets platform::programFile decide.
    void setPrivateDir(const QString& folder);
    const QString& privateDir() const { return privateDir_; }
    QString aliasFile() const;
    // The alias file, which must name the alias; raises EngineError for an empty alias,
    // a missing file (with the path looked for) and an alias the file does not name.
    platform::ProfileFile aliasFileNaming(const QString& alias) const;

    void open();
    void close(); // closes every connection; raises the first hook's error afterwards
    bool active() const { return active_; }

    // The connection with that name ("LB" is the main one); created from the alias
    // file when no Database object has the name yet. Raises for an unknown alias.
    Database& database(const QString& name);
    void setMainDatabase(Database* database);
    Database* mainDatabase() const { return main_; }

    void registerDatabase(Database* database);
    void unregisterDatabase(Database* database);

private:
    QString privateDir_;
    bool active_ = false;
    Database* main_ = nullptr;
    std::vector<Database*> databases_;
    std::vector<std::unique_ptr<Database>> implicit_;
};

} // namespace db
