// The back office's SQL semantics as the dialects keep them on both engines.

#include "../support/TestDatabase.h"
#include "db/Dialect.h"
#include "db/Query.h"

#include <QtTest>

using namespace db;

namespace {

const Dialect::ConcatenationForm plainForm{QStringLiteral("C("), QStringLiteral(", "),
                                           QStringLiteral(")")};

QString concatenated(const QString& statement) {
    return Dialect::rewriteConcatenation(statement, plainForm);
}

const QString tables = QStringLiteral(R"(
CREATE TABLE person (id INTEGER PRIMARY KEY, ime VARCHAR(40), nzv VARCHAR(80),
                     amount DOUBLE PRECISION);
INSERT INTO person VALUES (1, 'Janez', 'Novak', 2.5);
INSERT INTO person VALUES (2, NULL, 'Občina Lipnica', NULL);
INSERT INTO person VALUES (3, NULL, NULL, 1);
INSERT INTO person VALUES (4, 'ana', 'Zupan', NULL);
CREATE TABLE dual (dummy VARCHAR(1));
INSERT INTO dual VALUES ('X');
)");

QStringList column(const QString& sql, const std::function<void(Query&)>& bind = {}) {
    Query query;
    query.setDatabaseName(QStringLiteral("TEST"));
    query.setSql(sql.split(u'\n'));
    if (bind)
        bind(query);
    query.open();
    QStringList values;
    for (; !query.eof(); query.next())
        values << (query.field(0).isNull() ? QStringLiteral("<null>") : query.field(0).asString());
    return values;
}

} // namespace

class DialectTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void concatenationOperands();
    void concatenationLeavesTextsAndOddStatements();
    void nullOrderingTerms();
    void nullOperandsCountAsEmptyText();
    void nullsSortAboveValues();
    void likeTellsCaseApart();
};

void DialectTest::concatenationOperands() {
    QCOMPARE(concatenated(QStringLiteral("SELECT (osb.ime || ' ' || osb.nzv) AS OwnerName")),
             QStringLiteral("SELECT (C(osb.ime, ' ', osb.nzv)) AS OwnerName"));
    QCOMPARE(concatenated(QStringLiteral("SELECT NVL(a, 'x')||UPPER(b || c) || -1 FROM t")),
             QStringLiteral("SELECT C(NVL(a, 'x'), UPPER(C(b, c)), -1) FROM t"));
    QCOMPARE(concatenated(QStringLiteral("WHERE x = :a || ? AND y = (a || b) || c")),
             QStringLiteral("WHERE x = C(:a, ?) AND y = C((C(a, b)), c)"));
    QCOMPARE(concatenated(QStringLiteral(
                 "SELECT CASE WHEN a IS NULL THEN 'n' ELSE a END || 'x' || CASE b END")),
             QStringLiteral("SELECT C(CASE WHEN a IS NULL THEN 'n' ELSE a END, 'x', CASE b END)"));
    // Keywords before a parenthesis are no function names.
    QCOMPARE(concatenated(QStringLiteral("SELECT 1 WHERE x IN (a) || b")),
             QStringLiteral("SELECT 1 WHERE x IN C((a), b)"));
    QCOMPARE(concatenated(QStringLiteral("a.b||\"Quoted col\"||1.5e3")),
             QStringLiteral("C(a.b, \"Quoted col\", 1.5e3)"));
}

void DialectTest::concatenationLeavesTextsAndOddStatements() {
    const QString plain = QStringLiteral("SELECT a, b FROM t WHERE c = 'x'");
    QCOMPARE(concatenated(plain), plain);
    const QString quoted =
        QStringLiteral("SELECT 'a || b', \"x||y\" FROM t -- a || b\n/* c || d */ WHERE 1 = 1");
    QCOMPARE(concatenated(quoted), quoted);
    // Without operands on both sides the text stays as it is written.
    for (const char* odd : {"|| a", "a ||", "SELECT || x", "a || )", "(a || (b", "a ||| b",
                            "CASE a || b", "x || CASE y", "a || b END || c"}) {
        const QString text = QString::fromLatin1(odd);
        const QString result = concatenated(text);
        QCOMPARE(result.count(u'(') - text.count(u'('), result.count(u')') - text.count(u')'));
    }
    QCOMPARE(concatenated(QStringLiteral("a ||| b")), QStringLiteral("a ||| b"));
    QCOMPARE(concatenated(QStringLiteral("a || b END || c")), QStringLiteral("C(a, b) END || c"));

    // Deep nesting and long chains take no recursion.
    QString deep;
    for (int i = 0; i < 50000; ++i)
        deep += QStringLiteral("(a || ");
    deep += u'b' + QString(50000, u')');
    QCOMPARE(concatenated(deep).count(QStringLiteral("C(")), 50000);
    QString chain = QStringLiteral("a");
    for (int i = 0; i < 50000; ++i)
        chain += QStringLiteral(" || a");
    QCOMPARE(concatenated(chain),
             QStringLiteral("C(") + QStringList(50001, QStringLiteral("a")).join(u", ") + u')');
}

void DialectTest::nullOrderingTerms() {
    QCOMPARE(
        Dialect::placeNullsHigh(QStringLiteral("SELECT * FROM t ORDER BY accountno, category")),
        QStringLiteral("SELECT * FROM t ORDER BY accountno NULLS LAST, category NULLS LAST"));
    QCOMPARE(Dialect::placeNullsHigh(QStringLiteral(
                 "SELECT (SELECT x FROM u ORDER BY f(a, b) DESC LIMIT 1) FROM t\norder by 2 "
                 "asc, b nulls first, c COLLATE NOCASE desc;")),
             QStringLiteral("SELECT (SELECT x FROM u ORDER BY f(a, b) DESC NULLS FIRST LIMIT 1) "
                            "FROM t\norder by 2 asc NULLS LAST, b nulls first, c COLLATE NOCASE "
                            "desc NULLS FIRST;"));
    const QString quoted = QStringLiteral("SELECT 'ORDER BY a' FROM t -- ORDER BY b");
    QCOMPARE(Dialect::placeNullsHigh(quoted), quoted);
    QCOMPARE(Dialect::placeNullsHigh(QStringLiteral("ORDER BY")), QStringLiteral("ORDER BY"));
}

void DialectTest::nullOperandsCountAsEmptyText() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, tables);
    QCOMPARE(column(QStringLiteral("SELECT 'x' || NULL || 'y' FROM dual")), QStringList{"xy"});
    QCOMPARE(column(QStringLiteral("SELECT (ime || ' ' || nzv) AS OwnerName FROM person "
                                   "ORDER BY id")),
             (QStringList{"Janez Novak", " Občina Lipnica", " ", "ana Zupan"}));
    // Empty text is null, as on the back office's server; operands of any type.
    QCOMPARE(column(QStringLiteral("SELECT ime || nzv FROM person WHERE id = 3")),
             QStringList{"<null>"});
    QCOMPARE(column(QStringLiteral("SELECT id || '/' || amount FROM person WHERE id = 1")),
             QStringList{"1/2.5"});
    QCOMPARE(column(QStringLiteral("SELECT nzv FROM person WHERE ime || nzv = 'Občina Lipnica'")),
             QStringList{"Občina Lipnica"});
    const QStringList bound =
        column(QStringLiteral("SELECT :a || UPPER(ime || :b) || '.' FROM person WHERE id IN (1, 2) "
                              "ORDER BY id"),
               [](Query& query) {
                   query.paramByName(QStringLiteral("a")).clear();
                   query.paramByName(QStringLiteral("b")).setAsString(QStringLiteral("x"));
               });
    QCOMPARE(bound, (QStringList{"JANEZX.", "X."}));
}

void DialectTest::nullsSortAboveValues() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, tables);
    QCOMPARE(column(QStringLiteral("SELECT id FROM person ORDER BY ime, id")),
             (QStringList{"1", "4", "2", "3"}));
    QCOMPARE(column(QStringLiteral("SELECT id FROM person ORDER BY amount DESC, id")),
             (QStringList{"2", "4", "1", "3"}));
}

void DialectTest::likeTellsCaseApart() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, tables);
    QCOMPARE(column(QStringLiteral("SELECT id FROM person WHERE ime LIKE 'j%' OR ime LIKE 'a%'")),
             QStringList{"4"});
}

QTEST_GUILESS_MAIN(DialectTest)
#include "tst_dialect.moc"
