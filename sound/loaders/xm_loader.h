#pragma once
// The XM ("Extended Module") loader: reads the file into a Module in the
// player's packed pattern form and hands every sample to the sound device,
// which keeps its own copy.

#include <cstdint>
#include <memory>
#include <span>

#include "sound/core/error_code.h"
#include "sound/core/sound_device.h"
#include "sound/loaders/module.h"

namespace corvid {

// Called after each sample has been added to the device.
using SampleCallback = void (*)(const Sample& sample);

// With addToDevice each sample with data is decoded and added to `device`
// (which must then be given) and the Sample keeps only the device handle;
// without it the decoded data stays in the Sample. On failure nothing is left
// behind: the module is freed and its samples removed from the device.
ErrorCode loadXM(const char* fileName, bool addToDevice, SampleCallback sampleCallback, const SoundDevice* device,
                 std::unique_ptr<Module>& module);
ErrorCode loadXM(std::span<const uint8_t> fileBytes, bool addToDevice, SampleCallback sampleCallback,
                 const SoundDevice* device, std::unique_ptr<Module>& module);

// Removes the module's samples from the device and frees the module.
void freeModule(std::unique_ptr<Module>& module, const SoundDevice* device);

// The text an instrument gets when patterns name it but the file lacks it.
inline constexpr const char* placeholderInstrumentName = "(absent in file)";

}  // namespace corvid
