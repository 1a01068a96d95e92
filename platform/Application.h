#pragma once

#include <QApplication>
#include <functional>
#include <type_traits>

namespace platform {

// The application object. An error that escapes an event handler is shown by the
// top-level error display and the application keeps running. While it exists, messages
// without a sink are shown in modal boxes (platform::showMessage).
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    ~Application() override;
    bool notify(QObject* receiver, QEvent* event) override;
};

// Runs a handler that may raise. An error it raises goes to the top-level error display
// (showException) instead of travelling on through Qt's signal or event code.
void runGuarded(const std::function<void()>& handler);

// The handler wrapped in runGuarded, for connecting to a signal:
//   connect(button, &QPushButton::clicked, this, platform::guarded([this] { save(); }));
// The handler takes the signal's arguments when it accepts them and none otherwise.
template <typename Handler> auto guarded(Handler handler) {
    return [handler = std::move(handler)](auto&&... arguments) mutable -> void {
        runGuarded([&] {
            if constexpr (std::is_invocable_v<Handler&, decltype(arguments)...>)
                std::invoke(handler, std::forward<decltype(arguments)>(arguments)...);
            else
                std::invoke(handler);
        });
    };
}

// A member function of an object as a guarded handler:
//   connect(bbNabor, &QPushButton::clicked, this, platform::guarded(this, &TfZEV::bbNaborClick));
template <typename Object, typename Method> auto guarded(Object* object, Method method) {
    return guarded([object, method] { std::invoke(method, object); });
}

} // namespace platform
