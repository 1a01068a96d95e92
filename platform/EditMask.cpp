#include "platform/EditMask.h"

namespace platform {

namespace {

constexpr QChar FieldSeparator = QLatin1Char(';');
constexpr QChar Escape = QLatin1Char('\\');

// Characters that QLineEdit reads as mask letters, case switches or brackets; a literal
// with one of them must be escaped.
bool isQtMaskSyntax(QChar c) {
    return QStringLiteral("AaNnXx90Dd#HhBb<>!\\[]{}").contains(c);
}

bool isQtInputPosition(QChar c) {
    return QStringLiteral("AaNnXx90Dd#HhBb").contains(c);
}

bool isQtCaseSwitch(QChar c) {
    return c == u'<' || c == u'>' || c == u'!';
}

// The classic mask letter translated to QLineEdit's, or a null character for literals.
QChar qtLetterFor(QChar classic) {
    switch (classic.unicode()) {
    case '0':
        return QLatin1Char('9');
    case '9':
        return QLatin1Char('0');
    case '#':
        return QLatin1Char('#');
    case 'L':
        return QLatin1Char('A');
    case 'l':
        return QLatin1Char('a');
    case 'A':
        return QLatin1Char('N');
    case 'a':
        return QLatin1Char('n');
    case 'C':
        return QLatin1Char('X');
    case 'c':
        return QLatin1Char('x');
    default:
        return QChar();
    }
}

void appendLiteral(QString& mask, QChar literal) {
    // QLineEdit cannot show a literal ';': it always starts the blank-character field.
    if (literal == FieldSeparator)
        return;
    if (isQtMaskSyntax(literal))
        mask += Escape;
    mask += literal;
}

// Position of the first ';' that is not escaped, or -1.
qsizetype fieldSeparatorIn(const QString& mask) {
    for (qsizetype i = 0; i < mask.size(); ++i) {
        if (mask.at(i) == Escape)
            ++i;
        else if (mask.at(i) == FieldSeparator)
            return i;
    }
    return -1;
}

QString translateBody(const QString& body, const FormatSettings& settings) {
    QString mask;
    for (qsizetype i = 0; i < body.size(); ++i) {
        const QChar c = body.at(i);
        if (c == Escape && i + 1 < body.size()) {
            appendLiteral(mask, body.at(++i));
        } else if (c == u'<' && i + 1 < body.size() && body.at(i + 1) == u'>') {
            mask += QLatin1Char('!');
            ++i;
        } else if (c == u'<' || c == u'>') {
            mask += c;
        } else if (c == u'!') {
            // Leading blanks for optional positions: QLineEdit has no such mode.
        } else if (c == u'/') {
            appendLiteral(mask, settings.dateSeparator);
        } else if (c == u':') {
            appendLiteral(mask, settings.timeSeparator);
        } else if (c == u'_') {
            appendLiteral(mask, QLatin1Char(' '));
        } else if (const QChar letter = qtLetterFor(c); !letter.isNull()) {
            mask += letter;
        } else {
            appendLiteral(mask, c);
        }
    }
    return mask;
}

} // namespace

EditMask translateEditMask(const QString& classicMask, const FormatSettings& settings) {
    EditMask result;
    const qsizetype separator = fieldSeparatorIn(classicMask);
    const QString body = separator < 0 ? classicMask : classicMask.left(separator);
    if (separator >= 0) {
        const QStringList fields = classicMask.mid(separator + 1).split(FieldSeparator);
        result.keepLiterals = !fields.value(0).startsWith(QLatin1Char('0'));
        if (fields.size() > 1 && !fields.at(1).isEmpty())
            result.blank = fields.at(1).at(0);
    }
    const QString qtBody = translateBody(body, settings);
    if (!qtBody.isEmpty())
        result.inputMask = qtBody + FieldSeparator + result.blank;
    return result;
}

QString maskedText(const EditMask& mask, const QString& displayText) {
    if (mask.inputMask.isEmpty())
        return displayText;
    const QString body = mask.inputMask.left(mask.inputMask.lastIndexOf(FieldSeparator));
    QString text;
    qsizetype position = 0;
    for (qsizetype i = 0; i < body.size() && position < displayText.size(); ++i) {
        QChar c = body.at(i);
        if (isQtCaseSwitch(c))
            continue;
        const bool literal = c == Escape || !isQtInputPosition(c);
        if (c == Escape)
            ++i;
        const QChar shown = displayText.at(position++);
        if (literal ? mask.keepLiterals : shown != mask.blank)
            text += shown;
    }
    return text;
}

} // namespace platform
