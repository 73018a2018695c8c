// solvane.exe carries its picture and icon as the resources DEMOBITMAP and
// DEMOICON, with the same pixels as the pictures built into the program; the
// show finds its data beside the program whatever the current folder.
#include "host/data_files.h"
#include "host/resources.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <vector>

namespace {

// A bitmap's pixels as 0x00RRGGBB, rows top to bottom.
std::vector<std::uint32_t> pixelsOf(HBITMAP bitmap, int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    const HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != height)
        return {};
    for (auto& p : pixels)
        p &= 0x00FFFFFF;
    return pixels;
}

std::vector<std::uint32_t> pixelsOf(const host::ResourceImage& image)
{
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(image.width) * image.height);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = std::uint32_t{image.rgb[3 * i]} << 16 | std::uint32_t{image.rgb[3 * i + 1]} << 8 | image.rgb[3 * i + 2];
    return pixels;
}

class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override
    {
        program_ = LoadLibraryExA("solvane.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(program_, nullptr) << "solvane.exe is not beside the test";
    }
    void TearDown() override
    {
        if (program_ != nullptr)
            FreeLibrary(program_);
    }
    HMODULE program_ = nullptr;
};

TEST_F(ProgramResources, DemoBitmapHasThePictureOfTheSetupWindow)
{
    const auto bitmap = static_cast<HBITMAP>(LoadImageA(program_, "DEMOBITMAP", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr);
    BITMAP shape{};
    GetObjectA(bitmap, sizeof shape, &shape);
    EXPECT_EQ(shape.bmWidth, host::demoBitmap.width);
    EXPECT_EQ(shape.bmHeight, host::demoBitmap.height);
    EXPECT_EQ(pixelsOf(bitmap, host::demoBitmap.width, host::demoBitmap.height), pixelsOf(host::demoBitmap));
    DeleteObject(bitmap);
}

TEST_F(ProgramResources, DemoIconHasTheIconOfTheSetupWindowOpaque)
{
    const int size = host::demoIcon.width;
    const auto icon = static_cast<HICON>(LoadImageA(program_, "DEMOICON", IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr);
    ICONINFO parts{};
    ASSERT_TRUE(GetIconInfo(icon, &parts));
    EXPECT_EQ(pixelsOf(parts.hbmColor, size, size), pixelsOf(host::demoIcon));
    // The mask is all clear: no pixel of the icon lets the desktop through.
    const std::vector<std::uint32_t> mask = pixelsOf(parts.hbmMask, size, size);
    ASSERT_EQ(mask.size(), static_cast<std::size_t>(size) * size);
    for (const std::uint32_t m : mask)
        ASSERT_EQ(m, 0u);
    DeleteObject(parts.hbmColor);
    DeleteObject(parts.hbmMask);
    DestroyIcon(icon);
}

TEST(ProgramData, FoundBesideTheProgramFromAnotherFolder)
{
    const auto before = std::filesystem::current_path();
    const auto elsewhere = std::filesystem::temp_directory_path();
    std::filesystem::current_path(elsewhere);
    const std::string found = host::locateDataFile("qorv.xm");
    std::filesystem::current_path(before);
    ASSERT_FALSE(std::filesystem::exists(elsewhere / "qorv.xm")) << "the other folder must not hold the file";
    EXPECT_TRUE(std::filesystem::exists(found)) << found;
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::path(found).parent_path(), before)) << found;
}

}  // namespace
