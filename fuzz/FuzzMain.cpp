// libFuzzer entry of one target, chosen at build time by KALVORA_FUZZ_TARGET (its index in kFuzzTargets).

#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return kFuzzTargets[KALVORA_FUZZ_TARGET].run(data, size);
}
