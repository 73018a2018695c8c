#pragma once
// The piece's instruments, synthesized: drums, bass, pad, lead, pluck, bell and
// air. Their numbers are the instrument numbers the score writes (1-based).

#include "tools/composer/xm_writer.h"

#include <cstdint>
#include <vector>

namespace composer {

namespace ins {
inline constexpr std::uint8_t kick = 1;
inline constexpr std::uint8_t snare = 2;
inline constexpr std::uint8_t hats = 3;   // closed hat below F#-4, open hat from F#-4
inline constexpr std::uint8_t crash = 4;
inline constexpr std::uint8_t tom = 5;    // one tom, tuned by the note
inline constexpr std::uint8_t bass = 6;
inline constexpr std::uint8_t pad = 7;
inline constexpr std::uint8_t lead = 8;
inline constexpr std::uint8_t pluck = 9;
inline constexpr std::uint8_t bell = 10;
inline constexpr std::uint8_t air = 11;
inline constexpr int count = 11;
}  // namespace ins

// The notes at which the drum samples sound at their own pitch (XM note values).
inline constexpr std::uint8_t drumNote = 49;      // C-4
inline constexpr std::uint8_t openHatNote = 55;   // F#-4

std::vector<XmInstrument> makeInstruments();

}  // namespace composer
