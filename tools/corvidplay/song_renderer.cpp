#include "tools/corvidplay/song_renderer.h"

#include <numeric>
#include <vector>

#include "sound/loaders/module_loader.h"
#include "sound/mixer/mixer.h"
#include "sound/mixer/mixer_device.h"
#include "sound/player/player.h"

namespace corvidplay {

using corvid::ErrorCode;

namespace {

// The render device: the shared mixer's operations plus the update rate the
// player sets.
struct RenderDevice {
    corvid::SoundDevice device;
    uint32_t updateRate = 5000;
};

RenderDevice& renderDevice()
{
    static RenderDevice render = [] {
        RenderDevice made;
        corvid::installMixerOperations(made.device.operations);
        made.device.context = &corvid::sharedMixer();
        made.device.operations.setUpdateRate = [](void*, uint32_t centiHertz) {
            renderDevice().updateRate = centiHertz;
            return ErrorCode::ok;
        };
        return made;
    }();
    return render;
}

ErrorCode play(const corvid::Module& module, const RenderSettings& settings, const AudioSink& audio,
               const RowSink& rows, RenderResult& result)
{
    namespace player = corvid::player;
    RenderDevice& render = renderDevice();
    player::PlayerSubsystem players;
    if (ErrorCode e = player::playerInit(players, &render.device); e != ErrorCode::ok)
        return e;
    std::vector<uint8_t> channels(module.channelCount);
    std::iota(channels.begin(), channels.end(), 0);
    player::PlayerInstance* instance = nullptr;
    if (ErrorCode e = player::playSong(players, module, -1, 0, 0, false, module.channelCount, channels, instance);
        e != ErrorCode::ok)
        return e;
    std::vector<int16_t> block;
    const auto limit = static_cast<uint64_t>(settings.maximumSeconds * settings.mixingRate);
    uint32_t untilTick = samplesPerTick(settings.mixingRate, render.updateRate);
    uint64_t& frames = result.frames;
    frames = 0;
    bool firstRow = true;
    uint32_t lastPosition = 0, lastRow = 0;
    ErrorCode error = ErrorCode::ok;
    while (instance->songLoopCount == 0 && frames < limit && untilTick != 0) {
        block.resize(size_t{untilTick} * 2);
        if ((error = corvid::mixSharedMixer(untilTick, block.data())) != ErrorCode::ok)
            break;
        if (audio)
            audio(block);
        frames += untilTick;
        untilTick = samplesPerTick(settings.mixingRate, render.updateRate);
        if ((error = player::playerTick(players)) != ErrorCode::ok)
            break;
        const player::StatusBlock& s = instance->status;
        if (instance->tick == 0 && (firstRow || s.position != lastPosition || s.row != lastRow)) {
            firstRow = false;
            lastPosition = s.position;
            lastRow = s.row;
            if (rows)
                rows({static_cast<double>(frames) / settings.mixingRate, s.position, s.row, s.pattern});
        }
    }
    result.wrapped = instance->songLoopCount != 0;
    player::playerClose(players);
    return error;
}

}  // namespace

uint32_t samplesPerTick(uint32_t mixingRate, uint32_t centiHertz)
{
    return centiHertz == 0 ? 0 : ((mixingRate * 100) / centiHertz + 1) & ~1u;
}

ErrorCode renderSong(const std::string& fileName, const RenderSettings& settings, const AudioSink& audio,
                     const RowSink& rows, RenderResult& result)
{
    const uint32_t format = corvid::mixOutput16Bit | corvid::mixStereo | settings.familyBits;
    if (ErrorCode e = corvid::openSharedMixer(settings.mixingRate, format); e != ErrorCode::ok)
        return e;
    corvid::Mixer& mixer = corvid::sharedMixer();
    ErrorCode error = mixer.openChannels(corvid::maximumModuleChannels);
    std::unique_ptr<corvid::Module> module;
    if (error == ErrorCode::ok)
        error = corvid::loadModule(fileName.c_str(), true, nullptr, &renderDevice().device, module);
    if (error == ErrorCode::ok)
        error = play(*module, settings, audio, rows, result);
    corvid::freeModule(module, &renderDevice().device);
    corvid::closeSharedMixer();
    return error;
}

}  // namespace corvidplay
