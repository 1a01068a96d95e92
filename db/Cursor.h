#pragma once

#include <QSqlQuery>
#include <QVariantList>
#include <optional>
#include <vector>

namespace db {

class DataSet;
class Database;

// The running statement that a data set reads its rows from. While it runs, the data
// set is registered with the connection, so that closing the connection closes the
// data set first and no statement outlives its connection.
class Cursor {
public:
    explicit Cursor(DataSet& owner) : owner_(owner) {}
    ~Cursor() { close(); }
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    // Runs the statement (with '?' for each value) on the open connection and answers
    // it, standing before its first row. Raises EngineError with the engine's text.
    QSqlQuery& run(Database& database, const QString& statement, const QVariantList& values);
    // The next row's values; false at the end or when nothing runs.
    bool fetch(std::vector<QVariant>& values);
    void close();

private:
    DataSet& owner_;
    std::optional<QSqlQuery> query_;
    Database* database_ = nullptr; // the connection the statement runs on
    int columnCount_ = 0;
    bool nothingFetched_ = false;
};

} // namespace db
