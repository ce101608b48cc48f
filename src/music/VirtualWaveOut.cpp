#include "music/VirtualWaveOut.h"

#include "music/WaveOutDevice.h"
#include "platform/OfflinePlatform.h"
#include "platform/Platform.h"

#include <chrono>
#include <system_error>

OfflineWaveOut::OfflineWaveOut(OfflinePlatform& clock, std::function<void(const int16_t*, size_t)> sink)
    : m_clock(clock), m_sink(std::move(sink))
{}

OfflineWaveOut::~OfflineWaveOut()
{
    detach();
}

int OfflineWaveOut::open(WaveOutDevice& device)
{
    QueuedWaveOut::open(device);
    m_start = m_clock.timeMs();
    m_played = 0;
    m_clock.setClockListener([this](uint32_t now) { advance(now); });
    m_attached = true;
    return 1;
}

void OfflineWaveOut::detach()
{
    if (m_attached)
        m_clock.setClockListener(nullptr);
    m_attached = false;
}

uint32_t OfflineWaveOut::timeMs()
{
    return m_clock.timeMs();
}

void OfflineWaveOut::sleepMs(uint32_t ms)
{
    m_clock.sleepMs(ms);
}

void OfflineWaveOut::advance(uint32_t now)
{
    int64_t target = int64_t(uint32_t(now - m_start)) * 44100 / 1000;
    while (m_played < target) {
        const int16_t* frames = nullptr;
        int64_t n = peek(&frames);
        if (n == 0)
            break; // reset: the card plays nothing more
        if (n > target - m_played)
            n = target - m_played;
        if (m_sink)
            m_sink(frames, size_t(n));
        consume(nullptr, n);
        m_played += n;
        waitFull(); // a finished block is refilled before the clock moves on
    }
}

SilentWaveOut::~SilentWaveOut()
{
    close();
}

int SilentWaveOut::open(WaveOutDevice& device)
{
    close();
    QueuedWaveOut::open(device);
    m_start = platform().timeMs();
    m_quit.store(false, std::memory_order_release);
    try {
        m_pacer = std::thread([this] { pace(); });
    } catch (const std::system_error&) {
        return 0;
    }
    return 1;
}

int SilentWaveOut::close()
{
    m_quit.store(true, std::memory_order_release);
    if (m_pacer.joinable() && m_pacer.get_id() != std::this_thread::get_id())
        m_pacer.join();
    return 1;
}

uint32_t SilentWaveOut::timeMs()
{
    return platform().timeMs();
}

void SilentWaveOut::sleepMs(uint32_t ms)
{
    platform().sleepMs(ms);
}

void SilentWaveOut::pace()
{
    int64_t played = 0;
    while (!m_quit.load(std::memory_order_acquire)) {
        int64_t target = int64_t(uint32_t(platform().timeMs() - m_start)) * 44100 / 1000;
        if (target > played) {
            consume(nullptr, target - played);
            played = target; // a real card does not catch up after an underrun
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::unique_ptr<SoundDevice> makeOfflineSoundDevice(OfflinePlatform& clock,
                                                    std::function<void(const int16_t* frames, size_t count)> pcmSink)
{
    return std::make_unique<WaveOutDevice>(std::make_unique<OfflineWaveOut>(clock, std::move(pcmSink)));
}

std::unique_ptr<SoundDevice> makeSilentSoundDevice()
{
    return std::make_unique<WaveOutDevice>(std::make_unique<SilentWaveOut>());
}
