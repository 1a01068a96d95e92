#include "../support/TestDatabase.h"

#include "controls/HelperRoutines.h"
#include "db/Table.h"
#include "platform/DateTime.h"
#include "platform/Errors.h"
#include "platform/FormatSettings.h"

#include <QTest>

using namespace controls;
using platform::TDateTime;

namespace {

TDateTime dateTime(int year, int month, int day, int hour = 0, int minute = 0) {
    const TDateTime date = platform::encodeDate(year, month, day);
    const TDateTime time = platform::encodeTime(hour, minute, 0, 0);
    return date >= 0 ? date + time : date - time;
}

// Column names in lower case, as the server keeps them whatever the case written.
const QString KeyedTable = QStringLiteral(
    "CREATE TABLE KEYED (s VARCHAR(10), n INTEGER, d DATE, x FLOAT);"
    "CREATE UNIQUE INDEX KEYED_U ON KEYED (s, n, d);"
    "INSERT INTO KEYED VALUES ('a', 1, '2024-11-05', 1.5), ('b', 2, '2024-11-06', 2.5);"
    "CREATE TABLE LOOSE (name VARCHAR(10), n INTEGER);"
    "INSERT INTO LOOSE VALUES ('x', 1);");

} // namespace

class HelperRoutinesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void textRoutines();
    void parseDateByPicture_data();
    void parseDateByPicture();
    void parseDateByPictureReadsMonthNames();
    void assignParamIfChangedReportsChange();
    void emptyingFilterSelectsThePlaceholderKey();
    void lookupValue();
};

void HelperRoutinesTest::textRoutines() {
    QCOMPARE(ReplaceChar(u',', u'.', QStringLiteral("1,5")), QStringLiteral("1.5"));
    QCOMPARE(RemoveChars(QStringLiteral(". "), QStringLiteral("1.234 567,5")),
             QStringLiteral("1234567,5"));
    QCOMPARE(DropLastChar(QStringLiteral("abc")), QStringLiteral("ab"));
    QCOMPARE(DropLastChar(QString()), QString());
    QVERIFY(CharInText(u'b', QStringLiteral("abc")));
    QVERIFY(!CharInText(u'x', QStringLiteral("abc")));

    QStringList pieces{QStringLiteral("old")};
    SplitText(QStringLiteral(";A;;B C;"), QStringLiteral("; "), pieces);
    QCOMPARE(pieces, QStringList({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));

    QCOMPARE(HighCharText(7), QString(QChar(255)));
    double x = 0, y = 0;
    PolarToXY(M_PI / 2, 2.0, x, y);
    QVERIFY(qAbs(x) < 1e-12);
    QCOMPARE(y, 2.0);
}

void HelperRoutinesTest::parseDateByPicture_data() {
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("full date") << "DD.MM.YYYY"
                               << "05.11.2024" << dateTime(2024, 11, 5);
    QTest::newRow("picture in lower case") << "dd.mm.yyyy"
                                           << "05.11.2024" << dateTime(2024, 11, 5);
    QTest::newRow("year not reached") << "DD.MM.YYYY"
                                      << "05.11" << dateTime(1, 11, 5);
    QTest::newRow("49 in this century") << "DD.MM.YY"
                                        << "01.02.49" << dateTime(2049, 2, 1);
    QTest::newRow("50 in the last one") << "DD.MM.YY"
                                        << "01.02.50" << dateTime(1950, 2, 1);
    QTest::newRow("afternoon") << "HH:NN AMPM"
                               << "07:30 PM" << dateTime(1, 1, 1, 19, 30);
    QTest::newRow("morning") << "HH:NN AMPM"
                             << "07:30 am" << dateTime(1, 1, 1, 7, 30);
    QTest::newRow("noon") << "HH:NN AMPM"
                          << "12:15 PM" << dateTime(1, 1, 1, 12, 15);
    QTest::newRow("midnight") << "HH:NN AP"
                              << "12:15 A" << dateTime(1, 1, 1, 0, 15);
    QTest::newRow("date and time") << "YYYY-MM-DD HH:NN"
                                   << "2024-11-05  9:05" << dateTime(2024, 11, 5, 9, 5);
    QTest::newRow("impossible date") << "DD.MM.YYYY"
                                     << "31.02.2024" << 0.0;
    QTest::newRow("unreadable day") << "DD.MM.YYYY"
                                    << "xx.11.2024" << 0.0;
    QTest::newRow("impossible hour") << "HH:NN"
                                     << "25:00" << 0.0;
}

void HelperRoutinesTest::parseDateByPicture() {
    QFETCH(QString, picture);
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(ParseDateByPicture(picture, text), expected);
}

void HelperRoutinesTest::parseDateByPictureReadsMonthNames() {
    auto& settings = platform::formatSettings();
    const platform::FormatSettings saved = settings;
    settings.longMonthNames =
        QStringList{"januar", "februar", "marec",     "april",   "maj",      "junij",
                    "julij",  "avgust",  "september", "oktober", "november", "december"};
    const TDateTime longName = ParseDateByPicture("DD MMMM YYYY", "05 november 2024");
    const TDateTime shortName = ParseDateByPicture("DD-MMM-YY", "05-NOV-24");
    settings = saved;
    QCOMPARE(longName, dateTime(2024, 11, 5));
    QCOMPARE(shortName, dateTime(2024, 11, 5));
}

void HelperRoutinesTest::assignParamIfChangedReportsChange() {
    db::Param date(QStringLiteral("dan"));
    date.setDataType(db::FieldType::Date);
    QVERIFY(AssignParamIfChanged(date, QStringLiteral("05.11.2024")));
    QCOMPARE(date.asDateTime(), dateTime(2024, 11, 5));
    // The same date in other forms, or with a time of day, is no change.
    QVERIFY(!AssignParamIfChanged(date, QStringLiteral("05.11.2024")));
    QVERIFY(!AssignParamIfChanged(date, QDate(2024, 11, 5)));
    QVERIFY(!AssignParamIfChanged(date, dateTime(2024, 11, 5, 10, 0)));
    QVERIFY(AssignParamIfChanged(date, QStringLiteral("06.11.2024")));
    QVERIFY(AssignParamIfChanged(date, QVariant()));
    QVERIFY(date.isNull());

    db::Param moment(QStringLiteral("cas"));
    moment.setAsDateTime(dateTime(2024, 11, 5, 10, 0));
    QVERIFY(!AssignParamIfChanged(moment, dateTime(2024, 11, 5, 10, 0)));
    QVERIFY(AssignParamIfChanged(moment, dateTime(2024, 11, 5, 11, 0)));

    db::Param number(QStringLiteral("n"));
    number.setDataType(db::FieldType::Integer);
    QVERIFY(AssignParamIfChanged(number, 5));
    QVERIFY(!AssignParamIfChanged(number, QStringLiteral("5")));
    QVERIFY(AssignParamIfChanged(number, 6));
    QCOMPARE(number.asInteger(), 6);

    db::Param text(QStringLiteral("s"));
    text.setDataType(db::FieldType::String);
    QVERIFY(AssignParamIfChanged(text, QStringLiteral("a")));
    QVERIFY(!AssignParamIfChanged(text, QStringLiteral("a")));

    // Types without a rule are left alone and always report a change.
    db::Param flag(QStringLiteral("b"));
    flag.setAsBoolean(true);
    QVERIFY(AssignParamIfChanged(flag, false));
    QCOMPARE(flag.value(), QVariant(true));

    db::Param untyped(QStringLiteral("u"));
    QVERIFY(AssignParamIfChanged(untyped, 3));
    QVERIFY(!AssignParamIfChanged(untyped, 3));
}

void HelperRoutinesTest::emptyingFilterSelectsThePlaceholderKey() {
    TestDatabase database(QStringLiteral("HELPERS"), TestDatabase::Content::Empty);
    database.exec(KeyedTable);

    db::Table keyed;
    keyed.setDatabaseName(QStringLiteral("HELPERS"));
    keyed.setTableName(QStringLiteral("KEYED"));
    QCOMPARE(UniqueIndexFields(keyed), QStringLiteral("s;n;d"));
    PrepareForReindex(keyed);
    QCOMPARE(keyed.filter(), QStringLiteral("s = '\u00FF' AND n = 0 AND d = '30.12.1899'"));
    QVERIFY(keyed.filtered());
    keyed.open();
    QVERIFY(keyed.isEmpty());
    keyed.close();

    db::Table loose;
    loose.setDatabaseName(QStringLiteral("HELPERS"));
    loose.setTableName(QStringLiteral("LOOSE"));
    QCOMPARE(UniqueIndexFields(loose), QString());
    EmptyingFilter(loose);
    QCOMPARE(loose.filter(), QStringLiteral("name = '\u00FF'"));
}

void HelperRoutinesTest::lookupValue() {
    TestDatabase database(QStringLiteral("HELPERS"), TestDatabase::Content::Empty);
    database.exec(KeyedTable);
    const QString alias = QStringLiteral("HELPERS");

    QCOMPARE(LookupValue(alias, {}, "KEYED", "X", "S = 'b'"), QStringLiteral("2.5"));
    QCOMPARE(LookupValue(alias, {}, "KEYED", "S", "N = 99"), QString());
    QCOMPARE(LookupValue(alias, {}, "KEYED", "count(*)"), QStringLiteral("2"));
    QVERIFY_THROWS_EXCEPTION(platform::Exception, LookupValue(alias, {}, "KEYED", "NOPE"));
    // The connection is still usable after the failure.
    QCOMPARE(LookupValue(alias, {}, "LOOSE", "NAME"), QStringLiteral("x"));
}

QTEST_GUILESS_MAIN(HelperRoutinesTest)
#include "tst_helperroutines.moc"
