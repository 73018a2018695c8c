// The show page's engine (solvane-show.wasm): what the page's setup form
// offers, the show started from its "GO!", and the passes run from the
// browser's animation frames. The page runs the sound library's service pass
// from its timer (showServiceSound), which keeps going in a hidden tab while
// the animation frames stop; the frame service catches up by skipping.

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <string>
#include <vector>

#include "display/screen_modes.h"
#include "host/setup_choices.h"
#include "host/show.h"
#include "sound/core/library.h"
#include "sound/setup/saved_settings.h"
#include "sound/setup/sound_setup.h"
#include "web/sound_settings.h"
#include "platform/cpu.h"
#include "platform/video.h"

namespace {

// The sound queue is kept this short in the browser, where the page's own
// output adds its latency behind it.
constexpr int webSoundBufferMs = 90;
// Waits this short are spun within an animation frame (the final fade's 1 ms
// steps, the abort's 5 ms volume steps), as long as the frame's time allows.
constexpr double spunWaitMs = 5;
constexpr double spinBudgetMs = 8;

// clang-format off
EM_JS(void, pageShowStatus, (int position, int row), {
    if (Module['onShowStatus'])
        Module['onShowStatus'](position, row);
});
EM_JS(void, pagePassTime, (double ms), {
    if (Module['onPassTime'])
        Module['onPassTime'](ms);
});
EM_JS(void, pageShowEnded, (int exitCode), {
    if (Module['onShowEnded'])
        Module['onShowEnded'](exitCode);
});
// clang-format on

struct ShowPage {
    bool started = false;
    std::string setupJson;
};

ShowPage& page()
{
    static ShowPage instance;
    return instance;
}

void appendJsonString(std::string& out, const std::string& text)
{
    out += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (static_cast<unsigned char>(c) >= 0x20)
            out += c;
    }
    out += '"';
}

void appendJsonList(std::string& out, const std::vector<std::string>& texts)
{
    out += '[';
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0)
            out += ',';
        appendJsonString(out, texts[i]);
    }
    out += ']';
}

std::string jsonBool(bool value) { return value ? "true" : "false"; }

// The sound setup dialog's controls, opened on the saved sound settings (as
// "sound"): the card (0 "No Sound", 1 "Default"), the quality buttons and the
// one checked, stereo, the buffer lengths as text, the DirectSound switch,
// and the custom dialog's mixing mode (0 normal, 1 interpolating, 2
// band-limited), rate and rate list.
void appendSoundSetup(std::string& json)
{
    MusicStartup();
    web::restoreSoundSettings();
    const corvid::DeviceChoice& device = corvid::soundSetupState().device;
    const corvid::SoundSetupForm form = corvid::openSoundSetupForm(corvid::libraryCore().options, device);
    const corvid::CustomQualityForm custom = corvid::openCustomQualityForm(form.pending);
    json += ",\"sound\":{\"title\":";
    appendJsonString(json, corvid::soundSetupTitle);
    json += ",\"card\":" + std::string(device.deviceIndex == corvid::silentDeviceIndex ? "0" : "1");
    json += ",\"qualities\":[";
    for (const platform::QualityButton& button : platform::qualityButtons) {
        json += button.id == platform::qualityButtons.front().id ? "{\"id\":" : ",{\"id\":";
        json += std::to_string(button.id) + ",\"text\":";
        appendJsonString(json, button.text);
        json += '}';
    }
    json += "],\"quality\":" + std::to_string(form.checkedQuality);
    json += ",\"stereo\":" + jsonBool(form.stereo);
    json += ",\"bufferLength\":";
    appendJsonString(json, form.bufferLength);
    json += ",\"directSoundBufferLength\":";
    appendJsonString(json, form.directSoundBufferLength);
    json += ",\"neverUseDirectSound\":" + jsonBool(form.neverUseDirectSound);
    json += ",\"customMixing\":" + std::to_string(static_cast<int>(custom.mixing));
    json += ",\"customRate\":";
    appendJsonString(json, custom.rateText);
    json += ",\"customRates\":[";
    for (std::size_t i = 0; i < platform::customRates.size(); ++i)
        json += (i > 0 ? "," : "") + std::to_string(platform::customRates[i]);
    json += "]}";
}

// Steps the show until it waits for a later frame, lets the page draw
// (between the loading's stages), or ends.
EM_BOOL onAnimationFrame(double, void*)
{
    const host::Turn turn = host::runTurn(host::frameService, host::showStep, spunWaitMs, spinBudgetMs);
    switch (turn.result) {
    case host::StepResult::waiting:
        pagePassTime(turn.busyMs);
        pageShowStatus(host::frameService.musicStatus.position, host::frameService.musicStatus.row);
        return EM_TRUE;
    case host::StepResult::running:
    case host::StepResult::yielding: return EM_TRUE;
    case host::StepResult::finished:
    case host::StepResult::aborted: break;
    }
    pageShowEnded(host::endShow());
    return EM_FALSE;
}

}  // namespace

extern "C" {

// What the setup form offers, as JSON: the title, the mode list with the
// entry that starts selected, the MMX switch, the banner lines, and the
// sound setup dialog's controls as the saved sound settings set them.
EMSCRIPTEN_KEEPALIVE const char* showSetupContent()
{
    host::DemoConfig config{};
    host::MmxChoice mmx{};
    mmx.mmxAvailable = platform::queryCpu().mmx;
    const platform::SetupWindowContent content =
        host::setupWindowContent(config, mmx, platform::VideoDevice().enumerateModes());
    std::string& json = page().setupJson;
    json = "{\"title\":";
    appendJsonString(json, content.title);
    json += ",\"modes\":";
    appendJsonList(json, content.modeEntries);
    json += ",\"selected\":" + std::to_string(content.selectedMode ? static_cast<int>(*content.selectedMode) : -1);
    json += ",\"mmxAvailable\":" + jsonBool(content.mmxAvailable);
    json += ",\"useMmx\":" + jsonBool(content.useMmx);
    json += ",\"banner\":";
    appendJsonList(json, content.progressLines);
    appendSoundSetup(json);
    json += "}";
    return json.c_str();
}

// "GO!": loads the show (the page has put qorv.dat and qorv.xm into the file
// system) and starts its passes on the animation frames. 0 when the show
// was started already (one show per page instance).
EMSCRIPTEN_KEEPALIVE int showStart(const char* modeEntry, int useMmx, int fullscreen)
{
    ShowPage& p = page();
    if (p.started)
        return 0;
    p.started = true;
    host::DemoConfig config{};
    host::applyChosenMode(modeEntry, config);
    host::ShowOptions options;
    options.screenMode = config.screenMode;
    options.interlaced = config.interlaced != 0;
    options.useMmx = useMmx != 0;
    options.windowed = fullscreen == 0;
    options.soundServicedByCaller = true;
    options.soundBufferMs = webSoundBufferMs;
    // The form's sound settings are the setup dialog's, confirmed by "GO!".
    options.chooseSound = [] {
        web::restoreSoundSettings();
        if (showSoundSetup() == 1)
            web::saveSoundSettings();
    };
    host::startShow(options);
    emscripten_request_animation_frame_loop(onAnimationFrame, nullptr);
    return 1;
}

// One service pass of the sound library, from the page's timer.
EMSCRIPTEN_KEEPALIVE void showServiceSound()
{
    if (!page().started)
        return;
    MusicPoll();
}

}  // extern "C"
