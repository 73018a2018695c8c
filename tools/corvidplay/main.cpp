// corvid-play FILE [--wav OUT.wav] [--trace] [--interpolate | --integer | --float]
// Renders an XM module once, until it wraps, at 44100 Hz stereo 16-bit
// through the mixer. --wav writes the sound, --trace prints one line per
// change of position or row: seconds of mixed sound, position, row, pattern.

#include <cstdio>
#include <cstring>
#include <string>

#include "sound/core/error_code.h"
#include "tools/corvidplay/song_renderer.h"

namespace {

void putLittleEndian(std::FILE* out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        std::fputc(static_cast<int>(value >> (8 * i) & 0xFF), out);
}

// The 44-byte header of a PCM WAV file of stereo 16-bit frames.
void writeWavHeader(std::FILE* out, uint32_t rate, uint64_t frames)
{
    const auto dataBytes = static_cast<uint32_t>(frames * 4);
    std::fwrite("RIFF", 1, 4, out);
    putLittleEndian(out, 36 + dataBytes, 4);
    std::fwrite("WAVEfmt ", 1, 8, out);
    putLittleEndian(out, 16, 4);
    putLittleEndian(out, 1, 2);  // PCM
    putLittleEndian(out, 2, 2);
    putLittleEndian(out, rate, 4);
    putLittleEndian(out, rate * 4, 4);
    putLittleEndian(out, 4, 2);
    putLittleEndian(out, 16, 2);
    std::fwrite("data", 1, 4, out);
    putLittleEndian(out, dataBytes, 4);
}

int usage()
{
    std::fprintf(stderr, "usage: corvid-play FILE [--wav OUT.wav] [--trace] [--interpolate | --integer | --float]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string input, wavName;
    bool trace = false;
    corvidplay::RenderSettings settings;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--wav" && i + 1 < argc)
            wavName = argv[++i];
        else if (arg == "--trace")
            trace = true;
        else if (arg == "--interpolate")
            settings.familyBits = 0x80;
        else if (arg == "--integer")
            settings.familyBits = 0x40;
        else if (arg == "--float")
            settings.familyBits = 0x20;
        else if (!arg.starts_with("--") && input.empty())
            input = arg;
        else
            return usage();
    }
    if (input.empty())
        return usage();

    std::FILE* wav = nullptr;
    if (!wavName.empty()) {
        wav = std::fopen(wavName.c_str(), "wb");
        if (!wav) {
            std::fprintf(stderr, "corvid-play: cannot write %s\n", wavName.c_str());
            return 1;
        }
        writeWavHeader(wav, settings.mixingRate, 0);
    }
    const auto audio = [wav](std::span<const int16_t> frames) {
        if (wav)
            std::fwrite(frames.data(), sizeof(int16_t), frames.size(), wav);
    };
    const auto rows = [trace](const corvidplay::RowStart& r) {
        if (trace)
            std::printf("%.6f %u %u %u\n", r.seconds, r.position, r.row, r.pattern);
    };
    corvidplay::RenderResult result;
    const corvid::ErrorCode error = corvidplay::renderSong(input, settings, audio, rows, result);
    if (wav) {
        std::fseek(wav, 0, SEEK_SET);
        writeWavHeader(wav, settings.mixingRate, result.frames);
        std::fclose(wav);
    }
    if (error != corvid::ErrorCode::ok) {
        std::fprintf(stderr, "corvid-play: %s: %s\n", input.c_str(), corvid::errorMessage(error));
        return 1;
    }
    return 0;
}
