#pragma once
// The interactive show on the system's own services: start dialog, window or full screen, sound card,
// real clock. One implementation per back-end, chosen at build time (SDL2 or Win32).

struct Options;

// Runs the show as the options ask; returns the process exit code.
int runInteractive(const Options& options);
