#include "platform/Application.h"

#include "platform/MessageBox.h"

namespace platform {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showException(error);
    } catch (...) {
        showMessage(MessageKind::Error, QStringLiteral("Unknown error."));
    }
    return false;
}

} // namespace platform
