// The platform's readers and writers of outside text at the edges of their ranges:
// found by fuzzing, kept here so that they stay mended.

#include "platform/DateTime.h"
#include "platform/Errors.h"
#include "platform/FormatSettings.h"
#include "platform/Pictures.h"
#include "platform/ProfileFile.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>
#include <limits>

using namespace platform;

class ParserLimitsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void longDatePicturesTakeLinearTime();
    void datesAtTheEdgesOfTheScale();
    void largestNumbersReadBack();
    void profileNamesReadBackAsWritten();
    void batchDateArgument();

private:
    FormatSettings settings_;
};

void ParserLimitsTest::longDatePicturesTakeLinearTime() {
    QElapsedTimer timer;
    timer.start();
    const QString zeros = formatDateTime(QString(32000, u'0'), 45565.5, settings_);
    QCOMPARE(zeros.size(), 32000);
    QString hours;
    for (int i = 0; i < 16000; ++i)
        hours += QStringLiteral("hx");
    const QString written = formatDateTime(hours, 45565.75, settings_);
    QVERIFY(written.startsWith(u"18x18x"));
    QVERIFY(timer.elapsed() < 1000);
    // An am/pm marker after an hour still makes it a 12-hour clock; one before does not.
    QCOMPARE(formatDateTime(QStringLiteral("h am/pm"), 45565.75, settings_), "6 pm");
    QCOMPARE(formatDateTime(QStringLiteral("am/pm h"), 45565.75, settings_), "pm 18");
    QCOMPARE(formatDateTime(QStringLiteral("h \"am/pm\""), 45565.75, settings_), "18 am/pm");
}

void ParserLimitsTest::datesAtTheEdgesOfTheScale() {
    // Far beyond the years any date has: no overflow, and no date.
    QCOMPARE(formatDateTime(QStringLiteral("dd.mm.yyyy hh:nn:ss"), 1e15, settings_),
             "00.00.0000 00:00:00");
    QCOMPARE(formatDateTime(QStringLiteral("yyyy"), -1e300, settings_), "0000");
    QCOMPARE(decodeTime(-1e15).hour, 0);
    // Years before year 1 carry their sign in front of the digits.
    const double beforeYearOne = -693594; // 31.12. of year -1 (no year 0)
    QCOMPARE(formatDateTime(QStringLiteral("dd.mm.yyyy yy"), beforeYearOne, settings_),
             "31.12.-0001 -01");
    // Between day -1 and day 0 the classic scale names the moments of day 0: -0.5 is
    // the noon of 30.12.1899 as 0.5 is, and its text reads back as that moment.
    const QString noon = dateTimeToStr(-0.5, settings_);
    QCOMPARE(noon, "30.12.1899 12:00:00");
    QCOMPARE(strToDateTime(noon, settings_), 0.5);
}

void ParserLimitsTest::largestNumbersReadBack() {
    const double largest = std::numeric_limits<double>::max();
    const QString text = floatToStr(largest, settings_);
    QCOMPARE(text, "1.79769313486231E308");
    QVERIFY(strToFloat(text, settings_) <= largest);
    QCOMPARE(floatToStr(-largest, settings_), "-1.79769313486231E308");
    QCOMPARE(floatToStr(1.5e308, settings_), "1.5E308");
    QCOMPARE(floatToStr(9.99999999999999999e307, settings_), "1E308");
}

void ParserLimitsTest::profileNamesReadBackAsWritten() {
    QTemporaryDir folder;
    ProfileFile ini(folder.filePath(QStringLiteral("names.ini")));
    ini.writeString(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("1"));
    for (const char* key : {"a=b", ";comment", "[section", "", "  "})
        QVERIFY_THROWS_EXCEPTION(
            InOutError, ini.writeString(QStringLiteral("S"), QString::fromLatin1(key), "2"));
    for (const char* section : {"a]b", "", " "})
        QVERIFY_THROWS_EXCEPTION(
            InOutError, ini.writeString(QString::fromLatin1(section), QStringLiteral("k"), "2"));
    QCOMPARE(ini.readString(QStringLiteral("S"), QStringLiteral("a")), "1"); // not overwritten
    QCOMPARE(ini.keys(QStringLiteral("S")), QStringList{"a"});
    // Keys that only look odd inside stay keys; quoted values keep their quotes.
    ini.writeString(QStringLiteral("S"), QStringLiteral("b;c[d]"), QStringLiteral("\"q\""));
    ini.writeString(QStringLiteral("S"), QStringLiteral("e"), QStringLiteral("'x' = 'y'"));
    const ProfileFile again(ini.path());
    QCOMPARE(again.readString(QStringLiteral("S"), QStringLiteral("b;c[d]")), "\"q\"");
    QCOMPARE(again.readString(QStringLiteral("S"), QStringLiteral("e")), "'x' = 'y'");
}

void ParserLimitsTest::batchDateArgument() {
    QCOMPARE(dateOfArgument(QStringLiteral("30.09.2024")), encodeDate(2024, 9, 30));
    QCOMPARE(dateOfArgument(QStringLiteral("1.2.0001")), encodeDate(1, 2, 1));
    QCOMPARE(dateOfArgument(QStringLiteral("2024-09-30")), encodeDate(2024, 9, 30));
    // Signs, other scripts' digits and line breaks are no part of a date.
    for (const char* wrong : {"31.02.2024", "2024-9-30x", "", "30.09.24", "0000-01-01", "1.2.-0012",
                              "1.2.+2024", "30.09.2024\n", "\u0663.1.2024"})
        QVERIFY2(!dateOfArgument(QString::fromUtf8(wrong)), wrong);
}

QTEST_GUILESS_MAIN(ParserLimitsTest)
#include "tst_parserlimits.moc"
