#include "platform/video.h"

#include "platform/capture.h"
#include "platform/video_window.h"

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

VideoDevice::VideoDevice() = default;
VideoDevice::~VideoDevice() { release(); }

bool VideoDevice::create(const VideoOptions& options)
{
    options_ = options;
    if (!options_.window)
        return true;
    window_ = startVideoSystem(options_);
    return window_ != nullptr;
}

std::vector<VideoModeDesc> VideoDevice::enumerateModes() const
{
    std::vector<VideoModeDesc> modes;
    if (window_)
        modes = window_->displayModes();
    if (modes.empty())
        modes.assign(std::begin(offeredModes), std::end(offeredModes));
    return modes;
}

bool VideoDevice::openWindow()
{
    if (!window_)
        return true;
    if (refuseWindow_)
        return false;
    windowOpen_ = window_->open(options_);
    return windowOpen_;
}

bool VideoDevice::setDisplayMode(int width, int height, int bits)
{
    bool offered = false;
    for (const auto& mode : enumerateModes())
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

    if (windowOpen_ && !window_->setPictureSize(width, height, bits))
        return false;
    return true;
}

void VideoDevice::hideCursor()
{
    if (window_)
        window_->setCursorShown(false);
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
    if (windowOpen_)
        window_->show(shown_.data());
    if (sink_ != nullptr)
        sink_->writeFrame(shown_.data(), desc_.width, desc_.height);
}

void VideoDevice::restoreDisplayMode()
{
    if (windowOpen_)
        window_->restoreDesktop();
    if (window_)
        window_->setCursorShown(true);
}

void VideoDevice::release()
{
    window_.reset();
    windowOpen_ = false;
    surface_.clear();
    surfaceLocked_ = false;
}

bool VideoDevice::pollEvent(WindowEvent& event) { return window_ && window_->pollEvent(event); }

}  // namespace platform
