#include "data/asset_check.h"

#include "data/assets.h"
#include "data/mesh.h"
#include "data/raw_image.h"

#include <vector>

namespace data {

Status checkShowAssets(DataLibrary& library)
{
    std::vector<Pixel> pixels;
    for (const PictureAsset& picture : assets::pictures) {
        pixels.resize(picture.pixelCount());
        if (auto read = readRawImage(library, picture, pixels); !read) return read;
    }
    for (const std::string_view name : assets::meshes) {
        if (auto mesh = loadMesh(library, name); !mesh) return fail(mesh.error());
    }
    return Done{};
}

}  // namespace data
