#pragma once
// The one switch that forces every hot loop (pixels, mixer, spans) onto its scalar reference.

// True when KALVORA_SCALAR is set to anything but "" or "0"; the environment is read once, on the first call.
// Each kernel set asks once when it chooses its loops; results never depend on the answer.
bool scalarKernelsOnly();
