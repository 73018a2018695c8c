#pragma once
// The setup window (FLTK): the mode list, the "Use MMX" switch, "Audio
// Config", the show's picture, "GO!", and the progress list that the loading
// writes to. It stays on screen, behind the display window, until the
// process ends.
//
// Start-up calls runSetupWindow once; progressLine then hands every line to
// addSetupProgressLine. Main thread only.

#include "host/demo_config.h"
#include "platform/video.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class Fl_Box;
class Fl_Browser;
class Fl_Button;
class Fl_Choice;
class Fl_Widget;
class Fl_Window;

namespace host {

class ProgressList;

enum class SetupOutcome {
    start,        // "GO!" pressed; the configuration holds the chosen mode
    closed,       // the viewer closed the window: end the process with exit code 0
    unavailable,  // no display to show the window on; nothing changed
};

// Client area of a 600 × 314 window with a dialog frame and a caption.
inline constexpr int setupClientWidth = 594;
inline constexpr int setupClientHeight = 286;

class SetupWindow {
public:
    // Builds the window and its controls, fills the progress list's first
    // lines and the mode list from the driver's modes, preselects the
    // configured mode and shows the window. Needs an open dialog display
    // (platform::openDialogDisplay). soundSetup runs when "Audio Config" is
    // pressed; its result is ignored.
    SetupWindow(const DemoConfig& config, MmxChoice& mmx, const std::vector<platform::VideoModeDesc>& driverModes,
                std::function<void()> soundSetup);
    ~SetupWindow();
    SetupWindow(const SetupWindow&) = delete;
    SetupWindow& operator=(const SetupWindow&) = delete;

    // Handles events until "GO!" or a close request; on "GO!" writes the
    // chosen mode into config. A close request after that ends the process
    // with exit code 0 at once.
    SetupOutcome run(DemoConfig& config);

    // Appends one line to the progress list and repaints it at once.
    void addProgressLine(std::string_view line);

    // The controls, for tests that drive them.
    Fl_Window& window() { return *window_; }
    Fl_Choice& modeList() { return *modeList_; }
    Fl_Button& mmxSwitch() { return *mmxSwitch_; }
    Fl_Button& audioConfig() { return *audioConfig_; }
    Fl_Box& picture() { return *picture_; }
    Fl_Button& startButton() { return *start_; }
    Fl_Browser& progressList();
    std::vector<std::string> progressLines() const;
    bool startRequested() const { return startRequested_; }

private:
    static void onClose(Fl_Widget*, void* self);
    static void onStart(Fl_Widget*, void* self);
    static void onAudioConfig(Fl_Widget*, void* self);
    static void onMmx(Fl_Widget*, void* self);

    MmxChoice& mmx_;
    std::function<void()> soundSetup_;
    bool startRequested_ = false;
    bool closeRequested_ = false;
    std::unique_ptr<Fl_Window> window_;
    Fl_Choice* modeList_ = nullptr;
    Fl_Button* mmxSwitch_ = nullptr;
    Fl_Button* audioConfig_ = nullptr;
    Fl_Box* picture_ = nullptr;
    Fl_Button* start_ = nullptr;
    ProgressList* progress_ = nullptr;
};

// The show's setup window: opens it (if a display can be opened), runs it
// until "GO!" or a close request and keeps it for the progress lines. Audio
// Config opens the sound library's setup dialog.
SetupOutcome runSetupWindow(DemoConfig& config, MmxChoice& mmx, const std::vector<platform::VideoModeDesc>& driverModes);

// Adds a line to the setup window's progress list; false when there is no
// setup window (the caller shows the line elsewhere).
bool addSetupProgressLine(std::string_view line);

}  // namespace host
