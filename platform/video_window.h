#pragma once
// What each platform supplies beneath the video device: its video system and
// the one window that shows the emulated surface's pictures. The video device
// (video.h) keeps the surface itself, its pixel formats and the frame sink,
// the same on every platform; only putting a picture on the screen and
// reading the window's events differ.

#include "platform/video.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

class VideoWindow {
public:
    virtual ~VideoWindow() = default;

    // Opens the (still black) window: full-screen on the desktop, or a
    // window of its own, as the options say.
    virtual bool open(const VideoOptions& options) = 0;
    // From now on pictures are width × height, for a screen of that many
    // bits per pixel: the screen switched into that mode where the platform
    // can, else shown letterboxed, scaled by whole steps with square pixels.
    // False when the window cannot show them.
    virtual bool setPictureSize(int width, int height, int bits) = 0;
    // Shows one picture of 0x00RRGGBB pixels at the size last set.
    virtual void show(const std::uint32_t* pixels) = 0;
    virtual void setCursorShown(bool shown) = 0;
    // Gives the screen back to the desktop (the window leaves full-screen).
    virtual void restoreDesktop() = 0;
    // One pending event of the window, if any.
    virtual bool pollEvent(WindowEvent& event) = 0;
    // The modes the display driver offers, when it switches the screen into
    // them; empty when any mode can be shown (scaled in a window).
    virtual std::vector<VideoModeDesc> displayModes() const { return {}; }
};

// Starts the platform's video system for windows of these options; nothing
// when it cannot be started. Destroying the window stops it again.
std::unique_ptr<VideoWindow> startVideoSystem(const VideoOptions& options);

}  // namespace platform
