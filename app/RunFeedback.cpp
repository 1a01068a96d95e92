#include "app/RunFeedback.h"

#include "platform/Pictures.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {

int activeRuns = 0;

bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// Whether the receiver belongs to the modal box in front (one the run shows).
bool insideModalBox(QObject* receiver) {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
        return false;
    if (auto* widget = qobject_cast<QWidget*>(receiver))
        return widget->window() == modal;
    if (auto* window = qobject_cast<QWindow*>(receiver))
        return window == modal->windowHandle();
    return false;
}

void setEnabledOf(QObject* control, bool enabled) {
    if (auto* widget = qobject_cast<QWidget*>(control))
        widget->setEnabled(enabled);
    else if (auto* action = qobject_cast<QAction*>(control))
        action->setEnabled(enabled);
}

bool enabledOf(const QObject* control) {
    if (const auto* widget = qobject_cast<const QWidget*>(control))
        return widget->isEnabled();
    if (const auto* action = qobject_cast<const QAction*>(control))
        return action->isEnabled();
    return false;
}

QString groupedCount(qint64 rows) {
    return platform::formatFloat(QStringLiteral("#,##0"), static_cast<double>(rows));
}

} // namespace

RunFeedback::RunFeedback(QWidget& window, QLabel& statusPanel, db::Database& database,
                         const QString& startText, const std::vector<QObject*>& heldControls)
    : window_(window), statusPanel_(statusPanel), focus_(QApplication::focusWidget()),
      progress_(
          database, [this] { repaintWhenDue(); }, RepaintIntervalMs) {
    ++activeRuns;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qApp->installEventFilter(this);
    holdControls(heldControls);
    showNow(startText);
}

RunFeedback::~RunFeedback() {
    qApp->removeEventFilter(this);
    // One override for each box still shown, and the wait cursor.
    for (std::size_t box = 0; box <= modalBoxes_.size(); ++box)
        QApplication::restoreOverrideCursor();
    releaseControls();
    --activeRuns;
}

bool RunFeedback::active() {
    return activeRuns > 0;
}

void RunFeedback::holdControls(const std::vector<QObject*>& controls) {
    for (QObject* control : controls) {
        held_.emplace_back(control, enabledOf(control));
        setEnabledOf(control, false);
    }
}

// Disabling the focused button moved the focus on; it goes back where it was.
void RunFeedback::releaseControls() {
    for (const auto& [control, enabled] : held_) {
        if (control)
            setEnabledOf(control, enabled);
    }
    if (focus_ && focus_->isEnabled() && focus_->window() == window_.window())
        focus_->setFocus();
}

void RunFeedback::showProgress(const QString& text) {
    if (statusPanel_.text() != text)
        statusPanel_.setText(text);
    repaintWhenDue();
}

void RunFeedback::showNow(const QString& text) {
    if (statusPanel_.text() != text)
        statusPanel_.setText(text);
    repaintNow();
}

void RunFeedback::repaintWhenDue() {
    if (sinceRepaint_.isValid() && sinceRepaint_.elapsed() < RepaintIntervalMs)
        return;
    repaintNow();
}

// Input that arrived meanwhile is read, and discarded by the filter.
void RunFeedback::repaintNow() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    sinceRepaint_.start();
}

bool RunFeedback::eventFilter(QObject* watched, QEvent* event) {
    coverModalBox(watched, event);
    if (isUserInput(event->type()) && !insideModalBox(watched)) {
        event->accept(); // a shortcut override accepted is no shortcut
        return true;
    }
    return QObject::eventFilter(watched, event);
}

// A modal box that the run shows (a closing message) is answered with the arrow.
void RunFeedback::coverModalBox(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !widget->isWindow() || !widget->isModal())
        return;
    const auto known = std::find(modalBoxes_.begin(), modalBoxes_.end(), widget);
    if (event->type() == QEvent::Show && known == modalBoxes_.end()) {
        modalBoxes_.emplace_back(widget);
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    } else if (event->type() == QEvent::Hide && known != modalBoxes_.end()) {
        modalBoxes_.erase(known);
        QApplication::restoreOverrideCursor();
    }
}

QString rowsReadText(qint64 rows) {
    return QStringLiteral("Prebranih vrstic: ") + groupedCount(rows);
}

QString rowsWrittenText(qint64 rows) {
    return QStringLiteral("Zapisanih vrstic: ") + groupedCount(rows);
}
