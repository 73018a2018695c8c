#include "sound/loaders/xm_loader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "sound/loaders/loader_support.h"

namespace corvid {

namespace {

constexpr uint32_t headerBytes = 336;       // up to the end of the order table
constexpr uint32_t headerSizeBase = 276;    // header size counted from offset 60
constexpr uint32_t patternHeaderBytes = 9;
constexpr uint32_t instrumentHeaderBytes = 29;
constexpr uint32_t instrumentExtraBytes = 214;
constexpr uint32_t sampleHeaderBytes = 40;
constexpr uint32_t maximumSongLength = 256;
constexpr uint32_t maximumRows = 256;
constexpr uint32_t xmEnvelopePoints = 12;
constexpr uint32_t largestSampleLength = 0x7FFFFFEF;
constexpr char xmId[] = "Extended Module: ";

// XM effect number -> command; none = dropped. Exy, Fxx, Kxx and Xxy are decided apart.
constexpr std::array<Command, 36> effectCommands = {
    Command::arpeggio, Command::portaUp, Command::portaDown, Command::tonePorta,                     // 0..3
    Command::vibrato, Command::tonePortaVolumeSlide, Command::vibratoVolumeSlide, Command::tremolo,  // 4..7
    Command::setPanning, Command::sampleOffset, Command::volumeSlide, Command::positionJump,        // 8..B
    Command::setVolume, Command::patternBreak, Command::none, Command::none,                        // C..F
    Command::globalVolume, Command::globalVolumeSlide, Command::none, Command::none,                // G..J
    Command::none, Command::none, Command::none, Command::none,                                    // K..N
    Command::none, Command::panningSlide, Command::none, Command::multiRetrigger,                  // O..R
    Command::none, Command::none, Command::none, Command::none,                                    // S..V
    Command::sync, Command::none, Command::none, Command::none,                                    // W..Z
};

constexpr uint8_t effectExtended = 14, effectSpeedOrTempo = 15, effectKeyOff = 20, effectExtraFinePorta = 33;

// Turns one XM channel slot (mask-and-fields, already read) into the player's entry.
PackedEntry convertEntry(const std::array<uint8_t, 5>& fields, uint8_t mask, std::array<uint8_t, 256>& instrumentUsed,
                         int32_t& largestInstrument)
{
    PackedEntry entry;
    if (mask & 1) {
        const uint8_t v = fields[0];
        entry.note = v == 0 ? noteNone : v <= 96 ? static_cast<uint8_t>((v - 1) / 12 << 4 | (v - 1) % 12) : noteKeyOff;
        entry.flags |= entryNoteAndInstrument;
    }
    if ((mask & 2) && fields[1] != 0) {
        entry.instrument = static_cast<uint8_t>(fields[1] - 1);
        instrumentUsed[entry.instrument] = 1;
        largestInstrument = std::max<int32_t>(largestInstrument, entry.instrument);
        entry.flags |= entryNoteAndInstrument;
    }
    if ((mask & 4) && fields[2] != 0) {
        const uint8_t v = fields[2];
        entry.volume = (v >= 16 && v <= 80) ? static_cast<uint8_t>(v - 16) : v;
        entry.flags |= entryVolume;
    }
    const uint8_t effect = (mask & 8) ? fields[3] : 0;
    const uint8_t argument = (mask & 16) ? fields[4] : 0;
    if (effect != 0 || argument != 0) {
        Command command = effect < effectCommands.size() ? effectCommands[effect] : Command::none;
        uint8_t commandArgument = argument;
        if (effect == effectExtended) {
            command = extendedCommands[argument >> 4];
            commandArgument = argument & 15;
        } else if (effect == effectSpeedOrTempo) {
            command = argument < 32 ? Command::setSpeed : Command::setTempo;
        } else if (effect == effectKeyOff) {
            entry.note = noteKeyOff;
            entry.flags |= entryNoteAndInstrument;
            command = Command::none;
        } else if (effect == effectExtraFinePorta) {
            command = (argument >> 4) == 1 ? Command::extraFinePortaUp
                      : (argument >> 4) == 2 ? Command::extraFinePortaDown
                                             : Command::none;
            commandArgument = argument & 15;
        }
        if (command != Command::none) {
            entry.command = command;
            entry.argument = commandArgument;
            entry.flags |= entryCommand;
        }
    }
    return entry;
}

// Converts packed XM rows into the player's form. An empty `packed` gives
// empty rows.
ErrorCode convertPattern(std::span<const uint8_t> packed, uint32_t rowCount, uint32_t channelCount,
                         std::array<uint8_t, 256>& instrumentUsed, int32_t& largestInstrument, Pattern& pattern)
{
    if (rowCount < 1 || rowCount > maximumRows)
        return ErrorCode::invalidModule;
    pattern.rowCount = rowCount;
    pattern.rows.clear();
    if (packed.empty()) {
        pattern.rows.assign(rowCount, 0);
        return ErrorCode::ok;
    }
    pattern.rows.reserve(rowCount * (channelCount * 6 + 1));
    // A slot cut short by the end of the data is bad pattern data.
    ByteReader reader(packed);
    for (uint32_t row = 0; row < rowCount; ++row) {
        for (uint32_t channel = 0; channel < channelCount; ++channel) {
            std::array<uint8_t, 5> fields{};
            const uint8_t first = reader.u8();
            uint8_t mask = 0x1F;
            size_t field = 0;
            if (first & 0x80) {
                mask = first & 0x1F;
            } else {
                fields[0] = first;
                field = 1;
            }
            for (; field < fields.size(); ++field)
                if (mask >> field & 1)
                    fields[field] = reader.u8();
            writePackedEntry(convertEntry(fields, mask, instrumentUsed, largestInstrument), channel, pattern.rows);
        }
        pattern.rows.push_back(0);
    }
    return reader.truncated() ? ErrorCode::invalidPatternData : ErrorCode::ok;
}

Envelope buildEnvelope(ByteReader points, uint8_t pointCount, uint8_t sustain, uint8_t loopStart, uint8_t loopEnd,
                       uint8_t type)
{
    Envelope envelope;
    // Points beyond the twelve the file holds, and point indices past the
    // points, would reach outside the envelope: such an index means none.
    envelope.pointCount = static_cast<uint8_t>(std::min<uint32_t>(pointCount, xmEnvelopePoints));
    const auto inside = [&](uint8_t index) { return index < envelope.pointCount; };
    envelope.sustainPoint = (type & 2) && inside(sustain) ? sustain : noPoint;
    if ((type & 4) && loopStart != loopEnd && inside(loopStart) && inside(loopEnd)) {
        envelope.loopStart = loopStart;
        envelope.loopEnd = loopEnd;
    }
    for (uint32_t i = 0; i < xmEnvelopePoints; ++i) {
        const uint16_t x = points.u16le();
        envelope.points[i] = {x, points.u16le()};
    }
    return envelope;
}

// Undoes the delta coding in place: 16-bit data becomes signed values, 8-bit
// data unsigned bytes (128 = silence).
void decodeDeltas(std::span<uint8_t> data, SampleDataType type)
{
    if (type == SampleDataType::pcm16) {
        uint16_t sum = 0;
        for (size_t i = 0; i + 1 < data.size(); i += 2) {
            sum = static_cast<uint16_t>(sum + (data[i] | data[i + 1] << 8));
            data[i] = static_cast<uint8_t>(sum);
            data[i + 1] = static_cast<uint8_t>(sum >> 8);
        }
    } else {
        uint8_t sum = 0;
        for (uint8_t& byte : data) {
            sum = static_cast<uint8_t>(sum + byte);
            byte = sum ^ 0x80;
        }
    }
}

SampleDescription describeSample(const Sample& sample)
{
    SampleDescription description;
    description.type = sample.type == SampleDataType::pcm16 ? SampleType::pcm16Mono : SampleType::pcm8Mono;
    description.loopMode = sample.looping ? LoopMode::loop : LoopMode::none;
    if (sample.looping)
        description.loop1 = {sample.loopStart, sample.loopEnd, static_cast<LoopType>(sample.loopType)};
    return description;
}

class XmLoader {
public:
    XmLoader(ByteReader& file, const SampleTarget& target) : file_(file), target_(target) {}

    ErrorCode load(Module& module)
    {
        if (ErrorCode e = readHeader(module); e != ErrorCode::ok)
            return e;
        if (ErrorCode e = readPatterns(module); e != ErrorCode::ok)
            return e;
        if (ErrorCode e = readInstruments(module); e != ErrorCode::ok)
            return e;
        return loadSampleData(module);
    }

private:
    ErrorCode readHeader(Module& module)
    {
        ByteReader header = file_.section(0, headerBytes);
        if (ErrorCode e = endOfSection(header); e != ErrorCode::ok)
            return e;
        const std::span<const uint8_t> all = header.bytes(headerBytes);
        if (std::memcmp(all.data(), xmId, 17) != 0 || header.u16leAt(58) < 0x104)
            return ErrorCode::invalidModule;
        const uint32_t headerSize = header.u32leAt(60);
        const uint32_t songLength = header.u16leAt(64);
        const uint32_t channelCount = header.u16leAt(68);
        // The order table holds 256 entries and an entry names 32 channels at most.
        if (headerSize < headerSizeBase || songLength == 0 || songLength > maximumSongLength ||
            channelCount > maximumModuleChannels)
            return ErrorCode::invalidModule;
        file_.seek(60 + static_cast<uint64_t>(headerSize));
        if (ErrorCode e = endOfSection(file_); e != ErrorCode::ok)
            return e;

        module.name = header.textAt(17, 20);
        module.tracker = header.textAt(38, 20);
        module.type = ModuleType::xm;
        const uint32_t restart = header.u16leAt(66);
        module.restartPosition = restart < songLength ? restart : 0;
        module.channelCount = static_cast<uint8_t>(channelCount);
        module.masterVolume = 64;
        module.initialSpeed = all[76];
        module.initialTempo = all[78];
        // A tempo of 0 would give the device no tick rate to count.
        if (module.initialTempo == 0)
            return ErrorCode::invalidModule;
        module.channelPanning.fill(128);
        module.flags = (header.u16leAt(74) & 1) ? moduleLinearFrequencies : 0;
        filePatternCount_ = header.u16leAt(70);
        fileInstrumentCount_ = header.u16leAt(72);
        const auto orders = all.subspan(80, songLength);
        module.orders.assign(orders.begin(), orders.end());
        patternCount_ = std::max<uint32_t>(filePatternCount_, 1u + *std::max_element(orders.begin(), orders.end()));
        return ErrorCode::ok;
    }

    ErrorCode readPatterns(Module& module)
    {
        const uint32_t channels = module.channelCount;
        const uint32_t largestPacked = channels * 1280 + 9;
        module.patterns.resize(patternCount_);
        for (uint32_t index = 0; index < patternCount_; ++index) {
            uint32_t rowCount = 64;
            std::span<const uint8_t> packed;
            if (index < filePatternCount_) {
                const uint64_t start = file_.position();
                const uint32_t headerLength = file_.u32le();
                file_.skip(1);
                rowCount = file_.u16le();
                const uint32_t packedSize = file_.u16le();
                if (ErrorCode e = endOfSection(file_); e != ErrorCode::ok)
                    return e;
                if (headerLength < patternHeaderBytes)
                    return ErrorCode::invalidModule;
                if (packedSize > largestPacked)
                    return ErrorCode::invalidPatternData;
                file_.seek(start + headerLength);
                packed = file_.bytes(packedSize);
                if (ErrorCode e = endOfSection(file_); e != ErrorCode::ok)
                    return e;
            }
            if (ErrorCode e = convertPattern(packed, rowCount, channels, instrumentUsed_, largestInstrument_,
                                             module.patterns[index]);
                e != ErrorCode::ok)
                return e;
        }
        return ErrorCode::ok;
    }

    ErrorCode readInstruments(Module& module)
    {
        const uint32_t count = std::max<uint32_t>(fileInstrumentCount_, static_cast<uint32_t>(largestInstrument_ + 1));
        module.instruments.resize(count);
        for (uint32_t index = 0; index < count; ++index)
            if (ErrorCode e = readInstrument(index, module.instruments[index]); e != ErrorCode::ok)
                return e;
        return ErrorCode::ok;
    }

    ErrorCode readInstrument(uint32_t index, Instrument& instrument)
    {
        const bool used = index < instrumentUsed_.size() && instrumentUsed_[index];
        if (index >= fileInstrumentCount_) {
            instrument.name = placeholderInstrumentName;
            instrument.used = used ? 1 : 0;
            instrument.samples.resize(used ? 1 : 0);
            return ErrorCode::ok;
        }
        const uint64_t start = file_.position();
        ByteReader header = file_.section(start, instrumentHeaderBytes);
        const uint32_t fileSampleCount = header.u16leAt(27);
        const uint32_t headerRead = fileSampleCount != 0 ? instrumentHeaderBytes + instrumentExtraBytes : instrumentHeaderBytes;
        header = file_.section(start, headerRead);
        if (ErrorCode e = endOfSection(header); e != ErrorCode::ok)
            return e;
        instrument.name = header.textAt(4, 22);
        // 1 + the largest entry of the note-to-sample map.
        uint32_t usedSamples = 0;
        const std::span<const uint8_t> all = header.bytes(headerRead);
        const auto map = all.subspan(instrumentHeaderBytes + 4).first(fileSampleCount != 0 ? notesPerInstrument : 0);
        if (!map.empty())
            usedSamples = 1u + *std::max_element(map.begin(), map.end());
        const uint32_t sampleCount = used ? std::max(usedSamples, 1u) : 0;
        instrument.used = used ? 1 : 0;
        instrument.samples.resize(sampleCount);

        // Offsets inside the 214 bytes that follow the first 29.
        constexpr uint32_t extra = instrumentHeaderBytes;
        const uint32_t sampleHeaderSize = fileSampleCount != 0 ? header.u32leAt(extra) : 0;
        if (fileSampleCount != 0) {
            if (usedSamples > 1)
                instrument.noteToSample.emplace();
            if (instrument.noteToSample)
                std::copy(map.begin(), map.end(), instrument.noteToSample->begin());
            const uint8_t volumeType = all[extra + 204], panningType = all[extra + 205];
            if (volumeType & 1)
                instrument.volumeEnvelope = buildEnvelope(header.section(extra + 100, 48), all[extra + 196],
                                                          all[extra + 198], all[extra + 199], all[extra + 200], volumeType);
            if (panningType & 1)
                instrument.panningEnvelope = buildEnvelope(header.section(extra + 148, 48), all[extra + 197],
                                                           all[extra + 201], all[extra + 202], all[extra + 203], panningType);
            instrument.vibratoType = all[extra + 206];
            instrument.vibratoSweep = all[extra + 207];
            instrument.vibratoDepth = all[extra + 208];
            instrument.vibratoRate = all[extra + 209];
            instrument.fadeout = header.u16leAt(extra + 210);
        }

        const uint32_t headerSize = header.u32leAt(0);
        if (headerSize < headerRead || (fileSampleCount != 0 && sampleHeaderSize < sampleHeaderBytes))
            return ErrorCode::invalidInstrument;
        const uint64_t headersStart = start + headerSize;
        uint64_t dataOffset = headersStart + static_cast<uint64_t>(fileSampleCount) * sampleHeaderSize;
        // The instrument's header and its sample headers, whole, come before any data.
        if (dataOffset > file_.size())
            return ErrorCode::unexpectedEndOfFile;
        for (uint32_t s = 0; s < fileSampleCount; ++s) {
            ByteReader sh = file_.section(headersStart + s * static_cast<uint64_t>(sampleHeaderSize), sampleHeaderBytes);
            if (ErrorCode e = endOfSection(sh); e != ErrorCode::ok)
                return e;
            const uint32_t length = sh.u32leAt(0);
            if (length > largestSampleLength)
                return ErrorCode::invalidInstrument;
            if (s < sampleCount) {
                // Only the data of samples that are loaded must be there: a
                // file may end inside samples nobody plays.
                if (dataOffset + length > file_.size())
                    return ErrorCode::unexpectedEndOfFile;
                Sample& sample = instrument.samples[s];
                sample.name = sh.textAt(18, 22);
                sample.length = length;
                sample.loopStart = sh.u32leAt(4);
                sample.loopEnd = sample.loopStart + sh.u32leAt(8);
                sample.volume = sh.u8At(12);
                sample.finetune = static_cast<int8_t>(sh.u8At(13));
                const uint8_t type = sh.u8At(14);
                sample.type = (type & 0x10) ? SampleDataType::pcm16 : SampleDataType::pcm8;
                sample.loopType = type & 3;
                sample.looping = (sample.loopType == 1 || sample.loopType == 2) ? 1 : 0;
                if (!sample.looping)
                    sample.loopType = 0;
                sample.panning = sh.u8At(15);
                sample.relativeNote = static_cast<int8_t>(sh.u8At(16));
                sample.dataOffset = static_cast<uint32_t>(dataOffset);
                if (sample.loopEnd == sample.loopStart)
                    sample.looping = 0;
            }
            dataOffset += length;
        }
        if (used && fileSampleCount == 0)
            instrument.samples[0].type = SampleDataType::none;
        // Past the end only when the file stops inside unloaded samples; a
        // further instrument header then fails to read.
        file_.seek(std::min<uint64_t>(dataOffset, file_.size()));
        return ErrorCode::ok;
    }

    ErrorCode loadSampleData(Module& module)
    {
        for (Instrument& instrument : module.instruments) {
            for (Sample& sample : instrument.samples) {
                if (sample.length == 0)
                    sample.type = SampleDataType::none;
                if (sample.type == SampleDataType::none)
                    continue;
                ByteReader stored = file_.section(sample.dataOffset, sample.length);
                if (ErrorCode e = endOfSection(stored); e != ErrorCode::ok)
                    return e;
                const std::span<const uint8_t> bytes = stored.bytes(sample.length);
                std::vector<uint8_t> data(bytes.begin(), bytes.end());
                decodeDeltas(data, sample.type);
                if (ErrorCode e = handOverSample(sample, data, describeSample(sample), target_); e != ErrorCode::ok)
                    return e;
            }
        }
        return ErrorCode::ok;
    }

    ByteReader& file_;
    SampleTarget target_;
    uint32_t filePatternCount_ = 0;
    uint32_t fileInstrumentCount_ = 0;
    uint32_t patternCount_ = 0;
    std::array<uint8_t, 256> instrumentUsed_{};
    int32_t largestInstrument_ = -1;
};

}  // namespace

ErrorCode loadXM(const char* fileName, bool addToDevice, SampleCallback sampleCallback, const SoundDevice* device,
                 std::unique_ptr<Module>& module)
{
    const SampleTarget target{addToDevice, sampleCallback, device};
    return loadModuleFrom(fileName, target, module, [&](ByteReader& f, Module& m) { return XmLoader(f, target).load(m); });
}

ErrorCode loadXM(std::span<const uint8_t> fileBytes, bool addToDevice, SampleCallback sampleCallback,
                 const SoundDevice* device, std::unique_ptr<Module>& module)
{
    const SampleTarget target{addToDevice, sampleCallback, device};
    return loadModuleFrom(fileBytes, target, module, [&](ByteReader& f, Module& m) { return XmLoader(f, target).load(m); });
}

void freeModule(std::unique_ptr<Module>& module, const SoundDevice* device)
{
    if (!module)
        return;
    if (device && device->operations.removeSample)
        for (Instrument& instrument : module->instruments)
            for (Sample& sample : instrument.samples)
                if (sample.deviceHandle != 0)
                    device->operations.removeSample(device->context, sample.deviceHandle);
    module.reset();
}

}  // namespace corvid
