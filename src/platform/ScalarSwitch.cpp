#include "platform/ScalarSwitch.h"

#include <cstdlib>
#include <cstring>

bool scalarKernelsOnly()
{
    static const bool scalar = [] {
        const char* value = std::getenv("KALVORA_SCALAR");
        return value && value[0] && std::strcmp(value, "0") != 0;
    }();
    return scalar;
}
