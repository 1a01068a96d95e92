#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QString>

class QAbstractButton;
class QWidget;

// The glyphs of the pop-up tools' buttons (confirm, cancel, the calculator's operators,
// backspace and clear), painted at run time in two images each: the normal one and,
// made by the icon itself, the greyed one of a disabled button.
namespace entry {

QIcon OkGlyph();        // a green check mark
QIcon CancelGlyph();    // a red cross
QIcon BackspaceGlyph(); // an arrow pointing left into a bar
QIcon ClearGlyph();     // an eraser-like crossed box
// A glyph showing one short text (an operator sign) in bold.
QIcon TextGlyph(const QString& text);

// Gives a button that shows only a glyph its picture, its tool tip and its accessible
// name, both the same words saying what the button does.
void SetGlyphButton(QAbstractButton* button, const QIcon& glyph, const QString& purpose);

// The colour of the active window caption ("clActiveCaption") that the pop-up forms'
// panels wear.
inline const QColor ActiveCaptionColour{153, 180, 209};

// A font of the pop-up forms by its height in pixels (the forms give heights, not sizes).
QFont PopupFont(int pixels, bool bold = true, bool italic = false,
                const QString& family = QStringLiteral("Arial CE"));

// Fills the widget's background with one colour and writes its text in the other (the
// edits and lists on it keep their own background).
void SetPanelColours(QWidget* widget, const QColor& background,
                     const QColor& text = QColor(0, 0, 0));

} // namespace entry
