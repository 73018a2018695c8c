#pragma once
// What every backend's sound outputs do alike (audio_shared.cpp): the
// formats they accept and how a lock of the circular buffer splits at its end.

#include "platform/audio.h"

namespace platform {

// A circular buffer of `bytes` in this format can be made: a playable format
// and a whole, non-zero number of frames.
bool validBufferRequest(const WaveFormat& format, std::uint32_t bytes);

// A lock of `bytes` from `offset` in a buffer of `size` bytes at `data`: the
// one or two regions that cover it, wrapping at the end; none, and the error,
// when the buffer is lost or the range does not fit in it.
int lockRegions(bool lost, std::uint8_t* data, std::uint32_t size, std::uint32_t offset, std::uint32_t bytes,
                SoundBuffer::Regions& regions);

}  // namespace platform
