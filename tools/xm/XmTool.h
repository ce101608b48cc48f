#pragma once
// The command line of kalvora-xm: info, render, syncs and trace of one XM file.

// Returns the exit code: 0 done, 1 the file could not be loaded or written, 2 a usage error.
int runXmTool(int argc, char** argv);
