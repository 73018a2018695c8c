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
constexpr uint32_t oldInstrumentBytes = 0x22A, oldEnvelopePointsAt = 0x1F8;  // before the 2.0 layout
constexpr uint16_t firstNewInstrumentVersion = 0x200;
constexpr uint32_t volumeEnvelopeAt = 0x130, panningEnvelopeAt = 0x182, pitchEnvelopeAt = 0x1D4,
                   envelopeBytes = 6 + 25 * 3;
constexpr uint8_t envelopeOn = 1, envelopeLoop = 2, envelopeSustainLoop = 4, envelopeCarry = 8, envelopeFilter = 0x80;
constexpr uint32_t sampleHeaderBytes = 0x50, vibratoAt = 0x4C;
constexpr uint32_t maximumOrders = 256;
constexpr uint32_t maximumPatterns = 256;
constexpr uint32_t maximumRows = 256;
constexpr uint32_t fileChannels = 64;
constexpr uint32_t largestSampleLength = 0x7FFFFFEF;
constexpr uint16_t flagUseInstruments = 4, flagLinearSlides = 8, flagOldEffects = 16, flagCompatibleGxx = 32;
constexpr uint16_t flagMessageAttached = 1, flagEditHistory = 2, flagMidiMacros = 8;  // in the special word
constexpr uint32_t editHistoryEntryBytes = 8, macroBytes = 32, globalMacroCount = 9;
constexpr uint32_t midiMacroBytes = (globalMacroCount + 16 + 128) * macroBytes;
constexpr uint8_t sampleHasData = 1, sample16Bit = 2, sampleCompressed = 8, sampleLoop = 16,
                  sampleSustainLoop = 32, samplePingPong = 64, sampleSustainPingPong = 128;
constexpr uint8_t itNoteOff = 255, itNoteCut = 254, itLastNote = 119;
constexpr uint8_t channelDisabled = 128, itSurroundPanning = 100;
constexpr uint32_t itFadeoutScale = 32;       // 0..1024 per tick of 1024 -> 2 x f per tick of 65536

constexpr uint8_t letterTremor = 9, letterChannelVolume = 13, letterChannelVolumeSlide = 14,
                  letterPanningSlide = 16, letterRetrigger = 17, letterPanbrello = 25, letterMidiMacro = 26;
constexpr uint8_t specialMacroSelect = 0xF;
constexpr uint32_t filterCutoffAt = 0x3A, filterResonanceAt = 0x3B;
constexpr uint8_t filterSettingUsed = 0x80;
constexpr uint32_t pitchPanSeparationAt = 0x16, pitchPanCentreAt = 0x17, instrumentPanningAt = 0x19,
                   volumeSwingAt = 0x1A, panningSwingAt = 0x1B, samplePanningAt = 0x2F;
constexpr uint8_t instrumentPanningUnused = 0x80, samplePanningUsed = 0x80;

// A default panning 0..64 on the 0..255 scale.
uint8_t fullScalePanning(uint8_t panning) { return static_cast<uint8_t>(std::min(std::min<uint32_t>(panning, 64) * 4, 255u)); }

Command convertEffect(uint8_t effect, uint8_t& argument)
{
    switch (effect) {
    case letterTremor: return Command::tremor;
    case letterChannelVolume: return Command::setChannelVolume;
    case letterChannelVolumeSlide: return Command::channelVolumeSlide;
    case letterPanningSlide: return Command::panningSlideWithFine;
    case letterPanbrello: return Command::panbrello;
    case letterSpeed: return argument != 0 ? Command::setSpeed : Command::none;
    case letterTempo: return argument >= 0x20 ? Command::setTempo : Command::tempoSlide;  // T0x down, T1x up
    case letterBreak:
        // The row is plain here; the player reads it as two decimal digits.
        argument = static_cast<uint8_t>(std::min<uint32_t>(argument, 99) / 10 << 4 | std::min<uint32_t>(argument, 99) % 10);
        return Command::patternBreak;
    case letterGlobalVolume:
        argument = std::min<uint8_t>(argument, 128);
        return Command::globalVolume;
    case letterGlobalVolumeSlide: return Command::globalVolumeSlideWithFine;
    case letterRetrigger: return Command::retriggerWithVolume;
    case letterMidiMacro: return Command::midiMacro;
    case letterSpecial:
        switch (argument >> 4) {
        case 6: argument &= 15; return Command::finePatternDelay;
        case 9: argument &= 15; return Command::surround;
        case 10: argument &= 15; return Command::highOffset;
        case specialMacroSelect: argument &= 15; return Command::selectMidiMacro;
        default: return specialCommand(argument);
        }
    default: return effect < letterCommands.size() ? letterCommands[effect] : Command::none;
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
        return volumeColumnByte(VolumeEffect::fineUp, v - 65);
    if (v <= 84)
        return volumeColumnByte(VolumeEffect::fineDown, v - 75);
    if (v <= 94)
        return volumeColumnByte(VolumeEffect::slideUp, v - 85);
    if (v <= 104)
        return volumeColumnByte(VolumeEffect::slideDown, v - 95);
    if (v <= 114)
        return volumeColumnByte(VolumeEffect::pitchSlideDown, v - 105 + 1);
    if (v <= 124)
        return volumeColumnByte(VolumeEffect::pitchSlideUp, v - 115 + 1);
    if (v >= 128 && v <= 192)
        return volumeColumnByte(VolumeEffect::setPanning, std::min((v - 128) / 4, 15));  // panning 0..64
    if (v >= 193 && v <= 202)
        return volumeColumnByte(VolumeEffect::tonePorta, v - 193);  // an index into the speed table
    if (v >= 203 && v <= 212)
        return volumeColumnByte(VolumeEffect::vibrato, v - 203);
    present = false;  // unused bytes
    return 0;
}

// An envelope's loop and sustain loop (point indices) where the flags turn
// them on and they lie inside its points.
void setEnvelopeLoops(Envelope& envelope, uint8_t flags, std::array<uint8_t, 4> indices)
{
    const auto [loopStart, loopEnd, sustainStart, sustainEnd] = indices;
    const auto inside = [&](uint8_t index) { return index < envelope.pointCount; };
    if ((flags & envelopeLoop) && loopStart <= loopEnd && inside(loopEnd)) {
        envelope.loopStart = loopStart;
        envelope.loopEnd = loopEnd;
    }
    if ((flags & envelopeSustainLoop) && sustainStart <= sustainEnd && inside(sustainEnd)) {
        envelope.sustainLoopStart = sustainStart;
        envelope.sustainLoopEnd = sustainEnd;
    }
}

// One of the instrument's envelopes, read from its flags byte on; signed
// ones (panning, pitch) are moved up by 32 to 0..64. A loop of one point
// holds there.
Envelope readEnvelope(ByteReader e, bool isSigned)
{
    Envelope envelope;
    const uint8_t flags = e.u8();
    envelope.pointCount = std::min<uint8_t>(e.u8(), 25);
    envelope.carry = flags & envelopeCarry;
    const std::array<uint8_t, 4> loops = {e.u8(), e.u8(), e.u8(), e.u8()};
    setEnvelopeLoops(envelope, flags, loops);
    for (uint32_t i = 0; i < envelope.pointCount; ++i) {
        const int32_t y = static_cast<int8_t>(e.u8());
        const uint16_t x = e.u16le();
        envelope.points[i] = {x, static_cast<uint16_t>(std::clamp(isSigned ? y + 32 : y, 0, 64))};
    }
    return envelope;
}

// The instrument header of files made before the 2.0 layout: a volume
// envelope only, its points stored as (tick, value) bytes up to a tick of
// 0xFF; a duplicate check that is on or off (same note, cut); the fade-out
// counted in 512ths instead of 1024ths.
void readOldInstrument(ByteReader& h, Instrument& instrument)
{
    instrument.name = h.textAt(0x20, 22);
    instrument.fadeout = h.u16leAt(0x18) * 2 * itFadeoutScale;
    const uint8_t action = h.u8At(0x1A);
    instrument.newNoteAction = action <= 3 ? static_cast<NewNoteAction>(action) : NewNoteAction::cut;
    if (h.u8At(0x1B) != 0)
        instrument.duplicateCheck = DuplicateCheck::note;
    const uint8_t flags = h.u8At(0x11);
    if (!(flags & envelopeOn))
        return;
    Envelope envelope;
    while (envelope.pointCount < 25 && h.u8At(oldEnvelopePointsAt + 2 * envelope.pointCount) != 0xFF) {
        const uint32_t at = oldEnvelopePointsAt + 2 * envelope.pointCount;
        envelope.points[envelope.pointCount++] = {h.u8At(at), std::min<uint8_t>(h.u8At(at + 1), 64)};
    }
    setEnvelopeLoops(envelope, flags, {h.u8At(0x12), h.u8At(0x13), h.u8At(0x14), h.u8At(0x15)});
    instrument.volumeEnvelope = envelope;
}

// A hex digit's value, or -1.
int32_t hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// A MIDI macro as the file writes it: hex digits (two to a byte, a lone one
// a byte of its own), `z` the Zxx argument, other letters bytes the player
// does not know, anything else nothing. The engine understands the
// messages F0 F0 00 v (the cutoff) and F0 F0 01 v (the resonance), v a byte
// or `z`; the rest of a macro is ignored.
MidiMacro parseMidiMacro(const std::string& text)
{
    enum class Kind : uint8_t { value, argument, unknown };
    struct MacroByte {
        Kind kind;
        uint8_t value;
    };
    std::vector<MacroByte> bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (const int32_t high = hexDigit(c); high >= 0) {
            const int32_t low = i + 1 < text.size() ? hexDigit(text[i + 1]) : -1;
            bytes.push_back({Kind::value, static_cast<uint8_t>(low >= 0 ? high * 16 + low : high)});
            i += low >= 0 ? 1 : 0;
        } else if (c == 'z' || c == 'Z') {
            bytes.push_back({Kind::argument, 0});
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            bytes.push_back({Kind::unknown, 0});
        }
    }
    MidiMacro macro;
    const auto is = [&](size_t at, uint8_t value) { return bytes[at].kind == Kind::value && bytes[at].value == value; };
    for (size_t i = 0; i + 3 < bytes.size(); ++i) {
        if (!is(i, 0xF0) || !is(i + 1, 0xF0) || !(is(i + 2, 0) || is(i + 2, 1)) || bytes[i + 3].kind == Kind::unknown)
            continue;
        MacroSetting& setting = bytes[i + 2].value == 0 ? macro.cutoff : macro.resonance;
        setting = bytes[i + 3].kind == Kind::argument
                      ? MacroSetting{MacroSetting::Source::argument, 0}
                      : MacroSetting{MacroSetting::Source::fixed, std::min<uint8_t>(bytes[i + 3].value, 127)};
        i += 3;
    }
    return macro;
}

class ItLoader {
public:
    explicit ItLoader(const SampleTarget& target) : target_(target) {}

    ErrorCode load(ByteReader& file, Module& module)
    {
        if (ErrorCode e = readHeader(file, module); e != ErrorCode::ok)
            return e;
        if (ErrorCode e = readPatterns(file, module); e != ErrorCode::ok)
            return e;
        return useInstruments_ ? readInstruments(file, module) : readSampleInstruments(file, module);
    }

private:
    static void readOffsets(ByteReader& file, uint32_t count, std::vector<uint32_t>& offsets)
    {
        for (uint32_t i = 0; i < count; ++i)
            offsets.push_back(file.u32le());
    }

    // The message's lines end in CR; a message the file cannot hold is left out.
    static std::string readMessage(ByteReader& file, uint64_t offset, uint64_t length)
    {
        if (offset + length > file.size())
            return {};
        std::string text = file.textAt(offset, length);
        std::replace(text.begin(), text.end(), '\r', '\n');
        return text;
    }

    ErrorCode readHeader(ByteReader& file, Module& module)
    {
        ByteReader h = file.section(0, headerBytes);
        if (ErrorCode e = endOfSection(h); e != ErrorCode::ok)
            return e;
        const std::span<const uint8_t> all = h.bytes(headerBytes);
        if (std::memcmp(all.data(), "IMPM", 4) != 0)
            return ErrorCode::invalidModule;
        const uint32_t orderCount = h.u16leAt(0x20);
        const uint32_t instrumentCount = h.u16leAt(0x22);
        const uint32_t sampleCount = h.u16leAt(0x24);
        const uint32_t patternCount = h.u16leAt(0x26);
        // Pattern entries name instruments and samples with one byte.
        if (orderCount == 0 || orderCount > maximumOrders || instrumentCount > 255 || sampleCount > 255 ||
            patternCount > maximumPatterns)
            return ErrorCode::invalidModule;
        const uint16_t flags = h.u16leAt(0x2C);
        useInstruments_ = flags & flagUseInstruments;
        oldInstruments_ = h.u16leAt(0x2A) < firstNewInstrumentVersion;
        const auto panning = all.subspan<0x40, fileChannels>();
        std::copy(panning.begin(), panning.end(), channelPanning_.begin());

        file.seek(headerBytes);
        const std::span<const uint8_t> orders = file.bytes(orderCount);
        readOffsets(file, instrumentCount, instrumentOffsets_);
        readOffsets(file, sampleCount, sampleOffsets_);
        readOffsets(file, patternCount, patternOffsets_);
        if (ErrorCode e = endOfSection(file); e != ErrorCode::ok)
            return e;
        readMidiMacros(file, h.u16leAt(0x2E), module);

        module.name = h.textAt(4, 26);
        module.tracker = trackerOfVersion(h.u16leAt(0x28));
        if (h.u16leAt(0x2E) & flagMessageAttached)
            module.message = readMessage(file, h.u32leAt(0x38), h.u16leAt(0x36));
        module.type = ModuleType::it;
        module.masterVolume = std::min<uint8_t>(all[0x30], 128);
        module.initialSpeed = all[0x32] == 0 ? 6 : all[0x32];
        module.initialTempo = all[0x33] < 32 ? 125 : all[0x33];
        module.flags = moduleChannelPanningOnly | moduleTempoTimesItsRow | moduleVolumePortaTable |
                       moduleStatusHoldsDelayedRow | ((flags & flagLinearSlides) ? moduleLinearFrequencies : 0) |
                       moduleWideGlobalVolume | moduleLoopStartMovesOn | ((flags & flagOldEffects) ? 0 : moduleItEffects) |
                       moduleNoteFadeRules | moduleSampleAutoVibrato | (useInstruments_ ? moduleNewNoteActions : 0) |
                       ((flags & flagCompatibleGxx) ? 0 : moduleSharedPortaMemory);
        // Panning 0..64 on the 0..255 scale; 100 is surround (centred when a
        // panning command ends it).
        for (uint32_t c = 0; c < maximumModuleChannels; ++c) {
            const uint8_t pan = channelPanning_[c] & 0x7F;
            module.channelPanning[c] = pan <= 64 ? std::min(pan * 4, 255) : 128;
            module.channelSurround[c] = pan == itSurroundPanning;
            module.channelVolume[c] = std::min<uint8_t>(all[0x80 + c], 64);
        }
        uint32_t largestPattern = 0;
        if (ErrorCode e = convertOrderList(orders, module, largestPattern); e != ErrorCode::ok)
            return e;
        patternCount_ = std::max(patternCount, largestPattern + 1);
        return ErrorCode::ok;
    }

    // The MIDI macros a file embeds after its offsets (and after its edit
    // history, when it keeps one): nine global ones the player has no use
    // for, then SF0..SFF's and Z80..ZFF's. A file too short to hold them
    // plays the defaults.
    static void readMidiMacros(const ByteReader& file, uint16_t special, Module& module)
    {
        ByteReader rest = file;
        uint64_t at = file.position();
        if (special & flagEditHistory) {
            if (at + 2 > file.size())
                return;
            at += 2 + uint64_t{editHistoryEntryBytes} * rest.u16leAt(at);
        }
        if (!(special & flagMidiMacros) || at + midiMacroBytes > file.size())
            return;
        ByteReader macros = rest.section(at + globalMacroCount * macroBytes, midiMacroBytes - globalMacroCount * macroBytes);
        MidiMacros& out = module.midiMacros;
        for (uint32_t i = 0; i < out.parametered.size(); ++i)
            out.parametered[i] = parseMidiMacro(macros.textAt(i * macroBytes, macroBytes));
        for (uint32_t i = 0; i < out.fixed.size(); ++i)
            out.fixed[i] = parseMidiMacro(macros.textAt((out.parametered.size() + i) * macroBytes, macroBytes));
    }

    ErrorCode readPatterns(ByteReader& file, Module& module)
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
            file.seek(offset);
            const uint32_t packedLength = file.u16le();
            pattern.rowCount = file.u16le();
            file.skip(4);
            const std::span<const uint8_t> packed = file.bytes(packedLength);
            if (ErrorCode e = endOfSection(file); e != ErrorCode::ok)
                return e;
            if (pattern.rowCount == 0 || pattern.rowCount > maximumRows)
                return ErrorCode::invalidModule;
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
                         : m.note == itNoteOff ? noteKeyOff
                         : m.note == itNoteCut ? noteCut
                                               : noteFade;  // every other value
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
            if (entry.command != Command::none)
                entry.flags |= entryCommand;
        }
        writePackedEntry(entry, channel, out);
    }

    // Sample mode: instrument i plays sample i.
    ErrorCode readSampleInstruments(ByteReader& file, Module& module)
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

    static void readInstrumentHeader(ByteReader& h, Instrument& instrument)
    {
        instrument.name = h.textAt(0x20, 22);
        instrument.fadeout = h.u16leAt(0x14) * itFadeoutScale;
        instrument.globalVolume = std::min<uint8_t>(h.u8At(0x18), 128);
        // Values the format does not name fall back on the plainest choice.
        const uint8_t action = h.u8At(0x11), check = h.u8At(0x12), duplicateAction = h.u8At(0x13);
        instrument.newNoteAction = action <= 3 ? static_cast<NewNoteAction>(action) : NewNoteAction::cut;
        instrument.duplicateCheck = check <= 3 ? static_cast<DuplicateCheck>(check) : DuplicateCheck::off;
        instrument.duplicateAction =
            duplicateAction <= 2 ? static_cast<DuplicateAction>(duplicateAction) : DuplicateAction::cut;
        if (h.u8At(volumeEnvelopeAt) & envelopeOn)
            instrument.volumeEnvelope = readEnvelope(h.section(volumeEnvelopeAt, envelopeBytes), false);
        if (h.u8At(panningEnvelopeAt) & envelopeOn)
            instrument.panningEnvelope = readEnvelope(h.section(panningEnvelopeAt, envelopeBytes), true);
        if (h.u8At(pitchEnvelopeAt) & envelopeOn) {
            instrument.pitchEnvelope = readEnvelope(h.section(pitchEnvelopeAt, envelopeBytes), true);
            instrument.pitchEnvelopeFilters = h.u8At(pitchEnvelopeAt) & envelopeFilter;
        }
        // Bit 7 says the value (bits 0..6) is used.
        const uint8_t cutoff = h.u8At(filterCutoffAt), resonance = h.u8At(filterResonanceAt);
        if (cutoff & filterSettingUsed)
            instrument.defaultCutoff = cutoff & 0x7F;
        if (resonance & filterSettingUsed)
            instrument.defaultResonance = resonance & 0x7F;
        const uint8_t panning = h.u8At(instrumentPanningAt);
        if (!(panning & instrumentPanningUnused))
            instrument.defaultPanning = fullScalePanning(panning);
        instrument.volumeSwing = std::min<uint8_t>(h.u8At(volumeSwingAt), 100);
        instrument.panningSwing = std::min<uint8_t>(h.u8At(panningSwingAt), 64);
        instrument.pitchPanSeparation =
            static_cast<int8_t>(std::clamp<int32_t>(static_cast<int8_t>(h.u8At(pitchPanSeparationAt)), -32, 32));
        instrument.pitchPanCentre = std::min(h.u8At(pitchPanCentreAt), itLastNote);
    }

    ErrorCode readInstruments(ByteReader& file, Module& module)
    {
        const uint32_t count = std::max<uint32_t>(static_cast<uint32_t>(instrumentOffsets_.size()),
                                                  static_cast<uint32_t>(largestInstrument_ + 1));
        module.instruments.resize(count);
        for (uint32_t i = 0; i < count; ++i) {
            Instrument& instrument = module.instruments[i];
            if (i >= instrumentOffsets_.size())
                continue;
            ByteReader h = file.section(instrumentOffsets_[i], oldInstruments_ ? oldInstrumentBytes : instrumentBytes);
            if (ErrorCode e = endOfSection(h); e != ErrorCode::ok)
                return e;
            if (oldInstruments_)
                readOldInstrument(h, instrument);
            else
                readInstrumentHeader(h, instrument);
            if (!used_[i])
                continue;
            instrument.used = 1;
            // The keyboard's samples (1-based), each kept once, in order of first use.
            std::map<uint8_t, uint8_t> indexOfSample;
            std::array<uint8_t, notesPerInstrument> map{}, keyToNote{};
            for (uint32_t note = 0; note < notesPerInstrument; ++note) {
                // A note past IT's range (C-0..B-9) plays the key's own.
                const uint8_t played = h.u8At(0x40 + note * 2);
                keyToNote[note] = played <= itLastNote ? played : static_cast<uint8_t>(note);
                const uint8_t sample = h.u8At(0x40 + note * 2 + 1);
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
            for (uint32_t note = 0; note < notesPerInstrument; ++note)
                if (keyToNote[note] != note) {
                    instrument.keyToNote = keyToNote;
                    break;
                }
        }
        return ErrorCode::ok;
    }

    ErrorCode readSample(ByteReader& file, uint32_t index, Sample& sample)
    {
        if (index >= sampleOffsets_.size())
            return ErrorCode::ok;
        ByteReader h = file.section(sampleOffsets_[index], sampleHeaderBytes);
        if (ErrorCode e = endOfSection(h); e != ErrorCode::ok)
            return e;
        sample.name = h.textAt(0x14, 22);
        sample.volume = std::min<uint8_t>(h.u8At(0x13), 64);
        sample.globalVolume = std::min<uint8_t>(h.u8At(0x11), 64);
        if (const uint8_t panning = h.u8At(samplePanningAt); panning & samplePanningUsed)
            sample.defaultPanning = fullScalePanning(panning & 0x7F);
        // Speed, depth, rate, then the waveform: sine, ramp down, square, random.
        constexpr std::array<uint8_t, 4> waveforms = {0, vibratoRampFromTheTop, 1, vibratoRandom};
        const uint8_t waveform = h.u8At(vibratoAt + 3);
        sample.autoVibrato = {waveform < waveforms.size() ? waveforms[waveform] : uint8_t{0},
                              std::min<uint8_t>(h.u8At(vibratoAt + 1), 64), h.u8At(vibratoAt), h.u8At(vibratoAt + 2)};
        sample.middleCRate = h.u32leAt(0x3C);
        tuneForMiddleC(sample.middleCRate, sample);
        sample.relativeNote -= 12;  // middle C is C-5 here, an octave above the player's
        const uint8_t flags = h.u8At(0x12);
        const uint32_t frames = h.u32leAt(0x30);
        if (!(flags & sampleHasData) || frames == 0)
            return ErrorCode::ok;
        const bool sixteenBit = flags & sample16Bit;
        const uint32_t frameBytes = sixteenBit ? 2 : 1;
        if (frames > largestSampleLength / 2 / frameBytes)
            return ErrorCode::invalidInstrument;
        sample.type = sixteenBit ? SampleDataType::pcm16 : SampleDataType::pcm8;
        sample.length = frames * frameBytes;
        // A sustain loop turns until the note is released; the sound then
        // goes on into the sample's loop, or to its end without one.
        const auto loopAt = [&](uint32_t at, uint8_t used, uint8_t pingPong) {
            const uint32_t start = std::min(h.u32leAt(at), frames), end = std::min(h.u32leAt(at + 4), frames);
            if (!(flags & used) || start >= end)
                return SampleLoop{};
            return SampleLoop{start * frameBytes, end * frameBytes,
                              (flags & pingPong) ? LoopType::pingPong : LoopType::forward};
        };
        const SampleLoop loop = loopAt(0x34, sampleLoop, samplePingPong);
        const SampleLoop sustainLoop = loopAt(0x40, sampleSustainLoop, sampleSustainPingPong);
        const SampleLoop& first = sustainLoop.type != LoopType::none ? sustainLoop : loop;
        sample.looping = first.type != LoopType::none ? 1 : 0;
        sample.loopType = static_cast<uint8_t>(first.type);
        sample.loopStart = first.start;
        sample.loopEnd = first.end;

        const uint32_t offset = h.u32leAt(0x48);
        const uint8_t conversion = h.u8At(0x2E);
        sample.dataOffset = offset;
        if (offset > file.size())
            return ErrorCode::unexpectedEndOfFile;
        std::vector<uint8_t> data;
        if (flags & sampleCompressed) {
            ByteReader stored = file.section(offset, file.size() - offset);
            const bool doubleDelta = conversion & 4;
            if (ErrorCode e = decompressItSample(stored.bytes(stored.size()), frames, sixteenBit, doubleDelta, data);
                e != ErrorCode::ok)
                return e;
        } else {
            // Checked before the buffer is made; a stereo sample keeps its left half, stored first.
            ByteReader stored = file.section(offset, sample.length);
            if (ErrorCode e = endOfSection(stored); e != ErrorCode::ok)
                return e;
            const std::span<const uint8_t> bytes = stored.bytes(sample.length);
            data.assign(bytes.begin(), bytes.end());
            toDeviceSampleFormat(data, sixteenBit, conversion & 1);
        }
        SampleDescription description;
        description.type = sixteenBit ? SampleType::pcm16Mono : SampleType::pcm8Mono;
        description.loop1 = first;
        if (sustainLoop.type != LoopType::none) {
            description.loopMode = LoopMode::twoLoopsLeftAtOnce;
            description.loop2 = loop;
        } else {
            description.loopMode = loop.type != LoopType::none ? LoopMode::loop : LoopMode::none;
        }
        return handOverSample(sample, data, description, target_);
    }

    SampleTarget target_;
    bool useInstruments_ = false;
    bool oldInstruments_ = false;  // the header layout from before 2.0
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
    return loadModuleFrom(fileName, target, module, [&](ByteReader& f, Module& m) { return ItLoader(target).load(f, m); });
}

ErrorCode loadIT(std::span<const uint8_t> fileBytes, bool addToDevice, SampleCallback sampleCallback,
                 const SoundDevice* device, std::unique_ptr<Module>& module)
{
    const SampleTarget target{addToDevice, sampleCallback, device};
    return loadModuleFrom(fileBytes, target, module, [&](ByteReader& f, Module& m) { return ItLoader(target).load(f, m); });
}

}  // namespace corvid
