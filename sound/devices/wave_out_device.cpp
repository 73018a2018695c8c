#include "sound/devices/wave_out_device.h"

#include <algorithm>
#include <new>

#include "sound/core/library.h"
#include "sound/mixer/mixer_device.h"

namespace corvid {

namespace {

constexpr std::array<uint32_t, 4> waveModes = {waveMono8, waveStereo8, waveMono16, waveStereo16};
constexpr std::array<uint32_t, 7> waveRates = {8000, 11025, 16000, 22050, 32000, 37800, 44100};
constexpr uint32_t releaseWaitMs = 20;
constexpr uint32_t releaseWaitLimit = 50;

bool accepted(const WaveOutChoice& choice)
{
    return platform::waveOutQuery(waveFormatFor(choice.mode, choice.rate)) != platform::waveResult::badFormat;
}

bool allBlocksDone(WaveOutDeviceState& s)
{
    for (uint32_t i = 0; i < s.layout.blockCount; ++i)
        if (!s.output.blockDone(s.blocks[i]))
            return false;
    return true;
}

// Stops the output, waits a bounded time for the card to give every block
// back, then closes it and frees the blocks.
void releaseOutput(WaveOutDeviceState& s)
{
    s.output.reset();
    for (uint32_t waits = 0; waits < releaseWaitLimit && !allBlocksDone(s); ++waits)
        deviceSleep(releaseWaitMs);
    for (uint32_t i = 0; i < s.layout.blockCount; ++i)
        if (s.blocks[i].prepared)
            s.output.unprepare(s.blocks[i]);
    s.output.close();
    for (platform::WaveBlock& block : s.blocks) {
        block.data = nullptr;
        block.length = 0;
        block.prepared = false;
        block.done.store(true, std::memory_order_release);
    }
    s.memory.reset();
    s.layout = {};
}

ErrorCode setUpBuffers(WaveOutDeviceState& s)
{
    const WaveOutLayout layout =
        waveOutLayout(s.bytesPerFrame, s.mixingRate, libraryCore().options.get(Option::bufferLength));
    if (layout.blockCount == 0)
        return ErrorCode::invalidArguments;
    s.fillIndex = 0;
    s.bytesFilled = 0;
    if (const int result = s.output.open(waveFormatFor(s.mode, s.mixingRate)); result != platform::waveResult::ok)
        return waveOutError(result);
    s.memory.reset(new (std::nothrow) uint8_t[size_t{layout.blockCount} * layout.blockSize]);
    if (!s.memory) {
        s.output.close();
        return ErrorCode::outOfMemory;
    }
    s.layout = layout;
    for (uint32_t i = 0; i < layout.blockCount; ++i) {
        platform::WaveBlock& block = s.blocks[i];
        block.data = s.memory.get() + size_t{i} * layout.blockSize;
        block.length = layout.blockSize;
        block.done.store(true, std::memory_order_release);
        block.prepared = false;
    }
    return ErrorCode::ok;
}

ErrorCode openWaveOut(void*, uint32_t rate, uint32_t outputModeBits)
{
    WaveOutDeviceState& s = waveOutDeviceState();
    std::lock_guard guard(s.lock);
    s.suspended = false;
    const WaveOutChoice choice = chooseWaveOutFormat({waveModeFor(outputModeBits), rate}, accepted);
    s.mode = choice.mode;
    s.mixingRate = choice.rate;
    s.bytesPerFrame = waveBytesPerFrame(s.mode);
    uint32_t mixerFormat = waveMixerFormat(s.mode);
    mixerFormat |= resamplingFormat(outputModeBits);
    if (const ErrorCode error = setUpBuffers(s); error != ErrorCode::ok)
        return error;
    if (const ErrorCode error = openSharedMixer(s.mixingRate, mixerFormat); error != ErrorCode::ok) {
        releaseOutput(s);  // nothing stays open behind a failed open
        return error;
    }
    s.ticks.start(s.mixingRate);
    return ErrorCode::ok;
}

ErrorCode closeWaveOut(void*)
{
    WaveOutDeviceState& s = waveOutDeviceState();
    std::lock_guard guard(s.lock);
    if (const ErrorCode error = closeSharedMixer(); error != ErrorCode::ok)
        return error;
    if (!s.suspended)
        releaseOutput(s);
    return ErrorCode::ok;
}

ErrorCode suspendWaveOut(void*)
{
    WaveOutDeviceState& s = waveOutDeviceState();
    std::lock_guard guard(s.lock);
    s.suspended = true;
    releaseOutput(s);
    return ErrorCode::ok;
}

ErrorCode resumeWaveOut(void*)
{
    WaveOutDeviceState& s = waveOutDeviceState();
    std::lock_guard guard(s.lock);
    const ErrorCode error = setUpBuffers(s);
    if (error == ErrorCode::ok)
        s.suspended = false;
    return error;
}

// Sends the full block on its way and moves to the next.
ErrorCode sendBlock(WaveOutDeviceState& s, platform::WaveBlock& block)
{
    block.data = s.memory.get() + size_t{s.fillIndex} * s.layout.blockSize;
    block.length = s.layout.blockSize;
    if (const int result = s.output.prepare(block); result != platform::waveResult::ok)
        return waveOutError(result);
    if (const int result = s.output.write(block); result != platform::waveResult::ok)
        return waveOutError(result);
    s.bytesFilled = 0;
    s.fillIndex = (s.fillIndex + 1) % s.layout.blockCount;
    ++s.blocksSentThisPass;
    return ErrorCode::ok;
}

ErrorCode serviceWaveOut(void*, bool& callPlayer)
{
    callPlayer = false;
    WaveOutDeviceState& s = waveOutDeviceState();
    std::lock_guard guard(s.lock);
    if (s.suspended)
        return ErrorCode::ok;
    for (;;) {
        platform::WaveBlock& block = s.blocks[s.fillIndex];
        // A lost sound card gives its blocks back, and the next send fails
        // with "not available": the service pass ends the show's sound there.
        if (!s.output.blockDone(block) || s.blocksSentThisPass > s.layout.blockCount)
            return ErrorCode::ok;
        if (block.prepared)
            s.output.unprepare(block);
        const uint32_t frames = std::min((s.layout.blockSize - s.bytesFilled) / s.bytesPerFrame, s.ticks.samplesUntilTick);
        if (const ErrorCode error = mixSharedMixer(frames, block.data + s.bytesFilled); error != ErrorCode::ok)
            return error;
        s.bytesFilled += frames * s.bytesPerFrame;
        if (s.bytesFilled == s.layout.blockSize)
            if (const ErrorCode error = sendBlock(s, block); error != ErrorCode::ok)
                return error;
        if (s.ticks.consume(frames)) {
            callPlayer = true;
            return ErrorCode::ok;
        }
    }
}

SoundDevice makeWaveOutDevice()
{
    SoundDevice device;
    device.outputModes = outputMono | outputStereo | output8Bit | output16Bit;
    device.name = "Windows Wave Sound Device 1.11";
    SoundDeviceOperations& ops = device.operations;
    installMixerOperations(ops);
    device.context = &sharedMixer();
    ops.detect = [](void*, bool& found) {
        found = platform::waveOutDeviceCount() >= 1;
        return ErrorCode::ok;
    };
    ops.open = openWaveOut;
    ops.close = closeWaveOut;
    ops.suspend = suspendWaveOut;
    ops.resume = resumeWaveOut;
    ops.getOutputMode = [](void*, uint32_t& mode) {
        mode = waveOutDeviceState().mode;
        return ErrorCode::ok;
    };
    ops.setUpdateRate = [](void*, uint32_t centiHertz) {
        WaveOutDeviceState& s = waveOutDeviceState();
        s.ticks.setUpdateRate(s.mixingRate, centiHertz);
        return ErrorCode::ok;
    };
    ops.startPass = [](void*) {
        waveOutDeviceState().blocksSentThisPass = 0;
        return ErrorCode::ok;
    };
    ops.serviceStep = serviceWaveOut;
    ops.getOutputProgress = [](void* context, uint64_t& framesMixed, uint32_t& framesQueued) {
        WaveOutDeviceState& s = waveOutDeviceState();
        std::lock_guard guard(s.lock);
        framesMixed = static_cast<Mixer*>(context)->framesMixed();
        // The block being filled has been mixed but not sent yet.
        framesQueued = s.suspended ? 0 : s.bytesFilled / s.bytesPerFrame + s.output.unheardFrames();
        return ErrorCode::ok;
    };
    return device;
}

}  // namespace

uint32_t waveModeFor(uint32_t outputModeBits)
{
    const uint32_t channels = (outputModeBits & outputMono) ? outputMono : outputStereo;
    const uint32_t bits = (outputModeBits & output8Bit) ? output8Bit : output16Bit;
    return channels | bits;
}

uint32_t waveBytesPerFrame(uint32_t waveMode)
{
    return ((waveMode & output8Bit) ? 1u : 2u) * ((waveMode & outputStereo) ? 2u : 1u);
}

uint32_t waveMixerFormat(uint32_t waveMode)
{
    return ((waveMode & output8Bit) ? mixOutput8Bit : mixOutput16Bit) | ((waveMode & outputStereo) ? mixStereo : mixMono);
}

platform::WaveFormat waveFormatFor(uint32_t waveMode, uint32_t rate)
{
    platform::WaveFormat format;
    format.channels = (waveMode & outputStereo) ? 2 : 1;
    format.rate = static_cast<int>(rate);
    format.bits = (waveMode & output16Bit) ? 16 : 8;
    return format;
}

WaveOutChoice chooseWaveOutFormat(WaveOutChoice request, const std::function<bool(const WaveOutChoice&)>& isAccepted)
{
    if (isAccepted(request))
        return request;
    const auto found = std::find(waveModes.begin(), waveModes.end(), request.mode);
    const auto first = found == waveModes.end() ? waveModes.size() - 1 : static_cast<size_t>(found - waveModes.begin());
    for (size_t m = first + 1; m-- > 0;)
        for (size_t r = waveRates.size(); r-- > 0;)
            if (const WaveOutChoice candidate{waveModes[m], waveRates[r]}; isAccepted(candidate))
                return candidate;
    return request;
}

WaveOutLayout waveOutLayout(uint32_t bytesPerFrame, uint32_t rate, int32_t bufferMs)
{
    // Shorter than one block (or negative) leaves no block to size: the open refuses it.
    if (bufferMs < static_cast<int32_t>(waveBlockMs))
        return {};
    WaveOutLayout layout;
    const auto ms = static_cast<uint64_t>(bufferMs);
    layout.blockCount = static_cast<uint32_t>(std::min<uint64_t>(ms / waveBlockMs, maximumWaveBlocks));
    // 64-bit so that long buffers cannot wrap; equal to the 32-bit steps wherever those do not.
    const uint64_t size = uint64_t{bytesPerFrame} * rate * ms / 1000 / layout.blockCount;
    layout.blockSize = static_cast<uint32_t>(std::min<uint64_t>((size + 15) & ~uint64_t{15}, UINT32_MAX & ~15u));
    return layout;
}

ErrorCode waveOutError(int systemCode)
{
    switch (systemCode) {
    case 0: return ErrorCode::ok;
    case 2: case 3: case 5: case 35: return ErrorCode::invalidDevice;
    case 4: case 12: case 33: return ErrorCode::deviceBusy;
    case 6: return ErrorCode::deviceNotAvailable;
    case 7: return ErrorCode::outOfMemory;
    case 8: return ErrorCode::unsupportedFunction;
    case 10: case 11: case 34: return ErrorCode::invalidArguments;
    case 32: return ErrorCode::unsupportedOutputMode;
    default: return ErrorCode::undefined;
    }
}

WaveOutDeviceState& waveOutDeviceState()
{
    static WaveOutDeviceState state;
    return state;
}

SoundDevice& waveOutDevice()
{
    static SoundDevice device = makeWaveOutDevice();
    return device;
}

}  // namespace corvid
