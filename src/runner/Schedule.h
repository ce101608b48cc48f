#pragma once
// Which sync index makes which effect current, and the switch rules of the frame loop.

#include "runner/ShowEffects.h"

#include <array>

class Platform;
class TriggerSource;

struct ScheduleRow {
    int index;
    EffectId effect;
};

// Tested in this order every frame.
constexpr std::array<ScheduleRow, 9> kSchedule = {{
    {32, EffectId::Flirp},
    {48, EffectId::Tunnel},
    {64, EffectId::ObjectShow},
    {80, EffectId::Cube},
    {96, EffectId::Greetings},
    {101, EffectId::Klam},
    {112, EffectId::Labyrinth},
    {129, EffectId::Metaballs},
    {153, EffectId::EndPicture},
}};

constexpr EffectId kFirstEffect = EffectId::Water;
constexpr int kEndIndex = 222;
constexpr int kFadeOutIndex = 255;

struct ScheduleHit {
    bool hit = false;
    EffectId effect = kFirstEffect;
    int index = 0;
    double t0 = 0; // the clock when the (last) hit was seen: the new effect's start
};

// Asks for every row's index in table order. On each hit it reads the clock and drains every pending
// fade-out trigger, so the new effect never starts fading on an old one. The last hit wins.
ScheduleHit walkSchedule(TriggerSource& triggers, Platform& clock);
