#pragma once
// The timing mode of the program: every built effect rendered for a fixed number of frames on the offline
// platform, against two floors measured in the same run.

// Prints a table (effect, ms per frame as the median of several runs, frames per second, ratio to the
// texture-mapped floor) and one machine-readable line per row:
//   bench floor=memcpy ms=X
//   bench floor=texmap ms=X
//   bench effect=ClassName ms=X fps=Y floor_ratio=R
// Options after the program's own: --bench-frames N (default 200), --bench-runs N (default 5).
// Pictures come from glimmerok.dat in the current directory when it is there. Returns 0.
int runEffectBench(int argc, char** argv);
