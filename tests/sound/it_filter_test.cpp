// IT's resonant filter from file to device, tick by tick: the instruments'
// default cutoff and resonance (used only where bit 7 says so), Zxx with the
// default MIDI macros or those the file embeds, SFx, the filter envelope,
// and when a note's filter is on.

#include <gtest/gtest.h>

#include <tuple>

#include "it_writer.h"
#include "player_test_support.h"

namespace corvid::testing {
namespace {

constexpr uint8_t used = 0x80;  // bit 7 of IFC and IFR
constexpr uint32_t step = 256;  // the device's cutoff steps in one of the file's

// The filter the device last heard on channel 0: on, cutoff in 1/256
// steps, resonance.
using Heard = std::tuple<bool, uint32_t, uint32_t>;

Heard heard(const PlayerHarness& h)
{
    const RecordedChannel& c = h.device(0);
    return {c.filterOn, c.filterCutoff, c.filterResonance};
}

// What the device hears at the first tick of each row (speed 4), checked to
// hold over the row's other ticks.
std::vector<Heard> heardPerRow(const ItFile& file, size_t rows)
{
    PlayerHarness h(writeIt(file));
    std::vector<Heard> out;
    h.startFirstRow();
    for (size_t row = 0; row < rows; ++row) {
        out.push_back(heard(h));
        for (int tick = 1; tick < 4; ++tick) {
            h.tick();
            EXPECT_EQ(heard(h), out.back()) << "row " << row << " tick " << tick;
        }
        h.tick();
    }
    return out;
}

ItFile instrumentSong(const std::vector<std::vector<uint8_t>>& rows, uint8_t cutoff, uint8_t resonance)
{
    ItFile f = channelRows(rows);
    f.instruments = true;
    f.filterCutoff = cutoff;
    f.filterResonance = resonance;
    return f;
}

// Zxx and SFx reach the player as such: the tests below hear what they do.
TEST(ItFilter, TheLoaderKeepsDefaultsWhoseBitSevenIsSet)
{
    PlayerHarness cutoff(writeIt(instrumentSong({{}}, used | 0x30, 0x7F)));
    EXPECT_EQ(cutoff.module->instruments[0].defaultCutoff, std::optional<uint8_t>(0x30));
    EXPECT_EQ(cutoff.module->instruments[0].defaultResonance, std::nullopt);
    PlayerHarness resonance(writeIt(instrumentSong({{}}, 0x30, used | 0x05)));
    EXPECT_EQ(resonance.module->instruments[0].defaultCutoff, std::nullopt);
    EXPECT_EQ(resonance.module->instruments[0].defaultResonance, std::optional<uint8_t>(5));
}

TEST(ItFilter, ZxxSetsCutoffOrResonanceByTheMacroChosenAndTurnsTheFilterOn)
{
    const std::vector<std::vector<uint8_t>> rows = {
        {noteAndSample, noteC5, 1},       // left open: off
        {effectOnly, letterZ, 0x40},      // SF0 (the default): cutoff
        {effectOnly, letterS, 0xF1},      // SF1: only chooses
        {effectOnly, letterZ, 0x30},      // resonance
        {effectOnly, letterZ, 0x85},      // resonance 5 x 8
        {effectOnly, letterZ, 0x90},      // no macro: nothing
        {effectOnly, letterS, 0xF2},
        {effectOnly, letterZ, 0x10},      // SF2 sends nothing by default
        {effectOnly, letterS, 0xF0},
        {effectOnly, letterZ, 0x7F},      // open again, but on until the next note
        {noteOnly, noteC5},               // resonance 40: a new note filters
        {effectOnly, letterZ, 0x80},      // resonance 0 during the note: still on
        {noteOnly, noteC5},               // open at its start: off
    };
    const std::vector<Heard> expected = {
        {false, 127 * step, 0},  {true, 0x40 * step, 0},  {true, 0x40 * step, 0},  {true, 0x40 * step, 0x30},
        {true, 0x40 * step, 40}, {true, 0x40 * step, 40}, {true, 0x40 * step, 40}, {true, 0x40 * step, 40},
        {true, 0x40 * step, 40}, {true, 127 * step, 40},  {true, 127 * step, 40},  {true, 127 * step, 0},
        {false, 127 * step, 0},
    };
    EXPECT_EQ(heardPerRow(instrumentSong(rows, 0, 0), rows.size()), expected);
}

TEST(ItFilter, ANoteTakesItsInstrumentsDefaultsThenItsRowsZxx)
{
    const std::vector<std::vector<uint8_t>> rows = {
        {noteAndSample, noteC5, 1},
        {effectOnly, letterZ, 0x7F},
        {noteSampleEffect, noteC5, 1, letterZ, 0x50},
        {effectOnly, letterZ, 0x60},
        {noteOnly, noteC5},
    };
    const std::vector<Heard> expected = {
        {true, 0x20 * step, 0x10}, {true, 127 * step, 0x10}, {true, 0x50 * step, 0x10},
        {true, 0x60 * step, 0x10}, {true, 0x20 * step, 0x10},
    };
    EXPECT_EQ(heardPerRow(instrumentSong(rows, used | 0x20, used | 0x10), rows.size()), expected);
    // A default left open (cutoff 127, resonance 0) turns a filtering channel off at the next note.
    const std::vector<std::vector<uint8_t>> open = {{noteAndSample, noteC5, 1}, {effectOnly, letterZ, 0x20}, {noteOnly, noteC5}};
    const std::vector<Heard> openExpected = {{false, 127 * step, 0}, {true, 0x20 * step, 0}, {false, 127 * step, 0}};
    EXPECT_EQ(heardPerRow(instrumentSong(open, used | 127, used | 0), open.size()), openExpected);
}

TEST(ItFilter, AFilterEnvelopeTurnsTheFilterOnAndScalesTheCutoffTickByTickLeavingThePitchAlone)
{
    // From the top (+32: the cutoff as set) to the bottom (-32: none of it)
    // over 8 ticks, then up to the middle (half) by tick 12, where it stays.
    // S7B turns it off: the cutoff as set again.
    ItFile f = instrumentSong({{noteAndSample, noteC5, 1}, {}, {}, {}, {}, {effectOnly, letterS, 0x7B}}, used | 100, 0);
    f.envelopes[2] = ItEnvelope{1 | 0x80, {{32, 0}, {-32, 8}, {0, 12}}, 0, 0, 0, 0};
    PlayerHarness h(writeIt(f));
    h.startFirstRow();
    const uint32_t rate = h.device(0).rate;
    for (uint32_t tick = 0; tick < 24; ++tick) {
        const uint32_t share = tick <= 8 ? 512 - 64 * tick : tick <= 12 ? 64 * (tick - 8) : tick < 20 ? 256 : 512;
        EXPECT_EQ(heard(h), Heard(true, 100 * share / 2, 0)) << "tick " << tick;
        EXPECT_EQ(h.device(0).rate, rate) << "tick " << tick;
        h.tick();
    }
    // Without a default cutoff the filter envelope alone turns the filter on; a pitch envelope does not.
    ItFile unset = instrumentSong({{noteAndSample, noteC5, 1}}, 0, 0);
    unset.envelopes[2] = f.envelopes[2];
    for (const uint8_t flags : {1 | 0x80, 1}) {
        unset.envelopes[2].flags = flags;
        PlayerHarness u(writeIt(unset));
        u.startFirstRow();
        EXPECT_EQ(std::get<0>(heard(u)), flags != 1) << int(flags);
    }
}

constexpr uint16_t specialEditHistory = 2, specialMidiMacros = 8;

ItFile withMacros(ItFile f, const std::vector<std::pair<size_t, std::string>>& macros, uint16_t historyEntries)
{
    f.extraSpecial = specialEditHistory | specialMidiMacros;
    f.afterOffsets = editHistory(historyEntries);
    const std::vector<uint8_t> configuration = midiConfiguration(macros);
    f.afterOffsets.insert(f.afterOffsets.end(), configuration.begin(), configuration.end());
    return f;
}

TEST(ItFilter, MacrosTheFileEmbedsReplaceTheDefaultsAndOnlyTheirFilterMessagesPlay)
{
    constexpr size_t zx80 = 16;
    const std::vector<std::pair<size_t, std::string>> macros = {
        {0, "F0F001z"},                  // SF0: the resonance
        {2, "f0 f0 00 z  F0F001 10"},    // SF2: the cutoff, and resonance 16
        {3, "F0F002z"},                  // SF3: a message the filter does not take
        {zx80, "F0F00040"},              // Z80: cutoff 64
        {zx80 + 1, "9c z 7F F0 F0 01"},  // Z81: a note, and a message cut short
        {zx80 + 0x7F, "F0F000z"},        // ZFF: the cutoff, from the argument's low bits
    };
    const std::vector<std::vector<uint8_t>> rows = {
        {noteAndSample, noteC5, 1},
        {effectOnly, letterZ, 0x30},
        {effectOnly, letterS, 0xF1}, {effectOnly, letterZ, 0x20},  // SF1 is empty now
        {effectOnly, letterS, 0xF2}, {effectOnly, letterZ, 0x50},
        {effectOnly, letterS, 0xF3}, {effectOnly, letterZ, 0x10},
        {effectOnly, letterZ, 0x80}, {effectOnly, letterZ, 0x81},
        {effectOnly, letterZ, 0x85},                               // empty now
        {effectOnly, letterZ, 0xFF},
    };
    const std::vector<Heard> expected = {
        {false, 127 * step, 0},     {true, 127 * step, 0x30},   {true, 127 * step, 0x30}, {true, 127 * step, 0x30},
        {true, 127 * step, 0x30},   {true, 0x50 * step, 0x10},  {true, 0x50 * step, 0x10}, {true, 0x50 * step, 0x10},
        {true, 0x40 * step, 0x10},  {true, 0x40 * step, 0x10},  {true, 0x40 * step, 0x10}, {true, 127 * step, 0x10},
    };
    EXPECT_EQ(heardPerRow(withMacros(instrumentSong(rows, 0, 0), macros, 3), rows.size()), expected);
}

TEST(ItFilter, AnEmbeddedConfigurationTheFileCannotHoldOrThatIsNoTextLeavesTheDefaultsOrNothing)
{
    // Z40 with the defaults sets the cutoff to 64.
    const std::vector<std::vector<uint8_t>> rows = {{noteSampleEffect, noteC5, 1, letterZ, 0x40}};
    const Heard defaults{true, 0x40 * step, 0};
    const ItFile song = instrumentSong(rows, 0, 0);
    const std::vector<std::pair<size_t, std::string>> resonance = {{0, "F0F001z"}};
    // Flagged but not there: what follows the offsets is the instrument.
    ItFile missing = song;
    missing.extraSpecial = specialMidiMacros;
    EXPECT_EQ(heardPerRow(missing, 1)[0], defaults);
    // An edit history counted longer than the file puts the macros past its end.
    ItFile longHistory = withMacros(song, resonance, 0);
    longHistory.afterOffsets[0] = longHistory.afterOffsets[1] = 0xFF;
    EXPECT_EQ(heardPerRow(longHistory, 1)[0], defaults);
    // Without the history flag the count is not there: the macros start at once.
    ItFile noHistory = withMacros(song, resonance, 0);
    noHistory.extraSpecial = specialMidiMacros;
    noHistory.afterOffsets.erase(noHistory.afterOffsets.begin(), noHistory.afterOffsets.begin() + 2);
    EXPECT_EQ(heardPerRow(noHistory, 1)[0], Heard(true, 127 * step, 0x40));
    // Every byte value in every macro: the song loads, and whatever it reads it plays.
    ItFile noise = withMacros(song, {}, 0);
    for (size_t i = 2; i < noise.afterOffsets.size(); ++i)
        noise.afterOffsets[i] = static_cast<uint8_t>(i * 37 + 11);
    PlayerHarness h(writeIt(noise));
    ASSERT_NE(h.module, nullptr);
    h.tick(8);
}

}  // namespace
}  // namespace corvid::testing
