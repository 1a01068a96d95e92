#pragma once

#include <QPointer>
#include <QWidget>

namespace entry {

// Keeps a pop-up form until the application ends: it is deleted when the main loop
// quits (or by ReleasePopupForms), before the application object goes.
void KeepUntilQuit(QWidget* form);

// Deletes every pop-up form kept so far; the next use creates it again.
void ReleasePopupForms();

// The one instance of a pop-up form, created on first use (a form of the framework's
// form classes finishes its construction) and kept until the application ends.
template <typename Form> Form& PopupInstance() {
    static QPointer<Form> instance;
    if (!instance) {
        instance = new Form;
        KeepUntilQuit(instance);
        if constexpr (requires { instance->AfterConstruction(); })
            instance->AfterConstruction();
    }
    return *instance;
}

} // namespace entry
