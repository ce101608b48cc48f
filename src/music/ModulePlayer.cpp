#include "music/ModulePlayer.h"

#include "music/SoundDevice.h"
#include "music/Voice.h"

#include <cmath>
#include <cstdlib>

namespace {

// Auto-vibrato waveform 0: entry i = round(-64 x sin(2 pi i / 256)).
struct AutoVibratoTable {
    int v[256];
    AutoVibratoTable()
    {
        for (int i = 0; i < 256; ++i)
            v[i] = int(std::lround(-64.0 * std::sin(2.0 * 3.14159265358979323846 * i / 256.0)));
    }
};
const AutoVibratoTable kAutoVibrato;

// The instrument's auto-vibrato waveforms; any other type is the sine.
enum AutoVibratoType : int { kAutoSquare = 1, kAutoRampUp = 2, kAutoRampDown = 3 };

bool isNote(int n)
{
    return n >= 1 && n <= 96;
}

} // namespace

ModulePlayer::ModulePlayer()
{
    clearSong();
    for (int i = 0; i < kMaxChannels; ++i) {
        m_channels[i].index = i;
        m_channels[i].player = this;
    }
}

ModulePlayer::~ModulePlayer() = default;

int ModulePlayer::resetChannels()
{
    for (int i = 0; i < m_channelCount; ++i) {
        ModuleChannel& c = m_channels[i];
        c.voice = m_voices[i];
        // Only the sample and the volume: stream positions belong to the output thread.
        if (c.voice) {
            c.voice->sample = nullptr;
            c.voice->volume = 0;
        }
        c.namedInstrument = nullptr;
        c.volume = 0;
        c.period = 100;
        c.active = false;
        c.tremorGate = 1;
        c.retriggerable = true;
        c.previous = RowEntry();
    }
    return 1;
}

int ModulePlayer::restart()
{
    m_speed = m_defaultSpeed;
    m_tempo = m_defaultTempo;
    m_ticksPerSecond = 1000.0f;
    m_orderPos = 0;
    m_tick = 0;
    m_row = 0;
    m_patternDelay = 0;
    m_jump = false;
    m_jumpTarget = 4095;
    m_breakRow = 0;
    m_globalVolume = 256;
    m_currentPattern = m_order[0];
    m_decodedRows = 0;
    m_orderWraps = 0;
    resetChannels();
    return 1;
}

void ModulePlayer::advanceEnvelope(EnvelopeCursor& cur, bool keyOff)
{
    const Envelope* e = cur.envelope;
    if (!e || !e->on) {
        cur.value = -1;
        return;
    }
    if (e->sustainOn && !keyOff && cur.position == e->x[e->sustain])
        cur.hold = true;
    if (cur.hold) {
        cur.position = e->x[e->sustain];
        if (!keyOff)
            return;
        cur.hold = false;
    }
    cur.position += 1;
    if (e->loopOn && cur.position == e->x[e->loopEnd])
        cur.position = e->x[e->loopStart];
}

int ModulePlayer::envelopeValue(EnvelopeCursor& cur, int fallback)
{
    const Envelope* e = cur.envelope;
    if (!e || !e->on) {
        cur.value = fallback;
        return fallback;
    }
    int b = 0;
    for (int k = 0; k < e->pointCount; ++k)
        if (e->x[k] <= cur.position)
            b = k;
    int v;
    if (b != e->pointCount - 1 && e->x[b + 1] > e->x[b]) {
        // trunc(y[b] + dy x (pos - x[b]) / dx), exact in integers (dx > 0).
        int64_t dx = e->x[b + 1] - e->x[b];
        int64_t num = int64_t(e->y[b]) * dx + int64_t(e->y[b + 1] - e->y[b]) * (cur.position - e->x[b]);
        v = int(num / dx);
    } else {
        v = e->y[b]; // the last point, or x does not rise: no division
    }
    cur.value = v;
    return v;
}

void ModulePlayer::autoVibrato(ModuleChannel& c)
{
    int p = c.autoVibPos & 255;
    int v;
    switch (c.autoVibType) {
    case kAutoSquare: v = p >= 128 ? 64 : -64; break;
    case kAutoRampUp: v = int(int8_t(uint8_t(p))) >> 1; break;
    case kAutoRampDown: {
        int f = (-(p >> 1)) & 127; // a signed 7-bit value
        v = f >= 64 ? f - 128 : f;
        break;
    }
    default: v = kAutoVibrato.v[p]; break;
    }
    if (c.autoVibSweep != 0) {
        v = v * c.autoVibSweepCounter / c.autoVibSweep;
        if (c.autoVibSweepCounter < c.autoVibSweep)
            ++c.autoVibSweepCounter;
    }
    c.autoVibOffset = v * c.autoVibDepth / 64;
    c.autoVibPos = p + c.autoVibRate;
}

int ModulePlayer::tick()
{
    m_ticksPerSecond = float(m_tempo) * 0.4f;
    for (int i = 0; i < m_channelCount; ++i) {
        ModuleChannel& c = m_channels[i];
        c.autoVibOffset = 0;
        if (c.active) {
            advanceEnvelope(c.volumeCursor, c.keyOff);
            advanceEnvelope(c.panningCursor, c.keyOff);
            autoVibrato(c);
            if (c.keyOff) {
                c.fadeVolume -= 2 * c.fadeSpeed;
                if (c.fadeVolume < 0)
                    c.fadeVolume = 0;
            }
        }
    }
    m_jump = false;
    m_jumpTarget = 4095;
    m_breakRow = 0;
    m_currentPattern = m_order[m_orderPos & 255];

    ++m_tick;
    if (m_tick == m_speed) { // == on purpose: speed 0 (F00) freezes the song position
        m_tick = 0;
        if (m_patternDelay > 0) {
            --m_patternDelay;
            // Repeat ticks of EEx: only ED0 channels trigger again; no effects run.
            for (int i = 0; i < m_channelCount; ++i)
                if (m_channels[i].delayMarker == 256)
                    noteTrigger(m_channels[i]);
            for (int i = 0; i < m_channelCount; ++i)
                if (m_channels[i].delayMarker == 256) {
                    retriggerNote(m_channels[i]);
                    updateVoice(m_channels[i]);
                }
        } else {
            if (m_orderPos >= m_songLength) {
                ++m_orderWraps;
                m_orderPos = m_restartPosition;
                m_currentPattern = m_order[m_orderPos & 255];
            }
            decodeRow();
            for (int i = 0; i < m_channelCount; ++i)
                if (m_channels[i].delayMarker == 0)
                    noteTrigger(m_channels[i]);
            for (int i = 0; i < m_channelCount; ++i)
                if (m_channels[i].delayMarker == 256)
                    noteTrigger(m_channels[i]);
            for (int i = 0; i < m_channelCount; ++i)
                firstTickPass(m_channels[i]);
        }
    } else {
        for (int i = 0; i < m_channelCount; ++i)
            if (m_channels[i].delayMarker == 256 + m_tick)
                noteTrigger(m_channels[i]);
        for (int i = 0; i < m_channelCount; ++i)
            perTickPass(m_channels[i]);
    }

    if (m_listener)
        m_listener->onTick(*this);

    const Pattern* pat = pattern(m_currentPattern);
    if (m_jump) {
        m_row = m_breakRow;
        m_orderPos = m_jumpTarget;
        if (m_orderPos >= m_songLength) {
            ++m_orderWraps;
            m_orderPos = m_restartPosition;
        }
        m_currentPattern = m_order[m_orderPos & 255];
    } else if ((pat && m_row >= pat->rows()) || (!pat && m_row >= 64)) {
        ++m_orderPos;
        if (m_orderPos >= m_songLength) {
            ++m_orderWraps;
            m_orderPos = m_restartPosition;
        }
        m_row = 0;
        m_currentPattern = m_order[m_orderPos & 255];
    }
    return 1;
}

void ModulePlayer::decodeRow()
{
    const Pattern* pat = pattern(m_currentPattern);
    if (pat) {
        pat->decodeRow(m_row, m_rowEntries);
    } else {
        for (int i = 0; i < m_channelCount; ++i)
            m_rowEntries[i] = RowEntry();
    }
    for (int i = 0; i < m_channelCount; ++i) {
        ModuleChannel& c = m_channels[i];
        c.entry = m_rowEntries[i];
        int type = c.entry.effect >> 8;
        int param = c.entry.effect & 0xFF;
        if (type == XmEffect::Extended) {
            type = 0xE0 + (param >> 4);
            param &= 0x0F;
            c.entry.effect = (type << 8) + param;
        } else if (type == 0 && param != 0) {
            type = XmEffect::Arpeggio;
        }
        c.effectType = type;
        c.effectParam = param;
        c.volumeByte = c.entry.volume;
        c.note = c.entry.note;
        c.delayMarker = type == XmEffect::NoteDelay ? 256 + param : 0;
    }
    ++m_decodedRows;
    m_decodedOrder = m_orderPos;
    m_decodedRow = m_row;
    ++m_row;
}

void ModulePlayer::keyOffChannel(ModuleChannel& c)
{
    c.keyOff = true;
    // The envelope the volume cursor follows decides (the playing instrument's).
    const Envelope* e = c.volumeCursor.envelope;
    if (!e || !e->on)
        c.volume = 0;
}

void ModulePlayer::silence(ModuleChannel& c)
{
    c.active = false;
    if (c.voice) {
        c.voice->sample = nullptr;
        c.voice->volume = 0;
    }
}

void ModulePlayer::noteTrigger(ModuleChannel& c)
{
    int type = c.effectType;
    int param = c.effectParam;
    int vol = c.volumeByte;
    int note = c.note;
    int prevType = c.previous.effect >> 8;
    int prevVol = c.previous.volume;

    auto vibrates = [](int t) { return t == XmEffect::Vibrato || t == XmEffect::VibratoVolumeSlide; };
    if (vibrates(prevType) && !vibrates(type))
        c.vibOffset = 0;
    c.arpOffset = 0;

    // Volume-column Fx counts as tone portamento for the glissando resynchronisation.
    auto slides = [](int t, int volumeByte) {
        return t == XmEffect::TonePorta || t == XmEffect::TonePortaVolumeSlide ||
               volumeByte >> 4 == XmVolume::TonePorta;
    };
    bool porta = slides(type, vol);
    bool prevPorta = slides(prevType, prevVol);
    if (c.glissando && porta && !prevPorta)
        c.glissPeriod = c.period;

    if (type == XmEffect::KeyOff && param == 0)
        note = kKeyOffNote; // K00 is a key-off note
    if (note == kKeyOffNote && (c.delayMarker == 0 || c.delayMarker == 256))
        keyOffChannel(c);

    if (c.entry.instrument != 0) {
        c.currentSample = 0;
        c.tremorGate = 1;
        c.namedInstrument = &m_instruments[c.entry.instrument - 1];
        // The keymap serves notes 1..96 only; other notes take sample 0.
        if (!c.namedInstrument->empty && isNote(note))
            c.currentSample = c.namedInstrument->keymap[note - 1];
        if ((isNote(note) || !c.sampleSet) && !porta) {
            const Sample* s = (c.currentSample >= 0 && c.currentSample < Instrument::kMaxSamples)
                                  ? &c.namedInstrument->samples[c.currentSample]
                                  : nullptr;
            // No sample (keymap value outside 0..15) has the defaults of an empty one.
            c.defaultVolume = s ? s->volume : 0;
            c.defaultPanning = s ? s->panning : 128;
            c.sampleSet = true;
        }
        if (note != kKeyOffNote) {
            if (c.sampleSet) {
                setVolume(c, c.defaultVolume);
                setPanning(c, c.defaultPanning);
                c.restartEnvelopes();
                c.tremOffset = 0;
            } else {
                c.volume = 0;
                setPanning(c, c.defaultPanning);
            }
        }
    }

    if (isNote(note)) {
        if (porta) {
            const Instrument* ins = c.playingInstrument;
            const Sample* s = ins && !ins->empty ? ins->sampleForNote(note - 1) : nullptr;
            // A missing or empty sample keeps the old target.
            if (s && !s->empty && s->relativeNote + note - 1 <= 119)
                c.targetPeriod =
                    Periods::clampPeriod(Periods::period(m_frequencyMode, s->relativeNote + note - 1, c.finetune));
        } else {
            const Instrument* ins = c.namedInstrument;
            const Sample* s = ins && !ins->empty ? ins->sampleForNote(note - 1) : nullptr;
            if (!s || s->empty) {
                handOff(c);
                silence(c);
            } else if (s->relativeNote + note - 1 <= 119) {
                bool override = type == XmEffect::SetFinetune;
                startNote(c, note - 1, ins, c.entry.instrument != 0, override, (param - 8) * 16);
                c.playingInstrument = ins;
                if (type == XmEffect::SampleOffset) {
                    if (param != 0)
                        c.memOffset = param * 256;
                    if (c.voice && c.voice->sample)
                        c.voice->setOffset(c.memOffset);
                }
            }
        }
    }

    if (c.entry.instrument != 0 && note != kKeyOffNote) {
        c.restartEnvelopes();
        c.autoVibSweepCounter = 0;
        c.vibPos = 0;
        c.tremPos = 0;
        c.tremOffset = 0;
        c.keyOff = false;
    }

    volumeColumnFirstTick(c);
    c.previous = c.entry;
}

void ModulePlayer::startNote(ModuleChannel& c, int n, const Instrument* ins, bool hasInstrumentByte, bool override,
                             int finetune)
{
    const Sample* s = ins && !ins->empty ? ins->sampleForNote(n) : nullptr;
    if (!s) {
        silence(c);
        return;
    }
    c.finetune = s->finetune;
    c.lastNote = n;
    c.currentSample = ins->keymap[n];
    if (override)
        c.finetune = finetune;
    setPeriod(c, Periods::period(m_frequencyMode, n + s->relativeNote, c.finetune));

    handOff(c);
    c.active = false;
    if (s->empty) {
        silence(c);
    } else {
        if (c.voice)
            c.voice->startSample(&s->data);
        c.sampleSet = true;
        c.tremorCounter = 0;
        c.tremorGate = 1;
        c.retriggerable = true;
        c.vibOffset = 0;
        if (hasInstrumentByte) {
            c.autoVibType = ins->vibratoType;
            c.autoVibSweep = ins->vibratoSweep;
            c.autoVibDepth = ins->vibratoDepth;
            c.autoVibRate = ins->vibratoRate;
            c.fadeSpeed = ins->fadeout;
            c.autoVibPos = 0;
            c.autoVibSweepCounter = 0;
            c.volumeCursor.envelope = &ins->volumeEnvelope;
            c.volumeCursor.moveTo(0);
            c.panningCursor.envelope = &ins->panningEnvelope;
            c.panningCursor.moveTo(0);
        }
        if (!c.vibNoRetrig)
            c.vibPos = 0;
        if (!c.tremNoRetrig)
            c.tremPos = 0;
        c.active = true;
    }
    c.keyOff = false;
}

void ModulePlayer::retriggerNote(ModuleChannel& c)
{
    if (!c.namedInstrument || c.lastNote == 0 || !c.retriggerable)
        return;
    c.tremorGate = 1;
    startNote(c, c.lastNote, c.namedInstrument, false, false, 0);
    c.restartEnvelopes();
    c.autoVibPos = 0;
    c.autoVibSweepCounter = 0;
    c.vibPos = 0;
    c.tremPos = 0;
}

void ModulePlayer::handOff(ModuleChannel& c)
{
    SoundDevice* dev = m_device;
    if (!dev || !c.voice || !dev->isRamping() || !c.active || !c.voice->sample || c.volume == 0)
        return;
    Voice* v = dev->claimVoice(Voice::Fading);
    if (!v)
        return;
    // The voice as last mixed, ramping out from where it is.
    v->copyStreamFrom(*c.voice);
    v->volume = 0;
}

void ModulePlayer::updateVoice(ModuleChannel& c)
{
    int sum = c.period + c.autoVibOffset + (c.arpOffset != 0 ? c.arpOffset : c.vibOffset);
    if (m_frequencyMode == 1 && sum < 1)
        sum = 1;
    c.voicePeriod = sum;
    int v = c.volume + c.tremOffset;
    v = v < 0 ? 0 : (v > 64 ? 64 : v);
    int e = envelopeValue(c.volumeCursor, 64);
    int p = envelopeValue(c.panningCursor, 32);
    Voice* voice = c.voice;
    if (!voice)
        return;
    voice->frequency = float(Periods::frequency(m_frequencyMode, sum));
    int64_t vol = int64_t(e) * v * 4 / 64;
    vol = vol * m_globalVolume / 256;
    vol = vol * (c.fadeVolume / 256);
    vol = vol / 256;
    vol = vol * c.tremorGate * masterVolume() / 32;
    voice->volume = int(vol < 0 ? 0 : (vol > 256 ? 256 : vol));
    int pan = c.panning + ((p - 32) * (128 - std::abs(c.panning - 128))) / 32;
    voice->panning = pan < 0 ? 0 : (pan > 256 ? 256 : pan);
}
