#pragma once
// Saves a frame as the first free kalvora-NNNN.png of a folder.

#include <string>

class Bitmap;

// The path of the first of kalvora-0001.png .. kalvora-9999.png that does not exist in `folder`,
// or an empty string when all do.
std::string nextScreenshotPath(const std::string& folder);
// Writes `frame` to nextScreenshotPath(folder) and returns that path, or an empty string on failure.
std::string saveScreenshot(const Bitmap& frame, const std::string& folder = ".");
