#pragma once

#include "platform/DateTime.h"

#include <QVariant>

namespace platform {

// Whether a value holds a whole number of any width, or a floating-point number.
bool isIntegerVariant(const QVariant& value);
bool isFloatVariant(const QVariant& value);

// The type name a conversion error quotes: "String", "Double", "Integer", "Date",
// "Null", "Boolean".
QString variantTypeName(const QVariant& value);

// A value to a date-time the way the desktop converts variants: a number is days;
// a QDate or QDateTime converts directly; a text is read first under the desktop
// user's regional settings, then under the process's short date format, then as a
// plain number of days. Anything else raises VariantError
// "Could not convert variant of type (%s) into type (Date)". Null raises too.
TDateTime variantToDateTime(const QVariant& value);

// A value to a number; text is read under the process's decimal separator.
// Raises VariantError "Could not convert variant of type (%s) into type (Double)".
double variantToFloat(const QVariant& value);

// A value to text: numbers in the general form, dates as date-time text, null empty.
QString variantToText(const QVariant& value);

} // namespace platform
