#pragma once
// The in-memory module every loader builds and the player plays: the order
// list, the packed patterns, the instruments with their envelopes, and the
// samples (whose data the sound device keeps once they are added to it).

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvid {

enum class ModuleType : uint32_t { mod = 1, s3m = 2, xm = 3, it = 4 };

// Module flags.
inline constexpr uint32_t moduleS3mAmigaLimits = 1;
inline constexpr uint32_t moduleExtendedOctaves = 4;
inline constexpr uint32_t moduleLinearFrequencies = 8;
// Behaviour the MOD, S3M and IT loaders ask of the player.
// Samples carry no panning: a new instrument leaves the channel's panning alone.
inline constexpr uint32_t moduleChannelPanningOnly = 1u << 16;
// Panning on the 0..128 scale (64 centre), with 164 for surround.
inline constexpr uint32_t moduleNarrowPanning = 1u << 17;
// A tempo times the row that sets it from that row's first tick; without the
// flag the device counts it from the tick after.
inline constexpr uint32_t moduleTempoTimesItsRow = 1u << 18;
// While a pattern delay repeats a row the status stays on that row, as the
// trackers show it; without the flag it is copied at every row start, after
// the position has moved on, so it shows the row after the delayed one.
inline constexpr uint32_t moduleStatusHoldsDelayedRow = 1u << 21;
// The volume column's tone portamento d (1..9) picks its speed from IT's
// table (1, 4, 8, 16, 32, 64, 96, 128, 255) and sets the speed G remembers;
// d = 0 slides at that speed. Without the flag the column slides at d x 16.
inline constexpr uint32_t moduleVolumePortaTable = 1u << 19;
// Instruments carry new-note actions: a note a new one replaces may go on in
// the background, on a channel of its own.
inline constexpr uint32_t moduleNewNoteActions = 1u << 20;
// IT's fade-out: a key off releases the note (its envelopes' and its
// sample's sustain loops) and fades it only without a volume envelope or
// with a looping one, and the volume envelope's end starts the fade (a note
// whose envelope ends at 0 is over); in sample mode, where there is no
// fade-out, a released note plays on. Without the flag every key off fades.
inline constexpr uint32_t moduleNoteFadeRules = 1u << 22;
// The global volume runs 0..128 (IT) instead of 0..64: the module's master
// volume, Gxx and the global volume slides all read that scale.
inline constexpr uint32_t moduleWideGlobalVolume = 1u << 23;
// A pattern loop that has played its count moves its start to the row after
// its end (IT), so that a second loop command on the channel cannot send the
// song back to the first loop's start.
inline constexpr uint32_t moduleLoopStartMovesOn = 1u << 24;
// IT's effects without its old-effects flag: vibrato is half as deep as the
// other formats' (the old effects keep their depth), and a sample offset
// past the sample's end is ignored (the old effects, like the other
// formats, put the note at the end).
inline constexpr uint32_t moduleItEffects = 1u << 25;
// Auto-vibrato as IT plays it: each note's comes from its sample (not its
// instrument), its depth grows by the sample's rate in 256ths every tick
// (none without a rate), key off or not, only whole steps of depth are
// heard, and it moves the frequency by 768ths of an octave whatever the
// module's slides.
inline constexpr uint32_t moduleSampleAutoVibrato = 1u << 26;
// IT without its compatible-Gxx flag: tone portamento (G, L and the volume
// column's) keeps its speed in the memory that porta up and down (E, F and
// the volume column's pitch slides) share, so each reads what the others
// set. Without the flag tone portamento remembers its own speed.
inline constexpr uint32_t moduleSharedPortaMemory = 1u << 27;

// Order-list entries that name no pattern.
inline constexpr uint16_t orderSkip = 0xFFFE;
inline constexpr uint16_t orderEnd = 0xFFFF;

inline constexpr uint8_t noPoint = 255;

struct EnvelopePoint {
    uint16_t x = 0;  // ticks
    uint16_t y = 0;  // 0..64
};

struct Envelope {
    uint8_t pointCount = 0;
    uint8_t sustainPoint = noPoint;
    uint8_t loopStart = noPoint;
    uint8_t loopEnd = noPoint;          // noPoint = no loop
    uint8_t sustainLoopStart = noPoint; // IT: turns, its end point included, until the note is released
    uint8_t sustainLoopEnd = noPoint;
    bool carry = false;                 // IT: a new note of the same instrument goes on from the old one's position
    std::array<EnvelopePoint, 25> points{};
};

enum class SampleDataType : uint8_t { none = 0, pcm8 = 1, pcm16 = 2 };

// Auto-vibrato waveforms, as the instrument's vibrato type numbers them
// (0 sine, 1 square, 2 and 3 ramps), and two more that IT's samples use: a
// ramp that starts at the top of its swing, and a random value every tick.
inline constexpr uint8_t vibratoRampFromTheTop = 4, vibratoRandom = 5;

// An IT sample's auto-vibrato: its waveform, its depth (64ths of a semitone
// at the top of the swing, 0..64), the position's step every tick (256 a
// cycle) and the depth's growth every tick (256ths of a step).
struct AutoVibrato {
    uint8_t waveform = 0;
    uint8_t depth = 0;
    uint8_t speed = 0;
    uint8_t rate = 0;
};

struct Sample {
    std::string name;               // at most 22 characters
    uint32_t deviceHandle = 0;      // 0 = not added to the device
    std::vector<uint8_t> data;      // kept here only when the device does not hold it
    uint32_t length = 0;            // bytes
    SampleDataType type = SampleDataType::none;
    uint8_t looping = 0;
    uint8_t loopType = 0;           // 1 forward, 2 ping-pong
    uint32_t loopStart = 0;         // bytes
    uint32_t loopEnd = 0;           // bytes, one past the loop
    uint32_t volume = 0;            // 0..64
    uint32_t panning = 128;         // 0..255
    int32_t relativeNote = 0;       // semitones
    int32_t finetune = 0;           // -128..127
    // IT: the rate of C-5 (key 60), which linear slides play exactly (the
    // relative note and finetune above only come within 1/128 semitone of
    // it); 0 elsewhere.
    uint32_t middleCRate = 0;
    uint8_t globalVolume = 64;      // 0..64, scales every note of the sample
    // IT: the panning (0..255) each note of the sample starts with, over its
    // instrument's; absent, the instrument's or the channel's.
    std::optional<uint8_t> defaultPanning;
    AutoVibrato autoVibrato;        // IT; XM's is the instrument's
    uint32_t dataOffset = 0;        // file offset of the data, while loading
};

inline constexpr uint32_t notesPerInstrument = 96;

// What becomes of a playing note when a new one starts on its channel: cut,
// or carried on in the background (as it was, released, or fading out).
enum class NewNoteAction : uint8_t { cut, carryOn, noteOff, noteFade };
// Which background notes of the channel a new note counts as duplicates of:
// those of the same instrument and note, the same sample, or the same instrument.
enum class DuplicateCheck : uint8_t { off, note, sample, instrument };
// What a duplicate does: stops, is released, or fades out.
enum class DuplicateAction : uint8_t { cut, noteOff, noteFade };

// What a MIDI macro does to one setting of the resonant filter (0..127):
// nothing, set it to a value, or set it to the low seven bits of Zxx's argument.
struct MacroSetting {
    enum class Source : uint8_t { none, fixed, argument };
    Source source = Source::none;
    uint8_t value = 0;  // with Source::fixed
};

// The filter settings one MIDI macro sends.
struct MidiMacro {
    MacroSetting cutoff;
    MacroSetting resonance;
};

// IT's MIDI macros: Z00..Z7F send the macro SFx chose, Z80..ZFF one each.
struct MidiMacros {
    std::array<MidiMacro, 16> parametered{};
    std::array<MidiMacro, 128> fixed{};
};

// IT's defaults: SF0 the cutoff, SF1 the resonance, Z80..Z8F the resonance
// (x & 15) x 8, every other macro nothing.
inline MidiMacros defaultMidiMacros()
{
    using Source = MacroSetting::Source;
    MidiMacros macros;
    macros.parametered[0].cutoff.source = Source::argument;
    macros.parametered[1].resonance.source = Source::argument;
    for (uint8_t x = 0; x < 16; ++x)
        macros.fixed[x].resonance = {Source::fixed, static_cast<uint8_t>(x * 8)};
    return macros;
}

struct Instrument {
    std::string name;                                          // at most 22 characters
    std::optional<std::array<uint8_t, notesPerInstrument>> noteToSample;  // absent: every note uses sample 0
    // IT: the note (0..119) each key plays, which the keyboard may move away
    // from the key itself; absent: every key plays its own note.
    std::optional<std::array<uint8_t, notesPerInstrument>> keyToNote;
    std::optional<Envelope> volumeEnvelope;
    std::optional<Envelope> panningEnvelope;
    // IT: y is 32 + half-semitones of pitch (-32..32), or with pitchEnvelopeFilters the filter's cutoff.
    std::optional<Envelope> pitchEnvelope;
    bool pitchEnvelopeFilters = false;
    uint32_t fadeout = 0;
    uint8_t globalVolume = 128;                                // 0..128, scales every note of the instrument
    uint8_t vibratoType = 0;
    uint8_t vibratoSweep = 0;
    uint8_t vibratoDepth = 0;
    uint8_t vibratoRate = 0;
    uint8_t used = 0;                                          // 1 when a pattern names it
    NewNoteAction newNoteAction = NewNoteAction::cut;
    DuplicateCheck duplicateCheck = DuplicateCheck::off;
    DuplicateAction duplicateAction = DuplicateAction::cut;
    // IT: the resonant filter's cutoff and resonance (0..127) each note of
    // the instrument starts with; absent, the channel keeps its own.
    std::optional<uint8_t> defaultCutoff;
    std::optional<uint8_t> defaultResonance;
    // IT: the panning (0..255) each note of the instrument starts with;
    // absent, the channel keeps its own.
    std::optional<uint8_t> defaultPanning;
    // IT: each note's volume moved by a random share of up to this percentage
    // (0..100) either way, its panning by up to this many 64ths of the
    // panning scale (0..64) either way.
    uint8_t volumeSwing = 0;
    uint8_t panningSwing = 0;
    // IT: each semitone from the centre note (0..119, C-0 to B-9) moves a
    // note's panning by separation / 8 of the 0..64 scale (-32..32).
    int8_t pitchPanSeparation = 0;
    uint8_t pitchPanCentre = 60;
    std::vector<Sample> samples;                               // sample count = samples.size()
};

// A pattern in the player's packed form: row after row, each a list of
// entries ended by a 0 byte. Entry: flag byte (bits 0-4 channel, 0x20 note and
// instrument follow, 0x40 volume follows, 0x80 command and argument follow),
// then the present fields in that order.
struct Pattern {
    uint32_t rowCount = 0;           // 1..256
    std::vector<uint8_t> rows;
    uint32_t size() const { return static_cast<uint32_t>(rows.size()) + 8; }
};

inline constexpr uint8_t entryNoteAndInstrument = 0x20;
inline constexpr uint8_t entryVolume = 0x40;
inline constexpr uint8_t entryCommand = 0x80;
inline constexpr uint8_t entryChannelMask = 0x1F;

inline constexpr uint8_t noteNone = 255;
inline constexpr uint8_t noteKeyOff = 254;
inline constexpr uint8_t noteCut = 253;
inline constexpr uint8_t noteFade = 252;  // IT: the note fades out by its instrument's fade-out
inline constexpr uint8_t instrumentNone = 255;

inline constexpr uint32_t maximumModuleChannels = 32;

// The commands of packed pattern entries, in the numbering the data stores
// (and the player's handler tables follow). 1..33 are the XM and MOD effects;
// the rest are S3M and IT effects whose rules differ from those.
enum class Command : uint8_t {
    none,
    arpeggio,              // 0xy
    portaUp,               // 1xx
    portaDown,             // 2xx
    tonePorta,             // 3xx
    vibrato,               // 4xy
    tonePortaVolumeSlide,  // 5xy
    vibratoVolumeSlide,    // 6xy
    tremolo,               // 7xy
    setPanning,            // 8xx
    sampleOffset,          // 9xx
    volumeSlide,           // Axy
    positionJump,          // Bxx
    setVolume,             // Cxx
    patternBreak,          // Dxx, the row as two decimal digits
    setSpeed,              // Fxx below the tempo range
    setTempo,              // Fxx in the tempo range
    finePortaUp,           // E1x
    finePortaDown,         // E2x
    patternLoop,           // E6x
    finePanning,           // E8x
    retrigger,             // E9x
    fineVolumeUp,          // EAx
    fineVolumeDown,        // EBx
    noteCut,               // ECx
    noteDelay,             // EDx
    patternDelay,          // EEx
    globalVolume,          // Gxx
    globalVolumeSlide,     // Hxy
    multiRetrigger,        // Rxy
    sync,                  // Wxx
    extraFinePortaUp,      // X1y
    extraFinePortaDown,    // X2y
    panningSlide,          // Pxy
    // Dxy: D0y down and Dx0 up on every tick but the first; DFy down and DxF
    // up once, on the first. Argument 0 takes the last one.
    volumeSlideWithFine,
    // Exx / Fxx: xx x 4 per tick but the first; EFx / FFx x x 4 and EEx / FEx
    // x once, on the first. The two share their memory.
    portaDownWithFine,
    portaUpWithFine,
    fineVibrato,           // Uxy: vibrato at a quarter of 4xy's depth
    tempoSlide,            // T0x / T1x: tempo down / up by x on every tick but the first
    setChannelVolume,      // Mxx: the channel's volume 0..64 (above 64 ignored)
    channelVolumeSlide,    // Nxy: the channel's volume, slid as Dxy slides the note's
    panningSlideWithFine,  // Pxy: P0x right, Px0 left by x per tick but the first; PFx / PxF once
    tremor,                // Ixy: on x ticks, off y (0 counts as 1), on every tick
    panbrello,             // Yxy: panning swung by a sine of speed x, depth y
    // S7x: the channel's background notes cut (0), released (1) or faded
    // (2); the new-note action of the playing note set to cut, carry on,
    // note off or note fade (3..6).
    noteActionControl,
    // Qxy as IT plays it: a retrigger every y ticks (0 counts as 1), the first
    // tick of each row included and counting on from row to row, with volume
    // change x (IT's table: x 2/3, 1/2, 3/2 and 2 for 6, 7, E, F).
    retriggerWithVolume,
    // Wxy as Dxy slides the note's volume, on the global volume.
    globalVolumeSlideWithFine,
    highOffset,            // SAy: y x 65536 bytes added to later sample offsets
    surround,              // S9x: S91 puts the channel in surround, S90 takes it out
    finePatternDelay,      // S6x: the row lasts x ticks more
    // Zxx: the module's MIDI macro (`Module::midiMacros`), Z00..Z7F the
    // one SFx chose, Z80..ZFF one each.
    midiMacro,
    selectMidiMacro,       // SFx: the macro Z00..Z7F sends
    count
};

inline constexpr size_t commandCount = static_cast<size_t>(Command::count);
inline constexpr size_t indexOf(Command command) { return static_cast<size_t>(command); }

// Volume-column bytes above 64: the effect in the high nibble, its value d in
// the low one.
enum class VolumeEffect : uint8_t {
    slideDown = 0x60,          // every tick but the first: volume - d
    slideUp = 0x70,            // volume + d
    fineDown = 0x80,           // first tick: volume - d
    fineUp = 0x90,             // volume + d
    vibratoSpeed = 0xA0,       // first tick: vibrato speed d
    vibrato = 0xB0,            // every tick but the first: vibrato of depth d
    setPanning = 0xC0,         // first tick: panning d x 17
    panningSlideLeft = 0xD0,   // every tick but the first: panning - d
    panningSlideRight = 0xE0,  // panning + d
    tonePorta = 0xF0,          // tone portamento at speed d x 16 (see moduleVolumePortaTable)
    // Every tick but the first: the period slides by (d - 1) x 4 as Exx and
    // Fxx do, d = 1 by the amount they remember (d is 1..10, so that no byte
    // of these is a volume).
    pitchSlideDown = 0x40,
    pitchSlideUp = 0x50,
};

inline constexpr uint8_t volumeColumnByte(VolumeEffect effect, uint32_t d)
{
    return static_cast<uint8_t>(static_cast<uint8_t>(effect) | (d & 15));
}
inline constexpr VolumeEffect volumeEffectOf(uint8_t volumeColumn) { return static_cast<VolumeEffect>(volumeColumn & 0xF0); }

inline constexpr std::array<uint8_t, maximumModuleChannels> fullChannelVolumes()
{
    std::array<uint8_t, maximumModuleChannels> volumes{};
    volumes.fill(64);
    return volumes;
}

// The stereo separation a module loads with (the Music interface's option may
// ask for another after loading).
inline constexpr int32_t defaultStereoSeparation = 64;

struct Module {
    Module() = default;
    Module(const Module&) = delete;             // samples are shared with the device by handle
    Module& operator=(const Module&) = delete;

    std::string name;                           // at most 20 characters
    std::string tracker;                        // the program that wrote the file, when it says
    std::string message;                        // the song message, lines ended by '\n'
    ModuleType type = ModuleType::xm;
    uint32_t restartPosition = 0;
    uint8_t channelCount = 0;
    uint8_t masterVolume = 64;
    uint8_t initialSpeed = 6;
    uint8_t initialTempo = 125;
    std::array<int32_t, maximumModuleChannels> channelPanning{};
    // Channels whose panning follows the stereo separation (MOD's, and S3M's
    // without stored panning): -1 leans left, +1 right; 0 keeps its panning.
    std::array<int8_t, maximumModuleChannels> separationSide{};
    std::array<uint8_t, maximumModuleChannels> channelVolume = fullChannelVolumes();  // 0..64
    std::array<bool, maximumModuleChannels> channelSurround{};  // IT: channels that start in surround
    std::vector<uint16_t> orders;               // song length = orders.size()
    std::vector<Instrument> instruments;
    std::vector<Pattern> patterns;
    uint32_t flags = 0;
    MidiMacros midiMacros = defaultMidiMacros();  // IT: the defaults, or those the file embeds

    uint32_t songLength() const { return static_cast<uint32_t>(orders.size()); }
    uint32_t sampleCount() const;
    // The channels with a side get 64 -/+ `separation` on the 0..128 scale.
    void applyStereoSeparation(int32_t separation);
};

inline void Module::applyStereoSeparation(int32_t separation)
{
    // An out-of-range separation still leaves the panning on its scale.
    const int32_t s = std::clamp(separation, -64, 64);
    for (size_t c = 0; c < channelPanning.size(); ++c)
        if (separationSide[c] != 0)
            channelPanning[c] = 64 + separationSide[c] * s;
}

inline uint32_t Module::sampleCount() const
{
    uint32_t count = 0;
    for (const Instrument& instrument : instruments)
        count += static_cast<uint32_t>(instrument.samples.size());
    return count;
}

}  // namespace corvid
