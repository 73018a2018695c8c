// The show's music as the sound library reads and plays it: the composed
// module survives the trip through our own XM loader field by field, and the
// whole song rendered through the engine keeps its form (position 45 begins
// at 45 × 7.68 s, every pattern is heard), never clips and stays within a
// stated loudness range, in integer and in interpolating mixing.

#include "sound/loaders/xm_loader.h"
#include "tools/composer/score.h"
#include "tools/composer/xm_writer.h"
#include "tools/corvidplay/song_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace {

using composer::XmCell;
using composer::XmModule;

// One channel slot of a loaded pattern, in the player's values.
struct PlayerCell {
    uint8_t note = corvid::noteNone;
    uint8_t instrument = corvid::instrumentNone;
    uint8_t volume = 0;  // 0 = no volume-column entry
    bool hasVolume = false;
    uint8_t command = 0;
    uint8_t argument = 0;
    friend bool operator==(const PlayerCell&, const PlayerCell&) = default;
};

std::ostream& operator<<(std::ostream& out, const PlayerCell& c)
{
    return out << "note " << int(c.note) << " instrument " << int(c.instrument) << " volume "
               << (c.hasVolume ? int(c.volume) : -1) << " command " << int(c.command) << ":" << int(c.argument);
}

// Unpacks the player's row lists (flag byte with the channel, then the
// present fields; 0 ends a row) into a grid of cells.
std::vector<PlayerCell> unpackLoaded(const corvid::Pattern& pattern, int channels)
{
    std::vector<PlayerCell> cells(pattern.rowCount * static_cast<std::size_t>(channels));
    std::size_t at = 0;
    const auto next = [&] { return pattern.rows.at(at++); };
    for (uint32_t row = 0; row < pattern.rowCount; ++row) {
        while (const uint8_t flags = next()) {
            PlayerCell& c = cells.at(row * static_cast<std::size_t>(channels) + (flags & corvid::entryChannelMask));
            if (flags & corvid::entryNoteAndInstrument) {
                c.note = next();
                c.instrument = next();
            }
            if (flags & corvid::entryVolume) {
                c.hasVolume = true;
                c.volume = next();
            }
            if (flags & corvid::entryCommand) {
                c.command = next();
                c.argument = next();
            }
        }
    }
    EXPECT_EQ(at, pattern.rows.size());
    return cells;
}

// What the player should be handed for a cell the composer writes. The
// effects are the ones the score uses; a new one must be added here, which is
// the point: the test then shows what the loader makes of it.
PlayerCell expectedCell(const XmCell& c)
{
    PlayerCell p;
    if (c.note == composer::keyOffNote)
        p.note = corvid::noteKeyOff;
    else if (c.note != 0)
        p.note = static_cast<uint8_t>((c.note - 1) / 12 << 4 | (c.note - 1) % 12);  // octave << 4 | semitone
    if (c.instrument != 0)
        p.instrument = static_cast<uint8_t>(c.instrument - 1);
    if (c.volume != 0) {
        p.hasVolume = true;
        p.volume = c.volume >= 0x10 && c.volume <= 0x50 ? static_cast<uint8_t>(c.volume - 0x10) : c.volume;
    }
    if (c.effect == 0 && c.parameter == 0)
        return p;
    // Tracker effect -> player command.
    static const std::map<int, int> commands = {
        {0x0, 1},  {0x1, 2},  {0x2, 3},  {0x3, 4},  {0x4, 5},  {0x5, 6},  {0x6, 7},  {0x8, 9},
        {0x9, 10}, {0xA, 11}, {0xB, 12}, {0xC, 13}, {0xD, 14}, {0x10, 27}, {0x11, 28}, {0x1B, 29},
    };
    // Exy sub-commands -> player command, argument y.
    static const std::map<int, int> extended = {{0x9, 21}, {0xC, 24}, {0xD, 25}};
    if (c.effect == 0xE) {
        EXPECT_TRUE(extended.count(c.parameter >> 4)) << "E" << (c.parameter >> 4) << " is new to the score";
        p.command = static_cast<uint8_t>(extended.count(c.parameter >> 4) ? extended.at(c.parameter >> 4) : 0);
        p.argument = c.parameter & 15;
    } else {
        EXPECT_TRUE(commands.count(c.effect)) << "effect " << int(c.effect) << " is new to the score";
        p.command = static_cast<uint8_t>(commands.count(c.effect) ? commands.at(c.effect) : 0);
        p.argument = c.parameter;
    }
    return p;
}

void expectEnvelope(const composer::XmEnvelope& written, const std::optional<corvid::Envelope>& loaded,
                    const std::string& what)
{
    SCOPED_TRACE(what);
    ASSERT_EQ(loaded.has_value(), !written.points.empty());
    if (!loaded)
        return;
    ASSERT_EQ(loaded->pointCount, written.points.size());
    for (std::size_t i = 0; i < written.points.size(); ++i) {
        EXPECT_EQ(loaded->points[i].x, written.points[i].x) << "point " << i;
        EXPECT_EQ(loaded->points[i].y, written.points[i].y) << "point " << i;
    }
    const auto point = [](int index) { return index < 0 ? corvid::noPoint : static_cast<uint8_t>(index); };
    EXPECT_EQ(loaded->sustainPoint, point(written.sustainPoint));
    EXPECT_EQ(loaded->loopStart, point(written.loopStart));
    EXPECT_EQ(loaded->loopEnd, point(written.loopEnd));
}

// The sample data as the loader keeps it: 8-bit as unsigned bytes (128 is
// silence), 16-bit as little-endian signed values.
std::vector<uint8_t> loadedBytes(const composer::XmSample& s)
{
    std::vector<uint8_t> bytes;
    for (const int16_t v : s.data) {
        if (s.sixteenBit) {
            bytes.push_back(static_cast<uint8_t>(v & 0xFF));
            bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
        } else {
            bytes.push_back(static_cast<uint8_t>(v + 128));
        }
    }
    return bytes;
}

TEST(QorvMusic, EveryFieldSurvivesOurLoader)
{
    const XmModule song = composer::composeQorv();
    const composer::XmFile file = composer::writeXm(song);
    ASSERT_EQ(file.error, "");
    std::unique_ptr<corvid::Module> loaded;
    ASSERT_EQ(corvid::loadXM(std::span<const uint8_t>(file.bytes), false, nullptr, nullptr, loaded),
              corvid::ErrorCode::ok);

    EXPECT_EQ(loaded->type, corvid::ModuleType::xm);
    EXPECT_EQ(loaded->name, song.name);
    EXPECT_EQ(loaded->channelCount, song.channelCount);
    EXPECT_EQ(loaded->restartPosition, static_cast<uint32_t>(song.restartPosition));
    EXPECT_EQ(loaded->initialSpeed, song.speed);
    EXPECT_EQ(loaded->initialTempo, song.tempo);
    EXPECT_EQ(loaded->flags & corvid::moduleLinearFrequencies,
              song.linearFrequencies ? corvid::moduleLinearFrequencies : 0u);
    EXPECT_TRUE(std::equal(song.orders.begin(), song.orders.end(), loaded->orders.begin(), loaded->orders.end()));

    ASSERT_EQ(loaded->patterns.size(), song.patterns.size());
    for (std::size_t p = 0; p < song.patterns.size(); ++p) {
        ASSERT_EQ(loaded->patterns[p].rowCount, static_cast<uint32_t>(song.patterns[p].rows));
        const std::vector<PlayerCell> cells = unpackLoaded(loaded->patterns[p], song.channelCount);
        for (std::size_t i = 0; i < cells.size(); ++i)
            ASSERT_EQ(cells[i], expectedCell(song.patterns[p].cells[i]))
                << "pattern " << p << " row " << i / song.channelCount << " channel " << i % song.channelCount;
    }

    ASSERT_EQ(loaded->instruments.size(), song.instruments.size());
    for (std::size_t i = 0; i < song.instruments.size(); ++i) {
        const composer::XmInstrument& written = song.instruments[i];
        const corvid::Instrument& read = loaded->instruments[i];
        SCOPED_TRACE(written.name);
        EXPECT_EQ(read.name, written.name);
        EXPECT_EQ(read.used, 1);
        // No map read back means every note plays the first sample.
        std::array<uint8_t, corvid::notesPerInstrument> map{};
        if (read.noteToSample)
            map = *read.noteToSample;
        EXPECT_TRUE(std::equal(written.noteToSample.begin(), written.noteToSample.end(), map.begin()));
        expectEnvelope(written.volumeEnvelope, read.volumeEnvelope, "volume envelope");
        expectEnvelope(written.panningEnvelope, read.panningEnvelope, "panning envelope");
        EXPECT_EQ(read.fadeout, written.fadeout);
        EXPECT_EQ(read.vibratoType, written.vibrato.type);
        EXPECT_EQ(read.vibratoSweep, written.vibrato.sweep);
        EXPECT_EQ(read.vibratoDepth, written.vibrato.depth);
        EXPECT_EQ(read.vibratoRate, written.vibrato.rate);
        ASSERT_EQ(read.samples.size(), written.samples.size());
        for (std::size_t s = 0; s < written.samples.size(); ++s) {
            const composer::XmSample& w = written.samples[s];
            const corvid::Sample& r = read.samples[s];
            SCOPED_TRACE(w.name);
            const uint32_t frameBytes = w.sixteenBit ? 2 : 1;
            EXPECT_EQ(r.name, w.name);
            EXPECT_EQ(r.type, w.sixteenBit ? corvid::SampleDataType::pcm16 : corvid::SampleDataType::pcm8);
            EXPECT_EQ(r.length, w.data.size() * frameBytes);
            const bool loops = w.loop != composer::XmLoop::none && w.loopLength != 0;
            EXPECT_EQ(r.looping, loops ? 1 : 0);
            if (loops) {
                EXPECT_EQ(r.loopType, static_cast<uint8_t>(w.loop));
                EXPECT_EQ(r.loopStart, w.loopStart * frameBytes);
                EXPECT_EQ(r.loopEnd, (w.loopStart + w.loopLength) * frameBytes);
            }
            EXPECT_EQ(r.volume, w.volume);
            EXPECT_EQ(r.finetune, w.finetune);
            EXPECT_EQ(r.panning, w.panning);
            EXPECT_EQ(r.relativeNote, w.relativeNote);
            EXPECT_TRUE(r.data == loadedBytes(w)) << "sample data differ";
        }
    }
    corvid::freeModule(loaded, nullptr);
}

// What a render of the built qorv.xm measured.
struct SongMeasure {
    std::vector<double> sumOfSquares;  // per position
    std::vector<uint64_t> frames;      // per position
    int peak = 0;
    std::map<uint32_t, double> positionStarts;  // seconds
    std::set<uint32_t> patternsHeard;
    bool wrapped = false;

    double rmsDbfs(uint32_t position) const
    {
        const double meanSquare = sumOfSquares[position] / (2.0 * static_cast<double>(frames[position]));
        return 10 * std::log10(meanSquare / (32768.0 * 32768.0));
    }
};

SongMeasure renderQorv(uint32_t familyBits)
{
    SongMeasure m;
    uint32_t position = 0;
    corvidplay::RenderSettings settings;
    settings.familyBits = familyBits;
    settings.maximumSeconds = 420;
    const auto audio = [&](std::span<const int16_t> samples) {
        if (m.sumOfSquares.size() <= position) {
            m.sumOfSquares.resize(position + 1);
            m.frames.resize(position + 1);
        }
        for (const int16_t s : samples) {
            m.sumOfSquares[position] += double(s) * s;
            m.peak = std::max(m.peak, std::abs(int{s}));
        }
        m.frames[position] += samples.size() / 2;
    };
    const auto rows = [&](const corvidplay::RowStart& row) {
        position = row.position;
        m.positionStarts.try_emplace(row.position, row.seconds);
        m.patternsHeard.insert(row.pattern);
    };
    corvidplay::RenderResult result;
    EXPECT_EQ(corvidplay::renderSong("qorv.xm", settings, audio, rows, result), corvid::ErrorCode::ok);
    m.wrapped = result.wrapped;
    return m;
}

// The loudness range the piece is written to, RMS over each position: the
// opening's first position (a pad swell fading in from a global volume of 16,
// about -36 dBFS) is the quietest heard, the arms' climax (about -21 dBFS at
// position 38) the loudest; a little room either side for changes to it.
constexpr double quietestDbfs = -38;
constexpr double loudestDbfs = -19;
constexpr int fullScale = 32767;

TEST(QorvMusic, WholeSongKeepsItsFormAndLevelsInBothMixings)
{
    const XmModule song = composer::composeQorv();
    for (const uint32_t family : {0x40u, 0x80u}) {
        SCOPED_TRACE(family == 0x40 ? "integer mixing" : "interpolating mixing");
        const SongMeasure m = renderQorv(family);
        ASSERT_TRUE(m.wrapped) << "the song never returned to its start";

        // Every position in order; the show stops when position 45 begins.
        ASSERT_EQ(m.positionStarts.size(), song.orders.size());
        ASSERT_TRUE(m.positionStarts.count(45));
        // The player reads its first row on the sixth tick, so every row starts
        // one row (120 ms) after its nominal time.
        EXPECT_NEAR(m.positionStarts.at(45), 45 * 7.68 + 0.12, 0.01);
        for (uint32_t p = 1; p <= 45; ++p)
            EXPECT_NEAR(m.positionStarts.at(p) - m.positionStarts.at(p - 1), 7.68, 0.021) << "position " << p;
        EXPECT_EQ(m.patternsHeard.size(), song.patterns.size()) << "every pattern is heard";

        // Headroom: no sample reaches full scale, the peak stays below -3 dBFS.
        EXPECT_LT(m.peak, fullScale * 0.708) << "peak " << m.peak;

        uint32_t loudest = 0;
        for (uint32_t p = 0; p < 45; ++p) {
            const double db = m.rmsDbfs(p);
            EXPECT_GE(db, quietestDbfs) << "position " << p;
            EXPECT_LE(db, loudestDbfs) << "position " << p;
            if (db > m.rmsDbfs(loudest))
                loudest = p;
        }
        EXPECT_GE(loudest, 34u) << "the arms' climax is the loudest passage";
        EXPECT_LE(loudest, 40u);
    }
}

}  // namespace
