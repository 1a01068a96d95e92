#pragma once

#include <QEvent>
#include <functional>

class QWidget;

// A control's entry and exit handlers (the platform's OnEnter and OnExit): the entry
// handler runs when the control receives the focus, the exit handler when it loses it
// to another control of its window. Switching to another window and back, or opening a
// menu, neither leaves nor enters the control. A control-entered notification (below)
// runs the entry handler again. Handlers run through the handler guard, so an error
// they raise goes to the top-level error display.
namespace platform {

using ControlHandler = std::function<void(QWidget* sender)>;

// Assigns a handler; an empty one unassigns it.
void setOnEnter(QWidget* control, ControlHandler handler);
void setOnExit(QWidget* control, ControlHandler handler);
bool hasOnEnter(const QWidget* control);
bool hasOnExit(const QWidget* control);

// The notification that the control has been entered, posted by a form to its active
// control when the form is activated: the control runs its entry handler.
inline constexpr QEvent::Type ControlEnteredEvent =
    static_cast<QEvent::Type>(QEvent::User + 0xB01A);

} // namespace platform
