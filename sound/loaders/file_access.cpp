#include "sound/loaders/file_access.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

namespace corvid {

namespace {

ErrorCode openErrorFor(int error)
{
    switch (error) {
    case ENOENT: return ErrorCode::fileNotFound;
    case EACCES: return ErrorCode::accessDenied;
    case EMFILE:
    case ENFILE: return ErrorCode::tooManyOpenFiles;
    default: return ErrorCode::fileOpen;
    }
}

}  // namespace

ErrorCode ModuleFile::open(const char* fileName)
{
    close();
    std::FILE* file = std::fopen(fileName, "rb");
    if (!file)
        return openErrorFor(errno);
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (bytes.size() + got > std::numeric_limits<uint32_t>::max()) {
            std::fclose(file);
            return ErrorCode::fileRead;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        return ErrorCode::fileRead;
    bytes_ = std::move(bytes);
    open_ = true;
    return ErrorCode::ok;
}

ErrorCode ModuleFile::openBytes(std::span<const uint8_t> bytes)
{
    close();
    if (bytes.size() > std::numeric_limits<uint32_t>::max())
        return ErrorCode::fileRead;
    bytes_.assign(bytes.begin(), bytes.end());
    open_ = true;
    return ErrorCode::ok;
}

void ModuleFile::close()
{
    open_ = false;
    bytes_.clear();
    position_ = 0;
}

ErrorCode ModuleFile::read(void* destination, uint32_t count)
{
    if (!open_)
        return ErrorCode::invalidFileHandle;
    if (count > bytes_.size() - position_)
        return ErrorCode::unexpectedEndOfFile;
    if (count != 0)
        std::memcpy(destination, bytes_.data() + position_, count);
    position_ += count;
    return ErrorCode::ok;
}

ErrorCode ModuleFile::seek(int64_t offset, int32_t origin)
{
    if (!open_)
        return ErrorCode::invalidFileHandle;
    int64_t base = 0;
    switch (static_cast<SeekOrigin>(origin)) {
    case SeekOrigin::fromStart: base = 0; break;
    case SeekOrigin::fromCurrent: base = position_; break;
    case SeekOrigin::fromEnd: base = static_cast<int64_t>(bytes_.size()); break;
    default: return ErrorCode::invalidArguments;
    }
    // Offsets come from file headers: keep the sum inside 64 bits before checking it.
    if (offset > static_cast<int64_t>(bytes_.size()) || offset < -static_cast<int64_t>(bytes_.size()))
        return ErrorCode::unexpectedEndOfFile;
    const int64_t target = base + offset;
    if (target < 0 || target > static_cast<int64_t>(bytes_.size()))
        return ErrorCode::unexpectedEndOfFile;
    position_ = static_cast<uint32_t>(target);
    return ErrorCode::ok;
}

ErrorCode ModuleFile::tell(uint32_t& position) const
{
    if (!open_)
        return ErrorCode::invalidFileHandle;
    position = position_;
    return ErrorCode::ok;
}

}  // namespace corvid
