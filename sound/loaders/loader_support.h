#pragma once
// What the MOD, S3M and IT loaders share: byte order helpers over checked
// header buffers, the hand-over of a decoded sample to the device (or to the
// Sample when the caller keeps the data), and the frame around one load that
// frees everything built when a step fails.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "sound/core/error_code.h"
#include "sound/core/sound_device.h"
#include "sound/loaders/file_access.h"
#include "sound/loaders/module.h"
#include "sound/loaders/xm_loader.h"

namespace corvid {

inline uint16_t u16le(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t u32le(const uint8_t* p) { return u16le(p) | static_cast<uint32_t>(u16le(p + 2)) << 16; }
inline uint16_t u16be(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// Text of a fixed-size name field: up to the first NUL, at most `length` bytes.
std::string fixedText(const uint8_t* p, size_t length);

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

// Opens `source` (a file name or bytes in memory) and runs `body` (file,
// module) over a fresh Module; on failure frees whatever it built (samples
// already given to the device included) and returns the code.
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
    error = body(file, *module);
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
    uint8_t command = 0;
    uint8_t argument = 0;
};

// Appends the entry in the player's packed form; nothing when no flag is set.
void writePackedEntry(const PackedEntry& entry, uint32_t channel, std::vector<uint8_t>& out);

// Reads `count` bytes at `offset` from the start; a pointer past the file
// fails with 29 like a short read.
ErrorCode readAt(ModuleFile& file, uint64_t offset, void* destination, uint32_t count);

// The order bytes up to the first 255 (end); 254 becomes a skip entry. Fails
// with 15 when no entry names a pattern. `largestPattern` gets the largest
// pattern named.
ErrorCode convertOrderList(std::span<const uint8_t> orders, Module& module, uint32_t& largestPattern);

// Turns stored PCM into what the device takes: unsigned 8-bit, signed
// 16-bit little-endian.
void toDeviceSampleFormat(std::span<uint8_t> data, bool sixteenBit, bool storedSigned);

// Channel panning on the 0..128 scale for modules that store none: channels 0
// and 3 of each group of four lean left by `separation`, 1 and 2 right.
int32_t separatedPanning(uint32_t channel, int32_t separation);

}  // namespace corvid
