// The reader of the translation engine's import scripts, without a database: how a
// script's lines make statements, a broken statement that ends at its own line, the
// bytes of files from other editors and installations, and long inputs.

#include "translation/ImportScript.h"

#include <QElapsedTimer>
#include <QTest>

using translation::readScript;
using translation::scriptStatements;

namespace {

// The texts of the statements that the script's text gives.
QStringList textsOf(const QString& script) {
    QStringList texts;
    for (const translation::ScriptStatement& statement : scriptStatements(script))
        texts << statement.text();
    return texts;
}

} // namespace

class ImportScriptTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void linesMakeStatements();
    void aLastStatementWithoutSemicolonIsKept();
    void aLineEndingWithSemicolonEndsEvenAnOpenQuote();
    void fileBytesFromOtherEditors();
    void longScriptsTakeLinearTime();
};

void ImportScriptTest::linesMakeStatements() {
    const QString script = QStringLiteral("-- languages\n"
                                          "\n"
                                          "  INSERT INTO T (A, B)  \n"
                                          "VALUES ('x;y', '-- z');\n"
                                          "   ;\n"
                                          "DELETE FROM T;\n"
                                          "UPDATE T SET A = 1\n"
                                          "WHERE B = 2");
    const QStringList expected{"INSERT INTO T (A, B)\nVALUES ('x;y', '-- z')", "DELETE FROM T",
                               "UPDATE T SET A = 1\nWHERE B = 2"};
    QCOMPARE(textsOf(script), expected);
    QString crlf = script;
    QCOMPARE(textsOf(crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"))), expected);
    // The log records the lines as they were run.
    const auto statements = scriptStatements(script);
    QCOMPARE(statements[0].lines, QStringList({"INSERT INTO T (A, B)", "VALUES ('x;y', '-- z')"}));
    QVERIFY(scriptStatements(QString()).empty());
    QVERIFY(scriptStatements(QStringLiteral(";\n;\n-- only comments\n\n")).empty());
}

void ImportScriptTest::aLastStatementWithoutSemicolonIsKept() {
    // Whatever follows it (a line break, blank lines, a closing comment), the last
    // statement is run, not dropped.
    for (const QString& tail : {QString(), QStringLiteral("\n"), QStringLiteral("\r\n\r\n  \n"),
                                QStringLiteral("\n-- end of script\n")})
        QCOMPARE(textsOf(QStringLiteral("DELETE FROM T;\nDELETE FROM U\nWHERE A = 1") + tail),
                 QStringList({"DELETE FROM T", "DELETE FROM U\nWHERE A = 1"}));
}

void ImportScriptTest::aLineEndingWithSemicolonEndsEvenAnOpenQuote() {
    // A statement missing its closing apostrophe ends at its own ";", so the database
    // refuses it alone and the statements after it are read as they were written;
    // quotes and comments are the database's business, not the reader's (a line that
    // begins with "--" is skipped wherever it stands).
    const QString script = QStringLiteral("INSERT INTO T VALUES (1, 'Bob''s);\r\n"
                                          "INSERT INTO T VALUES (2, 'it''s \"x\"');\r\n"
                                          "/* Bob's\n"
                                          "-- list */ DELETE FROM U;\n"
                                          "DELETE FROM V -- don't;\n");
    QCOMPARE(textsOf(script), QStringList({"INSERT INTO T VALUES (1, 'Bob''s)",
                                           "INSERT INTO T VALUES (2, 'it''s \"x\"')",
                                           "/* Bob's\nDELETE FROM V -- don't"}));
}

void ImportScriptTest::fileBytesFromOtherEditors() {
    const QString expected = QStringLiteral("UPDATE T SET A = 'Poročilo, šifra Žiga'");
    const QByteArray utf8 = (expected + QStringLiteral(";\r\n")).toUtf8();
    // A byte-order mark (as Notepad writes it) does not spoil the first statement.
    QCOMPARE(readScript(utf8).front().text(), expected);
    QCOMPARE(readScript("\xef\xbb\xbf" + utf8).front().text(), expected);
    // Scripts from existing installations are in the Central European code page.
    const QByteArray windows1250 = "UPDATE T SET A = 'Poro\xe8ilo, \x9a"
                                   "ifra \x8eiga';\r\n";
    QCOMPARE(readScript(windows1250).front().text(), expected);
    // Notepad's "Unicode", in both byte orders.
    const QString unicode = expected + QStringLiteral(";\r\n");
    QByteArray littleEndian("\xff\xfe");
    QByteArray bigEndian("\xfe\xff");
    for (const QChar c : unicode) {
        littleEndian += char(c.unicode() & 0xff);
        littleEndian += char(c.unicode() >> 8);
        bigEndian += char(c.unicode() >> 8);
        bigEndian += char(c.unicode() & 0xff);
    }
    QCOMPARE(readScript(littleEndian).front().text(), expected);
    QCOMPARE(readScript(bigEndian).front().text(), expected);
}

void ImportScriptTest::longScriptsTakeLinearTime() {
    QElapsedTimer timer;
    timer.start();
    QString many;
    for (int i = 0; i < 100000; ++i)
        many += QStringLiteral("INSERT INTO T VALUES (%1, 'a;b -- c');\n-- x\n\n").arg(i);
    QCOMPARE(scriptStatements(many).size(), std::size_t(100000));
    // A quote that never closes, over 200 000 lines: each line is a statement.
    QString longText = QStringLiteral("UPDATE T SET A = '");
    for (int i = 0; i < 200000; ++i)
        longText += QStringLiteral("line;\n");
    QCOMPARE(scriptStatements(longText).size(), std::size_t(200000));
    QCOMPARE(scriptStatements(QString(1000000, u'\'') + QString(1000000, u';')).size(),
             std::size_t(1));
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
}

QTEST_GUILESS_MAIN(ImportScriptTest)
#include "tst_importscript.moc"
