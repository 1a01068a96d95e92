#include "platform/FormatSettings.h"

#include <QLocale>
#include <optional>

namespace platform {

namespace {

QChar firstCharOr(const QString& text, QChar fallback) {
    return text.isEmpty() ? fallback : text.at(0);
}

std::optional<FormatSettings>& userLocaleOverride() {
    static std::optional<FormatSettings> instance;
    return instance;
}

} // namespace

FormatSettings FormatSettings::fromLocale(const QLocale& locale) {
    FormatSettings settings;
    settings.decimalSeparator = firstCharOr(locale.decimalPoint(), QLatin1Char('.'));
    settings.thousandSeparator = firstCharOr(locale.groupSeparator(), QLatin1Char(','));
    if (!locale.amText().isEmpty())
        settings.timeAMString = locale.amText();
    if (!locale.pmText().isEmpty())
        settings.timePMString = locale.pmText();
    for (int month = 1; month <= 12; ++month) {
        settings.shortMonthNames << locale.monthName(month, QLocale::ShortFormat);
        settings.longMonthNames << locale.monthName(month, QLocale::LongFormat);
    }
    // QLocale counts Monday as 1 and Sunday as 7; the lists start with Sunday.
    for (int index = 0; index < 7; ++index) {
        const int qtDay = index == 0 ? 7 : index;
        settings.shortDayNames << locale.dayName(qtDay, QLocale::ShortFormat);
        settings.longDayNames << locale.dayName(qtDay, QLocale::LongFormat);
    }
    return settings;
}

FormatSettings& formatSettings() {
    static FormatSettings instance = FormatSettings::fromLocale(QLocale::system());
    return instance;
}

FormatSettings userLocaleSettings() {
    if (const auto& override = userLocaleOverride())
        return *override;
    return FormatSettings::fromLocale(QLocale::system());
}

void setUserLocaleOverride(const FormatSettings& settings) {
    userLocaleOverride() = settings;
}

void clearUserLocaleOverride() {
    userLocaleOverride().reset();
}

} // namespace platform
