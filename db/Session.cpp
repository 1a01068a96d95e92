#include "db/Session.h"

#include "db/DataSet.h"
#include "db/Dialect.h"
#include "db/SqlStatement.h"
#include "db/StatementProgress.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/ProfileFile.h"
#include "platform/ProgramFolders.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSqlError>
#include <algorithm>
#include <exception>

namespace db {

namespace {

// A value of the alias file without an inline comment ("demo.db   ; the demo").
QString withoutComment(const QString& value) {
    static const QRegularExpression comment(QStringLiteral("\\s;.*$"));
    QString result = value;
    result.remove(comment);
    return result.trimmed();
}

QString nextConnectionName(const QString& alias) {
    static int counter = 0;
    return QStringLiteral("zev-%1-%2").arg(alias).arg(++counter);
}

std::vector<Session*>& allSessions() {
    static std::vector<Session*> sessions;
    return sessions;
}

// Runs the action on every item, also after one of them raised, and answers the first
// error: closing must reach every statement and connection even when a hook refuses.
template <class Item, class Action>
std::exception_ptr firstErrorOf(const std::vector<Item>& items, Action action) {
    std::exception_ptr firstError;
    for (const Item& item : items) {
        try {
            action(item);
        } catch (...) {
            if (!firstError)
                firstError = std::current_exception();
        }
    }
    return firstError;
}

// Removes a Qt connection once every handle on it is gone.
void dropConnection(const QString& connectionName) {
    {
        QSqlDatabase connection = QSqlDatabase::database(connectionName, false);
        if (connection.isOpen())
            connection.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

} // namespace

struct Database::AliasSettings {
    QString driver;
    Dialect::ConnectionSettings connection;
};

Database::Database(Session& session, QString name, QObject* parent)
    : QObject(parent), session_(session), name_(std::move(name)) {
    session_.registerDatabase(this);
}

Database::~Database() {
    try {
        close();
    } catch (...) {
        // A hook's error cannot leave a destructor; the connection is closed regardless.
    }
    session_.unregisterDatabase(this);
}

void Database::setDatabaseName(const QString& name) {
    if (connected())
        throw platform::DatabaseError(
            QStringLiteral("Cannot rename the open database connection %1").arg(name_));
    name_ = name;
    driverName_.clear();
}

QString Database::param(const QString& key) const {
    const QString prefix = key + u'=';
    for (const QString& line : params_) {
        if (line.startsWith(prefix, Qt::CaseInsensitive))
            return line.mid(prefix.size());
    }
    return {};
}

int Database::statementTimeout(const QString& setting) const {
    const QString seconds = setting.trimmed();
    if (seconds.isEmpty())
        return -1;
    bool number = false;
    const int value = seconds.toInt(&number);
    if (!number || value < 0)
        throw platform::EngineError(
            QStringLiteral("STATEMENT TIMEOUT of the alias %1 is not a number of seconds: %2")
                .arg(name_, seconds));
    return value;
}

Database::AliasSettings Database::readAlias() const {
    const platform::ProfileFile file = session_.aliasFileNaming(name_);
    AliasSettings alias;
    alias.driver = withoutComment(file.readString(name_, QStringLiteral("DRIVER"))).toUpper();
    if (alias.driver.isEmpty())
        alias.driver = QStringLiteral("SQLITE");
    auto& target = alias.connection;
    target.database = withoutComment(file.readString(name_, QStringLiteral("DATABASE")));
    target.host = withoutComment(file.readString(name_, QStringLiteral("HOST")));
    target.port = withoutComment(file.readString(name_, QStringLiteral("PORT"))).toInt();
    target.user = param(QStringLiteral("USER NAME"));
    target.password = param(QStringLiteral("PASSWORD"));
    target.aliasFolder = platform::folderOf(session_.aliasFile());
    target.statementTimeoutSeconds = statementTimeout(
        withoutComment(file.readString(name_, QStringLiteral("STATEMENT TIMEOUT"))));
    return alias;
}

void Database::open() {
    if (connected())
        return;
    const AliasSettings alias = readAlias();
    std::unique_ptr<Dialect> dialect = Dialect::forDriver(alias.driver);
    const QString connectionName = nextConnectionName(name_);
    try {
        QSqlDatabase connection = QSqlDatabase::addDatabase(dialect->qtDriver(), connectionName);
        if (!connection.isValid())
            throw platform::EngineError(
                QStringLiteral("The database driver %1 is not available").arg(dialect->qtDriver()));
        dialect->configure(connection, alias.connection);
        if (!connection.open())
            raiseEngineError(connection.lastError());
        dialect->prepareConnection(connection);
        dialect->watchProgress(connection, progress_);
    } catch (...) {
        {
            QSqlDatabase connection = QSqlDatabase::database(connectionName, false);
            dialect->releaseConnection(connection);
        }
        dropConnection(connectionName);
        throw;
    }
    connectionName_ = connectionName;
    dialect_ = std::move(dialect);
    driverName_ = alias.driver;
}

void Database::close() {
    if (!connected())
        return;
    // Data sets close first, so that no statement outlives its connection. One whose
    // hook refuses to close is closed without hooks, and its error raised at the end.
    const std::vector<DataSet*> open = dataSets_; // each one unregisters as it closes
    const std::exception_ptr refused = firstErrorOf(open, [this](DataSet* dataSet) {
        // An earlier one's hook may have closed or destroyed this one.
        if (std::find(dataSets_.begin(), dataSets_.end(), dataSet) == dataSets_.end())
            return;
        try {
            dataSet->close();
        } catch (...) {
            dataSet->shutDown();
            throw;
        }
    });
    closeConnection();
    if (refused)
        std::rethrow_exception(refused);
}

void Database::closeConnection() {
    dataSets_.clear();
    {
        QSqlDatabase connection = QSqlDatabase::database(connectionName_, false);
        if (inTransaction_)
            connection.rollback();
        dialect_->watchProgress(connection, nullptr);
        dialect_->releaseConnection(connection);
    }
    inTransaction_ = false;
    dropConnection(connectionName_);
    connectionName_.clear();
}

bool Database::connected() const {
    return !connectionName_.isEmpty();
}

void Database::startTransaction() {
    open();
    QSqlDatabase connection = this->connection();
    if (!connection.transaction())
        raiseEngineError(connection.lastError());
    inTransaction_ = true;
}

void Database::commit() {
    if (!connected() || !inTransaction_)
        return;
    QSqlDatabase connection = this->connection();
    // A commit the engine refuses (a deferred constraint) leaves the transaction open:
    // it can still be rolled back, and closing the connection rolls it back.
    if (!connection.commit())
        raiseEngineError(connection.lastError());
    inTransaction_ = false;
}

void Database::rollback() {
    if (!connected() || !inTransaction_)
        return;
    QSqlDatabase connection = this->connection();
    inTransaction_ = false;
    if (!connection.rollback())
        raiseEngineError(connection.lastError());
}

QSqlDatabase Database::connection() const {
    if (!connected())
        throw platform::DatabaseError(
            QStringLiteral("The database connection %1 is not open").arg(name_));
    if (progress_ && progress_->running())
        throw platform::DatabaseError(
            QStringLiteral("The database connection %1 is busy with a statement").arg(name_));
    return QSqlDatabase::database(connectionName_, false);
}

const Dialect& Database::dialect() const {
    if (!dialect_)
        throw platform::DatabaseError(
            QStringLiteral("The database connection %1 is not open").arg(name_));
    return *dialect_;
}

QString Database::driverName() const {
    if (driverName_.isEmpty())
        return readAlias().driver;
    return driverName_;
}

void Database::registerDataSet(DataSet* dataSet) {
    if (std::find(dataSets_.begin(), dataSets_.end(), dataSet) == dataSets_.end())
        dataSets_.push_back(dataSet);
}

void Database::unregisterDataSet(DataSet* dataSet) {
    std::erase(dataSets_, dataSet);
}

void Database::setProgress(StatementProgress* progress) noexcept {
    progress_ = progress;
    if (!connected())
        return;
    QSqlDatabase connection = QSqlDatabase::database(connectionName_, false);
    dialect_->watchProgress(connection, progress);
}

// ---------------------------------------------------------------------------------

Session::Session() {
    allSessions().push_back(this);
}

Session::~Session() {
    try {
        close();
    } catch (...) {
        // A hook's error cannot leave a destructor; every connection is closed regardless.
    }
    implicit_.clear();
    std::erase(allSessions(), this);
}

Session& Session::defaultSession() {
    // Qt's registry of connections is made first, so that it outlives this session.
    static const bool registryReady = (QSqlDatabase::contains(QString()), true);
    Q_UNUSED(registryReady);
    static Session session;
    static const bool closesWithApplication = [] {
        qAddPostRoutine([] { defaultSession().close(); });
        return true;
    }();
    Q_UNUSED(closesWithApplication);
    return session;
}

Session& Session::byName(const QString& name) {
    if (name.isEmpty() || name.compare(u"Default", Qt::CaseInsensitive) == 0)
        return defaultSession();
    for (Session* session : allSessions()) {
        if (session->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return *session;
    }
    throw platform::DatabaseError(QStringLiteral("Session '%1' not found").arg(name));
}

void Session::setPrivateDir(const QString& folder) {
    privateDir_ = platform::includeTrailingSeparator(folder);
}

QString Session::aliasFile() const {
    return platform::programFile(QStringLiteral("dbalias.ini"), privateDir_);
}

platform::ProfileFile Session::aliasFileNaming(const QString& alias) const {
    if (alias.trimmed().isEmpty())
        throw platform::EngineError(QStringLiteral("The database alias is empty"));
    const QString path = aliasFile();
    if (!platform::fileExists(path))
        throw platform::EngineError(
            QStringLiteral("The alias file dbalias.ini is missing: %1 was looked for").arg(path));
    platform::ProfileFile file(path);
    if (!file.sectionExists(alias.trimmed()))
        throw platform::EngineError(QStringLiteral("Unknown database alias: %1").arg(alias));
    return file;
}

void Session::open() {
    active_ = true;
}

void Session::close() {
    active_ = false;
    const std::vector<Database*> databases = databases_;
    const std::exception_ptr refused =
        firstErrorOf(databases, [](Database* database) { database->close(); });
    if (refused)
        std::rethrow_exception(refused);
}

Database& Session::database(const QString& name) {
    const QString wanted = name.trimmed();
    if (wanted.compare(u"LB", Qt::CaseInsensitive) == 0) {
        if (!main_)
            throw platform::DatabaseError(
                QStringLiteral("The main database connection (LB) is not set"));
        return *main_;
    }
    for (Database* database : databases_) {
        if (database->databaseName().compare(wanted, Qt::CaseInsensitive) == 0)
            return *database;
    }
    aliasFileNaming(wanted);
    implicit_.push_back(std::make_unique<Database>(*this, wanted.toUpper()));
    return *implicit_.back();
}

void Session::setMainDatabase(Database* database) {
    main_ = database;
}

void Session::registerDatabase(Database* database) {
    if (std::find(databases_.begin(), databases_.end(), database) == databases_.end())
        databases_.push_back(database);
}

void Session::unregisterDatabase(Database* database) {
    std::erase(databases_, database);
    if (main_ == database)
        main_ = nullptr;
}

} // namespace db
