#include "platform/cpu.h"

#include <gtest/gtest.h>

namespace {

// "GenuineIntel" as CPUID function 0 returns it: EBX "Genu", EDX "ineI", ECX "ntel".
constexpr unsigned genu = 0x756e6547, inei = 0x49656e69, ntel = 0x6c65746e;

TEST(Cpu, VendorStringIsAssembledInEbxEdxEcxOrder)
{
    EXPECT_EQ(platform::decodeCpuid(genu, inei, ntel, 0).vendor, "GenuineIntel");
}

TEST(Cpu, MmxIsBit23OfTheFeatureWordOnly)
{
    EXPECT_TRUE(platform::decodeCpuid(genu, inei, ntel, 1u << 23).mmx);
    EXPECT_FALSE(platform::decodeCpuid(genu, inei, ntel, ~(1u << 23)).mmx);
}

}  // namespace
