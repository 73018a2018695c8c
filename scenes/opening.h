#pragma once
// The opening: glowing sparks fall over black and fade in, then over the
// group logo; the logo cross-fades into the demo logo over its background;
// then a tilted ring of twelve blobs orbits the demo logo (the far half behind
// it, the near half in front) while three of the blobs carry six words in
// turn; at the end the picture fades to black. Plays until position 9.

#include "host/show_random.h"
#include "render/level_table.h"
#include "scenes/scene.h"
#include "scenes/scene_kit.h"

#include <array>
#include <cstdint>

namespace scenes {

struct Spark {
    double x = 0;
    double y = 0;
    double speed = 0;  // pixels per animation step
    std::int32_t size = 1;  // 1..16, drawn size in pixels
    std::int32_t kind = 0;  // 0..2, which spark picture
};

struct SparkField {
    std::array<Picture, 3> images;
    std::array<Spark, 50> sparks;
    std::int32_t fade = 0;  // subtracted from every spark's level
};

// A new spark at the top: x, speed and kind from three draws of the sequence.
void spawnSpark(Spark& spark, host::ShowRandom& random);
// One animation step: every spark falls by its speed; one whose bottom has
// passed row 200 starts again at the top.
void stepSparks(SparkField& field, host::ShowRandom& random);
// Each spark glows at level size × 16 − fade; sparks at level 0 or below are skipped.
void drawSparks(const SparkField& field, render::FrameSpan frame);

struct RingBlob {
    double x = 0, y = 0, z = 0;        // rest position on the ring
    double rx = 0, ry = 0, rz = 0;     // after the spin and the tilt
    std::int32_t size = 0;             // projected size before limiting to 1..16
    std::int32_t x0 = 0, y0 = 0;       // top-left corner where it was last drawn
};

struct BlobRing {
    std::uint8_t spin = 0;  // 1/256 turn
    Picture blob;
    std::array<RingBlob, 12> blobs;
    std::int32_t centreX = 115;
    std::int32_t centreY = 135;
    double distance = 128.0;
    double radius = 30.0;
    std::int32_t fade = 254;  // falls by 16 per drawn pass to -2
};

// Blob j rests at angle j × 30 degrees around the ring's vertical axis.
void placeRingBlobs(BlobRing& ring);
// Spins every blob about the ring's axis, then tilts the ring (fixed angles 231 and 75).
void transformRing(BlobRing& ring, const render::SineTableView& sines);

enum class RingHalf { far, near };
// Transforms the ring and draws the blobs of one half (z' > 0 far, z' < 0
// near; a blob at z' = 0 belongs to neither), remembering where each went.
void drawRingHalf(BlobRing& ring, render::FrameSpan frame, RingHalf half, const render::SineTableView& sines);

// How far the six words have come. Blobs 8, 0 and 4 carry them in turn.
struct WordProgress {
    bool firstHalf = true;
    std::array<bool, 6> shown{};  // words 1..6 have appeared
    bool done = false;
};

class OpeningScene final : public Scene {
public:
    static constexpr int endPosition = 9;

    data::Status load(data::DataLibrary& library, SceneContext& context) override;
    int endsAt() const override { return endPosition; }

    // One animation step, drawn or not: the ring spins from position 5 on,
    // the sparks fall before that (drawing from the random sequence).
    void advance(int position, host::ShowRandom& random);
    // The picture for the music's position and row. The cross-fade builds the
    // demo logo in scratch.
    void draw(render::FrameSpan frame, render::FrameSpan scratch, int position, int row, bool wideMoves);

    SparkField sparkField;
    BlobRing ring;
    WordProgress words;
    Picture groupLogo;           // full frame
    Picture demoLogoBackground;  // full frame
    Picture demoLogo;            // magenta-keyed
    std::array<Picture, 6> wordPictures;  // in the order they appear
    // The cross-fade's second table, for the incoming picture.
    render::LevelTable crossFadeTable;

protected:
    void animate(SceneContext& context, const PassTime& time) override;
    void paint(SceneContext& context, render::FrameSpan frame, const PassTime& time) override;

private:
    void drawCrossFade(render::FrameSpan frame, render::FrameSpan scratch, int row, bool wideMoves);
    void placeWords(render::FrameSpan frame);

};

}  // namespace scenes
