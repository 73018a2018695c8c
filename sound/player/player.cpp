// Instances, the tick, the new-row sequence, note starts and the device
// update.

#include "sound/player/player.h"

#include <algorithm>
#include <cmath>

#include "sound/player/engine.h"

namespace corvid::player {

namespace {

constexpr uint32_t startTempo = 125;

uint32_t updateRateOf(uint32_t tempo) { return tempo * 40; }

// The field lengths of a packed pattern entry after its flag byte.
size_t entryLength(uint8_t flags)
{
    return 1 + ((flags & entryNoteAndInstrument) ? 2 : 0) + ((flags & entryVolume) ? 1 : 0) +
           ((flags & entryCommand) ? 2 : 0);
}

// Offset just past the row that starts at `at`; the end of the data when
// the row runs off it.
size_t skipRow(const std::vector<uint8_t>& rows, size_t at)
{
    while (at < rows.size() && rows[at] != 0)
        at += entryLength(rows[at]);
    return std::min(at + 1, rows.size());
}

// Hands the device a sample. A sample without data (an instrument the file
// lacks) has no handle: the device is not asked to play it.
ErrorCode tellDeviceSample(const PlayerInstance& p, const ChannelState& c)
{
    const Sample* sample = currentSample(p, c);
    if (!sample || sample->deviceHandle == 0)
        return ErrorCode::ok;
    const SoundDevice& device = deviceOf(p);
    return device.operations.setSample(device.context, c.deviceChannel, sample->deviceHandle);
}

ErrorCode readRow(PlayerInstance& p)
{
    if (p.pattern >= p.module->patterns.size())
        return ErrorCode::invalidPatternData;
    const std::vector<uint8_t>& rows = p.module->patterns[p.pattern].rows;
    if (p.rowCursor == noCursor) {
        p.rowCursor = 0;
        for (uint32_t r = 0; r < p.row; ++r)
            p.rowCursor = skipRow(rows, p.rowCursor);
    }
    for (ChannelState& c : p.channels)
        c.rowFlags &= ~(rowNewNote | rowVolumeColumn | rowNewInstrument | rowCommand);
    size_t at = p.rowCursor;
    while (at < rows.size() && rows[at] != 0) {
        const uint8_t flags = rows[at];
        if (at + entryLength(flags) > rows.size())
            return ErrorCode::invalidPatternData;
        const uint8_t* field = &rows[at + 1];
        at += entryLength(flags);
        const uint32_t channel = flags & entryChannelMask;
        if (channel >= p.channelCount)
            continue;
        ChannelState& c = p.channels[channel];
        if (flags & entryNoteAndInstrument) {
            if (field[0] != noteNone) {
                c.note = field[0];
                c.rowFlags |= rowNewNote;
            }
            if (field[1] != instrumentNone) {
                c.nextInstrument = field[1];
                c.rowFlags |= rowNewInstrument;
            }
            field += 2;
        }
        if (flags & entryVolume) {
            c.volumeColumn = *field++;
            c.rowFlags |= rowVolumeColumn;
        }
        if ((flags & entryCommand) && field[0] != 0) {
            if (field[0] >= commandCount)
                return ErrorCode::invalidPatternData;
            c.command = static_cast<Command>(field[0]);
            c.argument = field[1];
            c.rowFlags |= rowCommand;
        }
    }
    p.rowCursor = std::min(at + 1, rows.size());
    return ErrorCode::ok;
}

// A new note under tone portamento slides the playing one instead of
// replacing it; a key off, cut or fade acts on the playing note itself.
bool replacesNote(const ChannelState& c)
{
    if (!(c.rowFlags & rowNewNote) || c.note >= noteFade)
        return false;
    const bool porta = (c.rowFlags & rowCommand) &&
                       (c.command == Command::tonePorta || c.command == Command::tonePortaVolumeSlide);
    const bool columnPorta =
        (c.rowFlags & rowVolumeColumn) && volumeEffectOf(c.volumeColumn) == VolumeEffect::tonePorta;
    return !porta && !columnPorta;
}

// Before the row's commands, for a note that is to start: the panning the
// last note's separation and swing moved the channel from comes back; the
// instrument's default panning, then the sample's, replaces it; the note's
// pitch-pan separation and panning swing move it again, and it draws its
// volume swing.
void startNotePanning(PlayerInstance& p, ChannelState& c)
{
    if (c.panningBeforeNote >= 0)
        c.panning = c.panningBeforeNote;
    c.panningBeforeNote = -1;
    c.volumeSwing = 0;
    const uint8_t sampleIndex = lookUpSample(p, c.nextInstrument, c.note);
    if (sampleIndex == noSample)
        return;
    const Instrument& instrument = p.module->instruments[static_cast<size_t>(c.nextInstrument)];
    const Sample& sample = instrument.samples[sampleIndex];
    if (const std::optional<uint8_t> panning = sample.defaultPanning ? sample.defaultPanning : instrument.defaultPanning)
        setPanning(c, *panning);
    if (instrument.volumeSwing != 0)
        c.volumeSwing = nextSwing(p.swing, instrument.volumeSwing);
    const int32_t semitones = (c.note >> 4) * 12 + (c.note & 15) - instrument.pitchPanCentre;
    int32_t offset = semitones * instrument.pitchPanSeparation / 2;  // x / 8 of 64, on the 0..255 scale
    if (instrument.panningSwing != 0)
        offset += 4 * nextSwing(p.swing, instrument.panningSwing);
    if (offset != 0) {
        c.panningBeforeNote = c.panning;
        c.panning = std::clamp(c.panning + offset, 0, 255);
    }
}

ErrorCode startChannelRow(PlayerInstance& p, ChannelState& c)
{
    const bool command = c.rowFlags & rowCommand;
    const bool newNote = replacesNote(c);
    if (newNote)
        if (ErrorCode e = applyNewNoteAction(p, c); e != ErrorCode::ok)
            return e;
    if (newNote && !(c.rowFlags & rowNewInstrument) && (p.module->flags & moduleNewNoteActions) &&
        !(command && c.command == Command::noteDelay)) {
        // An IT note is a new note with or without its instrument number: the
        // old one has gone by its new-note action, and this one starts its
        // envelopes and fade-out afresh, not released. Its volume stays.
        resetInstrumentState(p, c);
        c.keyOff = 0;
    }
    if (c.rowFlags & rowNewInstrument) {
        if (!(command && c.command == Command::noteDelay))
            resetInstrumentState(p, c);
        c.keyOff = 0;
        if ((c.rowFlags & rowNewNote) && c.note < noteFade && !(command && c.command == Command::tonePorta)) {
            c.instrument = c.nextInstrument;
            c.sample = lookUpSample(p, c.instrument, c.note);
        }
        if (const Sample* sample = currentSample(p, c)) {
            setVolume(p, c, static_cast<int32_t>(std::min(sample->volume, p.maximumVolume)));
            if (!(p.module->flags & moduleChannelPanningOnly))
                setPanning(c, static_cast<int32_t>(sample->panning));
            c.sampleOffset = 0;
            if (c.rowFlags & rowNewNote)
                if (ErrorCode e = tellDeviceSample(p, c); e != ErrorCode::ok)
                    return e;
        }
    }
    if (replacesNote(c))
        startNotePanning(p, c);
    if (c.rowFlags & rowVolumeColumn) {
        if (c.volumeColumn > 64) {
            if (ErrorCode e = runVolumeColumnRow(p, c); e != ErrorCode::ok)
                return e;
        } else {
            setVolume(p, c, std::min<int32_t>(c.volumeColumn, static_cast<int32_t>(p.maximumVolume)));
        }
    }
    if (command) {
        applyCommandMemory(c);
        if (ErrorCode e = runRowCommand(p, c); e != ErrorCode::ok)
            return e;
    }
    if (c.rowFlags & rowNewNote) {
        if (c.instrument != -1 && c.note < noteFade) {
            const uint8_t sample = lookUpSample(p, c.nextInstrument, c.note);
            if (sample != noSample) {
                c.instrument = c.nextInstrument;
                c.sample = sample;
                c.sampleOffset = 0;
                if (ErrorCode e = tellDeviceSample(p, c); e != ErrorCode::ok)
                    return e;
            }
        }
        if (ErrorCode e = startNote(p, c); e != ErrorCode::ok)
            return e;
    } else {
        const bool vibratoCommand = command && c.command == Command::vibrato;
        const bool vibratoColumn =
            (c.rowFlags & rowVolumeColumn) && volumeEffectOf(c.volumeColumn) == VolumeEffect::vibrato;
        if (!vibratoCommand && !vibratoColumn)
            setOutputPeriod(p, c, c.period);
    }
    return firstTickVibrato(p, c);
}

ErrorCode runTickEffects(PlayerInstance& p)
{
    for (ChannelState& c : p.channels) {
        if ((c.rowFlags & rowVolumeColumn) && c.volumeColumn > 64)
            if (ErrorCode e = runVolumeColumnTick(p, c); e != ErrorCode::ok)
                return e;
        if (c.rowFlags & rowCommand)
            if (ErrorCode e = runTickCommand(p, c); e != ErrorCode::ok)
                return e;
    }
    return ErrorCode::ok;
}

// While a pattern delay repeats a row the cursor stays where it is, so the
// commands that move it (jump, break, pattern loop) are not run again.
bool movesCursor(Command command)
{
    return command == Command::positionJump || command == Command::patternBreak || command == Command::patternLoop;
}

ErrorCode newRow(PlayerInstance& p)
{
    p.rowExtraTicks = 0;
    if (p.patternDelay == 0 || !(p.module->flags & moduleStatusHoldsDelayedRow)) {
        p.status.position = p.position;
        p.status.pattern = p.pattern;
        p.status.row = p.row;
    }
    if (p.patternDelay != 0) {
        for (ChannelState& c : p.channels)
            if ((c.rowFlags & rowCommand) && !movesCursor(c.command))
                if (ErrorCode e = runRowCommand(p, c); e != ErrorCode::ok)
                    return e;
        if (ErrorCode e = runTickEffects(p); e != ErrorCode::ok)
            return e;
        --p.patternDelay;
        return ErrorCode::ok;
    }
    if (ErrorCode e = readRow(p); e != ErrorCode::ok)
        return e;
    p.jumpedThisRow = false;
    p.breakRow = -1;
    for (ChannelState& c : p.channels)
        if (ErrorCode e = startChannelRow(p, c); e != ErrorCode::ok)
            return e;
    if (p.rowCursor != noCursor && ++p.row >= p.module->patterns[p.pattern].rowCount) {
        p.row = 0;
        advancePosition(p);
    }
    return ErrorCode::ok;
}

}  // namespace

ErrorCode updateDeviceChannel(PlayerInstance& p, ChannelState& c)
{
    const SoundDevice& device = deviceOf(p);
    const Instrument* instrument = currentInstrument(p, c);
    const bool fadeRules = p.module->flags & moduleNoteFadeRules;
    int32_t volume = std::clamp(c.volume * (100 + c.volumeSwing) / 100, 0, static_cast<int32_t>(p.maximumVolume));
    if (instrument) {
        if (c.noteFade || (c.keyOff && !fadeRules))
            c.fadeVolume = std::max<int32_t>(0, c.fadeVolume - 2 * static_cast<int32_t>(instrument->fadeout));
        volume = static_cast<int32_t>(static_cast<int64_t>(volume) * c.fadeVolume >> 16);
        if (const Envelope* envelope = activeEnvelope(instrument->volumeEnvelope, c, volumeEnvelopeBit)) {
            const int32_t value = envelopeValue(*envelope, c.volumeEnvelope, c.keyOff);
            volume = std::clamp(static_cast<int32_t>(static_cast<int64_t>(volume) * value >> 14), 0, 64);
            if (fadeRules && envelopeEnded(*envelope, c.volumeEnvelope, c.keyOff)) {
                c.noteFade = true;
                if (value == 0)
                    c.fadeVolume = 0;  // the note is over
            }
        }
    }
    // Sample (0..64), instrument (0..128), song channel (0..64), global
    // (0..128 on the wide scale, else 0..64 counted twice), host channel and
    // music volumes (0..64 each) scale the note's, rounded up.
    const Sample* sample = currentSample(p, c);
    const int32_t globalVolume = (p.module->flags & moduleWideGlobalVolume) ? p.globalVolume : 2 * p.globalVolume;
    const int64_t product = int64_t{volume} * (sample ? sample->globalVolume : 64) *
                            (instrument ? instrument->globalVolume : 128) * c.songChannelVolume * globalVolume *
                            c.channelVolume * p.musicVolume;
    constexpr int64_t fullScale = int64_t{1} << 38;  // 64^4 x 128^2
    const bool tremorSilent = (c.rowFlags & rowCommand) && c.command == Command::tremor && c.tremorSilent;
    const int64_t scaled = tremorSilent ? 0 : (product + fullScale - 1) / fullScale;
    c.outputVolume = static_cast<uint8_t>(std::clamp<int64_t>(scaled, 0, 64));
    if (ErrorCode e = device.operations.setVolume(device.context, c.deviceChannel, c.outputVolume); e != ErrorCode::ok)
        return e;

    int32_t panning = c.panning;
    if ((c.rowFlags & rowCommand) && c.command == Command::panbrello)
        panning = std::clamp(panning + c.panbrelloOffset, 0, 255);
    if (const Envelope* envelope = instrument ? activeEnvelope(instrument->panningEnvelope, c, panningEnvelopeBit) : nullptr) {
        const int32_t swing = (envelopeValue(*envelope, c.panningEnvelope, c.keyOff) >> 8) - 32;
        panning += (panning < 128 ? panning * swing : swing * (256 - panning)) / 32;
        panning = std::clamp(panning, 0, 255);
    }
    if (ErrorCode e = device.operations.setPanning(device.context, c.deviceChannel,
                                                   c.surround ? deviceSurroundPanning : devicePanningOf(p, panning));
        e != ErrorCode::ok)
        return e;
    // The pitch envelope moves on once a tick, as a filter envelope (its 0..64
    // the cutoff's share, from none to all of it) or later as the pitch's.
    const Envelope* pitch = instrument ? activeEnvelope(instrument->pitchEnvelope, c, pitchEnvelopeBit) : nullptr;
    const bool filterEnvelope = pitch && instrument->pitchEnvelopeFilters;
    c.filterEnvelopeShare = filterEnvelope ? envelopeValue(*pitch, c.pitchEnvelope, c.keyOff) * fullFilterEnvelopeShare / (64 * 256)
                                           : fullFilterEnvelopeShare;
    if (device.operations.setFilter) {
        // The device takes the cutoff in 1/256 steps: cutoff x share / 512 steps.
        const int32_t share = std::clamp(c.filterEnvelopeShare, 0, fullFilterEnvelopeShare);
        const auto cutoff = static_cast<uint32_t>(c.filterCutoff * share / 2);
        if (ErrorCode e = device.operations.setFilter(device.context, c.deviceChannel, c.filterOn, cutoff, c.filterResonance);
            e != ErrorCode::ok)
            return e;
    }

    // IT's auto-vibrato moves the frequency whatever the slides, the other
    // formats' the period.
    const std::optional<int32_t> vibrato = autoVibratoStep(p, c, instrument, sample);
    const bool vibratoOnFrequency = p.module->flags & moduleSampleAutoVibrato;
    c.devicePeriod = c.outputPeriod;
    if (vibrato && !vibratoOnFrequency)
        c.devicePeriod = std::clamp(c.outputPeriod + *vibrato, p.minimumPeriod, p.maximumPeriod);
    if (c.devicePeriod == 0)
        return ErrorCode::ok;
    uint32_t rate = 0;
    if (ErrorCode e = rateOfPeriod(*p.module, currentSample(p, c), c.devicePeriod, rate); e != ErrorCode::ok)
        return e;
    double octaves = vibrato && vibratoOnFrequency ? -*vibrato / 768.0 : 0;
    if (pitch && !filterEnvelope)
        octaves += (envelopeValue(*pitch, c.pitchEnvelope, c.keyOff) - 32 * 256) / (24.0 * 256);  // 256ths of half-semitones
    if (octaves != 0)
        rate = static_cast<uint32_t>(std::lround(rate * std::exp2(octaves)));
    return device.operations.setRate(device.context, c.deviceChannel, rate);
}

namespace {

ErrorCode tickInstance(PlayerInstance& p)
{
    if (++p.tick < p.speed + p.rowExtraTicks) {
        if (ErrorCode e = runTickEffects(p); e != ErrorCode::ok)
            return e;
    } else {
        p.tick = 0;
        if (ErrorCode e = newRow(p); e != ErrorCode::ok)
            return e;
    }
    for (ChannelState& c : p.channels)
        if (ErrorCode e = updateDeviceChannel(p, c); e != ErrorCode::ok)
            return e;
    return updateBackgroundVoices(p);
}

bool isMarker(uint16_t order) { return order == orderSkip || order == orderEnd; }

}  // namespace

const SoundDevice& deviceOf(const PlayerInstance& p) { return *p.subsystem->device; }

// ---- Channel setters

void setPeriod(const PlayerInstance& p, ChannelState& c, int32_t period)
{
    c.period = std::clamp(period, p.minimumPeriod, p.maximumPeriod);
    c.outputPeriod = c.period;
}

void setOutputPeriod(const PlayerInstance& p, ChannelState& c, int32_t period)
{
    c.outputPeriod = std::clamp(period, p.minimumPeriod, p.maximumPeriod);
}

void setVolume(const PlayerInstance& p, ChannelState& c, int32_t volume)
{
    c.volume = std::clamp(volume, 0, static_cast<int32_t>(p.maximumVolume));
    c.volumeCopy = c.volume;
}

void setPanning(ChannelState& c, int32_t panning)
{
    c.panning = std::clamp(panning, 0, 255);
    c.surround = false;
    c.panningBeforeNote = -1;
}

int32_t nextSwing(SwingGenerator& generator, int32_t range)
{
    uint32_t& x = generator.state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return static_cast<int32_t>(x % static_cast<uint32_t>(2 * range + 1)) - range;
}

void setGlobalVolume(PlayerInstance& p, int32_t volume)
{
    const int32_t full = (p.module->flags & moduleWideGlobalVolume) ? 128 : 64;
    p.globalVolume = static_cast<uint8_t>(std::clamp(volume, 0, full));
}

uint8_t lookUpSample(const PlayerInstance& p, int32_t instrumentIndex, uint8_t note)
{
    if (instrumentIndex < 0 || static_cast<size_t>(instrumentIndex) >= p.module->instruments.size())
        return noSample;
    const Instrument& instrument = p.module->instruments[static_cast<size_t>(instrumentIndex)];
    const uint32_t index = std::min<uint32_t>((note >> 4) * 12 + (note & 15), notesPerInstrument - 1);
    const uint8_t sample = instrument.noteToSample ? (*instrument.noteToSample)[index] : 0;
    return sample < instrument.samples.size() ? sample : noSample;
}

const Instrument* currentInstrument(const PlayerInstance& p, const ChannelState& c)
{
    if (c.instrument < 0 || static_cast<size_t>(c.instrument) >= p.module->instruments.size())
        return nullptr;
    return &p.module->instruments[static_cast<size_t>(c.instrument)];
}

const Sample* currentSample(const PlayerInstance& p, const ChannelState& c)
{
    const Instrument* instrument = currentInstrument(p, c);
    if (!instrument || c.sample >= instrument->samples.size())
        return nullptr;
    return &instrument->samples[c.sample];
}

void resetInstrumentState(const PlayerInstance& p, ChannelState& c)
{
    const int32_t next = (c.rowFlags & rowNewInstrument) ? c.nextInstrument : c.instrument;
    // Only a note still playing hands its envelopes on: one that has faded out or ended is over.
    const bool playing = !c.noteFade && c.fadeVolume != 0;
    const Instrument* kept = next == c.instrument && playing ? currentInstrument(p, c) : nullptr;
    const auto restart = [&](const std::optional<Envelope> Instrument::*envelope, EnvelopeState& state) {
        if (!kept || !(kept->*envelope) || !(kept->*envelope)->carry)
            state = {};
    };
    restart(&Instrument::volumeEnvelope, c.volumeEnvelope);
    restart(&Instrument::panningEnvelope, c.panningEnvelope);
    restart(&Instrument::pitchEnvelope, c.pitchEnvelope);
    c.envelopesOff = 0;
    c.fadeVolume = 65536;
    c.noteFade = false;
    c.autoVibratoAmplitude = 0;
    c.autoVibratoPosition = 0;
}

ErrorCode setSampleOffset(const PlayerInstance& p, const ChannelState& c)
{
    const Sample* sample = currentSample(p, c);
    if (!sample || sample->deviceHandle == 0)
        return ErrorCode::ok;
    const uint32_t bytes = static_cast<uint32_t>(c.sampleOffset) * (sample->type == SampleDataType::pcm16 ? 2 : 1);
    const SoundDevice& device = deviceOf(p);
    return device.operations.setPosition(device.context, c.deviceChannel, bytes);
}

namespace {

// A note starts with its instrument's filter settings where it has them,
// else the channel's, and then its row's Zxx; the filter is off for it when
// left open and no filter envelope moves it.
void startFilter(const PlayerInstance& p, const Instrument& instrument, ChannelState& c)
{
    c.filterCutoff = instrument.defaultCutoff.value_or(c.filterCutoff);
    c.filterResonance = instrument.defaultResonance.value_or(c.filterResonance);
    if ((c.rowFlags & rowCommand) && c.command == Command::midiMacro)
        applyMidiMacro(p, c);
    const bool filterEnvelope = instrument.pitchEnvelope && instrument.pitchEnvelopeFilters;
    c.filterOn = c.filterCutoff < maximumCutoff || c.filterResonance > 0 || filterEnvelope;
}

}  // namespace

ErrorCode startNote(PlayerInstance& p, ChannelState& c)
{
    const Sample* sample = currentSample(p, c);
    c.rowFlags &= ~rowNewNote;
    if (!sample)
        return ErrorCode::ok;
    c.vibratoPosition = 0;
    const SoundDevice& device = deviceOf(p);
    if (c.note == noteKeyOff && (p.module->flags & moduleNoteFadeRules))
        return releaseNote(p, c);
    if (c.note == noteFade) {
        c.noteFade = true;
        return ErrorCode::ok;
    }
    if (c.note == noteKeyOff) {
        const Instrument& instrument = *currentInstrument(p, c);
        const bool envelope = instrument.volumeEnvelope && instrument.volumeEnvelope->pointCount != 0;
        if (!envelope && !(c.rowFlags & rowNewInstrument))
            setVolume(p, c, 0);
        c.keyOff = 1;
        c.volumeEnvelope.hold = 0;
        c.panningEnvelope.hold = 0;
        return ErrorCode::ok;
    }
    if (c.note == noteCut)
        return device.operations.stopSound(device.context, c.deviceChannel);
    c.lastPlayedNote = c.note;
    startFilter(p, *currentInstrument(p, c), c);
    setPeriod(p, c, periodOfNote(p, c, c.note));
    // A sample without data is silence: the channel stops instead of replaying its last sample.
    if (sample->deviceHandle == 0)
        return device.operations.stopSound(device.context, c.deviceChannel);
    uint32_t rate = 0;
    if (ErrorCode e = rateOfPeriod(*p.module, sample, c.period, rate); e != ErrorCode::ok)
        return e;
    if (ErrorCode e = device.operations.playSound(device.context, c.deviceChannel, rate); e != ErrorCode::ok)
        return e;
    return c.sampleOffset != 0 ? setSampleOffset(p, c) : ErrorCode::ok;
}

// ---- Positions

void countWrap(PlayerInstance& p)
{
    ++p.songLoopCount;
    p.globalVolume = p.module->masterVolume;
}

void advancePosition(PlayerInstance& p)
{
    const std::vector<uint16_t>& orders = p.module->orders;
    // Every entry a skip marker would loop forever: one pass over the list is enough.
    for (size_t steps = 0; steps <= orders.size(); ++steps) {
        ++p.position;
        if (p.position > p.lastPosition || orders[p.position] == orderEnd) {
            p.position = p.restartPosition;
            countWrap(p);
        }
        if (orders[p.position] != orderSkip)
            break;
    }
    p.pattern = orders[p.position];
    p.rowCursor = noCursor;
}

ErrorCode setPosition(PlayerInstance& p, int32_t position)
{
    const std::vector<uint16_t>& orders = p.module->orders;
    const int64_t length = static_cast<int64_t>(orders.size());
    int64_t target = position >= length ? p.restartPosition : position < 0 ? length - 1 : position;
    const bool backwards = target < static_cast<int64_t>(p.position);
    for (int64_t steps = 0; steps < length && isMarker(orders[static_cast<size_t>(target)]); ++steps) {
        if (backwards)
            target = target == 0 ? length - 1 : target - 1;
        else
            target = target + 1 >= length ? p.restartPosition : target + 1;
    }
    p.position = static_cast<uint32_t>(target);
    p.pattern = orders[p.position];
    p.row = 0;
    p.rowCursor = noCursor;
    return ErrorCode::ok;
}

// ---- Instances

ErrorCode playerInit(PlayerSubsystem& subsystem, const SoundDevice* device)
{
    if (!device)
        return ErrorCode::invalidDevice;
    const SoundDeviceOperations& ops = device->operations;
    if (!ops.setUpdateRate || !ops.setSample || !ops.playSound || !ops.setPosition || !ops.setRate || !ops.setVolume ||
        !ops.setPanning || !ops.stopSound)
        return ErrorCode::invalidDevice;
    subsystem.slots = {};
    subsystem.device = device;
    subsystem.starting = false;
    subsystem.tempo = startTempo;
    subsystem.pendingUpdateRate = 0;
    return ops.setUpdateRate(device->context, updateRateOf(startTempo));
}

ErrorCode playerClose(PlayerSubsystem& subsystem)
{
    for (auto& slot : subsystem.slots)
        slot.reset();
    return ErrorCode::ok;
}

ErrorCode playSong(PlayerSubsystem& subsystem,
                   const Module& module,
                   int32_t firstPosition,
                   uint32_t lastPosition,
                   uint32_t restartPosition,
                   bool loop,
                   uint32_t channelCount,
                   std::span<const uint8_t> channelNumbers,
                   PlayerInstance*& instance)
{
    if (!subsystem.device)
        return ErrorCode::invalidDevice;
    const uint32_t length = module.songLength();
    if (length == 0 || channelNumbers.size() < channelCount)
        return ErrorCode::invalidArguments;
    if (firstPosition != -1 && (firstPosition < 0 || static_cast<uint32_t>(firstPosition) >= length ||
                                lastPosition >= length || restartPosition >= length))
        return ErrorCode::invalidArguments;
    const auto free = std::find(subsystem.slots.begin(), subsystem.slots.end(), nullptr);
    if (free == subsystem.slots.end())
        return ErrorCode::outOfResources;

    subsystem.starting = true;
    auto p = std::make_unique<PlayerInstance>();
    p->slot = static_cast<int32_t>(free - subsystem.slots.begin());
    p->subsystem = &subsystem;
    p->module = &module;
    p->speed = module.initialSpeed;
    p->tempo = module.initialTempo;
    p->globalVolume = module.masterVolume;
    p->loop = loop ? 1 : 0;
    if (firstPosition == -1) {
        p->position = 0;
        p->lastPosition = length - 1;
        p->restartPosition = std::min(module.restartPosition, length - 1);
    } else {
        p->position = static_cast<uint32_t>(firstPosition);
        p->lastPosition = lastPosition;
        p->restartPosition = restartPosition;
    }
    p->pattern = module.orders[p->position];
    applyModuleRules(*p);
    p->channelCount = channelCount;
    p->channels.resize(channelCount);
    for (uint32_t i = 0; i < channelCount; ++i) {
        ChannelState& c = p->channels[i];
        c.deviceChannel = channelNumbers[i];
        setPanning(c, i < module.channelPanning.size() ? module.channelPanning[i] : 128);
        c.songChannelVolume = i < module.channelVolume.size() ? module.channelVolume[i] : 64;
        c.surround = i < module.channelSurround.size() && module.channelSurround[i];
    }
    p->voices.resize(channelNumbers.size() - channelCount);
    for (size_t i = 0; i < p->voices.size(); ++i)
        p->voices[i].channel.deviceChannel = channelNumbers[channelCount + i];
    p->status = {p->position, p->pattern, 0, p->tempo, p->speed, -1, 0};
    subsystem.tempo = p->tempo;
    subsystem.pendingUpdateRate = 0;
    const ErrorCode error =
        subsystem.device->operations.setUpdateRate(subsystem.device->context, updateRateOf(p->tempo));
    if (error == ErrorCode::ok) {
        instance = p.get();
        *free = std::move(p);
    }
    subsystem.starting = false;
    return error;
}

ErrorCode stopSong(PlayerSubsystem& subsystem, PlayerInstance* instance)
{
    if (!instance)
        return ErrorCode::invalidArguments;
    for (auto& slot : subsystem.slots)
        if (slot.get() == instance) {
            slot.reset();
            return ErrorCode::ok;
        }
    return ErrorCode::noModulePlaying;
}

ErrorCode getStatus(PlayerInstance& p, MusicStatus& status)
{
    p.status.tempo = p.tempo;
    p.status.speed = p.speed;
    p.status.syncValue = p.syncValue;
    p.status.loopCount = p.songLoopCount;
    status.position = static_cast<int32_t>(p.status.position);
    status.pattern = static_cast<int32_t>(p.status.pattern);
    status.row = static_cast<int32_t>(p.status.row);
    status.syncInfo = p.status.syncValue;
    status.songLoopCount = static_cast<int32_t>(p.status.loopCount);
    return ErrorCode::ok;
}

ErrorCode setMusicVolume(PlayerInstance& p, uint32_t volume)
{
    if (volume > 64)
        return ErrorCode::invalidArguments;
    p.musicVolume = static_cast<uint8_t>(volume);
    return ErrorCode::ok;
}

ErrorCode setChannelVolume(PlayerInstance& p, uint32_t channel, uint32_t volume)
{
    if (channel >= p.channelCount)
        return ErrorCode::invalidChannel;
    if (volume > 64)
        return ErrorCode::invalidArguments;
    p.channels[channel].channelVolume = static_cast<uint8_t>(volume);
    return ErrorCode::ok;
}

ErrorCode setSyncCallback(PlayerInstance& p, SyncCallback callback)
{
    p.syncCallback = callback;
    return ErrorCode::ok;
}

void setTempoCallback(PlayerSubsystem& subsystem, TempoCallback callback) { subsystem.tempoCallback = callback; }

ErrorCode playerTick(PlayerSubsystem& subsystem)
{
    if (subsystem.starting)
        return ErrorCode::ok;
    if (subsystem.pendingUpdateRate != 0)
        if (ErrorCode e = setUpdateRate(subsystem, subsystem.pendingUpdateRate); e != ErrorCode::ok)
            return e;
    for (auto& slot : subsystem.slots)
        if (slot && (slot->songLoopCount == 0 || slot->loop))
            if (ErrorCode e = tickInstance(*slot); e != ErrorCode::ok)
                return e;
    return ErrorCode::ok;
}

}  // namespace corvid::player
