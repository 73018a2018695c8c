#include "platform/audio_shared.h"

#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

namespace platform {

namespace {

// ALSA prints its own complaints on standard error when it finds no card
// ("cannot find card '0'", "Unknown PCM default"), eight lines before the
// one the sound library says about its silent device. SDL loads ALSA itself;
// loading the same library first lets us hand it a handler that keeps quiet.
// The library stays loaded: SDL uses the same instance.
void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

void quietAlsa()
{
    using ErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    static const bool quieted = [] {
        void* alsa = dlopen("libasound.so.2", RTLD_NOW);
        if (alsa == nullptr)
            return false;
        using SetHandler = int (*)(ErrorHandler);
        const auto setHandler = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
        return setHandler != nullptr && setHandler(ignoreAlsaMessage) == 0;
    }();
    (void)quieted;
}

bool startAudio()
{
    if (SDL_WasInit(SDL_INIT_AUDIO) != 0)
        return true;
    quietAlsa();
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

SDL_AudioSpec specFor(const WaveFormat& f, SDL_AudioCallback callback, void* user)
{
    SDL_AudioSpec request{};
    request.freq = f.rate;
    request.format = f.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    request.channels = static_cast<Uint8>(f.channels);
    // At least 1024 frames: SDL's dummy driver runs fast with smaller buffers.
    request.samples = 1024;
    request.callback = callback;
    request.userdata = user;
    return request;
}

// Opens the default output exactly in this format (SDL converts if the card differs).
std::uint32_t openOutput(const WaveFormat& f, SDL_AudioCallback callback, void* user)
{
    if (!startAudio())
        return 0;
    const SDL_AudioSpec want = specFor(f, callback, user);
    SDL_AudioSpec have{};
    return SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
}

// SDL reports an opened device stopped (neither playing nor paused) once the
// sound card behind it has gone away.
bool deviceGone(std::uint32_t device)
{
    return device != 0 && SDL_GetAudioDeviceStatus(device) == SDL_AUDIO_STOPPED;
}

// The sound a callback hands over starts playing as it returns and plays out
// over its length: what is left of it is the sound system's part of the
// queue. SDL tells no more than that about the card's own buffers.
class CallbackPlayout {
public:
    void handedOver(std::uint32_t frames)
    {
        handedAt_ = std::chrono::steady_clock::now();
        frames_ = frames;
    }
    std::uint32_t framesLeft(int rate) const
    {
        const auto elapsed = std::chrono::steady_clock::now() - handedAt_;
        const auto played = std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count() * rate / 1000000;
        return played >= frames_ ? 0 : frames_ - static_cast<std::uint32_t>(played);
    }

private:
    std::chrono::steady_clock::time_point handedAt_;
    std::uint32_t frames_ = 0;
};

}  // namespace

int waveOutDeviceCount()
{
    static void (*const discard)(void*, Uint8*, int) = [](void*, Uint8* stream, int length) {
        std::memset(stream, 0, static_cast<std::size_t>(length));
    };
    const std::uint32_t device = openOutput(WaveFormat{}, discard, nullptr);
    if (device == 0)
        return 0;
    SDL_CloseAudioDevice(device);
    return 1;
}

struct WaveOut::Output {
    std::uint32_t device = 0;
    WaveFormat format;
    std::uint8_t silence = 0;
    std::mutex mutex;
    std::deque<WaveBlock*> queue;  // written, not yet consumed
    std::uint32_t consumed = 0;    // bytes of queue.front() already played
    CallbackPlayout playout;       // of the blocks' sound, not the silence after it
    std::atomic<bool> lost{false};

    static void callback(void* self, std::uint8_t* stream, int length);
    void fill(std::uint8_t* stream, int length);
};

WaveOut::WaveOut() : output_(std::make_unique<Output>()) {}

WaveOut::~WaveOut() { close(); }

bool WaveOut::isOpen() const { return output_->device != 0; }

void WaveOut::markLost() { output_->lost.store(true); }

int WaveOut::open(const WaveFormat& format)
{
    Output& o = *output_;
    if (o.device != 0)
        return waveResult::allocated;
    if (!playableFormat(format))
        return waveResult::badFormat;
    o.format = format;
    o.silence = format.silence();
    o.lost.store(false);
    o.device = openOutput(format, &Output::callback, &o);
    if (o.device == 0)
        return waveResult::badDeviceId;
    SDL_PauseAudioDevice(o.device, 0);
    return waveResult::ok;
}

int WaveOut::write(WaveBlock& block)
{
    Output& o = *output_;
    if (o.device == 0 || !block.prepared)
        return waveResult::invalidParameter;
    if (lost())
        return waveResult::noDriver;
    block.done.store(false, std::memory_order_release);
    std::lock_guard lock(o.mutex);
    o.queue.push_back(&block);
    return waveResult::ok;
}

bool WaveOut::lost() const { return output_->lost.load() || deviceGone(output_->device); }

bool WaveOut::blockDone(const WaveBlock& block)
{
    if (!block.done.load(std::memory_order_acquire) && lost())
        reset();  // nothing will play it now
    return block.done.load(std::memory_order_acquire);
}

int WaveOut::reset()
{
    Output& o = *output_;
    std::lock_guard lock(o.mutex);
    for (WaveBlock* block : o.queue)
        block->done.store(true, std::memory_order_release);
    o.queue.clear();
    o.consumed = 0;
    o.playout.handedOver(0);
    return waveResult::ok;
}

std::uint32_t WaveOut::unheardFrames()
{
    Output& o = *output_;
    std::lock_guard lock(o.mutex);
    std::uint64_t bytes = 0;
    for (const WaveBlock* block : o.queue)
        bytes += block->length;
    const auto queued = static_cast<std::uint32_t>((bytes - o.consumed) / static_cast<std::uint32_t>(o.format.blockAlign()));
    return queued + o.playout.framesLeft(o.format.rate);
}

int WaveOut::close()
{
    Output& o = *output_;
    if (o.device == 0)
        return waveResult::ok;
    SDL_CloseAudioDevice(o.device);  // waits for a running callback to finish
    o.device = 0;
    reset();
    return waveResult::ok;
}

void WaveOut::Output::callback(void* self, std::uint8_t* stream, int length)
{
    static_cast<Output*>(self)->fill(stream, length);
}

void WaveOut::Output::fill(std::uint8_t* stream, int length)
{
    std::lock_guard lock(mutex);
    auto remaining = static_cast<std::uint32_t>(length);
    const std::uint32_t asked = remaining;
    while (remaining > 0 && !queue.empty()) {
        WaveBlock* block = queue.front();
        const std::uint32_t n = std::min(remaining, block->length - consumed);
        std::memcpy(stream, block->data + consumed, n);
        stream += n;
        remaining -= n;
        consumed += n;
        if (consumed == block->length) {
            block->done.store(true, std::memory_order_release);
            queue.pop_front();
            consumed = 0;
        }
    }
    std::memset(stream, silence, remaining);  // the queue ran dry: silence, not noise
    playout.handedOver((asked - remaining) / static_cast<std::uint32_t>(format.blockAlign()));
}

struct SoundBuffer::Output {
    std::uint32_t device = 0;
    WaveFormat format;
    std::mutex mutex;
    std::vector<std::uint8_t> data;
    std::uint32_t playPosition = 0;
    CallbackPlayout playout;
    std::atomic<bool> lost{false};

    static void callback(void* self, std::uint8_t* stream, int length);
    std::uint32_t size() const { return static_cast<std::uint32_t>(data.size()); }
};

SoundBuffer::SoundBuffer() : output_(std::make_unique<Output>()) {}

SoundBuffer::~SoundBuffer() { release(); }

std::uint32_t SoundBuffer::size() const { return output_->size(); }

void SoundBuffer::markLost() { output_->lost.store(true); }

int SoundBuffer::create(const WaveFormat& format, std::uint32_t bytes, std::intptr_t)
{
    if (!validBufferRequest(format, bytes))
        return waveResult::invalidParameter;
    release();
    Output& o = *output_;
    o.format = format;
    o.data.assign(bytes, format.silence());
    o.playPosition = 0;
    o.lost.store(false);
    o.device = openOutput(format, &Output::callback, &o);
    return o.device != 0 ? waveResult::ok : waveResult::badDeviceId;
}

int SoundBuffer::playLooping()
{
    if (output_->device == 0)
        return waveResult::badDeviceId;
    SDL_PauseAudioDevice(output_->device, 0);
    return waveResult::ok;
}

int SoundBuffer::stop()
{
    if (output_->device != 0)
        SDL_PauseAudioDevice(output_->device, 1);
    return waveResult::ok;
}

int SoundBuffer::positions(std::uint32_t& play, std::uint32_t& write)
{
    std::lock_guard lock(output_->mutex);
    play = output_->playPosition;
    write = output_->playPosition;
    return waveResult::ok;
}

std::uint32_t SoundBuffer::unheardFramesBeforePlay()
{
    std::lock_guard lock(output_->mutex);
    return output_->playout.framesLeft(output_->format.rate);
}

int SoundBuffer::lock(std::uint32_t offset, std::uint32_t bytes, Regions& regions)
{
    const int result = lockRegions(lost(), output_->data.data(), size(), offset, bytes, regions);
    if (result == waveResult::ok)
        output_->mutex.lock();  // held until unlock: the callback reads the buffer under it
    return result;
}

int SoundBuffer::unlock(const Regions& regions)
{
    if (regions.first == nullptr)
        return waveResult::invalidParameter;
    output_->mutex.unlock();
    return waveResult::ok;
}

bool SoundBuffer::lost() const { return output_->lost.load() || deviceGone(output_->device); }

int SoundBuffer::restore()
{
    Output& o = *output_;
    if (deviceGone(o.device)) {
        // The card went away: look for one again (paused until played).
        SDL_CloseAudioDevice(o.device);
        o.device = openOutput(o.format, &Output::callback, &o);
        if (o.device == 0)
            return waveResult::badDeviceId;
    }
    std::lock_guard lock(o.mutex);
    std::fill(o.data.begin(), o.data.end(), o.format.silence());
    o.lost.store(false);
    return waveResult::ok;
}

void SoundBuffer::release()
{
    Output& o = *output_;
    if (o.device != 0)
        SDL_CloseAudioDevice(o.device);
    o.device = 0;
    o.data.clear();
}

void SoundBuffer::Output::callback(void* self, std::uint8_t* stream, int length)
{
    auto& buffer = *static_cast<Output*>(self);
    std::lock_guard lock(buffer.mutex);
    auto remaining = static_cast<std::uint32_t>(length);
    while (remaining > 0) {
        const std::uint32_t n = std::min(remaining, buffer.size() - buffer.playPosition);
        std::memcpy(stream, buffer.data.data() + buffer.playPosition, n);
        stream += n;
        remaining -= n;
        buffer.playPosition = (buffer.playPosition + n) % buffer.size();
    }
    buffer.playout.handedOver(static_cast<std::uint32_t>(length) / static_cast<std::uint32_t>(buffer.format.blockAlign()));
}

}  // namespace platform
