#include "music/WaveOutDevice.h"

#include "platform/Platform.h"

#include <system_error>

WaveOutDevice::WaveOutDevice(std::unique_ptr<WaveOut> card) : m_card(std::move(card))
{
    for (WaveBlock& b : m_blocks)
        b.buffer.create(kBlockFrames, 2, 16, kRate, false);
}

WaveOutDevice::~WaveOutDevice()
{
    close();
}

void WaveOutDevice::signal()
{
    {
        std::lock_guard<std::mutex> lock(m_eventLock);
        m_signalled = true;
    }
    m_event.notify_one();
}

void WaveOutDevice::blockDone(int index)
{
    if (index < 0 || index >= kBlocks)
        return;
    m_blocks[index].done.store(true, std::memory_order_release);
    signal();
}

int WaveOutDevice::open()
{
    if (m_running.load(std::memory_order_acquire) || !m_card)
        return 0;
    if (!m_card->open(*this))
        return 0;
    for (WaveBlock& b : m_blocks)
        b.done.store(true, std::memory_order_release); // every block is filled on the first wake-up
    {
        std::lock_guard<std::mutex> lock(m_eventLock);
        m_signalled = false;
    }
    m_stopRequest.store(false, std::memory_order_release);
    m_stopped.store(false, std::memory_order_release);
    try {
        m_thread = std::thread([this] { threadMain(); });
    } catch (const std::system_error&) {
        m_card->reset();
        m_card->close();
        m_card->detach();
        return 0;
    }
    m_running.store(true, std::memory_order_release);
    signal(); // the open notification: without it no block would ever be queued
    m_card->settle();
    return 4;
}

int WaveOutDevice::close()
{
    if (!m_thread.joinable())
        return 1;
    m_stopRequest.store(true, std::memory_order_release);
    signal();
    m_thread.join(); // the thread only waits on the event, which is signalled: this ends
    m_running.store(false, std::memory_order_release);
    m_card->detach();
    return 1;
}

void WaveOutDevice::threadMain()
{
    platform().setThreadPriority(ThreadPriority::Highest);
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_eventLock);
            m_event.wait(lock, [this] { return m_signalled; });
            m_signalled = false;
        }
        if (m_stopRequest.load(std::memory_order_acquire))
            break;
        for (int i = 0; i < kBlocks; ++i) {
            WaveBlock& b = m_blocks[i];
            if (!b.done.load(std::memory_order_acquire))
                continue;
            renderBlock(b.buffer);
            b.done.store(false, std::memory_order_relaxed);
            // A block the card refuses drops out of the rotation.
            m_card->write(i);
        }
    }
    if (!m_card->reset())
        platform().messageBox("reset fault", "asdf");
    for (int tries = 0; tries < 10 && !m_card->close(); ++tries)
        m_card->sleepMs(200);
    m_stopped.store(true, std::memory_order_release);
}

int QueuedWaveOut::open(WaveOutDevice& device)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_device = &device;
    m_head = 0;
    m_count = 0;
    m_frontPos = 0;
    m_reset = false;
    return 1;
}

int QueuedWaveOut::write(int index)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_count >= 8)
            return 0;
        m_queue[(m_head + m_count) % 8] = index;
        ++m_count;
    }
    m_changed.notify_all();
    return 1;
}

int QueuedWaveOut::reset()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_count = 0;
        m_frontPos = 0;
        m_reset = true;
    }
    m_changed.notify_all();
    return 1;
}

int QueuedWaveOut::queued()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_count;
}

void QueuedWaveOut::waitFull()
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_reset || m_count >= WaveOutDevice::kBlocks; });
}

int64_t QueuedWaveOut::peek(const int16_t** frames)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_count == 0 || !m_device) {
        *frames = nullptr;
        return 0;
    }
    const SoundBuffer& b = m_device->block(m_queue[m_head]);
    *frames = b.samples16() + m_frontPos * 2;
    return b.frames() - m_frontPos;
}

int64_t QueuedWaveOut::consume(int16_t* out, int64_t frames)
{
    int64_t done = 0;
    while (done < frames) {
        int finished = -1;
        int64_t run = 0;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (m_count == 0 || !m_device)
                break;
            int index = m_queue[m_head];
            const SoundBuffer& b = m_device->block(index);
            int64_t left = b.frames() - m_frontPos;
            run = frames - done < left ? frames - done : left;
            if (out) {
                const int16_t* src = b.samples16() + m_frontPos * 2;
                for (int64_t k = 0; k < run * 2; ++k)
                    out[done * 2 + k] = src[k];
            }
            m_frontPos += run;
            if (m_frontPos == b.frames()) {
                m_head = (m_head + 1) % 8;
                --m_count;
                m_frontPos = 0;
                finished = index;
            }
        }
        done += run;
        if (finished >= 0)
            m_device->blockDone(finished);
    }
    return done;
}
