#pragma once

#include "db/Params.h"

#include <QString>

namespace entry {

// A typed value with a null state and a display picture: what every typed edit holds
// and what the pop-up tools take and give back.
class TFormatParam : public db::Param {
public:
    TFormatParam() = default;

    // The display picture; empty shows the type's default form.
    QString displayFormat;

    // The value as display text: empty when null or of unknown type; floats through the
    // number picture; dates through the picture or the short date format; times in the
    // long time format (a time text of blanks and separators only shows empty); date
    // and time through the picture; anything else as text. Raises the conversion error
    // of a text that does not read as the type.
    QString FormatText() const;

    // The value from text: empty or "?" is null; floats are read under the decimal and
    // thousands separators of the process; a date or date and time of blanks and
    // separators only is null, with a picture it is read by the picture, without one
    // the text is kept and read when it is used (a date and time whose time positions
    // are all blank keeps the date alone); every other type keeps the text.
    void ParseText(const QString& text);

    // Null, or a value that shows as empty text (a time of blanks and separators only).
    bool showsNoValue() const;

    // The value as a number; a text is read under the user's regional settings first
    // (the form in which typed edits store numbers), then under the process's.
    double valueAsFloat() const;

private:
    QString formatTime() const;
    void parseFloat(const QString& text);
    void parseDate(const QString& text);
    static QString withoutBlankTime(const QString& text, const QString& separators);
};

} // namespace entry
