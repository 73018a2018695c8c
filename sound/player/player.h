#pragma once
// The playback engine: turns a loaded Module into per-channel commands to the
// sound device (sample, rate, volume, panning), one player tick at a time.
// Up to 16 modules play at once, each as a PlayerInstance in one of the slots
// of a PlayerSubsystem, which drives one device. The library's interface keeps
// one subsystem; a song object keeps its own.
//
// Threads: a subsystem and its instances belong to one thread at a time; the
// library interface's runs under the library lock (the tick from the player
// thread's service pass). getStatus reads the status block that the tick
// writes at row starts.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "sound/core/error_code.h"
#include "sound/core/sound_device.h"
#include "sound/include/corvid.h"
#include "sound/loaders/module.h"

namespace corvid::player {

inline constexpr uint32_t slotCount = 16;
inline constexpr uint8_t noSample = 255;

// Called by the sync command with (argument, position, row).
using SyncCallback = void (*)(int32_t value, uint32_t position, uint32_t row);
// Receives every new update rate (1/100 Hz).
using TempoCallback = void (*)(uint32_t centiHertz);

struct EnvelopeState {
    uint16_t position = 0;  // ticks
    uint8_t hold = 0;       // 1 while waiting at the sustain point
};

// The instrument envelopes, as S7x turns them off and on.
inline constexpr uint8_t volumeEnvelopeBit = 1, panningEnvelopeBit = 2, pitchEnvelopeBit = 4;

inline constexpr uint8_t maximumCutoff = 127;
inline constexpr int32_t fullFilterEnvelopeShare = 512;

// The instruments' volume and panning swing draw from a small deterministic
// generator (xorshift) that every song starts from the same seed, so that
// renders repeat. A note draws its volume swing, then its panning swing.
struct SwingGenerator {
    uint32_t state = 0x9E3779B9;
};
// A whole number from -range to range.
int32_t nextSwing(SwingGenerator& generator, int32_t range);

// Row flags of a channel.
inline constexpr uint8_t rowNewNote = 1, rowVolumeColumn = 2, rowNewInstrument = 4, rowCommand = 8, rowNoteDelayed = 16;

struct ChannelState {
    int32_t period = 0;             // base period; higher = lower pitch
    int32_t instrument = -1;        // -1 = none yet
    int32_t nextInstrument = -1;    // last instrument given on this channel
    int32_t portaTarget = 0;        // tone-portamento target period
    int32_t sampleOffset = 0;       // samples from the start, for the next note start
    uint8_t sample = noSample;      // index within the instrument
    uint8_t deviceChannel = 0;
    uint8_t volumeColumn = 0;       // last volume-column byte
    uint8_t note = noteNone;        // octave << 4 | semitone; 254 key off
    std::array<uint8_t, commandCount> commandMemory{};
    int32_t volume = 64;            // 0..64
    Command command = Command::none;
    uint8_t argument = 0;
    uint8_t tonePortaSpeed = 0;
    int32_t volumeCopy = 64;
    uint8_t channelVolume = 64;     // 0..64, the host's
    uint8_t songChannelVolume = 64; // 0..64, the song's (Mxx, Nxy)
    int32_t panning = 128;          // 0..255, 128 centre
    // The panning before the playing note's pitch-pan separation and panning
    // swing moved it, given back at the next note; -1 when a panning
    // command has set it since, or nothing moved it.
    int32_t panningBeforeNote = -1;
    int32_t volumeSwing = 0;        // percent of the volume added for the playing note
    int32_t fadeVolume = 65536;     // 65536 = full
    uint8_t keyOff = 0;
    uint8_t retriggerCounter = 0;
    uint8_t outputVolume = 0;
    uint8_t lastPlayedNote = noteNone;
    uint8_t vibratoSpeed = 0;
    uint8_t vibratoDepth = 0;
    uint8_t vibratoPosition = 0;
    uint8_t sampleOffsetMemory = 0;
    uint8_t sampleOffsetHigh = 0;   // SAy: 65536-byte steps added to the offset
    bool surround = false;          // S91; a panning set or slid ends it
    int32_t outputPeriod = 0;       // after vibrato and arpeggio
    int32_t devicePeriod = 0;       // after auto-vibrato
    int32_t autoVibratoAmplitude = 0;  // 1/256 units of depth
    uint8_t autoVibratoPosition = 0;
    uint8_t patternLoopRow = 0;
    uint8_t patternLoopCounter = 0;
    // The resonant filter (IT): cutoff and resonance 0..127 as the instrument
    // or Zxx set them; on or off as decided at the note's start (off there
    // at cutoff 127 and resonance 0), turned on by a setting given after.
    uint8_t filterCutoff = maximumCutoff;
    uint8_t filterResonance = 0;
    bool filterOn = false;
    uint8_t selectedMacro = 0;      // SFx
    // The filter envelope's share of the cutoff, set every tick before the
    // device hears the filter: 0..512 (the envelope's 0..64 x 8), 512 the
    // cutoff as set.
    int32_t filterEnvelopeShare = fullFilterEnvelopeShare;
    uint8_t volumeSlideMemory = 0;
    uint8_t tremorPosition = 0;     // ticks into the on and off phases
    bool tremorSilent = false;      // in the off phase
    uint8_t panbrelloSpeed = 0;
    uint8_t panbrelloDepth = 0;
    uint8_t panbrelloPosition = 0;  // 256 steps a swing
    int32_t panbrelloOffset = 0;    // on the 0..255 panning scale
    EnvelopeState volumeEnvelope;
    EnvelopeState panningEnvelope;
    EnvelopeState pitchEnvelope;
    uint8_t envelopesOff = 0;       // envelope bits S7x turned off for the note
    uint8_t rowFlags = 0;
    NewNoteAction newNoteAction = NewNoteAction::cut;  // of the playing note: the instrument's, or S7x's
    bool noteFade = false;          // fading out without a key off (note fade, or released without an envelope)
};

// A note that a new one replaced on its channel and that goes on in the
// background, on a device channel of the instance's pool.
struct BackgroundVoice {
    ChannelState channel;           // its deviceChannel is the pool channel
    uint32_t owner = 0;             // the module channel it came from
    uint32_t sequence = 0;          // when it went to the background: the lower the older
    bool active = false;
};

// Position, pattern and row as stored at the start of the current row.
struct StatusBlock {
    uint32_t position = 0;
    uint32_t pattern = 0;
    uint32_t row = 0;
    uint32_t tempo = 0;
    uint32_t speed = 0;
    int32_t syncValue = -1;
    uint32_t loopCount = 0;
};

inline constexpr size_t noCursor = SIZE_MAX;

struct PlayerSubsystem;

struct PlayerInstance {
    PlayerSubsystem* subsystem = nullptr;  // the subsystem whose slot holds it
    int32_t slot = -1;
    const Module* module = nullptr;
    size_t rowCursor = noCursor;    // offset into the pattern's rows; noCursor = count from the start
    uint32_t position = 0;
    uint32_t pattern = 0;
    uint32_t row = 0;
    uint32_t lastPosition = 0;
    uint32_t restartPosition = 0;
    uint32_t tempo = 125;
    uint32_t speed = 6;
    uint32_t tick = 0;
    uint32_t patternDelay = 0;
    uint32_t rowExtraTicks = 0;     // S6x: ticks the row lasts beyond the speed
    uint32_t channelCount = 0;
    int32_t maximumPeriod = 54784;
    int32_t minimumPeriod = 57;
    uint32_t periodShift = 2;
    uint32_t maximumVolume = 64;
    uint32_t songLoopCount = 0;
    uint32_t loop = 0;
    uint8_t globalVolume = 64;
    uint8_t musicVolume = 64;
    std::vector<ChannelState> channels;
    std::vector<BackgroundVoice> voices;  // one per pool channel
    uint32_t voiceSequence = 0;
    SwingGenerator swing;
    StatusBlock status;
    SyncCallback syncCallback = nullptr;
    int32_t syncValue = -1;
    int32_t breakRow = -1;          // row a pattern break set on this row; -1 = none
    bool jumpedThisRow = false;
    bool repeatingRow = false;      // set while a pattern delay repeats a row
};

// Up to 16 playing instances and the device they drive.
struct PlayerSubsystem {
    std::array<std::unique_ptr<PlayerInstance>, slotCount> slots;
    const SoundDevice* device = nullptr;
    uint32_t tempo = 125;
    TempoCallback tempoCallback = nullptr;
    uint32_t pendingUpdateRate = 0;  // given to the device at the next tick; 0 = none
    bool starting = false;
};

// Empties the slots and sets tempo 125 on `device`, which must provide the
// channel operations the player uses.
ErrorCode playerInit(PlayerSubsystem& subsystem, const SoundDevice* device);
// Ends every instance.
ErrorCode playerClose(PlayerSubsystem& subsystem);

// Device channels a module's background notes may use beside its own: none
// unless its instruments carry new-note actions.
uint32_t backgroundVoiceCount(const Module& module);

// firstPosition -1 plays the whole song (last and restart positions from the
// module); otherwise all three positions are given and must lie in the song.
// channelNumbers holds the device channels of the module's channels, and
// after those the pool its background notes play on (which may be empty:
// then every new note cuts the old). Fails with 37 when the 16 slots are full.
ErrorCode playSong(PlayerSubsystem& subsystem,
                   const Module& module,
                   int32_t firstPosition,
                   uint32_t lastPosition,
                   uint32_t restartPosition,
                   bool loop,
                   uint32_t channelCount,
                   std::span<const uint8_t> channelNumbers,
                   PlayerInstance*& instance);
ErrorCode stopSong(PlayerSubsystem& subsystem, PlayerInstance* instance);

// The status block with tempo, speed, sync value and loop count refreshed.
ErrorCode getStatus(PlayerInstance& instance, MusicStatus& status);
ErrorCode setPosition(PlayerInstance& instance, int32_t position);
ErrorCode setMusicVolume(PlayerInstance& instance, uint32_t volume);
ErrorCode setChannelVolume(PlayerInstance& instance, uint32_t channel, uint32_t volume);
ErrorCode setSyncCallback(PlayerInstance& instance, SyncCallback callback);
void setTempoCallback(PlayerSubsystem& subsystem, TempoCallback callback);

// One tick for every instance still playing.
ErrorCode playerTick(PlayerSubsystem& subsystem);

}  // namespace corvid::player
