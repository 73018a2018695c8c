#include "tools/composer/arranger.h"

#include "tools/composer/instruments.h"

#include <algorithm>

namespace composer {

namespace {

// Lowest notes (0-based) of the octave windows the parts are voiced in.
constexpr int bassLowest = 16;  // E-1
constexpr int padLowest = 43;   // G-3
constexpr int arpLowest = 57;

constexpr std::uint8_t padPanning[3] = {0x50, 0x80, 0xB0};
constexpr std::uint8_t vibratoGentle = 0x42;  // speed 4, depth 2
constexpr std::uint8_t slideSpeed = 0x08;     // half a semitone per tick

std::uint8_t tomNote(char c)
{
    // G-3, E-3, C-3, A-2 as XM note values.
    constexpr std::uint8_t toms[4] = {44, 41, 37, 34};
    return toms[c - '1'];
}

std::uint8_t xmNote(int zeroBased)
{
    return static_cast<std::uint8_t>(std::clamp(zeroBased, 0, 95) + 1);
}

// The note a diatonic third below `note` (0-based) in a scale of pitch
// classes; a note outside the scale goes down a minor third.
int thirdBelow(int note, const std::vector<int>& scale)
{
    const auto degree = std::find(scale.begin(), scale.end(), note % 12);
    if (degree == scale.end())
        return note - 3;
    const auto n = static_cast<int>(scale.size());
    const int index = static_cast<int>(degree - scale.begin());
    const int target = scale[static_cast<std::size_t>((index + n - 2) % n)];
    return note - ((note % 12 - target + 12) % 12);
}

}  // namespace

std::uint8_t volumeByte(int volume)
{
    return static_cast<std::uint8_t>(0x10 + std::clamp(volume, 0, 64));
}

Arranger::Arranger(int positions, int channels)
    : rows_(positions * 64),
      channels_(channels),
      cells_(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(channels)),
      chords_(static_cast<std::size_t>(positions) * 4, chord("Am"))
{
}

XmCell& Arranger::at(int row, int channel)
{
    return cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(channels_) + static_cast<std::size_t>(channel)];
}

void Arranger::note(int row, int channel, std::uint8_t note, std::uint8_t instrument, int volume)
{
    if (row < 0 || row >= rows_)
        return;
    XmCell& c = at(row, channel);
    c.note = note;
    c.instrument = instrument;
    c.volume = volume < 0 ? 0 : volumeByte(volume);
}

void Arranger::effect(int row, int channel, std::uint8_t effect, std::uint8_t parameter)
{
    if (row < 0 || row >= rows_)
        return;
    at(row, channel).effect = effect;
    at(row, channel).parameter = parameter;
}

void Arranger::keyOff(int row, int channel)
{
    note(row, channel, keyOffNote, 0, -1);
}

void Arranger::clear(int row, int channel)
{
    if (row >= 0 && row < rows_)
        at(row, channel) = XmCell{};
}

void Arranger::chords(int position, std::string_view names)
{
    const std::vector<std::string> list = splitTokens(names);
    for (std::size_t bar = 0; bar < 4; ++bar)
        chords_[static_cast<std::size_t>(position) * 4 + bar] = chord(list.at(bar));
}

const Chord& Arranger::chordAt(int row) const
{
    return chords_[static_cast<std::size_t>(row / 16)];
}

void Arranger::drums(int from, int to, int channel, std::uint8_t instrument, std::string_view line, int volume)
{
    for (int row = from; row < to; ++row) {
        const char c = line[static_cast<std::size_t>(row - from) % line.size()];
        switch (c) {
        case 'x':
            note(row, channel, drumNote, instrument, volume);
            break;
        case 'o':
            // Soft hits start a little into the sample, past the sharpest transient.
            note(row, channel, drumNote, instrument, volume / 2);
            effect(row, channel, fx::sampleOffset, 0x01);
            break;
        case 'O':
            note(row, channel, openHatNote, instrument, volume);
            break;
        case 'r':
            note(row, channel, drumNote, instrument, volume);
            effect(row, channel, fx::extended, 0x93);
            break;
        case 'R':
            // A run of 'R' is one roll: three hits a row, each 2 louder.
            if (row == from || line[static_cast<std::size_t>(row - from - 1) % line.size()] != 'R')
                note(row, channel, drumNote, instrument, volume);
            effect(row, channel, fx::multiRetrigger, 0xA2);
            break;
        case '1':
        case '2':
        case '3':
        case '4':
            note(row, channel, tomNote(c), instrument, volume);
            break;
        default:
            break;
        }
    }
}

void Arranger::fill(int bar, int channel, std::uint8_t instrument, std::string_view line, int volume)
{
    for (int row = bar * 16; row < bar * 16 + 16; ++row)
        clear(row, channel);
    drums(bar * 16, bar * 16 + 16, channel, instrument, line, volume);
}

void Arranger::crash(int row, int volume)
{
    note(row, ch::perc, drumNote, ins::crash, volume);
}

void Arranger::bass(int from, int to, std::string_view line, int volume)
{
    for (int row = from; row < to; ++row) {
        const char c = line[static_cast<std::size_t>(row - from) % line.size()];
        const int root = voicing({chordAt(row).root}, bassLowest)[0];
        switch (c) {
        case 'R': note(row, ch::bass, xmNote(root), ins::bass, volume); break;
        case 'r': note(row, ch::bass, xmNote(root), ins::bass, volume * 6 / 10); break;
        case 'O': note(row, ch::bass, xmNote(root + 12), ins::bass, volume); break;
        case '5': note(row, ch::bass, xmNote(root + 7), ins::bass, volume); break;
        case '^': keyOff(row, ch::bass); break;
        default: break;
        }
    }
}

void Arranger::pad(int from, int to, int volume)
{
    for (int row = from; row < to; row = (row / 16 + 1) * 16) {
        std::vector<int> tones = chordAt(row).tones;
        if (tones.size() > 3)
            tones.erase(tones.begin());  // the bass has the root
        tones.resize(3);
        const std::vector<int> notes = voicing(tones, padLowest);
        for (int v = 0; v < 3; ++v) {
            if (notes[v] != padNotes_[v]) {
                note(row, ch::pad + v, xmNote(notes[v]), ins::pad, volume);
                effect(row, ch::pad + v, fx::setPanning, padPanning[v]);
                padNotes_[v] = notes[v];
            } else if (row == from) {
                at(row, ch::pad + v).volume = volumeByte(volume);
            }
        }
    }
}

void Arranger::arp(int from, int to, std::string_view line, const Voice& voice, int spread)
{
    const int centre = voice.panning != 0 ? voice.panning : 128;
    int count = 0;
    for (int row = from; row < to; ++row) {
        const char c = line[static_cast<std::size_t>(row - from) % line.size()];
        if (c < '0' || c > '9')
            continue;
        const std::vector<int> tones = voicing(chordAt(row).tones, arpLowest);
        const int index = c - '0';
        const int n = tones[static_cast<std::size_t>(index) % tones.size()]
            + 12 * (index / static_cast<int>(tones.size())) + voice.transpose;
        const int at = row + voice.delay;
        note(at, voice.channel, xmNote(n), voice.instrument, voice.volume);
        const int side = (count++ % 2 == 0) ? -spread : spread;
        effect(at, voice.channel, fx::setPanning, static_cast<std::uint8_t>(std::clamp(centre + side, 0, 255)));
    }
}

void Arranger::melody(int row, const std::vector<std::string_view>& bars, const Voice& voice)
{
    melodyNotes(row, bars, voice, nullptr);
}

void Arranger::harmony(int row, const std::vector<std::string_view>& bars, const Voice& voice, const std::vector<int>& scale)
{
    melodyNotes(row, bars, voice, &scale);
}

void Arranger::melodyNotes(int row, const std::vector<std::string_view>& bars, const Voice& voice, const std::vector<int>* scale)
{
    row += voice.delay;
    std::vector<std::string> tokens;
    for (const std::string_view bar : bars)
        for (std::string& t : splitTokens(bar))
            tokens.push_back(std::move(t));

    int noteStart = -1;
    auto endNote = [&](int endRow) {
        if (noteStart >= 0 && endRow - noteStart >= 8 && voice.instrument == ins::lead)
            for (int r = noteStart + 4; r < endRow; ++r)
                effect(r, voice.channel, fx::vibrato, vibratoGentle);
        noteStart = -1;
    };
    for (std::size_t i = 0; i < tokens.size(); ++i, ++row) {
        const std::string& t = tokens[i];
        if (t == ".")
            continue;
        endNote(row);
        if (t == "^") {
            keyOff(row, voice.channel);
            continue;
        }
        const bool slide = t[0] == '/';
        const std::uint8_t value = noteValue(slide ? std::string_view(t).substr(1) : std::string_view(t));
        if (value == 0)
            continue;
        int n = value - 1 + voice.transpose;
        if (scale)
            n = thirdBelow(n, *scale);
        if (slide) {
            note(row, voice.channel, xmNote(n), 0, voice.volume);
            effect(row, voice.channel, fx::tonePorta, slideSpeed);
        } else {
            note(row, voice.channel, xmNote(n), voice.instrument, voice.volume);
            if (voice.panning != 0)
                effect(row, voice.channel, fx::setPanning, voice.panning);
        }
        noteStart = row;
    }
    endNote(row);
}

void Arranger::globalVolume(int row, int volume)
{
    effect(row, ch::kick, fx::globalVolume, static_cast<std::uint8_t>(std::clamp(volume, 0, 64)));
}

void Arranger::globalFade(int from, int to, int fromVolume, int toVolume)
{
    for (int row = from; row <= to; ++row)
        globalVolume(row, fromVolume + (toVolume - fromVolume) * (row - from) / (to - from));
}

void Arranger::toModule(XmModule& module) const
{
    module.channelCount = channels_;
    module.patterns.clear();
    module.orders.clear();
    const std::size_t cellsPerPattern = 64 * static_cast<std::size_t>(channels_);
    for (int position = 0; position * 64 < rows_; ++position) {
        XmPattern p;
        p.rows = 64;
        const auto first = cells_.begin() + static_cast<std::ptrdiff_t>(position * cellsPerPattern);
        p.cells.assign(first, first + static_cast<std::ptrdiff_t>(cellsPerPattern));
        const auto same = std::find_if(module.patterns.begin(), module.patterns.end(),
            [&](const XmPattern& q) { return q.cells == p.cells; });
        if (same == module.patterns.end()) {
            module.orders.push_back(static_cast<std::uint8_t>(module.patterns.size()));
            module.patterns.push_back(std::move(p));
        } else {
            module.orders.push_back(static_cast<std::uint8_t>(same - module.patterns.begin()));
        }
    }
}

}  // namespace composer
