// The display window on a real X server (Xvfb, 1280 × 1024, no window
// manager), looked at through a screenshot of the whole screen: full-screen
// covers the desktop with the picture letterboxed and centred, and Alt+Enter
// switches to a window and back. Without a display every test skips.

#include <gtest/gtest.h>

#include "platform/video.h"

#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <dlfcn.h>
#include <link.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// SDL may load Mesa's GL driver behind the window, and Mesa unloads it at exit
// while its globals still hold allocations, which the leak checker then
// reports as lost. Pinned in memory, the driver keeps them reachable.
void pinGlDrivers()
{
    std::vector<std::string> drivers;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* found) {
            if (std::strstr(info->dlpi_name, "_dri.so") != nullptr)
                static_cast<std::vector<std::string>*>(found)->emplace_back(info->dlpi_name);
            return 0;
        },
        &drivers);
    for (const std::string& driver : drivers)
        dlopen(driver.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

struct Box {
    int left = -1, top = -1, right = -1, bottom = -1;  // inclusive; -1: nothing white
};

// Where the screen is white, from a screenshot of the root window.
Box whiteBox()
{
    Display* display = XOpenDisplay(nullptr);
    Box box;
    if (display == nullptr)
        return box;
    const Window root = DefaultRootWindow(display);
    XWindowAttributes attributes;
    XGetWindowAttributes(display, root, &attributes);
    XImage* image = XGetImage(display, root, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    for (int y = 0; image != nullptr && y < attributes.height; ++y) {
        for (int x = 0; x < attributes.width; ++x) {
            if ((XGetPixel(image, x, y) & 0xFFFFFF) != 0xFFFFFF)
                continue;
            box.left = box.left < 0 ? x : std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = box.top < 0 ? y : box.top;
            box.bottom = y;
        }
    }
    if (image != nullptr)
        XDestroyImage(image);
    XCloseDisplay(display);
    return box;
}

class DisplayWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::getenv("DISPLAY") == nullptr)
            GTEST_SKIP() << "no display to open windows on";
        setenv("SDL_VIDEODRIVER", "x11", 1);
        platform::VideoOptions options;
        options.fullscreen = true;
        ASSERT_TRUE(video.create(options));
        ASSERT_TRUE(video.openWindow());
        pinGlDrivers();
        ASSERT_TRUE(video.setDisplayMode(320, 240, 32));
    }
    void TearDown() override { setenv("SDL_VIDEODRIVER", "dummy", 1); }

    // The whole surface white, shown, and the screen given time to show it.
    void showWhite()
    {
        int pitch = 0;
        std::uint8_t* pixels = video.lock(&pitch);
        ASSERT_NE(pixels, nullptr);
        std::memset(pixels, 0xFF, static_cast<std::size_t>(pitch) * 240);
        video.unlock();
        settle();
    }
    void settle()
    {
        platform::WindowEvent event;
        for (int i = 0; i < 20; ++i) {
            while (video.pollEvent(event)) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    platform::VideoDevice video;
};

// 320 × 240 scaled by 4 is 1280 × 960: the full width, 32 black rows above
// and below. Windowed, the picture is scaled by 3 (the largest whole step
// within nine tenths of the desktop) into a centred 960 × 720 window; Alt+Enter
// again brings back the full screen. (One test: SDL's X11 video does not
// always start again in the same process once stopped.)
TEST_F(DisplayWindowTest, FullScreenCoversTheDesktopCentredAndAltEnterSwitchesToAWindowAndBack)
{
    showWhite();
    Box box = whiteBox();
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.right, 1279);
    EXPECT_EQ(box.top, 32);
    EXPECT_EQ(box.bottom, 991);

    const auto altEnter = [] {
        SDL_Event press{};
        press.type = SDL_KEYDOWN;
        press.key.keysym.sym = SDLK_RETURN;
        press.key.keysym.scancode = SDL_SCANCODE_RETURN;
        press.key.keysym.mod = KMOD_LALT;
        SDL_PushEvent(&press);
    };
    altEnter();
    settle();
    showWhite();
    box = whiteBox();
    EXPECT_EQ(box.right - box.left + 1, 960);
    EXPECT_EQ(box.bottom - box.top + 1, 720);
    EXPECT_EQ(box.left, (1280 - 960) / 2);
    EXPECT_EQ(box.top, (1024 - 720) / 2);

    altEnter();
    settle();
    showWhite();
    box = whiteBox();
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 32);
    EXPECT_EQ(box.bottom, 991);
}

}  // namespace
