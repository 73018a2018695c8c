#pragma once
// Where captured frames go: numbered PNG files in a folder, or a video file
// encoded by an ffmpeg process reading raw frames from a pipe.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class FrameSink {
public:
    virtual ~FrameSink() = default;
    // One picture of width × height pixels 0x00RRGGBB, rows top to bottom.
    virtual void writeFrame(const std::uint32_t* pixels, int width, int height) = 0;
    // Finishes the output; false (with a message in error()) when anything failed.
    virtual bool finish() = 0;
    virtual std::string error() const = 0;
    virtual int framesWritten() const = 0;
};

// The picture enlarged `scale` times into `enlarged`, every pixel a square
// block (players and video sites that scale a small video blur it).
void enlargePicture(const std::uint32_t* pixels, int width, int height, int scale, std::vector<std::uint32_t>& enlarged);

// Writes a picture as an 8-bit RGB PNG file; false when the file cannot be written.
bool writePng(const std::string& path, const std::uint32_t* pixels, int width, int height);

// frame000000.png, frame000001.png, ... in an existing or new folder, encoded
// by `workers` threads (0: one per core, at most four).
std::unique_ptr<FrameSink> makePngFolderSink(const std::string& folder, int workers = 0);

// A video file through `ffmpeg`, at framesPerSecondNum / framesPerSecondDen.
// The picture size is taken from the first frame. With a sound file, the
// pictures are encoded into a scratch file first and joined with the sound
// when the sink finishes (the sound file is written meanwhile, by a WavWriter);
// the sound file is removed once the video holds it, unless `keepSound`.
std::unique_ptr<FrameSink> makeFfmpegSink(const std::string& path, int framesPerSecondNum, int framesPerSecondDen,
                                          const std::string& soundFile = {}, bool keepSound = false);

// A 16-bit PCM WAV file written as the sound comes; the sizes in its header
// are filled in when it is closed. Written to a stream it does not own (such
// as standard output) that cannot seek back, the header says "as long as the
// stream", the sizes that readers of streamed WAV take for unknown.
class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter() { close(); }
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    bool open(const std::string& path, int rate, int channels);
    bool open(std::FILE* stream, int rate, int channels);
    // Interleaved frames of `channels` signed 16-bit samples.
    void write(const std::int16_t* samples, std::size_t frames);
    bool close();
    bool failed() const { return failed_; }
    std::uint64_t framesWritten() const { return frames_; }

private:
    bool start(std::FILE* file, int rate, int channels);

    std::FILE* file_ = nullptr;
    bool ownsFile_ = false;
    long headerOffset_ = -1;  // where the header starts, when the file can seek back
    int rate_ = 44100;
    int channels_ = 2;
    std::uint64_t frames_ = 0;
    bool failed_ = false;
};

// Whether an ffmpeg program can be run.
bool ffmpegAvailable();

}  // namespace platform
