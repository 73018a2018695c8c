#include "tools/assetgen/contact_sheet.h"

#include "data/assets.h"
#include "data/mesh.h"
#include "data/raw_image.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace assetgen {

namespace {

constexpr int sheetWidth = 960;
constexpr int gap = 10;
constexpr int labelHeight = 14;
constexpr int wireCell = 200;
constexpr data::Pixel sheetBackground = 0x00303036;

struct Sheet {
    int width = sheetWidth;
    std::vector<data::Pixel> pixels;

    int height() const { return int(pixels.size()) / width; }
    void ensureHeight(int rows)
    {
        if (rows > height()) pixels.resize(std::size_t(rows) * std::size_t(width), sheetBackground);
    }
    data::Pixel& at(int x, int y) { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

// Places cells left to right, starting a new row when one is full.
struct Flow {
    int x = gap, y = gap, rowHeight = 0;

    std::pair<int, int> place(int width, int height)
    {
        if (x + width > sheetWidth - gap) x = gap, y += rowHeight + gap, rowHeight = 0;
        const std::pair<int, int> corner{x, y};
        x += width + gap;
        rowHeight = std::max(rowHeight, height);
        return corner;
    }
};

void drawLabel(Sheet& sheet, const Lettering& lettering, const std::string& text, int x, int y)
{
    const Mask label = lettering.render(Face::book, text, 10);
    for (int ly = 0; ly < label.height; ++ly) {
        for (int lx = 0; lx < label.width && x + lx < sheet.width; ++lx) {
            const auto level = data::Pixel(std::lround(label.at(lx, ly) * 200));
            data::Pixel& pixel = sheet.at(x + lx, y + ly);
            const data::Pixel base = pixel & 0xFF;
            const data::Pixel value = std::min<data::Pixel>(255, base + level);
            pixel = value << 16 | value << 8 | value;
        }
    }
}

// Lines that add light, clipped per point.
void addLine(Sheet& sheet, int x0, int y0, int x1, int y1, int left, int top, int size)
{
    const int steps = std::max({std::abs(x1 - x0), std::abs(y1 - y0), 1});
    for (int i = 0; i <= steps; ++i) {
        const int x = x0 + (x1 - x0) * i / steps, y = y0 + (y1 - y0) * i / steps;
        if (x < left || y < top || x >= left + size || y >= top + size) continue;
        data::Pixel& pixel = sheet.at(x, y);
        const auto brighten = [](data::Pixel channel) { return std::min<data::Pixel>(255, channel + 60); };
        pixel = brighten(pixel >> 16 & 0xFF) << 16 | brighten(pixel >> 8 & 0xFF) << 8 | brighten(pixel & 0xFF);
    }
}

// The mesh turned by (yaw, pitch), fitted to the cell, front faces only,
// flagged edges only, as the show draws it.
void drawWireFrame(Sheet& sheet, const data::Mesh& mesh, double yaw, double pitch, int left, int top)
{
    for (int y = top; y < top + wireCell; ++y) {
        for (int x = left; x < left + wireCell; ++x) sheet.at(x, y) = 0;
    }
    double radius = 1e-9;
    for (const auto& v : mesh.vertices) radius = std::max(radius, std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z));
    const double distance = radius * 4;
    const double scale = wireCell * 0.45 * (distance - radius) / radius;
    std::vector<std::pair<int, int>> screen;
    std::vector<double> depth;
    for (const auto& v : mesh.vertices) {
        const double x1 = v.x * std::cos(yaw) - v.z * std::sin(yaw);
        const double z1 = v.z * std::cos(yaw) + v.x * std::sin(yaw);
        const double y2 = v.y * std::cos(pitch) - z1 * std::sin(pitch);
        const double z2 = v.y * std::sin(pitch) + z1 * std::cos(pitch);
        const double k = scale / (z2 + distance);
        screen.emplace_back(left + wireCell / 2 + int(x1 * k), top + wireCell / 2 - int(y2 * k));
        depth.push_back(z2);
    }
    for (const auto& face : mesh.faces) {
        const auto [ax, ay] = screen[std::size_t(face.a)];
        const auto [bx, by] = screen[std::size_t(face.b)];
        const auto [cx, cy] = screen[std::size_t(face.c)];
        const double facing = double(bx - ax) * (ay - cy) - double(ay - by) * (cx - ax);
        if (facing > 0) continue;
        if (face.edgeAB) addLine(sheet, ax, ay, bx, by, left, top, wireCell);
        if (face.edgeBC) addLine(sheet, bx, by, cx, cy, left, top, wireCell);
        if (face.edgeCA) addLine(sheet, cx, cy, ax, ay, left, top, wireCell);
    }
}

void writePng(const Sheet& sheet, const std::string& path)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) throw std::runtime_error(path + ": cannot create");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error(path + ": cannot write the PNG");
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, png_uint_32(sheet.width), png_uint_32(sheet.height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(std::size_t(sheet.width) * 3);
    for (int y = 0; y < sheet.height(); ++y) {
        for (int x = 0; x < sheet.width; ++x) {
            const data::Pixel pixel = sheet.pixels[std::size_t(y) * std::size_t(sheet.width) + std::size_t(x)];
            row[std::size_t(x) * 3] = png_byte(pixel >> 16);
            row[std::size_t(x) * 3 + 1] = png_byte(pixel >> 8);
            row[std::size_t(x) * 3 + 2] = png_byte(pixel);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
}

}  // namespace

void writeContactSheet(const std::string& libraryPath, const std::string& pngPath, const Lettering& lettering)
{
    auto library = data::DataLibrary::open(libraryPath, data::Access::readOnly);
    if (!library) throw std::runtime_error(library.error());
    Sheet sheet;
    Flow flow;
    for (const data::PictureAsset& picture : data::assets::pictures) {
        const auto pixels = data::readRawImage(*library, picture);
        if (!pixels) throw std::runtime_error(pixels.error());
        // Sprites are shown four times their size, so their edges can be judged.
        const int zoom = picture.width <= 32 && picture.height <= 32 ? 4 : 1;
        const std::string label =
            std::string(picture.name) + "  " + std::to_string(picture.width) + "x" + std::to_string(picture.height);
        const int width = std::max(picture.width * zoom, lettering.render(Face::book, label, 10).width);
        const int height = picture.height * zoom;
        const auto [x, y] = flow.place(width, height + labelHeight);
        sheet.ensureHeight(y + height + labelHeight + gap);
        for (int py = 0; py < height; ++py) {
            for (int px = 0; px < picture.width * zoom; ++px) {
                sheet.at(x + px, y + py) =
                    (*pixels)[std::size_t(py / zoom) * std::size_t(picture.width) + std::size_t(px / zoom)];
            }
        }
        drawLabel(sheet, lettering, label, x, y + height + 2);
    }
    for (const std::string_view name : data::assets::meshes) {
        const auto mesh = data::loadMesh(*library, name);
        if (!mesh) throw std::runtime_error(mesh.error());
        const double views[][2] = {{0.0, 0.0}, {0.6, 0.35}, {1.3, 1.1}, {0.0, 1.5707963}};
        for (const auto& [yaw, pitch] : views) {
            const auto [x, y] = flow.place(wireCell, wireCell + labelHeight);
            sheet.ensureHeight(y + wireCell + labelHeight + gap);
            drawWireFrame(sheet, *mesh, yaw, pitch, x, y);
            drawLabel(sheet, lettering,
                      std::string(name) + "  " + std::to_string(mesh->vertexCount()) + " vertices, " +
                          std::to_string(mesh->faceCount()) + " faces",
                      x, y + wireCell + 2);
        }
    }
    writePng(sheet, pngPath);
}

}  // namespace assetgen
