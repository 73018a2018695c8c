#pragma once
// A minimal S3M writer for building test modules in code: header, order
// list, parapointers, optional panning table, sample instruments, packed
// patterns and sample data, each block on a 16-byte boundary.

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace corvid::testing {

struct S3mCell {
    uint8_t note = 255;        // octave << 4 | semitone, 254 cut, 255 none
    uint8_t instrument = 0;    // 1-based
    int16_t volume = -1;       // -1 = none
    uint8_t effect = 0;        // 1 = A
    uint8_t argument = 0;
};

struct S3mSample {
    uint8_t type = 1;          // 1 sample, 2+ AdLib
    std::vector<uint8_t> bytes;  // as stored
    bool sixteenBit = false;
    bool loop = false;
    uint32_t loopStart = 0, loopEnd = 0;  // frames
    uint8_t volume = 64;
    uint32_t middleC = 8363;
    uint8_t pack = 0;
    std::string name = "sample";
};

struct S3mSong {
    std::string name = "test";
    std::vector<uint8_t> orders = {0};
    std::array<uint8_t, 32> channelSettings = [] {
        std::array<uint8_t, 32> s{};
        s.fill(255);
        for (uint8_t c = 0; c < 4; ++c)
            s[c] = c % 2 == 0 ? c : static_cast<uint8_t>(8 + c);
        return s;
    }();
    uint16_t flags = 0;
    uint16_t sampleFormat = 2;  // 1 signed, 2 unsigned
    uint8_t globalVolume = 64, speed = 6, tempo = 125, masterVolume = 0xB0;
    bool storePanning = false;
    std::array<uint8_t, 32> panning{};
    std::vector<S3mSample> samples;
    std::vector<std::vector<std::pair<uint32_t, std::pair<uint8_t, S3mCell>>>> patterns;  // (row, (channel, cell))
};

inline std::vector<uint8_t> writeS3m(const S3mSong& song)
{
    std::vector<uint8_t> out(0x60, 0);
    auto put16 = [&](size_t at, uint32_t v) { out[at] = uint8_t(v), out[at + 1] = uint8_t(v >> 8); };
    auto align = [&] { out.resize((out.size() + 15) & ~size_t(15), 0); };
    std::memcpy(out.data(), song.name.data(), std::min<size_t>(song.name.size(), 28));
    out[0x1C] = 0x1A;
    out[0x1D] = 16;
    put16(0x20, static_cast<uint32_t>(song.orders.size()));
    put16(0x22, static_cast<uint32_t>(song.samples.size()));
    put16(0x24, static_cast<uint32_t>(song.patterns.size()));
    put16(0x26, song.flags);
    put16(0x28, 0x1320);
    put16(0x2A, song.sampleFormat);
    std::memcpy(&out[0x2C], "SCRM", 4);
    out[0x30] = song.globalVolume;
    out[0x31] = song.speed;
    out[0x32] = song.tempo;
    out[0x33] = song.masterVolume;
    out[0x35] = song.storePanning ? 252 : 0;
    std::memcpy(&out[0x40], song.channelSettings.data(), 32);
    out.insert(out.end(), song.orders.begin(), song.orders.end());
    const size_t pointers = out.size();
    out.resize(out.size() + 2 * (song.samples.size() + song.patterns.size()), 0);
    if (song.storePanning)
        out.insert(out.end(), song.panning.begin(), song.panning.end());
    std::vector<size_t> headers;
    for (size_t i = 0; i < song.samples.size(); ++i) {
        align();
        put16(pointers + 2 * i, static_cast<uint32_t>(out.size() / 16));
        headers.push_back(out.size());
        out.resize(out.size() + 0x50, 0);
    }
    for (size_t p = 0; p < song.patterns.size(); ++p) {
        align();
        put16(pointers + 2 * (song.samples.size() + p), static_cast<uint32_t>(out.size() / 16));
        const size_t start = out.size();
        out.resize(out.size() + 2, 0);
        for (uint32_t row = 0; row < 64; ++row) {
            for (const auto& [r, entry] : song.patterns[p]) {
                if (r != row)
                    continue;
                const auto& [channel, cell] = entry;
                uint8_t what = channel;
                what |= (cell.note != 255 || cell.instrument != 0) ? 0x20 : 0;
                what |= cell.volume >= 0 ? 0x40 : 0;
                what |= (cell.effect != 0 || cell.argument != 0) ? 0x80 : 0;
                out.push_back(what);
                if (what & 0x20)
                    out.insert(out.end(), {cell.note, cell.instrument});
                if (what & 0x40)
                    out.push_back(static_cast<uint8_t>(cell.volume));
                if (what & 0x80)
                    out.insert(out.end(), {cell.effect, cell.argument});
            }
            out.push_back(0);
        }
        put16(start, static_cast<uint32_t>(out.size() - start));
    }
    for (size_t i = 0; i < song.samples.size(); ++i) {
        const S3mSample& s = song.samples[i];
        align();
        const size_t data = out.size() / 16;
        out.insert(out.end(), s.bytes.begin(), s.bytes.end());
        uint8_t* h = &out[headers[i]];
        const uint32_t frames = static_cast<uint32_t>(s.bytes.size() / (s.sixteenBit ? 2 : 1));
        const uint32_t words[] = {frames, s.loopStart, s.loopEnd};
        h[0] = s.type;
        h[0x0D] = static_cast<uint8_t>(data >> 16);
        h[0x0E] = static_cast<uint8_t>(data);
        h[0x0F] = static_cast<uint8_t>(data >> 8);
        for (int w = 0; w < 3; ++w)
            for (int b = 0; b < 4; ++b)
                h[0x10 + 4 * w + b] = static_cast<uint8_t>(words[w] >> (8 * b));
        h[0x1C] = s.volume;
        h[0x1E] = s.pack;
        h[0x1F] = static_cast<uint8_t>((s.loop ? 1 : 0) | (s.sixteenBit ? 4 : 0));
        for (int b = 0; b < 4; ++b)
            h[0x20 + b] = static_cast<uint8_t>(s.middleC >> (8 * b));
        std::memcpy(h + 0x30, s.name.data(), std::min<size_t>(s.name.size(), 28));
        std::memcpy(h + 0x4C, "SCRS", 4);
    }
    return out;
}

// One unsigned 8-bit sample (a ramp) and one pattern with the given cells.
inline S3mSong s3mWithOneSample(std::vector<std::pair<uint32_t, std::pair<uint8_t, S3mCell>>> cells = {})
{
    S3mSong song;
    S3mSample sample;
    for (int i = 0; i < 32; ++i)
        sample.bytes.push_back(static_cast<uint8_t>(128 + i));
    song.samples.push_back(sample);
    song.patterns.push_back(std::move(cells));
    return song;
}

}  // namespace corvid::testing
