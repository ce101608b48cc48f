// The WaveOut card on the system's waveOut: four headers over the device's blocks, and an event that
// waveOut signals when it opens and whenever a block has finished.

#include "music/WaveOut.h"
#include "music/WaveOutDevice.h"
#include "music/win32/Win32SoundDevice.h"
#include "platform/Platform.h"

#include <windows.h>

#include <mmsystem.h>

#include <atomic>
#include <thread>

namespace {

constexpr int kChannels = 2;
constexpr int kBitsPerSample = 16;
constexpr int kBytesPerFrame = kChannels * kBitsPerSample / 8;

class Win32WaveOut final : public WaveOut {
public:
    ~Win32WaveOut() override
    {
        close();
        detach();
    }

    int open(WaveOutDevice& device) override
    {
        if (m_waveOut)
            return 0;
        m_device = &device;
        if (waveOutGetNumDevs() == 0)
            return 0;
        // Unnamed: a named event would be shared with any other copy of the program that runs.
        m_event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (!m_event)
            return 0;
        ResetEvent(m_event);
        WAVEFORMATEX format = {};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = kChannels;
        format.nSamplesPerSec = SoundDevice::kRate;
        format.nAvgBytesPerSec = SoundDevice::kRate * kBytesPerFrame;
        format.nBlockAlign = kBytesPerFrame;
        format.wBitsPerSample = kBitsPerSample;
        if (waveOutOpen(&m_waveOut, WAVE_MAPPER, &format, DWORD_PTR(m_event), 0, CALLBACK_EVENT) != MMSYSERR_NOERROR ||
            waveOutReset(m_waveOut) != MMSYSERR_NOERROR) {
            if (m_waveOut)
                waveOutClose(m_waveOut);
            m_waveOut = nullptr;
            CloseHandle(m_event);
            m_event = nullptr;
            return 0;
        }
        m_watchStop.store(false, std::memory_order_release);
        m_watcher = std::thread([this] { watch(); });
        return 1;
    }

    // Output thread: the block is filled; its header goes to waveOut.
    int write(int index) override
    {
        if (!m_waveOut || index < 0 || index >= WaveOutDevice::kBlocks)
            return 0;
        WAVEHDR& header = m_headers[index];
        if (header.dwFlags & WHDR_PREPARED)
            waveOutUnprepareHeader(m_waveOut, &header, sizeof header);
        const SoundBuffer& block = m_device->block(index);
        header = WAVEHDR{};
        header.lpData = reinterpret_cast<LPSTR>(const_cast<int16_t*>(block.samples16()));
        header.dwBufferLength = DWORD(block.frames() * kBytesPerFrame);
        header.dwUser = DWORD_PTR(index);
        if (waveOutPrepareHeader(m_waveOut, &header, sizeof header) != MMSYSERR_NOERROR)
            return 0;
        m_queued[index].store(true, std::memory_order_release);
        if (waveOutWrite(m_waveOut, &header, sizeof header) != MMSYSERR_NOERROR) {
            m_queued[index].store(false, std::memory_order_release);
            return 0;
        }
        return 1;
    }

    int reset() override { return m_waveOut && waveOutReset(m_waveOut) == MMSYSERR_NOERROR ? 1 : 0; }

    // Output thread: the watcher ends, the headers are unprepared and waveOut is closed.
    int close() override
    {
        if (!m_waveOut)
            return 1;
        stopWatcher();
        for (WAVEHDR& header : m_headers)
            if (header.dwFlags & WHDR_PREPARED)
                waveOutUnprepareHeader(m_waveOut, &header, sizeof header);
        if (waveOutClose(m_waveOut) != MMSYSERR_NOERROR)
            return 0;
        m_waveOut = nullptr;
        CloseHandle(m_event);
        m_event = nullptr;
        return 1;
    }

    uint32_t timeMs() override { return platform().timeMs(); }
    void sleepMs(uint32_t ms) override { platform().sleepMs(ms); }

private:
    // Waits on waveOut's event and hands every finished block back to the device.
    void watch()
    {
        for (;;) {
            WaitForSingleObject(m_event, INFINITE);
            if (m_watchStop.load(std::memory_order_acquire))
                return;
            for (int i = 0; i < WaveOutDevice::kBlocks; ++i) {
                const volatile DWORD& flags = m_headers[i].dwFlags;
                if (m_queued[i].load(std::memory_order_acquire) && (flags & WHDR_DONE)) {
                    m_queued[i].store(false, std::memory_order_relaxed);
                    m_device->blockDone(i);
                }
            }
        }
    }

    void stopWatcher()
    {
        if (!m_watcher.joinable())
            return;
        m_watchStop.store(true, std::memory_order_release);
        SetEvent(m_event);
        m_watcher.join();
    }

    WaveOutDevice* m_device = nullptr;
    HWAVEOUT m_waveOut = nullptr;
    HANDLE m_event = nullptr;
    WAVEHDR m_headers[WaveOutDevice::kBlocks] = {};
    std::atomic<bool> m_queued[WaveOutDevice::kBlocks] = {};
    std::thread m_watcher;
    std::atomic<bool> m_watchStop{false};
};

} // namespace

std::unique_ptr<SoundDevice> makeWin32SoundDevice()
{
    return std::make_unique<WaveOutDevice>(std::make_unique<Win32WaveOut>());
}
