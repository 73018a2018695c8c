#pragma once
// Picks a module's loader from its content: "Extended Module:" at byte 0 is
// XM, "SCRM" at byte 44 S3M, "IMPM" at byte 0 IT; everything else goes to the
// MOD loader, which refuses files without a signature.

#include <cstdint>
#include <memory>
#include <span>

#include "sound/core/error_code.h"
#include "sound/core/sound_device.h"
#include "sound/loaders/module.h"
#include "sound/loaders/xm_loader.h"

namespace corvid {

ModuleType detectModuleType(std::span<const uint8_t> fileBytes);

// As loadXM, with the loader the content asks for.
ErrorCode loadModule(std::span<const uint8_t> fileBytes, bool addToDevice, SampleCallback sampleCallback,
                     const SoundDevice* device, std::unique_ptr<Module>& module);
ErrorCode loadModule(const char* fileName, bool addToDevice, SampleCallback sampleCallback, const SoundDevice* device,
                     std::unique_ptr<Module>& module);

}  // namespace corvid
