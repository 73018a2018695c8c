// Message boxes, the setup window and the sound setup dialog in the browser.
// The page itself is the setup window: its form offers the same choices
// before the program starts, and its progress list and message overlay are
// reached through solvanePage, which the page defines. A browser page cannot
// wait inside a call for a click, so a message box is put up over the page
// and the call returns at once; the page holds everything else until it is
// dismissed.

#include <emscripten.h>

#include "platform/dialog.h"
#include "platform/setup_window.h"
#include "platform/sound_setup_dialog.h"

namespace platform {

namespace {

// clang-format off
EM_JS(int, pageShowsMessage, (const char* text, const char* caption), {
    const page = globalThis.solvanePage;
    if (!page || !page.showMessage)
        return 0;
    page.showMessage(UTF8ToString(text), UTF8ToString(caption));
    return 1;
});
EM_JS(int, pageAddsProgressLine, (const char* line, int length), {
    const page = globalThis.solvanePage;
    if (!page || !page.addProgressLine)
        return 0;
    page.addProgressLine(UTF8ToString(line, length));
    return 1;
});
EM_JS(void, pageHidesSetup, (), {
    const page = globalThis.solvanePage;
    if (page && page.hideSetup)
        page.hideSetup();
});
EM_JS(void, logMessage, (const char* text, const char* caption), {
    console.log(UTF8ToString(caption) + ': ' + UTF8ToString(text));
});
// clang-format on

struct DialogState {
    bool onScreen = true;
};

DialogState& dialogState()
{
    static DialogState state;
    return state;
}

}  // namespace

const char* const setupBannerPlatform = "the browser with WebAssembly";

void setDialogsOnScreen(bool onScreen) { dialogState().onScreen = onScreen; }
bool dialogsOnScreen() { return dialogState().onScreen; }
bool openDialogDisplay() { return true; }

void showMessage(const std::string& text, const std::string& caption)
{
    if (!dialogState().onScreen || pageShowsMessage(text.c_str(), caption.c_str()) == 0)
        logMessage(text.c_str(), caption.c_str());
}

SetupResult runSetupWindow(const SetupWindowContent&) { return {}; }

void hideSetupWindow() { pageHidesSetup(); }

bool addSetupProgressLine(std::string_view line)
{
    return pageAddsProgressLine(line.data(), static_cast<int>(line.size())) == 1;
}

DialogResult runSoundSetupDialog(SoundSetupForm&, const std::string&, const QualityClicked&)
{
    return DialogResult::unavailable;
}

DialogResult runCustomQualityDialog(CustomQualityForm&, const std::string&) { return DialogResult::unavailable; }

}  // namespace platform
