// The part writers: what lands in which cell.

#include "tools/composer/arranger.h"
#include "tools/composer/instruments.h"

#include <gtest/gtest.h>

namespace {

using composer::Arranger;
using composer::rowOf;
namespace ch = composer::ch;
namespace fx = composer::fx;

TEST(Arranger, PadStrikesOnlyTheVoicesThatMove)
{
    Arranger a(2, 12);
    a.chords(0, "Am F C G");
    a.pad(rowOf(0), rowOf(0, 2), 30);
    // Am (A C E) to F (A C F): only the top voice moves.
    EXPECT_EQ(a.at(rowOf(0), ch::pad).note, composer::noteValue("A-3"));
    EXPECT_EQ(a.at(rowOf(0), ch::pad + 1).note, composer::noteValue("C-4"));
    EXPECT_EQ(a.at(rowOf(0), ch::pad + 2).note, composer::noteValue("E-4"));
    EXPECT_EQ(a.at(rowOf(0, 1), ch::pad).note, 0);
    EXPECT_EQ(a.at(rowOf(0, 1), ch::pad + 1).note, 0);
    EXPECT_EQ(a.at(rowOf(0, 1), ch::pad + 2).note, composer::noteValue("F-4"));
    // A new call over a held chord restates the level without striking again.
    a.pad(rowOf(0, 1), rowOf(0, 2), 40);
    EXPECT_EQ(a.at(rowOf(0, 1), ch::pad).note, 0);
    EXPECT_EQ(a.at(rowOf(0, 1), ch::pad).volume, composer::volumeByte(40));
}

TEST(Arranger, EchoKeepsTheChordsOfItsSource)
{
    Arranger a(2, 12);
    a.chords(0, "Am Am Am G");
    a.arp(rowOf(0, 3) - 1, rowOf(0, 3), "0", {ch::lead2, composer::ins::pluck, 12, 0, 0, 3}, 0);
    // Played over G, but its source row was still under Am.
    EXPECT_EQ(a.at(rowOf(0, 3) + 2, ch::lead2).note, composer::noteValue("A-4"));
}

TEST(Arranger, MelodyTokens)
{
    Arranger a(1, 12);
    a.melody(0, {"A4 . . . . . . . . . /C5 . ^ . . ."}, {ch::lead, composer::ins::lead, 40, 0, 0x60});
    const composer::XmCell first = a.at(0, ch::lead);
    EXPECT_EQ(first.note, composer::noteValue("A4"));
    EXPECT_EQ(first.instrument, composer::ins::lead);
    EXPECT_EQ(first.effect, fx::setPanning);
    // Held 10 rows: vibrato from the fifth row until the next token.
    EXPECT_EQ(a.at(3, ch::lead).effect, 0);
    for (int row = 4; row < 10; ++row)
        EXPECT_EQ(a.at(row, ch::lead).effect, fx::vibrato) << row;
    // A slide keeps the sounding instrument: note and tone portamento only.
    EXPECT_EQ(a.at(10, ch::lead).note, composer::noteValue("C5"));
    EXPECT_EQ(a.at(10, ch::lead).instrument, 0);
    EXPECT_EQ(a.at(10, ch::lead).effect, fx::tonePorta);
    EXPECT_EQ(a.at(12, ch::lead).note, composer::keyOffNote);
    // Past the end of the song an echo is dropped, not written out of bounds.
    a.melody(60, {"A4 . . . C5 . . ."}, {ch::lead2, composer::ins::lead, 20, 0, 0, 3});
    EXPECT_EQ(a.at(63, ch::lead2).note, composer::noteValue("A4"));
}

TEST(Arranger, DrumLines)
{
    Arranger a(1, 12);
    a.drums(0, 16, ch::snare, composer::ins::snare, "x.o.r...RRRR....", 40);
    EXPECT_EQ(a.at(0, ch::snare).volume, composer::volumeByte(40));
    EXPECT_EQ(a.at(2, ch::snare).volume, composer::volumeByte(20));
    EXPECT_EQ(a.at(2, ch::snare).effect, fx::sampleOffset);
    EXPECT_EQ(a.at(4, ch::snare).effect, fx::extended);
    EXPECT_EQ(a.at(4, ch::snare).parameter, 0x93);
    // One roll: struck once, then the retrigger alone carries it.
    EXPECT_EQ(a.at(8, ch::snare).note, composer::drumNote);
    for (int row = 9; row < 12; ++row) {
        EXPECT_EQ(a.at(row, ch::snare).note, 0) << row;
        EXPECT_EQ(a.at(row, ch::snare).effect, fx::multiRetrigger) << row;
    }
    // A fill replaces the bar on its channel.
    a.fill(0, ch::snare, composer::ins::snare, "...............x", 30);
    EXPECT_EQ(a.at(0, ch::snare).note, 0);
    EXPECT_EQ(a.at(15, ch::snare).note, composer::drumNote);
}

TEST(Arranger, IdenticalPositionsShareOnePattern)
{
    Arranger a(3, 12);
    for (const int p : {0, 2})
        a.drums(rowOf(p), rowOf(p + 1), ch::kick, composer::ins::kick, "x...", 50);
    a.drums(rowOf(1), rowOf(2), ch::kick, composer::ins::kick, "x.x.", 50);
    composer::XmModule m;
    a.toModule(m);
    EXPECT_EQ(m.patterns.size(), 2u);
    EXPECT_EQ(m.orders, (std::vector<std::uint8_t>{0, 1, 0}));
}

}  // namespace
