#include "host/command_line.h"

#include "display/screen_modes.h"

#include <algorithm>
#include <iterator>

namespace host {

namespace {

struct Flag {
    const char* name;
    bool ShowOptions::*field;
};

constexpr Flag flags[] = {
    {"-h", &ShowOptions::help},
    {"--help", &ShowOptions::help},
    {"--version", &ShowOptions::version},
    {"--list-modes", &ShowOptions::listModes},
    {"--windowed", &ShowOptions::windowed},
    {"--silent", &ShowOptions::silent},
    {"--keep-sound", &ShowOptions::keepSound},
};

// Each stores its value in the options, or says what is wrong with it.
std::string applyMode(const std::string& name, ShowOptions& o)
{
    const auto choice = display::modeChoiceByName(name);
    if (!choice)
        return "unknown screen mode '" + name + "' (--list-modes shows them)";
    o.screenMode = choice->screenMode;
    o.interlaced = choice->interlaced;
    return {};
}

std::string applyCaptureScale(const std::string& scale, ShowOptions& o)
{
    if (scale.size() != 1 || scale[0] < '1' || scale[0] > '8')
        return "--capture-scale needs a whole number from 1 to 8";
    o.captureScale = scale[0] - '0';
    return {};
}

std::string applyCapture(const std::string& path, ShowOptions& o)
{
    if (path.empty())
        return "--capture needs a folder or a .mp4 or .mkv file";
    o.capturePath = path;
    return {};
}

struct ValueOption {
    std::string name;
    std::string (*apply)(const std::string& value, ShowOptions& o);
};

const ValueOption valueOptions[] = {
    {"--mode", applyMode},
    {"--capture-scale", applyCaptureScale},
    {"--capture", applyCapture},
};

}  // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args)
{
    ParsedCommandLine parsed;
    for (std::size_t i = 0; i < args.size() && parsed.error.empty(); ++i) {
        const std::string& arg = args[i];
        const auto flag = std::find_if(std::begin(flags), std::end(flags), [&](const Flag& f) { return arg == f.name; });
        if (flag != std::end(flags)) {
            parsed.options.*flag->field = true;
            continue;
        }
        // Options with a value take it as the next argument or after '='.
        const auto option = std::find_if(std::begin(valueOptions), std::end(valueOptions), [&](const ValueOption& v) {
            return arg == v.name || arg.rfind(v.name + "=", 0) == 0;
        });
        if (option == std::end(valueOptions)) {
            parsed.error = "unknown option '" + arg + "'";
        } else if (arg == option->name && i + 1 == args.size()) {
            parsed.error = option->name + " needs a value";
        } else {
            const std::string value = arg == option->name ? args[++i] : arg.substr(option->name.size() + 1);
            parsed.error = option->apply(value, parsed.options);
        }
    }
    return parsed;
}

std::string usageText(const std::string& programName)
{
    return "Usage: " + programName + " [options]\n"
           "\n"
           "Plays the show: the setup window, then six effects with music, full-screen.\n"
           "Escape ends it early.\n"
           "\n"
           "Options:\n"
           "  --mode NAME       run in this screen mode and skip the setup window,\n"
           "                    e.g. 320x240x32 or \"640x480x16 interlaced\"\n"
           "  --list-modes      print the screen modes and exit\n"
           "  --windowed        show the picture in a window instead of full-screen\n"
           "  --silent          play without sound; the music still times the show\n"
           "  --capture PATH    render the whole show off-screen, every frame: to numbered\n"
           "                    PNG files when PATH is a folder, to a video file through\n"
           "                    ffmpeg when PATH ends in .mp4 or .mkv\n"
           "  --capture-scale N enlarge captured pictures N times (1 to 8), every pixel a\n"
           "                    square block: 4 by default for a video file, 1 for PNG frames\n"
           "  --keep-sound      keep the captured sound's WAV file beside a video file\n"
           "  --version         print the version and exit\n"
           "  -h, --help        print this help and exit\n"
           "\n"
           "The show reads qorv.xm and qorv.dat from the current folder, else from the\n"
           "folder of the program, else from the installed data folder. Without a\n"
           "display it captures the show to a video file and says where.\n";
}

}  // namespace host
