// "Nabor" on a generated database: the time from the button until the grid has
// painted its first rows, the rows read by then, and the peak memory of the process.
//
//   nabor-bench FOLDER      (FOLDER holds dbalias.ini with alias BENCH and ZEV.ini)

#include "app/uZEV.h"
#include "controls/DbGrid.h"
#include "db/DataSetModel.h"
#include "db/uDMLB.h"
#include "entry/Uptypeed.h"
#include "platform/Application.h"
#include "platform/MessageBox.h"

#include <QElapsedTimer>
#include <QTextStream>
#include <sys/resource.h>

namespace {

long peakMemoryKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    platform::Application application(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: nabor-bench FOLDER\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QStringList arguments = {"BENCH", "u", "p", "ana"};
    TDMLB dmlb(arguments, nullptr, folder);
    TfZEV window(dmlb, arguments, nullptr, folder);
    window.show();
    QCoreApplication::processEvents();
    window.findChild<entry::TPTypedEdit*>("pteDan")->SetDateValue(
        platform::encodeDate(2024, 9, 30));
    auto* grid = window.findChild<controls::DbGrid*>("grdStanja");
    db::DataSet& holdings = *grid->dataSetModel()->dataSet(); // the grid's, as it scrolls
    const long memoryBefore = peakMemoryKiB();

    QElapsedTimer timer;
    timer.start();
    window.bbNaborClick();
    QCoreApplication::processEvents();
    grid->viewport()->grab(); // paints the visible rows
    const qint64 firstRows = timer.nsecsElapsed();
    const int rowsRead = holdings.fetchedRowCount();
    const long memoryAfterFirstRows = peakMemoryKiB();

    timer.restart();
    const int allRows = holdings.recordCount();
    const qint64 remainingRows = timer.nsecsElapsed();

    QTextStream(stdout) << QStringLiteral(
                               "first rows painted after %1 ms (%2 rows read)\n"
                               "peak memory %3 MB before, %4 MB after the first rows\n"
                               "reading the remaining rows: %5 ms (%6 rows in all), peak %7 MB\n")
                               .arg(firstRows / 1e6, 0, 'f', 1)
                               .arg(rowsRead)
                               .arg(memoryBefore / 1024.0, 0, 'f', 1)
                               .arg(memoryAfterFirstRows / 1024.0, 0, 'f', 1)
                               .arg(remainingRows / 1e6, 0, 'f', 1)
                               .arg(allRows)
                               .arg(peakMemoryKiB() / 1024.0, 0, 'f', 1);
    return 0;
}
