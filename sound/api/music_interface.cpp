// The device half of the public interface: start-up, device choice and open,
// channels, amplification, the background player and the orderly close.

#include <algorithm>

#include "sound/api/interface_state.h"
#include "sound/core/library.h"
#include "sound/devices/capture_device.h"
#include "sound/devices/service.h"
#include "sound/include/corvid.h"
#include "sound/include/corvid_devices.h"

namespace corvid {

namespace {

constexpr const char* versionString = "1.1.2";

SoundDevice* deviceAt(int32_t index)
{
    if (index == captureDeviceIndex)
        return &captureDevice();
    if (index < 0 || index >= static_cast<int32_t>(deviceCount))
        return nullptr;
    return libraryCore().devices[static_cast<size_t>(index)];
}

ErrorCode detectFirstDevice(SoundDevice*& chosen)
{
    for (SoundDevice* device : libraryCore().devices) {
        bool found = false;
        if (const ErrorCode error = device->operations.detect(device->context, found); error != ErrorCode::ok)
            return error;
        if (found) {
            chosen = device;
            return ErrorCode::ok;
        }
    }
    return ErrorCode::hardwareFailure;
}

ErrorCode chooseDevice(InterfaceState& state)
{
    if (state.deviceIndex == detectDevice)
        return detectFirstDevice(state.device);
    state.device = deviceAt(state.deviceIndex);
    if (!state.device)
        return ErrorCode::invalidDevice;
    const bool noOverrides = state.port == noOverride && state.irq == noOverride && state.dma == noOverride &&
                             state.cardType == noOverride;
    if (noOverrides) {
        bool found = false;
        return state.device->operations.detect(state.device->context, found);
    }
    return ErrorCode::ok;
}

void copyOverrides(const InterfaceState& state, SoundDevice& device)
{
    if (state.port != noOverride)
        device.port = state.port;
    if (state.irq != noOverride)
        device.irq = state.irq;
    if (state.dma != noOverride)
        device.dma = state.dma;
    if (state.cardType != noOverride)
        device.cardType = state.cardType;
}

ErrorCode initialize()
{
    InterfaceState& state = interfaceState();
    const OptionValues& options = libraryCore().options;
    if (options.get(Option::forceSilence) != 0)
        state.deviceIndex = static_cast<int32_t>(DeviceIndex::silent);
    if (const ErrorCode error = chooseDevice(state); error != ErrorCode::ok)
        return error;
    copyOverrides(state, *state.device);
    const auto rate = static_cast<uint32_t>(options.get(Option::mixingRate));
    const auto mode = static_cast<uint32_t>(options.get(Option::outputMode));
    if (const ErrorCode error = state.device->operations.open(state.device->context, rate, mode);
        error != ErrorCode::ok)
        return error;
    LibraryLock lock;
    state.deviceOpen = true;
    serviceTarget().device = state.device;
    if (const ErrorCode error = startPlayers(*state.device); error != ErrorCode::ok)
        return error;
    state.playerOpen = true;
    serviceTarget().playerTick = tickAndPublish;
    return ErrorCode::ok;
}

ErrorCode closeDevice()
{
    InterfaceState& state = interfaceState();
    LibraryLock lock;
    if (const ErrorCode error = state.device->operations.close(state.device->context); error != ErrorCode::ok)
        return error;
    state.deviceOpen = false;
    serviceTarget().device = nullptr;
    return ErrorCode::ok;
}

ErrorCode closePlayerSubsystem()
{
    InterfaceState& state = interfaceState();
    LibraryLock lock;
    serviceTarget().playerTick = nullptr;
    if (const ErrorCode error = closePlayers(); error != ErrorCode::ok)
        return error;
    state.playerOpen = false;
    return ErrorCode::ok;
}

// Each step only when its part is open; the first failure stops the close.
ErrorCode closeLibrary()
{
    InterfaceState& state = interfaceState();
    MusicStopBackgroundPlay();
    if (const ErrorCode error = stopAllPlays(); error != ErrorCode::ok)
        return error;
    if (state.playerOpen)
        if (const ErrorCode error = closePlayerSubsystem(); error != ErrorCode::ok)
            return error;
    if (state.openChannelCount != 0) {
        LibraryLock lock;
        if (const ErrorCode error = closeChannels(); error != ErrorCode::ok)
            return error;
    }
    if (state.deviceOpen)
        return closeDevice();
    return ErrorCode::ok;
}

// The fatal path's undoing: everything open is closed, the first failure
// reported.
ErrorCode uninitialize()
{
    InterfaceState& state = interfaceState();
    ErrorCode first = ErrorCode::ok;
    auto keep = [&first](ErrorCode error) {
        if (first == ErrorCode::ok)
            first = error;
    };
    keep(stopAllPlays());
    if (state.playerOpen)
        keep(closePlayerSubsystem());
    if (state.openChannelCount != 0) {
        LibraryLock lock;
        keep(closeChannels());
    }
    if (state.deviceOpen)
        keep(closeDevice());
    return first;
}

// The percentage always applies to the device's own amplification, so
// setting it twice does not compound.
ErrorCode applyAmplification(InterfaceState& state)
{
    const int64_t amplification = int64_t{state.baseAmplification} * state.amplificationPercent / 100;
    if (amplification < 0 || amplification > UINT32_MAX)
        return ErrorCode::invalidArguments;
    return state.device->operations.setAmplification(state.device->context, static_cast<uint32_t>(amplification));
}

}  // namespace

void PublishedStatus::store(const MusicStatus& status)
{
    position.store(status.position, std::memory_order_relaxed);
    pattern.store(status.pattern, std::memory_order_relaxed);
    row.store(status.row, std::memory_order_relaxed);
    syncInfo.store(status.syncInfo, std::memory_order_relaxed);
    songLoopCount.store(status.songLoopCount, std::memory_order_relaxed);
}

MusicStatus PublishedStatus::load() const
{
    MusicStatus status;
    status.position = position.load(std::memory_order_relaxed);
    status.pattern = pattern.load(std::memory_order_relaxed);
    status.row = row.load(std::memory_order_relaxed);
    status.syncInfo = syncInfo.load(std::memory_order_relaxed);
    status.songLoopCount = songLoopCount.load(std::memory_order_relaxed);
    return status;
}

InterfaceState& interfaceState()
{
    static InterfaceState state;
    return state;
}

ErrorCode openChannels(uint32_t count, uint32_t backgroundCount)
{
    InterfaceState& state = interfaceState();
    if (!state.deviceOpen)
        return ErrorCode::invalidDevice;
    const SoundDeviceOperations& ops = state.device->operations;
    if (const ErrorCode error = ops.openChannels(state.device->context, count, backgroundCount); error != ErrorCode::ok)
        return error;
    state.openChannelCount = count + backgroundCount;
    state.channelInUse.assign(count + backgroundCount, 0);
    if (const ErrorCode error = ops.getAmplification(state.device->context, state.baseAmplification);
        error != ErrorCode::ok)
        return error;
    return applyAmplification(state);
}

ErrorCode closeChannels()
{
    InterfaceState& state = interfaceState();
    if (!state.deviceOpen)
        return ErrorCode::invalidDevice;
    if (const ErrorCode error = state.device->operations.closeChannels(state.device->context); error != ErrorCode::ok)
        return error;
    state.openChannelCount = 0;
    state.channelInUse.clear();
    return ErrorCode::ok;
}

uint32_t serviceIntervalFor(int32_t rate)
{
    if (rate <= 0)
        return defaultServiceIntervalMs;
    // A rate above 500 Hz would give no sleep at all between passes.
    return std::max<uint32_t>(static_cast<uint32_t>(1000 / rate / 2), 1);
}

void selectDevice(int32_t index) { interfaceState().deviceIndex = index; }

void useCaptureDevice(platform::Clock& clock, SoundSink& sink, CaptureMixing mixing)
{
    CaptureDeviceState& capture = captureDeviceState();
    capture.clock = &clock;
    capture.sink = &sink;
    capture.mixing = mixing;
    interfaceState().deviceIndex = captureDeviceIndex;
}

const SoundDevice* openDevice()
{
    const InterfaceState& state = interfaceState();
    return state.deviceOpen ? state.device : nullptr;
}

uint64_t captureFramesMixed() { return captureDeviceState().framesMixed; }

void setTickListener(TickListener listener, void* context)
{
    LibraryLock lock;
    InterfaceState& state = interfaceState();
    state.tickListener = listener;
    state.tickListenerContext = context;
}

}  // namespace corvid

using corvid::ErrorCode;
using corvid::interfaceState;
using corvid::reportResult;

extern "C" {

int MusicStartup(void)
{
    corvid::InterfaceState& state = interfaceState();
    state.backgroundPlay = false;
    state.tickListener = nullptr;
    state.tickListenerContext = nullptr;
    state.plays = {};
    for (corvid::PublishedStatus& published : state.published)
        published.playing = false;
    state.channelsOpenedByPlay = false;
    state.amplificationPercent = 100;
    state.deviceIndex = corvid::detectDevice;
    state.device = nullptr;
    state.port = state.irq = state.dma = state.cardType = corvid::noOverride;
    state.deviceOpen = false;
    state.playerOpen = false;
    state.openChannelCount = 0;
    state.channelInUse.clear();
    corvid::resetLibraryCore();
    corvid::installDevices();
    corvid::libraryCore().uninitialize = corvid::uninitialize;
    return 1;
}

int MusicInit(void) { return reportResult(corvid::initialize()); }

int MusicClose(void) { return reportResult(corvid::closeLibrary()); }

int MusicStartBackgroundPlay(int rate)
{
    corvid::InterfaceState& state = interfaceState();
    if (state.backgroundPlay)
        return 1;
    corvid::startPlayerThread(corvid::serviceIntervalFor(rate));
    state.backgroundPlay = true;
    return 1;
}

int MusicStopBackgroundPlay(void)
{
    corvid::InterfaceState& state = interfaceState();
    if (state.backgroundPlay) {
        corvid::stopPlayerThread();
        state.backgroundPlay = false;
    }
    return 1;
}

int MusicPoll(void)
{
    corvid::servicePass();
    return 1;
}

int MusicOpenChannels(int count)
{
    if (count < 0)
        return reportResult(ErrorCode::invalidArguments);
    corvid::LibraryLock lock;
    return reportResult(corvid::openChannels(static_cast<uint32_t>(count)));
}

int MusicCloseChannels(void)
{
    corvid::LibraryLock lock;
    return reportResult(corvid::closeChannels());
}

int MusicSetAmplification(int percent)
{
    corvid::LibraryLock lock;
    corvid::InterfaceState& state = interfaceState();
    state.amplificationPercent = percent;
    if (state.openChannelCount == 0)
        return 1;
    return reportResult(corvid::applyAmplification(state));
}

const char* MusicGetVersionString(void) { return corvid::versionString; }

}  // extern "C"
