#pragma once

#include "db/Params.h"
#include "platform/DateTime.h"

#include <QString>
#include <QStringList>
#include <QVariant>

namespace db {
class Table;
}

// Stateless helper routines shared by the data-aware controls, the settings editor and
// the typed entry family: small text utilities, a parameter assignment that reports
// change, a single-value lookup, a date parser driven by a picture, and the emptying of
// a table before its index is changed.
namespace controls {

// --- Text ---------------------------------------------------------------------------

bool CharInText(QChar c, const QString& text);
QString ReplaceChar(QChar oldChar, QChar newChar, const QString& text);
// The text without any character that occurs in charSet; order kept.
QString RemoveChars(const QString& charSet, const QString& text);
QString DropLastChar(const QString& text);
// Clears the list and fills it with the non-empty pieces of the text between the
// characters of breakSet (the break characters are dropped).
void SplitText(const QString& text, const QString& breakSet, QStringList& list);
// The one-character text of code 255, which sorts after every plain character. The
// argument is not used.
QString HighCharText(int unused = 0);

// --- Geometry -----------------------------------------------------------------------

void PolarToXY(double angle, double radius, double& x, double& y);

// --- Parameters and data sets -------------------------------------------------------

// Sets a string, small integer, integer, float, date or date-time parameter to value
// when it is null or holds something else, and answers whether it did. A date
// parameter compares and takes the value as a date (its date text), a date-time
// parameter as date and time. A parameter of another type is left alone and the answer
// is true; one whose type is not known yet takes the value as it is.
bool AssignParamIfChanged(db::Param& param, const QVariant& value);

// The field list ("A;B") of the table's first unique index; empty when there is none.
QString UniqueIndexFields(db::Table& table);

// Filters the table down to the row whose unique key (or, without one, first field)
// holds placeholder values, so that it holds (almost) nothing while its index changes.
void EmptyingFilter(db::Table& table);

// Empties the table cheaply before its index field names are changed.
// These three raise what the table raises (index definitions, filter, range).
void PrepareForReindex(db::Table& table);

// The value, as text, of column in the first row of
//     select <column> from <table>
//     Where <condition>               (only when a condition is given)
// on the named connection (and session, when one is named); empty text when there is
// no row. Errors of the statement reach the caller; the query is closed and freed on
// every path.
//
// column, table and condition are SQL text written by the calling program: identifiers
// and a condition of its own. They are pasted into the statement as they are, so they
// must never carry text the operator typed; a condition that needs such a value must
// not be built with this routine.
QString LookupValue(const QString& databaseName, const QString& sessionName, const QString& table,
                    const QString& column, const QString& condition = {});

// --- Dates --------------------------------------------------------------------------

// Reads a date and time from text by a picture of the tokens DD DDD DDDD MM MMM MMMM YY
// YYYY HH NN SS ZZ ZZZ AP AM AMP AMPM (letters in any case); other picture characters
// skip one character of the text. Parts the text does not reach keep year 1, month 1,
// day 1 and time 00:00. Unreadable numbers count as 0; an impossible date or time gives
// 0. Never raises. With AM/PM, 12 AM is midnight and 12 PM noon, as a 12-hour clock is
// read (not 12 AM as noon and 12 PM as the next midnight).
platform::TDateTime ParseDateByPicture(const QString& picture, const QString& text);

} // namespace controls
