#pragma once
// Which set of one family of hot loops (pixels, spans) is in use: the widest the processor runs, chosen once,
// or the scalar reference when scalarKernelsOnly() says so. Tests and benchmarks may put another set in use.

#include "platform/ScalarSwitch.h"

#include <atomic>

template<class Set>
class KernelChoice {
public:
    // `avx2` and `sse2` are null where the build or the processor has no such set.
    KernelChoice(const Set& scalar, const Set* avx2, const Set* sse2)
        : m_start(scalarKernelsOnly() ? &scalar
                  : avx2              ? avx2
                  : sse2              ? sse2
                                      : &scalar),
          m_set(m_start)
    {}

    const Set& get() const { return *m_set.load(std::memory_order_relaxed); }
    // Puts `set` in use; null restores the choice made at start-up.
    void use(const Set* set) { m_set.store(set ? set : m_start, std::memory_order_relaxed); }

private:
    const Set* const m_start;
    std::atomic<const Set*> m_set;
};
