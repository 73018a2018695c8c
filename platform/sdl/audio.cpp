#include "platform/audio.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

bool startAudio() { return SDL_WasInit(SDL_INIT_AUDIO) != 0 || SDL_InitSubSystem(SDL_INIT_AUDIO) == 0; }

bool validFormat(const WaveFormat& f)
{
    return (f.channels == 1 || f.channels == 2) && (f.bits == 8 || f.bits == 16) && f.rate >= 1000 && f.rate <= 192000;
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

int waveOutQuery(const WaveFormat& format) { return validFormat(format) ? waveResult::ok : waveResult::badFormat; }

WaveOut::~WaveOut() { close(); }

int WaveOut::open(const WaveFormat& format)
{
    if (device_ != 0)
        return waveResult::allocated;
    if (!validFormat(format))
        return waveResult::badFormat;
    format_ = format;
    silence_ = format.bits == 8 ? 0x80 : 0;
    lost_.store(false);
    device_ = openOutput(format, &WaveOut::callback, this);
    if (device_ == 0)
        return waveResult::badDeviceId;
    SDL_PauseAudioDevice(device_, 0);
    return waveResult::ok;
}

int WaveOut::prepare(WaveBlock& block)
{
    if (block.data == nullptr || block.length == 0)
        return waveResult::invalidParameter;
    block.prepared = true;
    return waveResult::ok;
}

int WaveOut::unprepare(WaveBlock& block)
{
    if (!block.done.load(std::memory_order_acquire))
        return waveResult::invalidParameter;  // still playing
    block.prepared = false;
    return waveResult::ok;
}

int WaveOut::write(WaveBlock& block)
{
    if (device_ == 0 || !block.prepared)
        return waveResult::invalidParameter;
    if (lost())
        return waveResult::noDriver;
    block.done.store(false, std::memory_order_release);
    std::lock_guard lock(mutex_);
    queue_.push_back(&block);
    return waveResult::ok;
}

bool WaveOut::lost() const { return lost_.load() || deviceGone(device_); }

bool WaveOut::blockDone(const WaveBlock& block)
{
    if (!block.done.load(std::memory_order_acquire) && lost())
        reset();  // nothing will play it now
    return block.done.load(std::memory_order_acquire);
}

int WaveOut::reset()
{
    std::lock_guard lock(mutex_);
    for (WaveBlock* block : queue_)
        block->done.store(true, std::memory_order_release);
    queue_.clear();
    consumed_ = 0;
    return waveResult::ok;
}

int WaveOut::close()
{
    if (device_ == 0)
        return waveResult::ok;
    SDL_CloseAudioDevice(device_);  // waits for a running callback to finish
    device_ = 0;
    reset();
    return waveResult::ok;
}

void WaveOut::callback(void* self, std::uint8_t* stream, int length) { static_cast<WaveOut*>(self)->fill(stream, length); }

void WaveOut::fill(std::uint8_t* stream, int length)
{
    std::lock_guard lock(mutex_);
    auto remaining = static_cast<std::uint32_t>(length);
    while (remaining > 0 && !queue_.empty()) {
        WaveBlock* block = queue_.front();
        const std::uint32_t n = std::min(remaining, block->length - consumed_);
        std::memcpy(stream, block->data + consumed_, n);
        stream += n;
        remaining -= n;
        consumed_ += n;
        if (consumed_ == block->length) {
            block->done.store(true, std::memory_order_release);
            queue_.pop_front();
            consumed_ = 0;
        }
    }
    std::memset(stream, silence_, remaining);  // the queue ran dry: silence, not noise
}

SoundBuffer::~SoundBuffer() { release(); }

int SoundBuffer::create(const WaveFormat& format, std::uint32_t bytes)
{
    if (!validFormat(format) || bytes == 0 || bytes % static_cast<std::uint32_t>(format.blockAlign()) != 0)
        return waveResult::invalidParameter;
    release();
    format_ = format;
    data_.assign(bytes, format.bits == 8 ? 0x80 : 0);
    playPosition_ = 0;
    lost_.store(false);
    device_ = openOutput(format, &SoundBuffer::callback, this);
    return device_ != 0 ? waveResult::ok : waveResult::badDeviceId;
}

int SoundBuffer::playLooping()
{
    if (device_ == 0)
        return waveResult::badDeviceId;
    SDL_PauseAudioDevice(device_, 0);
    return waveResult::ok;
}

int SoundBuffer::stop()
{
    if (device_ != 0)
        SDL_PauseAudioDevice(device_, 1);
    return waveResult::ok;
}

int SoundBuffer::positions(std::uint32_t& play, std::uint32_t& write)
{
    std::lock_guard lock(mutex_);
    play = playPosition_;
    write = playPosition_;
    return waveResult::ok;
}

int SoundBuffer::lock(std::uint32_t offset, std::uint32_t bytes, Regions& regions)
{
    regions = {};
    if (lost())
        return waveResult::badDeviceId;
    if (offset >= size() || bytes > size())
        return waveResult::invalidParameter;
    mutex_.lock();
    regions.first = data_.data() + offset;
    regions.firstBytes = std::min(bytes, size() - offset);
    if (regions.firstBytes < bytes) {
        regions.second = data_.data();
        regions.secondBytes = bytes - regions.firstBytes;
    }
    return waveResult::ok;
}

int SoundBuffer::unlock(const Regions& regions)
{
    if (regions.first == nullptr)
        return waveResult::invalidParameter;
    mutex_.unlock();
    return waveResult::ok;
}

bool SoundBuffer::lost() const { return lost_.load() || deviceGone(device_); }

int SoundBuffer::restore()
{
    if (deviceGone(device_)) {
        // The card went away: look for one again (paused until played).
        SDL_CloseAudioDevice(device_);
        device_ = openOutput(format_, &SoundBuffer::callback, this);
        if (device_ == 0)
            return waveResult::badDeviceId;
    }
    std::lock_guard lock(mutex_);
    std::fill(data_.begin(), data_.end(), format_.bits == 8 ? 0x80 : 0);
    lost_.store(false);
    return waveResult::ok;
}

void SoundBuffer::release()
{
    if (device_ != 0)
        SDL_CloseAudioDevice(device_);
    device_ = 0;
    data_.clear();
}

void SoundBuffer::callback(void* self, std::uint8_t* stream, int length)
{
    auto& buffer = *static_cast<SoundBuffer*>(self);
    std::lock_guard lock(buffer.mutex_);
    auto remaining = static_cast<std::uint32_t>(length);
    while (remaining > 0) {
        const std::uint32_t n = std::min(remaining, buffer.size() - buffer.playPosition_);
        std::memcpy(stream, buffer.data_.data() + buffer.playPosition_, n);
        stream += n;
        remaining -= n;
        buffer.playPosition_ = (buffer.playPosition_ + n) % buffer.size();
    }
}

}  // namespace platform
