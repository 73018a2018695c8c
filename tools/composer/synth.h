#pragma once
// Sample synthesis for the composer: a few oscillators, noise and decays, built
// only from +, -, × and / so that the same source gives the same samples on
// every machine (no library sine or exponential whose last bit may differ).
//
// Every pitched sample sounds C-4 when played at note C-4: it is rendered at
// synthRate = 4 × 8363 Hz and carries relative note +24, so the player's C-4
// rate of 8363 Hz becomes synthRate.

#include "tools/composer/xm_writer.h"

#include <cstdint>
#include <vector>

namespace composer {

inline constexpr double pi = 3.14159265358979323846;
inline constexpr double synthRate = 4 * 8363.0;
inline constexpr double middleC = 261.6255653005986;  // C-4 in Hz
inline constexpr std::int8_t synthRelativeNote = 24;

double sine(double radians);
double exponential(double x);

// Deterministic white noise in -1..1 (a linear congruential generator).
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed) {}
    double next();

private:
    std::uint32_t state_;
};

// One sine partial of a looped waveform: `cycles` whole periods per loop.
struct Partial {
    int cycles;
    double amplitude;
    double phase;  // radians
};

// A waveform of `frames` frames that repeats seamlessly end to start.
std::vector<double> loopedWave(int frames, const std::vector<Partial>& partials);

// Scales the wave so its largest magnitude is `peak` of full scale (0..1) and
// rounds it to 8- or 16-bit values.
std::vector<std::int16_t> quantize(const std::vector<double>& wave, bool sixteenBit, double peak);

// The finetune (1/128 semitone) that moves a loop of `cycles` periods in
// `frames` frames to the exact pitch of C-4.
std::int8_t finetuneForLoop(int cycles, int frames);

// A sample rendered at synthRate, quantized to `peak` of full scale.
XmSample makeSample(const char* name, const std::vector<double>& wave, bool sixteenBit, double peak);

}  // namespace composer
