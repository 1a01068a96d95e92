#include "controls/ACComboBox.h"
#include "controls/KVDbCtrl.h"
#include "controls/KvDbCtrX.h"
#include "controls/Uddbtn.h"
#include "controls/Updbedt.h"
#include "controls/cDbGrid.h"
#include "db/DataSource.h"
#include "db/DbNavigator.h"
#include "db/Field.h"
#include "db/Query.h"
#include "db/uDMLB.h"
#include "gallery/Gallery.h"
#include "platform/Screenshot.h"

#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

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

} // namespace

// The gallery window over the demo database, as the program builds it.
class TestGallery : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void showsItsCaptionAndThePagesInOrder();
    void everyLabelNamesAVisibleControl();
    void showsEachTypedEditAndTheStandardButtons();
    void poolButtonsLeaveTheWindowBeforeItGoes();
    void theSearchEditorPutsOnlyConfirmedTextIntoTheLineEdit();
    void theDataControlsShowTheGridsCurrentPrice();
    void theLookupComboOpensAtItsValueAndItsKeyFieldFollowsIt();
    void theCheckBoxSwitchesTheGridsWordwrappedTitles();
    void editsMadeInTheGalleryAreNotKept();
    void aWidgetOfTheWindowIsGrabbedByNameAndEnlarged();
    void theProgramStartsAndGrabsItsWindow();

private:
    double firstPrice();

    QTemporaryDir folder_; // a copy of the demo database and its alias file
    std::unique_ptr<controls::StdButtonsScope> buttons_;
    std::unique_ptr<TDMLB> session_;
    std::unique_ptr<gallery::TfGallery> window_;
};

void TestGallery::initTestCase() {
    QVERIFY(folder_.isValid());
    for (const char* name : {"dbalias.ini", "demo.db"})
        QVERIFY(QFile::copy(QStringLiteral(ZEV_RUNTIME_DIR "/") + QLatin1String(name),
                            folder_.filePath(QLatin1String(name))));
}

void TestGallery::init() {
    buttons_ = std::make_unique<controls::StdButtonsScope>();
    session_ = std::make_unique<TDMLB>(kDemoArguments, nullptr, folder_.path());
    window_ = std::make_unique<gallery::TfGallery>(*session_);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
}

void TestGallery::cleanup() {
    window_.reset();
    session_.reset();
    buttons_.reset();
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

} // namespace

// Every visible input control of every page is the buddy of a visible label, so that
// assistive tools name it after the label.
void TestGallery::everyLabelNamesAVisibleControl() {
    QTabWidget* tabs = window_->pages();
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QWidget* page = tabs->widget(i);
        QSet<const QWidget*> named;
        for (QLabel* label : page->findChildren<QLabel*>()) {
            if (label->text().isEmpty() || !label->buddy())
                continue;
            QVERIFY2(label->isVisible(), qPrintable(label->text()));
            QVERIFY2(label->buddy()->isVisible(), qPrintable(label->text()));
            named.insert(label->buddy());
        }
        for (QWidget* widget : page->findChildren<QWidget*>()) {
            if (!widget->isVisible() || !isCaptionlessInput(widget) ||
                insideAnotherInput(widget, page))
                continue;
            const QString where = tabs->tabText(i) + QStringLiteral(": ") + widget->objectName();
            QVERIFY2(named.contains(widget), qPrintable(where));
        }
    }
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

// The price of the first row of the demo prices, read past the gallery.
double TestGallery::firstPrice() {
    db::Query query;
    query.setDatabaseName(session_->dbMain.databaseName());
    query.setSqlText(QStringLiteral("SELECT TCN FROM TECAJNICA ORDER BY SFVP, DAN"));
    query.open();
    const double price = query.fieldByName(QStringLiteral("TCN")).asFloat();
    query.close();
    return price;
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
    auto* navigator = window_->findChild<db::DbNavigator*>(QStringLiteral("dbnPrices"));
    auto* combo = window_->findChild<controls::TACComboBox*>(QStringLiteral("cbAutoComplete"));
    QVERIFY(amount && navigator && combo);
    QVERIFY(amount->field());
    QCOMPARE(amount->field()->fieldName(), QStringLiteral("TCN"));
    QVERIFY(amount->fieldAlignment() & Qt::AlignRight);
    QCOMPARE(amount->text(), amount->field()->displayText());
    const double first = amount->field()->asFloat();
    navigator->btnClick(db::DbNavigator::Next);
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

// The page edits inside a transaction that it rolls back when it goes.
void TestGallery::editsMadeInTheGalleryAreNotKept() {
    const double before = firstPrice();
    window_->showPage(QStringLiteral("Data controls"));
    auto* amount = window_->findChild<controls::TPDBEdit*>(QStringLiteral("deAmount"));
    auto* navigator = window_->findChild<db::DbNavigator*>(QStringLiteral("dbnPrices"));
    navigator->btnClick(db::DbNavigator::First);
    db::DataSet* prices = amount->dataSource()->dataSet();
    prices->edit();
    prices->fieldByName(QStringLiteral("TCN")).setAsFloat(before + 1000);
    prices->post();
    QCOMPARE(firstPrice(), before + 1000); // stored, in the page's transaction
    window_.reset();
    QCOMPARE(firstPrice(), before);
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
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("ZEV_SCREENSHOT"), picture);
        environment.insert(QStringLiteral("ZEV_SCREENSHOT_DELAY"), QStringLiteral("100"));
        program.setProcessEnvironment(environment);
        program.start(programPath(), kDemoArguments + run);
        QVERIFY(program.waitForFinished(30000));
        QVERIFY2(program.exitStatus() == QProcess::NormalExit, qPrintable(run.join(' ')));
        QVERIFY2(program.exitCode() == 0, program.readAllStandardError().constData());
        const QImage image(picture);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() >= smallestWidth);
    }
}

QTEST_MAIN(TestGallery)
#include "tst_gallery.moc"
