// The effect commands of ModulePlayer: the first-tick and per-tick passes of the effect column and the
// volume column, with their oscillators and counters.

#include "music/ModulePlayer.h"

namespace {

// trunc(255 x sin(pi i / 32)).
const int kVibratoSine[32] = {0,   24,  49,  74,  97,  120, 141, 161, 180, 197, 212, 224, 235, 244, 250, 253,
                              255, 253, 250, 244, 235, 224, 212, 197, 180, 161, 141, 120, 97,  74,  49,  24};

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
    case 0:
        c.vibOffset = kVibratoSine[q & 31] * d * 4 / 128;
        if (q < 0)
            c.vibOffset = -c.vibOffset;
        q += s;
        if (q >= 32)
            q -= 63; // 63, not 64: the cycle is 63 steps long
        break;
    case 1:
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
    case 0:
        c.tremOffset = kVibratoSine[q & 31] * d / 64;
        if (q < 0)
            c.tremOffset = -c.tremOffset;
        q += s;
        if (q >= 32)
            q -= 63;
        break;
    case 1:
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
    int v = c.volume;
    switch (c.multiKind) {
    case 1: v -= 1; break;
    case 2: v -= 2; break;
    case 3: v -= 4; break;
    case 4: v -= 8; break;
    case 5: v -= 16; break;
    case 6: v = v * 2 / 3; break;
    case 7: v = v / 2; break;
    case 9: v += 1; break;
    case 10: v += 2; break;
    case 11: v += 4; break;
    case 12: v += 8; break;
    case 13: v += 16; break;
    case 14: v = v * 3 / 2; break;
    case 15: v = v * 2; break;
    default: break;
    }
    setVolume(c, v);
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
    if (v >= 0x10 && v <= 0x50)
        setVolume(c, v - 16);
    else if (v >= 0x80 && v <= 0x8F)
        setVolume(c, c.volume - y);
    else if (v >= 0x90 && v <= 0x9F)
        setVolume(c, c.volume + y);
    else if (v >= 0xA0 && v <= 0xAF) {
        if (y)
            c.vibSpeed = y;
    } else if (v >= 0xB0 && v <= 0xBF) {
        if (y)
            c.vibDepth = y;
    } else if (v >= 0xC0 && v <= 0xCF)
        setPanning(c, y * 16);
    else if (v >= 0xF0) {
        if (y)
            c.portaSpeed = y * 16;
    }
}

void ModulePlayer::volumeColumnPerTick(ModuleChannel& c)
{
    int v = c.volumeByte;
    int y = v & 0x0F;
    if (v >= 0x60 && v <= 0x6F)
        setVolume(c, c.volume - y);
    else if (v >= 0x70 && v <= 0x7F)
        setVolume(c, c.volume + y);
    else if (v >= 0xB0 && v <= 0xBF)
        vibrato(c);
    else if (v >= 0xD0 && v <= 0xDF)
        setPanning(c, c.panning - y);
    else if (v >= 0xE0 && v <= 0xEF)
        setPanning(c, c.panning + y);
    else if (v >= 0xF0)
        tonePortamento(c);
}

void ModulePlayer::firstTickPass(ModuleChannel& c)
{
    int p = c.effectParam;
    int x = p >> 4;
    int y = p & 0x0F;
    switch (c.effectType) {
    case 255:
        c.arpCounter = 0;
        c.arpOffset = 0;
        c.arpX = x;
        c.arpY = y;
        break;
    case 1: remember(c.memPortaUp, p); break;
    case 2: remember(c.memPortaDown, p); break;
    case 3: remember(c.portaSpeed, p); break;
    case 4:
        if (y)
            c.vibDepth = y;
        if (x)
            c.vibSpeed = x;
        break;
    case 5:
        if (p)
            c.memSlide5 = slideAmount(p);
        break;
    case 6:
        if (p)
            c.memSlide6 = slideAmount(p);
        break;
    case 7:
        if (y)
            c.tremDepth = y;
        if (x)
            c.tremSpeed = x;
        break;
    case 8: setPanning(c, p); break;
    case 10:
        if (p)
            c.memSlideA = slideAmount(p);
        break;
    case 11:
        m_jumpTarget = p;
        m_jump = true;
        m_breakRow = 0;
        break;
    case 12: setVolume(c, p); break;
    case 13:
        if (m_jumpTarget == 4095)
            m_jumpTarget = m_orderPos + 1;
        m_jump = true;
        m_breakRow = x * 10 + y; // up to 165; rows beyond the pattern decode as empty
        break;
    case 15:
        if (p > 31)
            m_tempo = p; // takes effect on the next tick
        else
            m_speed = p; // 0 freezes the song position
        break;
    case 16: m_globalVolume = p * 4; break; // not clamped
    case 17:
        if (p)
            c.memGlobalSlide = slideAmount(p);
        break;
    case 21:
        c.volumeCursor.position = p;
        c.volumeCursor.hold = false;
        c.panningCursor.position = p;
        c.panningCursor.hold = false;
        break;
    case 25:
        if (p)
            c.memPanSlide = slideAmount(p);
        break;
    case 27:
        if (x)
            c.multiKind = x;
        if (y)
            c.multiInterval = y;
        multiRetrigStep(c);
        break;
    case 29:
        if (y)
            c.tremorOff = y + 1;
        if (x)
            c.tremorOn = x + 1;
        break;
    case 32: postSyncEvent(m_tickTime, c.index, p); break;
    case 33:
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
    case 225: setPeriod(c, c.period - remember(c.memFineUp, y) * 4); break;
    case 226: setPeriod(c, c.period + remember(c.memFineDown, y) * 4); break;
    case 227:
        c.glissPeriod = c.period;
        c.glissando = (y & 1) != 0;
        break;
    case 228:
        c.vibWave = y & 3;
        c.vibNoRetrig = (y >> 2) != 0;
        break;
    case 230:
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
    case 231:
        c.tremWave = y & 3;
        c.tremNoRetrig = (y >> 2) != 0;
        break;
    case 233: c.retrigCounter = y; break;
    case 234: setVolume(c, c.volume + remember(c.memFineVolUp, y)); break;
    case 235: setVolume(c, c.volume - remember(c.memFineVolDown, y)); break;
    case 236:
        if (m_tick == y)
            c.volume = 0;
        break;
    case 238: m_patternDelay = y; break;
    default: break;
    }
    updateVoice(c);
}

void ModulePlayer::perTickPass(ModuleChannel& c)
{
    volumeColumnPerTick(c);
    int p = c.effectParam;
    switch (c.effectType) {
    case 255: arpeggio(c); break;
    case 1: setPeriod(c, c.period - c.memPortaUp * 4); break;
    case 2: setPeriod(c, c.period + c.memPortaDown * 4); break;
    case 3: tonePortamento(c); break;
    case 4: vibrato(c); break;
    case 5:
        tonePortamento(c);
        setVolume(c, c.volume + c.memSlide5);
        break;
    case 6:
        vibrato(c);
        setVolume(c, c.volume + c.memSlide6);
        break;
    case 7: tremolo(c); break;
    case 10: setVolume(c, c.volume + c.memSlideA); break;
    case 17: {
        int g = m_globalVolume + c.memGlobalSlide * 4;
        m_globalVolume = g < 0 ? 0 : (g > 256 ? 256 : g);
        break;
    }
    case 20:
        if (m_tick == p)
            keyOffChannel(c);
        break;
    case 25: setPanning(c, c.panning + c.memPanSlide); break;
    case 27: multiRetrigStep(c); break;
    case 29: tremorStep(c); break;
    case 233:
        // Fires every x ticks; x = 0 never.
        if (c.retrigCounter > 0) {
            int was = c.retrigCounter--;
            if (was == 1) {
                c.retrigCounter = p;
                retriggerNote(c);
            }
        }
        break;
    case 236:
        if (m_tick == p)
            c.volume = 0;
        break;
    case 237:
        if (m_tick == p && p != 0) {
            if (c.note == 0) {
                retriggerNote(c);
            } else if (c.note == 97) {
                keyOffChannel(c);
                c.volumeCursor.position = 0;
                c.volumeCursor.hold = false;
                c.panningCursor.position = 0;
                c.panningCursor.hold = false;
                c.fadeVolume = 65536;
            }
        }
        break;
    default: break;
    }
    updateVoice(c);
}
