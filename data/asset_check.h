#pragma once
// Reads every picture and mesh the show uses once, at startup, so that a
// damaged qorv.dat (cut short, an entry missing, a mesh pointing outside its
// vertices) stops the show before its display opens instead of in the middle.

#include "data/data_library.h"

namespace data {

// The first failure's message, or Done when every asset reads.
Status checkShowAssets(DataLibrary& library);

}  // namespace data
