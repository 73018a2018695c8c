#include "sound/loaders/byte_reader.h"

#include <algorithm>

namespace corvid {

uint8_t ByteReader::u8At(uint64_t offset)
{
    if (offset >= bytes_.size()) {
        truncated_ = true;
        return 0;
    }
    return bytes_[offset];
}

uint32_t ByteReader::numberAt(uint64_t offset, uint32_t width, ByteOrder order)
{
    uint32_t value = 0;
    for (uint32_t i = 0; i < width; ++i) {
        // An offset so large that adding to it wraps reads as past the end.
        const uint8_t byte = offset + i < offset ? u8At(bytes_.size()) : u8At(offset + i);
        value |= static_cast<uint32_t>(byte) << 8 * (order == ByteOrder::little ? i : width - 1 - i);
    }
    return value;
}

std::string ByteReader::textAt(uint64_t offset, uint64_t length)
{
    std::string text;
    for (uint64_t i = 0; i < length; ++i) {
        const uint8_t c = u8At(offset + i);
        if (c == 0)
            break;
        text.push_back(static_cast<char>(c));
    }
    return text;
}

uint32_t ByteReader::next(uint32_t width, ByteOrder order)
{
    const uint32_t value = numberAt(position_, width, order);
    skip(width);
    return value;
}

std::span<const uint8_t> ByteReader::bytes(uint64_t count)
{
    const uint64_t start = position_;
    skip(count);
    return bytes_.subspan(start, position_ - start);
}

void ByteReader::skip(uint64_t count)
{
    seek(count > remaining() ? bytes_.size() + 1 : position_ + count);
}

void ByteReader::seek(uint64_t position)
{
    if (position > bytes_.size()) {
        truncated_ = true;
        position = bytes_.size();
    }
    position_ = position;
}

ByteReader ByteReader::section(uint64_t offset, uint64_t length)
{
    const uint64_t start = std::min<uint64_t>(offset, bytes_.size());
    const uint64_t available = std::min<uint64_t>(length, bytes_.size() - start);
    const bool cut = available < length;
    truncated_ = truncated_ || cut;
    return ByteReader(bytes_.subspan(start, available), cut);
}

}  // namespace corvid
