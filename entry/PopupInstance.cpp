#include "entry/PopupInstance.h"

#include <QCoreApplication>
#include <vector>

namespace entry {

namespace {

std::vector<QPointer<QWidget>>& keptForms() {
    static std::vector<QPointer<QWidget>> forms;
    return forms;
}

} // namespace

void KeepUntilQuit(QWidget* form) {
    static QPointer<QCoreApplication> connectedTo;
    if (QCoreApplication::instance() && connectedTo != QCoreApplication::instance()) {
        connectedTo = QCoreApplication::instance();
        QObject::connect(connectedTo, &QCoreApplication::aboutToQuit, &ReleasePopupForms);
    }
    keptForms().emplace_back(form);
}

void ReleasePopupForms() {
    std::vector<QPointer<QWidget>> forms;
    forms.swap(keptForms());
    for (const QPointer<QWidget>& form : forms)
        delete form.data();
}

} // namespace entry
