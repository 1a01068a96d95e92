#include "db/UVersionAgent.h"

#include <QFile>
#include <QTest>

namespace {

QByteArray resourceText(const char* translation, const char* table) {
    return QByteArray("ZEVVERSIONINFO 1\nFILEVERSION 4 0 14 20\nTRANSLATION ") + translation +
           "\nSTRINGFILEINFO " + table +
           "\nCompanyName=Borza\nFileVersion=4.0.14.20\nComments=mesečno\nEND\n";
}

} // namespace

class VersionAgentTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsTextsOfTheFirstTranslation();
    void otherLanguageLeavesTextsEmptyButNumbers();
    void moduleWithoutResourceGivesNothing();
    void programCarriesItsOwnVersion();
};

void VersionAgentTest::readsTextsOfTheFirstTranslation() {
    TVersionAgent agent(platform::VersionResource::fromText(resourceText("0424 04E2", "042404E2")),
                        nullptr);
    QCOMPARE(agent.FileVersion(), QStringLiteral("4.0.14.20"));
    QCOMPARE(agent.CompanyName(), QStringLiteral("Borza"));
    QCOMPARE(agent.Comments(), QStringLiteral("mesečno"));
    QVERIFY(agent.LegalTrademarks().isEmpty());
    QCOMPARE(agent.Major(), quint16(4));
    QCOMPARE(agent.Minor(), quint16(0));
    QCOMPARE(agent.Release(), quint16(14));
    QCOMPARE(agent.Build(), quint16(20));
}

void VersionAgentTest::otherLanguageLeavesTextsEmptyButNumbers() {
    TVersionAgent agent(platform::VersionResource::fromText(resourceText("0409 04E4", "042404E2")),
                        nullptr);
    QVERIFY(agent.FileVersion().isEmpty());
    QVERIFY(agent.CompanyName().isEmpty());
    QCOMPARE(agent.Release(), quint16(14));
}

void VersionAgentTest::moduleWithoutResourceGivesNothing() {
    TVersionAgent agent(nullptr); // this test program carries no resource
    QVERIFY(agent.FileVersion().isEmpty());
    QCOMPARE(agent.Major(), quint16(0));
    QCOMPARE(agent.Build(), quint16(0));
    TVersionAgent missing(QStringLiteral("/nonexistent/zev"), nullptr);
    QVERIFY(missing.ProductName().isEmpty());
}

void VersionAgentTest::programCarriesItsOwnVersion() {
    const QString program = QStringLiteral(ZEV_PROGRAM);
    if (!QFile::exists(program))
        QSKIP("the program is not built");
    TVersionAgent agent(program, nullptr);
    QCOMPARE(agent.FileVersion(), QStringLiteral("4.0.14.20"));
    QCOMPARE(agent.ProductVersion(), QStringLiteral("4.0.14.20"));
    QCOMPARE(agent.Build(), quint16(20));
}

QTEST_GUILESS_MAIN(VersionAgentTest)
#include "tst_versionagent.moc"
