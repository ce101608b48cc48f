#pragma once
// Counts heap allocations made through operator new while counting is on. AllocationCounter.cpp replaces
// the global operator new, so it goes into a test executable of its own.

namespace allocations {
void count(bool on);
long counted();
void reset();
} // namespace allocations
