// Message boxes, the setup window and the sound setup dialog in the browser.
// The page itself is the setup window: its form offers the same choices
// before the program starts, and its progress list and message overlay are
// reached through solvanePage, which the page defines. A browser page cannot
// wait inside a call for a click, so a message box is put up over the page
// and the call returns at once; the page holds everything else until it is
// dismissed. The page's sound setup controls stand for the sound setup
// dialogs in the same way.

#include <emscripten.h>

#include <cstdlib>
#include <optional>
#include <string>

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
// The value of one of the page's sound setup controls, as text in newly
// allocated memory (the caller frees it); null when the page has none.
EM_JS(char*, pageSoundSetupValue, (const char* name), {
    const page = globalThis.solvanePage;
    const value = page && page.soundSetupValue ? page.soundSetupValue(UTF8ToString(name)) : null;
    return value === null || value === undefined ? 0 : allocateUTF8(String(value));
});
EM_JS(void, logMessage, (const char* text, const char* caption), {
    console.log(UTF8ToString(caption) + ': ' + UTF8ToString(text));
});
// clang-format on

std::optional<std::string> pageValue(const char* name)
{
    char* text = pageSoundSetupValue(name);
    if (text == nullptr)
        return std::nullopt;
    std::string copy(text);
    std::free(text);
    return copy;
}

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

// The page's sound setup controls hold the viewer's choice when "GO!" is
// pressed: the dialogs read them as if OK had been pressed over them. The
// checked quality button counts as clicked, so that "Custom..." takes the
// custom controls' values.
DialogResult runSoundSetupDialog(SoundSetupForm& form, const std::string&, const QualityClicked& qualityClicked)
{
    const auto card = pageValue("card");
    const auto quality = pageValue("quality");
    if (!card || !quality)
        return DialogResult::unavailable;
    form.card = *card == "0" ? SoundCard::noSound : SoundCard::automatic;
    form.stereo = pageValue("stereo") == "1";
    form.bufferLength = pageValue("bufferLength").value_or(form.bufferLength);
    form.directSoundBufferLength = pageValue("directSoundBufferLength").value_or(form.directSoundBufferLength);
    form.neverUseDirectSound = pageValue("neverUseDirectSound") == "1";
    for (const QualityButton& button : qualityButtons) {
        if (*quality == std::to_string(button.id) && qualityClicked)
            qualityClicked(form, button.id);
    }
    return DialogResult::ok;
}

DialogResult runCustomQualityDialog(CustomQualityForm& form, const std::string&)
{
    const auto mixing = pageValue("customMixing");
    const auto rate = pageValue("customRate");
    if (!mixing || !rate)
        return DialogResult::unavailable;
    if (*mixing == "1")
        form.mixing = CustomMixing::interpolating;
    else if (*mixing == "2")
        form.mixing = CustomMixing::bandLimited;
    else
        form.mixing = CustomMixing::normal;
    form.rateText = *rate;
    return DialogResult::ok;
}

}  // namespace platform
