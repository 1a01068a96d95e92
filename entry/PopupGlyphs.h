#pragma once

#include <QIcon>
#include <QString>

class QAbstractButton;

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

} // namespace entry
