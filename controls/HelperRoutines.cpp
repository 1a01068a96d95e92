#include "controls/HelperRoutines.h"

#include "db/Query.h"
#include "db/Table.h"
#include "platform/FormatSettings.h"
#include "platform/Pictures.h"
#include "platform/Variant.h"

#include <QDate>
#include <cmath>

namespace controls {

// --- Text ---------------------------------------------------------------------------

bool CharInText(QChar c, const QString& text) {
    return text.contains(c);
}

QString ReplaceChar(QChar oldChar, QChar newChar, const QString& text) {
    QString result = text;
    return result.replace(oldChar, newChar);
}

QString RemoveChars(const QString& charSet, const QString& text) {
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        if (!charSet.contains(c))
            result += c;
    }
    return result;
}

QString DropLastChar(const QString& text) {
    return text.left(text.size() - 1);
}

void SplitText(const QString& text, const QString& breakSet, QStringList& list) {
    list.clear();
    QString piece;
    for (QChar c : text) {
        if (!breakSet.contains(c)) {
            piece += c;
        } else if (!piece.isEmpty()) {
            list << piece;
            piece.clear();
        }
    }
    if (!piece.isEmpty())
        list << piece;
}

QString HighCharText(int) {
    return QString(QChar(0xFF));
}

void PolarToXY(double angle, double radius, double& x, double& y) {
    x = radius * std::cos(angle);
    y = radius * std::sin(angle);
}

// --- Parameters ---------------------------------------------------------------------

namespace {

using db::FieldType;

// Null, or a value of another date text, is replaced; the same date text is kept.
bool assignDateValue(db::Param& param, const QVariant& value,
                     QString (*textOf)(platform::TDateTime, const platform::FormatSettings&),
                     void (db::Param::*setter)(platform::TDateTime)) {
    if (value.isNull()) {
        param.clear();
        return true;
    }
    const platform::TDateTime moment = platform::variantToDateTime(value);
    const auto& settings = platform::formatSettings();
    if (!param.isNull() && textOf(param.asDateTime(), settings) == textOf(moment, settings))
        return false;
    (param.*setter)(moment);
    return true;
}

bool assignPlain(db::Param& param, const QVariant& value) {
    const QVariant typed = db::normalizeValue(param.dataType(), value);
    if (!param.isNull() && db::normalizeValue(param.dataType(), param.value()) == typed)
        return false;
    param.setValue(typed);
    return true;
}

bool assignUntyped(db::Param& param, const QVariant& value) {
    if (!param.isNull() && param.value() == value)
        return false;
    param.setValue(value);
    return true;
}

} // namespace

bool AssignParamIfChanged(db::Param& param, const QVariant& value) {
    switch (param.dataType()) {
    case FieldType::String:
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::Float:
        return assignPlain(param, value);
    case FieldType::Date:
        return assignDateValue(param, value, platform::dateToStr, &db::Param::setAsDate);
    case FieldType::DateTime:
        return assignDateValue(param, value, platform::dateTimeToStr, &db::Param::setAsDateTime);
    case FieldType::Unknown:
        // A parameter that has not been typed yet takes the value as it is; leaving it
        // unset would run the statement without the value.
        return assignUntyped(param, value);
    default:
        return true;
    }
}

// --- Tables -------------------------------------------------------------------------

namespace {

const db::Table::FieldDef* findFieldDef(db::Table& table, const QString& name) {
    for (const auto& def : table.fieldDefs()) {
        if (def.name.compare(name, Qt::CaseInsensitive) == 0)
            return &def;
    }
    return nullptr;
}

// The placeholder condition on one key field; empty for types without a placeholder.
QString placeholderCondition(const db::Table::FieldDef& def) {
    switch (def.type) {
    case FieldType::String:
        return def.name + QStringLiteral(" = '") + HighCharText() + QLatin1Char('\'');
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::Float:
        return def.name + QStringLiteral(" = 0");
    case FieldType::Date:
    case FieldType::DateTime:
        return def.name + QStringLiteral(" = '30.12.1899'");
    default:
        return {};
    }
}

// The placeholder key of a range on one field; invalid for types without one.
QVariant placeholderKey(FieldType type) {
    switch (type) {
    case FieldType::String:
        return HighCharText();
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::Word:
        return 0;
    case FieldType::Float:
    case FieldType::Date:
    case FieldType::DateTime:
        return 0.0;
    default:
        return {};
    }
}

QString firstIndexField(db::Table& table) {
    QStringList names;
    SplitText(table.indexFieldNames(), QStringLiteral(";"), names);
    if (names.isEmpty()) {
        for (const auto& index : table.indexDefs()) {
            if (index.primary) {
                SplitText(index.fields, QStringLiteral(";"), names);
                break;
            }
        }
    }
    return names.value(0);
}

} // namespace

QString UniqueIndexFields(db::Table& table) {
    for (const auto& index : table.indexDefs()) {
        if (index.unique || index.primary)
            return index.fields;
    }
    return {};
}

void EmptyingFilter(db::Table& table) {
    const auto& fieldDefs = table.fieldDefs();
    QString keyFields = UniqueIndexFields(table);
    if (keyFields.isEmpty() && !fieldDefs.empty())
        keyFields = fieldDefs.front().name;
    QStringList names;
    SplitText(keyFields, QStringLiteral(";"), names);
    QStringList conditions;
    for (const QString& name : names) {
        const auto* def = findFieldDef(table, name);
        const QString condition = def ? placeholderCondition(*def) : QString();
        if (!condition.isEmpty())
            conditions << condition;
    }
    table.setFilter(conditions.join(QStringLiteral(" AND ")));
    table.setFiltered(true);
}

void PrepareForReindex(db::Table& table) {
    if (table.databaseName().isEmpty())
        return;
    if (table.driverName() != QLatin1String("STANDARD")) {
        EmptyingFilter(table);
        return;
    }
    // Desktop tables: an empty range on the first index field.
    table.setFilter({});
    table.setFiltered(true);
    if (!table.active())
        return;
    const QString field = firstIndexField(table);
    const auto* def = field.isEmpty() ? nullptr : findFieldDef(table, field);
    const QVariant key = def ? placeholderKey(def->type) : QVariant();
    if (key.isValid()) {
        table.setRange({key}, {key});
        table.applyRange();
    }
}

QString LookupValue(const QString& databaseName, const QString& sessionName, const QString& table,
                    const QString& column, const QString& condition) {
    return db::lookupValue(databaseName, sessionName, table, column, condition);
}

// --- Reading a date by picture ------------------------------------------------------

namespace {

enum class HalfOfDay { Unknown, Morning, Afternoon };

struct DateComponents {
    int year = 1, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, msec = 0;
    HalfOfDay half = HalfOfDay::Unknown;
};

QString upperAscii(const QString& text) {
    QString result = text;
    for (QChar& c : result) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return result;
}

bool isPictureLetter(QChar c) {
    return QStringLiteral("ADHMNPSYZ").contains(c);
}

bool isToken(const QString& text) {
    static const QStringList tokens = {
        QStringLiteral("DD"), QStringLiteral("DDD"), QStringLiteral("DDDD"),
        QStringLiteral("MM"), QStringLiteral("MMM"), QStringLiteral("MMMM"),
        QStringLiteral("YY"), QStringLiteral("YYY"), QStringLiteral("YYYY"),
        QStringLiteral("HH"), QStringLiteral("NN"),  QStringLiteral("SS"),
        QStringLiteral("ZZ"), QStringLiteral("ZZZ"), QStringLiteral("AP"),
        QStringLiteral("AM"), QStringLiteral("AMP"), QStringLiteral("AMPM")};
    return tokens.contains(text);
}

// Takes count characters from the front of the text.
QString take(QString& text, int count) {
    const QString front = text.left(count);
    text.remove(0, count);
    return front;
}

// A whole number, or 0 when the text is not one (blanks included).
int numberOrZero(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    const bool hasBlank = text.contains(QLatin1Char(' '));
    return ok && !hasBlank ? value : 0;
}

int takeNumber(QString& text, int count) {
    return numberOrZero(take(text, count).trimmed());
}

// Index of the name whose first three letters the text starts with, or -1.
int nameIndex(const QString& text, const QStringList& names) {
    const QString front = text.left(3);
    for (int i = 0; i < names.size(); ++i) {
        if (front.size() == 3 && names.at(i).left(3).compare(front, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int twoDigitYear(int value) {
    const int century = QDate::currentDate().year() / 100 * 100;
    return value < platform::formatSettings().twoDigitYearCenturyWindow ? century + value
                                                                        : century - 100 + value;
}

void readToken(const QString& token, QString& text, DateComponents& parts) {
    const auto& settings = platform::formatSettings();
    if (token == u"DD") {
        parts.day = takeNumber(text, 2);
    } else if (token == u"DDD") {
        take(text, 3);
    } else if (token == u"DDDD") {
        if (const int day = nameIndex(text, settings.longDayNames); day >= 0)
            take(text, settings.longDayNames.at(day).size());
    } else if (token == u"MM") {
        parts.month = takeNumber(text, 2);
    } else if (token == u"MMM" || token == u"MMMM") {
        if (const int month = nameIndex(text, settings.longMonthNames); month >= 0) {
            parts.month = month + 1;
            take(text, token == u"MMM" ? 3 : settings.longMonthNames.at(month).size());
        }
    } else if (token == u"YY") {
        parts.year = twoDigitYear(numberOrZero(take(text, 2)));
    } else if (token == u"YYYY") {
        parts.year = numberOrZero(take(text, 4));
    } else if (token == u"HH") {
        parts.hour = takeNumber(text, 2);
    } else if (token == u"NN") {
        parts.minute = takeNumber(text, 2);
    } else if (token == u"SS") {
        parts.second = takeNumber(text, 2);
    } else if (token == u"ZZ" || token == u"ZZZ") {
        parts.msec = takeNumber(text, 3);
    } else if (token == u"AP") {
        parts.half = take(text, 1) == u"A" ? HalfOfDay::Morning : HalfOfDay::Afternoon;
    } else if (token.startsWith(u"AM")) {
        parts.half = take(text, 2) == u"AM" ? HalfOfDay::Morning : HalfOfDay::Afternoon;
    }
}

// The 12-hour clock: 12 AM is midnight, 1 PM to 11 PM are 13:00 to 23:00, 12 PM noon.
int hourOfDay(const DateComponents& parts) {
    if (parts.half == HalfOfDay::Afternoon && parts.hour < 12)
        return parts.hour + 12;
    if (parts.half == HalfOfDay::Morning && parts.hour == 12)
        return 0;
    return parts.hour;
}

platform::TDateTime encode(const DateComponents& parts) {
    platform::TDateTime date = 0;
    platform::TDateTime time = 0;
    if (!platform::tryEncodeDate(parts.year, parts.month, parts.day, date) ||
        !platform::tryEncodeTime(hourOfDay(parts), parts.minute, parts.second, parts.msec, time))
        return 0;
    // Before 30.12.1899 the value is negative and the time of day counts away from zero.
    return date >= 0 ? date + time : date - time;
}

} // namespace

platform::TDateTime ParseDateByPicture(const QString& picture, const QString& text) {
    const QString pic = upperAscii(picture);
    QString rest = upperAscii(text);
    DateComponents parts;
    qsizetype i = 0;
    // The picture's last character never starts a token.
    while (i < pic.size() - 1) {
        if (!isPictureLetter(pic.at(i))) {
            if (rest.size() > 1)
                rest.remove(0, 1);
            ++i;
            continue;
        }
        QString token = pic.at(i);
        qsizetype next = i + 1;
        while (next < pic.size() && isToken(token + pic.at(next)))
            token += pic.at(next++);
        i = next;
        if (!rest.isEmpty() && isToken(token))
            readToken(token, rest, parts);
    }
    return encode(parts);
}

} // namespace controls
