// Writes the modules the tests build in code into a folder, as seeds for the
// module fuzzers:  write_seeds FOLDER

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/sound/test_modules.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    for (const corvid::testing::NamedModule& module : corvid::testing::testModules()) {
        std::ofstream out(folder / module.name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(module.bytes.data()), static_cast<std::streamsize>(module.bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", (folder / module.name).c_str());
            return 1;
        }
    }
    return 0;
}
