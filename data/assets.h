#pragma once
// Every entry the show reads from qorv.dat, with each picture's size. The
// scenes' load steps, the asset generator and the tests share this one table,
// so a picture can only change size in one place.

#include <array>
#include <cstddef>
#include <string_view>

namespace data {

struct PictureAsset {
    std::string_view name;
    int width;
    int height;

    constexpr std::size_t pixelCount() const { return std::size_t(width) * std::size_t(height); }
    // A RawImage stores three bytes (red, green, blue) per pixel.
    constexpr std::size_t byteSize() const { return pixelCount() * 3; }
};

namespace assets {

// Opening scene.
inline constexpr PictureAsset sparkRed{"t6_r.raw", 16, 16};
inline constexpr PictureAsset sparkGreen{"t6_g.raw", 16, 16};
inline constexpr PictureAsset sparkBlue{"t6_b.raw", 16, 16};
inline constexpr PictureAsset blob{"blob.raw", 16, 16};
inline constexpr PictureAsset groupLogo{"zevlogo.raw", 320, 200};
inline constexpr PictureAsset demoLogoBackground{"dlogobg.raw", 320, 200};
inline constexpr PictureAsset demoLogo{"demologo.raw", 288, 124};  // magenta-keyed
inline constexpr PictureAsset wordImmersion{"t_imm.raw", 150, 30};
inline constexpr PictureAsset wordIs{"t_is.raw", 22, 20};
inline constexpr PictureAsset wordA{"t_a.raw", 16, 14};
inline constexpr PictureAsset wordState{"t_state.raw", 76, 20};
inline constexpr PictureAsset wordOf{"t_of.raw", 28, 22};
inline constexpr PictureAsset wordMind{"t_mind.raw", 70, 22};

// Credits scene.
inline constexpr PictureAsset titleCode{"t_code.raw", 113, 33};
inline constexpr PictureAsset titleGraphics{"t_gfx.raw", 165, 46};
inline constexpr PictureAsset titleMusic{"t_music.raw", 143, 44};
inline constexpr PictureAsset nameVemko{"t_vemko.raw", 156, 17};
inline constexpr PictureAsset nameTolvak{"t_tolvak.raw", 156, 19};
inline constexpr PictureAsset namePelm{"t_pelm.raw", 121, 17};
inline constexpr PictureAsset emblem{"ruvdan.raw", 144, 141};

// Panorama scene.
inline constexpr PictureAsset panorama1{"pan1.raw", 900, 200};
inline constexpr PictureAsset panoramaSprite1{"lmojj1.raw", 46, 8};  // magenta-keyed
inline constexpr PictureAsset panoramaSprite2{"lmojj2.raw", 157, 8}; // magenta-keyed
inline constexpr PictureAsset panoramaSprite3{"lmojj3.raw", 160, 8}; // magenta-keyed
inline constexpr PictureAsset quote{"quote1.raw", 143, 28};
inline constexpr std::string_view spikeMesh = "tagg.obj";

// Window scene.
inline constexpr PictureAsset windowTexture{"texture1.raw", 256, 256};
inline constexpr PictureAsset windowMask{"cliparea.raw", 320, 200};
inline constexpr PictureAsset windowOverlay{"kina.raw", 84, 104};

// Arms scene.
inline constexpr PictureAsset panorama2{"pan2.raw", 900, 200};
inline constexpr PictureAsset armSprite{"tentac.raw", 32, 32};
inline constexpr PictureAsset spiral{"snurr.raw", 119, 131};

// Closing scene.
inline constexpr PictureAsset endBackground{"endbg.raw", 320, 200};
inline constexpr PictureAsset endPicture{"endlogo.raw", 320, 200};
inline constexpr std::string_view stationMesh = "astro.obj";

// In the order the generator writes them (the scenes' load order).
inline constexpr std::array pictures{
    sparkRed, sparkGreen, sparkBlue, blob, groupLogo, demoLogoBackground, demoLogo,
    wordImmersion, wordIs, wordA, wordState, wordOf, wordMind,
    titleCode, titleGraphics, titleMusic, nameVemko, nameTolvak, namePelm, emblem,
    panorama1, panoramaSprite1, panoramaSprite2, panoramaSprite3, quote,
    windowTexture, windowMask, windowOverlay,
    panorama2, armSprite, spiral,
    endBackground, endPicture,
};
inline constexpr std::array meshes{spikeMesh, stationMesh};

// The colour keyed pictures use for "transparent" (0x00RRGGBB).
inline constexpr unsigned keyColour = 0x00FF00FF;
// The colour of the window areas in windowMask.
inline constexpr unsigned windowColour = 0x00FFFFFF;

}  // namespace assets
}  // namespace data
