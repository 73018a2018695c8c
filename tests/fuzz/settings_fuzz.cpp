// The saved-settings reader on any bytes.

#include "sound/setup/saved_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    corvid::OptionValues options{};
    (void)corvid::loadSettingsFromBytes(options, std::span<const unsigned char>(bytes, size));
    return 0;
}
