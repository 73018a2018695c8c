#pragma once
// The software mixer: 1024 sample slots, the virtual channels the player
// drives, and mix, which resamples every playing channel to the mixing rate,
// applies volume and panning, adds them into a 32-bit mix buffer, filters
// the sum and converts it to the output format.
//
// Volumes: a channel's volume per side runs to 2^22 (64 volume x 64 panning
// x 64 master x 16). Positions are frames plus a 16-bit fraction.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/cpu.h"
#include "sound/core/error_code.h"
#include "sound/core/sound_device.h"
#include "sound/mixer/mix_kernels.h"
#include "sound/mixer/post_processing.h"
#include "sound/mixer/resonant_filter.h"

namespace corvid {

// Format bits given to open.
inline constexpr uint32_t mixOutput8Bit = 0x01;   // unsigned, 128 = silence
inline constexpr uint32_t mixOutput16Bit = 0x02;  // signed; the default
inline constexpr uint32_t mixMono = 0x04;
inline constexpr uint32_t mixStereo = 0x10;       // interleaved left, right
inline constexpr uint32_t mixFloat = 0x20;
inline constexpr uint32_t mixInteger = 0x40;      // volume tables
inline constexpr uint32_t mixInterpolating = 0x80;  // linear, always floating point
inline constexpr uint32_t mixSinc = 0x100;          // band-limited (windowed sinc), always floating point

struct MixerFormat {
    bool output8Bit = false;
    bool stereo = false;
    bool floatMixing = false;
    bool interpolating = false;  // linear or sinc: volume ramps and fade-out shadows
    MixFamily family = MixFamily::integerMono;
};

// Neither float nor integer asked for: float when interpolating or on a
// processor that calls itself "GenuineIntel", integer otherwise. Sinc wins
// over linear when both are asked for.
MixerFormat resolveMixerFormat(uint32_t formatBits, const platform::CpuInfo& cpu);

// The options the mixer reads when it opens.
struct MixerSettings {
    bool muLawSamples = true;  // integer mixing: 16-bit samples are stored as mu-law
    int32_t filterMode = 3;    // 0 none, 1, 2, 3 automatic
};

inline constexpr uint32_t sampleSlotCount = 1024;
inline constexpr uint32_t maximumChannels = 256;
inline constexpr uint32_t maximumAmplification = 8191;  // keeps every integer sum inside 32 bits
inline constexpr uint32_t fullVolume = 1u << 22;

enum class ChannelState : uint32_t { none = 0, stopped = 1, playing = 2, released = 3, fading = 4 };

inline constexpr int32_t surroundPanning = 128;

// Sinc mixing reads eight frames around a position: three before its frame,
// four after. Where the sound does not simply go on in the data (before the
// first frame, after the last, across each loop's start and end) the mixer
// reads a seam instead: the frames around that place as the sound continues
// there, prepared once when the sample is added. A seam holds the frames
// anchor - 8 .. anchor + 7 and serves positions within 4 frames of it.
inline constexpr int32_t seamReach = 4;
inline constexpr int32_t seamFrames = 4 * seamReach;

enum class SeamPlace : uint8_t { head, tail, loop1Start, loop1End, loop2Start, loop2End };
inline constexpr size_t seamPlaceCount = 6;

struct SampleSeams {
    // Frames in the sample's own type, up to 4 bytes each.
    std::array<std::array<uint8_t, seamFrames * 4>, seamPlaceCount> frames{};
};

// Where a channel's sound comes from; shared by sample slots and channels.
struct SampleLayout {
    const uint8_t* data = nullptr;
    SampleType type = SampleType::none;
    uint32_t length = 0;                  // frames
    LoopMode loopMode = LoopMode::none;
    std::array<SampleLoop, 2> loops{};    // frames
    uint32_t offsetShift = 0;             // bytes per frame of the data as handed in (log2), for byte offsets
    const SampleSeams* seams = nullptr;   // sinc mixing, with data
};

struct SampleSlot {
    bool inUse = false;
    SampleLayout layout;
    std::unique_ptr<uint8_t[]> ownedData;  // set when the mixer made its own copy
    std::unique_ptr<SampleSeams> seams;
};

struct MixChannel {
    SampleLayout sample;
    uint32_t position = 0;                // frame
    uint32_t fraction = 0;                // 1/65536 frames
    uint32_t rate = 0;                    // Hz; 0 = silent
    int32_t direction = 1;                // -1 while a ping-pong loop runs backwards
    uint32_t sampleHandle = 0;            // 1..1024, 0 = none
    bool samplePending = false;           // handle taken at the next play or position change
    int32_t panning = 0;                  // -64..64, 128 surround
    uint32_t volume = 0;                  // 0..64
    bool muted = false;
    ChannelState state = ChannelState::none;
    uint32_t activeLoop = 0;              // 0 = loop 1, 1 = loop 2
    bool wrapped = false;                 // the active loop has come round: before its start lies its end
    std::array<uint32_t, 2> currentVolume{};  // 0..2^22 per side
    std::array<uint32_t, 2> targetVolume{};
    bool ramping = false;
    bool filtered = false;                // the resonant low-pass is on
    ResonantFilter filter;                // its coefficients and history
};

class Mixer {
public:
    ErrorCode open(uint32_t mixingRate, uint32_t formatBits, const platform::CpuInfo& cpu, const MixerSettings& settings);
    ErrorCode close();
    bool isOpen() const { return open_; }
    uint32_t mixingRate() const { return mixingRate_; }
    const MixerFormat& format() const { return format_; }

    // `count` channels share the mix level (the amplification divides among
    // them); `backgroundCount` more play beside them at the same level per
    // channel without changing it (a module's background notes).
    ErrorCode openChannels(uint32_t count, uint32_t backgroundCount = 0);
    ErrorCode closeChannels();
    ErrorCode clearChannels();
    ErrorCode muteAll(bool muted);
    ErrorCode pause(bool paused);
    ErrorCode setMasterVolume(uint32_t volume);
    uint32_t masterVolume() const { return masterVolume_; }
    ErrorCode setAmplification(uint32_t amplification);
    uint32_t amplification() const { return amplification_; }

    ErrorCode playSound(uint32_t channel, uint32_t rate);
    ErrorCode releaseSound(uint32_t channel);
    ErrorCode stopSound(uint32_t channel);
    ErrorCode setRate(uint32_t channel, uint32_t rate);
    ErrorCode getRate(uint32_t channel, uint32_t& rate) const;
    ErrorCode setVolume(uint32_t channel, uint32_t volume);
    ErrorCode getVolume(uint32_t channel, uint32_t& volume) const;
    ErrorCode setSample(uint32_t channel, uint32_t handle);
    ErrorCode getSample(uint32_t channel, uint32_t& handle) const;
    ErrorCode setPosition(uint32_t channel, uint32_t byteOffset);
    ErrorCode getPosition(uint32_t channel, uint32_t& byteOffset) const;
    ErrorCode getDirection(uint32_t channel, int32_t& direction) const;
    ErrorCode setPanning(uint32_t channel, int32_t panning);
    ErrorCode getPanning(uint32_t channel, int32_t& panning) const;
    ErrorCode muteChannel(uint32_t channel, bool muted);
    // The sound of `from` (position, loops, volume ramp and mute) goes on on
    // `to`, whose own sound fades out; `from` falls silent at once, so that
    // its next note starts without a fade of the moved sound.
    ErrorCode moveSound(uint32_t from, uint32_t to);
    ErrorCode getSounding(uint32_t channel, bool& sounding) const;
    // Turns the channel's resonant low-pass on (cutoff in 1/256 of IT's
    // step, up to maximumFilterCutoff; resonance 0..127) or off. A change of
    // setting keeps the filter's history; a new note (playSound) clears it.
    // Off, the channel mixes through the unfiltered routines and costs
    // nothing more.
    ErrorCode setFilter(uint32_t channel, bool on, uint32_t cutoff, uint32_t resonance);

    ErrorCode addSample(const SampleDescription& sample, bool copy, uint32_t& handle);
    ErrorCode removeSample(uint32_t handle);

    // Writes `frames` frames in the output format to `destination` and
    // advances every channel. With no destination the channels move on
    // exactly as a mix would move them (positions, loops, volume ramps,
    // ends, the history of a channel's resonant filter), without a sound
    // made and with the output filter left alone.
    ErrorCode mix(uint32_t frames, void* destination);
    // Forgets the output filter's history, as at open.
    void restartOutput();

    uint32_t channelCount() const { return channelCount_; }
    // Every channel record, shadows included: what mixing changes.
    const std::vector<MixChannel>& channelRecords() const { return channels_; }
    // Puts back records taken by channelRecords with the channel count of
    // now. Each channel keeps its own mute as if it had held all along (a
    // muted channel and its shadow silent); the output filter forgets its
    // history.
    void restoreChannels(const std::vector<MixChannel>& records);
    // Channel records, shadows included (index + channel count when interpolating).
    const MixChannel& channelRecord(uint32_t index) const { return channels_[index]; }
    const SampleSlot& sampleSlot(uint32_t handle) const { return slots_[handle - 1]; }
    uint32_t mixBufferFrames() const { return mixBufferFrames_; }
    // Frames mixed (or moved without mixing) since open.
    uint64_t framesMixed() const { return framesMixed_; }

private:
    ErrorCode checkChannel(uint32_t channel) const;

    template <typename Read>
    ErrorCode readChannel(uint32_t channel, Read read) const
    {
        if (channel >= channelCount_)
            return ErrorCode::invalidChannel;
        read(channels_[channel]);
        return ErrorCode::ok;
    }

    // Changes what the volume rule reads (volume, panning, mute), then applies it.
    template <typename Change>
    ErrorCode changeVolumeInput(uint32_t channel, bool valid, Change change)
    {
        if (channel >= channelCount_)
            return ErrorCode::invalidChannel;
        if (!valid)
            return ErrorCode::invalidArguments;
        change(channels_[channel]);
        updateVolume(channels_[channel]);
        return ErrorCode::ok;
    }

    void updateVolume(MixChannel& channel);
    void updateAllVolumes();
    void buildVolumeTables();
    void fadeOut(uint32_t channel);
    void takePendingSample(MixChannel& channel);
    void setupGains(MixJob& job, const MixChannel& channel, SampleType type) const;
    PanCase panCase(const MixChannel& channel) const;
    int32_t stepFor(uint32_t rate) const;
    void mixChannel(MixChannel& channel, uint32_t frames, void* buffer);
    void moveOnUnheard(MixChannel& channel, uint32_t frames);
    struct SincSource {
        const uint8_t* frames;  // holds frame firstFrame onwards
        int64_t firstFrame;
        int64_t boundary;       // 16.16
    };
    SincSource sincSource(const MixChannel& channel, int64_t position, bool backward, bool loopActive) const;
    void handleEvent(MixChannel& channel, int64_t position, bool inLoop, bool backward);

    bool open_ = false;
    uint32_t mixingRate_ = 0;
    MixerFormat format_;
    MixerSettings settings_;
    uint32_t channelCount_ = 0;
    uint32_t levelChannels_ = 0;  // the channels the amplification divides among
    std::vector<MixChannel> channels_;
    uint32_t amplification_ = 64;
    uint32_t masterVolume_ = 64;
    bool allMuted_ = false;
    bool paused_ = false;
    std::vector<SampleSlot> slots_;
    uint32_t mixBufferFrames_ = 0;
    uint64_t framesMixed_ = 0;
    std::vector<int32_t> integerMix_;
    std::vector<float> floatMix_;
    std::vector<int32_t> byteRows_;   // 33 rows x 256 bytes
    std::vector<int32_t> muLawRows_;  // 33 rows x 256 codes
    std::array<float, 256> byteValues_{};
    std::array<float, 256> muLawValues_{};
    PostProcessChain postProcessing_;
};

}  // namespace corvid
