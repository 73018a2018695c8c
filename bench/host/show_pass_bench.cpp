// What a drawn pass of the show costs natively (the scene's drawing and the
// present into the display's surface), the figure the browser's page measures
// for its own passes: the whole show on virtual time with its music on the
// capture device, without a window, each step that presented a picture timed
// in the thread's processor time. The music is mixed between the steps, as
// the browser's timer does it, and not counted. Prints the median and the 99th percentile, for the
// first seconds of the show (what the browser tests time) and for all of it.
// Reads qorv.dat and qorv.xm from the current folder or next to the program.
//   show_pass_bench [first-seconds]   (default 4)

#include "display/display.h"
#include "host/data_files.h"
#include "host/demo_config.h"
#include "host/frame_service.h"
#include "host/show.h"
#include "host/show_random.h"
#include "host/show_state.h"
#include "host/sine_table.h"
#include "platform/capture.h"
#include "scenes/arms.h"
#include "scenes/closing.h"
#include "scenes/credits.h"
#include "scenes/opening.h"
#include "scenes/panorama.h"
#include "scenes/window.h"
#include "sound/include/corvid.h"
#include "sound/include/corvid_devices.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <span>
#include <vector>

namespace {

class CountingSink final : public platform::FrameSink {
public:
    void writeFrame(const std::uint32_t*, int, int) override { ++frames_; }
    bool finish() override { return true; }
    std::string error() const override { return {}; }
    int framesWritten() const override { return frames_; }

private:
    int frames_ = 0;
};

class NoSound final : public corvid::SoundSink {
public:
    void writeSound(std::span<const std::int16_t>) override {}
};

template <class SceneType>
std::unique_ptr<SceneType> loaded(data::DataLibrary& library, scenes::SceneContext& context)
{
    auto scene = std::make_unique<SceneType>();
    if (const data::Status status = scene->load(library, context); !status) {
        std::fprintf(stderr, "%s\n", status.error().c_str());
        std::exit(1);
    }
    return scene;
}

double threadMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) * 1e-6;
}

void report(const char* what, std::vector<double> ms)
{
    if (ms.empty())
        return;
    std::sort(ms.begin(), ms.end());
    const auto at = [&ms](double fraction) { return ms[std::min(ms.size() - 1, static_cast<std::size_t>(fraction * ms.size()))]; };
    std::printf("%s: median %.3f ms, 99th percentile %.3f ms, %zu passes\n", what, at(0.5), at(0.99), ms.size());
}

}  // namespace

int main(int argc, char** argv)
{
    const double firstSeconds = argc > 1 ? std::atof(argv[1]) : 4.0;
    platform::VirtualClock clock;
    host::FrameService& service = host::frameService;
    service.clock = &clock;
    host::showState.sineTable = host::buildSineTable();

    platform::VideoOptions video;
    video.window = false;
    CountingSink pictures;
    display::Display& screen = display::mainDisplay;
    if (!screen.create(video) || screen.openDisplay(host::DemoConfig{}.screenMode, false) != display::OpenResult::ok) {
        std::fprintf(stderr, "show_pass_bench: no display\n");
        return 1;
    }
    screen.video().setFrameSink(&pictures);

    NoSound sound;
    MusicStartup();
    corvid::useCaptureDevice(clock, sound);
    MusicInit();
    MusicModule* module = MusicLoadModule(host::locateDataFile("qorv.xm").c_str());
    auto library = data::DataLibrary::open(host::locateDataFile("qorv.dat"), data::Access::readOnly);
    if (module == nullptr || !library) {
        std::fprintf(stderr, "show_pass_bench: qorv.xm and qorv.dat are needed\n");
        return 1;
    }
    scenes::SceneContext context{service, host::showState, host::showRandom, screen};
    auto opening = loaded<scenes::OpeningScene>(*library, context);
    auto credits = loaded<scenes::CreditsScene>(*library, context);
    auto panorama = loaded<scenes::PanoramaScene>(*library, context);
    auto window = loaded<scenes::WindowScene>(*library, context);
    auto arms = loaded<scenes::ArmsScene>(*library, context);
    auto closing = loaded<scenes::ClosingScene>(*library, context);

    const int handle = MusicPlayModule(module, 0);
    service.readMusicStatus = [handle](MusicStatus& status) { MusicGetPlayStatus(handle, &status); };
    service.startClock();
    const std::uint32_t startMs = service.nowMs;
    host::ShowPasses passes({opening.get(), credits.get(), panorama.get(), window.get(), arms.get(), closing.get()},
                            context, closing->endPicture(), [handle] { MusicStopModule(handle); });

    std::vector<double> first, all;
    for (;;) {
        const int before = pictures.framesWritten();
        const double start = threadMs();
        const host::StepResult result = passes.step();
        const double ms = threadMs() - start;
        MusicPoll();
        if (pictures.framesWritten() != before) {
            all.push_back(ms);
            if (service.nowMs - startMs < firstSeconds * 1000)
                first.push_back(ms);
        }
        if (result == host::StepResult::waiting)
            clock.waitUntil(service.deadlineTicks());
        else if (result != host::StepResult::running)
            break;
    }
    report("native drawn pass, the first seconds", first);
    report("native drawn pass, the whole show", all);
    MusicStopModule(handle);
    MusicFreeModule(module);
    MusicClose();
    screen.close();
    return 0;
}
