#include "platform/dialog.h"

#include <FL/Fl.H>
#include <FL/fl_ask.H>
#include <FL/x.H>

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

bool openDialogDisplay()
{
    if (fl_display != nullptr)
        return true;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    fl_open_display(display);
    return true;
}

void showMessage(const std::string& text, const std::string& caption)
{
    // A box needs a display; without one the message still reaches the viewer.
    if (!dialogState.onScreen || !openDialogDisplay()) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        std::fflush(stderr);
        return;
    }
    fl_message_title(caption.c_str());
    fl_message("%s", text.c_str());
}

}  // namespace platform
