#pragma once
// One entry per input kind: bytes go through the loaders and players the show itself uses, and a broken
// contract aborts. The fuzzers call them from libFuzzer; the replay test calls them on every kept input.

#include <cstddef>
#include <cstdint>

int fuzzXm(const uint8_t* data, size_t size);
int fuzzPack(const uint8_t* data, size_t size);
int fuzzPicture(const uint8_t* data, size_t size);
int fuzzLwo(const uint8_t* data, size_t size);
int fuzzLws(const uint8_t* data, size_t size);

struct FuzzTarget {
    const char* name; // also the folder of its corpus and regressions
    int (*run)(const uint8_t* data, size_t size);
};

inline constexpr FuzzTarget kFuzzTargets[] = {
    {"xm", fuzzXm}, {"pack", fuzzPack}, {"picture", fuzzPicture}, {"lwo", fuzzLwo}, {"lws", fuzzLws},
};

// Aborts with `what` on stderr when `ok` is false: a finding, whatever the build's assert setting.
void fuzzRequire(bool ok, const char* what);
