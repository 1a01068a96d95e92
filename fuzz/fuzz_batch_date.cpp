// The batch mode's date argument: any text gives a date of the years 1 to 9999 or none.

#include "FuzzInput.h"
#include "platform/DateTime.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto date = platform::dateOfArgument(fuzz::textOf(data, size));
    if (date && !(*date >= -693593 && *date < 2958466))
        std::abort();
    return 0;
}
