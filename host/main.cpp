// The entry point: the port's command line, then the show.

#include "display/screen_modes.h"
#include "host/command_line.h"
#include "host/show.h"

#include <cstdio>
#include <string>
#include <vector>

#ifndef SOLVANE_VERSION
#define SOLVANE_VERSION "unknown"
#endif

int main(int argc, char** argv)
{
    const std::string program = argc > 0 ? argv[0] : "solvane";
    const auto parsed = host::parseCommandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "solvane: %s\n\n%s", parsed.error.c_str(), host::usageText(program).c_str());
        return 2;
    }
    const host::ShowOptions& options = parsed.options;
    if (options.help) {
        std::printf("%s", host::usageText(program).c_str());
        return 0;
    }
    if (options.version) {
        std::printf("solvane %s\n", SOLVANE_VERSION);
        return 0;
    }
    if (options.listModes) {
        for (const auto& name : display::allScreenModeNames())
            std::printf("%s\n", name.c_str());
        return 0;
    }
    return host::runShow(options);
}
