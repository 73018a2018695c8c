#pragma once
// Where captured frames go: numbered PNG files in a folder, or a video file
// encoded by an ffmpeg process reading raw frames from a pipe.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

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

// Writes a picture as an 8-bit RGB PNG file; false when the file cannot be written.
bool writePng(const std::string& path, const std::uint32_t* pixels, int width, int height);

// frame000000.png, frame000001.png, ... in an existing or new folder.
std::unique_ptr<FrameSink> makePngFolderSink(const std::string& folder);

// A video file through `ffmpeg`, at framesPerSecondNum / framesPerSecondDen.
// The picture size is taken from the first frame.
std::unique_ptr<FrameSink> makeFfmpegSink(const std::string& path, int framesPerSecondNum, int framesPerSecondDen);

// Whether an ffmpeg program can be run.
bool ffmpegAvailable();

}  // namespace platform
