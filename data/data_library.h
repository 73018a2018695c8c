#pragma once
// The packed data file that holds every picture and mesh of the show.
//
// Layout (little-endian, positions relative to the library's base offset):
//   0   8 bytes  magic "zevSFLb" 0x1A
//   8   u16      entry count
//   10  entries, back to back: a 21-byte header (13-byte NUL-padded name,
//       u32 size, u32 data position = header position + 21) and then the data.
//
// One object owns one open stream. `seekEntry` leaves that stream at the first
// data byte of the named entry. Every scan checks the entry table against the
// file, so a damaged or hostile file is reported, never read past.

#include "data/loaded.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace data {

constexpr std::array<char, 8> libraryMagic{'z', 'e', 'v', 'S', 'F', 'L', 'b', '\x1A'};
constexpr std::size_t libraryHeaderSize = 10;
constexpr std::size_t entryHeaderSize = 21;
// Names hold at most this many significant characters; byte 12 is always NUL.
constexpr std::size_t maxEntryNameLength = 12;
constexpr std::size_t copyChunkSize = 1024;
constexpr std::uint32_t maxEntryCount = 0xFFFF;

struct LibraryHeader {
    std::array<char, 8> magic{};
    std::uint16_t entryCount = 0;
};

struct LibraryEntry {
    std::array<char, 13> name{};    // NUL-padded
    std::uint32_t size = 0;         // bytes of data
    std::uint32_t dataPosition = 0; // relative to the base offset

    // The significant part of the name: up to the first NUL, at most 12 bytes.
    std::string_view nameView() const;
};

// The show only reads; the build operations need update mode.
enum class Access { readOnly, update };

struct Done {};
using Status = Loaded<Done>;

class DataLibrary {
public:
    // Opens an existing library and checks its header.
    static Loaded<DataLibrary> open(const std::string& path, Access access,
                                    std::uint32_t baseOffset = 0);
    // Writes an empty library at baseOffset: a new (or truncated) file for
    // offset 0, otherwise into the existing file at that offset.
    static Loaded<DataLibrary> createLibrary(const std::string& path, std::uint32_t baseOffset);

    // Positions the stream at the data of the first entry named `name`
    // (byte-wise, case-sensitive; a name longer than 12 bytes never matches).
    Loaded<LibraryEntry> seekEntry(std::string_view name);
    // seekEntry, then reads the whole entry.
    Loaded<std::vector<std::byte>> readEntry(std::string_view name);
    // Every entry in file order.
    Loaded<std::vector<LibraryEntry>> entries();

    // Appends a disk file under its name as passed (at most 12 characters,
    // no path stripping).
    Loaded<LibraryEntry> addFile(const std::string& diskFileName);
    // Appends bytes from memory under `name` (at most 12 characters kept).
    Loaded<LibraryEntry> addEntry(std::string_view name, std::span<const std::byte> bytes);
    // Copies the first entry named `name` to a disk file of the same name, or
    // to `destination`, in chunks of at most 1024 bytes.
    Loaded<LibraryEntry> extractFile(std::string_view name);
    Loaded<LibraryEntry> extractFile(std::string_view name, const std::string& destination);

    // Flushes the stream and answers the length of the underlying file.
    Loaded<std::uint64_t> fileLength();

    const std::string& path() const { return path_; }
    const LibraryHeader& header() const { return header_; }
    std::uint32_t baseOffset() const { return baseOffset_; }
    // The shared read stream, as left by the last seekEntry.
    std::FILE* stream() const { return stream_.get(); }

private:
    struct CloseFile {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    using Stream = std::unique_ptr<std::FILE, CloseFile>;

    DataLibrary(std::string path, std::uint32_t baseOffset, Stream stream);

    // Walks the entry table, checking each header against the file. Stops
    // when `stopAt` answers true, with the stream at that entry's data.
    Loaded<std::optional<LibraryEntry>> scanEntries(
        const std::function<bool(const LibraryEntry&)>& stopAt);
    Status writeHeader();
    Failure failure(const std::string& what) const;

    LibraryHeader header_;
    std::uint32_t baseOffset_;
    Stream stream_;
    std::string path_;
};

}  // namespace data
