#pragma once
// The show's music: a module player on a sound device made by the host.

#include "runner/ShowAudio.h"

#include <functional>
#include <memory>
#include <string>

class ModulePlayer;
class SoundDevice;

class MusicAudio final : public ShowAudio {
public:
    using DeviceFactory = std::function<std::unique_ptr<SoundDevice>()>;

    explicit MusicAudio(DeviceFactory makeDevice);
    ~MusicAudio() override;

    int loadModule(const char* fileName) override;
    std::string loadFailure() const override { return m_loadFailure; }
    int openDevice() override;
    void setMasterVolume(int volume) override;
    void play() override;
    void shutdown() override;
    TriggerSource& triggers() override;

private:
    DeviceFactory m_makeDevice;
    std::unique_ptr<ModulePlayer> m_player;
    std::unique_ptr<SoundDevice> m_device;
    bool m_open = false;
    std::string m_loadFailure;
};
