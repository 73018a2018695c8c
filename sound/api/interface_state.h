#pragma once
// The public interface's process-wide state: the chosen device, the open
// channels, the play-handle table and the background-play flag.
//
// Threads: everything here is changed on the main thread, under the library
// lock where the player thread could see it. The one exception is each
// handle's published status, which the player thread writes after every tick
// and MusicGetPlayStatus reads without the lock: its values are atomics, and
// it lives as long as the process, so a play freed under a reader's feet (the
// fatal path may free them on the player thread) leaves nothing dangling.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "sound/core/error_code.h"
#include "sound/core/sound_device.h"
#include "sound/include/corvid.h"
#include "sound/player/player.h"

namespace corvid {

inline constexpr int32_t detectDevice = -1;
inline constexpr int32_t captureDeviceIndex = 3;  // beside the detected three; only chosen by the host
inline constexpr uint32_t playHandleCount = 16;
inline constexpr int32_t noOverride = -1;

// A status copy that may be read while the player thread writes it: each
// value is whole, though neighbouring ticks may mix.
struct PublishedStatus {
    std::atomic<bool> playing{false};  // the handle has a play
    std::atomic<int32_t> position{0};
    std::atomic<int32_t> pattern{0};
    std::atomic<int32_t> row{0};
    std::atomic<int32_t> syncInfo{-1};
    std::atomic<int32_t> songLoopCount{0};

    void store(const MusicStatus& status);
    MusicStatus load() const;
};

// Each status a play published, with the frames the device had mixed when it
// was published: the sound from that frame on plays with that status. The
// status heard now is the one at the frame leaving the speakers. Kept under
// the library lock; 256 changes last over 2.5 s at the fastest rows.
class StatusHistory {
public:
    // Forgets every change and starts again from `status`.
    void restart(uint64_t framesMixed, const MusicStatus& status);
    // Keeps `status` when it differs from the newest kept.
    void record(uint64_t framesMixed, const MusicStatus& status);
    // The newest status published at or before `frame`; the oldest kept
    // when every kept one is later.
    MusicStatus statusAt(uint64_t frame) const;

private:
    struct Entry {
        uint64_t framesMixed = 0;
        MusicStatus status{};
    };
    std::array<Entry, 256> entries_{};
    size_t recorded_ = 0;  // since the restart; the newest is entries_[(recorded_ - 1) % size]
};

struct PlayRecord {
    player::PlayerInstance* instance = nullptr;
    std::vector<uint32_t> channels;  // device channel numbers
    bool openedChannels = false;     // this play opened the device's channels
};

struct InterfaceState {
    int32_t deviceIndex = detectDevice;
    SoundDevice* device = nullptr;
    int32_t port = noOverride;
    int32_t irq = noOverride;
    int32_t dma = noOverride;
    int32_t cardType = noOverride;
    bool deviceOpen = false;
    bool playerOpen = false;
    uint32_t openChannelCount = 0;
    std::vector<uint32_t> channelInUse;  // 1 = taken
    int32_t amplificationPercent = 100;
    uint32_t baseAmplification = 0;      // the device's own, when the channels opened
    std::array<std::unique_ptr<PlayRecord>, playHandleCount> plays;
    std::array<PublishedStatus, playHandleCount> published;  // one per handle
    std::array<StatusHistory, playHandleCount> statusHistory;  // one per handle
    bool channelsOpenedByPlay = false;
    bool backgroundPlay = false;
    player::PlayerSubsystem players;  // drives the chosen device
    void (*tickListener)(void*, int, bool) = nullptr;  // told after every tick
    void* tickListenerContext = nullptr;
};

InterfaceState& interfaceState();

// The pieces the playback half of the interface provides to the device half.
ErrorCode startPlayers(SoundDevice& device);
ErrorCode stopAllPlays();
ErrorCode closePlayers();
// The player tick a service pass runs: ticks every play, then publishes
// their status.
ErrorCode tickAndPublish();

// Channel calls shared by both halves; the caller holds the library lock.
ErrorCode openChannels(uint32_t count, uint32_t backgroundCount = 0);
ErrorCode closeChannels();

// The service interval for a rate in Hz: half a period, or 20 ms for rate 0.
uint32_t serviceIntervalFor(int32_t rate);

}  // namespace corvid
