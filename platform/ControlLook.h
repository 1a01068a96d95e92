#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

// The look of a control as the system's properties describe it, on Qt's palettes and
// fonts: its colour (the background) and font colour, whether it takes its parent's
// colour and font, whether it paints its parent's background or is transparent.
//
// The palette roles that play colour and font colour depend on what the control paints:
// the text area (Base and Text) of edits, memos, list boxes, grids and combo boxes; the
// button face (Button and ButtonText) of push and tool buttons; the window (Window and
// WindowText) of everything else (forms, labels, panels, check boxes, group boxes).
namespace platform {

QPalette::ColorRole colorRoleOf(const QWidget* control);
QPalette::ColorRole fontColorRoleOf(const QWidget* control);

QColor colorOf(const QWidget* control);
// Sets the colour as the control's own. A control that shows its parent's background
// unless told otherwise (a label, a check box, a panel) then paints its colour itself.
void setColor(QWidget* control, const QColor& color);
QColor fontColorOf(const QWidget* control);
void setFontColor(QWidget* control, const QColor& color);

// Parent colour on: the control drops a colour of its own and shows its parent's (and
// follows it). Off: the colour it shows now becomes its own.
void setParentColor(QWidget* control, bool on);
bool parentColor(const QWidget* control);

// Parent background on: the control shows what its parent paints behind it. Off: it
// fills itself with its colour.
void setParentBackground(QWidget* control, bool on);
// A transparent control paints no background of its own.
void setTransparent(QWidget* control, bool on);
bool transparent(const QWidget* control);

// Parent font on: the control drops a font of its own and takes its parent's. Off: the
// font it shows now becomes its own.
void setParentFont(QWidget* control, bool on);
bool parentFont(const QWidget* control);

// Show hint: a control shows its hint (tool tip) only while it is on; on unless set off.
void setShowHint(QWidget* control, bool on);
bool showHint(const QWidget* control);

// Everything above, kept to be put back after a temporary change (highlighting).
struct SavedLook {
    QPalette palette;
    bool autoFillBackground = false;
};
SavedLook saveLook(const QWidget* control);
void restoreLook(QWidget* control, const SavedLook& look);

} // namespace platform
