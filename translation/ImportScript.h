#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace translation {

// One statement of an import script: the lines it was read from, as the failure log
// records them (the closing ";" removed), and the text that is run.
struct ScriptStatement {
    QStringList lines;

    // The lines joined by line breaks (LF).
    QString text() const;
};

// The text of a script file's bytes as platform::decodeText reads them: UTF-8 (a
// byte-order mark at the start is dropped), UTF-16 after its byte-order mark, or
// Windows-1250 when the bytes are not valid UTF-8, as scripts copied from existing
// installations are.
QString decodeScript(const QByteArray& bytes);

// The statements of a script's text, in order. Lines end with LF or CR LF; a line break
// at the end of the text ends the last line.
// - A line is trimmed of blanks; lines that are then empty or begin with "--" are
//   skipped.
// - A statement gathers lines up to and including one that ends with ";"; the ";" is
//   not part of it, and a line that is only ";" ends no statement of its own. What is
//   gathered when the text ends (a last statement without ";") is a statement too.
// - Quotes are not followed: a statement's quoted texts end on the line where they begin,
//   as every row of a transfer script sits on one line. A statement with an unclosed
//   quote therefore ends at its line's ";" like any other and fails alone, rather than
//   swallowing the statements after it.
// - Double quotes inside a text are written as they are, not doubled: the transfer
//   scripts put texts between single quotes only, where a double quote is plain text.
// Linear in the length of the text; never raises.
std::vector<ScriptStatement> scriptStatements(const QString& text);

// The statements of a script file's bytes: scriptStatements of decodeScript.
std::vector<ScriptStatement> readScript(const QByteArray& bytes);

} // namespace translation
