#pragma once
// A minimal MOD writer for building test modules in code: the 1084-byte
// header, 64-row patterns of 4-byte cells, and signed 8-bit sample data.

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace corvid::testing {

struct ModCell {
    uint16_t period = 0;
    uint8_t instrument = 0;  // 1-based, 0 none
    uint8_t effect = 0;
    uint8_t argument = 0;
};

struct ModSample {
    std::string name = "sample";
    std::vector<int8_t> values;
    uint8_t finetune = 0;
    uint8_t volume = 64;
    uint16_t loopStartWords = 0, loopLengthWords = 0;
    uint16_t lengthWords() const { return static_cast<uint16_t>(values.size() / 2); }
};

struct ModSong {
    std::string name = "test";
    std::string signature = "M.K.";
    uint32_t channels = 4;
    uint8_t songLength = 1;
    uint8_t restart = 127;
    std::array<uint8_t, 128> orders{};
    std::vector<std::vector<ModCell>> patterns;  // each 64 x channels cells, row-major
    std::array<ModSample, 31> samples{};

    ModCell& cell(uint32_t pattern, uint32_t row, uint32_t channel)
    {
        if (patterns.size() <= pattern)
            patterns.resize(pattern + 1);
        patterns[pattern].resize(64 * channels);
        return patterns[pattern][row * channels + channel];
    }
};

inline std::vector<uint8_t> writeMod(const ModSong& song)
{
    std::vector<uint8_t> out(1084, 0);
    std::memcpy(out.data(), song.name.data(), std::min<size_t>(song.name.size(), 20));
    for (size_t i = 0; i < 31; ++i) {
        const ModSample& s = song.samples[i];
        uint8_t* h = &out[20 + i * 30];
        std::memcpy(h, s.name.data(), std::min<size_t>(s.name.size(), 22));
        const uint16_t words[] = {s.lengthWords(), 0, s.loopStartWords, s.loopLengthWords};
        h[22] = static_cast<uint8_t>(words[0] >> 8);
        h[23] = static_cast<uint8_t>(words[0]);
        h[24] = s.finetune;
        h[25] = s.volume;
        h[26] = static_cast<uint8_t>(words[2] >> 8);
        h[27] = static_cast<uint8_t>(words[2]);
        h[28] = static_cast<uint8_t>(words[3] >> 8);
        h[29] = static_cast<uint8_t>(words[3]);
    }
    out[950] = song.songLength;
    out[951] = song.restart;
    std::memcpy(&out[952], song.orders.data(), 128);
    std::memcpy(&out[1080], song.signature.data(), std::min<size_t>(song.signature.size(), 4));
    uint32_t patternCount = 1;
    for (uint8_t order : song.orders)
        patternCount = std::max<uint32_t>(patternCount, order + 1u);
    for (uint32_t p = 0; p < patternCount; ++p) {
        for (uint32_t i = 0; i < 64 * song.channels; ++i) {
            const ModCell c = p < song.patterns.size() && i < song.patterns[p].size() ? song.patterns[p][i] : ModCell{};
            out.push_back(static_cast<uint8_t>((c.instrument & 0xF0) | (c.period >> 8 & 0x0F)));
            out.push_back(static_cast<uint8_t>(c.period));
            out.push_back(static_cast<uint8_t>((c.instrument & 0x0F) << 4 | (c.effect & 0x0F)));
            out.push_back(c.argument);
        }
    }
    for (const ModSample& s : song.samples)
        for (size_t i = 0; i < s.lengthWords() * 2u; ++i)
            out.push_back(static_cast<uint8_t>(s.values[i]));
    return out;
}

// A song with one sample of `length` bytes (a rising ramp) as instrument 1.
inline ModSong modWithOneSample(uint32_t length = 64)
{
    ModSong song;
    song.samples[0].values.resize(length);
    for (uint32_t i = 0; i < length; ++i)
        song.samples[0].values[i] = static_cast<int8_t>(i);
    return song;
}

}  // namespace corvid::testing
