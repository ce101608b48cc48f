#include "render/Random.h"

Random& Random::shared()
{
    static Random instance(1);
    return instance;
}
