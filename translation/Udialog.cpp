#include "translation/Udialog.h"

#include "controls/Uddbtn.h"
#include "platform/Components.h"
#include "platform/ControlEvents.h"
#include "platform/ControlLook.h"
#include "platform/StdControls.h"

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QShowEvent>

namespace translation {

using platform::ComponentKind;

namespace {

const QColor HighlightColour(255, 0, 0);
const QColor HighlightText(0, 0, 0);

} // namespace

// Highlights a control for the time of its lookups and puts its look back afterwards,
// also when a lookup fails.
TPrevodInterface::HighlightScope::HighlightScope(QWidget* control, Highlight highlight)
    : control_(highlight == Highlight::None ? nullptr : control) {
    if (!control_)
        return;
    saved_ = platform::saveLook(control_);
    if (highlight == Highlight::ColourAndFontColour) {
        platform::setColor(control_, HighlightColour);
        platform::setFontColor(control_, HighlightText);
    } else {
        platform::setFontColor(control_, HighlightColour);
    }
}

TPrevodInterface::HighlightScope::~HighlightScope() {
    if (control_)
        platform::restoreLook(control_, saved_);
}

TTranslatable::TTranslatable(QWidget* parent) : TQorColorForm(parent) {}

TTranslatable::~TTranslatable() = default;

TQorPrevod* TTranslatable::Prevod() const {
    return prevod_;
}

void TTranslatable::CreateForm() {
    TQorColorForm::CreateForm();
}

void TTranslatable::changeEvent(QEvent* event) {
    TQorColorForm::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow())
        return;
    if (QWidget* control = focusWidget())
        QCoreApplication::postEvent(control, new QEvent(platform::ControlEnteredEvent));
}

void TTranslatable::showEvent(QShowEvent* event) {
    TQorColorForm::showEvent(event);
    TFormShownEvent shown(this);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &shown);
}

TWForm::TWForm(QWidget* parent) : TTranslatable(parent) {}

TWForm::~TWForm() {
    controls::DetachStdButtons();
}

void TWForm::CreateForm() {
    TTranslatable::CreateForm();
    if (QScreen* shown = screen())
        pixelsPerInch_ = qRound(shown->logicalDotsPerInch());
}

TDialog::TDialog(QWidget* parent) : TWForm(parent) {
    setModal(true);
}

TDialog::~TDialog() = default;

void TDialog::setVisible(bool visible) {
    TWForm::setVisible(visible);
    if (!isVisible() && testAttribute(Qt::WA_WState_Created))
        destroy();
}

void TPrevodInterface::Bind(Lookup lookup, TQorPrevod* engine) {
    lookup_ = std::move(lookup);
    engine_ = engine;
}

void TPrevodInterface::SetWriteMode(bool on) {
    writeMode_ = on;
}

void TPrevodInterface::TranslateComponent(QObject* component) {
    const ComponentKind kind = platform::kindOf(component);
    const int tag = platform::tagOf(component);
    switch (kind) {
    case ComponentKind::MenuItem:
        translateMenuItem(component);
        return;
    case ComponentKind::Label:
    case ComponentKind::CheckBox:
    case ComponentKind::RadioButton:
        if (tag != 1)
            translateCaption(component, Highlight::ColourAndFontColour);
        return;
    case ComponentKind::BitBtn:
    case ComponentKind::Button:
        if (tag != 1)
            translateButton(component, kind == ComponentKind::Button);
        return;
    case ComponentKind::SpeedButton:
        translateButton(component, false);
        return;
    case ComponentKind::TabSheet:
    case ComponentKind::GroupBox:
        translateCaption(component, Highlight::None);
        return;
    case ComponentKind::RadioGroup:
        if (tag != 1)
            translateRadioGroup(component);
        return;
    case ComponentKind::Panel:
        if (tag != 1 && !platform::isXPanel(component) && !platform::captionOf(component).isEmpty())
            translateCaption(component, Highlight::None);
        return;
    default:
        return;
    }
}

void TPrevodInterface::translateMenuItem(QObject* item) {
    const auto* action = qobject_cast<const QAction*>(item);
    const QString caption = platform::captionOf(item);
    if (caption == QLatin1String("-") || (action && action->isSeparator()))
        return;
    translateCaption(item, Highlight::None);
}

void TPrevodInterface::translateCaption(QObject* component, Highlight highlight) {
    const HighlightScope shown(qobject_cast<QWidget*>(component),
                               writeMode_ ? highlight : Highlight::None);
    platform::setCaption(component,
                         lookUp(component->objectName(), platform::captionOf(component)));
}

void TPrevodInterface::translateButton(QObject* button, bool emptyCaptionToo) {
    auto* control = qobject_cast<QWidget*>(button);
    const HighlightScope shown(control, writeMode_ ? Highlight::FontColour : Highlight::None);
    const QString caption = platform::captionOf(button);
    if (emptyCaptionToo || !caption.isEmpty())
        platform::setCaption(button, lookUp(button->objectName(), caption));
    if (control && platform::showHint(control))
        platform::setHint(button, lookUp(button->objectName() + QStringLiteral("_Hint"),
                                         platform::hintOf(button)));
}

void TPrevodInterface::translateRadioGroup(QObject* component) {
    if (!platform::captionOf(component).isEmpty())
        translateCaption(component, Highlight::None);
    auto* group = qobject_cast<platform::TRadioGroup*>(component);
    if (!group)
        return;
    const QStringList items = group->items();
    for (int i = 0; i < items.size(); ++i)
        group->setItem(i, lookUp(component->objectName() + QLatin1Char('_') + QString::number(i),
                                 items.at(i)));
}

QString TPrevodInterface::lookUp(const QString& name, const QString& source) const {
    QString result = source;
    if (lookup_)
        lookup_(name, source, result);
    return result;
}

} // namespace translation
