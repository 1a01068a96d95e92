// zev-gallery: the component gallery (see gallery/Gallery.h).
#include "controls/Uddbtn.h"
#include "db/uDMLB.h"
#include "entry/UTypedEd.h"
#include "gallery/Gallery.h"
#include "platform/Application.h"
#include "platform/FormatSettings.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolders.h"
#include "platform/Screenshot.h"
#include "translation/uColorForm.h"

#include <QTimer>
#include <cstdio>
#include <memory>

namespace {

// The gallery's own options, taken out of the command line; the rest is the session
// module's (alias, user, password, application user).
struct GalleryOptions {
    QStringList sessionArguments;
    QString page;
    QString action;
};

GalleryOptions readCommandLine(QStringList arguments) {
    GalleryOptions options;
    arguments.removeFirst();
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        const bool hasValue = i + 1 < arguments.size();
        if (argument == QLatin1String("--page") && hasValue)
            options.page = arguments.at(++i);
        else if (argument == QLatin1String("--run") && hasValue)
            options.action = arguments.at(++i);
        else
            options.sessionArguments << argument;
    }
    return options;
}

// Errors of the start-up steps are shown by the top-level error display; the program
// then ends.
template <typename Step> bool startedWithoutError(Step step) {
    try {
        step();
        return true;
    } catch (const std::exception& error) {
        platform::showException(error);
    }
    return false;
}

void openRequested(gallery::TfGallery& window, const GalleryOptions& options) {
    if (!options.page.isEmpty() && !window.showPage(options.page))
        std::fprintf(stderr, "zev-gallery: no page \"%s\"\n", qPrintable(options.page));
    if (options.action.isEmpty())
        return;
    QTimer::singleShot(0, &window, [&window, action = options.action] {
        platform::runGuarded([&] {
            if (!window.runAction(action))
                std::fprintf(stderr, "zev-gallery: no action \"%s\"\n", qPrintable(action));
        });
    });
}

int runGallery(platform::Application& application) {
    platform::formatSettings().shortDateFormat = QStringLiteral("dd.mm.yyyy");
    entry::InitTypedEditDefaults();
    translation::InitNewLook();
    controls::StdButtonsScope standardButtons;
    const GalleryOptions options = readCommandLine(application.arguments());
    std::unique_ptr<TDMLB> session;
    std::unique_ptr<gallery::TfGallery> window;
    const bool started = startedWithoutError([&] {
        platform::copyMissingDefaults();
        session = std::make_unique<TDMLB>(options.sessionArguments);
        window = std::make_unique<gallery::TfGallery>(*session);
    });
    if (!started)
        return 1;
    window->show();
    openRequested(*window, options);
    platform::scheduleScreenshotFromEnvironment();
    const int code = application.exec();
    window.reset();
    return code;
}

} // namespace

int main(int argc, char** argv) {
    platform::Application application(argc, argv);
    return runGallery(application);
}
