#include "sound/mixer/mixer_device.h"

#include "platform/cpu.h"
#include "sound/core/library.h"

namespace corvid {

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

ErrorCode closeSharedMixer() { return sharedMixer().close(); }

ErrorCode mixSharedMixer(uint32_t frames, void* destination) { return sharedMixer().mix(frames, destination); }

void installMixerOperations(SoundDeviceOperations& ops)
{
    ops.getMixingRate = [](uint32_t& rate) {
        rate = sharedMixer().mixingRate();
        return ErrorCode::ok;
    };
    ops.openChannels = [](uint32_t count) { return sharedMixer().openChannels(count); };
    ops.closeChannels = [] { return sharedMixer().closeChannels(); };
    ops.clearChannels = [] { return sharedMixer().clearChannels(); };
    ops.muteAll = [](bool muted) { return sharedMixer().muteAll(muted); };
    ops.pause = [](bool paused) { return sharedMixer().pause(paused); };
    ops.setMasterVolume = [](uint32_t volume) { return sharedMixer().setMasterVolume(volume); };
    ops.getMasterVolume = [](uint32_t& volume) {
        volume = sharedMixer().masterVolume();
        return ErrorCode::ok;
    };
    ops.setAmplification = [](uint32_t amplification) { return sharedMixer().setAmplification(amplification); };
    ops.getAmplification = [](uint32_t& amplification) {
        amplification = sharedMixer().amplification();
        return ErrorCode::ok;
    };
    ops.playSound = [](uint32_t channel, uint32_t rate) { return sharedMixer().playSound(channel, rate); };
    ops.releaseSound = [](uint32_t channel) { return sharedMixer().releaseSound(channel); };
    ops.stopSound = [](uint32_t channel) { return sharedMixer().stopSound(channel); };
    ops.setRate = [](uint32_t channel, uint32_t rate) { return sharedMixer().setRate(channel, rate); };
    ops.getRate = [](uint32_t channel, uint32_t& rate) { return sharedMixer().getRate(channel, rate); };
    ops.setVolume = [](uint32_t channel, uint32_t volume) { return sharedMixer().setVolume(channel, volume); };
    ops.getVolume = [](uint32_t channel, uint32_t& volume) { return sharedMixer().getVolume(channel, volume); };
    ops.setSample = [](uint32_t channel, uint32_t handle) { return sharedMixer().setSample(channel, handle); };
    ops.getSample = [](uint32_t channel, uint32_t& handle) { return sharedMixer().getSample(channel, handle); };
    ops.setPosition = [](uint32_t channel, uint32_t offset) { return sharedMixer().setPosition(channel, offset); };
    ops.getPosition = [](uint32_t channel, uint32_t& offset) { return sharedMixer().getPosition(channel, offset); };
    ops.getDirection = [](uint32_t channel, int32_t& direction) { return sharedMixer().getDirection(channel, direction); };
    ops.setPanning = [](uint32_t channel, int32_t panning) { return sharedMixer().setPanning(channel, panning); };
    ops.getPanning = [](uint32_t channel, int32_t& panning) { return sharedMixer().getPanning(channel, panning); };
    ops.muteChannel = [](uint32_t channel, bool muted) { return sharedMixer().muteChannel(channel, muted); };
    ops.addSample = [](const SampleDescription& sample, bool copy, uint32_t& handle) {
        return sharedMixer().addSample(sample, copy, handle);
    };
    ops.removeSample = [](uint32_t handle) { return sharedMixer().removeSample(handle); };
}

}  // namespace corvid
