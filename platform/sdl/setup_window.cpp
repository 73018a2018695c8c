#include "platform/sdl/setup_window.h"

#include "platform/dialog.h"
#include "platform/termination.h"
#include "platform/sdl/dialog_widgets.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Toggle_Button.H>
#include <FL/Fl_Window.H>

#include <cstdlib>

namespace platform::sdl {

// The progress list: no selection, a vertical scroll bar that is always shown
// and stays disabled until the lines overflow the list.
class ProgressList : public Fl_Browser {
public:
    ProgressList(int x, int y, int w, int h) : Fl_Browser(x, y, w, h)
    {
        type(FL_NORMAL_BROWSER);
        box(FL_DOWN_BOX);
        has_scrollbar(VERTICAL_ALWAYS);
        updateScrollbar();
    }

    // The browser reads formatting codes from an '@' at the start of a line;
    // "@." shows the rest as it is.
    void addLine(std::string_view line)
    {
        std::string shown(line.starts_with('@') ? plainTextCode : "");
        shown += line;
        add(shown.c_str());
        updateScrollbar();
    }

    std::string lineText(int line) const
    {
        const std::string_view text = Fl_Browser::text(line);
        return std::string(text.starts_with(plainTextCode) ? text.substr(2) : text);
    }

    bool scrollbarNeeded()
    {
        int x, y, w, h;
        bbox(x, y, w, h);
        return full_height() > h;
    }

private:
    static constexpr std::string_view plainTextCode = "@.";

    void updateScrollbar()
    {
        if (scrollbarNeeded())
            scrollbar.activate();
        else
            scrollbar.deactivate();
    }
};

namespace {

struct ControlRect {
    int x, y, w, h;
};

// Client coordinates. The bitmap control sizes itself to its picture plus its
// sunken edge (204 × 68), and the closed mode list is one line high; the rest
// is as the window lays out its controls.
constexpr ControlRect frameRect{2, 0, 278, 76};
constexpr ControlRect modeListRect{6, 14, 180, 24};
constexpr ControlRect mmxRect{188, 14, 88, 24};
constexpr ControlRect audioConfigRect{6, 43, 270, 28};
constexpr ControlRect pictureRect{282, 8, 204, 68};
constexpr ControlRect startRect{488, 8, setupClientWidth - 490, 68};
constexpr ControlRect progressRect{2, 80, setupClientWidth - 4, setupClientHeight - 82};

std::unique_ptr<Fl_RGB_Image> makeImage(const RgbPicture& picture)
{
    return std::make_unique<Fl_RGB_Image>(picture.rgb, picture.width, picture.height, 3);
}

// The one setup window of the run, kept for the progress lines.
struct SetupWindowState {
    std::unique_ptr<SetupWindow> window;
};

SetupWindowState setupWindowState;

}  // namespace

SetupWindow::SetupWindow(const SetupWindowContent& content)
    : soundSetup_(content.soundSetup), useMmx_(content.useMmx), icon_(makeImage(content.icon)),
      pictureImage_(makeImage(content.picture))
{
    window_ = std::make_unique<Fl_Window>(Fl::w() / 2 - 300, Fl::h() / 2 - 150, setupClientWidth, setupClientHeight);
    window_->copy_label(content.title.c_str());
    window_->xclass("ZEVDEMOCFG");
    window_->icon(icon_.get());
    window_->callback(onClose, this);

    new GroupFrame(frameRect.x, frameRect.y, frameRect.w, frameRect.h);
    modeList_ = new Fl_Choice(modeListRect.x, modeListRect.y, modeListRect.w, modeListRect.h);
    mmxSwitch_ = new Fl_Toggle_Button(mmxRect.x, mmxRect.y, mmxRect.w, mmxRect.h, "Use MMX");
    mmxSwitch_->callback(onMmx, this);
    audioConfig_ = new Fl_Button(audioConfigRect.x, audioConfigRect.y, audioConfigRect.w, audioConfigRect.h, "Audio Config");
    audioConfig_->callback(onAudioConfig, this);
    picture_ = new Fl_Box(FL_DOWN_FRAME, pictureRect.x, pictureRect.y, pictureRect.w, pictureRect.h, nullptr);
    picture_->image(pictureImage_.get());
    picture_->align(FL_ALIGN_INSIDE | FL_ALIGN_CENTER);
    start_ = new Fl_Return_Button(startRect.x, startRect.y, startRect.w, startRect.h, "GO!");
    start_->callback(onStart, this);
    progress_ = new ProgressList(progressRect.x, progressRect.y, progressRect.w, progressRect.h);
    window_->end();

    if (!content.mmxAvailable)
        mmxSwitch_->deactivate();
    if (useMmx_)
        mmxSwitch_->value(1);

    for (const std::string& line : content.progressLines)
        progress_->addLine(line);

    for (const std::string& entry : content.modeEntries)
        modeList_->add(entry.c_str());
    if (content.selectedMode)
        modeList_->value(static_cast<int>(*content.selectedMode));

    window_->show();
}

// The window (declared after the pictures) goes before the pictures it shows.
SetupWindow::~SetupWindow() = default;

SetupResult SetupWindow::run()
{
    while (!startRequested_ && !closeRequested_) {
        // A termination request interrupts the wait; it counts as a close.
        Fl::wait(0.25);
        closeRequested_ = closeRequested_ || terminationRequested();
    }
    SetupResult result;
    if (closeRequested_) {
        result.outcome = SetupOutcome::closed;
        return result;
    }
    result.outcome = SetupOutcome::start;
    result.useMmx = useMmx_;
    if (modeList_->value() >= 0)
        result.chosenMode = modeList_->text();
    return result;
}

void SetupWindow::hide()
{
    window_->hide();
    Fl::flush();
}

void SetupWindow::addProgressLine(std::string_view line)
{
    progress_->addLine(line);
    // Nothing pumps events while the show loads, so the list is drawn here.
    progress_->redraw();
    Fl::flush();
}

Fl_Browser& SetupWindow::progressList() { return *progress_; }

std::vector<std::string> SetupWindow::progressLines() const
{
    std::vector<std::string> lines;
    for (int line = 1; line <= progress_->size(); ++line)
        lines.push_back(progress_->lineText(line));
    return lines;
}

void SetupWindow::onClose(Fl_Widget*, void* self)
{
    // FLTK also reports Escape as a close; the window ignores that key.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape)
        return;
    auto& window = *static_cast<SetupWindow*>(self);
    if (window.startRequested_)
        std::exit(0);
    window.closeRequested_ = true;
}

void SetupWindow::onStart(Fl_Widget*, void* self) { static_cast<SetupWindow*>(self)->startRequested_ = true; }

void SetupWindow::onAudioConfig(Fl_Widget*, void* self)
{
    auto& window = *static_cast<SetupWindow*>(self);
    if (window.soundSetup_)
        window.soundSetup_();
}

void SetupWindow::onMmx(Fl_Widget*, void* self)
{
    auto& window = *static_cast<SetupWindow*>(self);
    window.useMmx_ = window.mmxSwitch_->value() != 0;
}

}  // namespace platform::sdl

namespace platform {

const char* const setupBannerPlatform = "Linux with SDL2 and FLTK";

SetupResult runSetupWindow(const SetupWindowContent& content)
{
    if (!openDialogDisplay())
        return {};
    auto& state = sdl::setupWindowState;
    state.window = std::make_unique<sdl::SetupWindow>(content);
    return state.window->run();
}

void hideSetupWindow()
{
    if (sdl::setupWindowState.window)
        sdl::setupWindowState.window->hide();
}

bool addSetupProgressLine(std::string_view line)
{
    auto& state = sdl::setupWindowState;
    if (!state.window)
        return false;
    state.window->addProgressLine(line);
    return true;
}

}  // namespace platform
