#pragma once
// The panorama: a wide picture scrolls sideways, some bands at half the speed
// of the rest; three small sprites swing on one band; a glowing wire-frame
// object turns on the left, rising into view from position 18 and sinking
// away from position 24; a quotation fades in and out on the right; the whole
// frame fades in at the start and out at the end. Plays until position 26.

#include "data/mesh.h"
#include "scenes/scene.h"
#include "scenes/scene_kit.h"

#include <array>
#include <cstdint>
#include <memory>

namespace scenes {

struct MeshObject {
    std::uint8_t angle = 0;  // 1/256 turn, about all three axes at once
    data::Mesh mesh;
    double distance = 1624.0;
};

class PanoramaScene final : public Scene {
public:
    static constexpr int endPosition = 26;
    static constexpr int panoramaWidth = 900;
    static constexpr int maxPanX = 290;
    static constexpr int objectLowest = 300;   // below the screen
    static constexpr int objectHighest = 100;
    static constexpr int spriteRow = 137;      // 145 less the sprites' height
    static constexpr int quoteX = 167;
    static constexpr int quoteY = 86;

    data::Status load(data::DataLibrary& library, SceneContext& context) override;
    int endsAt() const override { return endPosition; }

    // One animation step, drawn or not: the object rises or sinks by 2 rows
    // and turns by 2.
    void advance(int position);
    void draw(render::FrameSpan frame, int position, int row, std::uint32_t sceneClock, bool wideMoves);

    Picture panorama;  // 900 × 200
    Picture quote;
    std::unique_ptr<MeshObject> object;
    std::int32_t panX = 0;  // 0..290
    std::int32_t objectCentreY = objectLowest;
    Picture sprite1, sprite2, sprite3;  // magenta-keyed

protected:
    void animate(SceneContext& context, const PassTime& time) override;
    void paint(SceneContext& context, render::FrameSpan frame, const PassTime& time) override;

private:
    void drawPanorama(render::FrameSpan frame, std::uint32_t sceneClock, bool wideMoves);
    void drawSprites(render::FrameSpan frame, std::uint32_t sceneClock) const;
    void drawQuote(render::FrameSpan frame, int position, int row) const;

};

// Scroll position for the scene clock (hundredths of a second): the full
// width in 35 seconds, then standing.
std::int32_t panoramaScroll(std::uint32_t sceneClock);

// Where the three sprites stand (x) at the scene clock: each swings about its
// own centre, the first twice as fast as the second, the third half as fast.
std::array<int, 3> spritePositions(std::uint32_t sceneClock, const render::SineTableView& sines);

}  // namespace scenes
