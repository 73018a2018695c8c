#pragma once
// The credits: three pages over black, one per pair of music positions
// (9-10, 11-12, 13-14). Each page's role title and name fade in during the
// first position and, in the first half of the second, fade out while the
// title slides left and the name right. A fixed picture stands at the top
// right throughout. Plays until position 15.

#include "scenes/scene.h"
#include "scenes/scene_kit.h"

#include <array>
#include <cstdint>

namespace scenes {

struct CreditPage {
    Picture title;
    Picture name;
    std::int32_t titleX = 0;
    std::int32_t nameX = 0;
};

class CreditsScene final : public Scene {
public:
    static constexpr int endPosition = 15;
    // Every title's bottom row is 94; every name starts at row 105.
    static constexpr int titleBottom = 95;
    static constexpr int nameTop = 105;
    static constexpr int emblemX = 175;

    data::Status load(data::DataLibrary& library, SceneContext& context) override;
    int endsAt() const override { return endPosition; }

    // One animation step: the page level for the position and row, and the
    // slide of the page that is fading out.
    void advance(int position, int row);
    void draw(render::FrameSpan frame, int position, int row) const;

    std::array<CreditPage, 3> pages;
    Picture emblem;
    std::uint8_t level = 0;

protected:
    void animate(SceneContext& context, const PassTime& time) override;
    void paint(SceneContext& context, render::FrameSpan frame, const PassTime& time) override;
};

}  // namespace scenes
