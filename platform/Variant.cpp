#include "platform/Variant.h"

#include "platform/Errors.h"
#include "platform/Pictures.h"

#include <QDate>
#include <QTime>
#include <optional>

namespace platform {

namespace {

bool isNullVariant(const QVariant& value) {
    return !value.isValid() || value.isNull();
}

bool isText(const QVariant& value) {
    return value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray;
}

[[noreturn]] void conversionFailed(const QVariant& value, const QString& target) {
    throw VariantError(QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                           .arg(variantTypeName(value), target));
}

// Numbers are days; dates and times convert without reading text.
std::optional<double> numberOrDate(const QVariant& value) {
    if (isNullVariant(value))
        return std::nullopt;
    if (isFloatVariant(value) || isIntegerVariant(value))
        return value.toDouble();
    switch (value.typeId()) {
    case QMetaType::QDate:
        return fromQDate(value.toDate());
    case QMetaType::QDateTime:
        return fromQDateTime(value.toDateTime());
    case QMetaType::QTime:
        return value.toTime().msecsSinceStartOfDay() / MSecsPerDay;
    default:
        return std::nullopt;
    }
}

} // namespace

bool isIntegerVariant(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool isFloatVariant(const QVariant& value) {
    return value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
}

QString variantTypeName(const QVariant& value) {
    if (isNullVariant(value))
        return QStringLiteral("Null");
    if (isText(value))
        return QStringLiteral("String");
    if (isFloatVariant(value))
        return QStringLiteral("Double");
    if (isIntegerVariant(value))
        return QStringLiteral("Integer");
    switch (value.typeId()) {
    case QMetaType::Bool:
        return QStringLiteral("Boolean");
    case QMetaType::QDate:
    case QMetaType::QDateTime:
    case QMetaType::QTime:
        return QStringLiteral("Date");
    default:
        return QString::fromLatin1(value.typeName());
    }
}

TDateTime variantToDateTime(const QVariant& value) {
    if (const auto direct = numberOrDate(value))
        return *direct;
    if (isText(value)) {
        const QString text = value.toString();
        TDateTime result = 0;
        if (tryStrToDateTime(text, result, userLocaleSettings()) ||
            tryStrToDateTime(text, result, formatSettings()) ||
            tryStrToFloat(text, result, formatSettings()))
            return result;
    }
    conversionFailed(value, QStringLiteral("Date"));
}

double variantToFloat(const QVariant& value) {
    if (const auto direct = numberOrDate(value))
        return *direct;
    double result = 0;
    if (isText(value) && tryStrToFloat(value.toString(), result, formatSettings()))
        return result;
    conversionFailed(value, QStringLiteral("Double"));
}

QString variantToText(const QVariant& value) {
    if (isNullVariant(value))
        return {};
    if (isFloatVariant(value))
        return floatToStr(value.toDouble());
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QDate:
        return dateToStr(fromQDate(value.toDate()));
    case QMetaType::QDateTime:
        return dateTimeToStr(fromQDateTime(value.toDateTime()));
    case QMetaType::QTime:
        return timeToStr(value.toTime().msecsSinceStartOfDay() / MSecsPerDay);
    default:
        return value.toString();
    }
}

} // namespace platform
