#pragma once
// The timing mode of the program: every effect of a table rendered for a fixed number of frames on the
// offline platform, against two floors measured in the same run.

#include "runner/ShowEffects.h"

// Prints a table (effect, ms per frame as the median of several runs, frames per second, ratio to the
// texture-mapped floor) and one machine-readable line per row:
//   bench floor=memcpy ms=X
//   bench floor=texmap ms=X
//   bench effect=ClassName ms=X fps=Y floor_ratio=R
// Options after the program's own: --bench-frames N (default 200), --bench-runs N (default 5),
// --bench-effect NAME (time one effect only).
// The effects load their data from glimmerok.dat in the current directory (without it they draw without
// their pictures). Every effect sees the same syncs: 128 at 10, 30, 50 and 70 % of the run, 255 at 90 %.
// Returns 0.
int runEffectBench(int argc, char** argv, EffectTable table = showEffectTable());
