#pragma once
// A plain record of an XM module, as a tracker would save it, and the writer
// that turns it into the bytes of an .xm file.
//
// The record holds the values of the file, not of a player: notes 1..96 with
// 97 as key off, instrument numbers from 1, the raw volume-column byte, the
// tracker's effect numbers. Sample data are signed values (8-bit samples keep
// them in -128..127); loops are counted in sample frames and become bytes only
// in the file.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace composer {

inline constexpr std::uint8_t keyOffNote = 97;
inline constexpr int maxEnvelopePoints = 12;
inline constexpr int maxSamplesPerInstrument = 16;

struct XmCell {
    std::uint8_t note = 0;        // 0 none, 1..96 (1 = C-0), 97 key off
    std::uint8_t instrument = 0;  // 0 none, else 1-based instrument number
    std::uint8_t volume = 0;      // volume-column byte: 0 none, 0x10..0x50 set, above: column effects
    std::uint8_t effect = 0;      // effect number (0..35; 0 with parameter 0 means none)
    std::uint8_t parameter = 0;

    friend bool operator==(const XmCell&, const XmCell&) = default;
};

struct XmPattern {
    int rows = 64;               // 1..256
    std::vector<XmCell> cells;   // rows × channel count, row after row

    XmCell& at(int row, int channel, int channelCount)
    {
        return cells.at(static_cast<std::size_t>(row) * static_cast<std::size_t>(channelCount)
                        + static_cast<std::size_t>(channel));
    }
};

struct XmEnvelopePoint {
    std::uint16_t x = 0;  // ticks, increasing
    std::uint16_t y = 0;  // 0..64
};

// An envelope is on when it has points; -1 marks no sustain point or no loop.
struct XmEnvelope {
    std::vector<XmEnvelopePoint> points;  // at most 12
    int sustainPoint = -1;
    int loopStart = -1;
    int loopEnd = -1;
};

enum class XmLoop : std::uint8_t { none = 0, forward = 1, pingPong = 2 };

struct XmSample {
    std::string name;                 // at most 22 characters
    bool sixteenBit = false;
    std::vector<std::int16_t> data;   // signed; 8-bit samples in -128..127
    XmLoop loop = XmLoop::none;
    std::uint32_t loopStart = 0;      // frames
    std::uint32_t loopLength = 0;     // frames; 0 means no loop
    std::uint8_t volume = 64;         // 0..64
    std::int8_t finetune = 0;
    std::uint8_t panning = 128;       // 0..255, 128 centre
    std::int8_t relativeNote = 0;     // semitones added to every note
};

struct XmAutoVibrato {
    std::uint8_t type = 0;  // 0 sine, 1 square, 2 ramp down, 3 ramp up
    std::uint8_t sweep = 0;
    std::uint8_t depth = 0;
    std::uint8_t rate = 0;
};

// An instrument without samples is written as its name alone, as trackers do.
struct XmInstrument {
    std::string name;                            // at most 22 characters
    std::vector<XmSample> samples;               // at most 16
    std::array<std::uint8_t, 96> noteToSample{}; // sample index per note
    XmEnvelope volumeEnvelope;
    XmEnvelope panningEnvelope;
    XmAutoVibrato vibrato;
    std::uint16_t fadeout = 0;
};

struct XmModule {
    std::string name;          // at most 20 characters
    std::string trackerName;   // at most 20 characters
    int channelCount = 8;      // 1..32
    bool linearFrequencies = true;
    int restartPosition = 0;
    int speed = 6;             // ticks per row, 1..31
    int tempo = 125;           // beats per minute, 32..255
    std::vector<std::uint8_t> orders;  // 1..256 pattern numbers
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
};

// Empty when the module can be written; otherwise what is wrong with it.
std::string checkModule(const XmModule& module);

// Choices no tracker makes, for the tests of a reader: a module with faults
// written as it is, and patterns in the old unpacked form.
struct XmWriteOptions {
    bool check = true;              // refuse a module checkModule finds fault with
    bool unpackedPatterns = false;  // every cell as its five fields, no flag bytes
};

// One pattern in the file's packed form: per cell either the five fields
// (when all are present) or a flag byte 0x80 | presence mask and the present
// fields. A pattern with nothing in it packs to no bytes at all.
std::vector<std::uint8_t> packPattern(const XmPattern& pattern, int channelCount, bool unpacked = false);

struct XmFile {
    std::vector<std::uint8_t> bytes;  // empty on failure
    std::string error;                // empty on success
};

XmFile writeXm(const XmModule& module, const XmWriteOptions& options = {});

}  // namespace composer
