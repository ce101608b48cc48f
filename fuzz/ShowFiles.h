#pragma once
// Small fixed companions of the fuzzed object and scene files: each target packs the fuzzed bytes and
// these into an in-memory archive, so the loaders find everything by name as the show's effects do.

#include <cstddef>
#include <cstdint>
#include <vector>

// A one-triangle object (surface "Skin", smooth and double-sided), for the scenes of the lws target.
std::vector<uint8_t> fuzzTriangleObject();
// A scene that loads "o.lwo" turning in front of a camera, lit by one distant light.
const char* fuzzObjectScene();
// Makes `archive` hold exactly the given entries (the process-wide archive the loaders read).
struct FuzzEntry {
    const char* name;
    const uint8_t* data;
    size_t size;
};
void fuzzUseArchive(const FuzzEntry* entries, int count);
// Draws frames 0, 12.5 and 1000 of `scene` into a small offline frame; abort on broken span contracts.
void fuzzRenderScene(const char* sceneName);
