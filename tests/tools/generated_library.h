#pragma once
// The qorv.dat that the build generated, opened the way the show opens it.

#include "data/data_library.h"

#include <gtest/gtest.h>

namespace data::testing {

inline DataLibrary& generatedLibrary()
{
    static Loaded<DataLibrary> library = DataLibrary::open("qorv.dat", Access::readOnly);
    if (!library) ADD_FAILURE() << library.error();
    return *library;
}

}  // namespace data::testing
