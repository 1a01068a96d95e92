#include "platform/WindowPlacement.h"

#include <QScreen>
#include <QWidget>

namespace platform {

void centreOnScreen(QWidget& window) {
    if (const QScreen* screen = window.screen())
        window.move(screen->availableGeometry().center() - window.rect().center());
}

} // namespace platform
