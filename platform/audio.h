#pragma once
// Sound output in the two shapes the sound library's devices were written
// for, over the platform's sound output:
//
// - WaveOut: a queue of blocks. The caller prepares a block, writes it, and
//   later finds its done flag set once the sound card has consumed it.
// - SoundBuffer: a circular buffer that the sound card plays round and round;
//   the caller reads the play position and writes behind it.
//
// On the desktop both are fed from the sound system's own thread (on Windows,
// the system's wave-out and DirectSound play them themselves); what that
// thread and the caller share is guarded by one mutex per output, and the
// done flags are atomics, so the caller may poll them without it. In the
// browser the sound is handed to the page's audio graph as it is written and
// the sound card's progress is read back from it; there is no thread. Each
// backend keeps its state in its own `Output` record.
//
// Result codes are the wave-out system's: 0 success, 2 no device, 4 busy,
// 6 the device went away, 7 out of memory, 11 invalid argument, 32 format
// not supported.
//
// A sound card can go away while it plays (unplugged, or its sound server
// ended): the sound system then stops asking for sound. Both
// outputs notice it, as the systems they stand in for do: the block queue
// gives every queued block back and refuses further writes; the circular
// buffer reports itself lost until a restore finds a sound card again.

#include <atomic>
#include <cstdint>
#include <memory>

namespace platform {

namespace waveResult {
inline constexpr int ok = 0;
inline constexpr int badDeviceId = 2;
inline constexpr int allocated = 4;
inline constexpr int noDriver = 6;
inline constexpr int noMemory = 7;
inline constexpr int invalidParameter = 11;
inline constexpr int badFormat = 32;
}  // namespace waveResult

struct WaveFormat {
    int channels = 2;   // 1 or 2
    int rate = 44100;   // frames per second
    int bits = 16;      // 8 (unsigned) or 16 (signed little-endian)

    int blockAlign() const { return channels * bits / 8; }
    // The byte value of silence: unsigned 8-bit samples centre on 0x80.
    std::uint8_t silence() const { return bits == 8 ? 0x80 : 0; }
};

// The formats every backend plays: mono or stereo, 8 or 16 bits, 1 to 192 kHz.
inline bool playableFormat(const WaveFormat& f)
{
    return (f.channels == 1 || f.channels == 2) && (f.bits == 8 || f.bits == 16) && f.rate >= 1000 && f.rate <= 192000;
}

// How many wave-out devices the system has: 1 when the default output can be
// opened, else 0 (no sound card).
int waveOutDeviceCount();

// Whether a circular sound buffer can be made on a real (not emulated) sound
// card: DirectSound on Windows, the same output as wave-out elsewhere.
bool soundBufferAvailable();

// Whether a format would be accepted, without opening anything.
int waveOutQuery(const WaveFormat& format);

struct WaveBlock {
    std::uint8_t* data = nullptr;
    std::uint32_t length = 0;
    std::atomic<bool> done{true};  // set when the sound card has consumed the block
    bool prepared = false;
};

class WaveOut {
public:
    WaveOut();
    ~WaveOut();
    WaveOut(const WaveOut&) = delete;
    WaveOut& operator=(const WaveOut&) = delete;

    int open(const WaveFormat& format);
    int prepare(WaveBlock& block);
    int unprepare(WaveBlock& block);
    // Queues a prepared block; its done flag clears now and sets once played.
    // Once the output is lost, refused with noDriver.
    int write(WaveBlock& block);
    // Whether the card has given the block back: played, reset, or the
    // output lost (which gives back every queued block at once).
    bool blockDone(const WaveBlock& block);
    bool lost() const;
    // Test hook: the output behaves as if its sound card had gone away.
    void markLost();
    // Stops the output and marks every queued block done.
    int reset();
    // Frames written and not heard yet: those of the blocks still queued and
    // what the sound system has taken from them but not yet played, as near
    // as it tells.
    std::uint32_t unheardFrames();
    int close();
    bool isOpen() const;

    struct Output;

private:
    std::unique_ptr<Output> output_;
};

// A circular buffer played round and round (a DirectSound-style secondary
// buffer). Positions are byte offsets into the buffer.
class SoundBuffer {
public:
    SoundBuffer();
    ~SoundBuffer();
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    // The window the sound belongs to (DirectSound's cooperative level needs
    // one; 0 for none); ignored where the system has no such thing.
    int create(const WaveFormat& format, std::uint32_t bytes, std::intptr_t window = 0);
    int playLooping();
    int stop();
    // Where the sound card reads next, and the earliest safe write position.
    int positions(std::uint32_t& play, std::uint32_t& write);
    // Frames the sound system has read before the play position and not
    // yet played, as near as it tells.
    std::uint32_t unheardFramesBeforePlay();
    // Up to two regions covering bytes from offset, wrapping at the end.
    struct Regions {
        std::uint8_t* first = nullptr;
        std::uint32_t firstBytes = 0;
        std::uint8_t* second = nullptr;
        std::uint32_t secondBytes = 0;
    };
    int lock(std::uint32_t offset, std::uint32_t bytes, Regions& regions);
    int unlock(const Regions& regions);
    // Whether the buffer was lost (the output device went away); restore
    // brings it back silent, on a sound card found again (else badDeviceId).
    bool lost() const;
    int restore();
    void release();
    std::uint32_t size() const;

    // Test hook: the buffer behaves as lost until restored.
    void markLost();

    struct Output;

private:
    std::unique_ptr<Output> output_;
};

}  // namespace platform
