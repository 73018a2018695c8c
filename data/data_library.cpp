#include "data/data_library.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace data {

namespace {

std::uint16_t readU16(const std::byte* bytes)
{
    return static_cast<std::uint16_t>(std::to_integer<unsigned>(bytes[0]) |
                                      std::to_integer<unsigned>(bytes[1]) << 8);
}

std::uint32_t readU32(const std::byte* bytes)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | std::to_integer<std::uint32_t>(bytes[i]);
    return value;
}

void writeU32(std::byte* bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::byte>(value >> (8 * i));
}

std::array<std::byte, libraryHeaderSize> encodeHeader(const LibraryHeader& header)
{
    std::array<std::byte, libraryHeaderSize> bytes{};
    std::memcpy(bytes.data(), header.magic.data(), header.magic.size());
    bytes[8] = static_cast<std::byte>(header.entryCount & 0xFF);
    bytes[9] = static_cast<std::byte>(header.entryCount >> 8);
    return bytes;
}

std::array<std::byte, entryHeaderSize> encodeEntryHeader(const LibraryEntry& entry)
{
    std::array<std::byte, entryHeaderSize> bytes{};
    std::memcpy(bytes.data(), entry.name.data(), entry.name.size());
    writeU32(bytes.data() + 13, entry.size);
    writeU32(bytes.data() + 17, entry.dataPosition);
    return bytes;
}

LibraryEntry decodeEntryHeader(const std::array<std::byte, entryHeaderSize>& bytes)
{
    LibraryEntry entry;
    std::memcpy(entry.name.data(), bytes.data(), entry.name.size());
    entry.size = readU32(bytes.data() + 13);
    entry.dataPosition = readU32(bytes.data() + 17);
    return entry;
}

bool seekTo(std::FILE* stream, std::uint64_t position)
{
    return position <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) &&
           fseeko(stream, static_cast<off_t>(position), SEEK_SET) == 0;
}

// Empty spans may carry a null pointer, which fread and fwrite must not see.
bool readExactly(std::FILE* stream, void* destination, std::size_t count)
{
    return count == 0 || std::fread(destination, 1, count, stream) == count;
}

bool writeExactly(std::FILE* stream, const void* source, std::size_t count)
{
    return count == 0 || std::fwrite(source, 1, count, stream) == count;
}

std::string quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

}  // namespace

std::string_view LibraryEntry::nameView() const
{
    const auto end = std::find(name.begin(), name.begin() + maxEntryNameLength, '\0');
    return {name.data(), static_cast<std::size_t>(end - name.begin())};
}

DataLibrary::DataLibrary(std::string path, std::uint32_t baseOffset, Stream stream)
    : baseOffset_(baseOffset), stream_(std::move(stream)), path_(std::move(path))
{
}

Failure DataLibrary::failure(const std::string& what) const { return fail(path_ + ": " + what); }

Loaded<DataLibrary> DataLibrary::open(const std::string& path, Access access,
                                      std::uint32_t baseOffset)
{
    Stream stream(std::fopen(path.c_str(), access == Access::readOnly ? "rb" : "rb+"));
    if (!stream) return fail(path + ": cannot open: " + std::strerror(errno));
    DataLibrary library(path, baseOffset, std::move(stream));

    std::array<std::byte, libraryHeaderSize> bytes{};
    if (!seekTo(library.stream(), baseOffset) ||
        !readExactly(library.stream(), bytes.data(), bytes.size())) {
        return library.failure("too short to hold a data library header");
    }
    std::memcpy(library.header_.magic.data(), bytes.data(), library.header_.magic.size());
    library.header_.entryCount = readU16(bytes.data() + 8);
    if (library.header_.magic != libraryMagic) return library.failure("not a data library (bad magic)");
    return library;
}

Loaded<DataLibrary> DataLibrary::createLibrary(const std::string& path, std::uint32_t baseOffset)
{
    Stream stream(std::fopen(path.c_str(), baseOffset == 0 ? "wb+" : "rb+"));
    if (!stream) return fail(path + ": cannot create: " + std::strerror(errno));
    DataLibrary library(path, baseOffset, std::move(stream));
    library.header_.magic = libraryMagic;
    library.header_.entryCount = 0;
    if (auto written = library.writeHeader(); !written) return fail(written.error());
    if (std::fflush(library.stream()) != 0) return library.failure("cannot write the header");
    return library;
}

Status DataLibrary::writeHeader()
{
    const auto bytes = encodeHeader(header_);
    if (!seekTo(stream(), baseOffset_) || !writeExactly(stream(), bytes.data(), bytes.size())) {
        return failure("cannot write the header");
    }
    return Done{};
}

Loaded<std::uint64_t> DataLibrary::fileLength()
{
    struct stat status {};
    if (std::fflush(stream()) != 0 || fstat(fileno(stream()), &status) != 0) {
        return failure(std::string("cannot read the file length: ") + std::strerror(errno));
    }
    return static_cast<std::uint64_t>(status.st_size);
}

Loaded<std::optional<LibraryEntry>> DataLibrary::scanEntries(
    const std::function<bool(const LibraryEntry&)>& stopAt)
{
    const auto length = fileLength();
    if (!length) return fail(length.error());

    std::uint64_t position = std::uint64_t{baseOffset_} + libraryHeaderSize;
    for (unsigned index = 0; index < header_.entryCount; ++index) {
        std::array<std::byte, entryHeaderSize> bytes{};
        if (!seekTo(stream(), position) || !readExactly(stream(), bytes.data(), bytes.size())) {
            return failure("the entry table breaks off at entry " + std::to_string(index + 1) +
                           " of " + std::to_string(header_.entryCount));
        }
        const LibraryEntry entry = decodeEntryHeader(bytes);
        const std::uint64_t dataStart = position + entryHeaderSize;
        if (std::uint64_t{baseOffset_} + entry.dataPosition != dataStart) {
            return failure("entry " + quoted(entry.nameView()) + " gives data position " +
                           std::to_string(entry.dataPosition) + " but its data starts at " +
                           std::to_string(dataStart - baseOffset_));
        }
        if (dataStart + entry.size > *length) {
            return failure("entry " + quoted(entry.nameView()) + " needs " +
                           std::to_string(entry.size) + " bytes but only " +
                           std::to_string(*length - dataStart) + " follow its header");
        }
        if (stopAt(entry)) return std::optional<LibraryEntry>(entry);
        position = dataStart + entry.size;
    }
    return std::optional<LibraryEntry>();
}

Loaded<LibraryEntry> DataLibrary::seekEntry(std::string_view name)
{
    auto found = scanEntries([name](const LibraryEntry& entry) { return entry.nameView() == name; });
    if (!found) return fail(found.error());
    if (!found->has_value()) return failure("no entry named " + quoted(name));
    return **found;
}

Loaded<std::vector<std::byte>> DataLibrary::readEntry(std::string_view name)
{
    const auto entry = seekEntry(name);
    if (!entry) return fail(entry.error());
    std::vector<std::byte> bytes(entry->size);
    if (!readExactly(stream(), bytes.data(), bytes.size())) {
        return failure("cannot read entry " + quoted(name));
    }
    return bytes;
}

Loaded<std::vector<LibraryEntry>> DataLibrary::entries()
{
    std::vector<LibraryEntry> list;
    const auto scanned = scanEntries([&list](const LibraryEntry& entry) {
        list.push_back(entry);
        return false;
    });
    if (!scanned) return fail(scanned.error());
    return list;
}

Loaded<LibraryEntry> DataLibrary::addFile(const std::string& diskFileName)
{
    Stream disk(std::fopen(diskFileName.c_str(), "rb"));
    if (!disk) return fail(diskFileName + ": cannot open: " + std::strerror(errno));
    std::vector<std::byte> bytes;
    std::array<std::byte, copyChunkSize> chunk{};
    while (const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), disk.get())) {
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
    }
    if (std::ferror(disk.get())) return fail(diskFileName + ": read error");
    return addEntry(diskFileName, bytes);
}

Loaded<LibraryEntry> DataLibrary::addEntry(std::string_view name, std::span<const std::byte> bytes)
{
    if (header_.entryCount >= maxEntryCount) return failure("the library is full (65535 entries)");
    const auto length = fileLength();
    if (!length) return fail(length.error());
    // Entries are appended at the end of the file; sizes and positions are u32.
    const std::uint64_t dataPosition = *length + entryHeaderSize - baseOffset_;
    if (*length < baseOffset_ + libraryHeaderSize ||
        dataPosition + bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
        return failure("cannot append " + quoted(name) + ": positions would not fit in 32 bits");
    }

    LibraryEntry entry;
    std::memcpy(entry.name.data(), name.data(), std::min(name.size(), maxEntryNameLength));
    entry.size = static_cast<std::uint32_t>(bytes.size());
    entry.dataPosition = static_cast<std::uint32_t>(dataPosition);

    ++header_.entryCount;
    const auto headerBytes = encodeEntryHeader(entry);
    if (auto written = writeHeader(); !written) return fail(written.error());
    if (std::fflush(stream()) != 0 || fseeko(stream(), 0, SEEK_END) != 0 ||
        !writeExactly(stream(), headerBytes.data(), headerBytes.size()) ||
        !writeExactly(stream(), bytes.data(), bytes.size()) || std::fflush(stream()) != 0) {
        return failure("cannot write entry " + quoted(name));
    }
    return entry;
}

Loaded<LibraryEntry> DataLibrary::extractFile(std::string_view name)
{
    return extractFile(name, std::string(name));
}

Loaded<LibraryEntry> DataLibrary::extractFile(std::string_view name, const std::string& destination)
{
    const auto entry = seekEntry(name);
    if (!entry) return entry;
    Stream disk(std::fopen(destination.c_str(), "wb"));
    if (!disk) return fail(destination + ": cannot create: " + std::strerror(errno));
    std::array<std::byte, copyChunkSize> chunk{};
    for (std::uint32_t left = entry->size; left > 0;) {
        const std::size_t count = std::min<std::size_t>(copyChunkSize, left);
        if (!readExactly(stream(), chunk.data(), count)) return failure("cannot read entry " + quoted(name));
        if (!writeExactly(disk.get(), chunk.data(), count)) return fail(destination + ": write error");
        left -= static_cast<std::uint32_t>(count);
    }
    if (std::fflush(disk.get()) != 0) return fail(destination + ": write error");
    return entry;
}

}  // namespace data
