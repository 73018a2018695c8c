#pragma once
// The setup window the viewer sees first: the screen-mode list, the "Use MMX"
// switch, "Audio Config", the program's picture, "GO!", and below them the
// progress list that the loading writes to. The host decides what it offers
// and what the choice means (host/setup_choices.h); each platform builds the
// controls and runs the window. Once "GO!" is pressed the window stays on
// screen, behind the display window, for the progress lines. Main thread only.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A picture of 3 bytes per pixel (red, green, blue), rows top to bottom.
struct RgbPicture {
    int width = 0;
    int height = 0;
    const unsigned char* rgb = nullptr;
};

struct SetupWindowContent {
    std::string title;
    std::vector<std::string> modeEntries;    // the mode list, in its order
    std::optional<std::size_t> selectedMode; // the entry that starts selected
    bool mmxAvailable = false;               // false: the switch is greyed out
    bool useMmx = false;                     // the switch starts pressed
    std::vector<std::string> progressLines;  // the progress list's first lines
    RgbPicture picture;
    RgbPicture icon;
    std::function<void()> soundSetup;        // "Audio Config"; returns when its dialog closes
};

enum class SetupOutcome {
    start,        // "GO!" pressed
    closed,       // the viewer closed the window: end the process with exit code 0
    unavailable,  // no display to show the window on; nothing changed
};

struct SetupResult {
    SetupOutcome outcome = SetupOutcome::unavailable;
    std::optional<std::string> chosenMode;  // the selected entry's text, on "GO!"
    bool useMmx = false;                    // the switch's state, on "GO!"
};

// How the setup window's banner names this port ("Linux with SDL2 and FLTK").
extern const char* const setupBannerPlatform;

// Client area of a 600 × 314 window with a dialog frame and a caption.
inline constexpr int setupClientWidth = 594;
inline constexpr int setupClientHeight = 286;

// Opens the window (if there is a display to show it on) and handles its
// events until "GO!" or a close request (or a termination request, which
// counts as one). A close request after "GO!" ends the
// process with exit code 0 at once.
SetupResult runSetupWindow(const SetupWindowContent& content);

// Takes the setup window off the screen once the show's own window opens:
// nothing services it from then on, and a window that does not repaint
// looks like a hang (the show's window may be a window of its own, or
// become one with Alt+Enter).
void hideSetupWindow();

// Appends one line to the setup window's progress list and repaints it at
// once; false when there is no setup window (the caller shows the line
// elsewhere).
bool addSetupProgressLine(std::string_view line);

}  // namespace platform
