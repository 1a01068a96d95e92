// The statement scanner and what is built on it: parameters, the dialects' rewriting
// (names, concatenation, null order) and the server's numbered placeholders.

#include "FuzzInput.h"
#include "db/Dialect.h"
#include "db/Params.h"
#include "db/PgsqlDialect.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto sqlite = db::Dialect::forDriver(QStringLiteral("SQLITE"));
    static const auto server = db::Dialect::forDriver(QStringLiteral("PGSQL"));
    const QString sql = fuzz::textOf(data, size);
    const db::ParsedStatement parsed = db::parseStatement(sql);
    sqlite->adapt(parsed.text);
    db::PgsqlDialect::numberedPlaceholders(server->adapt(parsed.text));
    db::Dialect::rewriteConcatenation(
        sql, {QStringLiteral("f("), QStringLiteral(","), QStringLiteral(")")});
    return 0;
}
