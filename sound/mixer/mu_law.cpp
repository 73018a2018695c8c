#include "sound/mixer/mu_law.h"

namespace corvid {

namespace {
constexpr int32_t bias = 0x84;     // moves every magnitude into the segment table
constexpr int32_t clip = 32635;    // 0x7F7B: the largest magnitude that fits after the bias
}  // namespace

uint8_t muLawEncode(int16_t sample)
{
    int32_t magnitude = sample;
    const uint8_t sign = magnitude < 0 ? 0x80 : 0x00;
    if (magnitude < 0)
        magnitude = -magnitude;  // int32: -32768 is safe
    if (magnitude > clip)
        magnitude = clip;
    magnitude += bias;
    // Segment = position of the highest set bit above bit 7 (0..7).
    int exponent = 7;
    for (int32_t mask = 0x4000; (magnitude & mask) == 0 && exponent > 0; mask >>= 1)
        --exponent;
    const int mantissa = (magnitude >> (exponent + 3)) & 0x0F;
    return static_cast<uint8_t>(~(sign | (exponent << 4) | mantissa));
}

int16_t muLawDecode(uint8_t code)
{
    const int32_t bits = static_cast<uint8_t>(~code);
    const int32_t exponent = (bits >> 4) & 7;
    const int32_t mantissa = bits & 0x0F;
    const int32_t magnitude = (((mantissa << 3) + bias) << exponent) - bias;
    return static_cast<int16_t>((bits & 0x80) ? -magnitude : magnitude);
}

}  // namespace corvid
