#pragma once
// A sound device that records what the player asks of it (sample, rate,
// volume, panning per channel, and every note start), and helpers that load a
// test module and play it tick by tick.

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <numeric>
#include <vector>

#include "sound/loaders/module_loader.h"
#include "sound/player/player.h"
#include "tests/support/xm_module.h"

namespace corvid::testing {

using namespace testsupport;

struct RecordedChannel {
    uint32_t sample = 0;
    uint32_t rate = 0;
    uint32_t volume = 0;
    int32_t panning = 0;
    uint32_t starts = 0;        // play sound calls
    uint32_t stops = 0;
    int64_t lastPosition = -1;  // last set position, bytes
    uint32_t positionSets = 0;
    bool sounding = false;      // started, and neither stopped nor moved away since
    uint32_t releases = 0;
    bool filterOn = false;      // the resonant filter last set
    uint32_t filterCutoff = 0;
    uint32_t filterResonance = 0;
};

struct RecordedSample {
    SampleDescription description;
    std::vector<uint8_t> data;
};

struct Recorder {
    std::array<RecordedChannel, 128> channels{};  // a module's channels and its background pool
    std::vector<RecordedSample> samples;  // handle = index + 1
    uint32_t updateRate = 0;
    SoundDevice device;
};

Recorder& recorder();

inline Recorder& recorder()
{
    static Recorder r = [] {
        Recorder made;
        SoundDeviceOperations& ops = made.device.operations;
        ops.setUpdateRate = [](void*, uint32_t rate) {
            recorder().updateRate = rate;
            return ErrorCode::ok;
        };
        ops.setSample = [](void*, uint32_t ch, uint32_t handle) {
            recorder().channels.at(ch).sample = handle;
            return ErrorCode::ok;
        };
        ops.playSound = [](void*, uint32_t ch, uint32_t rate) {
            RecordedChannel& c = recorder().channels.at(ch);
            c.rate = rate;
            ++c.starts;
            c.sounding = true;
            c.lastPosition = 0;
            return ErrorCode::ok;
        };
        ops.setPosition = [](void*, uint32_t ch, uint32_t bytes) {
            recorder().channels.at(ch).lastPosition = bytes;
            ++recorder().channels.at(ch).positionSets;
            return ErrorCode::ok;
        };
        ops.setRate = [](void*, uint32_t ch, uint32_t rate) {
            recorder().channels.at(ch).rate = rate;
            return ErrorCode::ok;
        };
        ops.setVolume = [](void*, uint32_t ch, uint32_t v) {
            EXPECT_LE(v, 64u);
            recorder().channels.at(ch).volume = v;
            return ErrorCode::ok;
        };
        ops.setPanning = [](void*, uint32_t ch, int32_t pan) {
            constexpr int32_t surround = 128;
            EXPECT_TRUE((pan >= -64 && pan <= 64) || pan == surround) << pan;
            recorder().channels.at(ch).panning = pan;
            return ErrorCode::ok;
        };
        ops.stopSound = [](void*, uint32_t ch) {
            ++recorder().channels.at(ch).stops;
            recorder().channels.at(ch).sounding = false;
            return ErrorCode::ok;
        };
        ops.releaseSound = [](void*, uint32_t ch) {
            ++recorder().channels.at(ch).releases;
            return ErrorCode::ok;
        };
        ops.moveSound = [](void*, uint32_t from, uint32_t to) {
            std::array<RecordedChannel, 128>& channels = recorder().channels;
            channels.at(to) = channels.at(from);
            channels.at(from).sounding = false;
            return ErrorCode::ok;
        };
        ops.getSounding = [](void*, uint32_t ch, bool& sounding) {
            sounding = recorder().channels.at(ch).sounding;
            return ErrorCode::ok;
        };
        ops.setFilter = [](void*, uint32_t ch, bool on, uint32_t cutoff, uint32_t resonance) {
            RecordedChannel& c = recorder().channels.at(ch);
            c.filterOn = on;
            c.filterCutoff = cutoff;
            c.filterResonance = resonance;
            return ErrorCode::ok;
        };
        ops.addSample = [](void*, const SampleDescription& d, bool copy, uint32_t& handle) {
            EXPECT_TRUE(copy);
            RecordedSample s{d, {}};
            const auto* bytes = static_cast<const uint8_t*>(d.data);
            s.data.assign(bytes, bytes + d.length);
            s.description.data = nullptr;
            recorder().samples.push_back(std::move(s));
            handle = static_cast<uint32_t>(recorder().samples.size());
            return ErrorCode::ok;
        };
        ops.removeSample = [](void*, uint32_t) { return ErrorCode::ok; };
        return made;
    }();
    return r;
}

inline void resetRecorder()
{
    Recorder& r = recorder();
    r.channels = {};
    r.samples.clear();
    r.updateRate = 0;
}

// Loads `song` onto the recording device and starts it on channels 0..n-1,
// with its background pool on the channels after.
class PlayerHarness {
public:
    explicit PlayerHarness(const XmModule& song, bool loop = false) : PlayerHarness(xmBytes(song), loop) {}
    explicit PlayerHarness(const std::vector<uint8_t>& file, bool loop = false)
    {
        resetRecorder();
        EXPECT_EQ(loadModule(file, true, nullptr, &recorder().device, module), ErrorCode::ok);
        EXPECT_EQ(player::playerInit(players, &recorder().device), ErrorCode::ok);
        if (!module)
            return;
        std::vector<uint8_t> channels(module->channelCount + player::backgroundVoiceCount(*module));
        std::iota(channels.begin(), channels.end(), 0);
        EXPECT_EQ(player::playSong(players, *module, -1, 0, 0, loop, module->channelCount, channels, instance),
                  ErrorCode::ok);
    }
    ~PlayerHarness()
    {
        player::playerClose(players);
        freeModule(module, &recorder().device);
    }

    void tick(uint32_t count = 1)
    {
        for (uint32_t i = 0; i < count; ++i)
            ASSERT_EQ(player::playerTick(players), ErrorCode::ok);
    }
    // Ticks until the first row has been read (the speed-th tick).
    void startFirstRow() { tick(instance->speed); }
    const RecordedChannel& device(uint32_t channel) const { return recorder().channels.at(channel); }
    player::ChannelState& channel(uint32_t index) { return instance->channels.at(index); }
    // The device volumes of a channel over the next `count` ticks.
    std::vector<uint32_t> volumes(uint32_t channel, uint32_t count)
    {
        std::vector<uint32_t> out;
        for (uint32_t i = 0; i < count; ++i) {
            tick();
            out.push_back(device(channel).volume);
        }
        return out;
    }
    // A channel's field over the next `count` ticks.
    template <typename Field>
    std::vector<int32_t> trace(uint32_t count, Field field)
    {
        std::vector<int32_t> out;
        for (uint32_t i = 0; i < count; ++i) {
            tick();
            out.push_back(static_cast<int32_t>(field(channel(0))));
        }
        return out;
    }
    MusicStatus status()
    {
        MusicStatus s{};
        player::getStatus(*instance, s);
        return s;
    }

    player::PlayerSubsystem players;
    std::unique_ptr<Module> module;
    player::PlayerInstance* instance = nullptr;
};

using Rows = std::vector<std::pair<uint32_t, uint32_t>>;
using Values = std::vector<int32_t>;    // a channel's field, tick by tick
using Volumes = std::vector<uint32_t>;  // device volumes, tick by tick
using ChannelCells = std::vector<std::pair<uint32_t, XmCell>>;  // row, cell on channel 0

// A one-channel song of `rows` rows with these cells.
inline XmModule channelSong(const ChannelCells& cells, uint16_t rows = 8)
{
    XmModule song = simpleSong(1, rows);
    for (const auto& [row, cell] : cells)
        song.patterns[0].at(row, 0, 1) = cell;
    return song;
}

// The (position, row) the status shows at each of the next `count` row
// starts, a pattern delay's repeats included.
inline Rows nextRows(PlayerHarness& h, uint32_t count)
{
    Rows rows;
    for (uint32_t guard = 0; rows.size() < count && guard < 10000; ++guard) {
        h.tick();
        if (h.instance->tick == 0)
            rows.emplace_back(h.instance->status.position, h.instance->status.row);
    }
    return rows;
}

}  // namespace corvid::testing
