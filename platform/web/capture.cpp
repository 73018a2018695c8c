// Capture in the browser: there is none (a page writes no files). The show
// never asks for it there, since the page always has a screen; these answer
// that nothing can be written.

#include "platform/capture.h"

namespace platform {

bool writePng(const std::string&, const std::uint32_t*, int, int) { return false; }

namespace {

class NoCaptureSink final : public FrameSink {
public:
    void writeFrame(const std::uint32_t*, int, int) override {}
    bool finish() override { return false; }
    std::string error() const override { return "the browser cannot capture the show"; }
    int framesWritten() const override { return 0; }
};

}  // namespace

std::unique_ptr<FrameSink> makePngFolderSink(const std::string&, int) { return std::make_unique<NoCaptureSink>(); }

std::unique_ptr<FrameSink> makeFfmpegSink(const std::string&, int, int, const std::string&, bool)
{
    return std::make_unique<NoCaptureSink>();
}

bool WavWriter::open(const std::string&, int rate, int channels)
{
    file_ = nullptr;
    rate_ = rate;
    channels_ = channels;
    failed_ = true;
    return false;
}

void WavWriter::write(const std::int16_t*, std::size_t) {}

bool WavWriter::close() { return !failed_; }

bool ffmpegAvailable() { return false; }

}  // namespace platform
