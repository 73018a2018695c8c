// The presenter against the screen as a viewer sees it: each test works out,
// screen pixel by screen pixel, which frame pixel (if any) belongs there, and
// compares with what the presenter wrote.

#include "display/presenter.h"
#include "display/screen_modes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using display::frameHeight;
using display::framePixels;
using display::frameWidth;
using display::Pixel;

constexpr std::uint8_t untouched = 0xA5;  // what the surface held before presenting
constexpr int padding = 52;               // the surface's pitch is wider than its rows

struct Screen {
    int width, height, bits, pitch;
    std::vector<std::uint8_t> bytes;

    int bytesPerPixel() const { return (bits - 1) / 8 + 1; }
    std::uint32_t at(int x, int y) const
    {
        std::uint32_t v = 0;
        std::memcpy(&v, bytes.data() + static_cast<std::size_t>(y) * pitch + static_cast<std::size_t>(x) * bytesPerPixel(),
                    bytesPerPixel());
        return v;
    }
};

std::vector<Pixel> testFrame()
{
    std::vector<Pixel> frame(framePixels);
    std::uint32_t seed = 12345;
    for (auto& p : frame) {
        seed = seed * 1103515245u + 12345u;
        p = seed >> 8;  // all 24 colour bits vary, the top byte is 0
    }
    return frame;
}

// Presents a frame the way the display does after opening in a mode.
Screen present(int mode, bool interlace, bool is555, const std::vector<Pixel>& frame)
{
    Screen s{};
    display::decodeScreenMode(mode, s.width, s.height, s.bits);
    s.pitch = s.width * s.bytesPerPixel() + padding;
    s.bytes.assign(static_cast<std::size_t>(s.pitch) * s.height, untouched);

    display::PresenterSetup setup;
    setup.screenIs555 = is555;
    display::computeLayout(s.width, s.height, s.bits, s.pitch, interlace, setup);
    display::choosePresenter(mode, setup);
    std::vector<std::uint32_t> conversion(framePixels);
    const std::uint32_t* src = display::prepareSource(setup, frame.data(), conversion.data());
    display::writeToScreen(setup, src, s.bytes.data());
    return s;
}

std::uint32_t expectedScreenPixel(Pixel p, int bits, bool is555)
{
    if (bits == 16)
        return is555 ? display::repack565To555(display::to565(p)) : display::to565(p);
    return bits == 24 ? (p & 0xFFFFFF) : p;
}

// Checks every screen pixel, and that the padding beyond each row is untouched.
void expectPicture(const Screen& s, const std::vector<Pixel>& frame, bool doubled, bool interlace, bool is555)
{
    const int scale = doubled ? 2 : 1;
    const int left = (s.width - frameWidth * scale) / 2;
    const int top = (s.height - frameHeight * scale) / 2;
    const std::uint32_t blank = s.bits == 16 ? 0xA5A5u : s.bits == 24 ? 0xA5A5A5u : 0xA5A5A5A5u;
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
            const int fx = x - left, fy = y - top;
            const bool covered = fx >= 0 && fy >= 0 && fx < frameWidth * scale && fy < frameHeight * scale &&
                                 !(interlace && fy % 2 == 1);
            const std::uint32_t want =
                covered ? expectedScreenPixel(frame[(fy / scale) * frameWidth + fx / scale], s.bits, is555) : blank;
            ASSERT_EQ(s.at(x, y), want) << "screen pixel " << x << "," << y;
        }
        for (int b = s.width * s.bytesPerPixel(); b < s.pitch; ++b)
            ASSERT_EQ(s.bytes[static_cast<std::size_t>(y) * s.pitch + b], untouched) << "row padding of line " << y;
    }
}

struct PathCase {
    int mode;
    bool doubled;
};

class EveryPresenterPath : public ::testing::TestWithParam<PathCase> {};

TEST_P(EveryPresenterPath, CopiesEachFramePixelToItsScreenPlace)
{
    const auto frame = testFrame();
    const auto [mode, doubled] = GetParam();
    int w = 0, h = 0, bits = 0;
    display::decodeScreenMode(mode, w, h, bits);
    for (bool is555 : {false, true}) {
        if (is555 && bits != 16)
            continue;
        for (bool interlace : {false, true}) {
            if (interlace && !doubled)
                continue;
            SCOPED_TRACE(testing::Message() << "mode " << mode << (is555 ? " 5-5-5" : "") << (interlace ? " interlaced" : ""));
            expectPicture(present(mode, interlace, is555, frame), frame, doubled, interlace, is555);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllModes, EveryPresenterPath,
                         ::testing::Values(PathCase{2, false}, PathCase{3, false}, PathCase{4, false},
                                           PathCase{5, false}, PathCase{6, false}, PathCase{7, false},
                                           PathCase{8, false}, PathCase{9, false}, PathCase{10, false},
                                           PathCase{11, true}, PathCase{12, true}, PathCase{13, true},
                                           PathCase{14, true}, PathCase{15, true}, PathCase{16, true}),
                         [](const auto& info) { return "mode" + std::to_string(info.param.mode); });

TEST(PixelConversion, KeepsTheTopBitsOfEachChannel)
{
    EXPECT_EQ(display::to565(0x00FFFFFF), 0xFFFF);
    EXPECT_EQ(display::repack565To555(display::to565(0x00FFFFFF)), 0x7FFFu);
    EXPECT_EQ(display::to565(0x0000FF00), 0x07E0);
    EXPECT_EQ(display::repack565To555(display::to565(0x0000FF00)), 0x03E0u);
    EXPECT_EQ(display::to565(0x00000400), 0x0020);  // green 4 keeps its lowest 6-bit step...
    EXPECT_EQ(display::repack565To555(display::to565(0x00000400)), 0x0000u);  // ...which 5-5-5 drops
    EXPECT_EQ(display::to565(0x00070307), 0x0000);  // every channel below its kept bits
    EXPECT_EQ(display::to565(0xFF000000), 0x0000);  // the top byte never reaches the screen
}

TEST(PixelConversion, RepacksTwoPixelsPerWordIndependently)
{
    const std::uint32_t pair = 0x07E0u | (0xF81Fu << 16);  // green | magenta
    EXPECT_EQ(display::repack565To555(pair), 0x03E0u | (0x7C1Fu << 16));
}

TEST(PresenterLayout, AnUnknownModeWritesNothing)
{
    display::PresenterSetup s;
    display::choosePresenter(17, s);
    EXPECT_EQ(s.path, display::PresentPath::none);
    std::vector<std::uint8_t> screen(64, untouched);
    display::writeToScreen(s, testFrame().data(), screen.data());
    EXPECT_EQ(screen, std::vector<std::uint8_t>(64, untouched));
}

}  // namespace
