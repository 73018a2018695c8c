// CPU use of the frame service pacing an empty scene on the real clock: CPU
// seconds spent per wall-clock second. A loop that spins for its waits uses a
// whole core (1.0); sleeping until shortly before each deadline should stay
// far below 0.05.
//   paced_loop_bench [seconds]   (default 10)

#include "host/frame_service.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    platform::RealClock clock;
    host::FrameService service;
    service.clock = &clock;
    service.startClock();

    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    int drawn = 0, passes = 0;
    while (std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count() < seconds) {
        drawn += service.frameTick();
        ++passes;
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    const double cpu = cpuSeconds() - cpuStart;
    std::printf("paced loop: %d passes, %d drawn (%.2f per second) over %.2f s\n", passes, drawn, drawn / wall, wall);
    std::printf("CPU seconds per wall second: %.4f\n", cpu / wall);
    return 0;
}
