#pragma once
// The arranger: a timeline of rows × channels over the whole song, with one
// writer per part (drums, bass, pad, arpeggio, melody) that turns the score's
// notation into cells. Parts are written in absolute rows, so echoes, ties and
// fills may cross pattern boundaries; the timeline is cut into patterns last.
//
// Rows: position × 64 + bar × 16 + step; a bar is four beats of four rows.

#include "tools/composer/notation.h"
#include "tools/composer/xm_writer.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace composer {

// XM effect numbers the score uses.
namespace fx {
inline constexpr std::uint8_t arpeggio = 0x0;
inline constexpr std::uint8_t portaUp = 0x1;
inline constexpr std::uint8_t tonePorta = 0x3;
inline constexpr std::uint8_t vibrato = 0x4;
inline constexpr std::uint8_t setPanning = 0x8;
inline constexpr std::uint8_t sampleOffset = 0x9;
inline constexpr std::uint8_t volumeSlide = 0xA;
inline constexpr std::uint8_t extended = 0xE;         // E9x retrigger, EDx note delay
inline constexpr std::uint8_t globalVolume = 0x10;    // Gxx
inline constexpr std::uint8_t multiRetrigger = 0x1B;  // Rxy
}  // namespace fx

// Channel roles.
namespace ch {
inline constexpr int kick = 0;  // also carries the global-volume commands
inline constexpr int snare = 1;
inline constexpr int hats = 2;
inline constexpr int perc = 3;  // crash and toms
inline constexpr int bass = 4;
inline constexpr int pad = 5;   // 5, 6, 7: the three pad voices
inline constexpr int arp = 8;
inline constexpr int lead = 9;
inline constexpr int lead2 = 10;  // harmony, echo, counter-melody
inline constexpr int fx = 11;     // bell and air
}  // namespace ch

inline int rowOf(int position, int bar = 0, int step = 0)
{
    return position * 64 + bar * 16 + step;
}

struct Voice {
    int channel;
    std::uint8_t instrument;
    int volume;         // 0..64
    int transpose = 0;  // semitones
    std::uint8_t panning = 0;  // 0 leaves the sample's own panning
    int delay = 0;             // rows the voice sounds after its source (an echo)
};

class Arranger {
public:
    Arranger(int positions, int channels);

    int rows() const { return rows_; }
    XmCell& at(int row, int channel);

    // Cells (a row past the end of the song is dropped: echoes may run over).
    void note(int row, int channel, std::uint8_t note, std::uint8_t instrument, int volume);
    void effect(int row, int channel, std::uint8_t effect, std::uint8_t parameter);
    void keyOff(int row, int channel);
    void clear(int row, int channel);

    // The chords of a position, one per bar: "Am F C G".
    void chords(int position, std::string_view names);
    const Chord& chordAt(int row) const;

    // Drum lines, one character per row, repeated over [from, to) rows:
    // 'x' hit, 'o' soft hit, 'O' open hat, '1'..'4' toms high to low,
    // 'r' a hit played twice in its row, 'R' a roll of three hits a row
    // growing louder for as long as the run of 'R' lasts.
    void drums(int from, int to, int channel, std::uint8_t instrument, std::string_view line, int volume);
    // A fill: clears the bar on the channel, then writes the line.
    void fill(int bar, int channel, std::uint8_t instrument, std::string_view line, int volume);
    void crash(int row, int volume);

    // Bass on the chord roots over [from, to): 'R' root, 'r' soft root,
    // 'O' octave, '5' fifth, '^' key off, '.' hold.
    void bass(int from, int to, std::string_view line, int volume);

    // Three pad voices following the chords over [from, to); a voice is
    // struck only when its note changes, so shared tones ring on.
    void pad(int from, int to, int volume);

    // Arpeggio over the chord tones from A-4 up: digits index the tones
    // (and, past the last, the same tones an octave higher); '.' rests.
    // Notes alternate left and right of the voice's panning by `spread`.
    // A delayed voice (an echo) keeps the chords of its source rows.
    void arp(int from, int to, std::string_view line, const Voice& voice, int spread);

    // A melody in bars of 16 tokens from `row`: notes, "." hold, "^" off,
    // "/note" slides into the note. Lead notes held 8 rows or more get a
    // gentle vibrato from their fifth row.
    void melody(int row, const std::vector<std::string_view>& bars, const Voice& voice);
    // The same melody a diatonic third lower in the given scale (pitch classes).
    void harmony(int row, const std::vector<std::string_view>& bars, const Voice& voice, const std::vector<int>& scale);

    // Global volume: set at a row, or faded row by row over [from, to].
    void globalVolume(int row, int volume);
    void globalFade(int from, int to, int fromVolume, int toVolume);

    // The timeline cut into patterns; identical patterns are stored once.
    void toModule(XmModule& module) const;

private:
    void melodyNotes(int row, const std::vector<std::string_view>& bars, const Voice& voice, const std::vector<int>* scale);

    int rows_;
    int channels_;
    std::vector<XmCell> cells_;
    std::vector<Chord> chords_;  // one per bar
    std::array<int, 3> padNotes_{};  // sounding pad notes, 0 = none
};

// Volume-column byte for a volume 0..64.
std::uint8_t volumeByte(int volume);

}  // namespace composer
