#pragma once
// One PNG that shows every picture of a data library with its name, and each
// mesh as a wire frame from a few angles, for reviewing the art at a glance.

#include "tools/assetgen/lettering.h"

#include <string>

namespace assetgen {

// Throws std::runtime_error when the library or an entry cannot be read.
void writeContactSheet(const std::string& libraryPath, const std::string& pngPath, const Lettering& lettering);

}  // namespace assetgen
