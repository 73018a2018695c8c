#pragma once
// The loaders' file layer: open a file for reading, read, seek, tell, close.
// The whole file is read at open, so every later read and seek is checked
// against its real size: a read or seek past the end fails with "Unexpected
// end of file" instead of reaching outside the data.

#include <cstdint>
#include <span>
#include <vector>

#include "sound/core/error_code.h"

namespace corvid {

enum class SeekOrigin : int32_t { fromStart = 1, fromCurrent = 2, fromEnd = 3 };

class ModuleFile {
public:
    ErrorCode open(const char* fileName);
    // Reads from bytes already in memory, as if they were a file.
    ErrorCode openBytes(std::span<const uint8_t> bytes);
    void close();

    ErrorCode read(void* destination, uint32_t count);
    // `origin` is 1 (from the start), 2 (from the current position) or 3 (from
    // the end); any other value fails with 22. The target must lie inside the file.
    ErrorCode seek(int64_t offset, int32_t origin);
    ErrorCode tell(uint32_t& position) const;
    uint32_t size() const { return static_cast<uint32_t>(bytes_.size()); }
    std::span<const uint8_t> bytes() const { return bytes_; }

private:
    bool open_ = false;
    std::vector<uint8_t> bytes_;
    uint32_t position_ = 0;
};

}  // namespace corvid
