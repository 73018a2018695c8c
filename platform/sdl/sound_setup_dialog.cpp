#include "platform/sdl/sound_setup_dialog.h"

#include "platform/dialog.h"
#include "platform/sdl/dialog_widgets.h"

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

namespace platform::sdl {

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

DialogText* placeText(int x, int y, int w, int h, const char* text, bool rightAligned)
{
    auto* label = place<DialogText>(x, y, w, h, text);
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

void ModalDialog::createWindow(int widthUnits, int heightUnits, const std::string& title)
{
    window_ = std::make_unique<Fl_Window>(dialogUnitsToPixelsX(widthUnits), dialogUnitsToPixelsY(heightUnits));
    window_->copy_label(title.c_str());
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

CustomQualityDialog::CustomQualityDialog(CustomQualityForm& form, const std::string& title) : form_(form)
{
    createWindow(176, 89, title);
    rate_ = place<Fl_Input_Choice>(52, 8, 60, 44);
    rate_->size(rate_->w(), closedListHeight);
    rate_->textsize(dialogTextSize);
    mixing_ = {placeRadio(12, 40, 77, 10, "Normal (low quality)"),
               placeRadio(12, 52, 96, 10, "Interpolating (high quality)"),
               placeRadio(12, 64, 96, 10, "Band-limited (best quality)")};
    createOkCancel(120, 4);
    placeText(4, 8, 44, 8, "Mixing Rate:", true);
    place<GroupFrame>(8, 28, 104, 52, "Mixing Mode");
    window().end();

    mixingButton(form_.mixing).setonly();
    for (const std::int32_t rate : customRates)
        rate_->add(std::to_string(rate).c_str());
    if (form_.selectedRate)
        rate_->value(static_cast<int>(*form_.selectedRate));
    else
        rate_->value(form_.rateText.c_str());
}

void CustomQualityDialog::accept()
{
    for (const CustomMixing mixing : {CustomMixing::normal, CustomMixing::interpolating, CustomMixing::bandLimited}) {
        if (mixingButton(mixing).value() != 0)
            form_.mixing = mixing;
    }
    form_.selectedRate.reset();
    form_.rateText = rate_->value();
}

SoundSetupDialog::SoundSetupDialog(SoundSetupForm& form, const std::string& title, QualityClicked qualityClicked)
    : form_(form), qualityClicked_(std::move(qualityClicked))
{
    createWindow(256, 137, title);
    card_ = place<Fl_Choice>(48, 8, 80, 44);
    card_->size(card_->w(), closedListHeight);
    card_->textsize(dialogTextSize);
    for (std::size_t i = 0; i < qualityButtons.size(); ++i)
        quality_[i] = placeRadio(8, 40 + 12 * static_cast<int>(i), 116, 10, qualityButtons[i].text);
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
    place<GroupFrame>(4, 28, 124, 104, "Sound Quality");
    placeText(0, 8, 44, 8, "S&ound Card:", true);
    placeText(136, 96, 64, 8, "&Buffer Length:", true);
    placeText(236, 96, 12, 8, "ms", false);
    placeText(136, 112, 64, 8, "&DirectSound Buffer:", true);
    placeText(236, 112, 12, 8, "ms", false);
    place<GroupFrame>(132, 68, 120, 64, "Advanced");
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
    const int index = id - qualityButtons.front().id;
    return *quality_.at(static_cast<std::size_t>(index));
}

void SoundSetupDialog::onQuality(Fl_Widget* widget, void* self)
{
    auto& dialog = *static_cast<SoundSetupDialog*>(self);
    for (std::size_t i = 0; i < dialog.quality_.size(); ++i) {
        if (dialog.quality_[i] != widget)
            continue;
        if (dialog.quality_[i]->value() != 0 && dialog.qualityClicked_)
            dialog.qualityClicked_(dialog.form_, qualityButtons[i].id);
    }
}

void SoundSetupDialog::accept()
{
    form_.card = card_->value() == 0 ? SoundCard::noSound : SoundCard::automatic;
    form_.stereo = stereo_->value() != 0;
    form_.bufferLength = bufferLength_->value();
    form_.directSoundBufferLength = directSoundBuffer_->value();
    form_.neverUseDirectSound = neverUseDirectSound_->value() != 0;
}

}  // namespace platform::sdl

namespace platform {

DialogResult runSoundSetupDialog(SoundSetupForm& form, const std::string& title, const QualityClicked& qualityClicked)
{
    if (!openDialogDisplay())
        return DialogResult::unavailable;
    sdl::SoundSetupDialog dialog(form, title, qualityClicked);
    return dialog.runModal() ? DialogResult::ok : DialogResult::cancelled;
}

DialogResult runCustomQualityDialog(CustomQualityForm& form, const std::string& title)
{
    if (!openDialogDisplay())
        return DialogResult::unavailable;
    sdl::CustomQualityDialog dialog(form, title);
    return dialog.runModal() ? DialogResult::ok : DialogResult::cancelled;
}

}  // namespace platform
