#include "translation/Udialog.h"

#include <QApplication>
#include <QScreen>
#include <QShowEvent>

namespace translation {

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
        QCoreApplication::postEvent(control, new QEvent(ControlEnteredEvent));
}

void TTranslatable::showEvent(QShowEvent* event) {
    TQorColorForm::showEvent(event);
    TFormShownEvent shown(this);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &shown);
}

TWForm::TWForm(QWidget* parent) : TTranslatable(parent) {}

TWForm::~TWForm() = default;

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

void TPrevodInterface::TranslateComponent(QObject*) {}

QString TPrevodInterface::lookUp(const QString& name, const QString& source) const {
    QString result = source;
    if (lookup_)
        lookup_(name, source, result);
    return result;
}

} // namespace translation
