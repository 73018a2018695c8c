#pragma once
// Converts the 32-bit FrameBuffer to the screen's pixel format and copies it
// into the visible surface: 1:1, centred in a larger screen, or pixel-doubled
// to fill a 640-wide screen, in which case "interlaced" leaves every second
// screen line untouched. The path and the layout are fixed when the display
// opens; per frame there is only the conversion and the copy, all shifts,
// masks and word moves.

#include "display/frame.h"

#include <cstdint>

namespace display {

enum class PreConvert { none, to16Bits };

enum class PresentPath {
    none,
    sameSizeCopy,
    centred16,
    doubled16,
    sameSize24,
    centred24,
    doubled24,
    centred32,
    doubled32,
};

// Everything the presenter needs, computed once at open.
struct PresenterSetup {
    PreConvert preConvert = PreConvert::none;
    PresentPath path = PresentPath::none;
    bool screenIs555 = false;
    bool interlace = false;
    int screenPitch = 0;     // bytes per screen row
    int rowWords = 0;        // 32-bit words per row of the same-size copy
    int rowSkip = 0;         // screenPitch − 320 × bytes per screen pixel
    int centreOffsetY = 0;   // bytes
    int doubledOffsetY = 0;  // bytes; the 640-wide modes only
    int centreOffsetX = 0;   // bytes
};

// The conversion target: frame 3 of the frame block. In 16 bits it holds two
// pixels per 32-bit word, the left one in the low half.
constexpr std::size_t conversionWords16 = framePixels / 2;

// The presenter path and pre-conversion for a screen mode index (2..16);
// none for any other index.
void choosePresenter(int screenMode, PresenterSetup& setup);

// The layout values for a screen of the given size, bits and pitch.
void computeLayout(int screenWidth, int screenHeight, int screenBits, int screenPitch, bool interlace,
                   PresenterSetup& setup);

// 0x00RRGGBB → 5-6-5, keeping the top 5, 6 and 5 bits of red, green and blue.
constexpr std::uint16_t to565(Pixel p)
{
    return static_cast<std::uint16_t>(((p & 0xF80000) >> 8) | ((p & 0xFC00) >> 5) | ((p & 0xF8) >> 3));
}

// 5-6-5 → 5-5-5: red down one bit, the lowest green bit dropped, blue kept.
// Works on one pixel or on two packed in a 32-bit word.
constexpr std::uint32_t repack565To555(std::uint32_t w)
{
    return ((w & 0xF800F800u) >> 1) | ((w & 0x07C007C0u) >> 1) | (w & 0x001F001Fu);
}

void convertFrameTo565(const Pixel* frame, std::uint32_t* conversion);
void convert565To555(const std::uint32_t* src, std::uint32_t* conversion);

// Writes a converted frame into screen memory by the setup's path: the whole
// of step "copy" of presenting, without the lock. src is the FrameBuffer for
// 24- and 32-bit paths and the conversion buffer for 16-bit ones.
void writeToScreen(const PresenterSetup& setup, const std::uint32_t* src, std::uint8_t* screen);

// Pre-converts (when the setup says so) into conversion and returns what the
// screen copy reads: frame itself or conversion.
const std::uint32_t* prepareSource(const PresenterSetup& setup, const Pixel* frame, std::uint32_t* conversion);

}  // namespace display
