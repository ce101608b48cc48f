// The archive tool: create, list and extract give back a folder byte for byte; decode writes what the show sees.

#include "PackTool.h"

#include "data/Bitmap.h"
#include "data/FileBytes.h"
#include "data/PackArchive.h"
#include "data/PackWriter.h"
#include "data/PngWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class PackTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Memory-backed when available: one test writes and reads back some 4000 small files.
        std::string templ = fs::is_directory("/dev/shm") ? "/dev/shm/kv_packtool_XXXXXX" : "/tmp/kv_packtool_XXXXXX";
        m_root = mkdtemp(templ.data());
        m_null = std::fopen("/dev/null", "w");
    }
    void TearDown() override
    {
        std::fclose(m_null);
        fs::remove_all(m_root);
    }
    std::string path(const std::string& relative) const { return m_root + "/" + relative; }
    void writeFile(const std::string& relative, const std::string& contents) const
    {
        fs::create_directories(fs::path(path(relative)).parent_path());
        ASSERT_TRUE(
            writeWholeFile(path(relative).c_str(), reinterpret_cast<const uint8_t*>(contents.data()), contents.size()));
    }
    // Every regular file below `dir`: relative path to contents.
    static std::map<std::string, std::vector<uint8_t>> tree(const std::string& dir)
    {
        std::map<std::string, std::vector<uint8_t>> files;
        for (const auto& e : fs::recursive_directory_iterator(dir)) {
            if (!e.is_regular_file())
                continue;
            std::vector<uint8_t> bytes;
            EXPECT_TRUE(readWholeFile(e.path().c_str(), bytes));
            files[e.path().lexically_relative(dir).generic_string()] = bytes;
        }
        return files;
    }
    std::string listOf(const std::string& archive) const
    {
        char* text = nullptr;
        size_t size = 0;
        std::FILE* out = open_memstream(&text, &size);
        EXPECT_EQ(packList(archive, out, m_null), 0);
        std::fclose(out);
        std::string s(text, size);
        std::free(text);
        return s;
    }

    std::string m_root;
    std::FILE* m_null = nullptr;
};

} // namespace

TEST_F(PackTool, CreateListExtractGiveBackEveryFileByteForByte)
{
    writeFile("in/data/Tunnel.JPG", std::string("\xFF\xD8 picture bytes \x00\x01", 19));
    writeFile("in/data/empty.lwo", "");
    writeFile("in/\xC5\xC4\xD6 Sk\xE5l.txt", "latin-1 name");
    writeFile("in/scenes/deep/a.lws", std::string(5000, 'x'));
    ASSERT_EQ(packCreate(path("out.dat"), path("in"), m_null), 0);

    EXPECT_EQ(listOf(path("out.dat")), std::string("data\\Tunnel.JPG\t19\t256\n"
                                                   "data\\empty.lwo\t0\t531\n"
                                                   "scenes\\deep\\a.lws\t5000\t787\n"
                                                   "\xC5\xC4\xD6 Sk\xE5l.txt\t12\t6043\n"));

    ASSERT_EQ(packExtract(path("out.dat"), path("back"), m_null), 0);
    EXPECT_EQ(tree(path("back")), tree(path("in")));

    // The show finds the entries by any case of their names.
    PackArchive archive;
    ASSERT_EQ(archive.openFailed(path("out.dat").c_str()), 0);
    EXPECT_NE(archive.find("DATA\\TUNNEL.JPG"), nullptr);
    EXPECT_NE(archive.find("\xE5\xE4\xF6 sk\xE5l.txt"), nullptr);
}

TEST_F(PackTool, SameFolderGivesTheSameArchive)
{
    for (int i = 9; i >= 0; --i)
        writeFile("in/f" + std::to_string(i) + ".txt", std::string(size_t(i), char('a' + i)));
    ASSERT_EQ(packCreate(path("a.dat"), path("in"), m_null), 0);
    ASSERT_EQ(packCreate(path("in/b.dat"), path("in"), m_null), 0); // the archive itself is never packed
    ASSERT_EQ(packCreate(path("in/b.dat"), path("in"), m_null), 0);
    std::vector<uint8_t> a, b;
    ASSERT_TRUE(readWholeFile(path("a.dat").c_str(), a));
    ASSERT_TRUE(readWholeFile(path("in/b.dat").c_str(), b));
    EXPECT_EQ(a, b);
}

TEST_F(PackTool, FolderOf2048FilesPacksWholeAndOneMoreIsRefused)
{
    for (int i = 0; i < 2048; ++i)
        writeFile("in/" + std::to_string(10000 + i), std::to_string(i));
    ASSERT_EQ(packCreate(path("a.dat"), path("in"), m_null), 0);
    PackArchive archive;
    ASSERT_EQ(archive.openFailed(path("a.dat").c_str()), 0);
    EXPECT_EQ(archive.count(), 2048);
    ASSERT_EQ(packExtract(path("a.dat"), path("back"), m_null), 0);
    EXPECT_EQ(tree(path("back")), tree(path("in")));

    writeFile("in/99999", "one too many");
    EXPECT_EQ(packCreate(path("b.dat"), path("in"), m_null), 1);
    EXPECT_FALSE(fs::exists(path("b.dat")));
}

TEST_F(PackTool, ExtractRefusesNamesThatLeaveTheFolderAndSkipsShadowedEntries)
{
    PackWriter w;
    ASSERT_TRUE(w.add("..\\escape.txt", std::vector<uint8_t>{1}));
    ASSERT_TRUE(w.add("\\abs.txt", std::vector<uint8_t>{2}));
    ASSERT_TRUE(w.add("ok\\Same.txt", std::vector<uint8_t>{3}));
    ASSERT_TRUE(w.add("OK\\SAME.TXT", std::vector<uint8_t>{4}));
    ASSERT_TRUE(w.write(path("a.dat")));
    EXPECT_EQ(packExtract(path("a.dat"), path("out/x"), m_null), 1);
    const auto files = tree(path("out"));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.begin()->first, "x/ok/Same.txt");
    EXPECT_EQ(files.begin()->second, std::vector<uint8_t>{3});
}

TEST_F(PackTool, DecodeWritesWhatTheShowLoadsFromArchiveOrFolder)
{
    std::vector<uint8_t> tga;
    ASSERT_TRUE(readWholeFile((std::string(KALVORA_TEST_DATA) + "/images/rgba32.tga").c_str(), tga));
    fs::create_directories(path("in/data"));
    ASSERT_TRUE(writeWholeFile(path("in/data/pic.tga").c_str(), tga.data(), tga.size()));
    ASSERT_EQ(packCreate(path("a.dat"), path("in"), m_null), 0);

    packArchive().clear();
    Bitmap expected;
    {
        PackWriter w;
        ASSERT_TRUE(w.add("data\\pic.tga", tga));
        packArchive().loadFromMemory(w.bytes().data(), w.bytes().size(), "t");
        ASSERT_EQ(expected.load("data\\pic.tga"), 1);
        packArchive().clear();
    }
    ASSERT_EQ(packDecode(path("a.dat"), "DATA\\PIC.TGA", path("fromArchive.png"), false, m_null), 0);
    ASSERT_EQ(packDecode(path("in"), "data\\pic.tga", path("fromFolder.png"), true, m_null), 0);
    std::vector<uint8_t> png;
    ASSERT_TRUE(readWholeFile(path("fromArchive.png").c_str(), png));
    EXPECT_EQ(png, encodePng(expected, false));
    ASSERT_TRUE(readWholeFile(path("fromFolder.png").c_str(), png));
    EXPECT_EQ(png, encodePng(expected, true));
    EXPECT_EQ(packArchive().mode(), 0);

    EXPECT_EQ(packDecode(path("a.dat"), "data\\missing.tga", path("x.png"), false, m_null), 1);
    EXPECT_EQ(packDecode(path("nothing.dat"), "data\\pic.tga", path("x.png"), false, m_null), 1);
    EXPECT_FALSE(fs::exists(path("x.png")));
}
