#include "app/BatchMode.h"
#include "app/uZEV.h"
#include "controls/Uddbtn.h"
#include "db/uDMLB.h"
#include "entry/UTypedEd.h"
#include "platform/Application.h"
#include "platform/FormatSettings.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolders.h"
#include "platform/Screenshot.h"
#include "translation/uColorForm.h"

#include <QCoreApplication>
#include <memory>

namespace {

QStringList commandLineArguments(const QApplication& application) {
    QStringList arguments = application.arguments();
    arguments.removeFirst();
    return arguments;
}

int runWindow(platform::Application& application) {
    platform::formatSettings().shortDateFormat = QStringLiteral("dd.mm.yyyy");
    try {
        platform::copyMissingDefaults();
    } catch (const std::exception& error) {
        platform::showException(error);
        return 1;
    }
    entry::InitTypedEditDefaults();
    translation::InitNewLook();
    // The glyphs and the sixteen standard buttons live until the window and the session
    // module are gone; the pool goes before the glyphs.
    controls::StdButtonsScope standardButtons;
    auto session = std::make_unique<TDMLB>(commandLineArguments(application));
    // The application's title, shown by its message boxes. Qt appends an explicitly
    // set display name to every window caption on X11, so the name carries it.
    QApplication::setApplicationName(QStringLiteral("Zev"));
    TfZEV window(*session, commandLineArguments(application));
    if (window.terminateRequested())
        return 0;
    window.show();
    platform::scheduleScreenshotFromEnvironment();
    return application.exec();
}

} // namespace

int main(int argc, char** argv) {
    const QStringList arguments = [&] {
        QStringList list;
        for (int i = 1; i < argc; ++i)
            list << QString::fromLocal8Bit(argv[i]);
        return list;
    }();
    if (isBatchCommandLine(arguments)) {
        QCoreApplication application(argc, argv);
        return runBatch(arguments);
    }
    platform::Application application(argc, argv);
    return runWindow(application);
}
