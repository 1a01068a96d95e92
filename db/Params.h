#pragma once

#include "db/Field.h"

#include <QStringList>
#include <vector>

namespace db {

// A typed statement parameter (or any typed value with a null state).
class Param {
public:
    Param() = default;
    explicit Param(QString name) : name_(std::move(name)) {}
    virtual ~Param() = default;

    const QString& name() const { return name_; }
    FieldType dataType() const { return type_; }
    void setDataType(FieldType type); // converts a present value to the type
    bool isNull() const { return !value_.isValid(); }
    const QVariant& value() const { return value_; }

    void setAsString(const QString& value);
    void setAsInteger(qint64 value);
    void setAsFloat(double value);
    void setAsDate(platform::TDateTime value); // whole days
    void setAsDateTime(platform::TDateTime value);
    void setAsTime(platform::TDateTime value);
    void setAsBoolean(bool value);
    // Keeps the declared type and stores the value as it is (a text in a date
    // parameter stays text until it is read).
    void setValue(const QVariant& value);
    void clear(); // null, type kept

    QString asString() const; // null: empty
    double asFloat() const;
    qint64 asInteger() const;
    platform::TDateTime asDateTime() const; // text through platform::variantToDateTime

    // Copies type and value (not the name).
    void assignValue(const Param& other);
    bool operator==(const Param& other) const; // type, null state and value

private:
    QString name_;
    FieldType type_ = FieldType::Unknown;
    QVariant value_;
};

// A statement whose ":name" parameters are replaced by positional placeholders.
// Quoted texts, comments and "::" casts are left alone.
struct ParsedStatement {
    QString text;            // with '?' in place of each parameter
    QStringList occurrences; // parameter names in order of occurrence
};
ParsedStatement parseStatement(const QString& sql);

// The parameters of a statement: one per distinct name (matched without regard to
// letter case); setting one sets every occurrence.
class Params {
public:
    void rebuild(const QStringList& names); // keeps values of names that remain
    int count() const { return static_cast<int>(params_.size()); }
    Param& at(int index) { return params_[index]; }
    Param* find(const QString& name);
    const Param* find(const QString& name) const;
    Param& byName(const QString& name); // raises DatabaseError "Parameter '%s' not found"
    const Param& byName(const QString& name) const;

private:
    std::vector<Param> params_;
};

} // namespace db
