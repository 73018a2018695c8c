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

bool FrameService::deadlineReached()
{
    readClock();
    return nowMs - deadline.from >= deadline.span;
}

std::uint64_t FrameService::deadlineTicks() const
{
    // nowMs counts from program start, so from + span cannot wrap in any run.
    return platform::Clock::ticksForMs(std::uint64_t{deadline.from} + deadline.span);
}

void FrameService::waitForDeadline()
{
    while (!deadlineReached())
        clock->waitUntil(deadlineTicks());
}

void FrameService::startWait(std::uint32_t n)
{
    msPerTick = 1000.0 / static_cast<double>(clock->frequency());
    readClock();
    deadline = {nowMs, n};
}

void FrameService::waitMs(std::uint32_t n)
{
    startWait(n);
    waitForDeadline();
}

PassVerdict FrameService::releasePass()
{
    readClock();
    lateCount = 0;
    lastFrameTime = nowMs;
    sceneClock = nowMs / 10 - sceneStart;
    return PassVerdict::draw;
}

PassVerdict FrameService::beginPass()
{
    if (pumpMessage)
        pumpMessage();
    if (abortRequested)
        return PassVerdict::abort;

    readClock();
    const std::uint32_t elapsed = nowMs - lastFrameTime;
    if (elapsed <= framePeriod) {
        deadline = {lastFrameTime, framePeriod};
    } else {
        ++lateCount;
        if (elapsed / lateCount > framePeriod) {
            sceneClock = nowMs / 10 - sceneStart;
            return PassVerdict::skip;
        }
        // (nowMs − lastFrameTime) / lateCount ≥ framePeriod, in whole milliseconds
        deadline = {lastFrameTime, framePeriod * lateCount};
    }
    return deadlineReached() ? releasePass() : PassVerdict::wait;
}

bool FrameService::releaseWaitingPass()
{
    if (!deadlineReached())
        return false;
    releasePass();
    return true;
}

int FrameService::frameTick()
{
    switch (beginPass()) {
    case PassVerdict::abort:
        return -1;
    case PassVerdict::skip:
        return 0;
    case PassVerdict::wait:
        waitForDeadline();
        releasePass();
        return 1;
    case PassVerdict::draw:
        return 1;
    }
    return 0;
}

StepResult runSteps(FrameService& service, const std::function<StepResult()>& step)
{
    for (;;) {
        const StepResult result = step();
        if (result == StepResult::waiting)
            service.clock->waitUntil(service.deadlineTicks());
        else if (result != StepResult::running && result != StepResult::yielding)
            return result;
    }
}

Turn runTurn(FrameService& service, const std::function<StepResult()>& step, double shortWaitMs, double budgetMs)
{
    platform::Clock& clock = *service.clock;
    const double msPerTick = 1000.0 / static_cast<double>(clock.frequency());
    const std::uint64_t start = clock.counter();
    std::uint64_t waited = 0;
    for (;;) {
        const StepResult result = step();
        if (result == StepResult::running)
            continue;
        const std::uint64_t now = clock.counter();
        if (result == StepResult::waiting) {
            // In whole milliseconds, as the wait was asked for.
            service.readClock();
            const std::uint32_t passed = service.nowMs - service.deadline.from;
            const double leftMs = passed >= service.deadline.span ? 0 : service.deadline.span - passed;
            if (leftMs <= shortWaitMs && static_cast<double>(now - start) * msPerTick + leftMs <= budgetMs) {
                clock.waitUntil(service.deadlineTicks());
                waited += clock.counter() - now;
                continue;
            }
        }
        return {result, static_cast<double>(now - start - waited) * msPerTick};
    }
}

}  // namespace host
