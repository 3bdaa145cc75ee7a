// The disc record filled from a read answer: separators, continued titles, extras and limits.
#include "cddb/CDDBRecord.h"
#include "cddb/CDDBInfo.h"

#include <gtest/gtest.h>

namespace {

TCDDBRecord Parse(const QString& text) {
    TCDDBRecord r;
    ParseCDDBRecord(text, r);
    return r;
}

} // namespace

TEST(CddbRecordTest, DiscTitleSplitsAtTheFirstSlash) {
    TCDDBRecord r = Parse("DTITLE=Some Band / First Album\nTTITLE0=One\nTTITLE1=Guest / Two\n");
    EXPECT_EQ(r.DiscArtist, "Some Band");
    EXPECT_EQ(r.DiscTitle, "First Album");
    EXPECT_EQ(r.TrackArtists, QStringList({"Some Band", "Guest"}));
    EXPECT_EQ(r.TrackTitles, QStringList({"One", "Two"}));

    // Without "/": no artist, for the disc and every track without one of its own.
    r = Parse("DTITLE=Just A Title\r\nTTITLE0=One\r\n");
    EXPECT_EQ(r.DiscArtist, "");
    EXPECT_EQ(r.DiscTitle, "Just A Title");
    EXPECT_EQ(r.TrackArtists, QStringList{""});

    // An artist that holds a "/" is split there; the only characters dropped beside the
    // slash are blanks.
    r = Parse("DTITLE=AC/DC / Back\rDTITLE=Later / Wins\rTTITLE0=Artist/Title\r");
    EXPECT_EQ(r.DiscArtist, "Later");
    EXPECT_EQ(r.DiscTitle, "Wins");
    EXPECT_EQ(r.TrackArtists[0], "Artist");
    EXPECT_EQ(r.TrackTitles[0], "Title");
    r = Parse("DTITLE=AC/DC / Back\n");
    EXPECT_EQ(r.DiscArtist, "AC");
    EXPECT_EQ(r.DiscTitle, "DC / Back");
}

TEST(CddbRecordTest, TracksAreCountedByTheirLines) {
    // A title continued on a second line counts as one more track; its line and every later
    // one no longer match the counter and stay empty.
    const TCDDBRecord r = Parse("TTITLE0=One\nTTITLE1=A very long\nTTITLE1= title\nTTITLE2=Three\n");
    EXPECT_EQ(r.TrackCount, 4);
    EXPECT_EQ(r.TrackTitles, QStringList({"One", "A very long", "", ""}));
    EXPECT_EQ(r.TrackArtists.size(), 4);
    EXPECT_EQ(r.TrackExtras.size(), 4);

    const TCDDBRecord none = Parse("210 rock 1f032003\nDTITLE=A / B\n.\n");
    EXPECT_EQ(none.TrackCount, 0);
    EXPECT_TRUE(none.TrackTitles.isEmpty());
    EXPECT_EQ(CountCDDBTrackLines("TTITLE0=a\r\nXTTITLE1=b\r\nTTITLE1=c"), 2);

    // The query object counts the lines of the answer it parsed last.
    TCDDBInfo info;
    TCDDBQuery& q = info.QueryObject();
    q.ParseQueryAnswer("200 rock 1f032003 A / B\r\n");
    q.ParseRecord("TTITLE0=a\nTTITLE1=b\nTTITLE1=c\n");
    EXPECT_EQ(q.CountTrackLines(), 3);
    EXPECT_EQ(q.Record.TrackCount, 3);
}

TEST(CddbRecordTest, ValuesAreTrimmedCutAndJoined) {
    const TCDDBRecord r = Parse("# Generated: by hand \n"
                                "# Disc length: 2843 seconds and a very long tail of words\n"
                                "DYEAR=19999\nDGENRE= Progressive Rock with a name far too long\n"
                                "TTITLE0=Line one\\nline two\t\n"
                                "EXTD=first \nEXTD=second\n"
                                "EXTT0=extra of one\nEXTT1=no track for this\n");
    EXPECT_EQ(r.Generated, "by hand");
    EXPECT_EQ(r.DiscLength, "2843 seconds and a very long t");
    EXPECT_EQ(r.Year, "1999");
    EXPECT_EQ(r.Genre, "Progressive Rock with a name f");
    EXPECT_EQ(r.TrackTitles[0], "Line one\r\nline two");
    EXPECT_EQ(r.DiscExtra, "firstsecond");
    EXPECT_EQ(r.TrackExtras, QStringList{"extra of one"});
    EXPECT_EQ(r.Comment, "");
    EXPECT_EQ(Parse("TTITLE0=" + QString(300, 'x')).TrackTitles[0].size(), 255);
    EXPECT_EQ(Parse(QString(40, 'y').prepend("EXTD=") + '\n' + QString(240, 'z').prepend("EXTD=")).DiscExtra.size(),
              255);
}

TEST(CddbRecordTest, ANewReadReplacesTheWholeRecord) {
    TCDDBRecord r;
    ParseCDDBRecord("DTITLE=A / B\nDYEAR=1980\nEXTD=old\nTTITLE0=x\nTTITLE1=y\nEXTT1=old extra\n", r);
    ParseCDDBRecord("DTITLE=C / D\nTTITLE0=z\nTTITLE1=w\n", r);
    EXPECT_EQ(r.Year, "");
    EXPECT_EQ(r.DiscExtra, "");
    EXPECT_EQ(r.TrackExtras, QStringList({"", ""}));
    EXPECT_EQ(r.TrackTitles, QStringList({"z", "w"}));
    // Copies share nothing.
    TCDDBRecord copy = r;
    copy.TrackTitles[0] = "changed";
    EXPECT_EQ(r.TrackTitles[0], "z");
}
