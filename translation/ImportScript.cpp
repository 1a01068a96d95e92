#include "translation/ImportScript.h"

#include "platform/TextDecoding.h"

namespace translation {

QString ScriptStatement::text() const {
    return lines.join(QLatin1Char('\n'));
}

QString decodeScript(const QByteArray& bytes) {
    return platform::decodeText(bytes);
}

std::vector<ScriptStatement> scriptStatements(const QString& text) {
    std::vector<ScriptStatement> statements;
    ScriptStatement statement;
    for (const QStringView raw : QStringTokenizer(text, u'\n')) {
        QString line = raw.trimmed().toString();
        if (line.isEmpty() || line.startsWith(QStringLiteral("--")))
            continue;
        if (!line.endsWith(QLatin1Char(';'))) {
            statement.lines << line;
            continue;
        }
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
