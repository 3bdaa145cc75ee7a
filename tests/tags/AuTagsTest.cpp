// Tag containers: declared names, case rules, Empty/Changed, conversions, Assign, and the
// ID3v1 detection on a real file.
#include "tags/AuTags.h"

#include "support/TestSupport.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

TEST(AuTagsTest, DeclaredNamesAreSortedWithoutCase) {
    TVorbisTags v;
    EXPECT_EQ(v.Count(), 12);
    EXPECT_EQ(v.NameAt(0), "album");
    EXPECT_EQ(v.NameAt(11), "tracknumber");
    EXPECT_EQ(v.NameAt(12), "");
    EXPECT_EQ(v.NameAt(-1), "");
    for (int i = 1; i < v.Count(); ++i)
        EXPECT_LT(QString::compare(v.NameAt(i - 1), v.NameAt(i), Qt::CaseInsensitive), 0);

    TId3v2Tags v2;
    EXPECT_EQ(v2.Count(), 24);
    TAPEv2Tags ape;
    EXPECT_EQ(ape.Count(), 25);
    TCommonTags common;
    EXPECT_EQ(common.Count(), 6);
    EXPECT_EQ(common.GetValue("Title"), QVariant(QString("")));
    EXPECT_TRUE(common.Empty);

    // Duplicates and empty names are not declared twice.
    v.AddTag("ALBUM", "x");
    v.AddTag("");
    EXPECT_EQ(v.Count(), 12);
    EXPECT_TRUE(v.GetValue("album").isNull());
}

TEST(AuTagsTest, SetValueRules) {
    TVorbisTags v;
    EXPECT_TRUE(v.Empty);
    EXPECT_FALSE(v.Changed);

    v.SetValue("composer", "nobody"); // undeclared
    EXPECT_TRUE(v.Empty);
    EXPECT_FALSE(v.Changed);
    EXPECT_TRUE(v.GetValue("composer").isNull());

    v.SetValue("ARTIST", "Someone");
    EXPECT_EQ(v.Artist(), "Someone");
    EXPECT_EQ(v.GetString("artist"), "Someone");
    EXPECT_FALSE(v.Empty);
    EXPECT_TRUE(v.Changed);

    v.Changed = false;
    v.SetArtist("Someone"); // equal value
    EXPECT_FALSE(v.Changed);
    v.SetArtist("Other");
    EXPECT_TRUE(v.Changed);

    v.Clear();
    EXPECT_TRUE(v.Empty);
    EXPECT_TRUE(v.Changed);
    EXPECT_EQ(v.Count(), 12);
    for (int i = 0; i < v.Count(); ++i)
        EXPECT_EQ(v.GetString(v.NameAt(i)), "");
}

TEST(AuTagsTest, IntegerAndTextConversions) {
    TId3v1Tags t;
    EXPECT_EQ(t.GenreId(), 12); // declared default
    EXPECT_EQ(t.Genre(), "Other");
    t.SetYear(1987);
    EXPECT_EQ(t.Year(), 1987);
    EXPECT_EQ(t.GetString("year"), "1987");
    t.SetValue("track", "12");
    EXPECT_EQ(t.Track(), 12);
    t.SetValue("track", "twelve");
    EXPECT_EQ(t.GetInteger("track"), 0);
    EXPECT_EQ(t.GetInteger("nothing"), 0);
    EXPECT_EQ(t.GetInteger("title"), 0); // null

    t.SetGenre("hard rock");
    EXPECT_EQ(t.GenreId(), 79);
    EXPECT_EQ(t.Genre(), "Hard Rock");
    t.SetGenre("No Such Genre");
    EXPECT_EQ(t.GenreId(), 79);
    t.SetGenreId(200);
    EXPECT_EQ(t.Genre(), "Other");
    EXPECT_STREQ(Id3v1GenreTable[0], "Blues");
    EXPECT_STREQ(Id3v1GenreTable[147], "Synthpop");

    // A QVariant of another type is neither an integer nor text.
    t.SetValue("comment", QVariant(2.5));
    EXPECT_EQ(t.GetString("comment"), "");

    TId3v2Tags v2;
    v2.SetArtist("Band");
    EXPECT_EQ(v2.GetString("TPE1"), "Band");
    EXPECT_EQ(v2.GetString("tp1"), "Band");
    v2.SetValue("TT2", "Old style title");
    EXPECT_EQ(v2.Title(), "Old style title");
}

TEST(AuTagsTest, AssignCopiesSharedNamesOnly) {
    TCommonTags common;
    common.SetArtist("A");
    common.SetAlbum("B");
    common.SetGenre("C");
    common.SetTitle("D");
    common.SetYear("1990");
    common.SetTrack("3");

    TVorbisTags v;
    v.SetDate("2020");
    v.SetTrackGain("-3 dB");
    v.Assign(common);
    EXPECT_EQ(v.Artist(), "A");
    EXPECT_EQ(v.Album(), "B");
    EXPECT_EQ(v.Genre(), "C");
    EXPECT_EQ(v.Title(), "D");
    // Not shared: cleared by Assign, not copied.
    EXPECT_EQ(v.Date(), "");
    EXPECT_EQ(v.Track(), "");
    EXPECT_TRUE(v.GetValue("replaygain_track_gain").isNull());

    // Assigning a container to itself keeps its values (clearing first would lose them).
    TAuTags& same = v;
    v.Assign(same);
    EXPECT_EQ(v.Artist(), "A");

    TCommonTags back;
    v.AssignTo(back);
    EXPECT_EQ(back.Artist(), "A");
    EXPECT_EQ(back.Year(), "");
}

TEST(AuTagsTest, FileOperations) {
    TTempProgramFolder dir;
    const QString tagged = dir.File("t.mp3");
    QByteArray data(300, 'a');
    data += "TAG";
    data += QByteArray(125, '\0');
    ASSERT_TRUE(WriteFile(tagged, data));
    const QString plain = dir.File("p.mp3");
    ASSERT_TRUE(WriteFile(plain, QByteArray(300, 'a')));
    const QString tiny = dir.File("s.mp3");
    ASSERT_TRUE(WriteFile(tiny, QByteArray("TAG")));

    TId3v1Tags id3;
    const int fd = ::open(QFile::encodeName(tagged).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ::lseek(fd, 17, SEEK_SET);
    EXPECT_TRUE(id3.Detect(fd));
    EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 17); // position restored
    ::close(fd);
    for (const QString& f : {plain, tiny}) {
        const int h = ::open(QFile::encodeName(f).constData(), O_RDONLY);
        EXPECT_FALSE(id3.Detect(h)) << f.toStdString();
        ::close(h);
    }
    EXPECT_FALSE(id3.Detect(-1));

    TVorbisTags v;
    v.SetTitle("x");
    EXPECT_FALSE(v.ReadFromFile(-1));
    EXPECT_EQ(v.Title(), "x");
    EXPECT_TRUE(v.ReadFromFile(0));
    EXPECT_EQ(v.Title(), "");
    EXPECT_TRUE(v.Detect(0));
    EXPECT_FALSE(v.WriteToFile(-1));
}
