#pragma once
// Reads every picture and mesh the show uses, as its startup does, stopping at
// the first failure: the fuzzer and the truncation sweep use it as the show's
// view of a library.

#include "data/assets.h"
#include "data/data_library.h"
#include "data/mesh.h"
#include "data/raw_image.h"

#include <vector>

namespace fuzzing {

inline data::Status checkShowAssets(data::DataLibrary& library)
{
    std::vector<data::Pixel> pixels;
    for (const data::PictureAsset& picture : data::assets::pictures) {
        pixels.resize(picture.pixelCount());
        if (auto read = data::readRawImage(library, picture, pixels); !read) return read;
    }
    for (const std::string_view name : data::assets::meshes) {
        if (auto mesh = data::loadMesh(library, name); !mesh) return data::fail(mesh.error());
    }
    return data::Done{};
}

}  // namespace fuzzing
