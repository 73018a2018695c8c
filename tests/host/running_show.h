#pragma once
// The built show running as a child process of a test, in build/bin, its
// standard output and error gathered from one pipe.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace show_test {

// The show running as a child process, its standard output and error in one pipe.
class RunningShow {
public:
    // ./solvane with these arguments and these variables set.
    RunningShow(const std::vector<std::string>& args, const std::map<std::string, std::string>& environment)
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
            for (const auto& [name, value] : environment)
                setenv(name.c_str(), value.c_str(), 1);
            std::vector<char*> argv{const_cast<char*>("solvane")};
            for (const std::string& arg : args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv("./solvane", argv.data());
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
    RunningShow(RunningShow&& other) noexcept
        : pid_(std::exchange(other.pid_, -1)), output_(std::exchange(other.output_, -1)), exitCode_(other.exitCode_),
          text_(std::move(other.text_))
    {
    }
    RunningShow& operator=(RunningShow&&) = delete;

    bool started() const { return pid_ > 0; }
    void signal(int number) const { kill(pid_, number); }

    // Waits up to `limit` for `text` in the output; false if it never came.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (text_.find(text) == std::string::npos && std::chrono::steady_clock::now() < end) {
            drain();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return text_.find(text) != std::string::npos;
    }

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
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
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

}  // namespace show_test
