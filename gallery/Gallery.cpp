#include "gallery/Gallery.h"

#include "controls/Uddbtn.h"
#include "platform/Components.h"

#include <QGridLayout>
#include <QLabel>
#include <QTabWidget>
#include <algorithm>

namespace gallery {

namespace {

std::vector<GalleryPage>& pageRegistry() {
    static std::vector<GalleryPage> pages;
    return pages;
}

std::vector<GalleryAction>& actionRegistry() {
    static std::vector<GalleryAction> actions;
    return actions;
}

} // namespace

bool registerPage(GalleryPage page) {
    pageRegistry().push_back(std::move(page));
    return true;
}

bool registerAction(GalleryAction action) {
    actionRegistry().push_back(std::move(action));
    return true;
}

std::vector<GalleryPage> registeredPages() {
    std::vector<GalleryPage> pages = pageRegistry();
    std::stable_sort(pages.begin(), pages.end(), [](const GalleryPage& a, const GalleryPage& b) {
        return a.order != b.order ? a.order < b.order : a.title < b.title;
    });
    return pages;
}

const std::vector<GalleryAction>& registeredActions() {
    return actionRegistry();
}

QGridLayout* formGrid(QWidget* page) {
    auto* grid = new QGridLayout(page);
    grid->setColumnStretch(1, 1);
    grid->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    return grid;
}

QLabel* addRow(QGridLayout* grid, const QString& caption, QWidget* control) {
    const int row = grid->rowCount();
    auto* label = new QLabel(caption, grid->parentWidget());
    platform::setBuddy(label, control);
    // A tall control (a grid, a strip) has its label at its top, a line at its middle.
    const bool tall = control->sizeHint().height() > 2 * label->sizeHint().height() + 8;
    grid->addWidget(label, row, 0, Qt::AlignLeft | (tall ? Qt::AlignTop : Qt::AlignVCenter));
    grid->addWidget(control, row, 1, Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

TfGallery::TfGallery(TDMLB& dmlb, QWidget* parent) : QMainWindow(parent), context_{dmlb, *this} {
    platform::setComponentName(this, QStringLiteral("fGallery"));
    setWindowTitle(QStringLiteral("Component gallery"));
    pages_ = new QTabWidget(this);
    platform::setComponentName(pages_, QStringLiteral("pcGallery"));
    setCentralWidget(pages_);
    buildPages();
    resize(900, 640);
}

// The pool buttons may sit on a page; they leave before the pages go.
TfGallery::~TfGallery() {
    controls::DetachStdButtons();
}

void TfGallery::buildPages() {
    for (const GalleryPage& page : registeredPages()) {
        QWidget* widget = page.build(context_);
        platform::setComponentName(widget, QStringLiteral("ts") +
                                               QString(page.title).remove(QLatin1Char(' ')));
        pages_->addTab(widget, page.title);
    }
}

bool TfGallery::showPage(const QString& title) {
    for (int i = 0; i < pages_->count(); ++i) {
        if (pages_->tabText(i).compare(title, Qt::CaseInsensitive) == 0) {
            pages_->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

bool TfGallery::runAction(const QString& name) {
    for (const GalleryAction& action : registeredActions()) {
        if (action.name.compare(name, Qt::CaseInsensitive) == 0) {
            action.run(context_);
            return true;
        }
    }
    return false;
}

} // namespace gallery
