// New-note actions: a note that a new one replaces may go on in the
// background on a channel of the instance's pool (as it was, released, or
// fading out), the channel's background duplicates of the new note stop,
// are released or fade, and S7x acts on them (and turns the playing note's
// envelopes off and on). Each tick the background notes
// run their envelopes and fade-outs and leave the pool once they are silent.

#include <algorithm>
#include <array>

#include "sound/player/engine.h"

namespace corvid::player {

namespace {

bool isSounding(const PlayerInstance& p, const ChannelState& c)
{
    const SoundDevice& device = deviceOf(p);
    bool sounding = false;
    return device.operations.getSounding &&
           device.operations.getSounding(device.context, c.deviceChannel, sounding) == ErrorCode::ok && sounding;
}

// A free pool channel, else the quietest background note's (the oldest of
// equally quiet ones), whose sound the move fades out.
BackgroundVoice* voiceToTake(PlayerInstance& p)
{
    BackgroundVoice* quietest = nullptr;
    for (BackgroundVoice& voice : p.voices) {
        if (!voice.active)
            return &voice;
        const auto loudness = [](const BackgroundVoice& v) { return std::pair(v.channel.outputVolume, v.sequence); };
        if (!quietest || loudness(voice) < loudness(*quietest))
            quietest = &voice;
    }
    return quietest;
}

ErrorCode stopVoice(PlayerInstance& p, BackgroundVoice& voice)
{
    voice.active = false;
    const SoundDevice& device = deviceOf(p);
    return device.operations.stopSound(device.context, voice.channel.deviceChannel);
}

// The duplicate actions are the first three new-note actions but for
// carrying on: cut, note off, note fade.
ErrorCode act(PlayerInstance& p, BackgroundVoice& voice, DuplicateAction action)
{
    switch (action) {
    case DuplicateAction::cut: return stopVoice(p, voice);
    case DuplicateAction::noteOff: return releaseNote(p, voice.channel);
    case DuplicateAction::noteFade: voice.channel.noteFade = true; break;
    }
    return ErrorCode::ok;
}

// Whether a background note counts as a duplicate of the note `c` starts.
bool isDuplicate(const PlayerInstance& p, const ChannelState& c, const ChannelState& old, DuplicateCheck check)
{
    ChannelState next = c;
    if (c.rowFlags & rowNewInstrument)
        next.instrument = c.nextInstrument;
    switch (check) {
    case DuplicateCheck::off: return false;
    case DuplicateCheck::note: return old.instrument == next.instrument && old.lastPlayedNote == c.note;
    case DuplicateCheck::sample:
        next.sample = lookUpSample(p, next.instrument, c.note);
        return currentSample(p, next) != nullptr && currentSample(p, old) == currentSample(p, next);
    case DuplicateCheck::instrument: return old.instrument == next.instrument;
    }
    return false;
}

ErrorCode sendToBackground(PlayerInstance& p, ChannelState& c, uint32_t owner)
{
    BackgroundVoice* voice = voiceToTake(p);
    const SoundDevice& device = deviceOf(p);
    if (!voice || !device.operations.moveSound)
        return ErrorCode::ok;
    const uint8_t poolChannel = voice->channel.deviceChannel;
    if (ErrorCode e = device.operations.moveSound(device.context, c.deviceChannel, poolChannel); e != ErrorCode::ok)
        return e;
    voice->channel = c;
    voice->channel.deviceChannel = poolChannel;
    voice->channel.rowFlags = 0;
    voice->owner = owner;
    voice->sequence = p.voiceSequence++;
    voice->active = true;
    switch (c.newNoteAction) {
    case NewNoteAction::cut:
    case NewNoteAction::carryOn: break;
    case NewNoteAction::noteOff: return releaseNote(p, voice->channel);
    case NewNoteAction::noteFade: voice->channel.noteFade = true; break;
    }
    return ErrorCode::ok;
}

uint32_t ownerOf(const PlayerInstance& p, const ChannelState& c)
{
    return static_cast<uint32_t>(&c - p.channels.data());
}

// The playing note's action comes from the instrument that plays the new one.
void takeInstrumentAction(const PlayerInstance& p, ChannelState& c)
{
    ChannelState next = c;
    if (c.rowFlags & rowNewInstrument)
        next.instrument = c.nextInstrument;
    const Instrument* instrument = currentInstrument(p, next);
    c.newNoteAction = instrument ? instrument->newNoteAction : NewNoteAction::cut;
}

}  // namespace

ErrorCode releaseNote(const PlayerInstance& p, ChannelState& c)
{
    c.keyOff = 1;
    c.volumeEnvelope.hold = 0;
    c.panningEnvelope.hold = 0;
    const Instrument* instrument = currentInstrument(p, c);
    const Envelope* volume = instrument ? activeEnvelope(instrument->volumeEnvelope, c, volumeEnvelopeBit) : nullptr;
    if ((p.module->flags & moduleNoteFadeRules) && (!volume || volume->loopEnd != noPoint))
        c.noteFade = true;
    const SoundDevice& device = deviceOf(p);
    return device.operations.releaseSound ? device.operations.releaseSound(device.context, c.deviceChannel)
                                          : ErrorCode::ok;
}

ErrorCode applyNewNoteAction(PlayerInstance& p, ChannelState& c)
{
    if (p.voices.empty())
        return ErrorCode::ok;
    const uint32_t owner = ownerOf(p, c);
    if (c.newNoteAction != NewNoteAction::cut && currentSample(p, c) && c.volume != 0 && isSounding(p, c))
        if (ErrorCode e = sendToBackground(p, c, owner); e != ErrorCode::ok)
            return e;
    for (BackgroundVoice& voice : p.voices) {
        if (!voice.active || voice.owner != owner)
            continue;
        const Instrument* instrument = currentInstrument(p, voice.channel);
        if (instrument && isDuplicate(p, c, voice.channel, instrument->duplicateCheck))
            if (ErrorCode e = act(p, voice, instrument->duplicateAction); e != ErrorCode::ok)
                return e;
    }
    takeInstrumentAction(p, c);
    return ErrorCode::ok;
}

ErrorCode noteActionControl(PlayerInstance& p, ChannelState& c)
{
    const uint8_t x = c.argument & 15;
    if (x >= 3 && x <= 6) {
        c.newNoteAction = static_cast<NewNoteAction>(x - 3);
        return ErrorCode::ok;
    }
    if (x > 6) {
        // S77 / S78 volume envelope off / on, S79 / S7A panning, S7B / S7C pitch.
        constexpr std::array<uint8_t, 3> bits = {volumeEnvelopeBit, panningEnvelopeBit, pitchEnvelopeBit};
        if (x <= 12) {
            const uint8_t bit = bits[(x - 7) / 2];
            c.envelopesOff = (x - 7) % 2 == 0 ? c.envelopesOff | bit : c.envelopesOff & ~bit;
        }
        return ErrorCode::ok;
    }
    const uint32_t owner = ownerOf(p, c);
    for (BackgroundVoice& voice : p.voices)
        if (voice.active && voice.owner == owner)
            if (ErrorCode e = act(p, voice, static_cast<DuplicateAction>(x)); e != ErrorCode::ok)
                return e;
    return ErrorCode::ok;
}

ErrorCode updateBackgroundVoices(PlayerInstance& p)
{
    for (BackgroundVoice& voice : p.voices) {
        if (!voice.active)
            continue;
        ChannelState& c = voice.channel;
        // The host's and the song's channel volumes keep applying to the notes the channel left behind.
        const ChannelState& owner = p.channels[voice.owner];
        c.channelVolume = owner.channelVolume;
        c.songChannelVolume = owner.songChannelVolume;
        if (ErrorCode e = updateDeviceChannel(p, c); e != ErrorCode::ok)
            return e;
        const bool fadedOut = (c.keyOff || c.noteFade) && c.fadeVolume == 0;
        if (fadedOut || !isSounding(p, c))
            if (ErrorCode e = stopVoice(p, voice); e != ErrorCode::ok)
                return e;
    }
    return ErrorCode::ok;
}

uint32_t backgroundVoiceCount(const Module& module)
{
    constexpr uint32_t poolSize = 64;
    return (module.flags & moduleNewNoteActions) ? poolSize : 0;
}

}  // namespace corvid::player
