#include "sound/devices/service.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>

#include "platform/thread_priority.h"
#include "sound/core/library.h"
#include "sound/devices/direct_sound_device.h"
#include "sound/devices/silent_device.h"
#include "sound/devices/wave_out_device.h"

namespace corvid {

namespace {

struct PlayerThread {
    std::thread thread;
    uint32_t intervalMs = defaultServiceIntervalMs;
    std::atomic<bool> stopRequested{false};
};

PlayerThread& playerThread()
{
    static PlayerThread state;
    return state;
}

void runPlayerThread()
{
    PlayerThread& state = playerThread();
    platform::raiseCurrentThreadPriority();
    while (!state.stopRequested.load(std::memory_order_acquire)) {
        servicePass();
        std::this_thread::sleep_for(std::chrono::milliseconds(state.intervalMs));
    }
    state.stopRequested.store(false, std::memory_order_release);
}

}  // namespace

ServiceTarget& serviceTarget()
{
    static ServiceTarget target;
    return target;
}

void installDevices()
{
    auto& devices = libraryCore().devices;
    devices[static_cast<size_t>(DeviceIndex::directSound)] = &directSoundDevice();
    devices[static_cast<size_t>(DeviceIndex::waveOut)] = &waveOutDevice();
    devices[static_cast<size_t>(DeviceIndex::silent)] = &silentDevice();
}

void servicePass()
{
    ErrorCode error = ErrorCode::ok;
    {
        LibraryLock lock;
        const ServiceTarget& target = serviceTarget();
        if (!target.device)
            return;
        const SoundDeviceOperations& ops = target.device->operations;
        error = ops.startPass(target.device->context);
        bool callPlayer = true;
        while (error == ErrorCode::ok && callPlayer) {
            error = ops.serviceStep(target.device->context, callPlayer);
            if (error == ErrorCode::ok && callPlayer && target.playerTick)
                error = target.playerTick();
            if (target.device->configuration != 0 || playerThread().stopRequested.load(std::memory_order_acquire))
                break;
        }
    }
    if (error != ErrorCode::ok)
        fatalError(error);
}

void startPlayerThread(uint32_t intervalMs)
{
    PlayerThread& state = playerThread();
    state.intervalMs = intervalMs;
    state.stopRequested.store(false, std::memory_order_release);
    try {
        state.thread = std::thread(runPlayerThread);
    } catch (const std::system_error&) {
        libraryCore().fatalErrorHandler("StartPlayThread: Couldn't create player thread!");
    }
}

void stopPlayerThread()
{
    PlayerThread& state = playerThread();
    if (!state.thread.joinable())
        return;
    state.stopRequested.store(true, std::memory_order_release);
    const auto pause = std::chrono::milliseconds(std::max<uint32_t>(state.intervalMs / 2, 1));
    while (state.stopRequested.load(std::memory_order_acquire))
        std::this_thread::sleep_for(pause);
    state.thread.join();
}

bool playerThreadRunning() { return playerThread().thread.joinable(); }

}  // namespace corvid
