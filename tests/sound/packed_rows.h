#pragma once
// Reads the player's packed pattern form back into entries, for checking
// what a loader converted.

#include <cstdint>
#include <vector>

#include "sound/loaders/module.h"

namespace corvid::testing {

struct UnpackedEntry {
    uint8_t channel = 0;
    uint8_t note = noteNone;
    uint8_t instrument = instrumentNone;
    int32_t volume = -1;   // -1 = no volume byte
    Command command = Command::none;
    uint8_t argument = 0;
};

inline std::vector<UnpackedEntry> rowEntries(const Pattern& pattern, uint32_t row)
{
    size_t at = 0;
    std::vector<UnpackedEntry> entries;
    for (uint32_t r = 0; at < pattern.rows.size(); ++r) {
        while (at < pattern.rows.size() && pattern.rows[at] != 0) {
            const uint8_t flags = pattern.rows[at++];
            UnpackedEntry e;
            e.channel = flags & entryChannelMask;
            if (flags & entryNoteAndInstrument) {
                e.note = pattern.rows.at(at++);
                e.instrument = pattern.rows.at(at++);
            }
            if (flags & entryVolume)
                e.volume = pattern.rows.at(at++);
            if (flags & entryCommand) {
                e.command = static_cast<Command>(pattern.rows.at(at++));
                e.argument = pattern.rows.at(at++);
            }
            if (r == row)
                entries.push_back(e);
        }
        ++at;
        if (r == row)
            break;
    }
    return entries;
}

}  // namespace corvid::testing
