#include "tools/composer/xm_writer.h"

#include <algorithm>

namespace composer {

namespace {

// Sizes as written; a reader skips whatever a header size says beyond what it reads.
constexpr std::uint32_t headerSize = 276;             // counted from offset 60
constexpr std::uint32_t patternHeaderSize = 9;
constexpr std::uint32_t instrumentHeaderSize = 263;   // 243 fields and 20 spare bytes
constexpr std::uint32_t emptyInstrumentHeaderSize = 29;
constexpr std::uint32_t sampleHeaderSize = 40;

class ByteWriter {
public:
    explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    void u8(std::uint32_t v) { out_.push_back(static_cast<std::uint8_t>(v)); }
    void u16(std::uint32_t v) { u8(v); u8(v >> 8); }
    void u32(std::uint32_t v) { u16(v); u16(v >> 16); }
    void zeros(std::size_t n) { out_.insert(out_.end(), n, 0); }
    // Text padded with zero bytes to exactly width bytes.
    void text(const std::string& s, std::size_t width)
    {
        const std::size_t n = std::min(s.size(), width);
        out_.insert(out_.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
        zeros(width - n);
    }
    void bytes(const std::vector<std::uint8_t>& b) { out_.insert(out_.end(), b.begin(), b.end()); }

private:
    std::vector<std::uint8_t>& out_;
};

std::string checkEnvelope(const XmEnvelope& e, const std::string& where)
{
    const int n = static_cast<int>(e.points.size());
    if (n > maxEnvelopePoints)
        return where + " has more than 12 points";
    for (int i = 0; i < n; ++i) {
        if (e.points[i].y > 64)
            return where + " point above 64";
        if (i > 0 && e.points[i].x <= e.points[i - 1].x)
            return where + " points not in increasing x";
    }
    if (e.sustainPoint >= n)
        return where + " sustain point out of range";
    if ((e.loopStart < 0) != (e.loopEnd < 0) || e.loopEnd >= n || e.loopStart > e.loopEnd)
        return where + " loop out of range";
    return {};
}

std::string checkSample(const XmSample& s, const std::string& where)
{
    if (s.name.size() > 22)
        return where + " name longer than 22";
    if (s.volume > 64)
        return where + " volume above 64";
    if (!s.sixteenBit) {
        for (const std::int16_t v : s.data)
            if (v < -128 || v > 127)
                return where + " 8-bit value out of range";
    }
    if (s.data.size() > 0x3FFFFFF0u)
        return where + " too long";
    if (s.loop != XmLoop::none && s.loopLength > 0
        && (s.loopStart > s.data.size() || s.loopLength > s.data.size() - s.loopStart))
        return where + " loop outside the data";
    return {};
}

std::string checkInstrument(const XmInstrument& ins, const std::string& where)
{
    if (ins.name.size() > 22)
        return where + " name longer than 22";
    const int n = static_cast<int>(ins.samples.size());
    if (n > maxSamplesPerInstrument)
        return where + " has more than 16 samples";
    if (n > 0) {
        for (const std::uint8_t s : ins.noteToSample)
            if (s >= n)
                return where + " maps a note to a missing sample";
    }
    if (auto e = checkEnvelope(ins.volumeEnvelope, where + " volume envelope"); !e.empty())
        return e;
    if (auto e = checkEnvelope(ins.panningEnvelope, where + " panning envelope"); !e.empty())
        return e;
    for (int i = 0; i < n; ++i)
        if (auto e = checkSample(ins.samples[i], where + " sample " + std::to_string(i)); !e.empty())
            return e;
    return {};
}

std::string checkPattern(const XmPattern& p, const XmModule& m, const std::string& where)
{
    if (p.rows < 1 || p.rows > 256)
        return where + " row count outside 1..256";
    if (p.cells.size() != static_cast<std::size_t>(p.rows) * static_cast<std::size_t>(m.channelCount))
        return where + " cell count is not rows × channels";
    for (const XmCell& c : p.cells) {
        if (c.note > keyOffNote)
            return where + " note above key off";
        if (c.instrument > m.instruments.size())
            return where + " names a missing instrument";
        if (c.volume != 0 && c.volume < 0x10)
            return where + " volume byte below 0x10";
        if (c.effect > 35)
            return where + " effect above 35";
    }
    return {};
}

std::uint8_t envelopeType(const XmEnvelope& e)
{
    if (e.points.empty())
        return 0;
    return static_cast<std::uint8_t>(1 | (e.sustainPoint >= 0 ? 2 : 0) | (e.loopStart >= 0 ? 4 : 0));
}

void writeEnvelopePoints(ByteWriter& w, const XmEnvelope& e)
{
    for (int i = 0; i < maxEnvelopePoints; ++i) {
        const XmEnvelopePoint p = i < static_cast<int>(e.points.size()) ? e.points[i] : XmEnvelopePoint{};
        w.u16(p.x);
        w.u16(p.y);
    }
}

void writeEnvelopeIndices(ByteWriter& w, const XmEnvelope& e)
{
    w.u8(std::max(e.sustainPoint, 0));
    w.u8(std::max(e.loopStart, 0));
    w.u8(std::max(e.loopEnd, 0));
}

// Samples are stored as differences from the previous value (starting from 0),
// wrapping in 8 or 16 bits; a reader undoes it with a running sum.
void writeSampleData(ByteWriter& w, const XmSample& s)
{
    std::int32_t previous = 0;
    for (const std::int16_t v : s.data) {
        const std::uint32_t delta = static_cast<std::uint32_t>(v - previous);
        if (s.sixteenBit)
            w.u16(delta);
        else
            w.u8(delta);
        previous = v;
    }
}

void writeInstrument(ByteWriter& w, const XmInstrument& ins)
{
    const std::uint32_t n = static_cast<std::uint32_t>(ins.samples.size());
    w.u32(n > 0 ? instrumentHeaderSize : emptyInstrumentHeaderSize);
    w.text(ins.name, 22);
    w.u8(0);  // instrument type, always 0
    w.u16(n);
    if (n == 0)
        return;
    w.u32(sampleHeaderSize);
    for (const std::uint8_t s : ins.noteToSample)
        w.u8(s);
    writeEnvelopePoints(w, ins.volumeEnvelope);
    writeEnvelopePoints(w, ins.panningEnvelope);
    w.u8(static_cast<std::uint32_t>(ins.volumeEnvelope.points.size()));
    w.u8(static_cast<std::uint32_t>(ins.panningEnvelope.points.size()));
    writeEnvelopeIndices(w, ins.volumeEnvelope);
    writeEnvelopeIndices(w, ins.panningEnvelope);
    w.u8(envelopeType(ins.volumeEnvelope));
    w.u8(envelopeType(ins.panningEnvelope));
    w.u8(ins.vibrato.type);
    w.u8(ins.vibrato.sweep);
    w.u8(ins.vibrato.depth);
    w.u8(ins.vibrato.rate);
    w.u16(ins.fadeout);
    w.zeros(2 + instrumentHeaderSize - 243);

    for (const XmSample& s : ins.samples) {
        const std::uint32_t frameBytes = s.sixteenBit ? 2 : 1;
        const bool loops = s.loop != XmLoop::none && s.loopLength > 0;
        w.u32(static_cast<std::uint32_t>(s.data.size()) * frameBytes);
        w.u32(loops ? s.loopStart * frameBytes : 0);
        w.u32(loops ? s.loopLength * frameBytes : 0);
        w.u8(s.volume);
        w.u8(static_cast<std::uint8_t>(s.finetune));
        w.u8((loops ? static_cast<std::uint32_t>(s.loop) : 0) | (s.sixteenBit ? 0x10 : 0));
        w.u8(s.panning);
        w.u8(static_cast<std::uint8_t>(s.relativeNote));
        w.u8(0);  // reserved
        w.text(s.name, 22);
    }
    for (const XmSample& s : ins.samples)
        writeSampleData(w, s);
}

}  // namespace

std::string checkModule(const XmModule& m)
{
    if (m.name.size() > 20 || m.trackerName.size() > 20)
        return "module or tracker name longer than 20";
    if (m.channelCount < 1 || m.channelCount > 32)
        return "channel count outside 1..32";
    if (m.speed < 1 || m.speed > 31 || m.tempo < 32 || m.tempo > 255)
        return "speed outside 1..31 or tempo outside 32..255";
    if (m.orders.empty() || m.orders.size() > 256)
        return "order list length outside 1..256";
    if (m.restartPosition < 0 || m.restartPosition >= static_cast<int>(m.orders.size()))
        return "restart position outside the order list";
    if (m.patterns.empty() || m.patterns.size() > 256)
        return "pattern count outside 1..256";
    if (m.instruments.size() > 128)
        return "more than 128 instruments";
    for (const std::uint8_t o : m.orders)
        if (o >= m.patterns.size())
            return "order list names a missing pattern";
    for (std::size_t i = 0; i < m.patterns.size(); ++i)
        if (auto e = checkPattern(m.patterns[i], m, "pattern " + std::to_string(i)); !e.empty())
            return e;
    for (std::size_t i = 0; i < m.instruments.size(); ++i)
        if (auto e = checkInstrument(m.instruments[i], "instrument " + std::to_string(i + 1)); !e.empty())
            return e;
    return {};
}

std::vector<std::uint8_t> packPattern(const XmPattern& pattern, int channelCount, bool unpacked)
{
    std::vector<std::uint8_t> out;
    const auto cells = static_cast<std::size_t>(pattern.rows) * static_cast<std::size_t>(channelCount);
    bool anything = false;
    for (std::size_t i = 0; i < cells && i < pattern.cells.size(); ++i) {
        const XmCell& c = pattern.cells[i];
        const std::uint8_t fields[5] = {c.note, c.instrument, c.volume, c.effect, c.parameter};
        std::uint8_t mask = 0;
        for (int f = 0; f < 5; ++f)
            if (fields[f] != 0)
                mask |= static_cast<std::uint8_t>(1 << f);
        if (unpacked)
            mask = 0x1F;
        anything = anything || mask != 0;
        if (mask != 0x1F)
            out.push_back(static_cast<std::uint8_t>(0x80 | mask));
        for (int f = 0; f < 5; ++f)
            if (mask & (1 << f))
                out.push_back(fields[f]);
    }
    if (!anything)
        out.clear();
    return out;
}

XmFile writeXm(const XmModule& m, const XmWriteOptions& options)
{
    XmFile file;
    if (options.check)
        file.error = checkModule(m);
    if (!file.error.empty())
        return file;

    ByteWriter w(file.bytes);
    w.text("Extended Module: ", 17);
    w.text(m.name, 20);
    w.u8(0x1A);
    w.text(m.trackerName, 20);
    w.u16(0x0104);
    w.u32(headerSize);
    w.u16(static_cast<std::uint32_t>(m.orders.size()));
    w.u16(static_cast<std::uint32_t>(m.restartPosition));
    w.u16(static_cast<std::uint32_t>(m.channelCount));
    w.u16(static_cast<std::uint32_t>(m.patterns.size()));
    w.u16(static_cast<std::uint32_t>(m.instruments.size()));
    w.u16(m.linearFrequencies ? 1 : 0);
    w.u16(static_cast<std::uint32_t>(m.speed));
    w.u16(static_cast<std::uint32_t>(m.tempo));
    for (int i = 0; i < 256; ++i)
        w.u8(i < static_cast<int>(m.orders.size()) ? m.orders[i] : 0);

    for (const XmPattern& p : m.patterns) {
        const std::vector<std::uint8_t> packed = packPattern(p, m.channelCount, options.unpackedPatterns);
        w.u32(patternHeaderSize);
        w.u8(0);  // packing type
        w.u16(static_cast<std::uint32_t>(p.rows));
        w.u16(static_cast<std::uint32_t>(packed.size()));
        w.bytes(packed);
    }
    for (const XmInstrument& ins : m.instruments)
        writeInstrument(w, ins);
    return file;
}

}  // namespace composer
