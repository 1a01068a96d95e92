#pragma once

#include <QDateTime>
#include <optional>

namespace platform {

// A date-time value: days since 30.12.1899 with the time of day as the fraction.
// A missing value is never encoded as a number; callers keep null separately.
using TDateTime = double;

constexpr double MSecsPerDay = 86400000.0;

bool tryEncodeDate(int year, int month, int day, TDateTime& result);
bool tryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);
// Raise ConvertError on an impossible date or time.
TDateTime encodeDate(int year, int month, int day);
TDateTime encodeTime(int hour, int minute, int second, int msec);

struct DateParts {
    int year = 0, month = 0, day = 0;
};
struct TimeParts {
    int hour = 0, minute = 0, second = 0, msec = 0;
};
DateParts decodeDate(TDateTime value);
TimeParts decodeTime(TDateTime value);
int dayOfWeek(TDateTime value); // 1 = Sunday … 7 = Saturday

// Values are rounded to whole milliseconds before they are split; before 30.12.1899 the
// date is the whole part truncated towards zero and the time the absolute fraction.
TDateTime dateOf(TDateTime value); // whole part (date only)
TDateTime timeOf(TDateTime value); // fraction (time only)
// A date and a time of day as one value; before day 0 the time counts away from zero,
// as the whole part does (so -1 with 06:00 is -1.25).
TDateTime combineDateTime(TDateTime date, TDateTime time);
TDateTime today();
TDateTime now(); // the local wall clock

// A QDateTime in UTC carries the value's wall-clock date and time unchanged (no
// daylight-saving gaps or shifts). fromQDateTime takes the date and time of day as the
// QDateTime shows them in its own time zone setting; an invalid QDateTime or QDate gives 0.
QDateTime toQDateTime(TDateTime value);
TDateTime fromQDateTime(const QDateTime& value);
TDateTime fromQDate(const QDate& value);

// A date given on the command line, as dd.mm.yyyy (day and month with one or two
// digits) or yyyy-mm-dd; none for anything else.
std::optional<TDateTime> dateOfArgument(const QString& text);

} // namespace platform
