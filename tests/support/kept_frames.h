#pragma once
// A frame sink that counts the presented frames (and the all-black ones) and
// keeps the first and the last, with the last one's size.

#include "platform/capture.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

class KeptFrames final : public platform::FrameSink {
public:
    void writeFrame(const std::uint32_t* pixels, int width, int height) override
    {
        last.assign(pixels, pixels + static_cast<std::size_t>(width) * height);
        lastWidth = width;
        lastHeight = height;
        if (count++ == 0)
            first = last;
        blackCount += std::all_of(last.begin(), last.end(), [](std::uint32_t p) { return p == 0; });
    }
    bool finish() override { return true; }
    std::string error() const override { return {}; }
    int framesWritten() const override { return count; }

    int count = 0;
    int blackCount = 0;
    int lastWidth = 0, lastHeight = 0;
    std::vector<std::uint32_t> first, last;
};

}  // namespace testsupport
