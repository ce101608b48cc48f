// Archive loading, sequential reads and picture decoding, against a plain copy of the same bytes.

#include "Canvas.h"
#include "ImageEncoders.h"
#include "data/Bitmap.h"
#include "data/PackArchive.h"
#include "data/PackFile.h"
#include "data/PackWriter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

std::vector<uint8_t> archiveBytes(int entries, size_t entrySize)
{
    PackWriter w;
    std::vector<uint8_t> data(entrySize);
    for (size_t i = 0; i < entrySize; ++i)
        data[i] = uint8_t(i * 7 + i / 13);
    for (int i = 0; i < entries; ++i)
        w.add("data\\entry" + std::to_string(i) + ".bin", data);
    return w.bytes();
}

// A 640 x 480 colour JPEG of smooth gradients with some detail, made once.
std::vector<uint8_t> makeJpeg()
{
    const int w = 640, h = 480;
    Canvas picture(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            picture.at(x, y) = hex(uint32_t(x * 255 / w) << 16 | uint32_t(y * 255 / h) << 8 | uint32_t((x ^ y) & 255));
    return encodeJpeg(picture, 85);
}

void BM_CopyFloor(benchmark::State& state)
{
    const std::vector<uint8_t> bytes = archiveBytes(64, 65536);
    std::vector<uint8_t> copy(bytes.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), bytes.data(), bytes.size());
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(BM_CopyFloor);

void BM_ArchiveLoad(benchmark::State& state)
{
    const std::vector<uint8_t> bytes = archiveBytes(64, 65536);
    for (auto _ : state) {
        PackArchive archive;
        archive.loadFromMemory(bytes.data(), bytes.size(), "glimmerok.dat");
        benchmark::DoNotOptimize(archive.entry(0).data);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(BM_ArchiveLoad);

void BM_OpenLastOf2048(benchmark::State& state)
{
    const std::vector<uint8_t> bytes = archiveBytes(2048, 16);
    PackArchive archive;
    archive.loadFromMemory(bytes.data(), bytes.size(), "glimmerok.dat");
    PackFile f(archive);
    for (auto _ : state)
        benchmark::DoNotOptimize(f.open("DATA\\ENTRY2047.BIN"));
}
BENCHMARK(BM_OpenLastOf2048);

void BM_ReadLine(benchmark::State& state)
{
    std::string text;
    for (int i = 0; i < 10000; ++i)
        text += "KeyframeEnvelope " + std::to_string(i) + " 0.5 0.25\r\n";
    PackWriter w;
    w.add("scene.lws", reinterpret_cast<const uint8_t*>(text.data()), text.size());
    PackArchive archive;
    archive.loadFromMemory(w.bytes().data(), w.bytes().size(), "t");
    PackFile f(archive);
    char line[256];
    for (auto _ : state) {
        f.open("scene.lws");
        while (!f.readLine(line, sizeof line)) {
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_ReadLine);

void BM_JpegLoad640x480(benchmark::State& state)
{
    PackWriter w;
    w.add("data\\pic.jpg", makeJpeg());
    packArchive().clear();
    packArchive().loadFromMemory(w.bytes().data(), w.bytes().size(), "t");
    for (auto _ : state) {
        Bitmap b("data\\pic.jpg");
        benchmark::DoNotOptimize(b.pixels());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 640 * 480);
    packArchive().clear();
}
BENCHMARK(BM_JpegLoad640x480);

} // namespace
