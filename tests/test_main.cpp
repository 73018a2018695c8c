// The main of every test program: tests need no screen and no sound card, so
// SDL uses its dummy video and audio drivers unless the caller chose others,
// and SOLVANE_SOURCE_DIR points at the repository for tests that read files
// from it.

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("SOLVANE_SOURCE_DIR", SOLVANE_SOURCE_DIR, 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
