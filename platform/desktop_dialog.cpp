// Whether the desktop systems' messages go to a box or to standard error.
#include "platform/dialog.h"
#include "platform/message_box.h"

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

void showMessage(const std::string& text, const std::string& caption)
{
    // A box needs a display; without one the message still reaches the viewer.
    if (!dialogState.onScreen || !openDialogDisplay()) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        std::fflush(stderr);
        return;
    }
    showMessageBox(text, caption);
}

}  // namespace platform
