#include "scenes/opening.h"

#include "host/show_state.h"
#include "render/blit.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace scenes {

namespace {

constexpr int warmUpSteps = 100;
constexpr int demoLogoX = 32;
constexpr int demoLogoY = 76;
// The ring's fixed tilt: about its horizontal axis, then in the screen plane.
constexpr std::uint8_t ringTiltX = 231;
constexpr std::uint8_t ringTiltZ = 75;
constexpr int ringFadeStep = 16;

}  // namespace

void spawnSpark(Spark& spark, host::ShowRandom& random)
{
    // The unit factor and the width are single precision, the rest double.
    constexpr float unit = 1.0f / 32767.0f;
    spark.x = static_cast<double>(static_cast<float>(random.rand()) * unit * 320.0f);
    spark.y = 0;
    spark.speed = static_cast<double>(static_cast<float>(random.rand()) * unit) * 3.5 + 0.5;
    spark.size = std::clamp(static_cast<std::int32_t>(spark.speed * 4.0), 1, 16);
    spark.kind = random.rand() % 3;
}

void stepSparks(SparkField& field, host::ShowRandom& random)
{
    for (Spark& spark : field.sparks) {
        spark.y += spark.speed;
        if (spark.size + spark.y > 200.0)
            spawnSpark(spark, random);
    }
}

void drawSparks(const SparkField& field, render::FrameSpan frame)
{
    for (const Spark& spark : field.sparks) {
        const int level = spark.size * 16 - field.fade;
        // The biggest spark at no fade reaches 256, which as a byte would be
        // 0 and hide it: it glows at 255 instead.
        if (level > 0)
            render::blitScaledAdd(frame, field.images[static_cast<std::size_t>(spark.kind)].image(),
                                  static_cast<int>(spark.x), static_cast<int>(spark.y), spark.size, spark.size,
                                  std::min(level, 255));
    }
}

void placeRingBlobs(BlobRing& ring)
{
    for (std::size_t j = 0; j < ring.blobs.size(); ++j) {
        const double angle = static_cast<double>(j) * std::numbers::pi / 6.0;
        ring.blobs[j].x = std::sin(angle) * ring.radius;
        ring.blobs[j].y = 0;
        ring.blobs[j].z = std::cos(angle) * ring.radius;
    }
}

void transformRing(BlobRing& ring, const render::SineTableView& sines)
{
    const auto s = [&sines](std::uint8_t angle) { return static_cast<double>(sines.sinTable[angle]); };
    const auto c = [&sines](std::uint8_t angle) { return static_cast<double>(sines.cosTable[angle]); };
    for (RingBlob& blob : ring.blobs) {
        const double p = blob.x * s(ring.spin) + blob.z * c(ring.spin);
        const double q = blob.x * c(ring.spin) - blob.z * s(ring.spin);
        const double r = blob.y * c(ringTiltX) - p * s(ringTiltX);
        blob.rz = blob.y * s(ringTiltX) + p * c(ringTiltX);
        blob.rx = q * c(ringTiltZ) - r * s(ringTiltZ);
        blob.ry = q * s(ringTiltZ) + r * c(ringTiltZ);
    }
}

void drawRingHalf(BlobRing& ring, render::FrameSpan frame, RingHalf half, const render::SineTableView& sines)
{
    transformRing(ring, sines);
    const render::Image blobImage = ring.blob.image();
    for (RingBlob& blob : ring.blobs) {
        if (half == RingHalf::far ? !(blob.rz > 0) : !(blob.rz < 0))
            continue;
        // The ring lies within ±radius of the origin, well in front of the eye.
        const double u = 1.0 / (blob.rz + ring.distance);
        const int sx = static_cast<int>(256.0 * blob.rx * u + ring.centreX);
        const int sy = static_cast<int>(-256.0 * blob.ry * u + ring.centreY);
        blob.size = static_cast<std::int32_t>(16.0 * (ring.radius - blob.rz) / (2.0 * ring.radius));
        const int drawnSize = std::clamp(blob.size, 1, 16);
        blob.x0 = static_cast<std::int32_t>(sx - drawnSize / 2.0);
        blob.y0 = static_cast<std::int32_t>(sy - drawnSize / 2.0);
        // Nearer blobs glow brighter: the depth term is the drawn size less 8
        // (-7..8), small enough that every blob is still invisible while the
        // ring fade is above 190, so the ring fades in from nothing.
        const int depthTerm = drawnSize - 8;
        const int level = std::clamp(8 * depthTerm + 127 - ring.fade, 0, 255);
        render::blitScaledAdd(frame, blobImage, blob.x0, blob.y0, drawnSize, drawnSize, level);
    }
}

data::Status OpeningScene::load(data::DataLibrary& library, SceneContext& context)
{
    namespace assets = data::assets;
    const data::Status status = loadPictures(library, {
        {assets::sparkRed, sparkField.images[0]},
        {assets::sparkGreen, sparkField.images[1]},
        {assets::sparkBlue, sparkField.images[2]},
        {assets::blob, ring.blob},
        {assets::groupLogo, groupLogo},
        {assets::demoLogoBackground, demoLogoBackground},
        {assets::demoLogo, demoLogo},
        {assets::wordImmersion, wordPictures[0]},
        {assets::wordIs, wordPictures[1]},
        {assets::wordA, wordPictures[2]},
        {assets::wordState, wordPictures[3]},
        {assets::wordOf, wordPictures[4]},
        {assets::wordMind, wordPictures[5]},
    });
    if (!status)
        return status;

    // Spawned and run ahead, so the field starts full.
    for (Spark& spark : sparkField.sparks)
        spawnSpark(spark, context.random);
    for (int step = 0; step < warmUpSteps; ++step)
        stepSparks(sparkField, context.random);
    keepSines(context.show);
    placeRingBlobs(ring);
    return data::Done{};
}

void OpeningScene::advance(int position, host::ShowRandom& random)
{
    if (position >= 5)
        ring.spin = static_cast<std::uint8_t>(ring.spin + 2);
    else
        stepSparks(sparkField, random);
}

void OpeningScene::drawCrossFade(render::FrameSpan frame, render::FrameSpan scratch, int row, bool wideMoves)
{
    copyFrame(scratch, render::ConstFrameSpan(demoLogoBackground.pixels.data(), display::framePixels), wideMoves);
    render::blitKeyed(scratch, demoLogo.image(), demoLogoX, demoLogoY);
    const int outgoing = std::clamp((63 - row) * 8, 0, 255);
    const render::LevelTable& outTable = render::levelTable().setLevel(static_cast<std::uint8_t>(outgoing));
    const render::LevelTable& inTable = crossFadeTable.setLevel(static_cast<std::uint8_t>(255 - outgoing));
    for (std::size_t i = 0; i < display::framePixels; ++i)
        frame[i] = render::saturatingAdd(outTable.scale(frame[i]), inTable.scale(scratch[i]));
}

void OpeningScene::placeWords(render::FrameSpan frame)
{
    const auto eligible = [this](std::size_t carrier) {
        const RingBlob& blob = ring.blobs[carrier];
        return blob.y0 > 70 && blob.y0 < 190 && blob.rz < 0;
    };
    // Word n (0..5) appears beside its carrier, brighter the lower the carrier is.
    const auto show = [&](std::size_t carrier, std::size_t word) {
        const RingBlob& blob = ring.blobs[carrier];
        const Picture& picture = wordPictures[word];
        words.shown[word] = true;
        render::blitScaledAdd(frame, picture.image(), blob.x0 + 15, blob.y0 - (picture.height >> 1), picture.width,
                              picture.height, std::clamp((blob.y0 - 70) * 2, 0, 255));
    };
    auto& shown = words.shown;
    if (eligible(0)) {
        if (words.firstHalf && shown[0])
            show(0, 1);
        else if (shown[3])
            show(0, 4);
    }
    if (eligible(4)) {
        if (words.firstHalf && shown[1])
            show(4, 2);
        else if (shown[4])
            show(4, 5);
    }
    if (eligible(8)) {
        if (shown[5])
            words.done = true;
        if (shown[2]) {
            words.firstHalf = false;
            if (!shown[5])
                show(8, 3);
        } else if (words.firstHalf && !shown[5]) {
            show(8, 0);
        }
    }
}

void OpeningScene::draw(render::FrameSpan frame, render::FrameSpan scratch, int position, int row, bool wideMoves)
{
    const render::ConstFrameSpan logo(groupLogo.pixels.data(), display::framePixels);
    switch (position) {
    case 0:
        std::fill(frame.begin(), frame.end(), Pixel{0});
        drawSparks(sparkField, frame);
        if (row < 32)
            render::fadeFrame(frame, row * 8);
        break;
    case 1:
    case 2:
    case 3:
        if (position == 1 && row < 31)
            render::fadeFrame(frame, logo, row * 8);
        else
            copyFrame(frame, logo, wideMoves);
        drawSparks(sparkField, frame);
        break;
    case 4:
        copyFrame(frame, logo, wideMoves);
        if (row < 32) {
            sparkField.fade = row * 8;
            drawSparks(sparkField, frame);
        } else {
            drawCrossFade(frame, scratch, row, wideMoves);
        }
        break;
    case 5:
    case 6:
    case 7:
    case 8: {
        if (ring.fade > 0)
            ring.fade -= ringFadeStep;
        const render::SineTableView sines = Scene::sines();
        copyFrame(frame, render::ConstFrameSpan(demoLogoBackground.pixels.data(), display::framePixels), wideMoves);
        drawRingHalf(ring, frame, RingHalf::far, sines);
        render::blitKeyed(frame, demoLogo.image(), demoLogoX, demoLogoY);
        if (!words.done)
            placeWords(frame);
        drawRingHalf(ring, frame, RingHalf::near, sines);
        if (position == 8 && row >= 32)
            render::fadeFrame(frame, (63 - row) * 8);
        break;
    }
    default:
        break;
    }
}

void OpeningScene::animate(SceneContext& context, const PassTime& time) { advance(time.position, context.random); }

void OpeningScene::paint(SceneContext& context, render::FrameSpan frame, const PassTime& time)
{
    draw(frame, scratchFrameOf(context.display), time.position, time.row, context.show.mmx.useMmx);
}

}  // namespace scenes
