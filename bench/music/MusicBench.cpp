// Mixer throughput per loop variant, scalar and SIMD (frames per second for one voice), one 8250-frame block of a
// 32-channel song, and whole-song renders in x realtime against openmpt123 (linear interpolation) on
// the same file in the same run. Songs come from tests/data/xm/songs, or the folder in $KALVORA_SONGS.
#include "XmRender.h"

#include "music/MixKernels.h"
#include "music/ModulePlayer.h"
#include "music/SoftwareMixer.h"
#include "music/SoundDevice.h"
#include "platform/OfflinePlatform.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

SampleData makeSample(int bits)
{
    SampleData d;
    d.bits = bits;
    d.length = 20000;
    d.loopType = 1;
    d.loopStart = 1000;
    d.loopEnd = 20000;
    d.buffer.create(d.length, 1, bits, 44100, false, SampleData::kFrontPoints * bits / 8);
    for (int64_t i = 0; i < d.length; ++i) {
        if (bits == 16)
            d.buffer.samples16()[i] = int16_t((i * 37) % 20000 - 10000);
        else
            reinterpret_cast<int8_t*>(d.buffer.data())[i] = int8_t((i * 37) % 200 - 100);
    }
    return d;
}

// range(0): bits (8/16), range(1): ramping, range(2): interpolation.
void BM_MixVoice(benchmark::State& state)
{
    int bits = int(state.range(0));
    bool ramp = state.range(1) != 0;
    bool interp = state.range(2) != 0;
    SampleData d = makeSample(bits);
    SoundBuffer ring;
    ring.create(44100, 2, 16, 44100, true);
    SoftwareMixer mixer((ramp ? SoftwareMixer::Ramping : 0) | (interp ? SoftwareMixer::Interpolation : 0));
    Voice v;
    v.startSample(&d);
    v.streamPos = 0;
    v.frequency = 30000.0f;
    v.panning = 100;
    int flip = 0;
    for (auto _ : state) {
        // With ramping on, the volume keeps moving so every frame ramps.
        v.volume = ramp ? ((flip ^= 1) ? 256 : 0) : 200;
        mixer.mixVoice(v, &ring, 8250);
        benchmark::DoNotOptimize(ring.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 8250);
}
BENCHMARK(BM_MixVoice)->ArgsProduct({{8, 16}, {0}, {0, 1}});

// The segment loops alone, 8250 frames: range(0) the variant index ((bits == 16) << 2 | ramp << 1 |
// interp), range(1) 1 for the SIMD loop (where one exists).
void BM_SegmentLoop(benchmark::State& state)
{
    int index = int(state.range(0));
    bool simd = state.range(1) != 0;
    mixk::SegmentFn fn = simd ? mixk::kSse2Table[index] : mixk::kSegmentTable[index];
    if (!fn) {
        state.SkipWithError("no SIMD loop for this variant");
        return;
    }
    SampleData d = makeSample(index & 4 ? 16 : 8);
    std::vector<int16_t> out(8250 * 2);
    int64_t step = int64_t(0.68 * 65536);
    for (auto _ : state) {
        int64_t pos = 0;
        int32_t vl = 100, vr = 180;
        fn(d.buffer.data(), pos, step, out.data(), 8250, vl, vr, 0, 0);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 8250);
}
BENCHMARK(BM_SegmentLoop)->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7}, {0, 1}});

std::string songDir()
{
    const char* env = std::getenv("KALVORA_SONGS");
    return env ? env : KALVORA_SONGS;
}

double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// One output block of a 32-channel song (the output thread's budget is 187 ms a block).
void BM_Block32Channels(benchmark::State& state)
{
    ModulePlayer player;
    std::string path = songDir() + "/zb-tnt.xm";
    if (!player.loadFromFile(path.c_str())) {
        state.SkipWithError("no song");
        return;
    }
    // The same song on 32 channels: four players of 8 channels share the device.
    std::vector<std::unique_ptr<ModulePlayer>> players;
    OfflinePlatform clock;
    auto device = makeOfflineSoundDevice(clock, nullptr);
    for (int i = 0; i < 4; ++i) {
        players.push_back(std::make_unique<ModulePlayer>());
        players.back()->loadFromFile(path.c_str());
        players.back()->setMasterVolume(8);
        device->play(*players.back());
    }
    SoundBuffer block;
    block.create(SoundDevice::kBlockFrames, 2, 16, 44100, false);
    double spent = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        device->renderBlock(block);
        spent += seconds(std::chrono::steady_clock::now() - t0);
    }
    // Share of the block's playing time (8250 / 44100 s) the output thread spends rendering it.
    state.counters["percent_of_block_time"] = 100.0 * spent / double(state.iterations()) / (8250.0 / 44100.0);
}
BENCHMARK(BM_Block32Channels)->Unit(benchmark::kMicrosecond);

void BM_RenderSong(benchmark::State& state, const char* name)
{
    std::string path = songDir() + "/" + name;
    double songSeconds = 0;
    double ours = 0;
    int runs = 0;
    for (auto _ : state) {
        ModulePlayer player;
        if (!player.loadFromFile(path.c_str())) {
            state.SkipWithError("no song");
            return;
        }
        auto t0 = std::chrono::steady_clock::now();
        XmRenderResult r = renderSong(player, 600.0);
        ours += seconds(std::chrono::steady_clock::now() - t0);
        songSeconds = double(r.frames) / 44100.0;
        ++runs;
    }
    state.counters["x_realtime"] = songSeconds * runs / ours;
    // The peer on a copy of the file in a scratch folder (it writes its output beside the input).
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "kalvora_music_bench";
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(path, dir / name, std::filesystem::copy_options::overwrite_existing);
    std::string cmd = "openmpt123 --quiet --render --force --samplerate 44100 --no-float --filter 2 "
                      "--output-type wav '" +
                      (dir / name).string() + "' > /dev/null 2>&1";
    auto t0 = std::chrono::steady_clock::now();
    int rc = std::system(cmd.c_str());
    double peer = seconds(std::chrono::steady_clock::now() - t0);
    if (rc == 0) {
        state.counters["openmpt123_x_realtime"] = songSeconds / peer;
        state.counters["ratio_vs_openmpt123"] = (songSeconds * runs / ours) / (songSeconds / peer);
    }
}
BENCHMARK_CAPTURE(BM_RenderSong, zb_tnt, "zb-tnt.xm")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_RenderSong, music_menu, "music_menu.xm")->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
