// The setup window with Win32 controls: class "ZEVDEMOCFG", seven child
// controls told apart by their window handles, and a message loop that runs
// until "GO!". Afterwards the window stays on screen for the progress lines.
#include "platform/setup_window.h"
#include "platform/termination.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace platform {

namespace {

constexpr const char* setupClassName = "ZEVDEMOCFG";

struct SetupWindowState {
    HWND window = nullptr;
    HWND modeList = nullptr, mmxSwitch = nullptr, soundSetup = nullptr, start = nullptr, progressList = nullptr;
    HBITMAP picture = nullptr;
    HICON icon = nullptr;
    bool startRequested = false;
    bool closeRequested = false;
    const SetupWindowContent* content = nullptr;
};

SetupWindowState setupWindowState;

// A bottom-up 24-bit DIB section from red, green, blue rows top to bottom.
HBITMAP bitmapOf(const RgbPicture& picture)
{
    if (picture.rgb == nullptr || picture.width <= 0 || picture.height <= 0)
        return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr)
        return nullptr;
    auto* out = static_cast<std::uint8_t*>(bits);
    for (int i = 0; i < picture.width * picture.height; ++i) {
        out[4 * i] = picture.rgb[3 * i + 2];
        out[4 * i + 1] = picture.rgb[3 * i + 1];
        out[4 * i + 2] = picture.rgb[3 * i];
        out[4 * i + 3] = 0;
    }
    return bitmap;
}

HICON iconOf(const RgbPicture& picture)
{
    const HBITMAP colour = bitmapOf(picture);
    if (colour == nullptr)
        return nullptr;
    std::vector<std::uint8_t> maskBits(static_cast<std::size_t>((picture.width + 15) / 16 * 2) * picture.height, 0);
    const HBITMAP mask = CreateBitmap(picture.width, picture.height, 1, 1, maskBits.data());
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = colour;
    info.hbmMask = mask;
    const HICON icon = CreateIconIndirect(&info);
    DeleteObject(colour);
    DeleteObject(mask);
    return icon;
}

HWND child(const char* className, const char* text, DWORD style, DWORD extendedStyle, int x, int y, int w, int h)
{
    const HWND control = CreateWindowExA(extendedStyle, className, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                                         setupWindowState.window, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return control;
}

LRESULT CALLBACK setupProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    SetupWindowState& s = setupWindowState;
    switch (message) {
    case WM_CLOSE:
        if (s.startRequested)
            std::exit(0);
        s.closeRequested = true;
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            const auto from = reinterpret_cast<HWND>(lParam);
            if (from == s.start)
                s.startRequested = true;
            else if (from == s.soundSetup && s.content->soundSetup)
                s.content->soundSetup();
        }
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// The program's own resources, DEMOBITMAP and DEMOICON, when it has them
// (solvane.exe does); else the pictures the host hands over.
HBITMAP programBitmap(const RgbPicture& fallback)
{
    if (HANDLE loaded = LoadImageA(GetModuleHandleA(nullptr), "DEMOBITMAP", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))
        return static_cast<HBITMAP>(loaded);
    return bitmapOf(fallback);
}

HICON programIcon(const RgbPicture& fallback)
{
    if (HANDLE loaded = LoadImageA(GetModuleHandleA(nullptr), "DEMOICON", IMAGE_ICON, fallback.width, fallback.height, 0))
        return static_cast<HICON>(loaded);
    return iconOf(fallback);
}

void createControls(const SetupWindowContent& content)
{
    SetupWindowState& s = setupWindowState;
    RECT client;
    GetClientRect(s.window, &client);
    child("BUTTON", "", BS_GROUPBOX | WS_TABSTOP, 0, 2, 0, 278, 76);
    s.modeList = child("COMBOBOX", nullptr, CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 0, 6, 14, 180, 250);
    s.mmxSwitch = child("BUTTON", "Use MMX", BS_AUTOCHECKBOX | BS_PUSHLIKE | WS_TABSTOP, 0, 188, 14, 88, 24);
    s.soundSetup = child("BUTTON", "Audio Config", BS_PUSHBUTTON | WS_TABSTOP, 0, 6, 43, 270, 28);
    const HWND picture = child("STATIC", "DemoBitmap", SS_BITMAP, WS_EX_CLIENTEDGE, 282, 8, 200, 68);
    s.start = child("BUTTON", "GO!", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 488, 8, client.right - 490, 68);
    s.progressList = child("LISTBOX", nullptr, LBS_NOSEL | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | LBS_DISABLENOSCROLL | WS_TABSTOP,
                           WS_EX_STATICEDGE, 2, 80, client.right - 4, client.bottom - 82);
    s.picture = programBitmap(content.picture);
    SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(s.picture));
    EnableWindow(s.mmxSwitch, content.mmxAvailable ? TRUE : FALSE);
    SendMessageA(s.mmxSwitch, BM_SETCHECK, content.useMmx ? BST_CHECKED : BST_UNCHECKED, 0);
    for (const std::string& line : content.progressLines)
        addSetupProgressLine(line);
    // The list sorts its entries: select by text, as the host chose one.
    for (const std::string& entry : content.modeEntries)
        SendMessageA(s.modeList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    SendMessageA(s.modeList, CB_SETCURSEL, 0, 0);
    if (content.selectedMode && *content.selectedMode < content.modeEntries.size())
        SendMessageA(s.modeList, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(content.modeEntries[*content.selectedMode].c_str()));
}

std::string selectedMode()
{
    const HWND list = setupWindowState.modeList;
    const LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return {};
    std::string text(static_cast<std::size_t>(SendMessageA(list, CB_GETLBTEXTLEN, index, 0)) + 1, '\0');
    SendMessageA(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(text.find('\0'));
    return text;
}

}  // namespace

const char* const setupBannerPlatform = "Windows with DirectDraw and WINMM";

SetupResult runSetupWindow(const SetupWindowContent& content)
{
    SetupWindowState& s = setupWindowState;
    s.content = &content;
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    s.icon = programIcon(content.icon);
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = setupProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = s.icon;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = setupClassName;
    RegisterClassA(&windowClass);
    s.window = CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, setupClassName, content.title.c_str(),
                               WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                               GetSystemMetrics(SM_CXSCREEN) / 2 - 300, GetSystemMetrics(SM_CYSCREEN) / 2 - 150, 600,
                               314, nullptr, nullptr, instance, nullptr);
    if (s.window == nullptr)
        return {};
    ShowWindow(s.window, SW_SHOW);
    UpdateWindow(s.window);
    createControls(content);

    MSG message;
    while (!s.startRequested && !s.closeRequested && GetMessageA(&message, nullptr, 0, 0) >= 0) {
        if (terminationRequested())
            s.closeRequested = true;
        if (message.message == WM_QUIT || message.message == WM_NULL)
            continue;
        if (!IsDialogMessageA(s.window, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    SetupResult result;
    if (s.closeRequested) {
        result.outcome = SetupOutcome::closed;
        return result;
    }
    result.outcome = SetupOutcome::start;
    result.chosenMode = selectedMode();
    result.useMmx = SendMessageA(s.mmxSwitch, BM_GETCHECK, 0, 0) == BST_CHECKED;
    s.content = nullptr;
    return result;
}

void hideSetupWindow()
{
    if (setupWindowState.window != nullptr)
        ShowWindow(setupWindowState.window, SW_HIDE);
}

bool addSetupProgressLine(std::string_view line)
{
    SetupWindowState& s = setupWindowState;
    if (s.progressList == nullptr)
        return false;
    const std::string text(line);
    SendMessageA(s.progressList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(s.progressList, LB_SETTOPINDEX, SendMessageA(s.progressList, LB_GETCOUNT, 0, 0) - 1, 0);
    // No messages are pumped while the show loads: repaint the list now.
    UpdateWindow(s.progressList);
    return true;
}

}  // namespace platform
