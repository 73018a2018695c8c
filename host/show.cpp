#include "host/show.h"

#include "data/data_library.h"
#include "display/display.h"
#include "display/frame.h"
#include "display/screen_modes.h"
#include "host/data_files.h"
#include "host/frame_service.h"
#include "host/setup_choices.h"
#include "host/show_random.h"
#include "host/show_state.h"
#include "platform/capture.h"
#include "platform/clock.h"
#include "platform/cpu.h"
#include "platform/dialog.h"
#include "platform/setup_window.h"
#include "platform/termination.h"
#include "render/blit.h"
#include "scenes/arms.h"
#include "scenes/closing.h"
#include "scenes/credits.h"
#include "scenes/opening.h"
#include "scenes/panorama.h"
#include "scenes/window.h"
#include "sound/include/corvid.h"
#include "sound/include/corvid_devices.h"

#include <cstdio>
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace host {

namespace {

// Writes the captured pictures at the video's fixed rate of one per 33 ms of
// virtual time, each the picture on the screen at that moment, and shows the
// progress on standard error. The show presents most pictures 33 ms apart,
// but the final fade presents 256 within about a quarter of a second: those
// are thinned out so that the video keeps time with the sound. Each picture
// is enlarged `scale` times, every pixel a square block, so that players and
// video sites that scale the video do not blur it.
class TimedCaptureSink final : public platform::FrameSink {
public:
    TimedCaptureSink(std::unique_ptr<platform::FrameSink> inner, platform::Clock& clock, int scale)
        : inner_(std::move(inner)), clock_(clock), scale_(scale)
    {
    }

    // Video frame 0 shows the screen at this moment (the sound starts here too).
    void start(std::uint64_t ticks) { origin_ = ticks; }

    void writeFrame(const std::uint32_t* pixels, int width, int height) override
    {
        emitUntil(clock_.counter(), width, height);
        shown_.assign(pixels, pixels + static_cast<std::size_t>(width) * height);
    }
    bool finish() override
    {
        // The last picture stays on for one more frame, so the video ends on it.
        if (!shown_.empty())
            emitFrame(width_, height_);
        return inner_->finish();
    }
    std::string error() const override { return inner_->error(); }
    int framesWritten() const override { return inner_->framesWritten(); }

private:
    static constexpr std::uint64_t frameTicks = platform::Clock::ticksForMs(33);

    // Every frame due before `now` shows what the screen held until now.
    void emitUntil(std::uint64_t now, int width, int height)
    {
        width_ = width;
        height_ = height;
        if (shown_.empty())
            shown_.assign(static_cast<std::size_t>(width) * height, 0);  // the screen starts black
        while (origin_ + static_cast<std::uint64_t>(inner_->framesWritten()) * frameTicks < now &&
               inner_->error().empty())
            emitFrame(width, height);
    }
    void emitFrame(int width, int height)
    {
        if (scale_ == 1) {
            inner_->writeFrame(shown_.data(), width, height);
        } else {
            platform::enlargePicture(shown_.data(), width, height, scale_, enlarged_);
            inner_->writeFrame(enlarged_.data(), width * scale_, height * scale_);
        }
        const int frames = inner_->framesWritten();
        // Once a second of show on a terminal, once every ten into a log.
        if (frames % (isatty(2) ? 30 : 300) == 0)
            std::fprintf(stderr, "\rCapturing at %dx%d: %d:%02d of show, music position %d of 45 ", width * scale_,
                         height * scale_, frames * 33 / 60000, frames * 33 / 1000 % 60,
                         frameService.musicStatus.position);
    }

    std::unique_ptr<platform::FrameSink> inner_;
    platform::Clock& clock_;
    const int scale_;
    std::vector<std::uint32_t> shown_;
    std::vector<std::uint32_t> enlarged_;
    std::uint64_t origin_ = 0;
    int width_ = 0, height_ = 0;
};

// How this run shows its pictures, plays its sound and keeps its time.
struct Presentation {
    platform::RealClock realClock;
    platform::VirtualClock virtualClock;
    std::unique_ptr<TimedCaptureSink> captureSink;
    std::string capturePath;
    std::string soundPath;  // the captured sound, beside the frames or joined into the video
    platform::WavWriter sound;
    bool capturing = false;
};

Presentation presentation;

// The captured sound goes to the WAV writer as the capture device mixes it,
// from the moment the first picture is due: the silence mixed while the show
// loaded and the display settled has no picture to go with.
class CapturedSound final : public corvid::SoundSink {
public:
    void startRecording() { recording_ = true; }
    void writeSound(std::span<const std::int16_t> frames) override
    {
        if (recording_)
            presentation.sound.write(frames.data(), frames.size() / 2);
    }

private:
    bool recording_ = false;
};

CapturedSound capturedSound;

// What the show opens and holds until its end.
struct ShowResources {
    MusicModule* module = nullptr;
    int playHandle = 0;
    std::optional<data::DataLibrary> dataLibrary;
    std::unique_ptr<scenes::OpeningScene> opening;
    std::unique_ptr<scenes::CreditsScene> credits;
    std::unique_ptr<scenes::PanoramaScene> panorama;
    std::unique_ptr<scenes::WindowScene> window;
    std::unique_ptr<scenes::ArmsScene> arms;
    std::unique_ptr<scenes::ClosingScene> closing;

    // The six scenes in the order they play.
    std::array<scenes::Scene*, 6> inOrder() const
    {
        return {opening.get(), credits.get(), panorama.get(), window.get(), arms.get(), closing.get()};
    }
};

ShowResources resources;

// Stops the player thread and closes the sound library: every ending of the
// process goes through here first, since a running player thread must not be
// left to the exit (and the sound device is given back).
void stopSoundLibrary()
{
    MusicStopBackgroundPlay();
    MusicClose();
}

// Before the show plays, a termination request ends the program at once
// (exit code 0, as a closed setup window does).
void endIfTerminationRequested()
{
    if (!platform::terminationRequested())
        return;
    stopSoundLibrary();
    std::exit(0);
}

// The sound stops before the message shows: the process may end while the
// message is up (the setup window's close box).
[[noreturn]] void failStartup(const char* message)
{
    stopSoundLibrary();
    platform::showMessage(message);
    std::exit(1);
}

// Releases the display, the data library and the sound library, in the order
// both endings share.
void closeEverything()
{
    display::mainDisplay.close();
    display::mainDisplay.freeFrameBlock();
    resources.dataLibrary.reset();
    MusicStopBackgroundPlay();
    MusicFreeModule(resources.module);
    resources.module = nullptr;
    MusicClose();
}

// An interrupted capture is finished as far as it got and renamed
// "<path>.incomplete", so that nothing takes it for the whole show.
void finishCapture(bool complete)
{
    if (!presentation.captureSink)
        return;
    auto& sink = *presentation.captureSink;
    std::fprintf(stderr, "\n");
    const bool soundOk = presentation.soundPath.empty() || presentation.sound.close();
    const bool finished = sink.finish();
    if (!complete) {
        const std::string renamed = presentation.capturePath + ".incomplete";
        std::error_code error;
        std::filesystem::remove_all(renamed, error);
        std::filesystem::rename(presentation.capturePath, renamed, error);
        std::fprintf(stderr, "Capture interrupted: %d frames kept in %s\n", sink.framesWritten(),
                     error ? presentation.capturePath.c_str() : renamed.c_str());
        return;
    }
    if (finished && soundOk) {
        std::fprintf(stderr, "Captured %d frames to %s\n", sink.framesWritten(), presentation.capturePath.c_str());
        if (!presentation.soundPath.empty() && std::filesystem::exists(presentation.soundPath))
            std::fprintf(stderr, "and the sound to %s\n", presentation.soundPath.c_str());
    } else {
        std::fprintf(stderr, "Capture failed: %s\n", soundOk ? sink.error().c_str() : "cannot write the sound");
    }
}

bool endsWith(const std::string& s, const char* suffix)
{
    const std::size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

// Decides where pictures and sound go and which clock runs the show.
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

    // Off-screen: the show runs on virtual time, so every pass is drawn, and
    // the sound is mixed exactly as far as that time has gone.
    video.window = false;
    presentation.capturing = true;
    frameService.clock = &presentation.virtualClock;
    platform::setDialogsOnScreen(false);
    presentation.capturePath = capture;
    const bool video_file = endsWith(capture, ".mp4") || endsWith(capture, ".mkv");
    if (!options.silent)
        presentation.soundPath = video_file ? capture + ".sound.wav" : (std::filesystem::path(capture) / "sound.wav").string();
    std::unique_ptr<platform::FrameSink> sink;
    if (video_file) {
        if (!platform::ffmpegAvailable()) {
            std::fprintf(stderr, "ffmpeg is not installed; cannot write %s (give a folder for PNG frames)\n",
                         capture.c_str());
            std::exit(1);
        }
        sink = platform::makeFfmpegSink(capture, 1000, 33, presentation.soundPath, options.keepSound);
    } else {
        std::error_code ec;
        std::filesystem::create_directories(capture, ec);
        sink = platform::makePngFolderSink(capture);
    }
    // Video files are scaled by every player, PNG frames are usually processed further.
    const int scale = options.captureScale != 0 ? options.captureScale : video_file ? 4 : 1;
    presentation.captureSink = std::make_unique<TimedCaptureSink>(std::move(sink), presentation.virtualClock, scale);
    return video;
}

// Starts the sound system on the device this run wants.
void startSound(const ShowOptions& options)
{
    // A capture always mixes on the virtual clock, even when nothing of the
    // sound is kept: the music times the show, and any device running on
    // real time would stretch the capture to the length of its own run.
    if (presentation.capturing) {
        if (!presentation.soundPath.empty() &&
            !presentation.sound.open(presentation.soundPath, static_cast<int>(corvid::captureMixingRate), 2))
            std::fprintf(stderr, "Cannot write %s; capturing without sound\n", presentation.soundPath.c_str());
        corvid::useCaptureDevice(presentation.virtualClock, capturedSound);
    } else if (options.silent) {
        MusicSetOption(MUSIC_OPTION_FORCE_SILENCE, 1);
    }
    if (options.soundBufferMs > 0 && MusicGetOption(MUSIC_OPTION_BUFFER_LENGTH) > options.soundBufferMs)
        MusicSetOption(MUSIC_OPTION_BUFFER_LENGTH, options.soundBufferMs);
    if (!MusicInit()) {
        MusicSetOption(MUSIC_OPTION_FORCE_SILENCE, 1);
        MusicInit();
        progressLine("CORVID sound init error (no/busy hardware), sound output disabled...");
    }
}

template <class SceneType>
void loadScene(std::unique_ptr<SceneType>& scene, data::DataLibrary& library, scenes::SceneContext& context)
{
    scene = std::make_unique<SceneType>();
    const data::Status status = scene->load(library, context);
    if (!status) {
        std::fprintf(stderr, "%s\n", status.error().c_str());
        failStartup("Error loading filelib!");
    }
}

}  // namespace

SpacedSteps::SpacedSteps(int count, std::uint32_t gapMs, std::function<void(int index)> act)
    : count_(count), gapMs_(gapMs), act_(std::move(act))
{
}

StepResult SpacedSteps::step(FrameService& service)
{
    if (next_ == count_)
        return StepResult::finished;
    if (!waiting_) {
        service.startWait(gapMs_);
        waiting_ = true;
    }
    if (!service.deadlineReached())
        return StepResult::waiting;
    waiting_ = false;
    act_(next_++);
    return next_ == count_ ? StepResult::finished : StepResult::running;
}

SpacedSteps finalFadeSteps(display::Display& screen, const display::Pixel* endPicture)
{
    return SpacedSteps(256, 1, [&screen, endPicture](int index) {
        display::Pixel* frame = screen.frameBuffer();
        render::fadeFrame(render::FrameSpan(frame, display::framePixels),
                          render::ConstFrameSpan(endPicture, display::framePixels), 255 - index);
        screen.presentFrame(frame);
    });
}

AbortSteps::AbortSteps()
    : fade_(63, 5,
            [](int index) {
                if (index < 62) {
                    MusicSetMusicVolume(resources.playHandle, 62 - index);
                    return;
                }
                MusicStopModule(resources.playHandle);
                closeEverything();
            }),
      pause_(1, 50, [](int) {
          finishCapture(false);
          // Asked by the system to end, nobody waits for a box to be dismissed.
          if (platform::terminationRequested())
              platform::setDialogsOnScreen(false);
          platform::showMessage("Demonstration aborted, darn it...", "User interruption");
      })
{
}

StepResult AbortSteps::step()
{
    if (!started_) {
        MusicSetMusicVolume(resources.playHandle, 63);
        started_ = true;
    }
    const StepResult fading = fade_.step(frameService);
    return fading == StepResult::finished ? pause_.step(frameService) : fading;
}

ShowPasses::ShowPasses(const std::array<scenes::Scene*, 6>& scenes, scenes::SceneContext& context,
                       const display::Pixel* endPicture, std::function<void()> scenesOver)
    : scenes_(scenes), context_(context), scenesOver_(std::move(scenesOver)),
      fade_(finalFadeSteps(context.display, endPicture))
{
}

StepResult ShowPasses::step()
{
    // The scenes follow one another with no pause: a finished scene hands
    // over to the next within the same step.
    while (current_ < scenes_.size()) {
        const StepResult result = scenes_[current_]->step(context_);
        if (result != StepResult::finished)
            return result;
        if (++current_ == scenes_.size() && scenesOver_)
            scenesOver_();
    }
    return fade_.step(context_.frames);
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
    endIfTerminationRequested();
    const std::string line = formatProgressLine(format, argument);
    // Into the setup window's list while it is open; on the terminal otherwise.
    if (!platform::addSetupProgressLine(line)) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }
}

namespace {

// The show once the sound has started: the loading's stages, the display's
// settle, the passes, and after Escape the abort's steps.
struct RunningShow {
    std::vector<std::function<void()>> loading;
    std::size_t loadingDone = 0;  // stages of `loading` run so far
    std::optional<SpacedSteps> settle;
    std::optional<ShowPasses> passes;
    std::optional<AbortSteps> abort;
    std::optional<scenes::SceneContext> context;
};

RunningShow running;

// The music starts once the display has settled, and the scene clock with it.
void startMusic()
{
    if (presentation.capturing) {
        MusicPoll();  // the sound catches up with the settling wait before the music starts
        capturedSound.startRecording();
        presentation.captureSink->start(presentation.virtualClock.counter());
    }
    resources.playHandle = MusicPlayModule(resources.module, showState.config.loopMusic);
    // The scenes follow the music being heard, which trails the mixing by the
    // sound queued on its way out (none in capture).
    frameService.readMusicStatus = [](MusicStatus& status) {
        if (presentation.capturing)
            MusicPoll();
        corvid::HeardStatus heard;
        if (corvid::heardPlayStatus(resources.playHandle, heard))
            status = heard.status;
    };
    frameService.startClock();
}

// The loading, in stages that the host may show between: each progress line
// is on screen while the work it names is done, and a browser draws the
// page between two stages. Then the display opens and starts settling.
std::vector<std::function<void()>> loadingStages(bool startPlayerThread)
{
    std::vector<std::function<void()>> stages;
    stages.emplace_back([] { progressLine("Loading music (%s)...", showState.config.musicFile); });
    stages.emplace_back([] {
        resources.module = MusicLoadModule(locateDataFile(showState.config.musicFile).c_str());
        if (resources.module == nullptr) {
            std::fprintf(stderr, "%s: %s\n", showState.config.musicFile, MusicGetErrorMessage(MusicGetLastError()));
            failStartup("Error loading module!");
        }
        progressLine("Opening file library (%s)...", showState.config.dataFile);
    });
    stages.emplace_back([] {
        // The show only reads its data library, so it opens it read-only: an
        // installed, read-only qorv.dat works too.
        auto library = data::DataLibrary::open(locateDataFile(showState.config.dataFile), data::Access::readOnly);
        if (!library) {
            std::fprintf(stderr, "%s\n", library.error().c_str());
            failStartup("Error loading filelib!");
        }
        resources.dataLibrary.emplace(std::move(library).value());
        progressLine("Loading and initialising data... ");
        running.context.emplace(scenes::SceneContext{frameService, showState, showRandom, display::mainDisplay});
    });
    stages.emplace_back([] { loadScene(resources.opening, *resources.dataLibrary, *running.context); });
    stages.emplace_back([] { loadScene(resources.credits, *resources.dataLibrary, *running.context); });
    stages.emplace_back([] { loadScene(resources.panorama, *resources.dataLibrary, *running.context); });
    stages.emplace_back([] { loadScene(resources.window, *resources.dataLibrary, *running.context); });
    stages.emplace_back([] { loadScene(resources.arms, *resources.dataLibrary, *running.context); });
    stages.emplace_back([] { loadScene(resources.closing, *resources.dataLibrary, *running.context); });
    stages.emplace_back([startPlayerThread] {
        endIfTerminationRequested();
        progressLine("ok");
        if (startPlayerThread)
            MusicStartBackgroundPlay(0);
        progressLine("");
        progressLine("Done...");

        frameService.pumpMessage = [] {
            // A termination request ends the show as Escape does.
            if (platform::terminationRequested())
                frameService.abortRequested = true;
            platform::WindowEvent event;
            if (display::mainDisplay.video().pollEvent(event))
                display::displayWindowProcedure(event, frameService.abortRequested);
        };

        platform::hideSetupWindow();
        switch (display::mainDisplay.openDisplay(showState.config.screenMode,
                                                   showState.config.interlaced != 0)) {
        case display::OpenResult::ok: break;
        case display::OpenResult::deviceError: failStartup(display::deviceErrorMessage);
        case display::OpenResult::modeUnsupported: failStartup(display::modeUnsupportedMessage);
        }
        // The monitor settles on the new mode before the music starts.
        running.settle.emplace(1, platform::modeSettleMs(), [](int) { startMusic(); });
    });
    return stages;
}

}  // namespace

void startShow(const ShowOptions& options)
{
    DemoConfig& config = showState.config;
    config = DemoConfig{};
    showState.sineTable = buildSineTable();
    showState.mmx.mmxAvailable = platform::queryCpu().mmx;
    showState.mmx.useMmx = false;

    platform::watchTerminationRequests();
    const platform::VideoOptions video = choosePresentation(options);
    frameService.nowMs = 0;

    MusicStartup();
    if (!display::mainDisplay.create(video))
        failStartup(display::deviceErrorMessage);
    if (presentation.captureSink)
        display::mainDisplay.video().setFrameSink(presentation.captureSink.get());

    if (options.screenMode) {
        config.screenMode = static_cast<std::uint8_t>(*options.screenMode);
        config.interlaced = options.interlaced ? 1 : 0;
        showState.mmx.useMmx = options.useMmx && showState.mmx.mmxAvailable;
    } else if (!presentation.capturing) {
        // The viewer chooses the mode; closing the window ends the program.
        const platform::SetupResult setup =
            platform::runSetupWindow(setupWindowContent(config, showState.mmx, display::mainDisplay.modes()));
        if (setup.outcome == platform::SetupOutcome::closed)
            std::exit(0);
        applySetupResult(setup, config, showState.mmx);
    }
    if (options.chooseSound)
        options.chooseSound();

    startSound(options);

    // In capture the sound is serviced once per pass, on the main thread, so
    // that it follows the virtual clock exactly; with servicedByCaller the
    // caller does it (the browser's timer); otherwise the player thread keeps
    // it going every 20 ms.
    running.loading = loadingStages(!presentation.capturing && !options.soundServicedByCaller);
    running.loadingDone = 0;
}

StepResult showStep()
{
    if (running.loadingDone < running.loading.size()) {
        running.loading[running.loadingDone++]();
        return StepResult::yielding;
    }
    if (running.abort)
        return running.abort->step();
    if (running.settle) {
        const StepResult settling = running.settle->step(frameService);
        if (settling != StepResult::finished)
            return settling;
        running.settle.reset();
        running.passes.emplace(resources.inOrder(), *running.context, resources.closing->endPicture(),
                               [] { MusicStopModule(resources.playHandle); });
    }
    const StepResult result = running.passes->step();
    if (result == StepResult::aborted) {
        running.abort.emplace();
        return StepResult::running;
    }
    return result;
}

int endShow()
{
    running.passes.reset();
    if (running.abort) {
        running.abort.reset();
        return 0;
    }
    if (presentation.capturing)
        MusicPoll();  // the recording lasts as long as the fade's pictures

    resources.closing.reset();
    resources.arms.reset();
    resources.window.reset();
    resources.panorama.reset();
    resources.credits.reset();
    resources.opening.reset();
    closeEverything();
    finishCapture(true);
    return 1;
}

int runShow(const ShowOptions& options)
{
    startShow(options);
    runSteps(frameService, showStep);
    return endShow();
}

}  // namespace host
