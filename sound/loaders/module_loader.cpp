#include "sound/loaders/module_loader.h"

#include <cstring>

#include "sound/loaders/mod_loader.h"
#include "sound/loaders/s3m_loader.h"

namespace corvid {

namespace {

bool hasText(std::span<const uint8_t> bytes, size_t at, const char* text)
{
    const size_t length = std::strlen(text);
    return bytes.size() >= at + length && std::memcmp(bytes.data() + at, text, length) == 0;
}

}  // namespace

ModuleType detectModuleType(std::span<const uint8_t> fileBytes)
{
    if (hasText(fileBytes, 0, "Extended Module:"))
        return ModuleType::xm;
    if (hasText(fileBytes, 44, "SCRM"))
        return ModuleType::s3m;
    if (hasText(fileBytes, 0, "IMPM"))
        return ModuleType::it;
    return ModuleType::mod;
}

ErrorCode loadModule(std::span<const uint8_t> fileBytes, bool addToDevice, SampleCallback sampleCallback,
                     const SoundDevice* device, std::unique_ptr<Module>& module)
{
    switch (detectModuleType(fileBytes)) {
    case ModuleType::xm: return loadXM(fileBytes, addToDevice, sampleCallback, device, module);
    case ModuleType::mod: return loadMOD(fileBytes, addToDevice, sampleCallback, device, module);
    case ModuleType::s3m: return loadS3M(fileBytes, addToDevice, sampleCallback, device, module);
    case ModuleType::it: break;
    }
    return ErrorCode::invalidModule;
}

}  // namespace corvid
