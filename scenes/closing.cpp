#include "scenes/closing.h"

#include "data/raw_image.h"
#include "host/show_state.h"
#include "render/blit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace scenes {

namespace {

using display::frameHeight;
using display::frameWidth;

constexpr std::uint8_t objectLineStep = 47;
constexpr int warmUpUpdates = 256;
constexpr double unitPerRandom = 3.0518509447574615e-05;  // about 1 / 32767

}  // namespace

void spawnParticle(Particle& particle, int index, host::ShowRandom& random)
{
    particle.age = 0;
    particle.life = random.rand() % 128 + 32;
    const double theta = index * std::numbers::pi / 35;
    particle.x = static_cast<float>(30 * std::cos(theta));
    particle.z = static_cast<float>(30 * std::sin(theta));
    particle.y = 2.0f;
    particle.kind = random.rand() % 3;
    const double a = std::atan2(double{particle.z}, double{particle.x});
    particle.vy = 15.0f;
    particle.vx = static_cast<float>(std::cos(a) * (1 + 1.5 * (random.rand() * unitPerRandom)));
    particle.vz = static_cast<float>(std::sin(a) * (1 + 1.5 * (random.rand() * unitPerRandom)));
}

void updateParticles(ParticleSystem& fountain, host::ShowRandom& random)
{
    for (int i = 0; i < particleCount; ++i) {
        Particle& p = fountain.particles[i];
        if (p.y > 0) {
            p.x += p.vx;
            p.y += p.vy;
            p.z += p.vz;
            p.vy -= fountain.gravity;
        }
        if (p.age++ > p.life)
            spawnParticle(p, i, random);
    }
}

ClosingView closingView(std::uint8_t angle, const render::SineTableView& sines)
{
    const auto twice = static_cast<std::uint8_t>(2 * angle);
    return {static_cast<std::uint32_t>(ClosingScene::baseDistance * 0.3333333333333333),
            wave(1, sines.cosTable[angle], 100), wave(30, sines.sinTable[twice], 100)};
}

void crossFade(render::FrameSpan frame, render::ConstFrameSpan endPicture, int level, render::LevelTable& frameTable,
               render::LevelTable& endTable)
{
    const auto frameLevel = static_cast<std::uint8_t>(std::clamp(level, 0, 255));
    const render::LevelTable& kept = frameTable.setLevel(frameLevel);
    const render::LevelTable& coming = endTable.setLevel(static_cast<std::uint8_t>(255 - frameLevel));
    // (a × L >> 8) + (b × (255 − L) >> 8) is at most 254 per channel: no carries between channels.
    for (std::size_t i = 0; i < frame.size(); ++i)
        frame[i] = kept.scale(frame[i]) + (coming.scale(endPicture[i]) & 0x00FFFFFFu);
}

data::Status ClosingScene::load(data::DataLibrary& library, SceneContext& context)
{
    keepSines(context.show);
    background_.resize(data::assets::endBackground.pixelCount());
    if (auto read = data::readRawImage(library, data::assets::endBackground, background_); !read)
        return read;
    endPicture_.resize(data::assets::endPicture.pixelCount());
    if (auto read = data::readRawImage(library, data::assets::endPicture, endPicture_); !read)
        return read;
    fountain_ = std::make_unique<ParticleSystem>();
    const std::array assets{data::assets::sparkRed, data::assets::sparkGreen, data::assets::sparkBlue};
    for (std::size_t kind = 0; kind < assets.size(); ++kind)
        if (auto read = loadPicture(library, assets[kind], fountain_->images[kind]); !read)
            return read;
    for (int i = 0; i < particleCount; ++i)
        spawnParticle(fountain_->particles[i], i, context.random);
    for (int update = 0; update < warmUpUpdates; ++update)
        updateParticles(*fountain_, context.random);
    auto mesh = data::loadMesh(library, data::assets::stationMesh);
    if (!mesh)
        return data::fail(mesh.error());
    object_ = std::move(mesh).value();
    return data::Done{};
}

void ClosingScene::advancePass(const PassTime& moment, host::ShowRandom& random)
{
    updateParticles(*fountain_, random);
    angle_ = static_cast<std::uint8_t>(moment.sceneClock / 4);
}

void ClosingScene::drawPass(render::FrameSpan frame, const PassTime& moment, bool wideMoves)
{
    copyPixels(frame, background_.data(), wideMoves);

    const render::SineTableView sines = Scene::sines();
    const ClosingView view = closingView(angle_, sines);
    const auto twice = static_cast<std::uint8_t>(2 * angle_);
    render::drawMeshWire(std::span(object_.vertices), std::span<const data::MeshFace>(object_.faces), frame,
                         view.centreX, view.centreY, view.objectDistance, angle_, twice, angle_, objectLineStep,
                         sines);

    // All particles are turned first, so maxDepth covers this pass before any is sized.
    ParticleSystem& fountain = *fountain_;
    const render::Rotation rotation(angle_, twice, angle_, sines);
    for (Particle& p : fountain.particles) {
        const render::RotatedPoint turned =
            rotation.apply(p.x + fountain.offset[0], p.y + fountain.offset[1], p.z + fountain.offset[2]);
        p.rx = static_cast<float>(turned.rx);
        p.ry = static_cast<float>(turned.ry);
        p.rz = static_cast<float>(turned.rz);
        fountain.maxDepth = std::max<double>(fountain.maxDepth, p.rz);
    }
    for (const Particle& p : fountain.particles) {
        const double zz = p.rz + 5 * baseDistance;
        if (zz <= 0)
            continue;
        const double px = render::truncToInt32(256 * p.rx / zz + view.centreX);
        const double py = render::truncToInt32(-256 * p.ry / zz + view.centreY);
        // Farther particles are smaller; the farthest so far is drawn at size 1.
        // std::max takes a NaN (maxDepth 0) as 1.
        const double size = std::min(16.0, std::max(1.0, 16 * (fountain.maxDepth - p.rz) / (2 * fountain.maxDepth)));
        const std::int32_t x0 = render::truncToInt32(px - size / 2);
        const std::int32_t y0 = render::truncToInt32(py - size / 2);
        if (!(x0 > 0 && x0 < frameWidth - size && y0 > 0 && y0 < frameHeight - size))
            continue;
        const int n = static_cast<int>(size);
        render::blitScaledAdd(frame, fountain.images[static_cast<std::size_t>(p.kind)].image(), x0, y0, n, n,
                              (8 * n + 127) % 256);
    }

    if (const auto level = fadeInLevel(moment, 41))
        render::fadeFrame(frame, *level);
    if (const auto level = fadeOutLevel(moment, endPosition - 1))
        crossFade(frame, render::ConstFrameSpan(endPicture_.data(), display::framePixels), *level, render::levelTable(),
                  endTable_);
}

void ClosingScene::animate(SceneContext& context, const PassTime& time) { advancePass(time, context.random); }

void ClosingScene::paint(SceneContext& context, render::FrameSpan frame, const PassTime& time)
{
    drawPass(frame, time, context.show.mmx.useMmx);
}

}  // namespace scenes
