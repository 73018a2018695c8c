// What the backends that play both outputs through one stream of their own
// share (the desktop over SDL, the browser): a block needs no preparing by
// the system, any playable format is accepted, and the circular buffer is
// there whenever that stream can be opened.
#include "platform/audio.h"

namespace platform {

bool soundBufferAvailable() { return waveOutDeviceCount() >= 1; }

int waveOutQuery(const WaveFormat& format) { return playableFormat(format) ? waveResult::ok : waveResult::badFormat; }

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

}  // namespace platform
