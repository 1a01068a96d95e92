#include "platform/DateTime.h"

#include "platform/Errors.h"

#include <QRegularExpression>
#include <cmath>

namespace platform {

namespace {

constexpr qint64 MSecsPerDayInt = 86400000;

// Day 0 of the date-time scale.
qint64 baseJulianDay() {
    static const qint64 base = QDate(1899, 12, 30).toJulianDay();
    return base;
}

// A value split the way the classic date-time routines split it: rounded to whole
// milliseconds first, then the day truncated towards zero and the time of day taken
// from the absolute remainder (so -1.25 is 29.12.1899 06:00).
struct Split {
    qint64 day = 0;
    qint64 msecOfDay = 0;
    bool hasDate = true;
};

// Values beyond this many days (about 27 million years) have no date (their
// milliseconds would not fit 64 bits): they split as day 0 without a date.
constexpr double MaxDays = 1e10;

Split split(TDateTime value) {
    if (!std::isfinite(value) || std::abs(value) > MaxDays)
        return {0, 0, false};
    const auto total = static_cast<qint64>(std::llround(value * MSecsPerDay));
    const qint64 msecOfDay = total % MSecsPerDayInt;
    return {total / MSecsPerDayInt, msecOfDay < 0 ? -msecOfDay : msecOfDay};
}

QDate calendarDateOf(const Split& parts) {
    return parts.hasDate ? QDate::fromJulianDay(baseJulianDay() + parts.day) : QDate();
}

} // namespace

bool tryEncodeDate(int year, int month, int day, TDateTime& result) {
    if (year < 1 || year > 9999)
        return false;
    const QDate date(year, month, day);
    if (!date.isValid())
        return false;
    result = fromQDate(date);
    return true;
}

bool tryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        msec < 0 || msec > 999)
        return false;
    const qint64 msecs = ((hour * 60LL + minute) * 60 + second) * 1000 + msec;
    result = static_cast<double>(msecs) / MSecsPerDay;
    return true;
}

TDateTime encodeDate(int year, int month, int day) {
    TDateTime result = 0;
    if (!tryEncodeDate(year, month, day, result))
        throw ConvertError(QStringLiteral("Invalid argument to date encode"));
    return result;
}

TDateTime encodeTime(int hour, int minute, int second, int msec) {
    TDateTime result = 0;
    if (!tryEncodeTime(hour, minute, second, msec, result))
        throw ConvertError(QStringLiteral("Invalid argument to time encode"));
    return result;
}

DateParts decodeDate(TDateTime value) {
    const QDate date = calendarDateOf(split(value));
    if (!date.isValid())
        return {};
    return {date.year(), date.month(), date.day()};
}

TimeParts decodeTime(TDateTime value) {
    qint64 ms = split(value).msecOfDay;
    TimeParts parts;
    parts.msec = static_cast<int>(ms % 1000);
    ms /= 1000;
    parts.second = static_cast<int>(ms % 60);
    ms /= 60;
    parts.minute = static_cast<int>(ms % 60);
    parts.hour = static_cast<int>(ms / 60);
    return parts;
}

int dayOfWeek(TDateTime value) {
    const QDate date = calendarDateOf(split(value));
    return date.isValid() ? date.dayOfWeek() % 7 + 1 : 0;
}

TDateTime dateOf(TDateTime value) {
    return static_cast<double>(split(value).day);
}

TDateTime timeOf(TDateTime value) {
    return static_cast<double>(split(value).msecOfDay) / MSecsPerDay;
}

TDateTime combineDateTime(TDateTime date, TDateTime time) {
    return date < 0 ? date - time : date + time;
}

TDateTime today() {
    return fromQDate(QDate::currentDate());
}

TDateTime now() {
    return fromQDateTime(QDateTime::currentDateTime());
}

QDateTime toQDateTime(TDateTime value) {
    const Split parts = split(value);
    return QDateTime(calendarDateOf(parts), QTime::fromMSecsSinceStartOfDay(int(parts.msecOfDay)),
                     Qt::UTC);
}

TDateTime fromQDateTime(const QDateTime& value) {
    if (!value.isValid())
        return 0;
    const double day = fromQDate(value.date());
    const double time = value.time().msecsSinceStartOfDay() / MSecsPerDay;
    return combineDateTime(day, time);
}

std::optional<TDateTime> dateOfArgument(const QString& text) {
    // ASCII digits only: QDate's own reader also takes signs and other scripts' digits.
    static const QRegularExpression dayFirst(
        QStringLiteral("^([0-9]{1,2})\\.([0-9]{1,2})\\.([0-9]{4})\\z"));
    static const QRegularExpression yearFirst(
        QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})\\z"));
    TDateTime result = 0;
    if (const auto match = dayFirst.match(text); match.hasMatch()) {
        if (tryEncodeDate(match.captured(3).toInt(), match.captured(2).toInt(),
                          match.captured(1).toInt(), result))
            return result;
    } else if (const auto iso = yearFirst.match(text); iso.hasMatch()) {
        if (tryEncodeDate(iso.captured(1).toInt(), iso.captured(2).toInt(), iso.captured(3).toInt(),
                          result))
            return result;
    }
    return std::nullopt;
}

TDateTime fromQDate(const QDate& value) {
    if (!value.isValid())
        return 0;
    return static_cast<double>(value.toJulianDay() - baseJulianDay());
}

} // namespace platform
