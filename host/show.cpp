#include "host/show.h"

#include "data/asset_check.h"
#include "data/data_library.h"
#include "display/display.h"
#include "display/frame.h"
#include "display/screen_modes.h"
#include "host/data_files.h"
#include "host/frame_service.h"
#include "host/show_state.h"
#include "platform/capture.h"
#include "platform/clock.h"
#include "platform/cpu.h"
#include "platform/dialog.h"
#include "render/blit.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

namespace host {

namespace {

// How this run shows its pictures and keeps its time.
struct Presentation {
    platform::RealClock realClock;
    platform::VirtualClock virtualClock;
    std::unique_ptr<platform::FrameSink> captureSink;
    std::string capturePath;
};

Presentation presentation;

// What the show opens and holds until its end.
struct ShowResources {
    std::optional<data::DataLibrary> dataLibrary;
};

ShowResources resources;

[[noreturn]] void failStartup(const char* message)
{
    platform::showMessage(message);
    std::exit(1);
}

[[noreturn]] void failDataLibrary(const std::string& reason)
{
    std::fprintf(stderr, "%s\n", reason.c_str());
    failStartup("Error loading filelib!");
}

// Releases what the show holds, in the order both endings share.
void closeEverything()
{
    display::mainDisplay.close();
    display::mainDisplay.freeFrameBlock();
    resources.dataLibrary.reset();
}

void finishCapture()
{
    if (!presentation.captureSink)
        return;
    auto& sink = *presentation.captureSink;
    std::fprintf(stderr, "\n");
    if (sink.finish())
        std::fprintf(stderr, "Captured %d frames to %s\n", sink.framesWritten(), presentation.capturePath.c_str());
    else
        std::fprintf(stderr, "Capture failed: %s\n", sink.error().c_str());
}

// Shows captured progress on one line of standard error.
class ProgressSink final : public platform::FrameSink {
public:
    explicit ProgressSink(std::unique_ptr<platform::FrameSink> inner) : inner_(std::move(inner)) {}
    void writeFrame(const std::uint32_t* pixels, int width, int height) override
    {
        inner_->writeFrame(pixels, width, height);
        const int frames = inner_->framesWritten();
        if (frames % 30 == 0)
            std::fprintf(stderr, "\rCapturing: %d frames, %d:%02d of show", frames, frames * 33 / 60000,
                         frames * 33 / 1000 % 60);
    }
    bool finish() override { return inner_->finish(); }
    std::string error() const override { return inner_->error(); }
    int framesWritten() const override { return inner_->framesWritten(); }

private:
    std::unique_ptr<platform::FrameSink> inner_;
};

bool endsWith(const std::string& s, const char* suffix)
{
    const std::size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

// Decides where pictures go and which clock runs the show.
platform::VideoOptions choosePresentation(const ShowOptions& options)
{
    platform::VideoOptions video;
    video.title = showTitle;
    video.fullscreen = !options.windowed;
    std::string capture = options.capturePath;
    if (capture.empty() && !platform::displayAvailable()) {
        capture = platform::ffmpegAvailable() ? "solvane-show.mp4" : "solvane-frames";
        std::fprintf(stderr, "No display found: capturing the show to %s instead.\n", capture.c_str());
    }
    if (capture.empty()) {
        frameService.clock = &presentation.realClock;
        platform::setDialogsOnScreen(true);
        return video;
    }

    // Off-screen: the show runs on virtual time, so every pass is drawn.
    video.window = false;
    frameService.clock = &presentation.virtualClock;
    platform::setDialogsOnScreen(false);
    presentation.capturePath = capture;
    std::unique_ptr<platform::FrameSink> sink;
    if (endsWith(capture, ".mp4") || endsWith(capture, ".mkv")) {
        if (!platform::ffmpegAvailable()) {
            std::fprintf(stderr, "ffmpeg is not installed; cannot write %s (give a folder for PNG frames)\n",
                         capture.c_str());
            std::exit(1);
        }
        sink = platform::makeFfmpegSink(capture, 1000, 33);
    } else {
        sink = platform::makePngFolderSink(capture);
    }
    presentation.captureSink = std::make_unique<ProgressSink>(std::move(sink));
    return video;
}

}  // namespace

void abortShow()
{
    closeEverything();
    frameService.waitMs(50);
    finishCapture();
    platform::showMessage("Demonstration aborted, darn it...", "User interruption");
    std::exit(0);
}

void finalFade(display::Display& screen, const display::Pixel* endPicture)
{
    display::Pixel* frame = screen.frameBuffer();
    for (int level = 255; level >= 0; --level) {
        frameService.waitMs(1);
        render::fadeFrame(render::FrameSpan(frame, display::framePixels),
                          render::ConstFrameSpan(endPicture, display::framePixels), level);
        screen.presentFrame(frame);
    }
}

std::string formatProgressLine(const char* format, const char* argument)
{
    std::string line;
    const char* placeholder = std::strstr(format, "%s");
    if (placeholder == nullptr) {
        line = format;
    } else {
        line.assign(format, placeholder);
        line += argument;
        line += placeholder + 2;
    }
    std::erase(line, '\n');
    if (line.size() > 255)
        line.resize(255);
    return line;
}

void progressLine(const char* format, const char* argument)
{
    std::printf("%s\n", formatProgressLine(format, argument).c_str());
    std::fflush(stdout);
}

int runShow(const ShowOptions& options)
{
    DemoConfig& config = showState.config;
    config = DemoConfig{};
    showState.sineTable = buildSineTable();
    showState.mmx.mmxAvailable = platform::queryCpu().mmx;
    showState.mmx.useMmx = false;

    const platform::VideoOptions video = choosePresentation(options);
    frameService.nowMs = 0;

    if (!display::mainDisplay.create(video))
        failStartup(display::deviceErrorMessage);
    if (presentation.captureSink)
        display::mainDisplay.video().setFrameSink(presentation.captureSink.get());

    if (options.screenMode) {
        config.screenMode = static_cast<std::uint8_t>(*options.screenMode);
        config.interlaced = options.interlaced ? 1 : 0;
    }

    // The show only reads its data library, so it opens it read-only: an
    // installed, read-only qorv.dat works too.
    progressLine("Opening file library (%s)...", config.dataFile);
    auto library = data::DataLibrary::open(locateDataFile(config.dataFile), data::Access::readOnly);
    if (!library)
        failDataLibrary(library.error());
    resources.dataLibrary.emplace(std::move(library).value());
    progressLine("Loading and initialising data... ");
    // Every asset is read once here, so a damaged library stops the show
    // before the display opens rather than in the middle of a scene.
    if (auto checked = data::checkShowAssets(*resources.dataLibrary); !checked)
        failDataLibrary(checked.error());
    progressLine("ok");

    progressLine("");
    progressLine("Done...");

    frameService.pumpMessage = [] {
        platform::WindowEvent event;
        if (display::mainDisplay.video().pollEvent(event))
            display::displayWindowProcedure(event, frameService.abortRequested);
    };
    frameService.abort = abortShow;

    switch (display::mainDisplay.openDisplay(config.screenMode, config.interlaced != 0,
                                             [] { frameService.waitMs(1000); })) {
    case display::OpenResult::ok: break;
    case display::OpenResult::deviceError: failStartup(display::deviceErrorMessage);
    case display::OpenResult::modeUnsupported: failStartup(display::modeUnsupportedMessage);
    }

    frameService.startClock();

    closeEverything();
    finishCapture();
    return 1;
}

}  // namespace host
