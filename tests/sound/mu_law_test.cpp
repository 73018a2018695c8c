#include <gtest/gtest.h>

#include <cstdlib>

#include "sound/mixer/mu_law.h"

namespace corvid {
namespace {

TEST(MuLaw, KnownCodes)
{
    EXPECT_EQ(muLawEncode(0), 0xFF);
    EXPECT_EQ(muLawEncode(32767), 0x80);
    EXPECT_EQ(muLawEncode(-32768), 0x00);
    EXPECT_EQ(muLawDecode(0xFF), 0);
    EXPECT_EQ(muLawDecode(0x80), 32124);
    EXPECT_EQ(muLawDecode(0x00), -32124);
    EXPECT_EQ(muLawEncode(-1), 0x7F) << "small negatives keep their sign";
}

TEST(MuLaw, EveryCodeSurvivesARoundTrip)
{
    for (int code = 0; code < 256; ++code) {
        if (code == 0x7F)
            continue;  // negative zero decodes to 0, which encodes as positive zero
        EXPECT_EQ(muLawEncode(muLawDecode(static_cast<uint8_t>(code))), code) << code;
    }
}

TEST(MuLaw, QuantisationErrorStaysWithinHalfASegmentStep)
{
    for (int value = -32768; value <= 32767; value += 7) {
        const int decoded = muLawDecode(muLawEncode(static_cast<int16_t>(value)));
        const int magnitude = std::abs(value) > 32635 ? 32635 : std::abs(value);
        // Segment e spans 2^(e+3) per step; e grows with the magnitude.
        int exponent = 0;
        while (exponent < 7 && magnitude + 0x84 >= (0x100 << exponent))
            ++exponent;
        const int step = 1 << (exponent + 3);
        const int clipped = value < 0 ? -magnitude : magnitude;
        EXPECT_LE(std::abs(decoded - clipped), step) << value;
        EXPECT_TRUE(decoded == 0 || (decoded < 0) == (value < 0)) << value;
    }
}

}  // namespace
}  // namespace corvid
