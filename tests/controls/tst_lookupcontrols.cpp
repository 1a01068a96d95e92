#include "../support/TestDatabase.h"

#include "controls/KVDbCtrl.h"
#include "controls/KvDbCtrX.h"
#include "db/DataSource.h"
#include "db/Query.h"
#include "db/Session.h"
#include "db/Table.h"
#include "platform/Errors.h"
#include "platform/MessageBox.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>
#include <memory>
#include <sqlite3.h>

using namespace controls;

namespace {

// Names in upper case, as the search column of a back-office list keeps them. Group 1
// holds the K names, group 2 the rest.
const QString ListSchema = QStringLiteral(R"(
CREATE TABLE LST (ID INTEGER PRIMARY KEY, NAZIV VARCHAR(40), SKUP INTEGER);
CREATE INDEX LST_NAZIV ON LST (NAZIV);
CREATE INDEX LST_SKUP ON LST (SKUP, NAZIV);
INSERT INTO LST VALUES (1, 'ALFA', 2), (2, 'BETA', 2), (3, 'GAMA', 2), (4, 'KOLAR', 1),
    (5, 'KOŠIR', 1), (6, 'KRAJNC', 1), (7, 'NOVAK', 2), (8, 'ŠKERLJ', 2), (9, 'ZUPAN', 2),
    (10, 'KOS', 2);
CREATE TABLE CHOICE (ID INTEGER PRIMARY KEY, LST_ID INTEGER);
INSERT INTO CHOICE VALUES (1, NULL);
)");

// A thousand more rows, N0001 … N1000 with keys 101 …, in either engine's SQL.
const QString ManyRows = QStringLiteral(
    "WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 1000) "
    "INSERT INTO LST SELECT 100 + I, 'N' || SUBSTR(CAST(10000 + I AS VARCHAR(10)), 2), "
    "1 + I % 2 FROM N;");

// Counts the times the list data set was read anew.
class ReadCounter : public db::DataLink {
public:
    int reads = 0;

protected:
    void dataSetChanged() override { ++reads; }
    void dataSetScrolled(int) override {}
};

// A list table on the fixture, its source, and a window holding the controls.
struct ListFixture {
    TestDatabase database;
    db::Table table;
    db::DataSource source;
    QWidget window;
    QLineEdit after{&window}; // the control the focus moves on to
    ReadCounter counter;

    explicit ListFixture(const QString& moreRows = {})
        : database(QStringLiteral("TEST"), TestDatabase::Content::Empty, ListSchema + moreRows) {
        table.setDatabaseName(QStringLiteral("TEST"));
        table.setTableName(QStringLiteral("LST"));
        table.open();
        source.setDataSet(&table);
        counter.setDataSource(&source);
        window.setLayout(new QVBoxLayout);
        window.resize(300, 300);
    }
    template <typename Control> Control* add() {
        auto* control = new Control(&window);
        window.layout()->addWidget(control);
        window.layout()->addWidget(&after);
        control->setKeyField(QStringLiteral("ID"));
        control->setListField(QStringLiteral("NAZIV"));
        control->setListSource(&source);
        return control;
    }
    void show(QWidget* focused) {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QApplication::setActiveWindow(&window);
        focused->setFocus();
    }
    QStringList rows(TKVDBLookupListBox& list) {
        QStringList names;
        for (int row = 0; row < list.RecordCount(); ++row)
            names << table.valueAt(row, table.fieldByName(QStringLiteral("NAZIV")).index())
                         .toString();
        return names;
    }
};

// Drives the clock of the incremental search.
struct FakeClock {
    qint64 now = 1'000'000;
    FakeClock() {
        TKVDBLookupControl::TickCount = [this] { return now; };
    }
    ~FakeClock() {
        TKVDBLookupControl::TickCount = [] { return qint64(0); };
    }
};

// Types the characters into the control (letters beyond ASCII too).
void type(QWidget* control, const QString& text) {
    for (const QChar ch : text) {
        const int key = ch.unicode() < 128 ? int(ch.toUpper().unicode()) : int(Qt::Key_unknown);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(control, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(control, &release);
    }
}

// Answers the search editor while it is shown.
void answerSearchEditor(const QString& typed, Qt::Key closingKey, QString* seen = nullptr) {
    QTimer::singleShot(0, [=] {
        QLineEdit* edit = fLookupSearch().edit();
        if (seen)
            *seen = edit->text() + u'|' + QString::number(edit->cursorPosition());
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, closingKey);
    });
}

// The choice table with a lookup field IME that shows the list's name of LST_ID.
void openWithLookupField(db::Table& lookup, db::Table& list) {
    lookup.setDatabaseName(QStringLiteral("TEST"));
    lookup.setTableName(QStringLiteral("CHOICE"));
    lookup.addField(QStringLiteral("ID"), db::FieldType::Integer);
    lookup.addField(QStringLiteral("LST_ID"), db::FieldType::Integer);
    db::Field& name =
        lookup.addField(QStringLiteral("IME"), db::FieldType::String, db::FieldKind::Lookup, 40);
    name.keyFields = QStringLiteral("LST_ID");
    name.lookupDataSet = &list;
    name.lookupKeyFields = QStringLiteral("ID");
    name.lookupResultField = QStringLiteral("NAZIV");
    lookup.open();
}

// The list as a query ordered by the name, on the fixture's database.
struct QueryList {
    db::Query query;
    db::DataSource source;
    explicit QueryList(const QString& statement =
                           QStringLiteral("SELECT ID, NAZIV, SKUP FROM LST ORDER BY NAZIV")) {
        query.setDatabaseName(QStringLiteral("TEST"));
        query.setSqlText(statement);
        query.open();
        source.setDataSet(&query);
    }
};

QString name(db::DataSet& list) {
    return list.fieldByName(QStringLiteral("NAZIV")).asString();
}

// The statements the engine holds prepared on the connection of the alias TEST: the
// texts it was given, with its parameter marks.
QStringList preparedStatements(const TestDatabase& database) {
    QSqlDatabase connection =
        db::Session::defaultSession().database(QStringLiteral("TEST")).connection();
    QStringList texts;
    if (database.engine() == TestDatabase::Engine::Sqlite) {
        auto* handle = *static_cast<sqlite3* const*>(connection.driver()->handle().constData());
        for (sqlite3_stmt* statement = sqlite3_next_stmt(handle, nullptr); statement;
             statement = sqlite3_next_stmt(handle, statement))
            texts << QString::fromUtf8(sqlite3_sql(statement));
        return texts;
    }
    QSqlQuery query(connection);
    query.exec(QStringLiteral("SELECT statement FROM pg_prepared_statements UNION ALL "
                              "SELECT statement FROM pg_cursors"));
    while (query.next())
        texts << query.value(0).toString();
    return texts;
}

// How the embedded engine runs a statement (EXPLAIN QUERY PLAN).
QString sqlitePlan(const QString& statement) {
    QSqlDatabase connection =
        db::Session::defaultSession().database(QStringLiteral("TEST")).connection();
    auto* handle = *static_cast<sqlite3* const*>(connection.driver()->handle().constData());
    sqlite3_stmt* plan = nullptr;
    const QByteArray text = "EXPLAIN QUERY PLAN " + statement.toUtf8();
    if (sqlite3_prepare_v2(handle, text.constData(), -1, &plan, nullptr) != SQLITE_OK)
        return QString::fromUtf8(sqlite3_errmsg(handle));
    QString details;
    while (sqlite3_step(plan) == SQLITE_ROW)
        details +=
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(plan, 3))) + u'\n';
    sqlite3_finalize(plan);
    return details;
}

// Records what the controls tell assistive tools.
struct AccessibilityEvents {
    static inline QList<QPair<QObject*, QAccessible::Event>> seen;
    static inline QStringList values;
    AccessibilityEvents() {
        seen.clear();
        values.clear();
        QAccessible::installUpdateHandler([](QAccessibleEvent* event) {
            seen.append({event->object(), event->type()});
            if (event->type() == QAccessible::ValueChanged)
                values << static_cast<QAccessibleValueChangeEvent*>(event)->value().toString();
        });
        QAccessible::setActive(true);
    }
    ~AccessibilityEvents() { QAccessible::installUpdateHandler(nullptr); }
    static bool has(QObject* object, QAccessible::Event type) {
        return seen.contains(qMakePair(object, type));
    }
};

} // namespace

class LookupControlsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keySets();
    void typedPrefixNarrowsTheTableOnceAKey();
    void searchLengthAndPause();
    void searchThatFindsNothingKeepsTheText();
    void rangeFieldConfinesListsSearchesAndLocates();
    void calculatedDisplayFieldIsSearchedThroughTheOrderField();
    void querySearchFiltersAndSurvivesARejectedFilter();
    void searchEditorOnAnSqlTable();
    void comboTextForMissingAndSeveralKeys();
    void rowCountIsClamped();
    void dropDownPlacementAndReplacement();
    void ctrlClickTogglesAndPlainClickAccepts();
    void disabledRowIsStruckOutAndChoosable();
    void listBoxKeysMoveAndToggle();
    void chosenKeyGoesIntoTheBoundField();
    void errorTexts();
    void accessibility();
    void scrollBarAndAutoScroll();
    void comboKeysClearAndDropDown();
    void filterHookRunsOnEveryNarrowing();
    void locatedKeyLeavesTheListBrowsable_data();
    void locatedKeyLeavesTheListBrowsable();
    void queryListIsNarrowedByTheDatabase();
    void locateOnALongQueryReadsOnlyTheShownRows();
    void statementsThatCannotTakeAConditionFilterTheRows();
    void dropDownOpensAtTheCurrentValue();
    void wheelScrollsByRows();
    void keyChangesAreToldAlsoWhenCleared();
    void accessibleValueSelectionAndDisabledRows();
};

void LookupControlsTest::keySets() {
    QVariant set;
    set = AddKey(set, 1);
    QCOMPARE(set, QVariant(QVariantList{1}));
    set = AddKey(set, 2);
    set = AddKey(set, 1);
    QCOMPARE(set.toList(), (QVariantList{1, 2, 1}));
    QVERIFY(KeyInSet(set, 2));
    QVERIFY(!KeyInSet(set, 3));
    set = RemoveKey(set, 1); // the first one only
    QCOMPARE(set.toList(), (QVariantList{2, 1}));
    QCOMPARE(AddKey(QVariant(5), 6).toList(), (QVariantList{5, 6}));
    QVERIFY(!RemoveKey(QVariantList{7}, 7).isValid());
    QVERIFY(!RemoveKey(QVariant(7), 7).isValid());
    QVERIFY(!KeysEqual(QVariantList{1}, QVariantList{1})); // sets are never equal
    QVERIFY(KeysEqual(QVariant(), QVariant()));
    QVERIFY(KeysEqual(QVariant(17), QVariant(qint64(17))));
    QVERIFY(!KeyInSet(QVariant(), QVariant()));
}

void LookupControlsTest::typedPrefixNarrowsTheTableOnceAKey() {
    ListFixture f;
    FakeClock clock;
    auto* list = f.add<TKVDBLookupListBox>();
    f.show(list);
    type(list, QStringLiteral("k"));
    QCOMPARE(f.rows(*list), (QStringList{"KOLAR", "KOS", "KOŠIR", "KRAJNC"}));
    QCOMPARE(list->KeyValue(), QVariant(qint64(4))); // the first row of the narrowed list
    const int readsBefore = f.counter.reads;
    type(list, QStringLiteral("o"));
    QCOMPARE(f.counter.reads - readsBefore, 1); // one narrowing, answered by the database
    QCOMPARE(f.rows(*list), (QStringList{"KOLAR", "KOS", "KOŠIR"}));
    type(list, QStringLiteral("š"));
    QCOMPARE(f.rows(*list), QStringList{"KOŠIR"});
    QCOMPARE(list->SearchText(), QStringLiteral("koš"));
    QCOMPARE(list->SelectedItem(), QStringLiteral("KOŠIR"));
    QTest::keyClick(list, Qt::Key_Backspace); // clears the search and the narrowing
    QCOMPARE(list->SearchText(), QString());
    QCOMPARE(f.rows(*list).first(), QStringLiteral("ALFA"));
}

void LookupControlsTest::searchLengthAndPause() {
    ListFixture f;
    FakeClock clock;
    f.database.exec(QStringLiteral("INSERT INTO LST VALUES (20, '%1', 2);").arg(QString(40, u'A')));
    f.table.refresh();
    auto* list = f.add<TKVDBLookupListBox>();
    f.show(list);
    type(list, QString(32, u'a'));
    QCOMPARE(list->SearchText().size(), 32);
    type(list, QStringLiteral("a")); // the 33rd is ignored
    QCOMPARE(list->SearchText().size(), 32);
    QCOMPARE(list->KeyValue(), QVariant(qint64(20)));

    clock.now += 2000; // not more than the pause: the search goes on
    type(list, QStringLiteral("b"));
    QCOMPARE(list->SearchText().size(), 32);
    clock.now += 2001; // a longer pause starts a new search
    type(list, QStringLiteral("b"));
    QCOMPARE(list->SearchText(), QStringLiteral("b"));
    QCOMPARE(list->KeyValue(), QVariant(qint64(2)));
}

void LookupControlsTest::searchThatFindsNothingKeepsTheText() {
    ListFixture f;
    FakeClock clock;
    auto* list = f.add<TKVDBLookupListBox>();
    f.show(list);
    type(list, QStringLiteral("ko"));
    const int beeps = platform::beepCount();
    type(list, QStringLiteral("x")); // nothing starts with KOX: beep, text kept
    QCOMPARE(platform::beepCount(), beeps + 1);
    QCOMPARE(list->SearchText(), QStringLiteral("ko"));
    QVERIFY(f.table.isEmpty()); // narrowed to the empty result until the next step
    type(list, QStringLiteral("s"));
    QCOMPARE(list->SearchText(), QStringLiteral("kos"));
    QCOMPARE(list->KeyValue(), QVariant(qint64(10)));
}

void LookupControlsTest::rangeFieldConfinesListsSearchesAndLocates() {
    ListFixture f;
    FakeClock clock;
    auto* list = f.add<TKVDBLookupListBox>();
    list->setRangeField(QStringLiteral("SKUP"));
    list->setRangeValue(QStringLiteral("1"));
    f.show(list);
    list->ApplySearchText({});
    QCOMPARE(f.rows(*list), (QStringList{"KOLAR", "KOŠIR", "KRAJNC"}));
    type(list, QStringLiteral("ko"));
    QCOMPARE(f.rows(*list), (QStringList{"KOLAR", "KOŠIR"})); // KOS is in the other group

    list->SetKeyValue(6);
    QVERIFY(list->LocateKey());
    QCOMPARE(f.table.fieldByName(QStringLiteral("NAZIV")).asString(), QStringLiteral("KRAJNC"));
    list->SetKeyValue(10); // KOS: not in the group
    QVERIFY(!list->LocateKey());
}

void LookupControlsTest::calculatedDisplayFieldIsSearchedThroughTheOrderField() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, ListSchema);
    db::Table table;
    table.setDatabaseName(QStringLiteral("TEST"));
    table.setTableName(QStringLiteral("LST"));
    table.addField(QStringLiteral("ID"), db::FieldType::Integer);
    table.addField(QStringLiteral("NAZIV"), db::FieldType::String, db::FieldKind::Data, 40);
    table.addField(QStringLiteral("SKUP"), db::FieldType::Integer);
    table.addField(QStringLiteral("PRIKAZ"), db::FieldType::String, db::FieldKind::Calculated, 50);
    table.onCalcFields = [](db::DataSet& set) {
        const QString name = set.fieldByName(QStringLiteral("NAZIV")).asString();
        set.fieldByName(QStringLiteral("PRIKAZ")).setValue(name.left(1) + name.mid(1).toLower());
    };
    table.open();
    db::DataSource source;
    source.setDataSet(&table);
    TKVDBLookupListBox list;
    list.setKeyField(QStringLiteral("ID"));
    list.setListField(QStringLiteral("PRIKAZ"));
    list.setListOrderField(QStringLiteral("NAZIV"));
    list.setListSource(&source);
    FakeClock clock;
    list.ProcessSearchKey(u'n');
    QCOMPARE(table.indexFieldNames(), QStringLiteral("NAZIV"));
    QCOMPARE(list.SelectedItem(), QStringLiteral("Novak"));
    QCOMPARE(list.KeyValue(), QVariant(qint64(7)));
}

void LookupControlsTest::querySearchFiltersAndSurvivesARejectedFilter() {
    TestDatabase database(QStringLiteral("TEST"), TestDatabase::Content::Empty, ListSchema);
    db::Query query;
    query.setDatabaseName(QStringLiteral("TEST"));
    query.setSqlText(QStringLiteral("SELECT ID, NAZIV, SKUP FROM LST ORDER BY NAZIV"));
    query.open();
    db::DataSource source;
    source.setDataSet(&query);
    TKVDBLookupListBox list;
    list.setKeyField(QStringLiteral("ID"));
    list.setListField(QStringLiteral("NAZIV"));
    list.setListSource(&source);
    list.setRangeField(QStringLiteral("SKUP"));
    list.setRangeValue(QStringLiteral("2"));
    list.ApplySearchText(QStringLiteral("k'"));
    QVERIFY(query.filtered());
    QVERIFY(query.isEmpty());
    list.ApplySearchText(QStringLiteral("k"));
    QCOMPARE(query.fieldByName(QStringLiteral("NAZIV")).asString(), QStringLiteral("KOS"));
    list.SetKeyValue(2); // a query is searched with locate, within the group
    QVERIFY(list.LocateKey());
    QCOMPARE(query.fieldByName(QStringLiteral("NAZIV")).asString(), QStringLiteral("BETA"));

    list.setRangeField(QStringLiteral("NO_SUCH_FIELD")); // the filter cannot be taken
    list.setListOrderField({});
    try {
        list.ApplySearchText(QStringLiteral("k"));
    } catch (const platform::DatabaseError&) {
        // The fallback names the order column, which exists: it must not raise.
        QFAIL("a rejected filter must narrow to no row");
    }
    QVERIFY(query.isEmpty());
    QVERIFY(!list.LocateKey()); // never raises
}

void LookupControlsTest::searchEditorOnAnSqlTable() {
    ListFixture f;
    FakeClock clock;
    auto* combo = f.add<TKVDBLookupComboBox>();
    f.show(combo);
    QString seen;
    answerSearchEditor(QStringLiteral("raj"), Qt::Key_Tab, &seen);
    type(combo, QStringLiteral("k"));
    QCOMPARE(seen, QStringLiteral("k|1")); // the first character, caret after it
    QCOMPARE(combo->KeyValue(), QVariant(qint64(6)));
    QCOMPARE(combo->Text(), QStringLiteral("KRAJNC"));
    QTRY_COMPARE(f.window.focusWidget(), &f.after); // the focus moved on

    combo->setFocus();
    clock.now += 5000;
    answerSearchEditor(QStringLiteral("ova"), Qt::Key_Escape);
    type(combo, QStringLiteral("n"));
    QCOMPARE(combo->KeyValue(), QVariant(qint64(6))); // Escape changes nothing
    QCOMPARE(combo->Text(), QStringLiteral("KRAJNC"));
    QCOMPARE(combo->SearchText(), QString());

    clock.now += 5000;
    answerSearchEditor(QStringLiteral("ovak"), Qt::Key_Return);
    type(combo, QStringLiteral("n"));
    QCOMPARE(combo->KeyValue(), QVariant(qint64(7)));
}

void LookupControlsTest::comboTextForMissingAndSeveralKeys() {
    ListFixture f;
    auto* combo = f.add<TKVDBLookupComboBox>();
    combo->SetKeyValue(3);
    QCOMPARE(combo->Text(), QStringLiteral("GAMA"));
    combo->SetKeyValue(17);
    QCOMPARE(combo->Text(), QStringLiteral("?17"));
    combo->SetKeyValue(0);
    QCOMPARE(combo->Text(), QString());
    combo->SetKeyValue(QString());
    QCOMPARE(combo->Text(), QString());
    combo->SetKeyValue(QVariantList{1, 2});
    QCOMPARE(combo->Text(), QStringLiteral("..."));
    combo->SetKeyValue(QVariant());
    QCOMPARE(combo->Text(), QString());
}

void LookupControlsTest::rowCountIsClamped() {
    TKVDBLookupListBox list;
    QCOMPARE(list.RowCount(), 7);
    list.setRowCount(0);
    QCOMPARE(list.RowCount(), 1);
    QCOMPARE(list.height(), list.TextHeight() + list.BorderSize());
    list.setRowCount(150);
    QCOMPARE(list.RowCount(), 100);
    list.SetBounds(0, 0, 100, 5 * list.TextHeight() + list.BorderSize() + 3);
    QCOMPARE(list.RowCount(), 5);
    QCOMPARE(list.height(), 5 * list.TextHeight() + list.BorderSize());
    TKVDBLookupComboBox combo;
    QCOMPARE(combo.height(), combo.TextHeight() + combo.BorderSize() + 4);
    QCOMPARE(combo.width(), 145);
    combo.resize(145, 80); // the height is not the caller's to choose
    QCOMPARE(combo.height(), combo.TextHeight() + combo.BorderSize() + 4);
}

void LookupControlsTest::dropDownPlacementAndReplacement() {
    ListFixture f;
    auto* combo = f.add<TKVDBLookupComboBox>();
    f.show(combo);
    const QRect screen = combo->screen()->geometry();
    const QSize listSize(200, 100);
    f.window.move(0, 0);
    QPoint origin = combo->mapToGlobal(QPoint(0, 0));
    QCOMPARE(combo->DropDownPosition(listSize), QPoint(origin.x(), origin.y() + combo->height()));
    combo->setDropDownAlign(TDropDownAlign::daRight);
    QCOMPARE(combo->DropDownPosition(listSize).x(), origin.x() + combo->width() - 200);
    combo->setDropDownAlign(TDropDownAlign::daCenter);
    QCOMPARE(combo->DropDownPosition(listSize).x(), origin.x() - (200 - combo->width()) / 2);

    f.window.move(0, screen.bottom() - 120); // near the bottom: the list opens above
    origin = combo->mapToGlobal(QPoint(0, 0));
    QVERIFY(origin.y() + combo->height() + 100 > screen.bottom() + 1);
    QCOMPARE(combo->DropDownPosition(listSize).y(), origin.y() - 100);

    combo->DropDown();
    QVERIFY(combo->ListVisible());
    QCOMPARE(combo->DataList()->pos(), combo->DropDownPosition(combo->DataList()->size()));
    QCOMPARE(combo->DataList()->RowCount(), 7);
    combo->CloseUp(false);
    QVERIFY(!combo->DataList()->isVisible());
    QVERIFY(!combo->DataList()->ListActive()); // detached while hidden

    int dropDowns = 0;
    combo->OnDropDown = [&](QObject*) { ++dropDowns; };
    combo->DropDown();
    QCOMPARE(dropDowns, 1);
    QVERIFY(!combo->ListVisible());
    QVERIFY(!combo->DataList()->isVisible());
}

void LookupControlsTest::ctrlClickTogglesAndPlainClickAccepts() {
    ListFixture f;
    auto* combo = f.add<TKVDBLookupComboBox>();
    f.show(combo);
    // A click on the combo box drops the list down and leaves it open.
    QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(combo->width() - 5, 5));
    QVERIFY(combo->ListVisible());
    QVERIFY(combo->DataList()->isVisible());
    TKVPopupDataList* list = combo->DataList();
    const int h = list->TextHeight();
    const QPoint row1(10, list->ClientRect().top() + h + h / 2);
    const QPoint row2(10, list->ClientRect().top() + 2 * h + h / 2);
    QTest::mouseClick(list, Qt::LeftButton, Qt::ControlModifier, row1);
    QTest::mouseClick(list, Qt::LeftButton, Qt::ControlModifier, row2);
    QVERIFY(combo->ListVisible()); // Ctrl keeps the list open
    QCOMPARE(list->SelectedKeys().toList(), (QVariantList{qint64(2), qint64(3)}));
    QTest::mouseClick(list, Qt::LeftButton, Qt::ControlModifier, row1); // toggles off
    QCOMPARE(list->SelectedKeys().toList(), (QVariantList{qint64(3)}));
    QTest::keyClick(combo, Qt::Key_Return);
    QVERIFY(!combo->ListVisible());
    QCOMPARE(combo->KeyValue(), QVariant(qint64(2)));

    combo->DropDown();
    QTest::mouseClick(list, Qt::LeftButton, {}, row2); // a plain click closes and accepts
    QVERIFY(!combo->ListVisible());
    QCOMPARE(combo->KeyValue(), QVariant(qint64(3)));
    QCOMPARE(combo->Text(), QStringLiteral("GAMA"));

    combo->DropDown();
    QTest::keyClick(combo, Qt::Key_Down); // keys go to the list while it is open
    QTest::keyClick(combo, Qt::Key_Escape);
    QVERIFY(!combo->ListVisible());
    QCOMPARE(combo->KeyValue(), QVariant(qint64(3))); // not accepted
}

void LookupControlsTest::disabledRowIsStruckOutAndChoosable() {
    ListFixture f;
    auto* combo = f.add<TKVDBLookupComboBox>();
    combo->setOnListRowEnabled([combo](QObject*, bool& enabled) {
        enabled = combo->DataList()->ActiveRowValue(QStringLiteral("ID")).toInt() != 2;
    });
    QPalette palette = combo->DataList()->palette(); // a grey no text edge can be
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 0));
    combo->DataList()->setPalette(palette);
    f.show(combo);
    combo->DropDown();
    TKVPopupDataList* list = combo->DataList();
    const QImage image = list->grab().toImage();
    const QColor grey(128, 128, 0);
    const QRect client = list->ClientRect();
    const int h = list->TextHeight();
    auto rowHas = [&](int row, const QColor& color) {
        for (int y = client.top() + row * h; y < client.top() + (row + 1) * h; ++y)
            for (int x = client.left(); x < client.right(); ++x)
                if (image.pixelColor(x, y) == color)
                    return true;
        return false;
    };
    QVERIFY(rowHas(1, grey));  // BETA struck out in grey
    QVERIFY(!rowHas(2, grey)); // GAMA as usual
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(10, client.top() + h + h / 2));
    QCOMPARE(combo->KeyValue(), QVariant(qint64(2))); // still choosable
}

void LookupControlsTest::listBoxKeysMoveAndToggle() {
    ListFixture f;
    auto* list = f.add<TKVDBLookupListBox>();
    f.show(list);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->KeyValue(), QVariant(qint64(1)));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(list->KeyValue(), QVariant(qint64(3)));
    QCOMPARE(list->SelectedKeys().toList(), (QVariantList{qint64(2), qint64(3)}));
    QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier); // toggles the current row off
    QCOMPARE(list->SelectedKeys().toList(), (QVariantList{qint64(2)}));
    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(list->SelectedItem(), QStringLiteral("KOS")); // in the order of the key
    QTest::keyClick(list, Qt::Key_Home);
    QCOMPARE(list->SelectedItem(), QStringLiteral("ALFA"));
    QCOMPARE(list->SelectedKeys().toList(), (QVariantList{qint64(1)}));
}

void LookupControlsTest::chosenKeyGoesIntoTheBoundField() {
    ListFixture f;
    db::Table choice;
    choice.setDatabaseName(QStringLiteral("TEST"));
    choice.setTableName(QStringLiteral("CHOICE"));
    choice.open();
    db::DataSource choiceSource;
    choiceSource.setDataSet(&choice);
    auto* combo = f.add<TKVDBLookupComboBox>();
    combo->setDataSource(&choiceSource);
    combo->setDataField(QStringLiteral("LST_ID"));
    QVERIFY(combo->CanModify());
    QCOMPARE(combo->Text(), QString());
    int changes = 0;
    QStringList events;
    QObject::connect(combo, &TKVDBLookupControl::OnChange, [&] { ++changes; });
    QObject::connect(combo, &TKVDBLookupControl::OnClick, [&] { events << "click"; });
    QObject::connect(combo, &TKVDBLookupComboBox::OnCloseUp, [&] { events << "close up"; });
    combo->DropDown();
    QTest::mouseClick(combo->DataList(), Qt::LeftButton, {},
                      QPoint(10, combo->DataList()->ClientRect().top() + 2));
    QCOMPARE(events, QStringList({"click", "close up"}));
    QCOMPARE(choice.state(), db::DataSetState::Edit);
    QCOMPARE(choice.fieldByName(QStringLiteral("LST_ID")).asInteger(), 1);
    QCOMPARE(combo->Text(), QStringLiteral("ALFA"));
    QVERIFY(changes > 0);
    choice.cancel(); // the data side's own value comes back
    QCOMPARE(combo->KeyValue(), QVariant());
    QCOMPARE(combo->Text(), QString());

    // A lookup field makes the control take its list from the field.
    db::Table lookup;
    openWithLookupField(lookup, f.table);
    db::DataSource lookupSource;
    lookupSource.setDataSet(&lookup);
    TKVDBLookupComboBox bound;
    bound.setDataSource(&lookupSource);
    bound.setDataField(QStringLiteral("IME"));
    QVERIFY(bound.LookupMode());
    QCOMPARE(bound.KeyField(), QString());
    QVERIFY(!bound.ListSource());
    QCOMPARE(bound.TargetField(), lookup.findField(QStringLiteral("LST_ID")));
    QCOMPARE(bound.DisplayFieldRef(), f.table.findField(QStringLiteral("NAZIV")));
}

void LookupControlsTest::errorTexts() {
    ListFixture f;
    auto expectError = [](const std::function<void()>& action, const QString& text) {
        try {
            action();
        } catch (const platform::DatabaseError& error) {
            QCOMPARE(error.message(), text);
            return;
        }
        QFAIL(qPrintable(QStringLiteral("no error: ") + text));
    };
    TKVDBLookupListBox list;
    list.setKeyField(QStringLiteral("ID"));
    list.setListField(QStringLiteral("NAZIV;NIC"));
    expectError([&] { list.setListSource(&f.source); },
                QStringLiteral("Field 'NAZIV;NIC' not found"));
    QVERIFY(!list.ListActive());
    list.setListField(QStringLiteral("NAZIV"));
    QVERIFY(list.ListActive());
    list.setDataField(QStringLiteral("ID"));
    expectError([&] { list.setDataSource(&f.source); },
                QStringLiteral("Circular datalinks are not allowed"));

    db::Table lookup;
    openWithLookupField(lookup, f.table);
    db::DataSource lookupSource;
    lookupSource.setDataSet(&lookup);
    TKVDBLookupComboBox bound;
    bound.setDataSource(&lookupSource);
    bound.setDataField(QStringLiteral("IME"));
    expectError([&] { bound.setKeyField(QStringLiteral("ID")); },
                QStringLiteral("SPropDefByLookup"));
    expectError([&] { bound.setListSource(&f.source); }, QStringLiteral("SPropDefByLookup"));
}

void LookupControlsTest::accessibility() {
    ListFixture f;
    auto* list = f.add<TKVDBLookupListBox>();
    auto* listLabel = new QLabel(QStringLiteral("Clients"), &f.window);
    listLabel->setBuddy(list);
    f.show(list);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QAccessibleInterface* listAccess = QAccessible::queryAccessibleInterface(list);
    QVERIFY(listAccess);
    QCOMPARE(listAccess->role(), QAccessible::List);
    QCOMPARE(listAccess->text(QAccessible::Name), QStringLiteral("Clients"));
    QCOMPARE(listAccess->text(QAccessible::Value), QStringLiteral("BETA"));
    QCOMPARE(listAccess->childCount(), 7);
    QAccessibleInterface* row = listAccess->child(1);
    QCOMPARE(row->role(), QAccessible::ListItem);
    QCOMPARE(row->text(QAccessible::Name), QStringLiteral("BETA"));
    QVERIFY(row->state().selected);
    QVERIFY(row->state().focused);
    QVERIFY(!listAccess->child(0)->state().selected);
    QCOMPARE(listAccess->indexOfChild(row), 1);
    QCOMPARE(row->parent(), listAccess);

    auto* combo = f.add<TKVDBLookupComboBox>();
    auto* comboLabel = new QLabel(QStringLiteral("Client"), &f.window);
    comboLabel->setBuddy(combo);
    combo->SetKeyValue(3);
    QAccessibleInterface* comboAccess = QAccessible::queryAccessibleInterface(combo);
    QCOMPARE(comboAccess->role(), QAccessible::ComboBox);
    QCOMPARE(comboAccess->text(QAccessible::Name), QStringLiteral("Client"));
    QCOMPARE(comboAccess->text(QAccessible::Value), QStringLiteral("GAMA"));
    QVERIFY(comboAccess->state().collapsed);
    comboAccess->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    QVERIFY(combo->ListVisible());
    QCOMPARE(comboAccess->childCount(), 1);
    QCOMPARE(comboAccess->child(0)->role(), QAccessible::List);
    QVERIFY(comboAccess->child(0)->childCount() > 0);
}

void LookupControlsTest::scrollBarAndAutoScroll() {
    ListFixture f;
    auto* list = f.add<TKVDBLookupListBox>();
    list->setRowCount(4);
    f.show(list);
    QScrollBar* bar = list->ScrollBar();
    QCOMPARE(bar->maximum(), 4);                              // a full window: five positions
    QCOMPARE(bar->value(), 0);                                // at the beginning
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); // one row below the window
    QCOMPARE(f.table.recNo(), 5);
    QCOMPARE(bar->value(), 2);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    QVERIFY(f.table.eof());
    QCOMPARE(bar->value(), 4);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    QCOMPARE(f.table.recNo(), 1);

    // Dragging below the rows scrolls on by itself.
    const QRect client = list->ClientRect();
    QTest::mousePress(list, Qt::LeftButton, {}, QPoint(10, client.top() + 2));
    QVERIFY(list->Tracking());
    QMouseEvent below(QEvent::MouseMove, QPointF(10, client.bottom() + 20),
                      list->mapToGlobal(QPointF(10, client.bottom() + 20)), Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list, &below);
    const int after = f.table.recNo();
    QVERIFY(after > 1);
    QTRY_VERIFY(f.table.recNo() > after); // the timer keeps moving
    QTest::mouseRelease(list, Qt::LeftButton, {}, QPoint(10, client.top() + 2));
    QVERIFY(!list->Tracking());
    QCOMPARE(list->KeyValue(), f.table.fieldByName(QStringLiteral("ID")).value());

    // A list that cannot read on while it scrolls by itself: the error is shown once and
    // the scrolling ends.
    QStringList errors;
    const platform::ScopedMessageSink sink([&errors](platform::MessageKind, const QString& text) {
        errors << text;
        return platform::MessageResult::Ok;
    });
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    QTest::mousePress(list, Qt::LeftButton, {}, QPoint(10, client.top() + 2));
    QApplication::sendEvent(list, &below);
    QVERIFY(list->Tracking());
    f.table.afterScroll = [](db::DataSet&) {
        throw platform::EngineError(QStringLiteral("The server does not answer."));
    };
    QTRY_VERIFY(!list->Tracking());
    QTest::qWait(400); // several ticks of the timer, had it run on
    QCOMPARE(errors, QStringList({"The server does not answer."}));
    f.table.afterScroll = nullptr;
    QTest::mouseRelease(list, Qt::LeftButton, {}, QPoint(10, client.top() + 2));
}

void LookupControlsTest::comboKeysClearAndDropDown() {
    ListFixture f;
    FakeClock clock;
    auto* combo = f.add<TKVDBLookupComboBox>();
    f.show(combo);
    QTest::keyClick(combo, Qt::Key_Down); // no key: the first row
    QCOMPARE(combo->KeyValue(), QVariant(qint64(1)));
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(combo->KeyValue(), QVariant(qint64(2)));
    QTest::keyClick(combo, Qt::Key_Backspace);
    QVERIFY(!combo->KeyValue().isValid());
    QCOMPARE(combo->Text(), QString());
    QTest::keyClick(combo, Qt::Key_Down, Qt::AltModifier);
    QVERIFY(combo->ListVisible());
    QTest::keyClick(combo, Qt::Key_Down);                  // goes to the list
    QTest::keyClick(combo, Qt::Key_Down, Qt::AltModifier); // closes and accepts
    QVERIFY(!combo->ListVisible());
    QCOMPARE(combo->KeyValue(), QVariant(qint64(1)));
    combo->DropDown();
    f.after.setFocus(); // losing the focus closes without accepting
    QVERIFY(!combo->ListVisible());
    QCOMPARE(combo->KeyValue(), QVariant(qint64(1)));
}

void LookupControlsTest::filterHookRunsOnEveryNarrowing() {
    ListFixture f;
    FakeClock clock;
    auto* list = f.add<TKVDBLookupListBox>();
    int calls = 0;
    list->OnFilterListDataSet = [&](QObject* sender) {
        ++calls;
        QCOMPARE(sender, list);
        f.table.setFilter(QStringLiteral("SKUP = 2")); // the form's own filter
        f.table.setFiltered(true);
    };
    f.show(list);
    type(list, QStringLiteral("k"));
    QCOMPARE(calls, 1);
    QCOMPARE(f.rows(*list), QStringList{"KOS"}); // the form's filter still holds
    type(list, QStringLiteral("o"));
    QCOMPARE(calls, 2);
    QCOMPARE(list->KeyValue(), QVariant(qint64(10)));
}

void LookupControlsTest::locatedKeyLeavesTheListBrowsable_data() {
    QTest::addColumn<bool>("overQuery");
    QTest::addColumn<bool>("comboBox");
    QTest::newRow("table, combo box") << false << true;
    QTest::newRow("table, list box") << false << false;
    QTest::newRow("query, combo box") << true << true;
    QTest::newRow("query, list box") << true << false;
}

// In name order: ALFA BETA GAMA KOLAR KOS KOŠIR KRAJNC NOVAK ZUPAN ŠKERLJ.
void LookupControlsTest::locatedKeyLeavesTheListBrowsable() {
    QFETCH(bool, overQuery);
    QFETCH(bool, comboBox);
    ListFixture f;
    QueryList q;
    db::DataSet& list = overQuery ? static_cast<db::DataSet&>(q.query) : f.table;
    TKVDBLookupControl* control =
        comboBox ? static_cast<TKVDBLookupControl*>(f.add<TKVDBLookupComboBox>())
                 : f.add<TKVDBLookupListBox>();
    if (overQuery)
        control->setListSource(&q.source);
    f.show(control);
    control->SetKeyValue(5); // KOŠIR, set from outside
    if (overQuery)
        QVERIFY(q.query.filterInStatement());
    QVERIFY(list.fetchedRowCount() <= 7);
    const auto press = [&](Qt::Key key) {
        QTest::keyClick(control, key);
        return control->KeyValue().toInt();
    };
    QCOMPARE(press(Qt::Key_Down), 6); // KRAJNC
    QCOMPARE(press(Qt::Key_Down), 7); // NOVAK
    QCOMPARE(press(Qt::Key_Up), 6);
    QCOMPARE(press(Qt::Key_Up), 5);
    QCOMPARE(press(Qt::Key_Up), 10); // KOS: the rows above the located one are read again
    QCOMPARE(press(Qt::Key_Up), 4);
    control->SetKeyValue(8); // the last row
    QCOMPARE(press(Qt::Key_Down), 8);
    QCOMPARE(press(Qt::Key_Up), 9);

    // Within a group the located row goes on to the group's next row.
    control->setRangeField(QStringLiteral("SKUP"));
    control->setRangeValue(QStringLiteral("2"));
    control->ApplySearchText({});
    control->SetKeyValue(3); // GAMA; KOLAR, KOŠIR, KRAJNC are of group 1
    QCOMPARE(press(Qt::Key_Down), 10);
    QCOMPARE(press(Qt::Key_Down), 7);
    QCOMPARE(press(Qt::Key_Up), 10);
    QCOMPARE(press(Qt::Key_Up), 3);
    if (!comboBox) {
        QCOMPARE(press(Qt::Key_Home), 1);
        control->SetKeyValue(7);
        QCOMPARE(press(Qt::Key_Home), 1); // the group's first row, not the located one
    }
}

void LookupControlsTest::queryListIsNarrowedByTheDatabase() {
    ListFixture f;
    FakeClock clock;
    QueryList q;
    auto* list = f.add<TKVDBLookupListBox>();
    list->setListSource(&q.source);
    f.show(list);
    type(list, QStringLiteral("ko"));
    QVERIFY(q.query.filterInStatement());
    QStringList names;
    for (q.query.first(); !q.query.eof(); q.query.next())
        names << name(q.query);
    QCOMPARE(names, (QStringList{"KOLAR", "KOS", "KOŠIR"}));
    QCOMPARE(list->SearchText().toUpper(), QStringLiteral("KO"));
    QCOMPARE(list->KeyValue(), QVariant(qint64(4)));

    // The engine was given the condition with marks; the typed text is no part of it.
    QString narrowing;
    for (const QString& statement : preparedStatements(f.database)) {
        if (statement.contains(QStringLiteral("LST")) &&
            statement.contains(QStringLiteral("NAZIV >="), Qt::CaseInsensitive))
            narrowing = statement;
    }
    QVERIFY2(!narrowing.isEmpty(), qPrintable(preparedStatements(f.database).join(u'\n')));
    QVERIFY(!narrowing.contains(QStringLiteral("'KO")));
    const bool server = f.database.engine() == TestDatabase::Engine::Pgsql;
    static const QRegularExpression boundCondition(QStringLiteral("NAZIV >= (\\?|:\\w+|\\$\\d+)"),
                                                   QRegularExpression::CaseInsensitiveOption);
    QVERIFY2(narrowing.contains(boundCondition), qPrintable(narrowing));
    if (!server)
        QVERIFY2(sqlitePlan(narrowing).contains(QStringLiteral("INDEX LST_NAZIV")),
                 qPrintable(sqlitePlan(narrowing)));

    type(list, QStringLiteral("x")); // nothing starts with KOX: a beep, the text stays
    QCOMPARE(list->SearchText().toUpper(), QStringLiteral("KO"));
}

void LookupControlsTest::locateOnALongQueryReadsOnlyTheShownRows() {
    ListFixture f(ManyRows);
    QueryList q;
    auto* list = f.add<TKVDBLookupListBox>();
    list->setRowCount(5);
    list->setListSource(&q.source);
    f.show(list);
    list->SetKeyValue(100 + 600); // N0600
    QCOMPARE(name(q.query), QStringLiteral("N0600"));
    QVERIFY2(q.query.fetchedRowCount() <= list->RowCount(),
             qPrintable(QString::number(q.query.fetchedRowCount())));
    QCOMPARE(list->RowTexts(0), QStringList{"N0600"}); // shown at the top
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->KeyValue().toInt(), 701);
    QVERIFY(q.query.fetchedRowCount() <= list->RowCount() + 1);
    // Up past the located row reads a few rows above it, not the list up to it; the
    // scroll bar's thumb moving on the way moves nothing.
    QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(list->KeyValue().toInt(), 699);
    QVERIFY2(q.query.fetchedRowCount() <= 3 * list->RowCount(),
             qPrintable(QString::number(q.query.fetchedRowCount())));
    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(list->KeyValue().toInt(), 8); // ŠKERLJ, the last row
    QCOMPARE(list->RowTexts(list->RowCount() - 1), QStringList{"ŠKERLJ"});
    QCOMPARE(list->RowTexts(0), QStringList{"N0999"}); // a full window
    QVERIFY(q.query.fetchedRowCount() <= list->RowCount());
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(list->KeyValue().toInt(), 9); // ZUPAN
}

// A statement with GROUP BY cannot take a condition: narrowing and locating go on as
// before, on the rows as they are read.
void LookupControlsTest::statementsThatCannotTakeAConditionFilterTheRows() {
    ListFixture f;
    FakeClock clock;
    QueryList q(QStringLiteral(
        "SELECT MIN(ID) AS ID, NAZIV, MIN(SKUP) AS SKUP FROM LST GROUP BY NAZIV ORDER BY NAZIV"));
    auto* combo = f.add<TKVDBLookupComboBox>();
    combo->setListSource(&q.source);
    f.show(combo);
    combo->SetKeyValue(5);
    QCOMPARE(combo->Text(), QStringLiteral("KOŠIR"));
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(combo->KeyValue().toInt(), 6);
    combo->ApplySearchText(QStringLiteral("K"));
    QVERIFY(!q.query.filterInStatement());
    QCOMPARE(q.query.recordCount(), 4);
}

void LookupControlsTest::dropDownOpensAtTheCurrentValue() {
    ListFixture f(ManyRows);
    auto* combo = f.add<TKVDBLookupComboBox>();
    f.show(combo);
    combo->SetKeyValue(100 + 500); // N0500, far down the list
    combo->DropDown();
    TKVPopupDataList* list = combo->DataList();
    QCOMPARE(list->KeyValue(), QVariant(600));
    int shownAt = -1;
    for (int row = 0; row < list->RecordCount(); ++row) {
        if (list->RowKeyAt(row).toInt() == 600)
            shownAt = row;
    }
    QVERIFY(shownAt >= 0);
    QVERIFY(QAccessible::queryAccessibleInterface(list)->child(shownAt)->state().selected);
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Return);
    QCOMPARE(combo->KeyValue().toInt(), 601);
    QCOMPARE(combo->Text(), QStringLiteral("N0501"));
}

void LookupControlsTest::wheelScrollsByRows() {
    ListFixture f;
    auto* list = f.add<TKVDBLookupListBox>();
    list->setRowCount(4);
    f.show(list);
    list->SetKeyValue(1);
    const auto turn = [](QWidget* widget, int notches) {
        const QPoint at(widget->width() / 2, widget->height() / 2);
        QWheelEvent wheel(at, widget->mapToGlobal(at), {}, QPoint(0, 120 * notches), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget, &wheel);
    };
    const int lines = QApplication::wheelScrollLines();
    QApplication::setWheelScrollLines(2);
    turn(list, -1);                                   // down: two rows
    QCOMPARE(list->RowTexts(0), QStringList{"GAMA"}); // in key order
    turn(list->ScrollBar(), -1); // over the scroll bar the same, not to the end
    QCOMPARE(list->RowTexts(0), QStringList{"KOŠIR"});
    QVERIFY(!f.table.eof());
    turn(list, 2);
    QCOMPARE(list->RowTexts(0), QStringList{"ALFA"});
    QCOMPARE(list->KeyValue(), QVariant(1)); // scrolling chooses nothing
    QApplication::setWheelScrollLines(lines);
}

void LookupControlsTest::keyChangesAreToldAlsoWhenCleared() {
    ListFixture f;
    auto* combo = f.add<TKVDBLookupComboBox>();
    QStringList told;
    connect(combo, &TKVDBLookupControl::keyChanged, combo,
            [&] { told << combo->KeyValue().toString(); });
    f.show(combo);
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Escape);
    combo->SetKeyValue(3);
    combo->SetKeyValue(QVariant());
    QCOMPARE(told, (QStringList{"1", QString(), "3", QString()}));
}

void LookupControlsTest::accessibleValueSelectionAndDisabledRows() {
    AccessibilityEvents events;
    ListFixture f;
    struct NoBetaList : TKVDBLookupListBox {
        using TKVDBLookupListBox::TKVDBLookupListBox;
        bool IsRowEnabled() override {
            return ActiveRowValue(QStringLiteral("NAZIV")).toString() != u"BETA";
        }
    };
    auto* list = f.add<NoBetaList>();
    auto* combo = f.add<TKVDBLookupComboBox>();
    f.show(list);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);                      // BETA
    QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier); // and GAMA
    QAccessibleInterface* listAccess = QAccessible::queryAccessibleInterface(list);
    QCOMPARE(listAccess->textInterface()->text(0, -1), QStringLiteral("GAMA"));
    QAccessibleTableInterface* table = listAccess->tableInterface();
    QVERIFY(table);
    QCOMPARE(table->selectedRows(), (QList<int>{1, 2}));
    QCOMPARE(table->selectedCellCount(), 2);
    QVERIFY(listAccess->child(1)->state().disabled);
    QVERIFY(!listAccess->child(2)->state().disabled);
    QVERIFY(table->unselectRow(1));
    QCOMPARE(list->SelectedKeys(), QVariant(QVariantList{qint64(3)}));
    QCOMPARE(table->selectedRowCount(), 1);
    QCOMPARE(list->RowKeyAt(table->selectedRows().value(0)), QVariant(qint64(3)));
    const QVariant fourth = list->RowKeyAt(3);
    QVERIFY(table->selectRow(3));
    QCOMPARE(list->KeyValue(), fourth);
    // Events reach assistive tools only while the platform has them switched on.
    const bool eventsHeard = QAccessible::isActive();
    if (eventsHeard) {
        QVERIFY(AccessibilityEvents::has(list, QAccessible::SelectionWithin));
        QVERIFY(AccessibilityEvents::has(list, QAccessible::ValueChanged));
    }

    combo->SetKeyValue(7);
    QAccessibleInterface* comboAccess = QAccessible::queryAccessibleInterface(combo);
    QCOMPARE(comboAccess->text(QAccessible::Value), QStringLiteral("NOVAK"));
    QCOMPARE(comboAccess->textInterface()->text(0, -1), QStringLiteral("NOVAK"));
    QCOMPARE(comboAccess->textInterface()->characterCount(), 5);
    if (eventsHeard)
        QVERIFY(AccessibilityEvents::values.contains(QStringLiteral("NOVAK")));
}

QTEST_MAIN(LookupControlsTest)
#include "tst_lookupcontrols.moc"
