#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

// Runs the steps on the next modal dialog that opens (and records which one it was), or
// gives up after three seconds so that no test waits for ever. Steps must close the
// dialog.
class NextDialog {
public:
    explicit NextDialog(std::function<void(QWidget*)> steps) : steps_(std::move(steps)) { poll(); }
    QWidget* seen() const { return seen_; }

private:
    void poll() {
        QTimer::singleShot(10, &alive_, [this] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                seen_ = dialog;
                steps_(dialog);
            } else if (++polls_ < 300) {
                poll();
            }
        });
    }
    std::function<void(QWidget*)> steps_;
    QPointer<QWidget> seen_;
    QObject alive_; // its timers end with it
    int polls_ = 0;
};
