// The engine on a fuzzed module (any format) through a song object, at a low
// mixing rate so that each input stays quick: open (which runs the first pass
// silently), every metadata text and channel state, a seek into the middle
// (a snapshot put back and run on), and a few seconds rendered from there.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "sound/include/corvid_song.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    corvid_song_config config{};
    config.rate = 8000;
    corvid_song* song = corvid_song_open(bytes, size, &config, nullptr);
    if (!song)
        return 0;
    // Every text is read to its end, so that a bad one shows up here.
    size_t characters = std::strlen(corvid_song_title(song)) + std::strlen(corvid_song_format(song)) +
                        std::strlen(corvid_song_tracker(song)) + std::strlen(corvid_song_message(song));
    for (int i = 0; i < corvid_song_instruments(song); ++i)
        characters += std::strlen(corvid_song_instrument_name(song, i));
    for (int i = 0; i < corvid_song_samples(song); ++i)
        characters += std::strlen(corvid_song_sample_name(song, i));
    corvid_song_seek_seconds(song, corvid_song_duration(song) / 2);
    std::vector<int16_t> block(2 * 1000);
    for (int i = 0; i < 32 && corvid_song_render_int16(song, block.data(), 1000) != 0; ++i) {
        corvid_channel_state state{};
        for (int c = 0; c < corvid_song_channels(song); ++c)
            corvid_song_channel_state(song, c, &state);
    }
    corvid_song_close(song);
    const volatile size_t read = characters;
    (void)read;
    return 0;
}
