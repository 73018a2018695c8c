#pragma once
// Writes small IT files for the loader and playback tests: one sample, one
// pattern, and optionally one instrument.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace corvid::testing {

// Little-endian writing helpers over a growing file.
struct Bytes {
    std::vector<uint8_t> v;
    size_t put8(uint8_t x) { v.push_back(x); return v.size() - 1; }
    void put16(uint32_t x) { put8(uint8_t(x)), put8(uint8_t(x >> 8)); }
    void put32(uint32_t x) { put16(x), put16(x >> 16); }
    void set32(size_t at, uint32_t x) { for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i)); }
    void text(const std::string& s, size_t length) { for (size_t i = 0; i < length; ++i) put8(i < s.size() ? uint8_t(s[i]) : 0); }
};

// An instrument envelope as the file stores it: y signed for panning and pitch.
struct ItEnvelope {
    uint8_t flags = 0;  // 1 on, 2 loop, 4 sustain loop, 0x80 filter (pitch)
    std::vector<std::pair<int8_t, uint16_t>> points;  // y, x
    uint8_t loopStart = 0, loopEnd = 0, sustainStart = 0, sustainEnd = 0;
};

struct ItFile {
    std::vector<uint8_t> orders = {0, 254, 0, 255};
    std::vector<uint8_t> pattern;          // packed rows
    uint16_t rows = 4;
    bool instruments = false;
    std::vector<uint8_t> sampleData = {0x00, 0x10, 0xF0, 0x7F};  // signed 8-bit (16-bit with sample flag 2)
    uint8_t sampleFlags = 1 | 16;          // data, loop (32 sustain loop, 64 and 128 ping-pong)
    uint32_t loopStart = 1, loopEnd = 3, sustainStart = 0, sustainEnd = 0;  // frames
    uint8_t sampleDefaultPanning = 32;     // bit 7 says it is used
    std::array<uint8_t, 4> sampleVibrato{};  // speed, depth, rate, waveform
    uint32_t middleC = 8363;
    std::array<uint8_t, 64> panning = [] { std::array<uint8_t, 64> p{}; p.fill(32); return p; }();
    std::array<uint8_t, 64> channelVolume = [] { std::array<uint8_t, 64> v{}; v.fill(64); return v; }();
    uint8_t sampleGlobalVolume = 64;
    uint8_t instrumentGlobalVolume = 128;
    uint8_t fadeout = 8;
    uint16_t extraFlags = 0;               // header flags beyond stereo, linear slides and instruments
    uint16_t extraSpecial = 0;             // special flags beyond the message's
    std::vector<uint8_t> afterOffsets;     // stored just after the offsets (edit history, MIDI macros)
    uint16_t compatibleVersion = 0x0214;   // below 0x200 instruments take the old layout
    uint8_t newNoteAction = 0, duplicateCheck = 0, duplicateAction = 0;
    uint8_t filterCutoff = 0, filterResonance = 0;  // as stored: bit 7 says the value is used
    uint8_t defaultPanning = 128 | 32;     // the instrument's: bit 7 says it is not used
    uint8_t volumeSwing = 0, panningSwing = 0;
    int8_t pitchPanSeparation = 0;
    uint8_t pitchPanCentre = 60;
    int8_t keyboardShift = 0;              // the keyboard plays each key's note moved by this many semitones
    // Volume, panning and pitch; the volume envelope runs 64 down to 32 at
    // tick 10 and holds there (a sustain loop of one point).
    std::array<ItEnvelope, 3> envelopes = {ItEnvelope{1 | 4, {{64, 0}, {32, 10}}, 0, 0, 1, 1}, {}, {}};
    std::string message;                   // lines ended by CR, stored after everything else
    uint32_t messageLength = 0;            // as stored; the message's own length when 0
};

// One sample, one pattern, and with `instruments` one instrument whose
// keyboard maps notes 0..59 to no sample and 60 and up to the sample, with a
// the envelopes given.
inline std::vector<uint8_t> writeIt(const ItFile& f)
{
    Bytes b;
    b.text("IMPM", 4);
    b.text("it test song", 26);
    b.put16(0x1004);
    b.put16(static_cast<uint32_t>(f.orders.size()));
    b.put16(f.instruments ? 1 : 0);
    b.put16(1);
    b.put16(1);
    b.put16(0x0217);
    b.put16(f.compatibleVersion);
    b.put16(1 | 8 | (f.instruments ? 4 : 0) | f.extraFlags);  // stereo, linear slides
    b.put16((f.message.empty() ? 0 : 1) | f.extraSpecial);  // message attached
    b.put8(128), b.put8(48), b.put8(4), b.put8(140), b.put8(128), b.put8(0);
    b.put16(f.messageLength != 0 ? f.messageLength : static_cast<uint32_t>(f.message.size()));
    const size_t messagePointer = b.v.size();
    b.put32(0), b.put32(0);
    for (uint8_t p : f.panning) b.put8(p);
    for (uint8_t v : f.channelVolume) b.put8(v);
    for (uint8_t o : f.orders) b.put8(o);
    const size_t instrumentPointer = b.v.size();
    if (f.instruments) b.put32(0);
    const size_t samplePointer = b.v.size();
    b.put32(0);
    const size_t patternPointer = b.v.size();
    b.put32(0);
    b.v.insert(b.v.end(), f.afterOffsets.begin(), f.afterOffsets.end());
    // The header's start, its name and its keyboard (notes 60 and up to the sample); the rest zero.
    const auto startInstrument = [&](size_t bytes, const std::string& name) {
        b.set32(instrumentPointer, static_cast<uint32_t>(b.v.size()));
        const size_t start = b.v.size();
        b.text("IMPI", 4);
        b.v.resize(start + bytes, 0);
        std::memcpy(&b.v[start + 0x20], name.data(), name.size());
        for (int note = 0; note < 120; ++note) {
            b.v[start + 0x40 + note * 2] = uint8_t(note + f.keyboardShift);
            b.v[start + 0x41 + note * 2] = note >= 60 ? 1 : 0;
        }
        return start;
    };
    if (f.instruments && f.compatibleVersion < 0x200) {
        // The layout before 2.0: the volume envelope alone, as (tick, value) points ended by tick 0xFF.
        const size_t start = startInstrument(0x22A, "old keyboard");
        const ItEnvelope& envelope = f.envelopes[0];
        b.v[start + 0x11] = envelope.flags;
        b.v[start + 0x12] = envelope.loopStart, b.v[start + 0x13] = envelope.loopEnd;
        b.v[start + 0x14] = envelope.sustainStart, b.v[start + 0x15] = envelope.sustainEnd;
        b.v[start + 0x18] = f.fadeout;
        b.v[start + 0x1A] = f.newNoteAction;
        b.v[start + 0x1B] = f.duplicateCheck;
        for (size_t n = 0; n < 25; ++n) {
            b.v[start + 0x1F8 + 2 * n] = n < envelope.points.size() ? uint8_t(envelope.points[n].second) : 0xFF;
            b.v[start + 0x1F9 + 2 * n] = n < envelope.points.size() ? uint8_t(envelope.points[n].first) : 0;
        }
    } else if (f.instruments) {
        const size_t start = startInstrument(0x226, "keyboard");
        b.v[start + 0x11] = f.newNoteAction;
        b.v[start + 0x12] = f.duplicateCheck;
        b.v[start + 0x13] = f.duplicateAction;
        b.v[start + 0x14] = f.fadeout;
        b.v[start + 0x16] = static_cast<uint8_t>(f.pitchPanSeparation);
        b.v[start + 0x17] = f.pitchPanCentre;
        b.v[start + 0x18] = f.instrumentGlobalVolume;
        b.v[start + 0x19] = f.defaultPanning;
        b.v[start + 0x1A] = f.volumeSwing;
        b.v[start + 0x1B] = f.panningSwing;
        b.v[start + 0x3A] = f.filterCutoff;
        b.v[start + 0x3B] = f.filterResonance;
        for (size_t i = 0; i < f.envelopes.size(); ++i) {
            const ItEnvelope& envelope = f.envelopes[i];
            uint8_t* e = &b.v[start + 0x130 + 0x52 * i];
            e[0] = envelope.flags;
            e[1] = static_cast<uint8_t>(envelope.points.size());
            e[2] = envelope.loopStart, e[3] = envelope.loopEnd, e[4] = envelope.sustainStart, e[5] = envelope.sustainEnd;
            for (size_t n = 0; n < envelope.points.size(); ++n) {
                e[6 + 3 * n] = static_cast<uint8_t>(envelope.points[n].first);
                e[7 + 3 * n] = static_cast<uint8_t>(envelope.points[n].second);
                e[8 + 3 * n] = static_cast<uint8_t>(envelope.points[n].second >> 8);
            }
        }
    }
    b.set32(samplePointer, static_cast<uint32_t>(b.v.size()));
    const size_t sample = b.v.size();
    b.text("IMPS", 4);
    b.v.resize(sample + 0x50, 0);
    b.v[sample + 0x11] = f.sampleGlobalVolume;
    b.v[sample + 0x12] = f.sampleFlags;
    b.v[sample + 0x13] = 48;
    std::memcpy(&b.v[sample + 0x14], "a sample", 8);
    b.v[sample + 0x2E] = 1;  // signed
    b.set32(sample + 0x30, static_cast<uint32_t>(f.sampleData.size() / ((f.sampleFlags & 2) ? 2 : 1)));
    b.v[sample + 0x2F] = f.sampleDefaultPanning;
    b.set32(sample + 0x34, f.loopStart);
    b.set32(sample + 0x38, f.loopEnd);
    b.set32(sample + 0x3C, f.middleC);
    b.set32(sample + 0x40, f.sustainStart);
    b.set32(sample + 0x44, f.sustainEnd);
    std::memcpy(&b.v[sample + 0x4C], f.sampleVibrato.data(), 4);
    b.set32(patternPointer, static_cast<uint32_t>(b.v.size()));
    b.put16(static_cast<uint32_t>(f.pattern.size()));
    b.put16(f.rows);
    b.put32(0);
    b.v.insert(b.v.end(), f.pattern.begin(), f.pattern.end());
    b.set32(sample + 0x48, static_cast<uint32_t>(b.v.size()));
    b.v.insert(b.v.end(), f.sampleData.begin(), f.sampleData.end());
    if (!f.message.empty()) {
        b.set32(messagePointer, static_cast<uint32_t>(b.v.size()));
        b.text(f.message, f.message.size());
    }
    return b.v;
}

// One channel's rows: each a list of packed bytes after the channel byte
// (mask, then the fields it names); the rows end where the list ends.
inline ItFile channelRows(const std::vector<std::vector<uint8_t>>& rows)
{
    ItFile f;
    f.rows = static_cast<uint16_t>(rows.size());
    for (const std::vector<uint8_t>& row : rows) {
        if (!row.empty()) {
            f.pattern.push_back(0x81);
            f.pattern.insert(f.pattern.end(), row.begin(), row.end());
        }
        f.pattern.push_back(0);
    }
    return f;
}

// An edit history of `entries` entries, as the file keeps it after the offsets.
inline std::vector<uint8_t> editHistory(uint16_t entries)
{
    std::vector<uint8_t> out(2 + 8 * size_t{entries}, 0);
    out[0] = uint8_t(entries), out[1] = uint8_t(entries >> 8);
    return out;
}

// An embedded MIDI configuration, 32 bytes a macro: nine global macros (each
// one that would set the cutoff, to show where a reader loses its place),
// then the macros given by index: 0..15 SF0..SFF, 16 + x - 0x80 Zx (x 0x80..0xFF).
inline std::vector<uint8_t> midiConfiguration(const std::vector<std::pair<size_t, std::string>>& macros)
{
    std::vector<uint8_t> out((9 + 16 + 128) * 32, 0);
    for (size_t global = 0; global < 9; ++global)
        std::memcpy(&out[global * 32], "F0F000 20", 9);
    for (const auto& [index, text] : macros)
        std::memcpy(&out[(9 + index) * 32], text.data(), std::min<size_t>(text.size(), 32));
    return out;
}

constexpr uint8_t noteAndSample = 0x03, effectOnly = 0x08, noteSampleEffect = 0x0B, volumeOnly = 0x04,
                  noteSampleVolume = 0x07, noteOnly = 0x01;
// Effect letters (A is 1) and notes as the file stores them.
constexpr uint8_t letterE = 5, letterF = 6, letterG = 7, letterH = 8, letterI = 9, letterM = 13, letterN = 14, letterO = 15,
                  letterP = 16, letterQ = 17, letterS = 19, letterU = 21, letterV = 22, letterW = 23, letterX = 24,
                  letterY = 25, letterZ = 26;
constexpr uint8_t noteC5 = 60, noteD5 = 62, noteE5 = 64, itKeyOff = 255, itFade = 246;

}  // namespace corvid::testing
