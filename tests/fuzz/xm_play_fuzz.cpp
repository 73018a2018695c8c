// The engine on a fuzzed module: corvid-play's renderer loads the bytes onto
// the mixer and plays them for a few hundred ticks (a few seconds at a low
// mixing rate, so that each input stays quick).

#include "tests/fuzz/fuzz_file.h"
#include "tools/corvidplay/song_renderer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const fuzzing::ScratchFile file("xm_play_fuzz", bytes, size);
    corvidplay::RenderSettings settings;
    settings.mixingRate = 8000;
    settings.maximumSeconds = 4;
    corvidplay::RenderResult result;
    (void)corvidplay::renderSong(file.path(), settings, nullptr, nullptr, result);
    return 0;
}
