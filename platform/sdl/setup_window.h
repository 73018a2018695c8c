#pragma once
// The setup window in FLTK: the controls at their places, the window's own
// event loop, and the progress list. runSetupWindow (platform/setup_window.h)
// keeps one for the whole run; tests build it and drive its widgets directly.

#include "platform/setup_window.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class Fl_Box;
class Fl_Browser;
class Fl_Button;
class Fl_Choice;
class Fl_RGB_Image;
class Fl_Widget;
class Fl_Window;

namespace platform::sdl {

class ProgressList;

class SetupWindow {
public:
    // Builds the window and its controls from the content and shows it. Needs
    // an open dialog display (platform::openDialogDisplay).
    explicit SetupWindow(const SetupWindowContent& content);
    ~SetupWindow();
    SetupWindow(const SetupWindow&) = delete;
    SetupWindow& operator=(const SetupWindow&) = delete;

    // Handles events until "GO!" or a close request.
    SetupResult run();

    void hide();

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
    bool useMmx() const { return useMmx_; }

private:
    static void onClose(Fl_Widget*, void* self);
    static void onStart(Fl_Widget*, void* self);
    static void onAudioConfig(Fl_Widget*, void* self);
    static void onMmx(Fl_Widget*, void* self);

    std::function<void()> soundSetup_;
    bool useMmx_ = false;
    bool startRequested_ = false;
    bool closeRequested_ = false;
    std::unique_ptr<Fl_RGB_Image> icon_;
    std::unique_ptr<Fl_RGB_Image> pictureImage_;
    std::unique_ptr<Fl_Window> window_;
    Fl_Choice* modeList_ = nullptr;
    Fl_Button* mmxSwitch_ = nullptr;
    Fl_Button* audioConfig_ = nullptr;
    Fl_Box* picture_ = nullptr;
    Fl_Button* start_ = nullptr;
    ProgressList* progress_ = nullptr;
};

}  // namespace platform::sdl
