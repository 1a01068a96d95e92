#pragma once

#include "db/Field.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

namespace db {

// A filter in the engine's filter syntax: comparisons (= <> != < > <= >=) of fields with
// quoted texts ('it''s'), numbers or other fields, IS [NOT] NULL, joined with AND, OR,
// NOT and parentheses. Field names may be written [in brackets] or "in quotes". A text
// ending in '*' compared with = or <> compares the text before the star with the start
// of the field. Texts compared with date fields are read as dates.
//
// A text bound that ends in the character of code 255 ("abcÿ", the classic upper bound
// of a prefix) stands for "above every text that starts with abc": the 255 is read as
// the highest character, so that letters such as "š" fall inside the bound.
//
// The expression becomes an SQL condition with bound values, or is evaluated on rows.
class FilterExpression {
public:
    struct FieldInfo {
        QString name;
        FieldType type;
        int index; // position of the field's value in a row
    };
    struct Bound {
        FieldType type;
        QVariant value;
    };
    struct SqlCondition {
        QString text; // with '?' for each bound value
        std::vector<Bound> values;
    };

    FilterExpression() = default;
    // Raises DatabaseError for a syntax error or a value that does not fit its field;
    // an unknown field raises "Field 'x' not found".
    static FilterExpression parse(const QString& text, const std::vector<FieldInfo>& fields);

    bool isEmpty() const { return !root_; }
    SqlCondition toSql() const;
    bool matches(const std::vector<QVariant>& row) const;

    struct Node;

private:
    std::shared_ptr<const Node> root_;
};

// The text bound that stands for the given one: a trailing character of code 255 becomes
// the highest character (see FilterExpression).
QString upperBoundText(const QString& text);

// A column name as SQL text: plain names as they are, others in double quotes.
QString sqlName(const QString& name);

} // namespace db
