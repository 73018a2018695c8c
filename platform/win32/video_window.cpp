// The display window on Windows. Full-screen it is what DirectDraw makes of
// it: a topmost pop-up window, the exclusive cooperative level, the screen
// switched into the chosen mode, and every picture written into the locked
// primary surface in the mode's own pixel format; RestoreDisplayMode gives
// the desktop back. Windowed it is a normal window that shows each picture
// scaled by whole steps through GDI's StretchDIBits.
//
// Messages reach the window procedure one per pollEvent, as the frame service
// pumps them; the procedure turns those the show cares about into events.
#include "platform/video_window.h"

#include <windows.h>

#include <ddraw.h>

#include <algorithm>
#include <deque>
#include <vector>

namespace platform {

namespace {

constexpr const char* windowClassName = "DEMOWINDOW";

// The pixel format of a locked surface, by its colour masks.
struct SurfaceFormat {
    int bytesPerPixel = 4;
    std::uint32_t redMask = 0xFF0000, greenMask = 0xFF00, blueMask = 0xFF;
};

// Places the top bits of an 8-bit channel value into a mask.
std::uint32_t channelInto(std::uint32_t value8, std::uint32_t mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (((mask >> shift) & 1u) == 0)
        ++shift;
    int width = 0;
    while (((mask >> (shift + width)) & 1u) != 0)
        ++width;
    return width >= 8 ? (value8 << (shift + width - 8)) & mask : (value8 >> (8 - width)) << shift;
}

void writeRow(const std::uint32_t* pixels, int width, const SurfaceFormat& format, std::uint8_t* out)
{
    for (int x = 0; x < width; ++x) {
        const std::uint32_t p = pixels[x];
        const std::uint32_t value = channelInto(p >> 16 & 0xFF, format.redMask) |
                                    channelInto(p >> 8 & 0xFF, format.greenMask) | channelInto(p & 0xFF, format.blueMask);
        for (int b = 0; b < format.bytesPerPixel; ++b)
            *out++ = static_cast<std::uint8_t>(value >> (8 * b));
    }
}

class Win32VideoWindow final : public VideoWindow {
public:
    Win32VideoWindow(IDirectDraw* directDraw, bool fullscreen) : directDraw_(directDraw), fullscreen_(fullscreen) {}

    ~Win32VideoWindow() override
    {
        releaseSurface();
        if (directDraw_ != nullptr)
            directDraw_->Release();
        if (window_ != nullptr)
            DestroyWindow(window_);
        setCursorShown(true);
    }

    bool open(const VideoOptions& options) override
    {
        fullscreen_ = options.fullscreen;
        const HINSTANCE instance = GetModuleHandleA(nullptr);
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = instance;
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        windowClass.lpszClassName = windowClassName;
        if (!fullscreen_)
            windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        RegisterClassA(&windowClass);
        if (fullscreen_)
            window_ = CreateWindowExA(WS_EX_TOPMOST, windowClassName, "", WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                      GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance, this);
        else
            window_ = CreateWindowExA(0, windowClassName, options.title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                      CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance, this);
        if (window_ == nullptr)
            return false;
        ShowWindow(window_, SW_SHOW);
        UpdateWindow(window_);
        return true;
    }

    bool setPictureSize(int width, int height, int bits) override
    {
        width_ = width;
        height_ = height;
        return fullscreen_ ? switchMode(width, height, bits) : fitWindow(width, height);
    }

    void show(const std::uint32_t* pixels) override
    {
        shown_ = pixels;
        if (fullscreen_)
            writeToPrimarySurface(pixels);
        else if (const HDC dc = GetDC(window_); dc != nullptr) {
            paint(dc);
            ReleaseDC(window_, dc);
        }
    }

    void setCursorShown(bool shown) override
    {
        if (shown != cursorShown_)
            ShowCursor(shown ? TRUE : FALSE);
        cursorShown_ = shown;
    }

    void restoreDesktop() override
    {
        releaseSurface();
        if (fullscreen_ && directDraw_ != nullptr) {
            directDraw_->RestoreDisplayMode();
            directDraw_->SetCooperativeLevel(window_, DDSCL_NORMAL);
        }
    }

    bool pollEvent(WindowEvent& event) override
    {
        MSG message;
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            return false;
        TranslateMessage(&message);
        DispatchMessageA(&message);
        event = {};
        if (!events_.empty()) {
            event = events_.front();
            events_.pop_front();
        }
        return true;
    }

    std::vector<VideoModeDesc> displayModes() const override
    {
        std::vector<VideoModeDesc> modes;
        if (!fullscreen_ || directDraw_ == nullptr)
            return modes;
        directDraw_->EnumDisplayModes(0, nullptr, &modes, addMode);
        return modes;
    }

private:
    static HRESULT WINAPI addMode(LPDDSURFACEDESC desc, LPVOID context)
    {
        static_cast<std::vector<VideoModeDesc>*>(context)->push_back(
            {static_cast<int>(desc->dwWidth), static_cast<int>(desc->dwHeight),
             static_cast<int>(desc->ddpfPixelFormat.dwRGBBitCount)});
        return DDENUMRET_OK;
    }

    bool switchMode(int width, int height, int bits)
    {
        if (directDraw_ == nullptr || directDraw_->SetCooperativeLevel(window_, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) != DD_OK)
            return false;
        if (directDraw_->SetDisplayMode(static_cast<DWORD>(width), static_cast<DWORD>(height), static_cast<DWORD>(bits)) !=
            DD_OK)
            return false;
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        if (directDraw_->CreateSurface(&desc, &primary_, nullptr) != DD_OK) {
            primary_ = nullptr;
            return false;
        }
        DDSURFACEDESC actual{};
        actual.dwSize = sizeof actual;
        if (primary_->GetSurfaceDesc(&actual) != DD_OK)
            return false;
        format_.bytesPerPixel = (static_cast<int>(actual.ddpfPixelFormat.dwRGBBitCount) + 7) / 8;
        format_.redMask = actual.ddpfPixelFormat.dwRBitMask;
        format_.greenMask = actual.ddpfPixelFormat.dwGBitMask;
        format_.blueMask = actual.ddpfPixelFormat.dwBBitMask;
        return true;
    }

    // Locks the primary surface, waiting while it is busy; a lost surface is
    // restored and this picture dropped.
    void writeToPrimarySurface(const std::uint32_t* pixels)
    {
        if (primary_ == nullptr)
            return;
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof desc;
        const HRESULT locked = primary_->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr);
        if (locked == DDERR_SURFACELOST) {
            primary_->Restore();
            return;
        }
        if (locked != DD_OK)
            return;
        auto* surface = static_cast<std::uint8_t*>(desc.lpSurface);
        const int rows = std::min(height_, static_cast<int>(desc.dwHeight));
        const int columns = std::min(width_, static_cast<int>(desc.dwWidth));
        for (int y = 0; y < rows; ++y)
            writeRow(pixels + static_cast<std::size_t>(y) * width_, columns, format_, surface + y * desc.lPitch);
        primary_->Unlock(desc.lpSurface);
    }

    // As large a whole multiple of the picture as fits comfortably on the desktop.
    bool fitWindow(int width, int height)
    {
        RECT work{0, 0, 1280, 960};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        int scale = 1;
        while ((scale + 1) * width <= (work.right - work.left) * 9 / 10 &&
               (scale + 1) * height <= (work.bottom - work.top) * 9 / 10 && scale < 4)
            ++scale;
        RECT frame{0, 0, width * scale, height * scale};
        AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
        SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER);
        return true;
    }

    // The picture centred in the client area, scaled by the largest whole step
    // that fits; the rest black.
    void paint(HDC dc)
    {
        RECT client;
        GetClientRect(window_, &client);
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        if (shown_ == nullptr || width_ == 0 || height_ == 0)
            return;
        const int scale = std::max(1, static_cast<int>(std::min(client.right / width_, client.bottom / height_)));
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;  // rows top to bottom
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        StretchDIBits(dc, (client.right - width_ * scale) / 2, (client.bottom - height_ * scale) / 2, width_ * scale,
                      height_ * scale, 0, 0, width_, height_, shown_, &info, DIB_RGB_COLORS, SRCCOPY);
    }

    void releaseSurface()
    {
        if (primary_ != nullptr)
            primary_->Release();
        primary_ = nullptr;
    }

    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message) {
        case WM_PAINT: {
            // Full-screen the surface belongs to the show until the desktop
            // is back; the region is validated all the same, or the system
            // would ask again and again.
            PAINTSTRUCT paintStruct;
            const HDC dc = BeginPaint(window_, &paintStruct);
            if (!fullscreen_)
                paint(dc);
            EndPaint(window_, &paintStruct);
            events_.push_back({WindowEventKind::paint, 0});
            return 0;
        }
        case WM_CLOSE:
            events_.push_back({WindowEventKind::closeRequest, 0});
            return 0;
        case WM_KEYDOWN:
            events_.push_back({WindowEventKind::keyDown, static_cast<int>(wParam)});
            return 0;
        default:
            return DefWindowProcA(window_, message, wParam, lParam);
        }
    }

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            auto* self = static_cast<Win32VideoWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
            self->window_ = window;
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<Win32VideoWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        return self != nullptr ? self->handle(message, wParam, lParam) : DefWindowProcA(window, message, wParam, lParam);
    }

    IDirectDraw* directDraw_ = nullptr;
    IDirectDrawSurface* primary_ = nullptr;
    HWND window_ = nullptr;
    bool fullscreen_ = true;
    bool cursorShown_ = true;
    int width_ = 0, height_ = 0;
    SurfaceFormat format_;
    const std::uint32_t* shown_ = nullptr;
    std::deque<WindowEvent> events_;
};

}  // namespace

// The DirectDraw object of the default display driver comes first: without it
// there is no display.
std::unique_ptr<VideoWindow> startVideoSystem(const VideoOptions& options)
{
    IDirectDraw* directDraw = nullptr;
    if (options.fullscreen && DirectDrawCreate(nullptr, &directDraw, nullptr) != DD_OK)
        return nullptr;
    return std::make_unique<Win32VideoWindow>(directDraw, options.fullscreen);
}

// A monitor switched to another mode takes about a second to show it.
std::uint32_t modeSettleMs() { return 1000; }

bool displayAvailable() { return GetSystemMetrics(SM_CXSCREEN) > 0; }

}  // namespace platform
