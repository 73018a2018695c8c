#include "display/display.h"
#include "display/screen_modes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

platform::VideoOptions offscreen(bool is555 = false)
{
    platform::VideoOptions o;
    o.window = false;
    o.sixteenBitIs555 = is555;
    o.extraPitchBytes = 24;
    return o;
}

TEST(ScreenModes, TableAndNames)
{
    int w = 1, h = 2, bits = 3;
    display::decodeScreenMode(17, w, h, bits);  // outside 2..16: unchanged
    EXPECT_EQ(w * 100 + h * 10 + bits, 123);
    display::decodeScreenMode(1, w, h, bits);
    EXPECT_EQ(w * 100 + h * 10 + bits, 123);
    display::decodeScreenMode(7, w, h, bits);
    EXPECT_EQ(display::screenModeName(w, h, bits), "320x240x32");

    const auto names = display::allScreenModeNames();
    EXPECT_EQ(names.size(), 21u);
    EXPECT_EQ(std::count_if(names.begin(), names.end(),
                            [](const std::string& n) { return n.find(" interlaced") != std::string::npos; }),
              6);
    for (const auto& name : names)
        EXPECT_TRUE(display::modeChoiceByName(name)) << name;

    const auto interlaced = display::modeChoiceByName("640x480x16 interlaced");
    ASSERT_TRUE(interlaced);
    EXPECT_EQ(interlaced->screenMode, 14);
    EXPECT_TRUE(interlaced->interlaced);
    EXPECT_FALSE(display::modeChoiceByName("320x240x32 interlaced"));  // only the 640-wide modes
    EXPECT_FALSE(display::modeChoiceByName("320x240x8"));
    EXPECT_FALSE(display::modeChoiceByName(""));
}

TEST(DisplayOpen, FrameBlockAndPresenterFollowTheMode)
{
    display::Display d;
    ASSERT_TRUE(d.create(offscreen()));
    ASSERT_EQ(d.openDisplay(14, true), display::OpenResult::ok);
    EXPECT_EQ(d.screenWidth(), 640);
    EXPECT_EQ(d.screenBits(), 16);
    EXPECT_EQ(d.screenPitch(), 640 * 2 + 24);
    EXPECT_FALSE(d.screenIs555());
    EXPECT_EQ(d.presenter().path, display::PresentPath::doubled16);
    ASSERT_NE(d.frameBuffer(), nullptr);
    EXPECT_TRUE(std::all_of(d.frameBuffer(), d.frameBuffer() + 2 * display::framePixels,
                            [](display::Pixel p) { return p == 0; }));
    d.close();
    EXPECT_TRUE(d.displayClosed());
    d.freeFrameBlock();
    EXPECT_EQ(d.frameBuffer(), nullptr);
}

TEST(DisplayOpen, FiveFiveFiveComesFromTheGreenMask)
{
    for (bool is555 : {false, true}) {
        display::Display d;
        ASSERT_TRUE(d.create(offscreen(is555)));
        ASSERT_EQ(d.openDisplay(5, false), display::OpenResult::ok);
        EXPECT_EQ(d.video().surfaceDesc().greenMask, is555 ? 0x3E0u : 0x7E0u);
        EXPECT_EQ(d.screenIs555(), is555);
    }
    display::Display d;  // a 32-bit mode never repacks, whatever its masks
    ASSERT_TRUE(d.create(offscreen(true)));
    ASSERT_EQ(d.openDisplay(7, false), display::OpenResult::ok);
    EXPECT_FALSE(d.screenIs555());
}

TEST(DisplayOpen, AModeTheDeviceRefusesIsReported)
{
    display::Display d;
    ASSERT_TRUE(d.create(offscreen()));
    EXPECT_EQ(d.openDisplay(17, false), display::OpenResult::modeUnsupported);
}

TEST(DisplayPresent, AFailedLockLeavesThePreviousPicture)
{
    display::Display d;
    ASSERT_TRUE(d.create(offscreen()));
    ASSERT_EQ(d.openDisplay(7, false), display::OpenResult::ok);
    std::fill_n(d.frameBuffer(), display::framePixels, 0x00336699u);
    d.presentFrame(d.frameBuffer());
    const auto shown = d.video().shownPixels();
    EXPECT_EQ(shown[20 * 320], 0x00336699u);  // first line of the centred picture
    EXPECT_EQ(shown[19 * 320], 0u);           // the black border above it

    std::fill_n(d.frameBuffer(), display::framePixels, 0x00FFFFFFu);
    d.video().failNextLocks(1);
    d.presentFrame(d.frameBuffer());
    EXPECT_EQ(d.video().shownPixels(), shown);
    d.presentFrame(d.frameBuffer());  // the next lock works again
    EXPECT_EQ(d.video().shownPixels()[20 * 320], 0x00FFFFFFu);
}

TEST(DisplayWindow, EscapeRequestsTheAbortAndOtherKeysDoNothing)
{
    bool abortRequested = false;
    display::displayWindowProcedure({platform::WindowEventKind::keyDown, 'A'}, abortRequested);
    display::displayWindowProcedure({platform::WindowEventKind::paint, 0}, abortRequested);
    EXPECT_FALSE(abortRequested);
    display::displayWindowProcedure({platform::WindowEventKind::keyDown, platform::virtualKeyEscape}, abortRequested);
    EXPECT_TRUE(abortRequested);
}

TEST(DisplayWindowDeathTest, ACloseRequestEndsTheProcessWithExitCodeZero)
{
    bool abortRequested = false;
    EXPECT_EXIT(display::displayWindowProcedure({platform::WindowEventKind::closeRequest, 0}, abortRequested),
                ::testing::ExitedWithCode(0), "");
}

}  // namespace
