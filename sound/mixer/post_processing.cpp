#include "sound/mixer/post_processing.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace corvid {

namespace {

// The plain form. Integer mode 1 computes t * 11/32 as t/4 + t/8 - t/32 with
// arithmetic shifts (t = 2 x[n] + x[n-1]); mode 2 shifts the weighted sum by
// 3. The sums are taken in 64 bits so that no mix value can overflow them;
// the result is narrowed to 32 bits (modulo 2^32).
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

// The same integer values in 32-bit arithmetic, which vectorizes. Split each
// value into its high part and its low bits (x = 32 a + b, 0 <= b < 32, by
// an arithmetic shift and a mask): then t = 32 q + r with q = 2a + c + carry
// and r the low five bits of 2b + d, and t/4 + t/8 - t/32 (each rounded
// down) is exactly 11 q + r/4 + r/8. Mode 2 splits by 8 the same way. The
// sums wrap modulo 2^32, as the plain form's narrowing does.
template <int32_t mode>
inline int32_t filteredNarrow(int32_t x, int32_t x1, int32_t x2)
{
    if constexpr (mode == 1) {
        const int32_t low = 2 * (x & 31) + (x1 & 31);
        const uint32_t q = 2u * static_cast<uint32_t>(x >> 5) + static_cast<uint32_t>(x1 >> 5) +
                           static_cast<uint32_t>(low >> 5);
        const int32_t r = low & 31;
        return static_cast<int32_t>(11u * q + static_cast<uint32_t>((r >> 2) + (r >> 3)));
    } else {
        const int32_t low = 4 * (x & 7) + 3 * (x1 & 7) + (x2 & 7);
        return static_cast<int32_t>(4u * static_cast<uint32_t>(x >> 3) + 3u * static_cast<uint32_t>(x1 >> 3) +
                                    static_cast<uint32_t>(x2 >> 3) + static_cast<uint32_t>(low >> 3));
    }
}

template <typename Value>
std::array<std::array<Value, 2>, 2>& historyOf(OutputFilter& filter)
{
    if constexpr (std::is_same_v<Value, float>)
        return filter.floatHistory;
    else
        return filter.integerHistory;
}

// Plain: one side at a time, the history held in locals.
template <int32_t mode, int channels, typename Value>
void filterPlain(Value* buffer, uint32_t frames, std::array<std::array<Value, 2>, 2>& history)
{
    for (int side = 0; side < channels; ++side) {
        Value x1 = history[side][0], x2 = history[side][1];
        for (uint32_t i = 0; i < frames; ++i) {
            const Value x = buffer[i * channels + side];
            buffer[i * channels + side] = filtered<mode>(x, x1, x2);
            x2 = x1;
            x1 = x;
        }
        history[side] = {x1, x2};
    }
}

// Tuned: both sides at once over the interleaved values, a block at a time
// through a local copy of its inputs with the two frames before it in front,
// so that no value depends on one computed in the same loop and the loop
// vectorizes.
template <int32_t mode, int channels, typename Value>
void filterTuned(Value* buffer, uint32_t frames, std::array<std::array<Value, 2>, 2>& history)
{
    constexpr std::size_t lead = 2 * channels;
    constexpr std::size_t block = 256;
    Value in[lead + block];
    for (int side = 0; side < channels; ++side) {
        in[side] = history[side][1];
        in[channels + side] = history[side][0];
    }
    const std::size_t count = std::size_t{frames} * channels;
    for (std::size_t start = 0; start < count; start += block) {
        const std::size_t n = std::min(block, count - start);
        std::memcpy(in + lead, buffer + start, n * sizeof(Value));
        Value* out = buffer + start;
        for (std::size_t i = 0; i < n; ++i) {
            if constexpr (std::is_same_v<Value, float>)
                out[i] = filtered<mode>(in[lead + i], in[channels + i], in[i]);
            else
                out[i] = filteredNarrow<mode>(in[lead + i], in[channels + i], in[i]);
        }
        std::memmove(in, in + n, lead * sizeof(Value));  // the block's last two frames lead the next
    }
    for (int side = 0; side < channels; ++side)
        history[side] = {in[channels + side], in[side]};
}

template <bool tuned, int32_t mode, int channels, typename Value>
void filterIn(Value* buffer, uint32_t frames, std::array<std::array<Value, 2>, 2>& history)
{
    if constexpr (tuned)
        filterTuned<mode, channels>(buffer, frames, history);
    else
        filterPlain<mode, channels>(buffer, frames, history);
}

template <typename Value, bool tuned>
void applyFilterTo(OutputFilter& filter, Value* buffer, uint32_t frames, int channels)
{
    auto& history = historyOf<Value>(filter);
    if (filter.mode == 1)
        channels == 2 ? filterIn<tuned, 1, 2>(buffer, frames, history) : filterIn<tuned, 1, 1>(buffer, frames, history);
    else if (filter.mode == 2)
        channels == 2 ? filterIn<tuned, 2, 2>(buffer, frames, history) : filterIn<tuned, 2, 1>(buffer, frames, history);
}

template <typename Value, int channels>
void filterBuffer(Value* buffer, uint32_t frames, void* data)
{
    applyFilterTo<Value, true>(*static_cast<OutputFilter*>(data), buffer, frames, channels);
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
template <typename Value, typename Convert>
void writeOutput(const Value* values, uint32_t count, bool output8Bit, void* destination, Convert toSample)
{
    constexpr std::size_t chunk = 256;
    auto* out = static_cast<uint8_t*>(destination);
    for (std::size_t start = 0; start < count; start += chunk) {
        const std::size_t n = std::min<std::size_t>(chunk, count - start);
        const Value* in = values + start;
        if (output8Bit) {
            uint8_t converted[chunk];
            for (std::size_t i = 0; i < n; ++i)
                converted[i] = static_cast<uint8_t>((toSample(in[i], true) >> 8) + 128);
            std::memcpy(out + start, converted, n);
        } else {
            int16_t converted[chunk];
            for (std::size_t i = 0; i < n; ++i)
                converted[i] = static_cast<int16_t>(toSample(in[i], false));
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

void applyFilter(OutputFilter& filter, int32_t* buffer, uint32_t frames, int channels)
{
    applyFilterTo<int32_t, true>(filter, buffer, frames, channels);
}
void applyFilter(OutputFilter& filter, float* buffer, uint32_t frames, int channels)
{
    applyFilterTo<float, true>(filter, buffer, frames, channels);
}
void applyFilterReference(OutputFilter& filter, int32_t* buffer, uint32_t frames, int channels)
{
    applyFilterTo<int32_t, false>(filter, buffer, frames, channels);
}
void applyFilterReference(OutputFilter& filter, float* buffer, uint32_t frames, int channels)
{
    applyFilterTo<float, false>(filter, buffer, frames, channels);
}

void PostProcessChain::run(int32_t* buffer, uint32_t frames, bool stereo) { runChain(entries, buffer, frames, stereo); }

void PostProcessChain::run(float* buffer, uint32_t frames, bool stereo) { runChain(entries, buffer, frames, stereo); }

void convertToOutput(const int32_t* values, uint32_t count, bool output8Bit, void* destination)
{
    writeOutput(values, count, output8Bit, destination,
                [](int32_t value, bool) { return std::clamp<int32_t>(value, -32768, 32767); });
}

void convertToOutput(const float* values, uint32_t count, bool output8Bit, void* destination)
{
    // Clamped while still a float, so that the conversion is always defined.
    writeOutput(values, count, output8Bit, destination, [](float value, bool truncate) {
        const float v = std::clamp(value, -32768.0f, 32767.0f);
        // Adding 1.5 * 2^23 leaves no fraction bits, so the addition itself
        // rounds to nearest (ties to even), like nearbyint but without a call.
        constexpr float roundingOffset = 12582912.0f;
        return truncate ? static_cast<int32_t>(v) : static_cast<int32_t>(v + roundingOffset) - 12582912;
    });
}

}  // namespace corvid
