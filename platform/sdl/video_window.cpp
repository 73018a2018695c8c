#include "platform/video_window.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

bool driverRequestedByName()
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    return driver != nullptr && *driver != '\0';
}

// An SDL window with a renderer and a streaming texture of the picture's size.
// The picture is uploaded as 32-bit pixels only: SDL's software renderer
// converts 16-bit textures slowly.
class SdlVideoWindow final : public VideoWindow {
public:
    ~SdlVideoWindow() override
    {
        if (texture_ != nullptr)
            SDL_DestroyTexture(texture_);
        if (renderer_ != nullptr)
            SDL_DestroyRenderer(renderer_);
        if (window_ != nullptr)
            SDL_DestroyWindow(window_);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    bool open(const VideoOptions& options) override
    {
        fullscreen_ = options.fullscreen;
        // Full-screen, the window is made with the desktop's own bounds: without
        // a window manager nobody else resizes it, and the renderer draws for
        // the whole desktop. Windowed, it starts at a comfortable size and
        // setPictureSize fits it to the mode.
        SDL_Rect bounds{SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 640, 480};
        if (fullscreen_ && SDL_GetDisplayBounds(0, &bounds) != 0)
            bounds = {SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 640, 480};
        const Uint32 flags = SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE | (fullscreen_ ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
        window_ = SDL_CreateWindow(options.title.c_str(), bounds.x, bounds.y, bounds.w, bounds.h, flags);
        if (window_ == nullptr)
            return false;
        renderer_ = SDL_CreateRenderer(window_, -1, 0);
        if (renderer_ == nullptr)
            renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
        if (renderer_ == nullptr)
            return false;
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        SDL_RenderPresent(renderer_);
        return true;
    }

    // No desktop switches into these modes any more: the picture is scaled.
    bool setPictureSize(int width, int height, int) override
    {
        width_ = width;
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
        SDL_RenderSetLogicalSize(renderer_, width, height);
        SDL_RenderSetIntegerScale(renderer_, SDL_TRUE);
        height_ = height;
        if (!fullscreen_)
            fitWindowToPicture();
        if (texture_ != nullptr)
            SDL_DestroyTexture(texture_);
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width, height);
        return texture_ != nullptr;
    }

    void show(const std::uint32_t* pixels) override
    {
        if (texture_ == nullptr)
            return;
        SDL_UpdateTexture(texture_, nullptr, pixels, width_ * 4);
        SDL_RenderClear(renderer_);
        SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
        SDL_RenderPresent(renderer_);
    }

    void setCursorShown(bool shown) override { SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE); }

    void restoreDesktop() override { SDL_SetWindowFullscreen(window_, 0); }

    bool pollEvent(WindowEvent& event) override
    {
        SDL_Event e;
        if (SDL_PollEvent(&e) == 0)
            return false;
        event = {};
        switch (e.type) {
        case SDL_KEYDOWN:
            // Alt+Enter switches between full-screen and a window; the
            // picture keeps its size and aspect, and the show goes on.
            if (e.key.keysym.sym == SDLK_RETURN && (e.key.keysym.mod & KMOD_ALT) != 0) {
                if (e.key.repeat == 0)
                    switchFullscreen();
                break;
            }
            event.kind = WindowEventKind::keyDown;
            event.virtualKey = e.key.keysym.sym == SDLK_ESCAPE ? virtualKeyEscape : 0x100 + e.key.keysym.scancode;
            break;
        case SDL_QUIT:
            event.kind = WindowEventKind::closeRequest;
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE)
                event.kind = WindowEventKind::closeRequest;
            else if (e.window.event == SDL_WINDOWEVENT_EXPOSED)
                event.kind = WindowEventKind::paint;
            break;
        default:
            break;
        }
        return true;
    }

private:
    // As large a whole multiple of the picture as fits comfortably on the
    // desktop, centred.
    void fitWindowToPicture()
    {
        SDL_Rect usable{0, 0, 1280, 960};
        SDL_GetDisplayUsableBounds(0, &usable);
        int scale = 1;
        while ((scale + 1) * width_ <= usable.w * 9 / 10 && (scale + 1) * height_ <= usable.h * 9 / 10 && scale < 4)
            ++scale;
        SDL_SetWindowSize(window_, width_ * scale, height_ * scale);
        SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }

    void switchFullscreen()
    {
        fullscreen_ = !fullscreen_;
        if (fullscreen_) {
            SDL_Rect bounds;
            if (SDL_GetDisplayBounds(0, &bounds) == 0) {
                SDL_SetWindowPosition(window_, bounds.x, bounds.y);
                SDL_SetWindowSize(window_, bounds.w, bounds.h);
            }
            SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
            SDL_ShowCursor(SDL_DISABLE);
        } else {
            SDL_SetWindowFullscreen(window_, 0);
            SDL_ShowCursor(SDL_ENABLE);
            if (width_ > 0)
                fitWindowToPicture();
        }
    }

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    bool fullscreen_ = true;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace

std::unique_ptr<VideoWindow> startVideoSystem(const VideoOptions&)
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return nullptr;
    return std::make_unique<SdlVideoWindow>();
}

// SDL falls back to its offscreen driver when there is no screen; that counts
// as no screen unless the user asked for a driver by name (tests ask for
// "dummy").
std::uint32_t modeSettleMs() { return 1000; }

bool displayAvailable()
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool screen = driver != nullptr && (driverRequestedByName() ||
                                              (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0));
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return screen;
}

}  // namespace platform
