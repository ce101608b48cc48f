#include "display/FrameSlots.h"

#include <algorithm>
#include <cstring>

FrameSlots::FrameSlots(int32_t width, int32_t height)
{
    for (Bitmap& slot : m_slots)
        slot.create(width, height, Bitmap::FormatXrgb32);
}

void FrameSlots::publish(const Bitmap& frame)
{
    Bitmap& slot = m_slots[m_write];
    if (slot.pixels() && frame.pixels() && frame.format() == Bitmap::FormatXrgb32) {
        const int32_t rows = std::min(slot.height(), frame.height());
        const size_t bytes = size_t(std::min(slot.width(), frame.width())) * 4;
        for (int32_t y = 0; y < rows; ++y)
            std::memcpy(slot.row(y), frame.row(y), bytes);
    }
    // The release half publishes the copy; the acquire half hands back a slot the consumer let go.
    const uint32_t previous = m_ready.exchange(uint32_t(m_write) | kFresh, std::memory_order_acq_rel);
    m_write = int(previous & 3);
}

bool FrameSlots::take()
{
    if (!(m_ready.load(std::memory_order_relaxed) & kFresh))
        return false;
    const uint32_t previous = m_ready.exchange(uint32_t(m_read), std::memory_order_acq_rel);
    m_read = int(previous & 3);
    return true;
}
