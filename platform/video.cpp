#include "platform/video.h"

#include "platform/capture.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

// The modes the show knows (16, 24 and 32 bits at five sizes), and a few that
// a driver also offers but the show cannot use (8 bits, other sizes).
const VideoModeDesc offeredModes[] = {
    {320, 200, 8},  {320, 200, 16}, {320, 200, 24}, {320, 200, 32}, {320, 240, 8},  {320, 240, 16},
    {320, 240, 24}, {320, 240, 32}, {512, 384, 16}, {512, 384, 24}, {512, 384, 32}, {640, 400, 8},
    {640, 400, 16}, {640, 400, 24}, {640, 400, 32}, {640, 480, 8},  {640, 480, 16}, {640, 480, 24},
    {640, 480, 32}, {800, 600, 16}, {800, 600, 32}, {1024, 768, 32},
};

int bytesPerPixel(int bits) { return (bits - 1) / 8 + 1; }

bool driverRequestedByName()
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    return driver != nullptr && *driver != '\0';
}

}  // namespace

void convertRowToXrgb(const std::uint8_t* row, int width, int bits, bool is555, std::uint32_t* out)
{
    switch (bits) {
    case 16:
        for (int x = 0; x < width; ++x) {
            const std::uint32_t w = row[2 * x] | (row[2 * x + 1] << 8);
            std::uint32_t r, g, b;
            if (is555) {
                r = (w >> 10) & 0x1F;
                g = (w >> 5) & 0x1F;
                b = w & 0x1F;
                g = (g << 3) | (g >> 2);
            } else {
                r = (w >> 11) & 0x1F;
                g = (w >> 5) & 0x3F;
                b = w & 0x1F;
                g = (g << 2) | (g >> 4);
            }
            // Widen 5 bits to 8 by repeating the top bits, so white stays white.
            r = (r << 3) | (r >> 2);
            b = (b << 3) | (b >> 2);
            out[x] = (r << 16) | (g << 8) | b;
        }
        break;
    case 24:
        for (int x = 0; x < width; ++x)
            out[x] = row[3 * x] | (row[3 * x + 1] << 8) | (static_cast<std::uint32_t>(row[3 * x + 2]) << 16);
        break;
    default:
        for (int x = 0; x < width; ++x) {
            std::uint32_t p;
            std::memcpy(&p, row + 4 * x, 4);
            out[x] = p & 0x00FFFFFF;
        }
        break;
    }
}

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

VideoDevice::~VideoDevice() { release(); }

bool VideoDevice::create(const VideoOptions& options)
{
    options_ = options;
    if (!options_.window)
        return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return false;
    videoStarted_ = true;
    return true;
}

std::vector<VideoModeDesc> VideoDevice::enumerateModes() const
{
    return {std::begin(offeredModes), std::end(offeredModes)};
}

bool VideoDevice::openWindow()
{
    if (!videoStarted_)
        return true;
    // The window starts at a comfortable size; setDisplayMode fits it to the mode.
    const Uint32 flags = SDL_WINDOW_SHOWN | (options_.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_RESIZABLE);
    window_ = SDL_CreateWindow(options_.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 640, 480, flags);
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

bool VideoDevice::setDisplayMode(int width, int height, int bits)
{
    bool offered = false;
    for (const auto& mode : offeredModes)
        offered |= mode.width == width && mode.height == height && mode.bits == bits;
    if (!offered || bits < 16)
        return false;

    desc_ = {};
    desc_.width = width;
    desc_.height = height;
    desc_.bits = bits;
    desc_.pitch = width * bytesPerPixel(bits) + options_.extraPitchBytes;
    desc_.greenMask = bits == 16 ? (options_.sixteenBitIs555 ? 0x3E0u : 0x7E0u) : 0xFF00u;
    surface_.assign(static_cast<std::size_t>(desc_.pitch) * height, 0);
    shown_.assign(static_cast<std::size_t>(width) * height, 0);

    if (renderer_ != nullptr) {
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
        SDL_RenderSetLogicalSize(renderer_, width, height);
        SDL_RenderSetIntegerScale(renderer_, SDL_TRUE);
        if (!options_.fullscreen) {
            // As large a whole multiple of the mode as fits comfortably on the desktop.
            SDL_Rect usable{0, 0, 1280, 960};
            SDL_GetDisplayUsableBounds(0, &usable);
            int scale = 1;
            while ((scale + 1) * width <= usable.w * 9 / 10 && (scale + 1) * height <= usable.h * 9 / 10 && scale < 4)
                ++scale;
            SDL_SetWindowSize(window_, width * scale, height * scale);
            SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        }
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width, height);
        if (texture_ == nullptr)
            return false;
    }
    return true;
}

void VideoDevice::hideCursor()
{
    if (videoStarted_)
        SDL_ShowCursor(SDL_DISABLE);
}

bool VideoDevice::createPrimarySurface() { return !surface_.empty(); }

std::uint8_t* VideoDevice::lock(int* pitch)
{
    if (surface_.empty() || surfaceLocked_)
        return nullptr;
    if (failingLocks_ > 0) {
        --failingLocks_;
        return nullptr;
    }
    surfaceLocked_ = true;
    if (pitch != nullptr)
        *pitch = desc_.pitch;
    return surface_.data();
}

void VideoDevice::convertSurfaceToShown()
{
    const bool is555 = desc_.greenMask == 0x3E0;
    for (int y = 0; y < desc_.height; ++y)
        convertRowToXrgb(surface_.data() + static_cast<std::size_t>(y) * desc_.pitch, desc_.width, desc_.bits, is555,
                         shown_.data() + static_cast<std::size_t>(y) * desc_.width);
}

void VideoDevice::unlock()
{
    if (!surfaceLocked_)
        return;
    surfaceLocked_ = false;
    convertSurfaceToShown();
    if (texture_ != nullptr) {
        SDL_UpdateTexture(texture_, nullptr, shown_.data(), desc_.width * 4);
        SDL_RenderClear(renderer_);
        SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
        SDL_RenderPresent(renderer_);
    }
    if (sink_ != nullptr)
        sink_->writeFrame(shown_.data(), desc_.width, desc_.height);
}

void VideoDevice::restoreDisplayMode()
{
    if (window_ != nullptr)
        SDL_SetWindowFullscreen(window_, 0);
    if (videoStarted_)
        SDL_ShowCursor(SDL_ENABLE);
}

void VideoDevice::release()
{
    if (texture_ != nullptr)
        SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr)
        SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr)
        SDL_DestroyWindow(window_);
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
    surface_.clear();
    surfaceLocked_ = false;
    if (videoStarted_)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    videoStarted_ = false;
}

bool VideoDevice::pollEvent(WindowEvent& event)
{
    if (!videoStarted_)
        return false;
    SDL_Event e;
    if (SDL_PollEvent(&e) == 0)
        return false;
    event = {};
    switch (e.type) {
    case SDL_KEYDOWN:
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

}  // namespace platform
