#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// The text of a file's bytes: UTF-16 when they begin with its byte-order mark (as
// Notepad's "Unicode" files do), UTF-8 when they are valid UTF-8 (a byte-order mark at
// the start is dropped), else the Central European Windows code page (Windows-1250) of
// files copied from existing installations, or Latin-1 where that code page is missing.
// The byte-order mark is not part of the text.
QString decodeText(const QByteArray& bytes);

} // namespace platform
