#include "host/setup_choices.h"

#include "display/screen_modes.h"
#include "host/resources.h"
#include "sound/include/corvid.h"

#include <algorithm>
#include <cctype>

namespace host {

namespace {

char foldCase(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool lessIgnoringCase(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return foldCase(x) < foldCase(y); });
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char x, char y) { return foldCase(x) == foldCase(y); });
}

bool usableMode(const platform::VideoModeDesc& mode)
{
    const bool usableBits = mode.bits == 16 || mode.bits == 24 || mode.bits == 32;
    const bool usableSize = (mode.width == 320 && (mode.height == 200 || mode.height == 240)) ||
                            (mode.width == 512 && mode.height == 384) ||
                            (mode.width == 640 && (mode.height == 400 || mode.height == 480));
    return usableBits && usableSize;
}

constexpr const char* interlacedSuffix = " interlaced";

}  // namespace

void ModeList::addSorted(std::string entry)
{
    const auto place = std::upper_bound(entries_.begin(), entries_.end(), entry, lessIgnoringCase);
    entries_.insert(place, std::move(entry));
}

std::optional<std::size_t> ModeList::findByPrefix(std::size_t after, std::string_view prefix) const
{
    const std::size_t count = entries_.size();
    for (std::size_t step = 1; step <= count; ++step) {
        const std::size_t index = (after + step) % count;
        if (startsWithIgnoringCase(entries_[index], prefix))
            return index;
    }
    return std::nullopt;
}

void fillModeList(ModeList& list, const platform::VideoModeDesc& mode)
{
    if (!usableMode(mode))
        return;
    const std::string name = display::screenModeName(mode.width, mode.height, mode.bits);
    list.addSorted(name);
    if (mode.width == 640)
        list.addSorted(name + interlacedSuffix);
}

std::vector<std::string> preselectionNames(int screenMode, bool interlaced)
{
    const auto mode = display::screenModeByIndex(screenMode);
    if (!mode)
        return {};
    std::string name = display::screenModeName(mode->width, mode->height, mode->bits);
    if (mode->bits == 32 && mode->width != 640)
        return {display::screenModeName(mode->width, mode->height, 24), name};
    if (mode->width == 640 && interlaced)
        name += interlacedSuffix;
    return {name};
}

std::optional<std::size_t> preselectedEntry(const ModeList& list, const DemoConfig& config)
{
    if (list.empty())
        return std::nullopt;
    // Every search starts after the first entry, whatever is selected.
    std::size_t selected = 0;
    for (const std::string& name : preselectionNames(config.screenMode, config.interlaced != 0)) {
        if (const auto found = list.findByPrefix(0, name))
            selected = *found;
    }
    return selected;
}

void applyChosenMode(std::string_view chosen, DemoConfig& config)
{
    const auto choice = display::modeChoiceByName(chosen);
    if (!choice)
        return;
    config.screenMode = static_cast<std::uint8_t>(choice->screenMode);
    if (choice->interlaced)
        config.interlaced = 1;
}

std::vector<std::string> bannerLines()
{
    return {std::string("ZEV DemoSystem v1.0 (W32), ported to ") + platform::setupBannerPlatform,
            "Sound: CORVID Audio System v" CORVID_VERSION_TEXT, ""};
}

namespace {

platform::RgbPicture pictureOf(const ResourceImage& image) { return {image.width, image.height, image.rgb}; }

}  // namespace

platform::SetupWindowContent setupWindowContent(const DemoConfig& config, const MmxChoice& mmx,
                                                const std::vector<platform::VideoModeDesc>& driverModes)
{
    ModeList modes;
    for (const auto& mode : driverModes)
        fillModeList(modes, mode);
    platform::SetupWindowContent content;
    content.title = showTitle;
    content.modeEntries = modes.entries();
    content.selectedMode = preselectedEntry(modes, config);
    content.mmxAvailable = mmx.mmxAvailable;
    content.useMmx = mmx.useMmx && mmx.mmxAvailable;
    content.progressLines = bannerLines();
    content.picture = pictureOf(demoBitmap);
    content.icon = pictureOf(demoIcon);
    content.soundSetup = [] { showSoundSetup(); };
    return content;
}

void applySetupResult(const platform::SetupResult& result, DemoConfig& config, MmxChoice& mmx)
{
    if (result.outcome != platform::SetupOutcome::start)
        return;
    mmx.useMmx = result.useMmx && mmx.mmxAvailable;
    if (result.chosenMode)
        applyChosenMode(*result.chosenMode, config);
}

}  // namespace host
