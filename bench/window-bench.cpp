// "Nabor" and the report in the main window on a generated database: the wall time of each
// run and the longest stretch in which the window could not repaint (the largest gap
// between two firings of a 10 ms timer, which fires only while events are processed).
//
//   window-bench FOLDER [nabor|report|both]
//   (FOLDER holds dbalias.ini with alias BENCH, ZEV.ini and the schema; default both)

#include "app/uZEV.h"
#include "db/uDMLB.h"
#include "entry/Uptypeed.h"
#include "platform/Application.h"
#include "platform/MessageBox.h"

#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <functional>

namespace {

struct RunFigures {
    qint64 wallMs = 0;
    qint64 longestGapMs = 0;
    qint64 longestGapEndMs = 0; // since the run's start
    int timerFirings = 0;
};

RunFigures measure(const std::function<void()>& run) {
    QElapsedTimer clock;
    qint64 lastFiring = 0;
    RunFigures figures;
    QTimer ticking;
    ticking.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticking, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (now - lastFiring > figures.longestGapMs) {
            figures.longestGapMs = now - lastFiring;
            figures.longestGapEndMs = now;
        }
        lastFiring = now;
        ++figures.timerFirings;
    });
    ticking.start(10);
    clock.start();
    run();
    figures.wallMs = clock.elapsed();
    if (figures.wallMs - lastFiring > figures.longestGapMs) {
        figures.longestGapMs = figures.wallMs - lastFiring;
        figures.longestGapEndMs = figures.wallMs;
    }
    return figures;
}

void print(const char* name, const RunFigures& figures) {
    QTextStream(stdout) << QStringLiteral("%1: %2 ms, longest without repainting %3 ms (ending "
                                          "%4 ms after the start), %5 chances to repaint\n")
                               .arg(QLatin1String(name))
                               .arg(figures.wallMs)
                               .arg(figures.longestGapMs)
                               .arg(figures.longestGapEndMs)
                               .arg(figures.timerFirings);
}

} // namespace

int main(int argc, char** argv) {
    platform::Application application(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: window-bench FOLDER [nabor|report|both]\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString what = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("both");
    const platform::ScopedMessageSink quiet([](platform::MessageKind, const QString& text) {
        QTextStream(stderr) << text << '\n';
        return platform::MessageResult::Ok;
    });
    const QStringList arguments = {"BENCH", "u", "p", "ana"};
    TDMLB dmlb(arguments, nullptr, folder);
    dmlb.setModuleNameOverride(QStringLiteral("ZEV"));
    TfZEV window(dmlb, arguments, nullptr, folder);
    window.show();
    QCoreApplication::processEvents();
    window.findChild<entry::TPTypedEdit*>("pteDan")->SetDateValue(
        platform::encodeDate(2024, 9, 30));

    if (what != u"report")
        print("Nabor", measure([&] {
                  window.bbNaborClick();
                  QCoreApplication::processEvents(); // the grid reads its first block
              }));
    if (what != u"nabor")
        print("report", measure([&] { window.bbGenXMLClick(); }));
    return 0;
}
