#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QGridLayout;
class QLabel;
class QTabWidget;
class TDMLB;

// The component gallery (program zev-gallery): every control of the framework over the
// demo database, one tab page per subject, each control with a visible label whose buddy
// is the control, so that assistive tools name the control after its label.
//
// Started like the reporting program, with the same session module:
//     zev-gallery ALIAS USER PASSWORD APPUSER [--page TITLE] [--run ACTION]
// --page TITLE opens the page of that title; --run ACTION runs a registered action (for
// example one that opens a dialog) once the window is shown. With ZEV_SCREENSHOT set
// (platform/Screenshot.h) the program grabs its front window and ends, which is how
// scripts/screenshots takes the pictures in docs/.
//
// Adding a page: write one source file of your own in gallery/ (the build takes every
// .cpp of the folder) that builds the page and registers it at start-up:
//
//     #include "gallery/Gallery.h"
//     namespace {
//     QWidget* buildMyPage(gallery::GalleryContext& context) {
//         auto* page = new QWidget;
//         auto* grid = gallery::formGrid(page);
//         auto* edit = new QLineEdit(page);
//         gallery::addRow(grid, "My control", edit); // label, buddy, one row
//         return page;                               // the tab takes ownership
//     }
//     const bool registered = gallery::registerPage({"My controls", 50, &buildMyPage});
//     } // namespace
//
// The order key sorts the tabs (ties by title); the gallery's own pages use 10 to 30.
// An action is registered the same way with registerAction({"my-dialog", &openIt}); it
// gets the context and runs after the window is shown (add a shot that uses it to
// scripts/screenshots). Nothing else of the program depends on the gallery.
//
// The page "Data controls" keeps what is edited on it in its own rows and never posts it;
// it holds no transaction, so everything else done in the gallery (a translator's work,
// an import request) is kept in the database as in the program.
namespace gallery {

class TfGallery;

// What a page builder gets: the session module with the open demo database, and the
// gallery window (the parent for dialogs a page opens).
struct GalleryContext {
    TDMLB& dmlb;
    TfGallery& window;
};

// A tab page: its title, its order key, and the function that builds it (the returned
// widget becomes the tab's page and is owned by the tab widget).
struct GalleryPage {
    QString title;
    int order = 100;
    std::function<QWidget*(GalleryContext&)> build;
};

// An action that a command line (--run NAME) or a page can start.
struct GalleryAction {
    QString name;
    std::function<void(GalleryContext&)> run;
};

// Registration, from a page file's static initialiser. Always answers true.
bool registerPage(GalleryPage page);
bool registerAction(GalleryAction action);
// The registered pages in tab order; the registered actions.
std::vector<GalleryPage> registeredPages();
const std::vector<GalleryAction>& registeredActions();

// Layout helpers for pages: a two-column form grid on the page (labels left, controls
// right), and one row of it: a label with the caption whose buddy is the control.
QGridLayout* formGrid(QWidget* page);
QLabel* addRow(QGridLayout* grid, const QString& caption, QWidget* control);

// The gallery's main window, "Component gallery".
class TfGallery : public QMainWindow {
    Q_OBJECT
public:
    explicit TfGallery(TDMLB& dmlb, QWidget* parent = nullptr);
    ~TfGallery() override;

    // Brings the page of that title to the front; false when there is none.
    bool showPage(const QString& title);
    // Runs the action of that name; false when there is none.
    bool runAction(const QString& name);
    QTabWidget* pages() const { return pages_; }
    GalleryContext& context() { return context_; }

private:
    void buildPages();

    GalleryContext context_;
    QTabWidget* pages_ = nullptr;
};

} // namespace gallery
