#include "../support/TestDatabase.h"

#include "controls/KVDbCtrl.h"
#include "controls/KvDbCtrX.h"
#include "db/DataSource.h"
#include "db/Query.h"
#include "db/Table.h"
#include "platform/Errors.h"
#include "platform/MessageBox.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>
#include <memory>

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
    TestDatabase database{QStringLiteral("TEST"), TestDatabase::Content::Empty, ListSchema};
    db::Table table;
    db::DataSource source;
    QWidget window;
    QLineEdit after{&window}; // the control the focus moves on to
    ReadCounter counter;

    ListFixture() {
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
    combo->OnChange = [&](QObject*) { ++changes; };
    combo->DropDown();
    QTest::mouseClick(combo->DataList(), Qt::LeftButton, {},
                      QPoint(10, combo->DataList()->ClientRect().top() + 2));
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

QTEST_MAIN(LookupControlsTest)
#include "tst_lookupcontrols.moc"
