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

uint16_t ByteReader::u16leAt(uint64_t offset)
{
    return static_cast<uint16_t>(u8At(offset) | u8At(offset + 1) << 8);
}

uint32_t ByteReader::u32leAt(uint64_t offset)
{
    return u16leAt(offset) | static_cast<uint32_t>(u16leAt(offset + 2)) << 16;
}

uint16_t ByteReader::u16beAt(uint64_t offset)
{
    return static_cast<uint16_t>(u8At(offset) << 8 | u8At(offset + 1));
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

uint8_t ByteReader::u8()
{
    const uint8_t value = u8At(position_);
    skip(1);
    return value;
}

uint16_t ByteReader::u16le()
{
    const uint16_t value = u16leAt(position_);
    skip(2);
    return value;
}

uint32_t ByteReader::u32le()
{
    const uint32_t value = u32leAt(position_);
    skip(4);
    return value;
}

uint16_t ByteReader::u16be()
{
    const uint16_t value = u16beAt(position_);
    skip(2);
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
