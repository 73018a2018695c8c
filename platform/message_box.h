#pragma once
// The desktop backends' own message box, shown by showMessage once it has
// checked that the dialogs are on the screen (desktop_dialog.cpp).

#include <string>

namespace platform {

void showMessageBox(const std::string& text, const std::string& caption);

}  // namespace platform
