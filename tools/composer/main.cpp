// Writes the show's music, qorv.xm, to the path given on the command line.

#include "tools/composer/score.h"
#include "tools/composer/xm_writer.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.xm\n", argv[0]);
        return 2;
    }
    const composer::XmFile file = composer::writeXm(composer::composeQorv());
    if (!file.error.empty()) {
        std::fprintf(stderr, "composer: the module cannot be written: %s\n", file.error.c_str());
        return 1;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.bytes.data()), static_cast<std::streamsize>(file.bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "composer: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
