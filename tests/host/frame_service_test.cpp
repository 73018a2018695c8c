// Pacing on the virtual clock: every case of the 33 ms rule, without waiting.

#include "host/frame_service.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class Pacing : public ::testing::Test {
protected:
    void SetUp() override
    {
        service.clock = &clock;
        clock.advanceMs(5000);  // any origin: only differences count
        service.startClock();
        service.resetSceneClock();
    }
    std::uint32_t sinceLastFrame() { return service.nowMs - service.lastFrameTime; }

    platform::VirtualClock clock;
    host::FrameService service;
};

TEST_F(Pacing, AnEarlyOrExactPassIsDrawn33MsAfterThePreviousOne)
{
    for (const std::uint32_t drawing : {10u, 33u, 0u}) {
        const std::uint32_t start = service.nowMs;
        clock.advanceMs(drawing);
        EXPECT_EQ(service.frameTick(), 1);
        EXPECT_EQ(service.nowMs - start, 33u) << "a pass that took " << drawing << " ms";
        EXPECT_EQ(service.lastFrameTime, service.nowMs);
    }
}

TEST_F(Pacing, LatePassesAreSkippedUntilTheAverageCatchesUp)
{
    const std::uint32_t start = service.nowMs;
    clock.advanceMs(100);  // a drawn frame took 100 ms
    EXPECT_EQ(service.frameTick(), 0);  // 100 / 1 > 33
    EXPECT_EQ(service.lateCount, 1u);
    EXPECT_EQ(service.nowMs - start, 100u);  // answered at once
    EXPECT_EQ(service.frameTick(), 0);  // 100 / 2 > 33
    EXPECT_EQ(service.frameTick(), 1);  // 100 / 3 = 33: drawn once 99 ms have passed, which they have
    EXPECT_EQ(service.lateCount, 0u);
    EXPECT_EQ(service.lastFrameTime, start + 100);
}

TEST_F(Pacing, ALatePassThatCanCatchUpWaitsForTheAverage)
{
    const std::uint32_t start = service.nowMs;
    clock.advanceMs(40);
    EXPECT_EQ(service.frameTick(), 0);  // 40 / 1 > 33
    EXPECT_EQ(service.frameTick(), 1);  // 40 / 2 ≤ 33: waits until 66 ms have passed
    EXPECT_EQ(service.nowMs - start, 66u);
}

TEST_F(Pacing, SceneClockCountsHundredthsFromTheSceneStart)
{
    clock.advanceMs(1000);
    service.frameTick();  // late: answered at once
    EXPECT_EQ(service.sceneClock, 100u);

    service.resetSceneClock();
    EXPECT_EQ(service.sceneClock, 0u);
    EXPECT_EQ(service.frameTick(), 1);
    EXPECT_EQ(service.sceneClock, 3u) << "the first pass of a scene comes 33 ms after its start";
}

TEST_F(Pacing, WaitMsAdvancesAtLeastThatMuch)
{
    const std::uint32_t start = service.nowMs;
    service.waitMs(1000);
    EXPECT_EQ(service.nowMs - start, 1000u);
    service.waitMs(0);
    EXPECT_EQ(service.nowMs - start, 1000u);
}

TEST_F(Pacing, TheAbortIsAnsweredBeforeAnyPacing)
{
    service.pumpMessage = [&] { service.abortRequested = true; };
    clock.advanceMs(10);
    const std::uint32_t before = service.nowMs;
    EXPECT_EQ(service.beginPass(), host::PassVerdict::abort);
    EXPECT_EQ(service.nowMs, before) << "the clock is not even read";
    EXPECT_EQ(service.frameTick(), -1) << "and it stays set";
}

// Without waiting inside: an early pass answers `wait` with its deadline and
// is released for drawing only once the clock has reached it, as a browser's
// animation frames would find it.
TEST_F(Pacing, AnEarlyPassWaitsForItsDeadlineWithoutBlocking)
{
    const std::uint32_t last = service.lastFrameTime;
    clock.advanceMs(10);
    ASSERT_EQ(service.beginPass(), host::PassVerdict::wait);
    EXPECT_EQ(service.deadlineTicks(), platform::Clock::ticksForMs(last + 33));
    clock.advanceMs(22);
    EXPECT_FALSE(service.releaseWaitingPass());
    EXPECT_EQ(service.lastFrameTime, last);
    clock.advanceMs(1);
    EXPECT_TRUE(service.releaseWaitingPass());
    EXPECT_EQ(service.lastFrameTime, last + 33);
    EXPECT_EQ(service.lateCount, 0u);
}

TEST(RealClockPacing, DrawnPassesAreAtLeastOnePeriodApart)
{
    platform::RealClock clock;
    host::FrameService service;
    service.clock = &clock;
    service.startClock();
    std::uint32_t last = service.nowMs;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(service.frameTick(), 1);
        EXPECT_GE(service.nowMs - last, 33u);
        last = service.nowMs;
    }
}

}  // namespace

// A browser's animation frame as one turn: short waits are waited out inside
// it while the frame's time allows, a longer one ends it, and its busy time
// leaves the waits out.
TEST_F(Pacing, ATurnWaitsOutShortWaitsWithinItsBudgetOnly)
{
    struct Scripted {
        std::uint32_t workMs;
        std::uint32_t waitMs;
    };
    const std::vector<Scripted> script{{2, 1}, {1, 5}, {0, 20}};
    for (const double budgetMs : {8.0, 100.0}) {
        std::size_t next = 0;
        service.readClock();
        const std::uint32_t start = service.nowMs;
        const auto step = [&] {
            clock.advanceMs(script[next].workMs);
            service.startWait(script[next].waitMs);
            ++next;
            return host::StepResult::waiting;
        };
        const host::Turn turn = host::runTurn(service, step, 5, budgetMs);
        EXPECT_EQ(turn.result, host::StepResult::waiting);
        service.readClock();
        if (budgetMs < 10) {
            // 3 ms in, the 5 ms wait would end the turn after 9 ms.
            EXPECT_EQ(next, 2u);
            EXPECT_EQ(service.nowMs - start, 4u);
        } else {
            EXPECT_EQ(next, 3u);  // the 20 ms wait is the next frame's
            EXPECT_EQ(service.nowMs - start, 9u);
        }
        EXPECT_NEAR(turn.busyMs, 3.0, 0.01) << "budget " << budgetMs;
        clock.advanceMs(50);
    }
}

TEST_F(Pacing, ATurnEndsAtOnceWhenAStepYieldsOrTheShowPartIsOver)
{
    for (const host::StepResult last :
         {host::StepResult::yielding, host::StepResult::finished, host::StepResult::aborted}) {
        int calls = 0;
        const auto step = [&] { return ++calls < 3 ? host::StepResult::running : last; };
        EXPECT_EQ(host::runTurn(service, step, 5, 8).result, last);
        EXPECT_EQ(calls, 3);
    }
}
