// Cost of the playback engine and of whole-song rendering.
// - player tick: one tick of a 32-channel module whose every cell has a note,
//   an instrument, a volume-column effect and a command (time per iteration);
// - render: corvid-play's work (load, play, mix) on each corpus XM, reported
//   as seconds of sound per CPU second ("x_realtime"), per mixing family.
//   The other players render these about 2100 times real time without
//   interpolation and 1500 with linear interpolation. Without the corpus
//   (<build>/corpus or SOLVANE_CORPUS_DIR) these are skipped.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>

#include "sound/loaders/xm_loader.h"
#include "sound/player/player.h"
#include "tests/support/xm_module.h"
#include "tools/corvidplay/song_renderer.h"

namespace {

using corvid::ErrorCode;

corvid::SoundDevice& silentDevice()
{
    static corvid::SoundDevice device = [] {
        corvid::SoundDevice made;
        corvid::SoundDeviceOperations& ops = made.operations;
        ops.setUpdateRate = [](void*, uint32_t) { return ErrorCode::ok; };
        ops.setSample = [](void*, uint32_t, uint32_t) { return ErrorCode::ok; };
        ops.playSound = [](void*, uint32_t, uint32_t) { return ErrorCode::ok; };
        ops.setPosition = [](void*, uint32_t, uint32_t) { return ErrorCode::ok; };
        ops.setRate = [](void*, uint32_t, uint32_t) { return ErrorCode::ok; };
        ops.setVolume = [](void*, uint32_t, uint32_t) { return ErrorCode::ok; };
        ops.setPanning = [](void*, uint32_t, int32_t) { return ErrorCode::ok; };
        ops.stopSound = [](void*, uint32_t) { return ErrorCode::ok; };
        ops.addSample = [](void*, const corvid::SampleDescription&, bool, uint32_t& handle) {
            handle = 1;
            return ErrorCode::ok;
        };
        return made;
    }();
    return device;
}

std::vector<uint8_t> busyModule()
{
    using testsupport::XmCell;
    testsupport::XmModule song = testsupport::simpleSong(32, 64);
    song.instruments[0].volumeEnvelope = {{{0, 64}, {20, 32}, {40, 48}}, 1, 1, 2};
    song.instruments[0].panningEnvelope = {{{0, 0}, {30, 64}}};
    song.instruments[0].vibrato.depth = 4, song.instruments[0].vibrato.rate = 8;
    const std::array<std::pair<uint8_t, uint8_t>, 6> effects = {{{4, 0x46}, {10, 0x21}, {3, 0x08}, {0, 0x37}, {1, 2}, {6, 0x12}}};
    for (uint32_t row = 0; row < 64; ++row)
        for (uint32_t ch = 0; ch < 32; ++ch) {
            const auto [effect, argument] = effects[(row + ch) % effects.size()];
            song.patterns[0].at(row, ch, 32) = XmCell{static_cast<uint8_t>(25 + (row * 7 + ch) % 48), 1,
                                                      static_cast<uint8_t>(0x60 + (ch & 3)), effect, argument};
        }
    return testsupport::xmBytes(song);
}

void playerTick32Channels(benchmark::State& state)
{
    std::unique_ptr<corvid::Module> module;
    if (corvid::loadXM(busyModule(), true, nullptr, &silentDevice(), module) != ErrorCode::ok) {
        state.SkipWithError("the test module did not load");
        return;
    }
    corvid::player::PlayerSubsystem players;
    corvid::player::playerInit(players, &silentDevice());
    std::vector<uint8_t> channels(32);
    std::iota(channels.begin(), channels.end(), 0);
    corvid::player::PlayerInstance* instance = nullptr;
    corvid::player::playSong(players, *module, -1, 0, 0, true, 32, channels, instance);
    for (auto _ : state)
        benchmark::DoNotOptimize(corvid::player::playerTick(players));
    corvid::player::playerClose(players);
}
BENCHMARK(playerTick32Channels)->Unit(benchmark::kMicrosecond);

std::filesystem::path corpusDirectory()
{
    if (const char* dir = std::getenv("SOLVANE_CORPUS_DIR"))
        return dir;
    return std::filesystem::current_path().parent_path() / "corpus";
}

std::vector<std::string> corpusXms()
{
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpusDirectory(), error)) {
        std::ifstream in(entry.path(), std::ios::binary);
        char id[17] = {};
        in.read(id, sizeof id);
        if (entry.is_regular_file() && std::string(id, 17) == "Extended Module: ")
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Arguments: mixer family bits (0x40 integer, 0x20 float, 0x80 interpolating).
void renderCorpus(benchmark::State& state)
{
    const std::vector<std::string> files = corpusXms();
    if (files.empty()) {
        state.SkipWithError("no corpus XM modules");
        return;
    }
    corvidplay::RenderSettings settings;
    settings.familyBits = static_cast<uint32_t>(state.range(0));
    double seconds = 0;
    for (auto _ : state)
        for (const std::string& file : files) {
            corvidplay::RenderResult result;
            if (corvidplay::renderSong(file, settings, nullptr, nullptr, result) != ErrorCode::ok) {
                state.SkipWithError(("cannot render " + file).c_str());
                return;
            }
            seconds += static_cast<double>(result.frames) / settings.mixingRate;
        }
    state.counters["x_realtime"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
}
BENCHMARK(renderCorpus)->Arg(0x40)->Arg(0x20)->Arg(0x80)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
