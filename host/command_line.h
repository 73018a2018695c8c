#pragma once
// The port's command line. With no arguments the show behaves as it always
// has: the setup window, then the show full-screen.

#include <optional>
#include <string>
#include <vector>

namespace host {

struct ShowOptions {
    bool help = false;
    bool version = false;
    bool listModes = false;
    bool windowed = false;
    bool silent = false;
    std::optional<int> screenMode;  // from --mode; skips the setup window
    bool interlaced = false;
    std::string capturePath;        // empty: show on the screen
};

struct ParsedCommandLine {
    ShowOptions options;
    std::string error;  // empty when the arguments were understood
};

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args);
std::string usageText(const std::string& programName);

}  // namespace host
