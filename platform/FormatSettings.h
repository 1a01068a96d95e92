#pragma once

#include <QChar>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace platform {

// The pictures and separators used to show and read numbers, dates and times.
struct FormatSettings {
    QChar decimalSeparator = QLatin1Char('.');
    QChar thousandSeparator = QLatin1Char(',');
    QChar dateSeparator = QLatin1Char('.');
    QChar timeSeparator = QLatin1Char(':');
    QString shortDateFormat = QStringLiteral("dd.mm.yyyy");
    QString longDateFormat = QStringLiteral("d. mmmm yyyy");
    QString shortTimeFormat = QStringLiteral("hh:nn");
    QString longTimeFormat = QStringLiteral("hh:nn:ss");
    QString timeAMString = QStringLiteral("AM");
    QString timePMString = QStringLiteral("PM");
    QStringList shortMonthNames; // 12 entries
    QStringList longMonthNames;  // 12 entries
    QStringList shortDayNames;   // 7 entries, Sunday first
    QStringList longDayNames;    // 7 entries, Sunday first
    int twoDigitYearCenturyWindow = 50;

    // Separators and names of the given locale, with this system's date and time
    // pictures ("dd.mm.yyyy", "hh:nn:ss").
    static FormatSettings fromLocale(const QLocale& locale);
};

// The process-wide settings. Initialised from the system locale with short date
// "dd.mm.yyyy", date separator ".", time separator ":" and long time "hh:nn:ss";
// the program may change them.
FormatSettings& formatSettings();

// The desktop user's own regional settings, read anew on every call. Tests replace
// them with setUserLocaleOverride; reset with std::nullopt-like clearUserLocaleOverride.
FormatSettings userLocaleSettings();
void setUserLocaleOverride(const FormatSettings& settings);
void clearUserLocaleOverride();

} // namespace platform
