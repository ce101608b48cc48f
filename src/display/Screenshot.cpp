#include "display/Screenshot.h"

#include "data/PngWriter.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

std::string nextScreenshotPath(const std::string& folder)
{
    for (int n = 1; n <= 9999; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "kalvora-%04d.png", n);
        const std::filesystem::path path = std::filesystem::path(folder) / name;
        std::error_code error;
        if (!std::filesystem::exists(path, error) && !error)
            return path.string();
    }
    return {};
}

std::string saveScreenshot(const Bitmap& frame, const std::string& folder)
{
    const std::string path = nextScreenshotPath(folder);
    if (path.empty() || !writePng(path, frame))
        return {};
    return path;
}
