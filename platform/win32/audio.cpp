// Sound output on the system's own interfaces: the block queue on WINMM
// wave-out, the circular buffer on DirectSound, which is loaded when first
// needed from dsound.dll (a machine without it still has wave-out).
//
// Wave-out marks a header done from its own thread; the caller polls the
// header's flags, and the block's done flag follows them. DirectSound plays
// its buffer on its own; the caller only reads positions and locks regions.
#include "platform/audio_shared.h"

#include <windows.h>

#include <dsound.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstring>
#include <map>

namespace platform {

namespace {

WAVEFORMATEX waveFormatEx(const WaveFormat& f)
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(f.channels);
    format.nSamplesPerSec = static_cast<DWORD>(f.rate);
    format.nBlockAlign = static_cast<WORD>(f.blockAlign());
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    format.wBitsPerSample = static_cast<WORD>(f.bits);
    return format;
}

// ---- DirectSound, loaded at run time

using DirectSoundCreateFunction = HRESULT(WINAPI*)(LPCGUID, LPDIRECTSOUND*, LPUNKNOWN);

struct DirectSoundLibrary {
    HMODULE module = nullptr;
    DirectSoundCreateFunction create = nullptr;
};

// Loaded once and kept for the process: a buffer may outlive any one user.
const DirectSoundLibrary& directSoundLibrary()
{
    static const DirectSoundLibrary library = [] {
        DirectSoundLibrary loaded;
        loaded.module = LoadLibraryA("dsound.dll");
        if (loaded.module != nullptr)
            loaded.create =
                reinterpret_cast<DirectSoundCreateFunction>(reinterpret_cast<void*>(GetProcAddress(loaded.module, "DirectSoundCreate")));
        return loaded;
    }();
    return library;
}

// DirectSound's answers in the wave-out codes the sound library maps.
int waveCode(HRESULT result)
{
    switch (result) {
    case DS_OK: return waveResult::ok;
    case DSERR_ALLOCATED: return waveResult::allocated;
    case DSERR_OUTOFMEMORY: return waveResult::noMemory;
    case DSERR_INVALIDPARAM: return waveResult::invalidParameter;
    case DSERR_BADFORMAT: return waveResult::badFormat;
    case DSERR_NODRIVER:
    case DSERR_BUFFERLOST: return waveResult::badDeviceId;
    default: return MMSYSERR_ERROR;
    }
}

template <class Interface>
void releaseInterface(Interface*& object)
{
    if (object != nullptr)
        object->Release();
    object = nullptr;
}

}  // namespace

int waveOutDeviceCount() { return static_cast<int>(waveOutGetNumDevs()); }

int waveOutQuery(const WaveFormat& format)
{
    if (!playableFormat(format))
        return waveResult::badFormat;
    const WAVEFORMATEX wave = waveFormatEx(format);
    return static_cast<int>(waveOutOpen(nullptr, WAVE_MAPPER, &wave, 0, 0, WAVE_FORMAT_QUERY));
}

bool soundBufferAvailable()
{
    const DirectSoundLibrary& library = directSoundLibrary();
    if (library.create == nullptr)
        return false;
    IDirectSound* object = nullptr;
    if (library.create(nullptr, &object, nullptr) != DS_OK)
        return false;
    DSCAPS caps{};
    caps.dwSize = sizeof caps;
    const bool real = object->GetCaps(&caps) == DS_OK && (caps.dwFlags & DSCAPS_EMULDRIVER) == 0;
    object->Release();
    return real;
}

// ---- Wave-out

struct WaveOut::Output {
    HWAVEOUT handle = nullptr;
    std::uint32_t blockAlign = 1;
    std::atomic<bool> lost{false};
    // Frames handed to the system since it was opened or reset, which is
    // when its play position starts again from 0.
    std::atomic<std::uint32_t> framesWritten{0};
    // One header per block, at a fixed address while the system holds it.
    std::map<const WaveBlock*, WAVEHDR> headers;

    // The system sets WHDR_DONE from its own thread.
    static bool systemDone(const WAVEHDR& header)
    {
        return (static_cast<const volatile DWORD&>(header.dwFlags) & WHDR_DONE) != 0;
    }
    void markDoneBlocks()
    {
        for (auto& [block, header] : headers)
            if (systemDone(header))
                const_cast<WaveBlock*>(block)->done.store(true, std::memory_order_release);
    }
};

WaveOut::WaveOut() : output_(std::make_unique<Output>()) {}

WaveOut::~WaveOut() { close(); }

bool WaveOut::isOpen() const { return output_->handle != nullptr; }

int WaveOut::open(const WaveFormat& format)
{
    Output& o = *output_;
    if (o.handle != nullptr)
        return waveResult::allocated;
    if (!playableFormat(format))
        return waveResult::badFormat;
    o.lost.store(false);
    o.blockAlign = static_cast<std::uint32_t>(format.blockAlign());
    o.framesWritten.store(0);
    const WAVEFORMATEX wave = waveFormatEx(format);
    const MMRESULT result = waveOutOpen(&o.handle, WAVE_MAPPER, &wave, 0, 0, CALLBACK_NULL);
    if (result != MMSYSERR_NOERROR)
        o.handle = nullptr;
    return static_cast<int>(result);
}

int WaveOut::prepare(WaveBlock& block)
{
    Output& o = *output_;
    if (block.data == nullptr || block.length == 0)
        return waveResult::invalidParameter;
    if (o.handle == nullptr)
        return MMSYSERR_INVALHANDLE;
    WAVEHDR& header = o.headers[&block];
    header = WAVEHDR{};
    header.lpData = reinterpret_cast<LPSTR>(block.data);
    header.dwBufferLength = block.length;
    const MMRESULT result = waveOutPrepareHeader(o.handle, &header, sizeof header);
    if (result == MMSYSERR_NOERROR)
        block.prepared = true;
    return static_cast<int>(result);
}

int WaveOut::unprepare(WaveBlock& block)
{
    Output& o = *output_;
    const auto found = o.headers.find(&block);
    if (found == o.headers.end() || o.handle == nullptr) {
        block.prepared = false;
        return waveResult::ok;
    }
    const MMRESULT result = waveOutUnprepareHeader(o.handle, &found->second, sizeof found->second);
    if (result == MMSYSERR_NOERROR)
        block.prepared = false;
    return static_cast<int>(result);
}

int WaveOut::write(WaveBlock& block)
{
    Output& o = *output_;
    const auto found = o.headers.find(&block);
    if (o.handle == nullptr || !block.prepared || found == o.headers.end())
        return waveResult::invalidParameter;
    if (lost())
        return waveResult::noDriver;
    block.done.store(false, std::memory_order_release);
    const MMRESULT result = waveOutWrite(o.handle, &found->second, sizeof found->second);
    if (result == MMSYSERR_NOERROR)
        o.framesWritten.fetch_add(block.length / o.blockAlign);
    if (result != MMSYSERR_NOERROR) {
        block.done.store(true, std::memory_order_release);
        if (result == MMSYSERR_NODRIVER)
            o.lost.store(true);
    }
    return static_cast<int>(result);
}

bool WaveOut::blockDone(const WaveBlock& block)
{
    if (block.done.load(std::memory_order_acquire))
        return true;
    Output& o = *output_;
    const auto found = o.headers.find(&block);
    if (found == o.headers.end() || Output::systemDone(found->second)) {
        const_cast<WaveBlock&>(block).done.store(true, std::memory_order_release);
        return true;
    }
    if (lost())
        reset();  // nothing will play it now
    return block.done.load(std::memory_order_acquire);
}

bool WaveOut::lost() const { return output_->lost.load(); }

void WaveOut::markLost() { output_->lost.store(true); }

int WaveOut::reset()
{
    Output& o = *output_;
    MMRESULT result = MMSYSERR_NOERROR;
    if (o.handle != nullptr)
        result = waveOutReset(o.handle);  // every queued header comes back done
    o.framesWritten.store(0);
    o.markDoneBlocks();
    if (lost())
        for (auto& [block, header] : o.headers)
            const_cast<WaveBlock*>(block)->done.store(true, std::memory_order_release);
    return static_cast<int>(result);
}

// The system's play position counts the frames the card has played; where it
// cannot tell, the blocks it has not finished are what is left to hear.
std::uint32_t WaveOut::unheardFrames()
{
    Output& o = *output_;
    if (o.handle == nullptr)
        return 0;
    const std::uint32_t written = o.framesWritten.load();
    MMTIME played{};
    played.wType = TIME_SAMPLES;
    if (waveOutGetPosition(o.handle, &played, sizeof played) == MMSYSERR_NOERROR && played.wType == TIME_SAMPLES)
        return played.u.sample >= written ? 0 : written - played.u.sample;
    std::uint32_t bytes = 0;
    for (const auto& [block, header] : o.headers)
        if (!block->done.load(std::memory_order_acquire) && !Output::systemDone(header))
            bytes += header.dwBufferLength;
    return bytes / o.blockAlign;
}

int WaveOut::close()
{
    Output& o = *output_;
    if (o.handle == nullptr)
        return waveResult::ok;
    waveOutReset(o.handle);
    for (auto& [block, header] : o.headers) {
        if (header.dwFlags & WHDR_PREPARED)
            waveOutUnprepareHeader(o.handle, &header, sizeof header);
        auto* owner = const_cast<WaveBlock*>(block);
        owner->prepared = false;
        owner->done.store(true, std::memory_order_release);
    }
    const MMRESULT result = waveOutClose(o.handle);
    o.handle = nullptr;
    o.headers.clear();
    return static_cast<int>(result);
}

// ---- DirectSound buffer

struct SoundBuffer::Output {
    IDirectSound* object = nullptr;
    IDirectSoundBuffer* primary = nullptr;
    IDirectSoundBuffer* buffer = nullptr;
    WaveFormat format;
    std::uint32_t size = 0;
    std::atomic<bool> lost{false};

    int fillWithSilence()
    {
        void* first = nullptr;
        DWORD firstBytes = 0;
        const HRESULT result = buffer->Lock(0, size, &first, &firstBytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER);
        if (result != DS_OK)
            return waveCode(result);
        std::memset(first, format.silence(), firstBytes);
        buffer->Unlock(first, firstBytes, nullptr, 0);
        return waveResult::ok;
    }
};

SoundBuffer::SoundBuffer() : output_(std::make_unique<Output>()) {}

SoundBuffer::~SoundBuffer() { release(); }

std::uint32_t SoundBuffer::size() const { return output_->size; }

// The object at the exclusive cooperative level, the primary buffer in our
// format (so the card need not convert), and a looping secondary buffer that
// keeps playing when the window is not in front.
int SoundBuffer::create(const WaveFormat& format, std::uint32_t bytes, std::intptr_t window)
{
    if (!validBufferRequest(format, bytes))
        return waveResult::invalidParameter;
    release();
    Output& o = *output_;
    const DirectSoundLibrary& library = directSoundLibrary();
    if (library.create == nullptr)
        return waveResult::badDeviceId;
    if (const HRESULT result = library.create(nullptr, &o.object, nullptr); result != DS_OK) {
        o.object = nullptr;
        return waveCode(result);
    }
    const HWND owner = window != 0 ? reinterpret_cast<HWND>(window) : GetDesktopWindow();
    if (const HRESULT result = o.object->SetCooperativeLevel(owner, DSSCL_EXCLUSIVE); result != DS_OK) {
        release();
        return waveCode(result);
    }
    WAVEFORMATEX wave = waveFormatEx(format);
    DSBUFFERDESC primary{};
    primary.dwSize = sizeof primary;
    primary.dwFlags = DSBCAPS_PRIMARYBUFFER;
    if (o.object->CreateSoundBuffer(&primary, &o.primary, nullptr) == DS_OK)
        o.primary->SetFormat(&wave);  // a card that keeps its own format converts ours
    DSBUFFERDESC secondary{};
    secondary.dwSize = sizeof secondary;
    secondary.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS;
    secondary.dwBufferBytes = bytes;
    secondary.lpwfxFormat = &wave;
    if (const HRESULT result = o.object->CreateSoundBuffer(&secondary, &o.buffer, nullptr); result != DS_OK) {
        o.buffer = nullptr;
        release();
        return waveCode(result);
    }
    o.format = format;
    o.size = bytes;
    o.lost.store(false);
    return o.fillWithSilence();
}

int SoundBuffer::playLooping()
{
    if (output_->buffer == nullptr)
        return waveResult::badDeviceId;
    return waveCode(output_->buffer->Play(0, 0, DSBPLAY_LOOPING));
}

int SoundBuffer::stop()
{
    if (output_->buffer != nullptr)
        output_->buffer->Stop();
    return waveResult::ok;
}

int SoundBuffer::positions(std::uint32_t& play, std::uint32_t& write)
{
    play = write = 0;
    if (output_->buffer == nullptr)
        return waveResult::badDeviceId;
    DWORD playCursor = 0, writeCursor = 0;
    const HRESULT result = output_->buffer->GetCurrentPosition(&playCursor, &writeCursor);
    play = playCursor;
    write = writeCursor;
    return waveCode(result);
}

// DirectSound's play cursor is where the card plays: nothing it has read lies
// before it unplayed.
std::uint32_t SoundBuffer::unheardFramesBeforePlay() { return 0; }

int SoundBuffer::lock(std::uint32_t offset, std::uint32_t bytes, Regions& regions)
{
    regions = {};
    if (lost() || output_->buffer == nullptr)
        return waveResult::badDeviceId;
    if (offset >= size() || bytes > size())
        return waveResult::invalidParameter;
    void* first = nullptr;
    void* second = nullptr;
    DWORD firstBytes = 0, secondBytes = 0;
    const HRESULT result = output_->buffer->Lock(offset, bytes, &first, &firstBytes, &second, &secondBytes, 0);
    if (result != DS_OK)
        return waveCode(result);
    regions.first = static_cast<std::uint8_t*>(first);
    regions.firstBytes = firstBytes;
    regions.second = static_cast<std::uint8_t*>(second);
    regions.secondBytes = second != nullptr ? secondBytes : 0;
    return waveResult::ok;
}

int SoundBuffer::unlock(const Regions& regions)
{
    if (regions.first == nullptr || output_->buffer == nullptr)
        return waveResult::invalidParameter;
    return waveCode(output_->buffer->Unlock(regions.first, regions.firstBytes, regions.second, regions.secondBytes));
}

bool SoundBuffer::lost() const
{
    if (output_->lost.load())
        return true;
    DWORD status = 0;
    return output_->buffer != nullptr && output_->buffer->GetStatus(&status) == DS_OK &&
           (status & DSBSTATUS_BUFFERLOST) != 0;
}

void SoundBuffer::markLost() { output_->lost.store(true); }

int SoundBuffer::restore()
{
    Output& o = *output_;
    if (o.buffer == nullptr)
        return waveResult::badDeviceId;
    if (const HRESULT result = o.buffer->Restore(); result != DS_OK)
        return waveCode(result);
    o.lost.store(false);
    return o.fillWithSilence();
}

void SoundBuffer::release()
{
    Output& o = *output_;
    if (o.buffer != nullptr)
        o.buffer->Stop();
    releaseInterface(o.buffer);
    releaseInterface(o.primary);
    releaseInterface(o.object);
    o.size = 0;
}

}  // namespace platform
