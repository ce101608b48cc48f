#pragma once
// The archive tool's commands: create, list, extract, decode. Each returns 0 on success, 1 on failure,
// and reports to the given streams.

#include <cstdio>
#include <string>

// Packs every regular file below `dir`, named by its path relative to `dir` with backslashes, in
// byte order of those names, so the same folder always gives the same archive.
int packCreate(const std::string& outFile, const std::string& dir, std::FILE* err);
// One line per entry the program would load: name, length, data offset, separated by tabs.
int packList(const std::string& archiveFile, std::FILE* out, std::FILE* err);
// Writes every entry under `dir` by its stored name (backslashes as folders). Of entries whose names
// differ only in case the first is written, as the program would find it.
int packExtract(const std::string& archiveFile, const std::string& dir, std::FILE* err);
// Loads `name` the way the show does, from the archive `source` or, when `source` is a folder, from
// plain files below it, and writes the 32-bit picture as PNG (the top byte as alpha with `alpha`).
int packDecode(const std::string& source, const std::string& name, const std::string& outPng, bool alpha,
               std::FILE* err);
