#include "controls/Uddbtn.h"

#include "platform/Components.h"

#include <QEvent>
#include <QPointer>
#include <array>

// The glyph resources live in this static library; their initialiser is called by
// name, since a linker keeps no unreferenced object of a static library.
static void initGlyphResources() {
    Q_INIT_RESOURCE(glyphs);
}

namespace controls {

namespace {

const std::array<const char*, kGlyphCount> kGlyphNames = {
    "MSB_MAXIMIZE",      "MSB_MINIMIZE",      "MSB_RESTORE",   "MSB_ZOOM",        "MSB_SUM",
    "MSB_VIEW",          "MSB_PRINT",         "MSB_PRINT1",    "MSB_PRINTGROUP",  "MSB_CLEAR",
    "MSB_REFRESH",       "MSB_SIZENS",        "MSB_SIZEN",     "MSB_SIZES",       "MSB_SIZEW",
    "MSB_SIZEE",         "MSB_TITLEWORDWRAP", "MSB_LOCATE",    "MSB_CALENDAR",    "MSB_URA",
    "MSB_SORT",          "MSB_CALCULATOR",    "MSB_ALPHA",     "MSB_BAR",         "MSB_BARSTACKED",
    "MSB_BARSTACKED100", "MSB_BARHORIZONTAL", "MSB_BARJOINED", "MSB_BARNEGATIVE", "MSB_CIRCLE",
    "MSB_SQUARE",        "MSB_TRIANGLE",      "MSB_MARBLE",    "MSB_CUBE",        "MSB_COPYTOCLIP",
    "MSB_EXPORT",
};

// The glyph of each pool button, in creation order; 0 is none.
const std::array<int, kStdButtonCount> kPoolGlyphs = {10, 0,  6, 7, 9,  18, 21, 11,
                                                      24, 17, 0, 0, 13, 14, 35, 36};

struct GlyphSet {
    std::array<QPixmap, kGlyphCount> bitmaps;
    bool loaded = false;
};

GlyphSet& glyphSet() {
    static GlyphSet set;
    return set;
}

std::array<QPointer<TStdBtn>, kStdButtonCount>& pool() {
    static std::array<QPointer<TStdBtn>, kStdButtonCount> buttons;
    return buttons;
}

int& buttonCounter() {
    static int counter = 0;
    return counter;
}

bool validGlyphNumber(int number) {
    return number >= 1 && number <= kGlyphCount;
}

bool validButtonNumber(int number) {
    return number >= 1 && number <= kStdButtonCount;
}

} // namespace

// --- Glyphs -------------------------------------------------------------------------

QString StdGlyphName(int number) {
    return validGlyphNumber(number) ? QString::fromLatin1(kGlyphNames[number - 1]) : QString();
}

int StdGlyphNumber(const QString& name) {
    for (int i = 0; i < kGlyphCount; ++i) {
        if (name.compare(QLatin1String(kGlyphNames[i]), Qt::CaseInsensitive) == 0)
            return i + 1;
    }
    return 0;
}

QPixmap LoadGlyph(const QString& name) {
    initGlyphResources();
    if (name.isEmpty())
        return {};
    return QPixmap(QStringLiteral(":/glyphs/") + name.toUpper());
}

void LoadStdGlyphs() {
    GlyphSet& set = glyphSet();
    if (set.loaded)
        return;
    for (int i = 0; i < kGlyphCount; ++i)
        set.bitmaps[i] = LoadGlyph(QString::fromLatin1(kGlyphNames[i]));
    set.loaded = true;
}

void FreeStdGlyphs() {
    GlyphSet& set = glyphSet();
    for (QPixmap& bitmap : set.bitmaps)
        bitmap = QPixmap();
    set.loaded = false;
}

bool StdGlyphsLoaded() {
    return glyphSet().loaded;
}

const QPixmap& StdGlyph(int number) {
    static const QPixmap none;
    const GlyphSet& set = glyphSet();
    if (!set.loaded || !validGlyphNumber(number))
        return none;
    return set.bitmaps[number - 1];
}

// --- Buttons ------------------------------------------------------------------------

TStdBtn::TStdBtn(QWidget* parent) : QToolButton(parent) {
    platform::setComponentName(this, QStringLiteral("StdBtn%1").arg(++buttonCounter()));
    setFixedSize(kStdButtonSize, kStdButtonSize);
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setIconSize(QSize(kGlyphSize, kGlyphSize));
    watchAncestors();
}

TStdBtn::~TStdBtn() {
    for (const QMetaObject::Connection& connection : ancestorWatch_)
        disconnect(connection);
}

int TStdBtn::createdCount() {
    return buttonCounter();
}

bool TStdBtn::event(QEvent* event) {
    const bool result = QToolButton::event(event);
    if (event->type() == QEvent::ParentChange)
        watchAncestors();
    return result;
}

// Qt deletes a widget's children with it; a widget announces its destruction before it
// deletes them, so the button leaves in time when any widget above it goes away.
void TStdBtn::watchAncestors() {
    for (const QMetaObject::Connection& connection : ancestorWatch_)
        disconnect(connection);
    ancestorWatch_.clear();
    for (QWidget* ancestor = parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
        ancestorWatch_.append(
            connect(ancestor, &QObject::destroyed, this, [this] { ancestorDestroyed(); }));
    }
}

void TStdBtn::ancestorDestroyed() {
    hide();
    setParent(nullptr);
}

// --- The pool -----------------------------------------------------------------------

int StdButtonGlyphNumber(int number) {
    return validButtonNumber(number) ? kPoolGlyphs[number - 1] : 0;
}

void CreateStdButtons() {
    if (pool()[0])
        return;
    LoadStdGlyphs();
    for (int i = 0; i < kStdButtonCount; ++i) {
        auto* button = new TStdBtn(); // owned by the pool, destroyed by DestroyStdButtons
        const int glyph = kPoolGlyphs[i];
        if (glyph != 0)
            button->setIcon(QIcon(StdGlyph(glyph)));
        pool()[i] = button;
    }
}

void DestroyStdButtons() {
    for (QPointer<TStdBtn>& button : pool()) {
        delete button.data();
        button = nullptr;
    }
}

TStdBtn* StdButton(int number) {
    return validButtonNumber(number) ? pool()[number - 1].data() : nullptr;
}

void DetachStdButtons() {
    for (const QPointer<TStdBtn>& button : pool()) {
        if (button && button->parentWidget()) {
            button->hide();
            button->setParent(nullptr);
        }
    }
}

StdButtonsScope::StdButtonsScope() {
    LoadStdGlyphs();
    CreateStdButtons();
}

StdButtonsScope::~StdButtonsScope() {
    DestroyStdButtons();
    FreeStdGlyphs();
}

} // namespace controls
