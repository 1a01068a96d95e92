#include "../support/FormParts.h"
#include "../support/ManagerParts.h"
#include "../support/NextDialog.h"
#include "../support/TestDatabase.h"

#include "controls/ACComboBox.h"
#include "controls/DbNavigator.h"
#include "controls/KVDbCtrl.h"
#include "controls/KvDbCtrX.h"
#include "controls/Uddbtn.h"
#include "controls/Updbedt.h"
#include "controls/cDbGrid.h"
#include "db/DataSource.h"
#include "db/Field.h"
#include "db/Query.h"
#include "db/uDMLB.h"
#include "entry/UTypedEd.h"
#include "entry/Ukoledar.h"
#include "entry/Uncalc.h"
#include "entry/Ura.h"
#include "gallery/Gallery.h"
#include "platform/Components.h"
#include "platform/ControlLook.h"
#include "platform/DateTime.h"
#include "platform/FormatSettings.h"
#include "platform/Screenshot.h"
#include "platform/StdControls.h"
#include "translation/QorPrevod.h"
#include "translation/Udialog.h"
#include "translation/uColorForm.h"
#include "translation/uFQorPrevodi.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSet>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

namespace {

const QStringList kDemoArguments = {QStringLiteral("DEMO"), QStringLiteral("demo"),
                                    QStringLiteral("demo"), QStringLiteral("ana")};

QString programPath() {
    return QStringLiteral(ZEV_RUNTIME_DIR "/zev-gallery");
}

QStringList tabTitles(const QTabWidget& tabs) {
    QStringList titles;
    for (int i = 0; i < tabs.count(); ++i)
        titles << tabs.tabText(i);
    return titles;
}

// Starts the gallery program on the demo database, offscreen, with the arguments; it
// saves its window's picture into the file and ends.
void startForPicture(QProcess& program, const QString& path, const QStringList& arguments,
                     const QString& picture) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("ZEV_SCREENSHOT"), picture);
    environment.insert(QStringLiteral("ZEV_SCREENSHOT_DELAY"), QStringLiteral("100"));
    program.setProcessEnvironment(environment);
    program.start(path, kDemoArguments + arguments);
}

} // namespace

// The gallery window over a throwaway database with the demo content, as the program
// builds it, on either engine.
class TestGallery : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void showsItsCaptionAndThePagesInOrder();
    void everyLabelNamesAVisibleControl();
    void everyFrameworkControlIsOfItsKind();
    void showsEachTypedEditAndTheStandardButtons();
    void poolButtonsLeaveTheWindowBeforeItGoes();
    void theSearchEditorPutsOnlyConfirmedTextIntoTheLineEdit();
    void theDataControlsShowTheGridsCurrentPrice();
    void theLookupComboOpensAtItsValueAndItsKeyFieldFollowsIt();
    void theCheckBoxSwitchesTheGridsWordwrappedTitles();
    void editsOnTheDataPageAreNeverPosted();
    void aTranslatorsWorkInTheGalleryIsKept();
    void emptyDateAndTimeFieldsOpenTheirToolsAtTheCurrentTime();
    void theCalculatorAndCalendarKeepTheirLookAndPlace();
    void theProgramsReadNewLookIni();
    void aWidgetOfTheWindowIsGrabbedByNameAndEnlarged();
    void theProgramStartsAndGrabsItsWindow();

private:
    double firstPrice();
    QWidget* typedEdit(const char* name);

    std::unique_ptr<TestDatabase> database_;
    std::unique_ptr<controls::StdButtonsScope> buttons_;
    std::unique_ptr<TDMLB> session_;
    std::unique_ptr<gallery::TfGallery> window_;
};

void TestGallery::initTestCase() {
    platform::formatSettings().shortDateFormat = QStringLiteral("dd.mm.yyyy");
}

// The demo content under the alias DEMO, and the same database under CHECK: a
// connection of its own that sees only what was committed.
void TestGallery::init() {
    database_ = std::make_unique<TestDatabase>(QStringLiteral("DEMO"));
    database_->loadDemoContent();
    database_->writeAliasFile(database_->aliasSection(QStringLiteral("DEMO")) +
                              database_->aliasSection(QStringLiteral("CHECK")));
    buttons_ = std::make_unique<controls::StdButtonsScope>();
    session_ = std::make_unique<TDMLB>(kDemoArguments, nullptr, database_->folder());
    window_ = std::make_unique<gallery::TfGallery>(*session_);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
}

void TestGallery::cleanup() {
    window_.reset();
    session_.reset();
    buttons_.reset();
    database_.reset();
}

void TestGallery::showsItsCaptionAndThePagesInOrder() {
    QCOMPARE(window_->windowTitle(), QStringLiteral("Component gallery"));
    const QStringList titles = tabTitles(*window_->pages());
    QVERIFY(titles.indexOf(QStringLiteral("Typed edits")) >= 0);
    QVERIFY(titles.indexOf(QStringLiteral("Typed edits")) <
            titles.indexOf(QStringLiteral("Standard buttons")));
    QVERIFY(window_->showPage(QStringLiteral("standard buttons")));
    QCOMPARE(window_->pages()->tabText(window_->pages()->currentIndex()),
             QStringLiteral("Standard buttons"));
    QVERIFY(!window_->showPage(QStringLiteral("No such page")));
    QVERIFY(!window_->runAction(QStringLiteral("no-such-action")));
}

namespace {

// Controls that take input and carry no caption of their own; a composite (a combo box
// and its line edit, a grid and its header) counts once, as its outermost part.
bool isCaptionlessInput(const QWidget* widget) {
    return widget->inherits("QLineEdit") || widget->inherits("QComboBox") ||
           widget->inherits("QAbstractSpinBox") || widget->inherits("QTextEdit") ||
           widget->inherits("QPlainTextEdit") ||
           (widget->inherits("QAbstractItemView") && !widget->inherits("QHeaderView"));
}

bool insideAnotherInput(const QWidget* widget, const QWidget* page) {
    for (QWidget* up = widget->parentWidget(); up && up != page; up = up->parentWidget()) {
        if (isCaptionlessInput(up))
            return true;
    }
    return false;
}

// A caption as assistive tools read it.
QString spoken(QString caption) {
    return caption.remove(QLatin1Char('&'));
}

// What the control shows, when it shows a text that is its value.
std::optional<QString> shownValue(const QWidget* control) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text();
    if (const auto* combo = qobject_cast<const QComboBox*>(control))
        return combo->currentText();
    return std::nullopt;
}

} // namespace

// Every visible input control of every page is the buddy of a visible label, and
// assistive tools read the label's caption as its name (a button keeps its own); one
// that shows a text tells it as its value.
void TestGallery::everyLabelNamesAVisibleControl() {
    QTabWidget* tabs = window_->pages();
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QWidget* page = tabs->widget(i);
        QSet<const QWidget*> named;
        for (QLabel* label : page->findChildren<QLabel*>()) {
            QWidget* control = label->buddy();
            if (label->text().isEmpty() || !control)
                continue;
            QVERIFY2(label->isVisible(), qPrintable(label->text()));
            QVERIFY2(control->isVisible(), qPrintable(label->text()));
            named.insert(control);
            if (qobject_cast<QAbstractButton*>(control))
                continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            QVERIFY(accessible);
            QCOMPARE(accessible->text(QAccessible::Name), spoken(label->text()));
        }
        for (QWidget* widget : page->findChildren<QWidget*>()) {
            if (!widget->isVisible() || !isCaptionlessInput(widget) ||
                insideAnotherInput(widget, page))
                continue;
            const QString where = tabs->tabText(i) + QStringLiteral(": ") + widget->objectName();
            QVERIFY2(named.contains(widget), qPrintable(where));
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            QVERIFY2(accessible && !accessible->text(QAccessible::Name).isEmpty(),
                     qPrintable(where));
            if (const std::optional<QString> value = shownValue(widget))
                QVERIFY2(accessible->text(QAccessible::Value) == *value, qPrintable(where));
        }
    }
}

namespace {

// The kind of each framework control the gallery shows, by its class: the colour pass
// and the translation walk treat it as this kind. Controls that play no kind of the
// system (a bar of buttons, a list of lookup rows) are listed as Unknown on purpose.
const QHash<QByteArray, platform::ComponentKind> FrameworkControlKinds = {
    {"controls::TPDBEdit", platform::ComponentKind::PDBEdit},
    {"controls::TKVDBLookupComboBox", platform::ComponentKind::KVDBLookupComboBox},
    {"controls::TKVDBLookupListBox", platform::ComponentKind::Unknown},
    {"controls::TKVPopupDataList", platform::ComponentKind::Unknown},
    {"controls::DbGrid", platform::ComponentKind::DbGrid},
    {"controls::TKVDbGrid", platform::ComponentKind::DbGrid},
    {"controls::TACComboBox", platform::ComponentKind::ComboBox},
    {"controls::TStdBtn", platform::ComponentKind::SpeedButton},
    {"controls::DbNavigator", platform::ComponentKind::Unknown},
    {"entry::TTypedEdit", platform::ComponentKind::Edit},
    {"entry::TPTypedEdit", platform::ComponentKind::Edit},
};

bool isFrameworkClass(const QByteArray& className) {
    return className.startsWith("controls::") || className.startsWith("entry::");
}

} // namespace

// Every framework control of every page is of the kind its class plays, whatever the
// class is named: a framework class without a kind, or one the list does not know,
// fails here rather than silently dropping out of the colour pass.
void TestGallery::everyFrameworkControlIsOfItsKind() {
    QSet<QByteArray> seen;
    for (const QWidget* widget : window_->findChildren<QWidget*>()) {
        const QByteArray className = widget->metaObject()->className();
        if (!isFrameworkClass(className))
            continue;
        QVERIFY2(FrameworkControlKinds.contains(className), className.constData());
        QVERIFY2(platform::kindOf(widget) == FrameworkControlKinds.value(className),
                 className.constData());
        seen.insert(className);
    }
    for (const char* shown :
         {"controls::TPDBEdit", "controls::TKVDBLookupComboBox", "controls::TKVDbGrid"})
        QVERIFY2(seen.contains(shown), shown);
}

void TestGallery::showsEachTypedEditAndTheStandardButtons() {
    QStringList captions;
    for (QLabel* label : window_->findChildren<QLabel*>()) {
        if (label->buddy())
            captions << label->text();
    }
    for (const char* caption : {"String", "Float", "Date", "Time", "Date-time"})
        QVERIFY2(captions.contains(QLatin1String(caption)), caption);
    window_->showPage(QStringLiteral("Typed edits"));
    controls::StdButton(2)->setParent(window_->findChild<QWidget*>(QStringLiteral("pteDate")));
    window_->showPage(QStringLiteral("Standard buttons")); // takes back what was borrowed
    for (int number = 1; number <= controls::kStdButtonCount; ++number) {
        controls::TStdBtn* button = controls::StdButton(number);
        QVERIFY(button->window() == window_.get());
        QVERIFY(button->isVisible());
    }
}

void TestGallery::poolButtonsLeaveTheWindowBeforeItGoes() {
    window_.reset();
    for (int number = 1; number <= controls::kStdButtonCount; ++number) {
        QVERIFY(controls::StdButton(number));
        QVERIFY(controls::StdButton(number)->parentWidget() == nullptr);
    }
}

// The search editor opens over the line edit seeded with the text's first character;
// Tab confirms what was typed, Escape leaves the line edit as it was.
void TestGallery::theSearchEditorPutsOnlyConfirmedTextIntoTheLineEdit() {
    QVERIFY(window_->showPage(QStringLiteral("Search editor")));
    auto* edit = window_->findChild<QLineEdit*>(QStringLiteral("eSearchText"));
    auto* open = window_->findChild<QPushButton*>(QStringLiteral("bbSearchEditor"));
    QVERIFY(edit && open);
    const auto answer = [](const QString& keys, int finalKey, QString* seed) {
        QTimer::singleShot(0, [=] {
            QLineEdit* search = controls::fLookupSearch().edit();
            *seed = search->text();
            QTest::keyClicks(search, keys);
            QTest::keyClick(search, static_cast<Qt::Key>(finalKey));
        });
    };
    QString seed;
    edit->setText(QStringLiteral("kapitalska"));
    answer(QStringLiteral("rka"), Qt::Key_Tab, &seed);
    open->click();
    QCOMPARE(seed, QStringLiteral("k"));
    QCOMPARE(edit->text(), QStringLiteral("krka"));

    answer(QStringLiteral("zzz"), Qt::Key_Escape, &seed);
    open->click();
    QCOMPARE(seed, QStringLiteral("k"));
    QCOMPARE(edit->text(), QStringLiteral("krka"));
}

namespace {

// The first column of the statement's first row, read on the CHECK connection (only
// what was committed); "<none>" when there is no row.
QString committed(const QString& statement) {
    db::Query query;
    query.setDatabaseName(QStringLiteral("CHECK"));
    query.setSqlText(statement);
    query.open();
    const QString value = query.eof() ? QStringLiteral("<none>") : query.field(0).asString();
    query.close();
    return value;
}

} // namespace

// The price of the first row of the demo prices, as the database holds it.
double TestGallery::firstPrice() {
    return committed(QStringLiteral("SELECT TCN FROM TECAJNICA ORDER BY SFVP, DAN")).toDouble();
}

QWidget* TestGallery::typedEdit(const char* name) {
    window_->showPage(QStringLiteral("Typed edits"));
    return window_->findChild<QWidget*>(QLatin1String(name));
}

// Picked in the combo box, a client is the highlighted row of the dropped-down list;
// clearing the combo box clears the key shown beside it.
void TestGallery::theLookupComboOpensAtItsValueAndItsKeyFieldFollowsIt() {
    QVERIFY(window_->showPage(QStringLiteral("Lookups")));
    auto* combo = window_->findChild<controls::TKVDBLookupComboBox*>(QStringLiteral("cbLookup"));
    auto* key = window_->findChild<QLineEdit*>(QStringLiteral("eComboKey"));
    QVERIFY(combo && key);
    combo->setFocus();
    combo->ApplySearchText(QStringLiteral("KOLAR"));
    combo->SelectCurrent();
    QVERIFY(combo->Text().startsWith(QStringLiteral("KOLAR")));
    QCOMPARE(key->text(), combo->KeyValue().toString());
    const QString chosen = combo->Text();
    combo->DropDown();
    controls::TKVPopupDataList* list = combo->DataList();
    int shownAt = -1;
    for (int row = 0; row < list->RecordCount(); ++row) {
        if (list->RowKeyAt(row) == combo->KeyValue())
            shownAt = row;
    }
    QVERIFY(shownAt >= 0);
    QVERIFY(list->RowTexts(shownAt).contains(chosen));
    QTest::keyClick(combo, Qt::Key_Escape);
    QVERIFY(!combo->ListVisible());
    QTest::keyClick(combo, Qt::Key_Backspace);
    QVERIFY(!combo->KeyValue().isValid());
    QCOMPARE(key->text(), QString());
}

void TestGallery::theDataControlsShowTheGridsCurrentPrice() {
    QVERIFY(window_->showPage(QStringLiteral("Data controls")));
    auto* amount = window_->findChild<controls::TPDBEdit*>(QStringLiteral("deAmount"));
    auto* navigator = window_->findChild<controls::DbNavigator*>(QStringLiteral("dbnPrices"));
    auto* combo = window_->findChild<controls::TACComboBox*>(QStringLiteral("cbAutoComplete"));
    QVERIFY(amount && navigator && combo);
    QVERIFY(amount->field());
    QCOMPARE(amount->field()->fieldName().toUpper(),
             QStringLiteral("TCN")); // as the engine names it
    QVERIFY(amount->fieldAlignment() & Qt::AlignRight);
    QCOMPARE(amount->text(), amount->field()->displayText());
    const double first = amount->field()->asFloat();
    navigator->btnClick(controls::DbNavigator::Next);
    QVERIFY(amount->field()->asFloat() != first); // the demo's second price differs
    QCOMPARE(amount->text(), amount->field()->displayText());
    for (const char* item : {"Alpha", "Beta", "Gamma"})
        QVERIFY(combo->findText(QLatin1String(item)) >= 0);
    QVERIFY(combo->isEditable());
}

void TestGallery::theCheckBoxSwitchesTheGridsWordwrappedTitles() {
    QVERIFY(window_->showPage(QStringLiteral("Data controls")));
    auto* grid = window_->findChild<controls::TKVDbGrid*>(QStringLiteral("dbgPrices"));
    auto* box = window_->findChild<QCheckBox*>(QStringLiteral("cbTitleWordwrap"));
    QVERIFY(grid && box);
    QCOMPARE(box->text(), QStringLiteral("Word-wrapped titles"));
    QVERIFY(!grid->titleWordwrap());
    const int oneLine = grid->horizontalHeader()->height();
    box->click();
    QVERIFY(grid->titleWordwrap());
    QCOMPARE(grid->horizontalHeader()->height(), 45);
    box->click();
    QVERIFY(!grid->titleWordwrap());
    QCOMPARE(grid->horizontalHeader()->height(), oneLine);
}

// The page shows what is typed on it and never posts it: the database keeps its price,
// and the main connection stays outside any transaction.
void TestGallery::editsOnTheDataPageAreNeverPosted() {
    const double before = firstPrice();
    window_->showPage(QStringLiteral("Data controls"));
    auto* amount = window_->findChild<controls::TPDBEdit*>(QStringLiteral("deAmount"));
    auto* navigator = window_->findChild<controls::DbNavigator*>(QStringLiteral("dbnPrices"));
    navigator->btnClick(controls::DbNavigator::First);
    db::DataSet* prices = amount->dataSource()->dataSet();
    prices->edit();
    prices->fieldByName(QStringLiteral("TCN")).setAsFloat(before + 1000);
    prices->post();
    QCOMPARE(amount->field()->asFloat(), before + 1000);
    navigator->btnClick(controls::DbNavigator::Next);
    navigator->btnClick(controls::DbNavigator::Prior);
    QCOMPARE(amount->field()->asFloat(), before + 1000);
    QCOMPARE(firstPrice(), before);
    QVERIFY(!session_->dbMain.inTransaction());
    window_.reset();
    QCOMPARE(firstPrice(), before);
}

// In write mode, with the data page built beside it: the import request that the sample
// dialog's engine runs at its creation (a broken statement among good ones) and a
// translation saved with F9 in the manager's list reach the database at once and stay
// when the gallery closes.
void TestGallery::aTranslatorsWorkInTheGalleryIsKept() {
    QTemporaryDir programFolder;
    const auto writeFile = [&](const char* name, const QString& text) {
        QFile file(programFolder.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    };
    writeFile("QorTrans.ini", QStringLiteral("[QOR]\nLANGUAGE=ENG\nTRANSLATE=1\nWRITE.TRANS=1\n"));
    writeFile("QorTranslation.ini", QStringLiteral("[IMPORT]\nALL=1\n[FILES]\nALL=lang.sql\n"));
    writeFile("lang.sql",
              QStringLiteral("INSERT INTO PREVOD_JEZIKI (KODA_JEZIKA, OPIS) VALUES ('ITA', "
                             "'Italiano');\r\n"
                             "INSERT INTO PREVOD_JEZIKI (KODA_JEZIKA, OPIS) VALUES ('DEU', "
                             "'Deutsch);\r\n"
                             "INSERT INTO PREVOD_JEZIKI (KODA_JEZIKA, OPIS) VALUES ('FRA', "
                             "'Francais');\r\n"));
    translation::TQorPrevod::setProgramFolder(programFolder.path());
    const auto restore = qScopeGuard([] {
        translation::TQorPrevod::setProgramFolder({});
        translation::TFQorPrevod::setModalRunner({});
    });
    bool saved = false;
    translation::TFQorPrevod::setModalRunner([&](translation::TFQorPrevod& managerForm) {
        const ManagerParts list(managerForm);
        if (list.PageControl->currentWidget() != list.TSTransList)
            return;
        list.SBT->click(); // every text, translated or not
        QVERIFY(list.LQ.locate(QStringLiteral("NAME"), {QStringLiteral("lOpis")}));
        list.BTranslate->click();
        list.MTranslation->setPlainText(QStringLiteral("A translatable sample, revised"));
        list.Save->trigger(); // F9
        saved = true;
    });
    NextDialog sample([](QWidget* dialog) {
        auto* form = qobject_cast<translation::TDialog*>(dialog);
        QVERIFY(form && form->Prevod());
        form->Prevod()->OpenTranslationManagerExecute();
        form->reject();
    });
    QVERIFY(window_->runAction(QStringLiteral("sample-dialog")));
    QTRY_VERIFY(sample.seen());
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QVERIFY(saved);
    const QString text = QStringLiteral(
        "SELECT TRANSLTEXT FROM PREVOD_DATA WHERE ID_PREVODA=9000 AND NAME='lOpis' AND "
        "KODA_JEZIKA='ENG'");
    const QString language =
        QStringLiteral("SELECT OPIS FROM PREVOD_JEZIKI WHERE KODA_JEZIKA='%1'");
    for (int round = 0; round < 2; ++round) { // with the gallery open, and after it closed
        QCOMPARE(committed(text), QStringLiteral("A translatable sample, revised"));
        QCOMPARE(committed(language.arg(QStringLiteral("ITA"))), QStringLiteral("Italiano"));
        QCOMPARE(committed(language.arg(QStringLiteral("FRA"))), QStringLiteral("Francais"));
        QCOMPARE(committed(language.arg(QStringLiteral("DEU"))), QStringLiteral("<none>"));
        window_.reset();
    }
    QFile log(programFolder.filePath(QStringLiteral("lang.sql.log")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QStringList logged = QString::fromUtf8(log.readAll()).split(QStringLiteral("\r\n"));
    QCOMPARE(logged.first(),
             QStringLiteral("INSERT INTO PREVOD_JEZIKI (KODA_JEZIKA, OPIS) VALUES ('DEU', "
                            "'Deutsch)"));
}

namespace {

// The pop-up tool that Enter opens over the field: the steps run on it and close it.
QWidget* enterOpens(QWidget* field, const std::function<void(QWidget*)>& steps) {
    field->setFocus(Qt::TabFocusReason);
    NextDialog next(steps);
    QTest::keyClick(field, Qt::Key_Return);
    return next.seen();
}

// The hours and minutes a time picker shows, as minutes of the day.
int pickedMinutes(QWidget* dialog) {
    auto* picker = qobject_cast<entry::TfUra*>(dialog);
    return picker ? formPart<QSpinBox>(*picker, "seUra")->value() * 60 +
                        formPart<QSpinBox>(*picker, "seMinuta")->value()
                  : -1;
}

int minutesNow() {
    const QTime now = QTime::currentTime();
    return now.hour() * 60 + now.minute();
}

} // namespace

// The untouched time field shows no time: Enter opens the time picker at the current
// time. A date-time field without its time, and one at midnight whose date is retyped,
// open the calendar at their date and then the time picker at the current time.
void TestGallery::emptyDateAndTimeFieldsOpenTheirToolsAtTheCurrentTime() {
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    int shown = -1;
    const int before = minutesNow();
    QWidget* picker = enterOpens(typedEdit("pteTime"), [&](QWidget* dialog) {
        shown = pickedMinutes(dialog);
        static_cast<QDialog*>(dialog)->reject();
    });
    QVERIFY(qobject_cast<entry::TfUra*>(picker));
    QVERIFY2(shown >= before && shown <= minutesNow(), qPrintable(QString::number(shown)));

    auto* dateTime = static_cast<entry::TTypedEdit*>(typedEdit("pteDateTime"));
    for (const bool atMidnight : {false, true}) {
        if (atMidnight)
            dateTime->SetDateTimeValue(platform::encodeDate(2024, 3, 5));
        dateTime->setFocus(Qt::TabFocusReason);
        dateTime->selectAll();
        QTest::keyClicks(dateTime, QStringLiteral("06032024"));
        QTest::keyClick(dateTime, Qt::Key_Return); // confirms the typed date
        QCOMPARE(dateTime->GetDateTimeValue(), platform::encodeDate(2024, 3, 6));
        QString calendarDate;
        std::unique_ptr<NextDialog> timePicker;
        shown = -1;
        QWidget* calendar = enterOpens(dateTime, [&](QWidget* dialog) {
            auto* koledar = static_cast<entry::Tkoledar*>(dialog);
            calendarDate = formPart<QAbstractButton>(*koledar, "btnOK")->text();
            timePicker = std::make_unique<NextDialog>([&](QWidget* second) {
                shown = pickedMinutes(second);
                static_cast<QDialog*>(second)->reject();
            });
            formPart<QAbstractButton>(*koledar, "btnOK")->click();
        });
        QVERIFY(qobject_cast<entry::Tkoledar*>(calendar));
        QCOMPARE(calendarDate, QStringLiteral("06.03.2024"));
        QTRY_VERIFY(timePicker && timePicker->seen());
        QVERIFY2(shown >= before && shown <= minutesNow(), qPrintable(QString::number(shown)));
    }
}

// Through the gallery's fields: the calculator's display stays white on black and tells
// its number, the calendar's day panels stay silver and italic, its year list loses the
// focus colour when the calendar closes with Escape; both open at their places.
void TestGallery::theCalculatorAndCalendarKeepTheirLookAndPlace() {
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QString number;
    QWidget* calculator = enterOpens(typedEdit("pteFloat"), [&](QWidget* dialog) {
        auto* calc = static_cast<entry::TnCalc*>(dialog);
        QCOMPARE(calc->pos(), QPoint(199, 101));
        QCOMPARE(formPart<QLabel>(*calc, "lblDisplay")->palette().color(QPalette::Window),
                 QColor(Qt::black));
        QCOMPARE(formPart<QLabel>(*calc, "lblDisplay")->palette().color(QPalette::WindowText),
                 QColor(Qt::white));
        QCOMPARE(formPart<QLabel>(*calc, "lblDisplay")->font().pixelSize(), 15);
        formPart<QAbstractButton>(*calc, "sb4")->click();
        formPart<QAbstractButton>(*calc, "sb2")->click();
        QAccessibleInterface* display =
            QAccessible::queryAccessibleInterface(formPart<QLabel>(*calc, "lblDisplay"));
        QCOMPARE(display->text(QAccessible::Name), QStringLiteral("Display"));
        number = display->text(QAccessible::Value);
        QCOMPARE(number, calc->DisplayText());
        formPart<QAbstractButton>(*calc, "btnCancel")->click();
    });
    QVERIFY(qobject_cast<entry::TnCalc*>(calculator));
    QVERIFY2(number.endsWith(QStringLiteral("42")), qPrintable(number));

    const QColor focused = translation::scheme::FocusBackground;
    QWidget* calendar = enterOpens(typedEdit("pteDate"), [&](QWidget* dialog) {
        auto* koledar = static_cast<entry::Tkoledar*>(dialog);
        QCOMPARE(koledar->pos(), QPoint(196, 103));
        for (const char* name :
             {"pnlMON", "pnlTUE", "pnlWED", "pnlTHU", "pnlFRI", "pnlSAT", "pnlSUN"}) {
            const platform::TPanel* day = formPart<platform::TPanel>(*koledar, name);
            QCOMPARE(day->palette().color(QPalette::Window), QColor(192, 192, 192));
            QVERIFY(day->font().italic());
        }
        formPart<QListWidget>(*koledar, "leto")->setFocus(Qt::TabFocusReason);
        QCOMPARE(platform::colorOf(formPart<QListWidget>(*koledar, "leto")), focused);
        QTest::keyClick(koledar, Qt::Key_Escape);
    });
    QVERIFY(qobject_cast<entry::Tkoledar*>(calendar));
    QColor yearList;
    enterOpens(typedEdit("pteDate"), [&](QWidget* dialog) {
        auto* koledar = static_cast<entry::Tkoledar*>(dialog);
        yearList = platform::colorOf(formPart<QListWidget>(*koledar, "leto"));
        formPart<QAbstractButton>(*koledar, "btnCancel")->click();
    });
    QVERIFY(yearList.isValid());
    QVERIFY(yearList != focused);
}

void TestGallery::aWidgetOfTheWindowIsGrabbedByNameAndEnlarged() {
    QVERIFY(window_->showPage(QStringLiteral("Standard buttons")));
    auto* strip = window_->findChild<QWidget*>(QStringLiteral("pnGlyphs"));
    QVERIFY(strip);
    const QImage picture =
        platform::grabWidgetPicture(window_.get(), QStringLiteral("pnGlyphs"), 2);
    QCOMPARE(picture.size(), strip->size() * strip->devicePixelRatio() * 2);
    QVERIFY(platform::grabWidgetPicture(window_.get(), QStringLiteral("noSuchWidget")).isNull());
    QVERIFY(platform::grabWidgetPicture(nullptr, QString()).isNull());
    QCOMPARE(platform::grabWidgetPicture(window_.get(), QString()).size(),
             window_->size() * window_->devicePixelRatio());
}

void TestGallery::theProgramStartsAndGrabsItsWindow() {
    // A page, and a dialog that an action opens over the window; either way the program
    // ends cleanly once it has its picture.
    struct Run {
        QStringList arguments;
        int smallestWidth;
    };
    const QList<Run> runs = {{{QStringLiteral("--page"), QStringLiteral("Standard buttons")}, 600},
                             {{QStringLiteral("--page"), QStringLiteral("Translatable forms"),
                               QStringLiteral("--run"), QStringLiteral("sample-dialog")},
                              200}};
    for (const auto& [run, smallestWidth] : runs) {
        QTemporaryDir folder;
        const QString picture = folder.filePath(QStringLiteral("gallery.png"));
        QProcess program;
        startForPicture(program, programPath(), run, picture);
        QVERIFY(program.waitForFinished(30000));
        QVERIFY2(program.exitStatus() == QProcess::NormalExit, qPrintable(run.join(' ')));
        QVERIFY2(program.exitCode() == 0, program.readAllStandardError().constData());
        const QImage image(picture);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() >= smallestWidth);
    }
}

// The gallery, copied with the demo database into a folder of its own, reads
// NewLook.ini beside itself at start: USECOLORS=0 leaves the sample dialog in the
// platform's colours, and without the file the dialog has the scheme's grey.
void TestGallery::theProgramsReadNewLookIni() {
    QTemporaryDir folder;
    for (const char* name : {"zev-gallery", "dbalias.ini", "demo.db"})
        QVERIFY(QFile::copy(QStringLiteral(ZEV_RUNTIME_DIR "/") + QLatin1String(name),
                            folder.filePath(QLatin1String(name))));
    const auto backgroundOfSample = [&] {
        const QString picture = folder.filePath(QStringLiteral("sample.png"));
        QFile::remove(picture);
        QProcess program;
        startForPicture(program, folder.filePath(QStringLiteral("zev-gallery")),
                        {QStringLiteral("--run"), QStringLiteral("sample-dialog")}, picture);
        if (!program.waitForFinished(30000) || program.exitCode() != 0)
            return QColor();
        const QImage image(picture);
        return image.isNull() ? QColor() : image.pixelColor(2, 2);
    };
    QCOMPARE(backgroundOfSample(), translation::scheme::FormBackground);
    QFile file(folder.filePath(QStringLiteral("NewLook.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[QOR]\r\nNEWLOOK=1\r\nUSECOLORS=0\r\n");
    file.close();
    const QColor plain = backgroundOfSample();
    QVERIFY(plain.isValid());
    QVERIFY(plain != translation::scheme::FormBackground);
}

QTEST_MAIN(TestGallery)
#include "tst_gallery.moc"
