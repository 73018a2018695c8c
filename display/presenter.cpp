#include "display/presenter.h"

#include <cstring>

namespace display {

namespace {

constexpr int bytesPerScreenPixel(int bits) { return (bits - 1) / 8 + 1; }

inline void store32(std::uint8_t* dst, std::uint32_t value) { std::memcpy(dst, &value, 4); }

inline void store24(std::uint8_t* dst, Pixel p)
{
    dst[0] = static_cast<std::uint8_t>(p);        // blue
    dst[1] = static_cast<std::uint8_t>(p >> 8);   // green
    dst[2] = static_cast<std::uint8_t>(p >> 16);  // red
}

// Same-size and centred paths: one frame row per screen row, landing on the
// same column of the next row after the row skip.
void copyRows(const PresenterSetup& s, const std::uint32_t* src, std::uint8_t* dst, int wordsPerRow)
{
    const std::size_t rowBytes = static_cast<std::size_t>(wordsPerRow) * 4;
    for (int y = 0; y < frameHeight; ++y) {
        std::memcpy(dst, src, rowBytes);
        src += wordsPerRow;
        dst += rowBytes + s.rowSkip;
    }
}

void copyRows24(const PresenterSetup& s, const Pixel* src, std::uint8_t* dst)
{
    for (int y = 0; y < frameHeight; ++y) {
        for (int x = 0; x < frameWidth; ++x, dst += 3)
            store24(dst, *src++);
        dst += s.rowSkip;
    }
}

// The doubled paths: each frame pixel covers 2 × 2 screen pixels; with
// interlace the second line of each pair is never written.
void doubleRows16(const PresenterSetup& s, const std::uint32_t* src, std::uint8_t* dst)
{
    for (int y = 0; y < frameHeight; ++y) {
        for (int x = 0; x < frameWidth / 2; ++x) {
            const std::uint32_t pair = *src++;
            const std::uint32_t left = pair & 0xFFFF, right = pair >> 16;
            store32(dst, left | left << 16);
            store32(dst + 4, right | right << 16);
            if (!s.interlace) {
                store32(dst + s.screenPitch, left | left << 16);
                store32(dst + s.screenPitch + 4, right | right << 16);
            }
            dst += 8;
        }
        dst += 2 * s.rowSkip;
    }
}

// 24- and 32-bit screens: each pixel is stored four times, bytesPerPixel wide.
template <int bytesPerPixel, void (*store)(std::uint8_t*, Pixel)>
void doubleRows(const PresenterSetup& s, const Pixel* src, std::uint8_t* dst)
{
    for (int y = 0; y < frameHeight; ++y) {
        for (int x = 0; x < frameWidth; ++x, dst += 2 * bytesPerPixel) {
            const Pixel p = *src++;
            store(dst, p);
            store(dst + bytesPerPixel, p);
            if (!s.interlace) {
                store(dst + s.screenPitch, p);
                store(dst + s.screenPitch + bytesPerPixel, p);
            }
        }
        dst += 2 * s.rowSkip;
    }
}

}  // namespace

void choosePresenter(int screenMode, PresenterSetup& setup)
{
    setup.preConvert = PreConvert::none;
    setup.path = PresentPath::none;
    switch (screenMode) {
    case 2: case 5: setup.preConvert = PreConvert::to16Bits; setup.path = PresentPath::sameSizeCopy; break;
    case 3: case 6: setup.path = PresentPath::sameSize24; break;
    case 4: case 7: setup.path = PresentPath::sameSizeCopy; break;
    case 8: setup.preConvert = PreConvert::to16Bits; setup.path = PresentPath::centred16; break;
    case 9: setup.path = PresentPath::centred24; break;
    case 10: setup.path = PresentPath::centred32; break;
    case 11: case 14: setup.preConvert = PreConvert::to16Bits; setup.path = PresentPath::doubled16; break;
    case 12: case 15: setup.path = PresentPath::doubled24; break;
    case 13: case 16: setup.path = PresentPath::doubled32; break;
    default: break;
    }
}

void computeLayout(int screenWidth, int screenHeight, int screenBits, int screenPitch, bool interlace,
                   PresenterSetup& setup)
{
    const int b = bytesPerScreenPixel(screenBits);
    setup.screenPitch = screenPitch;
    setup.interlace = interlace;
    setup.rowWords = screenWidth * b / 4;
    setup.rowSkip = screenPitch - frameWidth * b;
    setup.centreOffsetY = ((screenHeight - frameHeight) / 2) * screenPitch;
    setup.doubledOffsetY = ((screenHeight - 2 * frameHeight) / 2) * screenPitch;
    setup.centreOffsetX = ((screenWidth - frameWidth) / 2) * b;
}

void convertFrameTo565(const Pixel* frame, std::uint32_t* conversion)
{
    for (std::size_t i = 0; i < conversionWords16; ++i)
        conversion[i] = to565(frame[2 * i]) | static_cast<std::uint32_t>(to565(frame[2 * i + 1])) << 16;
}

void convert565To555(const std::uint32_t* src, std::uint32_t* conversion)
{
    for (std::size_t i = 0; i < conversionWords16; ++i)
        conversion[i] = repack565To555(src[i]);
}

const std::uint32_t* prepareSource(const PresenterSetup& setup, const Pixel* frame, std::uint32_t* conversion)
{
    const std::uint32_t* src = frame;
    if (setup.preConvert == PreConvert::to16Bits) {
        convertFrameTo565(frame, conversion);
        src = conversion;
    }
    if (setup.screenIs555) {
        convert565To555(src, conversion);
        src = conversion;
    }
    return src;
}

void writeToScreen(const PresenterSetup& s, const std::uint32_t* src, std::uint8_t* dst)
{
    switch (s.path) {
    case PresentPath::sameSizeCopy: copyRows(s, src, dst + s.centreOffsetY, s.rowWords); break;
    case PresentPath::centred16: copyRows(s, src, dst + s.centreOffsetY + s.centreOffsetX, frameWidth / 2); break;
    case PresentPath::centred32: copyRows(s, src, dst + s.centreOffsetY + s.centreOffsetX, frameWidth); break;
    case PresentPath::centred24: copyRows24(s, src, dst + s.centreOffsetY + s.centreOffsetX); break;
    case PresentPath::sameSize24: copyRows24(s, src, dst + s.centreOffsetY); break;
    case PresentPath::doubled16: doubleRows16(s, src, dst + s.doubledOffsetY); break;
    case PresentPath::doubled24: doubleRows<3, store24>(s, src, dst + s.doubledOffsetY); break;
    case PresentPath::doubled32: doubleRows<4, store32>(s, src, dst + s.doubledOffsetY); break;
    case PresentPath::none: break;
    }
}

}  // namespace display
