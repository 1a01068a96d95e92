#include "platform/Application.h"

#include "platform/MessageBox.h"

namespace platform {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

namespace {

// Hands the error that is being handled to the top-level error display.
void showCurrentError() {
    try {
        throw;
    } catch (const std::exception& error) {
        showException(error);
    } catch (...) {
        showMessage(MessageKind::Error, QStringLiteral("Unknown error."));
    }
}

} // namespace

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showCurrentError();
    }
    return false;
}

void runGuarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (...) {
        showCurrentError();
    }
}

} // namespace platform
