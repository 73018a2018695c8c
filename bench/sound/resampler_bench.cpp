// The mixing families side by side, as plain figures:
//
//   resampler_bench quality   a looped 16-bit sine sample played at notes
//                             from C-2 to B-7 (its base rate, 8363 Hz, is
//                             C-4): the level of everything that is not the
//                             note, relative to the note, in dB, for the
//                             nearest-frame, linear and sinc families;
//   resampler_bench speed     whole-song renders of every module of the
//                             corpus (<build>/corpus or SOLVANE_CORPUS_DIR):
//                             seconds of sound per CPU second for sinc and
//                             linear, and the ratios.
//
// Built where libopenmpt is installed (pkg-config), each also measures that
// player's default resampler on the same modules, as a column and a ratio.

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "sound/mixer/mixer.h"
#include "tests/support/xm_module.h"
#include "bench/sound/fft.h"
#include "tools/corvidplay/song_renderer.h"

#ifdef SOLVANE_COMPARE_OPENMPT
#include <libopenmpt/libopenmpt.h>
#endif

namespace {

constexpr uint32_t mixingRate = 44100;

std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Left-channel values of a render (interleaved stereo 16-bit in).
using Renderer = std::function<bool(const std::string& file, std::vector<float>& left, double& seconds)>;

Renderer ours(uint32_t familyBits)
{
    return [familyBits](const std::string& file, std::vector<float>& left, double& seconds) {
        corvidplay::RenderSettings settings;
        settings.familyBits = familyBits;
        corvidplay::RenderResult result;
        const auto audio = [&](std::span<const int16_t> frames) {
            for (size_t i = 0; i < frames.size(); i += 2)
                left.push_back(frames[i]);
        };
        const bool ok = corvidplay::renderSong(file, settings, audio, nullptr, result) == corvid::ErrorCode::ok;
        seconds = double(result.frames) / mixingRate;
        return ok;
    };
}

#ifdef SOLVANE_COMPARE_OPENMPT
// The other player at its defaults, except that its 16-bit output is not
// dithered, as ours is not.
bool theirs(const std::string& file, std::vector<float>* left, double& seconds)
{
    const std::vector<uint8_t> bytes = readFile(file);
    openmpt_module* module =
        openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!module)
        return false;
    openmpt_module_ctl_set_integer(module, "dither", 0);
    std::vector<int16_t> block(2 * 4096);
    uint64_t frames = 0;
    for (size_t got; (got = openmpt_module_read_interleaved_stereo(module, mixingRate, 4096, block.data())) != 0;) {
        frames += got;
        if (left)
            for (size_t i = 0; i < got; ++i)
                left->push_back(block[2 * i]);
    }
    openmpt_module_destroy(module);
    seconds = double(frames) / mixingRate;
    return true;
}
#endif

// ---- Quality

// Everything but the strongest tone, relative to it, in dB: 2^15 values
// under a 7-term Blackman-Harris window (side lobes 180 dB down, so that
// the window hides nothing a 16-bit output can show), the tone taken as its
// peak bin and 10 bins either side.
std::optional<double> residualDecibels(const std::vector<float>& values, size_t first)
{
    constexpr size_t n = 1 << 15;
    constexpr double terms[] = {0.27105140069342, -0.43329793923448, 0.21812299954311, -0.06592544638803,
                                0.01081174209837, -0.00077658482522, 0.00001388721735};
    if (values.size() < first + n)
        return std::nullopt;
    std::vector<std::complex<double>> a(n);
    for (size_t i = 0; i < n; ++i) {
        double window = 0;
        for (size_t k = 0; k < std::size(terms); ++k)
            window += terms[k] * std::cos(2 * std::numbers::pi * double(k * i) / n);
        a[i] = values[first + i] * window;
    }
    benchsupport::fft(a);
    size_t peak = 1;
    for (size_t k = 1; k < n / 2; ++k)
        if (std::norm(a[k]) > std::norm(a[peak]))
            peak = k;
    double tone = 0, rest = 0;
    for (size_t k = 0; k < n / 2; ++k)
        (k + 10 >= peak && k <= peak + 10 ? tone : rest) += std::norm(a[k]);
    if (tone == 0)
        return std::nullopt;
    return 10 * std::log10(rest / tone);
}

// One channel, one note held for the whole pattern: a looped sine of
// `period` frames (whole periods in the loop, 16-bit, full scale).
std::vector<uint8_t> sineModule(uint32_t period, uint8_t note)
{
    testsupport::XmModule song;
    song.channelCount = 2;
    song.orders = {0};
    song.speed = 3;
    testsupport::XmSample sample;
    sample.sixteenBit = true;
    const uint32_t frames = std::max<uint32_t>(period * 8, 256) / period * period;
    for (uint32_t i = 0; i < frames; ++i)
        sample.data.push_back(static_cast<int16_t>(std::lround(32000 * std::sin(2 * std::numbers::pi * i / period))));
    sample.loopStart = 0;
    sample.loopLength = frames;
    sample.loop = testsupport::XmLoop::forward;
    testsupport::XmInstrument instrument;
    instrument.samples.push_back(sample);
    song.instruments.push_back(instrument);
    testsupport::XmPattern pattern = testsupport::emptyPattern(64, 2);
    pattern.at(0, 0, 2) = {note, 1, 0, 0, 0};
    song.patterns.push_back(pattern);
    return testsupport::xmBytes(song);
}

std::string noteName(int note)
{
    static const char* names[] = {"C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"};
    return names[(note - 1) % 12] + std::to_string((note - 1) / 12);
}

int quality()
{
    const std::string file = (std::filesystem::temp_directory_path() / "resampler_bench_sine.xm").string();
    struct Column {
        const char* name;
        Renderer render;
    };
    std::vector<Column> columns = {{"nearest", ours(corvid::mixFloat)},
                                   {"linear", ours(corvid::mixInterpolating)},
                                   {"sinc", ours(corvid::mixSinc)}};
#ifdef SOLVANE_COMPARE_OPENMPT
    columns.push_back({"libopenmpt", [](const std::string& f, std::vector<float>& left, double& seconds) {
                           return theirs(f, &left, seconds);
                       }});
#endif
    const int notes[] = {25, 37, 49, 56, 61, 68, 73, 80, 85, 92, 96};  // C-2 .. B-7
    std::printf("Level of everything but the note, dB relative to the note (lower is cleaner),\n"
                "44100 Hz output; the sample's base rate 8363 Hz is C-4.\n");
    for (uint32_t period : {32u, 8u, 4u}) {
        std::printf("\nsine of %u frames\nnote  step   ", period);
        for (const Column& c : columns)
            std::printf("%11s", c.name);
        std::printf("\n");
        for (int note : notes) {
            const double rate = 8363 * std::pow(2.0, (note - 49) / 12.0);
            std::printf("%-4s  %5.2f  ", noteName(note).c_str(), rate / mixingRate);
            {
                const std::vector<uint8_t> bytes = sineModule(period, static_cast<uint8_t>(note));
                std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
            }
            for (const Column& c : columns) {
                std::vector<float> left;
                double seconds = 0;
                const bool beyond = rate / period > mixingRate / 2.0;
                std::optional<double> level;
                if (!beyond && c.render(file, left, seconds))
                    level = residualDecibels(left, mixingRate / 10);
                if (level)
                    std::printf("%11.1f", *level);
                else
                    std::printf("%11s", beyond ? "(> Nyquist)" : "-");
            }
            std::printf("\n");
        }
    }
    std::filesystem::remove(file);
    std::printf("\nGoal: sinc at least 60 dB down up to C-6, and no worse than libopenmpt on any note.\n");
    return 0;
}

// ---- Speed

std::filesystem::path corpusDirectory()
{
    if (const char* dir = std::getenv("SOLVANE_CORPUS_DIR"))
        return dir;
    return std::filesystem::current_path().parent_path() / "corpus";
}

double cpuSeconds() { return double(std::clock()) / CLOCKS_PER_SEC; }

int speed()
{
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpusDirectory(), error)) {
        const std::string extension = entry.path().extension().string();
        if (entry.is_regular_file() && (extension == ".xm" || extension == ".mod" || extension == ".s3m" || extension == ".it"))
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::fprintf(stderr, "resampler_bench: no modules under %s\n", corpusDirectory().string().c_str());
        return 1;
    }
    struct Total {
        double sound = 0, cpu = 0;
        double rate() const { return cpu > 0 ? sound / cpu : 0; }
    } sinc, linear, other;
    const auto measure = [](const std::function<bool(double&)>& render, Total& total) {
        double seconds = 0;
        const double before = cpuSeconds();
        const bool ok = render(seconds);
        const double cpu = cpuSeconds() - before;
        if (ok)
            total.sound += seconds, total.cpu += cpu;
        return ok ? seconds / cpu : 0.0;
    };
    std::printf("Seconds of sound per CPU second, whole songs, 44100 Hz stereo 16-bit\n%-40s %9s %9s", "module", "sinc",
                "linear");
#ifdef SOLVANE_COMPARE_OPENMPT
    std::printf(" %11s %11s", "libopenmpt", "sinc/them");
#endif
    std::printf("\n");
    for (const std::string& file : files) {
        std::vector<float> discard;
        const auto render = [&](uint32_t bits) {
            return [&, bits](double& seconds) {
                corvidplay::RenderSettings settings;
                settings.familyBits = bits;
                corvidplay::RenderResult result;
                const bool ok = corvidplay::renderSong(file, settings, nullptr, nullptr, result) == corvid::ErrorCode::ok;
                seconds = double(result.frames) / mixingRate;
                return ok;
            };
        };
        const double sincRate = measure(render(corvid::mixSinc), sinc);
        const double linearRate = measure(render(corvid::mixInterpolating), linear);
        std::printf("%-40s %9.0f %9.0f", std::filesystem::path(file).filename().string().c_str(), sincRate, linearRate);
#ifdef SOLVANE_COMPARE_OPENMPT
        const double theirRate = measure([&](double& seconds) { return theirs(file, nullptr, seconds); }, other);
        std::printf(" %11.0f %11.2f", theirRate, theirRate > 0 ? sincRate / theirRate : 0.0);
#endif
        std::printf("\n");
    }
    std::printf("\nall modules: sinc %.0f, linear %.0f x real time; sinc / linear %.2f\n", sinc.rate(), linear.rate(),
                sinc.rate() / linear.rate());
#ifdef SOLVANE_COMPARE_OPENMPT
    std::printf("libopenmpt (default resampler) %.0f x real time; sinc / libopenmpt %.2f (goal at least 1.5)\n",
                other.rate(), sinc.rate() / other.rate());
#else
    (void)other;
#endif
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "quality")
        return quality();
    if (mode == "speed")
        return speed();
    std::fprintf(stderr, "usage: resampler_bench quality|speed\n");
    return 2;
}
