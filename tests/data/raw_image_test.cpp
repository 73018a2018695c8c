#include "data/raw_image.h"
#include "tests/data/pattern_bytes.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

namespace data {
namespace {

using testsupport::ScratchFolder;

TEST(RawImage, TriplesBecomeFrameBufferWordsInRowOrder)
{
    const std::vector<std::byte> bytes = {std::byte{0x12}, std::byte{0x34}, std::byte{0x56},
                                          std::byte{0xFF}, std::byte{0x00}, std::byte{0x80}};
    std::vector<Pixel> pixels(2);
    ASSERT_TRUE(decodeRawImage(bytes, pixels));
    EXPECT_EQ(pixels[0], 0x00123456u);
    EXPECT_EQ(pixels[1], 0x00FF0080u);
    EXPECT_EQ(encodeRawImage(pixels), bytes);

    std::vector<Pixel> three(3, 7);
    EXPECT_FALSE(decodeRawImage(bytes, three));
    EXPECT_EQ(three, std::vector<Pixel>(3, 7));
}

TEST(RawImage, ReadsTheTableSizeAndRejectsShortEntries)
{
    ScratchFolder folder;
    const std::string path = folder.path("lib.dat");
    auto library = DataLibrary::createLibrary(path, 0);
    ASSERT_TRUE(library.ok());
    const PictureAsset picture{"pic.raw", 3, 2};
    library->addEntry("pic.raw", testing::patternBytes(picture.byteSize() + 5));
    library->addEntry("short.raw", testing::patternBytes(picture.byteSize() - 1));

    const auto pixels = readRawImage(*library, picture);
    ASSERT_TRUE(pixels.ok()) << pixels.error();
    ASSERT_EQ(pixels->size(), 6u);
    EXPECT_EQ((*pixels)[1], 0x00901396u);  // bytes 3, 4, 5 of the pattern

    std::vector<Pixel> untouched(6, 0x00ABCDEF);
    const auto cut = readRawImage(*library, {"short.raw", 3, 2}, untouched);
    ASSERT_FALSE(cut.ok());
    EXPECT_EQ(cut.error(), path + ": entry \"short.raw\" holds 17 bytes, a 3 x 2 picture needs 18");
    EXPECT_EQ(untouched, std::vector<Pixel>(6, 0x00ABCDEF));

    EXPECT_FALSE(readRawImage(*library, {"absent.raw", 3, 2}).ok());
    EXPECT_FALSE(readRawImage(*library, {"pic.raw", 3, 2}, std::span<Pixel>(untouched).first(5)).ok());
}

}  // namespace
}  // namespace data
