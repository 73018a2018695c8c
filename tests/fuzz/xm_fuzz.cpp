// The XM loader on its own: any bytes as a module, kept in memory (no device),
// then freed.

#include "sound/loaders/xm_loader.h"

#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    std::unique_ptr<corvid::Module> module;
    if (corvid::loadXM(std::span<const uint8_t>(bytes, size), false, nullptr, nullptr, module) == corvid::ErrorCode::ok)
        corvid::freeModule(module, nullptr);
    return 0;
}
