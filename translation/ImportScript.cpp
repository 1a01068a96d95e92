#include "translation/ImportScript.h"

#include "platform/TextDecoding.h"

namespace translation {

namespace {

// Where the reading of a statement stands at a line's end: in the statement's own
// text, or inside a quoted text or block comment that the next line continues.
enum class Open { None, Apostrophe, DoubleQuote, BlockComment };

// The end of the quoted text or comment that is open at i, or -1 when the line ends
// first. A doubled quote inside stands for one.
qsizetype closingOf(const QString& line, qsizetype i, Open open) {
    if (open == Open::BlockComment) {
        const qsizetype end = line.indexOf(QStringLiteral("*/"), i);
        return end < 0 ? -1 : end + 2;
    }
    const QChar quote = open == Open::Apostrophe ? u'\'' : u'"';
    for (qsizetype j = i; j < line.size(); ++j) {
        if (line[j] != quote)
            continue;
        if (j + 1 < line.size() && line[j + 1] == quote) {
            ++j;
            continue;
        }
        return j + 1;
    }
    return -1;
}

// What is open at the end of the line, given what was open at its start.
Open openAfter(const QString& line, Open open) {
    qsizetype i = 0;
    while (i < line.size()) {
        if (open != Open::None) {
            i = closingOf(line, i, open);
            if (i < 0)
                return open;
            open = Open::None;
            continue;
        }
        const QChar c = line[i];
        const QChar next = i + 1 < line.size() ? line[i + 1] : QChar();
        if (c == u'-' && next == u'-')
            return Open::None; // a line comment ends with its line
        if (c == u'\'')
            open = Open::Apostrophe;
        else if (c == u'"')
            open = Open::DoubleQuote;
        else if (c == u'/' && next == u'*') {
            open = Open::BlockComment;
            ++i;
        }
        ++i;
    }
    return open;
}

} // namespace

QString ScriptStatement::text() const {
    return lines.join(QLatin1Char('\n'));
}

QString decodeScript(const QByteArray& bytes) {
    return platform::decodeText(bytes);
}

std::vector<ScriptStatement> scriptStatements(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the line break that ends the last line
    std::vector<ScriptStatement> statements;
    ScriptStatement statement;
    Open open = Open::None;
    for (const QString& raw : lines) {
        QString line;
        if (open == Open::None) {
            line = raw.trimmed();
            if (line.isEmpty() || line.startsWith(QStringLiteral("--")))
                continue;
        } else {
            line = raw.endsWith(u'\r') ? raw.chopped(1) : raw; // the rest of a CR LF
        }
        const bool continued = open != Open::None;
        open = openAfter(line, open);
        if (open != Open::None || !line.trimmed().endsWith(QLatin1Char(';'))) {
            statement.lines << line;
            continue;
        }
        if (continued) // blanks after the quoted text belong to no text
            while (line.back().isSpace())
                line.chop(1);
        line.chop(1);
        if (!line.isEmpty())
            statement.lines << line;
        if (statement.lines.isEmpty())
            continue; // a line that is only ";" ends no statement
        statements.push_back(std::move(statement));
        statement = {};
    }
    if (!statement.lines.isEmpty())
        statements.push_back(std::move(statement));
    return statements;
}

std::vector<ScriptStatement> readScript(const QByteArray& bytes) {
    return scriptStatements(decodeScript(bytes));
}

} // namespace translation
