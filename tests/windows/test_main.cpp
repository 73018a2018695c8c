// The main of every test program built for Windows: SOLVANE_SOURCE_DIR points
// at the repository for tests that read files from it.

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (std::getenv("SOLVANE_SOURCE_DIR") == nullptr)
        _putenv_s("SOLVANE_SOURCE_DIR", SOLVANE_SOURCE_DIR);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
