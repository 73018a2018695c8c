// A module loader, named by FUZZ_LOADER at build time: loadModule (the format
// detection MusicLoadModule uses, and whichever loader it picks) or one
// loader on its own (loadXM, loadMOD, loadS3M, loadIT), whose header checks
// then meet every input. Any bytes as a module, kept in memory (no device),
// then freed.

#include "sound/loaders/it_loader.h"
#include "sound/loaders/mod_loader.h"
#include "sound/loaders/module_loader.h"
#include "sound/loaders/s3m_loader.h"
#include "sound/loaders/xm_loader.h"

#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    std::unique_ptr<corvid::Module> module;
    if (corvid::FUZZ_LOADER(std::span<const uint8_t>(bytes, size), false, nullptr, nullptr, module) ==
        corvid::ErrorCode::ok)
        corvid::freeModule(module, nullptr);
    return 0;
}
