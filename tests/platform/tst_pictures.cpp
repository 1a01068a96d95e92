// Number and date pictures, date-time values and the text conversions built on them.
#include "platform/DateTime.h"
#include "platform/Errors.h"
#include "platform/Pictures.h"
#include "platform/Variant.h"

#include <QLocale>
#include <QTest>

using namespace platform;

namespace {

FormatSettings pointSettings() {
    return FormatSettings::fromLocale(QLocale::c());
}

FormatSettings commaSettings() {
    FormatSettings settings = pointSettings();
    settings.decimalSeparator = QLatin1Char(',');
    settings.thousandSeparator = QLatin1Char('.');
    return settings;
}

TDateTime sampleMoment() {
    return encodeDate(2024, 11, 5) + encodeTime(7, 8, 9, 45);
}

template <class Error, class Call> QString errorText(Call call) {
    try {
        call();
    } catch (const Error& error) {
        return error.message();
    }
    return QStringLiteral("no error");
}

} // namespace

class TestPictures : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        formatSettings() = pointSettings();
        setUserLocaleOverride(pointSettings());
    }

    void numberPictures_data() {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        const QString report = QStringLiteral("###########0.#####");
        QTest::newRow("report decimals") << report << 1234.567891 << "1234.56789";
        QTest::newRow("report tiny") << report << 0.000004 << "0";
        QTest::newRow("report rounds up") << report << 2.0000051 << "2.00001";
        QTest::newRow("report rounds down") << report << 2.0000049 << "2";
        QTest::newRow("report negative") << report << -2.5 << "-2.5";
        QTest::newRow("report negative tiny") << report << -0.000004 << "0";
        QTest::newRow("report half") << report << 1234.5 << "1234.5";
        QTest::newRow("report whole") << report << 100.0 << "100";
        QTest::newRow("report large") << report << 12000000000.0 << "12000000000";
        const QString grouped = QStringLiteral("#,##0.##");
        QTest::newRow("grouped") << grouped << 1234.5 << "1,234.5";
        QTest::newRow("grouped millions") << grouped << -1234567.891 << "-1,234,567.89";
        QTest::newRow("grouped small") << grouped << 12.0 << "12";
        QTest::newRow("grouped zero") << grouped << 0.0 << "0";
        QTest::newRow("decimal rounding") << "0.00" << 1.005 << "1.01";
        QTest::newRow("carry") << "0.00" << 999.996 << "1000.00";
        QTest::newRow("half away from zero") << "0" << 2.5 << "3";
        QTest::newRow("negative half") << "0" << -0.5 << "-1";
        QTest::newRow("forced digits") << "000" << 7.0 << "007";
        QTest::newRow("no forced integer") << "#.##" << 0.5 << ".5";
        QTest::newRow("binary noise") << "0.##########" << 0.1 + 0.2 << "0.3";
        QTest::newRow("sections negative") << "0.00;(0.00);'nič'" << -3.5 << "(3.50)";
        QTest::newRow("sections zero") << "0.00;(0.00);'nič'" << 0.0 << "nič";
        QTest::newRow("sections rounds to zero") << "0.00;(0.00);'nič'" << -0.001 << "nič";
        QTest::newRow("literals") << "\"EUR \"#,##0.00" << 1500.0 << "EUR 1,500.00";
        QTest::newRow("scientific") << "0.00E+00" << 12345.0 << "1.23E+04";
        QTest::newRow("scientific small") << "0.00E-00" << 0.00012345 << "1.23E-04";
        QTest::newRow("empty picture") << "" << 1234.5 << "1234.5";
    }
    void numberPictures() {
        QFETCH(QString, picture);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(formatFloat(picture, value, pointSettings()), expected);
    }

    void numberPicturesUseTheSettingsSeparators() {
        QCOMPARE(formatFloat(QStringLiteral("#,##0.##"), 1234.5, commaSettings()), "1.234,5");
        QCOMPARE(formatFloat(QStringLiteral("###########0.#####"), 1234.567891, commaSettings()),
                 "1234,56789");
        QCOMPARE(floatToStr(1234.5, commaSettings()), "1234,5");
    }

    void generalForm_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("integer") << 123456.0 << "123456";
        QTest::newRow("fraction") << 1234.5 << "1234.5";
        QTest::newRow("negative") << -1.5 << "-1.5";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("small fixed") << 0.0001 << "0.0001";
        QTest::newRow("small exponent") << 0.00001 << "1E-5";
        QTest::newRow("large exponent") << 1e20 << "1E20";
        QTest::newRow("fifteen digits") << 1.0 / 3 << "0.333333333333333";
        QTest::newRow("rounded to fifteen") << 123456789012345678.0 << "1.23456789012346E17";
        QTest::newRow("binary noise") << 0.1 + 0.2 << "0.3";
    }
    void generalForm() {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(floatToStr(value, pointSettings()), expected);
    }

    void datePictures_data() {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("expected");
        QTest::newRow("time stamp") << "yyyymmddhhnnss"
                                    << "20241105070809";
        QTest::newRow("m after h is minutes") << "yyyymmddhhmmss"
                                              << "20241105070809";
        QTest::newRow("upper case") << "HH:NN:SS:ZZZ"
                                    << "07h08h09h045";
        QTest::newRow("short date") << "dd.mm.yyyy"
                                    << "05.11.2024";
        QTest::newRow("unpadded") << "d.m.yy h:n:s.z"
                                  << "5.11.24 7h8h9.45";
        QTest::newRow("names") << "dddd, d. mmmm yyyy (ddd mmm)"
                               << "Tuesday, 5. November 2024 (Tue Nov)";
        QTest::newRow("separators") << "dd/mm/yyyy hh:nn"
                                    << "05-11-2024 07h08";
        QTest::newRow("quoted") << "'dd' dd \"hh\""
                                << "dd 05 hh";
        QTest::newRow("am/pm") << "h:nn am/pm"
                               << "7h08 am";
        QTest::newRow("short forms") << "ddddd t"
                                     << "05-11-2024 07h08";
        QTest::newRow("default") << "c"
                                 << "05-11-2024 07h08h09";
    }
    void datePictures() {
        QFETCH(QString, picture);
        QFETCH(QString, expected);
        FormatSettings settings = pointSettings();
        settings.dateSeparator = QLatin1Char('-');
        settings.timeSeparator = QLatin1Char('h');
        settings.shortDateFormat = QStringLiteral("dd/mm/yyyy");
        settings.longTimeFormat = QStringLiteral("hh:nn:ss");
        QCOMPARE(formatDateTime(picture, sampleMoment(), settings), expected);
    }

    void twelveHourClock() {
        const TDateTime evening = encodeTime(19, 30, 0, 0);
        QCOMPARE(formatDateTime(QStringLiteral("hh:nn AM/PM"), evening, pointSettings()),
                 "07:30 PM");
        QCOMPARE(formatDateTime(QStringLiteral("h ampm"), encodeTime(0, 5, 0, 0), pointSettings()),
                 "12 AM");
        QCOMPARE(formatDateTime(QStringLiteral("hh:nn"), evening, pointSettings()), "19:30");
    }

    void dateTimeText() {
        const FormatSettings settings = pointSettings();
        QCOMPARE(dateTimeToStr(encodeDate(2024, 11, 5), settings), "05.11.2024");
        QCOMPARE(dateTimeToStr(sampleMoment(), settings), "05.11.2024 07:08:09");
        QCOMPARE(dateToStr(sampleMoment(), settings), "05.11.2024");
        QCOMPARE(timeToStr(sampleMoment(), settings), "07:08:09");
        QCOMPARE(formatDateTime(QStringLiteral("HH:NN:SS:ZZZ"), sampleMoment(), settings),
                 "07:08:09:045");
        // The last millisecond of a day stays on that day.
        const TDateTime lastMoment = encodeDate(2024, 12, 31) + encodeTime(23, 59, 59, 999);
        QCOMPARE(formatDateTime(QStringLiteral("dd.mm.yyyy hh:nn:ss.zzz"), lastMoment, settings),
                 "31.12.2024 23:59:59.999");
    }

    void dateTimeValues() {
        QCOMPARE(encodeDate(1899, 12, 30), 0.0);
        QCOMPARE(encodeDate(1900, 1, 1), 2.0);
        QCOMPARE(encodeDate(2023, 3, 15), 45000.0);
        QCOMPARE(dayOfWeek(encodeDate(2024, 11, 5)), 3);
        const DateParts before = decodeDate(-1.25);
        QCOMPARE(QDate(before.year, before.month, before.day), QDate(1899, 12, 29));
        QCOMPARE(decodeTime(-1.25).hour, 6);
        QCOMPARE(dateOf(sampleMoment()), encodeDate(2024, 11, 5));
        QCOMPARE(toQDateTime(sampleMoment()),
                 QDateTime(QDate(2024, 11, 5), QTime(7, 8, 9, 45), Qt::UTC));
        QCOMPARE(fromQDateTime(toQDateTime(sampleMoment())), sampleMoment());
        QCOMPARE(errorText<ConvertError>([] { encodeDate(2024, 2, 30); }).isEmpty(), false);
        TDateTime unused = 0;
        QVERIFY(!tryEncodeTime(24, 0, 0, 0, unused));
    }

    void textToFloat() {
        const FormatSettings point = pointSettings();
        QCOMPARE(strToFloat(QStringLiteral(" 1234.5 "), point), 1234.5);
        QCOMPARE(strToFloat(QStringLiteral("-1.5e3"), point), -1500.0);
        QCOMPARE(strToFloat(QStringLiteral("+.5"), point), 0.5);
        QCOMPARE(strToFloat(QStringLiteral("1234,5"), commaSettings()), 1234.5);
        for (const char* bad : {"1,5", "abc", "", "-", "1e", "1.2.3", "1 000"}) {
            const QString text = QString::fromLatin1(bad);
            QCOMPARE(errorText<ConvertError>([&] { strToFloat(text, point); }),
                     QStringLiteral("'%1' is not a valid floating point value").arg(text));
        }
        QCOMPARE(
            errorText<ConvertError>([] { strToFloat(QStringLiteral("1.234,5"), commaSettings()); }),
            "'1.234,5' is not a valid floating point value");
    }

    void textToDate() {
        const FormatSettings settings = pointSettings();
        QCOMPARE(strToDate(QStringLiteral("05.11.2024"), settings), encodeDate(2024, 11, 5));
        QCOMPARE(strToDate(QStringLiteral(" 5.11.2024 "), settings), encodeDate(2024, 11, 5));
        QCOMPARE(strToDateTime(QStringLiteral("05.11.2024 07:08:09"), settings),
                 encodeDate(2024, 11, 5) + encodeTime(7, 8, 9, 0));
        QCOMPARE(strToDateTime(QStringLiteral("10:30"), settings), encodeTime(10, 30, 0, 0));
        QCOMPARE(strToTime(QStringLiteral("07:30 PM"), settings), encodeTime(19, 30, 0, 0));
        QCOMPARE(strToTime(QStringLiteral("12:15 am"), settings), encodeTime(0, 15, 0, 0));

        FormatSettings american = settings;
        american.shortDateFormat = QStringLiteral("mm/dd/yyyy");
        american.dateSeparator = QLatin1Char('/');
        QCOMPARE(strToDate(QStringLiteral("11/05/2024"), american), encodeDate(2024, 11, 5));

        QCOMPARE(
            errorText<ConvertError>([&] { strToDate(QStringLiteral("31.02.2024"), settings); }),
            "'31.02.2024' is not a valid date");
        QCOMPARE(errorText<ConvertError>([&] { strToTime(QStringLiteral("25:00"), settings); }),
                 "'25:00' is not a valid time");
        QCOMPARE(errorText<ConvertError>([&] { strToDateTime(QStringLiteral("x"), settings); }),
                 "'x' is not a valid date and time");
    }

    void twoDigitYearsFollowTheWindow() {
        const int year = QDate::currentDate().year();
        const auto parse = [](int twoDigits) {
            const QString text = QStringLiteral("01.02.%1").arg(twoDigits, 2, 10, QLatin1Char('0'));
            return decodeDate(strToDate(text, pointSettings())).year;
        };
        QCOMPARE(parse((year - 50) % 100), year - 50);
        QCOMPARE(parse((year - 51) % 100), year + 49);
        QCOMPARE(parse(year % 100), year);
    }

    void variantDates() {
        QCOMPARE(variantToDateTime(QStringLiteral("05.11.2024")), encodeDate(2024, 11, 5));
        QCOMPARE(variantToDateTime(QStringLiteral("45000")), 45000.0);
        QCOMPARE(variantToDateTime(45000.5), 45000.5);
        QCOMPARE(variantToDateTime(QDate(2024, 11, 5)), encodeDate(2024, 11, 5));

        // The desktop user's order of day and month is tried first.
        FormatSettings american = pointSettings();
        american.shortDateFormat = QStringLiteral("mm/dd/yyyy");
        american.dateSeparator = QLatin1Char('/');
        setUserLocaleOverride(american);
        QCOMPARE(variantToDateTime(QStringLiteral("11/05/2024")), encodeDate(2024, 11, 5));
        QCOMPARE(variantToDateTime(QStringLiteral("05.11.2024")), encodeDate(2024, 11, 5));
        setUserLocaleOverride(pointSettings());

        QCOMPARE(errorText<VariantError>([] { variantToDateTime(QStringLiteral("31.02.2024")); }),
                 "Could not convert variant of type (String) into type (Date)");
        QCOMPARE(errorText<VariantError>([] { variantToDateTime(QVariant()); }),
                 "Could not convert variant of type (Null) into type (Date)");
        QCOMPARE(errorText<VariantError>([] { variantToFloat(QStringLiteral("x")); }),
                 "Could not convert variant of type (String) into type (Double)");
    }

    void variantText() {
        QCOMPARE(variantToText(QVariant()), "");
        QCOMPARE(variantToText(1234.5), "1234.5");
        QCOMPARE(variantToText(42), "42");
        QCOMPARE(variantToText(QDate(2024, 11, 5)), "05.11.2024");
        QCOMPARE(variantToFloat(QStringLiteral("1234.5")), 1234.5);
    }
};

QTEST_GUILESS_MAIN(TestPictures)
#include "tst_pictures.moc"
