#pragma once
// What every backend's sound outputs do alike (audio_shared.cpp): the
// formats they accept and how a lock of the circular buffer splits at its end.

#include "platform/audio.h"

namespace platform {

// A circular buffer of `bytes` in this format can be made: a playable format
// and a whole, non-zero number of frames.
bool validBufferRequest(const WaveFormat& format, std::uint32_t bytes);

// The one or two regions of a buffer of `size` bytes at `data` that cover
// `bytes` from `offset`, wrapping at the end (offset < size, bytes <= size).
SoundBuffer::Regions bufferRegions(std::uint8_t* data, std::uint32_t size, std::uint32_t offset, std::uint32_t bytes);

}  // namespace platform
