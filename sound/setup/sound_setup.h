#pragma once
// What the sound setup dialog decides, as plain values and functions, so that
// it can be checked without a display: the presets, how the dialog opens from
// the options, what a preset or the custom dialog changes, and what OK stores.
// The FLTK dialogs (setup_dialog.cpp) only move these values to and from
// their controls.

#include "sound/core/options.h"
#include "sound/include/corvid.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvid {

struct QualityPreset {
    int id;            // the radio button's id
    const char* text;
    int32_t rate;      // Hz
    int32_t interpolation;
};

inline constexpr std::array<QualityPreset, 5> qualityPresets{{
    {1001, "V&ery Low (smallest CPU usage)", 22050, 0},
    {1002, "&Low", 32000, 0},
    {1003, "&Medium", 44100, 0},
    {1004, "&High", 32000, 1},
    {1005, "&Very High (largest CPU usage)", 44100, 1},
}};
inline constexpr int customQualityId = 1006;

// The custom dialog's mixing rates, in list order.
inline constexpr std::array<int32_t, 8> customRates{8000, 11025, 16000, 22050, 27429, 32000, 37800, 44100};

// The card list's entries; OK turns them into a device index.
enum class SoundCard { noSound = 0, automatic = 1 };
inline constexpr int32_t silentDeviceIndex = 2;
inline constexpr int32_t detectDeviceIndex = -1;

// The rate and interpolation chosen so far; only OK in the main dialog
// stores them.
struct PendingQuality {
    int32_t rate = 0;
    int32_t interpolation = 0;
};

// The main dialog's controls.
struct SoundSetupForm {
    SoundCard card = SoundCard::automatic;
    int checkedQuality = customQualityId;  // id of the checked quality button
    bool stereo = false;
    std::string bufferLength;              // ms, as typed
    std::string directSoundBufferLength;   // ms, as typed
    bool neverUseDirectSound = false;
    PendingQuality pending;
};

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

// The custom dialog's controls.
struct CustomQualityForm {
    bool interpolating = false;
    std::optional<std::size_t> selectedRate;  // index into customRates
    std::string rateText;                     // the combo box's text
};

CustomQualityForm openCustomQualityForm(const PendingQuality& pending);
void acceptCustomQualityForm(const CustomQualityForm& form, PendingQuality& pending);

// The number a field holds: its first 31 characters read as a decimal
// number. Nothing for 0, for text that is not a number, and for negative or
// out-of-range values, which the fields keep their previous value for.
std::optional<int32_t> fieldNumber(std::string_view text);

// The dialogs' window titles.
inline constexpr const char* soundSetupTitle = "CORVID Audio System v" CORVID_VERSION_TEXT " Setup";
inline constexpr const char* customQualityTitle = "CORVID Custom Sound Quality";

}  // namespace corvid
