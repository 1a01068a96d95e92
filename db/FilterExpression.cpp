#include "db/FilterExpression.h"

#include "platform/Errors.h"
#include "platform/Pictures.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace db {

namespace {

const QChar highestChar(0xFFFF);

struct Operand {
    bool isField = false;
    FilterExpression::FieldInfo field{};
    FieldType type = FieldType::Unknown; // a literal's type once matched to its field
    QVariant value;
};

} // namespace

struct FilterExpression::Node {
    enum class Kind { And, Or, Not, Compare, IsNull, Prefix };
    Kind kind = Kind::Compare;
    // And, Or: all operands of one chain; Not: the one negated. Chains are flat, so the
    // tree is only as deep as the parentheses and NOTs nest.
    std::vector<std::shared_ptr<const Node>> operands;
    QString op; // "=", "<>", "<", ">", "<=", ">="
    Operand a;
    Operand b;
    bool negate = false; // IS NOT NULL; <> for a prefix
};

QString upperBoundText(const QString& text) {
    if (text.endsWith(QChar(0xFF)))
        return text.left(text.size() - 1) + highestChar;
    return text;
}

QString sqlName(const QString& name) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_$#]*$"));
    if (plain.match(name).hasMatch())
        return name;
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

namespace {

using Node = FilterExpression::Node;
using NodePtr = std::shared_ptr<const Node>;

enum class TokenKind { Name, QuotedName, Text, Number, Operator, Open, Close, End };

struct Token {
    TokenKind kind = TokenKind::End;
    QString text;
    qsizetype position = 0;
};

// Parentheses and NOTs nest at most this deep.
constexpr int MaxNesting = 100;

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

class Parser {
public:
    Parser(const QString& text, const std::vector<FilterExpression::FieldInfo>& fields)
        : source_(text), fields_(fields) {
        tokenize();
    }

    NodePtr parseAll() {
        NodePtr root = parseOr();
        if (current().kind != TokenKind::End)
            fail(QStringLiteral("unexpected '%1'").arg(current().text));
        return root;
    }

private:
    [[noreturn]] void fail(const QString& reason) const {
        throw platform::DatabaseError(
            QStringLiteral("Invalid filter expression: %1 (%2)").arg(source_, reason));
    }

    const Token& current() const { return tokens_[position_]; }
    Token take() { return tokens_[position_++]; }
    bool isKeyword(const char* word) const {
        return current().kind == TokenKind::Name &&
               current().text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }

    void tokenize();
    qsizetype readQuoted(qsizetype i, QChar quote, QString& text) const;

    qsizetype numberEnd(qsizetype i) const;
    double numberOf(const QString& text) const;
    NodePtr parseChain(Node::Kind kind);
    NodePtr parseOr() { return parseChain(Node::Kind::Or); }
    NodePtr parseUnary();
    void enterNesting();
    NodePtr parseComparison();
    Operand parseOperand();
    Operand fieldOperand(const QString& name) const;
    NodePtr makeComparison(const QString& op, Operand a, Operand b) const;
    QVariant literalFor(const Operand& literal, const FilterExpression::FieldInfo& field) const;

    QString source_;
    const std::vector<FilterExpression::FieldInfo>& fields_;
    std::vector<Token> tokens_;
    std::size_t position_ = 0;
    int nesting_ = 0;
};

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#' || c == u'.';
}

qsizetype Parser::readQuoted(qsizetype i, QChar quote, QString& text) const {
    const qsizetype n = source_.size();
    qsizetype j = i + 1;
    for (;;) {
        if (j >= n)
            fail(QStringLiteral("unterminated text"));
        if (source_[j] == quote) {
            if (j + 1 < n && source_[j + 1] == quote) {
                text += quote;
                j += 2;
                continue;
            }
            return j + 1;
        }
        text += source_[j++];
    }
}

// The end of the number that starts at i: digits, an optional fraction and exponent.
qsizetype Parser::numberEnd(qsizetype i) const {
    const qsizetype n = source_.size();
    auto digitsFrom = [&](qsizetype j) {
        while (j < n && isAsciiDigit(source_[j]))
            ++j;
        return j;
    };
    i = digitsFrom(i);
    if (i < n && source_[i] == u'.')
        i = digitsFrom(i + 1);
    if (i < n && (source_[i] == u'e' || source_[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (source_[j] == u'+' || source_[j] == u'-'))
            ++j;
        if (j < n && isAsciiDigit(source_[j]))
            i = digitsFrom(j);
    }
    return i;
}

// A number literal's value; one beyond the floating-point range fails.
double Parser::numberOf(const QString& text) const {
    const double value = text.toDouble();
    if (!std::isfinite(value))
        fail(QStringLiteral("number out of range: %1").arg(text));
    return value;
}

void Parser::tokenize() {
    const qsizetype n = source_.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = source_[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token token;
        token.position = i;
        if (c == u'\'' || c == u'"') {
            token.kind = c == u'\'' ? TokenKind::Text : TokenKind::QuotedName;
            i = readQuoted(i, c, token.text);
        } else if (c == u'[') {
            const qsizetype end = source_.indexOf(u']', i);
            if (end < 0)
                fail(QStringLiteral("missing ']'"));
            token.kind = TokenKind::QuotedName;
            token.text = source_.mid(i + 1, end - i - 1);
            i = end + 1;
        } else if (isAsciiDigit(c)) {
            const qsizetype end = numberEnd(i);
            token.kind = TokenKind::Number;
            token.text = source_.mid(i, end - i);
            i = end;
        } else if (c.isLetter() || c == u'_') {
            qsizetype j = i;
            while (j < n && isNameChar(source_[j]))
                ++j;
            token.kind = TokenKind::Name;
            token.text = source_.mid(i, j - i);
            i = j;
        } else if (c == u'(' || c == u')') {
            token.kind = c == u'(' ? TokenKind::Open : TokenKind::Close;
            token.text = c;
            ++i;
        } else {
            static const QStringList operators{QStringLiteral("<>"), QStringLiteral("!="),
                                               QStringLiteral("<="), QStringLiteral(">="),
                                               QStringLiteral("="),  QStringLiteral("<"),
                                               QStringLiteral(">"),  QStringLiteral("-")};
            for (const QString& op : operators) {
                if (QStringView(source_).mid(i).startsWith(op)) {
                    token.kind = TokenKind::Operator;
                    token.text = op;
                    break;
                }
            }
            if (token.kind != TokenKind::Operator)
                fail(QStringLiteral("unexpected '%1'").arg(c));
            i += token.text.size();
        }
        tokens_.push_back(token);
    }
    tokens_.push_back(Token{TokenKind::End, QStringLiteral("end of text"), n});
}

// a OR b OR ... of AND chains, or a AND b AND ... of unary terms, as one node.
NodePtr Parser::parseChain(Node::Kind kind) {
    const bool isOr = kind == Node::Kind::Or;
    auto operand = [&] { return isOr ? parseChain(Node::Kind::And) : parseUnary(); };
    NodePtr first = operand();
    if (!isKeyword(isOr ? "OR" : "AND"))
        return first;
    auto node = std::make_shared<Node>();
    node->kind = kind;
    node->operands.push_back(std::move(first));
    while (isKeyword(isOr ? "OR" : "AND")) {
        take();
        node->operands.push_back(operand());
    }
    return node;
}

void Parser::enterNesting() {
    if (++nesting_ > MaxNesting)
        fail(QStringLiteral("parentheses and NOT nested deeper than %1 levels").arg(MaxNesting));
}

NodePtr Parser::parseUnary() {
    if (isKeyword("NOT")) {
        take();
        enterNesting();
        auto node = std::make_shared<Node>();
        node->kind = Node::Kind::Not;
        node->operands.push_back(parseUnary());
        --nesting_;
        return node;
    }
    if (current().kind == TokenKind::Open) {
        take();
        enterNesting();
        NodePtr inner = parseOr();
        if (current().kind != TokenKind::Close)
            fail(QStringLiteral("missing ')'"));
        take();
        --nesting_;
        return inner;
    }
    return parseComparison();
}

NodePtr Parser::parseComparison() {
    Operand a = parseOperand();
    if (isKeyword("IS")) {
        take();
        auto node = std::make_shared<Node>();
        node->kind = Node::Kind::IsNull;
        if (isKeyword("NOT")) {
            take();
            node->negate = true;
        }
        if (!isKeyword("NULL"))
            fail(QStringLiteral("NULL expected after IS"));
        take();
        node->a = a;
        return node;
    }
    if (current().kind != TokenKind::Operator || current().text == u"-")
        fail(QStringLiteral("comparison expected after '%1'").arg(tokens_[position_ - 1].text));
    QString op = take().text;
    if (op == u"!=")
        op = QStringLiteral("<>");
    Operand b = parseOperand();
    return makeComparison(op, a, b);
}

Operand Parser::fieldOperand(const QString& name) const {
    for (const auto& field : fields_) {
        if (field.name.compare(name, Qt::CaseInsensitive) == 0) {
            Operand operand;
            operand.isField = true;
            operand.field = field;
            operand.type = field.type;
            return operand;
        }
    }
    throw platform::DatabaseError(QStringLiteral("Field '%1' not found").arg(name));
}

Operand Parser::parseOperand() {
    const Token token = take();
    Operand operand;
    switch (token.kind) {
    case TokenKind::Name:
        if (token.text.compare(u"NULL", Qt::CaseInsensitive) == 0)
            return operand; // a null literal
        return fieldOperand(token.text);
    case TokenKind::QuotedName:
        return fieldOperand(token.text);
    case TokenKind::Text:
        operand.type = FieldType::String;
        operand.value = token.text;
        return operand;
    case TokenKind::Number:
        operand.type = FieldType::Float;
        operand.value = token.text;
        return operand;
    case TokenKind::Operator:
        if (token.text == u"-" && current().kind == TokenKind::Number) {
            operand.type = FieldType::Float;
            operand.value = QString(u'-' + take().text);
            return operand;
        }
        break;
    default:
        break;
    }
    fail(QStringLiteral("value or field expected at '%1'").arg(token.text));
}

QVariant Parser::literalFor(const Operand& literal,
                            const FilterExpression::FieldInfo& field) const {
    const QString text = literal.value.toString();
    if (isTextType(field.type))
        return text;
    try {
        if (isDateType(field.type) && literal.type == FieldType::String) {
            platform::TDateTime value = 0;
            if (parseIsoDateTime(text, value))
                return value;
            return field.type == FieldType::Date ? platform::strToDate(text)
                                                 : platform::strToDateTime(text);
        }
        if (literal.type == FieldType::Float && isIntegerType(field.type)) {
            bool whole = false;
            const qint64 number = text.toLongLong(&whole);
            if (whole)
                return normalizeValue(field.type, QVariant(number));
        }
        if (literal.type == FieldType::Float && !isTextType(field.type))
            return normalizeValue(field.type, QVariant(numberOf(text)));
        return normalizeValue(field.type, QVariant(text));
    } catch (const platform::Exception& error) {
        throw platform::DatabaseError(
            QStringLiteral("Invalid filter expression: %1 (%2)").arg(source_, error.message()));
    }
}

NodePtr Parser::makeComparison(const QString& op, Operand a, Operand b) const {
    auto node = std::make_shared<Node>();
    const bool aNull = !a.isField && !a.value.isValid();
    const bool bNull = !b.isField && !b.value.isValid();
    if (aNull || bNull) {
        if (op != u"=" && op != u"<>")
            fail(QStringLiteral("NULL can only be compared with = or <>"));
        node->kind = Node::Kind::IsNull;
        node->a = aNull ? b : a;
        node->negate = op == u"<>";
        return node;
    }
    // A literal takes the type of the field it is compared with.
    auto settle = [&](Operand& literal, const Operand& other, bool upperBound) {
        if (literal.isField)
            return;
        if (!other.isField) {
            literal.value = literal.type == FieldType::Float
                                ? QVariant(numberOf(literal.value.toString()))
                                : literal.value;
            return;
        }
        literal.value = literalFor(literal, other.field);
        literal.type = other.field.type;
        if (upperBound && isTextType(literal.type))
            literal.value = upperBoundText(literal.value.toString());
    };
    const bool starPrefix = op == u"=" || op == u"<>";
    if (starPrefix && a.isField && !b.isField && b.type == FieldType::String &&
        isTextType(a.type) && b.value.toString().endsWith(u'*')) {
        node->kind = Node::Kind::Prefix;
        node->a = a;
        b.value = b.value.toString().chopped(1);
        node->b = b;
        node->negate = op == u"<>";
        return node;
    }
    settle(b, a, op == u"<" || op == u"<=");
    settle(a, b, op == u">" || op == u">=");
    node->kind = Node::Kind::Compare;
    node->op = op;
    node->a = a;
    node->b = b;
    return node;
}

// ---- SQL -------------------------------------------------------------------------

void appendOperand(const Operand& operand, FilterExpression::SqlCondition& sql) {
    if (operand.isField) {
        sql.text += sqlName(operand.field.name);
        return;
    }
    sql.text += u'?';
    sql.values.push_back({operand.type, operand.value});
}

void appendSql(const Node& node, FilterExpression::SqlCondition& sql) {
    switch (node.kind) {
    case Node::Kind::And:
    case Node::Kind::Or: {
        const QString joint =
            node.kind == Node::Kind::And ? QStringLiteral(" AND ") : QStringLiteral(" OR ");
        sql.text += u'(';
        for (std::size_t i = 0; i < node.operands.size(); ++i) {
            if (i > 0)
                sql.text += joint;
            appendSql(*node.operands[i], sql);
        }
        sql.text += u')';
        return;
    }
    case Node::Kind::Not:
        sql.text += QStringLiteral("NOT (");
        appendSql(*node.operands.front(), sql);
        sql.text += u')';
        return;
    case Node::Kind::IsNull:
        appendOperand(node.a, sql);
        sql.text += node.negate ? QStringLiteral(" IS NOT NULL") : QStringLiteral(" IS NULL");
        return;
    case Node::Kind::Prefix:
        sql.text += QStringLiteral("substr(%1, 1, %2) %3 ?")
                        .arg(sqlName(node.a.field.name))
                        .arg(node.b.value.toString().size())
                        .arg(node.negate ? QStringLiteral("<>") : QStringLiteral("="));
        sql.values.push_back({FieldType::String, node.b.value});
        return;
    case Node::Kind::Compare:
        appendOperand(node.a, sql);
        sql.text += u' ' + node.op + u' ';
        appendOperand(node.b, sql);
        return;
    }
}

// ---- Evaluation on rows ----------------------------------------------------------

QVariant valueOf(const Operand& operand, const std::vector<QVariant>& row) {
    if (!operand.isField)
        return operand.value;
    const int index = operand.field.index;
    return index >= 0 && index < static_cast<int>(row.size()) ? row[index] : QVariant();
}

bool isText(const QVariant& value) {
    return value.metaType().id() == QMetaType::QString;
}

// -1, 0 or 1; nullopt when the values cannot be compared.
std::optional<int> compareValues(const QVariant& a, const QVariant& b) {
    if (isText(a) && isText(b)) {
        const int order = a.toString().compare(b.toString());
        return (order > 0) - (order < 0);
    }
    bool okA = false;
    bool okB = false;
    const double x = isText(a) ? a.toString().toDouble(&okA) : a.toDouble(&okA);
    const double y = isText(b) ? b.toString().toDouble(&okB) : b.toDouble(&okB);
    if (!okA || !okB)
        return std::nullopt;
    return (x > y) - (x < y);
}

bool holds(const QString& op, int order) {
    if (op == u"=")
        return order == 0;
    if (op == u"<>")
        return order != 0;
    if (op == u"<")
        return order < 0;
    if (op == u">")
        return order > 0;
    if (op == u"<=")
        return order <= 0;
    return order >= 0;
}

bool evaluate(const Node& node, const std::vector<QVariant>& row) {
    switch (node.kind) {
    case Node::Kind::And:
        return std::all_of(node.operands.begin(), node.operands.end(),
                           [&](const NodePtr& operand) { return evaluate(*operand, row); });
    case Node::Kind::Or:
        return std::any_of(node.operands.begin(), node.operands.end(),
                           [&](const NodePtr& operand) { return evaluate(*operand, row); });
    case Node::Kind::Not:
        return !evaluate(*node.operands.front(), row);
    case Node::Kind::IsNull:
        return valueOf(node.a, row).isValid() == node.negate;
    case Node::Kind::Prefix: {
        const QVariant value = valueOf(node.a, row);
        if (!value.isValid())
            return false;
        return value.toString().startsWith(node.b.value.toString()) != node.negate;
    }
    case Node::Kind::Compare: {
        const QVariant a = valueOf(node.a, row);
        const QVariant b = valueOf(node.b, row);
        if (!a.isValid() || !b.isValid())
            return false;
        const auto order = compareValues(a, b);
        return order && holds(node.op, *order);
    }
    }
    return false;
}

} // namespace

FilterExpression FilterExpression::parse(const QString& text,
                                         const std::vector<FieldInfo>& fields) {
    FilterExpression expression;
    if (text.trimmed().isEmpty())
        return expression;
    Parser parser(text, fields);
    expression.root_ = parser.parseAll();
    return expression;
}

FilterExpression::SqlCondition FilterExpression::toSql() const {
    SqlCondition sql;
    if (root_)
        appendSql(*root_, sql);
    return sql;
}

bool FilterExpression::matches(const std::vector<QVariant>& row) const {
    return !root_ || evaluate(*root_, row);
}

} // namespace db
