// Tid3tag against files on disk: layout, limits, result codes, the genre mappings, and a
// cross-check of a tag we write with an independent reader (mutagen) on a lame-made MP3.
#include "tags/Id3Tag.h"

#include "support/TestSupport.h"
#include "tags/Genres.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <set>

namespace {

QByteArray RawTag(const QByteArray& title, const QByteArray& comment30, uint8_t genre) {
    QByteArray t("TAG");
    t += title.leftJustified(30, '\0', true);
    t += QByteArray("Artist").leftJustified(30, '\0');
    t += QByteArray("Album").leftJustified(30, '\0');
    t += QByteArray("2001");
    t += comment30.leftJustified(30, '\0', true);
    t += static_cast<char>(genre);
    return t;
}

class Id3TagTest : public testing::Test {
protected:
    QString Path(const QString& name) const { return Dir.File(name); }
    QString MakeFile(const QString& name, const QByteArray& data) {
        const QString p = Path(name);
        EXPECT_TRUE(WriteFile(p, data));
        return p;
    }
    TTempProgramFolder Dir;
};

} // namespace

TEST_F(Id3TagTest, AppendsOnceThenReplacesAndReadsBack) {
    const QByteArray audio(1000, '\x55');
    const QString f = MakeFile("a.mp3", audio);
    Tid3tag tag;
    tag.SetTitle("First");
    tag.SetArtist("Artist");
    tag.SetAlbum("Album");
    tag.SetYear("1999");
    tag.SetComment("Note");
    tag.SetTrack(7);
    tag.Genre = 17;
    ASSERT_EQ(tag.Write(f), id3Ok);
    EXPECT_EQ(QFileInfo(f).size(), 1128);
    EXPECT_EQ(tag.FileName, f);

    tag.SetTitle("Second");
    ASSERT_EQ(tag.Write(f), id3Ok);
    const QByteArray data = ReadFile(f);
    ASSERT_EQ(data.size(), 1128);
    EXPECT_EQ(data.left(1000), audio); // the audio is never touched

    Tid3tag back;
    ASSERT_EQ(back.Read(f), id3Ok);
    EXPECT_EQ(back.TitleText(), "Second");
    EXPECT_EQ(back.ArtistText(), "Artist");
    EXPECT_EQ(back.AlbumText(), "Album");
    EXPECT_EQ(back.YearText(), "1999");
    EXPECT_EQ(back.CommentText(), "Note");
    EXPECT_TRUE(back.HasTrack);
    EXPECT_EQ(back.Track, 7);
    EXPECT_EQ(back.Genre, 17);
}

TEST_F(Id3TagTest, NewObjectDefaults) {
    Tid3tag tag;
    EXPECT_FALSE(tag.HasTrack);
    EXPECT_TRUE(tag.FileName.isEmpty());
    EXPECT_EQ(tag.Title, QByteArray(30, '\0'));
    EXPECT_EQ(tag.Year, QByteArray(4, '\0'));
    EXPECT_EQ(tag.Genre, 255);
    EXPECT_EQ(tag.Track, 0);
}

TEST_F(Id3TagTest, LengthLimitsAndTrimming) {
    Tid3tag tag;
    tag.SetTitle("12345678901234567890123456789012345"); // 35 characters
    EXPECT_EQ(tag.Title, "123456789012345678901234567890");
    tag.SetYear("199999");
    EXPECT_EQ(tag.Year, "1999");

    // Trailing zero, space and 255 bytes go; the same bytes inside the text stay.
    QByteArray raw = RawTag("Title  x  \xff\xff  ", "Comment", 0);
    const QString f = MakeFile("t.mp3", QByteArray(10, 'a') + raw);
    ASSERT_EQ(tag.Read(f), id3Ok);
    EXPECT_EQ(tag.Title, "Title  x");

    tag.SetTitle("Ends in spaces   ");
    ASSERT_EQ(tag.Write(f), id3Ok);
    Tid3tag back;
    ASSERT_EQ(back.Read(f), id3Ok);
    EXPECT_EQ(back.TitleText(), "Ends in spaces");
}

TEST_F(Id3TagTest, CommentAndTrackLayout) {
    const QString f = MakeFile("c.mp3", QByteArray(200, 'x'));
    Tid3tag tag;
    tag.SetComment("012345678901234567890123456789"); // 30 characters
    tag.SetTrack(0);
    ASSERT_EQ(tag.Write(f), id3Ok);
    QByteArray t = ReadFile(f).right(128);
    EXPECT_EQ(t.mid(97, 30), "012345678901234567890123456789");

    tag.SetTrack(7);
    ASSERT_EQ(tag.Write(f), id3Ok);
    t = ReadFile(f).right(128);
    EXPECT_EQ(t.mid(97, 28), "0123456789012345678901234567");
    EXPECT_EQ(t[125], '\0');
    EXPECT_EQ(t[126], '\x07');
    EXPECT_EQ(tag.Comment, "0123456789012345678901234567"); // the padded value stays in the field
    EXPECT_EQ(ReadFile(f).size(), 328);
}

TEST_F(Id3TagTest, NonZeroByteAt125MeansNoTrack) {
    QByteArray comment = QByteArray("abc").leftJustified(28, '\0');
    comment += 'Z';    // offset 125
    comment += '\x09'; // offset 126
    const QString f = MakeFile("n.mp3", QByteArray(5, 'a') + RawTag("T", comment, 1));
    Tid3tag tag;
    ASSERT_EQ(tag.Read(f), id3Ok);
    EXPECT_FALSE(tag.HasTrack);
    EXPECT_EQ(tag.Track, 0);
    EXPECT_EQ(tag.Comment.size(), 30);
    EXPECT_EQ(tag.Comment.right(2), "Z\x09");
}

TEST_F(Id3TagTest, GenreOutOfRangeFlagsButReads) {
    const QString f = MakeFile("g.mp3", QByteArray(5, 'a') + RawTag("Song", "c", 150));
    Tid3tag tag;
    EXPECT_EQ(tag.Read(f), id3GenreOutOfRange);
    EXPECT_EQ(tag.TitleText(), "Song");
    EXPECT_EQ(tag.Genre, 150);
    EXPECT_EQ(Id3ToGenre(tag.Genre), 0); // shown as no genre

    const QString none = MakeFile("g2.mp3", QByteArray(5, 'a') + RawTag("Song", "c", 255));
    EXPECT_EQ(tag.Read(none), id3Ok);
}

TEST_F(Id3TagTest, EqualsNameRewritesTheLastFileRead) {
    const QString f = MakeFile("e.mp3", QByteArray(300, 'a') + RawTag("Old", "", 3));
    const QString other = MakeFile("other.mp3", QByteArray(300, 'b'));
    Tid3tag tag;
    ASSERT_EQ(tag.Read(f), id3Ok);
    tag.SetTitle("New");
    ASSERT_EQ(tag.Write("="), id3Ok);
    Tid3tag back;
    ASSERT_EQ(back.Read(f), id3Ok);
    EXPECT_EQ(back.TitleText(), "New");
    EXPECT_EQ(ReadFile(f).size(), 428);
    EXPECT_EQ(ReadFile(other).size(), 300);

    Tid3tag fresh; // no file yet: "=" names nothing
    EXPECT_EQ(fresh.Write("="), id3OpenError);
}

TEST_F(Id3TagTest, FailureCodes) {
    Tid3tag tag;
    EXPECT_EQ(tag.Read(Path("missing.mp3")), id3OpenError);
    EXPECT_EQ(tag.Write(Path("missing.mp3")), id3OpenError);
    EXPECT_FALSE(QFileInfo::exists(Path("missing.mp3"))); // never created

    const QString shortFile = MakeFile("short.mp3", QByteArray("TAGxx"));
    EXPECT_EQ(tag.Read(shortFile), id3NoTag);
    const QString noTag = MakeFile("notag.mp3", QByteArray(500, 'q'));
    EXPECT_EQ(tag.Read(noTag), id3NoTag);

    // A file shorter than a tag gets one appended.
    tag.SetTitle("S");
    EXPECT_EQ(tag.Write(shortFile), id3Ok);
    EXPECT_EQ(ReadFile(shortFile).size(), 5 + 128);
    EXPECT_EQ(ReadFile(shortFile).left(5), "TAGxx");

    const QString ro = MakeFile("ro.mp3", QByteArray(500, 'r'));
    QFile::setPermissions(ro, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    EXPECT_EQ(tag.Write(ro), id3ReadOnly);
    EXPECT_EQ(ReadFile(ro), QByteArray(500, 'r'));
    EXPECT_GT(tag.Write(ro), 255); // callers treat this as failure

    // A hidden dot-file is an ordinary file here.
    const QString hidden = MakeFile(".hidden.mp3", QByteArray(10, 'h'));
    EXPECT_EQ(tag.Write(hidden), id3Ok);
}

TEST_F(Id3TagTest, FailedAppendLeavesTheFileAsItWas) {
    // A file size limit just above the audio lets the append write only part of the tag.
    const QByteArray audio(1000, 'w');
    const QString f = MakeFile("full.mp3", audio);
    Tid3tag tag;
    tag.SetTitle("Too big");
    uint16_t code = 0;
    {
        const TFileSizeLimit limit(1050);
        ASSERT_TRUE(limit.Applied());
        code = tag.Write(f);
    }
    EXPECT_EQ(code, id3WriteError);
    EXPECT_EQ(ReadFile(f), audio);
    EXPECT_TRUE(tag.FileName.isEmpty()); // a failed write names no file
}

TEST_F(Id3TagTest, TextOutsideLatin1BecomesQuestionMarks) {
    Tid3tag tag;
    tag.SetArtist(QString::fromUtf8("Café 東京 \xF0\x9F\x8E\xB5"));
    EXPECT_EQ(tag.Artist, QByteArray("Caf\xe9 ?? ?"));
    const QString f = MakeFile("l.mp3", QByteArray(10, 'a'));
    ASSERT_EQ(tag.Write(f), id3Ok);
    Tid3tag back;
    ASSERT_EQ(back.Read(f), id3Ok);
    EXPECT_EQ(back.ArtistText(), QString::fromUtf8("Café ?? ?"));
}

TEST_F(Id3TagTest, RemoveCutsOnlyATag) {
    const QByteArray audio(700, 'm');
    const QString f = MakeFile("r.mp3", audio);
    Tid3tag tag;
    tag.SetTitle("x");
    ASSERT_EQ(tag.Write(f), id3Ok);
    tag.Remove();
    EXPECT_EQ(ReadFile(f), audio);
    tag.Remove(); // no tag left: nothing happens
    EXPECT_EQ(ReadFile(f), audio);

    ASSERT_EQ(tag.Write(f), id3Ok);
    QFile::setPermissions(f, QFile::ReadOwner);
    tag.Remove();
    EXPECT_EQ(ReadFile(f).size(), 828);
}

TEST(Id3GenreTest, ListPositionsMapToId3Numbers) {
    EXPECT_EQ(GenreToId3(0), 255);
    EXPECT_EQ(GenreToId3(18), 0);   // Blues
    EXPECT_EQ(GenreToId3(96), 12);  // Other
    EXPECT_EQ(GenreToId3(148), 28); // Vocal
    EXPECT_EQ(GenreToId3(149), 255);
    EXPECT_EQ(GenreToId3(255), 255);
    EXPECT_EQ(Id3ToGenre(12), 96);
    EXPECT_EQ(Id3ToGenre(148), 0);
    EXPECT_EQ(Id3ToGenre(200), 0);
    EXPECT_EQ(Id3ToGenre(255), 0);

    const std::pair<const char*, int> differentlySpelled[] = {
        {"A Cappella", 123}, {"Alt. Rock", 40},   {"Christian Gangsta", 136}, {"Drum & Base", 127},
        {"Folk/Rock", 81},   {"Gangsta Rap", 59}, {"Psychedelic", 67}};
    for (const auto& [name, id3] : differentlySpelled) {
        const int position = GenreIndexOf(name) + 1;
        ASSERT_GT(position, 0) << name;
        EXPECT_EQ(GenreToId3(static_cast<uint8_t>(position)), id3) << name;
    }

    // Every position has its own number and the two mappings undo each other.
    std::set<int> seen;
    for (int p = 1; p <= 148; ++p) {
        const uint8_t id3 = GenreToId3(static_cast<uint8_t>(p));
        ASSERT_LT(id3, 148) << GenreNames[static_cast<size_t>(p - 1)];
        seen.insert(id3);
        EXPECT_EQ(Id3ToGenre(id3), p);
    }
    EXPECT_EQ(seen.size(), 148u);
}

TEST_F(Id3TagTest, IndependentReaderAgrees) {
    const QString python = QFileInfo::exists("/usr/bin/python3") ? QString("/usr/bin/python3") : FindTool("python3");
    const QString lame = FindTool("lame");
    if (python.isEmpty() || lame.isEmpty())
        GTEST_SKIP() << "python3 or lame missing";
    if (RunProgram(python, {"-c", "import mutagen"}).ExitCode != 0)
        GTEST_SKIP() << "mutagen missing";
    const QString wav = MakeFile("in.wav", MakeWav(MakePcm16(44100 / 2, 2, 7), 2, 44100, 16));
    const QString mp3 = Path("out.mp3");
    ASSERT_EQ(RunProgram(lame, {"--quiet", "-b", "128", wav, mp3}).ExitCode, 0);

    Tid3tag tag;
    tag.SetTitle(QString::fromUtf8("Größe"));
    tag.SetArtist("The Band");
    tag.SetAlbum("Record");
    tag.SetYear("2004");
    tag.SetComment("Ripped");
    tag.SetTrack(12);
    tag.Genre = GenreToId3(static_cast<uint8_t>(GenreIndexOf("Rock") + 1));
    ASSERT_EQ(tag.Write(mp3), id3Ok);

    const char* script = "import sys, json\n"
                         "from mutagen.id3 import ID3\n"
                         "t = ID3(sys.argv[1])\n"
                         "print(json.dumps({'title': str(t['TIT2']), 'artist': str(t['TPE1']),"
                         " 'album': str(t['TALB']), 'year': str(t['TDRC']), 'track': str(t['TRCK']),"
                         " 'genre': str(t['TCON']), 'comment': str(t.getall('COMM')[0])}))\n";
    const TRunResult r = RunProgram(python, {"-c", script, mp3});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
    const QJsonObject o = QJsonDocument::fromJson(r.Out).object();
    EXPECT_EQ(o["title"].toString(), QString::fromUtf8("Größe"));
    EXPECT_EQ(o["artist"].toString(), "The Band");
    EXPECT_EQ(o["album"].toString(), "Record");
    EXPECT_EQ(o["year"].toString(), "2004");
    EXPECT_EQ(o["track"].toString(), "12");
    EXPECT_EQ(o["genre"].toString(), "Rock");
    EXPECT_EQ(o["comment"].toString(), "Ripped");
}
