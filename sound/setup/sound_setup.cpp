#include "sound/setup/sound_setup.h"

#include <limits>

namespace corvid {

namespace {

constexpr int32_t stereoBit = 2;
constexpr int32_t stereo16Bit = 10;
constexpr int32_t mono16Bit = 9;
constexpr std::size_t fieldCharacters = 31;

}  // namespace

std::optional<int32_t> fieldNumber(std::string_view text)
{
    text = text.substr(0, fieldCharacters);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    int64_t value = 0;
    std::size_t digits = 0;
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
        value = value * 10 + (text[digits] - '0');
        if (value > std::numeric_limits<int32_t>::max())
            return std::nullopt;
    }
    if (digits == 0 || value == 0)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

SoundSetupForm openSoundSetupForm(const OptionValues& options, const DeviceChoice& device)
{
    SoundSetupForm form;
    const int32_t outputMode = options.get(Option::outputMode);
    const int32_t format = outputMode & ~MUSIC_OUTPUT_SINC_MIXING;  // 0: the device's default, stereo
    form.stereo = format == 0 || (format & stereoBit) != 0;
    form.pending.rate = options.get(Option::mixingRate);
    form.pending.interpolation = options.get(Option::mixingMode) != 0 ? 1 : 0;
    form.pending.bandLimited = (outputMode & MUSIC_OUTPUT_SINC_MIXING) != 0;
    for (const QualityPreset& preset : qualityPresets) {
        if (preset.rate == form.pending.rate && preset.interpolation == form.pending.interpolation &&
            !form.pending.bandLimited)
            form.checkedQuality = preset.id;
    }
    form.bufferLength = std::to_string(options.get(Option::bufferLength));
    form.directSoundBufferLength = std::to_string(options.get(Option::directSoundBufferLength));
    form.neverUseDirectSound = device.neverUseDirectSound;
    return form;
}

void chooseQuality(SoundSetupForm& form, int id)
{
    form.checkedQuality = id;
    for (const QualityPreset& preset : qualityPresets) {
        if (preset.id == id)
            form.pending = {preset.rate, preset.interpolation};
    }
}

void acceptSoundSetupForm(const SoundSetupForm& form, OptionValues& options, DeviceChoice& device)
{
    options.set(static_cast<int32_t>(Option::mixingRate), form.pending.rate);
    options.set(static_cast<int32_t>(Option::mixingMode), form.pending.interpolation);
    options.set(static_cast<int32_t>(Option::outputMode), (form.stereo ? stereo16Bit : mono16Bit) |
                                                             (form.pending.bandLimited ? MUSIC_OUTPUT_SINC_MIXING : 0));
    if (const auto length = fieldNumber(form.bufferLength))
        options.set(static_cast<int32_t>(Option::bufferLength), *length);
    if (const auto length = fieldNumber(form.directSoundBufferLength))
        options.set(static_cast<int32_t>(Option::directSoundBufferLength), *length);
    device.deviceIndex = form.card == SoundCard::noSound ? silentDeviceIndex : detectDeviceIndex;
    device.neverUseDirectSound = form.neverUseDirectSound;
}

CustomQualityForm openCustomQualityForm(const PendingQuality& pending)
{
    CustomQualityForm form;
    if (pending.bandLimited)
        form.mixing = CustomMixing::bandLimited;
    else if (pending.interpolation != 0)
        form.mixing = CustomMixing::interpolating;
    for (std::size_t i = 0; i < customRates.size(); ++i) {
        if (customRates[i] == pending.rate)
            form.selectedRate = i;
    }
    form.rateText = std::to_string(pending.rate);
    return form;
}

void acceptCustomQualityForm(const CustomQualityForm& form, PendingQuality& pending)
{
    // Band-limited mixing keeps interpolation on too: it is what a library
    // that does not know the output mode's sinc bit plays instead.
    pending.bandLimited = form.mixing == CustomMixing::bandLimited;
    pending.interpolation = form.mixing == CustomMixing::normal ? 0 : 1;
    if (const auto rate = fieldNumber(form.rateText))
        pending.rate = *rate;
}

bool runCustomQualityDialog(PendingQuality& pending)
{
    CustomQualityForm form = openCustomQualityForm(pending);
    if (platform::runCustomQualityDialog(form, customQualityTitle) != platform::DialogResult::ok)
        return false;
    acceptCustomQualityForm(form, pending);
    return true;
}

void clickQuality(SoundSetupForm& form, int id, const CustomQualityRunner& runCustom)
{
    chooseQuality(form, id);
    if (id == customQualityId && runCustom)
        runCustom(form.pending);
}

}  // namespace corvid
