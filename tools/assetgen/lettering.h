#pragma once
// Anti-aliased lettering from the DejaVu fonts through FreeType. Text comes
// back as a coverage mask cropped to its ink, so it can be fitted to a box.

#include "tools/assetgen/canvas.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace assetgen {

enum class Face { bold, condensedBold, oblique, book };

class Lettering {
public:
    // Loads the faces from `fontFolder` (e.g. /usr/share/fonts/truetype/dejavu).
    explicit Lettering(const std::string& fontFolder);
    ~Lettering();
    Lettering(const Lettering&) = delete;
    Lettering& operator=(const Lettering&) = delete;

    // The text at a pixel size, cropped to its ink. `tracking` adds pixels between letters.
    Mask render(Face face, std::string_view text, int pixelSize, int tracking = 0) const;
    // The largest rendering whose ink fits width × height less `margin` on each side,
    // centred in a mask of exactly width × height.
    Mask fit(Face face, std::string_view text, int width, int height, int margin, int tracking = 0) const;

private:
    struct Library;
    std::unique_ptr<Library> library_;
};

}  // namespace assetgen
