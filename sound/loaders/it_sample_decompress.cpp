#include "sound/loaders/it_sample_decompress.h"

#include <algorithm>

namespace corvid {

namespace {

// Reads LSB-first bit fields from one block.
class BitReader {
public:
    explicit BitReader(std::span<const uint8_t> block) : block_(block) {}

    // False past the end of the block.
    bool read(uint32_t width, uint32_t& value)
    {
        value = 0;
        for (uint32_t bit = 0; bit < width; ++bit, ++position_) {
            if (position_ / 8 >= block_.size())
                return false;
            value |= static_cast<uint32_t>(block_[position_ / 8] >> (position_ % 8) & 1) << bit;
        }
        return true;
    }

private:
    std::span<const uint8_t> block_;
    size_t position_ = 0;
};

// The two sizes differ only in their widths: 8-bit starts at 9 bits, reads 3
// bits for a new width and keeps a border of 8 values; 16-bit starts at 17,
// reads 4 and keeps 16.
struct DeltaFormat {
    uint32_t fullWidth;       // 9 or 17
    uint32_t widthBits;       // 3 or 4
    uint32_t sampleBits;      // 8 or 16
    uint32_t framesPerBlock;  // 0x8000 or 0x4000
};

ErrorCode decodeBlock(BitReader& bits, const DeltaFormat& f, uint32_t count, bool doubleDelta, std::vector<uint32_t>& out)
{
    uint32_t width = f.fullWidth;
    // Sums wrap: only their low 8 or 16 bits are kept.
    uint32_t first = 0, second = 0;
    while (count > 0) {
        uint32_t v = 0;
        if (!bits.read(width, v))
            return ErrorCode::unexpectedEndOfFile;
        // Three ways to announce a new width, by the current width.
        uint32_t newWidth = 0;
        if (width < 7) {
            if (v == 1u << (width - 1)) {
                if (!bits.read(f.widthBits, v))
                    return ErrorCode::unexpectedEndOfFile;
                newWidth = v + 1;
            }
        } else if (width < f.fullWidth) {
            const uint32_t border = (((1u << f.sampleBits) - 1) >> (f.fullWidth - width)) - (f.fullWidth - 1) / 2;
            if (v > border && v <= border + (f.fullWidth - 1))
                newWidth = v - border;
        } else if (v & (1u << f.sampleBits)) {
            newWidth = (v + 1) & 0xFF;
            if (newWidth == 0 || newWidth > f.fullWidth)
                return ErrorCode::invalidInstrument;
            width = newWidth;
            continue;
        }
        if (newWidth != 0) {
            width = newWidth < width ? newWidth : newWidth + 1;
            continue;
        }
        // Sign-extend the width-bit value (the full width carries the sample's own bits).
        const uint32_t bitsUsed = std::min(width, f.sampleBits);
        const int32_t shift = 32 - static_cast<int32_t>(bitsUsed);
        const int32_t delta = static_cast<int32_t>(v << shift) >> shift;
        first += static_cast<uint32_t>(delta);
        second += first;
        out.push_back(doubleDelta ? second : first);
        --count;
    }
    return ErrorCode::ok;
}

}  // namespace

ErrorCode decompressItSample(std::span<const uint8_t> stored, uint32_t frames, bool sixteenBit, bool doubleDelta,
                             std::vector<uint8_t>& out)
{
    const DeltaFormat format = sixteenBit ? DeltaFormat{17, 4, 16, 0x4000} : DeltaFormat{9, 3, 8, 0x8000};
    // A sample takes at least one bit: more frames than that cannot be there.
    if (frames / 8 > stored.size())
        return ErrorCode::unexpectedEndOfFile;
    std::vector<uint32_t> values;
    size_t at = 0;
    while (values.size() < frames) {
        if (at + 2 > stored.size())
            return ErrorCode::unexpectedEndOfFile;
        const size_t blockBytes = stored[at] | stored[at + 1] << 8;
        at += 2;
        if (blockBytes > stored.size() - at)
            return ErrorCode::unexpectedEndOfFile;
        BitReader bits(stored.subspan(at, blockBytes));
        at += blockBytes;
        const uint32_t count = std::min<uint32_t>(format.framesPerBlock, frames - static_cast<uint32_t>(values.size()));
        if (ErrorCode e = decodeBlock(bits, format, count, doubleDelta, values); e != ErrorCode::ok)
            return e;
    }
    out.clear();
    out.reserve(frames * (sixteenBit ? 2u : 1u));
    for (uint32_t v : values) {
        if (sixteenBit) {
            out.push_back(static_cast<uint8_t>(v));
            out.push_back(static_cast<uint8_t>(v >> 8));
        } else {
            out.push_back(static_cast<uint8_t>(v ^ 0x80));
        }
    }
    return ErrorCode::ok;
}

}  // namespace corvid
