// The component model: owned components in creation order, tags, kinds told apart by
// class, captions and hints; and the guard of handlers that may raise.
#include "platform/Application.h"
#include "platform/Components.h"
#include "platform/Errors.h"
#include "platform/MessageBox.h"
#include "platform/StdControls.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

using namespace platform;

namespace framework {
// Stands for a class of a layer above that derives from a Qt class and says nothing.
class TMaskEditLike : public QLineEdit {
    Q_OBJECT
};
// Stand for classes of a layer above that declare the kind they play.
class TGridLike : public QTableWidget {
    Q_OBJECT
    Q_CLASSINFO("ComponentKind", "database grid")
};
class TDerivedGridLike : public TGridLike {
    Q_OBJECT
};
class TMisspelledKind : public QLineEdit {
    Q_OBJECT
    Q_CLASSINFO("ComponentKind", "data grid")
};
} // namespace framework

namespace {

QStringList namesOf(const QList<QObject*>& components) {
    QStringList names;
    for (const QObject* component : components)
        names.append(component->objectName());
    return names;
}

} // namespace

class TestComponents : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void componentsKeepCreationOrderWhateverTheirParent();
    void destroyedComponentsDropOut();
    void unregisteredFormAnswersItsNamedDescendants();
    void tagsDefaultToZero();
    void kindsAreToldApartByClass();
    void aDeclaredKindIsTheOnlyKind();
    void eachKindHasARowAndAName();
    void captionsAndHintsPerKind();
    void guardedHandlerShowsTheErrorAndReturns();
    void guardedHandlerTakesTheSignalArguments();
};

void TestComponents::componentsKeepCreationOrderWhateverTheirParent() {
    QDialog form;
    auto* panel = addComponent(&form, new TPanel(&form), "pnlTop");
    auto* sheets = addComponent(&form, new QTabWidget(&form), "pcMain");
    auto* sheet = addComponent(&form, new TTabSheet, "tsNabor");
    sheets->addTab(sheet, QStringLiteral("Nabor"));
    auto* label = addComponent(&form, new QLabel(sheet), "lDatum");
    addComponent(&form, new QPushButton(panel), "bbNabor");
    label->setParent(panel); // moving a widget keeps its place among the components
    registerComponent(&form, sheet);

    QCOMPARE(namesOf(componentsOf(&form)),
             QStringList({"pnlTop", "pcMain", "tsNabor", "lDatum", "bbNabor"}));
    QCOMPARE(findComponent(&form, QStringLiteral("BBNABOR"))->objectName(), "bbNabor");
    QCOMPARE(findComponent(&form, QStringLiteral("missing")), nullptr);
}

void TestComponents::destroyedComponentsDropOut() {
    QMainWindow form;
    addComponent(&form, new QLabel(&form), "lFirst");
    auto* doomed = addComponent(&form, new QCheckBox(&form), "cbDoomed");
    auto* action = addComponent(&form, new QAction(&form), "Izhod1");
    delete doomed;
    QCOMPARE(namesOf(componentsOf(&form)), QStringList({"lFirst", "Izhod1"}));
    delete action;
    QCOMPARE(namesOf(componentsOf(&form)), QStringList({"lFirst"}));

    // Another form's list is its own.
    QDialog other;
    addComponent(&other, new QLabel(&other), "lOther");
    QCOMPARE(namesOf(componentsOf(&other)), QStringList({"lOther"}));
}

void TestComponents::unregisteredFormAnswersItsNamedDescendants() {
    QDialog form;
    auto* panel = new TPanel(&form);
    panel->setObjectName(QStringLiteral("pnl"));
    new QLabel(panel); // without a name: not a component
    auto* inner = new QLabel(panel);
    inner->setObjectName(QStringLiteral("lInner"));
    auto* pages = new QTabWidget(&form); // its stack is Qt's own ("qt_tabwidget_...")
    pages->setObjectName(QStringLiteral("pc"));
    pages->addTab(new QWidget, QStringLiteral("x"));
    QCOMPARE(namesOf(componentsOf(&form)), QStringList({"pnl", "lInner", "pc"}));
}

void TestComponents::tagsDefaultToZero() {
    QLabel label;
    QCOMPARE(tagOf(&label), 0);
    setTag(&label, -1);
    QCOMPARE(tagOf(&label), -1);
    setTag(&label, 1);
    QCOMPARE(tagOf(&label), 1);
    QCOMPARE(tagOf(nullptr), 0);
}

void TestComponents::kindsAreToldApartByClass() {
    QDialog form;
    QMainWindow window;
    QAction action(nullptr);
    const QList<QPair<QObject*, ComponentKind>> cases = {
        {&form, ComponentKind::Form},
        {&window, ComponentKind::Form},
        {new TFrame(&form), ComponentKind::Frame},
        {new QLabel(&form), ComponentKind::Label},
        {new TBitBtn(&form), ComponentKind::BitBtn},
        {new QPushButton(&form), ComponentKind::Button},
        {new QToolButton(&form), ComponentKind::SpeedButton},
        {new QCheckBox(&form), ComponentKind::CheckBox},
        {new QRadioButton(&form), ComponentKind::RadioButton},
        {new TRadioGroup(&form), ComponentKind::RadioGroup},
        {new QGroupBox(&form), ComponentKind::GroupBox},
        {new TPanel(&form), ComponentKind::Panel},
        {new QFrame(&form), ComponentKind::Unknown},
        {new TTabSheet(&form), ComponentKind::TabSheet},
        {new QTabWidget(&form), ComponentKind::PageControl},
        {new QStackedWidget(&form), ComponentKind::Notebook},
        {&action, ComponentKind::MenuItem},
        {new QLineEdit(&form), ComponentKind::Edit},
        {new QPlainTextEdit(&form), ComponentKind::Memo},
        {new QListWidget(&form), ComponentKind::ListBox},
        {new QComboBox(&form), ComponentKind::ComboBox},
        {new QTableWidget(&form), ComponentKind::StringGrid},
        {new QWidget(&form), ComponentKind::Unknown},
    };
    for (const auto& [object, kind] : cases) {
        QVERIFY2(kindOf(object) == kind, object->metaObject()->className());
        QVERIFY(kind == ComponentKind::Unknown || isKind(object, kind));
    }
    QVERIFY(!isKind(cases.at(4).first, ComponentKind::Button));   // a bitmap button
    QVERIFY(!isKind(cases.at(9).first, ComponentKind::GroupBox)); // a radio group
    QVERIFY(!isKind(cases.at(3).first, ComponentKind::Panel));    // a label is no panel
    framework::TMaskEditLike derived;
    QCOMPARE(kindOf(&derived), ComponentKind::Edit);
    QCOMPARE(kindOf(nullptr), ComponentKind::Unknown);
}

// A declared kind wins over the Qt class, is the object's only kind and passes on to
// derived classes; a name the table does not know makes no kind of a guess.
void TestComponents::aDeclaredKindIsTheOnlyKind() {
    framework::TGridLike grid;
    framework::TDerivedGridLike derived;
    for (const QObject* object : {static_cast<QObject*>(&grid), static_cast<QObject*>(&derived)}) {
        QCOMPARE(kindOf(object), ComponentKind::DbGrid);
        QVERIFY(isKind(object, ComponentKind::DbGrid));
        QVERIFY(!isKind(object, ComponentKind::StringGrid));
    }
    framework::TMisspelledKind misspelled;
    QCOMPARE(kindOf(&misspelled), ComponentKind::Unknown);
    QVERIFY(!isKind(&misspelled, ComponentKind::Edit));
}

void TestComponents::eachKindHasARowAndAName() {
    QSet<ComponentKind> kinds;
    for (const ComponentKindInfo& info : componentKinds()) {
        QVERIFY2(!kinds.contains(info.kind), info.name);
        kinds.insert(info.kind);
        QCOMPARE(kindName(info.kind), QString::fromLatin1(info.name));
        for (const QList<const char*>& classes : {info.classes, info.except})
            for (const char* name : classes) // Qt's and this layer's classes only
                QVERIFY2(QByteArray(name).startsWith("platform::") || name[0] == 'Q', name);
    }
    QCOMPARE(kinds.size(), int(ComponentKind::StringGrid)); // all but Unknown
    QCOMPARE(kindName(ComponentKind::SpeedButton), "speed button");
}

void TestComponents::captionsAndHintsPerKind() {
    QDialog form;
    form.setWindowTitle(QStringLiteral("Nastavitve"));
    QCOMPARE(captionOf(&form), "Nastavitve");

    auto* pages = new QTabWidget(&form);
    auto* sheet = new TTabSheet;
    pages->addTab(sheet, QStringLiteral("Nabor"));
    QCOMPARE(captionOf(sheet), "Nabor");
    setCaption(sheet, QStringLiteral("Selection"));
    QCOMPARE(pages->tabText(0), "Selection");

    auto* group = new TRadioGroup(&form);
    setCaption(group, QStringLiteral("Vrsta"));
    QCOMPARE(group->title(), "Vrsta");
    group->setItems({"A", "B", "C"});
    group->setItem(1, QStringLiteral("Be"));
    QCOMPARE(group->items(), QStringList({"A", "Be", "C"}));

    auto* panel = new TPanel(&form);
    setCaption(panel, QStringLiteral("Panel"));
    QCOMPARE(captionOf(panel), "Panel");
    // The panel paints its caption: assistive tools read it as the panel's name.
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(panel);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::Pane);
    QCOMPARE(accessible->text(QAccessible::Name), "Panel");

    QAction item(QStringLiteral("Izhod"));
    setHint(&item, QStringLiteral("Konec"));
    QCOMPARE(captionOf(&item), "Izhod");
    QCOMPARE(hintOf(&item), "Konec");

    auto* button = new TBitBtn(QStringLiteral("Nabor"), &form);
    setHint(button, QStringLiteral("Nabor podatkov"));
    QCOMPARE(captionOf(button), "Nabor");
    QCOMPARE(button->toolTip(), "Nabor podatkov");

    auto* notebook = new QStackedWidget(&form);
    setCaption(notebook, QStringLiteral("ignored"));
    QCOMPARE(captionOf(notebook), QString());
}

void TestComponents::guardedHandlerShowsTheErrorAndReturns() {
    QStringList shown;
    ScopedMessageSink sink([&](MessageKind, const QString& text) {
        shown.append(text);
        return MessageResult::Ok;
    });
    QPushButton button;
    bool after = false;
    connect(&button, &QPushButton::clicked, &button,
            guarded([] { throw Exception(QStringLiteral("Napaka pri branju")); }));
    connect(&button, &QPushButton::clicked, &button, [&] { after = true; });
    button.click();
    QCOMPARE(shown, QStringList({"Napaka pri branju"}));
    QVERIFY(after); // the signal went on to the next handler
}

void TestComponents::guardedHandlerTakesTheSignalArguments() {
    ScopedMessageSink sink([](MessageKind, const QString&) { return MessageResult::Ok; });
    QCheckBox box;
    QList<bool> states;
    connect(&box, &QCheckBox::toggled, &box, guarded([&](bool on) { states.append(on); }));
    struct Counter {
        int clicks = 0;
        void click() { ++clicks; }
    } counter;
    connect(&box, &QCheckBox::toggled, &box, guarded(&counter, &Counter::click));
    box.setChecked(true);
    box.setChecked(false);
    QCOMPARE(states, QList<bool>({true, false}));
    QCOMPARE(counter.clicks, 2);
}

QTEST_MAIN(TestComponents)
#include "tst_components.moc"
