#pragma once

#include <QPixmap>
#include <QString>
#include <QToolButton>

// The shared standard buttons and their glyph set.
//
// The glyph set is 36 bitmaps of 15 x 15 pixels, numbered 1 to 36 and embedded as
// resources under their names ("MSB_MAXIMIZE" ... "MSB_EXPORT"). The pool is sixteen
// small flat buttons "StdBtn1" ... "StdBtn16" that belong to no window: a control that
// has the focus borrows them (the typed edit takes number 1 as its clear button and
// number 2 as its tool button), and a window that may have hosted one detaches them
// before it goes away. A pool button also detaches itself when a widget above it is
// destroyed, so no pool button is ever destroyed with a window.
//
// Start-up and shutdown: the entry point keeps one StdButtonsScope for the life of the
// application object; it loads the glyphs, then creates the pool, and at the end
// destroys the pool before it frees the glyphs.
namespace controls {

constexpr int kGlyphCount = 36;
constexpr int kGlyphSize = 15;
constexpr int kStdButtonCount = 16;
constexpr int kStdButtonSize = 18;

// --- Glyphs -------------------------------------------------------------------------

// The resource name of glyph number (1 to 36), e.g. 10 -> "MSB_CLEAR"; empty outside.
QString StdGlyphName(int number);
// The number of the glyph with that resource name (case-insensitive); 0 when unknown.
int StdGlyphNumber(const QString& name);
// Loads one glyph from the program's resources by its name; a null pixmap when there
// is no resource of that name. Does not need the glyph set to be loaded.
QPixmap LoadGlyph(const QString& name);

// Loads the 36 glyphs (once; later calls do nothing) and frees them.
void LoadStdGlyphs();
void FreeStdGlyphs();
bool StdGlyphsLoaded();

// The shared bitmap of glyph number (1 to 36). The bitmaps belong to the glyph set;
// users copy or show them and never free them. A null pixmap outside 1 to 36 or while
// the set is not loaded.
const QPixmap& StdGlyph(int number);

// --- Buttons ------------------------------------------------------------------------

// A standard button: an 18 x 18 flat speed button named "StdBtn" followed by the next
// value of the process-wide counter. When a widget it sits on (its parent or any widget
// above it) is destroyed, it detaches itself first and lives on without a parent.
class TStdBtn : public QToolButton {
    Q_OBJECT
public:
    explicit TStdBtn(QWidget* parent = nullptr);
    ~TStdBtn() override;

    // The process-wide counter: how many standard buttons were created so far.
    static int createdCount();

protected:
    bool event(QEvent* event) override;

private:
    void watchAncestors();
    void ancestorDestroyed();

    QList<QMetaObject::Connection> ancestorWatch_;
};

// --- The pool -----------------------------------------------------------------------

// The glyph number of pool button number (1 to 16) as the pool gives it; 0 for none
// (buttons 2, 11 and 12) and outside 1 to 16.
int StdButtonGlyphNumber(int number);

// Creates the sixteen pool buttons in order (loading the glyphs first when they are not
// loaded) and destroys them. Creating an existing pool does nothing.
void CreateStdButtons();
void DestroyStdButtons();

// Pool button number (1 to 16): "StdBtn<number>" of the pool; nullptr outside 1 to 16
// or while the pool does not exist.
TStdBtn* StdButton(int number);

// Sets the parent of all sixteen pool buttons to none (they are hidden). A window that
// may have hosted a pool button calls it before it is destroyed.
void DetachStdButtons();

// Owns the glyph set and the pool for the life of the application: loads the glyphs and
// creates the pool; destroys the pool and then frees the glyphs. Needs the application
// object.
class StdButtonsScope {
public:
    StdButtonsScope();
    ~StdButtonsScope();
    StdButtonsScope(const StdButtonsScope&) = delete;
    StdButtonsScope& operator=(const StdButtonsScope&) = delete;
};

} // namespace controls
