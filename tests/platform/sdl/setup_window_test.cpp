// The setup window's real widgets, driven directly. Runs under Xvfb; without
// a display every test skips.

// GoogleTest comes before FLTK, whose X11 headers define None and Bool.
#include <gtest/gtest.h>

#include "host/resources.h"
#include "host/setup_choices.h"
#include "platform/dialog.h"
#include "platform/sdl/setup_window.h"
#include "tests/gui_capture.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Window.H>


#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

using platform::sdl::SetupWindow;

class SetupWindowTest : public gui_test::WindowTest {
protected:
    // The window as the show opens it, but for "Audio Config", which counts.
    std::unique_ptr<SetupWindow> open(const host::DemoConfig& config, const host::MmxChoice& mmx)
    {
        platform::SetupWindowContent content = host::setupWindowContent(
            config, mmx, std::vector<platform::VideoModeDesc>{{320, 240, 24}, {640, 400, 24}, {320, 240, 32}, {800, 600, 32}});
        content.soundSetup = [this] { ++soundSetups; };
        return std::make_unique<SetupWindow>(content);
    }

    int soundSetups = 0;
};

// The window offers the modes sorted and filtered, the default preselected.
TEST_F(SetupWindowTest, TheModeListOffersTheUsableModesWithTheDefaultChosen)
{
    host::MmxChoice mmx{true, false};
    const auto setup = open(host::DemoConfig{}, mmx);
    ASSERT_EQ(setup->modeList().size(), 5);  // four entries and the menu's end mark
    EXPECT_STREQ(setup->modeList().text(0), "320x240x24");
    EXPECT_STREQ(setup->modeList().text(3), "640x400x24 interlaced");
    EXPECT_STREQ(setup->modeList().text(), "320x240x32");
    EXPECT_EQ(setup->progressLines(), host::bannerLines());
}

TEST_F(SetupWindowTest, ThePictureShowsTheProgramsBitmap)
{
    host::MmxChoice mmx{true, false};
    const auto setup = open(host::DemoConfig{}, mmx);
    const gui_test::Picture shot = gui_test::drawWindow(setup->window());
    gui_test::saveForReview(shot, "setup_window");
    ASSERT_EQ(shot.width, platform::setupClientWidth);
    // The bitmap sits inside the picture control's 2-pixel sunken edge.
    const Fl_Box& picture = setup->picture();
    const int left = picture.x() + (picture.w() - host::demoBitmap.width) / 2;
    const int top = picture.y() + (picture.h() - host::demoBitmap.height) / 2;
    int differing = 0;
    for (int y = 0; y < host::demoBitmap.height; ++y) {
        for (int x = 0; x < host::demoBitmap.width; ++x)
            differing += std::memcmp(shot.at(left + x, top + y), host::demoBitmap.rgb + (y * host::demoBitmap.width + x) * 3, 3) != 0;
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(SetupWindowTest, WithoutMmxTheSwitchIsDisabledAndWithItTogglesTheChoice)
{
    host::MmxChoice without{false, false};
    const auto setup = open(host::DemoConfig{}, without);
    EXPECT_FALSE(setup->mmxSwitch().active());

    host::MmxChoice with{true, true};
    const auto second = open(host::DemoConfig{}, with);
    EXPECT_TRUE(second->mmxSwitch().active());
    EXPECT_EQ(second->mmxSwitch().value(), 1);  // already chosen: starts pressed
    second->mmxSwitch().value(0);
    second->mmxSwitch().do_callback();
    EXPECT_FALSE(second->useMmx());
    second->mmxSwitch().value(1);
    second->mmxSwitch().do_callback();
    EXPECT_TRUE(second->useMmx());
}

TEST_F(SetupWindowTest, AudioConfigOpensTheSoundSetupAndGoWritesTheChosenMode)
{
    host::MmxChoice mmx{true, false};
    host::DemoConfig config;
    const auto setup = open(config, mmx);
    setup->audioConfig().do_callback();
    setup->audioConfig().do_callback();
    EXPECT_EQ(soundSetups, 2);

    setup->modeList().value(3);  // "640x400x24 interlaced"
    setup->startButton().do_callback();
    const platform::SetupResult result = setup->run();
    EXPECT_EQ(result.outcome, platform::SetupOutcome::start);
    host::applySetupResult(result, config, mmx);
    EXPECT_EQ(config.screenMode, 12);
    EXPECT_EQ(config.interlaced, 1);
}

// A real pointer click on GO!, delivered by the X server while the window's
// own loop waits for events.
TEST_F(SetupWindowTest, AClickOnGoEndsTheWaitingLoop)
{
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xdotool is not installed";
    host::MmxChoice mmx{true, false};
    host::DemoConfig config;
    const auto setup = open(config, mmx);
    setup->modeList().value(3);  // "640x400x24 interlaced"
    Fl_Window& window = setup->window();
    for (int i = 0; i < 100 && !window.visible_r(); ++i)
        Fl::wait(0.02);
    Fl::wait(0.1);
    const Fl_Button& go = setup->startButton();
    const int x = window.x_root() + go.x() + go.w() / 2;
    const int y = window.y_root() + go.y() + go.h() / 2;
    // A missed click must not hang the test: the close box ends the loop
    // after a few seconds instead.
    const Fl_Timeout_Handler closeWindow = [](void* w) { static_cast<Fl_Window*>(w)->do_callback(); };
    Fl::add_timeout(10.0, closeWindow, &window);
    std::thread clicker([x, y] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const std::string command =
            "xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1 >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0);
    });
    const platform::SetupResult result = setup->run();
    clicker.join();
    Fl::remove_timeout(closeWindow, &window);
    EXPECT_EQ(result.outcome, platform::SetupOutcome::start);
    EXPECT_EQ(result.chosenMode, "640x400x24 interlaced");
}

TEST_F(SetupWindowTest, TheCloseBoxEndsTheLoopAsClosed)
{
    host::MmxChoice mmx{true, false};
    host::DemoConfig config;
    const auto setup = open(config, mmx);
    setup->window().do_callback();
    const platform::SetupResult result = setup->run();
    EXPECT_EQ(result.outcome, platform::SetupOutcome::closed);
    host::applySetupResult(result, config, mmx);
    EXPECT_EQ(config.screenMode, 7);
}

// Once the show's window opens nothing services the setup window, so it
// leaves the screen instead of standing there unrepainted.
TEST_F(SetupWindowTest, HidingTakesTheWindowOffTheScreen)
{
    host::MmxChoice mmx{true, false};
    const auto setup = open(host::DemoConfig{}, mmx);
    EXPECT_TRUE(setup->window().shown());
    setup->hide();
    EXPECT_FALSE(setup->window().shown());
}

TEST_F(SetupWindowTest, ProgressLinesAppearAtOnceAndTheScrollBarWakesWhenTheyOverflow)
{
    host::MmxChoice mmx{true, false};
    const auto setup = open(host::DemoConfig{}, mmx);
    for (const char* line : {"Loading music (qorv.xm)...", "Opening file library (qorv.dat)...", "@bold? plain text"})
        setup->addProgressLine(line);
    EXPECT_EQ(setup->progressLines().back(), "@bold? plain text");
    EXPECT_FALSE(setup->progressList().scrollbar.active());
    gui_test::saveForReview(gui_test::drawWindow(setup->window()), "setup_window_progress");
    for (int i = 0; i < 40; ++i)
        setup->addProgressLine("line");
    EXPECT_TRUE(setup->progressList().scrollbar.active());
}

}  // namespace
