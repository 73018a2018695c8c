// The display window in the browser: the page's canvas (id "screen"), sized
// to the picture and scaled by the page's style (whole steps, or to fit, with
// pixelated scaling), full-screen through the Fullscreen API. Keys and the
// page being closed reach the show as window events, queued here from the
// page's own events and read one per pass.

#include "platform/video_window.h"

#include <emscripten.h>

namespace platform {

namespace {

// clang-format off
EM_JS(int, canvasOpen, (int fullscreen), {
    const canvas = document.getElementById('screen');
    if (!canvas)
        return 0;
    if (!Module['solvaneEvents']) {
        // kind * 65536 + virtual key, the kind counted from 1 (1 key down, 2 close).
        const queue = Module['solvaneEvents'] = [];
        document.addEventListener('keydown', (event) => {
            if (event.keyCode === 27)
                event.preventDefault();
            queue.push(65536 + event.keyCode);
        });
        window.addEventListener('pagehide', () => queue.push(2 * 65536));
    }
    // The canvas and the black around it go full-screen together; leaving
    // full-screen with the browser's own Escape (which the page never sees
    // as a key) is the viewer's Escape too.
    const stage = canvas.parentElement || canvas;
    stage.hidden = false;
    if (fullscreen && stage.requestFullscreen && !document.fullscreenElement) {
        stage.requestFullscreen().then(() => {
            const left = () => {
                if (document.fullscreenElement)
                    return;
                document.removeEventListener('fullscreenchange', left);
                Module['solvaneEvents'].push(65536 + 27);
            };
            document.addEventListener('fullscreenchange', left);
        }).catch(() => {});  // refused without a gesture: stays in the page
    }
    return 1;
});
EM_JS(int, canvasSetSize, (int width, int height), {
    const canvas = document.getElementById('screen');
    if (!canvas)
        return 0;
    canvas.width = width;
    canvas.height = height;
    Module['solvaneImage'] = canvas.getContext('2d').createImageData(width, height);
    if (Module['onPictureSize'])
        Module['onPictureSize'](width, height);
    return 1;
});
// 0x00RRGGBB pixels, in memory blue, green, red, 0: swapped to the canvas's
// red, green, blue, alpha.
EM_JS(void, canvasShow, (const std::uint32_t* pixels, int count), {
    const image = Module['solvaneImage'];
    const canvas = document.getElementById('screen');
    if (!image || !canvas)
        return;
    const source = HEAPU32.subarray(pixels >> 2, (pixels >> 2) + count);
    const target = new Uint32Array(image.data.buffer);
    for (let i = 0; i < count; ++i) {
        const p = source[i];
        target[i] = 0xFF000000 | ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
    }
    canvas.getContext('2d').putImageData(image, 0, 0);
    if (Module['onPicture'])
        Module['onPicture']();
});
EM_JS(void, canvasCursor, (int shown), {
    const canvas = document.getElementById('screen');
    if (canvas)
        canvas.style.cursor = shown ? "auto" : "none";
});
EM_JS(void, canvasLeaveFullscreen, (), {
    const canvas = document.getElementById('screen');
    if (canvas && canvas.parentElement)
        canvas.parentElement.hidden = true;
    if (document.fullscreenElement && document.exitFullscreen)
        document.exitFullscreen().catch(() => {});
});
// The next queued event: 0 none, else kind * 65536 + virtual key.
EM_JS(int, nextPageEvent, (), {
    const queue = Module['solvaneEvents'];
    return queue && queue.length ? queue.shift() : 0;
});
// clang-format on

class CanvasWindow final : public VideoWindow {
public:
    bool open(const VideoOptions& options) override { return canvasOpen(options.fullscreen ? 1 : 0) == 1; }
    bool setPictureSize(int width, int height, int) override
    {
        width_ = width;
        height_ = height;
        return canvasSetSize(width, height) == 1;
    }
    void show(const std::uint32_t* pixels) override { canvasShow(pixels, width_ * height_); }
    void setCursorShown(bool shown) override { canvasCursor(shown ? 1 : 0); }
    void restoreDesktop() override { canvasLeaveFullscreen(); }
    bool pollEvent(WindowEvent& event) override
    {
        const int queued = nextPageEvent();
        if (queued == 0)
            return false;
        event.kind = static_cast<WindowEventKind>(queued / 65536 - 1);
        event.virtualKey = queued % 65536;
        return true;
    }

private:
    int width_ = 0;
    int height_ = 0;
};

}  // namespace

std::unique_ptr<VideoWindow> startVideoSystem(const VideoOptions&) { return std::make_unique<CanvasWindow>(); }

bool displayAvailable() { return true; }

std::uint32_t modeSettleMs() { return 0; }

}  // namespace platform
