#include "sound/loaders/it_loader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>

#include "sound/loaders/it_sample_decompress.h"
#include "sound/loaders/loader_support.h"
#include "sound/loaders/s3m_loader.h"

namespace corvid {

namespace {

constexpr uint32_t headerBytes = 0xC0;
constexpr uint32_t instrumentBytes = 0x226;   // up to the end of the pitch envelope
constexpr uint32_t sampleHeaderBytes = 0x50;
constexpr uint32_t maximumOrders = 256;
constexpr uint32_t maximumPatterns = 256;
constexpr uint32_t maximumRows = 256;
constexpr uint32_t fileChannels = 64;
constexpr uint32_t largestSampleLength = 0x7FFFFFEF;
constexpr uint16_t flagUseInstruments = 4, flagLinearSlides = 8;
constexpr uint16_t flagMessageAttached = 1;  // in the special word
constexpr uint8_t sampleHasData = 1, sample16Bit = 2, sampleCompressed = 8, sampleLoop = 16,
                  sampleSustainLoop = 32, samplePingPong = 64, sampleSustainPingPong = 128;
constexpr uint8_t itNoteCut = 254, itLastNote = 119;
constexpr uint8_t channelDisabled = 128;
constexpr uint32_t itFadeoutScale = 32;       // 0..1024 per tick of 1024 -> 2 x f per tick of 65536

// Effect letters A..Z (1..26) -> internal command; 0 = dropped. A, C, S, T
// and V are decided apart.
constexpr std::array<uint8_t, 27> effectCommands = {
    0,
    0, 12, 0, extraCommands::volumeSlide, extraCommands::portaDown, extraCommands::portaUp, 4, 5, 0, 1, 7, 6, 0,
    0, 10, 0, 29, 8, 0, 0, extraCommands::fineVibrato, 0, 28, 9, 0, 0,
};
constexpr uint8_t effectSpeed = 1, effectBreak = 3, effectSpecial = 19, effectTempo = 20, effectGlobalVolume = 22;
// High nibble of Sxy -> command (as for S3M).
constexpr std::array<uint8_t, 16> specialCommands = {0, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 19, 24, 25, 26, 0};
// Volume-column portamento speeds 0..9 as Gxx arguments.
constexpr std::array<uint8_t, 10> volumePortaSpeeds = {0, 1, 4, 8, 16, 32, 64, 96, 128, 255};

uint8_t convertEffect(uint8_t effect, uint8_t& argument)
{
    switch (effect) {
    case effectSpeed: return argument != 0 ? 15 : 0;
    case effectTempo: return argument >= 0x20 ? 16 : extraCommands::tempoSlide;  // T0x down, T1x up
    case effectBreak:
        // The row is plain here; the player reads it as two decimal digits.
        argument = static_cast<uint8_t>(std::min<uint32_t>(argument, 99) / 10 << 4 | std::min<uint32_t>(argument, 99) % 10);
        return 14;
    case effectGlobalVolume: argument = static_cast<uint8_t>(std::min<uint32_t>(argument, 128) / 2); return 27;
    case effectSpecial: {
        const uint8_t command = specialCommands[argument >> 4];
        argument &= 15;
        return command;
    }
    default: return effect < effectCommands.size() ? effectCommands[effect] : 0;
    }
}

// The volume column as the player reads it: 0..64 set the volume, other bytes
// are the XM-style column effects. 0 = nothing kept.
uint8_t convertVolumeColumn(uint8_t v, bool& present)
{
    present = true;
    if (v <= 64)
        return v;
    if (v <= 74)
        return static_cast<uint8_t>(0x90 | (v - 65));  // fine volume up
    if (v <= 84)
        return static_cast<uint8_t>(0x80 | (v - 75));  // fine volume down
    if (v <= 94)
        return static_cast<uint8_t>(0x70 | (v - 85));  // volume slide up
    if (v <= 104)
        return static_cast<uint8_t>(0x60 | (v - 95));  // volume slide down
    if (v >= 128 && v <= 192)
        return static_cast<uint8_t>(0xC0 | std::min((v - 128) / 4, 15));  // panning 0..64
    if (v >= 193 && v <= 202)
        return static_cast<uint8_t>(0xF0 | std::min(volumePortaSpeeds[v - 193] / 16, 15));
    if (v >= 203 && v <= 212)
        return static_cast<uint8_t>(0xB0 | (v - 203));  // vibrato depth
    present = false;  // pitch slides and unused bytes
    return 0;
}

Envelope readEnvelope(const uint8_t* e, bool panning)
{
    Envelope envelope;
    const uint8_t flags = e[0];
    envelope.pointCount = std::min<uint8_t>(e[1], 25);
    const auto inside = [&](uint8_t index) { return index < envelope.pointCount; };
    if ((flags & 2) && e[2] <= e[3] && inside(e[2]) && inside(e[3]) && e[2] != e[3]) {
        envelope.loopStart = e[2];
        envelope.loopEnd = e[3];
    }
    // A sustain loop holds at its first point.
    if ((flags & 4) && inside(e[4]))
        envelope.sustainPoint = e[4];
    for (uint32_t i = 0; i < envelope.pointCount; ++i) {
        const int32_t y = static_cast<int8_t>(e[6 + i * 3]);
        envelope.points[i] = {u16le(e + 7 + i * 3), static_cast<uint16_t>(std::clamp(panning ? y + 32 : y, 0, 64))};
    }
    return envelope;
}

class ItLoader {
public:
    explicit ItLoader(const SampleTarget& target) : target_(target) {}

    ErrorCode load(ModuleFile& file, Module& module)
    {
        if (ErrorCode e = readHeader(file, module); e != ErrorCode::ok)
            return e;
        if (ErrorCode e = readPatterns(file, module); e != ErrorCode::ok)
            return e;
        return useInstruments_ ? readInstruments(file, module) : readSampleInstruments(file, module);
    }

private:
    ErrorCode readOffsets(ModuleFile& file, uint32_t count, std::vector<uint32_t>& offsets)
    {
        std::vector<uint8_t> raw(count * 4);
        if (ErrorCode e = file.read(raw.data(), static_cast<uint32_t>(raw.size())); e != ErrorCode::ok)
            return e;
        for (uint32_t i = 0; i < count; ++i)
            offsets.push_back(u32le(&raw[i * 4]));
        return ErrorCode::ok;
    }

    // The message's lines end in CR; a message the file cannot hold is left out.
    static std::string readMessage(ModuleFile& file, uint32_t offset, uint32_t length)
    {
        uint32_t resume = 0;
        file.tell(resume);
        std::string text(length, '\0');
        if (readAt(file, offset, text.data(), length) != ErrorCode::ok)
            text.clear();
        file.seek(resume, static_cast<int32_t>(SeekOrigin::fromStart));
        text.resize(std::min(text.find('\0'), text.size()));
        std::replace(text.begin(), text.end(), '\r', '\n');
        return text;
    }

    ErrorCode readHeader(ModuleFile& file, Module& module)
    {
        std::array<uint8_t, headerBytes> h{};
        if (ErrorCode e = file.read(h.data(), headerBytes); e != ErrorCode::ok)
            return e;
        if (std::memcmp(h.data(), "IMPM", 4) != 0)
            return ErrorCode::invalidModule;
        const uint32_t orderCount = u16le(&h[0x20]);
        const uint32_t instrumentCount = u16le(&h[0x22]);
        const uint32_t sampleCount = u16le(&h[0x24]);
        const uint32_t patternCount = u16le(&h[0x26]);
        // Pattern entries name instruments and samples with one byte.
        if (orderCount == 0 || orderCount > maximumOrders || instrumentCount > 255 || sampleCount > 255 ||
            patternCount > maximumPatterns)
            return ErrorCode::invalidModule;
        const uint16_t flags = u16le(&h[0x2C]);
        useInstruments_ = flags & flagUseInstruments;
        std::copy_n(&h[0x40], fileChannels, channelPanning_.begin());

        std::vector<uint8_t> orders(orderCount);
        if (ErrorCode e = file.read(orders.data(), orderCount); e != ErrorCode::ok)
            return e;
        if (ErrorCode e = readOffsets(file, instrumentCount, instrumentOffsets_); e != ErrorCode::ok)
            return e;
        if (ErrorCode e = readOffsets(file, sampleCount, sampleOffsets_); e != ErrorCode::ok)
            return e;
        if (ErrorCode e = readOffsets(file, patternCount, patternOffsets_); e != ErrorCode::ok)
            return e;

        module.name = fixedText(&h[4], 26);
        module.tracker = trackerOfVersion(u16le(&h[0x28]));
        if (u16le(&h[0x2E]) & flagMessageAttached)
            module.message = readMessage(file, u32le(&h[0x38]), u16le(&h[0x36]));
        module.type = ModuleType::it;
        module.masterVolume = static_cast<uint8_t>(std::min<uint32_t>(h[0x30], 128) / 2);
        module.initialSpeed = h[0x32] == 0 ? 6 : h[0x32];
        module.initialTempo = h[0x33] < 32 ? 125 : h[0x33];
        module.flags = moduleChannelPanningOnly | ((flags & flagLinearSlides) ? moduleLinearFrequencies : 0);
        // Panning 0..64 (100 surround, which plays centred here) on the 0..255 scale.
        for (uint32_t c = 0; c < maximumModuleChannels; ++c) {
            const uint8_t pan = channelPanning_[c] & 0x7F;
            module.channelPanning[c] = pan <= 64 ? std::min(pan * 4, 255) : 128;
        }
        uint32_t largestPattern = 0;
        if (ErrorCode e = convertOrderList(orders, module, largestPattern); e != ErrorCode::ok)
            return e;
        patternCount_ = std::max(patternCount, largestPattern + 1);
        return ErrorCode::ok;
    }

    ErrorCode readPatterns(ModuleFile& file, Module& module)
    {
        module.patterns.resize(patternCount_);
        uint32_t channels = 1;
        for (uint32_t index = 0; index < patternCount_; ++index) {
            Pattern& pattern = module.patterns[index];
            const uint32_t offset = index < patternOffsets_.size() ? patternOffsets_[index] : 0;
            if (offset == 0) {
                pattern.rowCount = 64;
                pattern.rows.assign(64, 0);
                continue;
            }
            std::array<uint8_t, 8> h{};
            if (ErrorCode e = readAt(file, offset, h.data(), 8); e != ErrorCode::ok)
                return e;
            pattern.rowCount = u16le(&h[2]);
            if (pattern.rowCount == 0 || pattern.rowCount > maximumRows)
                return ErrorCode::invalidModule;
            std::vector<uint8_t> packed(u16le(&h[0]));
            if (ErrorCode e = file.read(packed.data(), static_cast<uint32_t>(packed.size())); e != ErrorCode::ok)
                return e;
            if (ErrorCode e = convertPattern(packed, pattern, channels); e != ErrorCode::ok)
                return e;
        }
        module.channelCount = static_cast<uint8_t>(channels);
        return ErrorCode::ok;
    }

    struct ChannelMemory {
        uint8_t mask = 0, note = 0, instrument = 0, volume = 0, effect = 0, argument = 0;
    };

    ErrorCode convertPattern(std::span<const uint8_t> packed, Pattern& pattern, uint32_t& channels)
    {
        std::array<ChannelMemory, fileChannels> memory{};
        size_t at = 0;
        auto next = [&](uint8_t& value) {
            if (at >= packed.size())
                return false;
            value = packed[at++];
            return true;
        };
        for (uint32_t row = 0; row < pattern.rowCount; ++row) {
            uint8_t channelByte = 0;
            while (next(channelByte) && channelByte != 0) {
                const uint32_t channel = (channelByte - 1u) & 63;
                ChannelMemory& m = memory[channel];
                if ((channelByte & 0x80) && !next(m.mask))
                    return ErrorCode::invalidPatternData;
                if ((m.mask & 1) && !next(m.note))
                    return ErrorCode::invalidPatternData;
                if ((m.mask & 2) && !next(m.instrument))
                    return ErrorCode::invalidPatternData;
                if ((m.mask & 4) && !next(m.volume))
                    return ErrorCode::invalidPatternData;
                if ((m.mask & 8) && (!next(m.effect) || !next(m.argument)))
                    return ErrorCode::invalidPatternData;
                // An entry names 32 channels at most; disabled channels stay silent.
                if (channel >= maximumModuleChannels || (channelPanning_[channel] & channelDisabled))
                    continue;
                channels = std::max(channels, channel + 1);
                writeEntry(m, channel, pattern.rows);
            }
            pattern.rows.push_back(0);
        }
        return ErrorCode::ok;
    }

    void writeEntry(const ChannelMemory& m, uint32_t channel, std::vector<uint8_t>& out)
    {
        PackedEntry entry;
        if (m.mask & (1 | 16)) {
            entry.note = m.note <= itLastNote ? static_cast<uint8_t>((m.note / 12) << 4 | m.note % 12)
                         : m.note == itNoteCut ? noteCut
                                               : noteKeyOff;  // note off, and note fade
            entry.flags |= entryNoteAndInstrument;
        }
        if ((m.mask & (2 | 32)) && m.instrument != 0) {
            entry.instrument = static_cast<uint8_t>(m.instrument - 1);
            used_[entry.instrument] = true;
            largestInstrument_ = std::max<int32_t>(largestInstrument_, entry.instrument);
            entry.flags |= entryNoteAndInstrument;
        }
        if (m.mask & (4 | 64)) {
            bool present = false;
            entry.volume = convertVolumeColumn(m.volume, present);
            if (present)
                entry.flags |= entryVolume;
        }
        if (m.mask & (8 | 128)) {
            entry.argument = m.argument;
            entry.command = convertEffect(m.effect, entry.argument);
            if (entry.command != 0)
                entry.flags |= entryCommand;
        }
        writePackedEntry(entry, channel, out);
    }

    // Sample mode: instrument i plays sample i.
    ErrorCode readSampleInstruments(ModuleFile& file, Module& module)
    {
        const uint32_t count = std::max<uint32_t>(static_cast<uint32_t>(sampleOffsets_.size()),
                                                  static_cast<uint32_t>(largestInstrument_ + 1));
        module.instruments.resize(count);
        for (uint32_t i = 0; i < count; ++i) {
            Instrument& instrument = module.instruments[i];
            if (!used_[i])
                continue;
            instrument.used = 1;
            instrument.samples.resize(1);
            if (ErrorCode e = readSample(file, i, instrument.samples[0]); e != ErrorCode::ok)
                return e;
            instrument.name = instrument.samples[0].name;
        }
        return ErrorCode::ok;
    }

    ErrorCode readInstruments(ModuleFile& file, Module& module)
    {
        const uint32_t count = std::max<uint32_t>(static_cast<uint32_t>(instrumentOffsets_.size()),
                                                  static_cast<uint32_t>(largestInstrument_ + 1));
        module.instruments.resize(count);
        for (uint32_t i = 0; i < count; ++i) {
            Instrument& instrument = module.instruments[i];
            if (i >= instrumentOffsets_.size())
                continue;
            std::vector<uint8_t> h(instrumentBytes);
            if (ErrorCode e = readAt(file, instrumentOffsets_[i], h.data(), instrumentBytes); e != ErrorCode::ok)
                return e;
            instrument.name = fixedText(&h[0x20], 22);
            instrument.fadeout = u16le(&h[0x14]) * itFadeoutScale;
            if (h[0x130] & 1)
                instrument.volumeEnvelope = readEnvelope(&h[0x130], false);
            if (h[0x182] & 1)
                instrument.panningEnvelope = readEnvelope(&h[0x182], true);
            if (!used_[i])
                continue;
            instrument.used = 1;
            // The keyboard's samples (1-based), each kept once, in order of first use.
            std::map<uint8_t, uint8_t> indexOfSample;
            std::array<uint8_t, notesPerInstrument> map{};
            for (uint32_t note = 0; note < notesPerInstrument; ++note) {
                const uint8_t sample = h[0x40 + note * 2 + 1];
                if (sample == 0 || sample > sampleOffsets_.size()) {
                    map[note] = 255;  // no sample: the note does not play
                    continue;
                }
                const auto [entry, added] = indexOfSample.try_emplace(sample, static_cast<uint8_t>(indexOfSample.size()));
                map[note] = entry->second;
            }
            instrument.samples.resize(std::max<size_t>(indexOfSample.size(), 1));
            for (const auto& [sample, index] : indexOfSample)
                if (ErrorCode e = readSample(file, sample - 1u, instrument.samples[index]); e != ErrorCode::ok)
                    return e;
            if (indexOfSample.size() != 1 || std::count(map.begin(), map.end(), 255) != 0)
                instrument.noteToSample = map;
        }
        return ErrorCode::ok;
    }

    ErrorCode readSample(ModuleFile& file, uint32_t index, Sample& sample)
    {
        if (index >= sampleOffsets_.size())
            return ErrorCode::ok;
        std::array<uint8_t, sampleHeaderBytes> h{};
        if (ErrorCode e = readAt(file, sampleOffsets_[index], h.data(), sampleHeaderBytes); e != ErrorCode::ok)
            return e;
        sample.name = fixedText(&h[0x14], 22);
        sample.volume = std::min<uint8_t>(h[0x13], 64);
        tuneForMiddleC(u32le(&h[0x3C]), sample);
        sample.relativeNote -= 12;  // middle C is C-5 here, an octave above the player's
        const uint8_t flags = h[0x12];
        const uint32_t frames = u32le(&h[0x30]);
        if (!(flags & sampleHasData) || frames == 0)
            return ErrorCode::ok;
        const bool sixteenBit = flags & sample16Bit;
        const uint32_t frameBytes = sixteenBit ? 2 : 1;
        if (frames > largestSampleLength / 2 / frameBytes)
            return ErrorCode::invalidInstrument;
        sample.type = sixteenBit ? SampleDataType::pcm16 : SampleDataType::pcm8;
        sample.length = frames * frameBytes;
        // The loop, or else the sustain loop, which then goes on after release.
        const bool loop = flags & sampleLoop, sustain = flags & sampleSustainLoop;
        const uint32_t loopStart = std::min(u32le(&h[loop ? 0x34 : 0x40]), frames);
        const uint32_t loopEnd = std::min(u32le(&h[loop ? 0x38 : 0x44]), frames);
        const bool loops = (loop || sustain) && loopStart < loopEnd;
        const bool pingPong = loop ? (flags & samplePingPong) : (flags & sampleSustainPingPong);
        sample.looping = loops ? 1 : 0;
        sample.loopType = loops ? (pingPong ? 2 : 1) : 0;
        sample.loopStart = loops ? loopStart * frameBytes : 0;
        sample.loopEnd = loops ? loopEnd * frameBytes : 0;

        const uint32_t offset = u32le(&h[0x48]);
        sample.dataOffset = offset;
        if (offset > file.size())
            return ErrorCode::unexpectedEndOfFile;
        std::vector<uint8_t> data;
        if (flags & sampleCompressed) {
            std::vector<uint8_t> stored(file.size() - offset);
            if (ErrorCode e = readAt(file, offset, stored.data(), static_cast<uint32_t>(stored.size())); e != ErrorCode::ok)
                return e;
            const bool doubleDelta = h[0x2E] & 4;
            if (ErrorCode e = decompressItSample(stored, frames, sixteenBit, doubleDelta, data); e != ErrorCode::ok)
                return e;
        } else {
            // Checked before the buffer is made; a stereo sample keeps its left half, stored first.
            if (static_cast<uint64_t>(offset) + sample.length > file.size())
                return ErrorCode::unexpectedEndOfFile;
            data.resize(sample.length);
            if (ErrorCode e = readAt(file, offset, data.data(), sample.length); e != ErrorCode::ok)
                return e;
            toDeviceSampleFormat(data, sixteenBit, h[0x2E] & 1);
        }
        SampleDescription description;
        description.type = sixteenBit ? SampleType::pcm16Mono : SampleType::pcm8Mono;
        description.loopMode = loops ? LoopMode::loop : LoopMode::none;
        if (loops)
            description.loop1 = {sample.loopStart, sample.loopEnd, pingPong ? LoopType::pingPong : LoopType::forward};
        return handOverSample(sample, data, description, target_);
    }

    SampleTarget target_;
    bool useInstruments_ = false;
    uint32_t patternCount_ = 0;
    std::array<uint8_t, fileChannels> channelPanning_{};
    std::vector<uint32_t> instrumentOffsets_, sampleOffsets_, patternOffsets_;
    std::array<bool, 256> used_{};
    int32_t largestInstrument_ = -1;
};

}  // namespace

ErrorCode loadIT(const char* fileName, bool addToDevice, SampleCallback sampleCallback, const SoundDevice* device,
                 std::unique_ptr<Module>& module)
{
    const SampleTarget target{addToDevice, sampleCallback, device};
    return loadModuleFrom(fileName, target, module, [&](ModuleFile& f, Module& m) { return ItLoader(target).load(f, m); });
}

ErrorCode loadIT(std::span<const uint8_t> fileBytes, bool addToDevice, SampleCallback sampleCallback,
                 const SoundDevice* device, std::unique_ptr<Module>& module)
{
    const SampleTarget target{addToDevice, sampleCallback, device};
    return loadModuleFrom(fileBytes, target, module, [&](ModuleFile& f, Module& m) { return ItLoader(target).load(f, m); });
}

}  // namespace corvid
