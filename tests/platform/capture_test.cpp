#include "platform/capture.h"

#include <png.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

std::vector<std::uint32_t> readPng(const std::string& path, int& width, int& height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return {};
    image.format = PNG_FORMAT_BGRA;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(image.width) * image.height);
    png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    for (auto& p : pixels)
        p &= 0x00FFFFFF;
    return pixels;
}

TEST(Capture, PngFramesAreNumberedAndReadBackExactly)
{
    const auto folder = std::filesystem::temp_directory_path() / ("solvane-capture-test-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    auto sink = platform::makePngFolderSink(folder.string());
    const std::vector<std::uint32_t> picture = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00123456, 0x00FFFFFF, 0};
    sink->writeFrame(picture.data(), 3, 2);
    sink->writeFrame(picture.data(), 3, 2);
    ASSERT_TRUE(sink->finish()) << sink->error();
    EXPECT_EQ(sink->framesWritten(), 2);
    int w = 0, h = 0;
    EXPECT_EQ(readPng((folder / "frame000001.png").string(), w, h), picture);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    std::filesystem::remove_all(folder);
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

}  // namespace
