// The song objects of corvid_song.h over corvid::Song: argument checks, the
// configuration's defaults, the float form of a render and the metadata texts.

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "sound/include/corvid_song.h"
#include "sound/song/song.h"

struct corvid_song {
    std::unique_ptr<corvid::Song> song;
    std::string tracker;
    std::string message;
    std::vector<int16_t> scratch;  // the float render's 16-bit frames
    std::vector<const corvid::Sample*> samples;
};

namespace {

using corvid::ErrorCode;

constexpr int failure = 0, success = 1;
constexpr int defaultRate = 44100;
constexpr int widestSeparation = 200, loudestAmplification = 800;

// The settings a configuration asks for; false for a value out of range.
bool settingsOf(const corvid_song_config* config, corvid::SongSettings& settings)
{
    const corvid_song_config given = config ? *config : corvid_song_config{};
    const int rate = given.rate == 0 ? defaultRate : given.rate;
    if (rate < static_cast<int>(corvid::minimumSongRate) || rate > static_cast<int>(corvid::maximumSongRate))
        return false;
    settings.mixingRate = static_cast<uint32_t>(rate);
    switch (given.mixing) {
    case CORVID_MIXING_DEFAULT:
    case CORVID_MIXING_FLOAT: settings.mixing = corvid::SongMixing::floatingPoint; break;
    case CORVID_MIXING_INTEGER: settings.mixing = corvid::SongMixing::integer; break;
    case CORVID_MIXING_LINEAR: settings.mixing = corvid::SongMixing::linear; break;
    case CORVID_MIXING_SINC: settings.mixing = corvid::SongMixing::sinc; break;
    default: return false;
    }
    if (given.separation == CORVID_SEPARATION_MONO)
        settings.separationPercent = 0;
    else if (given.separation >= 0 && given.separation <= widestSeparation)
        settings.separationPercent = given.separation == 0 ? 100 : static_cast<uint32_t>(given.separation);
    else
        return false;
    if (given.amplification < 0 || given.amplification > loudestAmplification || given.repeat < -1)
        return false;
    settings.amplificationPercent = given.amplification == 0 ? 100 : static_cast<uint32_t>(given.amplification);
    settings.repeat = given.repeat;
    return true;
}

const char* formatName(corvid::ModuleType type)
{
    switch (type) {
    case corvid::ModuleType::mod: return "MOD";
    case corvid::ModuleType::s3m: return "S3M";
    case corvid::ModuleType::it: return "IT";
    case corvid::ModuleType::xm: break;
    }
    return "XM";
}

corvid_song* fail(int* error, ErrorCode code)
{
    if (error)
        *error = static_cast<int>(code);
    return nullptr;
}

// MIDI-style note number of the player's octave << 4 | semitone byte.
int noteNumber(uint8_t note)
{
    if (note >= corvid::noteCut)
        return -1;
    return (note >> 4) * 12 + (note & 15);
}

}  // namespace

extern "C" {

corvid_song* corvid_song_open(const void* data, size_t size, const corvid_song_config* config, int* error)
{
    corvid::SongSettings settings;
    if ((!data && size != 0) || !settingsOf(config, settings))
        return fail(error, ErrorCode::invalidArguments);
    auto made = std::unique_ptr<corvid_song>(new (std::nothrow) corvid_song);
    if (!made)
        return fail(error, ErrorCode::outOfMemory);
    const std::span bytes(static_cast<const uint8_t*>(data), size);
    if (const ErrorCode code = corvid::Song::open(bytes, settings, made->song); code != ErrorCode::ok)
        return fail(error, code);
    const corvid::Module& module = made->song->module();
    made->tracker = module.tracker;
    made->message = module.message;
    for (const corvid::Instrument& instrument : module.instruments)
        for (const corvid::Sample& sample : instrument.samples)
            made->samples.push_back(&sample);
    if (error)
        *error = 0;
    return made.release();
}

corvid_song* corvid_song_open_file(const char* path, const corvid_song_config* config, int* error)
{
    if (!path)
        return fail(error, ErrorCode::invalidArguments);
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return fail(error, ErrorCode::fileOpen);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        return fail(error, ErrorCode::fileRead);
    return corvid_song_open(bytes.data(), bytes.size(), config, error);
}

void corvid_song_close(corvid_song* song) { delete song; }

size_t corvid_song_render_int16(corvid_song* song, int16_t* interleaved_stereo, size_t frames)
{
    if (!song || !interleaved_stereo)
        return 0;
    return song->song->render(interleaved_stereo, frames);
}

size_t corvid_song_render_float(corvid_song* song, float* interleaved_stereo, size_t frames)
{
    if (!song || !interleaved_stereo)
        return 0;
    constexpr size_t block = 4096;
    song->scratch.resize(2 * block);
    size_t done = 0;
    while (done < frames) {
        const size_t wanted = std::min(block, frames - done);
        const size_t got = song->song->render(song->scratch.data(), wanted);
        std::transform(song->scratch.begin(), song->scratch.begin() + static_cast<ptrdiff_t>(2 * got),
                       interleaved_stereo + 2 * done, [](int16_t value) { return value / 32768.0f; });
        done += got;
        if (got < wanted)
            break;
    }
    return done;
}

double corvid_song_duration(const corvid_song* song)
{
    if (!song)
        return -1;
    return static_cast<double>(song->song->durationFrames()) / song->song->settings().mixingRate;
}

uint64_t corvid_song_duration_frames(const corvid_song* song) { return song ? song->song->durationFrames() : 0; }

int corvid_song_seek_seconds(corvid_song* song, double seconds)
{
    if (!song || !std::isfinite(seconds) || seconds < 0)
        return failure;
    const double frame = std::round(seconds * song->song->settings().mixingRate);
    const double last = static_cast<double>(std::numeric_limits<uint64_t>::max() / 2);
    return song->song->seekFrame(static_cast<uint64_t>(std::min(frame, last))) == ErrorCode::ok ? success : failure;
}

int corvid_song_seek_order_row(corvid_song* song, int order, int row)
{
    if (!song || order < 0 || row < 0)
        return failure;
    uint64_t frame = 0;
    if (song->song->frameOfRow(static_cast<uint32_t>(order), static_cast<uint32_t>(row), frame) != ErrorCode::ok)
        return failure;
    return song->song->seekFrame(frame) == ErrorCode::ok ? success : failure;
}

int corvid_song_position(const corvid_song* song, corvid_position* position)
{
    if (!song || !position)
        return failure;
    const corvid::SongPosition at = song->song->position();
    position->order = static_cast<int>(at.order);
    position->pattern = static_cast<int>(at.pattern);
    position->row = static_cast<int>(at.row);
    position->tick = static_cast<int>(at.tick);
    position->seconds = static_cast<double>(at.frame) / song->song->settings().mixingRate;
    return success;
}

const char* corvid_song_title(const corvid_song* song) { return song ? song->song->module().name.c_str() : nullptr; }

const char* corvid_song_format(const corvid_song* song)
{
    return song ? formatName(song->song->module().type) : nullptr;
}

const char* corvid_song_tracker(const corvid_song* song) { return song ? song->tracker.c_str() : nullptr; }

const char* corvid_song_message(const corvid_song* song) { return song ? song->message.c_str() : nullptr; }

int corvid_song_channels(const corvid_song* song) { return song ? song->song->module().channelCount : 0; }

int corvid_song_orders(const corvid_song* song)
{
    return song ? static_cast<int>(song->song->module().songLength()) : 0;
}

int corvid_song_patterns(const corvid_song* song)
{
    return song ? static_cast<int>(song->song->module().patterns.size()) : 0;
}

int corvid_song_instruments(const corvid_song* song)
{
    return song ? static_cast<int>(song->song->module().instruments.size()) : 0;
}

int corvid_song_samples(const corvid_song* song) { return song ? static_cast<int>(song->samples.size()) : 0; }

const char* corvid_song_instrument_name(const corvid_song* song, int index)
{
    if (!song || index < 0 || static_cast<size_t>(index) >= song->song->module().instruments.size())
        return nullptr;
    return song->song->module().instruments[static_cast<size_t>(index)].name.c_str();
}

const char* corvid_song_sample_name(const corvid_song* song, int index)
{
    if (!song || index < 0 || static_cast<size_t>(index) >= song->samples.size())
        return nullptr;
    return song->samples[static_cast<size_t>(index)]->name.c_str();
}

int corvid_song_channel_state(const corvid_song* song, int channel, corvid_channel_state* state)
{
    if (!song || !state || channel < 0 || channel >= song->song->module().channelCount)
        return failure;
    const auto index = static_cast<uint32_t>(channel);
    const corvid::player::ChannelState& played = song->song->playerChannel(index);
    const corvid::MixChannel& mixed = song->song->mixerChannel(index);
    const bool sounding = mixed.state == corvid::ChannelState::playing || mixed.state == corvid::ChannelState::released;
    state->note = noteNumber(played.lastPlayedNote);
    state->instrument = played.instrument + 1;
    state->volume = played.outputVolume;
    state->panning = song->song->channelPanning(index);
    state->frequency = sounding ? static_cast<int>(mixed.rate) : 0;
    state->active = sounding && mixed.rate != 0 && played.outputVolume != 0 ? 1 : 0;
    return success;
}

int corvid_song_mute(corvid_song* song, int channel, int muted)
{
    if (!song || channel < 0)
        return failure;
    return song->song->mute(static_cast<uint32_t>(channel), muted != 0) == ErrorCode::ok ? success : failure;
}

int corvid_song_solo(corvid_song* song, int channel)
{
    const int channels = corvid_song_channels(song);
    if (!song || channel < -1 || channel >= channels)
        return failure;
    for (int other = 0; other < channels; ++other)
        if (corvid_song_mute(song, other, channel != -1 && other != channel) == failure)
            return failure;
    return success;
}

}  // extern "C"
