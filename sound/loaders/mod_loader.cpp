#include "sound/loaders/mod_loader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "sound/loaders/loader_support.h"
#include "sound/loaders/note_periods.h"

namespace corvid {

namespace {

constexpr uint32_t headerBytes = 1084;
constexpr uint32_t sampleHeaders = 31;
constexpr uint32_t sampleHeaderBytes = 30;
constexpr uint32_t orderTableBytes = 128;
constexpr uint32_t rowsPerPattern = 64;
constexpr uint32_t largestSampleLength = 0x7FFFFFF0;
constexpr uint8_t restartUnused = 127;

// MOD effect 0..13 -> command; 8 is decided apart.
constexpr std::array<Command, 14> effectCommands = {
    Command::arpeggio,   Command::portaUp,           Command::portaDown,    Command::tonePorta,
    Command::vibrato,    Command::tonePortaVolumeSlide, Command::vibratoVolumeSlide, Command::tremolo,
    Command::none,       Command::sampleOffset,      Command::volumeSlide,  Command::positionJump,
    Command::setVolume,  Command::patternBreak,
};
constexpr uint8_t effectPanning = 8, effectExtended = 14, effectSpeedOrTempo = 15;
constexpr uint8_t surroundPanningArgument = 164;

bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// Channel count from the signature at 1080; each later match overrides an
// earlier one. 0 = no signature.
uint32_t channelsOfSignature(std::span<const uint8_t, 4> s)
{
    uint32_t channels = 0;
    if (!std::memcmp(s.data(), "M.K.", 4) || !std::memcmp(s.data(), "M!K!", 4) || !std::memcmp(s.data(), "FLT4", 4))
        channels = 4;
    if (!std::memcmp(s.data(), "OCTA", 4))
        channels = 8;
    if (!std::memcmp(s.data() + 1, "CHN", 3))
        channels = static_cast<uint32_t>(s[0] - '0');
    if (!std::memcmp(s.data() + 2, "CH", 2))
        channels = 10 * static_cast<uint32_t>(s[0] - '0') + static_cast<uint32_t>(s[1] - '0');
    if (!std::memcmp(s.data(), "TDZ", 3))
        channels = static_cast<uint32_t>(s[3] - '0');
    // Non-digits in a digit place give counts no entry can name.
    const bool digits = (std::memcmp(s.data() + 1, "CHN", 3) || isDigit(s[0])) &&
                        (std::memcmp(s.data() + 2, "CH", 2) || (isDigit(s[0]) && isDigit(s[1]))) &&
                        (std::memcmp(s.data(), "TDZ", 3) || isDigit(s[3]));
    return digits ? channels : 0;
}

// Note index of a period: 0 at or above 1712, else the first entry the period
// reaches. -1 when it is below the table.
int32_t noteOfPeriod(int32_t period)
{
    if (period >= amigaNotePeriods[0])
        return 0;
    for (int32_t g = 1; g < static_cast<int32_t>(amigaNotePeriods.size()); ++g)
        if (period >= amigaNotePeriods[static_cast<size_t>(g)])
            return g;
    return -1;
}

struct SampleHeader {
    std::string name;
    uint32_t length = 0;     // bytes
    uint8_t finetune = 0;
    uint8_t volume = 0;
    uint32_t loopStart = 0;  // bytes
    uint32_t loopLength = 0; // bytes
};

class ModLoader {
public:
    explicit ModLoader(const SampleTarget& target) : target_(target) {}

    ErrorCode load(ByteReader& file, Module& module)
    {
        ByteReader header = file.section(0, headerBytes);
        if (ErrorCode e = endOfSection(header); e != ErrorCode::ok)
            return e;
        if (ErrorCode e = readHeader(header, module); e != ErrorCode::ok)
            return e;
        file.seek(headerBytes);
        if (ErrorCode e = readPatterns(file, module); e != ErrorCode::ok)
            return e;
        return readSamples(file, module);
    }

private:
    ErrorCode readHeader(ByteReader& header, Module& module)
    {
        const std::span<const uint8_t> all = header.bytes(headerBytes);
        const uint32_t channels = channelsOfSignature(all.subspan<1080, 4>());
        // The packed entry names 32 channels at most; 0 is no signature at all.
        if (channels == 0 || channels > maximumModuleChannels)
            return ErrorCode::invalidModule;
        const uint32_t songLength = all[950];
        // The order table has 128 entries and a song needs one.
        if (songLength == 0 || songLength > orderTableBytes)
            return ErrorCode::invalidModule;

        module.name = header.textAt(0, 20);
        module.type = ModuleType::mod;
        module.channelCount = static_cast<uint8_t>(channels);
        module.masterVolume = 64;
        module.initialSpeed = 6;
        module.initialTempo = 125;
        const uint8_t restart = all[951];
        module.restartPosition = (restart == restartUnused || restart >= songLength) ? 0 : restart;
        // Channels 0 and 3 of each group of four lean left, 1 and 2 right.
        module.channelPanning.fill(64);
        for (uint32_t c = 0; c < channels; ++c)
            module.separationSide[c] = (c % 4 == 0 || c % 4 == 3) ? -1 : 1;
        module.applyStereoSeparation(defaultStereoSeparation);
        const auto orderTable = all.subspan<952, orderTableBytes>();
        module.orders.assign(orderTable.begin(), orderTable.begin() + songLength);
        patternCount_ = 1u + *std::max_element(orderTable.begin(), orderTable.end());
        module.flags = moduleChannelPanningOnly | moduleNarrowPanning | moduleStatusHoldsDelayedRow;

        uint32_t largest = 0;
        for (uint32_t i = 0; i < sampleHeaders; ++i) {
            ByteReader h = header.section(20 + i * sampleHeaderBytes, sampleHeaderBytes);
            SampleHeader& s = samples_[i];
            s.name = h.textAt(0, 22);
            h.seek(22);
            s.length = h.u16be() * 2u;
            s.finetune = h.u8();
            s.volume = h.u8();
            s.loopStart = h.u16be() * 2u;
            s.loopLength = h.u16be() * 2u;
            largest = std::max(largest, s.length);
        }
        if (largest >= largestSampleLength)
            return ErrorCode::invalidInstrument;
        return ErrorCode::ok;
    }

    ErrorCode readPatterns(ByteReader& file, Module& module)
    {
        const uint32_t channels = module.channelCount;
        module.patterns.resize(patternCount_);
        for (Pattern& pattern : module.patterns) {
            const std::span<const uint8_t> raw = file.bytes(channels * rowsPerPattern * 4);
            if (ErrorCode e = endOfSection(file); e != ErrorCode::ok)
                return e;
            pattern.rowCount = rowsPerPattern;
            pattern.rows.reserve(rowsPerPattern * (channels * 5 + 1));
            for (uint32_t row = 0; row < rowsPerPattern; ++row) {
                for (uint32_t channel = 0; channel < channels; ++channel)
                    if (ErrorCode e = convertCell(raw.subspan((row * channels + channel) * 4).first<4>(), channel, module, pattern.rows);
                        e != ErrorCode::ok)
                        return e;
                pattern.rows.push_back(0);
            }
        }
        return ErrorCode::ok;
    }

    ErrorCode convertCell(std::span<const uint8_t, 4> b, uint32_t channel, Module& module, std::vector<uint8_t>& out)
    {
        const int32_t period = (b[0] & 0x0F) << 8 | b[1];
        const uint32_t instrument = (b[0] & 0xF0) | (b[2] >> 4);
        const uint8_t effect = b[2] & 0x0F, argument = b[3];
        PackedEntry entry;
        entry.argument = argument;
        if (period != 0) {
            const int32_t g = noteOfPeriod(period);
            if (g < 0)
                return ErrorCode::invalidPatternData;
            entry.note = static_cast<uint8_t>(g % 12 | (g / 12) << 4);
            const int32_t octave = g / 12;
            if (octave == 0 || octave >= 4)
                module.flags |= moduleExtendedOctaves;
            entry.flags |= entryNoteAndInstrument;
        }
        if (instrument != 0) {
            if (instrument > sampleHeaders)
                return ErrorCode::invalidPatternData;
            used_[instrument - 1] = true;
            entry.instrument = static_cast<uint8_t>(instrument - 1);
            entry.flags |= entryNoteAndInstrument;
        }
        if (effect != 0 || argument != 0) {
            if (effect == effectPanning)
                entry.command = (argument < 129 || argument == surroundPanningArgument) ? Command::setPanning : Command::none;
            else if (effect == effectExtended) {
                entry.command = extendedCommands[argument >> 4];
                entry.argument = argument & 15;
            } else if (effect == effectSpeedOrTempo)
                entry.command = argument < 33 ? Command::setSpeed : Command::setTempo;
            else
                entry.command = effectCommands[effect];
            if (entry.command != Command::none)
                entry.flags |= entryCommand;
        }
        writePackedEntry(entry, channel, out);
        return ErrorCode::ok;
    }

    ErrorCode readSamples(ByteReader& file, Module& module)
    {
        module.instruments.resize(sampleHeaders);
        uint64_t dataStart = file.position();
        for (uint32_t i = 0; i < sampleHeaders; ++i) {
            const SampleHeader& h = samples_[i];
            Instrument& instrument = module.instruments[i];
            instrument.name = h.name;
            const uint64_t start = dataStart;
            dataStart += h.length;
            if (!used_[i])
                continue;
            instrument.used = 1;
            instrument.samples.resize(1);
            Sample& sample = instrument.samples[0];
            sample.name = h.name;
            sample.volume = std::min<uint32_t>(h.volume, 64);
            sample.finetune = h.finetune & 15;
            sample.relativeNote = 0;
            sample.panning = 0;
            sample.loopStart = h.loopStart;
            sample.loopEnd = h.loopStart + h.loopLength;
            const bool loops = sample.loopEnd >= 3 && sample.loopEnd != sample.loopStart;
            // A loop reaching past the stored data would play the next sample's
            // bytes: the loop ends with the data instead.
            sample.length = loops ? std::min(h.length, sample.loopEnd) : h.length;
            sample.loopEnd = std::min(sample.loopEnd, sample.length);
            const bool loopInside = loops && sample.loopStart < sample.loopEnd;
            sample.looping = static_cast<uint8_t>(loopInside ? LoopMode::amigaLooped : LoopMode::amiga);
            sample.loopType = loopInside ? 1 : 0;
            if (!loopInside)
                sample.loopStart = sample.loopEnd = 0;
            sample.type = sample.length != 0 ? SampleDataType::pcm8 : SampleDataType::none;
            sample.dataOffset = static_cast<uint32_t>(std::min<uint64_t>(start, UINT32_MAX));
            if (sample.type == SampleDataType::none)
                continue;
            ByteReader stored = file.section(start, sample.length);
            if (ErrorCode e = endOfSection(stored); e != ErrorCode::ok)
                return e;
            std::vector<uint8_t> data(stored.size());
            const auto signedBytes = stored.bytes(sample.length);
            std::transform(signedBytes.begin(), signedBytes.end(), data.begin(),
                           [](uint8_t byte) { return static_cast<uint8_t>(byte + 128); });
            SampleDescription description;
            description.type = SampleType::pcm8Mono;
            description.loopMode = static_cast<LoopMode>(sample.looping);
            if (loopInside)
                description.loop1 = {sample.loopStart, sample.loopEnd, LoopType::forward};
            if (ErrorCode e = handOverSample(sample, data, description, target_); e != ErrorCode::ok)
                return e;
        }
        return ErrorCode::ok;
    }

    SampleTarget target_;
    std::array<SampleHeader, sampleHeaders> samples_{};
    std::array<bool, sampleHeaders> used_{};
    uint32_t patternCount_ = 0;
};

}  // namespace

ErrorCode loadMOD(const char* fileName, bool addToDevice, SampleCallback sampleCallback, const SoundDevice* device,
                  std::unique_ptr<Module>& module)
{
    const SampleTarget target{addToDevice, sampleCallback, device};
    return loadModuleFrom(fileName, target, module, [&](ByteReader& f, Module& m) { return ModLoader(target).load(f, m); });
}

ErrorCode loadMOD(std::span<const uint8_t> fileBytes, bool addToDevice, SampleCallback sampleCallback,
                  const SoundDevice* device, std::unique_ptr<Module>& module)
{
    const SampleTarget target{addToDevice, sampleCallback, device};
    return loadModuleFrom(fileBytes, target, module, [&](ByteReader& f, Module& m) { return ModLoader(target).load(f, m); });
}

}  // namespace corvid
