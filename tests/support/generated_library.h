#pragma once
// The qorv.dat that the build generated (in the build's bin/ folder, the
// tests' working directory), opened once the way the show opens it.

#include "data/data_library.h"

#include <gtest/gtest.h>

namespace testsupport {

inline data::DataLibrary& generatedLibrary()
{
    static data::Loaded<data::DataLibrary> library = data::DataLibrary::open("qorv.dat", data::Access::readOnly);
    if (!library)
        ADD_FAILURE() << library.error();
    return *library;
}

}  // namespace testsupport
