// Message boxes through MessageBoxA: no owner window, an OK button.
#include "platform/dialog.h"
#include "platform/message_box.h"

#include <windows.h>

namespace platform {

// Windows always has its window system.
bool openDialogDisplay() { return true; }

void showMessageBox(const std::string& text, const std::string& caption)
{
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
}

}  // namespace platform
