#pragma once
// What the sound setup dialog decides, as plain values and functions, so that
// it can be checked without a display: the presets, how the dialog opens from
// the options, what a preset or the custom dialog changes, and what OK stores.
// The platform's dialogs (platform/sound_setup_dialog.h) only move these
// values to and from their controls.

#include "platform/sound_setup_dialog.h"
#include "sound/core/options.h"
#include "sound/include/corvid.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace corvid {

using platform::CustomMixing;
using platform::CustomQualityForm;
using platform::customQualityId;
using platform::customRates;
using platform::PendingQuality;
using platform::SoundCard;
using platform::SoundSetupForm;

struct QualityPreset {
    int id;  // the radio button's id
    int32_t rate;  // Hz
    int32_t interpolation;
};

inline constexpr std::array<QualityPreset, 5> qualityPresets{{
    {1001, 22050, 0},
    {1002, 32000, 0},
    {1003, 44100, 0},
    {1004, 32000, 1},
    {1005, 44100, 1},
}};

// OK turns the card list's entry into a device index.
inline constexpr int32_t silentDeviceIndex = 2;
inline constexpr int32_t detectDeviceIndex = -1;

// What OK stores outside the options.
struct DeviceChoice {
    int32_t deviceIndex = detectDeviceIndex;  // 2: the silent device; -1: detect
    bool neverUseDirectSound = false;
};

SoundSetupForm openSoundSetupForm(const OptionValues& options, const DeviceChoice& device);

// A quality button was clicked: a preset's id makes its values pending.
void chooseQuality(SoundSetupForm& form, int id);

// OK: the pending quality, the output mode, the buffer lengths that are
// numbers other than 0, the device and the DirectSound flag.
void acceptSoundSetupForm(const SoundSetupForm& form, OptionValues& options, DeviceChoice& device);

CustomQualityForm openCustomQualityForm(const PendingQuality& pending);
void acceptCustomQualityForm(const CustomQualityForm& form, PendingQuality& pending);

// The number a field holds: its first 31 characters read as a decimal
// number. Nothing for 0, for text that is not a number, and for negative or
// out-of-range values, which the fields keep their previous value for.
std::optional<int32_t> fieldNumber(std::string_view text);

// Runs the custom dialog over the pending quality; false on Cancel.
using CustomQualityRunner = std::function<bool(PendingQuality&)>;
bool runCustomQualityDialog(PendingQuality& pending);

// A quality button was clicked and is checked: a preset's values become
// pending; "Custom..." runs the custom dialog over the pending quality.
void clickQuality(SoundSetupForm& form, int id, const CustomQualityRunner& runCustom = runCustomQualityDialog);

// The dialogs' window titles.
inline constexpr const char* soundSetupTitle = "CORVID Audio System v" CORVID_VERSION_TEXT " Setup";
inline constexpr const char* customQualityTitle = "CORVID Custom Sound Quality";

}  // namespace corvid
