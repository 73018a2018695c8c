#include "tools/composer/instruments.h"

#include "tools/composer/synth.h"

namespace composer {

namespace {

// Every sample is quantized to half of full scale: 6 dB of headroom before
// the mixer adds the channels.
constexpr double samplePeak = 0.5;

int framesFor(double seconds)
{
    return static_cast<int>(seconds * synthRate);
}

double timeOf(int frame)
{
    return frame / synthRate;
}

double decay(double t, double seconds)
{
    return exponential(-t / seconds);
}

// Differences of successive values: a gentle high-pass that takes the rumble
// out of noise.
std::vector<double> highPass(std::vector<double> wave)
{
    double previous = 0;
    for (double& v : wave) {
        const double x = v;
        v = x - previous;
        previous = x;
    }
    return wave;
}

// One-pole low-pass, y += a × (x - y).
std::vector<double> lowPass(std::vector<double> wave, double a)
{
    double y = 0;
    for (double& v : wave) {
        y += a * (v - y);
        v = y;
    }
    return wave;
}

std::vector<double> noise(int frames, std::uint32_t seed)
{
    Noise n(seed);
    std::vector<double> wave(static_cast<std::size_t>(frames));
    for (double& v : wave)
        v = n.next();
    return wave;
}

// A sine whose pitch glides from start × base to base with time constant glide.
std::vector<double> sweptSine(int frames, double base, double start, double glide, double length)
{
    std::vector<double> wave(static_cast<std::size_t>(frames));
    double phase = 0;
    for (int i = 0; i < frames; ++i) {
        const double t = timeOf(i);
        const double f = base * (1 + (start - 1) * decay(t, glide));
        wave[static_cast<std::size_t>(i)] = sine(phase) * decay(t, length);
        phase += 2 * pi * f / synthRate;
    }
    return wave;
}

XmSample kickSample()
{
    const int frames = framesFor(0.45);
    std::vector<double> wave = sweptSine(frames, 48, 3.5, 0.035, 0.30);
    const std::vector<double> click = noise(frames, 11);
    for (int i = 0; i < frames; ++i)
        wave[i] += 0.25 * click[i] * decay(timeOf(i), 0.002);
    return makeSample("kick", wave, true, samplePeak);
}

XmSample snareSample()
{
    const int frames = framesFor(0.32);
    const std::vector<double> body = sweptSine(frames, 175, 1.15, 0.02, 0.06);
    const std::vector<double> rattle = highPass(noise(frames, 23));
    std::vector<double> wave(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i)
        wave[i] = 0.6 * body[i] + 0.8 * rattle[i] * decay(timeOf(i), 0.09);
    return makeSample("snare", wave, false, samplePeak);
}

XmSample hatSample(const char* name, double seconds, double length, std::uint32_t seed)
{
    const int frames = framesFor(seconds);
    std::vector<double> wave = highPass(highPass(noise(frames, seed)));
    for (int i = 0; i < frames; ++i)
        wave[i] *= decay(timeOf(i), length) * (1 - decay(timeOf(i), 0.0008));
    return makeSample(name, wave, false, samplePeak);
}

XmSample crashSample()
{
    const int frames = framesFor(1.8);
    std::vector<double> wave = highPass(noise(frames, 37));
    const double ring[] = {3210, 4570, 5330, 6890};
    for (int i = 0; i < frames; ++i) {
        const double t = timeOf(i);
        double metal = 0;
        for (const double f : ring)
            metal += sine(2 * pi * f * t);
        wave[i] = (wave[i] + 0.08 * metal) * decay(t, 0.6) * (1 - decay(t, 0.003));
    }
    return makeSample("crash", wave, false, samplePeak);
}

XmSample tomSample()
{
    const int frames = framesFor(0.8);
    std::vector<double> wave = sweptSine(frames, middleC, 1.6, 0.05, 0.22);
    const std::vector<double> stick = noise(frames, 41);
    for (int i = 0; i < frames; ++i)
        wave[i] += 0.2 * stick[i] * decay(timeOf(i), 0.004);
    return makeSample("tom", wave, true, samplePeak);
}

// A looped sample of `frames` frames holding whole periods, tuned to C-4.
XmSample loopedSample(const char* name, int frames, int cycles, const std::vector<Partial>& partials)
{
    XmSample s = makeSample(name, loopedWave(frames, partials), true, samplePeak);
    s.loop = XmLoop::forward;
    s.loopStart = 0;
    s.loopLength = static_cast<std::uint32_t>(frames);
    s.finetune = finetuneForLoop(cycles, frames);
    return s;
}

XmSample bassSample()
{
    // A soft sawtooth: partials falling a little faster than 1/h.
    constexpr int frames = 4096, cycles = 32;
    std::vector<Partial> partials;
    for (int h = 1; h <= 40; ++h)
        partials.push_back({cycles * h, 1.0 / (h * (1 + 0.4 * (h - 1) / 8.0)), 0});
    return loopedSample("bass", frames, cycles, partials);
}

XmSample padSample()
{
    // Three sawtooths 128 ± 1 cycles per loop (about 13 cents apart, beating
    // twice a second) and a quiet octave, with scattered phases so the peaks of
    // the voices do not line up.
    constexpr int frames = 16384, cycles = 128;
    Noise phases(53);
    std::vector<Partial> partials;
    const int voices[] = {cycles, cycles - 1, cycles + 1};
    for (const int voice : voices)
        for (int h = 1; h <= 24; ++h)
            partials.push_back({voice * h, 1.0 / (h * (1 + h / 6.0)), pi * phases.next()});
    for (int h = 1; h <= 12; ++h)
        partials.push_back({2 * cycles * h, 0.3 / (h * (1 + h / 6.0)), pi * phases.next()});
    return loopedSample("pad", frames, cycles, partials);
}

XmSample leadSample()
{
    // Between a square and a sawtooth: strong odd partials, half-strength even.
    constexpr int frames = 2048, cycles = 16;
    std::vector<Partial> partials;
    for (int h = 1; h <= 20; ++h)
        partials.push_back({cycles * h, (h % 2 == 1 ? 1.0 : 0.5) / h, 0});
    return loopedSample("lead", frames, cycles, partials);
}

XmSample pluckSample()
{
    // Partials that die away faster the higher they are, and a short pick noise.
    const int frames = framesFor(0.9);
    std::vector<double> wave = noise(frames, 61);
    for (int i = 0; i < frames; ++i) {
        const double t = timeOf(i);
        double v = 0.3 * wave[i] * decay(t, 0.003);
        for (int h = 1; h <= 14; ++h)
            v += sine(2 * pi * middleC * h * t) / h * exponential(-t * (2.5 + 1.8 * h));
        wave[i] = v;
    }
    return makeSample("pluck", wave, false, samplePeak);
}

XmSample bellSample()
{
    struct BellPartial {
        double ratio, amplitude, length;
    };
    // Inharmonic ratios of a struck bar; the fundamental rings longest.
    const BellPartial partials[] = {{1.0, 1.0, 1.4}, {2.0, 0.5, 0.9}, {2.76, 0.35, 0.6}, {5.4, 0.2, 0.3}, {8.93, 0.1, 0.18}};
    const int frames = framesFor(2.2);
    std::vector<double> wave(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        const double t = timeOf(i);
        double v = 0;
        for (const BellPartial& p : partials)
            v += p.amplitude * sine(2 * pi * middleC * p.ratio * t) * decay(t, p.length);
        wave[i] = v * (1 - decay(t, 0.001));
    }
    return makeSample("bell", wave, true, samplePeak);
}

XmSample airSample()
{
    // Band-limited noise, looped back and forth over all but its attack: a
    // ping-pong loop joins noise without a click.
    const int frames = framesFor(1.6);
    std::vector<double> wave = lowPass(lowPass(highPass(noise(frames, 71)), 0.25), 0.25);
    for (int i = 0; i < frames; ++i)
        wave[i] *= 1 - decay(timeOf(i), 0.05);
    XmSample s = makeSample("air", wave, false, samplePeak);
    s.loop = XmLoop::pingPong;
    s.loopStart = static_cast<std::uint32_t>(framesFor(0.2));
    s.loopLength = static_cast<std::uint32_t>(frames) - s.loopStart;
    return s;
}

XmInstrument instrument(const char* name, XmSample sample)
{
    XmInstrument i;
    i.name = name;
    i.samples.push_back(std::move(sample));
    return i;
}

XmEnvelope envelope(std::vector<XmEnvelopePoint> points, int sustain = -1, int loopStart = -1, int loopEnd = -1)
{
    return XmEnvelope{std::move(points), sustain, loopStart, loopEnd};
}

}  // namespace

std::vector<XmInstrument> makeInstruments()
{
    std::vector<XmInstrument> list;

    list.push_back(instrument("kick", kickSample()));
    list.push_back(instrument("snare", snareSample()));

    XmInstrument hats = instrument("hats", hatSample("closed hat", 0.08, 0.018, 29));
    XmSample open = hatSample("open hat", 0.45, 0.13, 31);
    open.relativeNote = static_cast<std::int8_t>(synthRelativeNote - (openHatNote - drumNote));
    hats.samples.push_back(std::move(open));
    for (int note = openHatNote - 1; note < 96; ++note)
        hats.noteToSample[static_cast<std::size_t>(note)] = 1;
    for (XmSample& s : hats.samples)
        s.panning = 150;
    list.push_back(std::move(hats));

    XmInstrument crash = instrument("crash", crashSample());
    crash.samples[0].panning = 100;
    list.push_back(std::move(crash));
    list.push_back(instrument("tom", tomSample()));

    XmInstrument bass = instrument("bass", bassSample());
    bass.volumeEnvelope = envelope({{0, 64}, {6, 52}, {40, 44}}, 2);
    bass.fadeout = 0x0800;
    list.push_back(std::move(bass));

    XmInstrument pad = instrument("pad", padSample());
    pad.volumeEnvelope = envelope({{0, 0}, {50, 40}, {100, 52}, {140, 48}}, 3);
    pad.panningEnvelope = envelope({{0, 32}, {120, 22}, {240, 42}, {360, 32}}, -1, 0, 3);
    pad.vibrato = {0, 0, 3, 6};
    pad.fadeout = 0x0100;
    list.push_back(std::move(pad));

    XmInstrument lead = instrument("lead", leadSample());
    lead.volumeEnvelope = envelope({{0, 44}, {2, 64}, {12, 54}, {30, 50}}, 3);
    lead.vibrato = {0, 48, 6, 22};
    lead.fadeout = 0x0500;
    list.push_back(std::move(lead));

    XmInstrument pluck = instrument("pluck", pluckSample());
    pluck.volumeEnvelope = envelope({{0, 64}, {10, 44}, {40, 18}, {90, 0}});
    pluck.fadeout = 0x0600;
    list.push_back(std::move(pluck));

    XmInstrument bell = instrument("bell", bellSample());
    bell.volumeEnvelope = envelope({{0, 64}, {60, 36}, {180, 10}, {260, 0}});
    bell.fadeout = 0x0300;
    list.push_back(std::move(bell));

    XmInstrument air = instrument("air", airSample());
    air.volumeEnvelope = envelope({{0, 8}, {60, 40}, {120, 16}, {180, 40}}, -1, 1, 3);
    air.fadeout = 0x0200;
    list.push_back(std::move(air));

    return list;
}

}  // namespace composer
