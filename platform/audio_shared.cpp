#include "platform/audio_shared.h"

#include <algorithm>

namespace platform {

bool validBufferRequest(const WaveFormat& format, std::uint32_t bytes)
{
    return playableFormat(format) && bytes != 0 && bytes % static_cast<std::uint32_t>(format.blockAlign()) == 0;
}

int lockRegions(bool lost, std::uint8_t* data, std::uint32_t size, std::uint32_t offset, std::uint32_t bytes,
                SoundBuffer::Regions& regions)
{
    regions = {};
    if (lost)
        return waveResult::badDeviceId;
    if (offset >= size || bytes > size)
        return waveResult::invalidParameter;
    regions.first = data + offset;
    regions.firstBytes = std::min(bytes, size - offset);
    if (regions.firstBytes < bytes) {
        regions.second = data;
        regions.secondBytes = bytes - regions.firstBytes;
    }
    return waveResult::ok;
}

}  // namespace platform
