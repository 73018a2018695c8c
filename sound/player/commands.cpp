// One function per command: the row handler runs on the row's first tick,
// the tick handler on every later tick of the row. Both are found through
// one table indexed by the Command the loader stored.

#include <algorithm>
#include <array>

#include "sound/player/engine.h"

namespace corvid::player {

namespace {

using Handler = ErrorCode (*)(PlayerInstance&, ChannelState&);

uint8_t high(const ChannelState& c) { return c.argument >> 4; }
uint8_t low(const ChannelState& c) { return c.argument & 15; }

ErrorCode nothing(PlayerInstance&, ChannelState&) { return ErrorCode::ok; }

// Key off, cut and fade are no notes to play.
bool hasPlayableNote(const ChannelState& c) { return c.instrument != -1 && c.sample != noSample && c.note < noteFade; }

// A new note under tone portamento becomes the slide's target instead of starting.
void setPortaTarget(PlayerInstance& p, ChannelState& c)
{
    if ((c.rowFlags & rowNewNote) && hasPlayableNote(c)) {
        c.portaTarget = periodOfNote(p, c, c.note);
        c.rowFlags &= ~rowNewNote;
    }
}

// IT's volume-column tone portamento speeds, by the column's digit.
constexpr std::array<uint8_t, 10> volumePortaSpeeds = {0, 1, 4, 8, 16, 32, 64, 96, 128, 255};

// The speed tone portamento remembers: its own, or with
// moduleSharedPortaMemory the one porta up and down share.
uint8_t& tonePortaMemory(const PlayerInstance& p, ChannelState& c)
{
    return (p.module->flags & moduleSharedPortaMemory) ? c.commandMemory[indexOf(Command::portaDownWithFine)]
                                                       : c.tonePortaSpeed;
}

void slideToTarget(PlayerInstance& p, ChannelState& c, uint32_t speed)
{
    if (c.portaTarget == 0 || c.period == c.portaTarget)
        return;
    const int32_t step = static_cast<int32_t>(speed << p.periodShift);
    const int32_t period = c.period < c.portaTarget ? std::min(c.period + step, c.portaTarget)
                                                    : std::max(c.period - step, c.portaTarget);
    setPeriod(p, c, period);
}

}  // namespace

ErrorCode setUpdateRate(PlayerSubsystem& subsystem, uint32_t centiHertz)
{
    subsystem.pendingUpdateRate = 0;
    if (subsystem.tempoCallback)
        subsystem.tempoCallback(centiHertz);
    return subsystem.device->operations.setUpdateRate(subsystem.device->context, centiHertz);
}

ErrorCode changeTempo(PlayerInstance& p, uint32_t tempo)
{
    p.tempo = tempo;
    PlayerSubsystem& subsystem = *p.subsystem;
    subsystem.tempo = tempo;
    // The device times the tick in progress by a rate set before any of its
    // frames is mixed, so a rate the next tick sets counts from the tick after.
    if (!(p.module->flags & moduleTempoTimesItsRow)) {
        subsystem.pendingUpdateRate = tempo * 40;
        return ErrorCode::ok;
    }
    return setUpdateRate(subsystem, tempo * 40);
}

void vibrato(PlayerInstance& p, ChannelState& c, uint32_t extraShift)
{
    // Depth is in sixteenths of a MOD period unit; the period shift scales it.
    if (p.module->flags & moduleItEffects)
        ++extraShift;
    const int32_t offset = vibratoSine[c.vibratoPosition & 31] * c.vibratoDepth >> (7 - p.periodShift + extraShift);
    setOutputPeriod(p, c, (c.vibratoPosition & 32) ? c.period - offset : c.period + offset);
    c.vibratoPosition = static_cast<uint8_t>(c.vibratoPosition + c.vibratoSpeed);
}

namespace {

// Axy, shared by 5xy and 6xy: a zero argument takes the last one given.
void volumeSlide(PlayerInstance& p, ChannelState& c)
{
    if (c.argument != 0)
        c.volumeSlideMemory = c.argument;
    const uint8_t argument = c.volumeSlideMemory;
    const int32_t up = argument >> 4, down = argument & 15;
    setVolume(p, c, up != 0 ? c.volume + up : c.volume - down);
}

ErrorCode arpeggio(PlayerInstance& p, ChannelState& c)
{
    if (!hasPlayableNote(c))
        return ErrorCode::ok;
    const std::array<int32_t, 3> steps = {0, high(c), low(c)};
    const int32_t semitone = (c.note & 15) + steps[p.tick % 3];
    const int32_t octave = (c.note >> 4) + semitone / 12;
    setOutputPeriod(p, c, periodOfNote(p, c, static_cast<uint8_t>(octave << 4 | semitone % 12)));
    return ErrorCode::ok;
}

ErrorCode portaUp(PlayerInstance& p, ChannelState& c)
{
    setPeriod(p, c, c.period - static_cast<int32_t>(c.argument << p.periodShift));
    return ErrorCode::ok;
}

ErrorCode portaDown(PlayerInstance& p, ChannelState& c)
{
    setPeriod(p, c, c.period + static_cast<int32_t>(c.argument << p.periodShift));
    return ErrorCode::ok;
}

// The speed is remembered on the row's first tick, where the volume column's
// and the pitch slides' are too.
ErrorCode tonePortaRow(PlayerInstance& p, ChannelState& c)
{
    setPortaTarget(p, c);
    if (c.command == Command::tonePorta && c.argument != 0)
        tonePortaMemory(p, c) = c.argument;
    return ErrorCode::ok;
}

ErrorCode tonePortaTick(PlayerInstance& p, ChannelState& c)
{
    slideToTarget(p, c, tonePortaMemory(p, c));
    return ErrorCode::ok;
}

ErrorCode vibratoTick(PlayerInstance& p, ChannelState& c)
{
    if (high(c) != 0)
        c.vibratoSpeed = high(c);
    if (low(c) != 0)
        c.vibratoDepth = low(c);
    vibrato(p, c);
    return ErrorCode::ok;
}

ErrorCode tonePortaVolumeSlideTick(PlayerInstance& p, ChannelState& c)
{
    volumeSlide(p, c);
    slideToTarget(p, c, tonePortaMemory(p, c));
    return ErrorCode::ok;
}

ErrorCode vibratoVolumeSlideTick(PlayerInstance& p, ChannelState& c)
{
    volumeSlide(p, c);
    vibrato(p, c);
    return ErrorCode::ok;
}

ErrorCode volumeSlideTick(PlayerInstance& p, ChannelState& c)
{
    volumeSlide(p, c);
    return ErrorCode::ok;
}

ErrorCode setPanningRow(PlayerInstance&, ChannelState& c)
{
    setPanning(c, c.argument);
    return ErrorCode::ok;
}

ErrorCode sampleOffsetRow(PlayerInstance& p, ChannelState& c)
{
    if (c.argument != 0)
        c.sampleOffsetMemory = c.argument;
    if (!(c.rowFlags & rowNewNote))
        return ErrorCode::ok;
    c.sampleOffset = c.sampleOffsetHigh * 65536 + c.sampleOffsetMemory * 256;
    const Sample* sample = currentSample(p, c);
    const uint32_t frames = sample ? sample->length / (sample->type == SampleDataType::pcm16 ? 2 : 1) : 0;
    if ((p.module->flags & moduleItEffects) && static_cast<uint32_t>(c.sampleOffset) >= frames)
        c.sampleOffset = 0;
    return startNote(p, c);
}

ErrorCode highOffsetRow(PlayerInstance&, ChannelState& c)
{
    c.sampleOffsetHigh = low(c);
    return ErrorCode::ok;
}

ErrorCode surroundRow(PlayerInstance&, ChannelState& c)
{
    if (low(c) <= 1)
        c.surround = low(c) == 1;
    return ErrorCode::ok;
}

// S6x: several on one row add up.
ErrorCode finePatternDelayRow(PlayerInstance& p, ChannelState& c)
{
    p.rowExtraTicks += low(c);
    return ErrorCode::ok;
}

uint32_t rowCountAt(const PlayerInstance& p, uint32_t pattern)
{
    return pattern < p.module->patterns.size() ? p.module->patterns[pattern].rowCount : 1;
}

// Bxx. A pattern break earlier on the same row keeps its row.
ErrorCode positionJumpRow(PlayerInstance& p, ChannelState& c)
{
    if (c.argument > p.lastPosition) {
        p.position = p.restartPosition;
        countWrap(p);
    } else {
        if (c.argument <= p.position)
            ++p.songLoopCount;
        p.position = c.argument;
    }
    p.pattern = p.module->orders[p.position];
    p.row = p.breakRow < 0 ? 0 : std::min<uint32_t>(p.breakRow, rowCountAt(p, p.pattern) - 1);
    p.rowCursor = noCursor;
    p.jumpedThisRow = true;
    return ErrorCode::ok;
}

ErrorCode setVolumeRow(PlayerInstance& p, ChannelState& c)
{
    setVolume(p, c, c.argument);
    return ErrorCode::ok;
}

ErrorCode patternBreakRow(PlayerInstance& p, ChannelState& c)
{
    if (!p.jumpedThisRow)
        advancePosition(p);
    p.breakRow = high(c) * 10 + low(c);
    p.row = std::min<uint32_t>(p.breakRow, rowCountAt(p, p.pattern) - 1);
    p.rowCursor = noCursor;
    return ErrorCode::ok;
}

// F00 restarts the song; the speed stays as it was, since a speed of 0 would
// read a new row on every tick.
ErrorCode setSpeedRow(PlayerInstance& p, ChannelState& c)
{
    if (c.argument != 0) {
        p.speed = c.argument;
        return ErrorCode::ok;
    }
    p.position = p.restartPosition;
    p.pattern = p.module->orders[p.position];
    p.row = 0;
    p.rowCursor = noCursor;
    countWrap(p);
    return ErrorCode::ok;
}

ErrorCode setTempoRow(PlayerInstance& p, ChannelState& c) { return changeTempo(p, c.argument); }

ErrorCode finePortaUpRow(PlayerInstance& p, ChannelState& c)
{
    setPeriod(p, c, c.period - static_cast<int32_t>(low(c) << p.periodShift));
    return ErrorCode::ok;
}

ErrorCode finePortaDownRow(PlayerInstance& p, ChannelState& c)
{
    setPeriod(p, c, c.period + static_cast<int32_t>(low(c) << p.periodShift));
    return ErrorCode::ok;
}

// E6x; the loop row and counter are the channel's own.
ErrorCode patternLoopRow(PlayerInstance& p, ChannelState& c)
{
    const uint8_t count = low(c);
    if (count == 0) {
        c.patternLoopRow = static_cast<uint8_t>(p.row);
        return ErrorCode::ok;
    }
    if (c.patternLoopCounter == 1) {
        c.patternLoopCounter = 0;
        if (p.module->flags & moduleLoopStartMovesOn)
            c.patternLoopRow = static_cast<uint8_t>(p.row + 1);
        return ErrorCode::ok;
    }
    c.patternLoopCounter = c.patternLoopCounter == 0 ? count : static_cast<uint8_t>(c.patternLoopCounter - 1);
    p.row = c.patternLoopRow;
    p.rowCursor = noCursor;
    return ErrorCode::ok;
}

ErrorCode finePanningRow(PlayerInstance&, ChannelState& c)
{
    const int32_t y = low(c);
    setPanning(c, y <= 6 ? y * 8 : y <= 8 ? 64 : y * 8 + 8);
    return ErrorCode::ok;
}

ErrorCode startRetriggerRow(PlayerInstance&, ChannelState& c)
{
    c.retriggerCounter = 1;
    return ErrorCode::ok;
}

ErrorCode retriggerTick(PlayerInstance& p, ChannelState& c)
{
    if (low(c) != 0 && c.retriggerCounter >= low(c)) {
        if (ErrorCode e = setSampleOffset(p, c); e != ErrorCode::ok)
            return e;
        c.retriggerCounter = 0;
    }
    ++c.retriggerCounter;
    return ErrorCode::ok;
}

ErrorCode fineVolumeUpRow(PlayerInstance& p, ChannelState& c)
{
    setVolume(p, c, c.volume + low(c));
    return ErrorCode::ok;
}

ErrorCode fineVolumeDownRow(PlayerInstance& p, ChannelState& c)
{
    setVolume(p, c, c.volume - low(c));
    return ErrorCode::ok;
}

ErrorCode noteCut(PlayerInstance& p, ChannelState& c)
{
    if (p.tick == low(c))
        setVolume(p, c, 0);
    return ErrorCode::ok;
}

ErrorCode noteDelayRow(PlayerInstance&, ChannelState& c)
{
    if (low(c) != 0 && (c.rowFlags & rowNewNote)) {
        c.rowFlags |= rowNoteDelayed;
        c.rowFlags &= ~rowNewNote;
    }
    return ErrorCode::ok;
}

ErrorCode noteDelayTick(PlayerInstance& p, ChannelState& c)
{
    if (p.tick != low(c) || !(c.rowFlags & rowNoteDelayed))
        return ErrorCode::ok;
    c.rowFlags &= ~rowNoteDelayed;
    resetInstrumentState(p, c);
    if ((p.module->flags & moduleNewNoteActions) && c.note < noteFade)
        c.keyOff = 0;  // as an IT note without a delay
    return startNote(p, c);
}

ErrorCode patternDelayRow(PlayerInstance& p, ChannelState& c)
{
    if (p.patternDelay == 0)
        p.patternDelay = low(c);
    return ErrorCode::ok;
}

ErrorCode globalVolumeRow(PlayerInstance& p, ChannelState& c)
{
    setGlobalVolume(p, c.argument);
    return ErrorCode::ok;
}

ErrorCode globalVolumeSlideTick(PlayerInstance& p, ChannelState& c)
{
    setGlobalVolume(p, high(c) != 0 ? p.globalVolume + high(c) : p.globalVolume - low(c));
    return ErrorCode::ok;
}


ErrorCode multiRetriggerTick(PlayerInstance& p, ChannelState& c)
{
    if (c.retriggerCounter >= low(c)) {
        if (ErrorCode e = setSampleOffset(p, c); e != ErrorCode::ok)
            return e;
        c.retriggerCounter = 0;
        setVolume(p, c, retriggerVolume(c.volume, high(c), RetriggerScale::sixteenths));
    }
    ++c.retriggerCounter;
    return ErrorCode::ok;
}

ErrorCode syncRow(PlayerInstance& p, ChannelState& c)
{
    p.syncValue = c.argument;
    p.status.syncValue = c.argument;
    if (p.syncCallback)
        p.syncCallback(c.argument, p.position, p.row);
    return ErrorCode::ok;
}

ErrorCode extraFinePortaUpRow(PlayerInstance& p, ChannelState& c)
{
    setPeriod(p, c, c.period - low(c));
    return ErrorCode::ok;
}

ErrorCode extraFinePortaDownRow(PlayerInstance& p, ChannelState& c)
{
    setPeriod(p, c, c.period + low(c));
    return ErrorCode::ok;
}

ErrorCode panningSlideTick(PlayerInstance&, ChannelState& c)
{
    setPanning(c, high(c) != 0 ? c.panning + high(c) : c.panning - low(c));
    return ErrorCode::ok;
}

ErrorCode setChannelVolumeRow(PlayerInstance&, ChannelState& c)
{
    if (c.argument <= 64)
        c.songChannelVolume = c.argument;
    return ErrorCode::ok;
}

// Runs on every tick of the row, the first included; the count goes on
// from row to row while the command repeats.
ErrorCode tremor(PlayerInstance&, ChannelState& c)
{
    if (c.argument != 0)
        c.commandMemory[indexOf(Command::tremor)] = c.argument;
    const uint8_t argument = c.commandMemory[indexOf(Command::tremor)];
    const uint32_t on = std::max(argument >> 4, 1), off = std::max(argument & 15, 1);
    c.tremorPosition = static_cast<uint8_t>(c.tremorPosition % (on + off));
    c.tremorSilent = c.tremorPosition >= on;
    ++c.tremorPosition;
    return ErrorCode::ok;
}

ErrorCode panbrelloRow(PlayerInstance&, ChannelState& c)
{
    if (high(c) != 0)
        c.panbrelloSpeed = high(c);
    if (low(c) != 0)
        c.panbrelloDepth = low(c);
    return ErrorCode::ok;
}

// The sine of 64 steps read at a quarter of the position; depth 15 swings
// the panning by up to 119 of 255.
ErrorCode panbrelloTick(PlayerInstance&, ChannelState& c)
{
    const uint32_t step = c.panbrelloPosition >> 2;
    const int32_t swing = vibratoSine[step & 31] * c.panbrelloDepth >> 5;
    c.panbrelloOffset = (step & 32) ? -swing : swing;
    c.panbrelloPosition = static_cast<uint8_t>(c.panbrelloPosition + c.panbrelloSpeed);
    return ErrorCode::ok;
}

ErrorCode midiMacro(PlayerInstance& p, ChannelState& c)
{
    applyMidiMacro(p, c);
    return ErrorCode::ok;
}

ErrorCode selectMidiMacro(PlayerInstance&, ChannelState& c)
{
    c.selectedMacro = c.argument;
    return ErrorCode::ok;
}

struct CommandHandlers {
    Command command;
    Handler row;
    Handler tick;
};

// Tremolo (7xy) has no audible effect.
constexpr std::array<CommandHandlers, commandCount> commands = {{
    {Command::none, nothing, nothing},
    {Command::arpeggio, nothing, arpeggio},
    {Command::portaUp, nothing, portaUp},
    {Command::portaDown, nothing, portaDown},
    {Command::tonePorta, tonePortaRow, tonePortaTick},
    {Command::vibrato, nothing, vibratoTick},
    {Command::tonePortaVolumeSlide, tonePortaRow, tonePortaVolumeSlideTick},
    {Command::vibratoVolumeSlide, nothing, vibratoVolumeSlideTick},
    {Command::tremolo, nothing, nothing},
    {Command::setPanning, setPanningRow, nothing},
    {Command::sampleOffset, sampleOffsetRow, nothing},
    {Command::volumeSlide, nothing, volumeSlideTick},
    {Command::positionJump, positionJumpRow, nothing},
    {Command::setVolume, setVolumeRow, nothing},
    {Command::patternBreak, patternBreakRow, nothing},
    {Command::setSpeed, setSpeedRow, nothing},
    {Command::setTempo, setTempoRow, nothing},
    {Command::finePortaUp, finePortaUpRow, nothing},
    {Command::finePortaDown, finePortaDownRow, nothing},
    {Command::patternLoop, patternLoopRow, nothing},
    {Command::finePanning, finePanningRow, nothing},
    {Command::retrigger, startRetriggerRow, retriggerTick},
    {Command::fineVolumeUp, fineVolumeUpRow, nothing},
    {Command::fineVolumeDown, fineVolumeDownRow, nothing},
    {Command::noteCut, noteCut, noteCut},
    {Command::noteDelay, noteDelayRow, noteDelayTick},
    {Command::patternDelay, patternDelayRow, nothing},
    {Command::globalVolume, globalVolumeRow, nothing},
    {Command::globalVolumeSlide, nothing, globalVolumeSlideTick},
    {Command::multiRetrigger, startRetriggerRow, multiRetriggerTick},
    {Command::sync, syncRow, nothing},
    {Command::extraFinePortaUp, extraFinePortaUpRow, nothing},
    {Command::extraFinePortaDown, extraFinePortaDownRow, nothing},
    {Command::panningSlide, nothing, panningSlideTick},
    {Command::volumeSlideWithFine, volumeSlideWithFine, volumeSlideWithFine},
    {Command::portaDownWithFine, portaDownWithFine, portaDownWithFine},
    {Command::portaUpWithFine, portaUpWithFine, portaUpWithFine},
    {Command::fineVibrato, nothing, fineVibratoTick},
    {Command::tempoSlide, nothing, tempoSlideTick},
    {Command::setChannelVolume, setChannelVolumeRow, nothing},
    {Command::channelVolumeSlide, channelVolumeSlide, channelVolumeSlide},
    {Command::panningSlideWithFine, panningSlideWithFine, panningSlideWithFine},
    {Command::tremor, tremor, tremor},
    {Command::panbrello, panbrelloRow, panbrelloTick},
    {Command::noteActionControl, noteActionControl, nothing},
    {Command::retriggerWithVolume, retriggerWithVolume, retriggerWithVolume},
    {Command::globalVolumeSlideWithFine, globalVolumeSlideWithFine, globalVolumeSlideWithFine},
    {Command::highOffset, highOffsetRow, nothing},
    {Command::surround, surroundRow, nothing},
    {Command::finePatternDelay, finePatternDelayRow, nothing},
    {Command::midiMacro, midiMacro, nothing},
    {Command::selectMidiMacro, selectMidiMacro, nothing},
}};

constexpr bool inCommandOrder()
{
    for (size_t i = 0; i < commands.size(); ++i)
        if (indexOf(commands[i].command) != i)
            return false;
    return true;
}
static_assert(inCommandOrder(), "the handler table follows the Command numbering");

constexpr std::array<Command, 9> commandsWithMemory = {
    Command::portaUp,         Command::portaDown,         Command::finePortaUp,
    Command::finePortaDown,   Command::fineVolumeUp,      Command::fineVolumeDown,
    Command::globalVolumeSlide, Command::extraFinePortaUp, Command::extraFinePortaDown,
};

}  // namespace

// A cutoff or resonance given during a note turns its filter on, unless
// the filter would be left open (cutoff 127, resonance 0).
void applyMidiMacro(const PlayerInstance& p, ChannelState& c)
{
    const MidiMacros& macros = p.module->midiMacros;
    const MidiMacro& macro =
        c.argument < 0x80 ? macros.parametered[c.selectedMacro & 15] : macros.fixed[c.argument - 0x80];
    const auto apply = [&](const MacroSetting& setting, uint8_t& value) {
        if (setting.source == MacroSetting::Source::fixed)
            value = setting.value;
        else if (setting.source == MacroSetting::Source::argument)
            value = c.argument & 0x7F;
    };
    apply(macro.cutoff, c.filterCutoff);
    apply(macro.resonance, c.filterResonance);
    c.filterOn = c.filterOn || c.filterCutoff < maximumCutoff || c.filterResonance > 0;
}

void applyCommandMemory(ChannelState& c)
{
    if (c.argument != 0)
        c.commandMemory[indexOf(c.command)] = c.argument;
    else if (std::find(commandsWithMemory.begin(), commandsWithMemory.end(), c.command) != commandsWithMemory.end())
        c.argument = c.commandMemory[indexOf(c.command)];
}

ErrorCode runRowCommand(PlayerInstance& p, ChannelState& c)
{
    return commands[indexOf(c.command)].row(p, c);
}

ErrorCode runTickCommand(PlayerInstance& p, ChannelState& c)
{
    return commands[indexOf(c.command)].tick(p, c);
}

// Volume-column bytes above 64: high nibble the effect, low nibble d.
ErrorCode runVolumeColumnRow(PlayerInstance& p, ChannelState& c)
{
    const int32_t d = c.volumeColumn & 15;
    switch (volumeEffectOf(c.volumeColumn)) {
    case VolumeEffect::fineDown: setVolume(p, c, c.volume - d); break;
    case VolumeEffect::fineUp: setVolume(p, c, c.volume + d); break;
    case VolumeEffect::vibratoSpeed: c.vibratoSpeed = static_cast<uint8_t>(d); break;
    case VolumeEffect::setPanning: setPanning(c, d * 17); break;
    case VolumeEffect::tonePorta:
        setPortaTarget(p, c);
        if ((p.module->flags & moduleVolumePortaTable) && d != 0)
            tonePortaMemory(p, c) = volumePortaSpeeds[static_cast<size_t>(std::min(d, 9))];
        break;
    case VolumeEffect::pitchSlideDown: volumeColumnPitchSlide(p, c, static_cast<uint8_t>(d - 1), 1); break;
    case VolumeEffect::pitchSlideUp: volumeColumnPitchSlide(p, c, static_cast<uint8_t>(d - 1), -1); break;
    default: break;
    }
    return ErrorCode::ok;
}

ErrorCode firstTickVibrato(PlayerInstance& p, ChannelState& c)
{
    if (!(p.module->flags & moduleItEffects))
        return ErrorCode::ok;
    if ((c.rowFlags & rowVolumeColumn) && volumeEffectOf(c.volumeColumn) == VolumeEffect::vibrato) {
        c.vibratoDepth = c.volumeColumn & 15;
        vibrato(p, c);
    }
    if (!(c.rowFlags & rowCommand))
        return ErrorCode::ok;
    switch (c.command) {
    case Command::vibrato: return vibratoTick(p, c);
    case Command::fineVibrato: return fineVibratoTick(p, c);
    case Command::vibratoVolumeSlide: vibrato(p, c); break;
    default: break;
    }
    return ErrorCode::ok;
}

ErrorCode runVolumeColumnTick(PlayerInstance& p, ChannelState& c)
{
    const int32_t d = c.volumeColumn & 15;
    switch (volumeEffectOf(c.volumeColumn)) {
    case VolumeEffect::slideDown: setVolume(p, c, c.volume - d); break;
    case VolumeEffect::slideUp: setVolume(p, c, c.volume + d); break;
    case VolumeEffect::vibrato:
        c.vibratoDepth = static_cast<uint8_t>(d);
        vibrato(p, c);
        break;
    case VolumeEffect::panningSlideLeft: setPanning(c, c.panning - d); break;
    case VolumeEffect::panningSlideRight: setPanning(c, c.panning + d); break;
    case VolumeEffect::tonePorta:
        slideToTarget(p, c,
                      (p.module->flags & moduleVolumePortaTable) ? tonePortaMemory(p, c) : static_cast<uint32_t>(d * 16));
        break;
    case VolumeEffect::pitchSlideDown: volumeColumnPitchSlide(p, c, 0, 1); break;
    case VolumeEffect::pitchSlideUp: volumeColumnPitchSlide(p, c, 0, -1); break;
    default: break;
    }
    return ErrorCode::ok;
}

}  // namespace corvid::player
