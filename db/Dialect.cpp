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

void Dialect::execute(QSqlQuery& query, const QString& statement,
                      const QVariantList& values) const {
    query.setForwardOnly(true);
    runStatement(query, statement, values);
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
