// How fast captured frames are written to a PNG folder, as a multiple of real
// time (one frame per 33 ms of show), with one encoding thread and with the
// pool. The pictures are drawn to resemble the show's: smooth shading, hard
// edges and a band of fine detail.
//
//   capture_bench [frames] [folder]

#include "platform/capture.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<std::uint32_t> showLikePicture(int index)
{
    constexpr int width = 320, height = 200;
    std::vector<std::uint32_t> picture(static_cast<std::size_t>(width) * height);
    std::uint32_t noise = 12345u + static_cast<std::uint32_t>(index);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto shade = static_cast<std::uint32_t>((x + y + 3 * index) & 0xFF);
            std::uint32_t pixel = shade << 16 | (shade / 2) << 8 | (255 - shade);
            if (y > 120 && y < 150) {
                noise = noise * 1664525u + 1013904223u;
                pixel ^= noise >> 8 & 0x3F3F3F;
            }
            if ((x - index) % 64 < 8)
                pixel = 0xFFFFFF;
            picture[static_cast<std::size_t>(y) * width + x] = pixel;
        }
    return picture;
}

double framesPerSecond(const std::string& folder, int workers, const std::vector<std::vector<std::uint32_t>>& pictures,
                       int frames)
{
    std::filesystem::remove_all(folder);
    const auto start = std::chrono::steady_clock::now();
    auto sink = platform::makePngFolderSink(folder, workers);
    for (int i = 0; i < frames; ++i)
        sink->writeFrame(pictures[static_cast<std::size_t>(i) % pictures.size()].data(), 320, 200);
    if (!sink->finish())
        std::fprintf(stderr, "%s\n", sink->error().c_str());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::filesystem::remove_all(folder);
    return frames / seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 600;
    const std::string folder =
        argc > 2 ? argv[2] : (std::filesystem::temp_directory_path() / "solvane-capture-bench").string();
    std::vector<std::vector<std::uint32_t>> pictures;
    for (int i = 0; i < 32; ++i)
        pictures.push_back(showLikePicture(i));
    constexpr double realTimeFramesPerSecond = 1000.0 / 33.0;
    for (const int workers : {1, 0}) {
        const double rate = framesPerSecond(folder, workers, pictures, frames);
        std::printf("%-22s %8.1f frames/s  %6.1f x real time\n", workers == 1 ? "one encoding thread" : "the pool",
                    rate, rate / realTimeFramesPerSecond);
    }
    return 0;
}
