#pragma once
// The show's fixed script: start-up, the scenes in order, the final fade and
// the shutdown, and the abort that Escape starts.

#include "display/display.h"
#include "host/command_line.h"

#include <string>

namespace host {

// Runs the whole show; returns the process exit code (1 after a complete show
// or a start-up failure). The abort and a closed window end the process with
// exit code 0 from inside.
int runShow(const ShowOptions& options);

// Escape's ending: fades the music, closes the display and everything the
// show holds, says "Demonstration aborted, darn it..." and ends the process
// with exit code 0.
[[noreturn]] void abortShow();

// The end of the show: the closing picture fades to black over 256 presented
// frames (levels 255 down to 0, at least 1 ms apart); the last is all black.
// Escape is not seen while it runs.
void finalFade(display::Display& screen, const display::Pixel* endPicture);

// One line in the loading progress: "%s" in format replaced by argument, line
// feeds removed, at most 255 characters.
void progressLine(const char* format, const char* argument = "");
std::string formatProgressLine(const char* format, const char* argument);

}  // namespace host
