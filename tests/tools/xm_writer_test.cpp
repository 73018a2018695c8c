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
    s.name = "eight";
    s.data = {0, 127, -128, 127, -1, 5};  // differences wrap in 8 bits
    s.loop = XmLoop::forward;
    s.loopStart = 1;
    s.loopLength = 4;
    s.volume = 40;
    s.finetune = -16;
    s.panning = 200;
    s.relativeNote = -12;
    return s;
}

XmSample sample16()
{
    XmSample s;
    s.name = "sixteen";
    s.sixteenBit = true;
    s.data = {32767, -32768, 1000, -1000};  // differences wrap in 16 bits
    s.loop = XmLoop::pingPong;
    s.loopStart = 1;
    s.loopLength = 3;
    s.relativeNote = 24;
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

TEST(XmWriter, PatternsAndInstrumentsReadBackFieldByField)
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

    // Instrument 1: fixed part, then 214 bytes, then whatever the size says.
    const XmInstrument& ins = m.instruments[0];
    const std::size_t header = u32(b, at);
    ASSERT_GE(header, 243u);
    EXPECT_EQ(text(b, at + 4, 22), "two samples");
    EXPECT_EQ(b.at(at + 26), 0);
    ASSERT_EQ(u16(b, at + 27), 2u);
    const std::size_t sampleHeader = u32(b, at + 29);
    ASSERT_GE(sampleHeader, 40u);
    for (int n = 0; n < 96; ++n)
        EXPECT_EQ(b.at(at + 33 + n), n < 60 ? 0 : 1);
    EXPECT_EQ(u16(b, at + 129 + 4), 10u);       // volume point 1 x
    EXPECT_EQ(u16(b, at + 129 + 6), 64u);       // volume point 1 y
    EXPECT_EQ(u16(b, at + 177 + 8), 100u);      // panning point 2 x
    EXPECT_EQ(b.at(at + 225), 3);               // volume points
    EXPECT_EQ(b.at(at + 226), 3);               // panning points
    EXPECT_EQ(b.at(at + 227), 1);               // volume sustain
    EXPECT_EQ(b.at(at + 231), 0);               // panning loop start
    EXPECT_EQ(b.at(at + 232), 2);               // panning loop end
    EXPECT_EQ(b.at(at + 233), 1 | 2);           // volume: on, sustain
    EXPECT_EQ(b.at(at + 234), 1 | 4);           // panning: on, loop
    EXPECT_EQ(b.at(at + 235), ins.vibrato.type);
    EXPECT_EQ(b.at(at + 236), ins.vibrato.sweep);
    EXPECT_EQ(b.at(at + 237), ins.vibrato.depth);
    EXPECT_EQ(b.at(at + 238), ins.vibrato.rate);
    EXPECT_EQ(u16(b, at + 239), 0x0400u);
    at += header;

    struct Expected {
        unsigned length, loopStart, loopLength, volume;
        int finetune;
        unsigned type, panning;
        int relative;
        const char* name;
    };
    const Expected expected[2] = {{6, 1, 4, 40, -16, 1, 200, -12, "eight"},
                                  {8, 2, 6, 64, 0, 2 | 0x10, 128, 24, "sixteen"}};
    for (const Expected& e : expected) {
        EXPECT_EQ(u32(b, at), e.length);
        EXPECT_EQ(u32(b, at + 4), e.loopStart);   // bytes, not frames
        EXPECT_EQ(u32(b, at + 8), e.loopLength);
        EXPECT_EQ(b.at(at + 12), e.volume);
        EXPECT_EQ(static_cast<std::int8_t>(b.at(at + 13)), e.finetune);
        EXPECT_EQ(b.at(at + 14), e.type);
        EXPECT_EQ(b.at(at + 15), e.panning);
        EXPECT_EQ(static_cast<std::int8_t>(b.at(at + 16)), e.relative);
        EXPECT_EQ(text(b, at + 18, 22), e.name);
        at += sampleHeader;
    }

    // Delta-coded data: 8-bit undone into unsigned bytes (top bit flipped),
    // 16-bit into signed values, each by a wrapping running sum.
    std::uint8_t sum8 = 0;
    for (const std::int16_t v : ins.samples[0].data) {
        sum8 = static_cast<std::uint8_t>(sum8 + b.at(at++));
        EXPECT_EQ(sum8 ^ 0x80, v + 128);
    }
    std::uint16_t sum16 = 0;
    for (const std::int16_t v : ins.samples[1].data) {
        sum16 = static_cast<std::uint16_t>(sum16 + u16(b, at));
        at += 2;
        EXPECT_EQ(static_cast<std::int16_t>(sum16), v);
    }

    // Instrument 2 has no samples: 29 header bytes and nothing after them.
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
