// Runs the effect timing table outside the program (same code as its --bench mode).
#include "runner/EffectBench.h"

int main(int argc, char** argv)
{
    return runEffectBench(argc, argv);
}
