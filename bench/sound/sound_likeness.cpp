// How alike our render of a module sounds to a reference player's, over the
// whole song: both renders, each from its first sound, become log band
// energies over short windows (the two sides' energies added, so that a
// surround channel, opposite on the two sides, counts as any other); each
// half-second block of ours is matched to the reference at the offset (to
// 3 ms, within a small drift of the last block's; the start, up to three
// seconds either way, is where the first eight seconds agree best) where
// the two agree best, and the block's figure is the correlation there. Log
// energies make the figure blind to overall gain, the per-block alignment
// to a small tempo drift. 1 = alike, 0 = unrelated.
//
//   sound_likeness [--detail] [--solo CHANNEL] MODULE...
//
// One line per module: ours against libopenmpt with the nearest-frame family
// and with the band-limited family (the reference resamples band-limited
// too, so that column shows the playback itself), and libxmp against
// libopenmpt beside them. --detail adds each half second's figure, its gain
// against the reference (dB) and each band's level against the reference's
// (40 Hz to 16 kHz, the block's gain taken out). --solo renders one channel
// (from 0) alone in all three players.
//
// Built only when the reference players' libraries are installed; the
// product never links them.

#include <libopenmpt/libopenmpt.h>
#include <libopenmpt/libopenmpt_ext.h>
#include <xmp.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <complex>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <numeric>
#include <string>
#include <vector>

#include "bench/sound/fft.h"
#include "tools/corvidplay/song_renderer.h"

namespace {

constexpr int rate = 44100;
constexpr size_t windowFrames = 2048, hop = 1024;
// The reference's windows start every hop / fineSteps frames, so that ours
// are matched within 3 ms: a player whose ticks are rounded differently
// drifts by a frame or two a row, and a match only to the nearest hop
// (23 ms) would blur a song's fast gating against it.
constexpr size_t fineSteps = 4;
constexpr size_t bandCount = 24;
constexpr size_t blockWindows = 21;      // about half a second
constexpr int driftWindows = 8;          // searched around the last block's offset
constexpr size_t firstSearchWindows = 130;  // about three seconds for the start
constexpr size_t startBlocks = 16;       // the stretch the start is found over
constexpr double maximumSeconds = 600;

using Stereo = std::vector<float>;  // interleaved left, right
using Features = std::vector<std::array<double, bandCount>>;

// The song's first sound starts each render: our player reads the first
// row a row after the start, and a constant lead that is not a whole number
// of the reference's window steps would otherwise cost every block a little.
void trimLeadingSilence(Stereo& stereo)
{
    constexpr float threshold = 1e-4f;  // -80 dB, above our output's last bit
    size_t frame = 0;
    while (2 * frame + 1 < stereo.size() && std::fabs(stereo[2 * frame]) < threshold &&
           std::fabs(stereo[2 * frame + 1]) < threshold)
        ++frame;
    stereo.erase(stereo.begin(), stereo.begin() + static_cast<long>(2 * frame));
}

Stereo floatsOf(const std::vector<int16_t>& samples)
{
    Stereo out(samples.size());
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = samples[i] / 32768.0f;
    return out;
}

Stereo renderOurs(const std::string& path, uint32_t familyBits, int soloChannel)
{
    std::vector<int16_t> stereo;
    corvidplay::RenderSettings settings;
    settings.familyBits = familyBits;
    settings.maximumSeconds = maximumSeconds;
    settings.soloChannel = soloChannel;
    corvidplay::RenderResult result;
    corvidplay::renderSong(
        path, settings, [&](std::span<const int16_t> frames) { stereo.insert(stereo.end(), frames.begin(), frames.end()); },
        nullptr, result);
    return floatsOf(stereo);
}

std::vector<char> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Stereo renderOpenmpt(const std::string& path, int soloChannel)
{
    const std::vector<char> bytes = fileBytes(path);
    openmpt_module_ext* extended = openmpt_module_ext_create_from_memory(bytes.data(), bytes.size(), nullptr, nullptr,
                                                                         nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!extended)
        return {};
    openmpt_module* module = openmpt_module_ext_get_module(extended);
    openmpt_module_ext_interface_interactive interactive{};
    if (soloChannel >= 0 && openmpt_module_ext_get_interface(extended, LIBOPENMPT_EXT_C_INTERFACE_INTERACTIVE,
                                                             &interactive, sizeof interactive))
        for (int32_t channel = 0; channel < openmpt_module_get_num_channels(module); ++channel)
            interactive.set_channel_mute_status(extended, channel, channel != soloChannel);
    // Floating-point output: the 16-bit output is dithered with random
    // noise, which made the figure of a song with a silent stretch differ
    // from run to run.
    Stereo stereo;
    std::vector<float> block(2048);
    while (stereo.size() < maximumSeconds * rate * 2) {
        const size_t frames = openmpt_module_read_interleaved_float_stereo(module, rate, block.size() / 2, block.data());
        if (frames == 0)
            break;
        stereo.insert(stereo.end(), block.begin(), block.begin() + static_cast<long>(frames * 2));
    }
    openmpt_module_ext_destroy(extended);
    return stereo;
}

Stereo renderXmp(const std::string& path, int soloChannel)
{
    xmp_context context = xmp_create_context();
    std::vector<int16_t> stereo;
    if (xmp_load_module(context, const_cast<char*>(path.c_str())) == 0) {
        xmp_start_player(context, rate, 0);
        for (int channel = 0; soloChannel >= 0 && channel < XMP_MAX_CHANNELS; ++channel)
            xmp_channel_mute(context, channel, channel != soloChannel);
        xmp_frame_info info{};
        while (stereo.size() < maximumSeconds * rate * 2 && xmp_play_frame(context) == 0) {
            xmp_get_frame_info(context, &info);
            if (info.loop_count > 0)
                break;
            const auto* samples = static_cast<const int16_t*>(info.buffer);
            stereo.insert(stereo.end(), samples, samples + info.buffer_size / 2);
        }
        xmp_end_player(context);
        xmp_release_module(context);
    }
    xmp_free_context(context);
    return floatsOf(stereo);
}

// Log energy of 24 log-spaced bands from 40 Hz to 16 kHz per window, the
// windows `step` frames apart.
Features featuresOf(const Stereo& stereo, size_t step)
{
    Features features;
    std::array<size_t, bandCount + 1> edges{};
    for (size_t b = 0; b <= bandCount; ++b) {
        const double hz = 40 * std::pow(16000.0 / 40, static_cast<double>(b) / bandCount);
        edges[b] = std::max<size_t>(1, static_cast<size_t>(hz * windowFrames / rate));
    }
    std::vector<std::complex<double>> a(windowFrames);
    for (size_t start = 0; start + windowFrames <= stereo.size() / 2; start += step) {
        std::array<double, bandCount> energies{};
        for (size_t side = 0; side < 2; ++side) {
            for (size_t i = 0; i < windowFrames; ++i)
                a[i] = stereo[2 * (start + i) + side] *
                       (0.5 - 0.5 * std::cos(2 * M_PI * static_cast<double>(i) / windowFrames));
            benchsupport::fft(a);
            for (size_t b = 0; b < bandCount; ++b)
                for (size_t k = edges[b]; k < std::max(edges[b + 1], edges[b] + 1); ++k)
                    energies[b] += std::norm(a[k]);
        }
        std::array<double, bandCount> bands{};
        for (size_t b = 0; b < bandCount; ++b)
            bands[b] = 10 * std::log10(energies[b] + 1e-9);
        features.push_back(bands);
    }
    return features;
}

// Our windows from xAt against the reference's fine windows from yAt.
double correlation(const Features& x, size_t xAt, const Features& y, size_t yAt, size_t count)
{
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    const double n = static_cast<double>(count * bandCount);
    for (size_t w = 0; w < count; ++w)
        for (size_t b = 0; b < bandCount; ++b) {
            const double u = x[xAt + w][b], v = y[yAt + w * fineSteps][b];
            sx += u, sy += v, sxx += u * u, syy += v * v, sxy += u * v;
        }
    const double cov = sxy - sx * sy / n, vx = sxx - sx * sx / n, vy = syy - sy * sy / n;
    // Silence is alike only to silence: a flat block against a changing one
    // must not win the offset search.
    const bool flatX = vx <= 1e-9, flatY = vy <= 1e-9;
    if (flatX || flatY)
        return flatX && flatY ? 1.0 : 0.0;
    return cov / std::sqrt(vx * vy);
}

// One half-second block of ours against the reference where they agree best:
// the figure, and each band's level against the reference's (dB, the
// whole block's gain difference taken out).
struct BlockMatch {
    double seconds = 0;
    double figure = 0;
    double gain = 0;  // dB, ours against the reference
    std::array<double, bandCount> bandLevels{};
};

BlockMatch blockMatch(const Features& x, size_t xAt, const Features& y, size_t yAt, double figure)
{
    BlockMatch match{static_cast<double>(xAt * hop) / rate, figure, 0, {}};
    for (size_t w = 0; w < blockWindows; ++w)
        for (size_t b = 0; b < bandCount; ++b)
            match.bandLevels[b] += (x[xAt + w][b] - y[yAt + w * fineSteps][b]) / blockWindows;
    for (double level : match.bandLevels)
        match.gain += level / bandCount;
    for (double& level : match.bandLevels)
        level -= match.gain;
    return match;
}

// Whether the reference's fine windows from yAt cover a block.
bool coversBlock(const Features& y, long yAt)
{
    return yAt >= 0 && static_cast<size_t>(yAt) + (blockWindows - 1) * fineSteps < y.size();
}

// Our first window that the reference has a window for at `offset` (fine windows).
size_t firstWindowAt(long offset)
{
    return offset >= 0 ? 0 : static_cast<size_t>((-offset + static_cast<long>(fineSteps) - 1) / static_cast<long>(fineSteps));
}

// Mean over our blocks of the best correlation near the tracked offset
// (in fine windows); each block's match goes to `matches` when it is given.
double likeness(const Stereo& ours, const Features& y, std::vector<BlockMatch>* matches = nullptr)
{
    const Features x = featuresOf(ours, hop);
    if (x.size() < blockWindows || !coversBlock(y, 0))
        return 0;
    // The start is the offset where the first blocks agree best on average:
    // one half-second block of a song that repeats itself matches a later
    // bar as well as its own and would set the tracking off seconds away.
    // Either render may start later than the other (ours plays its first
    // row after a row of silence), so the offset is searched both ways.
    long offset = 0;
    double bestStart = -2;
    const size_t firstBlocks = std::min(x.size() / blockWindows, startBlocks);
    const auto search = static_cast<long>(firstSearchWindows * fineSteps);
    for (long d = -search; d <= search; ++d) {
        const size_t xAt = firstWindowAt(d);
        const long yAt = static_cast<long>(xAt * fineSteps) + d;
        if (xAt + firstBlocks * blockWindows > x.size() ||
            !coversBlock(y, yAt + static_cast<long>((firstBlocks - 1) * blockWindows * fineSteps)))
            continue;
        double sum = 0;
        for (size_t block = 0; block < firstBlocks; ++block)
            sum += correlation(x, xAt + block * blockWindows, y,
                               static_cast<size_t>(yAt) + block * blockWindows * fineSteps, blockWindows);
        if (sum > bestStart)
            bestStart = sum, offset = d;
    }
    double sum = 0;
    size_t blocks = 0;
    const long drift = driftWindows * static_cast<long>(fineSteps);
    // Ours before the reference's start has nothing to be matched with.
    for (size_t at = firstWindowAt(offset); at + blockWindows <= x.size(); at += blockWindows) {
        // The offset held so far wins ties (the nearest offsets are tried
        // first): a stretch of silence in both matches at every offset and
        // must not walk the tracking away.
        double best = -1;
        long bestOffset = offset;
        for (long step = 0; step <= 2 * drift; ++step) {
            const long d = offset + (step % 2 == 0 ? step / 2 : -(step + 1) / 2);
            const long yAt = static_cast<long>(at * fineSteps) + d;
            if (!coversBlock(y, yAt))
                continue;
            const double c = correlation(x, at, y, static_cast<size_t>(yAt), blockWindows);
            if (c > best)
                best = c, bestOffset = d;
        }
        if (best < -0.5)
            break;  // past the end of the reference
        offset = bestOffset;
        if (matches)
            matches->push_back(blockMatch(x, at, y, static_cast<size_t>(static_cast<long>(at * fineSteps) + offset), best));
        sum += best;
        ++blocks;
    }
    return blocks == 0 ? 0 : sum / static_cast<double>(blocks);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> paths;
    bool detail = false;
    int soloChannel = -1;
    constexpr const char* usage = "usage: sound_likeness [--detail] [--solo CHANNEL] MODULE...\n";
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::printf("%s", usage);
            return 0;
        }
        if (argument == "--detail")
            detail = true;
        else if (argument == "--solo" && i + 1 < argc)
            soloChannel = std::atoi(argv[++i]);
        else if (argument.starts_with('-')) {
            std::fprintf(stderr, "sound_likeness: unknown option %s\n%s", argument.c_str(), usage);
            return 2;
        } else
            paths.push_back(argument);
    }
    if (paths.empty()) {
        std::fprintf(stderr, "%s", usage);
        return 2;
    }
    int status = 0;
    std::printf("%-44s %8s %8s %8s %8s\n", "module", "nearest", "sinc", "xmp", "seconds");
    for (const std::string& path : paths) {
        Stereo reference = renderOpenmpt(path, soloChannel);
        Stereo nearest = renderOurs(path, 0x20, soloChannel), sinc = renderOurs(path, 0x100, soloChannel);
        Stereo xmp = renderXmp(path, soloChannel);
        const std::string name = path.substr(path.find_last_of('/') + 1);
        if (reference.empty() || sinc.empty()) {
            // Not a module one of the players can read: no figure rather than a row of zeros.
            std::fprintf(stderr, "sound_likeness: %s: %s cannot render it\n", name.c_str(),
                         reference.empty() ? "libopenmpt" : "our library");
            status = 1;
            continue;
        }
        for (Stereo* render : {&reference, &nearest, &sinc, &xmp})
            trimLeadingSilence(*render);
        const Features referenceFeatures = featuresOf(reference, hop / fineSteps);
        std::vector<BlockMatch> matches;
        std::printf("%-44s %8.3f %8.3f %8.3f %8.1f\n", name.c_str(), likeness(nearest, referenceFeatures),
                    likeness(sinc, referenceFeatures, &matches), likeness(xmp, referenceFeatures),
                    static_cast<double>(sinc.size() / 2) / rate);
        if (detail)
            for (const BlockMatch& match : matches) {
                std::printf("  %7.2f s %6.3f %5.1f dB ", match.seconds, match.figure, match.gain);
                for (double level : match.bandLevels)
                    std::printf(" %3.0f", level);
                std::printf("\n");
            }
        std::fflush(stdout);
    }
    return status;
}
