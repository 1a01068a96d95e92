#include "entry/Ufparam.h"

#include "controls/HelperRoutines.h"
#include "platform/Errors.h"
#include "platform/FormatSettings.h"
#include "platform/Pictures.h"
#include "platform/Variant.h"

namespace entry {

using db::FieldType;

QString TFormatParam::FormatText() const {
    if (isNull())
        return {};
    const auto& settings = platform::formatSettings();
    switch (dataType()) {
    case FieldType::Unknown:
        return {};
    case FieldType::Float:
        return platform::formatFloat(displayFormat, valueAsFloat());
    case FieldType::Date:
        return platform::formatDateTime(
            displayFormat.isEmpty() ? settings.shortDateFormat : displayFormat, asDateTime());
    case FieldType::Time:
        return formatTime();
    case FieldType::DateTime:
        return platform::formatDateTime(displayFormat, asDateTime());
    default:
        return asString();
    }
}

// A time field emptied to its bare mask holds a text of blanks and separators: it is
// a value, and it shows as empty text.
QString TFormatParam::formatTime() const {
    try {
        return platform::formatDateTime(platform::formatSettings().longTimeFormat, asDateTime());
    } catch (const platform::VariantError&) {
        const QString separators = QStringLiteral(" :") + platform::formatSettings().timeSeparator;
        if (value().typeId() == QMetaType::QString &&
            controls::RemoveChars(separators, value().toString()).isEmpty())
            return {};
        throw;
    }
}

void TFormatParam::ParseText(const QString& text) {
    if (text.isEmpty() || text == QLatin1String("?")) {
        clear();
        return;
    }
    switch (dataType()) {
    case FieldType::Float:
        parseFloat(text);
        break;
    case FieldType::Date:
    case FieldType::DateTime:
        parseDate(text);
        break;
    default:
        setValue(text);
        break;
    }
}

void TFormatParam::parseFloat(const QString& text) {
    const auto& settings = platform::formatSettings();
    const QString plain = controls::RemoveChars(QString(settings.thousandSeparator), text);
    setAsFloat(platform::strToFloat(plain, settings));
}

void TFormatParam::parseDate(const QString& text) {
    const auto& settings = platform::formatSettings();
    const QString separators =
        QStringLiteral(" ") + settings.dateSeparator + settings.timeSeparator;
    if (controls::RemoveChars(separators, text).isEmpty()) {
        clear();
    } else if (!displayFormat.isEmpty()) {
        const platform::TDateTime value = controls::ParseDateByPicture(displayFormat, text);
        // A date stays a date; the picture may carry a time of day only for date-time.
        if (dataType() == FieldType::Date)
            setAsDate(value);
        else
            setAsDateTime(value);
    } else {
        // Kept as typed; it is read as a date when it is shown or used.
        setValue(withoutBlankTime(text, separators));
    }
}

// A date and time whose time positions were left blank ("05.03.2024   :  ", a date
// retyped in the mask of a value at midnight) is the date alone.
QString TFormatParam::withoutBlankTime(const QString& text, const QString& separators) {
    const QString date = text.trimmed();
    const qsizetype gap = date.indexOf(u' ');
    if (gap < 0 || !controls::RemoveChars(separators, date.mid(gap)).isEmpty())
        return text;
    return date.left(gap);
}

bool TFormatParam::showsNoValue() const {
    return isNull() || FormatText().isEmpty();
}

double TFormatParam::valueAsFloat() const {
    if (value().typeId() == QMetaType::QString) {
        double number = 0;
        if (platform::tryStrToFloat(value().toString(), number, platform::userLocaleSettings()))
            return number;
        return platform::variantToFloat(value());
    }
    return asFloat();
}

} // namespace entry
