#pragma once
// The screen: the display device, the switch into the chosen screen mode, the
// block of four frames the show draws into, and the presenter chosen for the
// mode. Created before the setup window (which lists the modes), opened once
// after the loading, closed at the end of the show or on abort.

#include "display/frame.h"
#include "display/presenter.h"
#include "platform/video.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace display {

enum class OpenResult {
    ok,
    deviceError,      // "DirectDraw Error!"
    modeUnsupported,  // "Mode unsupported!"
};

inline constexpr const char* deviceErrorMessage = "DirectDraw Error!";
inline constexpr const char* modeUnsupportedMessage = "Mode unsupported!";

class Display {
public:
    // Starts the display device; false when it cannot be created.
    bool create(const platform::VideoOptions& options);
    std::vector<platform::VideoModeDesc> modes() const { return video_.enumerateModes(); }

    // Opens the window, switches into the mode, makes the frame block and picks
    // the presenter. settle runs last (the show waits one second there so the
    // monitor can settle on the new mode).
    OpenResult openDisplay(int screenMode, bool interlaced, const std::function<void()>& settle = {});

    // Restores the desktop and releases the surface and the device; the frame
    // block stays until freeFrameBlock.
    void close();
    void freeFrameBlock();

    // Shows a frame; a frame whose surface cannot be locked is dropped. It
    // writes where each lock puts the surface rather than an address kept
    // from the open.
    void presentFrame(const Pixel* frame);

    Pixel* frameBuffer() { return frameBlock_ ? frameBlock_.get() : nullptr; }
    Pixel* scratchFrame() { return frameBlock_ ? frameBlock_.get() + framePixels : nullptr; }

    bool displayClosed() const { return displayClosed_; }
    int screenWidth() const { return screenWidth_; }
    int screenHeight() const { return screenHeight_; }
    int screenBits() const { return screenBits_; }
    int screenPitch() const { return setup_.screenPitch; }
    bool screenIs555() const { return setup_.screenIs555; }
    const PresenterSetup& presenter() const { return setup_; }
    platform::VideoDevice& video() { return video_; }

private:
    platform::VideoDevice video_;
    int screenWidth_ = 0, screenHeight_ = 0, screenBits_ = 0;
    // Four frames in one zero-filled block: the FrameBuffer, a scratch frame,
    // one unused, and the presenter's conversion buffer.
    std::unique_ptr<Pixel[]> frameBlock_;
    std::uint32_t* conversionBuffer_ = nullptr;
    PresenterSetup setup_;
    bool displayClosed_ = false;
};

// The show's one display.
extern Display mainDisplay;

// The display window's answer to one event: Escape sets abortRequested, a
// close request ends the process with exit code 0, everything else is left
// alone.
void displayWindowProcedure(const platform::WindowEvent& event, bool& abortRequested);

}  // namespace display
