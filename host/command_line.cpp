#include "host/command_line.h"

#include "display/screen_modes.h"

namespace host {

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args)
{
    ParsedCommandLine parsed;
    ShowOptions& o = parsed.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // Options with a value take it as the next argument or after '='.
        auto value = [&](const std::string& name) -> std::optional<std::string> {
            if (arg == name) {
                if (i + 1 < args.size())
                    return args[++i];
                parsed.error = name + " needs a value";
                return std::nullopt;
            }
            return arg.substr(name.size() + 1);
        };
        auto is = [&](const std::string& name) { return arg == name || arg.rfind(name + "=", 0) == 0; };

        if (arg == "-h" || arg == "--help") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (arg == "--list-modes") {
            o.listModes = true;
        } else if (arg == "--windowed") {
            o.windowed = true;
        } else if (arg == "--silent") {
            o.silent = true;
        } else if (is("--mode")) {
            const auto name = value("--mode");
            if (!name)
                break;
            const auto choice = display::modeChoiceByName(*name);
            if (!choice) {
                parsed.error = "unknown screen mode '" + *name + "' (--list-modes shows them)";
                break;
            }
            o.screenMode = choice->screenMode;
            o.interlaced = choice->interlaced;
        } else if (arg == "--keep-sound") {
            o.keepSound = true;
        } else if (is("--capture-scale")) {
            const auto scale = value("--capture-scale");
            if (!scale)
                break;
            if (scale->size() != 1 || (*scale)[0] < '1' || (*scale)[0] > '8') {
                parsed.error = "--capture-scale needs a whole number from 1 to 8";
                break;
            }
            o.captureScale = (*scale)[0] - '0';
        } else if (is("--capture")) {
            const auto path = value("--capture");
            if (!path)
                break;
            if (path->empty()) {
                parsed.error = "--capture needs a folder or a .mp4 or .mkv file";
                break;
            }
            o.capturePath = *path;
        } else {
            parsed.error = "unknown option '" + arg + "'";
            break;
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
