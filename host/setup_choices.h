#pragma once
// What the setup window decides, kept apart from the widgets so that it can
// be checked without a display: which of the driver's modes the list offers
// and in which order, which entry starts selected, and what the chosen entry
// means for the configuration.

#include "host/demo_config.h"
#include "platform/setup_window.h"
#include "platform/video.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// The entries of a sorted drop-down list. Entries stay in alphabetical order
// whatever order they are added in, as the list control sorts them.
class ModeList {
public:
    void addSorted(std::string entry);

    // The list's select-by-text rule: the first entry, looking from the one
    // after `after` on and wrapping round to `after` itself, whose text begins
    // with `prefix`, compared without regard to case.
    std::optional<std::size_t> findByPrefix(std::size_t after, std::string_view prefix) const;

    const std::vector<std::string>& entries() const { return entries_; }
    bool empty() const { return entries_.empty(); }

private:
    std::vector<std::string> entries_;
};

// Adds one mode the driver offers, if the show can use it with its 320 × 200
// frame; the 640-wide modes come with their " interlaced" variants.
void fillModeList(ModeList& list, const platform::VideoModeDesc& mode);

// The names tried, in order, to preselect the configured mode: the 32-bit
// modes 4, 7 and 10 try the 24-bit name first, so that it stays selected when
// the 32-bit one is not offered.
std::vector<std::string> preselectionNames(int screenMode, bool interlaced);

// The entry that starts selected: the first one, then each preselection name
// in turn through the select-by-text rule; nothing for an empty list.
std::optional<std::size_t> preselectedEntry(const ModeList& list, const DemoConfig& config);

// Writes the chosen entry into the configuration; an entry that is not one of
// the mode names (or no entry at all) leaves the configured mode alone.
void applyChosenMode(std::string_view chosen, DemoConfig& config);

// The first lines of the progress list: the framework banner, the sound
// library with its version, and an empty line.
std::vector<std::string> bannerLines();

// What the setup window shows: the show's title, the usable driver modes with
// the configured one preselected, the MMX switch, the banner, the program's
// picture and icon. "Audio Config" opens the sound library's setup dialog.
platform::SetupWindowContent setupWindowContent(const DemoConfig& config, const MmxChoice& mmx,
                                                const std::vector<platform::VideoModeDesc>& driverModes);

// Writes what the viewer chose on "GO!" into the configuration and the MMX
// choice; other outcomes change nothing.
void applySetupResult(const platform::SetupResult& result, DemoConfig& config, MmxChoice& mmx);

}  // namespace host
