// The show with no sound card, and with a sound card that goes away while the
// show plays. Each case runs the built program on SDL's off-screen video, as
// a child whose sound is steered through SDL's audio driver choice: a driver
// that does not exist stands for a machine without a sound card, and SDL's
// disk driver writing into a pipe stands for a card that works until the
// test closes the pipe (the driver then reports its device gone, as an
// unplugged card does).

#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The show running as a child process, its standard output and error in one pipe.
class RunningShow {
public:
    // SDL's audio driver, and for its disk driver the file it writes to.
    explicit RunningShow(const std::string& audioDriver, const std::string& diskFile = "")
    {
        int output[2];
        if (pipe(output) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(output[1], 1);
            dup2(output[1], 2);
            close(output[0]);
            close(output[1]);
            // Writes into a closed pipe fail instead of ending the program.
            std::signal(SIGPIPE, SIG_IGN);
            setenv("SDL_VIDEODRIVER", "dummy", 1);
            setenv("SDL_AUDIODRIVER", audioDriver.c_str(), 1);
            setenv("SDL_DISKAUDIOFILE", diskFile.c_str(), 1);
            execl("./solvane", "solvane", "--mode", "320x200x32", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(output[1]);
        output_ = output[0];
        fcntl(output_, F_SETFL, O_NONBLOCK);
    }
    ~RunningShow()
    {
        if (pid_ > 0 && exitCode_ == noExitYet) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0)
            close(output_);
    }
    RunningShow(const RunningShow&) = delete;
    RunningShow& operator=(const RunningShow&) = delete;

    bool started() const { return pid_ > 0; }
    void interrupt() const { kill(pid_, SIGINT); }

    // Waits up to `limit` for the show to end; its exit code, or -1 if it
    // is still running (or ended by a signal).
    int waitForExit(std::chrono::milliseconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (exitCode_ == noExitYet && std::chrono::steady_clock::now() < end) {
            drain();
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_)
                exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
            else
                std::this_thread::sleep_for(10ms);
        }
        drain();
        return exitCode_ == noExitYet ? -1 : exitCode_;
    }
    const std::string& output() const { return text_; }

private:
    static constexpr int noExitYet = -100;

    void drain()
    {
        char buffer[4096];
        ssize_t got = 0;
        while ((got = read(output_, buffer, sizeof buffer)) > 0)
            text_.append(buffer, static_cast<std::size_t>(got));
    }

    pid_t pid_ = -1;
    int output_ = -1;
    int exitCode_ = noExitYet;
    std::string text_;
};

TEST(ShowSoundCard, WithoutASoundCardTheShowRunsOnTheSilentDevice)
{
    RunningShow show("no-such-sound-driver");
    ASSERT_TRUE(show.started());
    // Three seconds into the opening: still running (the music position
    // advances in real time on the silent device, so the show is far from its end).
    EXPECT_EQ(show.waitForExit(3000ms), -1) << show.output();
    // SDL turns the interrupt into a window close, which ends the show at
    // once with exit code 0 while the player thread still runs.
    show.interrupt();
    EXPECT_EQ(show.waitForExit(10000ms), 0) << show.output();
    EXPECT_NE(show.output().find("Done..."), std::string::npos) << show.output();
    // Detection simply ends at the silent device: no error, no fallback line.
    EXPECT_EQ(show.output().find("CORVID"), std::string::npos) << show.output();
    EXPECT_EQ(show.output().find("sound output disabled"), std::string::npos) << show.output();
}

TEST(ShowSoundCard, ASoundCardLostDuringTheShowEndsItWithTheLibrarysFatalError)
{
    const fs::path folder = fs::temp_directory_path() / ("solvane-card-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path card = folder / "card";
    ASSERT_EQ(mkfifo(card.c_str(), 0600), 0);
    // Opened first, without waiting, so that the show's open for writing finds
    // a reader; not inherited, so that closing it leaves the pipe without one.
    const int reader = open(card.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    {
        RunningShow show("disk", card.string());
        ASSERT_TRUE(show.started());
        // Play two seconds of sound (44100 Hz stereo 16-bit), paced by the driver.
        std::size_t heard = 0;
        const auto end = std::chrono::steady_clock::now() + 20s;
        char buffer[65536];
        while (heard < 2 * 44100 * 4 && std::chrono::steady_clock::now() < end) {
            pollfd ready{reader, POLLIN, 0};
            if (poll(&ready, 1, 100) > 0) {
                const ssize_t got = read(reader, buffer, sizeof buffer);
                heard += got > 0 ? static_cast<std::size_t>(got) : 0;
            }
        }
        ASSERT_GE(heard, 2u * 44100 * 4) << show.output();
        close(reader);  // the card goes away

        // The next block the player sends fails: the library undoes itself
        // and ends the process with its message, well within a second or two.
        EXPECT_EQ(show.waitForExit(10000ms), 255) << show.output();
        EXPECT_NE(show.output().find("Done..."), std::string::npos) << show.output();
        EXPECT_NE(show.output().find("CORVID Error: Device is not available"), std::string::npos) << show.output();
    }
    fs::remove_all(folder);
}

}  // namespace
