#include "platform/OfflinePlatform.h"

#include <cstdio>

namespace {
OfflinePlatform g_defaultPlatform;
Platform* g_platform = &g_defaultPlatform;
} // namespace

Platform& platform()
{
    return *g_platform;
}
void setPlatform(Platform* p)
{
    g_platform = p ? p : &g_defaultPlatform;
}

uint32_t OfflinePlatform::timeMs()
{
    return m_now.load(std::memory_order_acquire);
}

void OfflinePlatform::sleepMs(uint32_t ms)
{
    advanceBy(ms);
}

bool OfflinePlatform::escapePressed()
{
    return m_escape.exchange(false, std::memory_order_acq_rel);
}

void OfflinePlatform::messageBox(const char* text, const char* caption)
{
    if (!m_quiet)
        std::fprintf(stderr, "%s: %s\n", caption, text);
    std::lock_guard<std::mutex> lock(m_messageLock);
    m_messages.push_back(std::string(caption) + ": " + text);
}

void OfflinePlatform::advanceTo(uint32_t ms)
{
    if (ms > m_now.load(std::memory_order_relaxed))
        m_now.store(ms, std::memory_order_release);
    if (m_listener)
        m_listener(m_now.load(std::memory_order_relaxed));
}

void OfflinePlatform::setClockListener(std::function<void(uint32_t)> listener)
{
    m_listener = std::move(listener);
}

std::vector<std::string> OfflinePlatform::messages() const
{
    std::lock_guard<std::mutex> lock(m_messageLock);
    return m_messages;
}
