#include "tools/corvidplay/play_options.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

namespace corvidplay {

const char* const usageText =
    "usage: corvid-play [options] MODULE...\n"
    "Plays XM, MOD, S3M and IT modules one after another on the sound card, or\n"
    "renders one to a WAV file. While playing: space pauses, left and right\n"
    "move by an order, q quits.\n"
    "  --info                 describe each module (title, format, tracker,\n"
    "                         channels, duration, instruments, samples, message)\n"
    "  --wav FILE             render to a WAV file (16-bit stereo); - for\n"
    "                         standard output\n"
    "  --trace                print the row timeline of one pass:\n"
    "                         <seconds> <order> <row> <pattern>\n"
    "  --loop N               play N more passes after the first; -1 forever\n"
    "  --start ORDER[:ROW]    start at a row of the order list (counted from 0)\n"
    "  --seek TIME            start TIME into the song (seconds, or m:ss.s)\n"
    "  --rate HZ              mixing rate, 8000 to 96000 (default 44100)\n"
    "  --separation PERCENT   stereo width, 0 (mono) to 200 (default 100)\n"
    "  --amplify PERCENT      loudness, 1 to 800 (default 100)\n"
    "  --mute LIST            silence channels, e.g. 1,3,5-8 (counted from 1)\n"
    "  --solo LIST            let only these channels sound\n"
    "  --resampler nearest|linear|sinc\n"
    "                         how samples are resampled: the nearest frame\n"
    "                         (default), linear interpolation, or the\n"
    "                         band-limited eight-tap sinc filter\n"
    "  --interpolate          the same as --resampler linear\n"
    "  --integer | --float    the arithmetic of nearest-frame mixing (default float)\n"
    "  --device silent|wave   the sound card (wave, the default) or silence\n"
    "                         paced in real time\n"
    "  --buffer MS            sound queued ahead of the card, 15 to 10000 ms\n"
    "  --quiet                no status line or messages, only errors\n"
    "  --help                 this text\n"
    "Exit status: 0 when every module played, 1 when one could not be read or\n"
    "played, 2 for a bad command line, 130 when interrupted.\n";

namespace {

bool parseInteger(const std::string& text, long low, long high, int& value)
{
    char* end = nullptr;
    const long read = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || read < low || read > high)
        return false;
    value = static_cast<int>(read);
    return true;
}

bool parseCount(const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(value) && value >= 0 && text.find_first_of("eEnNxX") == std::string::npos;
}

std::string rangeError(const std::string& option, const std::string& value, const char* range)
{
    return option + " takes " + range + ", not \"" + value + "\"";
}

}  // namespace

bool parseChannelList(const std::string& text, std::vector<int>& channels)
{
    size_t start = 0;
    do {
        const size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const size_t dash = item.find('-');
        int first = 0, last = 0;
        if (!parseInteger(item.substr(0, dash), 1, 256, first) ||
            !parseInteger(dash == std::string::npos ? item : item.substr(dash + 1), first, 256, last))
            return false;
        for (int channel = first; channel <= last; ++channel)
            channels.push_back(channel - 1);
        start = comma == std::string::npos ? text.size() + 1 : comma + 1;
    } while (start <= text.size());
    return true;
}

bool parseSeconds(const std::string& text, double& seconds)
{
    // Hours and minutes are whole; minutes and seconds after a colon stay below 60.
    seconds = 0;
    size_t start = 0;
    for (int field = 0; field < 3; ++field) {
        const size_t colon = text.find(':', start);
        const bool last = colon == std::string::npos;
        double value = 0;
        if (!parseCount(text.substr(start, last ? std::string::npos : colon - start), value) ||
            (field > 0 && value >= 60) || (!last && value != std::floor(value)))
            return false;
        seconds = seconds * 60 + value;
        if (last)
            return true;
        start = colon + 1;
    }
    return false;
}

std::string formatSeconds(double seconds)
{
    const auto tenths = static_cast<long long>(std::max(0.0, seconds) * 10);
    char text[32];
    if (tenths >= 36000)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld.%lld", tenths / 36000, tenths / 600 % 60,
                      tenths / 10 % 60, tenths % 10);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld.%lld", tenths / 600, tenths / 10 % 60, tenths % 10);
    return text;
}

std::string parseArguments(const std::vector<std::string>& arguments, PlayOptions& options)
{
    corvid_song_config& song = options.song;
    song.mixing = CORVID_MIXING_FLOAT;
    std::string resampler = "nearest";
    bool integer = false;
    using Reader = std::function<std::string(const std::string& option, const std::string& value)>;
    const std::map<std::string, Reader> withValue = {
        {"--wav", [&](const std::string&, const std::string& v) { options.wavPath = v; return std::string(); }},
        {"--loop",
         [&](const std::string& o, const std::string& v) {
             return parseInteger(v, -1, 1000000, song.repeat) ? "" : rangeError(o, v, "-1 (forever) or a count");
         }},
        {"--start",
         [&](const std::string& o, const std::string& v) {
             const size_t colon = v.find(':');
             const bool read = parseInteger(v.substr(0, colon), 0, 255, options.startOrder) &&
                               (colon == std::string::npos || parseInteger(v.substr(colon + 1), 0, 255, options.startRow));
             return read ? "" : rangeError(o, v, "ORDER or ORDER:ROW (0 to 255 each)");
         }},
        {"--seek",
         [&](const std::string& o, const std::string& v) {
             return parseSeconds(v, options.seekSeconds) ? "" : rangeError(o, v, "seconds or m:ss.s");
         }},
        {"--rate",
         [&](const std::string& o, const std::string& v) {
             return parseInteger(v, 8000, 96000, song.rate) ? "" : rangeError(o, v, "8000 to 96000 Hz");
         }},
        {"--separation",
         [&](const std::string& o, const std::string& v) {
             if (!parseInteger(v, 0, 200, song.separation))
                 return rangeError(o, v, "0 to 200 percent");
             if (song.separation == 0)
                 song.separation = CORVID_SEPARATION_MONO;
             return std::string();
         }},
        {"--amplify",
         [&](const std::string& o, const std::string& v) {
             return parseInteger(v, 1, 800, song.amplification) ? "" : rangeError(o, v, "1 to 800 percent");
         }},
        {"--mute",
         [&](const std::string& o, const std::string& v) {
             return parseChannelList(v, options.muted) ? "" : rangeError(o, v, "channels such as 1,3,5-8");
         }},
        {"--solo",
         [&](const std::string& o, const std::string& v) {
             return parseChannelList(v, options.soloed) ? "" : rangeError(o, v, "channels such as 1,3,5-8");
         }},
        {"--resampler",
         [&](const std::string& o, const std::string& v) {
             resampler = v;
             return v == "nearest" || v == "linear" || v == "sinc" ? "" : rangeError(o, v, "nearest, linear or sinc");
         }},
        {"--device",
         [&](const std::string& o, const std::string& v) {
             options.device = v;
             return v == "silent" || v == "wave" ? "" : rangeError(o, v, "silent or wave");
         }},
        {"--buffer",
         [&](const std::string& o, const std::string& v) {
             return parseInteger(v, 15, 10000, options.bufferMs) ? "" : rangeError(o, v, "15 to 10000 milliseconds");
         }},
    };
    const std::map<std::string, std::function<void()>> flags = {
        {"--help", [&] { options.help = true; }},
        {"-h", [&] { options.help = true; }},
        {"--info", [&] { options.info = true; }},
        {"--trace", [&] { options.trace = true; }},
        {"--quiet", [&] { options.quiet = true; }},
        {"-q", [&] { options.quiet = true; }},
        {"--interpolate", [&] { resampler = "linear"; }},
        {"--integer", [&] { integer = true; }},
        {"--float", [&] { integer = false; }},
    };
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (const auto flag = flags.find(argument); flag != flags.end()) {
            flag->second();
        } else if (const auto option = withValue.find(argument); option != withValue.end()) {
            if (i + 1 == arguments.size())
                return argument + " needs a value";
            if (std::string error = option->second(argument, arguments[++i]); !error.empty())
                return error;
        } else if (argument.size() > 1 && argument[0] == '-') {
            return "unknown option \"" + argument + "\"";
        } else {
            options.modules.push_back(argument);
        }
    }
    if (options.help)
        return "";
    if (options.modules.empty())
        return "no module given";
    if (integer && resampler != "nearest")
        return "--integer mixes only with the nearest resampler";
    song.mixing = resampler == "sinc"     ? CORVID_MIXING_SINC
                  : resampler == "linear" ? CORVID_MIXING_LINEAR
                  : integer               ? CORVID_MIXING_INTEGER
                                          : CORVID_MIXING_FLOAT;
    if (options.startOrder >= 0 && options.seekSeconds >= 0)
        return "--start and --seek both say where to begin; give one";
    if (!options.wavPath.empty() && options.modules.size() > 1)
        return "--wav renders one module";
    if (!options.wavPath.empty() && options.wavPath != "-" && song.repeat == -1)
        return "--wav with --loop -1 would never end; give a count";
    return "";
}

}  // namespace corvidplay

namespace corvidplay {

char activityMark(const corvid_channel_state& channel)
{
    if (!channel.active || channel.volume <= 0)
        return ' ';
    return ".-=#"[std::min(channel.volume, 64) * 4 / 65];
}

std::string statusLine(const HeardMoment& moment, int orders, double duration, bool paused)
{
    const corvid_position& at = moment.position;
    char head[160];
    std::snprintf(head, sizeof head, "order %3d/%d  pattern %3d  row %3d  %s / %s  ", at.order, orders, at.pattern,
                  at.row, formatSeconds(at.seconds).c_str(), formatSeconds(duration).c_str());
    constexpr size_t widest = 64;  // channels shown
    return head + ("|" + moment.activity.substr(0, widest) + "|") + (paused ? "  paused" : "");
}

}  // namespace corvidplay
