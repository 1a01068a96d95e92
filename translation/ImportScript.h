#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace translation {

// One statement of an import script: the lines it was read from, as the failure log
// records them (trimmed, the closing ";" removed), and the text that is run.
struct ScriptStatement {
    QStringList lines;

    // The lines joined by line breaks.
    QString text() const;
};

// The text of a script file's bytes, read as UTF-8.
QString decodeScript(const QByteArray& bytes);

// The statements of a script's text, in order. Lines end with LF (a CR before it is a
// blank like any other); a line break at the end of the text ends the last line. Each
// line is trimmed of blanks; lines that are then empty or begin with "--" are skipped.
// A statement gathers lines up to and including one that ends with ";", or up to the
// last line of the text; the ";" is not part of it, and a line that is only ";" ends
// no statement of its own. Linear in the length of the text; never raises.
std::vector<ScriptStatement> scriptStatements(const QString& text);

// The statements of a script file's bytes: scriptStatements of decodeScript.
std::vector<ScriptStatement> readScript(const QByteArray& bytes);

} // namespace translation
