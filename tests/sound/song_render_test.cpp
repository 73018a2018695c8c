// Rendering a song through the mixer as the output device runs it: the tick
// falls every samples-per-tick frames, and a tempo change takes effect one
// tick late (the device reloads its count before the tick that changes it).

#include <gtest/gtest.h>

#include <string>

#include "tests/support/scratch_folder.h"
#include "tools/corvidplay/song_renderer.h"
#include "xm_writer.h"

namespace corvid::testing {
namespace {

struct Rendered {
    ErrorCode error = ErrorCode::undefined;
    corvidplay::RenderResult result;
    std::vector<corvidplay::RowStart> rows;
    std::vector<int16_t> frames;
    double peak = 0;
};

Rendered render(const XmSong& song, uint32_t familyBits = 0)
{
    const testsupport::ScratchFolder folder;
    const std::string path = folder.path("song.xm");
    testsupport::writeBytes(path, writeXm(song));
    Rendered r;
    corvidplay::RenderSettings settings;
    settings.familyBits = familyBits;
    r.error = corvidplay::renderSong(
        path, settings,
        [&r](std::span<const int16_t> frames) {
            for (int16_t v : frames)
                r.peak = std::max(r.peak, std::abs(static_cast<double>(v)));
            r.frames.insert(r.frames.end(), frames.begin(), frames.end());
        },
        [&r](const corvidplay::RowStart& row) { r.rows.push_back(row); }, r.result);
    return r;
}

TEST(SongRender, RowsStartOnTickBoundariesUntilTheSongWraps)
{
    XmSong song = simpleSong(1, 4);
    song.patterns[0].at(0, 0, 1) = {49, 1};
    std::vector<std::vector<int16_t>> sounds;
    for (uint32_t family : {0x20u, 0x40u, 0x80u, 0x100u}) {
        const Rendered r = render(song, family);
        ASSERT_EQ(r.error, ErrorCode::ok);
        EXPECT_TRUE(r.result.wrapped);
        // 882 frames per tick at 125 bpm; rows on ticks 6, 12, 18, 24, and the
        // last row plays to tick 30, where the next pass would begin.
        EXPECT_EQ(r.result.frames, 30u * 882);
        ASSERT_EQ(r.rows.size(), 4u);
        for (uint32_t i = 0; i < 4; ++i) {
            EXPECT_EQ(r.rows[i].row, i);
            EXPECT_DOUBLE_EQ(r.rows[i].seconds, 6.0 * (i + 1) * 882 / 44100);
        }
        EXPECT_GT(r.peak, 1000);
        sounds.push_back(r.frames);
    }
    // Each family is the one asked for: float, linear and sinc all sound different.
    EXPECT_TRUE(sounds[0] != sounds[2] && sounds[0] != sounds[3] && sounds[2] != sounds[3]);
}

TEST(SongRender, ATempoChangeCountsFromTheNextTick)
{
    XmSong song = simpleSong(1, 2);
    song.patterns[0].at(0, 0, 1) = {0, 0, 0, 15, 250};  // 250 bpm: 442 frames per tick
    const Rendered r = render(song);
    ASSERT_EQ(r.rows.size(), 2u);
    // Ticks 1-7 at 882 frames (the count for tick 7 was loaded before tick 6
    // changed the tempo), ticks 8-12 at 442.
    EXPECT_DOUBLE_EQ(r.rows[1].seconds, (7.0 * 882 + 5 * 442) / 44100);
}

}  // namespace
}  // namespace corvid::testing
