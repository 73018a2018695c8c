#include "platform/capture.h"

#include "tests/support/files.h"
#include "tests/support/png_reader.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

TEST(Capture, PngFramesAreNumberedAndReadBackExactly)
{
    const testsupport::ScratchFolder scratch;
    const std::filesystem::path folder = scratch.path("frames");
    auto sink = platform::makePngFolderSink(folder.string());
    const std::vector<std::uint32_t> picture = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00123456, 0x00FFFFFF, 0};
    sink->writeFrame(picture.data(), 3, 2);
    sink->writeFrame(picture.data(), 3, 2);
    ASSERT_TRUE(sink->finish()) << sink->error();
    EXPECT_EQ(sink->framesWritten(), 2);
    int w = 0, h = 0;
    EXPECT_EQ(testsupport::readPng((folder / "frame000001.png").string(), &w, &h), picture);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
}

TEST(Capture, AnUnwritableFolderIsReported)
{
    auto sink = platform::makePngFolderSink("/proc/solvane-cannot-be-here");
    const std::uint32_t pixel = 0;
    sink->writeFrame(&pixel, 1, 1);
    EXPECT_FALSE(sink->finish());
    EXPECT_FALSE(sink->error().empty());
    EXPECT_EQ(sink->framesWritten(), 0);
}

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(Capture, WavHeaderCountsWhatWasWritten)
{
    const testsupport::ScratchFolder scratch;
    const std::string path = scratch.path("sound.wav");
    platform::WavWriter wav;
    ASSERT_TRUE(wav.open(path, 44100, 2));
    const std::int16_t samples[] = {1, -1, 32767, -32768, 0, 256};
    wav.write(samples, 2);
    wav.write(samples + 4, 1);
    ASSERT_TRUE(wav.close());

    const auto b = testsupport::readBytes(path);
    ASSERT_EQ(b.size(), 44u + 12u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(le32(b, 4), 36u + 12u);
    EXPECT_EQ(le32(b, 24), 44100u);
    EXPECT_EQ(le32(b, 28), 44100u * 4);
    EXPECT_EQ(le32(b, 40), 12u);
    EXPECT_EQ(b[44 + 4], 0xFF);  // 32767, little-endian
    EXPECT_EQ(b[44 + 5], 0x7F);
}

// On a stream it does not own: behind what the stream already holds, the
// header filled in when the stream can seek back; on a pipe, which cannot,
// the sizes of a WAV of unknown length. The stream stays open.
TEST(Capture, WavOnAStreamFillsItsHeaderWhereItCanSeek)
{
    const std::int16_t samples[] = {1, -1, 32767, -32768};
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fputs("lead", file);
    platform::WavWriter wav;
    ASSERT_TRUE(wav.open(file, 22050, 2));
    wav.write(samples, 2);
    ASSERT_TRUE(wav.close());
    std::vector<std::uint8_t> b(4 + 44 + 8);
    std::rewind(file);
    ASSERT_EQ(std::fread(b.data(), 1, b.size(), file), b.size());
    EXPECT_EQ(std::string(b.begin(), b.begin() + 8), "leadRIFF");
    EXPECT_EQ(le32(b, 4 + 40), 8u);
    std::fclose(file);

    const testsupport::ScratchFolder scratch;
    const std::string path = scratch.path("piped.wav");
    std::FILE* pipe = popen(("cat > '" + path + "'").c_str(), "w");
    ASSERT_NE(pipe, nullptr);
    ASSERT_TRUE(wav.open(pipe, 44100, 2));
    wav.write(samples, 2);
    EXPECT_TRUE(wav.close());
    EXPECT_EQ(pclose(pipe), 0);
    const auto piped = testsupport::readBytes(path);
    ASSERT_EQ(piped.size(), 44u + 8u);
    EXPECT_EQ(le32(piped, 4), 0xFFFFFFFFu);
    EXPECT_EQ(le32(piped, 40), 0xFFFFFFFFu - 36);
}

TEST(Capture, VideoWithSoundIsJoinedByFfmpeg)
{
    if (!platform::ffmpegAvailable())
        GTEST_SKIP() << "ffmpeg is not installed";
    const testsupport::ScratchFolder scratch;
    const std::string video = scratch.path("show.mp4"), sound = scratch.path("show.wav");

    platform::WavWriter wav;
    ASSERT_TRUE(wav.open(sound, 44100, 2));
    std::vector<std::int16_t> tone(2 * 44100 / 3);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<std::int16_t>((i / 2) % 100 < 50 ? 8000 : -8000);
    wav.write(tone.data(), tone.size() / 2);
    ASSERT_TRUE(wav.close());

    auto sink = platform::makeFfmpegSink(video, 1000, 33, sound);
    std::vector<std::uint32_t> picture(64 * 40, 0x00204080);
    for (int i = 0; i < 10; ++i)
        sink->writeFrame(picture.data(), 64, 40);
    ASSERT_TRUE(sink->finish()) << sink->error();
    EXPECT_EQ(sink->framesWritten(), 10);
    const std::string probe = "ffprobe -v error -show_entries stream=codec_type -of csv=p=0 '" + video + "'";
    std::FILE* p = popen(probe.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char text[128] = {};
    const std::size_t n = std::fread(text, 1, sizeof text - 1, p);
    pclose(p);
    const std::string streams(text, n);
    EXPECT_NE(streams.find("video"), std::string::npos) << streams;
    EXPECT_NE(streams.find("audio"), std::string::npos) << streams;
    EXPECT_FALSE(std::filesystem::exists(video + ".pictures.mkv")) << "the scratch file is removed";
    EXPECT_FALSE(std::filesystem::exists(sound)) << "the video holds the sound";
}

TEST(Capture, TheSoundIsKeptWhenAskedOrWhenJoiningFails)
{
    if (!platform::ffmpegAvailable())
        GTEST_SKIP() << "ffmpeg is not installed";
    const testsupport::ScratchFolder scratch;
    const std::string sound = scratch.path("show.wav");
    platform::WavWriter wav;
    ASSERT_TRUE(wav.open(sound, 44100, 2));
    const std::vector<std::int16_t> silence(2 * 4410);
    wav.write(silence.data(), silence.size() / 2);
    ASSERT_TRUE(wav.close());
    const std::vector<std::uint32_t> picture(64 * 40, 0x00204080);

    auto kept = platform::makeFfmpegSink(scratch.path("kept.mp4"), 1000, 33, sound, true);
    kept->writeFrame(picture.data(), 64, 40);
    ASSERT_TRUE(kept->finish()) << kept->error();
    EXPECT_TRUE(std::filesystem::exists(sound));

    // ffmpeg cannot read a truncated WAV header: the sound stays and the error says where.
    testsupport::writeBytes(scratch.path("broken.wav"), std::vector<std::uint8_t>{'R', 'I', 'F', 'F'});
    auto failed = platform::makeFfmpegSink(scratch.path("failed.mp4"), 1000, 33, scratch.path("broken.wav"));
    failed->writeFrame(picture.data(), 64, 40);
    EXPECT_FALSE(failed->finish());
    EXPECT_NE(failed->error().find("the sound is kept in"), std::string::npos) << failed->error();
    EXPECT_TRUE(std::filesystem::exists(scratch.path("broken.wav")));
}

TEST(Capture, EnlargedPicturesRepeatEveryPixelAsASquareBlock)
{
    const std::vector<std::uint32_t> picture = {1, 2, 3, 4, 5, 6};  // 3 × 2
    std::vector<std::uint32_t> enlarged;
    platform::enlargePicture(picture.data(), 3, 2, 2, enlarged);
    const std::vector<std::uint32_t> expected = {1, 1, 2, 2, 3, 3, 1, 1, 2, 2, 3, 3,
                                                 4, 4, 5, 5, 6, 6, 4, 4, 5, 5, 6, 6};
    EXPECT_EQ(enlarged, expected);
    platform::enlargePicture(picture.data(), 3, 2, 1, enlarged);
    EXPECT_EQ(enlarged, picture);
}

TEST(Capture, ThePoolWritesEveryFrameInOrder)
{
    const testsupport::ScratchFolder scratch;
    const std::filesystem::path folder = scratch.path("frames");
    auto sink = platform::makePngFolderSink(folder.string(), 3);
    std::vector<std::uint32_t> picture(16 * 8);
    for (std::uint32_t i = 0; i < 40; ++i) {
        picture.assign(picture.size(), i * 0x010203u);
        sink->writeFrame(picture.data(), 16, 8);
    }
    ASSERT_TRUE(sink->finish()) << sink->error();
    EXPECT_EQ(sink->framesWritten(), 40);
    for (std::uint32_t i = 0; i < 40; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "frame%06u.png", i);
        const auto pixels = testsupport::readPng((folder / name).string());
        ASSERT_EQ(pixels.size(), 16u * 8u) << name;
        EXPECT_EQ(pixels[0], i * 0x010203u) << name;
    }
}

}  // namespace
