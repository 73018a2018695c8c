#include "tools/composer/synth.h"

#include <algorithm>
#include <cmath>

namespace composer {

double sine(double x)
{
    // Reduce to -pi..pi, then to -pi/2..pi/2 by symmetry, and sum the Taylor
    // series to x^19 (error far below one 16-bit step).
    const double turns = std::floor(x / (2 * pi) + 0.5);
    x -= turns * 2 * pi;
    if (x > pi / 2)
        x = pi - x;
    else if (x < -pi / 2)
        x = -pi - x;
    const double x2 = x * x;
    double term = x;
    double sum = x;
    for (int n = 1; n < 10; ++n) {
        term = -term * x2 / ((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}

double exponential(double x)
{
    // e^x = (e^(x / 2^k))^(2^k) with |x / 2^k| < 1/2, the inner power by series.
    int halvings = 0;
    while (std::fabs(x) > 0.5) {
        x /= 2;
        ++halvings;
    }
    double term = 1;
    double sum = 1;
    for (int n = 1; n < 16; ++n) {
        term = term * x / n;
        sum += term;
    }
    for (int i = 0; i < halvings; ++i)
        sum *= sum;
    return sum;
}

double Noise::next()
{
    state_ = state_ * 1103515245u + 12345u;
    return static_cast<double>((state_ >> 8) & 0xFFFF) / 32767.5 - 1.0;
}

std::vector<double> loopedWave(int frames, const std::vector<Partial>& partials)
{
    std::vector<double> wave(static_cast<std::size_t>(frames), 0.0);
    for (const Partial& p : partials) {
        // Integer cycles over the loop make the phase run exactly 0..cycles turns.
        for (int i = 0; i < frames; ++i) {
            const double turns = static_cast<double>(static_cast<long long>(p.cycles) * i % frames) / frames;
            wave[static_cast<std::size_t>(i)] += p.amplitude * sine(2 * pi * turns + p.phase);
        }
    }
    return wave;
}

std::vector<std::int16_t> quantize(const std::vector<double>& wave, bool sixteenBit, double peak)
{
    double largest = 0;
    for (const double v : wave)
        largest = std::max(largest, std::fabs(v));
    const double fullScale = sixteenBit ? 32767.0 : 127.0;
    const double scale = largest > 0 ? peak * fullScale / largest : 0.0;
    std::vector<std::int16_t> out;
    out.reserve(wave.size());
    for (const double v : wave)
        out.push_back(static_cast<std::int16_t>(std::lround(v * scale)));
    return out;
}

std::int8_t finetuneForLoop(int cycles, int frames)
{
    const double pitch = synthRate * cycles / frames;
    // 128 steps per semitone; log2 via the library is fine here: the result is
    // rounded to a whole step.
    const double steps = -std::log2(pitch / middleC) * 12 * 128;
    return static_cast<std::int8_t>(std::clamp(std::lround(steps), -128L, 127L));
}

XmSample makeSample(const char* name, const std::vector<double>& wave, bool sixteenBit, double peak)
{
    XmSample s;
    s.name = name;
    s.sixteenBit = sixteenBit;
    s.data = quantize(wave, sixteenBit, peak);
    s.relativeNote = synthRelativeNote;
    return s;
}

}  // namespace composer
