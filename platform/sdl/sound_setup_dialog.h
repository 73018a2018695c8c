#pragma once
// The sound setup dialog and its custom quality dialog in FLTK, laid out in
// dialog units of the 8-point dialog font (a unit is a quarter of 6 pixels
// across and an eighth of 13 pixels down). runSoundSetupDialog and
// runCustomQualityDialog (platform/sound_setup_dialog.h) run them modally;
// tests build them and press their buttons directly.

#include "platform/sound_setup_dialog.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

class Fl_Button;
class Fl_Check_Button;
class Fl_Choice;
class Fl_Input_Choice;
class Fl_Int_Input;
class Fl_Round_Button;
class Fl_Widget;
class Fl_Window;

namespace platform::sdl {

int dialogUnitsToPixelsX(int units);
int dialogUnitsToPixelsY(int units);

// Ends with true (OK) or false (Cancel, close box).
class ModalDialog {
public:
    virtual ~ModalDialog();
    bool runModal();
    Fl_Window& window() { return *window_; }
    Fl_Button& okButton() { return *ok_; }
    Fl_Button& cancelButton() { return *cancel_; }
    bool ended() const { return ended_; }
    bool result() const { return result_; }

protected:
    void createWindow(int widthUnits, int heightUnits, const std::string& title);
    void createOkCancel(int x, int y);  // OK at (x, y), Cancel 18 units below, in dialog units
    virtual void accept() = 0;          // OK: move the controls' values out
    void end(bool result);

private:
    static void onOk(Fl_Widget*, void* self);
    static void onCancel(Fl_Widget*, void* self);

    std::unique_ptr<Fl_Window> window_;
    Fl_Button* ok_ = nullptr;
    Fl_Button* cancel_ = nullptr;
    bool ended_ = false;
    bool result_ = false;
};

class CustomQualityDialog : public ModalDialog {
public:
    // Opens on the form; OK writes the controls' values back.
    CustomQualityDialog(CustomQualityForm& form, const std::string& title);
    Fl_Input_Choice& rateList() { return *rate_; }
    Fl_Round_Button& mixingButton(CustomMixing mixing) { return *mixing_.at(static_cast<std::size_t>(mixing)); }

private:
    void accept() override;

    CustomQualityForm& form_;
    Fl_Input_Choice* rate_ = nullptr;
    std::array<Fl_Round_Button*, 3> mixing_{};  // in CustomMixing order
};

class SoundSetupDialog : public ModalDialog {
public:
    // Opens on the form; OK writes the controls' values back.
    SoundSetupDialog(SoundSetupForm& form, const std::string& title, QualityClicked qualityClicked);

    Fl_Choice& cardList() { return *card_; }
    Fl_Round_Button& qualityButton(int id);  // 1001..1006
    Fl_Check_Button& stereoButton() { return *stereo_; }
    Fl_Check_Button& neverUseDirectSoundButton() { return *neverUseDirectSound_; }
    Fl_Int_Input& bufferLengthField() { return *bufferLength_; }
    Fl_Int_Input& directSoundBufferField() { return *directSoundBuffer_; }
    const PendingQuality& pending() const { return form_.pending; }

private:
    void accept() override;
    static void onQuality(Fl_Widget*, void* self);

    SoundSetupForm& form_;
    QualityClicked qualityClicked_;
    Fl_Choice* card_ = nullptr;
    std::array<Fl_Round_Button*, 6> quality_{};
    Fl_Check_Button* stereo_ = nullptr;
    Fl_Check_Button* neverUseDirectSound_ = nullptr;
    Fl_Int_Input* bufferLength_ = nullptr;
    Fl_Int_Input* directSoundBuffer_ = nullptr;
};

}  // namespace platform::sdl
