// Filter expressions: any text either parses, becomes SQL and is evaluated on a row,
// or raises the program's own error.

#include "FuzzInput.h"
#include "db/FilterExpression.h"
#include "platform/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using db::FieldType;
    static const std::vector<db::FilterExpression::FieldInfo> fields = {
        {QStringLiteral("S"), FieldType::String, 0},
        {QStringLiteral("I"), FieldType::Integer, 1},
        {QStringLiteral("F"), FieldType::Float, 2},
        {QStringLiteral("D"), FieldType::Date, 3},
        {QStringLiteral("T"), FieldType::DateTime, 4},
        {QStringLiteral("B"), FieldType::Boolean, 5},
        {QStringLiteral("Modul ime"), FieldType::String, 6}};
    static const std::vector<QVariant> row = {QVariant(QStringLiteral("Šola")),
                                              QVariant(qint64(42)),
                                              QVariant(2.5),
                                              QVariant(45000.0),
                                              QVariant(45000.5),
                                              QVariant(true),
                                              QVariant()};
    try {
        const auto expression = db::FilterExpression::parse(fuzz::textOf(data, size), fields);
        expression.toSql();
        expression.matches(row);
    } catch (const platform::Exception&) {
    }
    return 0;
}
