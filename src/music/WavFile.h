#pragma once
// Writes 16-bit stereo PCM as a WAV file (the renderer's and the capture's output).

#include <cstddef>
#include <cstdint>

// `count` stereo frames, interleaved left/right. Returns true when the whole file was written.
bool writeWav(const char* path, const int16_t* frames, size_t count, int sampleRate = 44100);
