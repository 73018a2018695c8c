// The module player page's engine: the sound library's public calls, plus
// what the page shows about a module (title, format, channels, song length),
// for player.js. The page runs the service pass from its timer; nothing here
// loops or waits.

#include <emscripten.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "sound/include/corvid.h"
#include "sound/include/corvid_devices.h"
#include "sound/loaders/module_loader.h"
#include "web/sound_settings.h"

namespace {

// A short wave-out queue: what is heard stays within about 100 ms of what is mixed.
constexpr int webBufferMs = 90;

struct ModulePlayer {
    bool started = false;
    bool audible = false;  // on the page's sound output, not the silent device
    MusicModule* module = nullptr;
    int handle = 0;
    std::string title;
    std::string format;
    int channels = 0;
    int songLength = 0;
    std::vector<uint32_t> patternRows;
    std::string error;
    MusicStatus status{};
};

ModulePlayer& player()
{
    static ModulePlayer instance;
    return instance;
}

const char* formatName(corvid::ModuleType type)
{
    switch (type) {
    case corvid::ModuleType::mod:
        return "MOD";
    case corvid::ModuleType::s3m:
        return "S3M";
    case corvid::ModuleType::xm:
        return "XM";
    case corvid::ModuleType::it:
        return "IT";
    }
    return "?";
}

int failWith(const std::string& what)
{
    player().error = what + ": " + MusicGetErrorMessage(MusicGetLastError());
    return 0;
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* playerDeviceName()
{
    const corvid::SoundDevice* device = corvid::openDevice();
    return device ? device->name : "";
}

// Stops the play, if any; the module stays loaded.
EMSCRIPTEN_KEEPALIVE void playerStop()
{
    ModulePlayer& p = player();
    if (p.handle != 0)
        MusicStopModule(p.handle);
    p.handle = 0;
    p.status = {};
}

static void forgetModule()
{
    ModulePlayer& p = player();
    playerStop();
    MusicFreeModule(p.module);
    p.module = nullptr;
}

// Starts the sound library on the page's sound output, or on the silent
// device while the browser plays no sound; 1 when sound is heard. Called again
// once the browser lets sound start (after a click), it moves from the silent
// device to the page's output, and the module must be loaded again.
EMSCRIPTEN_KEEPALIVE int playerStart()
{
    ModulePlayer& p = player();
    if (p.started) {
        if (p.audible || platform::waveOutDeviceCount() == 0)
            return p.audible ? 1 : 0;
        forgetModule();
        MusicClose();
        p.started = false;
    }
    MusicStartup();
    MusicSetOption(MUSIC_OPTION_BUFFER_LENGTH, webBufferMs);
    // The sound settings the show's page saves; the player plays on the
    // page's output whatever card they name.
    loadSoundSettingsFromRegistry(SOUND_SETTINGS_CURRENT_USER, web::soundSettingsKey);
    if (MusicGetOption(MUSIC_OPTION_BUFFER_LENGTH) > webBufferMs)
        MusicSetOption(MUSIC_OPTION_BUFFER_LENGTH, webBufferMs);
    p.audible = MusicInit() != 0;
    if (!p.audible) {
        MusicSetOption(MUSIC_OPTION_FORCE_SILENCE, 1);
        if (MusicInit() == 0)
            return failWith("The sound library could not start");
    }
    p.started = true;
    return p.audible ? 1 : 0;
}

// Loads a module file (from the page's file system); 1 on success, else 0
// with the reason in playerError.
EMSCRIPTEN_KEEPALIVE int playerLoad(const char* path)
{
    ModulePlayer& p = player();
    forgetModule();
    MusicModule* module = MusicLoadModule(path);
    if (module == nullptr)
        return failWith("This file cannot be played");
    std::unique_ptr<corvid::Module> described;
    if (corvid::loadModule(path, false, nullptr, nullptr, described) != corvid::ErrorCode::ok) {
        MusicFreeModule(module);
        return failWith("This file cannot be played");
    }
    p.module = module;
    p.title = described->name;
    p.format = formatName(described->type);
    p.channels = described->channelCount;
    p.songLength = static_cast<int>(described->songLength());
    p.patternRows.clear();
    for (const corvid::Pattern& pattern : described->patterns)
        p.patternRows.push_back(pattern.rowCount);
    return 1;
}

EMSCRIPTEN_KEEPALIVE const char* playerError() { return player().error.c_str(); }
EMSCRIPTEN_KEEPALIVE const char* playerTitle() { return player().title.c_str(); }
EMSCRIPTEN_KEEPALIVE const char* playerFormat() { return player().format.c_str(); }
EMSCRIPTEN_KEEPALIVE int playerChannels() { return player().channels; }
EMSCRIPTEN_KEEPALIVE int playerSongLength() { return player().songLength; }

// Rows of a pattern of the loaded module (0 for one it does not have).
EMSCRIPTEN_KEEPALIVE int playerPatternRows(int pattern)
{
    const std::vector<uint32_t>& rows = player().patternRows;
    return pattern >= 0 && static_cast<size_t>(pattern) < rows.size() ? static_cast<int>(rows[pattern]) : 0;
}

// Plays the loaded module from its start, once through.
EMSCRIPTEN_KEEPALIVE int playerPlay()
{
    ModulePlayer& p = player();
    if (p.module == nullptr) {
        p.error = "No module is loaded";
        return 0;
    }
    if (p.handle != 0)
        MusicStopModule(p.handle);
    p.handle = MusicPlayModule(p.module, 0);
    p.status = {};
    return p.handle != 0 ? 1 : failWith("The module cannot be played");
}

// One service pass, then the play's status: the address of position,
// pattern, row, sync value and loop count (five 32-bit values).
EMSCRIPTEN_KEEPALIVE const MusicStatus* playerPoll()
{
    ModulePlayer& p = player();
    MusicPoll();
    if (p.handle != 0)
        MusicGetPlayStatus(p.handle, &p.status);
    return &p.status;
}

}  // extern "C"
