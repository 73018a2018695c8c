#include "scenes/scene_kit.h"

#include "data/raw_image.h"
#include "display/display.h"
#include "host/frame_service.h"
#include "host/show_state.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace scenes {

data::Status loadPicture(data::DataLibrary& library, const data::PictureAsset& asset, Picture& picture)
{
    picture.pixels.assign(asset.pixelCount(), 0);
    picture.width = static_cast<std::uint16_t>(asset.width);
    picture.height = static_cast<std::uint16_t>(asset.height);
    return data::readRawImage(library, asset, picture.pixels);
}

data::Status loadPictures(data::DataLibrary& library, std::initializer_list<PictureLoad> loads)
{
    for (const PictureLoad& load : loads) {
        const data::Status status = loadPicture(library, load.asset, load.picture);
        if (!status)
            return status;
    }
    return data::Done{};
}

namespace {

// Moves whole Words (one or two pixels) with memcpy, which the compiler turns
// into single loads and stores of that width.
template <class Word>
std::size_t copyWords(Pixel* dest, const Pixel* source, std::size_t pixelCount)
{
    constexpr std::size_t perWord = sizeof(Word) / sizeof(Pixel);
    const std::size_t words = pixelCount / perWord;
    for (std::size_t i = 0; i < words; ++i) {
        Word word;
        std::memcpy(&word, source + i * perWord, sizeof word);
        std::memcpy(dest + i * perWord, &word, sizeof word);
    }
    return words * perWord;
}

}  // namespace

void copyPixels(std::span<Pixel> dest, const Pixel* source, bool wideMoves)
{
    const std::size_t done = wideMoves ? copyWords<std::uint64_t>(dest.data(), source, dest.size()) : 0;
    copyWords<std::uint32_t>(dest.data() + done, source + done, dest.size() - done);
}

void addPicture(render::FrameSpan frame, const render::Image& picture, int x, int y)
{
    const int firstColumn = std::clamp(-x, 0, int{picture.width});
    const int lastColumn = std::clamp(display::frameWidth - x, 0, int{picture.width});
    const int firstRow = std::clamp(-y, 0, int{picture.height});
    const int lastRow = std::clamp(display::frameHeight - y, 0, int{picture.height});
    for (int row = firstRow; row < lastRow; ++row) {
        const Pixel* source = picture.pixels + std::size_t{picture.width} * row;
        Pixel* out = frame.data() + std::size_t{display::frameWidth} * (y + row);
        for (int column = firstColumn; column < lastColumn; ++column)
            out[x + column] = render::saturatingAdd(out[x + column], source[column]);
    }
}

render::SineTableView showSines()
{
    const host::SineTable& table = host::showState.sineTable;
    return {table.sinTable, table.cosTable};
}

render::FrameSpan showFrame()
{
    return render::FrameSpan(display::mainDisplay.frameBuffer(), display::framePixels);
}

render::FrameSpan showScratchFrame()
{
    return render::FrameSpan(display::mainDisplay.scratchFrame(), display::framePixels);
}

int wave(double scale, float tableValue, double centre)
{
    return static_cast<int>(scale * tableValue + centre);
}

std::optional<int> fadeInLevel(const PassTime& time, int position)
{
    if (time.position == position && time.row < 32)
        return time.row * 8;
    return std::nullopt;
}

std::optional<int> fadeOutLevel(const PassTime& time, int position)
{
    if (time.position == position && time.row >= 32)
        return std::max(0, (63 - time.row) * 8);
    return std::nullopt;
}

void playPasses(int endPosition, const std::function<void(const PassTime&)>& advance,
                const std::function<void(render::FrameSpan, const PassTime&)>& draw)
{
    host::FrameService& service = host::frameService;
    service.resetSceneClock();
    if (service.musicStatus.position >= endPosition)
        return;
    do {
        service.refreshMusicStatus();
        advance({service.musicStatus.position, service.musicStatus.row, service.sceneClock});
        if (service.frameTick() == 1) {
            const PassTime time{service.musicStatus.position, service.musicStatus.row, service.sceneClock};
            draw(showFrame(), time);
            display::mainDisplay.presentFrame(display::mainDisplay.frameBuffer());
        }
        service.refreshMusicStatus();
    } while (service.musicStatus.position < endPosition);
}

}  // namespace scenes
