#include "sound/mixer/mixer_device.h"

#include "platform/cpu.h"
#include "sound/core/library.h"

namespace corvid {

namespace {

Mixer& mixerOf(void* context) { return *static_cast<Mixer*>(context); }

}  // namespace

Mixer& sharedMixer()
{
    static Mixer mixer;
    return mixer;
}

ErrorCode openSharedMixer(uint32_t mixingRate, uint32_t formatBits)
{
    const OptionValues& options = libraryCore().options;
    MixerSettings settings;
    settings.muLawSamples = options.get(Option::muLawSamples) != 0;
    settings.filterMode = options.get(Option::outputFilter);
    return sharedMixer().open(mixingRate, formatBits, platform::queryCpu(), settings);
}

uint32_t resamplingFormat(uint32_t outputModeBits)
{
    if (outputModeBits & outputSincMixing)
        return mixSinc;
    return libraryCore().options.get(Option::mixingMode) == 1 ? mixInterpolating : 0;
}

ErrorCode closeSharedMixer() { return sharedMixer().close(); }

ErrorCode mixSharedMixer(uint32_t frames, void* destination) { return sharedMixer().mix(frames, destination); }

void installMixerOperations(SoundDeviceOperations& ops)
{
    ops.getMixingRate = [](void* context, uint32_t& rate) {
        rate = mixerOf(context).mixingRate();
        return ErrorCode::ok;
    };
    ops.openChannels = [](void* context, uint32_t count, uint32_t backgroundCount) {
        return mixerOf(context).openChannels(count, backgroundCount);
    };
    ops.closeChannels = [](void* context) { return mixerOf(context).closeChannels(); };
    ops.clearChannels = [](void* context) { return mixerOf(context).clearChannels(); };
    ops.muteAll = [](void* context, bool muted) { return mixerOf(context).muteAll(muted); };
    ops.pause = [](void* context, bool paused) { return mixerOf(context).pause(paused); };
    ops.setMasterVolume = [](void* context, uint32_t volume) { return mixerOf(context).setMasterVolume(volume); };
    ops.getMasterVolume = [](void* context, uint32_t& volume) {
        volume = mixerOf(context).masterVolume();
        return ErrorCode::ok;
    };
    ops.setAmplification = [](void* context, uint32_t amplification) {
        return mixerOf(context).setAmplification(amplification);
    };
    ops.getAmplification = [](void* context, uint32_t& amplification) {
        amplification = mixerOf(context).amplification();
        return ErrorCode::ok;
    };
    ops.playSound = [](void* context, uint32_t channel, uint32_t rate) {
        return mixerOf(context).playSound(channel, rate);
    };
    ops.releaseSound = [](void* context, uint32_t channel) { return mixerOf(context).releaseSound(channel); };
    ops.stopSound = [](void* context, uint32_t channel) { return mixerOf(context).stopSound(channel); };
    ops.setRate = [](void* context, uint32_t channel, uint32_t rate) {
        return mixerOf(context).setRate(channel, rate);
    };
    ops.getRate = [](void* context, uint32_t channel, uint32_t& rate) {
        return mixerOf(context).getRate(channel, rate);
    };
    ops.setVolume = [](void* context, uint32_t channel, uint32_t volume) {
        return mixerOf(context).setVolume(channel, volume);
    };
    ops.getVolume = [](void* context, uint32_t channel, uint32_t& volume) {
        return mixerOf(context).getVolume(channel, volume);
    };
    ops.setSample = [](void* context, uint32_t channel, uint32_t handle) {
        return mixerOf(context).setSample(channel, handle);
    };
    ops.getSample = [](void* context, uint32_t channel, uint32_t& handle) {
        return mixerOf(context).getSample(channel, handle);
    };
    ops.setPosition = [](void* context, uint32_t channel, uint32_t offset) {
        return mixerOf(context).setPosition(channel, offset);
    };
    ops.getPosition = [](void* context, uint32_t channel, uint32_t& offset) {
        return mixerOf(context).getPosition(channel, offset);
    };
    ops.getDirection = [](void* context, uint32_t channel, int32_t& direction) {
        return mixerOf(context).getDirection(channel, direction);
    };
    ops.setFilter = [](void* context, uint32_t channel, bool on, uint32_t cutoff, uint32_t resonance) {
        return mixerOf(context).setFilter(channel, on, cutoff, resonance);
    };
    ops.setPanning = [](void* context, uint32_t channel, int32_t panning) {
        return mixerOf(context).setPanning(channel, panning);
    };
    ops.getPanning = [](void* context, uint32_t channel, int32_t& panning) {
        return mixerOf(context).getPanning(channel, panning);
    };
    ops.getOutputProgress = [](void* context, uint64_t& framesMixed, uint32_t& framesQueued) {
        framesMixed = mixerOf(context).framesMixed();
        framesQueued = 0;
        return ErrorCode::ok;
    };
    ops.muteChannel = [](void* context, uint32_t channel, bool muted) {
        return mixerOf(context).muteChannel(channel, muted);
    };
    ops.moveSound = [](void* context, uint32_t from, uint32_t to) { return mixerOf(context).moveSound(from, to); };
    ops.getSounding = [](void* context, uint32_t channel, bool& sounding) {
        return mixerOf(context).getSounding(channel, sounding);
    };
    ops.addSample = [](void* context, const SampleDescription& sample, bool copy, uint32_t& handle) {
        return mixerOf(context).addSample(sample, copy, handle);
    };
    ops.removeSample = [](void* context, uint32_t handle) { return mixerOf(context).removeSample(handle); };
}

}  // namespace corvid
