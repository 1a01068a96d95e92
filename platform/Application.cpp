#include "platform/Application.h"

#include "platform/MessageBox.h"

#include <QMessageBox>

namespace platform {

namespace {

QMessageBox::Icon iconFor(MessageKind kind) {
    switch (kind) {
    case MessageKind::Information:
        return QMessageBox::NoIcon;
    case MessageKind::Warning:
        return QMessageBox::Warning;
    case MessageKind::Error:
        return QMessageBox::Critical;
    case MessageKind::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

MessageResult showBox(MessageKind kind, const QString& text) {
    const bool confirmation = kind == MessageKind::Confirmation;
    QMessageBox box(iconFor(kind), QGuiApplication::applicationDisplayName(), text,
                    confirmation ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    QApplication::activeWindow());
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MessageResult::Yes;
    case QMessageBox::No:
        return MessageResult::No;
    case QMessageBox::Ok:
        return MessageResult::Ok;
    default:
        return confirmation ? MessageResult::No : MessageResult::Ok;
    }
}

} // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setWindowPresenter({showBox, [] { QApplication::beep(); }});
}

Application::~Application() {
    setWindowPresenter({});
}

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
