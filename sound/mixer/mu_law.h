#pragma once
// G.711 mu-law: 16-bit linear samples to 8-bit codes and back. Codes are
// stored inverted, as on the wire; the decoded range is -32124..32124.

#include <cstdint>

namespace corvid {

uint8_t muLawEncode(int16_t sample);
int16_t muLawDecode(uint8_t code);

}  // namespace corvid
