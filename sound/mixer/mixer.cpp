#include "sound/mixer/mixer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "sound/mixer/mu_law.h"
#include "sound/mixer/sinc_filter.h"

namespace corvid {

namespace {

constexpr uint32_t maximumMixingRate = 1'000'000;
constexpr uint32_t volumeRows = 33;
constexpr uint32_t rampStepPerFrame = 0x20000;  // a full-scale volume change takes 32 frames
// A routine addresses its frames relative to the run's first frame in 16.16,
// so a run covers at most 0x7FFF frames of sample data.
constexpr int64_t maximumRunDistance = int64_t{0x7FFF} << 16;
// Rates beyond this many frames per output frame are not music; capping the
// step keeps every run inside the data.
constexpr uint32_t maximumStepFrames = 0x3FFF;
// Integer families: no mix of unfiltered channels passes 2^30 (the most
// channels, each at its loudest). A resonant filter may ring louder than its
// input, so each filtered channel is held to its share of that, which keeps
// every mix inside 32 bits.
constexpr double mixLimit = 1073741824.0;

constexpr bool isKnownType(SampleType type)
{
    switch (type) {
    case SampleType::pcm8Mono:
    case SampleType::pcm16Mono:
    case SampleType::pcm8Stereo:
    case SampleType::pcm16Stereo:
    case SampleType::muLawMono:
    case SampleType::muLawStereo: return true;
    default: return false;
    }
}

constexpr bool isAmigaMode(LoopMode mode) { return mode == LoopMode::amiga || mode == LoopMode::amigaLooped; }
constexpr bool hasSecondLoop(LoopMode mode) { return mode == LoopMode::twoLoops || mode == LoopMode::twoLoopsLeftAtOnce; }

constexpr bool isSounding(ChannelState state)
{
    return state == ChannelState::playing || state == ChannelState::released || state == ChannelState::fading;
}

// Output frames whose positions (position + i * step) lie before `boundary`:
// below it going forwards, at or above it going backwards.
uint64_t framesBefore(int64_t position, int64_t boundary, int64_t step, bool backward)
{
    if (!backward)
        return position >= boundary ? 0 : static_cast<uint64_t>((boundary - position + step - 1) / step);
    return position < boundary ? 0 : static_cast<uint64_t>((position - boundary) / step + 1);
}

int64_t fixedFrames(int64_t frames) { return frames * 65536; }

int64_t floorModulo(int64_t value, int64_t modulus) { return (value % modulus + modulus) % modulus; }

// The data frame the sound plays at frame `at` as it continues around a seam
// place, or -1 for silence. Before the first frame and after the last there
// is silence; a forward loop repeats; a ping-pong loop folds back about its
// turning points, as the position does (the frame at the loop end mirrors
// onto itself: the data's own frame there, or the last one when the loop
// ends the data).
int64_t continuedFrame(const SampleLayout& layout, SeamPlace place, int64_t at)
{
    const bool edge = place == SeamPlace::head || place == SeamPlace::tail;
    const SampleLoop& loop = layout.loops[place >= SeamPlace::loop2Start ? 1 : 0];
    if (edge || loop.type == LoopType::none)
        return at >= 0 && at < layout.length ? at : -1;
    const int64_t length = int64_t{loop.end} - loop.start;
    if (loop.type == LoopType::forward)
        return loop.start + floorModulo(at - loop.start, length);
    const int64_t folded = floorModulo(at - loop.start, 2 * length);
    if (folded < length)
        return loop.start + folded;
    if (folded == length)
        return loop.end < layout.length ? loop.end : loop.end - 1;
    return loop.start + 2 * length - folded;
}

std::unique_ptr<SampleSeams> buildSeams(const SampleLayout& layout)
{
    auto seams = std::make_unique<SampleSeams>();
    const size_t frameBytes = size_t{1} << frameShift(layout.type);
    const uint8_t silence = is16BitData(layout.type) ? 0 : isMuLawData(layout.type) ? muLawEncode(0) : 0x80;
    const std::array<int64_t, seamPlaceCount> anchors = {0, layout.length, layout.loops[0].start, layout.loops[0].end,
                                                         layout.loops[1].start, layout.loops[1].end};
    for (size_t place = 0; place < seamPlaceCount; ++place) {
        uint8_t* out = seams->frames[place].data();
        for (int64_t i = 0; i < seamFrames; ++i, out += frameBytes) {
            const int64_t frame = continuedFrame(layout, static_cast<SeamPlace>(place), anchors[place] - 2 * seamReach + i);
            if (frame < 0)
                std::memset(out, silence, frameBytes);
            else
                std::memcpy(out, layout.data + static_cast<size_t>(frame) * frameBytes, frameBytes);
        }
    }
    return seams;
}

void moveTowards(uint32_t& current, uint32_t target)
{
    current = current < target ? std::min(current + rampStepPerFrame, target)
                               : std::max(current, target + rampStepPerFrame) - rampStepPerFrame;
}

}  // namespace

MixerFormat resolveMixerFormat(uint32_t formatBits, const platform::CpuInfo& cpu)
{
    MixerFormat format;
    format.output8Bit = (formatBits & mixOutput8Bit) && !(formatBits & mixOutput16Bit);
    format.stereo = (formatBits & mixStereo) != 0;
    const bool sinc = (formatBits & mixSinc) != 0;
    format.interpolating = sinc || (formatBits & mixInterpolating) != 0;
    if (format.interpolating || (formatBits & mixFloat))
        format.floatMixing = true;
    else if (formatBits & mixInteger)
        format.floatMixing = false;
    else
        format.floatMixing = cpu.vendor == "GenuineIntel";
    if (sinc)
        format.family = format.stereo ? MixFamily::sincStereo : MixFamily::sincMono;
    else if (format.interpolating)
        format.family = format.stereo ? MixFamily::interpolatingStereo : MixFamily::interpolatingMono;
    else if (format.floatMixing)
        format.family = format.stereo ? MixFamily::floatStereo : MixFamily::floatMono;
    else
        format.family = format.stereo ? MixFamily::integerStereo : MixFamily::integerMono;
    return format;
}

ErrorCode Mixer::open(uint32_t mixingRate, uint32_t formatBits, const platform::CpuInfo& cpu, const MixerSettings& settings)
{
    if (mixingRate == 0 || mixingRate > maximumMixingRate)
        return ErrorCode::invalidArguments;
    close();
    mixingRate_ = mixingRate;
    format_ = resolveMixerFormat(formatBits, cpu);
    settings_ = settings;
    // 1/40 s of 32-bit values, the byte size rounded up to a multiple of 16.
    const uint32_t bytesPerFrame = format_.stereo ? 8 : 4;
    const uint32_t bytes = (mixingRate * bytesPerFrame / 40 + 15) & ~15u;
    mixBufferFrames_ = bytes / bytesPerFrame;
    framesMixed_ = 0;
    const size_t values = size_t{mixBufferFrames_} * (format_.stereo ? 2 : 1);
    if (format_.floatMixing) {
        floatMix_.assign(values, 0.0f);
        for (uint32_t i = 0; i < 256; ++i) {
            byteValues_[i] = static_cast<float>(static_cast<int32_t>(i) * 256 - 32768);
            muLawValues_[i] = muLawDecode(static_cast<uint8_t>(i));
        }
    } else {
        integerMix_.assign(values, 0);
        byteRows_.assign(volumeRows * 256, 0);
        muLawRows_.assign(volumeRows * 256, 0);
    }
    slots_.resize(sampleSlotCount);
    amplification_ = 64;
    masterVolume_ = 64;
    allMuted_ = false;
    paused_ = false;
    postProcessing_.build(resolveFilterMode(settings.filterMode, format_.interpolating));
    if (isSincFamily(format_.family))
        sincRows(0);  // the filter tables are built here, not on the device's first mix
    open_ = true;
    return ErrorCode::ok;
}

ErrorCode Mixer::close()
{
    open_ = false;
    channels_.clear();
    channelCount_ = 0;
    slots_.clear();
    integerMix_.clear();
    floatMix_.clear();
    byteRows_.clear();
    muLawRows_.clear();
    postProcessing_.build(0);
    return ErrorCode::ok;
}

ErrorCode Mixer::openChannels(uint32_t count, uint32_t backgroundCount)
{
    if (!open_ || count == 0 || count > maximumChannels || backgroundCount > maximumChannels - count)
        return ErrorCode::invalidArguments;
    channelCount_ = count + backgroundCount;
    levelChannels_ = count;
    channels_.assign(format_.interpolating ? 2 * channelCount_ : channelCount_, MixChannel{});
    amplification_ = count > 4 ? count * 14 : 64;
    buildVolumeTables();
    return ErrorCode::ok;
}

ErrorCode Mixer::closeChannels()
{
    if (channelCount_ == 0)
        return ErrorCode::channelsNotOpen;
    channels_.clear();
    channelCount_ = 0;
    levelChannels_ = 0;
    return ErrorCode::ok;
}

ErrorCode Mixer::clearChannels()
{
    for (MixChannel& channel : channels_) {
        const uint32_t volume = channel.volume;
        channel = MixChannel{};
        channel.volume = volume;
    }
    return ErrorCode::ok;
}

ErrorCode Mixer::muteAll(bool muted)
{
    allMuted_ = muted;
    updateAllVolumes();
    return ErrorCode::ok;
}

ErrorCode Mixer::pause(bool paused)
{
    paused_ = paused;
    return ErrorCode::ok;
}

ErrorCode Mixer::setMasterVolume(uint32_t volume)
{
    if (volume > 64)
        return ErrorCode::invalidArguments;
    masterVolume_ = volume;
    updateAllVolumes();
    return ErrorCode::ok;
}

ErrorCode Mixer::setAmplification(uint32_t amplification)
{
    if (amplification > maximumAmplification)
        return ErrorCode::invalidArguments;
    amplification_ = amplification;
    buildVolumeTables();
    return ErrorCode::ok;
}

// Row i, byte b: ((amplification * i * (b - 128)) / 64, kept to 24 signed
// bits) * 8 / channel count. Row i, mu-law code c: i * decode(c) *
// amplification / 2048 / channel count.
void Mixer::buildVolumeTables()
{
    if (format_.floatMixing || levelChannels_ == 0)
        return;
    const int64_t count = levelChannels_;
    for (uint32_t row = 0; row < volumeRows; ++row)
        for (int32_t value = 0; value < 256; ++value) {
            const int64_t scaled = int64_t{amplification_} * row * (value - 128) / 64;
            const int32_t kept = static_cast<int32_t>(static_cast<uint32_t>(scaled) << 8) >> 8;
            byteRows_[row * 256 + value] = static_cast<int32_t>(int64_t{kept} * 8 / count);
            muLawRows_[row * 256 + value] = static_cast<int32_t>(
                int64_t{row} * muLawDecode(static_cast<uint8_t>(value)) * amplification_ / 2048 / count);
        }
}

ErrorCode Mixer::checkChannel(uint32_t channel) const
{
    return channel < channelCount_ ? ErrorCode::ok : ErrorCode::invalidChannel;
}

// Left and right volume, 0..2^22 each: 64 * volume on the near side, the far
// side scaled by the panning, both times master volume * 16.
void Mixer::updateVolume(MixChannel& channel)
{
    std::array<uint32_t, 2> volume{};
    if (!channel.muted && !allMuted_) {
        const uint32_t v = channel.volume;
        const int32_t p = channel.panning;
        if (p == surroundPanning || p == 0 || !format_.stereo)
            volume = {64 * v, 64 * v};
        else if (p < 0)
            volume = {64 * v, static_cast<uint32_t>(p + 64) * v};
        else
            volume = {static_cast<uint32_t>(64 - p) * v, 64 * v};
        for (uint32_t& side : volume)
            side *= masterVolume_ * 16;
    }
    if (!format_.interpolating) {
        channel.currentVolume = channel.targetVolume = volume;
    } else if (volume != channel.targetVolume) {
        channel.targetVolume = volume;
        channel.ramping = channel.currentVolume != volume;
    }
}

void Mixer::updateAllVolumes()
{
    // Shadows keep fading towards silence; only the real channels follow.
    for (uint32_t i = 0; i < channelCount_; ++i)
        updateVolume(channels_[i]);
}

// Before a sounding channel is restarted, stopped or moved, its old sound is
// handed to the shadow channel, which ramps it down to silence.
void Mixer::fadeOut(uint32_t channel)
{
    if (!format_.interpolating)
        return;
    const MixChannel& source = channels_[channel];
    if (source.state != ChannelState::playing && source.state != ChannelState::released)
        return;
    if (source.currentVolume == std::array<uint32_t, 2>{})
        return;
    MixChannel& shadow = channels_[channel + channelCount_];
    if (shadow.state == ChannelState::fading)
        return;
    shadow = source;
    shadow.state = ChannelState::fading;
    shadow.samplePending = false;
    shadow.targetVolume = {};
    shadow.ramping = true;
}

void Mixer::takePendingSample(MixChannel& channel)
{
    channel.samplePending = false;
    channel.sample = slots_[channel.sampleHandle - 1].layout;
    channel.activeLoop = 0;
    channel.wrapped = false;
}

ErrorCode Mixer::playSound(uint32_t channel, uint32_t rate)
{
    if (ErrorCode error = checkChannel(channel); error != ErrorCode::ok)
        return error;
    fadeOut(channel);
    channels_[channel].state = ChannelState::stopped;
    channels_[channel].rate = rate;
    channels_[channel].filter.last = channels_[channel].filter.beforeLast = {};
    return setPosition(channel, 0);
}

ErrorCode Mixer::releaseSound(uint32_t channel)
{
    if (ErrorCode error = checkChannel(channel); error != ErrorCode::ok)
        return error;
    MixChannel& c = channels_[channel];
    if (c.state != ChannelState::playing || !hasSecondLoop(c.sample.loopMode))
        return ErrorCode::ok;
    c.state = ChannelState::released;
    if (c.sample.loopMode == LoopMode::twoLoopsLeftAtOnce) {
        // The sound goes on from where it is, under the second loop's rule;
        // past that loop's end it is wrapped into the loop.
        const SampleLoop& loop = c.sample.loops[1];
        c.activeLoop = 1;
        c.wrapped = loop.type != LoopType::none && c.position >= loop.end;
        if (c.wrapped)
            c.position = loop.start + (c.position - loop.start) % (loop.end - loop.start);
    }
    return ErrorCode::ok;
}

ErrorCode Mixer::stopSound(uint32_t channel)
{
    if (ErrorCode error = checkChannel(channel); error != ErrorCode::ok)
        return error;
    fadeOut(channel);
    channels_[channel].state = ChannelState::none;
    return ErrorCode::ok;
}

ErrorCode Mixer::setRate(uint32_t channel, uint32_t rate)
{
    if (ErrorCode error = checkChannel(channel); error != ErrorCode::ok)
        return error;
    channels_[channel].rate = rate;
    return ErrorCode::ok;
}

ErrorCode Mixer::getRate(uint32_t channel, uint32_t& rate) const
{
    return readChannel(channel, [&](const MixChannel& c) {
        rate = (c.state == ChannelState::none || c.state == ChannelState::stopped) ? 0 : c.rate;
    });
}

ErrorCode Mixer::setVolume(uint32_t channel, uint32_t volume)
{
    return changeVolumeInput(channel, volume <= 64, [&](MixChannel& c) { c.volume = volume; });
}

ErrorCode Mixer::getVolume(uint32_t channel, uint32_t& volume) const
{
    return readChannel(channel, [&](const MixChannel& c) { volume = c.volume; });
}

ErrorCode Mixer::setSample(uint32_t channel, uint32_t handle)
{
    if (ErrorCode error = checkChannel(channel); error != ErrorCode::ok)
        return error;
    if (handle == 0 || handle > sampleSlotCount || !slots_[handle - 1].inUse)
        return ErrorCode::invalidSampleHandle;
    MixChannel& c = channels_[channel];
    c.sampleHandle = handle;
    c.samplePending = true;
    // An Amiga-style looped sample set on a channel whose sound has ended
    // starts at once, at its loop start.
    const SampleLayout& sample = slots_[handle - 1].layout;
    if (!format_.interpolating && c.state == ChannelState::stopped && sample.loopMode == LoopMode::amigaLooped &&
        sample.loops[0].type != LoopType::none) {
        takePendingSample(c);
        c.position = sample.loops[0].start;
        c.fraction = 0;
        c.direction = 1;
        c.state = ChannelState::playing;
    }
    return ErrorCode::ok;
}

ErrorCode Mixer::getSample(uint32_t channel, uint32_t& handle) const
{
    return readChannel(channel, [&](const MixChannel& c) { handle = c.sampleHandle; });
}

ErrorCode Mixer::setPosition(uint32_t channel, uint32_t byteOffset)
{
    if (ErrorCode error = checkChannel(channel); error != ErrorCode::ok)
        return error;
    fadeOut(channel);
    MixChannel& c = channels_[channel];
    if (c.samplePending)
        takePendingSample(c);
    if (c.state == ChannelState::released && !hasSecondLoop(c.sample.loopMode))
        c.state = ChannelState::stopped;
    if (!c.sample.data || c.sample.length == 0 || c.rate == 0 || c.state == ChannelState::none)
        return ErrorCode::ok;

    // Byte offsets count frames of the data as it was handed in (a 16-bit
    // sample stored as mu-law still takes offsets in 16-bit frames).
    const uint32_t offset = byteOffset >> c.sample.offsetShift;
    const bool released = c.state == ChannelState::released;
    c.activeLoop = released ? 1 : 0;
    const SampleLoop& loop = c.sample.loops[c.activeLoop];
    const ChannelState sounding = released ? ChannelState::released : ChannelState::playing;
    c.fraction = 0;
    c.direction = 1;
    c.wrapped = false;
    switch (loop.type) {
    case LoopType::none:
        if (offset >= c.sample.length) {
            c.state = ChannelState::stopped;
            return ErrorCode::ok;
        }
        c.position = offset;
        break;
    case LoopType::forward:
        c.position = offset < loop.end ? offset : loop.start;
        break;
    case LoopType::pingPong:
        if (offset < loop.end) {
            c.position = offset;
        } else {
            // Just inside the loop end, so that the frame at the end itself
            // (the sample end, perhaps) is never read.
            c.position = loop.end - 1;
            c.fraction = 0xFFFF;
            c.direction = -1;
        }
        break;
    }
    c.state = sounding;
    if (format_.interpolating) {
        c.currentVolume = {};
        c.ramping = c.targetVolume != c.currentVolume;
    }
    return ErrorCode::ok;
}

ErrorCode Mixer::getPosition(uint32_t channel, uint32_t& byteOffset) const
{
    return readChannel(channel, [&](const MixChannel& c) { byteOffset = c.position << c.sample.offsetShift; });
}

ErrorCode Mixer::getDirection(uint32_t channel, int32_t& direction) const
{
    return readChannel(channel, [&](const MixChannel& c) { direction = c.direction; });
}

ErrorCode Mixer::setPanning(uint32_t channel, int32_t panning)
{
    const bool valid = (panning >= -64 && panning <= 64) || panning == surroundPanning;
    return changeVolumeInput(channel, valid, [&](MixChannel& c) { c.panning = panning; });
}

ErrorCode Mixer::getPanning(uint32_t channel, int32_t& panning) const
{
    return readChannel(channel, [&](const MixChannel& c) { panning = c.panning; });
}

ErrorCode Mixer::muteChannel(uint32_t channel, bool muted)
{
    return changeVolumeInput(channel, true, [&](MixChannel& c) { c.muted = muted; });
}

ErrorCode Mixer::moveSound(uint32_t from, uint32_t to)
{
    if (from >= channelCount_ || to >= channelCount_)
        return ErrorCode::invalidChannel;
    if (from == to)
        return ErrorCode::invalidArguments;
    fadeOut(to);
    channels_[to] = channels_[from];
    channels_[from].state = ChannelState::none;
    return ErrorCode::ok;
}

ErrorCode Mixer::getSounding(uint32_t channel, bool& sounding) const
{
    return readChannel(channel, [&](const MixChannel& c) { sounding = isSounding(c.state); });
}

ErrorCode Mixer::setFilter(uint32_t channel, bool on, uint32_t cutoff, uint32_t resonance)
{
    if (ErrorCode error = checkChannel(channel); error != ErrorCode::ok)
        return error;
    if (cutoff > maximumFilterCutoff || resonance > maximumFilterResonance)
        return ErrorCode::invalidArguments;
    MixChannel& c = channels_[channel];
    c.filtered = on;
    if (on) {
        const ResonantFilter history = c.filter;
        c.filter = resonantFilterFor(cutoff, resonance, mixingRate_);
        c.filter.last = history.last;
        c.filter.beforeLast = history.beforeLast;
    }
    return ErrorCode::ok;
}

ErrorCode Mixer::addSample(const SampleDescription& description, bool copy, uint32_t& handle)
{
    if (!open_)
        return ErrorCode::invalidArguments;
    const bool hasData = description.dataPresent != 0;
    if (hasData && (!description.data || !isKnownType(description.type)))
        return description.data ? ErrorCode::invalidSampleType : ErrorCode::invalidArguments;
    if (description.loopMode > LoopMode::amigaLooped || description.loop1.type > LoopType::pingPong ||
        description.loop2.type > LoopType::pingPong)
        return ErrorCode::invalidArguments;
    const auto freeSlot = std::find_if(slots_.begin(), slots_.end(), [](const SampleSlot& s) { return !s.inUse; });
    if (freeSlot == slots_.end())
        return ErrorCode::outOfSampleHandles;

    SampleLayout layout;
    layout.loopMode = description.loopMode;
    std::unique_ptr<uint8_t[]> owned;
    if (hasData) {
        const uint32_t shift = frameShift(description.type);
        layout.type = description.type;
        layout.offsetShift = shift;
        layout.length = description.length >> shift;
        // Loops are kept inside the data; an empty or reversed loop is no loop.
        const SampleLoop* given[2] = {&description.loop1, &description.loop2};
        for (int i = 0; i < 2; ++i) {
            SampleLoop& loop = layout.loops[i];
            loop.start = given[i]->start >> shift;
            loop.end = std::min(given[i]->end >> shift, layout.length);
            loop.type = loop.start < loop.end ? given[i]->type : LoopType::none;
        }
        const auto* source = static_cast<const uint8_t*>(description.data);
        const size_t bytes = size_t{layout.length} << shift;
        if (!copy || bytes == 0) {
            layout.data = bytes == 0 ? nullptr : source;
        } else if (!format_.floatMixing && settings_.muLawSamples && is16BitData(description.type)) {
            // Stored as mu-law so that the volume tables can mix it.
            const size_t values = bytes / 2;
            owned.reset(new (std::nothrow) uint8_t[values]);
            if (!owned)
                return ErrorCode::outOfMemory;
            for (size_t i = 0; i < values; ++i) {
                int16_t value;
                std::memcpy(&value, source + 2 * i, 2);
                owned[i] = muLawEncode(value);
            }
            layout.type = isStereoData(description.type) ? SampleType::muLawStereo : SampleType::muLawMono;
            layout.data = owned.get();
        } else {
            owned.reset(new (std::nothrow) uint8_t[bytes]);
            if (!owned)
                return ErrorCode::outOfMemory;
            std::memcpy(owned.get(), source, bytes);
            layout.data = owned.get();
        }
    }
    std::unique_ptr<SampleSeams> seams;
    if (isSincFamily(format_.family) && layout.data) {
        seams = buildSeams(layout);
        layout.seams = seams.get();
    }
    freeSlot->inUse = true;
    freeSlot->layout = layout;
    freeSlot->ownedData = std::move(owned);
    freeSlot->seams = std::move(seams);
    handle = static_cast<uint32_t>(freeSlot - slots_.begin()) + 1;
    return ErrorCode::ok;
}

ErrorCode Mixer::removeSample(uint32_t handle)
{
    if (!open_ || handle == 0 || handle > sampleSlotCount || !slots_[handle - 1].inUse)
        return ErrorCode::invalidSampleHandle;
    SampleSlot& slot = slots_[handle - 1];
    // No channel may go on reading the data once it is gone.
    for (MixChannel& channel : channels_) {
        if (channel.sampleHandle == handle)
            channel.samplePending = false;
        if (slot.layout.data && channel.sample.data == slot.layout.data) {
            channel.sample = SampleLayout{};
            channel.state = ChannelState::none;
        }
    }
    slot = SampleSlot{};
    return ErrorCode::ok;
}

PanCase Mixer::panCase(const MixChannel& channel) const
{
    if (format_.family != MixFamily::integerStereo)
        return PanCase::normal;
    if (channel.panning == surroundPanning)
        return PanCase::surround;
    return channel.currentVolume[0] == channel.currentVolume[1] ? PanCase::centre : PanCase::normal;
}

void Mixer::setupGains(MixJob& job, const MixChannel& channel, SampleType type) const
{
    const std::array<uint32_t, 2> volume = format_.stereo ? channel.currentVolume
                                                          : std::array<uint32_t, 2>{channel.currentVolume[0], channel.currentVolume[0]};
    if (!format_.floatMixing) {
        const std::vector<int32_t>& table = isMuLawData(type) ? muLawRows_ : byteRows_;
        for (int side = 0; side < 2; ++side) {
            const uint32_t row = format_.stereo ? ((volume[side] >> 16) + 1) >> 1 : (volume[side] + 1) >> 17;
            job.rows[side] = &table[row * 256];
            job.scale[side] = static_cast<int32_t>((uint64_t{amplification_} * volume[side] / levelChannels_) >> 20);
        }
        return;
    }
    // amplification * volume / (channel count * 2^28): full scale is 1.0 for one channel.
    const double divisor = double(levelChannels_) * 268435456.0;
    for (int side = 0; side < 2; ++side)
        job.gain[side] = static_cast<float>(double(amplification_) * volume[side] / divisor);
    if (!format_.stereo && isStereoData(type))
        job.gain[0] *= 0.5f;
    if (format_.stereo && channel.panning == surroundPanning)
        job.gain[1] = -job.gain[1];
    job.byteValues = byteValues_.data();
    job.muLawValues = muLawValues_.data();
}

// Rate / mixing rate in 16.16: whole part rate div mixing rate, fraction
// (rate mod mixing rate) * 65536 / mixing rate.
int32_t Mixer::stepFor(uint32_t rate) const
{
    const uint32_t whole = std::min(rate / mixingRate_, maximumStepFrames);
    const uint32_t fraction = static_cast<uint32_t>((uint64_t{rate % mixingRate_} << 16) / mixingRate_);
    return std::max<int32_t>(static_cast<int32_t>((whole << 16) | fraction), 1);
}

// Mixes one channel record into `frames` frames of the buffer. The chunk is
// cut at every event (loop end, loop start going backwards, sample end) so
// that the routines run without tests; ramping frames go one at a time with
// fresh gains; a silent channel only moves on.
void Mixer::mixChannel(MixChannel& c, uint32_t frames, void* buffer)
{
    if (c.rate == 0 || !c.sample.data || c.sample.length == 0) {
        // A shadow that cannot sound is done; left fading it would block the next fade.
        if (c.state == ChannelState::fading)
            c.state = ChannelState::none;
        return;
    }
    const uint32_t outputChannels = format_.stereo ? 2 : 1;
    const size_t valueBytes = format_.floatMixing ? sizeof(float) : sizeof(int32_t);
    const int64_t step = stepFor(c.rate);
    const SampleType type = c.sample.type;
    // The step holds for the whole call, and so does its filter table.
    const float* rows = isSincFamily(format_.family) ? sincRows(static_cast<int32_t>(step)) : nullptr;
    uint32_t done = 0;
    while (done < frames && isSounding(c.state)) {
        const SampleLoop& loop = c.sample.loops[c.activeLoop];
        if (c.direction < 0 && loop.type != LoopType::pingPong)
            c.direction = 1;
        const bool backward = c.direction < 0;
        int64_t position = (int64_t{c.position} << 16) | c.fraction;
        const bool inLoop = loop.type != LoopType::none && position < fixedFrames(loop.end);
        const int64_t event = fixedFrames(backward ? loop.start : inLoop ? loop.end : c.sample.length);
        uint64_t run = std::min<uint64_t>({framesBefore(position, event, step, backward),
                                           static_cast<uint64_t>(maximumRunDistance / step), frames - done});

        // A released channel plays on through the end of its first loop.
        const bool leavesLoop = c.state == ChannelState::released && c.activeLoop == 0;
        const bool loopActive = loop.type != LoopType::none && (backward || inLoop) && !leavesLoop;
        MixJob job;
        const uint8_t* source = c.sample.data;
        int64_t sourceFrame = 0;  // the frame `source` holds
        if (isInterpolatingFamily(format_.family) && run > 0) {
            // The last frame before the loop end (or sample end) interpolates
            // towards the frame that really follows it: the loop start of a
            // forward loop, itself otherwise.
            const uint32_t limit = loopActive ? loop.end : c.sample.length;
            const int64_t lastFrame = fixedFrames(limit - 1);
            if (position < lastFrame) {
                if (!backward)
                    run = std::min(run, framesBefore(position, lastFrame, step, false));
            } else {
                job.partnerOffset = (!backward && inLoop && !leavesLoop && loop.type == LoopType::forward)
                                        ? static_cast<int32_t>(loop.start) - static_cast<int32_t>(limit - 1)
                                        : 0;
                if (backward)
                    run = std::min(run, framesBefore(position, lastFrame, step, true));
            }
        }

        if (isSincFamily(format_.family) && run > 0) {
            const SincSource sinc = sincSource(c, position, backward, loopActive);
            run = std::min(run, framesBefore(position, sinc.boundary, step, backward));
            source = sinc.frames;
            sourceFrame = sinc.firstFrame;
            job.sincRows = rows;
        }

        if (run > 0) {
            job.source = source + (static_cast<size_t>(c.position - sourceFrame) << frameShift(type));
            job.position = static_cast<int32_t>(c.fraction);
            job.step = static_cast<int32_t>(backward ? -step : step);
            if (buffer)
                job.destination = static_cast<uint8_t*>(buffer) + size_t{done} * outputChannels * valueBytes;
            if (c.filtered) {
                job.filter = &c.filter;
                job.filterLimit = mixLimit / channelCount_;
            }
            auto remaining = static_cast<uint32_t>(run);
            for (; c.ramping && remaining > 0; --remaining) {
                if (buffer) {
                    setupGains(job, c, type);
                    mixRoutines(format_.family, type, panCase(c), c.filtered).single(job, 1);
                }
                moveTowards(c.currentVolume[0], c.targetVolume[0]);
                moveTowards(c.currentVolume[1], c.targetVolume[1]);
                c.ramping = c.currentVolume != c.targetVolume;
            }
            if (buffer && remaining > 0) {
                if (c.currentVolume != std::array<uint32_t, 2>{}) {
                    setupGains(job, c, type);
                    mixRoutines(format_.family, type, panCase(c), c.filtered).blocks(job, remaining);
                } else if (c.filtered) {
                    // Silence in, silence out: the filter rings no further.
                    c.filter.last = c.filter.beforeLast = {};
                }
            }
            position += static_cast<int64_t>(run) * (backward ? -step : step);
            done += static_cast<uint32_t>(run);
            if (c.state == ChannelState::fading && !c.ramping && c.currentVolume == std::array<uint32_t, 2>{})
                c.state = ChannelState::none;
        }
        c.position = static_cast<uint32_t>(position >> 16);
        c.fraction = static_cast<uint32_t>(position & 0xFFFF);
        const bool reached = backward ? position < event : position >= event;
        if (reached && isSounding(c.state))
            handleEvent(c, position, inLoop, backward);
    }
}

// Sinc mixing: where the taps read from `position` on, and the 16.16
// position at which that changes (the run stops before reaching it going
// forwards, before going below it backwards). Within 4 frames of a loop
// end, of a loop start the channel has come round to, of the first or the
// last frame, they read that place's seam; elsewhere the data.
Mixer::SincSource Mixer::sincSource(const MixChannel& c, int64_t position, bool backward, bool loopActive) const
{
    const SampleLayout& sample = c.sample;
    const int64_t frame = position >> 16;
    const int64_t start = sample.loops[c.activeLoop].start;
    const int64_t end = sample.loops[c.activeLoop].end;
    const int64_t length = sample.length;
    // The seam serves frames low .. high - 1 around its anchor.
    const auto seam = [&](SeamPlace place, int64_t anchor, int64_t low, int64_t high) {
        return SincSource{sample.seams->frames[static_cast<size_t>(place)].data(), anchor - 2 * seamReach,
                          fixedFrames(backward ? low : high)};
    };
    const auto loopPlace = [&](SeamPlace loop1Place) {
        return static_cast<SeamPlace>(static_cast<size_t>(loop1Place) + 2 * c.activeLoop);
    };
    if (loopActive && frame >= end - seamReach)
        return seam(loopPlace(SeamPlace::loop1End), end, end - seamReach, end);
    if (loopActive && (c.wrapped || backward) && frame < start + seamReach)
        return seam(loopPlace(SeamPlace::loop1Start), start, start, start + seamReach);
    if (frame < seamReach)
        return seam(SeamPlace::head, 0, 0, seamReach);
    if (frame >= length - seamReach)
        return seam(SeamPlace::tail, length, length - seamReach, length);
    const int64_t low = loopActive ? start + seamReach : seamReach;
    const int64_t high = (loopActive ? end : length) - seamReach;
    return {sample.data, 0, fixedFrames(backward ? low : high)};
}

void Mixer::handleEvent(MixChannel& c, int64_t position, bool inLoop, bool backward)
{
    const SampleLoop& loop = c.sample.loops[c.activeLoop];
    const int64_t start = fixedFrames(loop.start);
    const int64_t end = fixedFrames(loop.end);
    const ChannelState ended = c.state == ChannelState::fading ? ChannelState::none : ChannelState::stopped;
    if (backward) {
        // Reflect about the loop start: frame start - 1 - k becomes start + k,
        // the fraction complemented.
        position = std::min(2 * start - 1 - position, end - 1);
        c.direction = 1;
        c.wrapped = true;
    } else if (isAmigaMode(c.sample.loopMode) && c.samplePending) {
        // An Amiga-style channel takes a newly set sample only here.
        takePendingSample(c);
        const SampleLoop& next = c.sample.loops[0];
        if (c.sample.loopMode != LoopMode::amigaLooped || next.type == LoopType::none || !c.sample.data) {
            c.state = ended;
            return;
        }
        position = fixedFrames(next.start);
        c.direction = 1;
    } else if (!inLoop) {
        c.state = ended;
        return;
    } else if (c.state == ChannelState::released && c.activeLoop == 0 && hasSecondLoop(c.sample.loopMode)) {
        c.activeLoop = 1;
        c.wrapped = false;
        return;
    } else if (loop.type == LoopType::forward) {
        position -= end - start;
        if (position >= end)
            position = start;
        c.wrapped = true;
    } else {
        position = std::max(2 * end - 1 - position, start);
        c.direction = -1;
        c.wrapped = true;
    }
    c.position = static_cast<uint32_t>(position >> 16);
    c.fraction = static_cast<uint32_t>(position & 0xFFFF);
}

void Mixer::restoreChannels(const std::vector<MixChannel>& records)
{
    std::vector<bool> muted(channelCount_);
    for (uint32_t i = 0; i < channelCount_; ++i)
        muted[i] = channels_[i].muted;
    channels_ = records;
    for (uint32_t i = 0; i < channelCount_; ++i) {
        channels_[i].muted = muted[i];
        if (!muted[i])
            continue;
        channels_[i].currentVolume = channels_[i].targetVolume = {};
        channels_[i].ramping = false;
        if (format_.interpolating && channels_[i + channelCount_].state == ChannelState::fading)
            channels_[i + channelCount_].state = ChannelState::none;
    }
    restartOutput();
}

void Mixer::restartOutput() { postProcessing_.build(resolveFilterMode(settings_.filterMode, format_.interpolating)); }

// A filtered channel's history is its sound's: it is mixed into the mix
// buffer, unheard, so that what follows sounds as after a mix.
void Mixer::moveOnUnheard(MixChannel& channel, uint32_t frames)
{
    if (!channel.filtered) {
        mixChannel(channel, frames, nullptr);
        return;
    }
    void* buffer = format_.floatMixing ? static_cast<void*>(floatMix_.data()) : static_cast<void*>(integerMix_.data());
    for (uint32_t done = 0; done < frames;) {
        const uint32_t chunk = std::min(frames - done, mixBufferFrames_);
        mixChannel(channel, chunk, buffer);
        done += chunk;
    }
}

ErrorCode Mixer::mix(uint32_t frames, void* destination)
{
    if (!open_)
        return ErrorCode::invalidArguments;
    framesMixed_ += frames;
    if (!destination) {
        if (!paused_)
            for (MixChannel& channel : channels_)
                moveOnUnheard(channel, frames);
        return ErrorCode::ok;
    }
    const uint32_t outputChannels = format_.stereo ? 2 : 1;
    auto* out = static_cast<uint8_t*>(destination);
    while (frames > 0) {
        const uint32_t chunk = std::min(frames, mixBufferFrames_);
        const uint32_t values = chunk * outputChannels;
        void* buffer = format_.floatMixing ? static_cast<void*>(floatMix_.data()) : static_cast<void*>(integerMix_.data());
        std::memset(buffer, 0, values * 4);
        if (!paused_)
            for (MixChannel& channel : channels_)
                mixChannel(channel, chunk, buffer);
        if (format_.floatMixing) {
            postProcessing_.run(floatMix_.data(), chunk, format_.stereo);
            convertToOutput(floatMix_.data(), values, format_.output8Bit, out);
        } else {
            postProcessing_.run(integerMix_.data(), chunk, format_.stereo);
            convertToOutput(integerMix_.data(), values, format_.output8Bit, out);
        }
        out += values * (format_.output8Bit ? 1 : 2);
        frames -= chunk;
    }
    return ErrorCode::ok;
}

}  // namespace corvid
