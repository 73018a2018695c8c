#include "platform/dialog.h"
#include "platform/message_box.h"

#include <FL/Fl.H>
#include <FL/fl_ask.H>
#include <FL/x.H>

namespace platform {

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

void showMessageBox(const std::string& text, const std::string& caption)
{
    fl_message_title(caption.c_str());
    fl_message("%s", text.c_str());
}

}  // namespace platform
