// IT's instrument model in playback, tick by tick: new-note actions with the
// background notes on the pool channels, duplicate checks, S7x, and the
// stealing of a pool channel when none is free; envelopes with their loops
// and sustain loops, the fade rules, and the pitch envelope; the panning a
// note starts with (default panning, pitch-pan separation) and the volume
// and panning swing.

#include <gtest/gtest.h>

#include <cmath>

#include "it_writer.h"
#include "player_test_support.h"

namespace corvid::testing {
namespace {

// Channel 0 of a one-channel song: its pool starts at device channel 1.
constexpr uint32_t firstPoolChannel = 1;

ItFile instrumentRows(const std::vector<std::vector<uint8_t>>& rows, uint8_t newNoteAction)
{
    ItFile f = channelRows(rows);
    f.instruments = true;
    f.newNoteAction = newNoteAction;
    return f;
}

std::vector<const player::BackgroundVoice*> activeVoices(const PlayerHarness& h)
{
    std::vector<const player::BackgroundVoice*> active;
    for (const player::BackgroundVoice& voice : h.instance->voices)
        if (voice.active)
            active.push_back(&voice);
    return active;
}

TEST(ItNewNoteActions, TheReplacedNoteIsCutCarriedOnReleasedOrFaded)
{
    // C-5 then D-5 on the next row (speed 4). Cut: the channel restarts and
    // the pool stays empty. The others move C-5 to the pool, where it plays
    // on at its own rate while D-5 starts on channel 0.
    const std::vector<std::vector<uint8_t>> rows = {{noteAndSample, noteC5, 1}, {noteAndSample, noteD5, 1}, {}, {}, {}, {}, {}};
    {
        PlayerHarness h(writeIt(instrumentRows(rows, 0)));
        h.tick(8);
        EXPECT_EQ(h.device(0).starts, 2u);
        EXPECT_TRUE(activeVoices(h).empty());
        EXPECT_FALSE(h.device(firstPoolChannel).sounding);
    }
    for (uint8_t action : {1, 2, 3}) {
        ItFile f = instrumentRows(rows, action);
        f.fadeout = 128;  // 8192 of 65536 a tick: silent after 8 ticks
        PlayerHarness h(writeIt(f));
        h.tick(4);
        const uint32_t c5Rate = h.device(0).rate;
        const uint32_t c5Volume = h.device(0).volume;
        h.tick(4);
        ASSERT_EQ(activeVoices(h).size(), 1u) << int(action);
        const player::ChannelState& old = activeVoices(h)[0]->channel;
        EXPECT_EQ(old.deviceChannel, firstPoolChannel);
        EXPECT_EQ(old.lastPlayedNote, 0x50);  // C-5 in the player's notes
        EXPECT_TRUE(h.device(firstPoolChannel).sounding);
        EXPECT_EQ(h.device(firstPoolChannel).rate, c5Rate);
        EXPECT_GT(h.device(0).rate, c5Rate);
        EXPECT_EQ(h.device(0).starts, 2u);
        EXPECT_EQ(old.keyOff, action == 2 ? 1 : 0);
        EXPECT_EQ(h.device(firstPoolChannel).releases, action == 2 ? 1u : 0u);
        EXPECT_EQ(old.noteFade, action == 3);
        if (action == 1) {
            // Carried on: the envelope goes on towards its sustain (64 down to 32 over 10 ticks).
            EXPECT_LE(h.device(firstPoolChannel).volume, c5Volume);
            h.tick(8);
            EXPECT_EQ(activeVoices(h).size(), 1u);
            EXPECT_EQ(h.device(firstPoolChannel).volume, 24u);
            continue;
        }
        // Faded: the fade-out empties the pool channel after 8 ticks.
        // Released: the envelope goes on from its sustain to its end (tick
        // 10 of the note), which starts the fade.
        const uint32_t envelopeLeft = action == 2 ? 10 - old.volumeEnvelope.position + 1 : 0;
        h.tick(envelopeLeft + 6);
        EXPECT_EQ(activeVoices(h).size(), 1u) << int(action);
        h.tick(2);
        EXPECT_TRUE(activeVoices(h).empty()) << int(action);
        EXPECT_FALSE(h.device(firstPoolChannel).sounding);
    }
}

TEST(ItNewNoteActions, AnEndedNoteLeavesThePoolAndSilentOnesAreNotKept)
{
    // The sample's end frees the pool channel; a note at volume 0 is not moved.
    ItFile f = instrumentRows({{noteAndSample, noteC5, 1}, {noteAndSample, noteD5, 1}, {}}, 1);
    PlayerHarness h(writeIt(f));
    h.tick(8);
    ASSERT_EQ(activeVoices(h).size(), 1u);
    recorder().channels[firstPoolChannel].sounding = false;  // the device played it to its end
    h.tick();
    EXPECT_TRUE(activeVoices(h).empty());

    ItFile quiet = instrumentRows({{noteSampleVolume, noteC5, 1, 0}, {noteAndSample, noteD5, 1}}, 1);
    PlayerHarness q(writeIt(quiet));
    q.tick(8);
    EXPECT_TRUE(activeVoices(q).empty());
}

TEST(ItNewNoteActions, DuplicatesOfTheNewNoteActByTheInstrument)
{
    // Carry on, with C-5, D-5, C-5: the second C-5 finds the first in the
    // pool. Note check: it is a duplicate (cut, released, faded); D-5 is not.
    // Instrument and sample checks (one sample): every note is a duplicate
    // of the one before, so that none stays in the pool.
    const std::vector<std::vector<uint8_t>> rows = {
        {noteAndSample, noteC5, 1}, {noteAndSample, noteD5, 1}, {noteAndSample, noteC5, 1}, {}};
    struct Case {
        uint8_t check, action;
        size_t active;          // pool notes still active after the third row
        uint32_t releases;      // of the first C-5's pool channel
        bool firstFading;
    };
    for (const Case& k : {Case{1, 0, 1, 0, false}, Case{1, 1, 2, 1, false}, Case{1, 2, 2, 0, true},
                          Case{3, 0, 0, 0, false}, Case{2, 0, 0, 0, false}, Case{0, 0, 2, 0, false}}) {
        ItFile f = instrumentRows(rows, 1);
        f.duplicateCheck = k.check;
        f.duplicateAction = k.action;
        PlayerHarness h(writeIt(f));
        h.tick(12);
        const auto active = activeVoices(h);
        EXPECT_EQ(active.size(), k.active) << int(k.check) << ' ' << int(k.action);
        const player::BackgroundVoice& first = h.instance->voices[0];
        if (k.active != 0) {
            EXPECT_EQ(first.channel.lastPlayedNote, 0x50);
        }
        EXPECT_EQ(h.device(firstPoolChannel).releases, k.releases) << int(k.check) << ' ' << int(k.action);
        EXPECT_EQ(first.active && first.channel.noteFade, k.firstFading);
        // The new C-5 itself plays on channel 0 whatever became of its duplicates.
        EXPECT_EQ(h.device(0).starts, 3u);
    }
}

TEST(ItNewNoteActions, S7xActsOnThePastNotesAndSetsThePlayingNotesAction)
{
    // Carry on: two notes go to the pool; S71 releases them, S70 cuts them.
    const uint8_t S = letterS;
    ItFile f = instrumentRows({{noteAndSample, noteC5, 1},
                               {noteAndSample, noteD5, 1},
                               {noteAndSample, noteE5, 1},
                               {effectOnly, S, 0x71},
                               {effectOnly, S, 0x70}},
                              1);
    f.fadeout = 0;
    PlayerHarness h(writeIt(f));
    h.tick(12);
    ASSERT_EQ(activeVoices(h).size(), 2u);
    h.tick(4);
    for (const player::BackgroundVoice* voice : activeVoices(h))
        EXPECT_EQ(voice->channel.keyOff, 1);
    EXPECT_EQ(h.device(firstPoolChannel).releases + h.device(firstPoolChannel + 1).releases, 2u);
    h.tick(4);
    EXPECT_TRUE(activeVoices(h).empty());
    EXPECT_FALSE(h.device(firstPoolChannel).sounding);
    EXPECT_FALSE(h.device(firstPoolChannel + 1).sounding);
    EXPECT_TRUE(h.device(0).sounding);  // the playing note is not a past one

    // S73 on C-5's row: C-5 is cut by D-5 though the instrument carries on;
    // D-5 takes the instrument's action again, so E-5 sends it to the pool.
    // S76 on a row of its own makes E-5 fade when F-5 comes.
    ItFile g = instrumentRows({{noteSampleEffect, noteC5, 1, S, 0x73},
                               {noteAndSample, noteD5, 1},
                               {noteAndSample, noteE5, 1},
                               {effectOnly, S, 0x76},
                               {noteAndSample, 65, 1}},
                              1);
    PlayerHarness p(writeIt(g));
    p.tick(8);
    EXPECT_TRUE(activeVoices(p).empty());
    p.tick(4);
    ASSERT_EQ(activeVoices(p).size(), 1u);
    EXPECT_EQ(activeVoices(p)[0]->channel.lastPlayedNote, 0x52);
    p.tick(8);
    ASSERT_EQ(activeVoices(p).size(), 2u);
    EXPECT_TRUE(p.instance->voices[1].channel.noteFade);
    EXPECT_EQ(p.instance->voices[1].channel.lastPlayedNote, 0x54);
}

TEST(ItNewNoteActions, AFullPoolGivesUpItsQuietestOldestNote)
{
    // 66 notes carried on, at one volume: the 65th fills the pool's 64th
    // channel, the 66th takes the oldest (the first C-5's) channel.
    std::vector<std::vector<uint8_t>> rows;
    for (uint8_t i = 0; i < 66; ++i)
        rows.push_back({noteAndSample, static_cast<uint8_t>(60 + i % 12), 1});
    rows.push_back({});
    ItFile f = instrumentRows(rows, 1);
    f.envelopes[0].flags = 0;
    PlayerHarness h(writeIt(f));
    const uint32_t poolSize = player::backgroundVoiceCount(*h.module);
    ASSERT_EQ(poolSize, 64u);
    h.tick(4 * 65);
    EXPECT_EQ(activeVoices(h).size(), 64u);
    EXPECT_EQ(h.instance->voices[0].sequence, 0u);
    h.tick(4);
    EXPECT_EQ(activeVoices(h).size(), 64u);
    EXPECT_EQ(h.instance->voices[0].sequence, 64u);
    EXPECT_EQ(h.instance->voices[0].channel.lastPlayedNote, 0x54);  // the 65th note, E-5 (60 + 64 % 12)
    EXPECT_EQ(h.instance->voices[1].sequence, 1u);
}

TEST(ItEnvelopes, SustainLoopsTurnUntilReleaseAndTheEndOfAnEnvelopeAtZeroEndsTheNote)
{
    // 64, 32, 48, 0 at ticks 0, 2, 4, 6, the sustain loop from tick 2 to 4
    // (its end point included); the sample's volume is 48. Note off on row 2.
    ItFile f = instrumentRows({{noteAndSample, noteC5, 1}, {}, {noteOnly, 255}, {}, {}}, 0);
    f.envelopes[0] = {1 | 4, {{64, 0}, {32, 2}, {48, 4}, {0, 6}}, 0, 0, 1, 2};
    PlayerHarness h(writeIt(f));
    h.startFirstRow();
    EXPECT_EQ(h.device(0).volume, 48u);
    EXPECT_EQ(h.volumes(0, 7), (std::vector<uint32_t>{36, 24, 30, 36, 24, 30, 36}));
    // Released at a loop start: on to the end, whose 0 ends the note.
    EXPECT_EQ(h.volumes(0, 5), (std::vector<uint32_t>{24, 30, 36, 18, 0}));
    EXPECT_EQ(h.channel(0).fadeVolume, 0);
}

TEST(ItEnvelopes, ALoopOfOnePointHoldsAndAKeyOffThenFades)
{
    // The loop holds at 32 (volume 24) through the release, which starts the
    // fade-out (fadeout 128: 8192 of 65536 a tick) since the envelope loops.
    ItFile f = instrumentRows({{noteAndSample, noteC5, 1}, {}, {}, {noteOnly, 255}, {}, {}}, 0);
    f.envelopes[0] = {1 | 2, {{64, 0}, {32, 2}, {32, 4}}, 1, 1, 0, 0};
    f.fadeout = 128;
    PlayerHarness h(writeIt(f));
    h.tick(4 + 10);
    EXPECT_EQ(h.device(0).volume, 24u);
    EXPECT_EQ(h.volumes(0, 4), (std::vector<uint32_t>{24, 21, 18, 15}));  // the note off on the second
}

TEST(ItEnvelopes, ThePitchEnvelopeMovesTheRateByHalfSemitonesAndS7xTurnsEnvelopesOff)
{
    // 0 at tick 0 to +24 half-semitones (an octave) at tick 4: the rate
    // doubles, by way of 2^(1/2) at tick 2. S7B turns it off on row 1 (the
    // rate is the note's again), S7C back on where it stopped; S77 on row 3
    // turns the volume envelope off (48 flat).
    ItFile f = instrumentRows({{noteAndSample, noteC5, 1}, {effectOnly, letterS, 0x7B}, {effectOnly, letterS, 0x7C},
                               {effectOnly, letterS, 0x77}},
                              0);
    f.envelopes[2] = {1, {{0, 0}, {24, 4}}, 0, 0, 0, 0};
    PlayerHarness h(writeIt(f));
    h.startFirstRow();
    const double base = h.device(0).rate;
    h.tick(2);
    EXPECT_NEAR(h.device(0).rate, base * std::sqrt(2.0), 1.0);
    h.tick();
    EXPECT_NEAR(h.device(0).rate, base * std::pow(2.0, 0.75), 1.0);
    h.tick();
    EXPECT_EQ(h.device(0).rate, base);
    h.tick(4);
    EXPECT_NEAR(h.device(0).rate, base * 2, 1.0);
    EXPECT_NE(h.device(0).volume, 48u);
    h.tick(4);
    EXPECT_EQ(h.device(0).volume, 48u);
}

TEST(ItEnvelopes, ACarriedEnvelopeGoesOnThroughTheNextNoteOfItsInstrument)
{
    // 64 down to 0 over 16 ticks; a new note of the same instrument every
    // row (speed 4). Without carry each note starts the envelope again (48 at
    // the row's first tick); with it the envelope runs on as if one note
    // played, but not from a note that was fading out (row 2).
    const std::vector<std::vector<uint8_t>> rows = {
        {noteAndSample, noteC5, 1}, {noteAndSample, noteD5, 1}, {noteOnly, 246}, {noteAndSample, noteE5, 1}};
    for (const bool carry : {false, true}) {
        ItFile f = instrumentRows(rows, 0);
        f.envelopes[0] = {static_cast<uint8_t>(carry ? 1 | 8 : 1), {{64, 0}, {0, 16}}, 0, 0, 0, 0};
        PlayerHarness h(writeIt(f));
        h.startFirstRow();
        h.tick(3);
        EXPECT_EQ(h.device(0).volume, 39u);
        EXPECT_EQ(h.volumes(0, 2), carry ? (std::vector<uint32_t>{36, 33}) : (std::vector<uint32_t>{48, 45})) << carry;
        EXPECT_EQ(h.device(0).starts, 2u);
        h.tick(7);
        EXPECT_EQ(h.device(0).volume, 48u) << carry;
    }
}

TEST(ItNotes, AFadeNoteFadesThePlayingNoteAndACutStopsItWhateverTheNewNoteAction)
{
    // Fade (^^^): the note fades by the instrument's fade-out (128: 8192 of
    // 65536 a tick) from the row's first tick, without leaving its sustain
    // and without going to the pool. Cut: the note stops on its own channel
    // even when the instrument's new-note action would carry it on.
    ItFile f = instrumentRows({{noteAndSample, noteC5, 1}, {noteOnly, 246}, {}, {}}, 1);
    f.envelopes[0] = {1 | 4, {{64, 0}, {64, 10}}, 0, 0, 1, 1};
    f.fadeout = 128;
    {
        PlayerHarness h(writeIt(f));
        h.tick(4 + 3);
        EXPECT_EQ(h.device(0).volume, 48u);
        EXPECT_EQ(h.volumes(0, 4), (std::vector<uint32_t>{42, 36, 30, 24}));
        EXPECT_EQ(h.channel(0).keyOff, 0);
        EXPECT_EQ(h.device(0).starts, 1u);
        EXPECT_TRUE(activeVoices(h).empty());
    }
    f = instrumentRows({{noteAndSample, noteC5, 1}, {noteOnly, 254}, {}, {}}, 1);
    PlayerHarness h(writeIt(f));
    h.tick(8);
    EXPECT_EQ(h.device(0).stops, 1u);
    EXPECT_FALSE(h.device(0).sounding);
    EXPECT_TRUE(activeVoices(h).empty());
}

TEST(ItNotes, ANoteWithoutItsInstrumentKeepsAnEnvelopeThatCarries)
{
    // The volume envelope runs 64 down to 32 over 10 ticks (speed 4) and
    // carries: the third row's note, given without an instrument number,
    // goes on from where the playing note had it (tick 8) instead of
    // starting it again.
    ItFile f = instrumentRows({{noteAndSample, noteC5, 1}, {}, {noteOnly, noteC5}, {}}, 0);
    f.envelopes[0].flags |= 8;
    PlayerHarness h(writeIt(f));
    h.startFirstRow();
    h.tick(8);
    EXPECT_EQ(h.device(0).starts, 2u);
    EXPECT_EQ(h.channel(0).volumeEnvelope.position, 9);
    EXPECT_EQ(h.device(0).volume, 28u);  // 48 x (64 - 8 x 3.2) / 64
}

// The channel's panning and the device's volume at the first tick of each
// row (speed 4).
std::vector<std::pair<int32_t, uint32_t>> panningAndVolumePerRow(const ItFile& f, size_t rows)
{
    PlayerHarness h(writeIt(f));
    std::vector<std::pair<int32_t, uint32_t>> out;
    h.startFirstRow();
    for (size_t row = 0; row < rows; ++row, h.tick(4))
        out.emplace_back(h.channel(0).panning, h.device(0).volume);
    return out;
}

std::vector<int32_t> panningPerRow(const ItFile& f, size_t rows)
{
    std::vector<int32_t> out;
    for (const auto& [panning, volume] : panningAndVolumePerRow(f, rows))
        out.push_back(panning);
    return out;
}

TEST(ItPanning, EveryNoteTakesItsSamplesDefaultPanningOverItsInstrumentsAndARowsPanningOverBoth)
{
    // The channel starts at 32 of 64 (128); X20 on the second note's row.
    const std::vector<std::vector<uint8_t>> rows = {
        {noteAndSample, noteC5, 1}, {noteSampleEffect, noteC5, 1, letterX, 0x20}, {noteOnly, noteC5}, {}};
    ItFile f = instrumentRows(rows, 0);
    EXPECT_EQ(panningPerRow(f, 4), (std::vector<int32_t>{128, 0x20, 0x20, 0x20}));  // neither used
    f.defaultPanning = 16;
    EXPECT_EQ(panningPerRow(f, 4), (std::vector<int32_t>{64, 0x20, 64, 64}));
    f.sampleDefaultPanning = 0x80 | 48;
    EXPECT_EQ(panningPerRow(f, 4), (std::vector<int32_t>{192, 0x20, 192, 192}));
    f.sampleDefaultPanning = 0x80 | 64;  // the right edge
    PlayerHarness h(writeIt(f));
    h.startFirstRow();
    EXPECT_EQ(h.channel(0).panning, 255);
    EXPECT_EQ(h.device(0).panning, 63);
}

TEST(ItPanning, PitchPanSeparationMovesEachNoteFromTheChannelsPanningByItsDistanceFromTheCentre)
{
    // Separation 8 around F#5 (66): 8/8 of a 64th (4 of 255) a semitone.
    // Each note starts from the panning before the last note's move, unless
    // a panning command set it since.
    const std::vector<std::vector<uint8_t>> rows = {
        {noteAndSample, 60, 1}, {noteOnly, 72}, {effectOnly, letterX, 0x40}, {noteOnly, 64}, {noteOnly, 66}};
    ItFile f = instrumentRows(rows, 0);
    f.pitchPanSeparation = 8;
    f.pitchPanCentre = 66;
    EXPECT_EQ(panningPerRow(f, 5), (std::vector<int32_t>{128 - 24, 128 + 24, 0x40, 0x40 - 8, 0x40}));
    f.pitchPanSeparation = -32;
    EXPECT_EQ(panningPerRow(f, 5), (std::vector<int32_t>{128 + 96, 128 - 96, 0x40, 0x40 + 32, 0x40}));
    f.pitchPanSeparation = 32;
    f.pitchPanCentre = 0;  // far off the scale: held at the edge
    EXPECT_EQ(panningPerRow(f, 2), (std::vector<int32_t>{255, 255}));
}

TEST(ItPanning, VolumeAndPanningSwingMoveEachNoteByDrawsEverySongRepeats)
{
    // Swing 25 % of the volume (48) and 16 of 64 of the panning: each note
    // draws its volume swing, then its panning swing (4 of 255 a 64th), from
    // the generator every song starts afresh.
    const std::vector<std::vector<uint8_t>> rows = {{noteAndSample, noteC5, 1}, {noteOnly, noteC5}, {}, {noteOnly, 70}};
    ItFile f = instrumentRows(rows, 0);
    f.volumeSwing = 25;
    f.panningSwing = 16;
    f.envelopes[0] = {};
    player::SwingGenerator generator;
    std::vector<std::pair<int32_t, uint32_t>> expected;
    for (size_t row = 0; row < rows.size(); ++row) {
        if (rows[row].empty()) {
            expected.push_back(expected.back());
            continue;
        }
        const int32_t volumeSwing = player::nextSwing(generator, 25);
        const int32_t panningSwing = player::nextSwing(generator, 16);
        expected.emplace_back(std::clamp(128 + 4 * panningSwing, 0, 255),
                              static_cast<uint32_t>(std::clamp(48 * (100 + volumeSwing) / 100, 0, 64)));
    }
    EXPECT_NE(expected[0], expected[1]);
    for (int song = 0; song < 2; ++song)
        EXPECT_EQ(panningAndVolumePerRow(f, rows.size()), expected) << "song " << song;
}

TEST(ItNotes, ANoteWithoutItsInstrumentStartsAfreshFromARelease)
{
    // Envelope 64 at tick 0, 32 at tick 4 (its sustain), 0 at tick 8; speed
    // 4. C-5 at volume 32, released on row 1, ends at the envelope's 0. D-5
    // without an instrument number on row 3 is a new note all the same: the
    // envelope from its start, not released, the fade-out undone; the volume
    // stays the channel's (32), not the sample's. The same note delayed by
    // SD2 starts afresh two ticks into its row.
    ItFile f = instrumentRows({{noteSampleVolume, noteC5, 1, 32}, {noteOnly, 255}, {}, {noteOnly, noteD5}, {}}, 0);
    f.envelopes[0] = {1 | 4, {{64, 0}, {32, 4}, {0, 8}}, 0, 0, 1, 1};
    f.fadeout = 128;
    {
        PlayerHarness h(writeIt(f));
        h.tick(4 * 3 + 3);  // the song's first row is read on its fourth tick
        EXPECT_EQ(h.device(0).volume, 0u);
        EXPECT_EQ(h.volumes(0, 4), (std::vector<uint32_t>{32, 28, 24, 20}));
        EXPECT_EQ(h.channel(0).keyOff, 0);
        EXPECT_EQ(h.channel(0).fadeVolume, 65536);
        EXPECT_EQ(h.device(0).starts, 2u);
        EXPECT_EQ(h.volumes(0, 2), (std::vector<uint32_t>{16, 16}));  // held at the sustain
    }
    constexpr uint8_t noteAndEffect = 0x09;
    ItFile delayed = instrumentRows(
        {{noteSampleVolume, noteC5, 1, 32}, {noteOnly, 255}, {}, {noteAndEffect, noteD5, letterS, 0xD2}, {}}, 0);
    delayed.envelopes[0] = f.envelopes[0];
    delayed.fadeout = 128;
    PlayerHarness h(writeIt(delayed));
    h.tick(4 * 3 + 3 + 2);
    EXPECT_EQ(h.device(0).volume, 0u);
    EXPECT_EQ(h.volumes(0, 2), (std::vector<uint32_t>{32, 28}));
    EXPECT_EQ(h.channel(0).keyOff, 0);
}

TEST(ItNotes, TheKeyboardPlaysTheNoteItMapsEachKeyTo)
{
    // C-5, then D-5 under a tone portamento at full speed, whose first
    // sliding tick reaches its target: the rates of C-5 and D-5, an octave
    // up (twice as fast) on a keyboard that plays every key an octave up.
    const std::vector<std::vector<uint8_t>> rows = {
        {noteAndSample, noteC5, 1}, {noteSampleEffect, noteD5, 1, letterG, 0xFF}, {}};
    const auto rates = [&](int8_t shift) {
        ItFile f = instrumentRows(rows, 0);
        f.keyboardShift = shift;
        PlayerHarness h(writeIt(f));
        h.startFirstRow();
        const uint32_t first = h.device(0).rate;
        h.tick(5);
        EXPECT_EQ(h.device(0).starts, 1u);  // slid to, not started
        return std::pair(first, h.device(0).rate);
    };
    const auto [c5, d5] = rates(0);
    EXPECT_NEAR(d5, c5 * std::pow(2.0, 2 / 12.0), 2.0);
    const auto [c6, d6] = rates(12);
    EXPECT_NEAR(c6, 2.0 * c5, 2.0);
    EXPECT_NEAR(d6, 2.0 * d5, 2.0);
}

}  // namespace
}  // namespace corvid::testing
