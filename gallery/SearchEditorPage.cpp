// The page "Search editor": a line edit and the button "Search editor" that opens the
// lookup search editor over it; the confirmed text goes into the line edit.
#include "controls/KvDbCtrX.h"
#include "gallery/Gallery.h"
#include "platform/Application.h"
#include "platform/Components.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Opens the search editor over the line edit, seeded with the edit's first character.
void openSearchEditor(QLineEdit& edit) {
    const QPoint corner = edit.mapToGlobal(QPoint(0, 0));
    QString text = edit.text();
    const QString firstChar = text.left(1);
    if (controls::fLookupSearch().Execute(corner.x(), corner.y(), text, firstChar, edit.height(),
                                          edit.width()))
        edit.setText(text);
}

QWidget* buildSearchEditorPage(gallery::GalleryContext&) {
    auto* page = new QWidget;
    QGridLayout* grid = gallery::formGrid(page);
    auto* row = new QWidget(page);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* edit = new QLineEdit(row);
    platform::setComponentName(edit, QStringLiteral("eSearchText"));
    edit->setMinimumWidth(220);
    edit->setText(QStringLiteral("kapitalska"));
    auto* open = new QPushButton(QStringLiteral("Search editor"), row);
    platform::setComponentName(open, QStringLiteral("bbSearchEditor"));
    layout->addWidget(edit);
    layout->addWidget(open);
    platform::setBuddy(gallery::addRow(grid, QStringLiteral("Search text"), row), edit);
    QObject::connect(open, &QPushButton::clicked, edit,
                     platform::guarded([edit] { openSearchEditor(*edit); }));
    return page;
}

void showSearchEditor(gallery::GalleryContext& context) {
    context.window.showPage(QStringLiteral("Search editor"));
    if (auto* edit = context.window.findChild<QLineEdit*>(QStringLiteral("eSearchText")))
        openSearchEditor(*edit);
}

const bool pageRegistered =
    gallery::registerPage({QStringLiteral("Search editor"), 30, &buildSearchEditorPage});
const bool actionRegistered =
    gallery::registerAction({QStringLiteral("search-editor"), &showSearchEditor});

} // namespace
