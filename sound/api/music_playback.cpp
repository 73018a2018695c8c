// The playback half of the public interface: loading and freeing modules,
// the play-handle table, and what a play may be asked while it runs.

#include <algorithm>
#include <array>
#include <cstring>

#include "sound/api/interface_state.h"
#include "sound/core/library.h"
#include "sound/include/corvid.h"
#include "sound/include/corvid_devices.h"
#include "sound/loaders/file_access.h"
#include "sound/loaders/module_loader.h"
#include "sound/player/player.h"

struct MusicModule {
    std::unique_ptr<corvid::Module> module;
};

namespace corvid {

namespace {

constexpr uint32_t headerBytes = 48;

ErrorCode readHeader(const char* fileName, std::array<uint8_t, headerBytes>& header)
{
    ModuleFile file;
    if (const ErrorCode error = file.open(fileName); error != ErrorCode::ok)
        return error;
    const ErrorCode error = file.read(header.data(), headerBytes);
    file.close();
    return error;
}

// The loading copy of a device passes the device itself as the context.
ErrorCode addSampleLocked(void* device, const SampleDescription& description, bool copy, uint32_t& handle)
{
    LibraryLock lock;
    const SoundDevice& target = *static_cast<const SoundDevice*>(device);
    return target.operations.addSample(target.context, description, copy, handle);
}

ErrorCode removeSampleLocked(void* device, uint32_t handle)
{
    LibraryLock lock;
    const SoundDevice& target = *static_cast<const SoundDevice*>(device);
    return target.operations.removeSample(target.context, handle);
}

ErrorCode loadModuleIntoDevice(const char* fileName, std::unique_ptr<Module>& module)
{
    if (!fileName)
        return ErrorCode::invalidArguments;
    std::array<uint8_t, headerBytes> header{};
    if (const ErrorCode error = readHeader(fileName, header); error != ErrorCode::ok)
        return error;
    const InterfaceState& state = interfaceState();
    if (!state.deviceOpen)
        return ErrorCode::invalidDevice;
    // The header chooses the loader (XM, S3M, IT, else MOD). Reading and
    // converting a big module takes a while, and the player thread must go
    // on meanwhile: only the device's sample table, which the mixer reads,
    // is touched under the lock.
    SoundDevice loadingDevice = *state.device;
    loadingDevice.operations.addSample = addSampleLocked;
    loadingDevice.operations.removeSample = removeSampleLocked;
    loadingDevice.context = state.device;
    if (const ErrorCode error = loadModule(fileName, true, nullptr, &loadingDevice, module); error != ErrorCode::ok)
        return error;
    module->applyStereoSeparation(libraryCore().options.get(Option::stereoSeparation));
    return ErrorCode::ok;
}

ErrorCode playRecordFor(int handle, PlayRecord*& record)
{
    if (handle < 1 || handle > static_cast<int>(playHandleCount))
        return ErrorCode::invalidArguments;
    record = interfaceState().plays[static_cast<size_t>(handle - 1)].get();
    return record ? ErrorCode::ok : ErrorCode::noModulePlaying;
}

// Frames the open device has mixed, and how many of them are not heard yet.
void outputProgress(const InterfaceState& state, uint64_t& framesMixed, uint32_t& framesQueued)
{
    framesMixed = 0;
    framesQueued = 0;
    if (state.deviceOpen && state.device->operations.getOutputProgress)
        state.device->operations.getOutputProgress(state.device->context, framesMixed, framesQueued);
}

MusicStatus currentStatus(size_t index)
{
    MusicStatus status{};
    player::getStatus(*interfaceState().plays[index]->instance, status);
    return status;
}

bool sameStatus(const MusicStatus& a, const MusicStatus& b)
{
    return a.position == b.position && a.pattern == b.pattern && a.row == b.row && a.syncInfo == b.syncInfo &&
           a.songLoopCount == b.songLoopCount;
}

// The lowest-numbered open channels not in use, up to `wanted` of them;
// fewer than `needed` fails, and then none are taken.
ErrorCode takeChannels(InterfaceState& state, uint32_t needed, uint32_t wanted, std::vector<uint32_t>& channels)
{
    for (uint32_t channel = 0; channel < state.openChannelCount && channels.size() < wanted; ++channel)
        if (state.channelInUse[channel] == 0)
            channels.push_back(channel);
    if (channels.size() < needed) {
        channels.clear();
        return ErrorCode::outOfChannels;
    }
    for (uint32_t channel : channels)
        state.channelInUse[channel] = 1;
    return ErrorCode::ok;
}

void giveBackChannels(InterfaceState& state, const std::vector<uint32_t>& channels)
{
    for (uint32_t channel : channels)
        if (channel < state.channelInUse.size())
            state.channelInUse[channel] = 0;
}

ErrorCode playSection(const Module& module, int32_t first, int32_t last, int32_t restart, bool loop, int& handle)
{
    InterfaceState& state = interfaceState();
    const auto empty = std::find(state.plays.begin(), state.plays.end(), nullptr);
    if (empty == state.plays.end())
        return ErrorCode::outOfResources;
    const uint32_t count = module.channelCount;
    // Background notes take whatever open channels are free, up to the pool's size.
    const uint32_t background = player::backgroundVoiceCount(module);
    const uint32_t withBackground = count + background;
    state.channelsOpenedByPlay = state.openChannelCount == 0;
    if (state.channelsOpenedByPlay)
        if (const ErrorCode error = openChannels(count, background); error != ErrorCode::ok)
            return error;
    auto record = std::make_unique<PlayRecord>();
    record->openedChannels = state.channelsOpenedByPlay;
    if (const ErrorCode error = takeChannels(state, count, withBackground, record->channels); error != ErrorCode::ok)
        return error;
    std::vector<uint8_t> numbers(record->channels.begin(), record->channels.end());
    const ErrorCode error = player::playSong(state.players, module, first, static_cast<uint32_t>(last),
                                             static_cast<uint32_t>(restart), loop, count, numbers, record->instance);
    if (error != ErrorCode::ok) {
        giveBackChannels(state, record->channels);
        return error;
    }
    *empty = std::move(record);
    const auto index = static_cast<size_t>(empty - state.plays.begin());
    const MusicStatus status = currentStatus(index);
    state.published[index].store(status);
    uint64_t framesMixed = 0;
    uint32_t framesQueued = 0;
    outputProgress(state, framesMixed, framesQueued);
    state.statusHistory[index].restart(framesMixed, status);
    state.published[index].playing = true;
    handle = static_cast<int>(index) + 1;
    return ErrorCode::ok;
}

ErrorCode stopPlay(size_t index)
{
    InterfaceState& state = interfaceState();
    state.published[index].playing = false;
    std::unique_ptr<PlayRecord> record = std::move(state.plays[index]);
    if (const ErrorCode error = player::stopSong(state.players, record->instance); error != ErrorCode::ok)
        return error;
    const SoundDeviceOperations& ops = state.device->operations;
    for (uint32_t channel : record->channels) {
        if (const ErrorCode error = ops.stopSound(state.device->context, channel); error != ErrorCode::ok)
            return error;
        if (const ErrorCode error = ops.setVolume(state.device->context, channel, 0); error != ErrorCode::ok)
            return error;
    }
    giveBackChannels(state, record->channels);
    if (record->openedChannels)
        return closeChannels();
    return ErrorCode::ok;
}

// Stops every play of `module`, so that freeing it leaves no player reading it.
ErrorCode stopPlaysOf(const Module* module)
{
    InterfaceState& state = interfaceState();
    for (size_t i = 0; i < playHandleCount; ++i)
        if (state.plays[i] && state.plays[i]->instance->module == module)
            if (const ErrorCode error = stopPlay(i); error != ErrorCode::ok)
                return error;
    return ErrorCode::ok;
}

template <typename Change>
int changePlay(int handle, Change change)
{
    LibraryLock lock;
    PlayRecord* record = nullptr;
    if (const ErrorCode error = playRecordFor(handle, record); error != ErrorCode::ok)
        return reportResult(error);
    return reportResult(change(*record->instance));
}

}  // namespace

void StatusHistory::restart(uint64_t framesMixed, const MusicStatus& status)
{
    recorded_ = 0;
    record(framesMixed, status);
}

void StatusHistory::record(uint64_t framesMixed, const MusicStatus& status)
{
    if (recorded_ > 0 && sameStatus(entries_[(recorded_ - 1) % entries_.size()].status, status))
        return;
    entries_[recorded_ % entries_.size()] = {framesMixed, status};
    ++recorded_;
}

MusicStatus StatusHistory::statusAt(uint64_t frame) const
{
    const size_t kept = std::min(recorded_, entries_.size());
    MusicStatus status{};
    for (size_t back = 1; back <= kept; ++back) {
        const Entry& entry = entries_[(recorded_ - back) % entries_.size()];
        status = entry.status;
        if (entry.framesMixed <= frame)
            break;
    }
    return status;
}

int heardPlayStatus(int handle, HeardStatus& heard)
{
    LibraryLock lock;
    if (handle < 1 || handle > static_cast<int>(playHandleCount))
        return reportResult(ErrorCode::invalidArguments);
    const InterfaceState& state = interfaceState();
    const auto index = static_cast<size_t>(handle - 1);
    if (!state.published[index].playing)
        return reportResult(ErrorCode::noModulePlaying);
    outputProgress(state, heard.framesMixed, heard.framesQueued);
    const uint64_t heardFrame = heard.framesMixed - std::min<uint64_t>(heard.framesQueued, heard.framesMixed);
    heard.status = state.statusHistory[index].statusAt(heardFrame);
    return 1;
}

ErrorCode startPlayers(SoundDevice& device) { return player::playerInit(interfaceState().players, &device); }

ErrorCode closePlayers() { return player::playerClose(interfaceState().players); }

ErrorCode stopAllPlays()
{
    LibraryLock lock;
    InterfaceState& state = interfaceState();
    for (size_t i = 0; i < playHandleCount; ++i)
        if (state.plays[i])
            if (const ErrorCode error = stopPlay(i); error != ErrorCode::ok)
                return error;
    return ErrorCode::ok;
}

ErrorCode tickAndPublish()
{
    InterfaceState& state = interfaceState();
    const ErrorCode error = player::playerTick(state.players);
    // The tick's sound starts after every frame mixed so far.
    uint64_t framesMixed = 0;
    uint32_t framesQueued = 0;
    outputProgress(state, framesMixed, framesQueued);
    for (size_t i = 0; i < playHandleCount; ++i) {
        if (!state.plays[i])
            continue;
        const MusicStatus status = currentStatus(i);
        state.published[i].store(status);
        state.statusHistory[i].record(framesMixed, status);
        if (state.tickListener)
            state.tickListener(state.tickListenerContext, static_cast<int>(i) + 1, state.plays[i]->instance->tick == 0);
    }
    return error;
}

}  // namespace corvid

using corvid::ErrorCode;
using corvid::interfaceState;
using corvid::reportResult;

extern "C" {

MusicModule* MusicLoadModule(const char* fileName)
{
    auto loaded = std::make_unique<MusicModule>();
    if (reportResult(corvid::loadModuleIntoDevice(fileName, loaded->module)) == 0)
        return nullptr;
    return loaded.release();
}

int MusicFreeModule(MusicModule* module)
{
    if (!module)
        return 1;
    corvid::LibraryLock lock;
    if (const ErrorCode error = corvid::stopPlaysOf(module->module.get()); error != ErrorCode::ok)
        return reportResult(error);
    corvid::InterfaceState& state = corvid::interfaceState();
    corvid::freeModule(module->module, state.deviceOpen ? state.device : nullptr);
    delete module;
    return 1;
}

int MusicPlayModule(MusicModule* module, int loop) { return MusicPlayModuleSection(module, -1, -1, -1, loop); }

int MusicPlayModuleSection(MusicModule* module, int firstPosition, int lastPosition, int restartPosition, int loop)
{
    if (!module || !module->module)
        return reportResult(ErrorCode::invalidArguments);
    corvid::LibraryLock lock;
    int handle = 0;
    const ErrorCode error =
        corvid::playSection(*module->module, firstPosition, lastPosition, restartPosition, loop != 0, handle);
    reportResult(error);
    return handle;
}

int MusicGetPlayStatus(int handle, MusicStatus* status)
{
    if (handle < 1 || handle > static_cast<int>(corvid::playHandleCount))
        return reportResult(ErrorCode::invalidArguments);
    const corvid::PublishedStatus& published = interfaceState().published[static_cast<size_t>(handle - 1)];
    if (!published.playing)
        return reportResult(ErrorCode::noModulePlaying);
    if (!status)
        return reportResult(ErrorCode::invalidArguments);
    *status = published.load();
    return 1;
}

int MusicSetPosition(int handle, int position)
{
    return corvid::changePlay(handle, [position](corvid::player::PlayerInstance& instance) {
        return corvid::player::setPosition(instance, position);
    });
}

int MusicSetMusicVolume(int handle, int volume)
{
    const auto clamped = static_cast<uint32_t>(std::clamp(volume, 0, 64));
    return corvid::changePlay(handle, [clamped](corvid::player::PlayerInstance& instance) {
        return corvid::player::setMusicVolume(instance, clamped);
    });
}

int MusicSetSyncCallback(int handle, MusicSyncCallback callback)
{
    return corvid::changePlay(handle, [callback](corvid::player::PlayerInstance& instance) {
        return corvid::player::setSyncCallback(instance, callback);
    });
}

int MusicStopModule(int handle)
{
    corvid::LibraryLock lock;
    corvid::PlayRecord* record = nullptr;
    if (const ErrorCode error = corvid::playRecordFor(handle, record); error != ErrorCode::ok)
        return reportResult(error);
    return reportResult(corvid::stopPlay(static_cast<size_t>(handle - 1)));
}

}  // extern "C"
