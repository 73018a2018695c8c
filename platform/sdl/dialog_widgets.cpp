#include "platform/sdl/dialog_widgets.h"

#include <FL/fl_draw.H>

namespace platform::sdl {

GroupFrame::GroupFrame(int x, int y, int w, int h, const char* caption) : Fl_Box(x, y, w, h, caption)
{
    box(FL_NO_BOX);
    align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE);
}

void GroupFrame::draw()
{
    fl_font(labelfont(), labelsize());
    const int half = fl_height() / 2;
    draw_box(FL_ENGRAVED_FRAME, x(), y() + half, w(), h() - half, color());
    if (label() == nullptr || *label() == '\0')
        return;
    int textWidth = 0, textHeight = 0;
    measure_label(textWidth, textHeight);
    // The caption interrupts the frame line, as a group box's does.
    fl_color(color());
    fl_rectf(x() + 6, y(), textWidth + 4, fl_height());
    draw_label(x() + 8, y(), textWidth, fl_height(), FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
}

}  // namespace platform::sdl
