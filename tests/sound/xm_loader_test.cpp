// The XM loader: the module it builds from test files written in code, and
// its answers to damaged files.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "damaged_files.h"
#include "test_modules.h"
#include "mixer_test_support.h"
#include "sound/loaders/byte_reader.h"
#include "sound/loaders/file_access.h"
#include "tests/support/scratch_folder.h"

namespace corvid::testing {
namespace {

void put16(std::vector<uint8_t>& f, size_t at, uint32_t v) { f[at] = uint8_t(v), f[at + 1] = uint8_t(v >> 8); }
void put32(std::vector<uint8_t>& f, size_t at, uint32_t v) { put16(f, at, v), put16(f, at + 2, v >> 16); }

constexpr size_t firstPatternHeader = 336;
// The instrument after a pattern of one row on one channel holding a note
// and an instrument number (flag byte, note, instrument).
constexpr size_t oneNoteInstrument = firstPatternHeader + 9 + 3;
constexpr size_t panningEnvelopeType = 234;  // in the instrument header

TEST(XmLoader, HeaderFieldsFillTheModule)
{
    XmModule song = simpleSong(6);
    song.name = "a song name longer than twenty";
    song.orders = {0, 0, 0};
    song.restartPosition = 2;
    song.speed = 0x0103;  // only the low bytes count
    song.tempo = 0x0196;
    auto module = loadExpecting(loadXM, xmBytes(song));
    EXPECT_EQ(module->name, "a song name longer t");
    EXPECT_EQ(module->type, ModuleType::xm);
    EXPECT_EQ(module->songLength(), 3u);
    EXPECT_EQ(module->restartPosition, 2u);
    EXPECT_EQ(module->channelCount, 6);
    EXPECT_EQ(module->initialSpeed, 3);
    EXPECT_EQ(module->initialTempo, 0x96);
    EXPECT_EQ(module->flags, moduleLinearFrequencies);

    song.linearFrequencies = false;
    song.restartPosition = 3;  // past the song: playback returns to the start
    module = loadExpecting(loadXM, xmBytes(song));
    EXPECT_EQ(module->flags, 0u);
    EXPECT_EQ(module->restartPosition, 0u);
}

TEST(XmLoader, PatternsConvertToThePlayersForm)
{
    XmModule song = simpleSong(4, 2);
    XmPattern& p = song.patterns[0];
    p.at(0, 0, 4) = {49, 1, 0x10, 0xE, 0x12};  // C-4, instrument 1, volume 0, E12 fine porta up 2
    p.at(0, 1, 4) = {0, 0, 0x50, 20, 7};       // volume 64, key off by effect
    p.at(0, 2, 4) = {97, 0, 0x51, 15, 0x1F};   // key off note, volume-column effect kept, speed 31
    p.at(0, 3, 4) = {0, 0, 0, 15, 0x20};       // tempo 32
    p.at(1, 0, 4) = {12, 0, 0, 33, 0x15};      // B-0, X15 extra fine up
    p.at(1, 1, 4) = {0, 0, 0, 33, 0x25};       // X25 extra fine down
    p.at(1, 2, 4) = {0, 0, 0, 33, 0x35};       // X35: dropped
    p.at(1, 3, 4) = {0, 0, 0, 18, 0x11};       // effect I: dropped
    auto module = loadExpecting(loadXM, xmBytes(song));
    const std::vector<uint8_t> expected = {
        0xE0, 0x40, 0, 0, 17, 2,   // ch0: note 4 << 4 | 0, instrument 0, volume 0, command 17 argument 2
        0x61, 254, 255, 64,        // ch1: key off, no instrument, volume 64, no command
        0xE2, 254, 255, 0x51, 15, 0x1F,
        0x83, 16, 0x20,
        0,
        0xA0, 0x0B, 255, 31, 5,    // ch0: B-0 with X1y
        0x81, 32, 5,
        0,
    };
    EXPECT_EQ(module->patterns[0].rows, expected);
    EXPECT_EQ(module->patterns[0].rowCount, 2u);
    EXPECT_EQ(module->patterns[0].size(), expected.size() + 8);
}

TEST(XmLoader, UnpackedCellsGiveEntriesWithNoNote)
{
    XmModule song = simpleSong(2, 1);
    song.patterns[0].at(0, 1, 2) = {0, 0, 0, 0xE, 0x0F};  // E0x: dropped
    auto module = loadExpecting(loadXM, xmBytes(song, true));
    // A note byte of 0 that is present still gives an entry: note 255, bit 5.
    EXPECT_EQ(module->patterns[0].rows, (std::vector<uint8_t>{0x20, 255, 255, 0x21, 255, 255, 0}));
}

TEST(XmLoader, OrderListAndPatternsBeyondTheFileGetEmptyPatterns)
{
    XmModule song = simpleSong(2, 8);
    song.orders = {0, 3};
    auto module = loadExpecting(loadXM, xmBytes(song));
    ASSERT_EQ(module->patterns.size(), 4u);
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(module->patterns[i].rowCount, 64u);
        EXPECT_EQ(module->patterns[i].rows, std::vector<uint8_t>(64, 0));
    }
    // A stored pattern with no packed data has empty rows too.
    song.patterns[0] = emptyPattern(5, 0);
    song.channelCount = 0;
    module = loadExpecting(loadXM, xmBytes(song));
    EXPECT_EQ(module->patterns[0].rows, std::vector<uint8_t>(5, 0));
}

TEST(XmLoader, InstrumentsNamedBeyondTheFileGetPlaceholders)
{
    XmModule song = simpleSong(2, 1);
    song.instruments[0].volumeEnvelope = {{{0, 64}, {10, 0}}};
    song.instruments.push_back(song.instruments[0]);  // instrument 2: never used
    song.instruments[1].name = "unused";
    song.patterns[0].at(0, 0, 2) = {49, 1};
    song.patterns[0].at(0, 1, 2) = {49, 5};
    auto module = loadExpecting(loadXM, xmBytes(song));
    ASSERT_EQ(module->instruments.size(), 5u);
    EXPECT_EQ(module->instruments[0].samples.size(), 1u);
    EXPECT_EQ(module->instruments[0].used, 1);
    // Unused: keeps its name and envelope, has no samples and none of its data is loaded.
    EXPECT_EQ(module->instruments[1].name, "unused");
    EXPECT_TRUE(module->instruments[1].volumeEnvelope);
    EXPECT_TRUE(module->instruments[1].samples.empty());
    EXPECT_EQ(recorder().samples.size(), 1u);
    for (size_t i = 2; i < 4; ++i) {
        EXPECT_EQ(module->instruments[i].name, placeholderInstrumentName);
        EXPECT_TRUE(module->instruments[i].samples.empty());
    }
    const Instrument& named = module->instruments[4];
    EXPECT_EQ(named.name, placeholderInstrumentName);
    EXPECT_EQ(named.used, 1);
    ASSERT_EQ(named.samples.size(), 1u);
    EXPECT_EQ(named.samples[0].type, SampleDataType::none);
    EXPECT_EQ(named.samples[0].deviceHandle, 0u);
    EXPECT_EQ(module->sampleCount(), 2u);
}

TEST(XmLoader, NoteToSampleMapOnlyWhenSeveralSamplesAreUsed)
{
    XmModule song = simpleSong(1, 1);
    song.patterns[0].at(0, 0, 1) = {49, 1};
    song.instruments[0].samples.push_back(song.instruments[0].samples[0]);
    auto module = loadExpecting(loadXM, xmBytes(song));  // map all zeros: one sample record, no map
    EXPECT_FALSE(module->instruments[0].noteToSample);
    EXPECT_EQ(module->instruments[0].samples.size(), 1u);

    song.instruments[0].noteToSample[50] = 1;
    module = loadExpecting(loadXM, xmBytes(song));
    ASSERT_TRUE(module->instruments[0].noteToSample);
    EXPECT_EQ((*module->instruments[0].noteToSample)[50], 1);
    EXPECT_EQ(module->instruments[0].samples.size(), 2u);
    EXPECT_EQ(recorder().samples.size(), 2u);
}

TEST(XmLoader, SampleFieldsLoopsAndDeltaDecoding)
{
    XmModule song = simpleSong(1, 1);
    song.patterns[0].at(0, 0, 1) = {49, 1};
    XmInstrument& in = song.instruments[0];
    in.samples.clear();
    XmSample eight;
    eight.data = {0, 1, -1, 127, -128, 5};
    eight.loopStart = 1, eight.loopLength = 3, eight.loop = XmLoop::pingPong;
    eight.volume = 40, eight.finetune = -16, eight.panning = 200, eight.relativeNote = -12, eight.name = "eight";
    XmSample sixteen;
    sixteen.sixteenBit = true;
    sixteen.data = {1000, -1000, 32767, -32768};
    XmSample typeThree = eight;
    typeThree.loop = static_cast<XmLoop>(3);
    XmSample empty;
    in.samples = {eight, sixteen, typeThree, empty};
    for (size_t n = 0; n < 4; ++n)
        in.noteToSample[n] = static_cast<uint8_t>(n);
    auto module = loadExpecting(loadXM, xmBytes(song));
    const auto& samples = module->instruments[0].samples;
    ASSERT_EQ(samples.size(), 4u);
    EXPECT_EQ(samples[0].name, "eight");
    EXPECT_EQ(samples[0].length, 6u);
    EXPECT_EQ(samples[0].type, SampleDataType::pcm8);
    EXPECT_EQ(samples[0].looping, 1);
    EXPECT_EQ(samples[0].loopType, 2);
    EXPECT_EQ(samples[0].loopStart, 1u);
    EXPECT_EQ(samples[0].loopEnd, 4u);
    EXPECT_EQ(samples[0].volume, 40u);
    EXPECT_EQ(samples[0].finetune, -16);
    EXPECT_EQ(samples[0].panning, 200u);
    EXPECT_EQ(samples[0].relativeNote, -12);
    EXPECT_EQ(samples[1].type, SampleDataType::pcm16);
    EXPECT_EQ(samples[1].length, 8u);
    EXPECT_EQ(samples[1].looping, 0);
    EXPECT_EQ(samples[2].looping, 0);
    EXPECT_EQ(samples[3].type, SampleDataType::none);
    EXPECT_EQ(samples[3].deviceHandle, 0u);

    // 8-bit data reaches the device unsigned, 16-bit signed.
    ASSERT_EQ(recorder().samples.size(), 3u);
    EXPECT_EQ(recorder().samples[0].data, (std::vector<uint8_t>{128, 129, 127, 255, 0, 133}));
    EXPECT_EQ(recorder().samples[0].description.type, SampleType::pcm8Mono);
    EXPECT_EQ(recorder().samples[0].description.loopMode, LoopMode::loop);
    EXPECT_EQ(recorder().samples[0].description.loop1.type, LoopType::pingPong);
    EXPECT_EQ(recorder().samples[0].description.loop1.end, 4u);
    EXPECT_EQ(recorder().samples[1].data, bytesOf16({1000, -1000, 32767, -32768}));
    EXPECT_EQ(recorder().samples[1].description.type, SampleType::pcm16Mono);
    EXPECT_EQ(recorder().samples[1].description.loopMode, LoopMode::none);
    EXPECT_EQ(samples[0].deviceHandle, 1u);
    EXPECT_EQ(samples[1].deviceHandle, 2u);

    // Without the device the decoded data stays in the samples.
    module = loadExpecting(loadXM, xmBytes(song), ErrorCode::ok, false);
    EXPECT_TRUE(recorder().samples.empty());
    EXPECT_EQ(module->instruments[0].samples[0].data, (std::vector<uint8_t>{128, 129, 127, 255, 0, 133}));
    EXPECT_EQ(module->instruments[0].samples[0].deviceHandle, 0u);
}

TEST(XmLoader, EnvelopesAndInstrumentSettings)
{
    XmModule song = simpleSong(1, 1);
    song.patterns[0].at(0, 0, 1) = {49, 1};
    XmInstrument& in = song.instruments[0];
    in.volumeEnvelope = {{{0, 0}, {4, 64}, {8, 32}, {12, 16}}, 1, 2, 3};
    in.panningEnvelope = {{{0, 32}, {4, 0}}, 1, 1, 1};  // loop start = end: no loop
    in.vibrato = {1, 2, 3, 4};
    in.fadeout = 0x1234;
    auto module = loadExpecting(loadXM, xmBytes(song));
    const Instrument& instrument = module->instruments[0];
    ASSERT_TRUE(instrument.volumeEnvelope && instrument.panningEnvelope);
    const Envelope& v = *instrument.volumeEnvelope;
    EXPECT_EQ(v.pointCount, 4);
    EXPECT_EQ(v.sustainPoint, 1);
    EXPECT_EQ(v.loopStart, 2);
    EXPECT_EQ(v.loopEnd, 3);
    EXPECT_EQ(v.sustainLoopStart, noPoint);
    EXPECT_EQ(v.points[2].x, 8);
    EXPECT_EQ(v.points[2].y, 32);
    EXPECT_EQ(instrument.panningEnvelope->sustainPoint, 1);
    EXPECT_EQ(instrument.panningEnvelope->loopStart, noPoint);
    EXPECT_EQ(instrument.vibratoType, 1);
    EXPECT_EQ(instrument.vibratoSweep, 2);
    EXPECT_EQ(instrument.vibratoDepth, 3);
    EXPECT_EQ(instrument.vibratoRate, 4);
    EXPECT_EQ(instrument.fadeout, 0x1234u);

    // Without the type bits: no sustain, no loop, no envelope at all.
    in.volumeEnvelope.sustainPoint = in.volumeEnvelope.loopStart = in.volumeEnvelope.loopEnd = -1;
    std::vector<uint8_t> file = xmBytes(song);
    file.at(oneNoteInstrument + panningEnvelopeType) = 0;  // points, but off
    module = loadExpecting(loadXM, file);
    EXPECT_EQ(module->instruments[0].volumeEnvelope->sustainPoint, noPoint);
    EXPECT_EQ(module->instruments[0].volumeEnvelope->loopEnd, noPoint);
    EXPECT_FALSE(module->instruments[0].panningEnvelope);

    // Sustain and loop indices past the points mean none.
    in.volumeEnvelope = {{{0, 0}, {4, 64}}, 5, 0, 9};
    module = loadExpecting(loadXM, xmBytes(song));
    EXPECT_EQ(module->instruments[0].volumeEnvelope->sustainPoint, noPoint);
    EXPECT_EQ(module->instruments[0].volumeEnvelope->loopEnd, noPoint);
}

TEST(XmLoader, SampleCallbackSeesEachAddedSample)
{
    XmModule song = simpleSong(1, 1);
    song.patterns[0].at(0, 0, 1) = {49, 1};
    static int calls = 0;
    calls = 0;
    resetRecorder();
    std::unique_ptr<Module> module;
    ASSERT_EQ(loadXM(xmBytes(song), true, [](const Sample& s) { calls += s.deviceHandle == 1; }, &recorder().device, module),
              ErrorCode::ok);
    EXPECT_EQ(calls, 1);
}

// ---- Damaged files

TEST(XmLoader, RefusesFilesOutsideWhatItHandles)
{
    const std::vector<uint8_t> good = xmBytes(simpleSong(2, 4));
    std::vector<uint8_t> badId = good;
    badId[9] = 'm';
    loadExpecting(loadXM, badId, ErrorCode::invalidModule);
    struct Patch {
        size_t at;
        uint32_t value;
        bool wide;
        ErrorCode expected;
        const char* what;
    };
    const Patch patches[] = {
        {58, 0x103, false, ErrorCode::invalidModule, "version"},
        {64, 0, false, ErrorCode::invalidModule, "song length 0"},
        {64, 257, false, ErrorCode::invalidModule, "longer than the order table"},
        {68, 33, false, ErrorCode::invalidModule, "more channels than an entry can name"},
        {60, 275, true, ErrorCode::invalidModule, "header size that would seek backwards"},
        {60, 0x10000000, true, ErrorCode::unexpectedEndOfFile, "header size past the end"},
        {78, 0x100, false, ErrorCode::invalidModule, "tempo 256"},
        {firstPatternHeader + 5, 0, false, ErrorCode::invalidModule, "row count 0"},
        {firstPatternHeader + 5, 257, false, ErrorCode::invalidModule, "row count 257"},
        {firstPatternHeader, 8, true, ErrorCode::invalidModule, "pattern header shorter than read"},
        {firstPatternHeader + 7, 3, false, ErrorCode::invalidPatternData, "rows overrun the packed size"},
        {firstPatternHeader + 7, 2 * 1280 + 10, false, ErrorCode::invalidPatternData, "larger than any pattern"},
    };
    for (const Patch& patch : patches) {
        SCOPED_TRACE(patch.what);
        std::vector<uint8_t> f = good;
        patch.wide ? put32(f, patch.at, patch.value) : put16(f, patch.at, patch.value);
        loadExpecting(loadXM, f, patch.expected);
    }
}

TEST(XmLoader, RefusesDamagedInstrumentsAndSamples)
{
    XmModule song = simpleSong(1, 1);
    song.patterns[0].at(0, 0, 1) = {49, 1};
    const std::vector<uint8_t> good = xmBytes(song);
    const size_t instrument = oneNoteInstrument;
    ASSERT_EQ(good[instrument + 4], 'i');                       // the instrument's name
    std::vector<uint8_t> f = good;
    put32(f, instrument, 200);  // instrument header shorter than what is read
    loadExpecting(loadXM, f, ErrorCode::invalidInstrument);
    f = good;
    put32(f, instrument + 29, 20);  // sample header shorter than its fields
    loadExpecting(loadXM, f, ErrorCode::invalidInstrument);
    const size_t sampleHeader = instrument + 263;
    f = good;
    put32(f, sampleHeader, 0x80000000);  // oversized sample
    loadExpecting(loadXM, f, ErrorCode::invalidInstrument);
    f = good;
    put32(f, sampleHeader, 33);  // data beyond the end of the file
    loadExpecting(loadXM, f, ErrorCode::unexpectedEndOfFile);
    f = good;
    f.pop_back();
    loadExpecting(loadXM, f, ErrorCode::unexpectedEndOfFile);
}

// A file may end inside sample data the loader never reads: the second
// sample of an instrument whose map names only the first, or the samples of
// an instrument no pattern uses. A cut into a loaded sample still fails.
TEST(XmLoader, FilesEndingInsideSamplesNeverLoadedStillLoad)
{
    XmModule song = simpleSong(1, 1);
    song.patterns[0].at(0, 0, 1) = {49, 1};
    song.instruments[0].samples.push_back(song.instruments[0].samples[0]);  // beyond the map
    std::vector<uint8_t> f = xmBytes(song);
    f.resize(f.size() - 20);
    auto module = loadExpecting(loadXM, f);
    ASSERT_EQ(module->instruments[0].samples.size(), 1u);
    EXPECT_EQ(recorder().samples.size(), 1u);

    song.instruments.push_back(song.instruments[0]);  // never named by a pattern
    f = xmBytes(song);
    f.resize(f.size() - 40);
    module = loadExpecting(loadXM, f);
    ASSERT_EQ(module->instruments.size(), 2u);
    EXPECT_TRUE(module->instruments[1].samples.empty());

    song.instruments.pop_back();
    song.instruments[0].samples.pop_back();
    f = xmBytes(song);
    f.resize(f.size() - 1);
    loadExpecting(loadXM, f, ErrorCode::unexpectedEndOfFile);
}

// Cuts of the test modules are swept in the hostile-input tests; here random
// bytes over the richest one load or fail, and what loads plays.
TEST(XmLoader, DamagedBytesNeverCrash)
{
    EXPECT_GT(playDamagedCopies(loadXM, testModules()[1].bytes, 1234, 60), 0);
}

TEST(XmLoader, DeviceFailureLeavesNothingBehind)
{
    XmModule song = simpleSong(1, 1);
    song.patterns[0].at(0, 0, 1) = {49, 1};
    SoundDevice failing = recorder().device;
    failing.operations.addSample = [](void*, const SampleDescription&, bool, uint32_t&) {
        return ErrorCode::outOfSampleHandles;
    };
    std::unique_ptr<Module> module;
    EXPECT_EQ(loadXM(xmBytes(song), true, nullptr, &failing, module), ErrorCode::outOfSampleHandles);
    EXPECT_FALSE(module);
    EXPECT_EQ(loadXM(xmBytes(song), true, nullptr, nullptr, module), ErrorCode::invalidDevice);
}

TEST(ByteReader, ReadsPastTheEndGiveZerosAndStayTruncated)
{
    const std::vector<uint8_t> bytes = {0x34, 0x12, 0x78, 0x56, 'a', 'b', 0, 'c'};
    ByteReader reader(bytes);
    EXPECT_EQ(reader.u16le(), 0x1234);
    EXPECT_EQ(reader.u16be(), 0x7856);
    EXPECT_EQ(reader.u32leAt(0), 0x56781234u);
    EXPECT_EQ(reader.textAt(4, 4), "ab");
    EXPECT_FALSE(reader.truncated());
    EXPECT_EQ(reader.u32leAt(6), 0x6300u);  // the two bytes past the end read as zeros
    EXPECT_TRUE(reader.truncated());

    ByteReader sequential(bytes);
    sequential.skip(6);
    EXPECT_EQ(sequential.bytes(4).size(), 2u);
    EXPECT_TRUE(sequential.truncated());
    EXPECT_EQ(sequential.u8(), 0);
    sequential.seek(0);
    EXPECT_EQ(sequential.u8(), 0x34);
    EXPECT_TRUE(sequential.truncated());  // sticky

    ByteReader whole(bytes);
    ByteReader inside = whole.section(2, 4);
    EXPECT_EQ(inside.u32le(), 0x62615678u);
    EXPECT_EQ(inside.u8(), 0);  // past the section, not into the bytes after it
    EXPECT_FALSE(whole.truncated());
    ByteReader cut = whole.section(6, 3);
    EXPECT_TRUE(cut.truncated());
    EXPECT_EQ(cut.size(), 2u);
    EXPECT_TRUE(whole.truncated());
    EXPECT_EQ(ByteReader(bytes).section(UINT64_MAX, 2).size(), 0u);
    EXPECT_EQ(ByteReader(bytes).u16beAt(UINT64_MAX), 0);  // the offset does not wrap round to the start
}

TEST(ModuleFile, SeekReadAndTellStayInsideTheFile)
{
    const std::vector<uint8_t> bytes = {1, 2, 3, 4, 5};
    ModuleFile file;
    uint8_t out[4] = {};
    uint32_t at = 0;
    EXPECT_EQ(file.read(out, 1), ErrorCode::invalidFileHandle);
    ASSERT_EQ(file.openBytes(bytes), ErrorCode::ok);
    EXPECT_EQ(file.seek(-2, 3), ErrorCode::ok);
    EXPECT_EQ(file.read(out, 2), ErrorCode::ok);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(file.tell(at), ErrorCode::ok);
    EXPECT_EQ(at, 5u);
    EXPECT_EQ(file.read(out, 1), ErrorCode::unexpectedEndOfFile);
    EXPECT_EQ(file.seek(-4, 2), ErrorCode::ok);
    EXPECT_EQ(file.tell(at), ErrorCode::ok);
    EXPECT_EQ(at, 1u);
    EXPECT_EQ(file.seek(2, 1), ErrorCode::ok);
    EXPECT_EQ(file.read(out, 3), ErrorCode::ok);
    EXPECT_EQ(out[2], 5);
    EXPECT_EQ(file.seek(0, 4), ErrorCode::invalidArguments);
    EXPECT_EQ(file.seek(0, 0), ErrorCode::invalidArguments);
    EXPECT_EQ(file.seek(6, 1), ErrorCode::unexpectedEndOfFile);
    EXPECT_EQ(file.seek(-1, 1), ErrorCode::unexpectedEndOfFile);
    EXPECT_EQ(file.seek(INT64_MAX, 2), ErrorCode::unexpectedEndOfFile);

    const testsupport::ScratchFolder folder;
    const std::string path = folder.path("module.bin");
    testsupport::writeBytes(path, bytes);
    ASSERT_EQ(file.open(path.c_str()), ErrorCode::ok);
    EXPECT_EQ(file.size(), 5u);
    std::filesystem::remove(path);
    EXPECT_EQ(file.open(path.c_str()), ErrorCode::fileNotFound);
}

}  // namespace
}  // namespace corvid::testing
