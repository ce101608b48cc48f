#include "runner/MusicAudio.h"

#include "music/ModulePlayer.h"
#include "music/SoundDevice.h"

MusicAudio::MusicAudio(DeviceFactory makeDevice) : m_makeDevice(std::move(makeDevice))
{}

MusicAudio::~MusicAudio()
{
    shutdown();
}

int MusicAudio::loadModule(const char* fileName)
{
    m_player = std::make_unique<ModulePlayer>();
    if (!m_player->loadFromFile(fileName)) {
        m_loadFailure = m_player->loadFailure();
        m_player.reset();
        return 0;
    }
    return 1;
}

int MusicAudio::openDevice()
{
    m_device = m_makeDevice ? m_makeDevice() : nullptr;
    m_open = m_device && m_device->open();
    return m_open;
}

void MusicAudio::setMasterVolume(int volume)
{
    if (m_player)
        m_player->setMasterVolume(volume);
}

void MusicAudio::play()
{
    if (m_player && m_open)
        m_device->play(*m_player);
}

void MusicAudio::shutdown()
{
    if (m_player && m_open) {
        m_device->stop(*m_player);
        m_device->close();
    }
    m_open = false;
    m_player.reset();
    m_device.reset();
}

TriggerSource& MusicAudio::triggers()
{
    static struct : TriggerSource {
        int trigger(int) override { return 0; }
    } silence; // before a module is loaded nothing is ever pending
    return m_player ? static_cast<TriggerSource&>(*m_player) : silence;
}
