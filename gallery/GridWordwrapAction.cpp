// The action "grid-wordwrap": the page "Data controls" with the grid's titles wrapped
// into their 45-pixel title row, for the picture of the grid in docs/.
#include "gallery/Gallery.h"

#include <QCheckBox>

namespace {

void showWrappedTitles(gallery::GalleryContext& context) {
    context.window.showPage(QStringLiteral("Data controls"));
    if (auto* wrap = context.window.findChild<QCheckBox*>(QStringLiteral("cbTitleWordwrap")))
        wrap->setChecked(true);
}

const bool registered =
    gallery::registerAction({QStringLiteral("grid-wordwrap"), &showWrappedTitles});

} // namespace
