#include "translation/uColorForm.h"

#include "platform/Components.h"
#include "platform/ControlEvents.h"
#include "platform/ControlLook.h"
#include "platform/ProfileFile.h"
#include "platform/ProgramFolders.h"

#include <QHeaderView>
#include <QTableView>
#include <functional>
#include <initializer_list>

namespace translation {

namespace {

using platform::ComponentKind;
using Kinds = std::initializer_list<ComponentKind>;

NewLookSettings& settingsStore() {
    static NewLookSettings settings;
    return settings;
}

QFont schemeFont(int points) {
    QFont font(QStringLiteral("Tahoma"), points);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

bool isAnyOf(const QObject* component, Kinds kinds) {
    for (ComponentKind kind : kinds)
        if (platform::isKind(component, kind))
            return true;
    return false;
}

// One row of a table of the pass: the kinds it matches and what it does.
struct Row {
    Kinds kinds;
    std::function<void(QWidget*, int tag)> action;
};

// The first row that matches the control decides.
void applyFirstMatch(QWidget* control, std::initializer_list<Row> rows) {
    for (const Row& row : rows) {
        if (isAnyOf(control, row.kinds)) {
            row.action(control, platform::tagOf(control));
            return;
        }
    }
}

void whiteOnBlack(QWidget* control, int = 0) {
    platform::setColor(control, scheme::EditBackground);
    platform::setFontColor(control, scheme::EditText);
}

void parentColourOn(QWidget* control, int = 0) {
    platform::setParentColor(control, true);
}

void parentFontOn(QWidget* control, int = 0) {
    platform::setParentFont(control, true);
}

void formFont(QWidget* control, int = 0) {
    control->setFont(FormFont());
}

void editFont(QWidget* control, int = 0) {
    platform::setParentFont(control, false);
    control->setFont(EditFont());
    platform::setFontColor(control, scheme::EditText);
}

void gridFont(QWidget* control, bool withTitles) {
    control->setFont(GridFont());
    if (auto* grid = qobject_cast<QTableView*>(control); grid && withTitles)
        grid->horizontalHeader()->setFont(GridFont());
}

void applyColours(QWidget* control) {
    applyFirstMatch(
        control,
        {
            {{ComponentKind::Panel},
             [](QWidget* panel, int tag) {
                 if (tag == -2 || tag == -20) {
                     platform::setParentBackground(panel, false);
                     platform::setParentColor(panel, false);
                 } else {
                     platform::setParentColor(panel, true);
                 }
             }},
            // Page controls keep the visual style Qt draws them with.
            {{ComponentKind::PageControl}, [](QWidget*, int) {}},
            {{ComponentKind::DbGrid, ComponentKind::StringGrid}, whiteOnBlack},
            {{ComponentKind::ComboBox, ComponentKind::KVDBLookupComboBox, ComponentKind::Memo,
              ComponentKind::ListBox, ComponentKind::DBLookupComboBox},
             whiteOnBlack},
            {{ComponentKind::Label},
             [](QWidget* label, int tag) {
                 if (tag >= 0) {
                     platform::setParentColor(label, true);
                 } else {
                     platform::setParentColor(label, false);
                     platform::setTransparent(label, false);
                 }
             }},
            {{ComponentKind::CheckBox, ComponentKind::RadioButton, ComponentKind::RadioGroup},
             parentColourOn},
            {{ComponentKind::Edit, ComponentKind::MaskEdit}, whiteOnBlack},
            {{ComponentKind::Notebook, ComponentKind::GroupBox}, parentColourOn},
        });
}

void applyFonts(QWidget* control) {
    applyFirstMatch(
        control,
        {
            {{ComponentKind::Panel},
             [](QWidget* panel, int tag) {
                 if (tag == 0)
                     platform::setParentFont(panel, true);
             }},
            {{ComponentKind::DbGrid}, [](QWidget* grid, int) { gridFont(grid, true); }},
            {{ComponentKind::StringGrid}, [](QWidget* grid, int) { gridFont(grid, false); }},
            {{ComponentKind::Label}, formFont},
            {{ComponentKind::CheckBox}, formFont},
            {{ComponentKind::RadioButton},
             [](QWidget* button, int) {
                 platform::setParentFont(button, true);
                 button->setFont(FormFont());
             }},
            {{ComponentKind::RadioGroup, ComponentKind::GroupBox, ComponentKind::Notebook,
              ComponentKind::PageControl},
             parentFontOn},
            {{ComponentKind::Edit, ComponentKind::MaskEdit, ComponentKind::PDBEdit,
              ComponentKind::ComboBox, ComponentKind::KVDBLookupComboBox,
              ComponentKind::DBLookupComboBox, ComponentKind::Memo},
             editFont},
            {{ComponentKind::SpeedButton, ComponentKind::BitBtn, ComponentKind::Button}, formFont},
            {{ComponentKind::ListBox},
             [](QWidget* list, int tag) {
                 if (tag == 0) {
                     platform::setParentFont(list, false);
                     list->setFont(EditFont());
                 }
                 whiteOnBlack(list);
             }},
        });
}

// The kinds whose focus the pass colours, and those of them that the colouring changes.
constexpr Kinds FocusColouredKinds = {ComponentKind::Edit,     ComponentKind::PDBEdit,
                                      ComponentKind::MaskEdit, ComponentKind::Memo,
                                      ComponentKind::ComboBox, ComponentKind::KVDBLookupComboBox,
                                      ComponentKind::ListBox};
constexpr Kinds RecolouredKinds = {ComponentKind::Edit,    ComponentKind::MaskEdit,
                                   ComponentKind::PDBEdit, ComponentKind::Memo,
                                   ComponentKind::ListBox, ComponentKind::ComboBox};

void applyHandlers(QWidget* control) {
    if (!isAnyOf(control, FocusColouredKinds))
        return;
    if (!platform::hasOnEnter(control))
        platform::setOnEnter(control, EntryColouring);
    if (!platform::hasOnExit(control))
        platform::setOnExit(control, ExitColouring);
}

void treatControl(QObject* component) {
    auto* control = qobject_cast<QWidget*>(component);
    if (!newLookSettings().useColors || !control)
        return;
    const int tag = platform::tagOf(control);
    if (tag != -1 && tag != 100) {
        applyColours(control);
        applyFonts(control);
    }
    applyHandlers(control);
}

// The form's (or a frame's) own colours and font.
void applyFormColours(QWidget* form) {
    const int tag = platform::tagOf(form);
    if (!newLookSettings().useColors || tag >= 100)
        return;
    form->setFont(FormFont());
    const bool inverted = tag == 2;
    platform::setColor(form, inverted ? scheme::FormText : scheme::FormBackground);
    platform::setFontColor(form, inverted ? scheme::FormBackground : scheme::FormText);
}

} // namespace

void InitNewLook() {
    InitNewLook(platform::programFile(QStringLiteral("NewLook.ini")));
}

void InitNewLook(const QString& path) {
    const platform::ProfileFile file(path);
    NewLookSettings settings;
    settings.newLook = file.readBool(QStringLiteral("QOR"), QStringLiteral("NEWLOOK"), true);
    settings.useColors = file.readBool(QStringLiteral("QOR"), QStringLiteral("USECOLORS"), true);
    settingsStore() = settings;
}

const NewLookSettings& newLookSettings() {
    return settingsStore();
}

void setNewLookSettings(const NewLookSettings& settings) {
    settingsStore() = settings;
}

const QFont& EditFont() {
    static const QFont font = schemeFont(8);
    return font;
}

const QFont& FormFont() {
    static const QFont font = schemeFont(8);
    return font;
}

const QFont& GridFont() {
    static const QFont font = schemeFont(9);
    return font;
}

void ColorPass(QWidget* component) {
    if (platform::isKind(component, ComponentKind::Form))
        applyFormColours(component);
    for (QObject* owned : platform::componentsOf(component)) {
        if (auto* frame = qobject_cast<QWidget*>(owned);
            frame && platform::isKind(frame, ComponentKind::Frame)) {
            applyFormColours(frame);
            ColorPass(frame);
        } else {
            treatControl(owned);
        }
    }
    platform::setTag(component, 1);
}

void EntryColouring(QWidget* control) {
    if (!isAnyOf(control, RecolouredKinds))
        return;
    platform::setColor(control, scheme::FocusBackground);
    platform::setFontColor(control, scheme::FocusText);
}

void ExitColouring(QWidget* control) {
    if (!isAnyOf(control, RecolouredKinds))
        return;
    platform::setColor(control, scheme::EditBackground);
    platform::setFontColor(control, scheme::EditText);
}

TQorColorForm::TQorColorForm(QWidget* parent) : QDialog(parent) {}

TQorColorForm::~TQorColorForm() = default;

void TQorColorForm::AfterConstruction() {
    if (constructed_)
        return;
    constructed_ = true;
    FormCreate();
    CreateForm();
}

int TQorColorForm::Tag() const {
    return platform::tagOf(this);
}

void TQorColorForm::setTag(int tag) {
    platform::setTag(this, tag);
}

void TQorColorForm::CreateForm() {
    if (newLookSettings().newLook)
        ColorPass(this);
}

} // namespace translation
