// The song objects of corvid_song.h: the duration is the render's length to
// the frame, a seek gives the very samples of a render from the start, the
// metadata reads back what a module was built with, songs on two threads do
// not meet, and bad arguments are refused.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

#include "corpus_support.h"
#include "mod_writer.h"
#include "s3m_writer.h"
#include "sound/include/corvid.h"
#include "sound/include/corvid_song.h"
#include "tests/support/xm_module.h"

namespace corvid::testing {
using namespace testsupport;

namespace {

struct SongCloser {
    void operator()(corvid_song* song) const { corvid_song_close(song); }
};
using SongPointer = std::unique_ptr<corvid_song, SongCloser>;

SongPointer openBytes(const std::vector<uint8_t>& bytes, corvid_song_config config = {})
{
    int error = -1;
    SongPointer song(corvid_song_open(bytes.data(), bytes.size(), &config, &error));
    EXPECT_EQ(error, 0);
    return song;
}

// Every frame up to the end (or the first `most`), rendered in blocks of `block` frames.
std::vector<int16_t> renderAll(corvid_song* song, size_t block = 4096, size_t most = SIZE_MAX)
{
    std::vector<int16_t> out;
    std::vector<int16_t> buffer(2 * block);
    while (out.size() / 2 < most)
        if (const size_t frames = corvid_song_render_int16(song, buffer.data(), std::min(block, most - out.size() / 2)))
            out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(2 * frames));
        else
            break;
    return out;
}

std::vector<CorpusModule> everyCorpusModule()
{
    return corpusModules([](const std::vector<uint8_t>&) { return true; });
}

// Two rows on two channels, a pattern delay, a tempo change and a jump back
// to order 1: the pass is orders 0, 1, 2 and ends where order 1 would start again.
XmModule busySong()
{
    XmModule song = simpleSong(2, 8);
    song.name = "busy song";
    song.instruments[0].name = "square lead";
    song.instruments[0].samples[0].name = "square 32";
    song.patterns.push_back(song.patterns[0]);
    song.orders = {0, 1, 0};
    song.patterns[0].at(0, 0, 2) = {49, 1};
    song.patterns[0].at(2, 1, 2) = {61, 1, 0, 0x0F, 140};
    song.patterns[0].at(4, 0, 2) = {0, 0, 0, 0x0E, 0xE2};
    song.patterns[1].at(0, 1, 2) = {37, 1, 0x30};
    song.patterns[1].at(7, 0, 2) = {0, 0, 0, 0x0B, 0};
    return song;
}

TEST(SongApi, DurationIsTheRenderedLengthForEveryCorpusModule)
{
    const std::vector<CorpusModule> modules = everyCorpusModule();
    if (modules.empty())
        GTEST_SKIP() << "no corpus";
    for (const CorpusModule& module : modules) {
        SCOPED_TRACE(module.name);
        int error = -1;
        SongPointer song(corvid_song_open_file(module.path.string().c_str(), nullptr, &error));
        ASSERT_TRUE(song) << "error " << error;
        const size_t rendered = renderAll(song.get(), 3000).size() / 2;
        EXPECT_EQ(corvid_song_duration_frames(song.get()), rendered);
        EXPECT_DOUBLE_EQ(corvid_song_duration(song.get()), rendered / 44100.0);
        int16_t frame[2];
        EXPECT_EQ(corvid_song_render_int16(song.get(), frame, 1), 0u) << "an ended song stays ended";
    }
}

// Integer mixing at 22050 Hz keeps the many renders of this test short.
TEST(SongApi, SeeksGiveTheSamplesOfARenderFromTheStart)
{
    const std::vector<CorpusModule> modules = everyCorpusModule();
    if (modules.empty())
        GTEST_SKIP() << "no corpus";
    const corvid_song_config config{22050, CORVID_MIXING_INTEGER, 0, 0, 0};
    constexpr size_t compared = 22050 / 2;
    for (const CorpusModule& module : modules) {
        SCOPED_TRACE(module.name);
        SongPointer song = openBytes(readBytes(module.path), config);
        ASSERT_TRUE(song);
        const std::vector<int16_t> whole = renderAll(song.get(), 1000);
        const double duration = corvid_song_duration(song.get());
        // Backwards, forwards, to the start and right to the end.
        for (double part : {0.6, 0.25, 0.8, 0.0, 1.0}) {
            SCOPED_TRACE(part);
            ASSERT_EQ(corvid_song_seek_seconds(song.get(), duration * part), 1);
            corvid_position at{};
            corvid_song_position(song.get(), &at);
            const auto first = static_cast<size_t>(std::llround(at.seconds * 22050));
            EXPECT_EQ(first, static_cast<size_t>(std::llround(duration * part * 22050)));
            std::vector<int16_t> next(2 * compared);
            next.resize(2 * corvid_song_render_int16(song.get(), next.data(), compared));
            const size_t expected = std::min(compared, whole.size() / 2 - first);
            ASSERT_EQ(next.size(), 2 * expected);
            EXPECT_TRUE(std::equal(next.begin(), next.end(), whole.begin() + static_cast<ptrdiff_t>(2 * first)));
        }
        const int order = corvid_song_orders(song.get()) / 2;
        if (corvid_song_seek_order_row(song.get(), order, 0) == 1) {
            corvid_position at{};
            corvid_song_position(song.get(), &at);
            EXPECT_EQ(at.order, order);
            EXPECT_EQ(at.row, 0);
            const auto first = static_cast<size_t>(std::llround(at.seconds * 22050));
            std::vector<int16_t> next(2 * 2000);
            next.resize(2 * corvid_song_render_int16(song.get(), next.data(), 2000));
            EXPECT_TRUE(std::equal(next.begin(), next.end(), whole.begin() + static_cast<ptrdiff_t>(2 * first)));
        }
    }
}

// Seeks restore the nearest snapshot and go on silently: checked where that
// could show, in every mixing family, with a channel muted (its sound and
// its fade-outs must stay silent as if muted from the start), at frames
// right around the snapshots and the output filter's two-frame history.
TEST(SongApi, SeeksLandOnTheFullRenderInEveryFamilyWithAMutedChannel)
{
    std::vector<std::vector<uint8_t>> files = {xmBytes(busySong())};
    for (const CorpusModule& module : everyCorpusModule())
        if (files.size() < 3)
            files.push_back(readBytes(module.path));
    constexpr size_t compared = 300;
    for (const auto& file : files)
        for (int mixing : {CORVID_MIXING_INTEGER, CORVID_MIXING_FLOAT, CORVID_MIXING_LINEAR, CORVID_MIXING_SINC})
            for (int muted : {-1, 0}) {
                SCOPED_TRACE(::testing::Message() << "file " << &file - files.data() << " mixing " << mixing << " muted " << muted);
                const corvid_song_config config{44100, mixing, 0, 0, 0};
                SongPointer song = openBytes(file, config);
                ASSERT_TRUE(song);
                if (muted >= 0)
                    corvid_song_mute(song.get(), muted, 1);
                const std::vector<int16_t> whole = renderAll(song.get(), 1111);
                const uint64_t length = whole.size() / 2;
                // The first snapshot after the start lies at the first tick
                // from 2 s (88200 frames) on: targets every 97 frames around
                // it, downwards so that each seek restores a snapshot, and a
                // few more.
                std::vector<uint64_t> targets;
                for (uint64_t frame = 97000; frame > 85000; frame -= 97)
                    targets.push_back(frame);
                for (uint64_t frame : {uint64_t{1}, uint64_t{3}, length / 3, uint64_t{2}, length - 100, uint64_t{0}})
                    targets.push_back(frame);
                for (uint64_t frame : targets) {
                    if (frame >= length)
                        continue;
                    SCOPED_TRACE(frame);
                    ASSERT_EQ(corvid_song_seek_seconds(song.get(), static_cast<double>(frame) / 44100), 1);
                    std::vector<int16_t> next(2 * compared);
                    next.resize(2 * corvid_song_render_int16(song.get(), next.data(), compared));
                    ASSERT_EQ(next.size(), 2 * std::min<uint64_t>(compared, length - frame));
                    EXPECT_TRUE(std::equal(next.begin(), next.end(), whole.begin() + static_cast<ptrdiff_t>(2 * frame)));
                }
            }
}

TEST(SongApi, APassFollowsJumpsDelaysAndTempoAndRepeatsAsAsked)
{
    const std::vector<uint8_t> bytes = xmBytes(busySong());
    SongPointer once = openBytes(bytes);
    // Speed 6; the first row is read on the 6th tick. Order 0 reads rows on
    // ticks 6, 12, 18 (F8C: 140 bpm), 24, 30 (EE2: the row plays three
    // times), 48, 54, 60; order 1 on 66 + 6 r, its row 7 (B00) on 108. The
    // row the jump leads to would start on tick 114: the pass is 114 ticks,
    // 19 of 882 frames at 125 bpm (the count for tick 19 is loaded before
    // tick 18 changes the tempo) and 95 of 788 at 140 bpm.
    const uint64_t duration = corvid_song_duration_frames(once.get());
    EXPECT_EQ(duration, 19u * 882 + 95u * 788);
    EXPECT_EQ(renderAll(once.get()).size() / 2, duration);

    corvid_song_config twice{};
    twice.repeat = 1;
    SongPointer repeated = openBytes(bytes, twice);
    const uint64_t longer = renderAll(repeated.get()).size() / 2;
    EXPECT_GT(longer, duration) << "a second pass plays after the first";
    EXPECT_EQ(corvid_song_duration_frames(repeated.get()), duration) << "the duration is one pass";

    corvid_song_config forever{};
    forever.repeat = -1;
    SongPointer endless = openBytes(bytes, forever);
    std::vector<int16_t> buffer(2 * 4096);
    uint64_t total = 0;
    for (int i = 0; i < 40; ++i)
        total += corvid_song_render_int16(endless.get(), buffer.data(), 4096);
    EXPECT_EQ(total, 40u * 4096) << "a song repeated forever never ends";

    EXPECT_EQ(corvid_song_seek_order_row(once.get(), 1, 7), 1);
    corvid_position at{};
    corvid_song_position(once.get(), &at);
    EXPECT_EQ(at.order, 1);
    EXPECT_EQ(at.pattern, 1);
    EXPECT_EQ(at.row, 7);
    EXPECT_DOUBLE_EQ(at.seconds, (19 * 882 + 89 * 788) / 44100.0);
    EXPECT_EQ(corvid_song_seek_order_row(once.get(), 2, 0), 0) << "the jump back means order 2 never plays";
}

TEST(SongApi, MetadataReadsBackWhatTheModuleHolds)
{
    SongPointer song = openBytes(xmBytes(busySong()));
    EXPECT_STREQ(corvid_song_title(song.get()), "busy song");
    EXPECT_STREQ(corvid_song_format(song.get()), "XM");
    EXPECT_STREQ(corvid_song_tracker(song.get()), "corvid tests");
    EXPECT_STREQ(corvid_song_message(song.get()), "");
    EXPECT_EQ(corvid_song_channels(song.get()), 2);
    EXPECT_EQ(corvid_song_orders(song.get()), 3);
    EXPECT_EQ(corvid_song_patterns(song.get()), 2);
    EXPECT_EQ(corvid_song_instruments(song.get()), 1);
    EXPECT_EQ(corvid_song_samples(song.get()), 1);
    EXPECT_STREQ(corvid_song_instrument_name(song.get(), 0), "square lead");
    EXPECT_STREQ(corvid_song_sample_name(song.get(), 0), "square 32");
    EXPECT_EQ(corvid_song_instrument_name(song.get(), 1), nullptr);
    EXPECT_EQ(corvid_song_sample_name(song.get(), -1), nullptr);
}

// MOD and S3M: what the writers put in reads back, and the channels pan at the
// library's own separation whatever the Music interface's option says.
TEST(SongApi, ModAndS3mMetadataAndPanningOwnNothingOfTheMusicInterface)
{
    ModSong mod = modWithOneSample(2000);
    mod.name = "mod title";
    mod.samples[0].name = "ramp";
    mod.samples[0].loopLengthWords = 1000;
    mod.cell(0, 0, 0) = {428, 1};
    const std::vector<uint8_t> modBytes = writeMod(mod);
    S3mSong s3m = s3mWithOneSample({{0, {0, {0x40, 1}}}});
    s3m.name = "s3m title";
    s3m.samples[0].name = "bytes";
    s3m.samples[0].loop = true;
    s3m.samples[0].loopEnd = 32;
    s3m.orders = {0, 0};
    const std::vector<uint8_t> s3mBytes = writeS3m(s3m);

    SongPointer song = openBytes(modBytes);
    EXPECT_STREQ(corvid_song_title(song.get()), "mod title");
    EXPECT_STREQ(corvid_song_format(song.get()), "MOD");
    EXPECT_EQ(corvid_song_channels(song.get()), 4);
    EXPECT_EQ(corvid_song_orders(song.get()), 1);
    EXPECT_EQ(corvid_song_patterns(song.get()), 1);
    EXPECT_STREQ(corvid_song_sample_name(song.get(), 0), "ramp");
    corvid_channel_state left{}, right{};
    ASSERT_EQ(corvid_song_channel_state(song.get(), 0, &left), 1);
    ASSERT_EQ(corvid_song_channel_state(song.get(), 1, &right), 1);
    EXPECT_EQ(left.panning, 0) << "MOD channels pan hard to a side, on the 0..255 scale of every format";
    EXPECT_EQ(right.panning, 255);
    song = openBytes(s3mBytes);
    EXPECT_STREQ(corvid_song_title(song.get()), "s3m title");
    EXPECT_STREQ(corvid_song_format(song.get()), "S3M");
    EXPECT_STREQ(corvid_song_tracker(song.get()), "Scream Tracker 3.20");
    EXPECT_EQ(corvid_song_orders(song.get()), 2);
    EXPECT_STREQ(corvid_song_sample_name(song.get(), 0), "bytes");

    for (const std::vector<uint8_t>* bytes : {&modBytes, &s3mBytes}) {
        const std::vector<int16_t> plain = renderAll(openBytes(*bytes).get());
        bool leans = false;
        for (size_t i = 0; i < plain.size(); i += 2)
            leans = leans || plain[i] != plain[i + 1];
        EXPECT_TRUE(leans) << "channel 0 leans to one side";
        MusicSetOption(MUSIC_OPTION_STEREO_SEPARATION, 0);
        const std::vector<int16_t> withOption = renderAll(openBytes(*bytes).get());
        MusicSetOption(MUSIC_OPTION_STEREO_SEPARATION, 64);
        EXPECT_EQ(withOption, plain) << "the Music interface's options are not the song's";
    }
}

// Muting, mono separation and the mixing families are checked through
// corvid-play, which sets them on the song; solo and float rendering only here.
TEST(SongApi, ChannelStateSoloAndFloatRendering)
{
    const std::vector<uint8_t> bytes = xmBytes(busySong());
    SongPointer song = openBytes(bytes);
    ASSERT_EQ(corvid_song_seek_order_row(song.get(), 0, 3), 1);
    corvid_channel_state first{}, second{};
    ASSERT_EQ(corvid_song_channel_state(song.get(), 0, &first), 1);
    ASSERT_EQ(corvid_song_channel_state(song.get(), 1, &second), 1);
    EXPECT_EQ(first.note, 48) << "XM note 49 is C-4";
    EXPECT_EQ(first.instrument, 1);
    EXPECT_EQ(first.active, 1);
    EXPECT_GT(first.frequency, 0);
    EXPECT_EQ(second.note, 60);
    EXPECT_EQ(second.volume, 64);

    const std::vector<int16_t> plain = renderAll(openBytes(bytes).get());
    SongPointer soloed = openBytes(bytes);
    corvid_song_solo(soloed.get(), 1);
    const std::vector<int16_t> solo = renderAll(soloed.get());
    EXPECT_NE(solo, plain);
    EXPECT_TRUE(std::any_of(solo.begin(), solo.end(), [](int16_t v) { return v != 0; }));

    SongPointer floating = openBytes(bytes);
    std::vector<float> values(plain.size());
    EXPECT_EQ(corvid_song_render_float(floating.get(), values.data(), values.size()), plain.size() / 2);
    for (size_t i = 0; i < plain.size(); ++i)
        ASSERT_EQ(values[i], plain[i] / 32768.0f);
}

// Also run under ThreadSanitizer (scripts/tsan.sh), hence the first seconds
// only: the songs share nothing, not even the tables the families build once.
TEST(SongApi, TwoSongsOnTwoThreadsGiveTheSamplesOfOneAfterTheOther)
{
    std::vector<std::vector<uint8_t>> files = {xmBytes(busySong()), xmBytes(busySong())};
    for (const CorpusModule& module : everyCorpusModule())
        if (files.size() < 4)
            files.push_back(readBytes(module.path));
    const auto configOf = [](size_t i) {
        corvid_song_config config{};
        config.mixing = i % 2 == 0 ? CORVID_MIXING_SINC : CORVID_MIXING_INTEGER;
        return config;
    };
    constexpr size_t most = 3 * 44100;
    std::vector<std::vector<int16_t>> alone;
    for (size_t i = 0; i < files.size(); ++i)
        alone.push_back(renderAll(openBytes(files[i], configOf(i)).get(), 4096, most));
    std::vector<std::vector<int16_t>> together(files.size());
    std::vector<std::thread> threads;
    for (size_t i = 0; i < files.size(); ++i)
        threads.emplace_back([&, i] { together[i] = renderAll(openBytes(files[i], configOf(i)).get(), 777, most); });
    for (std::thread& thread : threads)
        thread.join();
    for (size_t i = 0; i < files.size(); ++i)
        EXPECT_TRUE(together[i] == alone[i]) << "song " << i;
}

TEST(SongApi, BadArgumentsAreRefusedNeverACrash)
{
    int error = 0;
    const std::vector<uint8_t> bytes = xmBytes(busySong());
    EXPECT_EQ(corvid_song_open(nullptr, 10, nullptr, &error), nullptr);
    EXPECT_EQ(error, 22);
    EXPECT_EQ(corvid_song_open(bytes.data(), 0, nullptr, &error), nullptr);
    EXPECT_NE(error, 0);
    const std::vector<uint8_t> garbage(3000, 0x5A);
    EXPECT_EQ(corvid_song_open(garbage.data(), garbage.size(), nullptr, &error), nullptr);
    EXPECT_NE(error, 0);
    EXPECT_EQ(corvid_song_open_file("/no/such/module.xm", nullptr, &error), nullptr);
    EXPECT_EQ(error, 13);
    EXPECT_EQ(corvid_song_open_file(nullptr, nullptr, nullptr), nullptr);
    for (corvid_song_config config : {corvid_song_config{1000, 0, 0, 0, 0}, corvid_song_config{0, 9, 0, 0, 0},
                                      corvid_song_config{0, 0, 300, 0, 0}, corvid_song_config{0, 0, -2, 0, 0},
                                      corvid_song_config{0, 0, 0, -5, 0}, corvid_song_config{0, 0, 0, 0, -2}}) {
        EXPECT_EQ(corvid_song_open(bytes.data(), bytes.size(), &config, &error), nullptr);
        EXPECT_EQ(error, 22);
    }

    int16_t frames[4] = {};
    float values[4] = {};
    corvid_position position{};
    corvid_channel_state state{};
    EXPECT_EQ(corvid_song_render_int16(nullptr, frames, 2), 0u);
    EXPECT_EQ(corvid_song_render_float(nullptr, values, 2), 0u);
    EXPECT_EQ(corvid_song_duration(nullptr), -1);
    EXPECT_EQ(corvid_song_seek_seconds(nullptr, 1), 0);
    EXPECT_EQ(corvid_song_seek_order_row(nullptr, 0, 0), 0);
    EXPECT_EQ(corvid_song_position(nullptr, &position), 0);
    EXPECT_EQ(corvid_song_duration_frames(nullptr), 0u);
    for (const auto text : {corvid_song_title, corvid_song_format, corvid_song_tracker, corvid_song_message})
        EXPECT_EQ(text(nullptr), nullptr);
    for (const auto count : {corvid_song_channels, corvid_song_orders, corvid_song_patterns, corvid_song_instruments,
                             corvid_song_samples})
        EXPECT_EQ(count(nullptr), 0);
    EXPECT_EQ(corvid_song_instrument_name(nullptr, 0), nullptr);
    EXPECT_EQ(corvid_song_sample_name(nullptr, 0), nullptr);
    EXPECT_EQ(corvid_song_channel_state(nullptr, 0, &state), 0);
    EXPECT_EQ(corvid_song_mute(nullptr, 0, 1), 0);
    EXPECT_EQ(corvid_song_solo(nullptr, 0), 0);
    corvid_song_close(nullptr);

    SongPointer song = openBytes(bytes);
    EXPECT_EQ(corvid_song_render_int16(song.get(), nullptr, 2), 0u);
    EXPECT_EQ(corvid_song_render_float(song.get(), nullptr, 2), 0u);
    EXPECT_EQ(corvid_song_seek_order_row(song.get(), -1, 0), 0);
    EXPECT_EQ(corvid_song_mute(song.get(), -1, 1), 0);
    EXPECT_EQ(corvid_song_solo(song.get(), -2), 0);
    EXPECT_EQ(corvid_song_seek_seconds(song.get(), -1), 0);
    EXPECT_EQ(corvid_song_seek_seconds(song.get(), std::nan("")), 0);
    EXPECT_EQ(corvid_song_seek_order_row(song.get(), 3, 0), 0);
    EXPECT_EQ(corvid_song_seek_order_row(song.get(), 0, 64), 0);
    EXPECT_EQ(corvid_song_position(song.get(), nullptr), 0);
    EXPECT_EQ(corvid_song_channel_state(song.get(), 2, &state), 0);
    EXPECT_EQ(corvid_song_channel_state(song.get(), 0, nullptr), 0);
    EXPECT_EQ(corvid_song_mute(song.get(), 2, 1), 0);
    EXPECT_EQ(corvid_song_solo(song.get(), 2), 0);
    EXPECT_EQ(corvid_song_seek_seconds(song.get(), 1e300), 1) << "past the end: the song stands ended";
    EXPECT_EQ(corvid_song_render_int16(song.get(), frames, 2), 0u);
}

}  // namespace
}  // namespace corvid::testing
