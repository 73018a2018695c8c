#include "sound/setup/setup_dialog.h"

#include "sound/devices/direct_sound_device.h"
#include "sound/include/corvid_devices.h"

#include "platform/dialog.h"
#include "platform/dialog_widgets.h"
#include "sound/core/library.h"
#include "sound/setup/saved_settings.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Input_Choice.H>
#include <FL/Fl_Int_Input.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Window.H>

#include <string>

namespace corvid {

namespace {

// The 8-point dialog font: 6 × 13 pixel base units. Its type is narrower
// than the desktop's sans serif, which fits the same boxes at 10 pixels.
constexpr int baseUnitX = 6;
constexpr int baseUnitY = 13;
constexpr int dialogTextSize = 10;
// A closed drop-down list is one line of text high, whatever its template
// height (which includes the dropped list).
constexpr int closedListHeight = 21;

template <class Widget>
Widget* place(int x, int y, int w, int h, const char* text = nullptr)
{
    auto* widget = new Widget(dialogUnitsToPixelsX(x), dialogUnitsToPixelsY(y), dialogUnitsToPixelsX(w),
                              dialogUnitsToPixelsY(h), text);
    widget->labelsize(dialogTextSize);
    return widget;
}

platform::DialogText* placeText(int x, int y, int w, int h, const char* text, bool rightAligned)
{
    auto* label = place<platform::DialogText>(x, y, w, h, text);
    label->align(FL_ALIGN_INSIDE | FL_ALIGN_TOP | (rightAligned ? FL_ALIGN_RIGHT : FL_ALIGN_LEFT));
    return label;
}

Fl_Round_Button* placeRadio(int x, int y, int w, int h, const char* text)
{
    auto* button = place<Fl_Round_Button>(x, y, w, h, text);
    button->type(FL_RADIO_BUTTON);
    return button;
}

}  // namespace

int dialogUnitsToPixelsX(int units) { return (units * baseUnitX + 2) / 4; }
int dialogUnitsToPixelsY(int units) { return (units * baseUnitY + 4) / 8; }

ModalDialog::~ModalDialog() = default;

void ModalDialog::createWindow(int widthUnits, int heightUnits, const char* title)
{
    window_ = std::make_unique<Fl_Window>(dialogUnitsToPixelsX(widthUnits), dialogUnitsToPixelsY(heightUnits), title);
    window_->callback(onCancel, this);
}

void ModalDialog::createOkCancel(int x, int y)
{
    ok_ = place<Fl_Return_Button>(x, y, 50, 14, "OK");
    ok_->callback(onOk, this);
    cancel_ = place<Fl_Button>(x, y + 18, 50, 14, "Cancel");
    cancel_->callback(onCancel, this);
}

void ModalDialog::end(bool result)
{
    ended_ = true;
    result_ = result;
    window_->hide();
}

void ModalDialog::onOk(Fl_Widget*, void* self)
{
    auto& dialog = *static_cast<ModalDialog*>(self);
    dialog.accept();
    dialog.end(true);
}

void ModalDialog::onCancel(Fl_Widget*, void* self) { static_cast<ModalDialog*>(self)->end(false); }

bool ModalDialog::runModal()
{
    window_->set_modal();
    window_->show();
    while (!ended_ && window_->shown())
        Fl::wait();
    return ended_ && result_;
}

CustomQualityDialog::CustomQualityDialog(PendingQuality& pending) : pending_(pending)
{
    createWindow(176, 77, customQualityTitle);
    rate_ = place<Fl_Input_Choice>(52, 8, 60, 44);
    rate_->size(rate_->w(), closedListHeight);
    rate_->textsize(dialogTextSize);
    normal_ = placeRadio(12, 40, 77, 10, "Normal (low quality)");
    interpolating_ = placeRadio(12, 52, 96, 10, "Interpolating (high quality)");
    createOkCancel(120, 4);
    placeText(4, 8, 44, 8, "Mixing Rate:", true);
    place<platform::GroupFrame>(8, 28, 104, 40, "Mixing Mode");
    window().end();

    const CustomQualityForm form = openCustomQualityForm(pending_);
    (form.interpolating ? interpolating_ : normal_)->setonly();
    for (const int32_t rate : customRates)
        rate_->add(std::to_string(rate).c_str());
    if (form.selectedRate)
        rate_->value(static_cast<int>(*form.selectedRate));
    else
        rate_->value(form.rateText.c_str());
}

void CustomQualityDialog::accept()
{
    CustomQualityForm form;
    form.interpolating = interpolating_->value() != 0;
    form.rateText = rate_->value();
    acceptCustomQualityForm(form, pending_);
}

bool runCustomQualityDialog(PendingQuality& pending)
{
    CustomQualityDialog dialog(pending);
    return dialog.runModal();
}

SoundSetupDialog::SoundSetupDialog(OptionValues& options, DeviceChoice& device, CustomQualityRunner runCustom)
    : options_(options), device_(device), runCustom_(std::move(runCustom)), form_(openSoundSetupForm(options, device))
{
    createWindow(256, 137, soundSetupTitle);
    card_ = place<Fl_Choice>(48, 8, 80, 44);
    card_->size(card_->w(), closedListHeight);
    card_->textsize(dialogTextSize);
    for (std::size_t i = 0; i < qualityPresets.size(); ++i)
        quality_[i] = placeRadio(8, 40 + 12 * static_cast<int>(i), 116, 10, qualityPresets[i].text);
    quality_[5] = placeRadio(8, 100, 116, 10, "&Custom...");
    for (auto* button : quality_) {
        button->callback(onQuality, this);
        // A click on the checked button counts too: it reopens the custom dialog.
        button->when(FL_WHEN_RELEASE_ALWAYS);
    }
    stereo_ = place<Fl_Check_Button>(8, 116, 40, 10, "&Stereo");
    neverUseDirectSound_ = place<Fl_Check_Button>(136, 80, 91, 10, "&Never Use DirectSound");
    bufferLength_ = place<Fl_Int_Input>(204, 96, 28, 12);
    directSoundBuffer_ = place<Fl_Int_Input>(204, 112, 28, 12);
    bufferLength_->textsize(dialogTextSize);
    directSoundBuffer_->textsize(dialogTextSize);
    createOkCancel(200, 4);
    place<platform::GroupFrame>(4, 28, 124, 104, "Sound Quality");
    placeText(0, 8, 44, 8, "S&ound Card:", true);
    placeText(136, 96, 64, 8, "&Buffer Length:", true);
    placeText(236, 96, 12, 8, "ms", false);
    placeText(136, 112, 64, 8, "&DirectSound Buffer:", true);
    placeText(236, 112, 12, 8, "ms", false);
    place<platform::GroupFrame>(132, 68, 120, 64, "Advanced");
    window().end();

    card_->add("No Sound");
    card_->add("Default");
    card_->value(static_cast<int>(SoundCard::automatic));
    qualityButton(form_.checkedQuality).setonly();
    stereo_->value(form_.stereo ? 1 : 0);
    bufferLength_->value(form_.bufferLength.c_str());
    directSoundBuffer_->value(form_.directSoundBufferLength.c_str());
    neverUseDirectSound_->value(form_.neverUseDirectSound ? 1 : 0);
}

Fl_Round_Button& SoundSetupDialog::qualityButton(int id)
{
    const int index = id - qualityPresets.front().id;
    return *quality_.at(static_cast<std::size_t>(index));
}

void SoundSetupDialog::onQuality(Fl_Widget* widget, void* self)
{
    auto& dialog = *static_cast<SoundSetupDialog*>(self);
    for (std::size_t i = 0; i < dialog.quality_.size(); ++i) {
        if (dialog.quality_[i] != widget)
            continue;
        const int id = qualityPresets.front().id + static_cast<int>(i);
        chooseQuality(dialog.form_, id);
        if (id == customQualityId && dialog.quality_[i]->value() != 0 && dialog.runCustom_)
            dialog.runCustom_(dialog.form_.pending);
    }
}

void SoundSetupDialog::accept()
{
    form_.card = card_->value() == 0 ? SoundCard::noSound : SoundCard::automatic;
    form_.stereo = stereo_->value() != 0;
    form_.bufferLength = bufferLength_->value();
    form_.directSoundBufferLength = directSoundBuffer_->value();
    form_.neverUseDirectSound = neverUseDirectSound_->value() != 0;
    acceptSoundSetupForm(form_, options_, device_);
}

}  // namespace corvid

extern "C" int showSoundSetup(void)
{
    auto& state = corvid::soundSetupState();
    state.failed = false;
    if (!platform::openDialogDisplay()) {
        state.failed = true;
        return 0;
    }
    corvid::SoundSetupDialog dialog(corvid::libraryCore().options, state.device);
    if (!dialog.runModal())
        return 0;
    // The card chosen here is the one MusicInit opens.
    corvid::selectDevice(state.device.deviceIndex);
    corvid::directSoundDeviceState().neverUse = state.device.neverUseDirectSound;
    return 1;
}
