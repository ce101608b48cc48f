#pragma once
// Test stand-ins for the music and the host: sync triggers scripted on the virtual clock.

#include "display/OfflineDisplay.h"
#include "music/ScriptedTriggers.h"
#include "platform/OfflinePlatform.h"
#include "runner/Runner.h"
#include "runner/ShowAudio.h"

#include <string>
#include <vector>

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
