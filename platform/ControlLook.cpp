#include "platform/ControlLook.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QComboBox>
#include <QEvent>
#include <QFont>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>

namespace platform {

namespace {

bool paintsTextArea(const QWidget* control) {
    return qobject_cast<const QLineEdit*>(control) || qobject_cast<const QComboBox*>(control) ||
           qobject_cast<const QAbstractScrollArea*>(control);
}

bool paintsButtonFace(const QWidget* control) {
    return qobject_cast<const QPushButton*>(control) || qobject_cast<const QToolButton*>(control);
}

// The resolve bits of the roles in every colour group, found through a palette that has
// only those roles set.
QPalette::ResolveMask maskOf(std::initializer_list<QPalette::ColorRole> roles) {
    QPalette probe;
    probe.setResolveMask(0);
    for (QPalette::ColorRole role : roles)
        probe.setBrush(role, probe.brush(role));
    return probe.resolveMask();
}

// The roles a control's colour stands for; a combo box paints its face and its edit.
QList<QPalette::ColorRole> colorRoles(const QWidget* control) {
    if (qobject_cast<const QComboBox*>(control))
        return {QPalette::Base, QPalette::Button};
    return {colorRoleOf(control)};
}

QList<QPalette::ColorRole> fontColorRoles(const QWidget* control) {
    if (qobject_cast<const QComboBox*>(control))
        return {QPalette::Text, QPalette::ButtonText};
    return {fontColorRoleOf(control)};
}

void setRoles(QWidget* control, const QList<QPalette::ColorRole>& roles, const QColor& color) {
    QPalette palette = control->palette();
    for (QPalette::ColorRole role : roles)
        palette.setColor(role, color);
    control->setPalette(palette);
}

// Swallows the tool-tip requests of the controls whose show hint is off.
class HintSuppressor : public QObject {
public:
    static HintSuppressor& instance() {
        static HintSuppressor suppressor;
        return suppressor;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::ToolTip; }
};

const char* const HintsOffProperty = "_zev_hints_off";

} // namespace

QPalette::ColorRole colorRoleOf(const QWidget* control) {
    if (paintsTextArea(control))
        return QPalette::Base;
    if (paintsButtonFace(control))
        return QPalette::Button;
    return QPalette::Window;
}

QPalette::ColorRole fontColorRoleOf(const QWidget* control) {
    if (paintsTextArea(control))
        return QPalette::Text;
    if (paintsButtonFace(control))
        return QPalette::ButtonText;
    return QPalette::WindowText;
}

QColor colorOf(const QWidget* control) {
    return control->palette().color(colorRoleOf(control));
}

void setColor(QWidget* control, const QColor& color) {
    setRoles(control, colorRoles(control), color);
    if (!paintsTextArea(control) && !paintsButtonFace(control))
        control->setAutoFillBackground(true);
}

QColor fontColorOf(const QWidget* control) {
    return control->palette().color(fontColorRoleOf(control));
}

void setFontColor(QWidget* control, const QColor& color) {
    setRoles(control, fontColorRoles(control), color);
}

void setParentColor(QWidget* control, bool on) {
    const QList<QPalette::ColorRole> roles = colorRoles(control);
    if (!on) {
        setRoles(control, roles, colorOf(control));
        return;
    }
    QPalette::ResolveMask bits = 0;
    for (QPalette::ColorRole role : roles)
        bits |= maskOf({role});
    QPalette palette = control->palette();
    palette.setResolveMask(palette.resolveMask() & ~bits);
    control->setPalette(palette);
}

bool parentColor(const QWidget* control) {
    QPalette::ResolveMask bits = 0;
    for (QPalette::ColorRole role : colorRoles(control))
        bits |= maskOf({role});
    return (control->palette().resolveMask() & bits) == 0;
}

void setParentBackground(QWidget* control, bool on) {
    control->setAutoFillBackground(!on);
}

void setTransparent(QWidget* control, bool on) {
    control->setAutoFillBackground(!on);
}

bool transparent(const QWidget* control) {
    return !control->autoFillBackground();
}

void setParentFont(QWidget* control, bool on) {
    if (on) {
        control->setFont(QFont());
        return;
    }
    QFont own = control->font();
    own.setResolveMask(QFont::AllPropertiesResolved);
    control->setFont(own);
}

bool parentFont(const QWidget* control) {
    return !control->testAttribute(Qt::WA_SetFont);
}

void setShowHint(QWidget* control, bool on) {
    if (on == showHint(control))
        return;
    control->setProperty(HintsOffProperty, !on);
    if (on)
        control->removeEventFilter(&HintSuppressor::instance());
    else
        control->installEventFilter(&HintSuppressor::instance());
}

bool showHint(const QWidget* control) {
    return !control->property(HintsOffProperty).toBool();
}

SavedLook saveLook(const QWidget* control) {
    return {control->palette(), control->autoFillBackground()};
}

void restoreLook(QWidget* control, const SavedLook& look) {
    control->setPalette(look.palette);
    control->setAutoFillBackground(look.autoFillBackground);
}

} // namespace platform
