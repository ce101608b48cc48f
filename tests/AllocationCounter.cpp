#include "AllocationCounter.h"

// The replaced operator new uses malloc, so free is its matching release.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};
} // namespace

void allocations::count(bool on)
{
    g_counting.store(on, std::memory_order_relaxed);
}
long allocations::counted()
{
    return g_allocations.load(std::memory_order_relaxed);
}
void allocations::reset()
{
    g_allocations.store(0, std::memory_order_relaxed);
}

void* operator new(size_t size)
{
    if (g_counting.load(std::memory_order_relaxed))
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}
