#include "db/Query.h"

#include "db/Dialect.h"
#include "db/Session.h"
#include "db/SqlStatement.h"
#include "platform/Errors.h"

namespace db {

Query::Query(QObject* parent) : DataSet(parent) {}

Query::~Query() {
    shutDown();
}

void Query::setSql(const QStringList& lines) {
    close();
    reversed_ = false;
    sql_ = lines;
    parsed_ = parseStatement(sqlText());
    params_.rebuild(parsed_.occurrences);
}

void Query::setSqlText(const QString& text) {
    setSql(QStringList{text});
}

void Query::addSqlLine(const QString& line) {
    setSql(sql_ + QStringList{line});
}

void Query::clearSql() {
    setSql({});
}

QString Query::sqlText() const {
    return sql_.join(u'\n');
}

Database& Query::database() const {
    if (databaseName_.trimmed().isEmpty())
        throw platform::DatabaseError(QStringLiteral("No database name given for the query"));
    return Session::byName(sessionName_).database(databaseName_);
}

QVariantList Query::boundValues(const Database& database) const {
    QVariantList values;
    const Dialect& dialect = database.dialect();
    for (const QString& name : parsed_.occurrences) {
        const Param* param = params_.find(name); // every occurrence has its parameter
        values << (param ? dialect.bindValue(param->dataType(), param->value()) : QVariant());
    }
    return values;
}

std::vector<DataSet::ColumnInfo> Query::openCursor() {
    if (parsed_.text.trimmed().isEmpty())
        throw platform::DatabaseError(QStringLiteral("The query has no statement"));
    Database& database = this->database();
    database.open();
    const QString text =
        reversed_ ? withOrderReversed(parsed_.text).value_or(parsed_.text) : parsed_.text;
    const QString statement = database.dialect().adapt(text);
    const QVariantList values = boundValues(database);
    filterInStatement_ = false;
    const QSqlQuery* narrowed = runWithFilter(database, text, values);
    const QSqlQuery& cursor = narrowed ? *narrowed : cursor_.run(database, statement, values);
    if (!cursor.isSelect())
        throw platform::DatabaseError(
            QStringLiteral("Error creating cursor handle: the statement returns no rows"));
    std::vector<ColumnInfo> columns;
    for (const Dialect::Column& column : database.dialect().resultColumns(cursor))
        columns.push_back({column.name, column.type, column.size});
    return columns;
}

// The filter's fields are the query's data fields, found in the statement by name.
const QSqlQuery* Query::runWithFilter(Database& database, const QString& statement,
                                      const QVariantList& values) {
    if (!filtered_ || filter_.trimmed().isEmpty())
        return nullptr;
    std::vector<FilterExpression::FieldInfo> columns;
    for (const FilterExpression::FieldInfo& info : fieldInfos()) {
        if (field(info.index).kind() == FieldKind::Data)
            columns.push_back(info);
    }
    FilterExpression::SqlCondition condition;
    try {
        condition = FilterExpression::parse(filter_, columns).toSql();
    } catch (const platform::DatabaseError&) {
        return nullptr; // it names a field the statement does not have: filtered on rows
    }
    const std::optional<QString> narrowed = withCondition(statement, condition.text);
    if (!narrowed)
        return nullptr;
    QVariantList allValues = values;
    const Dialect& dialect = database.dialect();
    for (const FilterExpression::Bound& bound : condition.values)
        allValues << dialect.bindValue(bound.type, bound.value);
    try {
        const QSqlQuery& cursor = cursor_.run(database, dialect.adapt(*narrowed), allValues);
        filterInStatement_ = true;
        return &cursor;
    } catch (const platform::EngineError&) {
        if (database.inTransaction())
            throw; // a failed statement spoils the transaction on the server engine
        return nullptr;
    }
}

bool Query::setReversed(bool reversed) {
    if (reversed == reversed_)
        return true;
    if (reversed && !withOrderReversed(parsed_.text))
        return false;
    reversed_ = reversed;
    if (active())
        filterChanged();
    return true;
}

QStringList Query::orderByTerms() const {
    return db::orderByTerms(parsed_.text);
}

bool Query::fetchRow(Row& dataValues) {
    return cursor_.fetch(dataValues);
}

void Query::closeCursor() {
    cursor_.close();
}

void Query::execSql() {
    if (parsed_.text.trimmed().isEmpty())
        throw platform::DatabaseError(QStringLiteral("The query has no statement"));
    Database& database = this->database();
    database.open();
    QSqlQuery statement(database.connection());
    database.dialect().execute(statement, database.dialect().adapt(parsed_.text),
                               boundValues(database));
    rowsAffected_ = statement.numRowsAffected();
}

QString lookupValue(const QString& databaseName, const QString& sessionName, const QString& table,
                    const QString& column, const QString& condition, const QVariantMap& params) {
    Query query;
    query.setDatabaseName(databaseName);
    if (!sessionName.isEmpty())
        query.setSessionName(sessionName);
    QStringList lines{QStringLiteral("select ") + column + QStringLiteral(" from ") + table +
                      QLatin1Char(' ')};
    if (!condition.isEmpty())
        lines << QStringLiteral("Where ") + condition;
    query.setSql(lines);
    for (auto param = params.cbegin(); param != params.cend(); ++param)
        query.paramByName(param.key()).setValue(param.value());
    query.open();
    const QString value = query.eof() ? QString() : query.field(0).asString();
    query.close();
    return value;
}

} // namespace db
