#include "db/Params.h"

#include "db/SqlStatement.h"
#include "platform/Errors.h"
#include "platform/Variant.h"

#include <algorithm>
#include <utility>

namespace db {

void Param::setDataType(FieldType type) {
    value_ = normalizeValue(type, value_);
    type_ = type;
}

void Param::setAsString(const QString& value) {
    type_ = FieldType::String;
    value_ = QVariant(value);
}

void Param::setAsInteger(qint64 value) {
    type_ = FieldType::Integer;
    value_ = QVariant(value);
}

void Param::setAsFloat(double value) {
    type_ = FieldType::Float;
    value_ = QVariant(value);
}

void Param::setAsDate(platform::TDateTime value) {
    type_ = FieldType::Date;
    value_ = QVariant(platform::dateOf(value));
}

void Param::setAsDateTime(platform::TDateTime value) {
    type_ = FieldType::DateTime;
    value_ = QVariant(value);
}

void Param::setAsTime(platform::TDateTime value) {
    type_ = FieldType::Time;
    value_ = QVariant(platform::timeOf(value));
}

void Param::setAsBoolean(bool value) {
    type_ = FieldType::Boolean;
    value_ = QVariant(value);
}

namespace {

FieldType typeOfValue(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return FieldType::String;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::Short:
        return FieldType::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return FieldType::Float;
    case QMetaType::Bool:
        return FieldType::Boolean;
    case QMetaType::QDate:
        return FieldType::Date;
    case QMetaType::QDateTime:
        return FieldType::DateTime;
    case QMetaType::QTime:
        return FieldType::Time;
    default:
        return FieldType::Unknown;
    }
}

} // namespace

void Param::setValue(const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        value_ = QVariant();
        return;
    }
    if (type_ == FieldType::Unknown) {
        type_ = typeOfValue(value);
        value_ = normalizeValue(type_, value);
        return;
    }
    // A text stays as it was given; anything else takes the parameter's form.
    const int id = value.metaType().id();
    value_ = (id == QMetaType::QString) ? value : normalizeValue(type_, value);
}

void Param::clear() {
    value_ = QVariant();
}

QString Param::asString() const {
    return valueToText(type_, value_);
}

double Param::asFloat() const {
    return valueToFloat(type_, value_);
}

qint64 Param::asInteger() const {
    return valueToInteger(type_, value_);
}

platform::TDateTime Param::asDateTime() const {
    if (isNull())
        return 0;
    if (value_.metaType().id() == QMetaType::QString) {
        platform::TDateTime result = 0;
        if (parseIsoDateTime(value_.toString(), result))
            return result;
        return platform::variantToDateTime(value_);
    }
    return valueToDateTime(type_, value_);
}

void Param::assignValue(const Param& other) {
    type_ = other.type_;
    value_ = other.value_;
}

bool Param::operator==(const Param& other) const {
    if (type_ != other.type_ || isNull() != other.isNull())
        return false;
    return isNull() || value_ == other.value_;
}

// ---------------------------------------------------------------------------------

namespace {

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#';
}

} // namespace

ParsedStatement parseStatement(const QString& sql) {
    ParsedStatement parsed;
    parsed.text = rewriteOutsideLiterals(
        sql, [&](const QString& text, qsizetype i, QString& result) -> qsizetype {
            const bool colon = text[i] == u':' && i + 1 < text.size();
            if (colon && text[i + 1] == u':') { // a cast, not a parameter
                result += QStringLiteral("::");
                return i + 2;
            }
            if (!colon || !isNameChar(text[i + 1]))
                return i;
            qsizetype end = i + 1;
            while (end < text.size() && isNameChar(text[end]))
                ++end;
            parsed.occurrences << text.mid(i + 1, end - i - 1);
            result += u'?';
            return end;
        });
    return parsed;
}

void Params::rebuild(const QStringList& names) {
    std::vector<Param> rebuilt;
    for (const QString& name : names) {
        const bool known = std::any_of(rebuilt.begin(), rebuilt.end(), [&](const Param& p) {
            return p.name().compare(name, Qt::CaseInsensitive) == 0;
        });
        if (known)
            continue;
        Param param(name);
        if (const Param* old = find(name))
            param.assignValue(*old);
        rebuilt.push_back(std::move(param));
    }
    params_ = std::move(rebuilt);
}

Param* Params::find(const QString& name) {
    return const_cast<Param*>(std::as_const(*this).find(name));
}

const Param* Params::find(const QString& name) const {
    for (const Param& param : params_) {
        if (param.name().compare(name, Qt::CaseInsensitive) == 0)
            return &param;
    }
    return nullptr;
}

const Param& Params::byName(const QString& name) const {
    if (const Param* param = find(name))
        return *param;
    throw platform::DatabaseError(QStringLiteral("Parameter '%1' not found").arg(name));
}

Param& Params::byName(const QString& name) {
    return const_cast<Param&>(std::as_const(*this).byName(name));
}

} // namespace db
