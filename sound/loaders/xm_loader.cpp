#include "sound/loaders/xm_loader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "sound/loaders/file_access.h"

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

uint16_t u16At(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t u32At(const uint8_t* p) { return u16At(p) | static_cast<uint32_t>(u16At(p + 2)) << 16; }

std::string textAt(const uint8_t* p, size_t length)
{
    const auto* text = reinterpret_cast<const char*>(p);
    return std::string(text, strnlen(text, length));
}

// XM effect number -> command; 0 = dropped. Exy, Fxx, Kxx and Xxy are decided apart.
constexpr std::array<uint8_t, 36> effectCommands = {
    1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0, 0,   // 0..F
    27, 28, 0, 0, 0, 0, 0, 0, 0, 33, 0, 29, 0, 0, 0, 0,   // G..V
    30, 0, 0, 0,                                         // W..Z
};
// High nibble of Exy -> command; 0 = dropped.
constexpr std::array<uint8_t, 16> extendedCommands = {0, 17, 18, 0, 0, 0, 19, 0, 20, 21, 22, 23, 24, 25, 26, 0};

constexpr uint8_t effectExtended = 14, effectSpeedOrTempo = 15, effectKeyOff = 20, effectExtraFinePorta = 33;

// Reads packed XM pattern data; a read past its declared size fails.
struct PackedReader {
    std::span<const uint8_t> data;
    size_t position = 0;
    bool next(uint8_t& value)
    {
        if (position >= data.size())
            return false;
        value = data[position++];
        return true;
    }
};

struct ConvertedEntry {
    uint8_t flags = 0;
    uint8_t note = noteNone;
    uint8_t instrument = instrumentNone;
    uint8_t volume = 0;
    uint8_t command = 0;
    uint8_t argument = 0;
};

// Turns one XM channel slot (mask-and-fields, already read) into the player's entry.
ConvertedEntry convertEntry(const std::array<uint8_t, 5>& fields, uint8_t mask, std::array<uint8_t, 256>& instrumentUsed,
                            int32_t& largestInstrument)
{
    ConvertedEntry entry;
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
        uint8_t command = effect < effectCommands.size() ? effectCommands[effect] : 0;
        uint8_t commandArgument = argument;
        if (effect == effectExtended) {
            command = extendedCommands[argument >> 4];
            commandArgument = argument & 15;
        } else if (effect == effectSpeedOrTempo) {
            command = argument < 32 ? 15 : 16;
        } else if (effect == effectKeyOff) {
            entry.note = noteKeyOff;
            entry.flags |= entryNoteAndInstrument;
            command = 0;
        } else if (effect == effectExtraFinePorta) {
            command = (argument >= 16 && argument <= 31) ? 31 : (argument >= 32 && argument <= 47) ? 32 : 0;
            commandArgument = argument & 15;
        }
        if (command != 0) {
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
    PackedReader reader{packed};
    for (uint32_t row = 0; row < rowCount; ++row) {
        for (uint32_t channel = 0; channel < channelCount; ++channel) {
            std::array<uint8_t, 5> fields{};
            uint8_t first = 0;
            if (!reader.next(first))
                return ErrorCode::invalidPatternData;
            uint8_t mask = 0x1F;
            size_t field = 0;
            if (first & 0x80) {
                mask = first & 0x1F;
            } else {
                fields[0] = first;
                field = 1;
            }
            for (; field < fields.size(); ++field)
                if ((mask >> field & 1) && !reader.next(fields[field]))
                    return ErrorCode::invalidPatternData;
            const ConvertedEntry entry = convertEntry(fields, mask, instrumentUsed, largestInstrument);
            if (entry.flags == 0)
                continue;
            pattern.rows.push_back(static_cast<uint8_t>(entry.flags | channel));
            if (entry.flags & entryNoteAndInstrument) {
                pattern.rows.push_back(entry.note);
                pattern.rows.push_back(entry.instrument);
            }
            if (entry.flags & entryVolume)
                pattern.rows.push_back(entry.volume);
            if (entry.flags & entryCommand) {
                pattern.rows.push_back(entry.command);
                pattern.rows.push_back(entry.argument);
            }
        }
        pattern.rows.push_back(0);
    }
    return ErrorCode::ok;
}

Envelope buildEnvelope(const uint8_t* points, uint8_t pointCount, uint8_t sustain, uint8_t loopStart, uint8_t loopEnd,
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
    for (uint32_t i = 0; i < xmEnvelopePoints; ++i)
        envelope.points[i] = {u16At(points + i * 4), u16At(points + i * 4 + 2)};
    return envelope;
}

// Undoes the delta coding in place: 16-bit data becomes signed values, 8-bit
// data unsigned bytes (128 = silence).
void decodeDeltas(std::span<uint8_t> data, SampleDataType type)
{
    if (type == SampleDataType::pcm16) {
        uint16_t sum = 0;
        for (size_t i = 0; i + 1 < data.size(); i += 2) {
            sum = static_cast<uint16_t>(sum + u16At(&data[i]));
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

SampleDescription describeSample(const Sample& sample, const uint8_t* data)
{
    SampleDescription description;
    description.data = data;
    description.dataPresent = 1;
    description.type = sample.type == SampleDataType::pcm16 ? SampleType::pcm16Mono : SampleType::pcm8Mono;
    description.length = sample.length;
    description.loopMode = sample.looping ? LoopMode::loop : LoopMode::none;
    if (sample.looping)
        description.loop1 = {sample.loopStart, sample.loopEnd, static_cast<LoopType>(sample.loopType)};
    return description;
}

class XmLoader {
public:
    XmLoader(ModuleFile& file, bool addToDevice, SampleCallback callback, const SoundDevice* device)
        : file_(file), addToDevice_(addToDevice), callback_(callback), device_(device)
    {
    }

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
    ErrorCode skip(int64_t count) { return file_.seek(count, static_cast<int32_t>(SeekOrigin::fromCurrent)); }

    ErrorCode readHeader(Module& module)
    {
        std::array<uint8_t, headerBytes> header{};
        if (ErrorCode e = file_.read(header.data(), headerBytes); e != ErrorCode::ok)
            return e;
        if (std::memcmp(header.data(), xmId, 17) != 0 || u16At(&header[58]) < 0x104)
            return ErrorCode::invalidModule;
        const uint32_t headerSize = u32At(&header[60]);
        const uint32_t songLength = u16At(&header[64]);
        const uint32_t channelCount = u16At(&header[68]);
        // The order table holds 256 entries and an entry names 32 channels at most.
        if (headerSize < headerSizeBase || songLength == 0 || songLength > maximumSongLength ||
            channelCount > maximumModuleChannels)
            return ErrorCode::invalidModule;
        if (ErrorCode e = skip(static_cast<int64_t>(headerSize) - headerSizeBase); e != ErrorCode::ok)
            return e;

        module.name = textAt(&header[17], 20);
        module.tracker = textAt(&header[38], 20);
        module.type = ModuleType::xm;
        const uint32_t restart = u16At(&header[66]);
        module.restartPosition = restart < songLength ? restart : 0;
        module.channelCount = static_cast<uint8_t>(channelCount);
        module.masterVolume = 64;
        module.initialSpeed = header[76];
        module.initialTempo = header[78];
        // A tempo of 0 would give the device no tick rate to count.
        if (module.initialTempo == 0)
            return ErrorCode::invalidModule;
        module.channelPanning.fill(128);
        module.flags = (u16At(&header[74]) & 1) ? moduleLinearFrequencies : 0;
        filePatternCount_ = u16At(&header[70]);
        fileInstrumentCount_ = u16At(&header[72]);
        uint32_t largestPattern = 0;
        module.orders.resize(songLength);
        for (uint32_t i = 0; i < songLength; ++i) {
            module.orders[i] = header[80 + i];
            largestPattern = std::max<uint32_t>(largestPattern, header[80 + i]);
        }
        patternCount_ = std::max(filePatternCount_, largestPattern + 1);
        return ErrorCode::ok;
    }

    ErrorCode readPatterns(Module& module)
    {
        const uint32_t channels = module.channelCount;
        std::vector<uint8_t> raw(channels * 1280 + 9);
        module.patterns.resize(patternCount_);
        for (uint32_t index = 0; index < patternCount_; ++index) {
            uint32_t rowCount = 64;
            uint32_t packedSize = 0;
            if (index < filePatternCount_) {
                std::array<uint8_t, patternHeaderBytes> header{};
                if (ErrorCode e = file_.read(header.data(), patternHeaderBytes); e != ErrorCode::ok)
                    return e;
                const uint32_t headerLength = u32At(&header[0]);
                rowCount = u16At(&header[5]);
                packedSize = u16At(&header[7]);
                if (headerLength < patternHeaderBytes)
                    return ErrorCode::invalidModule;
                if (packedSize > raw.size())
                    return ErrorCode::invalidPatternData;
                if (ErrorCode e = skip(headerLength - patternHeaderBytes); e != ErrorCode::ok)
                    return e;
                if (ErrorCode e = file_.read(raw.data(), packedSize); e != ErrorCode::ok)
                    return e;
            }
            if (ErrorCode e = convertPattern(std::span(raw.data(), packedSize), rowCount, channels, instrumentUsed_,
                                             largestInstrument_, module.patterns[index]);
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
        std::array<uint8_t, instrumentHeaderBytes + instrumentExtraBytes> header{};
        uint32_t fileSampleCount = 0;
        uint32_t usedSamples = 0;  // 1 + the largest entry of the note-to-sample map
        const bool inFile = index < fileInstrumentCount_;
        if (inFile) {
            if (ErrorCode e = file_.read(header.data(), instrumentHeaderBytes); e != ErrorCode::ok)
                return e;
            fileSampleCount = u16At(&header[27]);
            if (fileSampleCount != 0) {
                if (ErrorCode e = file_.read(&header[instrumentHeaderBytes], instrumentExtraBytes); e != ErrorCode::ok)
                    return e;
                usedSamples = 1u + *std::max_element(&header[33], &header[33 + notesPerInstrument]);
            }
            instrument.name = textAt(&header[4], 22);
        } else {
            instrument.name = placeholderInstrumentName;
        }
        const bool used = index < instrumentUsed_.size() && instrumentUsed_[index];
        const uint32_t sampleCount = used ? std::max(usedSamples, 1u) : 0;
        instrument.used = used ? 1 : 0;
        instrument.samples.resize(sampleCount);
        if (!inFile)
            return ErrorCode::ok;

        const uint8_t* extra = &header[instrumentHeaderBytes];
        const uint32_t sampleHeaderSize = fileSampleCount != 0 ? u32At(extra) : 0;
        if (fileSampleCount != 0) {
            if (usedSamples > 1) {
                instrument.noteToSample.emplace();
                std::copy_n(extra + 4, notesPerInstrument, instrument.noteToSample->begin());
            }
            // Offsets inside the 214 bytes that follow the first 29.
            const uint8_t volumeType = extra[204], panningType = extra[205];
            if (volumeType & 1)
                instrument.volumeEnvelope = buildEnvelope(extra + 100, extra[196], extra[198], extra[199], extra[200], volumeType);
            if (panningType & 1)
                instrument.panningEnvelope =
                    buildEnvelope(extra + 148, extra[197], extra[201], extra[202], extra[203], panningType);
            instrument.vibratoType = extra[206];
            instrument.vibratoSweep = extra[207];
            instrument.vibratoDepth = extra[208];
            instrument.vibratoRate = extra[209];
            instrument.fadeout = u16At(extra + 210);
        }

        const uint32_t headerSize = u32At(&header[0]);
        const uint32_t headerRead = fileSampleCount != 0 ? instrumentHeaderBytes + instrumentExtraBytes : instrumentHeaderBytes;
        if (headerSize < headerRead || (fileSampleCount != 0 && sampleHeaderSize < sampleHeaderBytes))
            return ErrorCode::invalidInstrument;
        if (ErrorCode e = skip(static_cast<int64_t>(headerSize) - headerRead); e != ErrorCode::ok)
            return e;
        uint32_t headersStart = 0;
        if (ErrorCode e = file_.tell(headersStart); e != ErrorCode::ok)
            return e;

        uint64_t dataOffset = headersStart + static_cast<uint64_t>(fileSampleCount) * sampleHeaderSize;
        for (uint32_t s = 0; s < fileSampleCount; ++s) {
            std::array<uint8_t, sampleHeaderBytes> sh{};
            if (ErrorCode e = file_.read(sh.data(), sampleHeaderBytes); e != ErrorCode::ok)
                return e;
            if (ErrorCode e = skip(sampleHeaderSize - sampleHeaderBytes); e != ErrorCode::ok)
                return e;
            const uint32_t length = u32At(&sh[0]);
            if (length > largestSampleLength)
                return ErrorCode::invalidInstrument;
            if (s < sampleCount) {
                // Only the data of samples that are loaded must be there: a
                // file may end inside samples nobody plays.
                if (dataOffset + length > file_.size())
                    return ErrorCode::unexpectedEndOfFile;
                Sample& sample = instrument.samples[s];
                sample.name = textAt(&sh[18], 22);
                sample.length = length;
                sample.loopStart = u32At(&sh[4]);
                sample.loopEnd = sample.loopStart + u32At(&sh[8]);
                sample.volume = sh[12];
                sample.finetune = static_cast<int8_t>(sh[13]);
                const uint8_t type = sh[14];
                sample.type = (type & 0x10) ? SampleDataType::pcm16 : SampleDataType::pcm8;
                sample.loopType = type & 3;
                sample.looping = (sample.loopType == 1 || sample.loopType == 2) ? 1 : 0;
                if (!sample.looping)
                    sample.loopType = 0;
                sample.panning = sh[15];
                sample.relativeNote = static_cast<int8_t>(sh[16]);
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
        const uint64_t end = std::min<uint64_t>(dataOffset, file_.size());
        return file_.seek(static_cast<int64_t>(end), static_cast<int32_t>(SeekOrigin::fromStart));
    }

    ErrorCode loadSampleData(Module& module)
    {
        std::vector<uint8_t> buffer;
        for (Instrument& instrument : module.instruments) {
            for (Sample& sample : instrument.samples) {
                if (sample.length == 0)
                    sample.type = SampleDataType::none;
                if (sample.type == SampleDataType::none)
                    continue;
                buffer.resize(sample.length);
                if (ErrorCode e = file_.seek(sample.dataOffset, static_cast<int32_t>(SeekOrigin::fromStart)); e != ErrorCode::ok)
                    return e;
                if (ErrorCode e = file_.read(buffer.data(), sample.length); e != ErrorCode::ok)
                    return e;
                decodeDeltas(buffer, sample.type);
                if (!addToDevice_) {
                    sample.data = buffer;
                    continue;
                }
                if (!device_ || !device_->operations.addSample)
                    return ErrorCode::invalidDevice;
                const SampleDescription description = describeSample(sample, buffer.data());
                if (ErrorCode e =
                        device_->operations.addSample(device_->context, description, true, sample.deviceHandle);
                    e != ErrorCode::ok)
                    return e;
                if (callback_)
                    callback_(sample);
            }
        }
        return ErrorCode::ok;
    }

    ModuleFile& file_;
    bool addToDevice_;
    SampleCallback callback_;
    const SoundDevice* device_;
    uint32_t filePatternCount_ = 0;
    uint32_t fileInstrumentCount_ = 0;
    uint32_t patternCount_ = 0;
    std::array<uint8_t, 256> instrumentUsed_{};
    int32_t largestInstrument_ = -1;
};

ErrorCode loadFromFile(ModuleFile& file, bool addToDevice, SampleCallback callback, const SoundDevice* device,
                       std::unique_ptr<Module>& result)
{
    auto module = std::make_unique<Module>();
    const ErrorCode error = XmLoader(file, addToDevice, callback, device).load(*module);
    file.close();
    if (error != ErrorCode::ok) {
        freeModule(module, device);
        return error;
    }
    result = std::move(module);
    return ErrorCode::ok;
}

}  // namespace

ErrorCode loadXM(const char* fileName, bool addToDevice, SampleCallback sampleCallback, const SoundDevice* device,
                 std::unique_ptr<Module>& module)
{
    ModuleFile file;
    if (ErrorCode e = file.open(fileName); e != ErrorCode::ok)
        return e;
    return loadFromFile(file, addToDevice, sampleCallback, device, module);
}

ErrorCode loadXM(std::span<const uint8_t> fileBytes, bool addToDevice, SampleCallback sampleCallback,
                 const SoundDevice* device, std::unique_ptr<Module>& module)
{
    ModuleFile file;
    if (ErrorCode e = file.openBytes(fileBytes); e != ErrorCode::ok)
        return e;
    return loadFromFile(file, addToDevice, sampleCallback, device, module);
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
