// The two sound outputs in the browser, over the page's audio graph
// (audio_output.js). Sound is copied to the page when it is written, so the
// caller's memory is free again at once; what the done flags and the play
// position follow is how far the page has played. There is no thread: the
// page runs the sound library's service pass from a timer.

#include "platform/audio_shared.h"

#include <emscripten.h>

#include <algorithm>
#include <deque>
#include <vector>

namespace platform {

namespace {

// clang-format off
EM_JS(int, pageAudioAvailable, (), {
    return Module['solvaneAudio'] && Module['solvaneAudio'].available() ? 1 : 0;
});
EM_JS(int, pageAudioOpen, (int rate, int clocked), {
    return Module['solvaneAudio'] ? Module['solvaneAudio'].open(rate, clocked !== 0) : 0;
});
EM_JS(void, pageAudioWrite, (int handle, const std::uint8_t* data, int bytes, int channels, int bits, double frame), {
    Module['solvaneAudio'].write(handle, data, bytes, channels, bits, frame);
});
EM_JS(double, pageAudioPlayed, (int handle), {
    return Module['solvaneAudio'].played(handle);
});
EM_JS(double, pageAudioLatencySeconds, (), {
    return Module['solvaneAudio'] ? Module['solvaneAudio'].outputLatency() : 0;
});
EM_JS(void, pageAudioDrop, (int handle), {
    Module['solvaneAudio'].drop(handle);
});
EM_JS(void, pageAudioClose, (int handle), {
    Module['solvaneAudio'].close(handle);
});
// clang-format on

std::uint64_t framesPlayed(int handle) { return static_cast<std::uint64_t>(pageAudioPlayed(handle)); }

// Frames between the page's reader and the ear.
std::uint32_t latencyFrames(const WaveFormat& format)
{
    return static_cast<std::uint32_t>(pageAudioLatencySeconds() * format.rate);
}

}  // namespace

int waveOutDeviceCount() { return pageAudioAvailable(); }

// A written block is done once the page has played every frame up to its end.
struct WaveOut::Output {
    struct Queued {
        WaveBlock* block;
        std::uint64_t endFrame;
    };
    int handle = 0;
    WaveFormat format;
    std::deque<Queued> queue;
    std::uint64_t framesWritten = 0;
    bool lost = false;

    void retirePlayed()
    {
        if (queue.empty())
            return;
        const std::uint64_t played = framesPlayed(handle);
        while (!queue.empty() && queue.front().endFrame <= played) {
            queue.front().block->done.store(true, std::memory_order_release);
            queue.pop_front();
        }
    }
};

WaveOut::WaveOut() : output_(std::make_unique<Output>()) {}

WaveOut::~WaveOut() { close(); }

bool WaveOut::isOpen() const { return output_->handle != 0; }

void WaveOut::markLost() { output_->lost = true; }

int WaveOut::open(const WaveFormat& format)
{
    Output& o = *output_;
    if (o.handle != 0)
        return waveResult::allocated;
    if (!playableFormat(format))
        return waveResult::badFormat;
    o.format = format;
    o.lost = false;
    o.framesWritten = 0;
    o.handle = pageAudioOpen(format.rate, 0);
    return o.handle != 0 ? waveResult::ok : waveResult::badDeviceId;
}

int WaveOut::write(WaveBlock& block)
{
    Output& o = *output_;
    if (o.handle == 0 || !block.prepared)
        return waveResult::invalidParameter;
    if (lost())
        return waveResult::noDriver;
    pageAudioWrite(o.handle, block.data, static_cast<int>(block.length), o.format.channels, o.format.bits, -1);
    o.framesWritten += block.length / static_cast<std::uint32_t>(o.format.blockAlign());
    block.done.store(false, std::memory_order_release);
    o.queue.push_back({&block, o.framesWritten});
    return waveResult::ok;
}

bool WaveOut::lost() const { return output_->lost; }

bool WaveOut::blockDone(const WaveBlock& block)
{
    if (!block.done.load(std::memory_order_acquire)) {
        if (lost())
            reset();  // nothing will play it now
        else
            output_->retirePlayed();
    }
    return block.done.load(std::memory_order_acquire);
}

int WaveOut::reset()
{
    Output& o = *output_;
    if (o.handle != 0)
        pageAudioDrop(o.handle);
    for (const Output::Queued& queued : o.queue)
        queued.block->done.store(true, std::memory_order_release);
    o.queue.clear();
    return waveResult::ok;
}

std::uint32_t WaveOut::unheardFrames()
{
    const Output& o = *output_;
    if (o.queue.empty())
        return 0;
    const std::uint64_t end = o.queue.back().endFrame;
    const std::uint64_t played = std::min(framesPlayed(o.handle), end);
    return static_cast<std::uint32_t>(end - played) + latencyFrames(o.format);
}

int WaveOut::close()
{
    Output& o = *output_;
    if (o.handle == 0)
        return waveResult::ok;
    reset();
    pageAudioClose(o.handle);
    o.handle = 0;
    return waveResult::ok;
}

// The card plays the buffer round and round from the moment it starts: frame
// n of its playing is byte (n × block align) mod size of the buffer. What is
// written is handed to the page with the frame number at which the card next
// reaches it.
struct SoundBuffer::Output {
    int handle = 0;
    WaveFormat format;
    std::vector<std::uint8_t> data;
    bool playing = false;
    bool lost = false;

    std::uint32_t size() const { return static_cast<std::uint32_t>(data.size()); }
    std::uint32_t frameBytes() const { return static_cast<std::uint32_t>(format.blockAlign()); }
    std::uint32_t bufferFrames() const { return size() / frameBytes(); }
    std::uint64_t played() const { return handle != 0 && playing ? framesPlayed(handle) : 0; }

    void send(const std::uint8_t* region, std::uint32_t bytes)
    {
        if (handle == 0 || bytes == 0)
            return;
        const std::uint64_t now = played();
        const auto offsetFrame = static_cast<std::uint64_t>(region - data.data()) / frameBytes();
        const std::uint64_t lap = bufferFrames();
        const std::uint64_t frame = now - now % lap + offsetFrame + (offsetFrame < now % lap ? lap : 0);
        pageAudioWrite(handle, region, static_cast<int>(bytes), format.channels, format.bits, static_cast<double>(frame));
    }
};

SoundBuffer::SoundBuffer() : output_(std::make_unique<Output>()) {}

SoundBuffer::~SoundBuffer() { release(); }

std::uint32_t SoundBuffer::size() const { return output_->size(); }

void SoundBuffer::markLost() { output_->lost = true; }

int SoundBuffer::create(const WaveFormat& format, std::uint32_t bytes, std::intptr_t)
{
    if (!validBufferRequest(format, bytes))
        return waveResult::invalidParameter;
    release();
    Output& o = *output_;
    o.format = format;
    o.data.assign(bytes, format.silence());
    o.lost = false;
    o.playing = false;
    o.handle = pageAudioOpen(format.rate, 1);
    return o.handle != 0 ? waveResult::ok : waveResult::badDeviceId;
}

int SoundBuffer::playLooping()
{
    Output& o = *output_;
    if (o.handle == 0)
        return waveResult::badDeviceId;
    if (!o.playing) {
        // The page's card has counted frames since it opened; start the laps
        // from a fresh output so that frame 0 is the buffer's first byte.
        pageAudioClose(o.handle);
        o.handle = pageAudioOpen(o.format.rate, 1);
        if (o.handle == 0)
            return waveResult::badDeviceId;
        o.playing = true;
        o.send(o.data.data(), o.size());
    }
    return waveResult::ok;
}

int SoundBuffer::stop()
{
    Output& o = *output_;
    if (o.handle != 0 && o.playing)
        pageAudioDrop(o.handle);
    o.playing = false;
    return waveResult::ok;
}

int SoundBuffer::positions(std::uint32_t& play, std::uint32_t& write)
{
    const Output& o = *output_;
    play = o.size() == 0 ? 0 : static_cast<std::uint32_t>(o.played() % o.bufferFrames()) * o.frameBytes();
    write = play;
    return waveResult::ok;
}

std::uint32_t SoundBuffer::unheardFramesBeforePlay() { return output_->playing ? latencyFrames(output_->format) : 0; }

int SoundBuffer::lock(std::uint32_t offset, std::uint32_t bytes, Regions& regions)
{
    return lockRegions(lost(), output_->data.data(), size(), offset, bytes, regions);
}

int SoundBuffer::unlock(const Regions& regions)
{
    if (regions.first == nullptr)
        return waveResult::invalidParameter;
    Output& o = *output_;
    if (o.playing) {
        o.send(regions.first, regions.firstBytes);
        o.send(regions.second, regions.secondBytes);
    }
    return waveResult::ok;
}

bool SoundBuffer::lost() const { return output_->lost; }

int SoundBuffer::restore()
{
    Output& o = *output_;
    if (o.handle == 0)
        return waveResult::badDeviceId;
    std::fill(o.data.begin(), o.data.end(), o.format.silence());
    o.lost = false;
    return waveResult::ok;
}

void SoundBuffer::release()
{
    Output& o = *output_;
    if (o.handle != 0)
        pageAudioClose(o.handle);
    o.handle = 0;
    o.playing = false;
    o.data.clear();
}

}  // namespace platform
