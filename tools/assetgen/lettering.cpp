#include "tools/assetgen/lettering.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <stdexcept>

namespace assetgen {

struct Lettering::Library {
    FT_Library freetype = nullptr;
    std::map<Face, FT_Face> faces;

    ~Library()
    {
        for (auto& [face, handle] : faces) FT_Done_Face(handle);
        if (freetype) FT_Done_FreeType(freetype);
    }
};

Lettering::Lettering(const std::string& fontFolder) : library_(std::make_unique<Library>())
{
    if (FT_Init_FreeType(&library_->freetype) != 0) throw std::runtime_error("cannot start FreeType");
    const std::pair<Face, const char*> files[] = {
        {Face::bold, "DejaVuSans-Bold.ttf"},
        {Face::condensedBold, "DejaVuSansCondensed-Bold.ttf"},
        {Face::oblique, "DejaVuSans-Oblique.ttf"},
        {Face::book, "DejaVuSans.ttf"},
    };
    for (const auto& [face, file] : files) {
        const std::string path = fontFolder + "/" + file;
        FT_Face handle = nullptr;
        if (FT_New_Face(library_->freetype, path.c_str(), 0, &handle) != 0) {
            throw std::runtime_error(path + ": cannot load the font");
        }
        library_->faces[face] = handle;
    }
}

Lettering::~Lettering() = default;

Mask Lettering::render(Face face, std::string_view text, int pixelSize, int tracking) const
{
    FT_Face handle = library_->faces.at(face);
    FT_Set_Pixel_Sizes(handle, 0, FT_UInt(pixelSize));

    // Draw onto a generous scratch mask around the baseline, then crop to the ink.
    const int ascent = pixelSize * 2;
    Mask scratch(int(text.size()) * (pixelSize + tracking) * 2 + pixelSize * 2, pixelSize * 4);
    int pen = pixelSize / 2;
    FT_UInt previous = 0;
    for (const char character : text) {
        const FT_UInt glyph = FT_Get_Char_Index(handle, FT_ULong(static_cast<unsigned char>(character)));
        if (previous != 0 && FT_HAS_KERNING(handle)) {
            FT_Vector kerning{};
            FT_Get_Kerning(handle, previous, glyph, FT_KERNING_DEFAULT, &kerning);
            pen += int(kerning.x >> 6);
        }
        if (FT_Load_Glyph(handle, glyph, FT_LOAD_RENDER) != 0) {
            throw std::runtime_error("cannot render a glyph");
        }
        const FT_GlyphSlot slot = handle->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            for (unsigned column = 0; column < bitmap.width; ++column) {
                const int x = pen + slot->bitmap_left + int(column);
                const int y = ascent - slot->bitmap_top + int(row);
                if (x < 0 || y < 0 || x >= scratch.width || y >= scratch.height) continue;
                const float value = float(bitmap.buffer[row * unsigned(bitmap.pitch) + column]) / 255.0f;
                scratch(x, y) = std::min(1.0f, scratch(x, y) + value);
            }
        }
        pen += int(slot->advance.x >> 6) + tracking;
        previous = glyph;
    }

    int left = scratch.width, right = -1, top = scratch.height, bottom = -1;
    for (int y = 0; y < scratch.height; ++y) {
        for (int x = 0; x < scratch.width; ++x) {
            if (scratch(x, y) > 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) return Mask(0, 0);
    return placed(scratch, right - left + 1, bottom - top + 1, -left, -top);
}

Mask Lettering::fit(Face face, std::string_view text, int width, int height, int margin, int tracking) const
{
    for (int size = height * 2; size > 4; --size) {
        const Mask ink = render(face, text, size, tracking);
        if (ink.width <= width - 2 * margin && ink.height <= height - 2 * margin) {
            return placed(ink, width, height, (width - ink.width) / 2, (height - ink.height) / 2);
        }
    }
    throw std::runtime_error("\"" + std::string(text) + "\" does not fit its picture");
}

}  // namespace assetgen
