// Date and time pictures and the date-time reader: any picture and value is written,
// and the text of a value in the years 1 to 9999 reads back as the same moment, to
// the second.

#include "FuzzInput.h"
#include "platform/Errors.h"
#include "platform/Pictures.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const double value = fuzz::leadingDouble(data, size);
    const QString picture = fuzz::textOf(data, size);
    const platform::FormatSettings settings;
    platform::formatDateTime(picture, value, settings);
    platform::TDateTime read = 0;
    platform::tryStrToDateTime(picture, read, settings);

    constexpr double firstDay = -693593;     // 01.01.0001
    constexpr double afterLastDay = 2958466; // 01.01.10000
    if (!(value >= firstDay && value < afterLastDay))
        return 0;
    const QString text = platform::dateTimeToStr(value, settings);
    if (!platform::tryStrToDateTime(text, read, settings))
        std::abort(); // the program's own text must read back
    const QString full = QStringLiteral("dd.mm.yyyy hh:nn:ss");
    if (platform::formatDateTime(full, read, settings) !=
        platform::formatDateTime(full, value, settings))
        std::abort();
    return 0;
}
