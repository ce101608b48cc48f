#include "SongSource.h"

#include "InstrumentSynth.h"

#include <cstdlib>
#include <sstream>
#include <vector>

namespace {

constexpr int32_t kRows = 64;
constexpr uint8_t kKeyOff = 97;
constexpr uint8_t kSyncEffect = 32; // W

std::vector<std::string> splitWords(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    std::string word;
    while (in >> word)
        words.push_back(word);
    return words;
}

bool parseInt(const std::string& text, int32_t& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < -100000 || v > 100000)
        return false;
    value = static_cast<int32_t>(v);
    return true;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// "C-4" / "C#4": 1 = C-0 ... 96 = B-7; 0 when the token is no note.
int noteValue(const std::string& token)
{
    static const char* names = "C D EF G A B";
    if (token.size() != 3 || (token[1] != '-' && token[1] != '#') || token[2] < '0' || token[2] > '7')
        return 0;
    const char* at = nullptr;
    for (const char* p = names; *p; ++p)
        if (*p == token[0] && *p != ' ')
            at = p;
    if (!at)
        return 0;
    int semitone = static_cast<int>(at - names) + (token[1] == '#' ? 1 : 0);
    if (token[1] == '#' && (token[0] == 'E' || token[0] == 'B'))
        return 0;
    return (token[2] - '0') * 12 + semitone + 1;
}

// Effect letters as the format numbers them: 0-9, then A = 10 ... Z = 35.
int effectType(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return -1;
}

bool parseCell(const std::vector<std::string>& words, size_t first, int32_t defaultInstrument, XmCell& cell,
               std::string& error)
{
    for (size_t i = first; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w == "off") {
            cell.note = kKeyOff;
        } else if (const int note = noteValue(w)) {
            cell.note = static_cast<uint8_t>(note);
        } else if (w.size() >= 2 && w[0] == 'i') {
            int32_t n = 0;
            if (!parseInt(w.substr(1), n) || n < 1 || n > 255) {
                error = "bad instrument '" + w + "'";
                return false;
            }
            cell.instrument = static_cast<uint8_t>(n);
        } else if (w.size() == 3 && w[0] == 'v' && hexDigit(w[1]) >= 0 && hexDigit(w[2]) >= 0) {
            const int v = hexDigit(w[1]) * 16 + hexDigit(w[2]);
            if (v > 0x40) {
                error = "volume above 40 in '" + w + "'";
                return false;
            }
            cell.volume = static_cast<uint8_t>(0x10 + v);
        } else if (w.size() == 3 && w[0] == 'v' && (w[1] == '+' || w[1] == '-') && hexDigit(w[2]) >= 0) {
            // Volume column slide, every tick after the first.
            cell.volume = static_cast<uint8_t>((w[1] == '+' ? 0x70 : 0x60) + hexDigit(w[2]));
        } else if (w.size() == 3 && effectType(w[0]) >= 0 && hexDigit(w[1]) >= 0 && hexDigit(w[2]) >= 0) {
            cell.effect = static_cast<uint8_t>(effectType(w[0]));
            cell.param = static_cast<uint8_t>(hexDigit(w[1]) * 16 + hexDigit(w[2]));
        } else {
            error = "unknown cell token '" + w + "'";
            return false;
        }
    }
    if (cell.note >= 1 && cell.note <= 96 && cell.instrument == 0)
        cell.instrument = static_cast<uint8_t>(defaultInstrument);
    return true;
}

bool samePattern(const XmPattern& a, const XmPattern& b)
{
    bool same = a.rows == b.rows && a.cells.size() == b.cells.size();
    for (size_t c = 0; same && c < a.cells.size(); ++c) {
        const XmCell& x = a.cells[c];
        const XmCell& y = b.cells[c];
        same = x.note == y.note && x.instrument == y.instrument && x.volume == y.volume && x.effect == y.effect &&
               x.param == y.param;
    }
    return same;
}

} // namespace

bool SongSource::compile(const std::string& text, XmSong& song)
{
    song = XmSong{};
    *this = SongSource{};
    m_song = &song;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        ++m_line;
        const size_t comment = line.find(';');
        if (comment != std::string::npos)
            line.erase(comment);
        const Words w = splitWords(line);
        if (!w.empty() && !(m_open ? phraseRow(w) : statement(line, w)))
            return false;
    }
    return finish();
}

bool SongSource::fail(const std::string& reason)
{
    m_error = "line " + std::to_string(m_line) + ": " + reason;
    return false;
}

bool SongSource::statement(const std::string& line, const Words& w)
{
    const std::string& keyword = w[0];
    if (keyword == "title")
        return title(line);
    if (keyword == "tempo" || keyword == "speed")
        return songValue(w);
    if (keyword == "channels")
        return channels(w);
    if (keyword == "instrument")
        return instrument(w);
    if (keyword == "phrase")
        return phrase(w);
    if (keyword == "order")
        return order(w);
    if (keyword == "sync")
        return sync(w);
    return fail("unknown statement '" + keyword + "'");
}

bool SongSource::phraseRow(const Words& w)
{
    if (w[0] == "end") {
        m_open = nullptr;
        return true;
    }
    PhraseRow row;
    if (!parseInt(w[0], row.row) || row.row < 0 || row.row >= m_open->rows)
        return fail("row outside the phrase");
    std::string error;
    if (!parseCell(w, 1, m_openInstrument, row.cell, error))
        return fail(error);
    m_open->cells.push_back(row);
    return true;
}

bool SongSource::title(const std::string& line)
{
    const size_t at = line.find("title") + 5;
    const size_t start = line.find_first_not_of(" \t", at);
    m_song->name = start == std::string::npos ? "" : line.substr(start, line.find_last_not_of(" \t\r") + 1 - start);
    return true;
}

bool SongSource::songValue(const Words& w)
{
    int32_t v = 0;
    if (w.size() != 2 || !parseInt(w[1], v) || v < 1 || v > 255)
        return fail("bad " + w[0]);
    (w[0] == "tempo" ? m_song->tempo : m_song->speed) = v;
    return true;
}

bool SongSource::channels(const Words& w)
{
    m_channelNames.assign(w.begin() + 1, w.end());
    if (m_channelNames.empty() || m_channelNames.size() > 32)
        return fail("1 to 32 channels");
    m_song->channels = static_cast<int32_t>(m_channelNames.size());
    return true;
}

bool SongSource::instrument(const Words& w)
{
    int32_t n = 0;
    if (w.size() != 3 || !parseInt(w[1], n) || n != static_cast<int32_t>(m_song->instruments.size()) + 1)
        return fail("instruments are numbered 1, 2, ... in order");
    XmInstrument instrument;
    if (!InstrumentSynth::make(w[2], instrument))
        return fail("unknown instrument recipe '" + w[2] + "'");
    m_song->instruments.push_back(std::move(instrument));
    return true;
}

bool SongSource::phrase(const Words& w)
{
    int32_t rows = 0;
    if (w.size() < 3 || w.size() > 4 || !parseInt(w[2], rows) || rows < 1 || rows > kRows)
        return fail("phrase NAME ROWS [iN]");
    if (m_phrases.count(w[1]))
        return fail("phrase '" + w[1] + "' defined twice");
    m_openInstrument = 0;
    if (w.size() == 4 && (w[3].size() < 2 || w[3][0] != 'i' || !parseInt(w[3].substr(1), m_openInstrument) ||
                          m_openInstrument < 1 || m_openInstrument > 255))
        return fail("bad phrase instrument");
    m_open = &m_phrases[w[1]];
    m_open->rows = rows;
    return true;
}

bool SongSource::order(const Words& w)
{
    int32_t n = 0;
    if (w.size() < 2 || !parseInt(w[1], n) || n != static_cast<int32_t>(m_orderPatterns.size()) || n >= 256)
        return fail("orders are numbered 0, 1, ... in order");
    if (m_song->channels == 0)
        return fail("channels must come before the orders");
    XmPattern pattern;
    pattern.rows = kRows;
    pattern.cells.assign(static_cast<size_t>(kRows * m_song->channels), XmCell{});
    for (size_t i = 2; i < w.size(); ++i)
        if (!placeItems(w[i], pattern))
            return false;
    m_orderPatterns.push_back(std::move(pattern));
    return true;
}

bool SongSource::placeItems(const std::string& assignment, XmPattern& pattern)
{
    const size_t eq = assignment.find('=');
    if (eq == std::string::npos)
        return fail("expected CHANNEL=ITEMS in '" + assignment + "'");
    const std::string channelName = assignment.substr(0, eq);
    int32_t channel = -1;
    for (size_t c = 0; c < m_channelNames.size(); ++c)
        if (m_channelNames[c] == channelName)
            channel = static_cast<int32_t>(c);
    if (channel < 0)
        return fail("unknown channel '" + channelName + "'");
    int32_t at = 0;
    std::stringstream items(assignment.substr(eq + 1));
    std::string item;
    while (std::getline(items, item, ',')) {
        if (!item.empty() && item[0] == '.') {
            int32_t rest = 0;
            if (!parseInt(item.substr(1), rest) || rest < 1)
                return fail("bad rest '" + item + "'");
            at += rest;
            continue;
        }
        int32_t repeat = 1;
        const size_t star = item.find('*');
        if (star != std::string::npos) {
            if (!parseInt(item.substr(star + 1), repeat) || repeat < 1)
                return fail("bad repeat in '" + item + "'");
            item.erase(star);
        }
        int32_t transpose = 0;
        const size_t sign = item.find_first_of("+-");
        if (sign != std::string::npos) {
            if (!parseInt(item.substr(sign), transpose))
                return fail("bad transposition in '" + item + "'");
            item.erase(sign);
        }
        const auto found = m_phrases.find(item);
        if (found == m_phrases.end())
            return fail("unknown phrase '" + item + "'");
        for (int32_t r = 0; r < repeat; ++r) {
            if (at + found->second.rows > kRows)
                return fail("channel '" + channelName + "' runs past row 63");
            for (const PhraseRow& row : found->second.cells) {
                XmCell cell = row.cell;
                if (cell.note >= 1 && cell.note <= 96) {
                    const int32_t note = cell.note + transpose;
                    if (note < 1 || note > 96)
                        return fail("transposition leaves the note range in '" + item + "'");
                    cell.note = static_cast<uint8_t>(note);
                }
                pattern.at(at + row.row, channel, m_song->channels) = cell;
            }
            at += found->second.rows;
        }
    }
    if (at > kRows)
        return fail("channel '" + channelName + "' runs past row 63");
    return true;
}

bool SongSource::sync(const Words& w)
{
    int32_t order = 0;
    int32_t row = 0;
    int32_t index = 0;
    const size_t slash = w.size() == 3 ? w[1].find('/') : std::string::npos;
    if (slash == std::string::npos || !parseInt(w[1].substr(0, slash), order) ||
        !parseInt(w[1].substr(slash + 1), row) || !parseInt(w[2], index))
        return fail("sync ORDER/ROW INDEX");
    if (order < 0 || order >= static_cast<int32_t>(m_orderPatterns.size()) || row < 0 || row >= kRows || index < 0 ||
        index > 255)
        return fail("sync outside the orders written so far");
    XmCell& cell = m_orderPatterns[static_cast<size_t>(order)].at(row, m_song->channels - 1, m_song->channels);
    if (!cell.empty())
        return fail("sync cell already used");
    cell.effect = kSyncEffect;
    cell.param = static_cast<uint8_t>(index);
    return true;
}

bool SongSource::finish()
{
    if (m_open)
        return fail("phrase without end");
    if (m_orderPatterns.empty())
        return fail("no orders");
    for (const XmPattern& pattern : m_orderPatterns) {
        for (const XmCell& cell : pattern.cells)
            if (cell.instrument > m_song->instruments.size())
                return fail("a cell names a missing instrument");
    }
    // Share identical patterns, numbered in order of first use.
    for (const XmPattern& pattern : m_orderPatterns) {
        size_t index = 0;
        while (index < m_song->patterns.size() && !samePattern(m_song->patterns[index], pattern))
            ++index;
        if (index == m_song->patterns.size())
            m_song->patterns.push_back(pattern);
        m_song->orders.push_back(static_cast<uint8_t>(index));
    }
    return true;
}
