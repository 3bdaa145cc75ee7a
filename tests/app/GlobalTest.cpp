// Settings persistence, disc information, helpers and the job events.
#include "core/DiscInfo.h"
#include "core/Helpers.h"
#include "core/JobEvents.h"
#include "core/Settings.h"
#include "platform/IniFile.h"
#include "platform/ProgramFolder.h"
#include "support/TestSupport.h"
#include "tags/Genres.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <QtEndian>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(SettingsTest, MissingFileGivesDefaults) {
    TTempProgramFolder folder;
    LoadSettings();
    EXPECT_EQ(Settings.OutputFolder, folder.Path() + "/Output");
    EXPECT_EQ(Settings.NormalizePercent, 95);
    EXPECT_EQ(Settings.BitRate, 128);
    EXPECT_EQ(Settings.MaxBitRate, 320);
    EXPECT_EQ(Settings.StereoMode, 1);
    EXPECT_TRUE(Settings.IsUseCompress);
    EXPECT_EQ(Settings.CompressPosition, 30);
    EXPECT_EQ(Settings.WMABitRate, 8);
    EXPECT_EQ(Settings.CDIndex, -1);
    EXPECT_EQ(Settings.Script, "/~cddb/cddb.cgi");
    EXPECT_EQ(Settings.Port, "80");
    EXPECT_EQ(Settings.Lan, "English");
    EXPECT_FALSE(Settings.Server.isEmpty());
    // No placeholder address: the first CDDB query asks for one.
    EXPECT_EQ(Settings.Email, "");
    EXPECT_EQ(Settings.NamePattern, "%title%");
    EXPECT_EQ(Settings.MetadataSources, "cdtext,musicbrainz,cddb");
    EXPECT_TRUE(Settings.LookupOnInsert);
    EXPECT_EQ(Settings.MusicBrainzServer, "https://musicbrainz.org");
    EXPECT_EQ(Settings.MetadataContact, "");
    // An empty pattern would name every file after nothing.
    EXPECT_TRUE(ApplySettingOverride("CommonOptions/NamePattern="));
    EXPECT_EQ(Settings.NamePattern, "%title%");
}

TEST(SettingsTest, RoundTripInTableOrder) {
    TTempProgramFolder folder;
    LoadSettings();
    Settings.OutputFolder = "/music/out";
    Settings.OutputFormat = 2;
    Settings.IsKeepWav = true;
    Settings.RipTime = 30;
    Settings.StereoMode = 4;
    Settings.OggNomalBitRate = 7;
    Settings.WMABitRate = 12;
    Settings.Images = "/a.cue|/b c.cue";
    Settings.UseID3 = true;
    Settings.Lan = "German";
    CurrentDisc.Artist = "not persisted here";
    SaveSettings();

    const QString text = QString::fromUtf8(ReadFile(folder.File("options.ini")));
    const QStringList order{"[CommonOptions]", "[Mp3Options]", "[OggOptions]", "[WMAOptions]", "[CDOptions]",
                            "[RecordOptions]", "[QueryCDDB]",  "[ID3]",        "[Metadata]",   "[Options]"};
    int last = -1;
    for (const QString& s : order) {
        const int at = text.indexOf(s);
        ASSERT_GT(at, last) << s.toStdString();
        last = at;
    }
    EXPECT_TRUE(text.contains("IsKeepWav=1\n"));
    EXPECT_TRUE(text.contains("IsNormalize=0\n"));
    EXPECT_FALSE(text.contains("not persisted"));

    Settings = TSettings();
    LoadSettings();
    EXPECT_EQ(Settings.OutputFolder, "/music/out");
    EXPECT_EQ(Settings.OutputFormat, 2);
    EXPECT_TRUE(Settings.IsKeepWav);
    EXPECT_EQ(Settings.RipTime, 30);
    EXPECT_EQ(Settings.StereoMode, 4);
    EXPECT_EQ(Settings.OggNomalBitRate, 7);
    EXPECT_EQ(Settings.WMABitRate, 12);
    EXPECT_EQ(Settings.Images, "/a.cue|/b c.cue");
    EXPECT_TRUE(Settings.UseID3);
    EXPECT_EQ(Settings.Lan, "German");
}

TEST(SettingsTest, ProfileRulesClampAndDamagedValues) {
    TTempProgramFolder folder;
    WriteFile(folder.File("options.ini"), "[oggoptions]\ncompressposition=10\n[COMMONOPTIONS]\nNormalizePercent=abc\n"
                                          "IsKeepWav=7\nRipTime=-5\n[Mp3Options]\nBitRate=\n");
    LoadSettings();
    EXPECT_EQ(Settings.CompressPosition, 30);
    EXPECT_EQ(Settings.NormalizePercent, 95); // not a number: default
    EXPECT_TRUE(Settings.IsKeepWav);          // any non-zero integer
    EXPECT_EQ(Settings.RipTime, -5);          // taken as it is
    EXPECT_EQ(Settings.BitRate, 128);
    WriteFile(folder.File("options.ini"), "[OggOptions]\nCompressPosition=150\n[CommonOptions]\nOutputFormat=3\n");
    LoadSettings();
    EXPECT_EQ(Settings.CompressPosition, 100);
    EXPECT_EQ(Settings.OutputFormat, ofWMA);
    WriteFile(folder.File("options.ini"), "[CommonOptions]\nOutputFormat=4\n");
    LoadSettings();
    EXPECT_EQ(Settings.OutputFormat, ofFLAC);
    // A FLAC level or ID3 version out of range and a blank cover server take their defaults.
    WriteFile(folder.File("options.ini"),
              "[FlacOptions]\nLevel=9\n[ID3]\nVersion=0\n[Metadata]\nCoverArtServer= \n[Tags]\nReplayGain=0\n");
    LoadSettings();
    EXPECT_EQ(Settings.FlacLevel, 5);
    EXPECT_EQ(Settings.Id3Version, 3);
    EXPECT_EQ(Settings.CoverArtServer, "https://coverartarchive.org");
    EXPECT_FALSE(Settings.ReplayGain);
    for (const char* format : {"-1", "5", "99"}) {
        WriteFile(folder.File("options.ini"), QByteArray("[CommonOptions]\nOutputFormat=") + format + "\n");
        LoadSettings();
        EXPECT_EQ(Settings.OutputFormat, ofMP3) << format; // unknown: the default
    }
    // A VBR quality lame cannot take and an empty output folder fall back to their defaults.
    for (const char* quality : {"-1", "10", "42"}) {
        WriteFile(folder.File("options.ini"),
                  QByteArray("[Mp3Options]\nVBRQuality=") + quality + "\n[CommonOptions]\nOutputFolder= \n");
        LoadSettings();
        EXPECT_EQ(Settings.VBRQuality, 4) << quality;
        EXPECT_EQ(Settings.OutputFolder, folder.File("Output"));
    }
    WriteFile(folder.File("options.ini"), "[Mp3Options]\nVBRQuality=9\n");
    LoadSettings();
    EXPECT_EQ(Settings.VBRQuality, 9);
    // A read offset no drive has reads as none; the AccurateRip server needs an address.
    for (const char* offset : {"2941", "-5000", "six"}) {
        WriteFile(folder.File("options.ini"), QByteArray("[CDOptions]\nReadOffset=") + offset +
                                                  "\n[AccurateRip]\nServer=  \n");
        LoadSettings();
        EXPECT_EQ(Settings.ReadOffset, 0) << offset;
        EXPECT_EQ(Settings.AccurateRipServer, DefaultAccurateRipServer);
    }
    WriteFile(folder.File("options.ini"), "[CDOptions]\nReadOffset=-2940\n");
    LoadSettings();
    EXPECT_EQ(Settings.ReadOffset, -2940);
}

TEST(SettingsTest, OverridesUseTheSameRules) {
    TTempProgramFolder folder;
    LoadSettings();
    EXPECT_TRUE(ApplySettingOverride("mp3options/bitrate=192"));
    EXPECT_EQ(Settings.BitRate, 192);
    EXPECT_TRUE(ApplySettingOverride("OggOptions/MaxBitRate=3"));
    EXPECT_EQ(Settings.OggMaxBitRate, 3);
    EXPECT_EQ(Settings.MaxBitRate, 320);
    EXPECT_TRUE(ApplySettingOverride("ID3/Use=1"));
    EXPECT_TRUE(Settings.UseID3);
    EXPECT_TRUE(ApplySettingOverride("OggOptions/CompressPosition=5"));
    EXPECT_EQ(Settings.CompressPosition, 30);
    EXPECT_FALSE(ApplySettingOverride("Mp3Options/BitRate=fast"));
    EXPECT_FALSE(ApplySettingOverride("Nope/Key=1"));
    EXPECT_FALSE(ApplySettingOverride("garbage"));
}

TEST(DiscInfoTest, MissingSectionGivesTrackTitlesAndEmptyKeyDoesNothing) {
    TTempProgramFolder folder;
    CurrentDisc.Artist = "old";
    LoadDiscInfo("");
    EXPECT_EQ(CurrentDisc.Artist, "old");
    LoadDiscInfo("12345");
    EXPECT_EQ(CurrentDisc.Artist, "");
    EXPECT_EQ(CurrentDisc.Genre, -1);
    EXPECT_EQ(CurrentDisc.TrackNumber, 100);
    EXPECT_EQ(CurrentDisc.Titles[1], "Track01");
    EXPECT_EQ(CurrentDisc.Titles[99], "Track99");
    EXPECT_EQ(CurrentDisc.Titles[100], "Track100");
    SaveDiscInfo("");
    EXPECT_FALSE(QFile::exists(folder.File("cdinfo.dat")));
}

TEST(DiscInfoTest, RoundTripKeepsOtherDiscsAndHigherTitles) {
    TTempProgramFolder folder;
    WriteFile(folder.File("cdinfo.dat"), "[-7]\nArtist=Other disc\nTrackNumber=1\n1=Keep\n");
    CurrentDisc.Artist = "Artist \"quoted\"";
    CurrentDisc.Album = "Album";
    CurrentDisc.Year = "1999";
    CurrentDisc.Genre = 17;
    CurrentDisc.Comment = QString::fromUtf8("Straße = 1");
    CurrentDisc.TrackNumber = 3;
    CurrentDisc.Titles[1] = "\"Heroes\" ";
    CurrentDisc.Titles[2] = "";
    CurrentDisc.Titles[3] = "Three/3";
    ASSERT_TRUE(SaveDiscInfo("-123456"));
    CurrentDisc.Titles[5] = "untouched";
    CurrentDisc.Titles[2] = "x";
    LoadDiscInfo("-123456");
    EXPECT_EQ(CurrentDisc.Artist, "Artist \"quoted\"");
    EXPECT_EQ(CurrentDisc.Genre, 17);
    EXPECT_EQ(CurrentDisc.Comment, QString::fromUtf8("Straße = 1"));
    EXPECT_EQ(CurrentDisc.TrackNumber, 3);
    EXPECT_EQ(CurrentDisc.Titles[1], "\"Heroes\" ");
    EXPECT_EQ(CurrentDisc.Titles[2], "Track02"); // an empty stored title
    EXPECT_EQ(CurrentDisc.Titles[3], "Three/3");
    EXPECT_EQ(CurrentDisc.Titles[5], "untouched"); // above TrackNumber
    LoadDiscInfo("-7");
    EXPECT_EQ(CurrentDisc.Artist, "Other disc");
    EXPECT_EQ(CurrentDisc.Titles[1], "Keep");

    // A save that cannot be written is reported and keeps the old file.
    const QByteArray before = ReadFile(DiscInfoFilePath());
    SetProgramFolder(folder.Path() + "/missing");
    EXPECT_FALSE(SaveDiscInfo("-7"));
    EXPECT_FALSE(SaveSettings());
    SetProgramFolder(folder.Path());
    EXPECT_EQ(ReadFile(DiscInfoFilePath()), before);
}

TEST(HelpersTest, TextsAndNames) {
    EXPECT_EQ(TwoDigits(0), "00");
    EXPECT_EQ(TwoDigits(9), "09");
    EXPECT_EQ(TwoDigits(10), "10");
    EXPECT_EQ(TwoDigits(123), "123");
    EXPECT_EQ(MinSecText(75), "01:15");
    EXPECT_EQ(MinSecText(6000), "100:00");
    EXPECT_EQ(CleanFileName("a/b:c?d\"e*f<g>h\\i|j"), "abcd\"efghij");
    EXPECT_EQ(CleanFileName(QStringLiteral("a") + QChar(0) + QStringLiteral("b")), "ab");
    EXPECT_EQ(TrackBaseName("My Song", 3), "My Song");
    EXPECT_EQ(TrackBaseName("AC/DC: Live?", 1), "ACDC Live");
    EXPECT_EQ(TrackBaseName("...Baby", 2), "Baby");
    EXPECT_EQ(TrackBaseName("/?.", 7), "Track07");
    EXPECT_EQ(AddTrailingBackslash(""), "");
    EXPECT_EQ(AddTrailingBackslash("/x"), "/x/");
    EXPECT_EQ(AddTrailingBackslash("/x/"), "/x/");
    EXPECT_EQ(GenreNames.size(), 148u);
    EXPECT_EQ(GenreIndexOf("A Cappella"), 0);
    EXPECT_EQ(GenreIndexOf("Vocal"), 147);
    EXPECT_EQ(GenreIndexOf("Blues"), 17);
    EXPECT_EQ(GenreIndexOf("blues"), -1);
    QStringList names;
    for (const char* n : GenreNames)
        names << n;
    EXPECT_EQ(names.removeDuplicates(), 0);
    Settings.OutputFormat = 3;
    EXPECT_EQ(OutputFormatName(), "WMA");
    Settings.OutputFormat = 4;
    EXPECT_EQ(OutputFormatName(), "FLAC");
    Settings.OutputFormat = 5;
    EXPECT_EQ(OutputFormatName(), "");
    Settings.OutputFormat = 0;
}

TEST(HelpersTest, TrackEntryTexts) {
    EXPECT_EQ(TrackSizeText(4, 5), "41.22");
    EXPECT_EQ(TrackSizeText(0, 30), "05.05");
    int m = 0, s = 0;
    TrackLengthFromToc(2, 58, 5, 3, m, s); // 02:58:40 -> 05:03:10
    EXPECT_EQ(TrackLengthText(m, s), "02:05");
    EXPECT_EQ(TrackSizeText(m, s), "21.03");
    EXPECT_EQ(TrackSizeText(74, 0), "746.93");
}

TEST(HelpersTest, FilesInUseAndSizes) {
    TTempProgramFolder folder;
    const QString path = folder.File("in use.wav");
    EXPECT_FALSE(IsFileInUse(path));
    EXPECT_EQ(FileSizeOf(path), -1);
    WriteFile(path, QByteArray(1000, 'x'));
    EXPECT_EQ(FileSizeOf(path), 1000);
    EXPECT_EQ(FileSizeOf(folder.Path()), -1); // a folder is not a file
    EXPECT_FALSE(IsFileInUse(path));

    QProcess holder;
    holder.start("bash", {"-c", "exec 3<\"$1\"; echo ready; sleep 30", "holder", path});
    ASSERT_TRUE(holder.waitForReadyRead(5000));
    EXPECT_TRUE(IsFileInUse(path));
    holder.kill();
    holder.waitForFinished();
    EXPECT_FALSE(IsFileInUse(path));

    if (geteuid() != 0) { // root may open anything
        chmod(QFile::encodeName(path).constData(), 0444);
        EXPECT_TRUE(IsFileInUse(path));
    }
}

TEST(HelpersTest, WaitMillisecondsWaitsAtLeastTheTime) {
    // Nothing to wait for: these return at once (how fast is a matter for a benchmark).
    WaitMilliseconds(0);
    WaitMilliseconds(-5);
    QElapsedTimer t;
    t.start();
    WaitMilliseconds(30);
    EXPECT_GE(t.elapsed(), 30);
}

class TCollector : public QObject {
public:
    TPostGuard Guard{this};
    QList<TProcessInfo> Infos;
    QList<int> Errors;
    bool event(QEvent* e) override {
        if (e->type() == JobInfoEventType) {
            Infos << *static_cast<TJobInfoEvent*>(e)->Info;
            return true;
        }
        if (e->type() == JobErrorEventType) {
            Errors << static_cast<TJobErrorEvent*>(e)->Code;
            return true;
        }
        return QObject::event(e);
    }
};

TEST(JobEventsTest, GuardedPostsArriveUntilTheReceiverDetaches) {
    EXPECT_EQ(int(JobInfoEventType), QEvent::User + 102);
    EXPECT_EQ(WM_JOB_INFO, 1126);
    EXPECT_EQ(WM_JOB_ERROR, 1125);
    TCollector window;
    const TGuardedReceiver inbox = window.Guard.Handle();
    std::unique_ptr<QThread> worker(QThread::create([&] {
        inbox.PostJobInfo(ProgressInfo(42, "00:01", "00:03"));
        inbox.Post(new TJobErrorEvent(2));
    }));
    worker->start();
    ASSERT_TRUE(WaitUntil([&] { return worker->isFinished(); }));
    QCoreApplication::processEvents();
    ASSERT_EQ(window.Infos.size(), 1);
    EXPECT_EQ(window.Infos[0].Code, 42);
    EXPECT_EQ(window.Infos[0].Estimated, "00:03");
    EXPECT_EQ(window.Errors, QList<int>{2});
    // Sending is a direct call on the receiver's thread.
    SendJobInfo(&window, ProgressInfo(5000, "ERROR: x"));
    ASSERT_EQ(window.Infos.size(), 2);
    EXPECT_EQ(window.Infos[1].Elapsed, "ERROR: x");
    // A detached receiver gets nothing more, through any handle.
    window.Guard.Detach();
    EXPECT_FALSE(inbox.PostJobInfo(ProgressInfo(7)));
    EXPECT_FALSE(inbox);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.Infos.size(), 2);
}

} // namespace
