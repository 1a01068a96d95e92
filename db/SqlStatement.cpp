#include "db/SqlStatement.h"

#include "platform/Errors.h"

#include <QRegularExpression>

namespace db {

QString engineMessage(const QSqlError& error) {
    const QString engine = error.databaseText().trimmed();
    return engine.isEmpty() ? error.text().trimmed() : engine;
}

void raiseEngineError(const QSqlError& error) {
    throw platform::EngineError(engineMessage(error));
}

void refuseNullCharacter(const QString& text) {
    if (text.contains(QChar(u'\0')))
        throw platform::EngineError(
            QStringLiteral("The statement holds a null character (U+0000) and is not run"));
}

void runStatement(QSqlQuery& query, const QString& text, const QVariantList& values) {
    refuseNullCharacter(text);
    if (!query.prepare(text))
        raiseEngineError(query.lastError());
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    if (!query.exec())
        raiseEngineError(query.lastError());
}

qsizetype sqlLiteralEnd(const QString& sql, qsizetype i) {
    const qsizetype n = sql.size();
    if (i >= n)
        return i;
    const QChar c = sql[i];
    if (c == u'\'' || c == u'"') {
        qsizetype j = i + 1;
        while (j < n) {
            if (sql[j] == c) {
                if (j + 1 < n && sql[j + 1] == c) {
                    j += 2;
                    continue;
                }
                return j + 1;
            }
            ++j;
        }
        return n;
    }
    if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
        const qsizetype end = sql.indexOf(u'\n', i);
        return end < 0 ? n : end;
    }
    if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
        const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
        return end < 0 ? n : end + 2;
    }
    return i;
}

QString rewriteOutsideLiterals(
    const QString& sql,
    const std::function<qsizetype(const QString& sql, qsizetype i, QString& result)>& rewrite) {
    QString result;
    result.reserve(sql.size());
    qsizetype i = 0;
    while (i < sql.size()) {
        const qsizetype afterLiteral = sqlLiteralEnd(sql, i);
        if (afterLiteral != i) {
            result += QStringView(sql).mid(i, afterLiteral - i);
            i = afterLiteral;
            continue;
        }
        const qsizetype next = rewrite(sql, i, result);
        if (next == i)
            result += sql[i++];
        else
            i = next;
    }
    return result;
}

bool fetchValues(QSqlQuery& query, int columnCount, std::vector<QVariant>& values) {
    if (!query.next()) {
        if (query.lastError().isValid())
            raiseEngineError(query.lastError());
        return false;
    }
    values.resize(columnCount);
    for (int i = 0; i < columnCount; ++i)
        values[i] = query.value(i);
    return true;
}

// ---- Plain SELECT statements ----------------------------------------------------

namespace {

// Where the clauses of a plain SELECT begin; every position is -1 when absent.
struct SelectClauses {
    qsizetype where = -1;      // the WHERE keyword
    qsizetype orderBy = -1;    // the ORDER keyword
    qsizetype orderTerms = -1; // just after BY
    qsizetype end = 0;         // the end of the statement, before a trailing ';'
};

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#';
}

// Reads the words of the statement outside literals, comments and parentheses; nullopt
// when the statement is not a plain SELECT.
std::optional<SelectClauses> plainSelect(const QString& sql) {
    static const QStringList refused{
        QStringLiteral("UNION"),    QStringLiteral("INTERSECT"), QStringLiteral("EXCEPT"),
        QStringLiteral("MINUS"),    QStringLiteral("GROUP"),     QStringLiteral("HAVING"),
        QStringLiteral("LIMIT"),    QStringLiteral("OFFSET"),    QStringLiteral("FETCH"),
        QStringLiteral("FOR"),      QStringLiteral("INTO"),      QStringLiteral("CONNECT"),
        QStringLiteral("START"),    QStringLiteral("WINDOW"),    QStringLiteral("QUALIFY"),
        QStringLiteral("RETURNING")};
    SelectClauses clauses;
    clauses.end = sql.size();
    int depth = 0;
    bool first = true;
    bool from = false;
    bool marksAfterWhere = false; // marks in ORDER BY
    QString previous;
    for (qsizetype i = 0; i < sql.size();) {
        const qsizetype afterLiteral = sqlLiteralEnd(sql, i);
        if (afterLiteral != i) {
            i = afterLiteral;
            continue;
        }
        const QChar c = sql[i];
        if (c == u'(' || c == u')') {
            depth += c == u'(' ? 1 : -1;
            if (depth < 0)
                return std::nullopt;
            ++i;
            continue;
        }
        if (depth == 0 && c == u';') {
            if (!sql.mid(i + 1).trimmed().isEmpty())
                return std::nullopt;
            clauses.end = i;
            break;
        }
        if (c == u'?' && clauses.orderBy >= 0)
            marksAfterWhere = true;
        if (!isWordChar(c)) {
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < sql.size() && isWordChar(sql[j]))
            ++j;
        if (depth == 0) {
            const QString word = sql.mid(i, j - i).toUpper();
            if (first && word != u"SELECT")
                return std::nullopt;
            first = false;
            if (refused.contains(word))
                return std::nullopt;
            if (word == u"FROM" && !from)
                from = true;
            else if (word == u"WHERE" && from && clauses.where < 0 && clauses.orderBy < 0)
                clauses.where = i;
            else if (word == u"BY" && previous == u"ORDER" && clauses.orderTerms < 0)
                clauses.orderTerms = j;
            if (word == u"ORDER")
                clauses.orderBy = i;
            else if (previous == u"ORDER" && word != u"BY")
                return std::nullopt;
            previous = word;
        }
        i = j;
    }
    if (first || !from || depth != 0 || marksAfterWhere)
        return std::nullopt;
    if (clauses.orderBy >= 0 && clauses.orderTerms < 0)
        return std::nullopt;
    return clauses;
}

} // namespace

std::optional<QString> withCondition(const QString& sql, const QString& condition) {
    const auto clauses = plainSelect(sql);
    if (!clauses)
        return std::nullopt;
    const qsizetype tail = clauses->orderBy >= 0 ? clauses->orderBy : clauses->end;
    // Each piece ends its line, so that a line comment cannot swallow what follows.
    QString result;
    if (clauses->where >= 0) {
        result = sql.left(clauses->where) + QStringLiteral("WHERE (") +
                 sql.mid(clauses->where + 5, tail - clauses->where - 5) +
                 QStringLiteral("\n) AND (") + condition + QStringLiteral(")\n");
    } else {
        result = sql.left(tail) + QStringLiteral("\nWHERE ") + condition + u'\n';
    }
    return result + sql.mid(tail, clauses->end - tail);
}

namespace {

// One ORDER BY term the other way round.
QString reversedTerm(QString term) {
    static const QRegularExpression nulls(QStringLiteral("\\s+NULLS\\s+(FIRST|LAST)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression direction(QStringLiteral("\\s+(ASC|DESC)$"),
                                              QRegularExpression::CaseInsensitiveOption);
    QString nullsPlace;
    if (const auto match = nulls.match(term); match.hasMatch()) {
        nullsPlace = match.captured(1).toUpper() == u"FIRST" ? QStringLiteral(" NULLS LAST")
                                                             : QStringLiteral(" NULLS FIRST");
        term.chop(match.capturedLength());
    }
    bool descending = false;
    if (const auto match = direction.match(term); match.hasMatch()) {
        descending = match.captured(1).toUpper() == u"DESC";
        term.chop(match.capturedLength());
    }
    return term + (descending ? QStringLiteral(" ASC") : QStringLiteral(" DESC")) + nullsPlace;
}

} // namespace

std::optional<QString> withOrderReversed(const QString& sql) {
    const auto clauses = plainSelect(sql);
    const QStringList terms = orderByTerms(sql);
    if (!clauses || terms.isEmpty())
        return std::nullopt;
    QStringList reversed;
    for (const QString& term : terms)
        reversed << reversedTerm(term);
    return sql.left(clauses->orderTerms) + u' ' + reversed.join(QStringLiteral(", ")) + u'\n' +
           sql.mid(clauses->end);
}

QStringList orderByTerms(const QString& sql) {
    const auto clauses = plainSelect(sql);
    if (!clauses || clauses->orderTerms < 0)
        return {};
    QStringList terms;
    int depth = 0;
    qsizetype start = clauses->orderTerms;
    for (qsizetype i = start; i <= clauses->end;) {
        if (i == clauses->end || (depth == 0 && sql[i] == u',')) {
            terms << sql.mid(start, i - start).trimmed();
            start = i + 1;
            ++i;
            continue;
        }
        const qsizetype afterLiteral = sqlLiteralEnd(sql, i);
        if (afterLiteral != i) {
            i = afterLiteral;
            continue;
        }
        if (sql[i] == u'(')
            ++depth;
        else if (sql[i] == u')')
            --depth;
        ++i;
    }
    return terms;
}

} // namespace db
