#pragma once
// What the engine's parts share: the channel setters, note starts, position
// changes, the command tables, frequencies and envelopes. Used only inside
// sound/player.

#include <optional>

#include "sound/player/player.h"

namespace corvid::player {

// The device the instance's subsystem drives; playerInit checks that it is
// complete.
const SoundDevice& deviceOf(const PlayerInstance& p);

// Channel setters: periods are clamped to the instance's range, volume to
// 0..maximum volume, panning to 0..255.
void setPeriod(const PlayerInstance& p, ChannelState& c, int32_t period);
void setOutputPeriod(const PlayerInstance& p, ChannelState& c, int32_t period);
void setVolume(const PlayerInstance& p, ChannelState& c, int32_t volume);
void setPanning(ChannelState& c, int32_t panning);
// The global volume, clamped to the module's scale (0..64, or 0..128 with
// moduleWideGlobalVolume).
void setGlobalVolume(PlayerInstance& p, int32_t volume);

const Instrument* currentInstrument(const PlayerInstance& p, const ChannelState& c);
const Sample* currentSample(const PlayerInstance& p, const ChannelState& c);
// The instrument's sample for a note (its keyboard), or noSample.
uint8_t lookUpSample(const PlayerInstance& p, int32_t instrumentIndex, uint8_t note);

// The period of a note byte (octave << 4 | semitone) for the channel's sample.
int32_t periodOfNote(const PlayerInstance& p, const ChannelState& c, uint8_t note);
// MOD: the note's table period, moved by the sample's finetune (a signed
// nibble, eighths of a semitone).
int32_t modPeriodOfNote(uint8_t note, int32_t finetune);
// Hz for a period of the sample (or of none); a period of 0 fails with 17.
ErrorCode rateOfPeriod(const Module& module, const Sample* sample, int32_t period, uint32_t& rate);

// Period range, slide scale and volume ceiling of the module's type.
void applyModuleRules(PlayerInstance& p);
inline constexpr int32_t deviceSurroundPanning = 128;
// The device's panning (-64..64, deviceSurroundPanning) for a channel panning.
int32_t devicePanningOf(const PlayerInstance& p, int32_t panning);
// A channel panning on the 0..255 scale (128 centre) whatever the module's
// type; surround counts as centre.
int32_t fullScalePanningOf(const PlayerInstance& p, int32_t panning);

// Starts the channel's note (or key off); clears the new-note flag.
ErrorCode startNote(PlayerInstance& p, ChannelState& c);
// Moves the device channel to the sample offset (bytes; twice for 16-bit data).
ErrorCode setSampleOffset(const PlayerInstance& p, const ChannelState& c);
// Envelope positions and holds, fade volume and auto-vibrato back to the
// start for the channel's next note; an envelope that carries keeps its
// position when the next note has the playing note's instrument.
void resetInstrumentState(const PlayerInstance& p, ChannelState& c);

// Sends the channel's volume, panning and rate for this tick to the device
// (envelopes, fade-out and auto-vibrato move on).
ErrorCode updateDeviceChannel(PlayerInstance& p, ChannelState& c);

// Before a row's new note replaces the playing one (no tone portamento): the
// old note goes to the background by its new-note action, and the channel's
// background duplicates of the new note act by the instrument's rule.
ErrorCode applyNewNoteAction(PlayerInstance& p, ChannelState& c);
// S7x.
ErrorCode noteActionControl(PlayerInstance& p, ChannelState& c);
// Note off: the envelopes leave their sustain, the sample its sustain loop;
// under IT's fade rules the note fades when it has no volume envelope or a
// looping one.
ErrorCode releaseNote(const PlayerInstance& p, ChannelState& c);
// The background notes' tick: volume, panning and rate to the device; those
// that have ended or faded out leave the pool.
ErrorCode updateBackgroundVoices(PlayerInstance& p);

// Next order-list position, wrapping to the restart position.
void advancePosition(PlayerInstance& p);
void countWrap(PlayerInstance& p);

// Row handler (tick 0) and tick handler of the channel's command, and of its
// volume-column byte.
ErrorCode runRowCommand(PlayerInstance& p, ChannelState& c);
ErrorCode runTickCommand(PlayerInstance& p, ChannelState& c);
ErrorCode runVolumeColumnRow(PlayerInstance& p, ChannelState& c);
ErrorCode runVolumeColumnTick(PlayerInstance& p, ChannelState& c);
// IT's effects (no old-effects flag): the vibrato of H, U, K and the volume
// column moves the pitch on the row's first tick too, after the row's note
// has started, its position moving on as on every other tick. The other
// formats and IT's old effects leave that tick alone.
ErrorCode firstTickVibrato(PlayerInstance& p, ChannelState& c);
// Replaces a zero argument by the command's memory where the command keeps one.
void applyCommandMemory(ChannelState& c);
// Zxx (the channel's argument) with the module's MIDI macros.
void applyMidiMacro(const PlayerInstance& p, ChannelState& c);

// 4xy's step: output period = period + sine x depth, scaled by the period
// shift and `extraShift` more (2 for fine vibrato); the position moves on.
void vibrato(PlayerInstance& p, ChannelState& c, uint32_t extraShift = 0);

// The S3M and IT rules of Dxy, Exx, Fxx, Nxy and Pxy, each the row and the
// tick handler (the fine forms act on the row's first tick, the others on
// later ones), and of Uxy and Txy.
ErrorCode volumeSlideWithFine(PlayerInstance& p, ChannelState& c);
ErrorCode portaDownWithFine(PlayerInstance& p, ChannelState& c);
ErrorCode portaUpWithFine(PlayerInstance& p, ChannelState& c);
ErrorCode channelVolumeSlide(PlayerInstance& p, ChannelState& c);
ErrorCode panningSlideWithFine(PlayerInstance& p, ChannelState& c);
ErrorCode fineVibratoTick(PlayerInstance& p, ChannelState& c);
ErrorCode tempoSlideTick(PlayerInstance& p, ChannelState& c);
// IT's Wxy (row and tick, as Dxy) and Qxy (every tick, the first included).
ErrorCode globalVolumeSlideWithFine(PlayerInstance& p, ChannelState& c);
ErrorCode retriggerWithVolume(PlayerInstance& p, ChannelState& c);
// The volume after a retrigger with volume change x: 1..5 take 1, 2, 4, 8,
// 16 away and 9..D add them; 6, 7, E and F scale it, by 10/16, 8/16, 24/16
// and 32/16 for Rxy, by 2/3, 1/2, 3/2 and 2 for IT's Qxy.
enum class RetriggerScale { sixteenths, itFractions };
int32_t retriggerVolume(int32_t volume, uint8_t x, RetriggerScale scale);
// IT's volume-column pitch slide by x x 4 (0: the amount Exx and Fxx
// remember): the row stores it, each later tick slides; direction +1 down.
void volumeColumnPitchSlide(PlayerInstance& p, ChannelState& c, uint8_t x, int32_t direction);
// Sets the instance's tempo and the device's update rate (tempo x 40, 1/100
// Hz): at once for a module whose tempo times its row, else at the next tick.
ErrorCode changeTempo(PlayerInstance& p, uint32_t tempo);
// Gives the device (and the tempo callback) an update rate now.
ErrorCode setUpdateRate(PlayerSubsystem& subsystem, uint32_t centiHertz);

// 8.8 fixed-point value of an envelope (0..64 x 256); advances its position.
int32_t envelopeValue(const Envelope& envelope, EnvelopeState& state, bool keyOff);
// The instrument's envelope when it has points and S7x has not turned it off.
const Envelope* activeEnvelope(const std::optional<Envelope>& envelope, const ChannelState& c, uint8_t bit);
// Whether the envelope has come to its last point for good (no loop, no
// sustain it still waits at).
bool envelopeEnded(const Envelope& envelope, const EnvelopeState& state, bool keyOff);
// Auto-vibrato wave value (-64..64) of a waveform at a position; negative
// values raise the pitch.
int32_t autoVibratoWave(uint8_t waveform, uint8_t position);
// One tick of the note's auto-vibrato (its instrument's, or with
// moduleSampleAutoVibrato its sample's): the depth grows, the position moves
// on, and the answer is the pitch's offset in 768ths of an octave (a period
// offset on linear periods), upwards when negative; none when it has no depth.
std::optional<int32_t> autoVibratoStep(PlayerInstance& p, ChannelState& c, const Instrument* instrument,
                                       const Sample* sample);

inline constexpr std::array<uint8_t, 32> vibratoSine = {0,   24,  49,  74,  97,  120, 141, 161, 180, 197, 212,
                                                        224, 235, 244, 250, 253, 255, 253, 250, 244, 235, 224,
                                                        212, 197, 180, 161, 141, 120, 97,  74,  49,  24};

}  // namespace corvid::player
