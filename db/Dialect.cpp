#include "db/Dialect.h"

#include "db/PgsqlDialect.h"
#include "db/SqlStatement.h"
#include "db/SqliteDialect.h"
#include "platform/Errors.h"

#include <QRegularExpression>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace db {

std::unique_ptr<Dialect> Dialect::forDriver(const QString& driverName) {
    const QString name = driverName.trimmed().toUpper();
    if (name == u"SQLITE")
        return std::make_unique<SqliteDialect>();
    if (name == u"PGSQL")
        return std::make_unique<PgsqlDialect>();
    throw platform::EngineError(QStringLiteral("Unknown database driver: %1").arg(driverName));
}

void Dialect::releaseConnection(QSqlDatabase& /*connection*/) const {}

void Dialect::watchProgress(QSqlDatabase& /*connection*/,
                            StatementProgress* /*progress*/) const noexcept {}

void Dialect::execute(QSqlQuery& query, const QString& statement,
                      const QVariantList& values) const {
    query.setForwardOnly(true);
    runStatement(query, statement, values);
}

void Dialect::openRows(QSqlQuery& query, const QString& statement, const QVariantList& values,
                       int /*firstRows*/) const {
    execute(query, statement, values);
}

void Dialect::closeRows(QSqlQuery& /*query*/) const noexcept {}

bool Dialect::fetchRow(QSqlQuery& query, bool /*first*/, int columnCount,
                       std::vector<QVariant>& values) const {
    return fetchValues(query, columnCount, values);
}

QVariant Dialect::insertedRowId(const QSqlQuery& query) const {
    return query.lastInsertId();
}

namespace {

FieldType typeOfMetaType(int id) {
    switch (id) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
        return FieldType::Integer;
    case QMetaType::Short:
    case QMetaType::UShort:
        return FieldType::SmallInt;
    case QMetaType::Double:
    case QMetaType::Float:
        return FieldType::Float;
    case QMetaType::QString:
        return FieldType::String;
    case QMetaType::QDate:
        return FieldType::Date;
    case QMetaType::QTime:
        return FieldType::Time;
    case QMetaType::QDateTime:
        return FieldType::DateTime;
    case QMetaType::Bool:
        return FieldType::Boolean;
    case QMetaType::QByteArray:
        return FieldType::Memo;
    default:
        return FieldType::Unknown;
    }
}

} // namespace

std::vector<Dialect::Column> Dialect::resultColumns(const QSqlQuery& query) const {
    std::vector<Column> columns;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i) {
        const QSqlField field = record.field(i);
        const FieldType type = typeOfMetaType(field.metaType().id());
        const int size = (isTextType(type) && field.length() > 0) ? field.length() : 0;
        columns.push_back({field.name(), type, size});
    }
    return columns;
}

QString Dialect::rowOrder(QSqlDatabase& /*connection*/, const QString& /*table*/) const {
    return {};
}

QString Dialect::nullSafeEquals(const QString& column) const {
    return column + QStringLiteral(" IS NOT DISTINCT FROM ?");
}

FieldType Dialect::typeOfDeclared(const QString& declaredType, int& size) {
    static const QRegularExpression sizePattern(QStringLiteral("\\(\\s*(\\d+)"));
    const QString upper = declaredType.trimmed().toUpper();
    const auto sizeMatch = sizePattern.match(upper);
    size = sizeMatch.hasMatch() ? sizeMatch.captured(1).toInt() : 0;
    if (upper.isEmpty())
        return FieldType::Unknown;
    if (upper == u"DATE")
        return FieldType::Date;
    if (upper.contains(u"DATE") || upper.contains(u"TIME"))
        return FieldType::DateTime;
    if (upper.startsWith(u"BOOL"))
        return FieldType::Boolean;
    if (upper.contains(u"INT")) {
        size = 0;
        return upper.startsWith(u"SMALLINT") ? FieldType::SmallInt : FieldType::Integer;
    }
    if (upper.contains(u"CLOB") || upper.contains(u"BLOB") || upper == u"BYTEA")
        return FieldType::Memo;
    if (upper.contains(u"CHAR") || upper.contains(u"TEXT"))
        return size > 255 ? FieldType::Memo : FieldType::String;
    if (upper.contains(u"REAL") || upper.contains(u"FLOA") || upper.contains(u"DOUB") ||
        upper.contains(u"NUM") || upper.contains(u"DEC")) {
        size = 0;
        return FieldType::Float;
    }
    return FieldType::String;
}

namespace {

bool isNameStart(QChar c) {
    return c.isLetter() || c == u'_';
}

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#';
}

qsizetype nameEnd(const QString& sql, qsizetype i) {
    const qsizetype n = sql.size();
    qsizetype j = i;
    for (;;) {
        while (j < n && isNameChar(sql[j]))
            ++j;
        if (j + 1 < n && sql[j] == u'.' && isNameStart(sql[j + 1])) {
            ++j;
            continue;
        }
        return j;
    }
}

} // namespace

QString Dialect::rewriteNames(const QString& statement,
                              const std::function<QString(const QString& name)>& replace) {
    return rewriteOutsideLiterals(
        statement, [&](const QString& text, qsizetype i, QString& result) -> qsizetype {
            const bool startsName = isNameStart(text[i]) && (i == 0 || !isNameChar(text[i - 1]));
            if (!startsName)
                return i;
            const qsizetype end = nameEnd(text, i);
            const QString name = text.mid(i, end - i);
            const bool qualified = i > 0 && text[i - 1] == u'.';
            const QString replacement = qualified ? QString() : replace(name);
            result += replacement.isEmpty() ? name : replacement;
            return end;
        });
}

} // namespace db

namespace db {

namespace {

// A piece of a statement for finding the operands of '||'.
struct SqlToken {
    enum Kind { Blank, Quoted, Word, Number, Parameter, Open, Close, Concat, Other };
    Kind kind;
    qsizetype begin;
    qsizetype end;
    qsizetype match = -1; // Open, Close: the other parenthesis; CASE, END: the other word
};

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

qsizetype numberEnd(const QString& sql, qsizetype i) {
    const qsizetype n = sql.size();
    while (i < n && (isAsciiDigit(sql[i]) || sql[i] == u'.'))
        ++i;
    if (i < n && (sql[i] == u'e' || sql[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (sql[j] == u'+' || sql[j] == u'-'))
            ++j;
        if (j < n && isAsciiDigit(sql[j])) {
            i = j;
            while (i < n && isAsciiDigit(sql[i]))
                ++i;
        }
    }
    return i;
}

// The kind and end of the piece that starts at i (outside quoted texts and comments).
std::pair<SqlToken::Kind, qsizetype> plainToken(const QString& sql, qsizetype i) {
    const qsizetype n = sql.size();
    const QChar c = sql[i];
    if (c.isSpace()) {
        qsizetype j = i + 1;
        while (j < n && sql[j].isSpace())
            ++j;
        return {SqlToken::Blank, j};
    }
    if (isNameStart(c))
        return {SqlToken::Word, nameEnd(sql, i)};
    if (isAsciiDigit(c) || (c == u'.' && i + 1 < n && isAsciiDigit(sql[i + 1])))
        return {SqlToken::Number, numberEnd(sql, i)};
    const bool namedMark =
        (c == u':' && i + 1 < n && isNameStart(sql[i + 1]) && (i == 0 || sql[i - 1] != u':'));
    if (namedMark)
        return {SqlToken::Parameter, nameEnd(sql, i + 1)};
    if (c == u'?' || c == u'$') {
        qsizetype j = i + 1;
        while (j < n && isAsciiDigit(sql[j]))
            ++j;
        if (c == u'?' || j > i + 1)
            return {SqlToken::Parameter, j};
    }
    if (c == u'(')
        return {SqlToken::Open, i + 1};
    if (c == u')')
        return {SqlToken::Close, i + 1};
    if (c == u'|' && i + 1 < n && sql[i + 1] == u'|')
        return {SqlToken::Concat, i + 2};
    return {SqlToken::Other, i + 1};
}

bool isWord(const QString& sql, const SqlToken& token, QLatin1StringView word) {
    return token.kind == SqlToken::Word && QStringView(sql)
                                                   .mid(token.begin, token.end - token.begin)
                                                   .compare(word, Qt::CaseInsensitive) == 0;
}

// Words that stand between expressions and are never an operand or a function's name.
bool isKeyword(const QString& sql, const SqlToken& token) {
    static const char* const keywords[] = {
        "SELECT", "FROM",    "WHERE",  "AND",    "OR",   "NOT",      "IN",        "IS",
        "ON",     "AS",      "BY",     "WHEN",   "THEN", "ELSE",     "CASE",      "END",
        "LIKE",   "BETWEEN", "EXISTS", "UNION",  "ALL",  "DISTINCT", "ORDER",     "GROUP",
        "HAVING", "JOIN",    "SET",    "VALUES", "INTO", "ESCAPE",   "INTERSECT", "MINUS",
        "EXCEPT", "ANY",     "SOME",   "USING",  "WITH", "RETURNING"};
    if (token.kind != SqlToken::Word)
        return false;
    for (const char* keyword : keywords)
        if (isWord(sql, token, QLatin1StringView(keyword)))
            return true;
    return false;
}

// The statement's pieces, with parentheses paired and CASE paired with its END within
// the same parentheses; unpaired ones keep match -1.
std::vector<SqlToken> tokenize(const QString& sql) {
    std::vector<SqlToken> tokens;
    std::vector<qsizetype> opens;
    std::vector<std::vector<qsizetype>> cases(1);
    for (qsizetype i = 0; i < sql.size();) {
        const qsizetype afterLiteral = sqlLiteralEnd(sql, i);
        SqlToken token{SqlToken::Blank, i, afterLiteral};
        if (afterLiteral != i)
            token.kind = sql[i] == u'\'' || sql[i] == u'"' ? SqlToken::Quoted : SqlToken::Blank;
        else
            std::tie(token.kind, token.end) = plainToken(sql, i);
        const auto index = static_cast<qsizetype>(tokens.size());
        if (token.kind == SqlToken::Open) {
            opens.push_back(index);
            cases.emplace_back();
        } else if (token.kind == SqlToken::Close && !opens.empty()) {
            token.match = opens.back();
            tokens[opens.back()].match = index;
            opens.pop_back();
            cases.pop_back();
        } else if (isWord(sql, token, QLatin1StringView("CASE"))) {
            cases.back().push_back(index);
        } else if (isWord(sql, token, QLatin1StringView("END")) && !cases.back().empty()) {
            token.match = cases.back().back();
            tokens[cases.back().back()].match = index;
            cases.back().pop_back();
        }
        tokens.push_back(token);
        i = token.end;
    }
    return tokens;
}

// The first token from k on that is not blank; the end when there is none.
qsizetype nextSolid(const std::vector<SqlToken>& tokens, qsizetype k) {
    const auto n = static_cast<qsizetype>(tokens.size());
    while (k < n && tokens[k].kind == SqlToken::Blank)
        ++k;
    return k;
}

// One chain a || b || c: the token ranges [begin, end) of its operands.
struct Chain {
    std::vector<std::pair<qsizetype, qsizetype>> operands;
    qsizetype begin() const { return operands.front().first; }
    qsizetype end() const { return operands.back().second; }
};

class ConcatenationFinder {
public:
    ConcatenationFinder(const QString& sql, const std::vector<SqlToken>& tokens)
        : sql_(sql), tokens_(tokens) {}

    // The chains in the order of their first '||'; chains inside an operand of another
    // come first.
    std::vector<Chain> chains() const {
        std::vector<Chain> found;
        const auto n = static_cast<qsizetype>(tokens_.size());
        std::vector<bool> joined(tokens_.size(), false);
        for (qsizetype k = 0; k < n; ++k) {
            if (tokens_[k].kind != SqlToken::Concat || joined[k])
                continue;
            const qsizetype leftBegin = operandBefore(k);
            qsizetype rightEnd = leftBegin < 0 ? -1 : operandAfter(k + 1);
            if (rightEnd < 0)
                continue;
            Chain chain;
            chain.operands.emplace_back(leftBegin, previousSolid(k) + 1);
            chain.operands.emplace_back(nextSolid(tokens_, k + 1), rightEnd);
            for (qsizetype next = nextSolid(tokens_, rightEnd);
                 next < n && tokens_[next].kind == SqlToken::Concat;
                 next = nextSolid(tokens_, rightEnd)) {
                const qsizetype end = operandAfter(next + 1);
                if (end < 0)
                    break;
                chain.operands.emplace_back(nextSolid(tokens_, next + 1), end);
                joined[next] = true;
                rightEnd = end;
            }
            found.push_back(std::move(chain));
        }
        return found;
    }

private:
    qsizetype previousSolid(qsizetype k) const {
        --k;
        while (k >= 0 && tokens_[k].kind == SqlToken::Blank)
            --k;
        return k;
    }
    bool isOperandWord(qsizetype k) const {
        return tokens_[k].kind == SqlToken::Word && !isKeyword(sql_, tokens_[k]);
    }

    // The first token of the operand that ends just before the '||' at k; -1 for none.
    qsizetype operandBefore(qsizetype k) const {
        const qsizetype last = previousSolid(k);
        if (last < 0)
            return -1;
        const SqlToken& token = tokens_[last];
        switch (token.kind) {
        case SqlToken::Quoted:
        case SqlToken::Number:
        case SqlToken::Parameter:
            return last;
        case SqlToken::Word:
            if (isWord(sql_, token, QLatin1StringView("END")))
                return token.match;
            return isKeyword(sql_, token) ? -1 : last;
        case SqlToken::Close: {
            if (token.match < 0)
                return -1;
            const qsizetype name = previousSolid(token.match);
            return name >= 0 && isOperandWord(name) ? name : token.match;
        }
        default:
            return -1;
        }
    }

    // The token after the operand that starts at or after k; -1 for none.
    qsizetype operandAfter(qsizetype k) const {
        const auto n = static_cast<qsizetype>(tokens_.size());
        k = nextSolid(tokens_, k);
        while (k < n && tokens_[k].kind == SqlToken::Other &&
               (sql_[tokens_[k].begin] == u'-' || sql_[tokens_[k].begin] == u'+'))
            k = nextSolid(tokens_, k + 1);
        if (k >= n)
            return -1;
        const SqlToken& token = tokens_[k];
        switch (token.kind) {
        case SqlToken::Quoted:
        case SqlToken::Number:
        case SqlToken::Parameter:
            return k + 1;
        case SqlToken::Open:
            return token.match < 0 ? -1 : token.match + 1;
        case SqlToken::Word: {
            if (isWord(sql_, token, QLatin1StringView("CASE")))
                return token.match < 0 ? -1 : token.match + 1;
            if (isKeyword(sql_, token))
                return -1;
            const qsizetype call = nextSolid(tokens_, k + 1);
            if (call < n && tokens_[call].kind == SqlToken::Open && tokens_[call].match >= 0)
                return tokens_[call].match + 1;
            return k + 1;
        }
        default:
            return -1;
        }
    }

    const QString& sql_;
    const std::vector<SqlToken>& tokens_;
};

// Writes the statement with the chains in their form, without recursion: a chain that
// does not lie within the operand it starts in is left as written.
class ConcatenationWriter {
public:
    ConcatenationWriter(const QString& sql, const std::vector<SqlToken>& tokens,
                        const std::vector<Chain>& chains, const Dialect::ConcatenationForm& form)
        : sql_(sql), tokens_(tokens), chains_(chains), form_(form), chainAt_(tokens.size(), -1) {
        for (qsizetype c = 0; c < static_cast<qsizetype>(chains.size()); ++c)
            if (chainAt_[chains[c].begin()] < 0)
                chainAt_[chains[c].begin()] = c;
    }

    QString write() {
        QString result;
        result.reserve(sql_.size() + sql_.size() / 4);
        const auto n = static_cast<qsizetype>(tokens_.size());
        qsizetype i = 0;
        for (;;) {
            i = closeFinishedOperands(i, result);
            if (i >= n)
                break;
            if (startsChain(i)) {
                result += form_.prefix;
                continue;
            }
            result += QStringView(sql_).mid(tokens_[i].begin, tokens_[i].end - tokens_[i].begin);
            ++i;
        }
        return result;
    }

private:
    struct Open {
        qsizetype chain;
        std::size_t operand;
    };

    qsizetype operandEnd(const Open& open) const {
        return chains_[open.chain].operands[open.operand].second;
    }

    // Ends the operands that end at i: goes on to a chain's next operand or closes it.
    qsizetype closeFinishedOperands(qsizetype i, QString& result) {
        while (!open_.empty() && i == operandEnd(open_.back())) {
            Open& top = open_.back();
            const Chain& chain = chains_[top.chain];
            if (top.operand + 1 < chain.operands.size()) {
                ++top.operand;
                result += form_.separator;
                return chain.operands[top.operand].first;
            }
            result += form_.suffix;
            open_.pop_back();
        }
        return i;
    }

    bool startsChain(qsizetype i) {
        const qsizetype c = chainAt_[i];
        if (c < 0)
            return false;
        chainAt_[i] = -1;
        if (!open_.empty() && chains_[c].end() > operandEnd(open_.back()))
            return false;
        open_.push_back({c, 0});
        return true;
    }

    const QString& sql_;
    const std::vector<SqlToken>& tokens_;
    const std::vector<Chain>& chains_;
    const Dialect::ConcatenationForm& form_;
    std::vector<qsizetype> chainAt_;
    std::vector<Open> open_;
};

// Where the terms of ORDER BY clauses end, and whether each runs downwards; terms that
// say NULLS FIRST or NULLS LAST are left out.
class OrderTermFinder {
public:
    OrderTermFinder(const QString& sql, const std::vector<SqlToken>& tokens)
        : sql_(sql), tokens_(tokens) {}

    struct TermEnd {
        qsizetype token; // the term's last token
        bool descending;
    };

    std::vector<TermEnd> termEnds() const {
        std::vector<TermEnd> ends;
        const auto n = static_cast<qsizetype>(tokens_.size());
        for (qsizetype k = 0; k + 1 < n; ++k) {
            if (!isWord(sql_, tokens_[k], QLatin1StringView("ORDER")))
                continue;
            const qsizetype by = nextSolid(tokens_, k + 1);
            if (by < n && isWord(sql_, tokens_[by], QLatin1StringView("BY")))
                k = collectTerms(by + 1, ends) - 1;
        }
        return ends;
    }

private:
    bool endsClause(const SqlToken& token) const {
        static const char* const words[] = {"LIMIT", "OFFSET", "FETCH",    "FOR",
                                            "UNION", "EXCEPT", "MINUS",    "ROWS",
                                            "RANGE", "GROUPS", "INTERSECT"};
        if (token.kind == SqlToken::Close ||
            (token.kind == SqlToken::Other && sql_[token.begin] == u';'))
            return true;
        for (const char* word : words)
            if (isWord(sql_, token, QLatin1StringView(word)))
                return true;
        return false;
    }

    // Collects the terms from k on; answers the token after the clause.
    qsizetype collectTerms(qsizetype k, std::vector<TermEnd>& ends) const {
        const auto n = static_cast<qsizetype>(tokens_.size());
        qsizetype last = -1, beforeLast = -1;
        auto finishTerm = [&] {
            const bool placed =
                beforeLast >= 0 && isWord(sql_, tokens_[beforeLast], QLatin1StringView("NULLS"));
            if (last >= 0 && !placed)
                ends.push_back({last, isWord(sql_, tokens_[last], QLatin1StringView("DESC"))});
            last = beforeLast = -1;
        };
        for (; k < n; ++k) {
            const SqlToken& token = tokens_[k];
            if (token.kind == SqlToken::Blank)
                continue;
            if (endsClause(token))
                break;
            if (token.kind == SqlToken::Other && sql_[token.begin] == u',') {
                finishTerm();
                continue;
            }
            beforeLast = last;
            last = k;
            if (token.kind == SqlToken::Open && token.match > k)
                last = k = token.match;
        }
        finishTerm();
        return k;
    }

    const QString& sql_;
    const std::vector<SqlToken>& tokens_;
};

} // namespace

QString Dialect::placeNullsHigh(const QString& statement) {
    static const QRegularExpression orderBy(QStringLiteral("ORDER\\s+BY"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (!statement.contains(orderBy))
        return statement;
    const std::vector<SqlToken> tokens = tokenize(statement);
    const auto ends = OrderTermFinder(statement, tokens).termEnds();
    QString result;
    result.reserve(statement.size() + 12 * static_cast<qsizetype>(ends.size()));
    qsizetype copied = 0;
    for (const auto& end : ends) {
        const qsizetype after = tokens[end.token].end;
        result += QStringView(statement).mid(copied, after - copied);
        result += end.descending ? QStringLiteral(" NULLS FIRST") : QStringLiteral(" NULLS LAST");
        copied = after;
    }
    result += QStringView(statement).mid(copied);
    return result;
}

QString Dialect::rewriteConcatenation(const QString& statement, const ConcatenationForm& form) {
    if (!statement.contains(QLatin1StringView("||")))
        return statement;
    const std::vector<SqlToken> tokens = tokenize(statement);
    const std::vector<Chain> chains = ConcatenationFinder(statement, tokens).chains();
    if (chains.empty())
        return statement;
    return ConcatenationWriter(statement, tokens, chains, form).write();
}

} // namespace db
