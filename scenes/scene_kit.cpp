#include "scenes/scene_kit.h"

#include "data/raw_image.h"
#include "display/display.h"
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

render::FrameSpan scratchFrameOf(display::Display& display)
{
    return render::FrameSpan(display.scratchFrame(), display::framePixels);
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

void Scene::keepSines(const host::ShowState& show) { sineTable_ = &show.sineTable; }

render::SineTableView Scene::sines() const { return {sineTable_->sinTable, sineTable_->cosTable}; }

host::StepResult Scene::step(SceneContext& context)
{
    host::FrameService& service = context.frames;
    switch (phase_) {
    case Phase::entering:
        service.resetSceneClock();
        if (service.musicStatus.position >= endsAt())
            return host::StepResult::finished;
        phase_ = Phase::passStart;
        [[fallthrough]];
    case Phase::passStart:
        service.refreshMusicStatus();
        animate(context, {service.musicStatus.position, service.musicStatus.row, service.sceneClock});
        switch (service.beginPass()) {
        case host::PassVerdict::abort:
            return host::StepResult::aborted;
        case host::PassVerdict::skip:
            return endPass(context);
        case host::PassVerdict::wait:
            phase_ = Phase::waitingToDraw;
            return host::StepResult::waiting;
        case host::PassVerdict::draw:
            break;
        }
        return drawAndEndPass(context);
    case Phase::waitingToDraw:
        if (!service.releaseWaitingPass())
            return host::StepResult::waiting;
        return drawAndEndPass(context);
    }
    return host::StepResult::finished;
}

host::StepResult Scene::drawAndEndPass(SceneContext& context)
{
    const host::FrameService& service = context.frames;
    const PassTime time{service.musicStatus.position, service.musicStatus.row, service.sceneClock};
    paint(context, render::FrameSpan(context.display.frameBuffer(), display::framePixels), time);
    context.display.presentFrame(context.display.frameBuffer());
    return endPass(context);
}

host::StepResult Scene::endPass(SceneContext& context)
{
    context.frames.refreshMusicStatus();
    if (context.frames.musicStatus.position >= endsAt()) {
        phase_ = Phase::entering;
        return host::StepResult::finished;
    }
    phase_ = Phase::passStart;
    return host::StepResult::running;
}

}  // namespace scenes
