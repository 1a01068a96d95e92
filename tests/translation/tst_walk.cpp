#include "platform/Application.h"
#include "platform/Components.h"
#include "platform/ControlLook.h"
#include "platform/StdControls.h"
#include "translation/Udialog.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using platform::addComponent;
using translation::TPrevodInterface;

namespace {

// A panel class that the walk leaves alone by its name.
class TXPanel : public platform::TPanel {
    Q_OBJECT
public:
    using TPanel::TPanel;
};

// Records the names looked up and answers "EN " + the source text.
struct RecordingLookup {
    QStringList names;
    std::function<void(const QString&)> during;

    TPrevodInterface walker(bool writeMode = false) {
        TPrevodInterface walker;
        walker.Bind(
            [this](const QString& name, const QString& source, QString& result) {
                names.append(name);
                if (during)
                    during(name);
                result = QStringLiteral("EN ") + source;
            },
            nullptr);
        walker.SetWriteMode(writeMode);
        return walker;
    }
    QStringList walk(const QList<QObject*>& components, bool writeMode = false) {
        names.clear();
        TPrevodInterface walker = this->walker(writeMode);
        for (QObject* component : components)
            walker.TranslateComponent(component);
        return names;
    }
};

template <class W> W* named(W* widget, const char* name) {
    platform::setComponentName(widget, QString::fromLatin1(name));
    return widget;
}

} // namespace

class WalkTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tag1KeepsButtonsButNotSpeedButtons();
    void separatorsAndEmptyBitmapButtonCaptionsAreNotLookedUp();
    void hintsAreLookedUpOnlyWithShowHint();
    void radioGroupItemsAreNamedByIndex();
    void xPanelIsSkippedAndOtherPanelsNeedACaption();
    void writeModeHighlightsWhileTheLookupRuns();
};

void WalkTest::tag1KeepsButtonsButNotSpeedButtons() {
    QWidget form;
    auto* button = named(new QPushButton(QStringLiteral("Shrani"), &form), "bShrani");
    button->setToolTip(QStringLiteral("Shrani zapis"));
    auto* speed = named(new QToolButton(&form), "sbIsci");
    speed->setText(QStringLiteral("Išči"));
    auto* label = named(new QLabel(QStringLiteral("Ime"), &form), "lIme");
    auto* check = named(new QCheckBox(QStringLiteral("Vsi"), &form), "chVsi");
    for (QObject* kept : std::initializer_list<QObject*>{button, speed, label, check})
        platform::setTag(kept, 1);

    RecordingLookup lookup;
    QCOMPARE(lookup.walk({button, speed, label, check}), (QStringList{"sbIsci", "sbIsci_Hint"}));
    QCOMPARE(button->text(), QStringLiteral("Shrani"));
    QCOMPARE(button->toolTip(), QStringLiteral("Shrani zapis"));
    QCOMPARE(speed->text(), QStringLiteral("EN Išči"));

    platform::setTag(button, 0);
    QCOMPARE(lookup.walk({button}), (QStringList{"bShrani", "bShrani_Hint"}));
    QCOMPARE(button->text(), QStringLiteral("EN Shrani"));
    QCOMPARE(button->toolTip(), QStringLiteral("EN Shrani zapis"));
}

void WalkTest::separatorsAndEmptyBitmapButtonCaptionsAreNotLookedUp() {
    QWidget form;
    QMenu menu;
    auto* open = named(menu.addAction(QStringLiteral("Odpri")), "miOdpri");
    auto* separator = named(menu.addSeparator(), "N1");
    auto* dash = named(new QAction(QStringLiteral("-"), &form), "N2");
    auto* bitmap = named(new platform::TBitBtn(&form), "bbSlika");
    auto* plain = named(new QPushButton(&form), "bPrazen");
    auto* bitmapWithText = named(new platform::TBitBtn(QStringLiteral("Zapri"), &form), "bbZapri");
    for (QWidget* button : std::initializer_list<QWidget*>{bitmap, plain, bitmapWithText})
        platform::setShowHint(button, false);

    RecordingLookup lookup;
    QCOMPARE(lookup.walk({open, separator, dash, bitmap, plain, bitmapWithText}),
             (QStringList{"miOdpri", "bPrazen", "bbZapri"}));
    QCOMPARE(open->text(), QStringLiteral("EN Odpri"));
    QCOMPARE(dash->text(), QStringLiteral("-"));
    QCOMPARE(plain->text(), QStringLiteral("EN "));
}

void WalkTest::hintsAreLookedUpOnlyWithShowHint() {
    QWidget form;
    auto* shown = named(new QPushButton(QStringLiteral("A"), &form), "bA");
    auto* hidden = named(new QPushButton(QStringLiteral("B"), &form), "bB");
    auto* speed = named(new QToolButton(&form), "sbC");
    shown->setToolTip(QStringLiteral("namig"));
    hidden->setToolTip(QStringLiteral("skrit"));
    platform::setShowHint(hidden, false);
    auto* label = named(new QLabel(QStringLiteral("L"), &form), "lL");
    label->setToolTip(QStringLiteral("nikoli"));

    RecordingLookup lookup;
    QCOMPARE(lookup.walk({shown, hidden, speed, label}),
             (QStringList{"bA", "bA_Hint", "bB", "sbC_Hint", "lL"}));
    QCOMPARE(hidden->toolTip(), QStringLiteral("skrit"));
    QCOMPARE(label->toolTip(), QStringLiteral("nikoli"));
}

void WalkTest::radioGroupItemsAreNamedByIndex() {
    QWidget form;
    auto* group = named(new platform::TRadioGroup(&form), "rgVrsta");
    group->setTitle(QStringLiteral("Vrsta"));
    group->setItems({QStringLiteral("Prvi"), QStringLiteral("Drugi"), QStringLiteral("Tretji")});
    auto* untitled = named(new platform::TRadioGroup(&form), "rgBrez");
    untitled->setItems({QStringLiteral("Da")});

    RecordingLookup lookup;
    QCOMPARE(lookup.walk({group, untitled}),
             (QStringList{"rgVrsta", "rgVrsta_0", "rgVrsta_1", "rgVrsta_2", "rgBrez_0"}));
    QCOMPARE(group->items(), (QStringList{"EN Prvi", "EN Drugi", "EN Tretji"}));
    QCOMPARE(group->title(), QStringLiteral("EN Vrsta"));
    platform::setTag(group, 1);
    QVERIFY(lookup.walk({group}).isEmpty());
}

void WalkTest::xPanelIsSkippedAndOtherPanelsNeedACaption() {
    QWidget form;
    auto* xpanel = named(new TXPanel(&form), "pX");
    xpanel->setCaption(QStringLiteral("X"));
    auto* panel = named(new platform::TPanel(&form), "pNapis");
    panel->setCaption(QStringLiteral("Napis"));
    auto* empty = named(new platform::TPanel(&form), "pPrazen");
    auto* sheet = named(new platform::TTabSheet(&form), "tsStran");
    auto* box = named(new QGroupBox(QStringLiteral("Skupina"), &form), "gbSkupina");
    platform::setTag(sheet, 1);
    platform::setTag(box, 1);

    RecordingLookup lookup;
    QCOMPARE(lookup.walk({xpanel, panel, empty, sheet, box}),
             (QStringList{"pNapis", "tsStran", "gbSkupina"}));
    QCOMPARE(xpanel->caption(), QStringLiteral("X"));
    QCOMPARE(panel->caption(), QStringLiteral("EN Napis"));
    QCOMPARE(box->title(), QStringLiteral("EN Skupina"));
}

void WalkTest::writeModeHighlightsWhileTheLookupRuns() {
    QWidget form;
    auto* label = named(new QLabel(QStringLiteral("Ime"), &form), "lIme");
    auto* button = named(new QPushButton(QStringLiteral("V redu"), &form), "bOk");
    const QColor olive(0x80, 0x80, 0);
    platform::setFontColor(label, olive);
    const QPalette labelPalette = label->palette();
    const QPalette buttonPalette = button->palette();

    RecordingLookup lookup;
    QList<QColor> colours;
    QList<QColor> fontColours;
    lookup.during = [&](const QString& name) {
        QWidget* control = name == QLatin1String("lIme") ? static_cast<QWidget*>(label) : button;
        colours.append(platform::colorOf(control));
        fontColours.append(platform::fontColorOf(control));
    };
    lookup.walk({label, button}, true);
    QCOMPARE(colours.first(), QColor(Qt::red));
    QCOMPARE(fontColours.first(), QColor(Qt::black));
    QCOMPARE(fontColours.at(1), QColor(Qt::red)); // the button's caption
    QCOMPARE(fontColours.at(2), QColor(Qt::red)); // and its hint
    QCOMPARE(colours.at(1), platform::colorOf(button));
    QCOMPARE(label->palette(), labelPalette);
    QVERIFY(!label->autoFillBackground());
    QCOMPARE(button->palette(), buttonPalette);

    colours.clear();
    lookup.walk({label}, false);
    QCOMPARE(colours.first(), platform::colorOf(label));
}

int main(int argc, char** argv) {
    platform::Application application(argc, argv);
    WalkTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_walk.moc"
