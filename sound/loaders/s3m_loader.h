#pragma once
// The S3M loader: header with order list and parapointers, packed 64-row
// patterns, and sample instruments (8- or 16-bit, signed or unsigned, forward
// loops). AdLib instruments and packed sample data load as silent samples.

#include <cstdint>
#include <memory>
#include <span>

#include "sound/core/error_code.h"
#include "sound/core/sound_device.h"
#include "sound/loaders/module.h"
#include "sound/loaders/xm_loader.h"

namespace corvid {

// As loadXM. Fails with 15 for a bad id, no PCM channel or counts beyond the
// format's tables, 17 for pattern data that runs past its stored length, 29
// when a pointer or sample reaches past the file. Channels without stored
// panning follow the stereo separation option.
ErrorCode loadS3M(const char* fileName, bool addToDevice, SampleCallback sampleCallback, const SoundDevice* device,
                  std::unique_ptr<Module>& module);
ErrorCode loadS3M(std::span<const uint8_t> fileBytes, bool addToDevice, SampleCallback sampleCallback,
                  const SoundDevice* device, std::unique_ptr<Module>& module);

// Relative note and finetune (1/128 semitone, 0..127) that give a sample
// played at middle C `rate` Hz the period scale of an 8363 Hz one.
void tuneForMiddleC(uint32_t rate, Sample& sample);

}  // namespace corvid
