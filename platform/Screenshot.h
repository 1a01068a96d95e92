#pragma once

#include <QImage>
#include <QString>

class QWidget;

// Pictures of the program's own windows, for the documentation: a program started with
// ZEV_SCREENSHOT set grabs its front window into that PNG file once it has been shown,
// and ends.
//
//   ZEV_SCREENSHOT=file.png    where to write the picture (required)
//   ZEV_SCREENSHOT_DELAY=ms    how long after start-up to wait (default 1000)
//   ZEV_SCREENSHOT_WIDGET=name only the widget of that object name in the front window
//   ZEV_SCREENSHOT_SCALE=n     enlarge the picture n times, pixel for pixel (default 1)
//   ZEV_SCREENSHOT_AREA=screen the part of the screen covered by all visible windows
//                              (a pop-up over its window), instead of the front window
//
// The front window is the active pop-up, else the active modal dialog, else the active
// window, else a visible top-level window.
namespace platform {

// Starts the timer when ZEV_SCREENSHOT is set; answers whether it did. Needs the
// application object; call it before the event loop runs.
bool scheduleScreenshotFromEnvironment();

// The window a screenshot takes, as described above; nullptr when none is visible.
QWidget* screenshotFrontWindow();

// Grabs the widget of that name inside window (the window itself when name is empty);
// a null image when there is no such widget.
QImage grabWidgetPicture(QWidget* window, const QString& name, int scale = 1);

} // namespace platform
