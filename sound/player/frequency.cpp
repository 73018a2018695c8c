// Periods and rates. Linear mode: 64 period units per semitone, 768 per
// octave. Amiga mode: the period table with 16 finetune steps between
// semitones.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "sound/loaders/note_periods.h"
#include "sound/player/engine.h"

namespace corvid::player {

namespace {

constexpr int32_t highestNote = 118;

// Amiga periods for semitone s and finetune step f (-8..7) at index s * 8 + f,
// from index -8 (stored at 0).
constexpr std::array<int32_t, 104> amigaPeriods = {
    907, 900, 894, 887, 881, 875, 868, 862, 856, 850, 844, 838, 832, 826, 820, 814, 808, 802, 796, 791, 785,
    779, 774, 768, 762, 757, 752, 746, 741, 736, 730, 725, 720, 715, 709, 704, 699, 694, 689, 684, 678, 675,
    670, 665, 660, 655, 651, 646, 640, 636, 632, 628, 623, 619, 614, 610, 604, 601, 597, 592, 588, 584, 580,
    575, 570, 567, 563, 559, 555, 551, 547, 543, 538, 535, 532, 528, 524, 520, 516, 513, 508, 505, 502, 498,
    494, 491, 487, 484, 480, 477, 474, 470, 467, 463, 460, 457, 453, 450, 447, 443, 440, 437, 434, 431};

// The table's entry at index -8..95. The interpolation partner can fall one
// step outside it: index 96 (semitone 11, finetune above 112) takes the next
// octave's entry for semitone 0, half of index 0 (428); index -9 (semitone 0,
// finetune below -112) takes the previous octave's entry for semitone 11 one
// step down, twice index 87.
int32_t amigaPeriodAt(int32_t index)
{
    if (index > 95)
        return amigaPeriods[8] / 2;
    if (index < -8)
        return amigaPeriods[87 + 8] * 2;
    return amigaPeriods[static_cast<size_t>(index + 8)];
}

// L[i] = floor(535232 * 2^(-i / 768)).
const std::array<uint32_t, 768>& linearRates()
{
    static const std::array<uint32_t, 768> table = [] {
        std::array<uint32_t, 768> t{};
        for (size_t i = 0; i < t.size(); ++i)
            t[i] = static_cast<uint32_t>(std::floor(535232.0 * std::exp2(-static_cast<double>(i) / 768.0)));
        return t;
    }();
    return table;
}

}  // namespace

int32_t periodOfNote(const PlayerInstance& p, const ChannelState& c, uint8_t note)
{
    const Sample* sample = currentSample(p, c);
    if (p.module->type == ModuleType::mod)
        return modPeriodOfNote(note, sample ? sample->finetune : 0);
    const int32_t relativeNote = sample ? sample->relativeNote : 0;
    const int32_t finetune = sample ? sample->finetune : 0;
    const int32_t key = (note >> 4) * 12 + (note & 15);
    const Instrument* instrument = currentInstrument(p, c);
    const bool mapped = instrument && instrument->keyToNote && key < static_cast<int32_t>(notesPerInstrument);
    int32_t n = (mapped ? (*instrument->keyToNote)[static_cast<size_t>(key)] : key) + relativeNote;
    n = n < 0 ? 0 : n > highestNote ? highestNote : n;
    if (p.module->flags & moduleLinearFrequencies)
        return 7680 - 64 * n - finetune / 2;
    const int32_t s = n % 12;
    const int32_t i = finetune / 16;
    const int32_t j = finetune >= 0 ? i + 1 : i - 1;
    const int32_t k = std::abs(finetune) % 16;
    return ((amigaPeriodAt(s * 8 + j) * k + amigaPeriodAt(s * 8 + i) * (16 - k)) * 2) >> (n / 12);
}

int32_t modPeriodOfNote(uint8_t note, int32_t finetune)
{
    const int32_t last = static_cast<int32_t>(amigaNotePeriods.size()) - 1;
    const int32_t g = std::clamp((note >> 4) * 12 + (note & 15), 0, last);
    const int32_t step = (finetune & 15) >= 8 ? (finetune & 15) - 16 : (finetune & 15);
    const int32_t period = amigaNotePeriods[static_cast<size_t>(g)];
    if (step == 0)
        return period;
    // The finetuned table scales each period by the same ratio as the
    // semitone's finetune steps in the Amiga table; rounded to the nearest.
    const int32_t s = g % 12;
    const int32_t tuned = amigaPeriodAt(s * 8 + step), plain = amigaPeriodAt(s * 8);
    return (period * tuned * 2 + plain) / (plain * 2);
}

ErrorCode rateOfPeriod(const Module& module, const Sample* sample, int32_t period, uint32_t& rate)
{
    if (period <= 0)
        return ErrorCode::invalidPatternData;
    const auto p = static_cast<uint32_t>(period);
    if ((module.flags & moduleLinearFrequencies) && sample && sample->middleCRate != 0) {
        // The sample's own rate moved by the period's distance from C-5, its
        // tuning taken out again: a sample meant to play at the output rate
        // plays there exactly, without its neighbours blurred into it.
        constexpr int32_t middleCPeriod = 7680 - 64 * 60;
        const int32_t untuned = period + 64 * sample->relativeNote + sample->finetune / 2;
        const double exact = sample->middleCRate * std::exp2((middleCPeriod - untuned) / 768.0);
        rate = static_cast<uint32_t>(std::lround(std::min(exact, double{UINT32_MAX})));
        return ErrorCode::ok;
    }
    if (module.flags & moduleLinearFrequencies) {
        // Past 32 octaves down the shift would exceed the word; the rate is 0 long before.
        const uint32_t octave = p / 768;
        rate = octave < 32 ? linearRates()[p % 768] >> octave : 0;
        return ErrorCode::ok;
    }
    switch (module.type) {
    case ModuleType::xm: rate = 14317456 / p; break;
    case ModuleType::mod: rate = 3546895 / p; break;
    case ModuleType::s3m:
    case ModuleType::it: rate = 14317056 / p; break;
    }
    return ErrorCode::ok;
}

}  // namespace corvid::player
