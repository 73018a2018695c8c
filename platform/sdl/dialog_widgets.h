#pragma once
// Small FLTK pieces the setup window and the sound setup dialog share.

#include <FL/Fl_Box.H>

namespace platform::sdl {

// A group box: an engraved frame whose top edge runs through the middle of
// its caption's line, the caption (if any) on the frame at the top left.
class GroupFrame : public Fl_Box {
public:
    GroupFrame(int x, int y, int w, int h, const char* caption = nullptr);

protected:
    void draw() override;
};

// A line of static text whose '&' underlines the next letter, as the
// buttons' labels do.
class DialogText : public Fl_Box {
public:
    DialogText(int x, int y, int w, int h, const char* text) : Fl_Box(x, y, w, h, text) { set_flag(SHORTCUT_LABEL); }
};

}  // namespace platform::sdl
