#pragma once

#include <QApplication>

namespace platform {

// The application object. An error that escapes an event handler is shown by the
// top-level error display and the application keeps running.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace platform
