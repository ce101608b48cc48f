#pragma once
// Scene tests' helpers: a temporary folder that is the current folder (plain-file mode, as the show reads
// without an archive) and a console that records every piece written.

#include "data/FileBytes.h"
#include "data/PackArchive.h"
#include "runner/Console.h"

#include <filesystem>
#include <random>
#include <string>
#include <vector>

class SceneFolder {
public:
    SceneFolder()
    {
        std::random_device seed;
        m_path = std::filesystem::temp_directory_path() / ("kalvora-scene-" + std::to_string(seed()));
        std::filesystem::create_directories(m_path);
        m_old = std::filesystem::current_path();
        std::filesystem::current_path(m_path);
        packArchive().clear();
    }
    ~SceneFolder()
    {
        std::filesystem::current_path(m_old);
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    void write(const std::string& name, const std::string& text) const
    {
        writeWholeFile(name.c_str(), reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }
    void write(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        writeWholeFile(name.c_str(), bytes.data(), bytes.size());
    }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path, m_old;
};

class RecordingConsole final : public Console {
public:
    int columns() override { return 80; }
    int rows() override { return 50; }
    int setCursor(int, int) override { return 1; }
    int write(const char* text) override
    {
        pieces.emplace_back(text);
        return 1;
    }
    int clear() override { return 1; }
    int keyPressed() override { return 0; }
    bool fatalError() override { return false; }

    std::vector<std::string> pieces;
};
