#include "scenes/panorama.h"

#include "host/show_state.h"
#include "render/blit.h"
#include "render/wire.h"

#include <algorithm>
#include <span>

namespace scenes {

namespace {

constexpr int objectCentreX = 75;
constexpr std::uint8_t objectLineStep = 15;

// The bands that scroll at half speed; every other row moves twice as far.
bool isSlowBand(int y)
{
    return (y >= 54 && y <= 118) || (y >= 128 && y <= 144);
}

}  // namespace

std::int32_t panoramaScroll(std::uint32_t sceneClock)
{
    const double scroll = static_cast<double>(sceneClock) / 3500.0 * 290.0;
    return static_cast<std::int32_t>(std::min(scroll, double{PanoramaScene::maxPanX}));
}

data::Status PanoramaScene::load(data::DataLibrary& library, SceneContext& context)
{
    namespace assets = data::assets;
    data::Status status = loadPicture(library, assets::panorama1, panorama);
    if (!status)
        return status;
    object = std::make_unique<MeshObject>();
    data::Loaded<data::Mesh> mesh = data::loadMesh(library, assets::spikeMesh);
    if (!mesh)
        return data::fail(mesh.error());
    object->mesh = std::move(mesh).value();
    status = loadPictures(library, {
        {assets::panoramaSprite1, sprite1},
        {assets::quote, quote},
        {assets::panoramaSprite2, sprite2},
        {assets::panoramaSprite3, sprite3},
    });
    if (!status)
        return status;
    objectCentreY = objectLowest;
    keepSines(context.show);
    return data::Done{};
}

void PanoramaScene::advance(int position)
{
    if (position >= 24 && objectCentreY < objectLowest)
        objectCentreY += 2;
    else if (position >= 18 && position <= 23 && objectCentreY > objectHighest)
        objectCentreY -= 2;
    object->angle = static_cast<std::uint8_t>(object->angle + 2);
}

void PanoramaScene::drawPanorama(render::FrameSpan frame, std::uint32_t sceneClock, bool wideMoves)
{
    panX = panoramaScroll(sceneClock);
    for (int y = 0; y < display::frameHeight; ++y) {
        const int column = (isSlowBand(y) ? 1 : 2) * panX;
        copyPixels(frame.subspan(std::size_t{display::frameWidth} * y, display::frameWidth),
                   panorama.pixels.data() + std::size_t{panoramaWidth} * y + column, wideMoves);
    }
}

std::array<int, 3> spritePositions(std::uint32_t sceneClock, const render::SineTableView& sines)
{
    const auto swing = [](double amplitude, float wave, double centre) {
        return static_cast<int>(amplitude * static_cast<double>(wave) + centre);
    };
    const auto a1 = static_cast<std::uint8_t>(2 * sceneClock);
    const auto a2 = static_cast<std::uint8_t>(sceneClock);
    const auto a3 = static_cast<std::uint8_t>(sceneClock / 2);
    return {swing(50, sines.cosTable[a1], 160), swing(40, sines.sinTable[a2], 100), swing(35, sines.cosTable[a3], 100)};
}

void PanoramaScene::drawSprites(render::FrameSpan frame, std::uint32_t sceneClock) const
{
    const std::array<int, 3> x = spritePositions(sceneClock, sines());
    render::blitKeyed(frame, sprite1.image(), x[0], spriteRow);
    render::blitKeyed(frame, sprite2.image(), x[1], spriteRow);
    render::blitKeyed(frame, sprite3.image(), x[2], spriteRow);
}

void PanoramaScene::drawQuote(render::FrameSpan frame, int position, int row) const
{
    const render::Image image = quote.image();
    const auto addAtLevel = [&](int level) {
        render::blitScaledAdd(frame, image, quoteX, quoteY, image.width, image.height, level & 0xFF);
    };
    if (position == 19 && row >= 32)
        addAtLevel((row - 32) * 8);
    else if (position >= 20 && position <= 22)
        addPicture(frame, image, quoteX, quoteY);
    else if (position == 23 && row < 32)
        addAtLevel((31 - row) * 8);
}

void PanoramaScene::draw(render::FrameSpan frame, int position, int row, std::uint32_t sceneClock, bool wideMoves)
{
    if (position < endPosition)
        drawPanorama(frame, sceneClock, wideMoves);
    drawSprites(frame, sceneClock);
    render::drawMeshWire(std::span(object->mesh.vertices), std::span<const data::MeshFace>(object->mesh.faces), frame,
                         objectCentreX, objectCentreY, object->distance, object->angle, object->angle, object->angle,
                         objectLineStep, sines());
    drawQuote(frame, position, row);
    if (position == 15 && row < 32)
        render::fadeFrame(frame, row * 8);
    // A pattern longer than 64 rows would drive the level below 0: it stays black.
    if (position == 25 && row >= 32)
        render::fadeFrame(frame, std::clamp((63 - row) * 8, 0, 248));
}

void PanoramaScene::animate(SceneContext&, const PassTime& time) { advance(time.position); }

void PanoramaScene::paint(SceneContext& context, render::FrameSpan frame, const PassTime& time)
{
    draw(frame, time.position, time.row, time.sceneClock, context.show.mmx.useMmx);
}

}  // namespace scenes
