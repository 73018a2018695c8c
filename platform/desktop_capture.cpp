// Capture on the desktop systems: PNG frames through the backend's writer
// (png_writer.cpp) on a few threads, a video through ffmpeg's pipe, and the
// WAV writer.
#include "platform/capture.h"
#include "platform/process.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

namespace {

// Encoding is what a capture spends its time on, so frames are compressed on
// a few worker threads while the show draws the next ones. The queue is
// bounded: the show waits rather than piling up pictures in memory.
class PngFolderSink final : public FrameSink {
public:
    explicit PngFolderSink(std::string folder, int workers) : folder_(std::move(folder))
    {
        for (int i = 0; i < workers; ++i)
            workers_.emplace_back([this] { encodeFrames(); });
        maxQueued_ = 2 * static_cast<std::size_t>(workers);
    }
    ~PngFolderSink() override { finish(); }

    void writeFrame(const std::uint32_t* pixels, int width, int height) override
    {
        if (frames_ == 0) {
            std::error_code ec;
            std::filesystem::create_directories(folder_, ec);
            if (ec) {
                const std::lock_guard lock(mutex_);
                error_ = "cannot create folder " + folder_ + ": " + ec.message();
            }
        }
        std::unique_lock lock(mutex_);
        roomLeft_.wait(lock, [this] { return queue_.size() < maxQueued_ || !error_.empty(); });
        if (!error_.empty() || closed_)
            return;
        char name[32];
        std::snprintf(name, sizeof name, "frame%06d.png", frames_);
        queue_.push_back({(std::filesystem::path(folder_) / name).string(),
                          std::vector<std::uint32_t>(pixels, pixels + static_cast<std::size_t>(width) * height), width,
                          height});
        ++frames_;
        workWaiting_.notify_one();
    }
    bool finish() override
    {
        {
            const std::lock_guard lock(mutex_);
            closed_ = true;
        }
        workWaiting_.notify_all();
        for (auto& worker : workers_)
            worker.join();
        workers_.clear();
        return error().empty();
    }
    std::string error() const override
    {
        const std::lock_guard lock(mutex_);
        return error_;
    }
    int framesWritten() const override { return frames_; }

private:
    struct Frame {
        std::string path;
        std::vector<std::uint32_t> pixels;
        int width, height;
    };

    void encodeFrames()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            workWaiting_.wait(lock, [this] { return !queue_.empty() || closed_; });
            if (queue_.empty())
                return;
            const Frame frame = std::move(queue_.front());
            queue_.pop_front();
            roomLeft_.notify_one();
            lock.unlock();
            const bool written = writePng(frame.path, frame.pixels.data(), frame.width, frame.height);
            lock.lock();
            if (!written && error_.empty()) {
                error_ = "cannot write " + frame.path;
                queue_.clear();
                roomLeft_.notify_all();
            }
        }
    }

    std::string folder_;
    int frames_ = 0;  // frames accepted; only the show's thread counts them
    mutable std::mutex mutex_;
    std::condition_variable workWaiting_, roomLeft_;
    std::deque<Frame> queue_;
    std::size_t maxQueued_ = 0;
    bool closed_ = false;
    std::string error_;
    std::vector<std::thread> workers_;
};

class FfmpegSink final : public FrameSink {
public:
    FfmpegSink(std::string path, int num, int den, std::string soundFile, bool keepSound)
        : path_(std::move(path)), soundFile_(std::move(soundFile)), keepSound_(keepSound), num_(num), den_(den),
          videoFile_(soundFile_.empty() ? path_ : path_ + ".pictures.mkv")
    {
    }
    ~FfmpegSink() override { finish(); }

    void writeFrame(const std::uint32_t* pixels, int width, int height) override
    {
        if (!error_.empty())
            return;
        if (pipe_ == nullptr && !start(width, height))
            return;
        if (width != width_ || height != height_) {
            error_ = "the picture size changed during the capture";
            return;
        }
        // Raw BGRA: on a little-endian machine the 0x00RRGGBB words are exactly that.
        const std::size_t count = static_cast<std::size_t>(width) * height;
        if (std::fwrite(pixels, sizeof(std::uint32_t), count, pipe_) != count) {
            error_ = "ffmpeg stopped reading frames";
            return;
        }
        ++frames_;
    }

    bool finish() override
    {
        if (pipe_ == nullptr)
            return error_.empty();
        const int status = closePipe(pipe_);
        pipe_ = nullptr;
        if (status != 0 && error_.empty())
            error_ = "ffmpeg failed to write " + videoFile_;
        if (!soundFile_.empty() && error_.empty()) {
            // Pictures as they are, sound encoded, cut to the shorter of the two.
            const std::string join = "ffmpeg -hide_banner -loglevel error -y -i " + shellQuoted(videoFile_) + " -i " +
                                     shellQuoted(soundFile_) + " -c:v copy -c:a aac -b:a 192k -shortest " +
                                     "-movflags +faststart " + shellQuoted(path_);
            if (runCommand(join) != 0)
                error_ = "ffmpeg failed to join pictures and sound into " + path_ + "; the sound is kept in " +
                         soundFile_;
            else if (!keepSound_)
                std::remove(soundFile_.c_str());
            std::remove(videoFile_.c_str());
        }
        return error_.empty();
    }
    std::string error() const override { return error_; }
    int framesWritten() const override { return frames_; }

private:
    bool start(int width, int height)
    {
        width_ = width;
        height_ = height;
        // The enlarged pictures are large: the fast preset keeps the capture
        // from waiting on the encoder.
        const std::string command = "ffmpeg -hide_banner -loglevel error -y -f rawvideo -pix_fmt bgra -s " +
                                    std::to_string(width) + "x" + std::to_string(height) + " -framerate " +
                                    std::to_string(num_) + "/" + std::to_string(den_) +
                                    " -i - -c:v libx264 -preset veryfast -pix_fmt yuv420p " +
                                    (soundFile_.empty() ? "-movflags +faststart " : "") + shellQuoted(videoFile_);
        pipe_ = openPipeTo(command);
        if (pipe_ == nullptr)
            error_ = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        return pipe_ != nullptr;
    }

    std::string path_;
    std::string soundFile_;
    bool keepSound_;
    int num_, den_;
    std::string videoFile_;  // the output itself, or a scratch file when sound is joined at the end
    std::FILE* pipe_ = nullptr;
    int width_ = 0, height_ = 0;
    int frames_ = 0;
    std::string error_;
};

}  // namespace

std::unique_ptr<FrameSink> makePngFolderSink(const std::string& folder, int workers)
{
    if (workers <= 0)
        workers = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    return std::make_unique<PngFolderSink>(folder, workers);
}

std::unique_ptr<FrameSink> makeFfmpegSink(const std::string& path, int framesPerSecondNum, int framesPerSecondDen,
                                          const std::string& soundFile, bool keepSound)
{
    return std::make_unique<FfmpegSink>(path, framesPerSecondNum, framesPerSecondDen, soundFile, keepSound);
}

namespace {

void putLe(std::uint8_t* at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The 44-byte header of a PCM WAV file holding dataBytes of sound.
std::array<std::uint8_t, 44> wavHeader(int rate, int channels, std::uint32_t dataBytes)
{
    std::array<std::uint8_t, 44> h{};
    const int blockAlign = channels * 2;
    std::memcpy(h.data(), "RIFF", 4);
    putLe(h.data() + 4, 36 + dataBytes, 4);
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    putLe(h.data() + 16, 16, 4);
    putLe(h.data() + 20, 1, 2);  // PCM
    putLe(h.data() + 22, static_cast<std::uint32_t>(channels), 2);
    putLe(h.data() + 24, static_cast<std::uint32_t>(rate), 4);
    putLe(h.data() + 28, static_cast<std::uint32_t>(rate * blockAlign), 4);
    putLe(h.data() + 32, static_cast<std::uint32_t>(blockAlign), 2);
    putLe(h.data() + 34, 16, 2);
    std::memcpy(h.data() + 36, "data", 4);
    putLe(h.data() + 40, dataBytes, 4);
    return h;
}

// Sizes that fill the 32-bit fields: what a streamed WAV of unknown length says.
constexpr std::uint32_t unknownWavBytes = 0xFFFFFFFFu - 36;

}  // namespace

bool WavWriter::open(const std::string& path, int rate, int channels)
{
    close();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ownsFile_ = true;
    return start(file, rate, channels);
}

bool WavWriter::open(std::FILE* stream, int rate, int channels)
{
    close();
    ownsFile_ = false;
    return start(stream, rate, channels);
}

bool WavWriter::start(std::FILE* file, int rate, int channels)
{
    file_ = file;
    channels_ = channels;
    rate_ = rate;
    frames_ = 0;
    failed_ = file_ == nullptr;
    if (file_ != nullptr) {
        headerOffset_ = std::ftell(file_);
        const auto header = wavHeader(rate, channels, headerOffset_ < 0 ? unknownWavBytes : 0);
        failed_ = std::fwrite(header.data(), 1, header.size(), file_) != header.size();
    }
    return !failed_;
}

void WavWriter::write(const std::int16_t* samples, std::size_t frames)
{
    if (file_ == nullptr || failed_ || frames == 0)
        return;
    // WAV is little-endian, as this machine is.
    const std::size_t count = frames * static_cast<std::size_t>(channels_);
    failed_ = std::fwrite(samples, sizeof(std::int16_t), count, file_) != count;
    frames_ += frames;
}

bool WavWriter::close()
{
    if (file_ == nullptr)
        return !failed_;
    if (headerOffset_ >= 0) {
        const std::uint64_t bytes = frames_ * static_cast<std::uint64_t>(channels_) * 2;
        const auto header = wavHeader(rate_, channels_, static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, 0xFFFFFFD0u)));
        failed_ |= std::fseek(file_, headerOffset_, SEEK_SET) != 0 ||
                   std::fwrite(header.data(), 1, header.size(), file_) != header.size();
    }
    failed_ |= (ownsFile_ ? std::fclose(file_) : std::fflush(file_)) != 0;
    file_ = nullptr;
    return !failed_;
}

bool ffmpegAvailable()
{
    return runCommand("ffmpeg -hide_banner -version", true) == 0;
}

}  // namespace platform
