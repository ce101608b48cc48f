#pragma once
// The scrambled data archive: every entry read and unscrambled once, then served from memory by name.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class PackArchive {
public:
    static constexpr int32_t kMaxEntries = 2048;
    static constexpr int32_t kHeaderSize = 256;
    static constexpr int32_t kNameBytes = 232; // bytes 0..231 of a header hold the name
    static constexpr int32_t kLengthOffset = 232;
    static constexpr const char* kKey = "Keep Your Hands Still";
    static constexpr int32_t kKeyLength = 21;

    struct Entry {
        int32_t length = 0;            // stated size of the data in bytes
        uint32_t offset = 0;           // where the data starts in the archive file (for information)
        char name[256] = {};           // stored name, folded to lower case
        char archiveName[256] = {};    // the archive's file name as passed to open
        const uint8_t* data = nullptr; // unscrambled bytes, owned by the archive
        int32_t present = 0;           // bytes actually in the file (<= length); the rest reads as zeros
        char storedName[256] = {};     // the name as written, before folding (for listing and extracting)
    };

    PackArchive();
    PackArchive(const PackArchive&) = delete;
    PackArchive& operator=(const PackArchive&) = delete;

    // Loads every entry of `fileName` (appended to those already loaded) and switches to archive mode.
    // Returns 0 when loaded (also for a file without entries) and 1 when the file cannot be opened, in
    // which case the mode stays as it was. A null name only switches to plain-file mode and returns 0.
    int openFailed(const char* fileName);
    // The same, from bytes in memory; `archiveName` is what the entries record as their archive.
    void loadFromMemory(const uint8_t* bytes, size_t size, const char* archiveName);
    // Drops every entry and returns to plain-file mode.
    void clear();

    int32_t mode() const { return m_mode; } // 0 = plain files, 1 = archive loaded
    int32_t count() const { return m_count; }
    const Entry& entry(int32_t index) const { return m_entries[size_t(index)]; }
    // The first entry whose stored name equals `name` after case folding, or null.
    const Entry* find(const char* name) const;

    // Folds A-Z and the Latin-1 letters 0xC5, 0xC4, 0xD6 to lower case; every other byte stays.
    static uint8_t foldByte(uint8_t c);
    static std::string foldName(const char* name);
    // Turns stored bytes back into data (and data into stored bytes: the scrambling is its own inverse).
    // `index` is the position of the first byte within its entry's data.
    static void scramble(uint8_t* bytes, size_t count, size_t index = 0);

private:
    void loadBlock(std::vector<uint8_t> bytes, const char* archiveName);

    std::unique_ptr<Entry[]> m_entries;
    std::vector<std::vector<uint8_t>> m_blocks; // one block per loaded archive, kept for good
    int32_t m_mode = 0;
    int32_t m_count = 0;
};

// The archive of the process: the runner opens it once at start-up, every PackFile reads through it.
PackArchive& packArchive();
