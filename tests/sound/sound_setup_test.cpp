#include "sound/setup/sound_setup.h"

#include <gtest/gtest.h>

namespace {

using corvid::Option;
using corvid::OptionValues;

OptionValues optionsWith(int32_t rate, int32_t interpolation, int32_t outputMode = 10)
{
    OptionValues options;
    options.set(static_cast<int32_t>(Option::mixingRate), rate);
    options.set(static_cast<int32_t>(Option::mixingMode), interpolation);
    options.set(static_cast<int32_t>(Option::outputMode), outputMode);
    return options;
}

TEST(SoundSetupForm, OpensOnThePresetMatchingRateAndInterpolationElseOnCustom)
{
    const corvid::DeviceChoice device;
    EXPECT_EQ(corvid::openSoundSetupForm(optionsWith(44100, 1), device).checkedQuality, 1005);
    EXPECT_EQ(corvid::openSoundSetupForm(optionsWith(32000, 0), device).checkedQuality, 1002);
    EXPECT_EQ(corvid::openSoundSetupForm(optionsWith(22050, 1), device).checkedQuality, corvid::customQualityId);
    const auto custom = corvid::openSoundSetupForm(optionsWith(27429, 0), device);
    EXPECT_EQ(custom.checkedQuality, corvid::customQualityId);
    EXPECT_EQ(custom.pending.rate, 27429);
    EXPECT_EQ(custom.card, corvid::SoundCard::automatic);
}

TEST(SoundSetupForm, StereoForModeZeroOrTheStereoBitAndTheBufferLengthsAsText)
{
    const corvid::DeviceChoice device{corvid::detectDeviceIndex, true};
    EXPECT_TRUE(corvid::openSoundSetupForm(optionsWith(44100, 0, 0), device).stereo);
    EXPECT_TRUE(corvid::openSoundSetupForm(optionsWith(44100, 0, 2), device).stereo);
    const auto mono = corvid::openSoundSetupForm(optionsWith(44100, 0, 9), device);
    EXPECT_FALSE(mono.stereo);
    EXPECT_EQ(mono.bufferLength, "500");
    EXPECT_EQ(mono.directSoundBufferLength, "100");
    EXPECT_TRUE(mono.neverUseDirectSound);
}

TEST(SoundSetupForm, OkStoresPendingQualityModeBuffersAndDevice)
{
    OptionValues options = optionsWith(27429, 0);
    corvid::DeviceChoice device;
    auto form = corvid::openSoundSetupForm(options, device);
    corvid::chooseQuality(form, 1004);
    form.stereo = false;
    form.bufferLength = "0";                // a 0 keeps the old length
    form.directSoundBufferLength = "250";
    form.card = corvid::SoundCard::noSound;
    form.neverUseDirectSound = true;
    corvid::acceptSoundSetupForm(form, options, device);
    EXPECT_EQ(options.get(Option::mixingRate), 32000);
    EXPECT_EQ(options.get(Option::mixingMode), 1);
    EXPECT_EQ(options.get(Option::outputMode), 9);
    EXPECT_EQ(options.get(Option::bufferLength), 500);
    EXPECT_EQ(options.get(Option::directSoundBufferLength), 250);
    EXPECT_EQ(device.deviceIndex, corvid::silentDeviceIndex);
    EXPECT_TRUE(device.neverUseDirectSound);

    form.card = corvid::SoundCard::automatic;
    form.stereo = true;
    form.bufferLength = "abc";
    corvid::acceptSoundSetupForm(form, options, device);
    EXPECT_EQ(device.deviceIndex, corvid::detectDeviceIndex);
    EXPECT_EQ(options.get(Option::outputMode), 10);
    EXPECT_EQ(options.get(Option::bufferLength), 500);
}

TEST(CustomQualityForm, SelectsAListedRateOrShowsTheOtherAndAcceptsATypedOne)
{
    const auto listed = corvid::openCustomQualityForm({27429, 1});
    EXPECT_EQ(listed.selectedRate, 4u);
    EXPECT_EQ(listed.mixing, corvid::CustomMixing::interpolating);
    const auto other = corvid::openCustomQualityForm({30000, 0});
    EXPECT_EQ(other.selectedRate, std::nullopt);
    EXPECT_EQ(other.rateText, "30000");
    EXPECT_EQ(other.mixing, corvid::CustomMixing::normal);

    corvid::PendingQuality pending{44100, 1};
    corvid::acceptCustomQualityForm({corvid::CustomMixing::normal, std::nullopt, "30000"}, pending);
    EXPECT_EQ(pending.rate, 30000);
    EXPECT_EQ(pending.interpolation, 0);
    corvid::acceptCustomQualityForm({corvid::CustomMixing::interpolating, std::nullopt, "fast"}, pending);
    EXPECT_EQ(pending.rate, 30000);
    EXPECT_EQ(pending.interpolation, 1);
}

TEST(CustomQualityForm, BandLimitedMixingIsTheOutputModesSincBitAndOnlyCustomShowsIt)
{
    const corvid::DeviceChoice device;
    // 44100 Hz interpolating is "Very High", but not with the sinc bit.
    auto form = corvid::openSoundSetupForm(optionsWith(44100, 1, 10 | MUSIC_OUTPUT_SINC_MIXING), device);
    EXPECT_EQ(form.checkedQuality, corvid::customQualityId);
    EXPECT_TRUE(form.pending.bandLimited);
    EXPECT_TRUE(form.stereo);
    EXPECT_TRUE(corvid::openSoundSetupForm(optionsWith(44100, 0, MUSIC_OUTPUT_SINC_MIXING), device).stereo);
    EXPECT_EQ(corvid::openCustomQualityForm(form.pending).mixing, corvid::CustomMixing::bandLimited);

    OptionValues options = optionsWith(22050, 0);
    corvid::DeviceChoice chosen;
    corvid::acceptCustomQualityForm({corvid::CustomMixing::bandLimited, std::nullopt, "44100"}, form.pending);
    form.stereo = false;
    corvid::acceptSoundSetupForm(form, options, chosen);
    EXPECT_EQ(options.get(Option::outputMode), 9 | MUSIC_OUTPUT_SINC_MIXING);
    EXPECT_EQ(options.get(Option::mixingMode), 1) << "interpolating where the sinc bit is not known";

    corvid::chooseQuality(form, 1005);  // a preset leaves band-limited mixing
    corvid::acceptSoundSetupForm(form, options, chosen);
    EXPECT_EQ(options.get(Option::outputMode), 9);
}

TEST(FieldNumber, LeadingDigitsOfTheFirst31CharactersAndOnlyPositiveValues)
{
    EXPECT_EQ(corvid::fieldNumber("250"), 250);
    EXPECT_EQ(corvid::fieldNumber("  250ms"), 250);
    EXPECT_EQ(corvid::fieldNumber("0"), std::nullopt);
    EXPECT_EQ(corvid::fieldNumber(""), std::nullopt);
    EXPECT_EQ(corvid::fieldNumber("x1"), std::nullopt);
    // A negative rate or length would reach the device; the field keeps its value instead.
    EXPECT_EQ(corvid::fieldNumber("-5"), std::nullopt);
    EXPECT_EQ(corvid::fieldNumber("2147483647"), 2147483647);
    EXPECT_EQ(corvid::fieldNumber("2147483648"), std::nullopt);
    EXPECT_EQ(corvid::fieldNumber(std::string(30, '0') + "7"), 7);
    EXPECT_EQ(corvid::fieldNumber(std::string(31, '0') + "7"), std::nullopt);  // past the 31 characters read
}

}  // namespace
