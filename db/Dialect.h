#pragma once

#include "db/Field.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class QSqlQuery;

namespace db {

class StatementProgress;

// What differs between the engines behind an alias. Statements are written in the
// back office's Oracle-style SQL; adapt() rewrites what the engine lacks or does
// otherwise (name.NEXTVAL, SYSDATE, concatenation with null operands) outside quoted
// texts and comments. docs/dialect.md lists the differences and how each is kept.
class Dialect {
public:
    virtual ~Dialect() = default;
    static std::unique_ptr<Dialect> forDriver(const QString& driverName); // "SQLITE", "PGSQL"

    virtual QString qtDriver() const = 0;
    virtual QString adapt(const QString& statement) const = 0;
    // The value bound for a parameter or a field value of the given type.
    virtual QVariant bindValue(FieldType type, const QVariant& value) const = 0;

    // Where an alias points, as read from the alias file.
    struct ConnectionSettings {
        QString database; // a file for the embedded engine, a database name for servers
        QString host;
        int port = 0;
        QString user;
        QString password;
        QString aliasFolder; // folder of the alias file; relative files are taken from it
        // Longest wait for a server's answer to one statement; 0 for none, negative for
        // the engine's default.
        int statementTimeoutSeconds = -1;
    };
    // Sets the connection's target and options before it opens; raises EngineError
    // when the settings cannot work (a missing database file).
    virtual void configure(QSqlDatabase& connection, const ConnectionSettings& settings) const = 0;
    // Runs once on every new connection (functions, pragmas, time-outs).
    virtual void prepareConnection(QSqlDatabase& connection) const = 0;
    // Runs before the connection closes: releases what prepareConnection holds on it.
    virtual void releaseConnection(QSqlDatabase& connection) const;
    // Lets the engine tick the progress while a statement steps on the connection; null
    // removes it. By default nothing: the engine's client waits without a callback, and
    // only the reading of rows ticks it. Never raises.
    virtual void watchProgress(QSqlDatabase& connection,
                               StatementProgress* progress) const noexcept;

    // Prepares the statement (with '?' for each parameter) on the query's connection,
    // binds the values by position and runs it; a statement with rows then stands before
    // its first row. Raises EngineError with the engine's text.
    virtual void execute(QSqlQuery& query, const QString& statement,
                         const QVariantList& values) const;
    // Runs a statement whose rows a data set reads, as execute() does; an engine may read
    // them in blocks as they are fetched. firstRows (0 for no hint) is how many rows the
    // reader needs at first: an engine that computes a whole result before its first row
    // may compute only these then. Raises EngineError with the engine's text.
    virtual void openRows(QSqlQuery& query, const QString& statement, const QVariantList& values,
                          int firstRows = 0) const;
    // Releases what openRows() holds for the query before it goes. Never raises.
    virtual void closeRows(QSqlQuery& query) const noexcept;
    // The next row of a statement that execute() or openRows() ran: its values, as many as the
    // result has columns; false at its end. first is true for the first call after execute().
    // Raises EngineError with the engine's text.
    virtual bool fetchRow(QSqlQuery& query, bool first, int columnCount,
                          std::vector<QVariant>& values) const;
    // The key that the engine gave the row the query inserted; invalid when it gives none.
    virtual QVariant insertedRowId(const QSqlQuery& query) const;

    // Column types of a table, and its indexes, from the catalogue.
    struct Column {
        QString name;
        FieldType type;
        int size;
    };
    virtual std::vector<Column> tableColumns(QSqlDatabase& connection,
                                             const QString& table) const = 0;
    struct Index {
        QString name;
        QStringList fields;
        bool unique;
        bool primary;
    };
    virtual std::vector<Index> tableIndexes(QSqlDatabase& connection,
                                            const QString& table) const = 0;

    // The columns of an executed statement (standing on its first row, if any).
    virtual std::vector<Column> resultColumns(const QSqlQuery& query) const;
    // An order that keeps rows of a table without a primary key stable; empty for none.
    virtual QString rowOrder(QSqlDatabase& connection, const QString& table) const;
    // A condition that holds when the column equals the bound value, nulls included.
    virtual QString nullSafeEquals(const QString& column) const;

    // Maps a declared column type ("VARCHAR(20)", "DATE", "NUMBER(10,2)") to a field type
    // and text size.
    static FieldType typeOfDeclared(const QString& declaredType, int& size);

    // How a chain of concatenations a || b || c is written so that a null operand
    // counts as empty text and an empty result is null, as on the back office's server:
    // prefix, then the operands joined by separator, then suffix.
    struct ConcatenationForm {
        QString prefix;
        QString separator;
        QString suffix;
    };
    // The statement with every chain of '||' outside quoted texts and comments written
    // in the given form. An operand is a name, a literal, a parameter, a function call,
    // a parenthesised expression or a CASE ... END, with a leading sign on the right of
    // '||'; a '||' without such operands is left as it is. Takes time linear in the
    // statement's length.
    static QString rewriteConcatenation(const QString& statement, const ConcatenationForm& form);
    // The statement with NULLS LAST after each ascending term of an ORDER BY outside
    // quoted texts and comments and NULLS FIRST after each descending one, unless the
    // term says where its nulls go: nulls sort above every value, as on the back
    // office's server.
    static QString placeNullsHigh(const QString& statement);

protected:
    // Calls replace for every name outside quoted texts and comments; a name may carry
    // dots ("seq.NEXTVAL"). A non-empty answer replaces the name in the text.
    static QString rewriteNames(const QString& statement,
                                const std::function<QString(const QString& name)>& replace);
};

} // namespace db
