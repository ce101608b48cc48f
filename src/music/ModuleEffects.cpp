// The effect commands of ModulePlayer: the first-tick and per-tick passes of the effect column and the
// volume column, with their oscillators and counters.

#include "music/ModulePlayer.h"

namespace {

// trunc(255 x sin(pi i / 32)).
const int kVibratoSine[32] = {0,   24,  49,  74,  97,  120, 141, 161, 180, 197, 212, 224, 235, 244, 250, 253,
                              255, 253, 250, 244, 235, 224, 212, 197, 180, 161, 141, 120, 97,  74,  49,  24};

// The vibrato and tremolo waveforms (E4x, E7x); 2 and 3 are both square.
enum Waveform : int { kSineWave = 0, kRampWave = 1 };

// The volume change of a multi-retrigger (Rxy) by x: v x multiply / divide + add.
struct RetrigVolume {
    int multiply, divide, add;
};
constexpr RetrigVolume kRetrigVolume[16] = {
    {1, 1, 0}, {1, 1, -1}, {1, 1, -2}, {1, 1, -4}, {1, 1, -8}, {1, 1, -16}, {2, 3, 0}, {1, 2, 0},
    {1, 1, 0}, {1, 1, 1},  {1, 1, 2},  {1, 1, 4},  {1, 1, 8},  {1, 1, 16},  {3, 2, 0}, {2, 1, 0},
};

// A nonzero parameter is stored in the memory; zero reuses it.
int remember(int& memory, int param)
{
    if (param != 0)
        memory = param;
    return memory;
}

int slideAmount(int param)
{
    return (param >> 4) - (param & 0x0F);
}

} // namespace

void ModulePlayer::vibrato(ModuleChannel& c)
{
    int q = c.vibPos;
    int s = c.vibSpeed;
    int d = c.vibDepth;
    switch (c.vibWave) {
    case kSineWave:
        c.vibOffset = kVibratoSine[q & 31] * d * 4 / 128;
        if (q < 0)
            c.vibOffset = -c.vibOffset;
        q += s;
        if (q >= 32)
            q -= 63; // 63, not 64: the cycle is 63 steps long
        break;
    case kRampWave:
        c.vibOffset = d * (q & 63) * 16 / 128;
        q = (q + s) & 63;
        break;
    default:
        c.vibOffset = (512 - (q >> 5) * 1020) * d / 128;
        q = (q + s) & 63;
        break;
    }
    c.vibPos = q;
}

void ModulePlayer::tremolo(ModuleChannel& c)
{
    int q = c.tremPos;
    int s = c.tremSpeed;
    int d = c.tremDepth;
    switch (c.tremWave) {
    case kSineWave:
        c.tremOffset = kVibratoSine[q & 31] * d / 64;
        if (q < 0)
            c.tremOffset = -c.tremOffset;
        q += s;
        if (q >= 32)
            q -= 63;
        break;
    case kRampWave:
        c.tremOffset = d * (q & 63) * 4 / 64;
        q = (q + s) & 63;
        break;
    default:
        c.tremOffset = (128 - (q >> 5) * 255) * d / 64;
        q = (q + s) & 63;
        break;
    }
    c.tremPos = q;
}

void ModulePlayer::tonePortamento(ModuleChannel& c)
{
    int p = c.glissando ? c.glissPeriod : c.period;
    int target = c.targetPeriod;
    if (target != 0) {
        if (p < target) {
            p += c.portaSpeed * 4;
            if (p > target)
                p = target;
        } else if (p > target) {
            p -= c.portaSpeed * 4;
            if (p < target)
                p = target;
        }
    }
    if (c.glissando) {
        c.glissPeriod = Periods::clampPeriod(p);
        setPeriod(c, m_periods.roundToNote(m_frequencyMode, c.glissPeriod, c.finetune));
    } else {
        setPeriod(c, p);
    }
    c.vibOffset = 0;
}

void ModulePlayer::arpeggio(ModuleChannel& c)
{
    c.arpCounter %= 3;
    int phase = c.arpCounter;
    int nibble = phase == 0 ? c.arpY : (phase == 1 ? c.arpX : 0);
    if (m_frequencyMode == 0) {
        int rounded = m_periods.roundToNote(0, c.period, c.finetune);
        c.arpOffset = phase == 2 ? 0 : (rounded + nibble * Periods::kLinearNoteStep) - c.period;
    } else {
        int note = m_periods.noteOfPeriod(c.period);
        int target = note + nibble;
        c.arpOffset = target != note ? Periods::amiga(target, c.finetune) - c.period : 0;
    }
    ++c.arpCounter;
}

void ModulePlayer::multiRetrigStep(ModuleChannel& c)
{
    ++c.multiCounter;
    // >= so that an interval lowered below the running counter still fires; 0 never fires.
    if (c.multiInterval == 0 || c.multiCounter < c.multiInterval)
        return;
    c.multiCounter = 0;
    retriggerNote(c);
    const RetrigVolume& change = kRetrigVolume[c.multiKind & 15];
    setVolume(c, c.volume * change.multiply / change.divide + change.add);
}

void ModulePlayer::tremorStep(ModuleChannel& c)
{
    // >= so that a lowered count still switches; a count of 0 never does.
    if (c.tremorGate == 1 && c.tremorOn != 0 && c.tremorCounter >= c.tremorOn) {
        c.tremorCounter = 0;
        c.tremorGate = 0;
    } else if (c.tremorGate == 0 && c.tremorOff != 0 && c.tremorCounter >= c.tremorOff) {
        c.tremorCounter = 0;
        c.tremorGate = 1;
    }
    ++c.tremorCounter;
}

void ModulePlayer::volumeColumnFirstTick(ModuleChannel& c)
{
    int v = c.volumeByte;
    int y = v & 0x0F;
    if (v >= XmVolume::kSetFirst && v <= XmVolume::kSetLast) {
        setVolume(c, v - XmVolume::kSetFirst);
        return;
    }
    switch (v >> 4) {
    case XmVolume::FineDown: setVolume(c, c.volume - y); break;
    case XmVolume::FineUp: setVolume(c, c.volume + y); break;
    case XmVolume::VibratoSpeed:
        if (y)
            c.vibSpeed = y;
        break;
    case XmVolume::Vibrato:
        if (y)
            c.vibDepth = y;
        break;
    case XmVolume::SetPanning: setPanning(c, y * 16); break;
    case XmVolume::TonePorta:
        if (y)
            c.portaSpeed = y * 16;
        break;
    default: break;
    }
}

void ModulePlayer::volumeColumnPerTick(ModuleChannel& c)
{
    int v = c.volumeByte;
    int y = v & 0x0F;
    switch (v >> 4) {
    case XmVolume::SlideDown: setVolume(c, c.volume - y); break;
    case XmVolume::SlideUp: setVolume(c, c.volume + y); break;
    case XmVolume::Vibrato: vibrato(c); break;
    case XmVolume::PanSlideLeft: setPanning(c, c.panning - y); break;
    case XmVolume::PanSlideRight: setPanning(c, c.panning + y); break;
    case XmVolume::TonePorta: tonePortamento(c); break;
    default: break;
    }
}

void ModulePlayer::firstTickPass(ModuleChannel& c)
{
    int p = c.effectParam;
    int x = p >> 4;
    int y = p & 0x0F;
    switch (c.effectType) {
    case XmEffect::Arpeggio:
        c.arpCounter = 0;
        c.arpOffset = 0;
        c.arpX = x;
        c.arpY = y;
        break;
    case XmEffect::PortaUp: remember(c.memPortaUp, p); break;
    case XmEffect::PortaDown: remember(c.memPortaDown, p); break;
    case XmEffect::TonePorta: remember(c.portaSpeed, p); break;
    case XmEffect::Vibrato:
        if (y)
            c.vibDepth = y;
        if (x)
            c.vibSpeed = x;
        break;
    case XmEffect::TonePortaVolumeSlide:
        if (p)
            c.memSlide5 = slideAmount(p);
        break;
    case XmEffect::VibratoVolumeSlide:
        if (p)
            c.memSlide6 = slideAmount(p);
        break;
    case XmEffect::Tremolo:
        if (y)
            c.tremDepth = y;
        if (x)
            c.tremSpeed = x;
        break;
    case XmEffect::SetPanning: setPanning(c, p); break;
    case XmEffect::VolumeSlide:
        if (p)
            c.memSlideA = slideAmount(p);
        break;
    case XmEffect::PositionJump:
        m_jumpTarget = p;
        m_jump = true;
        m_breakRow = 0;
        break;
    case XmEffect::SetVolume: setVolume(c, p); break;
    case XmEffect::PatternBreak:
        if (m_jumpTarget == 4095)
            m_jumpTarget = m_orderPos + 1;
        m_jump = true;
        m_breakRow = x * 10 + y; // up to 165; rows beyond the pattern decode as empty
        break;
    case XmEffect::SetSpeed:
        if (p > 31)
            m_tempo = p; // takes effect on the next tick
        else
            m_speed = p; // 0 freezes the song position
        break;
    case XmEffect::SetGlobalVolume: m_globalVolume = p * 4; break; // not clamped
    case XmEffect::GlobalVolumeSlide:
        if (p)
            c.memGlobalSlide = slideAmount(p);
        break;
    case XmEffect::SetEnvelopePosition:
        c.volumeCursor.moveTo(p);
        c.panningCursor.moveTo(p);
        break;
    case XmEffect::PanningSlide:
        if (p)
            c.memPanSlide = slideAmount(p);
        break;
    case XmEffect::MultiRetrig:
        if (x)
            c.multiKind = x;
        if (y)
            c.multiInterval = y;
        multiRetrigStep(c);
        break;
    case XmEffect::Tremor:
        if (y)
            c.tremorOff = y + 1;
        if (x)
            c.tremorOn = x + 1;
        break;
    case XmEffect::Sync: postSyncEvent(m_tickTime, c.index, p); break;
    case XmEffect::ExtraFinePorta:
        if (x == 1) {
            if (y)
                c.memExtraUp = y;
            setPeriod(c, c.period - c.memExtraUp);
        } else if (x == 2) {
            if (y)
                c.memExtraDown = y;
            setPeriod(c, c.period + c.memExtraDown);
        }
        break;
    case XmEffect::FinePortaUp: setPeriod(c, c.period - remember(c.memFineUp, y) * 4); break;
    case XmEffect::FinePortaDown: setPeriod(c, c.period + remember(c.memFineDown, y) * 4); break;
    case XmEffect::GlissandoControl:
        c.glissPeriod = c.period;
        c.glissando = (y & 1) != 0;
        break;
    case XmEffect::VibratoControl:
        c.vibWave = y & 3;
        c.vibNoRetrig = (y >> 2) != 0;
        break;
    case XmEffect::PatternLoop:
        if (y == 0) {
            c.loopStartRow = m_row - 1; // the row counter already points at the next row
        } else {
            if (c.loopCounter == 0)
                c.loopCounter = y;
            else
                --c.loopCounter;
            if (c.loopCounter != 0)
                m_row = c.loopStartRow;
        }
        break;
    case XmEffect::TremoloControl:
        c.tremWave = y & 3;
        c.tremNoRetrig = (y >> 2) != 0;
        break;
    case XmEffect::Retrigger: c.retrigCounter = y; break;
    case XmEffect::FineVolumeUp: setVolume(c, c.volume + remember(c.memFineVolUp, y)); break;
    case XmEffect::FineVolumeDown: setVolume(c, c.volume - remember(c.memFineVolDown, y)); break;
    case XmEffect::NoteCut:
        if (m_tick == y)
            c.volume = 0;
        break;
    case XmEffect::PatternDelay: m_patternDelay = y; break;
    default: break;
    }
    updateVoice(c);
}

void ModulePlayer::perTickPass(ModuleChannel& c)
{
    volumeColumnPerTick(c);
    int p = c.effectParam;
    switch (c.effectType) {
    case XmEffect::Arpeggio: arpeggio(c); break;
    case XmEffect::PortaUp: setPeriod(c, c.period - c.memPortaUp * 4); break;
    case XmEffect::PortaDown: setPeriod(c, c.period + c.memPortaDown * 4); break;
    case XmEffect::TonePorta: tonePortamento(c); break;
    case XmEffect::Vibrato: vibrato(c); break;
    case XmEffect::TonePortaVolumeSlide:
        tonePortamento(c);
        setVolume(c, c.volume + c.memSlide5);
        break;
    case XmEffect::VibratoVolumeSlide:
        vibrato(c);
        setVolume(c, c.volume + c.memSlide6);
        break;
    case XmEffect::Tremolo: tremolo(c); break;
    case XmEffect::VolumeSlide: setVolume(c, c.volume + c.memSlideA); break;
    case XmEffect::GlobalVolumeSlide: {
        int g = m_globalVolume + c.memGlobalSlide * 4;
        m_globalVolume = g < 0 ? 0 : (g > 256 ? 256 : g);
        break;
    }
    case XmEffect::KeyOff:
        if (m_tick == p)
            keyOffChannel(c);
        break;
    case XmEffect::PanningSlide: setPanning(c, c.panning + c.memPanSlide); break;
    case XmEffect::MultiRetrig: multiRetrigStep(c); break;
    case XmEffect::Tremor: tremorStep(c); break;
    case XmEffect::Retrigger:
        // Fires every x ticks; x = 0 never.
        if (c.retrigCounter > 0) {
            int was = c.retrigCounter--;
            if (was == 1) {
                c.retrigCounter = p;
                retriggerNote(c);
            }
        }
        break;
    case XmEffect::NoteCut:
        if (m_tick == p)
            c.volume = 0;
        break;
    case XmEffect::NoteDelay:
        if (m_tick == p && p != 0) {
            if (c.note == 0) {
                retriggerNote(c);
            } else if (c.note == kKeyOffNote) {
                keyOffChannel(c);
                c.restartEnvelopes();
            }
        }
        break;
    default: break;
    }
    updateVoice(c);
}
