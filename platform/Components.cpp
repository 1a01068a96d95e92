#include "platform/Components.h"

#include "platform/StdControls.h"

#include <algorithm>
#include <optional>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMetaClassInfo>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>
#include <QVariant>
#include <QWidget>

namespace platform {

namespace {

// Each kind of the system and the Qt class that plays it. The first row an object
// matches is its kind, so a row comes before every row whose classes its own derive
// from (a label is a QFrame, so "label" comes before "panel"). Kinds with no classes
// are played only by classes of the layers above, which declare them (DeclaredKindKey).
const QList<ComponentKindInfo> KindTable = {
    {ComponentKind::Form, "form", {"QMainWindow", "QDialog"}, {}},
    {ComponentKind::Frame, "frame", {"platform::TFrame"}, {}},
    {ComponentKind::Label, "label", {"QLabel"}, {}},
    {ComponentKind::BitBtn, "bitmap button", {"platform::TBitBtn"}, {}},
    {ComponentKind::Button, "button", {"QPushButton"}, {"platform::TBitBtn"}},
    {ComponentKind::SpeedButton, "speed button", {"QToolButton"}, {}},
    {ComponentKind::CheckBox, "check box", {"QCheckBox"}, {}},
    {ComponentKind::RadioButton, "radio button", {"QRadioButton"}, {}},
    {ComponentKind::RadioGroup, "radio group", {"platform::TRadioGroup"}, {}},
    {ComponentKind::GroupBox, "group box", {"QGroupBox"}, {"platform::TRadioGroup"}},
    {ComponentKind::Panel, "panel", {"platform::TPanel"}, {}},
    {ComponentKind::TabSheet, "tab sheet", {"platform::TTabSheet"}, {}},
    {ComponentKind::PageControl, "page control", {"QTabWidget"}, {}},
    {ComponentKind::Notebook, "notebook", {"QStackedWidget"}, {}},
    {ComponentKind::MenuItem, "menu item", {"QAction", "QMenu"}, {}},
    {ComponentKind::PDBEdit, "data-bound edit", {}, {}},
    {ComponentKind::MaskEdit, "mask edit", {"platform::TMaskEdit"}, {}},
    {ComponentKind::Edit, "edit", {"QLineEdit"}, {"platform::TMaskEdit"}},
    {ComponentKind::Memo, "memo", {"QPlainTextEdit", "QTextEdit"}, {}},
    {ComponentKind::ListBox, "list box", {"QListView"}, {}},
    {ComponentKind::ComboBox, "combo box", {"QComboBox"}, {}},
    {ComponentKind::KVDBLookupComboBox, "lookup combo box", {}, {}},
    {ComponentKind::DBLookupComboBox, "data-aware lookup combo box", {}, {}},
    {ComponentKind::DbGrid, "database grid", {}, {}},
    {ComponentKind::StringGrid, "string grid", {"QTableWidget"}, {}},
};

bool matches(const QObject* object, const ComponentKindInfo& info) {
    const auto inherits = [object](const char* name) { return object->inherits(name); };
    return std::any_of(info.classes.begin(), info.classes.end(), inherits) &&
           std::none_of(info.except.begin(), info.except.end(), inherits);
}

const ComponentKindInfo* infoOf(ComponentKind kind) {
    for (const ComponentKindInfo& info : KindTable)
        if (info.kind == kind)
            return &info;
    return nullptr;
}

// The kind the object's class (or the nearest base class that says one) declares;
// none when no class of it declares a kind. A declared name no row has is Unknown.
std::optional<ComponentKind> declaredKindOf(const QObject* object) {
    const QMetaObject* meta = object->metaObject();
    const int index = meta->indexOfClassInfo(DeclaredKindKey);
    if (index < 0)
        return std::nullopt;
    const QLatin1StringView name(meta->classInfo(index).value());
    for (const ComponentKindInfo& info : KindTable)
        if (name == QLatin1StringView(info.name))
            return info.kind;
    return ComponentKind::Unknown;
}

// ---- Registry of owned components ----------------------------------------------------

// The components each form registered, by form. Weak pointers: a component destroyed
// before its form drops out when the list is read; a form's entry goes with the form.
QHash<const QObject*, QList<QPointer<QObject>>>& registry() {
    static QHash<const QObject*, QList<QPointer<QObject>>> components;
    return components;
}

void forgetOwnerWhenDestroyed(QObject* owner) {
    QObject::connect(owner, &QObject::destroyed, [owner] { registry().remove(owner); });
}

bool isQtInternal(const QObject* object) {
    return object->objectName().startsWith(QLatin1String("qt_"));
}

void collectNamed(const QObject* parent, QList<QObject*>& found) {
    for (QObject* child : parent->children()) {
        if (isQtInternal(child))
            continue;
        if (!child->objectName().isEmpty())
            found.append(child);
        collectNamed(child, found);
    }
}

const char* const TagProperty = "_zev_tag";

// ---- Captions --------------------------------------------------------------------------

QString captionOfWidget(const QObject* component) {
    if (const auto* label = qobject_cast<const QLabel*>(component))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(component))
        return button->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(component))
        return group->title();
    if (const auto* panel = qobject_cast<const TPanel*>(component))
        return panel->caption();
    if (const auto* sheet = qobject_cast<const TTabSheet*>(component))
        return sheet->caption();
    if (const auto* edit = qobject_cast<const QLineEdit*>(component))
        return edit->text();
    if (const auto* combo = qobject_cast<const QComboBox*>(component))
        return combo->currentText();
    if (const auto* menu = qobject_cast<const QMenu*>(component))
        return menu->title();
    return {};
}

} // namespace

const QList<ComponentKindInfo>& componentKinds() {
    return KindTable;
}

ComponentKind kindOf(const QObject* object) {
    if (!object)
        return ComponentKind::Unknown;
    if (const std::optional<ComponentKind> declared = declaredKindOf(object))
        return *declared;
    for (const ComponentKindInfo& info : KindTable)
        if (matches(object, info))
            return info.kind;
    return ComponentKind::Unknown;
}

bool isKind(const QObject* object, ComponentKind kind) {
    if (!object)
        return false;
    if (const std::optional<ComponentKind> declared = declaredKindOf(object))
        return *declared == kind;
    const ComponentKindInfo* info = infoOf(kind);
    return info && matches(object, *info);
}

QString kindName(ComponentKind kind) {
    const ComponentKindInfo* info = infoOf(kind);
    return info ? QString::fromLatin1(info->name) : QStringLiteral("unknown");
}

QString componentClassName(const QObject* component) {
    if (!component)
        return {};
    const QString name = QString::fromLatin1(component->metaObject()->className());
    const qsizetype colons = name.lastIndexOf(QLatin1String("::"));
    return colons < 0 ? name : name.mid(colons + 2);
}

bool isXPanel(const QObject* component) {
    return isKind(component, ComponentKind::Panel) &&
           componentClassName(component).toUpper() == QLatin1String("TXPANEL");
}

void setComponentName(QObject* component, const QString& name) {
    component->setObjectName(name);
}

void registerComponent(QObject* owner, QObject* component) {
    if (!owner || !component || owner == component)
        return;
    auto& components = registry();
    auto entry = components.find(owner);
    if (entry == components.end()) {
        entry = components.insert(owner, {});
        forgetOwnerWhenDestroyed(owner);
    }
    if (!entry->contains(component))
        entry->append(component);
}

QList<QObject*> componentsOf(const QObject* owner) {
    QList<QObject*> result;
    if (!owner)
        return result;
    auto entry = registry().find(owner);
    if (entry == registry().end()) {
        collectNamed(owner, result);
        return result;
    }
    entry->removeIf([](const QPointer<QObject>& component) { return component.isNull(); });
    for (const QPointer<QObject>& component : *entry)
        result.append(component.data());
    return result;
}

QObject* findComponent(const QObject* owner, const QString& name) {
    for (QObject* component : componentsOf(owner))
        if (component->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return component;
    return nullptr;
}

int tagOf(const QObject* component) {
    return component ? component->property(TagProperty).toInt() : 0;
}

void setTag(QObject* component, int tag) {
    component->setProperty(TagProperty, tag);
}

QString captionOf(const QObject* component) {
    if (!component)
        return {};
    if (const auto* action = qobject_cast<const QAction*>(component))
        return action->text();
    if (const auto* widget = qobject_cast<const QWidget*>(component);
        widget && isKind(widget, ComponentKind::Form))
        return widget->windowTitle();
    return captionOfWidget(component);
}

namespace {

// A caption as assistive tools read it: without the "&" of its shortcut ("&&" is one "&").
QString withoutShortcutMark(const QString& caption) {
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && ++i == caption.size())
            break;
        plain += caption[i];
    }
    return plain;
}

// Keeps the name of a buddy that was named after the label in step with its caption.
void setLabelCaption(QLabel* label, const QString& caption) {
    QWidget* buddy = label->buddy();
    if (buddy && buddy->accessibleName() == withoutShortcutMark(label->text()))
        buddy->setAccessibleName(withoutShortcutMark(caption));
    label->setText(caption);
}

} // namespace

void setBuddy(QLabel* label, QWidget* control) {
    label->setBuddy(control);
    if (control && control->accessibleName().isEmpty())
        control->setAccessibleName(withoutShortcutMark(label->text()));
}

void setCaption(QObject* component, const QString& caption) {
    if (auto* action = qobject_cast<QAction*>(component))
        action->setText(caption);
    else if (isKind(component, ComponentKind::Form))
        static_cast<QWidget*>(component)->setWindowTitle(caption);
    else if (auto* label = qobject_cast<QLabel*>(component))
        setLabelCaption(label, caption);
    else if (auto* button = qobject_cast<QAbstractButton*>(component))
        button->setText(caption);
    else if (auto* group = qobject_cast<QGroupBox*>(component))
        group->setTitle(caption);
    else if (auto* panel = qobject_cast<TPanel*>(component))
        panel->setCaption(caption);
    else if (auto* sheet = qobject_cast<TTabSheet*>(component))
        sheet->setCaption(caption);
    else if (auto* edit = qobject_cast<QLineEdit*>(component))
        edit->setText(caption);
    else if (auto* combo = qobject_cast<QComboBox*>(component))
        combo->setEditText(caption);
    else if (auto* menu = qobject_cast<QMenu*>(component))
        menu->setTitle(caption);
}

QString hintOf(const QObject* component) {
    if (const auto* action = qobject_cast<const QAction*>(component))
        return action->toolTip();
    if (const auto* widget = qobject_cast<const QWidget*>(component))
        return widget->toolTip();
    return {};
}

void setHint(QObject* component, const QString& hint) {
    if (auto* action = qobject_cast<QAction*>(component))
        action->setToolTip(hint);
    else if (auto* widget = qobject_cast<QWidget*>(component))
        widget->setToolTip(hint);
}

} // namespace platform
