#include "../support/SmallFilesystem.h"
#include "../support/TestDatabase.h"

#include "app/BatchMode.h"
#include "app/DebugLog.h"
#include "app/HoldingsQuery.h"
#include "app/ReportDocument.h"
#include "app/TradingAccountsReport.h"
#include "app/XmlValidation.h"
#include "db/Query.h"
#include "db/Session.h"
#include "db/uDMLB.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <csignal>
#include <cstring>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/resource.h>

namespace {

using platform::MessageKind;

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

struct Message {
    MessageKind kind;
    QString text;
};

// Takes the messages instead of showing them.
struct MessageRecorder {
    QList<Message> messages;
    platform::ScopedMessageSink sink{[this](MessageKind kind, const QString& text) {
        messages.append({kind, text});
        return platform::MessageResult::Ok;
    }};
};

struct RecordingDisplay : ReportErrorDisplay {
    QString shownText;
    bool visible = false;
    void showValidationError(const QString& text) override {
        shownText = text;
        visible = true;
    }
    void hideValidationError() override { visible = false; }
};

const QString SchemaSource = QStringLiteral(ZEV_SOURCE_DIR "/data/") + SchemaFileName;
const QString AgencyHost = QStringLiteral("zev.example.si");
const QString WorkingCopy = QStringLiteral("ZevXmlValidate.xml");

platform::TDateTime september30() {
    return platform::encodeDate(2024, 9, 30);
}
platform::TDateTime october31() {
    return platform::encodeDate(2024, 10, 31);
}
platform::TDateTime stampTime() {
    return platform::encodeDate(2024, 10, 1) + platform::encodeTime(14, 5, 9, 0);
}

const QString TestData = QStringLiteral(ZEV_SOURCE_DIR "/tests/report/");

// The report of 30.09.2024 on the holdings of holdings.sql, as the working copy holds it.
QByteArray expectedSeptemberReport() {
    return readFile(TestData + QStringLiteral("september-report.xml")).replace("\n", "\r\n");
}

QByteArray withCrLf(const char* text) {
    return QByteArray(text).replace("\n", "\r\n");
}

// A temporary folder standing for the executable's: database, aliases, schema, and
// the report folder "out/".
struct ReportFixture {
    TestDatabase database;
    QString folder = database.folder();
    QString reportFolder = folder + QStringLiteral("out/");

    // With the demo content, only the batch mode (this program's module) has settings.
    explicit ReportFixture(const QString& xmlPath = {}, bool demoContent = false) {
        if (demoContent)
            database.loadDemoContent();
        else
            database.execFile(TestData + QStringLiteral("holdings.sql"));
        QDir().mkpath(reportFolder);
        QFile::copy(SchemaSource, folder + SchemaFileName);
        const QString path = xmlPath.isNull() ? reportFolder : xmlPath;
        setSettings(TDMLB::ModuleName(), path, 101);
        if (!demoContent)
            setSettings(QStringLiteral("ZEV"), path, 111);
    }

    // Keys from firstKey on, above those of the demo content (the server's table has no
    // key of its own to give).
    void setSettings(const QString& module, const QString& xmlPath, int firstKey) const {
        database.exec(
            QStringLiteral(
                "INSERT INTO SERPROG (ID_SERPROG, MODUL, KATEGORIJA, PARAMETER, VREDNOST) "
                "VALUES (%3, '%1', 'SPLOŠNE', 'XML_PATH', '%2'), "
                "(%4, '%1', 'SPLOŠNE', 'PartnerId', '123'), "
                "(%5, '%1', 'SPLOŠNE', 'TrgovalniRacun', '456');")
                .arg(module, xmlPath)
                .arg(firstKey)
                .arg(firstKey + 1)
                .arg(firstKey + 2));
    }

    ReportOutcome run(platform::TDateTime date, ReportErrorDisplay& display, bool debugOn = true) {
        db::Query holdings;
        const ReportOutcome outcome = run(date, display, holdings, debugOn);
        if (holdings.active())
            qWarning("the holdings query was left open");
        return outcome;
    }

    ReportOutcome run(platform::TDateTime date, ReportErrorDisplay& display, db::Query& holdings,
                      bool debugOn = true, std::function<void(qint64)> rowsWritten = {}) {
        TDMLB session({database.alias(), QString(), QString(), QStringLiteral("ana")});
        session.setModuleNameOverride(QStringLiteral("ZEV"));
        db::Session::defaultSession().setPrivateDir(folder);
        defineHoldingsQuery(holdings);
        holdings.setDatabaseName(session.dbMain.databaseName());
        DebugLog log(debugOn, folder);
        const auto reportDate = [date] { return date; };
        const ReportContext context{session, holdings,   reportDate, log,        display,
                                    folder,  AgencyHost, stampTime,  rowsWritten};
        return generateTradingAccountsReport(context);
    }

    // The batch mode run from the program folder given, or from the fixture's folder.
    int batch(const QStringList& arguments, QStringList* lines = nullptr,
              const QString& programFolder = {}) const {
        BatchEnvironment environment;
        environment.folder = programFolder.isEmpty() ? folder : programFolder;
        environment.clock = stampTime;
        environment.print = [lines](MessageKind kind, const QString& line) {
            if (lines)
                lines->append((kind == MessageKind::Information ? "out: " : "err: ") + line);
        };
        return runBatch(arguments, environment);
    }

    QStringList login() const { return {database.alias(), "u", "p", "ana", "--report"}; }

    // A program folder elsewhere that reaches this fixture's database, with the schema
    // and a ZEV.ini of its own.
    void makeProgramFolder(const QString& programFolder) const {
        QString section = database.aliasSection(database.alias());
        if (database.engine() == TestDatabase::Engine::Sqlite)
            section.replace(QStringLiteral("DATABASE=test.db"),
                            QStringLiteral("DATABASE=") + folder + QStringLiteral("test.db"));
        writeFile(programFolder + "dbalias.ini", section.toUtf8());
        writeFile(programFolder + "ZEV.ini", "[Splošno]\r\nDebug=0\r\n");
        QFile::copy(SchemaSource, programFolder + SchemaFileName);
    }

    QStringList logLines() const {
        const QByteArray log = readFile(folder + QStringLiteral("Log.txt"));
        return log == "<missing>" ? QStringList()
                                  : QString::fromUtf8(log).split("\r\n", Qt::SkipEmptyParts);
    }
};

const QString ExpectedName = QStringLiteral("123_45620241001140509.xml");

// The same document built as a libxml2 tree and written by libxml2's serialiser, with
// CR LF line ends: what the report's text is measured against.
class LibxmlDocument {
public:
    LibxmlDocument() : document_(xmlNewDoc(BAD_CAST "1.0")) {}
    ~LibxmlDocument() { xmlFreeDoc(document_); }
    LibxmlDocument(const LibxmlDocument&) = delete;
    LibxmlDocument& operator=(const LibxmlDocument&) = delete;

    xmlNodePtr setRoot(const char* name) {
        xmlNodePtr root = xmlNewDocNode(document_, nullptr, BAD_CAST name, nullptr);
        xmlDocSetRootElement(document_, root);
        return root;
    }
    xmlNodePtr addElement(xmlNodePtr parent, const char* name, const QString& text = {}) {
        xmlNodePtr element = xmlNewDocNode(document_, nullptr, BAD_CAST name, nullptr);
        xmlAddChild(parent, element);
        if (!text.isEmpty()) {
            const QByteArray utf8 = text.toUtf8();
            xmlAddChild(element,
                        xmlNewDocTextLen(document_, BAD_CAST utf8.constData(), int(utf8.size())));
        }
        return element;
    }
    static void setAttribute(xmlNodePtr element, const char* name, const QString& value) {
        xmlSetProp(element, BAD_CAST name, BAD_CAST value.toUtf8().constData());
    }
    QByteArray text() const {
        QByteArray text;
        xmlSaveCtxtPtr writer = xmlSaveToIO(append, nullptr, &text, "utf-8", XML_SAVE_FORMAT);
        xmlSaveDoc(writer, document_);
        xmlSaveClose(writer);
        return text.replace("\n", "\r\n");
    }

private:
    static int append(void* text, const char* data, int size) {
        static_cast<QByteArray*>(text)->append(data, size);
        return size;
    }
    xmlDocPtr document_;
};

} // namespace

class ReportTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void documentIsWrittenWithCrLfIndentationAndEscaping();
    void documentTextIsWhatLibxml2WouldWrite();
    void documentTakesElementsInDocumentOrderOnly();
    void documentWithASinkHandsOnTheSameTextInPieces();
    void validationDoesNotDependOnHowTheTextIsCut();
    void reportFailingOnTheWayLeavesTheEarlierFilesAlone();
    void holdingsAreReadInOnePassAndLeftClosed();
    void schemaReferenceBecomesTheAgencyNamespaceInTheRootOnly();
    void validationNamesTheFirstErrorAndItsDocument();
    void debugLogAppendsLinesOnlyWhenOn();
    void reportListsAccountsCashAndSecuritiesInOrder();
    void reportPathHasExactlyOneSeparator();
    void relativeReportFolderLiesInTheProgramFolder();
    void invalidReportIsMovedAsideAndStillDelivered();
    void missingSettingStopsBeforeAnyFile();
    void failedSaveLeavesNothingInTheReportFolder();
    void batchModeAnswersWithItsExitStatus();
    void batchModeRefusesWrongCommandLines();
    void fullReportFolderDeliversNothing();
    void fullProgramFolderKeepsTheEarlierWorkingCopy();
    void settingsThatWouldBreakTheFileAreRefused();
    void forbiddenCharactersNeverReachTheFileRaw();
    void readOnlyDatabaseFolderStillGivesTheReport();
    void onlyTheCheckedBytesAreDelivered();
    void xmllintAcceptsTheDemoReport();
};

void ReportTest::documentIsWrittenWithCrLfIndentationAndEscaping() {
    ReportDocument document;
    const auto root = document.setRoot("Root");
    document.setAttribute(root, "b", QStringLiteral("\"2\" & <3>"));
    document.setAttribute(root, "a", QStringLiteral("1"));
    const auto child = document.addElement(root, "Child");
    document.addElement(child, "Text", QStringLiteral("Šola <5> & \"več\""));
    document.addElement(child, "Empty");
    const QByteArray expected =
        withCrLf("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                 "<Root b=\"&quot;2&quot; &amp; &lt;3&gt;\" a=\"1\">\n  <Child>\n"
                 "    <Text>\xC5\xA0ola &lt;5&gt; &amp; \"ve\xC4\x8D\"</Text>\n"
                 "    <Empty/>\n  </Child>\n</Root>\n");
    QCOMPARE(document.text(), expected);
    QTemporaryDir dir;
    document.save(dir.filePath("saved.xml"));
    QCOMPARE(readFile(dir.filePath("saved.xml")), expected);
}

void ReportTest::documentTextIsWhatLibxml2WouldWrite() {
    QString everyAscii;
    for (char16_t c = 1; c < 128; ++c)
        everyAscii += QChar(c);
    const QStringList texts = {everyAscii,
                               QStringLiteral("  blanks around  "),
                               QStringLiteral("Šolski center Celje, d.o.o. – €"),
                               QString::fromUtf16(u"\U0001F600 and \uFFFD"),
                               QStringLiteral("two\r\nlines\nand\ra CR"),
                               QStringLiteral("\"quoted\" 'and' ]]> <![CDATA[ &amp;")};
    ReportDocument document;
    LibxmlDocument expected;
    const auto root = document.setRoot("Root");
    xmlNodePtr expectedRoot = expected.setRoot("Root");
    // libxml2 writes control characters as they are, which no parser reads back; the
    // document writes U+FFFD for them.
    const auto wellFormed = [](QString text) {
        for (QChar& c : text) {
            if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
                c = QChar(0xFFFD);
        }
        return text;
    };
    for (int i = 0; i < texts.size(); ++i) {
        const QByteArray name = "a" + QByteArray::number(i);
        document.setAttribute(root, name.constData(), texts[i]);
        LibxmlDocument::setAttribute(expectedRoot, name.constData(), wellFormed(texts[i]));
    }
    document.setAttribute(root, "a0", QStringLiteral("replaced"));
    LibxmlDocument::setAttribute(expectedRoot, "a0", QStringLiteral("replaced"));
    for (const QString& text : texts) {
        const auto outer = document.addElement(root, "Outer");
        xmlNodePtr expectedOuter = expected.addElement(expectedRoot, "Outer");
        document.addElement(document.addElement(outer, "Inner"), "Text", text);
        expected.addElement(expected.addElement(expectedOuter, "Inner"), "Text", wellFormed(text));
        // Taking the text on the way changes nothing that follows.
        QCOMPARE(document.text(), expected.text());
        document.addElement(outer, "Empty");
        expected.addElement(expectedOuter, "Empty");
    }
    QCOMPARE(document.text(), expected.text());
}

void ReportTest::documentTakesElementsInDocumentOrderOnly() {
    ReportDocument document;
    const auto root = document.setRoot("Root");
    const auto first = document.addElement(root, "First");
    const auto text = document.addElement(first, "Text", QStringLiteral("t"));
    document.addElement(root, "Second");
    // First is finished once Second follows it; Text was finished at once.
    QVERIFY_THROWS_EXCEPTION(std::logic_error, document.addElement(first, "Late"));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, document.addElement(text, "Child"));
    QVERIFY_THROWS_EXCEPTION(std::logic_error,
                             document.setAttribute(root, "late", QStringLiteral("x")));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, document.setRoot("Another"));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, document.addElement({}, "Orphan"));
    QCOMPARE(document.text(), withCrLf("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Root>\n"
                                       "  <First>\n    <Text>t</Text>\n  </First>\n"
                                       "  <Second/>\n</Root>\n"));
}

void ReportTest::documentWithASinkHandsOnTheSameTextInPieces() {
    std::vector<QByteArray> pieces;
    ReportDocument streamed(
        [&](const char* data, qsizetype size) { pieces.emplace_back(data, size); });
    ReportDocument whole;
    for (ReportDocument* document : {&streamed, &whole}) {
        const auto root = document->setRoot("Root");
        document->setAttribute(root, "a", QStringLiteral("x"));
        for (int i = 0; i < 20000; ++i) {
            const auto account = document->addElement(root, "Account");
            document->addElement(account, "Name", QStringLiteral("Občina %1 & <d.o.o.>").arg(i));
            document->addElement(account, "Empty");
        }
        document->addElement(root, "Open");
    }
    QVERIFY(pieces.size() > 10);
    streamed.finish();
    QByteArray joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        // Only the piece being filled is kept: each is handed on once it is full.
        if (i + 1 < pieces.size())
            QVERIFY(pieces[i].size() >= ReportDocument::PieceSize &&
                    pieces[i].size() < ReportDocument::PieceSize + 1024);
        joined += pieces[i];
    }
    QCOMPARE(joined, whole.text());

    QVERIFY_THROWS_EXCEPTION(std::logic_error, streamed.text());
    QVERIFY_THROWS_EXCEPTION(std::logic_error, streamed.finish());
    QVERIFY_THROWS_EXCEPTION(std::logic_error, streamed.setRoot("Again"));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, whole.finish());
}

void ReportTest::validationDoesNotDependOnHowTheTextIsCut() {
    QTemporaryDir dir;
    QFile::copy(SchemaSource, dir.filePath(SchemaFileName));
    platform::setCurrentFolder(dir.path());
    const QByteArray good = expectedSeptemberReport();
    const QByteArray noReference =
        QByteArray(good).replace("xsi:noNamespaceSchemaLocation", "xsi:other");
    struct Case {
        QByteArray text;
        QString expectedStart; // empty: valid
    };
    const QList<Case> cases = {
        {good, {}},
        {QByteArray(good).replace("<Month>9<", "<Month>13<"), ",Element 'Month'"},
        {QByteArray(good).replace("</Year>", "</Yr>"), ",Opening and ending tag"},
        {good.left(good.size() / 2), ",Premature end of data"},
        {noReference, ",Element 'TradingAccountsReport': no schema is named"},
        {QByteArray(good).replace(SchemaFileName, "missing.xsd"), dir.filePath("missing.xsd")},
        {"<?xml version=\"1.0\"?>\r\n<!-- only a comment -->\r\n", ","},
        {QByteArray(), ","},
    };
    for (const Case& test : cases) {
        const ValidationResult expected = validateAgainstReferencedSchema(test.text);
        QVERIFY2(expected.valid == test.expectedStart.isEmpty(), qPrintable(expected.errorText));
        QVERIFY2(expected.errorText.startsWith(test.expectedStart), qPrintable(expected.errorText));
        // Cut everywhere: inside the declaration, tags, names and two-byte letters.
        for (const qsizetype pieceSize : {1, 3, 7, 4096}) {
            ReportValidator validator;
            for (qsizetype at = 0; at < test.text.size(); at += pieceSize)
                validator.append(test.text.constData() + at,
                                 std::min(pieceSize, test.text.size() - at));
            const ValidationResult result = validator.finish();
            QCOMPARE(result.valid, expected.valid);
            QCOMPARE(result.errorText, expected.errorText);
        }
    }
}

void ReportTest::reportFailingOnTheWayLeavesTheEarlierFilesAlone() {
    ReportFixture fixture;
    MessageRecorder recorder;
    RecordingDisplay display;
    db::Query holdings;
    std::vector<qint64> counts;
    QVERIFY(fixture
                .run(september30(), display, holdings, true,
                     [&](qint64 rows) { counts.push_back(rows); })
                .valid);
    const QByteArray report = expectedSeptemberReport();
    QCOMPARE(counts,
             std::vector<qint64>{report.count("<CashBalance>") + report.count("<Security>")});
    const QStringList filesBefore = filesIn(fixture.folder);
    const QStringList reportsBefore = filesIn(fixture.reportFolder);
    recorder.messages.clear();

    // The run breaks off while the document is being written, after its last row.
    const auto breakOff = [](qint64) { throw platform::InOutError(QStringLiteral("broken off")); };
    QVERIFY_THROWS_EXCEPTION(platform::InOutError,
                             fixture.run(october31(), display, holdings, true, breakOff));
    QVERIFY(!holdings.active());
    QCOMPARE(readFile(fixture.folder + WorkingCopy), report);
    QCOMPARE(filesIn(fixture.folder), filesBefore);
    QCOMPARE(filesIn(fixture.reportFolder), reportsBefore);
    QVERIFY(recorder.messages.isEmpty());
    QVERIFY(!display.visible);
}

void ReportTest::holdingsAreReadInOnePassAndLeftClosed() {
    ReportFixture fixture;
    MessageRecorder recorder;
    RecordingDisplay display;
    db::Query holdings;
    QVERIFY(fixture.run(september30(), display, holdings).valid);
    QVERIFY(!holdings.active());
    QVERIFY(!holdings.unidirectional());
    QVERIFY(!holdings.controlsDisabled());

    // A failing statement leaves the query the same way.
    fixture.database.exec(QStringLiteral("DROP TABLE VPHST;"));
    QVERIFY_THROWS_EXCEPTION(platform::Exception, fixture.run(september30(), display, holdings));
    QVERIFY(!holdings.active());
    QVERIFY(!holdings.unidirectional());
    QVERIFY(!holdings.controlsDisabled());
    QCOMPARE(filesIn(fixture.reportFolder), QStringList{ExpectedName}); // the first run's
}

void ReportTest::schemaReferenceBecomesTheAgencyNamespaceInTheRootOnly() {
    const QByteArray text = withCrLf(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<R XSI:noNamespaceSchemaLocation=\"zevtradingaccountsreport_1_0.xsd\" xmlns:xsi=\"u\">\n"
        "  <N>xsi:noNamespaceSchemaLocation=\"ZEVTradingAccountsReport_1_0.xsd\"</N>\n</R>\n");
    QCOMPARE(withAgencyNamespace(text, AgencyHost),
             QByteArray(text).replace(
                 "XSI:noNamespaceSchemaLocation=\"zevtradingaccountsreport_1_0.xsd\"",
                 "xmlns=\"http://zev.example.si/Sheme/xsd/ZEVTradingAccountsReport_1_0.xsd\""));
}

void ReportTest::validationNamesTheFirstErrorAndItsDocument() {
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    const QByteArray good = expectedSeptemberReport();
    const QByteArray badMonth = QByteArray(good).replace("<Month>9<", "<Month>13<");
    MessageRecorder recorder;
    RecordingDisplay display;

    // No schema anywhere: the warning, then the missing schema is the error.
    QVERIFY(!ValidateXml(good, folder + WorkingCopy, folder, display).valid);
    QCOMPARE(recorder.messages.size(), 2);
    QCOMPARE(recorder.messages[0].kind, MessageKind::Warning);
    QCOMPARE(recorder.messages[0].text,
             QStringLiteral("Opozorilo, ne moremo napraviti validacije ker validacijska datoteka "
                            "ne obstaja ali je ne moremo prenesti na ciljno mapo \r(") +
                 folder + SchemaFileName + QStringLiteral(")."));
    QVERIFY2(display.shownText.startsWith(QDir::currentPath() + "/" + SchemaFileName + ","),
             qPrintable(display.shownText));

    // The schema comes from the executable's folder; errors in the report have no URL.
    QTemporaryDir executable;
    QFile::copy(SchemaSource, executable.filePath(SchemaFileName));
    writeFile(folder + WorkingCopy, badMonth);
    const ValidationResult invalid =
        ValidateXml(badMonth, folder + WorkingCopy, executable.path(), display);
    QVERIFY(!invalid.valid);
    QVERIFY(QFile::exists(folder + SchemaFileName));
    QVERIFY2(invalid.errorText.startsWith(",Element 'Month'") && invalid.errorText.contains("12"),
             qPrintable(invalid.errorText));
    QCOMPARE(recorder.messages.last().text, QStringLiteral("Napaka: ") + invalid.errorText);
    QCOMPARE(recorder.messages.last().kind, MessageKind::Error);
    QCOMPARE(QDir::currentPath() + "/", folder);
    QVERIFY(display.visible);

    const QByteArray broken = QByteArray(good).replace("</Year>", "</Yr>");
    QVERIFY(
        validateAgainstReferencedSchema(broken).errorText.startsWith(",Opening and ending tag"));
    QVERIFY(validateAgainstReferencedSchema(good).valid);
}

void ReportTest::debugLogAppendsLinesOnlyWhenOn() {
    QTemporaryDir dir;
    DebugLog(false, dir.path()).write(QStringLiteral("tiho"));
    QVERIFY(!QFile::exists(dir.filePath("Log.txt")));
    const DebugLog log(true, dir.path());
    log.write(QStringLiteral("prva"));
    log.write(QStringLiteral("druga č"));
    const QStringList lines = QString::fromUtf8(readFile(log.path())).split("\r\n");
    QCOMPARE(lines.size(), 3);
    QVERIFY(QRegularExpression("^\\d\\d\\.\\d\\d\\.\\d{4}( \\d\\d:\\d\\d:\\d\\d)? : druga č$")
                .match(lines[1])
                .hasMatch());
    QVERIFY_THROWS_EXCEPTION(platform::InOutError,
                             DebugLog(true, dir.filePath("Log.txt/sub")).write("x"));
}

void ReportTest::reportListsAccountsCashAndSecuritiesInOrder() {
    ReportFixture fixture;
    MessageRecorder recorder;
    RecordingDisplay display;
    display.visible = true;
    const ReportOutcome outcome = fixture.run(september30(), display);
    QVERIFY(outcome.valid && outcome.saved);
    QVERIFY(!display.visible);
    QCOMPARE(outcome.reportPath, fixture.reportFolder + ExpectedName);

    const QByteArray expected = expectedSeptemberReport();
    QCOMPARE(readFile(fixture.folder + WorkingCopy), expected);
    QCOMPARE(readFile(outcome.reportPath), withAgencyNamespace(expected, AgencyHost));
    QVERIFY(readFile(outcome.reportPath)
                .contains("<TradingAccountsReport xmlns=\"http://zev.example.si/Sheme/xsd/"
                          "ZEVTradingAccountsReport_1_0.xsd\" xmlns:xsi=\"http://www.w3.org/"
                          "2001/XMLSchema-instance\">\r\n"));
    QCOMPARE(filesIn(fixture.reportFolder), QStringList{ExpectedName});

    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(recorder.messages[0].text, QStringLiteral("Xml datoteka ") + outcome.reportPath +
                                            QStringLiteral(" uspešno generirana."));
    const QStringList log = fixture.logLines();
    QCOMPARE(log.size(), 3);
    QVERIFY(log[0].endsWith(" : Generiranje xml-ja!"));
    QVERIFY(log[1].endsWith(" : pre TXMLDocument.Create!"));
    QVERIFY(log[2].endsWith(" : XML FileName:" + outcome.reportPath));
}

void ReportTest::reportPathHasExactlyOneSeparator() {
    for (const bool trailing : {true, false}) {
        QTemporaryDir out;
        ReportFixture fixture(out.path() + (trailing ? "/" : ""));
        MessageRecorder recorder;
        RecordingDisplay display;
        const ReportOutcome outcome = fixture.run(september30(), display, false);
        QCOMPARE(outcome.reportPath, out.path() + "/" + ExpectedName);
        QVERIFY(QFile::exists(outcome.reportPath));
        QVERIFY(fixture.logLines().isEmpty());
    }
}

// A relative report folder is taken from the program's folder and made there; an
// absolute one that does not exist is not made, and nothing is delivered.
void ReportTest::relativeReportFolderLiesInTheProgramFolder() {
    for (const QString& relative : {QStringLiteral("izvoz/mesec"), QStringLiteral("izvoz/")}) {
        ReportFixture fixture(relative);
        MessageRecorder recorder;
        RecordingDisplay display;
        const ReportOutcome outcome = fixture.run(september30(), display, false);
        QCOMPARE(outcome.reportPath,
                 fixture.folder + platform::includeTrailingSeparator(relative) + ExpectedName);
        QVERIFY(outcome.saved && outcome.valid);
        QVERIFY(QFile::exists(outcome.reportPath));
    }
    QTemporaryDir out;
    const QString missing = out.path() + QStringLiteral("/missing/");
    ReportFixture fixture(missing);
    MessageRecorder recorder;
    RecordingDisplay display;
    const ReportOutcome outcome = fixture.run(september30(), display, false);
    QVERIFY(!outcome.saved);
    QVERIFY(!QDir(missing).exists());
    QVERIFY(
        recorder.messages.last().text.startsWith("Napaka pri shranjevanju datoteke: " + missing));
}

void ReportTest::invalidReportIsMovedAsideAndStillDelivered() {
    ReportFixture fixture;
    MessageRecorder recorder;
    RecordingDisplay display;
    const QString bad = fixture.folder + QStringLiteral("ZevXmlValidate.bad");
    writeFile(bad, "older");
    for (int run = 0; run < 2; ++run) {
        const ReportOutcome outcome = fixture.run(october31(), display);
        QVERIFY(!outcome.valid && outcome.saved);
        QVERIFY2(outcome.validationError.startsWith(",Element 'ISIN'"),
                 qPrintable(outcome.validationError));
        QVERIFY(display.visible);
        QCOMPARE(display.shownText, outcome.validationError);
        QVERIFY(!QFile::exists(fixture.folder + WorkingCopy));
        QVERIFY(readFile(bad).contains("<Month>10</Month>"));
        QVERIFY(QFile::exists(outcome.reportPath));
        QCOMPARE(recorder.messages.size(), 2 * (run + 1));
        QCOMPARE(recorder.messages[2 * run].text, "Napaka: " + outcome.validationError);
        QVERIFY(recorder.messages[2 * run + 1].text.startsWith("Xml datoteka "));
    }
    // A later valid run hides the display again and leaves the old ".bad" alone.
    QVERIFY(fixture.run(september30(), display).valid);
    QVERIFY(!display.visible);
    QVERIFY(readFile(bad).contains("<Month>10</Month>"));
    QVERIFY(QFile::exists(fixture.folder + WorkingCopy));
}

void ReportTest::missingSettingStopsBeforeAnyFile() {
    ReportFixture fixture;
    fixture.database.exec(
        QStringLiteral("DELETE FROM SERPROG WHERE PARAMETER = 'TrgovalniRacun';"));
    MessageRecorder recorder;
    RecordingDisplay display;
    try {
        fixture.run(september30(), display);
        QFAIL("no error");
    } catch (const platform::Exception& error) {
        QCOMPARE(error.message(),
                 QStringLiteral("Napaka nastavitev ne obstaja. (SPLOŠNE/TrgovalniRacun)"));
    }
    QCOMPARE(fixture.logLines().size(), 2);
    QVERIFY(!QFile::exists(fixture.folder + WorkingCopy));
    QVERIFY(filesIn(fixture.reportFolder).isEmpty());
    QVERIFY(recorder.messages.isEmpty());
}

void ReportTest::failedSaveLeavesNothingInTheReportFolder() {
    ReportFixture fixture;
    MessageRecorder recorder;
    RecordingDisplay display;
    // A folder in the report's place: the finished file cannot take its name.
    QDir(fixture.reportFolder).mkdir(ExpectedName);
    const ReportOutcome outcome = fixture.run(september30(), display);
    QVERIFY(outcome.valid && !outcome.saved);
    QCOMPARE(filesIn(fixture.reportFolder), QStringList{ExpectedName});
    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(recorder.messages[0].kind, MessageKind::Error);
    QVERIFY2(recorder.messages[0].text.startsWith(
                 "Napaka pri shranjevanju datoteke: " + outcome.reportPath + "\r\r") &&
                 recorder.messages[0].text.size() > outcome.reportPath.size() + 40,
             qPrintable(recorder.messages[0].text));
    QVERIFY(!QFile::exists(fixture.folder + QStringLiteral("ZevXmlLast.xml")));
}

void ReportTest::batchModeAnswersWithItsExitStatus() {
    ReportFixture fixture;
    const QStringList login = {fixture.database.alias(), "u", "p", "ana", "--report"};
    writeFile(fixture.folder + "ZEV.ini", "[Splošno]\r\nDebug=0\r\nAgencyHost=zev.example.si\r\n");
    QStringList lines;
    QCOMPARE(fixture.batch(login + QStringList{"2024-09-30"}, &lines), int(BatchReportValid));
    QCOMPARE(lines, QStringList{"out: Xml datoteka " + fixture.reportFolder + ExpectedName +
                                " uspešno generirana."});
    QCOMPARE(readFile(fixture.reportFolder + ExpectedName),
             withAgencyNamespace(expectedSeptemberReport(), AgencyHost));
    QVERIFY(fixture.logLines().isEmpty());

    writeFile(fixture.folder + "ZEV.ini", "[Splošno]\r\nDebug=1\r\n");
    lines.clear();
    QCOMPARE(fixture.batch(login + QStringList{"31.10.2024"}, &lines), int(BatchReportInvalid));
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].startsWith("err: Napaka: ,Element 'ISIN'"), qPrintable(lines[0]));
    QVERIFY(QFile::exists(fixture.folder + "ZevXmlValidate.bad"));
    QCOMPARE(fixture.logLines().size(), 3);

    fixture.database.exec(QStringLiteral("DELETE FROM SERPROG WHERE PARAMETER = 'XML_PATH';"));
    lines.clear();
    QCOMPARE(fixture.batch(login + QStringList{"30.09.2024"}, &lines), int(BatchFailed));
    QCOMPARE(lines, QStringList{"err: Napaka nastavitev ne obstaja. (SPLOŠNE/XML_PATH)"});
    QCOMPARE(fixture.logLines().size(), 5);
}

void ReportTest::batchModeRefusesWrongCommandLines() {
    QVERIFY(isBatchCommandLine({"A", "u", "p", "ana", "--report", "1.1.2024"}));
    QVERIFY(!isBatchCommandLine({"A", "u", "p", "ana"}));
    const QList<QStringList> wrong = {
        {"A", "u", "p", "--report", "30.09.2024"},
        {"A", "u", "p", "ana", "--report"},
        {"A", "u", "p", "ana", "30.09.2024", "--report"},
        {"A", "u", "p", "ana", "--report", "31.02.2024"},
        {"A", "u", "p", "ana", "--report", "2024-13-01"},
        {"A", "u", "p", "ana", "--report", "30.09.2024", "x"},
    };
    for (const QStringList& arguments : wrong) {
        QStringList lines;
        BatchEnvironment environment;
        environment.print = [&](MessageKind, const QString& line) { lines << line; };
        QCOMPARE(runBatch(arguments, environment), int(BatchWrongCommandLine));
        QVERIFY(lines.last().startsWith("usage: zev ALIAS USER PASSWORD APPUSER --report DATE"));
    }
}

void ReportTest::xmllintAcceptsTheDemoReport() {
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (xmllint.isEmpty())
        QSKIP("xmllint is not installed");
    ReportFixture fixture({}, true);
    QCOMPARE(fixture.batch({fixture.database.alias(), "u", "p", "ana", "--report", "30.09.2024"}),
             int(BatchReportValid));
    QProcess process;
    process.start(xmllint,
                  {"--noout", "--schema", QStringLiteral(ZEV_RUNTIME_DIR "/") + SchemaFileName,
                   fixture.folder + WorkingCopy});
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitCode(), 0);
    // A budget user without a first name (null, not empty) is reported by its name.
    QVERIFY(
        readFile(fixture.folder + WorkingCopy).contains("<OwnerName>Občina Lipnica</OwnerName>"));
}

namespace {

// Where no small filesystem can be mounted, the process's file size limit makes the
// same writes fail, with "File too large" instead of "No space left on device".
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &saved_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
};

// The SQL of the test's engine for the character with the given code.
QString characterCall(int code) {
    return (TestDatabase::onServer() ? QStringLiteral("chr(%1)") : QStringLiteral("char(%1)"))
        .arg(code);
}

QString reasonOf(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

void ReportTest::fullReportFolderDeliversNothing() {
    SmallFilesystem disk(256 * 1024);
    ReportFixture fixture(disk.mounted() ? disk.folder() : QString());
    const QString reportFolder = disk.mounted() ? disk.folder() : fixture.reportFolder;
    writeFile(fixture.folder + "ZEV.ini", "[Splošno]\r\nDebug=0\r\n");
    QStringList lines;
    int status = 0;
    if (disk.mounted()) {
        disk.fill();
        status = fixture.batch(fixture.login() << "30.09.2024", &lines);
    } else {
        // The working copy just fits; the delivered file, with its longer root, does not.
        const qint64 workingCopySize = expectedSeptemberReport().size();
        const FileSizeLimit limit(rlim_t(workingCopySize + 1));
        status = fixture.batch(fixture.login() << "30.09.2024", &lines);
    }
    QCOMPARE(status, int(BatchFailed));
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].startsWith("err: Napaka pri shranjevanju datoteke: " + reportFolder +
                                 ExpectedName + " ") &&
                 lines[0].endsWith(reasonOf(disk.mounted() ? ENOSPC : EFBIG)),
             qPrintable(lines[0]));
    const QStringList left = disk.mounted() ? QStringList{"filler"} : QStringList{};
    QCOMPARE(filesIn(reportFolder), left);
    // What was checked is still there to look at.
    QCOMPARE(readFile(fixture.folder + WorkingCopy), expectedSeptemberReport());
}

void ReportTest::fullProgramFolderKeepsTheEarlierWorkingCopy() {
    SmallFilesystem disk(256 * 1024);
    ReportFixture fixture;
    QTemporaryDir elsewhere;
    const QString programFolder = disk.mounted() ? disk.folder() : elsewhere.path() + "/";
    fixture.makeProgramFolder(programFolder);
    QCOMPARE(fixture.batch(fixture.login() << "30.09.2024", nullptr, programFolder),
             int(BatchReportValid));
    const QByteArray earlier = readFile(programFolder + WorkingCopy);
    QCOMPARE(earlier, expectedSeptemberReport());
    const QStringList programFiles = filesIn(programFolder);
    QDir(fixture.reportFolder).removeRecursively();
    QDir().mkpath(fixture.reportFolder);

    QStringList lines;
    int status = 0;
    if (disk.mounted()) {
        disk.fill();
        status = fixture.batch(fixture.login() << "31.10.2024", &lines, programFolder);
    } else {
        const FileSizeLimit limit(100);
        status = fixture.batch(fixture.login() << "31.10.2024", &lines, programFolder);
    }
    QCOMPARE(status, int(BatchFailed));
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].startsWith("err: Napaka pri shranjevanju datoteke: " + programFolder +
                                 WorkingCopy + " ") &&
                 lines[0].endsWith(reasonOf(disk.mounted() ? ENOSPC : EFBIG)),
             qPrintable(lines[0]));
    QCOMPARE(readFile(programFolder + WorkingCopy), earlier);
    QStringList expectedFiles = programFiles;
    if (disk.mounted())
        expectedFiles = (expectedFiles << "filler");
    expectedFiles.sort();
    QStringList files = filesIn(programFolder);
    files.sort();
    QCOMPARE(files, expectedFiles);
    QVERIFY(filesIn(fixture.reportFolder).isEmpty());
}

void ReportTest::settingsThatWouldBreakTheFileAreRefused() {
    ReportFixture fixture;
    // Where "../../escape" would lead from the report folder.
    const QDir outside(QDir::cleanPath(fixture.reportFolder + "../.."));
    struct Case {
        QByteArray ini;
        const char* parameter;
        QString value;
        QString named;
    };
    const QList<Case> cases = {
        {"AgencyHost=a\"><x y=\"&", nullptr, {}, "AgencyHost v datoteki ZEV.ini"},
        {"AgencyHost=zev.example.si/x", nullptr, {}, "AgencyHost v datoteki ZEV.ini"},
        {{}, "PartnerId", "../../escape", "SPLOŠNE/PartnerId"},
        {{}, "PartnerId", "a/b", "SPLOŠNE/PartnerId"},
        {{}, "TrgovalniRacun", QStringLiteral("45\\6"), "SPLOŠNE/TrgovalniRacun"},
        {{}, "TrgovalniRacun", "4:5*6", "SPLOŠNE/TrgovalniRacun"},
        {{}, "TrgovalniRacun", QStringLiteral("45") + QChar(u'\x01'), "SPLOŠNE/TrgovalniRacun"},
    };
    for (const Case& test : cases) {
        writeFile(fixture.folder + "ZEV.ini", "[Splošno]\r\n" + test.ini + "\r\n");
        if (test.parameter) {
            fixture.database.exec(
                QStringLiteral("UPDATE SERPROG SET VREDNOST = '%1' WHERE PARAMETER = '%2';")
                    .arg(QString(test.value)
                             .replace(QChar(u'\x01'), "' || " + characterCall(1) + " || '"),
                         QLatin1String(test.parameter)));
        }
        QStringList lines;
        QCOMPARE(fixture.batch(fixture.login() << "30.09.2024", &lines), int(BatchFailed));
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].startsWith("err: Napačna nastavitev " + test.named),
                 qPrintable(lines[0]));
        QVERIFY(!QFile::exists(fixture.folder + WorkingCopy));
        QVERIFY(filesIn(fixture.reportFolder).isEmpty());
        QVERIFY(outside.entryList({"escape*"}).isEmpty());
        fixture.database.exec(QStringLiteral("UPDATE SERPROG SET VREDNOST = '123' WHERE "
                                             "PARAMETER = 'PartnerId';"
                                             "UPDATE SERPROG SET VREDNOST = '456' WHERE "
                                             "PARAMETER = 'TrgovalniRacun';"));
    }
    // A host with a port is a plain host name.
    writeFile(fixture.folder + "ZEV.ini", "[Splošno]\r\nAgencyHost=zev-1.example.si:8080\r\n");
    QCOMPARE(fixture.batch(fixture.login() << "30.09.2024"), int(BatchReportValid));
    QVERIFY(readFile(fixture.reportFolder + ExpectedName)
                .contains("xmlns=\"http://zev-1.example.si:8080/Sheme/xsd/"));
}

void ReportTest::forbiddenCharactersNeverReachTheFileRaw() {
    // In the document itself: controls but TAB, LF and CR, U+FFFE, U+FFFF and lone
    // surrogates; the first one of each text is reported with its element.
    QList<std::pair<QString, char32_t>> reported;
    ReportDocument document;
    document.onReplacedCharacter([&](const char* element, char32_t c) {
        reported.append({element, c});
    });
    const ReportDocument::Element root = document.setRoot("R");
    document.addElement(root, "A", QStringLiteral("x\x01y\x0Bz\tw"));
    document.addElement(root, "B", QString(QChar(0xFFFF)) + QChar(0xD800) + "q" + QChar(0xDC00));
    document.addElement(root, "C", QStringLiteral("😀 ok"));
    const QByteArray text = document.text();
    QVERIFY(text.contains("<A>x\xEF\xBF\xBDy\xEF\xBF\xBDz\tw</A>"));
    QVERIFY(text.contains("<B>\xEF\xBF\xBD\xEF\xBF\xBDq\xEF\xBF\xBD</B>"));
    QVERIFY(text.contains(QStringLiteral("<C>😀 ok</C>").toUtf8()));
    QCOMPARE(reported, (QList<std::pair<QString, char32_t>>{{"A", 0x01}, {"B", 0xFFFF}}));

    // Through the batch mode: the report is invalid, and every file is well-formed.
    ReportFixture fixture;
    writeFile(fixture.folder + "ZEV.ini", "[Splošno]\r\nDebug=0\r\n");
    fixture.database.exec("UPDATE OSB SET NZV = 'Nov' || " + characterCall(1) + " || 'a' || " +
                          characterCall(11) + " || 'k' WHERE SFOSB = 10;");
    QStringList lines;
    QCOMPARE(fixture.batch(fixture.login() << "30.09.2024", &lines), int(BatchReportInvalid));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], QStringLiteral("err: Napaka: ,Element 'OwnerName': the character U+0001 is "
                                      "not allowed in XML; the report holds U+FFFD in its place."));
    const QString bad = fixture.folder + "ZevXmlValidate.bad";
    for (const QString& path : {bad, fixture.reportFolder + ExpectedName}) {
        const QByteArray written = readFile(path);
        QVERIFY(written.contains("<OwnerName>Ana Nov\xEF\xBF\xBD"
                                 "a\xEF\xBF\xBD"
                                 "k</OwnerName>"));
        xmlDocPtr parsed = xmlReadMemory(written.constData(), int(written.size()), nullptr, nullptr,
                                         XML_PARSE_NONET | XML_PARSE_NOERROR);
        QVERIFY2(parsed, qPrintable(path));
        xmlFreeDoc(parsed);
    }
}

void ReportTest::readOnlyDatabaseFolderStillGivesTheReport() {
    if (TestDatabase::onServer())
        QSKIP("the embedded engine's files only");
    SmallFilesystem disk(4 * 1024 * 1024);
    if (!disk.mounted())
        QSKIP("no filesystem of its own can be mounted here (needs root)");
    ReportFixture fixture;
    writeFile(fixture.folder + "ZEV.ini", "[Splošno]\r\nDebug=0\r\n");
    fixture.database.exec(QStringLiteral("PRAGMA journal_mode=DELETE;"));
    const QString database = disk.folder() + "test.db";
    for (const char* mode : {"DELETE", "WAL"}) {
        QFile::remove(database);
        QVERIFY(QFile::copy(fixture.folder + "test.db", database));
        {
            sqlite3* handle = nullptr;
            QCOMPARE(sqlite3_open(database.toUtf8().constData(), &handle), SQLITE_OK);
            sqlite3_exec(handle, QByteArray("PRAGMA journal_mode=").append(mode).constData(),
                         nullptr, nullptr, nullptr);
            sqlite3_close(handle);
        }
        QVERIFY(!QFile::exists(database + "-wal") && !QFile::exists(database + "-shm"));
        writeFile(fixture.folder + "dbalias.ini",
                  fixture.database.aliasSection(fixture.database.alias())
                      .replace("DATABASE=test.db", "DATABASE=" + database)
                      .toUtf8());
        disk.makeReadOnly();
        const QByteArray before = readFile(database);
        QCOMPARE(fixture.batch(fixture.login() << "30.09.2024"), int(BatchReportValid));
        QCOMPARE(readFile(database), before);
        QCOMPARE(filesIn(disk.folder()), QStringList{"test.db"});
        QVERIFY(::mount(nullptr, disk.folder().toUtf8().constData(), nullptr, MS_REMOUNT,
                        nullptr) == 0);
    }
}

void ReportTest::onlyTheCheckedBytesAreDelivered() {
    ReportFixture fixture;
    RecordingDisplay display;
    const QString bad = fixture.folder + QStringLiteral("ZevXmlValidate.bad");
    // The checked text is cut short between the check and the delivery: while the
    // operator reads the validation error, another program truncates the ".bad" copy.
    QList<Message> messages;
    const platform::ScopedMessageSink sink([&](MessageKind kind, const QString& text) {
        messages.append({kind, text});
        if (text.startsWith(QStringLiteral("Napaka: ")))
            QFile(bad).resize(100);
        return platform::MessageResult::Ok;
    });
    const ReportOutcome outcome = fixture.run(october31(), display);
    QVERIFY(!outcome.valid && !outcome.saved);
    QCOMPARE(messages.size(), 2);
    QCOMPARE(messages[1].kind, MessageKind::Error);
    QVERIFY2(messages[1].text.startsWith("Napaka pri shranjevanju datoteke: " + outcome.reportPath +
                                         "\r\rDatoteka " + bad +
                                         " ni enaka preverjenemu poročilu (prebranih 100 bajtov"),
             qPrintable(messages[1].text));
    QVERIFY(filesIn(fixture.reportFolder).isEmpty());
}

QTEST_MAIN(ReportTest)
#include "tst_report.moc"
