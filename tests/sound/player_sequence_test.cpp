// The engine's row and tick machinery: when rows are read, how the position
// moves (jumps, breaks, loops, delays, restarts), what the status reports.

#include <gtest/gtest.h>

#include "player_test_support.h"

namespace corvid::testing {
namespace {

using Cells = std::vector<std::tuple<uint32_t, uint32_t, XmCell>>;  // row, channel, cell

// `patterns` patterns of `rows` rows on `channels` channels, one instrument.
XmModule songOf(const Cells& cells, uint16_t channels = 2, uint16_t rows = 8, uint32_t patterns = 1)
{
    XmModule song = simpleSong(channels, rows);
    song.patterns.resize(patterns, song.patterns[0]);
    for (const auto& [row, channel, cell] : cells)
        song.patterns[0].at(row, channel, channels) = cell;
    song.orders.clear();
    for (uint32_t i = 0; i < patterns; ++i)
        song.orders.push_back(static_cast<uint8_t>(i));
    return song;
}

TEST(PlayerSequence, SpeedSixTempo125ReadsTheFirstRowOnTheSixthTick)
{
    PlayerHarness h(songOf({{0, 0, {49, 1}}, {1, 0, {61, 1}}}));
    EXPECT_EQ(recorder().updateRate, 5000u);  // 50 ticks per second: 20 ms each
    h.tick(5);
    EXPECT_EQ(h.device(0).starts, 0u);
    h.tick();
    EXPECT_EQ(h.device(0).starts, 1u);
    EXPECT_EQ(h.device(0).rate, 8363u);  // C-4
    EXPECT_EQ(h.status().row, 0);
    h.tick(5);
    EXPECT_EQ(h.device(0).starts, 1u);
    h.tick();
    EXPECT_EQ(h.device(0).starts, 2u);
    EXPECT_EQ(h.device(0).rate, 16726u);  // C-5
    EXPECT_EQ(h.status().row, 1);
}

TEST(PlayerSequence, SpeedAndTempoCommands)
{
    static uint32_t lastRate = 0;
    PlayerHarness h(songOf({{0, 0, {0, 0, 0, 15, 3}}, {0, 1, {0, 0, 0, 15, 150}}}));
    player::setTempoCallback(h.players, [](uint32_t rate) { lastRate = rate; });
    h.startFirstRow();
    EXPECT_EQ(h.instance->speed, 3u);
    EXPECT_EQ(h.instance->tempo, 150u);
    EXPECT_EQ(recorder().updateRate, 5000u) << "the device's count for this tick is already running";
    h.tick();
    EXPECT_EQ(recorder().updateRate, 6000u);
    EXPECT_EQ(lastRate, 6000u);
    EXPECT_EQ(nextRows(h, 2), (Rows{{0, 1}, {0, 2}}));
    EXPECT_EQ(h.instance->tick, 0u);
}

TEST(PlayerSequence, F00RestartsTheSongAndCountsALoop)
{
    XmModule song = songOf({{0, 0, {0, 0, 0, 16, 10}}, {2, 0, {0, 0, 0, 15, 0}}}, 1, 8, 2);
    PlayerHarness looping(song, true);
    EXPECT_EQ(nextRows(looping, 3), (Rows{{0, 0}, {0, 1}, {0, 2}}));
    EXPECT_EQ(looping.status().songLoopCount, 1);
    EXPECT_EQ(looping.instance->globalVolume, 64);  // G10 on row 0 is undone
    EXPECT_EQ(nextRows(looping, 1), (Rows{{0, 0}}));
    // The speed stays: a speed of 0 would read a row on every tick.
    EXPECT_EQ(looping.instance->speed, 6u);

    // Without the loop flag the instance is left alone after the wrap.
    song.patterns[0].at(0, 0, 1) = {49, 1};
    song.patterns[0].at(3, 0, 1) = {49, 1};
    PlayerHarness once(song, false);
    once.tick(18);
    EXPECT_EQ(once.status().songLoopCount, 1);
    once.tick(60);
    EXPECT_EQ(once.device(0).starts, 1u);
    EXPECT_EQ(once.status().row, 2);
}

// The rows a song plays, as the status shows them at each row start, and the
// loops it counts (reading the song's last row counts one).
TEST(PlayerSequence, RowOrderAndLoopCount)
{
    struct Case {
        const char* name;
        Cells cells;
        uint16_t channels, rows;
        uint32_t patterns;
        uint8_t restartPosition;
        bool loop;
        Rows expected;
        int32_t loopCount;
    };
    const Case cases[] = {
        {"to the pattern end, then the song wraps to its restart position", {}, 1, 2, 2, 1, true,
         {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 0}, {1, 1}}, 2},
        // The position comes from the jump, the row from the break.
        {"jump then break on one row", {{0, 0, {0, 0, 0, 11, 2}}, {0, 1, {0, 0, 0, 13, 0x03}}}, 2, 8, 3, 0, false,
         {{0, 0}, {2, 3}}, 0},
        {"break then jump on one row", {{0, 0, {0, 0, 0, 13, 0x03}}, {0, 1, {0, 0, 0, 11, 2}}}, 2, 8, 3, 0, false,
         {{0, 0}, {2, 3}}, 0},
        {"break row is decimal, limited to the next pattern's rows", {{0, 0, {0, 0, 0, 13, 0x12}}}, 1, 8, 2, 0, false,
         {{0, 0}, {1, 7}}, 1},
        {"break row that fits", {{0, 0, {0, 0, 0, 13, 0x05}}}, 1, 8, 2, 0, false, {{0, 0}, {1, 5}}, 0},
        {"a backward jump counts a loop", {{1, 0, {0, 0, 0, 11, 0}}}, 1, 4, 2, 0, true, {{0, 0}, {0, 1}, {0, 0}}, 1},
        // Each reading of row 0 jumps past the end: back to the song's start, one loop more.
        {"a jump beyond the song restarts it", {{0, 0, {0, 0, 0, 11, 9}}}, 1, 4, 2, 0, true, {{0, 0}, {0, 0}}, 2},
        {"a forward jump counts none", {{0, 0, {0, 0, 0, 11, 1}}}, 1, 4, 2, 0, true, {{0, 0}, {1, 0}}, 0},
        // EE2 on the last row of pattern 0: the row plays three times, and an
        // XM's status, copied at every row start after the position has moved
        // on, shows pattern 1's row 0 from the first repeat on (the other
        // module types keep showing the delayed row, as their trackers do).
        {"the status of a delayed row is the row after it", {{3, 0, {0, 0, 0, 14, 0xE2}}}, 1, 4, 2, 0, false,
         {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 0}, {1, 0}, {1, 0}, {1, 1}}, 0},
        {"a delayed row does not break twice", {{0, 0, {0, 0, 0, 13, 0x02}}, {0, 1, {0, 0, 0, 14, 0xE1}}}, 2, 4, 3, 0,
         false, {{0, 0}, {1, 2}, {1, 2}}, 0},
        // E60 on row 1, E62 on row 2: rows 1-2 play three times.
        {"pattern loop", {{1, 0, {0, 0, 0, 14, 0x60}}, {2, 0, {0, 0, 0, 14, 0x62}}}, 2, 8, 1, 0, false,
         {{0, 0}, {0, 1}, {0, 2}, {0, 1}, {0, 2}, {0, 1}, {0, 2}, {0, 3}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        XmModule song = songOf(c.cells, c.channels, c.rows, c.patterns);
        song.restartPosition = c.restartPosition;
        PlayerHarness h(song, c.loop);
        EXPECT_EQ(nextRows(h, static_cast<uint32_t>(c.expected.size())), c.expected);
        EXPECT_EQ(h.status().songLoopCount, c.loopCount);
    }
}

TEST(PlayerSequence, PatternDelayRepeatsTheRowWithItsRowHandlers)
{
    // Row 0: volume 30 then EA2 on channel 0, EE2 on channel 1: the row plays
    // three times and its fine volume slide runs each time.
    PlayerHarness h(songOf({{0, 0, {49, 1, 0x10 + 30, 14, 0xA2}}, {0, 1, {0, 0, 0, 14, 0xE2}}, {1, 0, {49, 1}}}));
    h.startFirstRow();
    EXPECT_EQ(h.channel(0).volume, 32);
    h.tick(6);
    EXPECT_EQ(h.channel(0).volume, 34);
    h.tick(6);
    EXPECT_EQ(h.channel(0).volume, 36);
    EXPECT_EQ(h.device(0).starts, 1u);
    h.tick(6);  // row 1 on the 24th tick
    EXPECT_EQ(h.device(0).starts, 2u);
}

TEST(PlayerSequence, SetPositionWrapsAndSteps)
{
    XmModule song = songOf({}, 1, 4, 3);
    song.restartPosition = 1;
    PlayerHarness h(song);
    h.startFirstRow();
    EXPECT_EQ(player::setPosition(*h.instance, 3), ErrorCode::ok);  // past the end: the restart position
    EXPECT_EQ(h.instance->position, 1u);
    EXPECT_EQ(h.instance->row, 0u);
    EXPECT_EQ(player::setPosition(*h.instance, -1), ErrorCode::ok);  // negative: the last position
    EXPECT_EQ(h.instance->position, 2u);
    EXPECT_EQ(nextRows(h, 1), (Rows{{2, 0}}));
    EXPECT_EQ(h.instance->pattern, 2u);
}

TEST(PlayerSequence, SyncCommandReachesStatusAndCallback)
{
    static std::vector<int32_t> calls;
    calls.clear();
    PlayerHarness h(songOf({{2, 1, {0, 0, 0, 32, 7}}}));
    player::setSyncCallback(*h.instance, [](int32_t value, uint32_t position, uint32_t row) {
        calls = {value, static_cast<int32_t>(position), static_cast<int32_t>(row)};
    });
    EXPECT_EQ(h.status().syncInfo, -1);
    h.tick(18);
    EXPECT_EQ(h.status().syncInfo, 7);
    EXPECT_EQ(calls, (std::vector<int32_t>{7, 0, 2}));
}

TEST(PlayerSequence, InstanceLimitsAndArguments)
{
    PlayerHarness h(songOf({}));
    std::vector<uint8_t> channels = {0, 1};
    std::vector<player::PlayerInstance*> more;
    for (uint32_t i = 1; i < player::slotCount; ++i) {
        player::PlayerInstance* p = nullptr;
        ASSERT_EQ(player::playSong(h.players, *h.module, -1, 0, 0, false, 2, channels, p), ErrorCode::ok);
        EXPECT_EQ(p->slot, static_cast<int32_t>(i));
        more.push_back(p);
    }
    player::PlayerInstance* extra = nullptr;
    EXPECT_EQ(player::playSong(h.players, *h.module, -1, 0, 0, false, 2, channels, extra), ErrorCode::outOfResources);
    EXPECT_EQ(player::stopSong(h.players, more.back()), ErrorCode::ok);
    EXPECT_EQ(player::playSong(h.players, *h.module, 0, 1, 0, false, 2, channels, extra), ErrorCode::invalidArguments);
    EXPECT_EQ(player::playSong(h.players, *h.module, 0, 0, 0, false, 3, channels, extra), ErrorCode::invalidArguments);
    EXPECT_EQ(player::setChannelVolume(*h.instance, 2, 10), ErrorCode::invalidChannel);
    EXPECT_EQ(player::setMusicVolume(*h.instance, 65), ErrorCode::invalidArguments);
}

}  // namespace
}  // namespace corvid::testing
