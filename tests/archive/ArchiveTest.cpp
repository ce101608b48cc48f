// PackArchive, PackFile and PackWriter: format, scrambling, lookup, reading, plain-file fallback.

#include "data/FileBytes.h"
#include "data/PackArchive.h"
#include "data/PackFile.h"
#include "data/PackWriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::vector<uint8_t> bytesOf(const std::string& s)
{
    return std::vector<uint8_t>(s.begin(), s.end());
}

void load(PackArchive& archive, const PackWriter& writer)
{
    archive.loadFromMemory(writer.bytes().data(), writer.bytes().size(), "test.dat");
}

std::string readAll(PackFile& f)
{
    std::string s;
    char buf[7];
    int32_t n;
    while ((n = f.read(buf, sizeof buf)) > 0)
        s.append(buf, size_t(n));
    return s;
}

// One raw entry: header fields written directly, for layouts the writer refuses to make.
std::vector<uint8_t> rawEntry(const std::vector<uint8_t>& nameBytes, int32_t length, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> out(256, 0);
    std::copy(nameBytes.begin(), nameBytes.end(), out.begin());
    for (int i = 0; i < 4; ++i)
        out[232 + size_t(i)] = uint8_t(uint32_t(length) >> (8 * i));
    for (uint8_t& b : out)
        b = uint8_t(~b);
    std::vector<uint8_t> d = data;
    PackArchive::scramble(d.data(), d.size());
    out.insert(out.end(), d.begin(), d.end());
    return out;
}

// Runs a test inside a fresh temporary directory, restoring the working directory afterwards.
class TempDir {
public:
    TempDir()
    {
        char templ[] = "/tmp/kv_archive_XXXXXX";
        m_path = mkdtemp(templ);
        m_old = std::filesystem::current_path();
        std::filesystem::current_path(m_path);
    }
    ~TempDir()
    {
        std::filesystem::current_path(m_old);
        std::filesystem::remove_all(m_path);
    }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    std::filesystem::path m_old;
};

} // namespace

TEST(PackFormat, HeaderIsInvertedAndDataIsNotOfDataXorKey)
{
    PackWriter w;
    ASSERT_TRUE(w.add("ab", bytesOf("Hi")));
    const std::vector<uint8_t>& b = w.bytes();
    ASSERT_EQ(b.size(), 258u);
    EXPECT_EQ(b[0], uint8_t(~'a'));
    EXPECT_EQ(b[1], uint8_t(~'b'));
    EXPECT_EQ(b[2], 0xFF); // the NUL, inverted
    EXPECT_EQ(b[232], uint8_t(~2));
    EXPECT_EQ(b[233], 0xFF);
    EXPECT_EQ(b[255], 0xFF); // reserved bytes are zero before inversion
    EXPECT_EQ(b[256], uint8_t(~('H' ^ 'K')));
    EXPECT_EQ(b[257], uint8_t(~('i' ^ 'e')));
}

TEST(PackFormat, KeyRestartsForEveryEntryAndRepeatsEvery21Bytes)
{
    std::vector<uint8_t> zeros(22, 0);
    PackWriter w;
    ASSERT_TRUE(w.add("a", zeros));
    ASSERT_TRUE(w.add("b", zeros));
    const std::vector<uint8_t>& b = w.bytes();
    EXPECT_EQ(b[256 + 21], uint8_t(~'K')); // data offset 21 uses the first key character again
    EXPECT_EQ(b[256 + 20], uint8_t(~'l'));
    EXPECT_EQ(b[256 + 22 + 256], uint8_t(~'K')); // second entry starts the key afresh
    PackArchive a;
    load(a, w);
    ASSERT_EQ(a.count(), 2);
    EXPECT_EQ(std::memcmp(a.entry(1).data, zeros.data(), 22), 0);
    EXPECT_EQ(a.entry(1).offset, 256u + 22u + 256u);
}

TEST(PackWriter, RefusesNamesThatDoNotFitOrAreEmpty)
{
    PackWriter w;
    EXPECT_FALSE(w.add("", bytesOf("x")));
    EXPECT_FALSE(w.add(std::string(232, 'a'), bytesOf("x")));
    EXPECT_FALSE(w.add(std::string("a\0b", 3), bytesOf("x")));
    EXPECT_TRUE(w.add(std::string(231, 'a'), bytesOf("x")));
    EXPECT_EQ(w.count(), 1);
    PackArchive a;
    load(a, w);
    EXPECT_NE(a.find(std::string(231, 'A').c_str()), nullptr);
}

TEST(PackArchive, OpenReturnsZeroWhenLoadedAndOneWhenMissing)
{
    TempDir dir;
    PackArchive a;
    EXPECT_EQ(a.openFailed("missing.dat"), 1);
    EXPECT_EQ(a.mode(), 0);
    ASSERT_TRUE(writeWholeFile("empty.dat", nullptr, 0));
    EXPECT_EQ(a.openFailed("empty.dat"), 0); // no entries is still loaded
    EXPECT_EQ(a.mode(), 1);
    EXPECT_EQ(a.count(), 0);
    EXPECT_EQ(a.openFailed("missing.dat"), 1);
    EXPECT_EQ(a.mode(), 1); // a failed open leaves the mode as it was
    EXPECT_EQ(a.openFailed(nullptr), 0);
    EXPECT_EQ(a.mode(), 0);

    PackWriter w;
    ASSERT_TRUE(w.add("data\\One.txt", bytesOf("one")));
    ASSERT_TRUE(w.write("pack.dat"));
    PackArchive b;
    EXPECT_EQ(b.openFailed("pack.dat"), 0);
    ASSERT_EQ(b.count(), 1);
    EXPECT_STREQ(b.entry(0).name, "data\\one.txt");
    EXPECT_STREQ(b.entry(0).archiveName, "pack.dat");
    EXPECT_EQ(b.entry(0).offset, 256u);
}

TEST(PackArchive, NamesFoldAsciiAndThreeLatin1LettersOnly)
{
    EXPECT_EQ(PackArchive::foldName("DATA\\EndPic.JPG"), "data\\endpic.jpg");
    EXPECT_EQ(PackArchive::foldName("\xC5\xC4\xD6"), "\xE5\xE4\xF6");
    EXPECT_EQ(PackArchive::foldName("\xC9\xDC@[`{"), "\xC9\xDC@[`{"); // É, Ü and neighbours of A-Z stay
    PackWriter w;
    ASSERT_TRUE(w.add("data\\endpic.jpg", bytesOf("pic")));
    ASSERT_TRUE(w.add("S\xC5G\xD6.txt", bytesOf("latin")));
    PackArchive a;
    load(a, w);
    PackFile f(a);
    EXPECT_EQ(f.open("DATA\\ENDPIC.JPG"), 1);
    EXPECT_EQ(readAll(f), "pic");
    EXPECT_EQ(f.open("s\xe5g\xf6.TXT"), 1);
    EXPECT_EQ(f.open("data/endpic.jpg"), 0); // the separator is matched exactly
    EXPECT_EQ(f.open(".\\data\\endpic.jpg"), 0);
    EXPECT_EQ(f.open(""), 0);
    EXPECT_EQ(f.open(nullptr), 0);
}

TEST(PackArchive, FirstOfTwoEqualNamesWins)
{
    PackWriter w;
    ASSERT_TRUE(w.add("Twin", bytesOf("first")));
    ASSERT_TRUE(w.add("twin", bytesOf("second")));
    PackArchive a;
    load(a, w);
    PackFile f(a);
    ASSERT_EQ(f.open("TWIN"), 1);
    EXPECT_EQ(readAll(f), "first");
}

TEST(PackArchive, KeepsTheFirst2048EntriesAndIgnoresTheRest)
{
    PackWriter w;
    for (int i = 0; i < 2050; ++i)
        ASSERT_TRUE(w.add("e" + std::to_string(i), bytesOf(std::to_string(i))));
    PackArchive a;
    load(a, w);
    EXPECT_EQ(a.count(), 2048);
    PackFile f(a);
    ASSERT_EQ(f.open("e2047"), 1);
    EXPECT_EQ(readAll(f), "2047");
    EXPECT_EQ(f.open("e2048"), 0);
}

TEST(PackArchive, CutHeaderIsDroppedAndCutDataReadsAsZeros)
{
    PackWriter w;
    ASSERT_TRUE(w.add("whole", bytesOf("abcdef")));
    ASSERT_TRUE(w.add("cut", bytesOf("0123456789")));
    std::vector<uint8_t> bytes = w.bytes();
    bytes.resize(bytes.size() - 4); // "cut" loses its last four bytes
    PackArchive a;
    a.loadFromMemory(bytes.data(), bytes.size(), "t");
    ASSERT_EQ(a.count(), 2);
    PackFile f(a);
    ASSERT_EQ(f.open("cut"), 1);
    EXPECT_EQ(f.length(), 10);
    EXPECT_EQ(readAll(f), std::string("012345\0\0\0\0", 10));

    // A header short by one byte ends the archive.
    std::vector<uint8_t> shortHeader = w.bytes();
    shortHeader.resize(256 + 6 + 255);
    PackArchive b;
    b.loadFromMemory(shortHeader.data(), shortHeader.size(), "t");
    EXPECT_EQ(b.count(), 1);
    EXPECT_EQ(b.mode(), 1);
}

TEST(PackArchive, HugeDeclaredLengthIsNotAllocatedAndReadsAsZeros)
{
    std::vector<uint8_t> bytes = rawEntry(bytesOf("big"), INT32_MAX, bytesOf("xy"));
    PackArchive a;
    a.loadFromMemory(bytes.data(), bytes.size(), "t");
    ASSERT_EQ(a.count(), 1);
    EXPECT_EQ(a.entry(0).present, 2);
    PackFile f(a);
    ASSERT_EQ(f.open("big"), 1);
    char buf[4] = {1, 1, 1, 1};
    EXPECT_EQ(f.read(buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), std::string("xy\0\0", 4));
    char line[8];
    f.seek(0);
    EXPECT_EQ(f.readLine(line, sizeof line), 1); // the zeros hold no line ending: one line to the end
    EXPECT_STREQ(line, "xy");
    EXPECT_EQ(f.position(), INT32_MAX);
    f.seek(INT32_MAX - 1);
    EXPECT_EQ(f.read(buf, 4), 1);
    EXPECT_EQ(f.position(), INT32_MAX);
    EXPECT_NE(f.endOfFile(), 0);
}

TEST(PackArchive, NegativeLengthStopsLoading)
{
    std::vector<uint8_t> bytes = rawEntry(bytesOf("good"), 1, bytesOf("g"));
    std::vector<uint8_t> bad = rawEntry(bytesOf("bad"), -5, {});
    std::vector<uint8_t> after = rawEntry(bytesOf("after"), 1, bytesOf("a"));
    bytes.insert(bytes.end(), bad.begin(), bad.end());
    bytes.insert(bytes.end(), after.begin(), after.end());
    PackArchive a;
    a.loadFromMemory(bytes.data(), bytes.size(), "t");
    EXPECT_EQ(a.count(), 1);
    EXPECT_EQ(a.mode(), 1);
}

TEST(PackArchive, NameWithoutNulIsCutAt232Bytes)
{
    std::vector<uint8_t> bytes = rawEntry(std::vector<uint8_t>(232, 'N'), 3, bytesOf("abc"));
    PackArchive a;
    a.loadFromMemory(bytes.data(), bytes.size(), "t");
    ASSERT_EQ(a.count(), 1);
    EXPECT_EQ(std::strlen(a.entry(0).name), 232u);
    EXPECT_NE(a.find(std::string(232, 'n').c_str()), nullptr);
}

TEST(PackArchive, ClearReturnsToPlainModeWithoutEntries)
{
    PackWriter w;
    ASSERT_TRUE(w.add("x", bytesOf("x")));
    PackArchive a;
    load(a, w);
    load(a, w); // a second open appends
    EXPECT_EQ(a.count(), 2);
    a.clear();
    EXPECT_EQ(a.count(), 0);
    EXPECT_EQ(a.mode(), 0);
    EXPECT_EQ(a.find("x"), nullptr);
}

TEST(PackFile, EmptyEntryIsFoundReadsNothingAndIsAtEndAtOnce)
{
    PackWriter w;
    ASSERT_TRUE(w.add("empty", nullptr, 0));
    PackArchive a;
    load(a, w);
    PackFile f(a);
    ASSERT_EQ(f.open("empty"), 1);
    EXPECT_NE(f.endOfFile(), 0);
    char c;
    EXPECT_EQ(f.read(&c, 1), 0);
}

TEST(PackFile, ReadIsClippedToTheEntryAndPastTheEndReadsZeroBytes)
{
    std::vector<uint8_t> data(120);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i);
    PackWriter w;
    ASSERT_TRUE(w.add("e", data));
    PackArchive a;
    load(a, w);
    PackFile f(a);
    ASSERT_EQ(f.open("e"), 1);
    uint8_t buf[100];
    EXPECT_EQ(f.seek(90), 1);
    EXPECT_EQ(f.endOfFile(), 0);
    EXPECT_EQ(f.read(buf, 100), 30);
    EXPECT_EQ(buf[0], 90);
    EXPECT_EQ(buf[29], 119);
    EXPECT_EQ(f.position(), 120);
    EXPECT_NE(f.endOfFile(), 0);
    EXPECT_EQ(f.read(buf, 100), 0);
    f.seek(500);
    EXPECT_EQ(f.read(buf, 1), 0);
    EXPECT_EQ(f.position(), 500);
    f.seek(-3);
    EXPECT_EQ(f.read(buf, 1), 0);
    EXPECT_NE(f.endOfFile(), 0); // before the start nothing can be read either
    f.seek(0);
    EXPECT_EQ(f.read(buf, 0), 0);
    EXPECT_EQ(f.read(buf, -1), 0);
    EXPECT_EQ(f.position(), 0);
}

TEST(PackFile, UnopenedFileReadsMinusOne)
{
    PackArchive a;
    PackFile f(a);
    char c;
    EXPECT_EQ(f.read(&c, 1), -1);
    EXPECT_EQ(f.open("nothing"), 0);
    EXPECT_EQ(f.read(&c, 1), -1);
    EXPECT_EQ(f.close(), 1);
}

TEST(PackFile, ReadLineEndsAtCrLfCrOrLfAndReportsTheEnd)
{
    PackWriter w;
    ASSERT_TRUE(w.add("crlf", bytesOf("abc\r\ndef")));
    ASSERT_TRUE(w.add("lf", bytesOf("abc\ndef\n")));
    ASSERT_TRUE(w.add("cr", bytesOf("ab\rcd\r\r\nx")));
    PackArchive a;
    load(a, w);
    PackFile f(a);
    char line[32];
    ASSERT_EQ(f.open("crlf"), 1);
    EXPECT_EQ(f.readLine(line, sizeof line), 0);
    EXPECT_STREQ(line, "abc");
    EXPECT_EQ(f.readLine(line, sizeof line), 1);
    EXPECT_STREQ(line, "def");

    ASSERT_EQ(f.open("lf"), 1);
    EXPECT_EQ(f.readLine(line, sizeof line), 0);
    EXPECT_STREQ(line, "abc");
    EXPECT_EQ(f.readLine(line, sizeof line), 0);
    EXPECT_STREQ(line, "def");
    EXPECT_EQ(f.readLine(line, sizeof line), 1);
    EXPECT_STREQ(line, "");

    // A lone CR ends the line without swallowing the next byte.
    ASSERT_EQ(f.open("cr"), 1);
    EXPECT_EQ(f.readLine(line, sizeof line), 0);
    EXPECT_STREQ(line, "ab");
    EXPECT_EQ(f.readLine(line, sizeof line), 0);
    EXPECT_STREQ(line, "cd");
    EXPECT_EQ(f.readLine(line, sizeof line), 0);
    EXPECT_STREQ(line, "");
    EXPECT_EQ(f.readLine(line, sizeof line), 1);
    EXPECT_STREQ(line, "x");
}

TEST(PackFile, ReadLineNeverWritesPastItsCapacityAndSkipsTheRestOfALongLine)
{
    PackWriter w;
    ASSERT_TRUE(w.add("long", bytesOf("abcdefghij\nnext\n")));
    PackArchive a;
    load(a, w);
    PackFile f(a);
    ASSERT_EQ(f.open("long"), 1);
    char line[6];
    std::memset(line, '#', sizeof line);
    EXPECT_EQ(f.readLine(line, 5), 0);
    EXPECT_STREQ(line, "abcd");
    EXPECT_EQ(line[5], '#');
    EXPECT_EQ(f.readLine(line, 5), 0);
    EXPECT_STREQ(line, "next");
    EXPECT_EQ(f.readLine(nullptr, 0), 1); // no destination: the line is only consumed
}

TEST(PackFile, PlainModeFoldsNameTurnsBackslashesIntoSlashesAndReadsLikeTheArchive)
{
    TempDir dir;
    std::filesystem::create_directory("data");
    const std::string text = "line one\r\nline two";
    ASSERT_TRUE(writeWholeFile("data/endpic.txt", reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    PackArchive a; // never opened: plain-file mode
    PackFile f(a);
    ASSERT_EQ(f.open("DATA\\EndPic.TXT"), 1);
    EXPECT_EQ(f.length(), int32_t(text.size()));
    char line[32];
    EXPECT_EQ(f.readLine(line, sizeof line), 0);
    EXPECT_STREQ(line, "line one");
    EXPECT_EQ(f.readLine(line, sizeof line), 1);
    EXPECT_STREQ(line, "line two");
    EXPECT_NE(f.endOfFile(), 0);
    f.seek(5);
    char buf[8];
    EXPECT_EQ(f.read(buf, 8), 8);
    EXPECT_EQ(std::string(buf, 8), "one\r\nlin");
    EXPECT_EQ(f.open("data\\missing.txt"), 0);
    EXPECT_EQ(f.open("data"), 0); // a folder is not a file
    // Nor is a pipe: it is refused before it is opened, where a reader would wait for a writer. The
    // writer here gives up after a while, should the pipe be opened after all.
    ASSERT_EQ(mkfifo("data/pipe", 0600), 0);
    std::thread writer([] {
        for (int i = 0; i < 30; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
            const int fd = ::open("data/pipe", O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                EXPECT_EQ(::write(fd, "x", 1), 1);
                ::close(fd);
                return;
            }
        }
    });
    EXPECT_EQ(f.open("data\\pipe"), 0);
    writer.join();

    // The process-wide archive serves PackFiles made without an archive.
    PackFile g;
    packArchive().clear();
    EXPECT_EQ(g.open("data\\endpic.txt"), 1);
}

TEST(PackFile, ProcessWideArchiveIsUsedByDefault)
{
    PackWriter w;
    ASSERT_TRUE(w.add("only\\in\\archive", bytesOf("yes")));
    packArchive().loadFromMemory(w.bytes().data(), w.bytes().size(), "glimmerok.dat");
    PackFile f;
    ASSERT_EQ(f.open("ONLY\\IN\\ARCHIVE"), 1);
    EXPECT_EQ(readAll(f), "yes");
    packArchive().clear();
    EXPECT_EQ(f.open("only\\in\\archive"), 0); // plain mode now, and no such file
}

TEST(PackArchive, DamagedArchivesLoadAndReadWithoutFault)
{
    PackWriter w;
    ASSERT_TRUE(w.add("a\\one.txt", bytesOf("first line\r\nsecond\n")));
    ASSERT_TRUE(w.add("b", bytesOf(std::string(300, 'b'))));
    ASSERT_TRUE(w.add("c", nullptr, 0));
    uint32_t state = 99;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> bytes = w.bytes();
        bytes.resize(next() % (bytes.size() + 1));
        for (uint32_t i = 0, flips = next() % 6; i < flips && !bytes.empty(); ++i)
            bytes[next() % bytes.size()] ^= uint8_t(1 + next() % 255);
        PackArchive a;
        a.loadFromMemory(bytes.data(), bytes.size(), "t");
        ASSERT_LE(a.count(), 3);
        for (int32_t i = 0; i < a.count(); ++i) {
            const PackArchive::Entry& e = a.entry(i);
            ASSERT_GE(e.length, 0);
            ASSERT_LE(e.present, e.length);
            ASSERT_LT(std::strlen(e.name), 256u);
            PackFile f(a);
            ASSERT_EQ(f.open(e.name), 1);
            char line[64];
            int lines = 0;
            // Every read line consumes at least one byte, so this ends; only the first bytes are read.
            while (!f.readLine(line, sizeof line) && ++lines < 100) {
            }
            uint8_t buf[512];
            f.seek(0);
            EXPECT_EQ(f.read(buf, sizeof buf), std::min<int32_t>(e.length, int32_t(sizeof buf)));
        }
    }
}
