#pragma once
// The sound library's setup dialog and its custom quality dialog: the values
// their controls hold and the texts the platforms show. The sound library
// decides what the values mean (sound/setup/sound_setup.h); each platform
// builds the controls at their places and runs the dialogs modally.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace platform {

// The quality radio buttons, in order, with their ids.
struct QualityButton {
    int id;
    const char* text;
};
inline constexpr std::array<QualityButton, 6> qualityButtons{{
    {1001, "V&ery Low (smallest CPU usage)"},
    {1002, "&Low"},
    {1003, "&Medium"},
    {1004, "&High"},
    {1005, "&Very High (largest CPU usage)"},
    {1006, "&Custom..."},
}};
inline constexpr int customQualityId = 1006;

// The custom dialog's mixing rates, in list order.
inline constexpr std::array<std::int32_t, 8> customRates{8000, 11025, 16000, 22050, 27429, 32000, 37800, 44100};

// The card list's entries, in order.
enum class SoundCard { noSound = 0, automatic = 1 };

// The rate and interpolation chosen so far; only OK in the main dialog
// stores them. Band-limited mixing is chosen in the custom dialog only.
struct PendingQuality {
    std::int32_t rate = 0;
    std::int32_t interpolation = 0;
    bool bandLimited = false;
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

// The custom dialog's mixing modes, in button order.
enum class CustomMixing { normal, interpolating, bandLimited };

// The custom dialog's controls.
struct CustomQualityForm {
    CustomMixing mixing = CustomMixing::normal;
    std::optional<std::size_t> selectedRate;  // index into customRates
    std::string rateText;                     // the combo box's text
};

enum class DialogResult { ok, cancelled, unavailable };

// Called when a quality button is clicked and is checked afterwards (also
// when it already was); it may change the form's checked button and pending
// quality, as "Custom..." does through its own dialog.
using QualityClicked = std::function<void(SoundSetupForm& form, int id)>;

// Runs the sound setup dialog modally over the form. On OK the form holds
// the controls' values; on Cancel or the close box it is left as it was
// opened, but for what qualityClicked changed. unavailable: no display.
DialogResult runSoundSetupDialog(SoundSetupForm& form, const std::string& title, const QualityClicked& qualityClicked);

// Runs the custom quality dialog modally; on OK the form holds its values.
DialogResult runCustomQualityDialog(CustomQualityForm& form, const std::string& title);

}  // namespace platform
