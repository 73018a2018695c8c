// Instrument envelopes and the auto-vibrato wave.

#include <array>
#include <cmath>

#include "sound/player/engine.h"

namespace corvid::player {

int32_t envelopeValue(const Envelope& envelope, EnvelopeState& state, bool keyOff)
{
    const uint32_t count = envelope.pointCount;
    const auto& points = envelope.points;
    uint32_t at = 0;
    while (at + 1 < count && points[at].x < state.position)
        ++at;
    const EnvelopePoint& to = points[at];
    int32_t value = to.y * 256;
    if (at > 0 && state.position < to.x) {
        const EnvelopePoint& from = points[at - 1];
        // Points that do not move forward in x (a damaged envelope) hold the later value.
        if (to.x > from.x) {
            const int64_t step = (static_cast<int64_t>(to.y) - from.y) * 256 / (to.x - from.x);
            value = static_cast<int32_t>(step * (state.position - from.x) + from.y * 256);
        }
    }
    if (!keyOff && envelope.sustainPoint != noPoint && state.position == points[envelope.sustainPoint].x)
        state.hold = 1;
    if (state.hold)
        return value;
    if (!keyOff && envelope.sustainLoopEnd != noPoint && state.position >= points[envelope.sustainLoopEnd].x) {
        state.position = points[envelope.sustainLoopStart].x;
        return value;
    }
    if (count > 0 && state.position < points[count - 1].x)
        ++state.position;
    if (envelope.loopEnd != noPoint && state.position >= points[envelope.loopEnd].x)
        state.position = points[envelope.loopStart].x;
    return value;
}

const Envelope* activeEnvelope(const std::optional<Envelope>& envelope, const ChannelState& c, uint8_t bit)
{
    return envelope && envelope->pointCount != 0 && !(c.envelopesOff & bit) ? &*envelope : nullptr;
}

bool envelopeEnded(const Envelope& envelope, const EnvelopeState& state, bool keyOff)
{
    const bool sustained = !keyOff && (envelope.sustainPoint != noPoint || envelope.sustainLoopEnd != noPoint);
    return envelope.pointCount != 0 && envelope.loopEnd == noPoint && !sustained &&
           state.position >= envelope.points[envelope.pointCount - 1].x;
}

int32_t autoVibratoWave(uint8_t waveform, uint8_t position)
{
    static const std::array<int8_t, 256> sine = [] {
        std::array<int8_t, 256> t{};
        for (size_t i = 0; i < t.size(); ++i)
            t[i] = static_cast<int8_t>(-std::lround(64.0 * std::sin(2.0 * M_PI * static_cast<double>(i) / 256.0)));
        return t;
    }();
    const int32_t ramp = static_cast<int8_t>(position) >> 1;
    switch (waveform) {
    case 0: return sine[position];
    case 1: return (position & 0x80) ? 64 : -64;
    case 2: return ramp;
    case 3: return static_cast<int8_t>(static_cast<uint8_t>(-ramp << 1)) >> 1;  // the negation, as a signed 7-bit value
    case vibratoRampFromTheTop: return autoVibratoWave(2, static_cast<uint8_t>(position + 128));
    default: return 0;
    }
}

std::optional<int32_t> autoVibratoStep(PlayerInstance& p, ChannelState& c, const Instrument* instrument,
                                       const Sample* sample)
{
    // IT: the sample's depth grows by its rate. XM: the instrument's
    // reaches its depth over `sweep` ticks (at once without one) and stops
    // growing at key off; its vibrato types are the first four waveforms.
    const bool fromSample = p.module->flags & moduleSampleAutoVibrato;
    AutoVibrato vibrato;
    int32_t growth = 0;
    if (fromSample && sample) {
        vibrato = sample->autoVibrato;
        growth = vibrato.rate;
    } else if (!fromSample && instrument) {
        const uint8_t type = instrument->vibratoType;
        vibrato = {type <= 3 ? type : uint8_t{255}, instrument->vibratoDepth, instrument->vibratoRate, 0};
        const int32_t sweep = instrument->vibratoSweep;
        growth = sweep == 0 ? vibrato.depth << 8 : c.keyOff ? 0 : (vibrato.depth << 8) / sweep;
    }
    if (vibrato.depth == 0)
        return std::nullopt;
    c.autoVibratoAmplitude = std::min(c.autoVibratoAmplitude + growth, vibrato.depth << 8);
    c.autoVibratoPosition = static_cast<uint8_t>(c.autoVibratoPosition + vibrato.speed);
    const int32_t wave = vibrato.waveform == vibratoRandom ? nextSwing(p.swing, 64)
                                                           : autoVibratoWave(vibrato.waveform, c.autoVibratoPosition);
    const int32_t amplitude = fromSample ? c.autoVibratoAmplitude & ~0xFF : c.autoVibratoAmplitude;
    return wave * amplitude >> 14;
}

}  // namespace corvid::player
