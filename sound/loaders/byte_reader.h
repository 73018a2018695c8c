#pragma once
// A bounds-safe reader over a file's bytes. Every read past the end gives
// zeros and sets a sticky "truncated" flag, so a loader reads a whole section
// field by field and checks the flag once at the section's end instead of
// checking every read.

#include <cstdint>
#include <span>
#include <string>

namespace corvid {

class ByteReader {
public:
    ByteReader() = default;
    explicit ByteReader(std::span<const uint8_t> bytes, bool truncated = false) : bytes_(bytes), truncated_(truncated) {}

    // Sequential reads from the position, which moves past them.
    uint8_t u8() { return static_cast<uint8_t>(next(1, ByteOrder::little)); }
    uint16_t u16le() { return static_cast<uint16_t>(next(2, ByteOrder::little)); }
    uint32_t u32le() { return next(4, ByteOrder::little); }
    uint16_t u16be() { return static_cast<uint16_t>(next(2, ByteOrder::big)); }
    // Up to `count` bytes from the position: fewer (and truncated) where the data ends.
    std::span<const uint8_t> bytes(uint64_t count);
    void skip(uint64_t count);
    // A position past the end stops at the end and marks the reader truncated.
    void seek(uint64_t position);

    // Reads at an offset from the start; the position does not move.
    uint8_t u8At(uint64_t offset);
    uint16_t u16leAt(uint64_t offset) { return static_cast<uint16_t>(numberAt(offset, 2, ByteOrder::little)); }
    uint32_t u32leAt(uint64_t offset) { return numberAt(offset, 4, ByteOrder::little); }
    uint16_t u16beAt(uint64_t offset) { return static_cast<uint16_t>(numberAt(offset, 2, ByteOrder::big)); }
    // A fixed-size text field: up to its first NUL, at most `length` bytes.
    std::string textAt(uint64_t offset, uint64_t length);

    // A reader over `length` bytes from `offset`; where the data ends first
    // it holds what there is and starts truncated (and so does this one).
    ByteReader section(uint64_t offset, uint64_t length);

    uint64_t position() const { return position_; }
    uint64_t size() const { return bytes_.size(); }
    uint64_t remaining() const { return bytes_.size() - position_; }
    bool truncated() const { return truncated_; }

private:
    enum class ByteOrder { little, big };
    // An unsigned number `width` bytes wide (1 to 4) at an offset, or from
    // the position, which then moves past it.
    uint32_t numberAt(uint64_t offset, uint32_t width, ByteOrder order);
    uint32_t next(uint32_t width, ByteOrder order);

    std::span<const uint8_t> bytes_;
    uint64_t position_ = 0;
    bool truncated_ = false;
};

}  // namespace corvid
