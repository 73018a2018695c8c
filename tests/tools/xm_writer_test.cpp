// The writer's bytes read back at the field offsets a module loader uses,
// with a reader written here from the file layout (not from the writer).

#include "tools/composer/xm_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using composer::XmCell;
using composer::XmInstrument;
using composer::XmLoop;
using composer::XmModule;
using composer::XmPattern;
using composer::XmSample;
using Bytes = std::vector<std::uint8_t>;

unsigned u16(const Bytes& b, std::size_t at) { return b.at(at) | b.at(at + 1) << 8; }
unsigned u32(const Bytes& b, std::size_t at) { return u16(b, at) | u16(b, at + 2) << 16; }
std::string text(const Bytes& b, std::size_t at, std::size_t n)
{
    std::string s(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + n));
    return s.substr(0, s.find('\0'));
}

// Unpacks one pattern's data as a loader does: a byte with bit 7 set is a
// presence mask, any other byte is a note followed by the four other fields.
std::vector<XmCell> unpack(const Bytes& b, std::size_t at, std::size_t size, int rows, int channels)
{
    std::vector<XmCell> cells(static_cast<std::size_t>(rows * channels));
    if (size == 0)
        return cells;
    std::size_t i = at;
    for (XmCell& c : cells) {
        unsigned mask = 0x1F;
        if (b.at(i) & 0x80)
            mask = b.at(i++) & 0x7F;
        std::uint8_t* fields[5] = {&c.note, &c.instrument, &c.volume, &c.effect, &c.parameter};
        for (int f = 0; f < 5; ++f)
            if (mask & (1u << f))
                *fields[f] = b.at(i++);
    }
    EXPECT_EQ(i, at + size) << "packed data size disagrees with its contents";
    return cells;
}

XmSample sample8()
{
    XmSample s;
    s.data = {0, 127, -128, 127, -1, 5};
    s.loop = XmLoop::forward;
    s.loopStart = 1;
    s.loopLength = 4;
    return s;
}

XmSample sample16()
{
    XmSample s;
    s.sixteenBit = true;
    s.data = {32767, -32768, 1000, -1000};
    s.loop = XmLoop::pingPong;
    s.loopStart = 1;
    s.loopLength = 3;
    return s;
}

XmModule smallModule()
{
    XmModule m;
    m.name = "small";
    m.trackerName = "test";
    m.channelCount = 2;
    m.restartPosition = 1;
    m.speed = 6;
    m.tempo = 125;
    m.orders = {1, 0, 1};
    XmPattern full;
    full.rows = 2;
    full.cells = {{49, 1, 0x50, 0x0E, 0x93}, {}, {97, 0, 0, 0, 0}, {0, 0, 0x20, 0x10, 0x40}};
    XmPattern empty;
    empty.rows = 3;
    empty.cells.resize(6);
    m.patterns = {full, empty};
    XmInstrument ins;
    ins.name = "two samples";
    ins.samples = {sample8(), sample16()};
    for (int n = 60; n < 96; ++n)
        ins.noteToSample[static_cast<std::size_t>(n)] = 1;
    ins.volumeEnvelope = {{{0, 0}, {10, 64}, {40, 32}}, 1, -1, -1};
    ins.panningEnvelope = {{{0, 32}, {50, 0}, {100, 64}}, -1, 0, 2};
    ins.vibrato = {1, 20, 6, 30};
    ins.fadeout = 0x0400;
    XmInstrument none;
    none.name = "no samples";
    m.instruments = {ins, none};
    return m;
}

TEST(XmWriter, HeaderFieldsSitAtTheirOffsets)
{
    const Bytes b = composer::writeXm(smallModule()).bytes;
    ASSERT_GE(b.size(), 336u);
    EXPECT_EQ(text(b, 0, 17), "Extended Module: ");
    EXPECT_EQ(text(b, 17, 20), "small");
    EXPECT_EQ(b[37], 0x1A);
    EXPECT_EQ(text(b, 38, 20), "test");
    EXPECT_EQ(u16(b, 58), 0x0104u);
    EXPECT_EQ(u32(b, 60), 276u);  // header size counted from 60, so patterns start at 336
    EXPECT_EQ(u16(b, 64), 3u);    // song length
    EXPECT_EQ(u16(b, 66), 1u);    // restart position
    EXPECT_EQ(u16(b, 68), 2u);    // channels
    EXPECT_EQ(u16(b, 70), 2u);    // patterns
    EXPECT_EQ(u16(b, 72), 2u);    // instruments
    EXPECT_EQ(u16(b, 74), 1u);    // linear frequencies
    EXPECT_EQ(u16(b, 76), 6u);
    EXPECT_EQ(u16(b, 78), 125u);
    EXPECT_EQ(b[80], 1);
    EXPECT_EQ(b[81], 0);
    EXPECT_EQ(b[82], 1);
    for (std::size_t i = 83; i < 336; ++i)
        ASSERT_EQ(b[i], 0) << "order table entry " << i - 80;
}

TEST(XmWriter, PatternsReadBackCellByCellAndInstrumentsByTheirSizes)
{
    const XmModule m = smallModule();
    const Bytes b = composer::writeXm(m).bytes;
    std::size_t at = 336;
    for (const XmPattern& p : m.patterns) {
        ASSERT_EQ(u32(b, at), 9u);
        EXPECT_EQ(b.at(at + 4), 0);
        ASSERT_EQ(static_cast<int>(u16(b, at + 5)), p.rows);
        const std::size_t size = u16(b, at + 7);
        const std::vector<XmCell> cells = unpack(b, at + 9, size, p.rows, m.channelCount);
        EXPECT_EQ(cells, p.cells);
        at += 9 + size;
    }
    EXPECT_EQ(u16(b, 336 + 7), 5u + 1 + 2 + 4) << "a full cell is written raw, an empty one as 0x80";

    // Each instrument is as long as its header says, then its sample headers
    // and their data; one without samples is its 29 header bytes alone. (The
    // fields themselves are read back through our loader in qorv_music_test.)
    const std::size_t header = u32(b, at);
    ASSERT_EQ(u16(b, at + 27), 2u);
    const std::size_t sampleHeader = u32(b, at + 29);
    at += header;
    const std::size_t data = u32(b, at) + u32(b, at + sampleHeader);
    EXPECT_EQ(data, 6u + 2 * 4u) << "lengths in bytes";
    at += 2 * sampleHeader + data;
    EXPECT_EQ(u32(b, at), 29u);
    EXPECT_EQ(text(b, at + 4, 22), "no samples");
    EXPECT_EQ(u16(b, at + 27), 0u);
    EXPECT_EQ(at + 29, b.size());
}

TEST(XmWriter, PackedPatternsStayWithinFiveBytesACell)
{
    // A loader sizes its buffer for 5 bytes per cell: the densest packing must fit.
    XmPattern p;
    p.rows = 256;
    p.cells.assign(256 * 32, XmCell{96, 128, 0xFF, 35, 0xFF});
    EXPECT_EQ(composer::packPattern(p, 32).size(), 256u * 32 * 5);
    p.cells.assign(256 * 32, XmCell{0, 0, 0, 0, 0x01});
    EXPECT_EQ(composer::packPattern(p, 32).size(), 256u * 32 * 2);
    p.cells.assign(256 * 32, XmCell{});
    EXPECT_TRUE(composer::packPattern(p, 32).empty());
}

TEST(XmWriter, ZeroLengthLoopIsWrittenAsNoLoop)
{
    XmModule m = smallModule();
    m.instruments[0].samples[0].loopLength = 0;
    const Bytes b = composer::writeXm(m).bytes;
    std::size_t at = 336;
    for (int p = 0; p < 2; ++p)
        at += 9 + u16(b, at + 7);
    at += u32(b, at);
    EXPECT_EQ(u32(b, at + 4), 0u);
    EXPECT_EQ(u32(b, at + 8), 0u);
    EXPECT_EQ(b.at(at + 14) & 3, 0);
}

TEST(XmWriter, RefusesModulesALoaderCouldNotReadBack)
{
    struct Case {
        const char* what;
        void (*spoil)(XmModule&);
    };
    const Case cases[] = {
        {"order names a missing pattern", [](XmModule& m) { m.orders.push_back(2); }},
        {"no orders", [](XmModule& m) { m.orders.clear(); }},
        {"restart past the end", [](XmModule& m) { m.restartPosition = 3; }},
        {"33 channels", [](XmModule& m) { m.channelCount = 33; }},
        {"0 rows", [](XmModule& m) { m.patterns[1].rows = 0; }},
        {"cells not rows × channels", [](XmModule& m) { m.patterns[1].cells.pop_back(); }},
        {"volume byte below 0x10", [](XmModule& m) { m.patterns[0].cells[1].volume = 0x05; }},
        {"missing instrument", [](XmModule& m) { m.patterns[0].cells[1].instrument = 3; }},
        {"17 samples", [](XmModule& m) { m.instruments[0].samples.resize(17); }},
        {"map beyond the samples", [](XmModule& m) { m.instruments[0].noteToSample[5] = 2; }},
        {"sustain past the points", [](XmModule& m) { m.instruments[0].volumeEnvelope.sustainPoint = 3; }},
        {"13 envelope points", [](XmModule& m) {
             auto& e = m.instruments[0].volumeEnvelope;
             for (std::uint16_t x = 50; e.points.size() < 13; x += 10)
                 e.points.push_back({x, 0});
         }},
        {"8-bit value out of range", [](XmModule& m) { m.instruments[0].samples[0].data[0] = 128; }},
        {"loop past the data", [](XmModule& m) { m.instruments[0].samples[1].loopLength = 4; }},
        {"name too long", [](XmModule& m) { m.name = std::string(21, 'x'); }},
    };
    ASSERT_EQ(composer::checkModule(smallModule()), "");
    for (const Case& c : cases) {
        XmModule m = smallModule();
        c.spoil(m);
        const composer::XmFile f = composer::writeXm(m);
        EXPECT_FALSE(f.error.empty()) << c.what;
        EXPECT_TRUE(f.bytes.empty()) << c.what;
    }
}

}  // namespace
