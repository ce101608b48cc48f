#pragma once
// Test stand-ins for the music and the host: scripted sync triggers on the virtual clock.

#include "display/OfflineDisplay.h"
#include "platform/OfflinePlatform.h"
#include "runner/Runner.h"
#include "runner/ShowAudio.h"

#include <map>
#include <string>
#include <vector>

// Posts sync indices at set virtual times; trigger() consumes one pending hit, as the player does.
class ScriptedTriggers final : public TriggerSource {
public:
    explicit ScriptedTriggers(Platform& clock) : m_clock(clock) {}
    void post(uint32_t timeMs, int index) { m_events.push_back({timeMs, index, false}); }
    int trigger(int index) override
    {
        for (Event& e : m_events) {
            if (!e.moved && e.time <= m_clock.timeMs()) {
                e.moved = true;
                ++m_pending[e.index];
            }
        }
        const int before = m_pending[index];
        if (before)
            --m_pending[index];
        asked.push_back(index);
        return before;
    }
    std::vector<int> asked;

private:
    struct Event {
        uint32_t time;
        int index;
        bool moved;
    };
    Platform& m_clock;
    std::vector<Event> m_events;
    int m_pending[256] = {};
};

class FakeAudio final : public ShowAudio {
public:
    explicit FakeAudio(Platform& clock) : script(clock) {}
    int loadModule(const char* name) override
    {
        calls.push_back(std::string("load ") + name);
        return loadOk;
    }
    int openDevice() override
    {
        calls.push_back("open");
        return openOk;
    }
    void setMasterVolume(int v) override { calls.push_back("volume " + std::to_string(v)); }
    void play() override { calls.push_back("play"); }
    void shutdown() override { calls.push_back("shutdown"); }
    TriggerSource& triggers() override { return script; }

    ScriptedTriggers script;
    std::vector<std::string> calls;
    int loadOk = 1;
    int openOk = 1;
};
