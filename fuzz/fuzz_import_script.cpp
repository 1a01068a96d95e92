// The translation engine's import scripts: any file's bytes read as statements, without
// a database. Every statement begins with a line of its own (not a comment, not blank,
// not starting with a blank), and together they hold no more text than the script.

#include "translation/ImportScript.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = translation::decodeScript(bytes);
    const std::vector<translation::ScriptStatement> statements =
        translation::scriptStatements(text);
    qsizetype length = 0;
    for (const translation::ScriptStatement& statement : statements) {
        if (statement.lines.isEmpty())
            std::abort();
        const QString& first = statement.lines.first();
        if (first.isEmpty() || first.front().isSpace() || first.startsWith(u"--"))
            std::abort();
        for (const QString& line : statement.lines)
            length += line.size();
    }
    if (length > text.size())
        std::abort();
    return 0;
}
