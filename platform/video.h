#pragma once
// The display device the show draws to: a window on the desktop that shows
// an emulated primary surface in the pixel format of the chosen screen
// mode, scaled to the window with the aspect kept, square pixels and integer
// scaling. No desktop switches its monitor into 320 × 240 any more, so
// "setting a display mode" gives the surface that mode's size and format and
// the window shows it letterboxed.
//
// Without a window (capture, tests) the surface is the same; each unlocked
// picture then goes to the frame sink only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class FrameSink;
class VideoWindow;

struct VideoModeDesc {
    int width = 0;
    int height = 0;
    int bits = 0;
};

// What the surface reports about itself, as a display driver would.
struct SurfaceDesc {
    int width = 0;
    int height = 0;
    int bits = 0;
    int pitch = 0;               // bytes per row, at least width × bytes per pixel
    std::uint32_t greenMask = 0; // 0x7E0 for 5-6-5, 0x3E0 for 5-5-5, 0xFF00 for 24 and 32 bits
};

struct VideoOptions {
    bool window = true;           // false: no window at all, frames go to the sink only
    bool fullscreen = true;       // full-screen on the desktop, or a window of its own
    std::string title = "Solvane";
    int extraPitchBytes = 0;      // pads every surface row, as some drivers do
    bool sixteenBitIs555 = false; // 16-bit surfaces in 5-5-5 instead of 5-6-5
};

enum class WindowEventKind { keyDown, closeRequest, paint, other };

struct WindowEvent {
    WindowEventKind kind = WindowEventKind::other;
    int virtualKey = 0;  // for keyDown: 0x1B is Escape
};

constexpr int virtualKeyEscape = 0x1B;

class VideoDevice {
public:
    VideoDevice();
    ~VideoDevice();
    VideoDevice(const VideoDevice&) = delete;
    VideoDevice& operator=(const VideoDevice&) = delete;

    // Starts the video system. Fails when a window was asked for and no video
    // driver can be started.
    bool create(const VideoOptions& options);
    // The modes a driver would offer: every mode the show knows, plus a few it
    // must filter out.
    std::vector<VideoModeDesc> enumerateModes() const;

    bool openWindow();                              // the (still black) display window
    bool setDisplayMode(int width, int height, int bits);  // false: mode not offered
    void hideCursor();
    bool createPrimarySurface();

    // Pixel access to the primary surface. lock() fails (returns nullptr) when
    // the surface is lost or busy; a failed lock must not be unlocked.
    std::uint8_t* lock(int* pitch = nullptr);
    // Shows what the surface holds now: in the window, and to the frame sink.
    void unlock();
    SurfaceDesc surfaceDesc() const { return desc_; }

    // Restores the desktop and releases the surface and the window.
    void restoreDisplayMode();
    void release();

    // One pending window event, if any (the caller dispatches it).
    bool pollEvent(WindowEvent& event);

    void setFrameSink(FrameSink* sink) { sink_ = sink; }
    // Test hook: the window cannot be opened, as when the system refuses it.
    void refuseWindow() { refuseWindow_ = true; }
    // Test hook: the next n locks fail, as with a lost surface.
    void failNextLocks(int n) { failingLocks_ = n; }
    // The surface as the screen shows it, in 0x00RRGGBB pixels (mode-sized).
    const std::vector<std::uint32_t>& shownPixels() const { return shown_; }
    bool hasWindow() const { return windowOpen_; }

private:
    void convertSurfaceToShown();

    VideoOptions options_;
    bool surfaceLocked_ = false;
    bool refuseWindow_ = false;
    int failingLocks_ = 0;
    SurfaceDesc desc_;
    std::vector<std::uint8_t> surface_;
    std::vector<std::uint32_t> shown_;
    FrameSink* sink_ = nullptr;
    std::unique_ptr<VideoWindow> window_;  // the platform's video system, once started
    bool windowOpen_ = false;
};

// Converts one row of a surface in the given format to 0x00RRGGBB pixels.
void convertRowToXrgb(const std::uint8_t* row, int width, int bits, bool is555, std::uint32_t* out);

// Whether the machine has a screen to show a window on.
bool displayAvailable();

// How long the show lets the monitor settle on its mode before the music
// starts: a second where a mode switch may have happened; nothing where
// the picture goes into a page that switches no mode.
std::uint32_t modeSettleMs();

}  // namespace platform
