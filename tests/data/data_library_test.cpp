#include "data/data_library.h"
#include "tests/data/pattern_bytes.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace data {
namespace {

using testing::patternBytes;
using testsupport::ScratchFolder;
using namespace std::literals;

std::vector<std::byte> bytesOf(std::string_view text)
{
    std::vector<std::byte> bytes(text.size());
    std::memcpy(bytes.data(), text.data(), text.size());
    return bytes;
}

DataLibrary createWith(const std::string& path, const std::vector<std::pair<std::string, std::vector<std::byte>>>& entries)
{
    auto library = DataLibrary::createLibrary(path, 0);
    EXPECT_TRUE(library.ok()) << library.error();
    for (const auto& [name, bytes] : entries) EXPECT_TRUE(library->addEntry(name, bytes).ok());
    return std::move(library).value();
}

TEST(DataLibrary, EmptyLibraryIsTheHeaderAloneAndFindsNothing)
{
    ScratchFolder folder;
    auto library = createWith(folder.path("empty.dat"), {});
    const auto file = folder.read("empty.dat");
    ASSERT_EQ(file.size(), 10u);
    EXPECT_EQ(std::memcmp(file.data(), "zevSFLb\x1A\0\0", 10), 0);

    auto reopened = DataLibrary::open(folder.path("empty.dat"), Access::readOnly);
    ASSERT_TRUE(reopened.ok()) << reopened.error();
    EXPECT_EQ(reopened->header().entryCount, 0);
    EXPECT_TRUE(reopened->entries()->empty());
    const auto missing = reopened->seekEntry("blob.raw");
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find("no entry named \"blob.raw\""), std::string::npos) << missing.error();
    EXPECT_NE(missing.error().find("empty.dat"), std::string::npos);
}

TEST(DataLibrary, LookupIsFirstMatchCaseSensitiveAndTwelveCharacters)
{
    ScratchFolder folder;
    auto library = createWith(folder.path("lib.dat"), {{"t_imm.raw", bytesOf("first")},
                                                        {"t_imm.raw", bytesOf("second")},
                                                        {"abcdefghijklm", bytesOf("long")}});
    EXPECT_EQ(*library.readEntry("t_imm.raw"), bytesOf("first"));
    EXPECT_FALSE(library.seekEntry("T_IMM.RAW").ok());
    EXPECT_FALSE(library.seekEntry("t_imm.ra").ok());
    // Only 12 characters were stored, so the full 13-character name is never found.
    EXPECT_FALSE(library.seekEntry("abcdefghijklm").ok());
    EXPECT_EQ(*library.readEntry("abcdefghijkl"), bytesOf("long"));

    // The stream stands at the data after seekEntry, for callers that read it themselves.
    ASSERT_TRUE(library.seekEntry("t_imm.raw").ok());
    char data[5];
    ASSERT_EQ(std::fread(data, 1, 5, library.stream()), 5u);
    EXPECT_EQ(std::string(data, 5), "first");
}

TEST(DataLibrary, EntriesAreLaidOutBackToBack)
{
    ScratchFolder folder;
    auto library = createWith(folder.path("lib.dat"), {{"empty", {}}, {"next", bytesOf("abc")}});
    const auto list = library.entries();
    ASSERT_TRUE(list.ok());
    ASSERT_EQ(list->size(), 2u);
    EXPECT_EQ((*list)[0].nameView(), "empty");
    EXPECT_EQ((*list)[0].size, 0u);
    EXPECT_EQ((*list)[0].dataPosition, 10u + 21u);
    EXPECT_EQ((*list)[1].dataPosition, 10u + 21u + 21u);
    EXPECT_EQ(*library.fileLength(), 10u + 21u + 21u + 3u);
    EXPECT_TRUE(library.readEntry("empty")->empty());
    EXPECT_EQ(*library.readEntry("next"), bytesOf("abc"));
}

TEST(DataLibrary, AddFileKeepsTheNameAsPassedAndExtractCopiesExactly)
{
    ScratchFolder folder;
    const auto exact = patternBytes(1024, 1);
    const auto oneMore = patternBytes(1025, 2);
    const std::string exactPath = folder.write("exact.bin", exact);
    const std::string oneMorePath = folder.write("more.bin", oneMore);
    auto library = createWith(folder.path("lib.dat"), {});
    ASSERT_TRUE(library.addFile(exactPath).ok());
    ASSERT_TRUE(library.addFile(oneMorePath).ok());
    ASSERT_FALSE(library.addFile(folder.path("absent.bin")).ok());

    // No path stripping: the first 12 characters of the path are the name.
    const auto list = *library.entries();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].nameView(), exactPath.substr(0, 12));

    library.addEntry("exact", exact);
    library.addEntry("more", oneMore);
    ASSERT_TRUE(library.extractFile("exact", folder.path("exact.out")).ok());
    ASSERT_TRUE(library.extractFile("more", folder.path("more.out")).ok());
    EXPECT_EQ(folder.read("exact.out"), exact);
    EXPECT_EQ(folder.read("more.out"), oneMore);
    EXPECT_FALSE(library.extractFile("nothing", folder.path("nothing.out")).ok());
}

TEST(DataLibrary, BaseOffsetPlacesTheLibraryInsideALargerFile)
{
    ScratchFolder folder;
    const auto prefix = patternBytes(100, 3);
    const std::string path = folder.write("big.bin", prefix);
    {
        auto library = DataLibrary::createLibrary(path, 100);
        ASSERT_TRUE(library.ok()) << library.error();
        ASSERT_TRUE(library->addEntry("inner", bytesOf("xyz")).ok());
        EXPECT_EQ(library->addEntry("inner2", {})->dataPosition, 10u + 21u + 3u + 21u);
    }
    const auto file = folder.read("big.bin");
    EXPECT_TRUE(std::equal(prefix.begin(), prefix.end(), file.begin()));
    auto library = DataLibrary::open(path, Access::readOnly, 100);
    ASSERT_TRUE(library.ok()) << library.error();
    EXPECT_EQ(*library->readEntry("inner"), bytesOf("xyz"));
    EXPECT_FALSE(DataLibrary::open(path, Access::readOnly, 0).ok());
}

TEST(DataLibrary, ReadOnlyOpeningReadsButNeverWrites)
{
    ScratchFolder folder;
    createWith(folder.path("lib.dat"), {{"a", bytesOf("data")}});
    auto library = DataLibrary::open(folder.path("lib.dat"), Access::readOnly);
    ASSERT_TRUE(library.ok());
    EXPECT_EQ(*library->readEntry("a"), bytesOf("data"));
    EXPECT_FALSE(library->addEntry("b", bytesOf("more")).ok());
}

std::vector<std::byte> craftedLibrary(std::uint16_t count, std::string_view name, std::uint32_t size,
                                      std::uint32_t dataPosition, std::size_t dataBytes)
{
    std::vector<std::byte> file = bytesOf("zevSFLb\x1A");
    file.push_back(std::byte(count & 0xFF));
    file.push_back(std::byte(count >> 8));
    std::array<std::byte, 13> nameBytes{};
    std::memcpy(nameBytes.data(), name.data(), std::min<std::size_t>(name.size(), 13));
    file.insert(file.end(), nameBytes.begin(), nameBytes.end());
    for (const std::uint32_t value : {size, dataPosition}) {
        for (int i = 0; i < 4; ++i) file.push_back(std::byte(value >> (8 * i)));
    }
    file.resize(file.size() + dataBytes);
    return file;
}

TEST(DataLibrary, DamagedFilesAreReportedNotRead)
{
    ScratchFolder folder;
    struct Case {
        const char* what;
        std::vector<std::byte> file;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"missing file", {}, "cannot open"},
        {"truncated header", bytesOf("zevSF"), "too short"},
        {"bad magic", bytesOf("zevSFLB\x1A\0\0"sv), "bad magic"},
        {"count beyond the table", craftedLibrary(2, "a", 4, 31, 4), "breaks off at entry 2 of 2"},
        {"size beyond the file", craftedLibrary(1, "a", 400, 31, 4), "needs 400 bytes but only 4"},
        {"data not after header", craftedLibrary(1, "a", 4, 7, 4), "gives data position 7"},
        {"size wraps 32 bits", craftedLibrary(1, "a", 0xFFFFFFF0u, 31, 4), "needs"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        const std::string path = test.file.empty() ? folder.path("none.dat") : folder.write("bad.dat", test.file);
        auto library = DataLibrary::open(path, Access::readOnly);
        const std::string error = library ? library->readEntry("zz").error() : library.error();
        EXPECT_NE(error.find(test.message), std::string::npos) << error;
        EXPECT_NE(error.find(path), std::string::npos) << error;
    }
}

TEST(DataLibrary, EveryCutOfAValidFileFailsCleanly)
{
    ScratchFolder folder;
    createWith(folder.path("whole.dat"), {{"one", patternBytes(40)}, {"two", patternBytes(3)}});
    const auto whole = folder.read("whole.dat");
    for (std::size_t length = 0; length < whole.size(); ++length) {
        const std::string path =
            folder.write("cut.dat", std::vector<std::byte>(whole.begin(), whole.begin() + std::ptrdiff_t(length)));
        auto library = DataLibrary::open(path, Access::readOnly);
        if (!library) continue;
        EXPECT_FALSE(library->readEntry("two").ok()) << "cut at " << length;
        EXPECT_FALSE(library->entries().ok()) << "cut at " << length;
    }
}

TEST(DataLibrary, AFullLibraryRefusesAnotherEntry)
{
    ScratchFolder folder;
    std::vector<std::byte> header = bytesOf("zevSFLb\x1A");
    header.push_back(std::byte{0xFF});
    header.push_back(std::byte{0xFF});
    auto library = DataLibrary::open(folder.write("full.dat", header), Access::update);
    ASSERT_TRUE(library.ok());
    const auto added = library->addEntry("x", {});
    ASSERT_FALSE(added.ok());
    EXPECT_NE(added.error().find("full"), std::string::npos);
    EXPECT_EQ(folder.read("full.dat"), header);
}

}  // namespace
}  // namespace data
