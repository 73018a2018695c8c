#include "tools/corvidplay/song_renderer.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "sound/mixer/mixer.h"
#include "sound/song/song.h"

namespace corvidplay {

using corvid::ErrorCode;

namespace {

corvid::SongMixing mixingOf(uint32_t familyBits)
{
    if (familyBits & corvid::mixSinc)
        return corvid::SongMixing::sinc;
    if (familyBits & corvid::mixInterpolating)
        return corvid::SongMixing::linear;
    if (familyBits & corvid::mixInteger)
        return corvid::SongMixing::integer;
    return corvid::SongMixing::floatingPoint;
}

}  // namespace

ErrorCode renderSong(const std::string& fileName, const RenderSettings& settings, const AudioSink& audio,
                     const RowSink& rows, RenderResult& result)
{
    std::ifstream file(fileName, std::ios::binary);
    if (!file)
        return ErrorCode::fileOpen;
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    corvid::SongSettings songSettings;
    songSettings.mixingRate = settings.mixingRate;
    songSettings.mixing = mixingOf(settings.familyBits);
    std::unique_ptr<corvid::Song> song;
    if (ErrorCode e = corvid::Song::open(bytes, songSettings, song); e != ErrorCode::ok)
        return e;
    if (settings.soloChannel >= 0)
        for (uint32_t channel = 0; channel < song->module().channelCount; ++channel)
            song->mute(channel, channel != static_cast<uint32_t>(settings.soloChannel));
    std::vector<int16_t> block;
    const auto limit = static_cast<uint64_t>(settings.maximumSeconds * settings.mixingRate);
    uint64_t& frames = result.frames;
    frames = 0;
    bool firstRow = true;
    corvid::SongPosition last;
    // One tick at a time, so that every row start is seen.
    while (!song->ended() && frames < limit) {
        block.resize(size_t{song->framesUntilTick()} * 2);
        const size_t got = song->render(block.data(), song->framesUntilTick());
        block.resize(got * 2);
        if (audio)
            audio(block);
        frames += got;
        const corvid::SongPosition at = song->position();
        if (!song->ended() && at.tick == 0 && (firstRow || at.order != last.order || at.row != last.row)) {
            firstRow = false;
            last = at;
            if (rows)
                rows({static_cast<double>(frames) / settings.mixingRate, at.order, at.row, at.pattern});
        }
    }
    result.wrapped = song->ended();
    return ErrorCode::ok;
}

}  // namespace corvidplay
