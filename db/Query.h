#pragma once

#include "db/Cursor.h"
#include "db/DataSet.h"
#include "db/Params.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariantMap>
#include <optional>

namespace db {

class Database;

// A statement with named parameters on a connection found by name (an alias, or
// "LB" for the session module's main connection). Parameters are always bound by
// value; the statement text is adapted to the connection's dialect before it runs.
class Query : public DataSet {
    Q_OBJECT
public:
    explicit Query(QObject* parent = nullptr);
    ~Query() override;

    void setDatabaseName(const QString& name) { databaseName_ = name; }
    const QString& databaseName() const { return databaseName_; }
    void setSessionName(const QString& name) { sessionName_ = name; }
    const QString& sessionName() const { return sessionName_; }

    // The statement as lines; setting it (closed) re-reads the parameter names.
    const QStringList& sql() const { return sql_; }
    void setSql(const QStringList& lines);
    void setSqlText(const QString& text); // one line
    void addSqlLine(const QString& line);
    void clearSql();
    QString sqlText() const; // lines joined with '\n'

    Params& params() { return params_; }
    Param& paramByName(const QString& name) { return params_.byName(name); }
    const Param& paramByName(const QString& name) const { return params_.byName(name); }

    void execSql(); // a statement without rows
    int rowsAffected() const { return rowsAffected_; }

    Database& database() const; // raises when no connection has that name

    // A filter on a plain SELECT (see withCondition) goes into the statement as a
    // condition with bound values, so that the database narrows the rows and an index
    // can serve it; on any other statement, before the query has fields, or when the
    // engine refuses the condition (a column known by an alias only), it is applied to
    // the rows as they are read. Whether the open query's filter is in its statement:
    bool filterInStatement() const { return filterInStatement_; }
    // The terms of the statement's ORDER BY when it is a plain SELECT; empty otherwise.
    QStringList orderByTerms() const;
    // Reads the rows of a plain SELECT in the opposite order (withOrderReversed), so
    // that the end of a long result is reached without reading it all. Answers false
    // and changes nothing for another statement; re-reads an open query.
    bool setReversed(bool reversed);
    bool reversed() const { return reversed_; }

protected:
    std::vector<ColumnInfo> openCursor() override;
    bool fetchRow(Row& dataValues) override;
    void closeCursor() override;
    bool filtersRows() const override { return !filterInStatement_; }

private:
    QVariantList boundValues(const Database& database) const;
    // Runs the statement with the filter in it and answers the cursor; null when the
    // filter cannot go into the statement.
    const QSqlQuery* runWithFilter(Database& database, const QString& statement,
                                   const QVariantList& values);

    QString databaseName_;
    QString sessionName_;
    QStringList sql_;
    ParsedStatement parsed_;
    Params params_;
    Cursor cursor_{*this};
    int rowsAffected_ = 0;
    bool filterInStatement_ = false;
    bool reversed_ = false;
};

// The value, as text, of column in the first row of
//     select <column> from <table>
//     Where <condition>               (only when a condition is given)
// on the named connection (and session, when one is named); empty text when there is
// no row. Errors of the statement reach the caller; the query is closed on every path.
//
// column, table and condition are SQL text written by the calling program and pasted
// into the statement as they are. A value from outside the program goes into the
// condition as a parameter (":NAME") whose value params holds under that name.
QString lookupValue(const QString& databaseName, const QString& sessionName, const QString& table,
                    const QString& column, const QString& condition = {},
                    const QVariantMap& params = {});

} // namespace db
