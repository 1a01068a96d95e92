#include "platform/ControlEvents.h"

#include "platform/Application.h"

#include <QFocusEvent>
#include <QWidget>

namespace platform {

namespace {

// Watches one control's focus events and runs its handlers. A child of the control, so
// it goes with it; it has no name, so the component model does not count it.
class ControlHandlers : public QObject {
    Q_OBJECT
public:
    explicit ControlHandlers(QWidget* control) : QObject(control), control_(control) {
        control->installEventFilter(this);
    }

    ControlHandler onEnter;
    ControlHandler onExit;

    static ControlHandlers* of(const QWidget* control) {
        return control->findChild<ControlHandlers*>(QString(), Qt::FindDirectChildrenOnly);
    }
    static ControlHandlers& ensure(QWidget* control) {
        if (ControlHandlers* handlers = of(control))
            return *handlers;
        return *new ControlHandlers(control);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == control_)
            handle(event);
        return false;
    }

private:
    void handle(QEvent* event) {
        if (event->type() == ControlEnteredEvent) {
            enter();
        } else if (event->type() == QEvent::FocusIn) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            // Coming back to the window, or from a menu, is no new entry.
            if (reason != Qt::PopupFocusReason &&
                !(reason == Qt::ActiveWindowFocusReason && entered_))
                enter();
        } else if (event->type() == QEvent::FocusOut) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
                leave();
        } else if (event->type() == QEvent::Hide && !event->spontaneous() && entered_) {
            // Its window was closed (a dialog ended with Escape) while it held the focus:
            // the control has been left, and is entered anew when the window comes back.
            leave();
        }
    }
    void enter() {
        entered_ = true;
        run(onEnter);
    }
    void leave() {
        entered_ = false;
        run(onExit);
    }
    void run(const ControlHandler& handler) {
        if (handler)
            runGuarded([&] { handler(control_); });
    }

    QWidget* control_;
    bool entered_ = false;
};

} // namespace

void setOnEnter(QWidget* control, ControlHandler handler) {
    ControlHandlers::ensure(control).onEnter = std::move(handler);
}

void setOnExit(QWidget* control, ControlHandler handler) {
    ControlHandlers::ensure(control).onExit = std::move(handler);
}

bool hasOnEnter(const QWidget* control) {
    const ControlHandlers* handlers = ControlHandlers::of(control);
    return handlers && handlers->onEnter;
}

bool hasOnExit(const QWidget* control) {
    const ControlHandlers* handlers = ControlHandlers::of(control);
    return handlers && handlers->onExit;
}

} // namespace platform

#include "ControlEvents.moc"
