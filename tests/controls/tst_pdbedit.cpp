// The data-bound edit: editing through its field link, the key rules, leaving with an
// update that fails, and the painting of right-aligned fields.
#include "../support/TestDatabase.h"
#include "controls/Updbedt.h"
#include "db/DataSource.h"
#include "db/Field.h"
#include "db/Table.h"
#include "platform/Application.h"
#include "platform/Errors.h"
#include "platform/MessageBox.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>

using namespace controls;

namespace {

const QString Schema = QStringLiteral(R"(
CREATE TABLE item (id INTEGER PRIMARY KEY, code VARCHAR(3), name VARCHAR(12),
                   amount DOUBLE PRECISION);
INSERT INTO item VALUES (1, '001', 'Alpha', 1234.5);
INSERT INTO item VALUES (2, '002', 'Beta', 7);
)");

// The leftmost and rightmost columns where the picture has dark (text) pixels, inside
// the frame.
QPair<int, int> inkColumns(const QImage& picture) {
    int left = picture.width();
    int right = -1;
    for (int y = 2; y < picture.height() - 2; ++y)
        for (int x = 2; x < picture.width() - 2; ++x)
            if (qGray(picture.pixel(x, y)) < 100) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return {left, right};
}

// Opens the control's context menu as the menu key does and chooses the named item.
void chooseFromContextMenu(QWidget* control, const char* item) {
    QTimer::singleShot(0, control, [item] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* action : menu->actions())
            if (action->objectName() == QLatin1String(item) && action->isEnabled())
                action->trigger();
        menu->close();
    });
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(4, 4),
                              control->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(control, &menuKey);
}

} // namespace

class TestPDBEdit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void readOnlyUntilTheFirstChangeThenWritesTheField();
    void escapeRestoresTheFieldAndSelectsIt();
    void rejectedCharacterBeepsAndChangesNothing();
    void pasteStartsEditing();
    void failingUpdateOnLeavingKeepsTheFocus();
    void eventsReachTheirHandlersAndAFailingOneTheErrorDisplay();
    void rightAlignedFieldPaintsRightWhileUnfocused();
    void withoutFieldShowsItsNameOnlyWhileDesigning();
    void stringFieldLimitsTheLength();

private:
    void showWithNeighbour();

    std::unique_ptr<TestDatabase> database_;
    std::unique_ptr<db::Table> table_;
    std::unique_ptr<db::DataSource> source_;
    std::unique_ptr<QWidget> window_;
    TPDBEdit* edit_ = nullptr;
    QLineEdit* neighbour_ = nullptr;
    QStringList messages_;
    std::unique_ptr<platform::ScopedMessageSink> sink_;
};

void TestPDBEdit::init() {
    database_ = std::make_unique<TestDatabase>(QStringLiteral("TEST"), TestDatabase::Content::Empty,
                                               Schema);
    table_ = std::make_unique<db::Table>();
    table_->setDatabaseName(QStringLiteral("TEST"));
    table_->setTableName(QStringLiteral("item"));
    table_->setIndexFieldNames(QStringLiteral("id"));
    table_->open();
    table_->fieldByName(QStringLiteral("amount")).setDisplayFormat(QStringLiteral("#,##0.00"));
    table_->fieldByName(QStringLiteral("code")).setEditMask(QStringLiteral("000;1;_"));
    source_ = std::make_unique<db::DataSource>();
    source_->setDataSet(table_.get());
    window_ = std::make_unique<QWidget>();
    auto* layout = new QHBoxLayout(window_.get());
    edit_ = new TPDBEdit(window_.get());
    edit_->setObjectName(QStringLiteral("eAmount"));
    neighbour_ = new QLineEdit(window_.get());
    layout->addWidget(edit_);
    layout->addWidget(neighbour_);
    edit_->setDataSource(source_.get());
    messages_.clear();
    sink_ = std::make_unique<platform::ScopedMessageSink>(
        [this](platform::MessageKind, const QString& text) {
            messages_.append(text);
            return platform::MessageResult::Ok;
        });
}

void TestPDBEdit::cleanup() {
    sink_.reset();
    window_.reset();
    source_.reset();
    table_.reset();
    database_.reset();
}

void TestPDBEdit::showWithNeighbour() {
    window_->resize(320, 40);
    window_->show();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    neighbour_->setFocus();
}

void TestPDBEdit::readOnlyUntilTheFirstChangeThenWritesTheField() {
    edit_->setDataField(QStringLiteral("name"));
    showWithNeighbour();
    QCOMPARE(edit_->text(), "Alpha");
    QVERIFY(edit_->isReadOnly());
    edit_->setFocus();
    QCOMPARE(table_->state(), db::DataSetState::Browse);
    QTest::keyClick(edit_, Qt::Key_End);
    QTest::keyClicks(edit_, "X");
    QCOMPARE(table_->state(), db::DataSetState::Edit);
    QVERIFY(!edit_->isReadOnly());
    QCOMPARE(edit_->text(), "AlphaX");
    neighbour_->setFocus(); // leaving writes the text into the field
    QCOMPARE(table_->fieldByName(QStringLiteral("name")).asString(), "AlphaX");
    table_->post();
    QVERIFY(edit_->isReadOnly());

    // Backspace starts editing too (and the link's read-only flag forbids it).
    table_->next();
    QCOMPARE(edit_->text(), "Beta");
    edit_->setFieldReadOnly(true);
    edit_->setFocus();
    QTest::keyClick(edit_, Qt::Key_End);
    QTest::keyClick(edit_, Qt::Key_Backspace);
    QCOMPARE(table_->state(), db::DataSetState::Browse);
    QCOMPARE(edit_->text(), "Beta");
    edit_->setFieldReadOnly(false);
    QTest::keyClick(edit_, Qt::Key_Backspace);
    QCOMPARE(table_->state(), db::DataSetState::Edit);
    QCOMPARE(edit_->text(), "Bet");
    table_->cancel();
}

void TestPDBEdit::escapeRestoresTheFieldAndSelectsIt() {
    edit_->setDataField(QStringLiteral("name"));
    showWithNeighbour();
    edit_->setFocus();
    QTest::keyClick(edit_, Qt::Key_End);
    QTest::keyClicks(edit_, "zz");
    QCOMPARE(edit_->text(), "Alphazz");
    QTest::keyClick(edit_, Qt::Key_Escape);
    QCOMPARE(edit_->text(), "Alpha");
    QCOMPARE(edit_->selectedText(), "Alpha");
    QVERIFY(edit_->isVisible()); // the key went nowhere else
}

void TestPDBEdit::rejectedCharacterBeepsAndChangesNothing() {
    edit_->setDataField(QStringLiteral("amount"));
    showWithNeighbour();
    edit_->setFocus();
    QCOMPARE(edit_->text(), "1234.5"); // the plain edit text while focused
    QTest::keyClick(edit_, Qt::Key_End);
    const int beeps = platform::beepCount();
    QTest::keyClicks(edit_, "a");
    QCOMPARE(platform::beepCount(), beeps + 1);
    QCOMPARE(edit_->text(), "1234.5");
    QCOMPARE(table_->state(), db::DataSetState::Browse); // a dropped key edits nothing
    QTest::keyClicks(edit_, "1");
    QCOMPARE(platform::beepCount(), beeps + 1);
    QCOMPARE(edit_->text(), "1234.51");
    QCOMPARE(table_->state(), db::DataSetState::Edit);
    table_->cancel();
}

void TestPDBEdit::pasteStartsEditing() {
    edit_->setDataField(QStringLiteral("name"));
    showWithNeighbour();
    edit_->setFocus();
    QApplication::clipboard()->setText(QStringLiteral("Gamma"));
    edit_->selectAll();
    QTest::keyClick(edit_, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(table_->state(), db::DataSetState::Edit);
    QCOMPARE(edit_->text(), "Gamma");
    table_->cancel();
    QCOMPARE(edit_->text(), "Alpha");
    edit_->selectAll();
    edit_->cutFromField();
    QCOMPARE(table_->state(), db::DataSetState::Edit);
    QCOMPARE(edit_->text(), QString());
    table_->cancel();

    // From the context menu, which offers paste on the read-only edit too.
    QApplication::clipboard()->setText(QStringLiteral("Delta"));
    edit_->selectAll();
    chooseFromContextMenu(edit_, "edit-paste");
    QCOMPARE(table_->state(), db::DataSetState::Edit);
    QCOMPARE(edit_->text(), "Delta");
    table_->cancel();

    // A row that cannot be edited: the error is shown and the text stays.
    table_->afterEdit = [](db::DataSet&) {
        throw platform::EngineError(QStringLiteral("The row is locked."));
    };
    edit_->selectAll();
    chooseFromContextMenu(edit_, "edit-paste");
    QCOMPARE(messages_, QStringList({"The row is locked."}));
    QCOMPARE(edit_->text(), "Alpha");
    table_->afterEdit = nullptr;
    table_->cancel();
}

void TestPDBEdit::failingUpdateOnLeavingKeepsTheFocus() {
    edit_->setDataField(QStringLiteral("code"));
    showWithNeighbour();
    edit_->setFocus();
    QCOMPARE(edit_->text(), "001");
    edit_->selectAll();
    QTest::keyClick(edit_, Qt::Key_Delete);
    QTest::keyClicks(edit_, "7");
    QCOMPARE(table_->state(), db::DataSetState::Edit);
    neighbour_->setFocus(); // "7__" does not fill the mask
    QCOMPARE(messages_.size(), 1);
    QVERIFY(messages_.first().startsWith("Invalid input value."));
    QCOMPARE(QApplication::focusWidget(), edit_);
    QCOMPARE(edit_->selectedText(), edit_->displayText());
    QCOMPARE(table_->fieldByName(QStringLiteral("code")).asString(), "001");
    QTest::keyClicks(edit_, "789");
    neighbour_->setFocus();
    QCOMPARE(QApplication::focusWidget(), neighbour_);
    QCOMPARE(table_->fieldByName(QStringLiteral("code")).asString(), "789");
    QCOMPARE(messages_.size(), 1);
    table_->cancel();
}

// Entry, change and exit are signals; the key press asks a callback that may drop the
// character. A change handler connected through the guard that raises shows its error
// and the edit goes on: the typed text still goes into the field on leaving.
void TestPDBEdit::eventsReachTheirHandlersAndAFailingOneTheErrorDisplay() {
    edit_->setDataField(QStringLiteral("name"));
    showWithNeighbour();
    QStringList events;
    connect(edit_, &TPDBEdit::OnEnter, this, [&] { events << "enter"; });
    connect(edit_, &TPDBEdit::OnExit, this, [&] { events << "exit"; });
    connect(edit_, &TPDBEdit::OnChange, this, platform::guarded([&] {
                events << "change";
                throw platform::Exception(QStringLiteral("The handler failed."));
            }));
    edit_->OnKeyPress = [](QChar& key) {
        if (key == u'?')
            key = QChar();
    };
    edit_->setFocus();
    QTest::keyClick(edit_, Qt::Key_End);
    QTest::keyClicks(edit_, "?Z");
    QCOMPARE(edit_->text(), "AlphaZ");
    neighbour_->setFocus();
    QCOMPARE(events, QStringList({"enter", "change", "exit"}));
    QCOMPARE(messages_, QStringList({"The handler failed."}));
    QCOMPARE(table_->fieldByName(QStringLiteral("name")).asString(), "AlphaZ");
    table_->cancel();
}

void TestPDBEdit::rightAlignedFieldPaintsRightWhileUnfocused() {
    edit_->setDataField(QStringLiteral("amount"));
    showWithNeighbour();
    QCOMPARE(edit_->fieldAlignment(), Qt::AlignRight);
    QCOMPARE(edit_->text(), "1,234.50"); // the display text while unfocused
    const QImage unfocused = edit_->grab().toImage();
    const auto [left, right] = inkColumns(unfocused);
    QVERIFY2(right > edit_->width() - 2 - edit_->textMargin() - 3,
             qPrintable(QString::number(right)));
    QVERIFY(left > edit_->width() / 2);

    edit_->setFocus();
    QCOMPARE(edit_->text(), "1234.5");
    const auto focused = inkColumns(edit_->grab().toImage());
    QVERIFY2(focused.first < edit_->width() / 4, qPrintable(QString::number(focused.first)));

    // A centred field stands in the middle while unfocused.
    neighbour_->setFocus();
    table_->fieldByName(QStringLiteral("amount")).setAlignment(Qt::AlignHCenter);
    edit_->DataChange();
    const auto [centreLeft, centreRight] = inkColumns(edit_->grab().toImage());
    const int middle = edit_->width() / 2;
    QVERIFY(std::abs((centreLeft + centreRight) / 2 - middle) <= 3);

    // Assistive tools read the text the edit shows.
    neighbour_->setFocus();
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(edit_);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::EditableText);
    QCOMPARE(accessible->text(QAccessible::Value), "1,234.50");
}

void TestPDBEdit::withoutFieldShowsItsNameOnlyWhileDesigning() {
    QCOMPARE(edit_->text(), QString());
    edit_->setDesigning(true);
    QCOMPARE(edit_->text(), "eAmount");
    edit_->setDataField(QStringLiteral("name"));
    QCOMPARE(edit_->text(), "Alpha");
    edit_->setDataField(QStringLiteral("missing"));
    QCOMPARE(edit_->text(), "eAmount");
    QCOMPARE(edit_->fieldAlignment(), Qt::AlignLeft);
    edit_->setDesigning(false);
    QCOMPARE(edit_->text(), QString());
    // The data source going away unlinks the edit.
    edit_->setDataField(QStringLiteral("name"));
    source_.reset();
    QCOMPARE(edit_->dataSource(), nullptr);
    QCOMPARE(edit_->field(), nullptr);
    QCOMPARE(edit_->text(), QString());
}

void TestPDBEdit::stringFieldLimitsTheLength() {
    edit_->setDataField(QStringLiteral("name"));
    QCOMPARE(edit_->maxLength(), 12);
    edit_->setDataField(QStringLiteral("amount"));
    QCOMPARE(edit_->maxTextLength(), 0);
    QVERIFY(edit_->maxLength() > 1000);
    QFont big = edit_->font();
    big.setPixelSize(40);
    edit_->setFont(big);
    QCOMPARE(edit_->textMargin(), QFontMetrics(QApplication::font()).height() / 4);
}

QTEST_MAIN(TestPDBEdit)
#include "tst_pdbedit.moc"
