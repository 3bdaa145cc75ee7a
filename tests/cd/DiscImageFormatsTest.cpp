// Disc images as people keep them, opened by the drive library: cdrdao .toc files (checked
// against cdrdao's own reading of them, `cdrdao show-toc`, and against the cue sheet `toc2cue`
// makes of them), and cue sheets with a file per track (WAV files with the pregaps in either
// file or left out, FLAC files, one .bin per track), read against the single .bin of the same
// disc.
#include "audio/WavTestUtil.h"
#include "audio/WaveOut.h"
#include "cd/CDIn.h"
#include "cd/CdText.h"
#include "cd/DiscKey.h"
#include "cd/akrip32.h"

#include "core/Settings.h"
#include "fixtures/DiscImage.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

constexpr int SectorBytes = 2352;

int OpenImage(const QString& path) {
    Settings.Images = path;
    TCDOpenRequest request;
    request.Adapter = 1;
    return GetCDHandle(&request);
}

// Track starts and the lead-out as block addresses.
std::vector<int> TocBlocks(int handle) {
    TCDToc toc{};
    if (ModifyCDParms(handle, CDP_MSF, 1) != 1 || ReadTOC(handle, &toc) != 1)
        return {};
    std::vector<int> blocks;
    for (int i = 0; i <= toc.LastTrack - toc.FirstTrack + 1; ++i)
        blocks.push_back(TocAddressSectors(toc.Tracks[i]) - 150);
    return blocks;
}

QString DiscId(int handle) {
    TDisc disc;
    return ReadDisc(handle, disc) ? disc.CddbDiscId() : QString();
}

// Sectors [from, to) read in runs of ten, as the extraction thread reads them.
QByteArray ReadRange(int handle, int32_t from, int32_t to) {
    QByteArray audio;
    for (int32_t at = from; at < to; at += MaxSectorsPerRead) {
        const uint32_t n = uint32_t(std::min<int32_t>(MaxSectorsPerRead, to - at));
        TCDReadBufferPtr b = NewCDReadBuffer(uint32_t(at), n);
        if (ReadCDAudioLBA(handle, b.get()) != 1)
            return audio + "<read failed at " + QByteArray::number(at) + ": " + CDLastError().toUtf8() + '>';
        audio += QByteArray(reinterpret_cast<const char*>(b->Data() + b->DataOffset), int(b->BytesReturned));
    }
    return audio;
}

// The same sectors read backwards in runs of seven, so that every read of a compressed file
// must seek.
QByteArray ReadBackwards(int handle, int32_t from, int32_t to) {
    QByteArray audio;
    for (int32_t end = to; end > from; end -= 7) {
        const int32_t at = std::max(from, end - 7);
        TCDReadBufferPtr b = NewCDReadBuffer(uint32_t(at), uint32_t(end - at));
        if (ReadCDAudioLBA(handle, b.get()) != 1)
            return "<read failed at " + QByteArray::number(at) + ": " + CDLastError().toUtf8() + '>';
        audio.prepend(QByteArray(reinterpret_cast<const char*>(b->Data() + b->DataOffset), int(b->BytesReturned)));
    }
    return audio;
}

// What a drive reports of a disc: starts, lead-out and disc id, and the audio from `audioFrom`
// on (a data track runs to the next track's start, as a drive's TOC has it, and is not read).
struct TDiscSeen {
    std::vector<int> Blocks;
    QString Id;
    QByteArray Audio;
};

TDiscSeen SeeDisc(const QString& image, int32_t audioFrom = 0) {
    TDiscSeen seen;
    const int h = OpenImage(image);
    if (!h) {
        seen.Id = CDLastError();
        return seen;
    }
    seen.Blocks = TocBlocks(h);
    seen.Id = DiscId(h);
    if (!seen.Blocks.empty())
        seen.Audio = ReadRange(h, audioFrom, seen.Blocks.back());
    CloseCDHandle(h);
    return seen;
}

// cdrdao and toc2cue look for the files a .toc names in the current folder.
TRunResult RunBesideToc(const QString& tool, const QString& toc, const QStringList& args) {
    return RunProgram(QStringLiteral("/bin/sh"),
                      QStringList{"-c", "cd \"$(dirname \"$1\")\" && shift && exec \"$@\"", "sh", toc, FindTool(tool)} +
                          args);
}

// cdrdao's own reading of a .toc file: each track's start and the end of the last.
std::vector<int> ShowToc(const QString& toc) {
    const TRunResult r = RunBesideToc(QStringLiteral("cdrdao"), toc, {"show-toc", toc});
    std::vector<int> blocks;
    static const QRegularExpression line(QStringLiteral("^\\s*(START|END)\\*?\\s+\\S+\\(\\s*(\\d+)\\)"));
    int end = -1;
    for (const QString& l : QString::fromUtf8(r.Out + r.Err).split('\n')) {
        const QRegularExpressionMatch m = line.match(l);
        if (!m.hasMatch())
            continue;
        if (m.captured(1) == QLatin1String("START"))
            blocks.push_back(m.captured(2).toInt());
        else
            end = m.captured(2).toInt();
    }
    if (end >= 0)
        blocks.push_back(end);
    return blocks;
}

// Where two byte strings first differ, for a failure's message.
std::string Difference(const QByteArray& a, const QByteArray& b) {
    qsizetype i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    if (i == a.size() && i == b.size())
        return "equal";
    return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size()) + ", first difference at sector " +
           std::to_string(i / SectorBytes) + " byte " + std::to_string(i % SectorBytes);
}

QByteArray Silence(int32_t sectors) {
    return QByteArray(qsizetype(sectors) * SectorBytes, 0);
}

class DiscImageFormatsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"cdrdao", "toc2cue", "flac"})
            if (FindTool(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << tool << " is not installed (scripts/deps installs it)";
    }
    QString File(const QString& name) const { return Folder.File(name); }

    TTempProgramFolder Folder;
};

// Four audio tracks with pregaps of their own audio before tracks 1 (hidden before the first
// track), 2 and 3.
std::vector<TImageTrack> TracksWithGaps() {
    return {{1234, false, false, 40}, {2300, false, false, 150}, {750, false, false, 32}, {613}};
}

} // namespace

TEST_F(DiscImageFormatsTest, TocFilesAsCdrdaoWritesThemGiveTheTracksOfTheirCueSheet) {
    // The disc's audio as cdrdao read-toc keeps it (data.wav) and as read-cd keeps it, with a
    // data track first, in one big-endian image.bin.
    const TDiscImage audio =
        MakeDiscImage(Folder.Path(), "audio", {{1234}, {2300, false, false, 150}, {750, false, false, 32}, {613}});
    ASSERT_TRUE(WriteFile(File("data.wav"), MakeWav(audio.DiscAudio(), 2, 44100, 16)));
    TDiscImageOptions bigEndian;
    bigEndian.BigEndian = true;
    const TDiscImage image =
        MakeDiscImage(Folder.Path(), "image", {{300, true}, {1234}, {2300, false, false, 150}}, bigEndian);
    const QString flags = QStringLiteral("NO COPY\nNO PRE_EMPHASIS\nTWO_CHANNEL_AUDIO\n");

    // cdrdao read-toc: CATALOG, CD-TEXT with a language map, SIZE_INFO and two languages,
    // silence before the first track (its pregap), START, INDEX, ISRC, a FILE to the end.
    const QString readToc =
        QStringLiteral("CD_DA\n\nCATALOG \"0123456789012\"\n\n"
                       "CD_TEXT {\n  LANGUAGE_MAP {\n    0 : EN\n    1 : 7\n  }\n\n"
                       "  LANGUAGE 0 {\n    TITLE \"Caf\\351 Album\"\n    PERFORMER \"The \\\"Band\\\"\"\n"
                       "    SIZE_INFO { 0, 1, 3, 0, 4, 0, 0, 0, 0, 0, 0, 0,\n"
                       "                3, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0}\n  }\n"
                       "  LANGUAGE 1 {\n    TITLE \"Album auf Deutsch\"\n  }\n}\n\n"
                       "// Track 1\nTRACK AUDIO\n%1ISRC \"USABC9900001\"\n"
                       "CD_TEXT {\n  LANGUAGE 0 {\n    TITLE \"One\"\n    PERFORMER \"The Band\"\n"
                       "    SONGWRITER \"Someone\"\n  }\n}\n"
                       "SILENCE 00:00:32\nFILE \"data.wav\" 0 %2\nSTART 00:00:32\n\n"
                       "// Track 2\nTRACK AUDIO\n%1FILE \"data.wav\" %2 %3\nSTART 00:02:00\nINDEX 00:10:00\n\n"
                       "// Track 3\nTRACK AUDIO\nCOPY\nPRE_EMPHASIS\nTWO_CHANNEL_AUDIO\nFILE \"data.wav\" %4 %5\n"
                       "START 00:00:32\n\n"
                       "// Track 4\nTRACK AUDIO\n%1FILE \"data.wav\" %6\n")
            .arg(flags, CueTime(1234), CueTime(2450), CueTime(3684), CueTime(782), CueTime(4466));
    // cdrdao read-cd: a data track of a given length, audio after it at a byte offset (with
    // the two seconds of pregap a data track leaves).
    const QString readCd =
        QStringLiteral("CD_ROM\n\n// Track 1\nTRACK MODE1_RAW\nNO COPY\n"
                       "DATAFILE \"image.bin\" 00:04:00 // length in bytes: 705600\n\n"
                       "// Track 2\nTRACK AUDIO\n%1PREGAP 00:02:00\nFILE \"image.bin\" #705600 0 %2\n\n"
                       "// Track 3\nTRACK AUDIO\n%1AUDIOFILE \"image.bin\" #705600 %2 %3\nSTART 00:02:00\n")
            .arg(flags, CueTime(1234), CueTime(2450));
    ASSERT_TRUE(WriteFile(File("readtoc.toc"), readToc.toUtf8()));
    ASSERT_TRUE(WriteFile(File("readcd.toc"), readCd.toUtf8()));

    const struct {
        QString Toc;
        std::vector<int> Blocks; // as cdrdao places the tracks
        int32_t AudioFrom;
        QByteArray Audio;
    } cases[] = {
        {File("readtoc.toc"), {32, 1416, 3748, 4498, 5111}, 0, Silence(32) + audio.DiscAudio()},
        {File("readcd.toc"), {0, 450, 1834, 4134}, 450, image.DiscAudio().mid(300 * SectorBytes)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Toc.toStdString());
        ASSERT_EQ(ShowToc(c.Toc), c.Blocks);
        const TDiscSeen toc = SeeDisc(c.Toc, c.AudioFrom);
        EXPECT_EQ(toc.Blocks, c.Blocks) << toc.Id.toStdString();
        EXPECT_TRUE(toc.Audio == c.Audio) << Difference(toc.Audio, c.Audio);
        // The cue sheet toc2cue writes for it, its big-endian image said to be MOTOROLA.
        const QString cue = QString(c.Toc).replace(".toc", ".cue");
        ASSERT_EQ(RunBesideToc(QStringLiteral("toc2cue"), c.Toc, {c.Toc, cue}).ExitCode, 0);
        WriteFile(cue, ReadFile(cue).replace("\"image.bin\" BINARY", "\"image.bin\" MOTOROLA"));
        const TDiscSeen sheet = SeeDisc(cue, c.AudioFrom);
        EXPECT_EQ(sheet.Blocks, toc.Blocks) << sheet.Id.toStdString();
        EXPECT_EQ(sheet.Id, toc.Id);
        EXPECT_TRUE(sheet.Audio == toc.Audio) << Difference(sheet.Audio, toc.Audio);
    }

    // The flags of the tracks and the CD-TEXT in its first language.
    const int h = OpenImage(File("readtoc.toc"));
    ASSERT_GT(h, 0) << CDLastError().toStdString();
    TCDToc toc{};
    ASSERT_EQ(ReadTOC(h, &toc), 1);
    EXPECT_EQ(toc.Tracks[0].AdrControl & 0x0F, 0);
    EXPECT_EQ(toc.Tracks[2].AdrControl & 0x0F, 0x03); // copy permitted, pre-emphasis
    TCdText text;
    ASSERT_TRUE(ReadCdText(h, text));
    EXPECT_EQ(text.Disc.Title, QStringLiteral("Caf\u00e9 Album"));
    EXPECT_EQ(text.Disc.Performer, QStringLiteral("The \"Band\""));
    EXPECT_EQ(text.Tracks[1].Title, QStringLiteral("One"));
    EXPECT_EQ(text.Tracks[1].Songwriter, QStringLiteral("Someone"));
    EXPECT_EQ(text.Tracks.count(2), 0u);
    CloseCDHandle(h);
    const int other = OpenImage(File("readcd.toc"));
    ASSERT_GT(other, 0);
    EXPECT_FALSE(ReadCdText(other, text));
    CloseCDHandle(other);
}

TEST_F(DiscImageFormatsTest, TocStatementsToc2cueCannotConvertReadAsCdrdaoReadsThem) {
    // A data track that starts after ZERO pregap and takes its whole file (2048-byte sectors),
    // then little-endian audio (SWAP) split at a sample inside a sector: each track ends on a
    // whole sector filled with silence, as cdrdao writes it.
    const TDiscImage iso = MakeDiscImage(Folder.Path(), "iso", {{40, true, true}});
    const TDiscImage little = MakeDiscImage(Folder.Path(), "little", StandardTracks());
    const int64_t split = 1234 * 588 + 100; // samples
    WriteFile(File("mixed.toc"),
              QStringLiteral("CD_ROM\nTRACK MODE1\nZERO MODE1 00:02:00\nSTART\nDATAFILE \"iso.bin\"\n"
                             "TRACK AUDIO\nFOUR_CHANNEL_AUDIO\nPREGAP 00:02:00\n"
                             "AUDIOFILE \"little.bin\" SWAP 0 %1\n"
                             "TRACK AUDIO\nAUDIOFILE \"little.bin\" SWAP %1\nINDEX 00:01:00\n")
                  .arg(split)
                  .toUtf8());
    const std::vector<int> blocks{150, 340, 1575, 5238};
    ASSERT_EQ(ShowToc(File("mixed.toc")), blocks);
    const TDiscSeen seen = SeeDisc(File("mixed.toc"), 340);
    EXPECT_EQ(seen.Blocks, blocks) << seen.Id.toStdString();
    const QByteArray pcm = little.DiscAudio();
    const QByteArray expected = pcm.left(split * 4) + QByteArray(1235 * SectorBytes - split * 4, 0) +
                                pcm.mid(split * 4) + QByteArray(3663 * SectorBytes - (pcm.size() - split * 4), 0);
    EXPECT_TRUE(seen.Audio == expected) << Difference(seen.Audio, expected);
    const int h = OpenImage(File("mixed.toc"));
    TCDToc toc{};
    ASSERT_EQ(ReadTOC(h, &toc), 1);
    EXPECT_EQ(toc.Tracks[0].AdrControl & TocDataTrackFlag, TocDataTrackFlag);
    EXPECT_EQ(toc.Tracks[1].AdrControl & 0x08, 0x08); // four channels
    // Sectors read in the middle of a sector's worth of samples, and backwards.
    EXPECT_TRUE(ReadBackwards(h, 1570, 1590) == expected.mid((1570 - 340) * SectorBytes, 20 * SectorBytes));
    CloseCDHandle(h);
}

TEST_F(DiscImageFormatsTest, BrokenTocFilesAreRefusedNamingTheLineOrTrack) {
    MakeDiscImage(Folder.Path(), "disc", {{100}});
    const struct {
        const char* Toc;
        const char* Expected;
    } cases[] = {
        {"CD_DA\nTRACK AUDIO\nFILE \"gone.bin\" 0\n", "line 3: the file it names, gone.bin, does not exist"},
        {"CD_DA\nTRACK AUDIO\nFILE \"disc.bin\" 0 00:02:00\n",
         "disc.bin holds 235200 bytes; 352800 bytes from byte 0 on lie past its end"},
        {"CD_DA\nTRACK AUDIO\nFILE \"disc.bin\" 0\nSTART 00:02:00\n", "track 1: its START (00:02:00) is not before"},
        {"CD_DA\nTRACK AUDIO\nFILE \"disc.bin\" 0 00:61:00\n", "line 3: 00:61:00 is not a position"},
        {"CD_DA\nTRACK VIDEO\n", "line 2: track 1 has an unknown mode VIDEO"},
        {"CD_DA\nTRACK AUDIO\nFILE \"disc.bin\" 0\nBOGUS 1\n", "line 4: unknown statement BOGUS in track 1"},
        {"CD_DA\nCD_TEXT { LANGUAGE 0 { TITLE } }\nTRACK AUDIO\n", "line 2: the CD-TEXT item TITLE needs"},
        {"CD_DA\nTRACK AUDIO\nFILE \"disc.bin 0\n", "line 3: a string without its closing quote"},
        {"CD_DA\n", "the file has no TRACK"},
        {"CD_DA\nTRACK AUDIO\nSTART\n", "track 1 has no data"},
        {"CD_DA\nTRACK AUDIO\nFILE \"disc.wav\" 0\n", "disc.wav is not a WAV file"},
    };
    QFile::copy(File("disc.bin"), File("disc.wav"));
    for (const auto& c : cases) {
        WriteFile(File("bad.toc"), c.Toc);
        EXPECT_EQ(OpenImage(File("bad.toc")), 0) << c.Toc;
        EXPECT_TRUE(CDLastError().contains(c.Expected)) << CDLastError().toStdString();
        EXPECT_EQ(CheckCDImage(File("bad.toc")), CDLastError());
    }
}

TEST_F(DiscImageFormatsTest, TrackFilesReadBitExactlyAsTheSingleBin) {
    const TDiscImage single = MakeDiscImage(Folder.Path(), "single", TracksWithGaps());
    const TDiscSeen source = SeeDisc(single.CuePath);
    ASSERT_EQ(source.Blocks, (std::vector<int>{40, 1424, 3756, 4506, 5119}));
    ASSERT_TRUE(source.Audio == single.DiscAudio());
    // Left out, the pregaps are silence of their length.
    QByteArray silentGaps;
    for (size_t i = 0; i < single.TrackData.size(); ++i)
        silentGaps += QByteArray(single.GapData[i].size(), 0) + single.TrackData[i];

    const QString previous = WriteTrackFiles(single, Folder.Path(), "previous", TGapFiles::InPreviousFile);
    const QString own = WriteTrackFiles(single, Folder.Path(), "own", TGapFiles::InOwnFile);
    const QString leftOut = WriteTrackFiles(single, Folder.Path(), "leftout", TGapFiles::LeftOut);
    // FLAC files made by the flac tool with different block sizes and without a seek table,
    // named WAVE (as rippers write it) or FLAC.
    const QStringList flacOptions[] = {{"-5"}, {"-8", "--blocksize=1152"}, {"--no-seektable"}, {"-0"}};
    QByteArray flacCue = ReadFile(previous).replace("previous-", "flac-");
    for (int n = 1; n <= 4; ++n) {
        const QString wav = File(QStringLiteral("previous-%1.wav").arg(n, 2, 10, QChar('0')));
        const QString flac = File(QStringLiteral("flac-%1.flac").arg(n, 2, 10, QChar('0')));
        ASSERT_EQ(RunProgram(FindTool("flac"), QStringList{"-s", "-f", "-o", flac, wav} + flacOptions[n - 1]).ExitCode,
                  0);
        flacCue.replace(
            QStringLiteral("flac-%1.wav\" WAVE").arg(n, 2, 10, QChar('0')).toUtf8(),
            QStringLiteral("flac-%1.flac\" %2").arg(n, 2, 10, QChar('0')).arg(n % 2 ? "WAVE" : "FLAC").toUtf8());
    }
    WriteFile(File("flac.cue"), flacCue);
    // redump's layout: a .bin of raw sectors per track, each with its own pregap.
    QByteArray binCue = ReadFile(own);
    for (int n = 1; n <= 4; ++n) {
        const QString name = QStringLiteral("own-%1").arg(n, 2, 10, QChar('0'));
        WriteFile(File(name + " (Track).bin"), ReadFile(File(name + ".wav")).mid(44));
        binCue.replace((name + ".wav\" WAVE").toUtf8(), (name + " (Track).bin\" BINARY").toUtf8());
    }
    WriteFile(File("bins.cue"), binCue);

    const struct {
        QString Cue;
        QByteArray Audio;
    } cases[] = {
        {previous, single.DiscAudio()},
        {own, single.DiscAudio()},
        {leftOut, silentGaps},
        {File("flac.cue"), single.DiscAudio()},
        {File("bins.cue"), single.DiscAudio()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Cue.toStdString());
        const TDiscSeen seen = SeeDisc(c.Cue);
        EXPECT_EQ(seen.Blocks, source.Blocks) << seen.Id.toStdString();
        EXPECT_EQ(seen.Id, source.Id);
        EXPECT_TRUE(seen.Audio == c.Audio) << Difference(seen.Audio, c.Audio);
        // A secure rip's reads: anywhere, in short runs, going back.
        const int h = OpenImage(c.Cue);
        EXPECT_TRUE(ReadBackwards(h, 1400, 1460) == c.Audio.mid(1400 * SectorBytes, 60 * SectorBytes));
        CloseCDHandle(h);
    }

    // The CD input with jitter correction (libcdio-paranoia) over the FLAC files: its reads
    // overlap and go back, across the end of a file.
    Settings.Images = File("flac.cue");
    TCDIn cdIn;
    cdIn.SetDriveIndex(cdIn.DriveCount() - 1);
    cdIn.EnableJitterCorrection = true;
    cdIn.SetFirstTrack(1);
    cdIn.SetLastTrack(2);
    TWaveOut out;
    out.SetFileName(File("paranoia.wav"));
    out.SetInput(&cdIn);
    QString error;
    ASSERT_TRUE(RunSink(out, &error) && error.isEmpty()) << error.toStdString();
    EXPECT_TRUE(ReadFile(File("paranoia.wav")).mid(44) == single.DiscAudio().mid(40 * SectorBytes, 3716 * SectorBytes));
}

TEST_F(DiscImageFormatsTest, FlacFilesWithoutCdAudioAreRefusedByName) {
    const QByteArray pcm = MakePcm16(44100, 2, 3);
    const struct {
        QByteArray Wav;
        const char* Expected;
    } cases[] = {
        {MakeWav(MakePcm16(48000, 2, 3, 48000), 2, 48000, 16), "other.flac holds 48000 Hz, 16-bit, 2-channel audio"},
        {MakeWav(pcm.left(pcm.size() / 2), 1, 44100, 16), "other.flac holds 44100 Hz, 16-bit, 1-channel audio"},
        {MakeWav(pcm.left(pcm.size() / 4 * 3), 2, 44100, 24), "other.flac holds 44100 Hz, 24-bit, 2-channel audio"},
    };
    WriteFile(File("other.cue"), "FILE \"other.flac\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n");
    for (const auto& c : cases) {
        WriteFile(File("other.wav"), c.Wav);
        ASSERT_EQ(RunProgram(FindTool("flac"), {"-s", "-f", "-o", File("other.flac"), File("other.wav")}).ExitCode, 0);
        EXPECT_EQ(OpenImage(File("other.cue")), 0);
        EXPECT_TRUE(CDLastError().contains(c.Expected)) << CDLastError().toStdString();
    }
    // A damaged FLAC file is refused when it is opened or read, never read as noise.
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "disc", {{300}});
    WriteFile(File("disc.wav"), MakeWav(disc.TrackData[0], 2, 44100, 16));
    ASSERT_EQ(RunProgram(FindTool("flac"), {"-s", "-f", "-o", File("disc.flac"), File("disc.wav")}).ExitCode, 0);
    QByteArray flac = ReadFile(File("disc.flac"));
    for (qsizetype i = flac.size() / 2; i < flac.size() / 2 + 64; ++i)
        flac[i] = char(flac[i] ^ 0x5A);
    WriteFile(File("disc.flac"), flac);
    WriteFile(File("damaged.cue"), "FILE \"disc.flac\" FLAC\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n");
    const int h = OpenImage(File("damaged.cue"));
    ASSERT_GT(h, 0) << CDLastError().toStdString();
    const QByteArray read = ReadRange(h, 0, 300);
    EXPECT_TRUE(read.contains("<read failed at")) << read.right(200).constData();
    EXPECT_TRUE(CDLastError().contains("disc.flac: cannot decode the audio at")) << CDLastError().toStdString();
    CloseCDHandle(h);
}
