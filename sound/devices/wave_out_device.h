#pragma once
// The wave-out device, "Windows Wave Sound Device": a ring of up to 64 blocks
// that the sound card plays one after another. Each service step refills the
// blocks the card has finished with, mixing only up to the next player tick.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/audio.h"
#include "sound/core/sound_device.h"
#include "sound/devices/device_common.h"

namespace corvid {

// Wave-out modes: the output mode bits of one format.
inline constexpr uint32_t waveMono8 = 5, waveStereo8 = 6, waveMono16 = 9, waveStereo16 = 10;
inline constexpr uint32_t maximumWaveBlocks = 64;
inline constexpr uint32_t waveBlockMs = 15;  // each block holds about this much sound

// Mono if bit 1 is set, else stereo; 8-bit if bit 4 is set, else 16-bit.
uint32_t waveModeFor(uint32_t outputModeBits);
uint32_t waveBytesPerFrame(uint32_t waveMode);
uint32_t waveMixerFormat(uint32_t waveMode);
platform::WaveFormat waveFormatFor(uint32_t waveMode, uint32_t rate);

struct WaveOutChoice {
    uint32_t mode = waveStereo16;
    uint32_t rate = 44100;
};

// Keeps the request when it is accepted; otherwise walks the modes from the
// requested one down to mono 8-bit and, for each, the rates from 44100 down
// to 8000, taking the first accepted pair. Nothing accepted: the request.
WaveOutChoice chooseWaveOutFormat(WaveOutChoice request, const std::function<bool(const WaveOutChoice&)>& accepted);

struct WaveOutLayout {
    uint32_t blockCount = 0;  // 0 when the buffer is too short for one block
    uint32_t blockSize = 0;   // bytes, a multiple of 16
};

// bufferMs / 15 blocks (at most 64) sharing bufferMs of sound.
WaveOutLayout waveOutLayout(uint32_t bytesPerFrame, uint32_t rate, int32_t bufferMs);

// The wave-out system's result codes as library codes.
ErrorCode waveOutError(int systemCode);

struct WaveOutDeviceState {
    platform::WaveOut output;
    uint32_t mixingRate = 0;
    uint32_t mode = waveStereo16;
    uint32_t bytesPerFrame = 4;
    WaveOutLayout layout;
    std::unique_ptr<uint8_t[]> memory;  // blockCount blocks of blockSize bytes
    std::array<platform::WaveBlock, maximumWaveBlocks> blocks;
    uint32_t fillIndex = 0;             // block being filled
    uint32_t bytesFilled = 0;           // already mixed into it
    uint32_t blocksSentThisPass = 0;
    bool suspended = false;
    TickCounter ticks;
    std::recursive_mutex lock;          // the device's own lock
};

WaveOutDeviceState& waveOutDeviceState();
SoundDevice& waveOutDevice();

}  // namespace corvid
