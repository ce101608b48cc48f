#include "SongSource.h"

#include <gtest/gtest.h>

namespace {

const char* kHeader = "title Test\n"
                      "tempo 130\n"
                      "speed 5\n"
                      "channels a b sync\n"
                      "instrument 1 arp\n"
                      "instrument 2 kick\n";

} // namespace

TEST(SongSource, PhrasesAreRepeatedTransposedAndPlacedInOrder)
{
    const std::string text = std::string(kHeader) + "phrase p 4 i1\n"
                                                    "0 C-4 v20 447 ; a comment\n"
                                                    "2 off\n"
                                                    "end\n"
                                                    "phrase q 1\n"
                                                    "0 A-3 i2 W10\n"
                                                    "end\n"
                                                    "order 0 a=p*2,.8,p+12 b=.3,q-2\n"
                                                    "sync 0/63 222\n";
    SongSource source;
    XmSong song;
    ASSERT_TRUE(source.compile(text, song)) << source.error();
    EXPECT_EQ(song.name, "Test");
    EXPECT_EQ(song.tempo, 130);
    EXPECT_EQ(song.speed, 5);
    ASSERT_EQ(song.channels, 3);
    ASSERT_EQ(song.patterns.size(), 1u);
    const XmPattern& p = song.patterns[0];
    const XmCell c0 = p.at(0, 0, 3);
    EXPECT_EQ(c0.note, 49);
    EXPECT_EQ(c0.instrument, 1);
    EXPECT_EQ(c0.volume, 0x30);
    EXPECT_EQ(c0.effect, 4);
    EXPECT_EQ(c0.param, 0x47);
    EXPECT_EQ(p.at(2, 0, 3).note, 97); // key-off, not transposed, no instrument
    EXPECT_EQ(p.at(2, 0, 3).instrument, 0);
    EXPECT_EQ(p.at(4, 0, 3).note, 49);  // second repeat
    EXPECT_EQ(p.at(16, 0, 3).note, 61); // after a rest of 8 rows, an octave up
    EXPECT_EQ(p.at(18, 0, 3).note, 97);
    EXPECT_EQ(p.at(3, 1, 3).note, 46 - 2); // A-3 two semitones down
    EXPECT_EQ(p.at(3, 1, 3).instrument, 2);
    EXPECT_EQ(p.at(3, 1, 3).effect, 32);
    EXPECT_EQ(p.at(63, 2, 3).effect, 32);
    EXPECT_EQ(p.at(63, 2, 3).param, 222);
}

TEST(SongSource, VolumeColumnTokensMapToTheirBytes)
{
    const std::string text = std::string(kHeader) + "phrase p 4 i1\n"
                                                    "0 C-4 v00\n"
                                                    "1 v40\n"
                                                    "2 v+3 100\n"
                                                    "3 v-F A0F\n"
                                                    "end\n"
                                                    "order 0 a=p\n";
    SongSource source;
    XmSong song;
    ASSERT_TRUE(source.compile(text, song)) << source.error();
    const XmPattern& p = song.patterns[0];
    EXPECT_EQ(p.at(0, 0, 3).volume, 0x10);
    EXPECT_EQ(p.at(1, 0, 3).volume, 0x50);
    EXPECT_EQ(p.at(2, 0, 3).volume, 0x73);
    EXPECT_EQ(p.at(2, 0, 3).effect, 1);
    EXPECT_EQ(p.at(3, 0, 3).volume, 0x6F);
    EXPECT_EQ(p.at(3, 0, 3).effect, 10);
    EXPECT_EQ(p.at(3, 0, 3).param, 0x0F);
}

TEST(SongSource, IdenticalOrdersShareOnePattern)
{
    const std::string text = std::string(kHeader) + "phrase p 1 i2\n0 C-4\nend\n"
                                                    "order 0 a=p\n"
                                                    "order 1 b=p\n"
                                                    "order 2 a=p\n";
    SongSource source;
    XmSong song;
    ASSERT_TRUE(source.compile(text, song)) << source.error();
    EXPECT_EQ(song.patterns.size(), 2u);
    EXPECT_EQ(song.orders, (std::vector<uint8_t>{0, 1, 0}));
}

TEST(SongSource, FaultsAreReportedWithTheirLine)
{
    struct Case {
        const char* body;
        const char* expected;
    };
    const Case cases[] = {
        {"phrase p 4 i1\n0 H-4\nend\n", "line 8: unknown cell token 'H-4'"},
        {"phrase p 4 i1\n4 C-4\nend\n", "line 8: row outside the phrase"},
        {"phrase p 4 i1\n0 C-4 v41\nend\n", "line 8: volume above 40 in 'v41'"},
        {"order 0 a=nothing\n", "line 7: unknown phrase 'nothing'"},
        {"phrase p 64\nend\norder 0 a=p,p\n", "line 9: channel 'a' runs past row 63"},
        {"phrase p 4 i1\n0 B-7\nend\norder 0 a=p+1\n", "line 10: transposition leaves the note range in 'p'"},
        {"order 1 a=.4\n", "line 7: orders are numbered 0, 1, ... in order"},
        {"instrument 3 flute\n", "line 7: unknown instrument recipe 'flute'"},
        {"phrase p 1\n0 W10\nend\norder 0 sync=p\nsync 0/0 32\n", "line 11: sync cell already used"},
        {"phrase p 4\n", "line 7: phrase without end"},
        {"order 0 c=.4\n", "line 7: unknown channel 'c'"},
    };
    for (const Case& c : cases) {
        SongSource source;
        XmSong song;
        EXPECT_FALSE(source.compile(std::string(kHeader) + c.body, song)) << c.body;
        EXPECT_EQ(source.error(), c.expected) << c.body;
    }
}
