#pragma once
// The record through which the library drives an output device, and the
// description of a sample handed to a device. Every operation returns an
// ErrorCode and passes results through out-parameters.

#include <array>
#include <cstdint>
#include <span>

#include "sound/core/error_code.h"

namespace corvid {

// Sample data types. Bytes per frame: 1 for pcm8Mono and muLawMono, 2 for
// pcm16Mono, pcm8Stereo and muLawStereo, 4 for pcm16Stereo.
enum class SampleType : uint32_t {
    none = 0,
    pcm8Mono = 1,     // unsigned, 128 = silence
    pcm16Mono = 2,    // signed little-endian
    pcm8Stereo = 3,
    pcm16Stereo = 4,
    muLawMono = 7,    // G.711 codes
    muLawStereo = 8,
};

enum class LoopType : uint32_t { none = 0, forward = 1, pingPong = 2 };

// 0 no loop, 1 loop, 2 and 3 a second loop taken after a release,
// 4 Amiga-style without loop, 5 Amiga-style with loop.
enum class LoopMode : uint32_t { none = 0, loop = 1, twoLoops = 2, twoLoopsAlt = 3, amiga = 4, amigaLooped = 5 };

struct SampleLoop {
    uint32_t start = 0;   // bytes in a description, frames inside the mixer
    uint32_t end = 0;     // one past the last frame of the loop
    LoopType type = LoopType::none;
};

// What a caller hands to add sample; positions and lengths in bytes.
struct SampleDescription {
    const void* data = nullptr;
    uint32_t dataPresent = 0;
    SampleType type = SampleType::none;
    uint32_t length = 0;
    LoopMode loopMode = LoopMode::none;
    SampleLoop loop1;
    SampleLoop loop2;
};

// The operation table, in its fixed order. Stream operations are not
// provided: nothing in the show plays streams.
struct SoundDeviceOperations {
    ErrorCode (*detect)(bool& found) = nullptr;
    ErrorCode (*open)(uint32_t mixingRate, uint32_t outputMode) = nullptr;
    ErrorCode (*close)() = nullptr;
    ErrorCode (*suspend)() = nullptr;
    ErrorCode (*resume)() = nullptr;
    ErrorCode (*getMixingRate)(uint32_t& rate) = nullptr;
    ErrorCode (*getOutputMode)(uint32_t& mode) = nullptr;
    ErrorCode (*openChannels)(uint32_t count) = nullptr;
    ErrorCode (*closeChannels)() = nullptr;
    ErrorCode (*clearChannels)() = nullptr;
    ErrorCode (*muteAll)(bool muted) = nullptr;
    ErrorCode (*pause)(bool paused) = nullptr;
    ErrorCode (*setMasterVolume)(uint32_t volume) = nullptr;
    ErrorCode (*getMasterVolume)(uint32_t& volume) = nullptr;
    ErrorCode (*setAmplification)(uint32_t amplification) = nullptr;
    ErrorCode (*getAmplification)(uint32_t& amplification) = nullptr;
    ErrorCode (*playSound)(uint32_t channel, uint32_t rate) = nullptr;
    ErrorCode (*releaseSound)(uint32_t channel) = nullptr;
    ErrorCode (*stopSound)(uint32_t channel) = nullptr;
    ErrorCode (*setRate)(uint32_t channel, uint32_t rate) = nullptr;
    ErrorCode (*getRate)(uint32_t channel, uint32_t& rate) = nullptr;
    ErrorCode (*setVolume)(uint32_t channel, uint32_t volume) = nullptr;
    ErrorCode (*getVolume)(uint32_t channel, uint32_t& volume) = nullptr;
    ErrorCode (*setSample)(uint32_t channel, uint32_t handle) = nullptr;
    ErrorCode (*getSample)(uint32_t channel, uint32_t& handle) = nullptr;
    ErrorCode (*setPosition)(uint32_t channel, uint32_t byteOffset) = nullptr;
    ErrorCode (*getPosition)(uint32_t channel, uint32_t& byteOffset) = nullptr;
    ErrorCode (*getDirection)(uint32_t channel, int32_t& direction) = nullptr;
    ErrorCode (*setPanning)(uint32_t channel, int32_t panning) = nullptr;
    ErrorCode (*getPanning)(uint32_t channel, int32_t& panning) = nullptr;
    ErrorCode (*muteChannel)(uint32_t channel, bool muted) = nullptr;
    ErrorCode (*addSample)(const SampleDescription& sample, bool copy, uint32_t& handle) = nullptr;
    ErrorCode (*removeSample)(uint32_t handle) = nullptr;
    ErrorCode (*setUpdateRate)(uint32_t centiHertz) = nullptr;
    ErrorCode (*startPass)() = nullptr;
    ErrorCode (*serviceStep)(bool& callPlayer) = nullptr;
};

// Output mode bits of a device.
inline constexpr uint32_t outputMono = 1, outputStereo = 2, output8Bit = 4, output16Bit = 8;

struct SoundDevice {
    uint32_t configuration = 0;  // the service pass stops early while this is non-zero
    int32_t port = 0;
    int32_t irq = 0;
    int32_t dma = 0;
    int32_t cardType = 0;
    int32_t cardTypeCount = 0;
    uint32_t outputModes = 0;    // output mode bits the device supports
    const char* name = "";
    std::span<const char* const> cardNames;
    SoundDeviceOperations operations;
};

// The device list, in detection order.
enum class DeviceIndex : uint32_t { directSound = 0, waveOut = 1, silent = 2 };
inline constexpr uint32_t deviceCount = 3;

}  // namespace corvid
