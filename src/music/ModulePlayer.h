#pragma once
// Plays an XM song: loads the file into its model and advances it tick by tick into its voices.

#include "music/ModuleChannel.h"
#include "music/MusicPlayer.h"
#include "music/Pattern.h"
#include "music/Periods.h"
#include "music/XmModel.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ByteReader;
class ModulePlayer;

// Sees every tick after its effect passes and before the song position moves (tools and tests).
class TickListener {
public:
    virtual ~TickListener() = default;
    virtual void onTick(const ModulePlayer& player) = 0;
};

class ModulePlayer : public MusicPlayer {
public:
    static constexpr int kMaxChannels = 32;
    static constexpr int kInstruments = 256;

    ModulePlayer();
    ~ModulePlayer() override;

    // Returns the channel count (nonzero) on success, 0 on failure (see loadFailure).
    int loadFromMemory(const uint8_t* data, size_t size) override;
    // Loads a regular file of at most kMaxFileBytes; 0 on failure (see loadFailure).
    int loadFromFile(const char* name) override;
    // Why the last load failed ("not an XM file", "too many channels (40, at most 32)", "truncated in
    // the data of pattern 3 (read past end)", ...); empty after a load that worked.
    const std::string& loadFailure() const { return m_loadFailure; }
    // Far more than any song holds; a larger file is refused before it is read.
    static constexpr uint64_t kMaxFileBytes = uint64_t(256) << 20;
    int tick() override;
    int resetChannels() override;
    int restart() override;
    float ticksPerSecond() override { return m_ticksPerSecond; }

    void setTickListener(TickListener* listener) { m_listener = listener; }

    // The song and its state, read by tools and tests.
    int songLength() const { return m_songLength; }
    int restartPosition() const { return m_restartPosition; }
    int frequencyMode() const { return m_frequencyMode; }
    int patternCount() const { return int(m_patterns.size()); }
    int instrumentCount() const { return m_instrumentCount; }
    int defaultSpeed() const { return m_defaultSpeed; }
    int defaultTempo() const { return m_defaultTempo; }
    int speed() const { return m_speed; }
    int tempo() const { return m_tempo; }
    int order(int i) const { return i >= 0 && i < 256 ? m_order[i] : 0; }
    const Pattern* pattern(int i) const { return i >= 0 && i < patternCount() ? m_patterns[i].get() : nullptr; }
    const Instrument& instrument(int i) const { return m_instruments[i & 255]; }
    const ModuleChannel& channel(int i) const { return m_channels[i]; }
    int orderPosition() const { return m_orderPos; }
    int rowCounter() const { return m_row; }
    int tickCounter() const { return m_tick; }
    int patternDelay() const { return m_patternDelay; }
    int globalVolume() const { return m_globalVolume; }
    // Rows decoded since the last restart, and where the latest one came from.
    int64_t decodedRows() const { return m_decodedRows; }
    int decodedOrder() const { return m_decodedOrder; }
    int decodedRow() const { return m_decodedRow; }
    // How often the order position has gone past the end of the list (back to the restart position).
    int64_t orderWraps() const { return m_orderWraps; }
    // The header sizes the file stores (song header, and whether any pattern or instrument header
    // differs from the fixed layout).
    uint32_t storedHeaderSize() const { return m_storedHeaderSize; }
    bool fixedLayout() const { return m_fixedLayout; }

private:
    void clearSong();
    int loadImage(const uint8_t* data, size_t size);
    int failLoad(const ByteReader& reader, const char* what, int index = -1, int value = -1);
    void decodeRow();
    void noteTrigger(ModuleChannel& c);
    void startNote(ModuleChannel& c, int n, const Instrument* ins, bool hasInstrumentByte, bool override, int finetune);
    void retriggerNote(ModuleChannel& c);
    void handOff(ModuleChannel& c);
    void silence(ModuleChannel& c);
    void keyOffChannel(ModuleChannel& c);
    void updateVoice(ModuleChannel& c);
    void advanceEnvelope(EnvelopeCursor& cur, bool keyOff);
    int envelopeValue(EnvelopeCursor& cur, int fallback);
    void autoVibrato(ModuleChannel& c);

    // Effect passes (ModuleEffects.cpp).
    void firstTickPass(ModuleChannel& c);
    void perTickPass(ModuleChannel& c);
    void volumeColumnFirstTick(ModuleChannel& c);
    void volumeColumnPerTick(ModuleChannel& c);
    void vibrato(ModuleChannel& c);
    void tremolo(ModuleChannel& c);
    void tonePortamento(ModuleChannel& c);
    void arpeggio(ModuleChannel& c);
    void multiRetrigStep(ModuleChannel& c);
    void tremorStep(ModuleChannel& c);
    void setPeriod(ModuleChannel& c, int p) { c.period = Periods::clampPeriod(p); }
    static void setVolume(ModuleChannel& c, int v) { c.volume = v < 0 ? 0 : (v > 64 ? 64 : v); }
    static void setPanning(ModuleChannel& c, int p) { c.panning = p < 0 ? 0 : (p > 256 ? 256 : p); }

    // Song model.
    int m_songLength = 1;
    int m_restartPosition = 0;
    int m_frequencyMode = 1;
    int m_instrumentCount = 0;
    int m_defaultSpeed = 6;
    int m_defaultTempo = 125;
    uint8_t m_order[256] = {};
    std::vector<std::unique_ptr<Pattern>> m_patterns;
    std::unique_ptr<Instrument[]> m_instruments;
    ModuleChannel m_channels[kMaxChannels];
    uint32_t m_storedHeaderSize = 0;
    bool m_fixedLayout = true;
    std::string m_loadFailure;

    // Song position.
    int m_speed = 6;
    int m_tempo = 125;
    float m_ticksPerSecond = 1000.0f;
    int m_orderPos = 0;
    int m_row = 0;
    int m_tick = 0;
    int m_currentPattern = 0;
    int m_patternDelay = 0;
    bool m_jump = false;
    int m_jumpTarget = 4095;
    int m_breakRow = 0;
    int m_globalVolume = 256;
    Periods m_periods;
    RowEntry m_rowEntries[kMaxChannels];
    int64_t m_decodedRows = 0;
    int m_decodedOrder = 0;
    int m_decodedRow = 0;
    int64_t m_orderWraps = 0;

    TickListener* m_listener = nullptr;
};
