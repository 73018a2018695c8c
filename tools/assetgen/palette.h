#pragma once
// The show's one look: a dusk palette lit by a low warm sun. Shadows go to
// indigo and violet, lit edges to amber and gold.

#include "tools/assetgen/canvas.h"

namespace assetgen::palette {

inline constexpr Colour night{0.035f, 0.027f, 0.09f};
inline constexpr Colour indigo{0.09f, 0.06f, 0.22f};
inline constexpr Colour deepViolet{0.16f, 0.07f, 0.24f};
inline constexpr Colour violet{0.34f, 0.16f, 0.46f};
inline constexpr Colour rose{0.86f, 0.33f, 0.48f};
inline constexpr Colour ember{1.0f, 0.50f, 0.18f};
inline constexpr Colour gold{1.0f, 0.80f, 0.42f};
inline constexpr Colour pale{1.0f, 0.95f, 0.86f};
inline constexpr Colour mist{0.58f, 0.58f, 0.86f};

// Zenith to horizon.
inline Gradient duskSky() { return {{night, indigo, violet, rose, ember}}; }
// Lettering lit from above: pale at the top, gold, then ember at the foot.
inline Gradient goldLetters() { return {{pale, gold, ember, rose}}; }

}  // namespace assetgen::palette
