#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "sound/core/library.h"
#include "sound/include/corvid.h"

extern "C" int corvidOptionRoundTripFromC(void);

namespace corvid {
namespace {

class LibraryCoreTest : public ::testing::Test {
protected:
    void SetUp() override { resetLibraryCore(); }
    void TearDown() override
    {
        resetLibraryCore();
        libraryCore().fatalErrorHandler = defaultFatalErrorHandler;
        libraryCore().uninitialize = nullptr;
    }
};

TEST_F(LibraryCoreTest, ErrorNumbersOutsideTheTableReadNothingPastIt)
{
    EXPECT_STREQ(MusicGetErrorMessage(0), "OK");
    EXPECT_STREQ(MusicGetErrorMessage(52), "Undefined error");
    EXPECT_STREQ(MusicGetErrorMessage(-1), "Undefined error");
}

TEST_F(LibraryCoreTest, FailuresAreKeptAsTheLastError)
{
    EXPECT_EQ(MusicGetLastError(), 0);
    EXPECT_EQ(reportResult(ErrorCode::invalidChannel), 0);
    EXPECT_EQ(MusicGetLastError(), 18);
    EXPECT_EQ(reportResult(ErrorCode::ok), 1);
    EXPECT_EQ(MusicGetLastError(), 18) << "a success leaves the last error alone";
}

TEST_F(LibraryCoreTest, ResetRestoresTheDefaults)
{
    const int rate = MusicGetOption(1), quality = MusicGetOption(10);
    MusicSetOption(1, rate / 2);
    MusicSetOption(10, quality + 1);
    resetLibraryCore();
    EXPECT_EQ(MusicGetOption(1), rate);
    EXPECT_EQ(MusicGetOption(10), quality);
}

TEST_F(LibraryCoreTest, OptionRules)
{
    EXPECT_EQ(MusicSetOption(11, 2), 1);
    EXPECT_EQ(MusicGetOption(11), 0) << "only 1 means interpolating";
    MusicSetOption(11, 1);
    EXPECT_EQ(MusicGetOption(11), 1);
    MusicSetOption(4, -7);
    EXPECT_EQ(MusicGetOption(4), -7);

    for (int number : {0, -1, 14, 1000}) {
        EXPECT_EQ(MusicSetOption(number, 99), 1);
        EXPECT_EQ(MusicGetOption(number), 0);
    }
    EXPECT_EQ(MusicGetOption(1), 44100) << "an unknown number changes nothing";
    EXPECT_EQ(corvidOptionRoundTripFromC(), 22050);
}

bool anotherThreadCanTakeTheLock()
{
    std::atomic<bool> taken{false};
    std::thread other([&] {
        taken = libraryCore().lock.try_lock();
        if (taken)
            libraryCore().lock.unlock();
    });
    other.join();
    return taken;
}

TEST_F(LibraryCoreTest, LockIsReentrantAndExcludesOtherThreads)
{
    MusicLock();
    {
        LibraryLock inner;  // the same thread takes it again
        EXPECT_FALSE(anotherThreadCanTakeTheLock());
    }
    EXPECT_FALSE(anotherThreadCanTakeTheLock());
    MusicUnlock();
    EXPECT_TRUE(anotherThreadCanTakeTheLock());
}

std::string lastFatalText;
void recordFatalText(const char* text) { lastFatalText = text; }

TEST_F(LibraryCoreTest, FatalPathUndoesFirstThenReports)
{
    MusicSetFatalErrorHandler(recordFatalText);
    static int undoCalls;
    undoCalls = 0;
    libraryCore().uninitialize = [] {
        ++undoCalls;
        return ErrorCode::ok;
    };
    fatalError(ErrorCode::invalidPatternData);
    EXPECT_EQ(undoCalls, 1);
    EXPECT_EQ(lastFatalText, "CORVID Error: Invalid pattern data in module");

    libraryCore().uninitialize = [] { return ErrorCode::hardwareFailure; };
    fatalError(ErrorCode::invalidPatternData);
    EXPECT_EQ(lastFatalText, "FATAL CORVID uninitialization failure: Sound Device hardware failure");
}

}  // namespace
}  // namespace corvid
