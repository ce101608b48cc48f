#include "XmTool.h"

#include "XmRender.h"

#include "music/ModulePlayer.h"
#include "music/WavFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

const char kUsage[] = "usage: kalvora-xm info FILE\n"
                      "       kalvora-xm render FILE OUT.wav [--seconds S] [--volume V]\n"
                      "       kalvora-xm syncs FILE [--seconds S]\n"
                      "       kalvora-xm trace FILE [--ticks N]\n"
                      "       kalvora-xm --help\n"
                      "render, syncs and trace play the song at the show's master volume, 10 of 32.\n";

int usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

const char* option(int argc, char** argv, const char* name, const char* fallback)
{
    for (int i = 0; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return argv[i + 1];
    return fallback;
}

// The whole of `text` as a number; false (and a message) for anything else.
bool number(const char* name, const char* text, double& out)
{
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text, &end);
    if (errno == 0 && end != text && *end == 0)
        return true;
    std::fprintf(stderr, "kalvora-xm: %s takes a number, not '%s'\n", name, text);
    return false;
}

int render(ModulePlayer& player, const char* path, double seconds, int volume)
{
    WavWriter wav;
    if (!wav.open(path)) {
        std::fprintf(stderr, "kalvora-xm: cannot write %s\n", path);
        return 1;
    }
    // Block by block to the file: the memory used does not grow with the song.
    XmRenderResult r =
        renderSong(player, seconds, volume, [&wav](const int16_t* f, size_t n) { return wav.write(f, n); });
    const bool written = wav.finish();
    if (wav.tooLarge()) {
        std::remove(path);
        std::fprintf(stderr, "kalvora-xm: more than 4 GiB of audio, more than a WAV file can hold; render fewer "
                             "--seconds\n");
        return 1;
    }
    if (!written) {
        std::fprintf(stderr, "kalvora-xm: cannot write %s\n", path);
        return 1;
    }
    std::printf("%lld frames (%s)\n", (long long)r.frames, r.reason.c_str());
    return 0;
}

std::string text(const char* s, size_t n)
{
    std::string out;
    for (size_t i = 0; i < n && s[i]; ++i)
        out += (s[i] >= 32 && s[i] < 127) ? s[i] : '.';
    return out;
}

int info(ModulePlayer& p)
{
    std::printf("name: %s\ntracker: %s\n", text(p.moduleName(), 20).c_str(), text(p.trackerName(), 20).c_str());
    std::printf("song header size: %u (fixed 276)\nlayout: %s\n", p.storedHeaderSize(),
                p.fixedLayout() ? "fixed header sizes" : "stored header sizes differ from the fixed ones");
    std::printf("channels: %d\nfrequencies: %s\nspeed: %d\ntempo: %d\n", p.channelCount(),
                p.frequencyMode() == 0 ? "linear" : "amiga", p.defaultSpeed(), p.defaultTempo());
    std::printf("orders: %d, restart %d:", p.songLength(), p.restartPosition());
    for (int i = 0; i < p.songLength(); ++i)
        std::printf(" %d", p.order(i));
    std::printf("\npatterns: %d\n", p.patternCount());
    for (int i = 0; i < p.patternCount(); ++i)
        std::printf("  pattern %d: %d rows, %d bytes, header %u\n", i, p.pattern(i)->rows(), p.pattern(i)->packedSize(),
                    p.pattern(i)->storedHeaderLength());
    std::printf("instruments: %d\n", p.instrumentCount());
    for (int i = 0; i < p.instrumentCount(); ++i) {
        const Instrument& ins = p.instrument(i);
        std::printf("  instrument %d '%s': header %u, %d samples, volume envelope %s (%d points), panning envelope %s, "
                    "fadeout %d\n",
                    i + 1, text(ins.name, 22).c_str(), ins.storedHeaderSize, ins.sampleCount,
                    ins.volumeEnvelope.on ? "on" : "off", ins.volumeEnvelope.pointCount,
                    ins.panningEnvelope.on ? "on" : "off", ins.fadeout);
        for (int s = 0; s < ins.sampleCount; ++s) {
            const Sample& sm = ins.samples[s];
            std::printf("    sample %d '%s': %lld frames %d-bit, loop %d %lld..%lld, volume %d, finetune %d, "
                        "panning %d, relative note %d\n",
                        s, text(sm.name, 22).c_str(), (long long)sm.data.length, sm.data.bits, sm.data.loopType,
                        (long long)sm.data.loopStart, (long long)sm.data.loopEnd, sm.volume, sm.finetune, sm.panning,
                        sm.relativeNote);
        }
    }
    return 0;
}

} // namespace

int runXmTool(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    if (argc < 3)
        return usage();
    const std::string cmd = argv[1];
    if (cmd != "info" && cmd != "render" && cmd != "syncs" && cmd != "trace")
        return usage();
    if (cmd == "render" && argc < 4)
        return usage();
    double seconds = 0, volume = 0, ticks = 0;
    if (!number("--seconds", option(argc, argv, "--seconds", "600"), seconds) ||
        !number("--volume", option(argc, argv, "--volume", "10"), volume) ||
        !number("--ticks", option(argc, argv, "--ticks", "200"), ticks))
        return 2;
    auto player = std::make_unique<ModulePlayer>();
    if (!player->loadFromFile(argv[2])) {
        std::fprintf(stderr, "kalvora-xm: cannot load %s: %s\n", argv[2], player->loadFailure().c_str());
        return 1;
    }
    if (cmd == "info")
        return info(*player);
    if (cmd == "render")
        return render(*player, argv[3], seconds, int(volume));
    if (cmd == "syncs") {
        for (const XmSyncLine& s : listSyncs(*player, seconds))
            std::printf("%d %d %d %d %d\n", s.timeMs, s.order, s.row, s.channel, s.index);
        return 0;
    }
    // The tick count within what a day of song could hold; any larger count is a day.
    const int tickCount = ticks < 0 ? 0 : ticks > 1e7 ? 10000000 : int(ticks);
    for (const std::string& line : traceTicks(*player, tickCount))
        std::printf("%s\n", line.c_str());
    return 0;
}
