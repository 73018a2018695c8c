#pragma once
// The port's command line. With no arguments the show behaves as it always
// has: the setup window, then the show full-screen.

#include <functional>
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
    bool useMmx = false;            // with screenMode: the MMX switch's state
    // For the browser's page, which runs the show itself (never from the
    // command line): no player thread, the caller runs MusicPoll from its
    // timer; and the sound queue's length capped.
    bool soundServicedByCaller = false;
    int soundBufferMs = 0;  // 0: the library's own setting
    // Runs once the sound library has started up and before its device
    // opens, where the setup window offers "Audio Config": the page applies
    // the sound settings its form holds.
    std::function<void()> chooseSound;
    std::string capturePath;        // empty: show on the screen
    int captureScale = 0;           // 0: 4 for a video file, 1 for PNG frames
    bool keepSound = false;         // keep the sound's WAV file beside a captured video
};

struct ParsedCommandLine {
    ShowOptions options;
    std::string error;  // empty when the arguments were understood
};

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args);
std::string usageText(const std::string& programName);

}  // namespace host
