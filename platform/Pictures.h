#pragma once

#include "platform/DateTime.h"
#include "platform/FormatSettings.h"

#include <QString>

namespace platform {

// Number pictures: '0' digit, '#' optional digit, '.' decimal point, ',' grouping,
// 'E+'/'e-' exponent, quoted literals, up to three sections split by ';' (positive,
// negative, zero). Rounds half away from zero. An empty picture gives the general
// form with 15 significant digits.
QString formatFloat(const QString& picture, double value,
                    const FormatSettings& settings = formatSettings());

// General form: shortest text with up to 15 significant digits (123456, 1234.5, 1E20).
QString floatToStr(double value, const FormatSettings& settings = formatSettings());

// Date pictures: d dd ddd dddd m mm mmm mmmm yy yyyy h hh n nn s ss z zzz am/pm a/p
// ampm c t tt ddddd / : and quoted literals. An empty picture means "c".
QString formatDateTime(const QString& picture, TDateTime value,
                       const FormatSettings& settings = formatSettings());

QString dateToStr(TDateTime value, const FormatSettings& settings = formatSettings());
QString timeToStr(TDateTime value, const FormatSettings& settings = formatSettings());
// Short date, plus the long time when the time of day is not zero.
QString dateTimeToStr(TDateTime value, const FormatSettings& settings = formatSettings());

// Text to number under the given decimal separator; raises ConvertError
// "'%s' is not a valid floating point value".
double strToFloat(const QString& text, const FormatSettings& settings = formatSettings());
bool tryStrToFloat(const QString& text, double& result,
                   const FormatSettings& settings = formatSettings());

// Text to date, time, date-time under the short date format's order of day, month
// and year and the given separators; raise ConvertError "'%s' is not a valid date"
// ("… valid time", "… valid date and time").
TDateTime strToDate(const QString& text, const FormatSettings& settings = formatSettings());
TDateTime strToTime(const QString& text, const FormatSettings& settings = formatSettings());
TDateTime strToDateTime(const QString& text, const FormatSettings& settings = formatSettings());
bool tryStrToDateTime(const QString& text, TDateTime& result,
                      const FormatSettings& settings = formatSettings());

} // namespace platform
