// Rendering a song through the mixer as the output device runs it: the tick
// falls every samples-per-tick frames, and a tempo change times the tick
// after the one that sets it (XM, MOD) or that tick itself (S3M, IT).

#include <gtest/gtest.h>

#include <string>

#include "tests/support/scratch_folder.h"
#include "tools/corvidplay/song_renderer.h"
#include "s3m_writer.h"
#include "tests/support/xm_module.h"

namespace corvid::testing {
using namespace testsupport;

namespace {

struct Rendered {
    ErrorCode error = ErrorCode::undefined;
    corvidplay::RenderResult result;
    std::vector<corvidplay::RowStart> rows;
    std::vector<int16_t> frames;
    double peak = 0;
};

Rendered renderBytes(const std::vector<uint8_t>& bytes, uint32_t familyBits = 0)
{
    const testsupport::ScratchFolder folder;
    const std::string path = folder.path("song.mod");
    testsupport::writeBytes(path, bytes);
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

Rendered render(const XmModule& song, uint32_t familyBits = 0) { return renderBytes(xmBytes(song), familyBits); }

TEST(SongRender, RowsStartOnTickBoundariesUntilTheSongWraps)
{
    XmModule song = simpleSong(1, 4);
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

TEST(SongRender, ATempoChangeTimesTheNextTickOrItsOwnRow)
{
    XmModule song = simpleSong(1, 2);
    song.patterns[0].at(0, 0, 1) = {0, 0, 0, 15, 250};  // 250 bpm: 442 frames per tick
    const Rendered r = render(song);
    ASSERT_EQ(r.rows.size(), 2u);
    // Ticks 1-7 at 882 frames (the count for tick 7 was loaded before tick 6
    // changed the tempo), ticks 8-12 at 442.
    EXPECT_DOUBLE_EQ(r.rows[1].seconds, (7.0 * 882 + 5 * 442) / 44100);

    // S3M: T on row 0 times that row from its first tick, as the tracker
    // plays it: ticks 1-6 at 882, 7-12 at 442.
    const Rendered s3m = renderBytes(writeS3m(s3mWithOneSample({{0, {0, {255, 0, -1, 20, 250}}}})));
    ASSERT_GE(s3m.rows.size(), 2u);
    EXPECT_DOUBLE_EQ(s3m.rows[1].seconds, (6.0 * 882 + 6 * 442) / 44100);
}

}  // namespace
}  // namespace corvid::testing
