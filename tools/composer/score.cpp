// The piece, section by section. Each section follows one scene of the show
// and begins exactly where the scene begins; see README.md for the plan.

#include "tools/composer/score.h"

#include "tools/composer/arranger.h"
#include "tools/composer/instruments.h"

#include <string_view>
#include <vector>

namespace composer {

namespace {

using Bars = std::vector<std::string_view>;

Bars bars(const Bars& theme, std::size_t first, std::size_t count)
{
    return Bars(theme.begin() + static_cast<std::ptrdiff_t>(first),
                theme.begin() + static_cast<std::ptrdiff_t>(first + count));
}

// ---- Themes (one token per row, 16 rows a bar) ----

// Theme A, the main theme: A minor over Am F C G. Bars 1 and 3 share one
// rhythm (a dotted quarter, then a falling turn); bars 5 to 8 answer.
const Bars themeA = {
    "A4 . . . . . C5 . E5 . . . D5 . C5 .",   // Am
    "F5 . . . . . . . E5 . . . C5 . . .",     // F
    "E5 . . . . . G5 . E5 . . . D5 . C5 .",   // C
    "D5 . . . . . . . . . . . B4 . D5 .",     // G
    "A4 . . . . . C5 . E5 . . . A5 . . .",    // Am
    "G5 . . . F5 . . . E5 . . . C5 . . .",    // F
    "E5 . . . D5 . . . C5 . . . E5 . G5 .",   // C
    "D5 . . . . . . . C5 . . . B4 . . .",     // G, falling back to A
};

// Theme B, the panorama's high variation of A over the same chords.
const Bars themeB = {
    "E5 . A5 . . . G5 . A5 . . . C6 . B5 .",  // Am
    "A5 . . . . . . . G5 . F5 . E5 . . .",    // F
    "E5 . G5 . . . F5 . G5 . . . C6 . B5 .",  // C
    "B5 . . . . . . . D6 . . . B5 . G5 .",    // G
    "E5 . A5 . . . G5 . A5 . . . E6 . D6 .",  // Am
    "C6 . . . . . A5 . . . F5 . A5 . C6 .",   // F
    "/D6 . . . C6 . . . G5 . . . E5 . G5 .",  // C
    "B5 . . . . . . . . . . . ^ . . .",       // G
};

// Theme 2, the arms' theme: B minor, a 3 + 3 + 2 rhythm that curls like the arms.
const Bars theme2 = {
    "F#5 . . D5 . . B4 . F#5 . . E5 . . D5 .",   // Bm
    "E5 . . D5 . . B4 . D5 . . . . . . .",       // G
    "/A5 . . F#5 . . D5 . A5 . . G5 . . F#5 .",  // D
    "E5 . . . . . C#5 . E5 . . . . . . .",       // A
    "G5 . . E5 . . B4 . G5 . . F#5 . . E5 .",    // Em
    "D5 . . . . . E5 . B4 . . . . . . .",        // G
    "C#5 . . E5 . . F#5 . A#5 . . . C#6 . . .",  // F#
    "F#5 . . . . . . . . . . . ^ . . .",         // F#
};

// The credits' melody: C major over Fmaj7 G Em7 Am, slow and open.
const Bars creditsTheme = {
    "A5 . . . . . . . G5 . . . E5 . . .",   // Fmaj7
    "D5 . . . . . . . B4 . . . D5 . . .",   // G
    "G5 . . . . . . . E5 . . . D5 . . .",   // Em7
    "C5 . . . . . . . . . . . E5 . . .",    // Am
    "A5 . . . C6 . . . B5 . . . A5 . . .",  // Fmaj7
    "G5 . . . . . . . D5 . . . . . . .",    // G
    "E5 . . . G5 . . . B5 . . . . . . .",   // Em7
    "A5 . . . . . . . . . . . ^ . . .",     // Am
};

// Sparks: high bell notes of the A minor chord tones, falling at random-looking places.
const Bars sparks = {
    ". . . . . . . . E6 . . . . . . .",  ". . . . A5 . . . . . . . . . C6 .",
    ". . B5 . . . . . . . . . E6 . . .",  ". . . . . . A5 . . . . . . . . .",
    "E6 . . . . . . . . . . . D6 . . .",  ". . . . C6 . . . . . . . . . A5 .",
    ". . G5 . . . . . . . E6 . . . . .",  ". . . . D6 . . . . . . . B5 . . .",
    "A5 . . . . . C6 . . . . . E6 . . .", ". . . . F6 . . . . . E6 . . . . .",
    "C6 . . . . . . . G5 . . . . . . .",  ". . . . B5 . . . . . D6 . . . . .",
};

// The opening's counter-line under the words.
const Bars counterLine = {
    "E5 . . . . . . . . . . . D5 . C5 .", "C5 . . . . . . . . . . . A4 . . .",
    "G4 . . . . . . . C5 . . . E5 . . .", "D5 . . . . . . . . . . . . . . .",
    "E5 . . . . . . . . . . . D5 . C5 .", "A4 . . . . . . . . . . . C5 . . .",
    "E5 . . . . . . . . . . . . . . .",   "D5 . . . . . . . . . . . ^ . . .",
};

// The window: theme A's opening, twice as slow, then a rise through Dm7 and Em7.
const Bars windowLine = {
    "A4 . . . . . . . . . . . C5 . . .", "E5 . . . . . . . D5 . . . C5 . . .",
    "C5 . . . . . . . . . . . A4 . . .", "G4 . . . . . . . . . . . . . . .",
    "D5 . . . . . . . F5 . . . A5 . . .", "G5 . . . . . . . F5 . . . E5 . . .",
    "E5 . . . . . . . G5 . . . B5 . . .", "A5 . . . . . . . G5 . . . ^ . . .",
};

const Bars bridgeLine = {
    "F5 . . . . . . . . . . . E5 . D5 .",  // Dm
    "C5 . . . . . . . . . . . A4 . C5 .",  // F
    "D5 . . . . . . . G5 . . . F5 . D5 .", // G
    "E5 . . . . . . . . . . . G#5 . . .",  // E, leading back to A
};

const Bars armsCounter = {
    "B4 . . . . . . . . . . . . . . .", "D5 . . . . . . . . . . . . . . .",
    "C#5 . . . . . . . . . . . . . . .", "A#4 . . . . . . . C#5 . . . . . . .",
};

const Bars armsEnding = {
    "F#5 . . . . . . . . . . . . . . .", "G5 . . . . . . . B5 . . . . . . .",
    "G5 . . . . . . . . . . . E5 . . .", "G#5 . . . . . . . . . . . ^ . . .",
};

const Bars lastBars = {
    "C5 . . . . . . . . . . . . . . .",  // F
    "B4 . . . . . . . D5 . . . . . . .", // G
    "A4 . . . . . . . . . . . . . . .",  // Am, held to the end
    ". . . . . . . . . . . . ^ . . .",
};

const std::vector<int> aMinor = {9, 11, 0, 2, 4, 5, 7};
const std::vector<int> cMajor = {0, 2, 4, 5, 7, 9, 11};
const std::vector<int> bHarmonicMinor = {11, 1, 2, 4, 6, 7, 10};

// ---- The harmonic plan: one chord per bar, four bars per position ----

constexpr std::string_view progression[songPositions] = {
    // 0-8 opening, A minor: the sparks on Am, the logo on i-VI-III-VII, the
    // rise on F G Esus4 E, the beat on i-VI-III-VII again.
    "Am Am Am Am", "Am F C G", "Am F C G", "Am F C G", "F G Esus4 E",
    "Am F C G", "Am F C G", "Am F C G", "Am F C G",
    // 9-14 credits, C major: IV-V-iii-vi.
    "Fmaj7 G Em7 Am", "Fmaj7 G Em7 Am", "Fmaj7 G Em7 Am", "Fmaj7 G Em7 Am", "Fmaj7 G Em7 Am", "Fmaj7 G Em7 Am",
    // 15-25 panorama, A minor: i-VI-III-VII, with a bridge iv-VI-VII-V at 24.
    "Am F C G", "Am F C G", "Am F C G", "Am F C G", "Am F C G", "Am F C G",
    "Am F C G", "Am F C G", "Am F C G", "Dm F G E", "Am F C G",
    // 26-29 window, A minor: two chords a position, turning to F# (V of B minor).
    "Amadd9 Amadd9 Fmaj7 Fmaj7", "Amadd9 Amadd9 Fmaj7 Fmaj7", "Dm7 Dm7 Em7 Em7", "Fmaj7 Fmaj7 G F#",
    // 30-40 arms, B minor: verse i-VI-III-VII, turn iv-VI-V-V; 40 turns to E (V of A minor).
    "Bm G D A", "Em G F# F#", "Bm G D A", "Em G F# F#", "Bm G D A", "Em G F# F#",
    "Bm G D A", "Bm G D A", "Bm G D A", "Em G F# F#", "Bm G Em E",
    // 41-44 closing, A minor, ending on the tonic; 45 is silence.
    "Am F C G", "Am F C G", "Am F C G", "F G Am Am", "Am Am Am Am",
};

void harmonicPlan(Arranger& a)
{
    for (int p = 0; p < songPositions; ++p)
        a.chords(p, progression[p]);
}

// ---- Drum grooves (16 rows a bar) ----

struct Groove {
    std::string_view kick, snare, hats;
    int kickVolume, snareVolume, hatVolume;
};

const Groove fourOnTheFloor = {"x...x...x...x...", "....x.......x...", "o.x.o.x.o.x.o.x.", 56, 44, 26};
const Groove panoramaGroove = {"x...x...x...x...", "....x.......x...", "o.O.o.O.o.O.o.O.", 58, 46, 26};
const Groove panoramaDrive = {"x...x...x...x...", "....x..o....x..o", "ooOoooOoooOoooOo", 58, 46, 28};
const Groove halfTime = {"x.........x.....", "........x.......", "x.x.x.x.x.x.x.x.", 56, 46, 20};
const Groove armsGroove = {"x...x...x...x...", "....x.......x...", "x.O.x.O.x.O.x.O.", 58, 48, 24};
const Groove climax = {"x...x...x...x.x.", "....x..o....x.o.", "xxOxxxOxxxOxxxOx", 60, 50, 22};

void groove(Arranger& a, int from, int to, const Groove& g)
{
    a.drums(from, to, ch::kick, ins::kick, g.kick, g.kickVolume);
    a.drums(from, to, ch::snare, ins::snare, g.snare, g.snareVolume);
    a.drums(from, to, ch::hats, ins::hats, g.hats, g.hatVolume);
}

// A fill in the last bar of a position: snare line and tom line.
void fill(Arranger& a, int position, std::string_view snare, std::string_view toms, int volume)
{
    const int bar = position * 4 + 3;
    a.fill(bar, ch::snare, ins::snare, snare, volume);
    if (!toms.empty())
        a.fill(bar, ch::perc, ins::tom, toms, volume);
}

// Bell notes shimmering through the chord with the arpeggio effect.
void shimmer(Arranger& a, int from, int to, int volume)
{
    for (int row = from; row < to; row += 16) {
        const Chord& c = a.chordAt(row);
        const bool minor = (c.tones[1] - c.root + 12) % 12 == 3;
        a.note(row, ch::fx, static_cast<std::uint8_t>(5 * 12 + c.root + 1), ins::bell, volume);
        for (int r = row; r < row + 12; ++r)
            a.effect(r, ch::fx, fx::arpeggio, minor ? 0x37 : 0x47);
    }
}

// An air swell rising through the given rows.
void rise(Arranger& a, int from, int to, int volume)
{
    a.note(from, ch::fx, 37, ins::air, volume);  // C-3
    for (int row = from; row < to; ++row)
        a.effect(row, ch::fx, fx::portaUp, 0x01);
}

// ---- Sections ----

// 0-8: sparks over black (0), the group logo (1-3), the cross-fade (4, a rise),
// the ring of blobs and the six words (5-8, the beat); 8 fades in its second half.
void opening(Arranger& a)
{
    // Position 0 fades in with the sparks over rows 0 to 31.
    a.globalFade(rowOf(0), rowOf(0, 2) - 1, 16, 52);
    a.note(rowOf(0), ch::fx, 49, ins::air, 12);
    for (int row = rowOf(0, 0, 1); row < rowOf(0, 0, 5); ++row)
        a.effect(row, ch::fx, fx::volumeSlide, 0x10);
    a.pad(rowOf(0), rowOf(4), 30);
    a.melody(rowOf(0), sparks, {ch::lead2, ins::bell, 24, 0, 0xA0});

    a.bass(rowOf(1), rowOf(4), "R...............", 36);
    a.arp(rowOf(2), rowOf(3), "0...2...1...3...", {ch::arp, ins::pluck, 22, 0, 0}, 40);
    a.arp(rowOf(3), rowOf(4), "0.2.1.3.0.2.1.3.", {ch::arp, ins::pluck, 24, 0, 0}, 40);
    a.melody(rowOf(3), bars(themeA, 0, 4), {ch::lead2, ins::bell, 30, 0, 0x70});

    // 4: the rise into the beat.
    a.pad(rowOf(4), rowOf(5), 34);
    a.bass(rowOf(4), rowOf(5), "R.......R.......", 40);
    a.arp(rowOf(4), rowOf(5), "0123012301230123", {ch::arp, ins::pluck, 24, 0, 0}, 48);
    rise(a, rowOf(4), rowOf(5), 34);
    a.drums(rowOf(4, 1), rowOf(4, 2), ch::snare, ins::snare, "x...x...x...x...", 20);
    a.drums(rowOf(4, 2), rowOf(4, 3), ch::snare, ins::snare, "x.x.x.x.x.x.x.x.", 28);
    a.drums(rowOf(4, 3), rowOf(5), ch::snare, ins::snare, "xxxxxxxxRRRRRRRR", 30);
    a.drums(rowOf(4, 2), rowOf(5), ch::kick, ins::kick, "x...x...x...x...", 44);
    a.drums(rowOf(4, 3, 8), rowOf(5), ch::perc, ins::tom, "1.2.3.4.", 40);

    // 5-8: the beat.
    a.globalVolume(rowOf(5), 56);
    a.crash(rowOf(5), 44);
    a.keyOff(rowOf(5), ch::fx);
    groove(a, rowOf(5), rowOf(8, 2), fourOnTheFloor);
    fill(a, 6, "....x.......x.xx", "", 44);
    fill(a, 7, "....x...x.x.xxxx", "", 44);
    a.drums(rowOf(8, 1), rowOf(8, 2), ch::snare, ins::snare, "....x.....x.xxxx", 44);
    a.pad(rowOf(5), rowOf(9), 30);
    a.bass(rowOf(5), rowOf(7), "R.R.R.R.R.R.R.R.", 42);
    a.bass(rowOf(7), rowOf(8, 2), "R.RR.RR.R.RR.R.O", 42);
    a.bass(rowOf(8, 2), rowOf(9), "R...............", 36);
    a.crash(rowOf(8, 2), 36);
    a.arp(rowOf(5), rowOf(7), "0.1.2.3.2.1.0.1.", {ch::arp, ins::pluck, 24, 0, 0}, 48);
    a.arp(rowOf(7), rowOf(8, 2), "0123210301232103", {ch::arp, ins::pluck, 24, 0, 0}, 56);
    a.arp(rowOf(8, 2), rowOf(9), "0...1...2...1...", {ch::arp, ins::pluck, 22, 0, 0}, 40);
    a.melody(rowOf(7), counterLine, {ch::lead2, ins::lead, 30, 0, 0x90});

    // 8 fades with the picture over its second half.
    a.globalFade(rowOf(8, 2), rowOf(9) - 1, 56, 20);
}

// 9-14: three credit pages of two positions each; calmer and melodic.
void credits(Arranger& a)
{
    a.globalVolume(rowOf(9), 46);
    a.pad(rowOf(9), rowOf(15), 26);
    a.bass(rowOf(9), rowOf(15), "R.......R.......", 32);

    // Page 1: the bell alone with the melody.
    a.melody(rowOf(9), creditsTheme, {ch::fx, ins::bell, 36, 0, 0x90});
    // Page 2: the lead an octave lower, the bell answering three rows later.
    a.melody(rowOf(11), creditsTheme, {ch::lead, ins::lead, 30, -12, 0});
    a.melody(rowOf(11), creditsTheme, {ch::fx, ins::bell, 18, 0, 0xC0, 3});
    a.arp(rowOf(11), rowOf(13), "0...1...2...1...", {ch::arp, ins::pluck, 22, 0, 0}, 40);
    // Page 3: lead with a third below, the bell above, a first pulse.
    a.melody(rowOf(13), creditsTheme, {ch::lead, ins::lead, 32, -12, 0});
    a.harmony(rowOf(13), creditsTheme, {ch::lead2, ins::lead, 22, -12, 0x60}, cMajor);
    a.melody(rowOf(13), creditsTheme, {ch::fx, ins::bell, 24, 0, 0xA0});
    a.arp(rowOf(13), rowOf(15), "0.1.2.1.0.1.2.1.", {ch::arp, ins::pluck, 22, 0, 0}, 48);
    a.drums(rowOf(13), rowOf(15), ch::hats, ins::hats, "..x...x...x...x.", 20);
    a.drums(rowOf(13, 2), rowOf(15), ch::kick, ins::kick, "x.......x.......", 36);

    // The end of 14 gathers into the panorama while the picture fades.
    fill(a, 14, "x..x..x.x.xxRRRR", "........1.2.3.4.", 34);
    a.globalFade(rowOf(14, 2), rowOf(15) - 1, 46, 58);
}

// 15-25: the main theme with the full arrangement; the object rises at 18,
// the quotation shows from 19 to 23, and everything fades at the end of 25.
void panorama(Arranger& a)
{
    a.globalVolume(rowOf(15), 58);
    for (const int p : {15, 16, 20, 24, 25})
        a.crash(rowOf(p), 42);
    a.keyOff(rowOf(15), ch::lead);
    a.keyOff(rowOf(15), ch::lead2);

    a.pad(rowOf(15), rowOf(26), 28);
    a.bass(rowOf(15), rowOf(25, 2), "R..R..R.R.O.R.5.", 44);
    a.bass(rowOf(25, 2), rowOf(26), "R...............", 38);
    groove(a, rowOf(15), rowOf(20), panoramaGroove);
    groove(a, rowOf(20), rowOf(24), panoramaDrive);
    groove(a, rowOf(24), rowOf(25, 2), panoramaGroove);
    fill(a, 17, "....x.......x.xx", "", 46);
    fill(a, 19, "....x...x.x.xxxx", "........1.2.3.4.", 44);
    fill(a, 23, "x.x.x.x.xxxxxxxx", "", 42);
    fill(a, 24, "x.......x.x.rrRR", "1.1.2.2.3.3.4.4.", 44);

    a.arp(rowOf(15), rowOf(20), "0.2.1.3.0.2.1.3.", {ch::arp, ins::pluck, 24, 0, 0}, 48);
    a.arp(rowOf(20), rowOf(26), "0.1.2.3.4.3.2.1.", {ch::arp, ins::pluck, 26, 0, 0}, 56);

    const Voice lead = {ch::lead, ins::lead, 46, 0, 0};
    a.melody(rowOf(16), themeA, lead);
    a.melody(rowOf(18), themeA, lead);
    a.harmony(rowOf(18), themeA, {ch::lead2, ins::lead, 28, 0, 0x60}, aMinor);
    a.melody(rowOf(20), themeB, {ch::lead, ins::lead, 48, 0, 0});
    a.melody(rowOf(20), themeB, {ch::lead2, ins::lead, 20, 0, 0xB0, 3});
    a.melody(rowOf(22), themeA, {ch::lead, ins::lead, 48, 0, 0});
    a.melody(rowOf(22), themeA, {ch::lead2, ins::lead, 20, 0, 0xB0, 3});
    a.keyOff(rowOf(24, 0, 4), ch::lead2);
    a.melody(rowOf(24), bridgeLine, lead);
    a.melody(rowOf(25), bars(themeA, 4, 4), {ch::lead, ins::lead, 44, 0, 0});

    a.globalFade(rowOf(25, 2), rowOf(26) - 1, 58, 18);
}

// 26-29: the window, a hypnotic breakdown fading in from the panorama's end.
void window(Arranger& a)
{
    a.globalFade(rowOf(26), rowOf(26, 2) - 1, 18, 50);
    a.keyOff(rowOf(26), ch::lead);
    a.pad(rowOf(26), rowOf(30), 24);
    a.bass(rowOf(26), rowOf(28), "R...............", 38);
    a.bass(rowOf(28), rowOf(30), "R.......O.....R.", 40);

    // A pluck ostinato and its echo three rows later on the other side.
    const std::string_view ostinato = "0342034203420345";
    a.arp(rowOf(26), rowOf(30), ostinato, {ch::arp, ins::pluck, 26, 0, 0x70}, 0);
    a.arp(rowOf(26), rowOf(30) - 3, ostinato, {ch::lead2, ins::pluck, 12, 0, 0xC0, 3}, 0);
    shimmer(a, rowOf(26), rowOf(29, 2), 20);
    a.melody(rowOf(27), windowLine, {ch::lead, ins::lead, 34, 0, 0});

    // Sixteenth hats, every second one a little late: a shuffle.
    a.drums(rowOf(26), rowOf(30), ch::hats, ins::hats, "xxxxxxxxxxxxxxxx", 16);
    for (int row = rowOf(26) + 1; row < rowOf(30); row += 2)
        a.effect(row, ch::hats, fx::extended, 0xD2);
    a.drums(rowOf(27), rowOf(30), ch::kick, ins::kick, "x.........x.....", 44);
    a.drums(rowOf(28), rowOf(29, 2), ch::snare, ins::snare, "........o.......", 44);
    a.drums(rowOf(29, 2), rowOf(29, 3), ch::snare, ins::snare, "x...x...x.x.x.x.", 30);
    a.drums(rowOf(29, 3), rowOf(30), ch::snare, ins::snare, "xxxxxxxxRRRRRRRR", 28);
    rise(a, rowOf(29, 2), rowOf(30), 30);
}

// 30-40: the arms, the second theme, building to the peak of the show at 34-40.
void arms(Arranger& a)
{
    a.globalVolume(rowOf(30), 54);
    a.globalVolume(rowOf(34), 60);
    a.globalVolume(rowOf(36), 62);
    a.globalVolume(rowOf(38), 64);
    for (const int p : {30, 34, 36, 38})
        a.crash(rowOf(p), 44);
    a.keyOff(rowOf(30), ch::fx);
    a.keyOff(rowOf(30), ch::lead);
    a.keyOff(rowOf(30), ch::lead2);

    a.pad(rowOf(30), rowOf(34), 26);
    a.pad(rowOf(34), rowOf(41), 30);
    a.bass(rowOf(30), rowOf(34), "R.R.R.R.R.R.R.R.", 42);
    a.bass(rowOf(34), rowOf(40), "R.RRR.RRR.RRR.RO", 44);
    a.bass(rowOf(40), rowOf(41), "R.R.R.R.R.R.R.R.", 44);
    groove(a, rowOf(30), rowOf(34), halfTime);
    groove(a, rowOf(34), rowOf(38), armsGroove);
    groove(a, rowOf(38), rowOf(41), climax);
    fill(a, 31, "........x...x.xx", "", 44);
    fill(a, 33, "x.x.x.x.xxxxRRRR", "........1.2.3.4.", 44);
    fill(a, 35, "....x.....x.x.xx", "", 46);
    fill(a, 37, "....x.......rrRR", "1.2.3.4.1.2.3.4.", 46);
    fill(a, 39, "xxxxxxxxRRRRRRRR", "", 40);
    fill(a, 40, "x.......x.x.RRRR", "1.1.2.2.3.3.4.4.", 48);

    a.arp(rowOf(30), rowOf(34), "0.1.2.3.2.1.0.1.", {ch::arp, ins::pluck, 24, 0, 0}, 48);
    a.arp(rowOf(34), rowOf(41), "0123210301232103", {ch::arp, ins::pluck, 24, 0, 0}, 56);

    a.melody(rowOf(31), armsCounter, {ch::lead2, ins::lead, 26, 0, 0x90});
    a.keyOff(rowOf(32), ch::lead2);
    a.melody(rowOf(32), theme2, {ch::lead, ins::lead, 46, 0, 0});
    a.melody(rowOf(34), theme2, {ch::lead, ins::lead, 48, 0, 0});
    a.harmony(rowOf(34), theme2, {ch::lead2, ins::lead, 28, 0, 0x60}, bHarmonicMinor);
    // Theme A comes back, a tone higher, over the arms' verse.
    a.melody(rowOf(36), themeA, {ch::lead, ins::lead, 50, 2, 0});
    a.melody(rowOf(36), themeA, {ch::lead2, ins::lead, 22, 2, 0xB0, 3});
    a.melody(rowOf(38), theme2, {ch::lead, ins::lead, 52, 0, 0});
    a.melody(rowOf(38), theme2, {ch::lead2, ins::lead, 30, -12, 0x70});
    a.melody(rowOf(40), armsEnding, {ch::lead, ins::lead, 46, 0, 0});
}

// 41-44: the closing; 44 cross-fades to the end picture in its second half
// and the piece ends with it. 45 exists but is never heard.
void closing(Arranger& a)
{
    a.globalVolume(rowOf(41), 48);
    a.crash(rowOf(41), 40);
    a.keyOff(rowOf(41), ch::lead2);
    a.pad(rowOf(41), rowOf(45), 28);
    a.bass(rowOf(41), rowOf(44, 2), "R...............", 34);
    a.bass(rowOf(44, 2), rowOf(45), "R...............................", 34);

    a.melody(rowOf(41), bars(themeA, 0, 4), {ch::fx, ins::bell, 34, 0, 0});
    a.melody(rowOf(42), bars(themeA, 4, 4), {ch::fx, ins::bell, 34, 0, 0});
    a.arp(rowOf(42), rowOf(44), "0...1...2...1...", {ch::arp, ins::pluck, 20, 0, 0}, 40);
    a.drums(rowOf(42), rowOf(44), ch::hats, ins::hats, "..x...x...x...x.", 14);
    a.melody(rowOf(43), bars(themeA, 0, 4), {ch::lead, ins::lead, 28, -12, 0});
    a.melody(rowOf(44), lastBars, {ch::lead, ins::lead, 30, 0, 0});
    a.note(rowOf(44, 2), ch::fx, 58, ins::bell, 34);  // A-4 on the last chord

    a.globalFade(rowOf(44, 2), rowOf(45) - 1, 48, 0);

    // Position 45: silence on every channel.
    for (int c = 0; c < songChannels; ++c)
        a.keyOff(rowOf(45), c);
    a.globalVolume(rowOf(45), 0);
}

}  // namespace

XmModule composeQorv()
{
    Arranger a(songPositions, songChannels);
    harmonicPlan(a);
    opening(a);
    credits(a);
    panorama(a);
    window(a);
    arms(a);
    closing(a);

    XmModule m;
    m.name = "qorv";
    m.trackerName = "Solvane composer";
    m.linearFrequencies = true;
    m.restartPosition = 0;
    m.speed = 6;
    m.tempo = 125;
    a.toModule(m);
    m.instruments = makeInstruments();
    return m;
}

}  // namespace composer
