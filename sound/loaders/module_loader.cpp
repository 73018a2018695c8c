#include "sound/loaders/module_loader.h"

#include <cstring>

#include "sound/loaders/file_access.h"
#include "sound/loaders/it_loader.h"
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
    case ModuleType::it: return loadIT(fileBytes, addToDevice, sampleCallback, device, module);
    }
    return ErrorCode::invalidModule;
}

ErrorCode loadModule(const char* fileName, bool addToDevice, SampleCallback sampleCallback, const SoundDevice* device,
                     std::unique_ptr<Module>& module)
{
    ModuleFile file;
    if (ErrorCode e = file.open(fileName); e != ErrorCode::ok)
        return e;
    std::vector<uint8_t> bytes(file.size());
    if (ErrorCode e = file.read(bytes.data(), file.size()); e != ErrorCode::ok)
        return e;
    return loadModule(bytes, addToDevice, sampleCallback, device, module);
}

}  // namespace corvid
