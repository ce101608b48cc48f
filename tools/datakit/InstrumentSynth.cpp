#include "InstrumentSynth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRate = InstrumentSynth::kRate;

// A small fixed-seed generator so that every build makes the same noise.
class Noise {
public:
    explicit Noise(uint32_t seed) : m_state(seed) {}
    // Uniform in [-1, 1).
    double next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return static_cast<double>(m_state >> 8) / 8388608.0 - 1.0;
    }

private:
    uint32_t m_state;
};

// Leaves room for ten voices summed at the show's master volume: the song's loudest moments then peak
// near 70 % of full scale instead of touching it.
constexpr double kHeadroom = 0.72;

// Scales to `peak` x kHeadroom of full scale and rounds to 16-bit.
std::vector<int16_t> toFrames(const std::vector<double>& signal, double peak)
{
    double maximum = 1e-9;
    for (double v : signal) {
        maximum = std::max(maximum, std::fabs(v));
    }
    std::vector<int16_t> frames(signal.size());
    const double gain = peak * kHeadroom * 32767.0 / maximum;
    for (size_t i = 0; i < signal.size(); ++i) {
        frames[i] = static_cast<int16_t>(std::lround(signal[i] * gain));
    }
    return frames;
}

// Lets a one-shot end in silence instead of a click.
void fadeTail(std::vector<double>& signal, size_t length)
{
    length = std::min(length, signal.size());
    for (size_t i = 0; i < length; ++i) {
        signal[signal.size() - 1 - i] *= static_cast<double>(i) / static_cast<double>(length);
    }
}

// Sum of harmonics of a tone whose cycle is `cycle` frames; `amplitude(h, i)` gives harmonic h at frame i.
// Harmonics at or above half the cycle are left out (they would fold back).
std::vector<double> additive(size_t frames, double cyclesPerFrame, int harmonics,
                             const std::function<double(int, size_t)>& amplitude)
{
    std::vector<double> out(frames, 0.0);
    for (size_t i = 0; i < frames; ++i) {
        double sum = 0.0;
        for (int h = 1; h <= harmonics; ++h) {
            if (h * cyclesPerFrame >= 0.45) {
                break;
            }
            const double a = amplitude(h, i);
            if (a != 0.0) {
                sum += a * std::sin(2.0 * kPi * h * cyclesPerFrame * static_cast<double>(i));
            }
        }
        out[i] = sum;
    }
    return out;
}

XmEnvelope envelope(std::vector<XmEnvelopePoint> points, int sustain)
{
    XmEnvelope e;
    e.points = std::move(points);
    e.type = 1;
    if (sustain >= 0) {
        e.sustain = static_cast<uint8_t>(sustain);
        e.type |= 2;
    }
    return e;
}

XmSample sample(const char* name, std::vector<int16_t> frames, uint8_t volume, uint8_t panning)
{
    XmSample s;
    s.name = name;
    s.frames = std::move(frames);
    s.volume = volume;
    s.panning = panning;
    s.relativeNote = InstrumentSynth::kRelativeNote;
    return s;
}

void loopAll(XmSample& s)
{
    s.loopType = 1;
    s.loopStart = 0;
    s.loopLength = static_cast<uint32_t>(s.frames.size());
}

XmInstrument kick()
{
    const size_t n = static_cast<size_t>(0.42 * kRate);
    std::vector<double> x(n);
    Noise noise(11);
    double phase = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double frequency = 46.0 + 120.0 * std::exp(-t / 0.03);
        phase += frequency / kRate;
        const double body = std::sin(2.0 * kPi * phase) * std::exp(-t / 0.16);
        const double click = noise.next() * std::exp(-t / 0.002) * 0.35;
        x[i] = std::tanh(1.8 * (body + click));
    }
    fadeTail(x, 600);
    XmInstrument in;
    in.name = "kick";
    in.samples.push_back(sample("kick", toFrames(x, 0.92), 64, 128));
    return in;
}

XmInstrument snare()
{
    const size_t n = static_cast<size_t>(0.32 * kRate);
    std::vector<double> x(n);
    Noise noise(23);
    double low = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double tone =
            (std::sin(2.0 * kPi * 185.0 * t) + 0.5 * std::sin(2.0 * kPi * 330.0 * t)) * std::exp(-t / 0.06);
        const double white = noise.next();
        low += 0.25 * (white - low);
        const double hiss = (white - 0.6 * low) * std::exp(-t / 0.11);
        x[i] = std::tanh(1.4 * (0.55 * tone + 0.8 * hiss));
    }
    fadeTail(x, 800);
    XmInstrument in;
    in.name = "snare";
    in.samples.push_back(sample("snare", toFrames(x, 0.95), 64, 124));
    return in;
}

std::vector<double> hat(double seconds, double decay, uint32_t seed)
{
    const size_t n = static_cast<size_t>(seconds * kRate);
    std::vector<double> x(n);
    Noise noise(seed);
    double previous = 0.0;
    // Metallic partials under the noise, at ratios that share no harmonics.
    static const double partials[] = {3140.0, 4410.0, 5230.0, 6880.0, 8120.0};
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        double metal = 0.0;
        for (double f : partials) {
            metal += std::sin(2.0 * kPi * f * t) > 0.0 ? 1.0 : -1.0;
        }
        const double white = noise.next() + 0.08 * metal;
        const double high = white - previous; // first difference: a gentle high-pass
        previous = white;
        const double attack = std::min(1.0, t / 0.0008);
        x[i] = high * std::exp(-t / decay) * attack;
    }
    fadeTail(x, 400);
    return x;
}

XmInstrument hats()
{
    XmInstrument in;
    in.name = "hats (closed C-4, open C-5)";
    in.samples.push_back(sample("closed hat", toFrames(hat(0.12, 0.035, 37), 0.95), 64, 160));
    in.samples.push_back(sample("open hat", toFrames(hat(0.5, 0.16, 41), 0.9), 64, 160));
    // Notes from C-5 up play the open hat.
    for (size_t note = 60; note < 96; ++note) {
        in.keymap[note] = 1;
    }
    return in;
}

XmInstrument crash()
{
    const size_t n = static_cast<size_t>(1.7 * kRate);
    std::vector<double> x(n);
    Noise noise(53);
    double previous = 0.0;
    double smooth = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double white = noise.next();
        const double high = white - previous;
        previous = white;
        smooth += 0.5 * (high - smooth);
        const double shimmer = 1.0 + 0.25 * std::sin(2.0 * kPi * 7.0 * t);
        x[i] = smooth * shimmer * std::exp(-t / 0.6) * std::min(1.0, t / 0.002);
    }
    fadeTail(x, 3000);
    XmInstrument in;
    in.name = "crash";
    in.samples.push_back(sample("crash", toFrames(x, 0.9), 60, 150));
    return in;
}

// A looped tone: `attack` frames whose brightness settles, then one cycle that loops.
XmInstrument bass()
{
    const size_t attack = 40 * InstrumentSynth::kCycle;
    const size_t n = attack + InstrumentSynth::kCycle;
    const double cycles = 1.0 / InstrumentSynth::kCycle;
    std::vector<double> x = additive(n, cycles, 40, [&](int h, size_t i) {
        const double t = std::min(1.0, static_cast<double>(i) / static_cast<double>(attack));
        const double cutoff = 3.5 + 14.0 * std::pow(1.0 - t, 2.0);
        const double rolloff = 1.0 / (1.0 + std::pow(h / cutoff, 4.0));
        double a = rolloff / h;
        if (h == 1) {
            a += 0.6; // sub weight
        }
        return a;
    });
    XmInstrument in;
    in.name = "bass";
    XmSample s = sample("bass", toFrames(x, 0.9), 52, 128);
    s.loopType = 1;
    s.loopStart = static_cast<uint32_t>(attack);
    s.loopLength = InstrumentSynth::kCycle;
    in.samples.push_back(std::move(s));
    in.volumeEnvelope = envelope({{0, 64}, {8, 54}, {40, 46}, {46, 0}}, 2);
    in.fadeout = 2048;
    return in;
}

// 16384 frames hold 128 cycles of the note and 127 and 129 of its two detuned copies: a chorus that loops
// seamlessly.
XmInstrument pad()
{
    const size_t n = 128 * InstrumentSynth::kCycle;
    std::vector<double> x(n, 0.0);
    const double counts[] = {128.0, 127.0, 129.0, 256.0};
    const double weights[] = {1.0, 0.8, 0.8, 0.25};
    for (int k = 0; k < 4; ++k) {
        const double cyclesPerFrame = counts[k] / static_cast<double>(n);
        const std::vector<double> voice = additive(
            n, cyclesPerFrame, 18, [&](int h, size_t) { return weights[k] / (h * (1.0 + 0.08 * h * h / 4.0)); });
        for (size_t i = 0; i < n; ++i) {
            x[i] += voice[i];
        }
    }
    XmInstrument in;
    in.name = "pad";
    XmSample s = sample("pad", toFrames(x, 0.85), 40, 128);
    loopAll(s);
    in.samples.push_back(std::move(s));
    in.volumeEnvelope = envelope({{0, 0}, {28, 64}, {90, 48}, {160, 0}}, 2);
    in.fadeout = 256;
    return in;
}

// Saw and a slightly sharp square-ish partner.
XmInstrument lead()
{
    const size_t n = 128 * InstrumentSynth::kCycle;
    const double saw = 128.0 / static_cast<double>(n);
    const double square = 129.0 / static_cast<double>(n);
    std::vector<double> x = additive(n, saw, 24, [](int h, size_t) { return 1.0 / h; });
    const std::vector<double> y = additive(n, square, 24, [](int h, size_t) { return h % 2 ? 0.7 / h : 0.0; });
    for (size_t i = 0; i < n; ++i) {
        x[i] += y[i];
    }
    XmInstrument in;
    in.name = "lead";
    XmSample s = sample("lead", toFrames(x, 0.85), 44, 128);
    loopAll(s);
    in.samples.push_back(std::move(s));
    in.volumeEnvelope = envelope({{0, 0}, {2, 64}, {24, 52}, {40, 0}}, 2);
    in.fadeout = 1024;
    return in;
}

// A bright pulse of one looped cycle, shaped into a pluck by its volume envelope.
XmInstrument arp()
{
    const double cyclesPerFrame = 1.0 / InstrumentSynth::kCycle;
    std::vector<double> x = additive(InstrumentSynth::kCycle, cyclesPerFrame, 30, [](int h, size_t) {
        // 25 % pulse.
        return std::sin(kPi * h * 0.25) / h;
    });
    XmInstrument in;
    in.name = "arpeggio";
    XmSample s = sample("arpeggio", toFrames(x, 0.8), 34, 96);
    loopAll(s);
    in.samples.push_back(std::move(s));
    in.volumeEnvelope = envelope({{0, 64}, {5, 40}, {18, 18}, {36, 0}}, -1);
    in.fadeout = 4096;
    return in;
}

struct Recipe {
    const char* name;
    XmInstrument (*make)();
};

const Recipe kRecipes[] = {
    {"kick", kick}, {"snare", snare}, {"hats", hats}, {"bass", bass},
    {"pad", pad},   {"lead", lead},   {"arp", arp},   {"crash", crash},
};

} // namespace

const std::vector<std::string>& InstrumentSynth::recipes()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const Recipe& r : kRecipes) {
            out.emplace_back(r.name);
        }
        return out;
    }();
    return names;
}

bool InstrumentSynth::make(const std::string& recipe, XmInstrument& out)
{
    for (const Recipe& r : kRecipes) {
        if (recipe == r.name) {
            out = r.make();
            return true;
        }
    }
    return false;
}
