#include "translation/ImportScript.h"

namespace translation {

QString ScriptStatement::text() const {
    return lines.join(QLatin1Char('\n'));
}

QString decodeScript(const QByteArray& bytes) {
    return QString::fromUtf8(bytes);
}

std::vector<ScriptStatement> scriptStatements(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the line break that ends the last line
    std::vector<ScriptStatement> statements;
    ScriptStatement statement;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QStringLiteral("--")))
            continue;
        const bool last = i == lines.size() - 1;
        if (!line.endsWith(QLatin1Char(';')) && !last) {
            statement.lines << line;
            continue;
        }
        const QString end = line.endsWith(QLatin1Char(';')) ? line.chopped(1) : line;
        if (!end.isEmpty())
            statement.lines << end;
        if (statement.lines.isEmpty())
            continue; // a line that is only ";" ends no statement
        statements.push_back(std::move(statement));
        statement = {};
    }
    return statements;
}

std::vector<ScriptStatement> readScript(const QByteArray& bytes) {
    return scriptStatements(decodeScript(bytes));
}

} // namespace translation
