#pragma once
// The small notation the score is written in.
//
// Notes: "C-4", "C#4", "Db4", "A4" (octave 0..7); XM note values 1..96, C-4 = 49.
// Chords: a root and a quality, "Am", "F", "Fmaj7", "Em7", "E7", "Dsus4",
// "Aadd9", "Bdim"; the tones come out as pitch classes, root first.
// Lines: one token per row, separated by spaces; "." lets the row pass,
// "^" is key off, a note name plays the note, "/" before it slides into it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace composer {

// The XM note value of a note name, or 0 when the text is not a note.
std::uint8_t noteValue(std::string_view name);

struct Chord {
    int root = 0;                 // pitch class, 0 = C
    std::vector<int> tones;       // pitch classes, root first
};

// The chord of a name; an unknown quality is a fault of the score and ends
// the composer with a message.
Chord chord(std::string_view name);

// The chord's tones placed once each in the octave starting at `lowest`
// (a 0-based note, octave × 12 + semitone), in rising order. Placing every
// chord in the same octave window keeps voices moving by small steps.
std::vector<int> voicing(const std::vector<int>& pitchClasses, int lowest);

std::vector<std::string> splitTokens(std::string_view line);

}  // namespace composer
