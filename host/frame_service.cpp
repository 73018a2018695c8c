#include "host/frame_service.h"

#include <cmath>

namespace host {

FrameService frameService;

void FrameService::readClock()
{
    nowMs = static_cast<std::uint32_t>(std::trunc(static_cast<double>(clock->counter()) * msPerTick));
}

void FrameService::startClock()
{
    framePeriod = 33;
    msPerTick = 1000.0 / static_cast<double>(clock->frequency());
    readClock();
    sceneStart = nowMs / 10;
    lastFrameTime = nowMs;
    lateCount = 0;
}

void FrameService::resetSceneClock()
{
    readClock();
    sceneStart = nowMs / 10;
    // A scene's first pass reads the clock before its first frameTick: it
    // must see 0, not where the previous scene ended.
    sceneClock = 0;
    lateCount = 0;
    lastFrameTime = nowMs;
}

void FrameService::waitUntilElapsed(std::uint32_t from, std::uint32_t span)
{
    readClock();
    while (nowMs - from < span) {
        // The deadline in the clock's own ticks; nowMs counts from program start,
        // so from + span cannot wrap in any run.
        clock->waitUntil(platform::Clock::ticksForMs(std::uint64_t{from} + span));
        readClock();
    }
}

int FrameService::frameTick()
{
    if (pumpMessage)
        pumpMessage();
    if (abortRequested && abort)
        abort();

    readClock();
    const std::uint32_t elapsed = nowMs - lastFrameTime;
    int result = 1;
    if (elapsed <= framePeriod) {
        waitUntilElapsed(lastFrameTime, framePeriod);
    } else {
        ++lateCount;
        if (elapsed / lateCount > framePeriod)
            result = 0;
        else  // (nowMs − lastFrameTime) / lateCount ≥ framePeriod, in whole milliseconds
            waitUntilElapsed(lastFrameTime, framePeriod * lateCount);
    }
    if (result == 1) {
        readClock();
        lateCount = 0;
        lastFrameTime = nowMs;
    }
    sceneClock = nowMs / 10 - sceneStart;
    return result;
}

void FrameService::waitMs(std::uint32_t n)
{
    msPerTick = 1000.0 / static_cast<double>(clock->frequency());
    readClock();
    waitUntilElapsed(nowMs, n);
}

}  // namespace host
