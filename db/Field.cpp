#include "db/Field.h"

#include "db/DataSet.h"
#include "platform/Errors.h"
#include "platform/Pictures.h"
#include "platform/Variant.h"

#include <QDate>
#include <QRegularExpression>
#include <cmath>

namespace db {

bool isTextType(FieldType type) {
    return type == FieldType::String || type == FieldType::Memo;
}

bool isIntegerType(FieldType type) {
    return type == FieldType::SmallInt || type == FieldType::Integer || type == FieldType::Word;
}

bool isNumericType(FieldType type) {
    return isIntegerType(type) || type == FieldType::Float || type == FieldType::Currency;
}

bool isDateType(FieldType type) {
    return type == FieldType::Date || type == FieldType::Time || type == FieldType::DateTime;
}

namespace {

QString typeNameOf(FieldType type) {
    if (isTextType(type))
        return QStringLiteral("String");
    if (isIntegerType(type))
        return QStringLiteral("Integer");
    if (type == FieldType::Boolean)
        return QStringLiteral("Boolean");
    if (isDateType(type))
        return QStringLiteral("Date");
    return QStringLiteral("Double");
}

[[noreturn]] void raiseVariantError(const QVariant& value, FieldType type) {
    throw platform::VariantError(
        QStringLiteral("Could not convert variant of type (%1) into type (%2)")
            .arg(platform::variantTypeName(value), typeNameOf(type)));
}

bool isTextValue(const QVariant& value) {
    const int id = value.metaType().id();
    return id == QMetaType::QString || id == QMetaType::QByteArray || id == QMetaType::QChar;
}

QString textValue(const QVariant& value) {
    if (value.metaType().id() == QMetaType::QByteArray)
        return QString::fromUtf8(value.toByteArray());
    return value.toString();
}

// A number written in either the process's or the C notation.
bool tryReadFloat(const QString& text, double& result) {
    if (platform::tryStrToFloat(text.trimmed(), result))
        return true;
    bool ok = false;
    result = text.trimmed().toDouble(&ok);
    return ok;
}

bool isTimeOnlyText(const QString& text, platform::TDateTime& result) {
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{1,3}))?)?\\s*$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    const int msec =
        match.captured(4).isEmpty() ? 0 : match.captured(4).leftJustified(3, u'0').toInt();
    return platform::tryEncodeTime(match.captured(1).toInt(), match.captured(2).toInt(),
                                   match.captured(3).toInt(), msec, result);
}

platform::TDateTime textToDateTime(FieldType type, const QString& text) {
    platform::TDateTime result = 0;
    if (parseIsoDateTime(text, result))
        return result;
    if (type == FieldType::Time && isTimeOnlyText(text, result))
        return result;
    return platform::variantToDateTime(QVariant(text));
}

platform::TDateTime toDateTimeValue(FieldType type, const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::QDate:
        return platform::fromQDate(value.toDate());
    case QMetaType::QDateTime:
        return platform::fromQDateTime(value.toDateTime());
    case QMetaType::QTime: {
        const QTime time = value.toTime();
        return platform::encodeTime(time.hour(), time.minute(), time.second(), time.msec());
    }
    default:
        break;
    }
    if (platform::isIntegerVariant(value) || platform::isFloatVariant(value))
        return value.toDouble();
    if (isTextValue(value))
        return textToDateTime(type, textValue(value));
    raiseVariantError(value, type);
}

QVariant naturalValue(const QVariant& value) {
    if (platform::isIntegerVariant(value))
        return QVariant(value.toLongLong());
    if (platform::isFloatVariant(value))
        return QVariant(value.toDouble());
    if (value.metaType().id() == QMetaType::QByteArray)
        return QVariant(textValue(value));
    return value;
}

// A floating-point value rounded to a 64-bit integer; one outside that range (or not
// finite) raises ConvertError instead of wrapping around.
qint64 roundedInteger(double real) {
    const double rounded = std::round(real);
    constexpr double limit = 9223372036854775808.0; // 2^63
    if (!(rounded >= -limit && rounded < limit))
        throw platform::ConvertError(
            QStringLiteral("'%1' is not a valid integer value").arg(platform::floatToStr(real)));
    return static_cast<qint64>(rounded);
}

QVariant toIntegerValue(FieldType type, const QVariant& value) {
    if (platform::isIntegerVariant(value))
        return QVariant(value.toLongLong());
    if (platform::isFloatVariant(value))
        return QVariant(roundedInteger(value.toDouble()));
    if (value.metaType().id() == QMetaType::Bool)
        return QVariant(qint64(value.toBool() ? 1 : 0));
    if (isTextValue(value)) {
        bool ok = false;
        const QString text = textValue(value).trimmed();
        const qint64 number = text.toLongLong(&ok);
        if (ok)
            return QVariant(number);
        double real = 0;
        if (tryReadFloat(text, real))
            return QVariant(roundedInteger(real));
    }
    raiseVariantError(value, type);
}

QVariant toFloatValue(FieldType type, const QVariant& value) {
    if (platform::isIntegerVariant(value) || platform::isFloatVariant(value))
        return QVariant(value.toDouble());
    if (value.metaType().id() == QMetaType::Bool)
        return QVariant(value.toBool() ? 1.0 : 0.0);
    if (isTextValue(value)) {
        double real = 0;
        if (tryReadFloat(textValue(value), real))
            return QVariant(real);
    }
    raiseVariantError(value, type);
}

bool textToBoolean(const QString& text, bool& result) {
    const QString upper = text.trimmed().toUpper();
    if (upper.isEmpty())
        return false;
    if (upper == u"1" || upper.startsWith(u'T') || upper.startsWith(u'Y')) {
        result = true;
        return true;
    }
    if (upper == u"0" || upper.startsWith(u'F') || upper.startsWith(u'N')) {
        result = false;
        return true;
    }
    return false;
}

QVariant toBooleanValue(FieldType type, const QVariant& value) {
    if (value.metaType().id() == QMetaType::Bool)
        return value;
    if (platform::isIntegerVariant(value) || platform::isFloatVariant(value))
        return QVariant(value.toDouble() != 0);
    bool result = false;
    if (isTextValue(value) && textToBoolean(textValue(value), result))
        return QVariant(result);
    raiseVariantError(value, type);
}

QVariant toDateValue(FieldType type, const QVariant& value) {
    const platform::TDateTime result = toDateTimeValue(type, value);
    if (type == FieldType::Date)
        return QVariant(platform::dateOf(result));
    if (type == FieldType::Time)
        return QVariant(platform::timeOf(result));
    return QVariant(result);
}

QString numberText(const QVariant& value) {
    if (platform::isFloatVariant(value))
        return platform::floatToStr(value.toDouble());
    return value.toString();
}

} // namespace

QVariant normalizeValue(FieldType type, const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return {};
    if (isTextType(type))
        return isTextValue(value) ? QVariant(textValue(value)) : QVariant(valueToText(type, value));
    // An empty text is no number, date or flag: it clears the value.
    if (isTextValue(value) && textValue(value).trimmed().isEmpty())
        return {};
    if (isIntegerType(type))
        return toIntegerValue(type, value);
    if (type == FieldType::Float || type == FieldType::Currency)
        return toFloatValue(type, value);
    if (type == FieldType::Boolean)
        return toBooleanValue(type, value);
    if (isDateType(type))
        return toDateValue(type, value);
    return naturalValue(value);
}

QString valueToText(FieldType type, const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return {};
    if (isDateType(type) && !isTextValue(value)) {
        const platform::TDateTime dateTime = toDateTimeValue(type, value);
        if (type == FieldType::Date)
            return platform::dateToStr(dateTime);
        if (type == FieldType::Time)
            return platform::timeToStr(dateTime);
        return platform::dateTimeToStr(dateTime);
    }
    if (value.metaType().id() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    if (platform::isIntegerVariant(value) || platform::isFloatVariant(value))
        return numberText(value);
    if (isTextValue(value))
        return textValue(value);
    if (value.metaType().id() == QMetaType::QDate || value.metaType().id() == QMetaType::QDateTime)
        return platform::dateTimeToStr(toDateTimeValue(FieldType::DateTime, value));
    return value.toString();
}

double valueToFloat(FieldType type, const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return 0;
    if (isTextValue(value))
        return isDateType(type) ? textToDateTime(type, textValue(value))
                                : platform::strToFloat(textValue(value).trimmed());
    if (value.metaType().id() == QMetaType::Bool)
        return value.toBool() ? 1 : 0;
    if (platform::isIntegerVariant(value) || platform::isFloatVariant(value))
        return value.toDouble();
    return toDateTimeValue(type, value);
}

qint64 valueToInteger(FieldType type, const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return 0;
    if (platform::isIntegerVariant(value))
        return value.toLongLong();
    if (isTextValue(value) && !isDateType(type)) {
        bool ok = false;
        const QString text = textValue(value).trimmed();
        const qint64 number = text.toLongLong(&ok);
        if (!ok)
            throw platform::ConvertError(
                QStringLiteral("'%1' is not a valid integer value").arg(text));
        return number;
    }
    return roundedInteger(valueToFloat(type, value));
}

platform::TDateTime valueToDateTime(FieldType type, const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return 0;
    return toDateTimeValue(type, value);
}

bool valueToBoolean(FieldType type, const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return false;
    if (isTextValue(value)) {
        bool result = false;
        if (!textToBoolean(textValue(value), result))
            throw platform::ConvertError(
                QStringLiteral("'%1' is not a valid boolean value").arg(textValue(value)));
        return result;
    }
    return toBooleanValue(type, value).toBool();
}

bool parseIsoDateTime(const QString& text, platform::TDateTime& result) {
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d{4})-(\\d{2})-(\\d{2})"
                       "(?:[ T](\\d{2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{1,9}))?)?)?\\s*$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    platform::TDateTime date = 0;
    if (!platform::tryEncodeDate(match.captured(1).toInt(), match.captured(2).toInt(),
                                 match.captured(3).toInt(), date))
        return false;
    platform::TDateTime time = 0;
    if (!match.captured(4).isEmpty()) {
        const int msec = match.captured(7).left(3).leftJustified(3, u'0').toInt();
        if (!platform::tryEncodeTime(match.captured(4).toInt(), match.captured(5).toInt(),
                                     match.captured(6).toInt(), msec, time))
            return false;
    }
    result = platform::combineDateTime(date, time);
    return true;
}

QString isoDateTimeText(platform::TDateTime value) {
    const auto date = platform::decodeDate(value);
    const QString dateText = QStringLiteral("%1-%2-%3")
                                 .arg(date.year, 4, 10, QLatin1Char('0'))
                                 .arg(date.month, 2, 10, QLatin1Char('0'))
                                 .arg(date.day, 2, 10, QLatin1Char('0'));
    const auto time = platform::decodeTime(value);
    if (time.hour == 0 && time.minute == 0 && time.second == 0)
        return dateText;
    return dateText + QStringLiteral(" %1:%2:%3")
                          .arg(time.hour, 2, 10, QLatin1Char('0'))
                          .arg(time.minute, 2, 10, QLatin1Char('0'))
                          .arg(time.second, 2, 10, QLatin1Char('0'));
}

// ---------------------------------------------------------------------------------

Field::Field(DataSet& owner, QString name, FieldType type, FieldKind kind, int size)
    : owner_(owner), name_(std::move(name)), type_(type), kind_(kind), size_(size) {}

QString Field::displayLabel() const {
    return displayLabel_.isEmpty() ? name_ : displayLabel_;
}

int Field::displayWidth() const {
    if (displayWidth_ > 0)
        return displayWidth_;
    if (type_ == FieldType::String && size_ > 0)
        return size_;
    return 10;
}

Qt::Alignment Field::alignment() const {
    if (alignment_ != Qt::Alignment{})
        return alignment_;
    return isNumericType(type_) ? Qt::AlignRight : Qt::AlignLeft;
}

QVariant Field::value() const {
    return owner_.fieldValue(*this);
}

bool Field::isNull() const {
    return !value().isValid();
}

QString Field::asString() const {
    return textOf(value());
}

double Field::asFloat() const {
    return valueToFloat(type_, value());
}

qint64 Field::asInteger() const {
    return valueToInteger(type_, value());
}

platform::TDateTime Field::asDateTime() const {
    return valueToDateTime(type_, value());
}

bool Field::asBoolean() const {
    return valueToBoolean(type_, value());
}

QString Field::displayText() const {
    return displayTextOf(value());
}

void Field::setValue(const QVariant& value) {
    owner_.setFieldValue(*this, normalizeValue(type_, value));
}

void Field::setAsString(const QString& text) {
    // As in the back office's engine, an empty text is no value at all.
    if (text.isEmpty() || (!isTextType(type_) && text.trimmed().isEmpty())) {
        clear();
        return;
    }
    if (isTextType(type_) || type_ == FieldType::Unknown) {
        setValue(QVariant(text));
        return;
    }
    if (type_ == FieldType::Float || type_ == FieldType::Currency) {
        setValue(QVariant(platform::strToFloat(text.trimmed())));
        return;
    }
    if (isIntegerType(type_)) {
        setValue(QVariant(valueToInteger(FieldType::String, QVariant(text))));
        return;
    }
    if (type_ == FieldType::Boolean) {
        setValue(QVariant(valueToBoolean(FieldType::String, QVariant(text))));
        return;
    }
    setValue(QVariant(text));
}

void Field::setAsFloat(double value) {
    setValue(QVariant(value));
}

void Field::setAsInteger(qint64 value) {
    setValue(QVariant(value));
}

void Field::setAsDateTime(platform::TDateTime value) {
    if (isDateType(type_)) {
        setValue(QVariant(value));
        return;
    }
    setValue(QVariant(platform::dateTimeToStr(value)));
}

void Field::clear() {
    owner_.setFieldValue(*this, QVariant());
}

QString Field::textOf(const QVariant& value) const {
    return valueToText(type_, value);
}

QString Field::displayTextOf(const QVariant& value) const {
    if (textRule_)
        return textRule_(value);
    if (!value.isValid())
        return {};
    if (!displayFormat_.isEmpty()) {
        if (isDateType(type_))
            return platform::formatDateTime(displayFormat_, valueToDateTime(type_, value));
        if (isNumericType(type_) || (type_ == FieldType::Unknown && !isTextValue(value)))
            return platform::formatFloat(displayFormat_, valueToFloat(type_, value));
    }
    return textOf(value);
}

} // namespace db
