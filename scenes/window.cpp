#include "scenes/window.h"

#include "data/raw_image.h"
#include "host/frame_service.h"
#include "host/show_state.h"
#include "render/blit.h"
#include "render/level_table.h"

#include <algorithm>
#include <cmath>

namespace scenes {

namespace {

using display::frameHeight;
using display::frameWidth;

constexpr Pixel windowWhite = 0x00FFFFFF;
constexpr Pixel beamBrightening = 0x001F1F1F;  // 31 on blue, green and red
constexpr int overlayX = 319 - 84;
constexpr int overlayY = 199 - 104;

}  // namespace

std::uint16_t polarEntry(int x, int y)
{
    const double angle = std::atan2(static_cast<double>(y), static_cast<double>(x));
    const auto angular = static_cast<std::uint8_t>(static_cast<std::int32_t>(angle * angularBytesPerRadian));
    const auto radial = static_cast<std::uint8_t>(static_cast<std::int32_t>(std::sqrt(double(x) * x + double(y) * y)));
    return static_cast<std::uint16_t>(angular << 8 | radial);
}

std::vector<std::uint16_t> buildPolarTable()
{
    std::vector<std::uint16_t> table;
    table.reserve(std::size_t{polarTableWidth} * polarTableHeight);
    for (int y = -polarTableHeight / 2; y < polarTableHeight / 2; ++y)
        for (int x = -polarTableWidth / 2; x < polarTableWidth / 2; ++x)
            table.push_back(polarEntry(x, y));
    return table;
}

void advancePolarMap(PolarMap& polar, const render::SineTableView& sines)
{
    --polar.radialPhase;
    ++polar.angularPhase;
    ++polar.step;
    const std::uint8_t s = polar.step;
    const auto twice = static_cast<std::uint8_t>(2 * s);
    polar.radialOffsetX = wave(160, sines.sinTable[s], 160);
    polar.radialOffsetY = wave(100, sines.cosTable[twice], 100);
    polar.angularOffsetY = wave(100, sines.sinTable[s], 100);
    polar.angularOffsetX = wave(160, sines.cosTable[twice], 160);
}

// Each window pixel costs two table reads, two byte additions and one texture
// read; the white test becomes a select, so the row loop has no branch.
void drawPolarMap(const PolarMap& polar, render::FrameSpan frame)
{
    const auto clampX = [](std::int32_t x) { return std::clamp(x, 0, polarTableWidth - frameWidth); };
    const auto clampY = [](std::int32_t y) { return std::clamp(y, 0, polarTableHeight - frameHeight); };
    const std::uint16_t* radialRow =
        polar.polarTable.data() + std::size_t{polarTableWidth} * clampY(polar.radialOffsetY) + clampX(polar.radialOffsetX);
    const std::uint16_t* angularRow = polar.polarTable.data() +
                                      std::size_t{polarTableWidth} * clampY(polar.angularOffsetY) +
                                      clampX(polar.angularOffsetX);
    const Pixel* texture = polar.texture.data();
    Pixel* out = frame.data();
    for (int py = 0; py < frameHeight; ++py) {
        for (int px = 0; px < frameWidth; ++px) {
            const unsigned r = static_cast<std::uint8_t>(radialRow[px] + polar.radialPhase);
            const unsigned t = static_cast<std::uint8_t>((angularRow[px] >> 8) + polar.angularPhase);
            const Pixel current = out[px];
            out[px] = current == windowWhite ? texture[t << 8 | r] : current;
        }
        radialRow += polarTableWidth;
        angularRow += polarTableWidth;
        out += frameWidth;
    }
}

namespace reference {

void drawPolarMap(const PolarMap& polar, render::FrameSpan frame)
{
    const auto entry = [&polar](int row, int column) {
        return polar.polarTable[std::size_t{polarTableWidth} * row + column];
    };
    const int radialX = std::clamp(polar.radialOffsetX, 0, polarTableWidth - frameWidth);
    const int radialY = std::clamp(polar.radialOffsetY, 0, polarTableHeight - frameHeight);
    const int angularX = std::clamp(polar.angularOffsetX, 0, polarTableWidth - frameWidth);
    const int angularY = std::clamp(polar.angularOffsetY, 0, polarTableHeight - frameHeight);
    for (int py = 0; py < frameHeight; ++py) {
        for (int px = 0; px < frameWidth; ++px) {
            Pixel& pixel = frame[std::size_t{frameWidth} * py + px];
            if (pixel != windowWhite)
                continue;
            const int r = ((entry(py + radialY, px + radialX) & 0xFF) + polar.radialPhase) % 256;
            const int t = ((entry(py + angularY, px + angularX) >> 8) + polar.angularPhase) % 256;
            pixel = polar.texture[std::size_t{polarTextureSize} * t + r];
        }
    }
}

}  // namespace reference

std::array<int, 6> beamColumns(std::uint32_t sceneClock, const render::SineTableView& sines)
{
    const auto t = static_cast<std::uint8_t>(sceneClock);
    const auto twice = static_cast<std::uint8_t>(2 * sceneClock);
    const auto half = static_cast<std::uint8_t>(sceneClock / 2);
    return {wave(20, sines.sinTable[twice], 270), wave(20, sines.sinTable[t], 270),
            wave(5, sines.cosTable[t], 265),      wave(30, sines.cosTable[t], 275),
            wave(10, sines.sinTable[twice], 285), wave(30, sines.sinTable[half], 275)};
}

data::Status WindowScene::load(data::DataLibrary& library, SceneContext& context)
{
    keepSines(context.show);
    polar_ = std::make_unique<PolarMap>();
    if (auto read = data::readRawImage(library, data::assets::windowTexture, polar_->texture); !read)
        return read;
    polar_->polarTable = buildPolarTable();
    mask_.resize(data::assets::windowMask.pixelCount());
    if (auto read = data::readRawImage(library, data::assets::windowMask, mask_); !read)
        return read;
    return loadPicture(library, data::assets::windowOverlay, overlay_);
}

void WindowScene::advancePass()
{
    advancePolarMap(*polar_, sines());
}

void WindowScene::drawPass(render::FrameSpan frame, const PassTime& moment, bool wideMoves) const
{
    copyPixels(frame, mask_.data(), wideMoves);
    drawPolarMap(*polar_, frame);

    for (const int x : beamColumns(moment.sceneClock, sines())) {
        if (x < 0 || x >= frameWidth)
            continue;
        for (int y = 0; y < frameHeight; ++y) {
            const std::size_t at = std::size_t{frameWidth} * y + x;
            if (mask_[at] == windowWhite)
                frame[at] = (frame[at] & 0xFF000000u) | render::saturatingAdd(frame[at], beamBrightening);
        }
    }

    addPicture(frame, overlay_.image(), overlayX, overlayY);

    if (const auto level = fadeInLevel(moment, 26))
        render::fadeFrame(frame, *level);
    if (const auto level = fadeOutLevel(moment, endPosition - 1))
        render::fadeFrame(frame, *level);
}

void WindowScene::animate(SceneContext&, const PassTime&) { advancePass(); }

void WindowScene::paint(SceneContext& context, render::FrameSpan frame, const PassTime& time)
{
    drawPass(frame, time, context.show.mmx.useMmx);
}

}  // namespace scenes
