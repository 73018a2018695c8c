#pragma once
// A minimal XM writer for building test modules in code: header, patterns
// (packed with presence masks, or every field written out), instruments with
// envelopes and auto-vibrato, and delta-coded sample data.

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace corvid::testing {

struct XmCell {
    uint8_t note = 0;        // 1..96, 97 key off, 0 none
    uint8_t instrument = 0;  // 1-based, 0 none
    uint8_t volume = 0;      // raw volume-column byte
    uint8_t effect = 0;
    uint8_t argument = 0;
};

struct XmPattern {
    uint16_t rowCount = 64;
    std::vector<std::vector<XmCell>> rows;  // rows x channels; missing rows or cells are empty
    bool unpacked = false;                  // write all five fields of every cell

    XmCell& at(uint32_t row, uint32_t channel, uint32_t channels)
    {
        if (rows.size() <= row)
            rows.resize(row + 1);
        if (rows[row].size() < channels)
            rows[row].resize(channels);
        return rows[row][channel];
    }
};

struct XmEnvelope {
    std::vector<std::array<uint16_t, 2>> points;  // x, y
    uint8_t sustain = 0, loopStart = 0, loopEnd = 0;
    uint8_t type = 0;                             // 1 on, 2 sustain, 4 loop
};

struct XmSample {
    std::vector<int16_t> values;  // 8-bit samples use -128..127
    bool sixteenBit = false;
    uint32_t loopStart = 0, loopLength = 0;  // in frames
    uint8_t loopBits = 0;                    // 1 forward, 2 ping-pong
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t panning = 128;
    int8_t relativeNote = 0;
    std::string name = "sample";
};

struct XmInstrument {
    std::string name = "instrument";
    std::vector<XmSample> samples;
    std::array<uint8_t, 96> noteToSample{};
    XmEnvelope volumeEnvelope, panningEnvelope;
    uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
    uint16_t fadeout = 0;
};

struct XmSong {
    std::string name = "test";
    uint16_t channels = 4;
    std::vector<uint8_t> orders = {0};
    uint16_t restart = 0;
    bool linear = true;
    uint16_t speed = 6, bpm = 125;
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
    uint16_t version = 0x104;
};

class ByteWriter {
public:
    std::vector<uint8_t> bytes;
    void u8(uint32_t v) { bytes.push_back(static_cast<uint8_t>(v)); }
    void u16(uint32_t v) { u8(v), u8(v >> 8); }
    void u32(uint32_t v) { u16(v), u16(v >> 16); }
    void text(const std::string& s, size_t length)
    {
        for (size_t i = 0; i < length; ++i)
            u8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
    }
    void zeros(size_t n) { bytes.insert(bytes.end(), n, 0); }
};

inline void writeEnvelopePoints(ByteWriter& w, const XmEnvelope& e)
{
    for (size_t i = 0; i < 12; ++i) {
        w.u16(i < e.points.size() ? e.points[i][0] : 0);
        w.u16(i < e.points.size() ? e.points[i][1] : 0);
    }
}

inline std::vector<uint8_t> packPattern(const XmPattern& p, uint16_t channels)
{
    ByteWriter w;
    for (uint32_t r = 0; r < p.rowCount; ++r)
        for (uint32_t ch = 0; ch < channels; ++ch) {
            XmCell c;
            if (r < p.rows.size() && ch < p.rows[r].size())
                c = p.rows[r][ch];
            const std::array<uint8_t, 5> fields = {c.note, c.instrument, c.volume, c.effect, c.argument};
            if (p.unpacked) {
                for (uint8_t f : fields)
                    w.u8(f);
                continue;
            }
            uint8_t mask = 0;
            for (size_t f = 0; f < 5; ++f)
                mask |= fields[f] ? 1 << f : 0;
            w.u8(0x80 | mask);
            for (size_t f = 0; f < 5; ++f)
                if (fields[f])
                    w.u8(fields[f]);
        }
    return w.bytes;
}

inline std::vector<uint8_t> writeXm(const XmSong& song)
{
    ByteWriter w;
    w.text("Extended Module: ", 17);
    w.text(song.name, 20);
    w.u8(0x1A);
    w.text("corvid tests", 20);
    w.u16(song.version);
    w.u32(276);
    w.u16(static_cast<uint32_t>(song.orders.size()));
    w.u16(song.restart);
    w.u16(song.channels);
    w.u16(static_cast<uint32_t>(song.patterns.size()));
    w.u16(static_cast<uint32_t>(song.instruments.size()));
    w.u16(song.linear ? 1 : 0);
    w.u16(song.speed);
    w.u16(song.bpm);
    for (size_t i = 0; i < 256; ++i)
        w.u8(i < song.orders.size() ? song.orders[i] : 0);
    for (const XmPattern& p : song.patterns) {
        const std::vector<uint8_t> packed = packPattern(p, song.channels);
        w.u32(9);
        w.u8(0);
        w.u16(p.rowCount);
        w.u16(static_cast<uint32_t>(packed.size()));
        w.bytes.insert(w.bytes.end(), packed.begin(), packed.end());
    }
    for (const XmInstrument& in : song.instruments) {
        const bool hasSamples = !in.samples.empty();
        w.u32(hasSamples ? 263 : 29);
        w.text(in.name, 22);
        w.u8(0);
        w.u16(static_cast<uint32_t>(in.samples.size()));
        if (hasSamples) {
            w.u32(40);
            for (uint8_t s : in.noteToSample)
                w.u8(s);
            writeEnvelopePoints(w, in.volumeEnvelope);
            writeEnvelopePoints(w, in.panningEnvelope);
            w.u8(static_cast<uint32_t>(in.volumeEnvelope.points.size()));
            w.u8(static_cast<uint32_t>(in.panningEnvelope.points.size()));
            for (const XmEnvelope* e : {&in.volumeEnvelope, &in.panningEnvelope})
                w.u8(e->sustain), w.u8(e->loopStart), w.u8(e->loopEnd);
            w.u8(in.volumeEnvelope.type);
            w.u8(in.panningEnvelope.type);
            w.u8(in.vibratoType), w.u8(in.vibratoSweep), w.u8(in.vibratoDepth), w.u8(in.vibratoRate);
            w.u16(in.fadeout);
            w.zeros(2 + 20);  // reserved, then padding to the 263-byte header
        }
        for (const XmSample& s : in.samples) {
            const uint32_t bytesPerFrame = s.sixteenBit ? 2 : 1;
            w.u32(static_cast<uint32_t>(s.values.size()) * bytesPerFrame);
            w.u32(s.loopStart * bytesPerFrame);
            w.u32(s.loopLength * bytesPerFrame);
            w.u8(s.volume);
            w.u8(static_cast<uint8_t>(s.finetune));
            w.u8(s.loopBits | (s.sixteenBit ? 0x10 : 0));
            w.u8(s.panning);
            w.u8(static_cast<uint8_t>(s.relativeNote));
            w.u8(0);
            w.text(s.name, 22);
        }
        for (const XmSample& s : in.samples) {
            int16_t previous = 0;
            for (int16_t v : s.values) {
                const auto delta = static_cast<uint16_t>(v - previous);
                previous = v;
                if (s.sixteenBit)
                    w.u16(delta);
                else
                    w.u8(delta & 0xFF);
            }
        }
    }
    return w.bytes;
}

// A song of one pattern and one instrument with one short looping 8-bit
// sample: enough for most command tests.
inline XmSong simpleSong(uint16_t channels = 2, uint16_t rows = 16)
{
    XmSong song;
    song.channels = channels;
    XmPattern pattern;
    pattern.rowCount = rows;
    song.patterns.push_back(pattern);
    XmInstrument instrument;
    XmSample sample;
    for (int i = 0; i < 32; ++i)
        sample.values.push_back(static_cast<int16_t>(i * 4 - 64));
    sample.loopLength = 32;
    sample.loopBits = 1;
    instrument.samples.push_back(sample);
    song.instruments.push_back(instrument);
    return song;
}

}  // namespace corvid::testing
