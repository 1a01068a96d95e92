#include "../support/TestDatabase.h"

#include "db/Query.h"
#include "db/Table.h"
#include "entry/UTypedEd.h"
#include "entry/Udrgdrp.h"
#include "entry/Uptypeed.h"
#include "platform/Application.h"
#include "platform/EditMask.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/FormatSettings.h"
#include "platform/MessageBox.h"
#include "platform/Pictures.h"
#include "platform/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QVBoxLayout>

using db::FieldType;
using entry::TPTypedEdit;
using entry::TTypedEdit;

namespace {

const QColor Red(255, 0, 0);

// A shown, active window with typed edits and a plain edit to move the focus to. It
// counts the keys that the edits let through.
class Form : public QWidget {
public:
    Form() {
        new QVBoxLayout(this);
        elsewhere = add<QLineEdit>();
    }
    template <typename Edit> Edit* add() {
        auto* edit = new Edit(this);
        layout()->addWidget(edit);
        return edit;
    }
    TPTypedEdit* addTyped(FieldType type) {
        auto* edit = add<TPTypedEdit>();
        edit->setDataType(type);
        return edit;
    }
    bool showActive() {
        show();
        activateWindow();
        return QTest::qWaitForWindowActive(this);
    }
    QLineEdit* elsewhere = nullptr;
    int keysReceived = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++keysReceived; }
};

// Replaces the whole text of the focused edit by typing.
void retype(QWidget* edit, const QString& keys) {
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClicks(edit, keys);
}

bool sendDrag(QWidget* target, QEvent::Type type) {
    QMimeData data;
    if (type == QEvent::Drop) {
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QCoreApplication::sendEvent(target, &enter);
    return enter.isAccepted();
}

// Process and user settings changed by a test are put back when it ends.
class SettingsGuard {
public:
    SettingsGuard() : saved_(platform::formatSettings()) {}
    ~SettingsGuard() {
        platform::formatSettings() = saved_;
        platform::clearUserLocaleOverride();
    }

private:
    platform::FormatSettings saved_;
};

// A database with three items, for the filter queries.
class ItemsDatabase {
public:
    ItemsDatabase() {
        database_.exec(QStringLiteral("CREATE TABLE ITEMS (S VARCHAR(10), N INTEGER);"
                                      "INSERT INTO ITEMS VALUES ('a', 1), ('b', 2), ('c', 3);"));
    }
    static void prepare(db::Query& query, const QString& sql) {
        query.setDatabaseName(QStringLiteral("ENTRY"));
        query.setSqlText(sql);
    }

private:
    TestDatabase database_{QStringLiteral("ENTRY"), TestDatabase::Content::Empty};
};

} // namespace

class TypedEditTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void classicMasksAreTranslated();
    void dateTypedAndConfirmedWithEnter();
    void impossibleDateKeepsFocusAndTouch();
    void bareDateMaskIsNullBareTimeMaskIsNot();
    void questionMarkMakesNull();
    void floatUnderDecimalCommaAndThousandsPoint();
    void loadedDateFieldShowsToday();
    void dragRespectsFixedDataType();
    void groupEditsClearEachOther();
    void arrowsStepTheFilterQuery();
    void onlyNewOrTypedValuesRefreshTheFilter();
    void missingParameterIsReportedAndKeepsFocus();
    void startUpFontComesFromWinIni();

private:
    QStringList errors_;
    std::unique_ptr<platform::ScopedMessageSink> sink_;
};

void TypedEditTest::init() {
    errors_.clear();
    sink_ = std::make_unique<platform::ScopedMessageSink>(
        [this](platform::MessageKind, const QString& text) {
            errors_ << text;
            return platform::MessageResult::Ok;
        });
}

void TypedEditTest::cleanup() {
    sink_.reset();
    entry::DragValue.Armed = false;
}

void TypedEditTest::classicMasksAreTranslated() {
    platform::FormatSettings settings;
    settings.dateSeparator = u'/';
    const auto date = platform::translateEditMask(QStringLiteral("99/99/9999;1"), settings);
    QCOMPARE(date.inputMask, QStringLiteral("00/00/0000;_"));
    QVERIFY(date.keepLiterals);
    const auto code = platform::translateEditMask(QStringLiteral(">LL-0000 \\9a;0;*"), settings);
    QCOMPARE(code.inputMask, QStringLiteral(">AA-9999 \\9n;*"));
    QCOMPARE(platform::maskedText(code, QStringLiteral("SI-1234 9*")), QStringLiteral("SI1234"));
    QCOMPARE(platform::translateEditMask(QString()).inputMask, QString());
}

void TypedEditTest::dateTypedAndConfirmedWithEnter() {
    Form form;
    auto* field = form.addTyped(FieldType::Date); // configured as the main window's date
    field->setMaxLength(10);
    QVERIFY(form.showActive());
    field->Loaded();
    QCOMPARE(field->inputMask(), QStringLiteral("00.00.0000;_"));
    QCOMPARE(field->fontColor(), field->SavedFontColor());

    QSignalSpy touched(field, &entry::TCustomTypedEdit::OnTouch);
    QSignalSpy changed(field, &entry::TCustomTypedEdit::OnChange);
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Home);
    QTest::keyClicks(field, QStringLiteral("05112024"));
    QCOMPARE(field->text(), QStringLiteral("05.11.2024"));
    QVERIFY(field->Touched());
    QCOMPARE(field->fontColor(), Red);
    QCOMPARE(touched.count(), 1);
    QCOMPARE(changed.count(), 0);

    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(field->GetDateTimeValue(), platform::encodeDate(2024, 11, 5));
    QVERIFY(!field->Touched());
    QCOMPARE(field->fontColor(), field->SavedFontColor());
    QCOMPARE(changed.count(), 1);
    QVERIFY(errors_.isEmpty());
}

void TypedEditTest::impossibleDateKeepsFocusAndTouch() {
    Form form;
    auto* field = form.addTyped(FieldType::Date);
    QVERIFY(form.showActive());
    field->Loaded();
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Home);
    QTest::keyClicks(field, QStringLiteral("31022024"));

    form.elsewhere->setFocus(); // leaving confirms; the error reaches the error display
    QCOMPARE(errors_.size(), 1);
    QVERIFY2(errors_.first().contains(QStringLiteral("into type (Date)")), qPrintable(errors_[0]));
    QTRY_VERIFY(field->hasFocus());
    QVERIFY(field->Touched());
    QCOMPARE(field->text(), QStringLiteral("31.02.2024"));
    QCOMPARE(field->fontColor(), Red);
    QCOMPARE(field->ValueParam().value(), QVariant(QStringLiteral("31.02.2024")));
    QVERIFY_THROWS_EXCEPTION(platform::VariantError, field->GetDateTimeValue());

    QTest::keyClick(field, Qt::Key_Escape);
    QVERIFY(field->ValueParam().isNull());
    QVERIFY(!field->Touched());
    QCOMPARE(field->GetDateTimeValue(), 0.0);
}

void TypedEditTest::bareDateMaskIsNullBareTimeMaskIsNot() {
    Form form;
    auto* date = form.addTyped(FieldType::Date);
    auto* time = form.addTyped(FieldType::Time);
    QVERIFY(form.showActive());
    date->SetDateValue(platform::encodeDate(2024, 11, 5));
    time->SetDateTimeValue(platform::encodeTime(12, 30, 0, 0));
    QCOMPARE(time->text(), QStringLiteral("12:30:00"));

    date->setFocus();
    retype(date, {});
    QTest::keyClick(date, Qt::Key_Return);
    QVERIFY(date->ValueParam().isNull());

    time->setFocus();
    retype(time, {});
    QTest::keyClick(time, Qt::Key_Return);
    QVERIFY(!time->ValueParam().isNull());
    QCOMPARE(time->ValueParam().FormatText(), QString());
    QCOMPARE(time->displayText(), QStringLiteral("__:__:__"));
    QVERIFY(errors_.isEmpty());
}

void TypedEditTest::questionMarkMakesNull() {
    Form form;
    auto* text = form.addTyped(FieldType::String);
    auto* number = form.addTyped(FieldType::Float);
    QVERIFY(form.showActive());
    text->SetTextValue(QStringLiteral("abc"));
    number->SetFloatValue(2.5);
    for (TPTypedEdit* field : {text, number}) {
        field->setFocus();
        retype(field, QStringLiteral("?"));
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(field->ValueParam().isNull());
        QCOMPARE(field->text(), QString());
    }
}

void TypedEditTest::floatUnderDecimalCommaAndThousandsPoint() {
    SettingsGuard guard;
    auto& settings = platform::formatSettings();
    settings.decimalSeparator = u',';
    settings.thousandSeparator = u'.';
    platform::setUserLocaleOverride(settings);

    Form form;
    auto* field = form.addTyped(FieldType::Float);
    QVERIFY(form.showActive());
    field->SetFloatValue(1234.5);
    QCOMPARE(field->text(), QStringLiteral("1234,5"));

    field->setFocus();
    retype(field, QStringLiteral("1.234,5"));
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(field->ValueParam().asFloat(), 1234.5);
    QCOMPARE(field->text(), QStringLiteral("1234,5"));
    field->setDisplayFormat(QStringLiteral("#,##0.00"));
    QCOMPARE(field->text(), QStringLiteral("1.234,50"));

    // Stored as text in the user's form, the value still reads when the process
    // separator differs.
    settings.decimalSeparator = u'.';
    field->SetFloatValue(0.25);
    QCOMPARE(field->ValueParam().value(), QVariant(QStringLiteral("0,25")));
    QCOMPARE(field->text(), QStringLiteral("0.25"));
}

void TypedEditTest::loadedDateFieldShowsToday() {
    Form form;
    auto* date = form.addTyped(FieldType::Date);
    auto* text = form.addTyped(FieldType::String);
    date->setText(QStringLiteral("28.09.2017")); // the text a form would have stored
    text->setText(QStringLiteral("stored"));
    date->Loaded();
    text->Loaded();
    QCOMPARE(date->GetDateTimeValue(), platform::today());
    QCOMPARE(date->text(), platform::dateToStr(platform::today()));
    QCOMPARE(text->ValueParam().asString(), QStringLiteral("stored"));
    QVERIFY(!date->Touched());
    QCOMPARE(date->fontColor(), date->SavedFontColor());
}

void TypedEditTest::dragRespectsFixedDataType() {
    Form form;
    auto* source = form.addTyped(FieldType::Date);
    auto* target = form.addTyped(FieldType::Float);
    QVERIFY(form.showActive());
    source->SetDateValue(platform::encodeDate(2024, 11, 5));
    target->SetFloatValue(1.5);

    QTest::mouseClick(source, Qt::LeftButton);
    QVERIFY(entry::DragValue.Armed);
    QVERIFY(!sendDrag(target, QEvent::DragEnter));

    target->setDataTypeFixed(false);
    QVERIFY(sendDrag(target, QEvent::DragEnter));
    sendDrag(target, QEvent::Drop);
    QCOMPARE(target->dataType(), FieldType::Date);
    QCOMPARE(target->inputMask(), QStringLiteral("00.00.0000;_"));
    QCOMPARE(target->GetDateTimeValue(), platform::encodeDate(2024, 11, 5));
    QCOMPARE(target->text(), QStringLiteral("05.11.2024"));
    QVERIFY(!entry::DragValue.Armed);

    // Not armed: only the owner's handler decides.
    QVERIFY(!sendDrag(target, QEvent::DragEnter));
    target->setOnDragOver([](QObject*, const QPoint&) { return true; });
    QVERIFY(sendDrag(target, QEvent::DragEnter));
}

void TypedEditTest::groupEditsClearEachOther() {
    ItemsDatabase database;
    Form form;
    db::Query first, second;
    struct Member {
        TPTypedEdit* edit;
        db::Query& query;
    };
    std::vector<Member> members;
    for (db::Query* query : {&first, &second}) {
        database.prepare(*query, QStringLiteral("SELECT * FROM ITEMS WHERE S = :s"));
        auto* edit = form.addTyped(FieldType::String);
        edit->paramName = QStringLiteral("s");
        edit->GroupIndex = 1;
        edit->setFilter(query);
        members.push_back({edit, *query});
    }
    auto* loner = form.addTyped(FieldType::String); // group 0 is no group
    auto* otherLoner = form.addTyped(FieldType::String);
    QVERIFY(form.showActive());
    members[0].edit->SetTextValue(QStringLiteral("a"));
    members[1].edit->SetTextValue(QStringLiteral("b"));
    QCOMPARE(second.paramByName(QStringLiteral("s")).asString(), QStringLiteral("b"));
    first.open();
    second.open();

    members[0].edit->setFocus();
    retype(members[0].edit, QStringLiteral("c"));
    QVERIFY(!first.active()); // closed at the first keystroke
    QVERIFY(members[1].edit->ValueParam().isNull());
    QCOMPARE(members[1].edit->text(), QString());
    QVERIFY(second.paramByName(QStringLiteral("s")).isNull());
    QTest::keyClick(members[0].edit, Qt::Key_Return);
    QCOMPARE(first.paramByName(QStringLiteral("s")).asString(), QStringLiteral("c"));

    otherLoner->SetTextValue(QStringLiteral("kept"));
    loner->setFocus();
    QTest::keyClicks(loner, QStringLiteral("x"));
    QCOMPARE(otherLoner->ValueParam().asString(), QStringLiteral("kept"));
    QVERIFY(errors_.isEmpty());
}

void TypedEditTest::arrowsStepTheFilterQuery() {
    ItemsDatabase database;
    db::Query items;
    database.prepare(items, QStringLiteral("SELECT * FROM ITEMS ORDER BY N"));
    Form form;
    auto* field = form.addTyped(FieldType::String);
    field->setFilter(&items);
    QVERIFY(form.showActive());
    field->SetTextValue(QStringLiteral("abc"));
    items.open();
    field->setFocus();
    field->setCursorPosition(1);

    QTest::keyClick(field, Qt::Key_Down);
    QCOMPARE(items.recNo(), 2);
    QTest::keyClick(field, Qt::Key_Down);
    QTest::keyClick(field, Qt::Key_Down); // at the last row: nothing
    QCOMPARE(items.recNo(), 3);
    QTest::keyClick(field, Qt::Key_Up);
    QCOMPARE(items.recNo(), 2);
    QCOMPARE(field->cursorPosition(), 1);

    items.close();
    QTest::keyClick(field, Qt::Key_Down); // swallowed while a filter is assigned
    QCOMPARE(form.keysReceived, 0);
    field->setFilter(nullptr);
    QTest::keyClick(field, Qt::Key_Down);
    QCOMPARE(form.keysReceived, 1);
}

// A value set without typing refreshes a query filter only when it changes the
// parameter, and never re-indexes a table; a typed value does both.
void TypedEditTest::onlyNewOrTypedValuesRefreshTheFilter() {
    ItemsDatabase database;
    Form form;
    db::Query items;
    database.prepare(items, QStringLiteral("SELECT * FROM ITEMS WHERE S = :s"));
    auto* byParameter = form.addTyped(FieldType::String);
    byParameter->paramName = QStringLiteral("s");
    byParameter->setFilter(&items);
    byParameter->SetTextValue(QStringLiteral("a"));
    items.open();
    byParameter->SetTextValue(QStringLiteral("a"));
    QVERIFY(items.active());
    byParameter->SetTextValue(QStringLiteral("b"));
    QVERIFY(!items.active());

    db::Table table;
    table.setDatabaseName(QStringLiteral("ENTRY"));
    table.setTableName(QStringLiteral("ITEMS"));
    table.setIndexFieldNames(QStringLiteral("S"));
    table.open();
    auto* byIndex = form.addTyped(FieldType::String);
    byIndex->filterIndex = QStringLiteral("N");
    byIndex->setFilter(&table);
    QVERIFY(form.showActive());
    byIndex->SetTextValue(QStringLiteral("chosen"));
    QCOMPARE(table.indexFieldNames(), QStringLiteral("S"));
    byIndex->setFocus();
    QTest::keyClicks(byIndex, QStringLiteral("x"));
    QTest::keyClick(byIndex, Qt::Key_Return);
    QCOMPARE(table.indexFieldNames(), QStringLiteral("N"));
    QVERIFY(table.active());
    QVERIFY(errors_.isEmpty());
}

void TypedEditTest::missingParameterIsReportedAndKeepsFocus() {
    ItemsDatabase database;
    db::Query items;
    database.prepare(items, QStringLiteral("SELECT * FROM ITEMS WHERE S = :s"));
    Form form;
    auto* field = form.addTyped(FieldType::String);
    field->setFilter(&items);
    field->paramName = QStringLiteral("nope");
    QVERIFY(form.showActive());
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("a"));
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(errors_, QStringList{QStringLiteral("Parameter 'nope' not found")});
    QVERIFY(field->hasFocus());
    QVERIFY(field->Touched());
    QCOMPARE(field->ValueParam().asString(), QStringLiteral("a")); // already read
}

void TypedEditTest::startUpFontComesFromWinIni() {
    QStandardPaths::setTestModeEnabled(true);
    const QString path = platform::winIniPath();
    QDir().mkpath(QFileInfo(path).path());
    platform::ProfileFile winIni(path);
    winIni.writeString(QStringLiteral("QOR"), QStringLiteral("FontName"), QStringLiteral("Serif"));
    winIni.writeInteger(QStringLiteral("QOR"), QStringLiteral("fontsize"), 11);
    entry::InitTypedEditDefaults();
    QFile::remove(path);
    const QFont font = TTypedEdit().font();
    entry::InitTypedEditDefaults(); // the built-in defaults again
    QCOMPARE(font.family(), QStringLiteral("Serif"));
    QCOMPARE(font.pointSize(), 11);
    QVERIFY(font.bold());
    QCOMPARE(entry::typedEditDefaults().fontName, QStringLiteral("Arial CE"));
}

int main(int argc, char** argv) {
    // The program's application object: errors that leave an event handler reach the
    // top-level error display, which the tests' message sink records.
    platform::Application application(argc, argv);
    TypedEditTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_typededit.moc"
