#pragma once
// The kit's text sources split into numbered lines of whitespace-separated words; ';' starts a comment.

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

struct SourceLine {
    int32_t number = 0; // 1-based line of the file
    std::string text;   // the line without its comment
    std::vector<std::string> words;
};

inline std::vector<SourceLine> splitSource(const std::string& text, bool keepComments = false)
{
    std::vector<SourceLine> lines;
    std::istringstream in(text);
    std::string raw;
    int32_t number = 0;
    while (std::getline(in, raw)) {
        ++number;
        SourceLine l;
        l.number = number;
        l.text = keepComments ? raw : raw.substr(0, raw.find(';'));
        std::istringstream words(l.text);
        for (std::string w; words >> w;) {
            l.words.push_back(w);
        }
        if (!l.words.empty() || keepComments) {
            lines.push_back(std::move(l));
        }
    }
    return lines;
}

// Strict decimal: the whole word must be a number.
inline bool parseNumber(const std::string& word, double& out)
{
    if (word.empty()) {
        return false;
    }
    char* end = nullptr;
    out = std::strtod(word.c_str(), &end);
    return end == word.c_str() + word.size();
}

inline bool parseInteger(const std::string& word, int32_t& out)
{
    if (word.empty()) {
        return false;
    }
    char* end = nullptr;
    const long v = std::strtol(word.c_str(), &end, 10);
    out = static_cast<int32_t>(v);
    return end == word.c_str() + word.size();
}
