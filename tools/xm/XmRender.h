#pragma once
// Offline runs of a song through the show's player, mixer and virtual sound card: render to PCM,
// list the sync events, trace the ticks.

#include "music/ModulePlayer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct XmRenderResult {
    std::vector<int16_t> pcm; // interleaved stereo, 44100 Hz; empty when a sink took the frames
    int64_t frames = 0;
    // Why the render ended: "end" (past the order list), "loop" (a row again with the same loop state),
    // "stop" (F00), "limit" (the time limit).
    std::string reason;
};

struct XmSyncLine {
    int timeMs, order, row, channel, index;
};

// Receives rendered frames in order (interleaved stereo); false stops the render.
using PcmSink = std::function<bool(const int16_t* frames, size_t count)>;

// Renders `player` (loaded, not playing) from the start until the song has played once through, or
// `maxSeconds` have been rendered. `masterVolume` is the show's 10 unless asked otherwise. With a
// sink the frames go there as they are made (constant memory) instead of into the result's pcm.
XmRenderResult renderSong(ModulePlayer& player, double maxSeconds, int masterVolume = 10, PcmSink sink = {});
// Every W event, in the order the show would see them, within the same run.
std::vector<XmSyncLine> listSyncs(ModulePlayer& player, double maxSeconds);
// One text line per tick for `ticks` ticks, at the master volume the show uses.
std::vector<std::string> traceTicks(ModulePlayer& player, int ticks, int masterVolume = 10);
