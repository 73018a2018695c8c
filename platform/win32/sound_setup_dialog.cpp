// The sound setup dialog and its custom quality dialog as dialog templates
// built in memory, run modally with DialogBoxIndirectParam.
#include "platform/sound_setup_dialog.h"

#include <windows.h>

#include <string>
#include <vector>

namespace platform {

namespace {

enum class DialogClass : WORD { button = 0x0080, edit = 0x0081, staticText = 0x0082, comboBox = 0x0085 };

// A dialog template in memory: the header (with its font, as the set-font
// style asks), then one item per control, each aligned to a 32-bit boundary.
// Texts are UTF-16; class names are the system's predefined atoms.
class DialogTemplate {
public:
    DialogTemplate(DWORD style, short x, short y, short width, short height, const char* title, WORD pointSize,
                   const char* font)
    {
        putDword(style);
        putDword(0);           // extended style
        words_.push_back(0);   // item count, counted by add()
        putBox(x, y, width, height);
        words_.push_back(0);   // no menu
        words_.push_back(0);   // the standard dialog class
        putText(title);
        words_.push_back(pointSize);
        putText(font);
    }

    void add(int id, DialogClass type, const char* text, short x, short y, short width, short height, DWORD style)
    {
        if (words_.size() % 2 != 0)
            words_.push_back(0);
        putDword(style);
        putDword(0);
        putBox(x, y, width, height);
        words_.push_back(static_cast<WORD>(id));
        words_.push_back(0xFFFF);
        words_.push_back(static_cast<WORD>(type));
        putText(text);
        words_.push_back(0);  // no creation data
        ++words_[itemCountWord];
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    static constexpr std::size_t itemCountWord = 4;

    void putDword(DWORD value)
    {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void putBox(short x, short y, short width, short height)
    {
        for (const short value : {x, y, width, height})
            words_.push_back(static_cast<WORD>(value));
    }
    // The dialog texts are ASCII.
    void putText(const char* text)
    {
        for (; *text != '\0'; ++text)
            words_.push_back(static_cast<unsigned char>(*text));
        words_.push_back(0);
    }

    std::vector<WORD> words_;  // WORD-aligned; the vector's storage is aligned for DWORDs
};

// Posted to the main dialog when "&Custom..." is clicked while checked, so
// that its own dialog opens once the click has been handled.
constexpr UINT customQualityMessage = 6978;
constexpr WPARAM customQualityWord = 17;
constexpr LPARAM customQualityLong = 42;

constexpr int cardListId = 1011;
constexpr int stereoId = 1008;
constexpr int neverUseDirectSoundId = 1026;
constexpr int bufferLengthId = 1015;
constexpr int directSoundBufferId = 1017;
constexpr int customRateListId = 1019;
constexpr int normalMixingId = 1022;
constexpr int interpolatingMixingId = 1023;
constexpr int bandLimitedMixingId = 1025;
// Both edit fields and the rate box are read up to 31 characters.
constexpr int fieldCharacters = 31;

constexpr DWORD dialogStyle = 0x80C800C4;  // pop-up, caption, system menu, modal frame, set-font, 3-D look

DialogTemplate soundSetupTemplate()
{
    DialogTemplate t(dialogStyle, 0, 0, 256, 137, "CORVID Audio System Setup", 8, "MS Sans Serif");
    t.add(cardListId, DialogClass::comboBox, "", 48, 8, 80, 44, 0x50210003);
    for (std::size_t i = 0; i < qualityButtons.size(); ++i) {
        const bool custom = qualityButtons[i].id == customQualityId;
        t.add(qualityButtons[i].id, DialogClass::button, qualityButtons[i].text, 8, static_cast<short>(40 + 12 * i), 116,
              10, custom ? 0x50010009 : 0x50000009);
    }
    t.add(stereoId, DialogClass::button, "&Stereo", 8, 116, 40, 10, 0x50010003);
    t.add(neverUseDirectSoundId, DialogClass::button, "&Never Use DirectSound", 136, 80, 91, 10, 0x50010003);
    t.add(bufferLengthId, DialogClass::edit, "", 204, 96, 28, 12, 0x50812080);
    t.add(directSoundBufferId, DialogClass::edit, "", 204, 112, 28, 12, 0x50812080);
    t.add(IDOK, DialogClass::button, "OK", 200, 4, 50, 14, 0x50010001);
    t.add(IDCANCEL, DialogClass::button, "Cancel", 200, 22, 50, 14, 0x50010000);
    t.add(-1, DialogClass::button, "Sound Quality", 4, 28, 124, 104, 0x50030007);
    t.add(1013, DialogClass::staticText, "S&ound Card:", 0, 8, 44, 8, 0x50020002);
    t.add(1014, DialogClass::staticText, "&Buffer Length:", 136, 96, 64, 8, 0x50020002);
    t.add(1016, DialogClass::staticText, "ms", 236, 96, 12, 8, 0x50020000);
    t.add(1018, DialogClass::staticText, "&DirectSound Buffer:", 136, 112, 64, 8, 0x50020002);
    t.add(1019, DialogClass::staticText, "ms", 236, 112, 12, 8, 0x50020000);
    t.add(1024, DialogClass::button, "Advanced", 132, 68, 120, 64, 0x50000007);
    return t;
}

DialogTemplate customQualityTemplate()
{
    DialogTemplate t(dialogStyle, 0, 0, 176, 89, "CORVID Custom Sound Quality", 8, "MS Sans Serif");
    t.add(customRateListId, DialogClass::comboBox, "", 52, 8, 60, 44, 0x50210002);
    t.add(normalMixingId, DialogClass::button, "Normal (low quality)", 12, 40, 77, 10, 0x50000009);
    t.add(interpolatingMixingId, DialogClass::button, "Interpolating (high quality)", 12, 52, 96, 10, 0x50000009);
    t.add(bandLimitedMixingId, DialogClass::button, "Band-limited (best quality)", 12, 64, 96, 10, 0x50000009);
    t.add(IDOK, DialogClass::button, "OK", 120, 4, 50, 14, 0x50010001);
    t.add(IDCANCEL, DialogClass::button, "Cancel", 120, 22, 50, 14, 0x50010000);
    t.add(1020, DialogClass::staticText, "Mixing Rate:", 4, 8, 44, 8, 0x50020002);
    t.add(1021, DialogClass::button, "Mixing Mode", 8, 28, 104, 52, 0x50000007);
    return t;
}

std::string fieldText(HWND dialog, int id)
{
    char text[fieldCharacters + 1] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void checkQuality(HWND dialog, int id)
{
    CheckRadioButton(dialog, qualityButtons.front().id, qualityButtons.back().id, id);
}

struct SoundSetupContext {
    SoundSetupForm& form;
    const std::string& title;
    const QualityClicked& qualityClicked;
};

void openSoundSetup(HWND dialog, const SoundSetupContext& context)
{
    const SoundSetupForm& form = context.form;
    SetWindowTextA(dialog, context.title.c_str());
    const HWND cards = GetDlgItem(dialog, cardListId);
    SendMessageA(cards, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("No Sound"));
    SendMessageA(cards, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Default"));
    SendMessageA(cards, CB_SETCURSEL, form.card == SoundCard::noSound ? 0 : 1, 0);
    checkQuality(dialog, form.checkedQuality);
    CheckDlgButton(dialog, stereoId, form.stereo ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemTextA(dialog, bufferLengthId, form.bufferLength.c_str());
    SetDlgItemTextA(dialog, directSoundBufferId, form.directSoundBufferLength.c_str());
    CheckDlgButton(dialog, neverUseDirectSoundId, form.neverUseDirectSound ? BST_CHECKED : BST_UNCHECKED);
}

void acceptSoundSetup(HWND dialog, SoundSetupForm& form)
{
    form.card = SendDlgItemMessageA(dialog, cardListId, CB_GETCURSEL, 0, 0) == 0 ? SoundCard::noSound
                                                                                   : SoundCard::automatic;
    form.stereo = IsDlgButtonChecked(dialog, stereoId) == BST_CHECKED;
    form.bufferLength = fieldText(dialog, bufferLengthId);
    form.directSoundBufferLength = fieldText(dialog, directSoundBufferId);
    form.neverUseDirectSound = IsDlgButtonChecked(dialog, neverUseDirectSoundId) == BST_CHECKED;
}

// A quality button's click goes to the caller; its answer decides which
// button stays checked.
void clickQuality(HWND dialog, SoundSetupContext& context, int id)
{
    context.qualityClicked(context.form, id);
    checkQuality(dialog, context.form.checkedQuality);
}

INT_PTR CALLBACK soundSetupProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* context = reinterpret_cast<SoundSetupContext*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        openSoundSetup(dialog, *reinterpret_cast<SoundSetupContext*>(lParam));
        return TRUE;
    case customQualityMessage:
        if (wParam == customQualityWord && lParam == customQualityLong)
            clickQuality(dialog, *context, customQualityId);
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (HIWORD(wParam) != BN_CLICKED)
            return FALSE;
        if (id == IDOK) {
            acceptSoundSetup(dialog, context->form);
            EndDialog(dialog, 1);
        } else if (id == IDCANCEL) {
            EndDialog(dialog, 0);
        } else if (id == customQualityId) {
            if (IsDlgButtonChecked(dialog, id) == BST_CHECKED &&
                !PostMessageA(dialog, customQualityMessage, customQualityWord, customQualityLong))
                EndDialog(dialog, -1);
        } else if (id >= qualityButtons.front().id && id < customQualityId) {
            clickQuality(dialog, *context, id);
        }
        return TRUE;
    }
    default:
        return FALSE;
    }
}

int mixingButtonId(CustomMixing mixing)
{
    switch (mixing) {
    case CustomMixing::interpolating: return interpolatingMixingId;
    case CustomMixing::bandLimited: return bandLimitedMixingId;
    case CustomMixing::normal: break;
    }
    return normalMixingId;
}

void openCustomQuality(HWND dialog, const CustomQualityForm& form)
{
    CheckRadioButton(dialog, normalMixingId, bandLimitedMixingId, mixingButtonId(form.mixing));
    const HWND rates = GetDlgItem(dialog, customRateListId);
    for (const std::int32_t rate : customRates)
        SendMessageA(rates, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(rate).c_str()));
    if (form.selectedRate)
        SendMessageA(rates, CB_SETCURSEL, *form.selectedRate, 0);
    else
        SetWindowTextA(rates, form.rateText.c_str());
}

void acceptCustomQuality(HWND dialog, CustomQualityForm& form)
{
    for (const CustomMixing mixing : {CustomMixing::normal, CustomMixing::interpolating, CustomMixing::bandLimited})
        if (IsDlgButtonChecked(dialog, mixingButtonId(mixing)) == BST_CHECKED)
            form.mixing = mixing;
    form.rateText = fieldText(dialog, customRateListId);
    const LRESULT selected = SendDlgItemMessageA(dialog, customRateListId, CB_GETCURSEL, 0, 0);
    if (selected >= 0 && static_cast<std::size_t>(selected) < customRates.size() &&
        form.rateText == std::to_string(customRates[static_cast<std::size_t>(selected)]))
        form.selectedRate = static_cast<std::size_t>(selected);
    else
        form.selectedRate.reset();
}

struct CustomQualityContext {
    CustomQualityForm& form;
    const std::string& title;
};

INT_PTR CALLBACK customQualityProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* context = reinterpret_cast<CustomQualityContext*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        context = reinterpret_cast<CustomQualityContext*>(lParam);
        openCustomQuality(dialog, context->form);
        SetWindowTextA(dialog, context->title.c_str());
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED)
            return FALSE;
        if (LOWORD(wParam) == IDOK) {
            acceptCustomQuality(dialog, context->form);
            EndDialog(dialog, 1);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

DialogResult resultOf(INT_PTR answer)
{
    if (answer == 1)
        return DialogResult::ok;
    return answer == 0 ? DialogResult::cancelled : DialogResult::unavailable;
}

}  // namespace

// Only OK reads the controls into the form; clicks on the quality buttons
// change it through the caller at once.
DialogResult runSoundSetupDialog(SoundSetupForm& form, const std::string& title, const QualityClicked& qualityClicked)
{
    SoundSetupContext context{form, title, qualityClicked};
    const DialogTemplate dialog = soundSetupTemplate();
    return resultOf(DialogBoxIndirectParamA(GetModuleHandleA(nullptr), dialog.get(), nullptr, soundSetupProcedure,
                                            reinterpret_cast<LPARAM>(&context)));
}

DialogResult runCustomQualityDialog(CustomQualityForm& form, const std::string& title)
{
    CustomQualityContext context{form, title};
    const DialogTemplate dialog = customQualityTemplate();
    // Owned by the dialog that opened it.
    return resultOf(DialogBoxIndirectParamA(GetModuleHandleA(nullptr), dialog.get(), GetActiveWindow(),
                                            customQualityProcedure, reinterpret_cast<LPARAM>(&context)));
}

}  // namespace platform
