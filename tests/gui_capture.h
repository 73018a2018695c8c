#pragma once
// For the FLTK window tests: a fixture that skips without a display, a window
// drawn into an offscreen picture, and that picture written as a PPM file
// into $SOLVANE_SCREENSHOT_DIR (when set) for someone to look at.

#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Image_Surface.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Window.H>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog.h"

namespace gui_test {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!platform::openDialogDisplay())
            GTEST_SKIP() << "no display to open windows on";
    }
};

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;  // 3 bytes per pixel

    const unsigned char* at(int x, int y) const { return &rgb[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3]; }
};

inline Picture drawWindow(Fl_Window& window)
{
    Fl::flush();
    Fl_Image_Surface surface(window.w(), window.h());
    surface.set_current();
    surface.draw(&window);
    std::unique_ptr<Fl_RGB_Image> image(surface.image());
    Fl_Display_Device::display_device()->set_current();
    Picture picture{image->w(), image->h(), {}};
    const auto* data = reinterpret_cast<const unsigned char*>(image->data()[0]);
    const int depth = image->d();
    for (int i = 0; i < picture.width * picture.height; ++i)
        picture.rgb.insert(picture.rgb.end(), data + i * depth, data + i * depth + 3);
    return picture;
}

inline void saveForReview(const Picture& picture, const std::string& name)
{
    const char* folder = std::getenv("SOLVANE_SCREENSHOT_DIR");
    if (folder == nullptr || *folder == '\0')
        return;
    const std::string path = std::string(folder) + "/" + name + ".ppm";
    if (std::FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fprintf(out, "P6\n%d %d\n255\n", picture.width, picture.height);
        std::fwrite(picture.rgb.data(), 1, picture.rgb.size(), out);
        std::fclose(out);
    }
}

}  // namespace gui_test
