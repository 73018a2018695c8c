#pragma once
// XM modules built in code for tests, written by the composer's writer. Tests
// write faulty modules on purpose (a missing instrument, a speed of 0), so
// nothing is checked on the way out.

#include <cstdint>
#include <vector>

#include "tools/composer/xm_writer.h"

namespace testsupport {

using composer::XmCell;
using composer::XmEnvelope;
using composer::XmInstrument;
using composer::XmLoop;
using composer::XmModule;
using composer::XmPattern;
using composer::XmSample;

inline std::vector<std::uint8_t> xmBytes(const XmModule& module, bool unpackedPatterns = false)
{
    return composer::writeXm(module, {.check = false, .unpackedPatterns = unpackedPatterns}).bytes;
}

inline XmPattern emptyPattern(int rows, int channelCount)
{
    XmPattern pattern;
    pattern.rows = rows;
    pattern.cells.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(channelCount));
    return pattern;
}

// A song of one pattern and one instrument with one short looping 8-bit
// sample: enough for most command tests.
inline XmModule simpleSong(int channelCount = 2, int rows = 16)
{
    XmModule song;
    song.name = "test";
    song.trackerName = "corvid tests";
    song.channelCount = channelCount;
    song.orders = {0};
    song.patterns.push_back(emptyPattern(rows, channelCount));
    XmSample sample;
    sample.name = "sample";
    for (int i = 0; i < 32; ++i)
        sample.data.push_back(static_cast<std::int16_t>(i * 4 - 64));
    sample.loop = XmLoop::forward;
    sample.loopLength = 32;
    XmInstrument instrument;
    instrument.name = "instrument";
    instrument.samples.push_back(sample);
    song.instruments.push_back(instrument);
    return song;
}

}  // namespace testsupport
