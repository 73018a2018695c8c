// The emulated screen under SDL's dummy video driver: no display needed.

#include "platform/video.h"
#include "tests/support/kept_frames.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(SurfaceConversion, EveryFormatWidensToTheSameColours)
{
    std::uint32_t out[2];
    const std::uint8_t white565[] = {0xFF, 0xFF, 0xE0, 0x07};  // white, pure green
    platform::convertRowToXrgb(white565, 2, 16, false, out);
    EXPECT_EQ(out[0], 0x00FFFFFFu);
    EXPECT_EQ(out[1], 0x0000FF00u);
    const std::uint8_t white555[] = {0xFF, 0x7F, 0x1F, 0x00};  // white, pure blue
    platform::convertRowToXrgb(white555, 2, 16, true, out);
    EXPECT_EQ(out[0], 0x00FFFFFFu);
    EXPECT_EQ(out[1], 0x000000FFu);
    const std::uint8_t bgr[] = {0x56, 0x34, 0x12, 1, 2, 3};
    platform::convertRowToXrgb(bgr, 2, 24, false, out);
    EXPECT_EQ(out[0], 0x00123456u);
    EXPECT_EQ(out[1], 0x00030201u);
    const std::uint32_t xrgb[] = {0xFF123456u, 0x00ABCDEFu};
    platform::convertRowToXrgb(reinterpret_cast<const std::uint8_t*>(xrgb), 2, 32, false, out);
    EXPECT_EQ(out[0], 0x00123456u);
    EXPECT_EQ(out[1], 0x00ABCDEFu);
}

TEST(VideoDevice, ModesSurfaceLockAndSink)
{
    platform::VideoDevice video;
    platform::VideoOptions options;
    options.window = false;
    ASSERT_TRUE(video.create(options));
    EXPECT_GT(video.enumerateModes().size(), 15u);
    EXPECT_EQ(video.lock(), nullptr) << "no surface before a mode is set";
    EXPECT_FALSE(video.setDisplayMode(320, 200, 8)) << "8-bit modes are offered but cannot be used";
    EXPECT_FALSE(video.setDisplayMode(321, 200, 32));
    ASSERT_TRUE(video.setDisplayMode(512, 384, 24));
    ASSERT_TRUE(video.createPrimarySurface());

    testsupport::KeptFrames sink;
    video.setFrameSink(&sink);
    int pitch = 0;
    std::uint8_t* pixels = video.lock(&pitch);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(pitch, 512 * 3);
    EXPECT_EQ(video.lock(), nullptr) << "a locked surface is busy";
    pixels[0] = 0x30;
    pixels[2] = 0x10;
    video.unlock();
    EXPECT_EQ(sink.count, 1);
    EXPECT_EQ(sink.last[0], 0x00100030u);
    EXPECT_EQ(sink.lastWidth, 512);
    EXPECT_EQ(sink.lastHeight, 384);
}

TEST(VideoDevice, EscapeAndCloseArriveAsWindowEvents)
{
    platform::VideoDevice video;
    platform::VideoOptions options;
    options.fullscreen = false;
    ASSERT_TRUE(video.create(options)) << SDL_GetError();
    ASSERT_TRUE(video.openWindow()) << SDL_GetError();
    ASSERT_TRUE(video.setDisplayMode(640, 480, 16)) << SDL_GetError();
    platform::WindowEvent event;
    while (video.pollEvent(event)) {
    }

    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_ESCAPE;
    SDL_PushEvent(&key);
    key.key.keysym.sym = SDLK_SPACE;
    key.key.keysym.scancode = SDL_SCANCODE_SPACE;
    SDL_PushEvent(&key);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);

    ASSERT_TRUE(video.pollEvent(event));
    EXPECT_EQ(event.kind, platform::WindowEventKind::keyDown);
    EXPECT_EQ(event.virtualKey, platform::virtualKeyEscape);
    ASSERT_TRUE(video.pollEvent(event));
    EXPECT_EQ(event.kind, platform::WindowEventKind::keyDown);
    EXPECT_NE(event.virtualKey, platform::virtualKeyEscape);
    ASSERT_TRUE(video.pollEvent(event));
    EXPECT_EQ(event.kind, platform::WindowEventKind::closeRequest);
    video.release();
}

}  // namespace
