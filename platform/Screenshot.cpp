#include "platform/Screenshot.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace platform {

namespace {

int environmentNumber(const char* name, int fallback) {
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

bool isWindowCandidate(const QWidget* widget) {
    return widget->isVisible() && widget->isWindow() && widget->windowType() != Qt::ToolTip &&
           widget->width() > 1 && widget->height() > 1;
}

QImage enlarged(const QImage& image, int scale) {
    if (scale <= 1 || image.isNull())
        return image;
    return image.scaled(image.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

// The screen area that all visible windows cover.
QImage grabScreenArea(int scale) {
    QRect area;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (isWindowCandidate(widget))
            area = area.united(widget->frameGeometry());
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (area.isEmpty() || !screen)
        return {};
    const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    return enlarged(shot.toImage(), scale);
}

void finish(int code) {
    QTimer::singleShot(0, qApp, [code] { QCoreApplication::exit(code); });
}

void takeScreenshot() {
    const QString file = qEnvironmentVariable("ZEV_SCREENSHOT");
    const int scale = environmentNumber("ZEV_SCREENSHOT_SCALE", 1);
    QImage picture;
    if (qEnvironmentVariable("ZEV_SCREENSHOT_AREA") == QLatin1String("screen"))
        picture = grabScreenArea(scale);
    else
        picture = grabWidgetPicture(screenshotFrontWindow(),
                                    qEnvironmentVariable("ZEV_SCREENSHOT_WIDGET"), scale);
    if (picture.isNull() || !picture.save(file, "PNG")) {
        std::fprintf(stderr, "screenshot: nothing written to %s\n", qPrintable(file));
        finish(1);
        return;
    }
    std::fprintf(stdout, "screenshot: %s\n", qPrintable(file));
    finish(0);
}

} // namespace

bool scheduleScreenshotFromEnvironment() {
    if (qEnvironmentVariable("ZEV_SCREENSHOT").isEmpty())
        return false;
    QTimer::singleShot(environmentNumber("ZEV_SCREENSHOT_DELAY", 1000), qApp, &takeScreenshot);
    return true;
}

QWidget* screenshotFrontWindow() {
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup;
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    QWidget* last = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (isWindowCandidate(widget))
            last = widget;
    }
    return last;
}

QImage grabWidgetPicture(QWidget* window, const QString& name, int scale) {
    if (!window)
        return {};
    QWidget* target = name.isEmpty() ? window : window->findChild<QWidget*>(name);
    if (!target)
        return {};
    return enlarged(target->grab().toImage(), scale);
}

} // namespace platform
