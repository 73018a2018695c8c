#pragma once
// What the loaders share: the effect conversion tables, the hand-over of a
// decoded sample to the device (or to the Sample when the caller keeps the
// data), the packed entry writer, and the frame around one load that gives
// the loader the file's bytes and frees everything built when a step fails.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "sound/core/error_code.h"
#include "sound/core/sound_device.h"
#include "sound/loaders/byte_reader.h"
#include "sound/loaders/file_access.h"
#include "sound/loaders/module.h"
#include "sound/loaders/xm_loader.h"

namespace corvid {

// High nibble of Exy (XM and MOD) -> command; none = dropped.
inline constexpr std::array<Command, 16> extendedCommands = {
    Command::none,         Command::finePortaUp,  Command::finePortaDown,  Command::none,
    Command::none,         Command::none,         Command::patternLoop,    Command::none,
    Command::finePanning,  Command::retrigger,    Command::fineVolumeUp,   Command::fineVolumeDown,
    Command::noteCut,      Command::noteDelay,    Command::patternDelay,   Command::none,
};

// High nibble of Sxy (S3M and IT) -> command, with the low nibble as argument.
inline constexpr std::array<Command, 16> specialCommands = {
    Command::none,         Command::none,         Command::none,           Command::none,
    Command::none,         Command::none,         Command::none,           Command::noteActionControl,
    Command::finePanning,  Command::none,         Command::none,           Command::patternLoop,
    Command::noteCut,      Command::noteDelay,    Command::patternDelay,   Command::none,
};

// S3M and IT effect letters A..Z (index 1..26) -> command; none = dropped.
// A (speed), C (break), S (special), T (tempo) and V (global volume) differ
// in their arguments and each loader decides them apart.
inline constexpr std::array<Command, 27> letterCommands = {
    Command::none,
    Command::none,                 // A speed
    Command::positionJump,         // B
    Command::none,                 // C break
    Command::volumeSlideWithFine,  // D
    Command::portaDownWithFine,    // E
    Command::portaUpWithFine,      // F
    Command::tonePorta,            // G
    Command::vibrato,              // H
    Command::none,                 // I tremor
    Command::arpeggio,             // J
    Command::vibratoVolumeSlide,   // K
    Command::tonePortaVolumeSlide, // L
    Command::none,                 // M channel volume
    Command::none,                 // N channel volume slide
    Command::sampleOffset,         // O
    Command::none,                 // P panning slide
    Command::multiRetrigger,       // Q
    Command::tremolo,              // R
    Command::none,                 // S special
    Command::none,                 // T tempo
    Command::fineVibrato,          // U
    Command::none,                 // V global volume
    Command::globalVolumeSlide,    // W
    Command::setPanning,           // X
    Command::none,                 // Y panbrello
    Command::none,                 // Z
};
inline constexpr uint8_t letterSpeed = 1, letterBreak = 3, letterSpecial = 19, letterTempo = 20, letterGlobalVolume = 22,
                         letterGlobalVolumeSlide = 23;

// Sxy -> command; the argument keeps y.
inline Command specialCommand(uint8_t& argument)
{
    const Command command = specialCommands[argument >> 4];
    argument &= 15;
    return command;
}

// The program named by an S3M or IT "created with" word: tracker in the top
// nibble (0 and 3 Impulse Tracker, 1 Scream Tracker), version in BCD below.
std::string trackerOfVersion(uint16_t createdWith);

// Where a loader's decoded samples go.
struct SampleTarget {
    bool addToDevice = true;
    SampleCallback callback = nullptr;
    const SoundDevice* device = nullptr;
};

// Gives `data` (already in the device's format) to the device with `description`'s
// type and loops and stores the handle; without addToDevice the Sample keeps it.
ErrorCode handOverSample(Sample& sample, std::vector<uint8_t>& data, SampleDescription description,
                         const SampleTarget& target);

// Opens `source` (a file name or bytes in memory) and runs `body` (a reader
// over the file's bytes, module) over a fresh Module; on failure frees
// whatever it built (samples already given to the device included) and
// returns the code.
template <typename Source, typename Body>
ErrorCode loadModuleFrom(Source source, const SampleTarget& target, std::unique_ptr<Module>& result, Body body)
{
    ModuleFile file;
    ErrorCode error = ErrorCode::ok;
    if constexpr (std::is_same_v<Source, const char*>)
        error = file.open(source);
    else
        error = file.openBytes(source);
    if (error != ErrorCode::ok)
        return error;
    auto module = std::make_unique<Module>();
    ByteReader reader(file.bytes());
    error = body(reader, *module);
    file.close();
    if (error != ErrorCode::ok) {
        freeModule(module, target.device);
        return error;
    }
    result = std::move(module);
    return ErrorCode::ok;
}

// One converted channel slot of a pattern row.
struct PackedEntry {
    uint8_t flags = 0;  // entryNoteAndInstrument, entryVolume, entryCommand
    uint8_t note = noteNone;
    uint8_t instrument = instrumentNone;
    uint8_t volume = 0;
    Command command = Command::none;
    uint8_t argument = 0;
};

// Appends the entry in the player's packed form; nothing when no flag is set.
void writePackedEntry(const PackedEntry& entry, uint32_t channel, std::vector<uint8_t>& out);

// 29 ("Unexpected end of file") when `reader` ran past the data.
inline ErrorCode endOfSection(const ByteReader& reader)
{
    return reader.truncated() ? ErrorCode::unexpectedEndOfFile : ErrorCode::ok;
}

// The order bytes up to the first 255 (end); 254 becomes a skip entry. Fails
// with 15 when no entry names a pattern. `largestPattern` gets the largest
// pattern named.
ErrorCode convertOrderList(std::span<const uint8_t> orders, Module& module, uint32_t& largestPattern);

// Turns stored PCM into what the device takes: unsigned 8-bit, signed
// 16-bit little-endian.
void toDeviceSampleFormat(std::span<uint8_t> data, bool sixteenBit, bool storedSigned);

}  // namespace corvid
