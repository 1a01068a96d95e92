#pragma once

#include "platform/FormatSettings.h"

#include <QChar>
#include <QString>

namespace platform {

// Edit masks are written in the classic notation:
//   0 required digit      9 optional digit      # optional digit or sign
//   L required letter     l optional letter     A required letter or digit
//   a optional letter or digit                  C required character  c optional character
//   > upper case          < lower case          <> no case conversion
//   \x the literal x      _ a literal blank     ! (leading blanks; no effect here)
//   / the date separator  : the time separator  anything else is a literal
// followed by up to two fields separated by ';': "0" drops the literals from the text
// (anything else keeps them, as does a mask without the field), and the character that
// stands for a position not yet filled (default '_').
//
// QLineEdit's input masks use other letters ('9' is a required digit there, '0' an
// optional one); this is the one place that translates the notation.
struct EditMask {
    QString inputMask;        // for QLineEdit::setInputMask; empty when there is no mask
    bool keepLiterals = true; // the literals belong to the text
    QChar blank = QLatin1Char('_');
};

// The classic mask translated for QLineEdit, with "/" and ":" replaced by the date and
// time separators of the given settings. An empty mask gives an empty input mask.
EditMask translateEditMask(const QString& classicMask,
                           const FormatSettings& settings = formatSettings());

// The text of a masked edit as its value: the characters typed into the mask's
// positions, with the literals when the mask keeps them; positions not filled are left
// out. displayText is what the edit shows (QLineEdit::displayText()).
QString maskedText(const EditMask& mask, const QString& displayText);

} // namespace platform
