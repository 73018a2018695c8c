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

// 0 no loop, 1 loop, 2 and 3 a second loop taken after a release (2: when
// the first loop next reaches its end; 3: at once, the position brought
// into the second loop when past its end, as IT leaves a sustain loop),
// 4 Amiga-style without loop, 5 Amiga-style with loop.
enum class LoopMode : uint32_t {
    none = 0,
    loop = 1,
    twoLoops = 2,
    twoLoopsLeftAtOnce = 3,
    amiga = 4,
    amigaLooped = 5
};

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

// The operation table, in its fixed order. Every operation is given the
// device's context first (the mixer, for the channel and sample operations),
// so that one table serves any number of devices. Stream operations are not
// provided: nothing in the show plays streams.
struct SoundDeviceOperations {
    ErrorCode (*detect)(void* context, bool& found) = nullptr;
    ErrorCode (*open)(void* context, uint32_t mixingRate, uint32_t outputMode) = nullptr;
    ErrorCode (*close)(void* context) = nullptr;
    ErrorCode (*suspend)(void* context) = nullptr;
    ErrorCode (*resume)(void* context) = nullptr;
    ErrorCode (*getMixingRate)(void* context, uint32_t& rate) = nullptr;
    ErrorCode (*getOutputMode)(void* context, uint32_t& mode) = nullptr;
    // `count` channels share the mix level; `backgroundCount` more play beside
    // them without lowering it.
    ErrorCode (*openChannels)(void* context, uint32_t count, uint32_t backgroundCount) = nullptr;
    ErrorCode (*closeChannels)(void* context) = nullptr;
    ErrorCode (*clearChannels)(void* context) = nullptr;
    ErrorCode (*muteAll)(void* context, bool muted) = nullptr;
    ErrorCode (*pause)(void* context, bool paused) = nullptr;
    ErrorCode (*setMasterVolume)(void* context, uint32_t volume) = nullptr;
    ErrorCode (*getMasterVolume)(void* context, uint32_t& volume) = nullptr;
    ErrorCode (*setAmplification)(void* context, uint32_t amplification) = nullptr;
    ErrorCode (*getAmplification)(void* context, uint32_t& amplification) = nullptr;
    ErrorCode (*playSound)(void* context, uint32_t channel, uint32_t rate) = nullptr;
    ErrorCode (*releaseSound)(void* context, uint32_t channel) = nullptr;
    ErrorCode (*stopSound)(void* context, uint32_t channel) = nullptr;
    ErrorCode (*setRate)(void* context, uint32_t channel, uint32_t rate) = nullptr;
    ErrorCode (*getRate)(void* context, uint32_t channel, uint32_t& rate) = nullptr;
    ErrorCode (*setVolume)(void* context, uint32_t channel, uint32_t volume) = nullptr;
    ErrorCode (*getVolume)(void* context, uint32_t channel, uint32_t& volume) = nullptr;
    ErrorCode (*setSample)(void* context, uint32_t channel, uint32_t handle) = nullptr;
    ErrorCode (*getSample)(void* context, uint32_t channel, uint32_t& handle) = nullptr;
    ErrorCode (*setPosition)(void* context, uint32_t channel, uint32_t byteOffset) = nullptr;
    ErrorCode (*getPosition)(void* context, uint32_t channel, uint32_t& byteOffset) = nullptr;
    ErrorCode (*getDirection)(void* context, uint32_t channel, int32_t& direction) = nullptr;
    // The channel's resonant low-pass on or off: cutoff in 1/256 of IT's
    // step (127 x 256 the highest a pattern sets), resonance 0..127. A
    // device without it plays every channel unfiltered.
    ErrorCode (*setFilter)(void* context, uint32_t channel, bool on, uint32_t cutoff, uint32_t resonance) = nullptr;
    ErrorCode (*setPanning)(void* context, uint32_t channel, int32_t panning) = nullptr;
    ErrorCode (*getPanning)(void* context, uint32_t channel, int32_t& panning) = nullptr;
    ErrorCode (*muteChannel)(void* context, uint32_t channel, bool muted) = nullptr;
    // A channel's sound carries on on another channel (which gives up its
    // own, fading it out); the first channel falls silent without a fade.
    ErrorCode (*moveSound)(void* context, uint32_t from, uint32_t to) = nullptr;
    // Whether the channel's sound still plays (it has not ended or been stopped).
    ErrorCode (*getSounding)(void* context, uint32_t channel, bool& sounding) = nullptr;
    ErrorCode (*addSample)(void* context, const SampleDescription& sample, bool copy, uint32_t& handle) = nullptr;
    ErrorCode (*removeSample)(void* context, uint32_t handle) = nullptr;
    ErrorCode (*setUpdateRate)(void* context, uint32_t centiHertz) = nullptr;
    ErrorCode (*startPass)(void* context) = nullptr;
    ErrorCode (*serviceStep)(void* context, bool& callPlayer) = nullptr;
    // Frames mixed since the device opened, and how many of those are still
    // on their way to the ear (in the device's buffers and the sound system's).
    ErrorCode (*getOutputProgress)(void* context, uint64_t& framesMixed, uint32_t& framesQueued) = nullptr;
};

// Output mode bits of a device. The library's output mode option may add
// band-limited (sinc) mixing, which the devices hand on to the mixer.
inline constexpr uint32_t outputMono = 1, outputStereo = 2, output8Bit = 4, output16Bit = 8;
inline constexpr uint32_t outputSincMixing = 16;

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
    void* context = nullptr;  // handed to every operation
};

// The device list, in detection order.
enum class DeviceIndex : uint32_t { directSound = 0, waveOut = 1, silent = 2 };
inline constexpr uint32_t deviceCount = 3;

}  // namespace corvid
