#include "tests/support/files.h"
#include "data/assets.h"
#include "data/mesh.h"
#include "data/raw_image.h"
#include "tests/support/generated_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>

namespace data {
namespace {

using testsupport::generatedLibrary;

std::vector<Pixel> picture(const PictureAsset& asset)
{
    auto pixels = readRawImage(generatedLibrary(), asset);
    EXPECT_TRUE(pixels.ok()) << pixels.error();
    return pixels ? *pixels : std::vector<Pixel>(asset.pixelCount());
}

int red(Pixel p) { return int(p >> 16 & 0xFF); }
int green(Pixel p) { return int(p >> 8 & 0xFF); }
int blue(Pixel p) { return int(p & 0xFF); }

TEST(GeneratedData, HoldsExactlyTheTableEntryByEntry)
{
    const auto entries = generatedLibrary().entries();
    ASSERT_TRUE(entries.ok()) << entries.error();
    ASSERT_EQ(entries->size(), assets::pictures.size() + assets::meshes.size());
    std::set<std::string_view> names;
    for (const LibraryEntry& entry : *entries) names.insert(entry.nameView());
    EXPECT_EQ(names.size(), entries->size()) << "a name appears twice";
    for (const PictureAsset& asset : assets::pictures) {
        const auto entry = generatedLibrary().seekEntry(asset.name);
        ASSERT_TRUE(entry.ok()) << entry.error();
        EXPECT_EQ(entry->size, asset.byteSize()) << asset.name;
        EXPECT_TRUE(readRawImage(generatedLibrary(), asset).ok()) << asset.name;
    }
    for (const std::string_view name : assets::meshes) {
        const auto mesh = loadMesh(generatedLibrary(), name);
        ASSERT_TRUE(mesh.ok()) << mesh.error();
        const auto entry = generatedLibrary().seekEntry(name);
        EXPECT_EQ(entry->size, meshCountsSize + meshRecordSize * std::size_t(mesh->vertexCount() + mesh->faceCount()));
    }
}

// The generator must give the same bytes on every build. When the art changes
// on purpose, run the test, check the contact sheet, and put the new hash here.
// The same bytes come out of optimised and sanitizer (-O0) builds. The
// lettering comes from FreeType and the DejaVu fonts and the shading from the
// C library's sin, exp and pow, so another version of those may change the
// hash too: check the contact sheet before taking the new one.
TEST(GeneratedData, IsTheReviewedBuild)
{
    std::uint64_t hash = 0xCBF29CE484222325u;  // FNV-1a, 64 bits
    for (const std::uint8_t byte : testsupport::readBytes("qorv.dat")) hash = (hash ^ byte) * 0x100000001B3u;
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, hash);
    EXPECT_STREQ(text, "b1e4ad239fdda027");
}

TEST(GeneratedData, SparksArePureChannelGlowsThatEndInBlack)
{
    const std::pair<PictureAsset, Pixel> sparks[] = {
        {assets::sparkRed, 0x00FF0000}, {assets::sparkGreen, 0x0000FF00}, {assets::sparkBlue, 0x000000FF}};
    for (const auto& [asset, channel] : sparks) {
        SCOPED_TRACE(asset.name);
        const auto pixels = picture(asset);
        for (const Pixel p : pixels) EXPECT_EQ(p & ~channel, 0u);
        EXPECT_GT(pixels[7 * 16 + 7] & channel, (channel / 255) * 200);
    }
}

// Pictures added over others: only exact black is skipped, so their border
// must be exactly black or the picture's box shows.
TEST(GeneratedData, AddedPicturesHaveBlackBorders)
{
    for (const PictureAsset& asset :
         {assets::sparkRed, assets::sparkGreen, assets::sparkBlue, assets::blob, assets::armSprite, assets::wordImmersion, assets::wordIs, assets::wordA,
          assets::wordState, assets::wordOf, assets::wordMind, assets::titleCode, assets::titleGraphics,
          assets::titleMusic, assets::nameVemko, assets::nameTolvak, assets::namePelm, assets::emblem, assets::quote,
          assets::windowOverlay, assets::spiral}) {
        SCOPED_TRACE(asset.name);
        const auto pixels = picture(asset);
        int lit = 0;
        for (int y = 0; y < asset.height; ++y) {
            for (int x = 0; x < asset.width; ++x) {
                const Pixel p = pixels[std::size_t(y * asset.width + x)];
                if (x == 0 || y == 0 || x == asset.width - 1 || y == asset.height - 1) {
                    EXPECT_EQ(p, 0u) << x << "," << y;
                }
                lit += p != 0;
            }
        }
        EXPECT_GT(lit, int(asset.pixelCount() / 10)) << "the picture is nearly empty";
    }
}

TEST(GeneratedData, KeyedPicturesHaveNoMagentaFringe)
{
    for (const PictureAsset& asset :
         {assets::demoLogo, assets::panoramaSprite1, assets::panoramaSprite2, assets::panoramaSprite3}) {
        SCOPED_TRACE(asset.name);
        const auto pixels = picture(asset);
        int keyed = 0, opaque = 0;
        for (int y = 0; y < asset.height; ++y) {
            for (int x = 0; x < asset.width; ++x) {
                const Pixel p = pixels[std::size_t(y * asset.width + x)];
                if (p == assets::keyColour) {
                    ++keyed;
                    continue;
                }
                ++opaque;
                // A blend of magenta and anything else keeps red and blue well above green.
                const bool tinted = red(p) >= 160 && blue(p) >= 160 && green(p) + 60 < std::min(red(p), blue(p));
                EXPECT_FALSE(tinted) << x << "," << y << std::hex << " 0x" << p;
            }
        }
        EXPECT_GT(keyed, 0);
        EXPECT_GT(opaque, int(asset.pixelCount() / 10));
    }
}

TEST(GeneratedData, WindowMaskIsExactWhiteWhereTheBeamsSweep)
{
    const auto& asset = assets::windowMask;
    const auto pixels = picture(asset);
    std::size_t white = 0;
    for (const Pixel p : pixels) {
        white += p == assets::windowColour;
        // Near-white wall pixels would look like holes the texture does not fill.
        if (p != assets::windowColour) {
            EXPECT_LE(std::min({red(p), green(p), blue(p)}), 245) << std::hex << p;
        }
    }
    EXPECT_GT(white, asset.pixelCount() / 5);
    EXPECT_LT(white, asset.pixelCount() * 3 / 5);
    for (int x = 240; x <= 310; ++x) {
        int rows = 0;
        for (int y = 0; y < asset.height; ++y) rows += pixels[std::size_t(y * asset.width + x)] == assets::windowColour;
        EXPECT_GE(rows, 100) << "column " << x;
    }
}

TEST(GeneratedData, TextureTilesSeamlessly)
{
    const auto& asset = assets::windowTexture;
    const auto pixels = picture(asset);
    const auto at = [&](int x, int y) { return pixels[std::size_t((y & 255) * 256 + (x & 255))]; };
    const auto difference = [](Pixel a, Pixel b) {
        return std::abs(red(a) - red(b)) + std::abs(green(a) - green(b)) + std::abs(blue(a) - blue(b));
    };
    // The step across the wrap must look like any other step between neighbours.
    double inside = 0, acrossColumns = 0, acrossRows = 0;
    for (int i = 0; i < 256; ++i) {
        for (int step = 1; step < 255; ++step) inside += difference(at(step, i), at(step + 1, i));
        acrossColumns += difference(at(255, i), at(0, i));
        acrossRows += difference(at(i, 255), at(i, 0));
    }
    inside /= 254;
    EXPECT_LT(acrossColumns, inside * 2);
    EXPECT_LT(acrossRows, inside * 2);
}

}  // namespace
}  // namespace data
