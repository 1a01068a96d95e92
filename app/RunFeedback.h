#pragma once

#include "db/StatementProgress.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <vector>

class QAction;
class QLabel;
class QWidget;

namespace db {
class Database;
}

// What a window shows and holds while one of its long runs works on the user-interface
// thread (the holdings selection, the report), made on the stack for the run:
//   - the wait cursor (an arrow over a modal box that the run shows, such as its closing
//     message);
//   - a text in a status panel, shown at once and then as the run reports progress;
//   - the window repainted at most every RepaintIntervalMs: while statements run on the
//     connection (db::StatementProgress) and when the run reports a count;
//   - the given buttons and menu items disabled, and user input to the application's
//     windows read and discarded while the run works, so that nothing typed or clicked
//     meanwhile starts anything, now or afterwards. A modal box that the run shows takes
//     input as usual.
// When the run ends, also by an error, the cursor, the controls' states and the focus
// are as before; the status panel keeps the last text.
class RunFeedback : public QObject {
    Q_OBJECT
public:
    static constexpr int RepaintIntervalMs = db::StatementProgress::DefaultIntervalMs;

    RunFeedback(QWidget& window, QLabel& statusPanel, db::Database& database,
                const QString& startText, const std::vector<QObject*>& heldControls);
    ~RunFeedback() override;

    // The status text, shown at once; the window repaints when the interval has passed
    // since it last did.
    void showProgress(const QString& text);
    // The status text, painted now.
    void showNow(const QString& text);

    // Whether a run is in progress in this process.
    static bool active();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void holdControls(const std::vector<QObject*>& controls);
    void releaseControls();
    void repaintWhenDue();
    void repaintNow();
    void coverModalBox(QObject* watched, QEvent* event);

    QWidget& window_;
    QLabel& statusPanel_;
    QElapsedTimer sinceRepaint_;
    QPointer<QWidget> focus_;
    std::vector<std::pair<QPointer<QObject>, bool>> held_; // control and its enabled state
    std::vector<QPointer<QWidget>> modalBoxes_;            // shown during the run, with an arrow
    db::StatementProgress progress_;
};

// The count of rows as the status bar shows it: "Prebranih vrstic: 1.234" for read rows,
// "Zapisanih vrstic: 1.234" for written ones, thousands grouped with the process's
// thousand separator.
QString rowsReadText(qint64 rows);
QString rowsWrittenText(qint64 rows);
