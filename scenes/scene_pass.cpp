#include "scenes/scene_pass.h"

#include "data/raw_image.h"
#include "display/display.h"
#include "host/frame_service.h"
#include "host/show_state.h"

#include <algorithm>
#include <cstring>

namespace scenes {

namespace {

PassMoment momentNow()
{
    const auto& service = host::frameService;
    return {service.musicStatus.position, service.musicStatus.row, service.sceneClock};
}

}  // namespace

void playPasses(int endPosition, const PassSteps& steps)
{
    auto& service = host::frameService;
    service.resetSceneClock();
    if (service.musicStatus.position >= endPosition)
        return;
    display::Display& screen = display::mainDisplay;
    do {
        service.refreshMusicStatus();
        steps.advance(momentNow());
        if (service.frameTick() == 1) {
            steps.draw(render::FrameSpan(screen.frameBuffer(), display::framePixels), momentNow());
            screen.presentFrame(screen.frameBuffer());
        }
        service.refreshMusicStatus();
    } while (service.musicStatus.position < endPosition);
}

render::SineTableView showSines()
{
    const auto& table = host::showState.sineTable;
    return {table.sinTable, table.cosTable};
}

int wave(double scale, float tableValue, double centre)
{
    return static_cast<int>(scale * tableValue + centre);
}

data::Status readPicture(data::DataLibrary& library, const data::PictureAsset& asset, Picture& picture)
{
    picture.pixels.resize(asset.pixelCount());
    picture.width = static_cast<std::uint16_t>(asset.width);
    picture.height = static_cast<std::uint16_t>(asset.height);
    return data::readRawImage(library, asset, picture.pixels);
}

void copyPixels(std::span<Pixel> dest, std::span<const Pixel> source, bool sixtyFourBit)
{
    const std::size_t count = std::min(dest.size(), source.size());
    if (!sixtyFourBit) {
        std::copy_n(source.begin(), count, dest.begin());
        return;
    }
    const std::size_t pairs = count / 2;
    for (std::size_t i = 0; i < pairs; ++i) {
        std::uint64_t word;
        std::memcpy(&word, source.data() + 2 * i, sizeof word);
        std::memcpy(dest.data() + 2 * i, &word, sizeof word);
    }
    if (count % 2 != 0)
        dest[count - 1] = source[count - 1];
}

void addPicture(render::FrameSpan frame, const render::Image& picture, int x, int y)
{
    const int firstColumn = std::max(0, -x), lastColumn = std::min<int>(picture.width, display::frameWidth - x);
    const int firstRow = std::max(0, -y), lastRow = std::min<int>(picture.height, display::frameHeight - y);
    for (int row = firstRow; row < lastRow; ++row) {
        const Pixel* source = picture.pixels + std::size_t{picture.width} * row;
        Pixel* out = frame.data() + std::size_t{display::frameWidth} * (y + row) + x;
        for (int column = firstColumn; column < lastColumn; ++column)
            out[column] = render::saturatingAdd(out[column], source[column]);
    }
}

std::optional<int> fadeInLevel(const PassMoment& moment, int position)
{
    if (moment.position == position && moment.row < 32)
        return moment.row * 8;
    return std::nullopt;
}

std::optional<int> fadeOutLevel(const PassMoment& moment, int position)
{
    if (moment.position == position && moment.row >= 32)
        return std::max(0, (63 - moment.row) * 8);
    return std::nullopt;
}

}  // namespace scenes
