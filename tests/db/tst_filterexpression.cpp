// Filter expressions on text from outside the program: any text ends in a result or
// the program's own error, in time linear in its length.

#include "db/FilterExpression.h"
#include "platform/Errors.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace db;

namespace {

const std::vector<FilterExpression::FieldInfo> fields = {
    {QStringLiteral("S"), FieldType::String, 0},
    {QStringLiteral("I"), FieldType::Integer, 1},
    {QStringLiteral("F"), FieldType::Float, 2},
};

FilterExpression parsed(const QString& text) {
    return FilterExpression::parse(text, fields);
}

// The error message of a text that must not parse; empty when it parsed.
QString refusal(const QString& text) {
    try {
        parsed(text).toSql();
    } catch (const platform::Exception& error) {
        return error.message();
    }
    return {};
}

} // namespace

class FilterExpressionTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void digitsOutsideAsciiEndTheText();
    void nestingHasALimitAndChainsAreFlat();
    void numbersBeyondTheFieldsRangeAreRefused();
};

void FilterExpressionTest::digitsOutsideAsciiEndTheText() {
    // Arabic-Indic three, and a lone surrogate before an ASCII digit: both once
    // stopped the tokenizer from advancing.
    QElapsedTimer timer;
    timer.start();
    QVERIFY(refusal(QStringLiteral("S = \u0663")).contains(u"Invalid filter expression"));
    QString surrogate = QStringLiteral("S = ");
    surrogate += QChar(0xD800);
    surrogate += QStringLiteral("5");
    QVERIFY(!refusal(surrogate).isEmpty());
    QVERIFY(!refusal(QStringLiteral("I = 5\u0663")).isEmpty());
    QVERIFY(timer.elapsed() < 1000);
    // Letters of any script still make names, and numbers are ASCII digits.
    QCOMPARE(parsed(QStringLiteral("I = 12.5e1")).toSql().values.front().value.toLongLong(), 125);
}

void FilterExpressionTest::nestingHasALimitAndChainsAreFlat() {
    const QString deep = QString(10000, u'(') + QStringLiteral("S = 'a'") + QString(10000, u')');
    QVERIFY2(refusal(deep).contains(u"nested deeper than 100 levels"), qPrintable(refusal(deep)));
    QString nots;
    for (int i = 0; i < 100000; ++i)
        nots += QStringLiteral("NOT ");
    QVERIFY(refusal(nots + QStringLiteral("S = 'a'")).contains(u"nested deeper"));
    const QString fine = QString(100, u'(') + QStringLiteral("S = 'a'") + QString(100, u')');
    QCOMPARE(parsed(fine).toSql().values.size(), std::size_t(1));

    // 30 000 ANDs: one flat chain, turned into SQL and evaluated without recursion.
    QStringList terms;
    for (int i = 0; i < 30000; ++i)
        terms << QStringLiteral("I <> %1").arg(i + 1);
    const FilterExpression chain = parsed(terms.join(QStringLiteral(" AND ")) + " OR S = 'x'");
    const auto sql = chain.toSql();
    QCOMPARE(sql.values.size(), std::size_t(30001));
    QVERIFY(sql.text.startsWith(u"((I <> ? AND I <> ?"));
    QVERIFY(sql.text.endsWith(u"I <> ?) OR S = ?)"));
    QVERIFY(chain.matches({QVariant(QStringLiteral("y")), QVariant(qint64(0)), QVariant(1.0)}));
    QVERIFY(!chain.matches({QVariant(QStringLiteral("y")), QVariant(qint64(7)), QVariant(1.0)}));
    QVERIFY(chain.matches({QVariant(QStringLiteral("x")), QVariant(qint64(7)), QVariant(1.0)}));
}

void FilterExpressionTest::numbersBeyondTheFieldsRangeAreRefused() {
    for (const char* text : {"I = 1e300", "I = 1e19", "I > -1e400", "I = 9223372036854775808",
                             "F < 5e9993", "F > -1e309"})
        QVERIFY2(!refusal(QString::fromLatin1(text)).isEmpty(), text);
    QCOMPARE(parsed(QStringLiteral("I = -9223372036854775807")).toSql().values.front().value,
             QVariant(qint64(-9223372036854775807LL)));
    QCOMPARE(parsed(QStringLiteral("F < 1e308")).toSql().values.front().value, QVariant(1e308));
}

QTEST_GUILESS_MAIN(FilterExpressionTest)
#include "tst_filterexpression.moc"
