// A module from bytes, played for two seconds on the offline card, its state checked on every tick.

#include "FuzzTargets.h"

#include "music/ModulePlayer.h"
#include "music/SoundDevice.h"
#include "platform/OfflinePlatform.h"

namespace {

constexpr uint32_t kPlayMs = 2000;

class TickContract final : public TickListener {
public:
    void onTick(const ModulePlayer& p) override
    {
        fuzzRequire(p.orderPosition() >= 0 && p.orderPosition() <= 255, "order position 0..255");
        fuzzRequire(p.channelCount() >= 1 && p.channelCount() <= ModulePlayer::kMaxChannels, "channels 1..32");
        for (int i = 0; i < p.channelCount(); ++i) {
            const Voice* v = p.voice(i);
            fuzzRequire(v != nullptr, "every channel has a voice");
            fuzzRequire(v->volume >= 0 && v->volume <= 256, "voice volume 0..256");
            fuzzRequire(v->panning >= 0 && v->panning <= 256, "voice panning 0..256");
        }
    }
};

} // namespace

int fuzzXm(const uint8_t* data, size_t size)
{
    ModulePlayer player;
    if (!player.loadFromMemory(data, size))
        return 0;
    OfflinePlatform clock;
    int64_t frames = 0;
    auto device = makeOfflineSoundDevice(clock, [&](const int16_t*, size_t n) { frames += int64_t(n); });
    if (!device->open())
        return 0;
    TickContract contract;
    player.setTickListener(&contract);
    if (device->play(player)) {
        clock.advanceBy(kPlayMs);
        fuzzRequire(frames == int64_t(kPlayMs) * SoundDevice::kRate / 1000, "the card plays the frames asked for");
        device->stop(player);
    }
    device->close();
    return 0;
}
