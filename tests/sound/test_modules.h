#pragma once
// A handful of XM modules built in code that between them reach every part of
// the loader: packed and (in the rich one) unpacked patterns, 8- and 16-bit
// samples with each loop kind, envelopes with sustain and loop, auto-vibrato,
// an instrument without samples, and amiga periods; and an IT module with an
// edit history and embedded MIDI macros. The fuzzers take them as seeds and
// the truncation sweep cuts them.

#include <string>
#include <utility>
#include <vector>

#include "tests/sound/it_writer.h"
#include "tests/support/xm_module.h"

namespace corvid::testing {

using namespace testsupport;

struct NamedModule {
    std::string name;
    std::vector<uint8_t> bytes;
};

inline std::vector<NamedModule> testModules()
{
    std::vector<NamedModule> modules;
    // Its one note plays the sample, so that every byte of the file is read.
    XmModule simple = simpleSong();
    simple.patterns[0].at(0, 0, simple.channelCount) = {49, 1};
    modules.push_back({"simple.xm", xmBytes(simple)});

    XmModule rich = simpleSong(8, 32);
    rich.orders = {0, 1, 0};
    rich.restartPosition = 1;
    XmPattern& first = rich.patterns[0];
    first.at(0, 0, 8) = {49, 1, 0x40, 0x0A, 0x0F};   // note, volume column, volume slide
    first.at(1, 1, 8) = {61, 2, 0, 0x04, 0x48};      // vibrato
    first.at(2, 2, 8) = {37, 3, 0xC8, 0x03, 0x10};   // tone portamento, panning column
    first.at(4, 3, 8) = {97, 0, 0, 0x0E, 0x61};      // key off, pattern loop
    first.at(8, 0, 8) = {0, 0, 0, 0x14, 0x03};       // key off by command
    first.at(31, 4, 8) = {0, 0, 0, 0x0D, 0x02};      // pattern break
    XmPattern second = emptyPattern(8, 8);
    second.at(0, 0, 8) = {50, 2, 0x10, 0x09, 0x02};  // sample offset
    second.at(3, 5, 8) = {0, 0, 0, 0x0F, 0x80};      // tempo
    rich.patterns.push_back(second);

    XmInstrument sixteen;
    XmSample wide;
    wide.sixteenBit = true;
    for (int i = 0; i < 64; ++i)
        wide.data.push_back(static_cast<int16_t>(i * 900 - 28000));
    wide.loopStart = 16;
    wide.loopLength = 40;
    wide.loop = XmLoop::pingPong;
    wide.relativeNote = -12;
    wide.finetune = -40;
    sixteen.samples.push_back(wide);
    sixteen.noteToSample.fill(0);
    sixteen.volumeEnvelope = {{{0, 64}, {10, 32}, {20, 48}, {40, 0}}, 1, 1, 2};
    sixteen.panningEnvelope = {{{0, 0}, {30, 64}}, -1, 0, 1};
    sixteen.vibrato = {1, 8, 4, 10};
    sixteen.fadeout = 512;
    rich.instruments.push_back(sixteen);
    XmInstrument silent;
    silent.name = "no samples";
    rich.instruments.push_back(silent);
    modules.push_back({"rich.xm", xmBytes(rich, true)});

    XmModule amiga = simpleSong(4, 64);
    amiga.linearFrequencies = false;
    amiga.speed = 3;
    amiga.tempo = 200;
    amiga.patterns[0].at(0, 0, 4) = {25, 1, 0, 0x01, 0x20};  // portamento up
    amiga.patterns[0].at(1, 1, 4) = {85, 1, 0, 0x00, 0x37};  // arpeggio
    modules.push_back({"amiga.xm", xmBytes(amiga)});

    ItFile macros = channelRows({{noteSampleEffect, 60, 1, 26, 0x40}, {effectOnly, letterS, 0xF1}, {effectOnly, 26, 0x81}});
    macros.instruments = true;
    macros.extraSpecial = 2 | 8;  // edit history, MIDI macros
    macros.afterOffsets = editHistory(2);
    const std::vector<uint8_t> configuration = midiConfiguration({{0, "F0F000z"}, {1, "F0F001 z"}, {17, "F0F00120"}});
    macros.afterOffsets.insert(macros.afterOffsets.end(), configuration.begin(), configuration.end());
    modules.push_back({"macros.it", writeIt(macros)});
    return modules;
}

}  // namespace corvid::testing
