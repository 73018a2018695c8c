// The module loaders behind the format detection MusicLoadModule uses: any
// bytes reach the XM, S3M, IT or MOD loader, in memory, then are freed.

#include "sound/loaders/module_loader.h"

#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    std::unique_ptr<corvid::Module> module;
    if (corvid::loadModule(std::span<const uint8_t>(bytes, size), false, nullptr, nullptr, module) ==
        corvid::ErrorCode::ok)
        corvid::freeModule(module, nullptr);
    return 0;
}
