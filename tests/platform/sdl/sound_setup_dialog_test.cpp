// The sound setup dialogs' real widgets, driven directly. Runs under Xvfb;
// without a display every test skips.

// GoogleTest comes before FLTK, whose X11 headers define None and Bool.
#include <gtest/gtest.h>

#include "platform/dialog.h"
#include "platform/sdl/sound_setup_dialog.h"
#include "sound/setup/sound_setup.h"
#include "tests/gui_capture.h"

#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Input_Choice.H>
#include <FL/Fl_Int_Input.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Window.H>


namespace {

using corvid::Option;
using corvid::OptionValues;
using platform::sdl::CustomQualityDialog;
using platform::sdl::SoundSetupDialog;

class SoundSetupDialogTest : public gui_test::WindowTest {
protected:
    void setRate(int32_t rate, int32_t interpolation)
    {
        options.set(static_cast<int32_t>(Option::mixingRate), rate);
        options.set(static_cast<int32_t>(Option::mixingMode), interpolation);
    }

    // The dialog as showSoundSetup runs it: opened on the options and the
    // device choice, clicks decided by the sound library, OK accepted by it.
    std::unique_ptr<SoundSetupDialog> open(corvid::CustomQualityRunner runCustom = {})
    {
        form = corvid::openSoundSetupForm(options, device);
        return std::make_unique<SoundSetupDialog>(form, corvid::soundSetupTitle,
                                                  [runCustom](platform::SoundSetupForm& f, int id) {
                                                      corvid::clickQuality(f, id, runCustom);
                                                  });
    }
    void acceptIfOk(const SoundSetupDialog& dialog)
    {
        if (dialog.ended() && dialog.result())
            corvid::acceptSoundSetupForm(form, options, device);
    }

    OptionValues options;
    corvid::DeviceChoice device;
    platform::SoundSetupForm form;
};

// Clicks a radio button as the viewer would: it becomes the checked one.
void click(Fl_Round_Button& button)
{
    button.setonly();
    button.do_callback();
}

TEST_F(SoundSetupDialogTest, OpensOnTheMatchingPresetOrOnCustom)
{
    setRate(44100, 1);
    const auto opened = open();
    SoundSetupDialog& dialog = *opened;
    EXPECT_EQ(dialog.qualityButton(1005).value(), 1);
    EXPECT_EQ(dialog.qualityButton(1006).value(), 0);
    EXPECT_STREQ(dialog.cardList().text(), "Default");
    EXPECT_STREQ(dialog.bufferLengthField().value(), "500");
    EXPECT_EQ(dialog.stereoButton().value(), 1);
    dialog.window().show();
    gui_test::saveForReview(gui_test::drawWindow(dialog.window()), "sound_setup");

    setRate(27429, 1);
    const auto custom = open();
    EXPECT_EQ(custom->qualityButton(1006).value(), 1);
    EXPECT_EQ(custom->qualityButton(1005).value(), 0);
}

TEST_F(SoundSetupDialogTest, OkStoresThePresetNoSoundAndKeepsALengthTypedAsZero)
{
    const auto opened = open();
    SoundSetupDialog& dialog = *opened;
    click(dialog.qualityButton(1002));
    dialog.cardList().value(0);  // "No Sound"
    dialog.bufferLengthField().value("0");
    dialog.directSoundBufferField().value("300");
    dialog.stereoButton().value(0);
    dialog.neverUseDirectSoundButton().value(1);
    dialog.okButton().do_callback();
    EXPECT_TRUE(dialog.ended());
    EXPECT_TRUE(dialog.result());
    acceptIfOk(dialog);
    EXPECT_EQ(options.get(Option::mixingRate), 32000);
    EXPECT_EQ(options.get(Option::mixingMode), 0);
    EXPECT_EQ(options.get(Option::outputMode), 9);
    EXPECT_EQ(options.get(Option::bufferLength), 500);
    EXPECT_EQ(options.get(Option::directSoundBufferLength), 300);
    EXPECT_EQ(device.deviceIndex, corvid::silentDeviceIndex);
    EXPECT_TRUE(device.neverUseDirectSound);
}

TEST_F(SoundSetupDialogTest, CustomOpensOnEachClickAndCancelDiscardsWhatItChose)
{
    int customRuns = 0;
    const auto opened = open([&](corvid::PendingQuality& pending) {
        ++customRuns;
        pending = {37800, 0};
        return true;
    });
    SoundSetupDialog& dialog = *opened;
    click(dialog.qualityButton(1006));
    click(dialog.qualityButton(1006));  // already checked: opens again
    EXPECT_EQ(customRuns, 2);
    EXPECT_EQ(dialog.pending().rate, 37800);
    dialog.cancelButton().do_callback();
    EXPECT_FALSE(dialog.result());
    acceptIfOk(dialog);
    EXPECT_EQ(options.get(Option::mixingRate), 44100);
    EXPECT_EQ(device.deviceIndex, corvid::detectDeviceIndex);
}

TEST_F(SoundSetupDialogTest, TheCustomDialogAcceptsATypedRateAndItsCancelChangesNothing)
{
    corvid::PendingQuality pending{27429, 0};
    platform::CustomQualityForm form = corvid::openCustomQualityForm(pending);
    CustomQualityDialog dialog(form, corvid::customQualityTitle);
    EXPECT_STREQ(dialog.rateList().value(), "27429");
    EXPECT_EQ(dialog.mixingButton(platform::CustomMixing::normal).value(), 1);
    dialog.window().show();
    gui_test::saveForReview(gui_test::drawWindow(dialog.window()), "custom_quality");
    dialog.rateList().value("30000");
    dialog.mixingButton(platform::CustomMixing::interpolating).setonly();
    dialog.okButton().do_callback();
    corvid::acceptCustomQualityForm(form, pending);
    EXPECT_EQ(pending.rate, 30000);
    EXPECT_EQ(pending.interpolation, 1);

    platform::CustomQualityForm secondForm = corvid::openCustomQualityForm(pending);
    CustomQualityDialog second(secondForm, corvid::customQualityTitle);
    EXPECT_STREQ(second.rateList().value(), "30000");
    EXPECT_EQ(second.mixingButton(platform::CustomMixing::interpolating).value(), 1);
    second.rateList().value("8000");
    second.cancelButton().do_callback();
    EXPECT_FALSE(second.result());
    EXPECT_EQ(pending.rate, 30000);
}

TEST_F(SoundSetupDialogTest, BandLimitedMixingChosenInTheCustomDialogIsStoredAndReopensThere)
{
    const auto opened = open([](corvid::PendingQuality& pending) {
        platform::CustomQualityForm form = corvid::openCustomQualityForm(pending);
        CustomQualityDialog custom(form, corvid::customQualityTitle);
        EXPECT_EQ(custom.mixingButton(platform::CustomMixing::bandLimited).value(), 0);
        custom.mixingButton(platform::CustomMixing::bandLimited).setonly();
        custom.okButton().do_callback();
        corvid::acceptCustomQualityForm(form, pending);
        return true;
    });
    click(opened->qualityButton(1006));
    opened->okButton().do_callback();
    acceptIfOk(*opened);
    EXPECT_EQ(options.get(Option::outputMode), 10 | MUSIC_OUTPUT_SINC_MIXING);

    const auto reopened = open();
    EXPECT_EQ(reopened->qualityButton(1006).value(), 1);
    platform::CustomQualityForm form = corvid::openCustomQualityForm(reopened->pending());
    CustomQualityDialog custom(form, corvid::customQualityTitle);
    EXPECT_EQ(custom.mixingButton(platform::CustomMixing::bandLimited).value(), 1);
    EXPECT_EQ(custom.mixingButton(platform::CustomMixing::interpolating).value(), 0);
}

}  // namespace
