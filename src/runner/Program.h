#pragma once
// The program's entry: options, the platform of the chosen mode, the show.

int runProgram(int argc, char** argv);
