#include "platform/Pictures.h"

#include "platform/Errors.h"

#include <QDate>
#include <QLocale>
#include <charconv>
#include <climits>
#include <cmath>
#include <optional>
#include <string>

namespace platform {

namespace {

// ---------------------------------------------------------------------------
// Decimal digits of a number, rounded as text so that what the operator sees as
// 2.0000051 rounds like 2.0000051 and not like its binary neighbour.

// A non-negative magnitude as 0.d1d2d3... × 10^exponent; no leading or trailing zero
// digits, and no digits at all for zero.
struct Decimal {
    std::string digits;
    int exponent = 0;

    bool isZero() const { return digits.empty(); }
};

void stripTrailingZeros(Decimal& number) {
    while (!number.digits.empty() && number.digits.back() == '0')
        number.digits.pop_back();
    if (number.digits.empty())
        number.exponent = 0;
}

// The shortest digits that read back as the same double.
Decimal toDecimal(double magnitude) {
    Decimal number;
    if (magnitude == 0 || !std::isfinite(magnitude))
        return number;
    char buffer[64];
    const auto converted = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(magnitude),
                                         std::chars_format::scientific);
    const std::string text(buffer, converted.ptr);
    const auto exponentAt = text.find('e');
    int exponent = 0;
    std::from_chars(text.data() + exponentAt + (text[exponentAt + 1] == '+' ? 2 : 1),
                    text.data() + text.size(), exponent);
    for (std::size_t i = 0; i < exponentAt; ++i) {
        if (text[i] != '.')
            number.digits += text[i];
    }
    number.exponent = exponent + 1;
    stripTrailingZeros(number);
    return number;
}

// Keeps the first `keep` digits, rounding half away from zero.
void roundToDigitCount(Decimal& number, int keep) {
    if (keep >= int(number.digits.size()))
        return;
    if (keep < 0) {
        number = {};
        return;
    }
    const bool roundUp = number.digits[keep] >= '5';
    number.digits.resize(keep);
    if (roundUp) {
        int i = keep - 1;
        while (i >= 0 && number.digits[i] == '9')
            number.digits[i--] = '0';
        if (i < 0) {
            number.digits.insert(number.digits.begin(), '1');
            ++number.exponent;
        } else {
            ++number.digits[i];
        }
    }
    stripTrailingZeros(number);
}

void roundToDecimals(Decimal& number, int decimals) {
    if (!number.isZero())
        roundToDigitCount(number, number.exponent + decimals);
}

QString integerDigits(const Decimal& number) {
    if (number.exponent <= 0)
        return {};
    QString text = QString::fromStdString(number.digits.substr(0, number.exponent));
    return text.leftJustified(number.exponent, QLatin1Char('0'));
}

QString fractionDigits(const Decimal& number) {
    if (number.exponent >= int(number.digits.size()))
        return {};
    if (number.exponent >= 0)
        return QString::fromStdString(number.digits.substr(number.exponent));
    return QString(-number.exponent, QLatin1Char('0')) + QString::fromStdString(number.digits);
}

QString specialValueText(double value) {
    if (std::isnan(value))
        return QStringLiteral("NAN");
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

// ---------------------------------------------------------------------------
// Number pictures.

bool isQuote(QChar c) {
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

bool isExponentAt(const QString& picture, int i) {
    return (picture[i] == QLatin1Char('E') || picture[i] == QLatin1Char('e')) &&
           i + 1 < picture.size() &&
           (picture[i + 1] == QLatin1Char('+') || picture[i + 1] == QLatin1Char('-'));
}

// The index after the quoted text that starts at `i`.
int skipQuoted(const QString& picture, int i) {
    const QChar quote = picture[i];
    const int close = picture.indexOf(quote, i + 1);
    return close < 0 ? int(picture.size()) : close + 1;
}

QStringList splitSections(const QString& picture) {
    QStringList sections;
    int start = 0;
    for (int i = 0; i < picture.size();) {
        if (isQuote(picture[i])) {
            i = skipQuoted(picture, i);
        } else if (picture[i] == QLatin1Char(';')) {
            sections << picture.mid(start, i - start);
            start = ++i;
        } else {
            ++i;
        }
    }
    sections << picture.mid(start);
    return sections;
}

// What a section asks for: digit placeholders counted from the left, the placeholder
// index of the decimal point, the first forced integer digit and the end of the forced
// decimals.
struct NumberLayout {
    int digitCount = 0;
    int decimalIndex = -1;
    int firstForced = 0;
    int lastForced = 0;
    bool grouping = false;
    bool scientific = false;
};

NumberLayout scanNumberSection(const QString& section) {
    NumberLayout layout;
    int firstZero = INT_MAX;
    int lastZero = 0;
    for (int i = 0; i < section.size();) {
        const QChar c = section[i];
        if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (c == QLatin1Char('0')) {
                firstZero = std::min(firstZero, layout.digitCount);
                lastZero = layout.digitCount + 1;
            }
            ++layout.digitCount;
            ++i;
        } else if (c == QLatin1Char('.')) {
            if (layout.decimalIndex < 0)
                layout.decimalIndex = layout.digitCount;
            ++i;
        } else if (c == QLatin1Char(',')) {
            layout.grouping = true;
            ++i;
        } else if (isExponentAt(section, i)) {
            layout.scientific = true;
            i += 2;
            while (i < section.size() && section[i] == QLatin1Char('0'))
                ++i;
        } else if (isQuote(c)) {
            i = skipQuoted(section, i);
        } else {
            ++i;
        }
    }
    if (layout.decimalIndex < 0)
        layout.decimalIndex = layout.digitCount;
    layout.firstForced = std::min(firstZero, layout.decimalIndex);
    layout.lastForced = std::max(lastZero, layout.decimalIndex);
    return layout;
}

// The digits to show for one section.
struct NumberParts {
    QString integer;
    QString fraction;
    int exponent = 0;
};

Decimal roundForLayout(double magnitude, const NumberLayout& layout) {
    Decimal number = toDecimal(magnitude);
    if (layout.scientific)
        roundToDigitCount(number, layout.digitCount);
    else
        roundToDecimals(number, layout.digitCount - layout.decimalIndex);
    return number;
}

NumberParts partsFor(const Decimal& number, const NumberLayout& layout) {
    NumberParts parts;
    if (layout.scientific) {
        const std::string digits = number.digits;
        const auto split = std::min<std::size_t>(layout.decimalIndex, digits.size());
        parts.integer =
            QString::fromStdString(digits.substr(0, split))
                .leftJustified(number.isZero() ? 0 : layout.decimalIndex, QLatin1Char('0'));
        parts.fraction = QString::fromStdString(digits.substr(split));
        parts.exponent = number.isZero() ? 0 : number.exponent - layout.decimalIndex;
    } else {
        parts.integer = integerDigits(number);
        parts.fraction = fractionDigits(number);
    }
    const int forcedInteger = layout.decimalIndex - layout.firstForced;
    parts.integer = parts.integer.rightJustified(forcedInteger, QLatin1Char('0'));
    const int forcedFraction = layout.lastForced - layout.decimalIndex;
    parts.fraction = parts.fraction.leftJustified(forcedFraction, QLatin1Char('0'));
    return parts;
}

// Writes the section with the digits put into its placeholders.
class NumberWriter {
public:
    NumberWriter(const QString& section, const NumberLayout& layout, const NumberParts& parts,
                 const FormatSettings& settings)
        : section_(section), layout_(layout), parts_(parts), settings_(settings) {}

    QString write() {
        for (int i = 0; i < section_.size();)
            i = writeAt(i);
        return out_;
    }

private:
    int writeAt(int i) {
        const QChar c = section_[i];
        if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            writePlaceholder();
            return i + 1;
        }
        if (c == QLatin1Char('.')) {
            writeDecimalPoint();
            return i + 1;
        }
        if (c == QLatin1Char(','))
            return i + 1;
        if (isExponentAt(section_, i))
            return writeExponent(i);
        if (isQuote(c)) {
            const int end = skipQuoted(section_, i);
            const bool closed = end <= section_.size() && section_[end - 1] == c && end - i > 1;
            out_ += section_.mid(i + 1, end - i - (closed ? 2 : 1));
            return end;
        }
        out_ += c;
        return i + 1;
    }

    void writeIntegerDigit(int index) {
        out_ += parts_.integer[index];
        const int position = int(parts_.integer.size()) - index; // 1 = units
        if (layout_.grouping && position > 1 && (position - 1) % 3 == 0)
            out_ += settings_.thousandSeparator;
    }

    void writeIntegerOverflow(int upToPosition) {
        // Digits beyond the picture's integer placeholders go before the first of them.
        const int count = int(parts_.integer.size()) - upToPosition;
        for (int index = 0; index < count; ++index)
            writeIntegerDigit(index);
        integerWritten_ = true;
    }

    void writePlaceholder() {
        const int placeholder = placeholder_++;
        if (placeholder < layout_.decimalIndex) {
            const int position = layout_.decimalIndex - placeholder;
            if (!integerWritten_)
                writeIntegerOverflow(position);
            if (position <= parts_.integer.size())
                writeIntegerDigit(int(parts_.integer.size()) - position);
            return;
        }
        const int index = placeholder - layout_.decimalIndex;
        if (index < parts_.fraction.size())
            out_ += parts_.fraction[index];
    }

    void writeDecimalPoint() {
        if (pointWritten_)
            return;
        pointWritten_ = true;
        if (!integerWritten_)
            writeIntegerOverflow(0);
        if (!parts_.fraction.isEmpty())
            out_ += settings_.decimalSeparator;
    }

    int writeExponent(int i) {
        const bool alwaysSign = section_[i + 1] == QLatin1Char('+');
        out_ += section_[i];
        if (parts_.exponent < 0)
            out_ += QLatin1Char('-');
        else if (alwaysSign)
            out_ += QLatin1Char('+');
        i += 2;
        int width = 0;
        while (i < section_.size() && section_[i] == QLatin1Char('0')) {
            ++width;
            ++i;
        }
        out_ += QString::number(std::abs(parts_.exponent))
                    .rightJustified(std::min(width, 4), QLatin1Char('0'));
        return i;
    }

    const QString& section_;
    const NumberLayout& layout_;
    const NumberParts& parts_;
    const FormatSettings& settings_;
    QString out_;
    int placeholder_ = 0;
    bool integerWritten_ = false;
    bool pointWritten_ = false;
};

QString writeSection(const QString& section, const NumberLayout& layout, const Decimal& number,
                     const FormatSettings& settings) {
    return NumberWriter(section, layout, partsFor(number, layout), settings).write();
}

bool hasSection(const QStringList& sections, int index) {
    return sections.size() > index && !sections[index].isEmpty();
}

int sectionForValue(const QStringList& sections, double value) {
    if (value < 0 && hasSection(sections, 1))
        return 1;
    if (value == 0 && hasSection(sections, 2))
        return 2;
    return 0;
}

// ---------------------------------------------------------------------------
// Date and time pictures.

QString nameAt(const QStringList& names, int index, const QString& fallback) {
    const QString name = names.value(index);
    return name.isEmpty() ? fallback : name;
}

QString padded(int number, int width) {
    const QString digits = QString::number(std::abs(qint64(number)));
    return (number < 0 ? QStringLiteral("-") : QString()) +
           digits.rightJustified(width, QLatin1Char('0'));
}

bool startsWithAt(const QString& text, int i, QLatin1String word) {
    return QStringView(text).mid(i).startsWith(word, Qt::CaseInsensitive);
}

class DateTimeWriter {
public:
    DateTimeWriter(TDateTime value, const FormatSettings& settings)
        : settings_(settings), date_(decodeDate(value)), time_(decodeTime(value)),
          dayOfWeek_(dayOfWeek(value)), timeIsZero_(timeOf(value) == 0) {}

    QString write(const QString& picture) {
        append(picture, 0);
        return out_;
    }

private:
    void append(const QString& picture, int depth) {
        if (depth > 2)
            return;
        const int outerMarker = lastHalfOfDayMarker_;
        lastHalfOfDayMarker_ = lastHalfOfDayMarker(picture);
        QChar lastToken = QLatin1Char(' ');
        for (int i = 0; i < picture.size();)
            i = appendAt(picture, i, depth, lastToken);
        lastHalfOfDayMarker_ = outerMarker;
    }

    // Where the picture's last am/pm marker outside quoted texts starts; -1 for none.
    static int lastHalfOfDayMarker(const QString& picture) {
        int last = -1;
        for (int i = 0; i < picture.size();) {
            if (isQuote(picture[i])) {
                i = skipQuoted(picture, i);
                continue;
            }
            if (startsWithAt(picture, i, QLatin1String("AM/PM")) ||
                startsWithAt(picture, i, QLatin1String("A/P")) ||
                startsWithAt(picture, i, QLatin1String("AMPM")))
                last = i;
            ++i;
        }
        return last;
    }

    static int countRepeats(const QString& picture, int i) {
        const QChar letter = picture[i].toUpper();
        int count = 1;
        while (i + count < picture.size() && picture[i + count].toUpper() == letter)
            ++count;
        return count;
    }

    int appendAt(const QString& picture, int i, int depth, QChar& lastToken) {
        const QChar c = picture[i];
        QChar token = c.toUpper();
        if (token >= QLatin1Char('A') && token <= QLatin1Char('Z')) {
            if (token == QLatin1Char('M') && lastToken == QLatin1Char('H'))
                token = QLatin1Char('N');
            lastToken = token;
        }
        if (token == QLatin1Char('A'))
            return appendHalfOfDay(picture, i);
        if (isQuote(c)) {
            const int end = skipQuoted(picture, i);
            const bool closed = end - i > 1 && picture[end - 1] == c;
            out_ += picture.mid(i + 1, end - i - (closed ? 2 : 1));
            return end;
        }
        const int count =
            QStringLiteral("YMDHNSZTC").contains(token) ? countRepeats(picture, i) : 1;
        switch (token.unicode()) {
        case 'Y':
            out_ += count <= 2 ? padded(date_.year % 100, 2) : padded(date_.year, 4);
            return i + count;
        case 'M':
            appendMonth(count);
            return i + count;
        case 'D':
            appendDay(count, depth);
            return i + count;
        case 'H':
            appendNumber(hourToShow(i), count);
            return i + count;
        case 'N':
            appendNumber(time_.minute, count);
            return i + count;
        case 'S':
            appendNumber(time_.second, count);
            return i + count;
        case 'Z':
            out_ += count == 1 ? QString::number(time_.msec) : padded(time_.msec, 3);
            return i + count;
        case 'T':
            append(count == 1 ? settings_.shortTimeFormat : settings_.longTimeFormat, depth + 1);
            return i + count;
        case 'C':
            appendDateAndTime(depth);
            return i + count;
        case '/':
            out_ += settings_.dateSeparator;
            return i + 1;
        case ':':
            out_ += settings_.timeSeparator;
            return i + 1;
        default:
            out_ += c;
            return i + 1;
        }
    }

    void appendNumber(int number, int count) {
        out_ += count == 1 ? QString::number(number) : padded(number, 2);
    }

    void appendMonth(int count) {
        const QLocale c = QLocale::c();
        if (count <= 2)
            appendNumber(date_.month, count);
        else if (count == 3)
            out_ += nameAt(settings_.shortMonthNames, date_.month - 1,
                           c.monthName(date_.month, QLocale::ShortFormat));
        else
            out_ += nameAt(settings_.longMonthNames, date_.month - 1,
                           c.monthName(date_.month, QLocale::LongFormat));
    }

    void appendDay(int count, int depth) {
        const QLocale c = QLocale::c();
        const int qtDay = dayOfWeek_ == 1 ? 7 : dayOfWeek_ - 1;
        if (count <= 2)
            appendNumber(date_.day, count);
        else if (count == 3)
            out_ += nameAt(settings_.shortDayNames, dayOfWeek_ - 1,
                           c.dayName(qtDay, QLocale::ShortFormat));
        else if (count == 4)
            out_ += nameAt(settings_.longDayNames, dayOfWeek_ - 1,
                           c.dayName(qtDay, QLocale::LongFormat));
        else
            append(count == 5 ? settings_.shortDateFormat : settings_.longDateFormat, depth + 1);
    }

    void appendDateAndTime(int depth) {
        append(settings_.shortDateFormat, depth + 1);
        if (!timeIsZero_) {
            out_ += QLatin1Char(' ');
            append(settings_.longTimeFormat, depth + 1);
        }
    }

    // The hour on a 12-hour clock when an am/pm marker follows in the picture.
    int hourToShow(int from) const {
        if (lastHalfOfDayMarker_ < from)
            return time_.hour;
        return time_.hour % 12 == 0 ? 12 : time_.hour % 12;
    }

    int appendHalfOfDay(const QString& picture, int i) {
        const bool afternoon = time_.hour >= 12;
        if (startsWithAt(picture, i, QLatin1String("AM/PM"))) {
            out_ += picture.mid(afternoon ? i + 3 : i, 2);
            return i + 5;
        }
        if (startsWithAt(picture, i, QLatin1String("A/P"))) {
            out_ += picture[afternoon ? i + 2 : i];
            return i + 3;
        }
        if (startsWithAt(picture, i, QLatin1String("AMPM"))) {
            out_ += afternoon ? settings_.timePMString : settings_.timeAMString;
            return i + 4;
        }
        out_ += picture[i];
        return i + 1;
    }

    const FormatSettings& settings_;
    DateParts date_;
    TimeParts time_;
    int dayOfWeek_;
    bool timeIsZero_;
    int lastHalfOfDayMarker_ = -1; // in the picture being written
    QString out_;
};

// ---------------------------------------------------------------------------
// Reading dates and times.

enum class DateOrder { DayMonthYear, MonthDayYear, YearMonthDay };

DateOrder dateOrderOf(const QString& shortDateFormat) {
    for (const QChar c : shortDateFormat) {
        const QChar letter = c.toUpper();
        if (letter == QLatin1Char('Y'))
            return DateOrder::YearMonthDay;
        if (letter == QLatin1Char('M'))
            return DateOrder::MonthDayYear;
        if (letter == QLatin1Char('D'))
            return DateOrder::DayMonthYear;
    }
    return DateOrder::DayMonthYear;
}

// A year typed with one or two digits lies within the century window that ends
// `window` years before the current year.
int expandTwoDigitYear(int year, int window) {
    const int windowStart = QDate::currentDate().year() - window;
    year += windowStart / 100 * 100;
    if (window > 0 && year < windowStart)
        year += 100;
    return year;
}

class TextScanner {
public:
    explicit TextScanner(const QString& text) : text_(text) {}

    void skipBlanks() {
        while (pos_ < text_.size() && text_[pos_].isSpace())
            ++pos_;
    }
    bool atEnd() {
        skipBlanks();
        return pos_ >= text_.size();
    }
    // Digits as a number; `digits` tells how many were typed.
    bool number(int& value, int& digits) {
        skipBlanks();
        value = 0;
        digits = 0;
        while (pos_ < text_.size() && text_[pos_].isDigit() && text_[pos_].unicode() < 128) {
            if (++digits > 9)
                return false;
            value = value * 10 + (text_[pos_++].unicode() - '0');
        }
        return digits > 0;
    }
    bool character(QChar c) {
        skipBlanks();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool word(const QString& w) {
        skipBlanks();
        if (w.isEmpty() || !QStringView(text_).mid(pos_).startsWith(w, Qt::CaseInsensitive))
            return false;
        pos_ += int(w.size());
        return true;
    }

private:
    const QString& text_;
    int pos_ = 0;
};

bool scanDate(TextScanner& scanner, const FormatSettings& settings, TDateTime& result) {
    int first = 0, second = 0, third = 0;
    int firstDigits = 0, secondDigits = 0, thirdDigits = 0;
    if (!scanner.number(first, firstDigits) || !scanner.character(settings.dateSeparator) ||
        !scanner.number(second, secondDigits))
        return false;
    const bool hasYear = scanner.character(settings.dateSeparator);
    if (hasYear && !scanner.number(third, thirdDigits))
        return false;

    int year = QDate::currentDate().year(), month = 0, day = 0, yearDigits = 4;
    switch (dateOrderOf(settings.shortDateFormat)) {
    case DateOrder::DayMonthYear:
        day = first, month = second;
        if (hasYear)
            year = third, yearDigits = thirdDigits;
        break;
    case DateOrder::MonthDayYear:
        month = first, day = second;
        if (hasYear)
            year = third, yearDigits = thirdDigits;
        break;
    case DateOrder::YearMonthDay:
        if (hasYear)
            year = first, yearDigits = firstDigits, month = second, day = third;
        else
            month = first, day = second;
        break;
    }
    if (yearDigits <= 2)
        year = expandTwoDigitYear(year, settings.twoDigitYearCenturyWindow);
    return tryEncodeDate(year, month, day, result);
}

// -1 when the text names no half of the day here, else the hour it starts at.
int scanHalfOfDay(TextScanner& scanner, const FormatSettings& settings) {
    if (scanner.word(settings.timeAMString) || scanner.word(QStringLiteral("AM")))
        return 0;
    if (scanner.word(settings.timePMString) || scanner.word(QStringLiteral("PM")))
        return 12;
    return -1;
}

bool scanTime(TextScanner& scanner, const FormatSettings& settings, TDateTime& result) {
    int baseHour = scanHalfOfDay(scanner, settings);
    int hour = 0, minute = 0, second = 0, msec = 0, digits = 0;
    if (!scanner.number(hour, digits))
        return false;
    const bool hasMinutes = scanner.character(settings.timeSeparator);
    if (hasMinutes) {
        if (!scanner.number(minute, digits))
            return false;
        if (scanner.character(settings.timeSeparator)) {
            if (!scanner.number(second, digits))
                return false;
            if ((scanner.character(settings.decimalSeparator) ||
                 scanner.character(QLatin1Char('.'))) &&
                !scanner.number(msec, digits))
                return false;
        }
    }
    if (baseHour < 0)
        baseHour = scanHalfOfDay(scanner, settings);
    if (baseHour < 0 && !hasMinutes)
        return false;
    if (baseHour >= 0) {
        if (hour == 0 || hour > 12)
            return false;
        hour = hour % 12 + baseHour;
    }
    return tryEncodeTime(hour, minute, second, msec, result);
}

} // namespace

QString formatFloat(const QString& picture, double value, const FormatSettings& settings) {
    if (picture.isEmpty() || !std::isfinite(value))
        return floatToStr(value, settings);
    const QStringList sections = splitSections(picture);
    int index = sectionForValue(sections, value);
    if (sections[index].isEmpty())
        return floatToStr(value, settings);

    NumberLayout layout = scanNumberSection(sections[index]);
    Decimal number = roundForLayout(value, layout);
    if (number.isZero() && index != 2) {
        // A value that rounds to zero is shown as zero: by the zero section when there is
        // one, else by the first, and never with a minus sign.
        index = hasSection(sections, 2) ? 2 : 0;
        layout = scanNumberSection(sections[index]);
    }
    const QString text = writeSection(sections[index], layout, number, settings);
    const bool minus = value < 0 && index == 0 && !number.isZero();
    return minus ? QLatin1Char('-') + text : text;
}

namespace {

// Whether the decimal is beyond the largest double (it reads back as infinite).
bool exceedsDoubleRange(const Decimal& number) {
    if (number.isZero() || number.exponent < 308)
        return false;
    const std::string text = "0." + number.digits + "e" + std::to_string(number.exponent);
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc::result_out_of_range || !std::isfinite(value);
}

// The first digits of the magnitude, rounded half away from zero unless that would
// go beyond the largest double: the largest values are cut instead, so that the text
// still reads back.
Decimal significantDigits(double value, int precision) {
    Decimal number = toDecimal(value);
    Decimal rounded = number;
    roundToDigitCount(rounded, precision);
    if (!exceedsDoubleRange(rounded))
        return rounded;
    if (number.digits.size() > static_cast<std::size_t>(precision))
        number.digits.resize(static_cast<std::size_t>(precision));
    stripTrailingZeros(number);
    return number;
}

} // namespace

QString floatToStr(double value, const FormatSettings& settings) {
    constexpr int precision = 15;
    if (!std::isfinite(value))
        return specialValueText(value);
    const Decimal number = significantDigits(value, precision);
    if (number.isZero())
        return QStringLiteral("0");
    QString text = value < 0 ? QStringLiteral("-") : QString();
    if (number.exponent > precision || number.exponent < -3) {
        text += QLatin1Char(number.digits[0]);
        if (number.digits.size() > 1)
            text += settings.decimalSeparator + QString::fromStdString(number.digits.substr(1));
        return text + QLatin1Char('E') + QString::number(number.exponent - 1);
    }
    const QString integer = integerDigits(number);
    const QString fraction = fractionDigits(number);
    text += integer.isEmpty() ? QStringLiteral("0") : integer;
    if (!fraction.isEmpty())
        text += settings.decimalSeparator + fraction;
    return text;
}

QString formatDateTime(const QString& picture, TDateTime value, const FormatSettings& settings) {
    return DateTimeWriter(value, settings).write(picture.isEmpty() ? QStringLiteral("c") : picture);
}

QString dateToStr(TDateTime value, const FormatSettings& settings) {
    return formatDateTime(settings.shortDateFormat, value, settings);
}

QString timeToStr(TDateTime value, const FormatSettings& settings) {
    return formatDateTime(settings.longTimeFormat, value, settings);
}

QString dateTimeToStr(TDateTime value, const FormatSettings& settings) {
    return formatDateTime(QStringLiteral("c"), value, settings);
}

bool tryStrToFloat(const QString& text, double& result, const FormatSettings& settings) {
    const QString trimmed = text.trimmed();
    std::string plain;
    int i = 0;
    const auto isDigitAt = [&](int at) {
        return at < trimmed.size() && trimmed[at] >= QLatin1Char('0') &&
               trimmed[at] <= QLatin1Char('9');
    };
    const auto takeDigits = [&] {
        int count = 0;
        for (; isDigitAt(i); ++i, ++count)
            plain += char(trimmed[i].unicode());
        return count;
    };
    if (i < trimmed.size() && (trimmed[i] == QLatin1Char('-') || trimmed[i] == QLatin1Char('+')))
        plain += trimmed[i++] == QLatin1Char('-') ? "-" : "";
    int mantissaDigits = takeDigits();
    if (i < trimmed.size() && trimmed[i] == settings.decimalSeparator) {
        ++i;
        plain += '.';
        mantissaDigits += takeDigits();
    }
    if (mantissaDigits == 0)
        return false;
    if (i < trimmed.size() && (trimmed[i] == QLatin1Char('e') || trimmed[i] == QLatin1Char('E'))) {
        ++i;
        plain += 'e';
        if (i < trimmed.size() &&
            (trimmed[i] == QLatin1Char('-') || trimmed[i] == QLatin1Char('+')))
            plain += char(trimmed[i++].unicode());
        if (takeDigits() == 0)
            return false;
    }
    if (i != trimmed.size())
        return false;
    double value = 0;
    const char* begin = plain.data();
    if (*begin == '+')
        ++begin;
    const auto parsed = std::from_chars(begin, plain.data() + plain.size(), value);
    if (parsed.ec != std::errc() || parsed.ptr != plain.data() + plain.size())
        return false;
    result = value;
    return true;
}

double strToFloat(const QString& text, const FormatSettings& settings) {
    double result = 0;
    if (!tryStrToFloat(text, result, settings))
        throw ConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return result;
}

TDateTime strToDate(const QString& text, const FormatSettings& settings) {
    TextScanner scanner(text);
    TDateTime result = 0;
    if (!scanDate(scanner, settings, result) || !scanner.atEnd())
        throw ConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
    return result;
}

TDateTime strToTime(const QString& text, const FormatSettings& settings) {
    TextScanner scanner(text);
    TDateTime result = 0;
    if (!scanTime(scanner, settings, result) || !scanner.atEnd())
        throw ConvertError(QStringLiteral("'%1' is not a valid time").arg(text));
    return result;
}

bool tryStrToDateTime(const QString& text, TDateTime& result, const FormatSettings& settings) {
    TextScanner dateScanner(text);
    TDateTime date = 0;
    if (scanDate(dateScanner, settings, date)) {
        if (dateScanner.atEnd()) {
            result = date;
            return true;
        }
        TDateTime time = 0;
        if (scanTime(dateScanner, settings, time) && dateScanner.atEnd()) {
            result = combineDateTime(date, time);
            return true;
        }
    }
    TextScanner timeScanner(text);
    TDateTime time = 0;
    if (scanTime(timeScanner, settings, time) && timeScanner.atEnd()) {
        result = time;
        return true;
    }
    return false;
}

TDateTime strToDateTime(const QString& text, const FormatSettings& settings) {
    TDateTime result = 0;
    if (!tryStrToDateTime(text, result, settings))
        throw ConvertError(QStringLiteral("'%1' is not a valid date and time").arg(text));
    return result;
}

} // namespace platform
