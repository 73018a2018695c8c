#pragma once
// The pictures built into the program: "DEMOBITMAP", the show's logo on the
// setup window, and "DEMOICON", the setup window's icon. The asset generator
// draws them at build time; the same bytes every build.

namespace host {

struct ResourceImage {
    int width;
    int height;
    const unsigned char* rgb;  // 3 bytes per pixel (red, green, blue), rows top to bottom
};

extern const ResourceImage demoBitmap;  // 200 × 64
extern const ResourceImage demoIcon;    // 32 × 32

}  // namespace host
