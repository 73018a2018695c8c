#pragma once
// What happens to the mix buffer after the channels are added: the
// post-processing chain (the output filter is its one entry) and the
// conversion to 8- or 16-bit output.

#include <array>
#include <cstdint>
#include <vector>

namespace corvid {

// A low-pass filter over the mixed sum; each side keeps its own history
// (x[n-1], x[n-2]) from chunk to chunk.
//   mode 1: y = (2 x[n] + x[n-1]) * 11/32
//   mode 2: y = (4 x[n] + 3 x[n-1] + x[n-2]) / 8
struct OutputFilter {
    int32_t mode = 0;  // 0 none, 1 or 2; the automatic setting is resolved at open
    std::array<std::array<int32_t, 2>, 2> integerHistory{};  // [side][age]
    std::array<std::array<float, 2>, 2> floatHistory{};
};

// The filter over `frames` frames of interleaved values (1 or 2 channels),
// carrying its history in `filter`; mode 0 leaves the values alone. The
// reference is the plain form, one side and one value at a time with 64-bit
// sums; the tuned form gives the same values.
void applyFilter(OutputFilter& filter, int32_t* buffer, uint32_t frames, int channels);
void applyFilter(OutputFilter& filter, float* buffer, uint32_t frames, int channels);
void applyFilterReference(OutputFilter& filter, int32_t* buffer, uint32_t frames, int channels);
void applyFilterReference(OutputFilter& filter, float* buffer, uint32_t frames, int channels);

// 3 (automatic) becomes 1 without interpolation and 0 with it; other values
// outside 0..2 turn the filter off.
int32_t resolveFilterMode(int32_t option, bool interpolating);

// One step of the chain: a routine per arithmetic and output layout, called
// with the buffer, its frame count and the entry's own data.
struct PostProcessEntry {
    void (*integerMono)(int32_t* buffer, uint32_t frames, void* data);
    void (*integerStereo)(int32_t* buffer, uint32_t frames, void* data);
    void (*floatMono)(float* buffer, uint32_t frames, void* data);
    void (*floatStereo)(float* buffer, uint32_t frames, void* data);
    void* data;
};

struct PostProcessChain {
    PostProcessChain() = default;
    PostProcessChain(const PostProcessChain&) = delete;  // entries point at filter
    PostProcessChain& operator=(const PostProcessChain&) = delete;

    OutputFilter filter;
    std::vector<PostProcessEntry> entries;

    // The chain with the filter as its one entry.
    void build(int32_t filterMode);
    void run(int32_t* buffer, uint32_t frames, bool stereo);
    void run(float* buffer, uint32_t frames, bool stereo);
};

// Output conversion of `count` values (frames x channels). 16-bit output is
// clamped to -32768..32767; 8-bit output is (v >> 8) clamped to -128..127,
// plus 128. Floats are truncated for 8-bit output and rounded to nearest for
// 16-bit output.
void convertToOutput(const int32_t* values, uint32_t count, bool output8Bit, void* destination);
void convertToOutput(const float* values, uint32_t count, bool output8Bit, void* destination);

}  // namespace corvid
