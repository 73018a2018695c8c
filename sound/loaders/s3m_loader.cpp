#include "sound/loaders/s3m_loader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "sound/loaders/loader_support.h"

namespace corvid {

namespace {

constexpr uint32_t headerBytes = 0x60;
constexpr uint32_t instrumentBytes = 0x50;
constexpr uint32_t rowsPerPattern = 64;
constexpr uint32_t channelSlots = 32;
constexpr uint32_t maximumOrders = 256;
constexpr uint32_t maximumPatterns = 256;
constexpr uint32_t largestSampleLength = 0x7FFFFFEF;
constexpr uint16_t flagAmigaLimits = 16;
constexpr uint8_t defaultPanningFollows = 252;
constexpr uint8_t noteCutByte = 254;
constexpr uint32_t middleCRate = 8363;


}  // namespace

void tuneForMiddleC(uint32_t rate, Sample& sample)
{
    // 1/128 semitone steps away from 8363 Hz; a rate of 0 plays at 8363 Hz.
    const double steps = rate == 0 ? 0 : std::round(1536.0 * std::log2(static_cast<double>(rate) / middleCRate));
    const auto units = static_cast<int32_t>(std::clamp(steps, -200.0 * 128, 200.0 * 128));
    sample.relativeNote = units >= 0 ? units / 128 : -((-units + 127) / 128);
    sample.finetune = units - sample.relativeNote * 128;
}

namespace {

class S3mLoader {
public:
    explicit S3mLoader(const SampleTarget& target) : target_(target) {}

    ErrorCode load(ByteReader& file, Module& module)
    {
        if (ErrorCode e = readHeader(file, module); e != ErrorCode::ok)
            return e;
        if (ErrorCode e = readPatterns(file, module); e != ErrorCode::ok)
            return e;
        return readInstruments(file, module);
    }

private:
    ErrorCode readHeader(ByteReader& file, Module& module)
    {
        ByteReader h = file.section(0, headerBytes);
        if (ErrorCode e = endOfSection(h); e != ErrorCode::ok)
            return e;
        const std::span<const uint8_t> all = h.bytes(headerBytes);
        if (std::memcmp(&all[0x2C], "SCRM", 4) != 0)
            return ErrorCode::invalidModule;
        const uint32_t orderCount = h.u16leAt(0x20);
        instrumentCount_ = h.u16leAt(0x22);
        filePatternCount_ = h.u16leAt(0x24);
        // An order byte names at most pattern 253 and a note's instrument 255.
        if (orderCount == 0 || orderCount > maximumOrders || instrumentCount_ > 255 || filePatternCount_ > maximumPatterns)
            return ErrorCode::invalidModule;
        signedSamples_ = h.u16leAt(0x2A) == 1;

        // PCM channels are settings 0..15 (0..7 left, 8..15 right); 16 and up
        // are AdLib or unused.
        const auto settings = all.subspan<0x40, channelSlots>();
        std::copy(settings.begin(), settings.end(), channelSettings_.begin());
        uint32_t channels = 0;
        for (uint32_t c = 0; c < channelSlots; ++c)
            if (channelSettings_[c] < 16)
                channels = c + 1;
        if (channels == 0)
            return ErrorCode::invalidModule;

        file.seek(headerBytes);
        const std::span<const uint8_t> orders = file.bytes(orderCount);
        for (uint32_t i = 0; i < instrumentCount_; ++i)
            instrumentOffsets_.push_back(file.u16le() * 16u);
        for (uint32_t i = 0; i < filePatternCount_; ++i)
            patternOffsets_.push_back(file.u16le() * 16u);
        std::array<uint8_t, channelSlots> storedPanning{};
        const bool panningStored = all[0x35] == defaultPanningFollows;
        if (panningStored) {
            const auto panning = file.bytes(channelSlots);
            std::copy(panning.begin(), panning.end(), storedPanning.begin());
        }
        if (ErrorCode e = endOfSection(file); e != ErrorCode::ok)
            return e;

        module.name = h.textAt(0, 28);
        module.tracker = trackerOfVersion(h.u16leAt(0x28));
        module.type = ModuleType::s3m;
        module.channelCount = static_cast<uint8_t>(channels);
        module.masterVolume = std::min<uint8_t>(all[0x30], 64);
        module.initialSpeed = (all[0x31] == 0 || all[0x31] == 255) ? 6 : all[0x31];
        // The format ignores tempos below 33; the device needs one to count ticks.
        module.initialTempo = all[0x32] < 33 ? 125 : all[0x32];
        module.flags = moduleChannelPanningOnly | moduleNarrowPanning | moduleTempoTimesItsRow |
                       moduleStatusHoldsDelayedRow | ((h.u16leAt(0x26) & flagAmigaLimits) ? moduleS3mAmigaLimits : 0);
        const bool stereo = all[0x33] & 0x80;
        module.channelPanning.fill(64);
        for (uint32_t c = 0; c < channels; ++c) {
            if (!stereo)
                continue;
            if (panningStored && (storedPanning[c] & 0x20))
                module.channelPanning[c] = ((storedPanning[c] & 15) * 128 + 7) / 15;
            else
                module.separationSide[c] = channelSettings_[c] < 8 ? -1 : 1;
        }
        module.applyStereoSeparation(defaultStereoSeparation);

        // The list ends at its first end marker; skip markers stay and are stepped over.
        uint32_t largestPattern = 0;
        if (ErrorCode e = convertOrderList(orders, module, largestPattern); e != ErrorCode::ok)
            return e;
        patternCount_ = std::max(filePatternCount_, largestPattern + 1);
        return ErrorCode::ok;
    }

    ErrorCode readPatterns(ByteReader& file, Module& module)
    {
        module.patterns.resize(patternCount_);
        for (uint32_t index = 0; index < patternCount_; ++index) {
            Pattern& pattern = module.patterns[index];
            pattern.rowCount = rowsPerPattern;
            std::span<const uint8_t> packed;
            const uint32_t offset = index < filePatternCount_ ? patternOffsets_[index] : 0;
            if (offset != 0) {
                file.seek(offset);
                packed = file.bytes(std::max<uint32_t>(file.u16le(), 2) - 2);
                if (ErrorCode e = endOfSection(file); e != ErrorCode::ok)
                    return e;
            }
            if (ErrorCode e = convertPattern(packed, module.channelCount, pattern.rows); e != ErrorCode::ok)
                return e;
        }
        return ErrorCode::ok;
    }

    // Rows the data does not reach are empty; an entry cut short is bad data.
    ErrorCode convertPattern(std::span<const uint8_t> packed, uint32_t channels, std::vector<uint8_t>& out)
    {
        size_t at = 0;
        for (uint32_t row = 0; row < rowsPerPattern; ++row) {
            while (at < packed.size()) {
                const uint8_t what = packed[at++];
                if (what == 0)
                    break;
                const size_t fields = ((what & 0x20) ? 2 : 0) + ((what & 0x40) ? 1 : 0) + ((what & 0x80) ? 2 : 0);
                if (at + fields > packed.size())
                    return ErrorCode::invalidPatternData;
                const std::span<const uint8_t> f = packed.subspan(at, fields);
                at += fields;
                const uint32_t channel = what & 31;
                if (channel >= channels || channelSettings_[channel] >= 16)
                    continue;
                writeEntry(what, f, channel, out);
            }
            out.push_back(0);
        }
        return ErrorCode::ok;
    }

    void writeEntry(uint8_t what, std::span<const uint8_t> fields, uint32_t channel, std::vector<uint8_t>& out)
    {
        PackedEntry entry;
        ByteReader f(fields);
        if (what & 0x20) {
            const uint8_t n = f.u8(), i = f.u8();
            if (n == noteCutByte)
                entry.note = noteCut;
            else if (n != 255 && (n & 15) < 12)
                entry.note = n;
            if (i != 0) {
                entry.instrument = static_cast<uint8_t>(i - 1);
                used_[entry.instrument] = true;
                largestInstrument_ = std::max<int32_t>(largestInstrument_, entry.instrument);
            }
            if (entry.note != noteNone || entry.instrument != instrumentNone)
                entry.flags |= entryNoteAndInstrument;
        }
        if (what & 0x40) {
            entry.volume = std::min<uint8_t>(f.u8(), 64);
            entry.flags |= entryVolume;
        }
        if (what & 0x80) {
            const uint8_t effect = f.u8();
            entry.argument = f.u8();
            entry.command = convertEffect(effect, entry.argument);
            if (entry.command != Command::none)
                entry.flags |= entryCommand;
        }
        writePackedEntry(entry, channel, out);
    }

    // Turns effect letter `effect` (1 = A) into a command; may rewrite the
    // argument. none = dropped.
    static Command convertEffect(uint8_t effect, uint8_t& argument)
    {
        switch (effect) {
        case letterSpeed: return argument != 0 ? Command::setSpeed : Command::none;  // A00 does nothing
        case letterTempo: return argument >= 33 ? Command::setTempo : Command::none;
        case letterBreak: return Command::patternBreak;
        case letterGlobalVolume: return Command::globalVolume;
        case letterGlobalVolumeSlide: return Command::none;
        case letterSpecial: return specialCommand(argument);
        default: return effect < letterCommands.size() ? letterCommands[effect] : Command::none;
        }
    }

    ErrorCode readInstruments(ByteReader& file, Module& module)
    {
        const uint32_t count = std::max<uint32_t>(instrumentCount_, static_cast<uint32_t>(largestInstrument_ + 1));
        module.instruments.resize(count);
        const std::array<uint8_t, instrumentBytes> blank{};
        for (uint32_t i = 0; i < count; ++i) {
            Instrument& instrument = module.instruments[i];
            // An instrument the file lacks reads as a blank header.
            ByteReader h(blank);
            if (i < instrumentCount_ && instrumentOffsets_[i] != 0) {
                h = file.section(instrumentOffsets_[i], instrumentBytes);
                if (ErrorCode e = endOfSection(h); e != ErrorCode::ok)
                    return e;
            }
            instrument.name = h.textAt(0x30, 22);
            if (!used_[i])
                continue;
            instrument.used = 1;
            instrument.samples.resize(1);
            if (ErrorCode e = readSample(file, h, instrument.samples[0]); e != ErrorCode::ok)
                return e;
        }
        return ErrorCode::ok;
    }

    ErrorCode readSample(ByteReader& file, ByteReader& h, Sample& sample)
    {
        sample.name = h.textAt(0x30, 22);
        sample.volume = std::min<uint8_t>(h.u8At(0x1C), 64);
        tuneForMiddleC(h.u32leAt(0x20), sample);
        const uint8_t flags = h.u8At(0x1F);
        const bool sixteenBit = flags & 4, stereo = flags & 2;
        const uint32_t frames = h.u32leAt(0x10);
        // Only type 1 (a sample) with unpacked data has sound.
        if (h.u8At(0) != 1 || h.u8At(0x1E) != 0 || frames == 0)
            return ErrorCode::ok;
        const uint32_t frameBytes = sixteenBit ? 2 : 1;
        if (frames > largestSampleLength / frameBytes / (stereo ? 2 : 1))
            return ErrorCode::invalidInstrument;
        const uint64_t offset = ((static_cast<uint64_t>(h.u8At(0x0D)) << 16) | h.u16leAt(0x0E)) * 16;
        sample.type = sixteenBit ? SampleDataType::pcm16 : SampleDataType::pcm8;
        sample.length = frames * frameBytes;
        sample.dataOffset = static_cast<uint32_t>(std::min<uint64_t>(offset, UINT32_MAX));
        const uint32_t loopStart = std::min(h.u32leAt(0x14), frames), loopEnd = std::min(h.u32leAt(0x18), frames);
        const bool loops = (flags & 1) && loopStart < loopEnd;
        sample.looping = loops ? 1 : 0;
        sample.loopType = loops ? 1 : 0;
        sample.loopStart = loops ? loopStart * frameBytes : 0;
        sample.loopEnd = loops ? loopEnd * frameBytes : 0;

        // Checked before the buffer is made: a length from a damaged header
        // must not become a huge allocation.
        ByteReader stored = file.section(offset, sample.length);
        if (ErrorCode e = endOfSection(stored); e != ErrorCode::ok)
            return e;
        // A stereo sample keeps its left half, which is stored first.
        const std::span<const uint8_t> bytes = stored.bytes(sample.length);
        std::vector<uint8_t> data(bytes.begin(), bytes.end());
        toDeviceSampleFormat(data, sixteenBit, signedSamples_);
        SampleDescription description;
        description.type = sixteenBit ? SampleType::pcm16Mono : SampleType::pcm8Mono;
        description.loopMode = loops ? LoopMode::loop : LoopMode::none;
        if (loops)
            description.loop1 = {sample.loopStart, sample.loopEnd, LoopType::forward};
        return handOverSample(sample, data, description, target_);
    }

    SampleTarget target_;
    uint32_t instrumentCount_ = 0;
    uint32_t filePatternCount_ = 0;
    uint32_t patternCount_ = 0;
    bool signedSamples_ = false;
    std::array<uint8_t, channelSlots> channelSettings_{};
    std::vector<uint32_t> instrumentOffsets_;
    std::vector<uint32_t> patternOffsets_;
    std::array<bool, 256> used_{};
    int32_t largestInstrument_ = -1;
};

}  // namespace

ErrorCode loadS3M(const char* fileName, bool addToDevice, SampleCallback sampleCallback, const SoundDevice* device,
                  std::unique_ptr<Module>& module)
{
    const SampleTarget target{addToDevice, sampleCallback, device};
    return loadModuleFrom(fileName, target, module, [&](ByteReader& f, Module& m) { return S3mLoader(target).load(f, m); });
}

ErrorCode loadS3M(std::span<const uint8_t> fileBytes, bool addToDevice, SampleCallback sampleCallback,
                  const SoundDevice* device, std::unique_ptr<Module>& module)
{
    const SampleTarget target{addToDevice, sampleCallback, device};
    return loadModuleFrom(fileBytes, target, module, [&](ByteReader& f, Module& m) { return S3mLoader(target).load(f, m); });
}

}  // namespace corvid
