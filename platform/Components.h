#pragma once

#include <QList>
#include <QObject>
#include <QString>

// The component model of the framework: what a form owns, how its components are named
// and tagged, what kind of control each one is, and its caption and hint.
//
// - A component's name is its objectName, set through setComponentName (or
//   addComponent, which also registers it with its form).
// - The components a form owns are the objects registered with it, in registration
//   order, which is their creation order: registration happens where a form creates a
//   component. The list is flat whatever Qt parent each widget has (a label inside a
//   panel inside a tab sheet is the form's as much as the tab sheet is).
// - Tag is one integer per object, read and written only through tagOf/setTag.
// - The kind of a component is told from its class. A class of the layers above that
//   plays a kind declares it where it is defined, by the kind's name:
//       Q_CLASSINFO("ComponentKind", "database grid")
//   and its derived classes inherit it. Every other class is told by the table in
//   Components.cpp, the one written mapping from each kind of the system to the Qt or
//   platform class that plays it.

class QLabel;
class QWidget;

namespace platform {

// The kinds of component of the system. The order of the kind table in Components.cpp,
// not of this enumeration, decides which kind a component is when several match.
enum class ComponentKind {
    Unknown,
    Form,
    Frame,
    Label,
    BitBtn,      // bitmap button
    Button,      // push button
    SpeedButton, // flat tool button
    CheckBox,
    RadioButton,
    RadioGroup,
    GroupBox,
    Panel,
    TabSheet,
    PageControl,
    Notebook,
    MenuItem,
    PDBEdit, // data-bound edit (a mask edit by class, its own kind)
    MaskEdit,
    Edit,
    Memo,
    ListBox,
    ComboBox,
    KVDBLookupComboBox, // the framework's lookup combo box
    DBLookupComboBox,   // a data-aware lookup combo box
    DbGrid,             // database grid
    StringGrid,         // grid of texts
};

// The class-information key under which a class declares the kind it plays.
inline constexpr char DeclaredKindKey[] = "ComponentKind";

// One row of the kind table: a component is of the kind when it inherits one of
// `classes` and none of `except`. A kind with no classes is only ever declared.
struct ComponentKindInfo {
    ComponentKind kind;
    const char* name; // "label", "bitmap button", ...
    QList<const char*> classes;
    QList<const char*> except;
};

// The kind table, most specific rows first.
const QList<ComponentKindInfo>& componentKinds();

// The kind the object's class declares, else the first kind of the table that the
// object is of; Unknown for none (and for null).
ComponentKind kindOf(const QObject* object);
// True when the object is of the kind: an object whose class declares a kind is of that
// kind alone; any other is of each kind whose row it matches (a row leaves out the
// classes of more specific rows: a bitmap button is no "button").
bool isKind(const QObject* object, ComponentKind kind);
// The name of the kind as the table writes it ("speed button").
QString kindName(ComponentKind kind);

// The component's class name as the system spells it, without the C++ namespace
// ("TXPanel" for controls::TXPanel); empty for null.
QString componentClassName(const QObject* component);
// A panel of the class the translation walk leaves alone: its class name, upper-cased,
// reads "TXPANEL".
bool isXPanel(const QObject* component);

// Sets the component's name (its objectName).
void setComponentName(QObject* component, const QString& name);

// Registers the component with the form that owns it, after those registered before.
// Registering a component again keeps its first place. A component destroyed later
// drops out of the list by itself; so does the whole list with its form.
void registerComponent(QObject* owner, QObject* component);

// Names the component, registers it with its owner and returns it, for use where the
// component is created:
//   bbNabor = platform::addComponent(this, new QPushButton(panel), "bbNabor");
template <typename Component>
Component* addComponent(QObject* owner, Component* component, const QString& name) {
    setComponentName(component, name);
    registerComponent(owner, component);
    return component;
}

// The components the owner owns, in creation order, without those destroyed since.
// A form that registered none of its components answers its named descendants (not
// Qt's own internal objects), depth first in the order of their parents' children.
QList<QObject*> componentsOf(const QObject* owner);

// The component of the owner with the name, compared without regard to letter case;
// null when there is none.
QObject* findComponent(const QObject* owner, const QString& name);

// The component's Tag; 0 when it was never set.
int tagOf(const QObject* component);
void setTag(QObject* component, int tag);

// The caption of a component as its kind keeps it: the window title of a form, the
// text of a label, button, check box, radio button or panel, the title of a group box
// or radio group, the tab text of a tab sheet, the text of a menu item, the text of an
// edit or combo box. Empty for kinds without one.
QString captionOf(const QObject* component);
// Sets the caption where captionOf reads it; does nothing for kinds without one.
void setCaption(QObject* component, const QString& caption);

// Makes the control the label's buddy and names the control after the label's caption
// for assistive tools (Qt's own lookup finds a buddy's label only among the control's
// siblings, and a control often sits in a row of its own). A control that has a name
// of its own keeps it; one named after its label is renamed when setCaption changes
// the label's caption.
void setBuddy(QLabel* label, QWidget* control);

// The hint of a component: its tool tip (a widget's or a menu item's).
QString hintOf(const QObject* component);
void setHint(QObject* component, const QString& hint);

} // namespace platform
