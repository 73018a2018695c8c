// Message boxes through MessageBoxA: no owner window, an OK button.
#include "platform/dialog.h"

#include <windows.h>

#include <cstdio>

namespace platform {

namespace {

struct DialogState {
    bool onScreen = false;
};

DialogState dialogState;

}  // namespace

void setDialogsOnScreen(bool onScreen) { dialogState.onScreen = onScreen; }

bool dialogsOnScreen() { return dialogState.onScreen; }

// Windows always has its window system.
bool openDialogDisplay() { return true; }

void showMessage(const std::string& text, const std::string& caption)
{
    if (!dialogState.onScreen) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        std::fflush(stderr);
        return;
    }
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
}

}  // namespace platform
