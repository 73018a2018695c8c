#include "sound/mixer/post_processing.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace corvid {

namespace {

// Integer mode 1 computes t * 11/32 as t/4 + t/8 - t/32 with arithmetic
// shifts (t = 2 x[n] + x[n-1]); mode 2 shifts the weighted sum by 3. The sums
// are taken in 64 bits so that no mix value can overflow them.
template <int32_t mode>
inline int32_t filtered(int32_t x, int32_t x1, int32_t x2)
{
    if constexpr (mode == 1) {
        const int64_t t = 2 * int64_t{x} + x1;
        return static_cast<int32_t>((t >> 2) + (t >> 3) - (t >> 5));
    } else {
        return static_cast<int32_t>((4 * int64_t{x} + 3 * int64_t{x1} + x2) >> 3);
    }
}

template <int32_t mode>
inline float filtered(float x, float x1, float x2)
{
    if constexpr (mode == 1)
        return (2.0f * x + x1) * (11.0f / 32.0f);
    else
        return (4.0f * x + 3.0f * x1 + x2) * 0.125f;
}

// One side of the buffer (every `channels`-th value); the history is held in
// locals so that the stores into the buffer cannot force it to be reloaded.
template <int32_t mode, int channels, typename Value>
void filterSide(Value* buffer, uint32_t frames, std::array<Value, 2>& history)
{
    Value x1 = history[0], x2 = history[1];
    for (uint32_t i = 0; i < frames; ++i) {
        const Value x = buffer[i * channels];
        buffer[i * channels] = filtered<mode>(x, x1, x2);
        x2 = x1;
        x1 = x;
    }
    history = {x1, x2};
}

template <typename Value, int channels>
void filterBuffer(Value* buffer, uint32_t frames, void* data)
{
    auto& filter = *static_cast<OutputFilter*>(data);
    for (int side = 0; side < channels; ++side) {
        std::array<Value, 2>* history;
        if constexpr (std::is_same_v<Value, float>)
            history = &filter.floatHistory[side];
        else
            history = &filter.integerHistory[side];
        if (filter.mode == 1)
            filterSide<1, channels>(buffer + side, frames, *history);
        else
            filterSide<2, channels>(buffer + side, frames, *history);
    }
}

template <typename Value>
void runChain(std::vector<PostProcessEntry>& entries, Value* buffer, uint32_t frames, bool stereo)
{
    for (const PostProcessEntry& entry : entries) {
        if constexpr (std::is_same_v<Value, float>)
            (stereo ? entry.floatStereo : entry.floatMono)(buffer, frames, entry.data);
        else
            (stereo ? entry.integerStereo : entry.integerMono)(buffer, frames, entry.data);
    }
}

// Converts in chunks through an aligned local array, so that the clamping
// loop runs over plain arrays the compiler can vectorize; the destination may
// sit at any byte address.
template <typename Convert>
void writeOutput(uint32_t count, bool output8Bit, void* destination, Convert toSample)
{
    constexpr uint32_t chunk = 256;
    auto* out = static_cast<uint8_t*>(destination);
    for (uint32_t start = 0; start < count; start += chunk) {
        const uint32_t n = std::min(chunk, count - start);
        if (output8Bit) {
            uint8_t converted[chunk];
            for (uint32_t i = 0; i < n; ++i)
                converted[i] = static_cast<uint8_t>((toSample(start + i, true) >> 8) + 128);
            std::memcpy(out + start, converted, n);
        } else {
            int16_t converted[chunk];
            for (uint32_t i = 0; i < n; ++i)
                converted[i] = static_cast<int16_t>(toSample(start + i, false));
            std::memcpy(out + 2 * start, converted, 2 * n);
        }
    }
}

}  // namespace

int32_t resolveFilterMode(int32_t option, bool interpolating)
{
    if (option == 3)
        return interpolating ? 0 : 1;
    return (option == 1 || option == 2) ? option : 0;
}

void PostProcessChain::build(int32_t filterMode)
{
    filter = OutputFilter{};
    filter.mode = filterMode;
    entries.clear();
    if (filterMode != 0)
        entries.push_back({&filterBuffer<int32_t, 1>, &filterBuffer<int32_t, 2>, &filterBuffer<float, 1>,
                           &filterBuffer<float, 2>, &filter});
}

void PostProcessChain::run(int32_t* buffer, uint32_t frames, bool stereo) { runChain(entries, buffer, frames, stereo); }

void PostProcessChain::run(float* buffer, uint32_t frames, bool stereo) { runChain(entries, buffer, frames, stereo); }

void convertToOutput(const int32_t* values, uint32_t count, bool output8Bit, void* destination)
{
    writeOutput(count, output8Bit, destination,
                [values](uint32_t i, bool) { return std::clamp<int32_t>(values[i], -32768, 32767); });
}

void convertToOutput(const float* values, uint32_t count, bool output8Bit, void* destination)
{
    // Clamped while still a float, so that the conversion is always defined.
    writeOutput(count, output8Bit, destination, [values](uint32_t i, bool truncate) {
        const float v = std::clamp(values[i], -32768.0f, 32767.0f);
        // Adding 1.5 * 2^23 leaves no fraction bits, so the addition itself
        // rounds to nearest (ties to even), like nearbyint but without a call.
        constexpr float roundingOffset = 12582912.0f;
        return truncate ? static_cast<int32_t>(v) : static_cast<int32_t>(v + roundingOffset) - 12582912;
    });
}

}  // namespace corvid
