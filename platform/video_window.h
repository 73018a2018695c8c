#pragma once
// What each platform supplies beneath the video device: its video system and
// the one window that shows the emulated surface's pictures. The video device
// (video.h) keeps the surface itself, its pixel formats and the frame sink,
// the same on every platform; only putting a picture on the screen and
// reading the window's events differ.

#include "platform/video.h"

#include <cstdint>
#include <memory>

namespace platform {

class VideoWindow {
public:
    virtual ~VideoWindow() = default;

    // Opens the (still black) window: full-screen on the desktop, or a
    // window of its own, as the options say.
    virtual bool open(const VideoOptions& options) = 0;
    // From now on pictures are width × height: shown letterboxed, scaled by
    // whole steps with square pixels. False when the window cannot show them.
    virtual bool setPictureSize(int width, int height) = 0;
    // Shows one picture of 0x00RRGGBB pixels at the size last set.
    virtual void show(const std::uint32_t* pixels) = 0;
    virtual void setCursorShown(bool shown) = 0;
    // Gives the screen back to the desktop (the window leaves full-screen).
    virtual void restoreDesktop() = 0;
    // One pending event of the window, if any.
    virtual bool pollEvent(WindowEvent& event) = 0;
};

// Starts the platform's video system; nothing when it cannot be started.
// Destroying the window stops the video system again.
std::unique_ptr<VideoWindow> startVideoSystem();

}  // namespace platform
