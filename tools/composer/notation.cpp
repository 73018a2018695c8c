#include "tools/composer/notation.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace composer {

namespace {

int pitchClass(char letter)
{
    switch (letter) {
    case 'C': return 0;
    case 'D': return 2;
    case 'E': return 4;
    case 'F': return 5;
    case 'G': return 7;
    case 'A': return 9;
    case 'B': return 11;
    default: return -1;
    }
}

// Root with its accidental; returns the characters used, 0 for no root.
std::size_t parseRoot(std::string_view text, int& root)
{
    if (text.empty() || pitchClass(text[0]) < 0)
        return 0;
    root = pitchClass(text[0]);
    if (text.size() > 1 && (text[1] == '#' || text[1] == 'b')) {
        root = (root + (text[1] == '#' ? 1 : 11)) % 12;
        return 2;
    }
    return 1;
}

[[noreturn]] void scoreFault(const char* what, std::string_view text)
{
    std::fprintf(stderr, "composer: %s \"%.*s\"\n", what, static_cast<int>(text.size()), text.data());
    std::exit(1);
}

}  // namespace

std::uint8_t noteValue(std::string_view name)
{
    if (name.size() < 2 || name.size() > 3 || pitchClass(name[0]) < 0)
        return 0;
    int semitone = pitchClass(name[0]);
    if (name.size() == 3) {
        if (name[1] == '#')
            ++semitone;
        else if (name[1] == 'b')
            --semitone;
        else if (name[1] != '-')
            return 0;
    }
    const char octave = name.back();
    if (octave < '0' || octave > '7')
        return 0;
    const int note = (octave - '0') * 12 + semitone;  // "Cb4" is B-3, "B#3" is C-4
    return note >= 0 && note < 96 ? static_cast<std::uint8_t>(note + 1) : 0;
}

Chord chord(std::string_view name)
{
    struct Quality {
        std::string_view suffix;
        std::vector<int> intervals;
    };
    static const Quality qualities[] = {
        {"", {0, 4, 7}},        {"m", {0, 3, 7}},       {"maj7", {0, 4, 7, 11}}, {"m7", {0, 3, 7, 10}},
        {"7", {0, 4, 7, 10}},   {"sus4", {0, 5, 7}},    {"sus2", {0, 2, 7}},     {"add9", {0, 4, 7, 2}},
        {"madd9", {0, 3, 7, 2}}, {"dim", {0, 3, 6}},
    };
    Chord c;
    const std::size_t used = parseRoot(name, c.root);
    if (used == 0)
        scoreFault("not a chord:", name);
    const std::string_view suffix = name.substr(used);
    for (const Quality& q : qualities) {
        if (q.suffix == suffix) {
            for (const int i : q.intervals)
                c.tones.push_back((c.root + i) % 12);
            return c;
        }
    }
    scoreFault("unknown chord quality:", name);
}

std::vector<int> voicing(const std::vector<int>& pitchClasses, int lowest)
{
    std::vector<int> notes;
    for (const int pc : pitchClasses)
        notes.push_back(lowest + ((pc - lowest) % 12 + 12) % 12);
    std::sort(notes.begin(), notes.end());
    return notes;
}

std::vector<std::string> splitTokens(std::string_view line)
{
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ')
            ++i;
        if (i > start)
            out.emplace_back(line.substr(start, i - start));
    }
    return out;
}

}  // namespace composer
