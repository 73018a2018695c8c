#include "display/display.h"

#include "display/screen_modes.h"

#include <cstdio>
#include <cstdlib>

namespace display {

Display mainDisplay;

bool Display::create(const platform::VideoOptions& options)
{
    displayClosed_ = false;
    return video_.create(options);
}

OpenResult Display::openDisplay(int screenMode, bool interlaced, const std::function<void()>& settle)
{
    decodeScreenMode(screenMode, screenWidth_, screenHeight_, screenBits_);
    if (!video_.openWindow())
        return OpenResult::deviceError;
    if (!video_.setDisplayMode(screenWidth_, screenHeight_, screenBits_))
        return OpenResult::modeUnsupported;
    video_.hideCursor();
    if (!video_.createPrimarySurface())
        return OpenResult::deviceError;

    frameBlock_ = std::make_unique<Pixel[]>(4 * framePixels);  // zero-filled
    conversionBuffer_ = frameBlock_.get() + 3 * framePixels;

    setup_ = {};
    const platform::SurfaceDesc desc = video_.surfaceDesc();
    setup_.screenIs555 = screenBits_ == 16 && desc.greenMask == 0x3E0;
    computeLayout(screenWidth_, screenHeight_, screenBits_, desc.pitch, interlaced, setup_);
    choosePresenter(screenMode, setup_);

    if (settle)
        settle();
    return OpenResult::ok;
}

void Display::close()
{
    video_.restoreDisplayMode();
    video_.release();
    displayClosed_ = true;
}

void Display::freeFrameBlock()
{
    frameBlock_.reset();
    conversionBuffer_ = nullptr;
}

void Display::presentFrame(const Pixel* frame)
{
    const std::uint32_t* src = prepareSource(setup_, frame, conversionBuffer_);
    std::uint8_t* screen = video_.lock();
    if (screen == nullptr)
        return;
    writeToScreen(setup_, src, screen);
    video_.unlock();
}

void displayWindowProcedure(const platform::WindowEvent& event, bool& abortRequested)
{
    switch (event.kind) {
    case platform::WindowEventKind::keyDown:
        if (event.virtualKey == platform::virtualKeyEscape)
            abortRequested = true;
        break;
    case platform::WindowEventKind::closeRequest:
        // The process ends at once, as on the system the show was written
        // for: the sound library's player thread is still running, and
        // static destructors must not pull its state away under it.
        std::fflush(nullptr);
        std::_Exit(0);
    case platform::WindowEventKind::paint:
    case platform::WindowEventKind::other:
        // The surface belongs to the show while it runs; nothing to paint.
        break;
    }
}

}  // namespace display
