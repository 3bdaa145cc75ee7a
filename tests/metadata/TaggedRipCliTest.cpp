// Rips of a disc named from MusicBrainz, run as programs against a MusicBrainz server and a
// Cover Art Archive on 127.0.0.1: FLAC files that decode with `flac -d` to the disc's audio and
// carry Vorbis comments, the front cover and ReplayGain that loudgain agrees with; an MP3 whose
// long title is whole in ID3v2.4 (read by mutagen) and cut in ID3v1; a cover answer that is no
// picture, and no cover at all.
#include "fixtures/DiscImage.h"
#include "metadata/MusicBrainzJson.h"
#include "metadata/MusicBrainzTestServer.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <discid/discid.h>
#include <gtest/gtest.h>

namespace {

const QString Release = QStringLiteral("11111111-1111-1111-1111-111111111111");

QByteArray Jpeg() {
    return QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(5000, 'c') + QByteArray("\xFF\xD9", 2);
}

class TaggedRipCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"flac", "metaflac", "loudgain"})
            if (FindTool(tool).isEmpty())
                GTEST_SKIP() << tool << " is not installed";
        Disc = MakeDiscImage(Folder.Path(), "disc", StandardTracks());
        DiscId* d = discid_new();
        int offsets[] = {4897 + 150, 150, 1234 + 150, 3534 + 150, 4284 + 150};
        discid_put(d, 1, 4, offsets);
        const QString id = QString::fromLatin1(discid_get_id(d));
        discid_free(d);
        Server.SetAnswer("/ws/2/discid/" + id, 200, TwoReleasesJson(id));
        // The first release, with its MusicBrainz id, names the disc in cdinfo.dat.
        const TRunResult named = Cli(
            {"lookup", "--image", Disc.CuePath, "--source", "musicbrainz", "--server", Server.BaseUrl(), "--apply"});
        ASSERT_EQ(named.ExitCode, 0) << named.Err.toStdString();
    }
    TRunResult Cli(const QStringList& args) { return RunCli(Folder.Path(), args); }
    TRunResult Rip(const QString& out, const QStringList& args) {
        return Cli(QStringList{"--set", "Metadata/CoverArtServer=" + Server.BaseUrl(), "--set", "ID3/Use=1", "rip",
                               "--image", Disc.CuePath, "--out", out} +
                   args);
    }
    static QByteArray Comment(const QString& flac, const QString& name) {
        return RunProgram(FindTool("metaflac"), {"--show-tag=" + name, flac}).Out.trimmed().mid(name.size() + 1);
    }

    TTempProgramFolder Folder;
    TDiscImage Disc;
    TWebTestServer Server;
};

} // namespace

TEST_F(TaggedRipCliTest, FlacFilesDecodeToTheDiscWithCommentsCoverAndReplayGain) {
    Server.SetAnswer("/release/" + Release + "/front-500", 200, Jpeg());
    const QString out = Folder.File("flac");
    const TRunResult rip = Rip(out, {"--format", "flac"});
    ASSERT_EQ(rip.ExitCode, 0) << rip.Err.toStdString();
    EXPECT_TRUE(Server.Targets().contains("/release/" + Release + "/front-500"));
    const QStringList titles{"Opening", "Second Song", "Third", "Closing"};
    QStringList files;
    for (int n = 0; n < 4; ++n) {
        SCOPED_TRACE(n + 1);
        files << out + '/' + titles[n] + ".flac";
        const TRunResult decoded = RunProgram(FindTool("flac"), {"-d", "-s", "-c", "--force-raw-format",
                                                                 "--endian=little", "--sign=signed", files.back()});
        ASSERT_EQ(decoded.ExitCode, 0) << decoded.Err.constData();
        EXPECT_TRUE(decoded.Out == Disc.TrackData[size_t(n)]);
        const TRunResult list = RunProgram(FindTool("metaflac"), {"--list", files.back()});
        for (const QByteArray& line :
             {"TITLE=" + titles[n].toUtf8(), QByteArray("ARTIST=Some Band feat. Guest"),
              QByteArray("ALBUM=First Album"), QByteArray("ALBUMARTIST=Some Band feat. Guest"), QByteArray("DATE=1999"),
              "TRACKNUMBER=" + QByteArray::number(n + 1), QByteArray("TRACKTOTAL=4"),
              "MUSICBRAINZ_ALBUMID=" + Release.toUtf8(), QByteArray("type: 6 (PICTURE)"),
              QByteArray("type: 3 (Cover (front))"), QByteArray("MIME type: image/jpeg")})
            EXPECT_TRUE(list.Out.contains(line)) << line.constData() << '\n' << list.Out.constData();
    }
    EXPECT_EQ(ReadFile(out + "/cover.jpg"), Jpeg());

    // loudgain measures the same gains from the files as the rip did while reading.
    const TRunResult gains = RunProgram(FindTool("loudgain"), QStringList{"-a", "-q", "-O"} + files);
    ASSERT_EQ(gains.ExitCode, 0) << gains.Err.constData();
    const QList<QByteArray> rows = gains.Out.trimmed().split('\n');
    ASSERT_EQ(rows.size(), 6) << gains.Out.constData();
    for (int row = 1; row < 6; ++row) {
        const double theirs = rows[row].split('\t').value(8).split(' ').value(0).toDouble();
        const QString file = files[row < 5 ? row - 1 : 0];
        const QByteArray ours = Comment(file, row < 5 ? "REPLAYGAIN_TRACK_GAIN" : "REPLAYGAIN_ALBUM_GAIN");
        EXPECT_NEAR(ours.split(' ').value(0).toDouble(), theirs, 0.1) << rows[row].constData();
    }
    const QByteArray log = ReadFile(out + "/First Album.log");
    EXPECT_TRUE(log.contains("\n  ReplayGain: " + Comment(files[1], "REPLAYGAIN_TRACK_GAIN"))) << log.constData();
    EXPECT_TRUE(log.contains("\n  Album ReplayGain: " + Comment(files[1], "REPLAYGAIN_ALBUM_GAIN")));
    EXPECT_TRUE(log.contains(QStringLiteral("\nCover art: %1 bytes, cover.jpg\n").arg(Jpeg().size()).toUtf8()));
}

TEST_F(TaggedRipCliTest, AnMp3KeepsALongTitleWholeInId3v2AndCutInId3v1) {
    const QString python =
        QFileInfo::exists("/usr/bin/python3") ? QStringLiteral("/usr/bin/python3") : FindTool("python3");
    if (FindTool("lame").isEmpty() || RunProgram(python, {"-c", "import mutagen"}).ExitCode != 0)
        GTEST_SKIP() << "lame or mutagen is not installed";
    const QString title = QString::fromUtf8("Sixty characters of title: a long name that ends right here.");
    ASSERT_EQ(title.size(), 60);
    const QString out = Folder.File("mp3");
    const TRunResult rip = Rip(out, {"--format", "mp3", "--tracks", "2", "--title", "2=" + title});
    ASSERT_EQ(rip.ExitCode, 0) << rip.Err.toStdString();
    const QStringList made = QDir(out).entryList({"*.mp3"}, QDir::Files);
    ASSERT_EQ(made.size(), 1);
    const QString mp3 = out + '/' + made.first();
    const TRunResult read = RunProgram(python, {"-c",
                                                "import sys\nfrom mutagen.id3 import ID3\nt = ID3(sys.argv[1])\n"
                                                "print(t.version[1]); print(t['TIT2']); print(t['TRCK'])",
                                                mp3});
    ASSERT_EQ(read.ExitCode, 0) << read.Err.constData();
    EXPECT_EQ(QString::fromUtf8(read.Out), "4\n" + title + "\n2/4\n");
    const TRunResult shown = Cli({"tag", "show", mp3});
    ASSERT_EQ(shown.ExitCode, 0);
    EXPECT_TRUE(shown.Out.startsWith(("title: " + title.left(30) + "\n").toUtf8())) << shown.Out.constData();
    EXPECT_TRUE(shown.Out.contains("\ntags: ID3v1, ID3v2.4\n")) << shown.Out.constData();
    EXPECT_TRUE(shown.Out.contains(("\nTITLE: " + title + "\n").toUtf8())) << shown.Out.constData();
}

TEST_F(TaggedRipCliTest, ACoverAnswerThatIsNoPictureIsSaidAndNothingIsEmbedded) {
    Server.SetAnswer("/release/" + Release + "/front-500", 200, "<html>not a picture</html>");
    const QString out = Folder.File("bad");
    const TRunResult rip = Rip(out, {"--format", "flac", "--tracks", "1"});
    ASSERT_EQ(rip.ExitCode, 0) << rip.Err.toStdString();
    EXPECT_TRUE(rip.Err.contains("Cover art: the server's answer is not a JPEG or PNG picture"))
        << rip.Err.toStdString();
    EXPECT_FALSE(RunProgram(FindTool("metaflac"), {"--list", out + "/Opening.flac"}).Out.contains("PICTURE"));
    EXPECT_FALSE(QFileInfo::exists(out + "/cover.jpg"));
    EXPECT_EQ(RunProgram(FindTool("flac"), {"-t", "-s", out + "/Opening.flac"}).ExitCode, 0);

    // No cover in the archive is no fault: not a word, and the rip as always.
    const QString none = Folder.File("none");
    Server.SetAnswer("/release/" + Release + "/front-500", 404, "{}");
    const TRunResult plain = Rip(none, {"--format", "flac", "--tracks", "1"});
    ASSERT_EQ(plain.ExitCode, 0) << plain.Err.toStdString();
    EXPECT_FALSE(plain.Err.contains("Cover art")) << plain.Err.toStdString();
    EXPECT_TRUE(ReadFile(none + "/First Album.log").contains("\nCover art: none (the release has no front cover)\n"));
}
