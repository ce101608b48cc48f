// kalvora-xm: looks into XM files and plays them offline through the show's player.

#include "XmRender.h"
#include "music/WavFile.h"

#include "music/ModulePlayer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: kalvora-xm info FILE\n"
                         "       kalvora-xm render FILE OUT.wav [--seconds S] [--volume V]\n"
                         "       kalvora-xm syncs FILE [--seconds S]\n"
                         "       kalvora-xm trace FILE [--ticks N]\n");
    return 2;
}

const char* option(int argc, char** argv, const char* name, const char* fallback)
{
    for (int i = 0; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return argv[i + 1];
    return fallback;
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

int main(int argc, char** argv)
{
    if (argc < 3)
        return usage();
    std::string cmd = argv[1];
    auto player = std::make_unique<ModulePlayer>();
    if (!player->loadFromFile(argv[2])) {
        std::fprintf(stderr, "kalvora-xm: cannot load %s\n", argv[2]);
        return 1;
    }
    if (cmd == "info")
        return info(*player);
    if (cmd == "render") {
        if (argc < 4)
            return usage();
        double seconds = std::atof(option(argc, argv, "--seconds", "600"));
        int volume = std::atoi(option(argc, argv, "--volume", "10"));
        XmRenderResult r = renderSong(*player, seconds, volume);
        if (!writeWav(argv[3], r.pcm.data(), size_t(r.frames))) {
            std::fprintf(stderr, "kalvora-xm: cannot write %s\n", argv[3]);
            return 1;
        }
        std::printf("%lld frames (%s)\n", (long long)r.frames, r.reason.c_str());
        return 0;
    }
    if (cmd == "syncs") {
        double seconds = std::atof(option(argc, argv, "--seconds", "600"));
        for (const XmSyncLine& s : listSyncs(*player, seconds))
            std::printf("%d %d %d %d %d\n", s.timeMs, s.order, s.row, s.channel, s.index);
        return 0;
    }
    if (cmd == "trace") {
        int ticks = std::atoi(option(argc, argv, "--ticks", "200"));
        for (const std::string& line : traceTicks(*player, ticks))
            std::printf("%s\n", line.c_str());
        return 0;
    }
    return usage();
}
