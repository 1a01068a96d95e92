// Edit masks: a mask and a shown text (the input split at its first line break).

#include "FuzzInput.h"
#include "platform/EditMask.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto [mask, text] = fuzz::twoParts(fuzz::textOf(data, size));
    const platform::EditMask translated = platform::translateEditMask(mask);
    platform::maskedText(translated, text);
    return 0;
}
