// ParseDateByPicture: a picture and a text (the input split at its first line break);
// it never raises.

#include "FuzzInput.h"
#include "controls/HelperRoutines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto [picture, text] = fuzz::twoParts(fuzz::textOf(data, size));
    controls::ParseDateByPicture(picture, text);
    return 0;
}
