// The tag writer and reader over TagLib, checked with outside readers: mutagen for ID3v2.4 and
// Ogg comments, metaflac for FLAC comments and pictures; the ID3v1 tag with our own reader. A
// tag that cannot be written leaves the file byte for byte as it was.
#include "tags/TagWriter.h"
#include "tags/Id3Tag.h"
#include "tags/TagReader.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

// A tiny but real JPEG's first bytes are all a cover check looks at; the rest is filler.
QByteArray Jpeg() {
    return QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(3000, 'j') + QByteArray("\xFF\xD9", 2);
}

TTagFields Fields() {
    TTagFields f;
    f.Title = QString::fromUtf8("A title of sixty characters, with ümlauts and 漢字, to the end");
    f.Artist = QString::fromUtf8("Ærtist");
    f.AlbumArtist = QStringLiteral("Various");
    f.Album = QStringLiteral("The Album");
    f.Year = QStringLiteral("1999");
    f.Genre = 0; // the table's first name
    f.Comment = QStringLiteral("ripped");
    f.Track = 3;
    f.TrackTotal = 12;
    f.MusicBrainzAlbumId = QStringLiteral("0b5d6e1a-27a4-4a1b-9a7e-5d1f0f1e9c33");
    f.TrackGain = -7.25;
    f.TrackPeak = 0.5;
    f.Cover = Jpeg();
    return f;
}

class TagWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The system's Python, which has the distribution's mutagen.
        Python = QFileInfo::exists("/usr/bin/python3") ? QStringLiteral("/usr/bin/python3") : FindTool("python3");
        if (Python.isEmpty() || RunProgram(Python, {"-c", "import mutagen"}).ExitCode != 0)
            GTEST_SKIP() << "python3 with mutagen is not installed";
        ASSERT_TRUE(WriteFile(Wav, MakeWav(MakePcm16(44100, 2, 9), 2, 44100, 16)));
    }
    // Makes `name` from the WAV with a tool; the tool's full path and its arguments before the
    // files.
    QString Make(const QString& tool, const QStringList& args, const QString& name, bool outputFirst) {
        const QString program = FindTool(tool);
        if (program.isEmpty())
            return QString();
        const QString out = Dir.File(name);
        const QStringList files = outputFirst ? QStringList{"-o", out, Wav} : QStringList{Wav, out};
        const TRunResult r = RunProgram(program, args + files);
        EXPECT_EQ(r.ExitCode, 0) << r.Err.constData();
        return out;
    }
    // mutagen's view of a file: every tag key and value, plus the pictures' types and sizes.
    QJsonObject Mutagen(const QString& path) {
        const char* script = "import sys, json, mutagen\n"
                             "f = mutagen.File(sys.argv[1])\n"
                             "o = {'version': list(getattr(f.tags, 'version', ()))}\n"
                             "for k in f.tags.keys():\n"
                             "    v = f.tags[k]\n"
                             "    o[k] = str(v[0] if isinstance(v, list) else v)\n"
                             "    if k.startswith('APIC'): o[k] = '%s %d' % (v.mime, len(v.data))\n"
                             "print(json.dumps(o))\n";
        const TRunResult r = RunProgram(Python, {"-c", script, path});
        EXPECT_EQ(r.ExitCode, 0) << r.Err.constData();
        return QJsonDocument::fromJson(r.Out).object();
    }

    TTempProgramFolder Dir;
    QString Wav = Dir.File("in.wav");
    QString Python;
};

} // namespace

TEST_F(TagWriterTest, Mp3GetsFullId3v24AndTheId3v1CutByVersion) {
    const QString mp3 = Make("lame", {"--quiet", "-b", "128"}, "song.mp3", false);
    if (mp3.isEmpty())
        GTEST_SKIP() << "lame is not installed";
    QString error;
    ASSERT_TRUE(WriteFileTags(mp3, Fields(), id3Both, error)) << error.toStdString();
    QJsonObject o = Mutagen(mp3);
    EXPECT_EQ(o["version"].toVariant().toList().value(1).toInt(), 4);
    EXPECT_EQ(o["TIT2"].toString(), Fields().Title);
    EXPECT_EQ(o["TPE1"].toString(), Fields().Artist);
    EXPECT_EQ(o["TPE2"].toString(), "Various");
    EXPECT_EQ(o["TALB"].toString(), "The Album");
    EXPECT_EQ(o["TDRC"].toString(), "1999");
    EXPECT_EQ(o["TCON"].toString(), "A Cappella");
    EXPECT_EQ(o["TRCK"].toString(), "3/12");
    EXPECT_EQ(o["TXXX:MusicBrainz Album Id"].toString(), Fields().MusicBrainzAlbumId)
        << QJsonDocument(o).toJson().constData();
    EXPECT_EQ(o["TXXX:REPLAYGAIN_TRACK_GAIN"].toString(), "-7.25 dB");
    EXPECT_EQ(o["TXXX:REPLAYGAIN_TRACK_PEAK"].toString(), "0.500000");
    EXPECT_EQ(o["APIC:Front cover"].toString(), QStringLiteral("image/jpeg %1").arg(Jpeg().size()));
    Tid3tag v1;
    ASSERT_LE(v1.Read(mp3), 255);
    EXPECT_EQ(v1.TitleText(), Fields().Title.left(30));
    EXPECT_EQ(v1.Track, 3);

    // Version 2 drops the ID3v1 tag, version 1 the ID3v2 tag.
    ASSERT_TRUE(WriteFileTags(mp3, Fields(), id3V2Only, error)) << error.toStdString();
    EXPECT_GT(v1.Read(mp3), 255);
    ASSERT_TRUE(WriteFileTags(mp3, Fields(), id3V1Only, error)) << error.toStdString();
    EXPECT_LE(v1.Read(mp3), 255);
    TTagReport report;
    ASSERT_TRUE(ReadFileTags(mp3, report, error)) << error.toStdString();
    EXPECT_EQ(report.Format, "MP3");
    EXPECT_EQ(report.Kinds, QStringList{"ID3v1"});
}

TEST_F(TagWriterTest, FlacAndOggGetVorbisCommentsPicturesAndAlbumValuesLater) {
    const QString flac = Make("flac", {"-s", "-f"}, "song.flac", true);
    const QString ogg = Make("oggenc", {"-Q"}, "song.ogg", true);
    const QString metaflac = FindTool("metaflac");
    if (flac.isEmpty() || ogg.isEmpty() || metaflac.isEmpty())
        GTEST_SKIP() << "flac, metaflac or oggenc is not installed";
    QString error;
    for (const QString& file : {flac, ogg}) {
        SCOPED_TRACE(file.toStdString());
        ASSERT_TRUE(WriteFileTags(file, Fields(), id3Both, error)) << error.toStdString();
        ASSERT_TRUE(WriteAlbumTags(file, -6.5, 0.75, QByteArray(), error)) << error.toStdString();
        const QJsonObject o = Mutagen(file);
        EXPECT_EQ(o["title"].toString(), Fields().Title);
        EXPECT_EQ(o["albumartist"].toString(), "Various");
        EXPECT_EQ(o["tracknumber"].toString(), "3");
        EXPECT_EQ(o["tracktotal"].toString(), "12");
        EXPECT_EQ(o["date"].toString(), "1999");
        EXPECT_EQ(o["musicbrainz_albumid"].toString(), Fields().MusicBrainzAlbumId);
        EXPECT_EQ(o["replaygain_track_gain"].toString(), "-7.25 dB");
        EXPECT_EQ(o["replaygain_album_gain"].toString(), "-6.50 dB") << QJsonDocument(o).toJson().constData();
        EXPECT_EQ(o["replaygain_album_peak"].toString(), "0.750000");
        TTagReport report;
        ASSERT_TRUE(ReadFileTags(file, report, error)) << error.toStdString();
        EXPECT_EQ(report.Kinds, QStringList{"Vorbis comments"});
        EXPECT_EQ(report.Pictures, QStringList{QStringLiteral("front cover, image/jpeg, %1 bytes").arg(Jpeg().size())});
    }
    // metaflac sees the comments and the picture block.
    const TRunResult list = RunProgram(metaflac, {"--list", flac});
    ASSERT_EQ(list.ExitCode, 0);
    EXPECT_TRUE(list.Out.contains("ARTIST=" + Fields().Artist.toUtf8())) << list.Out.constData();
    EXPECT_TRUE(list.Out.contains("type: 6 (PICTURE)"));
    EXPECT_TRUE(list.Out.contains("MIME type: image/jpeg"));
    // The audio is untouched.
    EXPECT_EQ(RunProgram(FindTool("flac"), {"-t", "-s", flac}).ExitCode, 0);
}

TEST_F(TagWriterTest, ATagThatCannotBeWrittenLeavesTheFileAsItWas) {
    const QString flac = Make("flac", {"-s", "-f"}, "song.flac", true);
    if (flac.isEmpty())
        GTEST_SKIP() << "flac is not installed";
    const QByteArray before = ReadFile(flac);
    QString error;
    TTagFields notAPicture = Fields();
    notAPicture.Cover = "GIF89a, not taken";
    EXPECT_FALSE(WriteFileTags(flac, notAPicture, id3Both, error));
    EXPECT_TRUE(error.contains("not a JPEG or PNG")) << error.toStdString();
    // A FLAC file cut short before its audio, a text file with an audio name.
    const QString cut = Dir.File("cut.flac");
    ASSERT_TRUE(WriteFile(cut, before.left(30)));
    EXPECT_FALSE(WriteFileTags(cut, Fields(), id3Both, error));
    EXPECT_TRUE(error.startsWith(cut)) << error.toStdString();
    EXPECT_EQ(ReadFile(cut), before.left(30));
    const QString text = Dir.File("text.mp3");
    ASSERT_TRUE(WriteFile(text, "just words"));
    EXPECT_FALSE(WriteFileTags(text, Fields(), id3Both, error));
    EXPECT_EQ(ReadFile(text), QByteArray("just words"));
    TTagReport report;
    EXPECT_FALSE(ReadFileTags(Dir.File("missing.flac"), report, error));
    // A full disk: the copy the tags go into cannot be written.
    {
        const TFileSizeLimit full(rlim_t(before.size() / 2));
        ASSERT_TRUE(full.Applied());
        EXPECT_FALSE(WriteFileTags(flac, Fields(), id3Both, error));
    }
    EXPECT_TRUE(error.contains("unchanged")) << error.toStdString();
    EXPECT_EQ(ReadFile(flac), before);
    EXPECT_EQ(QDir(Dir.Path()).entryList({"*.tag"}, QDir::Files), QStringList());
}
