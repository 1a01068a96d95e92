#include "../support/TestDatabase.h"

#include "app/uZEV.h"
#include "controls/DbGrid.h"
#include "db/uDMLB.h"
#include "entry/Uptypeed.h"
#include "platform/Application.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QXmlStreamReader>

namespace {

using Engine = TestDatabase::Engine;

// The demo content on one engine, and beside it what an installation keeps in the
// program's folder: "ZEV.ini", the agency's schema and the report folder of the
// settings.
class Installation {
public:
    explicit Installation(Engine engine) : database(engine, QStringLiteral("DEMO")) {
        database.loadDemoContent();
        QDir(folder()).mkdir(QStringLiteral("porocila"));
        database.exec(QStringLiteral("UPDATE SERPROG SET VREDNOST = '%1' WHERE MODUL = 'ZEV' "
                                     "AND PARAMETER = 'XML_PATH';")
                          .arg(reportFolder()));
        QFile::copy(QStringLiteral(ZEV_SOURCE_DIR "/data/ZEVTradingAccountsReport_1_0.xsd"),
                    folder() + QStringLiteral("ZEVTradingAccountsReport_1_0.xsd"));
        QFile ini(folder() + QStringLiteral("ZEV.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[Splošno]\nTip=ORACLE\nDebug=0\n");
    }
    QString folder() const { return database.folder(); }
    QString reportFolder() const { return folder() + QStringLiteral("porocila/"); }
    QStringList login() const { return {"DEMO", "demo", "demo", "ana"}; }

    TestDatabase database;
};

QString engineName(Engine engine) {
    return engine == Engine::Pgsql ? QStringLiteral("server") : QStringLiteral("embedded");
}

// Runs the program itself, copied into the installation's folder, in batch mode for
// 30.09.2024, and answers the report it delivered.
void runReport(const Installation& installation, QByteArray& report) {
    const QString program = installation.folder() + QStringLiteral("zev");
    QVERIFY(QFile::copy(QStringLiteral(ZEV_PROGRAM), program));
    QProcess process;
    process.start(program, installation.login() + QStringList{"--report", "30.09.2024"});
    QVERIFY(process.waitForFinished(60000));
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
             process.readAllStandardError().constData());
    const QStringList files = QDir(installation.reportFolder()).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QFile file(installation.reportFolder() + files.first());
    QVERIFY(file.open(QIODevice::ReadOnly));
    report = file.readAll();
}

// An element's text, or its child elements' "name=text" in document order.
QString elementText(QXmlStreamReader& xml) {
    QStringList parts;
    QString text;
    while (xml.readNext() != QXmlStreamReader::EndElement && !xml.atEnd()) {
        if (xml.isCharacters() && !xml.isWhitespace())
            text += xml.text();
        if (xml.isStartElement()) {
            const QString name = xml.name().toString();
            parts << name + u'=' + elementText(xml);
        }
    }
    return parts.isEmpty() ? text : u'{' + parts.join(u';') + u'}';
}

// The report by trading account: the account's elements as a sorted list, since rows
// that the statement's order leaves tied may come in another order. The reporting
// company and period go under their element names.
QMap<QString, QStringList> reportByAccount(const QByteArray& report) {
    QMap<QString, QStringList> accounts;
    QXmlStreamReader xml(report);
    xml.readNextStartElement(); // TradingAccountsReport
    while (xml.readNextStartElement()) {
        if (xml.name() != u"TradingAccount") {
            const QString name = xml.name().toString();
            accounts[name] << elementText(xml);
            continue;
        }
        QString account;
        QStringList elements;
        while (xml.readNextStartElement()) {
            const QString name = xml.name().toString();
            const QString text = elementText(xml);
            if (name == u"AccountNo")
                account = text;
            elements << name + u'=' + text;
        }
        elements.sort();
        accounts[account] += elements;
    }
    if (xml.hasError())
        accounts[QStringLiteral("<error>")] << xml.errorString();
    return accounts;
}

// The holdings grid of the main window after "Nabor" for 30.09.2024: the rows' cells
// joined with '|', sorted.
void holdingsGrid(const Installation& installation, QStringList& rows) {
    TDMLB dmlb(installation.login(), nullptr, installation.folder());
    dmlb.setModuleNameOverride(QStringLiteral("ZEV"));
    TfZEV window(dmlb, installation.login(), nullptr, installation.folder());
    window.show();
    window.findChild<entry::TPTypedEdit*>(QStringLiteral("pteDan"))
        ->SetDateValue(platform::encodeDate(2024, 9, 30));
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("bbNabor")), Qt::LeftButton);
    QVERIFY(window.holdings().active());
    auto* grid = window.findChild<controls::DbGrid*>(QStringLiteral("grdStanja"))->model();
    while (grid->canFetchMore({}))
        grid->fetchMore({});
    for (int row = 0; row < grid->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < grid->columnCount(); ++column)
            cells << grid->index(row, column).data().toString();
        rows << cells.join(u'|');
    }
    rows.sort();
}

} // namespace

class ServerEngineTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void demoReportHoldsTheSameAccountsOnBothEngines();
    void holdingsGridShowsTheSameRowsOnBothEngines();

private:
    std::unique_ptr<platform::ScopedMessageSink> sink_;
    QStringList messages_;
};

void ServerEngineTest::init() {
    messages_.clear();
    sink_ = std::make_unique<platform::ScopedMessageSink>(
        [this](platform::MessageKind, const QString& text) {
            messages_ << text;
            return platform::MessageResult::Ok;
        });
}

void ServerEngineTest::cleanup() {
    sink_.reset();
}

void ServerEngineTest::demoReportHoldsTheSameAccountsOnBothEngines() {
    QMap<Engine, QMap<QString, QStringList>> reports;
    for (const Engine engine : {Engine::Sqlite, Engine::Pgsql}) {
        const Installation installation(engine);
        QByteArray report;
        runReport(installation, report);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("no report on the %1 engine").arg(engineName(engine))));
        reports[engine] = reportByAccount(report);
    }
    const auto& embedded = reports[Engine::Sqlite];
    const auto& server = reports[Engine::Pgsql];
    QVERIFY(embedded.contains(QStringLiteral("100234")));
    QVERIFY(embedded.size() > 5);
    QCOMPARE(server.keys(), embedded.keys());
    for (const QString& account : embedded.keys())
        QCOMPARE(server[account], embedded[account]);
}

void ServerEngineTest::holdingsGridShowsTheSameRowsOnBothEngines() {
    QMap<Engine, QStringList> grids;
    for (const Engine engine : {Engine::Sqlite, Engine::Pgsql}) {
        const Installation installation(engine);
        holdingsGrid(installation, grids[engine]);
        if (QTest::currentTestFailed())
            return;
    }
    QCOMPARE(grids[Engine::Sqlite].size(), 18);
    QCOMPARE(grids[Engine::Pgsql], grids[Engine::Sqlite]);
    QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join(u'\n')));
}

int main(int argc, char** argv) {
    platform::Application application(argc, argv);
    ServerEngineTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_serverengine.moc"
