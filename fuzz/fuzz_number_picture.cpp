// Number pictures, the general number form and the float reader: any picture and value
// is written, and the general form of every finite value reads back as that value.

#include "FuzzInput.h"
#include "platform/Errors.h"
#include "platform/Pictures.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const double value = fuzz::leadingDouble(data, size);
    const QString picture = fuzz::textOf(data, size);
    const platform::FormatSettings settings;
    platform::formatFloat(picture, value, settings);
    double read = 0;
    platform::tryStrToFloat(picture, read, settings);

    if (!std::isfinite(value))
        return 0;
    const QString text = platform::floatToStr(value, settings);
    if (!platform::tryStrToFloat(text, read, settings))
        std::abort(); // the program's own text must read back
    const double tolerance = std::fabs(value) * 1e-14;
    if (!(std::fabs(read - value) <= tolerance) && !(std::isinf(read - value) && read == value))
        std::abort();
    return 0;
}
