#pragma once
// Message boxes: a modal alert with an OK button where there is a screen to
// show it on, a line on standard error otherwise. The call returns when the
// viewer has dismissed the box.

#include <string>

namespace platform {

// The caption a message box gets when its caller names none.
inline constexpr const char* defaultMessageCaption = "Error";

// Decides once, at start-up, whether boxes may be shown on the screen
// (false for capture, tests and machines without a display).
void setDialogsOnScreen(bool onScreen);
bool dialogsOnScreen();

// Opens the connection the dialogs draw through, if there is a display to
// connect to; false otherwise. Windows and dialogs must not be shown before
// this has returned true.
bool openDialogDisplay();

void showMessage(const std::string& text, const std::string& caption = defaultMessageCaption);

}  // namespace platform
