#pragma once
// Compiles the song's text source (instruments, phrases, arrangement, sync script) into an XmSong.
//
// Text form, one statement a line, ';' starts a comment:
//   title TEXT                 module name
//   tempo N / speed N          defaults of the song
//   channels NAME ...          pattern channels, left to right; the last one carries the sync commands
//   instrument N RECIPE        instrument N (1, 2, ... in order) made by the instrument synthesiser
//   phrase NAME ROWS [iN]      starts a phrase of ROWS rows for one channel; iN = instrument of its notes
//     ROW CELL...              one cell: note (C-4, C#4, off), iN, vHH (volume 00..40), v+X / v-X (volume
//                              slide per tick), effect (A0F, 447, W20)
//   end                        ends the phrase
//   order N CHANNEL=ITEMS ...  pattern of order position N (0, 1, ... in order): per channel a comma list of
//                              phrases (NAME, NAME+3 transposed, NAME*2 repeated, NAME-2*4) and rests (.16),
//                              at most 64 rows; channels not named stay empty
//   sync ORDER/ROW INDEX       a W command with parameter INDEX in the last channel
// Orders with identical contents share one pattern.

#include "XmSong.h"

#include <map>
#include <string>
#include <vector>

class SongSource {
public:
    // Parses and compiles `text`; false with `error()` ("line N: reason") on the first fault.
    bool compile(const std::string& text, XmSong& song);
    const std::string& error() const { return m_error; }

private:
    using Words = std::vector<std::string>;
    struct PhraseRow {
        int32_t row = 0;
        XmCell cell;
    };
    struct Phrase {
        int32_t rows = 0;
        std::vector<PhraseRow> cells;
    };

    // One method per statement; each returns false after fail().
    bool statement(const std::string& line, const Words& w);
    bool phraseRow(const Words& w);
    bool title(const std::string& line);
    bool songValue(const Words& w);
    bool channels(const Words& w);
    bool instrument(const Words& w);
    bool phrase(const Words& w);
    bool order(const Words& w);
    bool sync(const Words& w);
    // Writes one CHANNEL=ITEMS list of an order into `pattern`.
    bool placeItems(const std::string& assignment, XmPattern& pattern);
    // The checks after the last line, then the patterns shared and the order list.
    bool finish();
    bool fail(const std::string& reason);

    std::string m_error;
    XmSong* m_song = nullptr;
    int32_t m_line = 0;
    std::map<std::string, Phrase> m_phrases;
    std::vector<std::string> m_channelNames;
    std::vector<XmPattern> m_orderPatterns;
    Phrase* m_open = nullptr; // the phrase whose rows are being read
    int32_t m_openInstrument = 0;
};
