#include "sound/loaders/loader_support.h"

#include <algorithm>
#include <cstring>

namespace corvid {

std::string fixedText(const uint8_t* p, size_t length)
{
    const auto* text = reinterpret_cast<const char*>(p);
    return std::string(text, strnlen(text, length));
}

ErrorCode handOverSample(Sample& sample, std::vector<uint8_t>& data, SampleDescription description,
                         const SampleTarget& target)
{
    if (!target.addToDevice) {
        sample.data = std::move(data);
        return ErrorCode::ok;
    }
    if (!target.device || !target.device->operations.addSample)
        return ErrorCode::invalidDevice;
    description.data = data.data();
    description.dataPresent = 1;
    description.length = static_cast<uint32_t>(data.size());
    if (ErrorCode e = target.device->operations.addSample(description, true, sample.deviceHandle); e != ErrorCode::ok)
        return e;
    if (target.callback)
        target.callback(sample);
    return ErrorCode::ok;
}

int32_t separatedPanning(uint32_t channel, int32_t separation)
{
    // An out-of-range separation option still leaves the panning on its scale.
    const int32_t s = std::clamp(separation, -64, 64);
    const uint32_t lane = channel % 4;
    return (lane == 0 || lane == 3) ? 64 - s : 64 + s;
}

}  // namespace corvid
