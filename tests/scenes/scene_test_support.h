#pragma once
// What the scene tests share: the generated qorv.dat, the show's sine table,
// a heap frame pair, and whole-frame hashes that can also be written as PNG
// files (set SOLVANE_FRAME_DIR to a folder) to look at the frame by eye.

#include "data/data_library.h"
#include "host/show_random.h"
#include "host/show_state.h"
#include "host/sine_table.h"
#include "platform/capture.h"
#include "tests/render/test_frame.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace scenes::test {

using render::test::TestFrame;

inline data::DataLibrary& generatedLibrary()
{
    static data::Loaded<data::DataLibrary> library = data::DataLibrary::open("qorv.dat", data::Access::readOnly);
    if (!library)
        ADD_FAILURE() << library.error();
    return *library;
}

// The show's state as start-up leaves it: the sine table filled, the random
// sequence at its start.
inline void resetShowState()
{
    host::showState.sineTable = host::buildSineTable();
    host::showRandom = host::ShowRandom{};
}

// Loads a scene from qorv.dat after resetting the show's state.
template <class SceneType>
void loadScene(SceneType& scene)
{
    resetShowState();
    const data::Status status = scene.load(generatedLibrary());
    ASSERT_TRUE(status) << status.error();
}

// 64-bit FNV-1a over the frame's pixels, low byte first.
inline std::uint64_t frameHash(const TestFrame& frame)
{
    std::uint64_t hash = 14695981039346656037u;
    for (const render::Pixel pixel : frame.pixels)
        for (int shift = 0; shift < 32; shift += 8) {
            hash ^= (pixel >> shift) & 0xFF;
            hash *= 1099511628211u;
        }
    return hash;
}

// Writes the frame as <SOLVANE_FRAME_DIR>/<name>.png when that is set.
inline void keepFrame(const TestFrame& frame, const std::string& name)
{
    if (const char* folder = std::getenv("SOLVANE_FRAME_DIR"))
        platform::writePng(std::string(folder) + "/" + name + ".png", frame.pixels.data(), display::frameWidth,
                           display::frameHeight);
}

inline bool isBlack(const TestFrame& frame)
{
    for (const render::Pixel pixel : frame.pixels)
        if (pixel != 0)
            return false;
    return true;
}

}  // namespace scenes::test
