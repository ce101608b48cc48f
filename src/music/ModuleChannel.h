#pragma once
// The playback state of one pattern channel: note, effect memories, oscillators, envelopes and its voice.

#include "music/XmModel.h"

struct Voice;
class ModulePlayer;

struct EnvelopeCursor {
    int position = 0;
    bool hold = false; // stopped at the sustain point
    int value = 0;
    const Envelope* envelope = nullptr; // none = no envelope

    // Moves to tick `p` of the envelope and lets it run on.
    void moveTo(int p)
    {
        position = p;
        hold = false;
    }
};

struct ModuleChannel {
    int index = 0;
    ModulePlayer* player = nullptr;

    RowEntry entry;
    RowEntry previous;
    int effectType = 0;
    int effectParam = 0;
    int volumeByte = 0;
    int note = 0;

    int volume = 0;      // 0..64
    int panning = 128;   // 0..256
    int period = 100;    // 10..10000
    int finetune = 0;    // -128..127
    int voicePeriod = 0; // the period sum of the latest voice update (for traces)

    int defaultVolume = 0;
    int defaultPanning = 128;
    bool sampleSet = false;

    const Instrument* namedInstrument = nullptr;
    const Instrument* playingInstrument = nullptr;
    int currentSample = 0;
    int lastNote = 0;
    bool retriggerable = true;
    bool active = false;

    bool keyOff = false;
    int fadeVolume = 65536;
    int fadeSpeed = 0;
    EnvelopeCursor volumeCursor;
    EnvelopeCursor panningCursor;

    int autoVibType = 0, autoVibSweep = 0, autoVibDepth = 0, autoVibRate = 0;
    int autoVibPos = 0, autoVibSweepCounter = 0, autoVibOffset = 0;

    int vibSpeed = 0, vibDepth = 0, vibWave = 0, vibPos = 0, vibOffset = 0;
    bool vibNoRetrig = false;
    int tremSpeed = 0, tremDepth = 0, tremWave = 0, tremPos = 0, tremOffset = 0;
    bool tremNoRetrig = false;

    int tremorOn = 0, tremorOff = 0, tremorCounter = 0, tremorGate = 1;

    int portaSpeed = 0;
    int targetPeriod = 0;
    bool glissando = false;
    int glissPeriod = 0;

    int memPortaUp = 0, memPortaDown = 0, memFineUp = 0, memFineDown = 0, memExtraUp = 0, memExtraDown = 0;
    int memSlideA = 0, memSlide5 = 0, memSlide6 = 0, memFineVolUp = 0, memFineVolDown = 0;
    int memGlobalSlide = 0, memPanSlide = 0, memOffset = 0;

    int arpCounter = 0, arpX = 0, arpY = 0, arpOffset = 0;

    int loopStartRow = 0, loopCounter = 0;

    int retrigCounter = 0;
    int multiInterval = 0, multiKind = 0, multiCounter = 0;

    int delayMarker = 0; // 0, or 256 + delay ticks on an EDx row

    Voice* voice = nullptr;

    // Both envelopes from their start and the fade-out back at full: what a new note or instrument does.
    void restartEnvelopes()
    {
        volumeCursor.moveTo(0);
        panningCursor.moveTo(0);
        fadeVolume = 65536;
    }
};
