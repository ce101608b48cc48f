#pragma once
// One file opened by name from the archive (or from disk when no archive is loaded), read sequentially.

#include <cstdint>
#include <vector>

class PackArchive;

class PackFile {
public:
    // Reads through the process-wide archive.
    PackFile();
    explicit PackFile(const PackArchive& archive);
    PackFile(const PackFile&) = delete;
    PackFile& operator=(const PackFile&) = delete;
    ~PackFile() = default;

    // Opens `name`, matched without regard to the case of A-Z, Å, Ä, Ö. In archive mode the first entry
    // with that name is taken; in plain-file mode the file of that (folded) name is read whole from the
    // current directory, with backslashes as separators. 1 = opened, 0 = not found.
    int open(const char* name);
    // Forgets the file; always 1.
    int close();
    bool isOpen() const { return m_open; }

    // Copies up to `n` bytes from the read position and advances past them. Returns the count copied:
    // 0 when the position lies outside the data or n <= 0, -1 when no file is open.
    int32_t read(void* destination, int32_t n);
    // Reads one line into `destination` (at most capacity - 1 bytes and a NUL; the rest of a longer line
    // is skipped). A line ends at LF, at CR (an LF right after it belongs to the same ending) or at the
    // end of the data. Returns 1 when the line ended because no byte was left, else 0.
    int readLine(char* destination, int32_t capacity);
    // Sets the read position, counted from the start; always 1.
    int seek(int32_t position);
    // Nonzero when no byte can be read at the position (at or past the end, or before the start).
    int endOfFile() const;

    int32_t position() const { return m_position; }
    int32_t length() const { return m_length; }

private:
    int readByte(uint8_t& byte);

    const PackArchive& m_archive;
    bool m_open = false;
    const uint8_t* m_data = nullptr; // the entry's bytes, or the plain file's
    int32_t m_present = 0;           // bytes behind m_data; positions up to m_length read as zeros
    int32_t m_length = 0;
    int32_t m_position = 0;
    std::vector<uint8_t> m_plainBytes; // a plain file's contents
};
