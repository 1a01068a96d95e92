#include "../support/FormParts.h"
#include "../support/TestDatabase.h"

#include "app/uZEV.h"
#include "controls/DbGrid.h"
#include "controls/Uddbtn.h"
#include "db/uDMLB.h"
#include "entry/PopupInstance.h"
#include "entry/Ukoledar.h"
#include "entry/Uptypeed.h"
#include "platform/Application.h"
#include "platform/Components.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

struct Message {
    platform::MessageKind kind;
    QString text;
};

// The demo content in a throwaway database, and a program folder with "ZEV.ini",
// the schema and a report folder.
class DemoProgram {
public:
    DemoProgram() : database(QStringLiteral("DEMO")) {
        database.loadDemoContent();
        QDir(program.path()).mkdir(QStringLiteral("porocila"));
        database.exec(
            QStringLiteral("UPDATE SERPROG SET VREDNOST = '%1' WHERE PARAMETER = 'XML_PATH'"
                           " AND MODUL = 'ZEV';")
                .arg(reportFolder()));
        QFile::copy(QStringLiteral(ZEV_SOURCE_DIR "/data/ZEVTradingAccountsReport_1_0.xsd"),
                    folder() + QStringLiteral("ZEVTradingAccountsReport_1_0.xsd"));
        writeIni("[Splošno]\nTip=ORACLE\nDebug=0\n");
    }
    QString folder() const { return program.path() + QLatin1Char('/'); }
    QString reportFolder() const { return folder() + QStringLiteral("porocila/"); }
    void writeIni(const QByteArray& content) const {
        QFile ini(folder() + QStringLiteral("ZEV.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(content);
    }
    QStringList arguments(const QString& user) const {
        return {QStringLiteral("DEMO"), QStringLiteral("demo"), QStringLiteral("demo"), user};
    }

    TestDatabase database;
    QTemporaryDir program;
};

template <typename T> T* part(const QObject& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("No component %s", name);
    return found;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void refusesAStartWithoutArguments();
    void missingIniFileIsReportedAndStartContinues();
    void settingsAreEnabledOnlyForHoldersOfRight230();
    void ctrlXEndsTheProgramEvenInATextField();
    void naborListsTheBudgetUsersHoldings();
    void dateFieldOpensTheCalendarForNabor();
    void unreadableDateReachesTheErrorDisplay();
    void reportLogsItsStartBeforeReadingTheDate();
    void reportShowsAndClearsValidationErrors();
    void componentsInCreationOrderWithTheirKinds();
    void aRunShowsTheWaitCursorAndDiscardsInput();
    void failedRunsRestoreTheCursorAndTheControls();
    void aCloseAskedForDuringARunHappensAfterIt();
    void aModalBoxDuringARunTakesInputUnderTheArrow();
    void theWindowRepaintsWhileASlowStatementRuns();

private:
    std::unique_ptr<platform::ScopedMessageSink> sink_;
    std::vector<Message> messages_;
};

void MainWindowTest::init() {
    messages_.clear();
    sink_ = std::make_unique<platform::ScopedMessageSink>(
        [this](platform::MessageKind kind, const QString& text) {
            messages_.push_back({kind, text});
            return platform::MessageResult::Ok;
        });
}

void MainWindowTest::cleanup() {
    sink_.reset();
}

void MainWindowTest::refusesAStartWithoutArguments() {
    DemoProgram demo;
    TDMLB dmlb({}, nullptr, demo.database.folder());
    TfZEV window(dmlb, {}, nullptr, demo.folder());
    QVERIFY(window.terminateRequested());
    QCOMPARE(messages_.size(), size_t(1));
    QCOMPARE(messages_[0].text, QStringLiteral("Napačen zagon! ZEV poročanje morate zagnati iz "
                                               "QOR-ja (Meni:Obdelave\\ZEV Poročanje)!"));
    // This test program carries no version resource: the caption is the bare prefix.
    QCOMPARE(window.windowTitle(), QStringLiteral("ZEV v"));
}

void MainWindowTest::missingIniFileIsReportedAndStartContinues() {
    DemoProgram demo;
    QFile::remove(demo.folder() + QStringLiteral("ZEV.ini"));
    TDMLB dmlb(demo.arguments(QStringLiteral("ana")), nullptr, demo.database.folder());
    TfZEV window(dmlb, dmlb.DbAlias.isEmpty() ? QStringList() : demo.arguments("ana"), nullptr,
                 demo.folder());
    QVERIFY(!window.terminateRequested());
    QCOMPARE(messages_.size(), size_t(1));
    QCOMPARE(messages_[0].text, QStringLiteral("Manjka .ini datoteka!"));
    QVERIFY(!window.debugOn());
    QVERIFY(window.dbType().isEmpty());
}

void MainWindowTest::settingsAreEnabledOnlyForHoldersOfRight230() {
    DemoProgram demo;
    const std::pair<const char*, bool> operators[] = {
        {"ana", true}, {"bojan", true}, {"cene", false}};
    for (const auto& [user, enabled] : operators) {
        TDMLB dmlb(demo.arguments(QString::fromLatin1(user)), nullptr, demo.database.folder());
        TfZEV window(dmlb, demo.arguments(QString::fromLatin1(user)), nullptr, demo.folder());
        window.show();
        QCOMPARE(part<QAction>(window, "Nastavitve1")->isEnabled(), enabled);
        QVERIFY(part<QAction>(window, "GenerirajXmlzev1")->isEnabled());
        QVERIFY(part<QAction>(window, "Izhod1")->isEnabled());
        QVERIFY(part<QPushButton>(window, "bbNabor")->isEnabled());
        QCOMPARE(part<QLabel>(window, "SbPanel1")->text(), QString::fromLatin1(user));
        QCOMPARE(part<QLabel>(window, "SbPanel1")->width(), 100);
        QCOMPARE(window.size(), QSize(702, 448));
    }
    QVERIFY(messages_.empty());
}

void MainWindowTest::ctrlXEndsTheProgramEvenInATextField() {
    DemoProgram demo;
    TDMLB dmlb(demo.arguments(QStringLiteral("ana")), nullptr, demo.database.folder());
    TfZEV window(dmlb, demo.arguments(QStringLiteral("ana")), nullptr, demo.folder());
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* date = part<entry::TPTypedEdit>(window, "pteDan");
    date->setFocus();
    date->selectAll();
    QTest::keyClick(date, Qt::Key_X, Qt::ControlModifier);
    QVERIFY(!window.isVisible());
}

namespace {

// Chooses 30 September 2024 in the calendar that opens next, then confirms (or cancels).
void chooseInNextCalendar(bool confirm, QWidget** seen) {
    QTimer::singleShot(50, [=] {
        auto* calendar = qobject_cast<entry::Tkoledar*>(QApplication::activeModalWidget());
        *seen = calendar;
        if (!calendar)
            return;
        formPart<QListWidget>(*calendar, "leto")->setCurrentRow(2024 - entry::FirstYear);
        formPart<QListWidget>(*calendar, "mesec")->setCurrentRow(8);
        QTest::mouseClick(
            formPart<entry::TCalendarGrid>(*calendar, "koledar"), Qt::LeftButton, {},
            formPart<entry::TCalendarGrid>(*calendar, "koledar")->DayCellRect(30).center());
        if (confirm)
            calendar->accept();
        else
            calendar->reject();
    });
}

} // namespace

void MainWindowTest::dateFieldOpensTheCalendarForNabor() {
    controls::StdButtonsScope pool;
    DemoProgram demo;
    TDMLB dmlb(demo.arguments(QStringLiteral("ana")), nullptr, demo.database.folder());
    TfZEV window(dmlb, demo.arguments(QStringLiteral("ana")), nullptr, demo.folder());
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* date = part<entry::TPTypedEdit>(window, "pteDan");
    date->setFocus();
    // Its two side buttons sit right of it, clear of the buttons of the panel.
    QToolButton* tool = controls::StdButton(2);
    QToolButton* clear = controls::StdButton(1);
    QCOMPARE(tool->parentWidget(), date->parentWidget());
    QCOMPARE(tool->geometry().left(), date->geometry().right() + 1);
    QCOMPARE(clear->geometry().left(), tool->geometry().right() + 1);
    QVERIFY(clear->geometry().right() < part<QPushButton>(window, "bbNabor")->geometry().left());
    QWidget* seen = nullptr;
    chooseInNextCalendar(true, &seen);
    QTest::mouseClick(tool, Qt::LeftButton);
    QVERIFY(seen);
    QCOMPARE(date->text(), QStringLiteral("30.09.2024"));
    QTest::mouseClick(part<QPushButton>(window, "bbNabor"), Qt::LeftButton);
    QVERIFY(window.holdings().active());
    QCOMPARE(window.holdings().paramByName(QStringLiteral("dan")).asDateTime(),
             platform::encodeDate(2024, 9, 30));
    // A double click and Enter on the untouched field open it too; Cancel changes nothing.
    date->SetDateValue(platform::encodeDate(2023, 1, 2));
    seen = nullptr;
    chooseInNextCalendar(false, &seen);
    QTest::mouseDClick(date, Qt::LeftButton);
    QVERIFY(seen);
    date->setFocus();
    seen = nullptr;
    chooseInNextCalendar(false, &seen);
    QTest::keyClick(date, Qt::Key_Return);
    QVERIFY(seen);
    QCOMPARE(date->GetDateTimeValue(), platform::encodeDate(2023, 1, 2));
    entry::ReleasePopupForms();
}

void MainWindowTest::naborListsTheBudgetUsersHoldings() {
    DemoProgram demo;
    TDMLB dmlb(demo.arguments(QStringLiteral("ana")), nullptr, demo.database.folder());
    TfZEV window(dmlb, demo.arguments(QStringLiteral("ana")), nullptr, demo.folder());
    window.show();
    auto* date = part<entry::TPTypedEdit>(window, "pteDan");
    date->SetDateValue(platform::encodeDate(2024, 9, 30));
    QTest::mouseClick(part<QPushButton>(window, "bbNabor"), Qt::LeftButton);
    QVERIFY(window.holdings().active());

    const QAbstractItemModel* grid = part<controls::DbGrid>(window, "grdStanja")->model();
    QStringList titles;
    for (int column = 0; column < grid->columnCount(); ++column)
        titles << grid->headerData(column, Qt::Horizontal).toString();
    QCOMPARE(titles, QStringList({"Lastnik", "Davčna št.", "Kat.", "Isin", "Valuta", "Količina",
                                  "Vrednost", "Papir", "Mic", "Naslov", "Mesto", "accountno"}));
    while (grid->canFetchMore({}))
        const_cast<QAbstractItemModel*>(grid)->fetchMore({});
    QCOMPARE(grid->rowCount(), 18);

    QMap<QString, QStringList> categoriesByAccount;
    QMap<QString, QString> micByIsin;
    for (int row = 0; row < grid->rowCount(); ++row) {
        auto cell = [&](int column) { return grid->index(row, column).data().toString(); };
        categoriesByAccount[cell(11)] << cell(2);
        micByIsin[cell(3)] = cell(8);
    }
    QCOMPARE(categoriesByAccount.value("100234"), QStringList({"Cash", "Cash", "Debt", "Equity"}));
    QCOMPARE(categoriesByAccount.value("101026"), QStringList({"Cash"}));
    QVERIFY(!categoriesByAccount.contains("102113"));                  // not a budget user
    QVERIFY(!categoriesByAccount.contains("102456"));                  // no mark at all
    QCOMPARE(micByIsin.value("DE0007164600"), QStringLiteral("XETR")); // custody before quotation
    QCOMPARE(micByIsin.value("SI0002104196"), QStringLiteral("XLJU")); // quotation only
    QCOMPARE(micByIsin.value("SI0032600015"), QString());              // neither
}

void MainWindowTest::unreadableDateReachesTheErrorDisplay() {
    DemoProgram demo;
    TDMLB dmlb(demo.arguments(QStringLiteral("ana")), nullptr, demo.database.folder());
    TfZEV window(dmlb, demo.arguments(QStringLiteral("ana")), nullptr, demo.folder());
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* date = part<entry::TPTypedEdit>(window, "pteDan");
    date->setFocus();
    date->setCursorPosition(0);
    QTest::keyClicks(date, QStringLiteral("31022024"));
    QTest::keyClick(date, Qt::Key_Return);
    QCOMPARE(messages_.size(), size_t(1));
    QVERIFY(date->Touched());
    // Leaving the field checks the text again; the selection cannot read the date.
    QTest::mouseClick(part<QPushButton>(window, "bbNabor"), Qt::LeftButton);
    QVERIFY(messages_.size() >= 2);
    for (const Message& message : messages_)
        QCOMPARE(message.kind, platform::MessageKind::Error);
    QVERIFY(!window.holdings().active());
    QVERIFY(window.isVisible());
}

// The report reads the date field after its first log lines, the settings and the
// reporting company; an unreadable date ends it there, before any file.
void MainWindowTest::reportLogsItsStartBeforeReadingTheDate() {
    DemoProgram demo;
    demo.writeIni("[Splošno]\nDebug=1\n");
    TDMLB dmlb(demo.arguments(QStringLiteral("ana")), nullptr, demo.database.folder());
    dmlb.setModuleNameOverride(QStringLiteral("ZEV"));
    TfZEV window(dmlb, demo.arguments(QStringLiteral("ana")), nullptr, demo.folder());
    auto* date = part<entry::TPTypedEdit>(window, "pteDan");
    QVERIFY_THROWS_EXCEPTION(std::exception, date->SetTextValue(QStringLiteral("31.02.2024")));

    QVERIFY_THROWS_EXCEPTION(std::exception, window.bbGenXMLClick());
    QFile log(demo.folder() + QStringLiteral("Log.txt"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(log.readAll()).split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].endsWith(QStringLiteral(" : Generiranje xml-ja!")));
    QVERIFY(lines[1].endsWith(QStringLiteral(" : pre TXMLDocument.Create!")));
    QVERIFY(!QFile::exists(demo.folder() + QStringLiteral("ZevXmlValidate.xml")));
}

void MainWindowTest::reportShowsAndClearsValidationErrors() {
    DemoProgram demo;
    TDMLB dmlb(demo.arguments(QStringLiteral("ana")), nullptr, demo.database.folder());
    dmlb.setModuleNameOverride(QStringLiteral("ZEV"));
    TfZEV window(dmlb, demo.arguments(QStringLiteral("ana")), nullptr, demo.folder());
    window.show();
    part<entry::TPTypedEdit>(window, "pteDan")->SetDateValue(platform::encodeDate(2024, 9, 30));
    auto* pages = part<QTabWidget>(window, "pcMain");
    auto* errorPage = part<QWidget>(window, "tsError");
    auto* errorText = part<QPlainTextEdit>(window, "mError");

    demo.database.exec(QStringLiteral("UPDATE OSB SET DVS = '' WHERE SFOSB = 2;"));
    QTest::mouseClick(part<QPushButton>(window, "bbGenXML"), Qt::LeftButton);
    QVERIFY(pages->isTabVisible(pages->indexOf(errorPage)));
    QCOMPARE(pages->currentWidget(), errorPage);
    QVERIFY(errorText->toPlainText().startsWith(QLatin1Char(',')));
    QVERIFY(QFile::exists(demo.folder() + QStringLiteral("ZevXmlValidate.bad")));
    QCOMPARE(messages_.front().text, QStringLiteral("Napaka: ") + errorText->toPlainText());
    QVERIFY(messages_.back().text.endsWith(QStringLiteral(" uspešno generirana.")));

    demo.database.exec(QStringLiteral("UPDATE OSB SET DVS = '56831404' WHERE SFOSB = 2;"));
    QTest::mouseClick(part<QPushButton>(window, "bbGenXML"), Qt::LeftButton);
    QVERIFY(!pages->isTabVisible(pages->indexOf(errorPage)));
    QVERIFY(!window.holdings().active());
    // Two runs in one second share the report's name: the second replaces the first.
    QVERIFY(!QDir(demo.reportFolder()).entryList(QDir::Files).isEmpty());
}

void MainWindowTest::componentsInCreationOrderWithTheirKinds() {
    DemoProgram demo;
    TDMLB dmlb(demo.arguments(QStringLiteral("ana")), nullptr, demo.database.folder());
    TfZEV window(dmlb, demo.arguments(QStringLiteral("ana")), nullptr, demo.folder());
    QStringList names;
    for (const QObject* component : platform::componentsOf(&window))
        names.append(component->objectName());
    QCOMPARE(names,
             QStringList({"qStanja",          "dsStanja",  "va",          "pcMain", "MainMenu1",
                          "GenerirajXmlzev1", "N1",        "Nastavitve1", "N2",     "Izhod1",
                          "tsNabor",          "pnlTop",    "lDatum",      "pteDan", "bbNabor",
                          "bbGenXML",         "grdStanja", "tsError",     "mError", "Sb",
                          "SbPanel1",         "SbPanel2",  "SbPanel3"}));
    using platform::ComponentKind;
    const std::pair<const char*, ComponentKind> kinds[] = {
        {"pcMain", ComponentKind::PageControl}, {"tsNabor", ComponentKind::TabSheet},
        {"pnlTop", ComponentKind::Panel},       {"lDatum", ComponentKind::Label},
        {"bbNabor", ComponentKind::BitBtn},     {"grdStanja", ComponentKind::DbGrid},
        {"Izhod1", ComponentKind::MenuItem},    {"mError", ComponentKind::Memo},
        {"pteDan", ComponentKind::Edit}};
    for (const auto& [name, kind] : kinds)
        QVERIFY2(platform::kindOf(platform::findComponent(&window, QString::fromLatin1(name))) ==
                     kind,
                 name);
    QCOMPARE(platform::captionOf(platform::findComponent(&window, QStringLiteral("tsNabor"))),
             "Nabor");
    QCOMPARE(platform::hintOf(platform::findComponent(&window, QStringLiteral("bbGenXML"))),
             "Generiranje in pošiljanje poročila");
}

namespace {

// What a callback saw of the window while a run worked.
struct RunState {
    bool seen = false;
    bool running = false;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    QString status;
    bool anyControlEnabled = true;
};

Qt::CursorShape currentOverrideCursor() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor ? cursor->shape() : Qt::ArrowCursor;
}

RunState stateOf(const TfZEV& window) {
    RunState state;
    state.seen = true;
    state.running = window.running();
    state.cursor = currentOverrideCursor();
    state.status = part<QLabel>(window, "SbPanel3")->text();
    state.anyControlEnabled = part<QPushButton>(window, "bbNabor")->isEnabled() ||
                              part<QPushButton>(window, "bbGenXML")->isEnabled() ||
                              part<QAction>(window, "GenerirajXmlzev1")->isEnabled() ||
                              part<QAction>(window, "Nastavitve1")->isEnabled() ||
                              part<QAction>(window, "Izhod1")->isEnabled();
    return state;
}

// The holdings statement takes a while on SQLite: its price function counts first.
void slowPriceFunction(const TestDatabase& database) {
    database.exec(QStringLiteral(
        "UPDATE DB_FUNCTIONS SET BODY = 'SELECT (WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL "
        "SELECT x + 1 FROM c WHERE x < 300000) SELECT count(*) FROM c) * 0 + 1.5' "
        "WHERE NAME = 'qor_gettcn';"));
}

} // namespace

// The window repaints once as the run starts (a zero timer fires then). What the operator
// types or clicks meanwhile reaches nothing, neither now nor after the run, and a second
// run asked for directly does not start.
void MainWindowTest::aRunShowsTheWaitCursorAndDiscardsInput() {
    DemoProgram demo;
    TDMLB dmlb(demo.arguments(QStringLiteral("ana")), nullptr, demo.database.folder());
    dmlb.setModuleNameOverride(QStringLiteral("ZEV"));
    TfZEV window(dmlb, demo.arguments(QStringLiteral("ana")), nullptr, demo.folder());
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* date = part<entry::TPTypedEdit>(window, "pteDan");
    date->SetDateValue(platform::encodeDate(2024, 9, 30));
    auto* nabor = part<QPushButton>(window, "bbNabor");
    nabor->setFocus();

    RunState during;
    QTimer::singleShot(0, &window, [&] {
        during = stateOf(window);
        date->setCursorPosition(0);
        QTest::keyClicks(date, QStringLiteral("01"));
        QTest::mouseClick(date, Qt::LeftButton);
        QTest::keyClick(&window, Qt::Key_X, Qt::ControlModifier);
        window.bbGenXMLClick();
    });
    QTest::mouseClick(nabor, Qt::LeftButton);
    QVERIFY(during.seen);
    QVERIFY(during.running);
    QCOMPARE(during.cursor, Qt::WaitCursor);
    QCOMPARE(during.status, QStringLiteral("Berem podatke ..."));
    QVERIFY(!during.anyControlEnabled);

    QCoreApplication::processEvents();
    QVERIFY(messages_.empty()); // no report ran
    QCOMPARE(date->text(), QStringLiteral("30.09.2024"));
    QVERIFY(window.isVisible());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    const RunState after = stateOf(window);
    QVERIFY(!after.running);
    QVERIFY(nabor->isEnabled() && part<QAction>(window, "Nastavitve1")->isEnabled());
    QCOMPARE(QApplication::focusWidget(), nabor);
    QCOMPARE(after.status, QStringLiteral("Prebranih vrstic: 18")); // the grid read them all

    // The report counts what it writes; afterwards the grid is empty and the count stays.
    QTest::mouseClick(part<QPushButton>(window, "bbGenXML"), Qt::LeftButton);
    QVERIFY(messages_.back().text.endsWith(QStringLiteral(" uspešno generirana.")));
    QCoreApplication::processEvents();
    QVERIFY(!window.holdings().active());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(part<QLabel>(window, "SbPanel3")->text(), QStringLiteral("Zapisanih vrstic: 18"));
}

// A user without right "230" keeps "Nastavitve" disabled after a run, also a failed one.
void MainWindowTest::failedRunsRestoreTheCursorAndTheControls() {
    DemoProgram demo;
    TDMLB dmlb(demo.arguments(QStringLiteral("cene")), nullptr, demo.database.folder());
    dmlb.setModuleNameOverride(QStringLiteral("ZEV"));
    TfZEV window(dmlb, demo.arguments(QStringLiteral("cene")), nullptr, demo.folder());
    window.show();
    part<entry::TPTypedEdit>(window, "pteDan")->SetDateValue(platform::encodeDate(2024, 9, 30));
    demo.database.exec(QStringLiteral("DROP TABLE VPHST;"));
    const auto restored = [&] {
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QVERIFY(!window.running());
        QVERIFY(part<QPushButton>(window, "bbNabor")->isEnabled());
        QVERIFY(part<QPushButton>(window, "bbGenXML")->isEnabled());
        QVERIFY(part<QAction>(window, "Izhod1")->isEnabled());
        QVERIFY(!part<QAction>(window, "Nastavitve1")->isEnabled());
        QCOMPARE(part<QLabel>(window, "SbPanel3")->text(), QString());
    };
    QTest::mouseClick(part<QPushButton>(window, "bbNabor"), Qt::LeftButton);
    QCOMPARE(messages_.size(), size_t(1));
    QCOMPARE(messages_[0].kind, platform::MessageKind::Error);
    restored();
    QVERIFY_THROWS_EXCEPTION(std::exception, window.bbGenXMLClick());
    restored();
    QVERIFY(!window.holdings().active());
}

void MainWindowTest::aCloseAskedForDuringARunHappensAfterIt() {
    DemoProgram demo;
    TDMLB dmlb(demo.arguments(QStringLiteral("ana")), nullptr, demo.database.folder());
    TfZEV window(dmlb, demo.arguments(QStringLiteral("ana")), nullptr, demo.folder());
    window.show();
    part<entry::TPTypedEdit>(window, "pteDan")->SetDateValue(platform::encodeDate(2024, 9, 30));
    bool closedDuringRun = true;
    QTimer::singleShot(0, &window, [&] { closedDuringRun = window.close(); });
    window.bbNaborClick();
    QVERIFY(!closedDuringRun);
    QVERIFY(window.isVisible());
    QVERIFY(window.holdings().active()); // the run finished its work
    QTRY_VERIFY(!window.isVisible());
    QVERIFY(!window.holdings().active());
}

// The report's closing message comes as a modal box while the run still works: it shows
// the arrow and takes the operator's click.
void MainWindowTest::aModalBoxDuringARunTakesInputUnderTheArrow() {
    DemoProgram demo;
    TDMLB dmlb(demo.arguments(QStringLiteral("ana")), nullptr, demo.database.folder());
    TfZEV window(dmlb, demo.arguments(QStringLiteral("ana")), nullptr, demo.folder());
    window.show();
    part<entry::TPTypedEdit>(window, "pteDan")->SetDateValue(platform::encodeDate(2024, 9, 30));
    Qt::CursorShape cursorOverBox = Qt::WaitCursor;
    bool answeredByClick = false;
    QTimer::singleShot(0, &window, [&] {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Zev"), QStringLiteral("x"),
                        QMessageBox::Ok, &window);
        QTimer::singleShot(0, &box, [&] {
            cursorOverBox = currentOverrideCursor();
            QTest::mouseClick(box.button(QMessageBox::Ok), Qt::LeftButton);
        });
        QTimer::singleShot(3000, &box, [&] { box.done(-1); }); // should the click be lost
        answeredByClick = box.exec() == QMessageBox::Ok;
        QCOMPARE(currentOverrideCursor(), Qt::WaitCursor);
    });
    window.bbNaborClick();
    QVERIFY(answeredByClick);
    QCOMPARE(cursorOverBox, Qt::ArrowCursor);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

// On SQLite the engine calls back while the statement works: timers fire, the status
// panel paints, and the first row comes when the statement is done.
void MainWindowTest::theWindowRepaintsWhileASlowStatementRuns() {
    if (TestDatabase::onServer())
        QSKIP("the server's client library waits for the whole result without a callback");
    DemoProgram demo;
    slowPriceFunction(demo.database);
    TDMLB dmlb(demo.arguments(QStringLiteral("ana")), nullptr, demo.database.folder());
    TfZEV window(dmlb, demo.arguments(QStringLiteral("ana")), nullptr, demo.folder());
    window.show();
    part<entry::TPTypedEdit>(window, "pteDan")->SetDateValue(platform::encodeDate(2024, 9, 30));
    auto* status = part<QLabel>(window, "SbPanel3");
    int paintsWhileRunning = 0;
    struct PaintCounter : QObject {
        std::function<void()> counted;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                counted();
            return false;
        }
    } counter;
    counter.counted = [&] { paintsWhileRunning += window.running() ? 1 : 0; };
    status->installEventFilter(&counter);
    std::vector<RunState> seen;
    QTimer ticking;
    connect(&ticking, &QTimer::timeout, &window, [&] { seen.push_back(stateOf(window)); });
    ticking.start(20);
    QElapsedTimer clock;
    clock.start();
    window.bbNaborClick();
    const qint64 took = clock.elapsed();
    ticking.stop();
    status->removeEventFilter(&counter);
    QVERIFY2(took > 300, qPrintable(QString::number(took)));
    // At most one repaint per interval, and at least every other one.
    QVERIFY2(seen.size() >= std::size_t(took / 200), qPrintable(QString::number(seen.size())));
    QVERIFY(seen.size() <= std::size_t(took / 100 + 1));
    for (const RunState& state : seen) {
        QVERIFY(state.running);
        QCOMPARE(state.cursor, Qt::WaitCursor);
        QCOMPARE(state.status, QStringLiteral("Berem podatke ..."));
    }
    QVERIFY(paintsWhileRunning >= 1);
    QVERIFY(window.holdings().active());
}

int main(int argc, char** argv) {
    platform::Application application(argc, argv);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_window.moc"
