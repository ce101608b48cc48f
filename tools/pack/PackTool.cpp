#include "PackTool.h"

#include "data/Bitmap.h"
#include "data/FileBytes.h"
#include "data/PackArchive.h"
#include "data/PackWriter.h"
#include "data/PngWriter.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

int packCreate(const std::string& outFile, const std::string& dir, std::FILE* err)
{
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        std::fprintf(err, "kalvora-pack: %s is not a folder\n", dir.c_str());
        return 1;
    }
    const fs::path outPath = fs::weakly_canonical(outFile, ec);
    std::vector<std::pair<std::string, fs::path>> files;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!it->is_regular_file(ec))
            continue;
        if (fs::weakly_canonical(it->path(), ec) == outPath)
            continue; // an earlier archive inside the folder is not packed into the new one
        std::string name = it->path().lexically_relative(dir).generic_string();
        std::replace(name.begin(), name.end(), '/', '\\');
        files.push_back({name, it->path()});
    }
    if (ec) {
        std::fprintf(err, "kalvora-pack: cannot read %s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    std::sort(files.begin(), files.end());
    if (files.size() > size_t(PackArchive::kMaxEntries)) {
        std::fprintf(err, "kalvora-pack: %zu files, but an archive holds at most %d\n", files.size(),
                     PackArchive::kMaxEntries);
        return 1;
    }
    PackWriter writer;
    std::vector<uint8_t> bytes;
    for (const auto& [name, path] : files) {
        if (!readWholeFile(path.string().c_str(), bytes)) {
            std::fprintf(err, "kalvora-pack: cannot read %s\n", path.string().c_str());
            return 1;
        }
        if (!writer.add(name, bytes)) {
            std::fprintf(err, "kalvora-pack: cannot store %s (name over 231 bytes or file over 2 GiB)\n", name.c_str());
            return 1;
        }
    }
    if (!writer.write(outFile)) {
        std::fprintf(err, "kalvora-pack: cannot write %s\n", outFile.c_str());
        return 1;
    }
    return 0;
}

namespace {

bool openArchive(PackArchive& archive, const std::string& file, std::FILE* err)
{
    std::error_code ec;
    if (fs::is_directory(file, ec) || archive.openFailed(file.c_str())) {
        std::fprintf(err, "kalvora-pack: cannot open %s\n", file.c_str());
        return false;
    }
    return true;
}

// The relative path an entry is extracted to, or empty when its name would leave the folder.
fs::path safePath(const char* storedName)
{
    fs::path path;
    std::string part;
    const std::string name(storedName);
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || name[i] == '\\' || name[i] == '/') {
            if (part.empty() || part == "." || part == "..")
                return {};
            path /= part;
            part.clear();
        } else {
            part.push_back(name[i]);
        }
    }
    return path;
}

} // namespace

int packList(const std::string& archiveFile, std::FILE* out, std::FILE* err)
{
    PackArchive archive;
    if (!openArchive(archive, archiveFile, err))
        return 1;
    for (int32_t i = 0; i < archive.count(); ++i) {
        const PackArchive::Entry& e = archive.entry(i);
        std::fprintf(out, "%s\t%d\t%u\n", e.storedName, e.length, e.offset);
    }
    return 0;
}

int packExtract(const std::string& archiveFile, const std::string& dir, std::FILE* err)
{
    PackArchive archive;
    if (!openArchive(archive, archiveFile, err))
        return 1;
    int result = 0;
    std::set<std::string> written;
    for (int32_t i = 0; i < archive.count(); ++i) {
        const PackArchive::Entry& e = archive.entry(i);
        if (!written.insert(e.name).second)
            continue; // the program never finds this one: an earlier entry has the same name
        const fs::path relative = safePath(e.storedName);
        if (relative.empty()) {
            std::fprintf(err, "kalvora-pack: skipping %s: not a plain relative name\n", e.storedName);
            result = 1;
            continue;
        }
        const fs::path target = fs::path(dir) / relative;
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        if (e.present < e.length)
            std::fprintf(err, "kalvora-pack: %s is cut short: %d of %d bytes present\n", e.storedName, e.present,
                         e.length);
        if (!writeWholeFile(target.string().c_str(), e.data, size_t(e.present))) {
            std::fprintf(err, "kalvora-pack: cannot write %s\n", target.string().c_str());
            result = 1;
        }
    }
    return result;
}

int packDecode(const std::string& source, const std::string& name, const std::string& outPng, bool alpha,
               std::FILE* err)
{
    std::error_code ec;
    const fs::path outPath = fs::absolute(outPng, ec);
    const fs::path oldDir = fs::current_path(ec);
    PackArchive& archive = packArchive();
    archive.clear();
    if (fs::is_directory(source, ec)) {
        // Plain files are found relative to the current folder, as the show finds them.
        fs::current_path(source, ec);
        if (ec) {
            std::fprintf(err, "kalvora-pack: cannot enter %s\n", source.c_str());
            return 1;
        }
    } else if (!openArchive(archive, source, err)) {
        return 1;
    }
    Bitmap picture(name.c_str());
    fs::current_path(oldDir, ec);
    archive.clear();
    if (!picture.pixels()) {
        std::fprintf(err, "kalvora-pack: %s did not load\n", name.c_str());
        return 1;
    }
    if (!writePng(outPath.string(), picture, alpha)) {
        std::fprintf(err, "kalvora-pack: cannot write %s\n", outPath.c_str());
        return 1;
    }
    return 0;
}
