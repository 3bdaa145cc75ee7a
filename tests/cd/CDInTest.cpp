// The CD input component and its CR_* layer on disc images: rips into the WAV writer equal
// the source byte for byte with and without jitter correction, data tracks are refused before
// any read, the range and busy checks, and the drive and TOC service.
#include "cd/CDIn.h"

#include "audio/AuException.h"
#include "audio/WavTestUtil.h"
#include "audio/WaveHeader.h"
#include "audio/WaveOut.h"
#include "cd/cdrip.h"
#include "core/Settings.h"
#include "fixtures/DiscImage.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cdio/paranoia/paranoia.h>

// Readable failure output for texts.
static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

constexpr int SectorBytes = 2352;

class CDInTest : public ::testing::Test {
protected:
    // Makes `images` the image drives; returns the drive index of the first (after any
    // physical drives of the machine).
    int UseImages(const QStringList& images) {
        Settings.Images = images.join('|');
        return CDIn.DriveCount() - int(images.size());
    }
    // Rips tracks first..last through a TWaveOut; returns the run's error ("" on success).
    QString Rip(int first, int last, const QString& file) {
        CDIn.SetFirstTrack(first);
        CDIn.SetLastTrack(last);
        TWaveOut out;
        out.SetFileName(file);
        out.SetInput(&CDIn);
        QString error;
        EXPECT_TRUE(RunSink(out, &error));
        return error;
    }
    // The message BeginReading refuses with ("" when it starts; the run is then ended).
    QString BeginError() {
        try {
            CDIn.BeginReading();
        } catch (const EAuException& e) {
            return e.Message();
        }
        CDIn.EndReading();
        return QString();
    }
    QString File(const QString& name) const { return Folder.File(name); }

    TTempProgramFolder Folder;
    TCDIn CDIn;
};

// Checks a ripped WAV file against the PCM it must hold.
void ExpectWav(const QString& file, const QByteArray& pcm) {
    const QByteArray wav = ReadFile(file);
    ASSERT_EQ(wav.size(), 44 + pcm.size()) << file.toStdString();
    EXPECT_EQ(wav.left(44), CdWavHeader(uint32_t(pcm.size())));
    EXPECT_TRUE(wav.mid(44) == pcm) << file.toStdString();
}

} // namespace

// Odd lengths (one sector, not a multiple of the 75-sector chunk, the last track to the
// lead-out), single tracks and a run over several, in both reading modes. Jitter correction
// on a perfect image changes no byte and counts no error.
TEST_F(CDInTest, RipsEqualTheSourceInBothModes) {
    const TDiscImage disc =
        MakeDiscImage(Folder.Path(), "disc", {{1234, false}, {2300, false}, {1, false}, {751, false}, {613, false}});
    CDIn.SetDriveIndex(UseImages({disc.CuePath}));
    for (const bool jitter : {false, true}) {
        SCOPED_TRACE(jitter ? "jitter correction" : "plain reads");
        CDIn.EnableJitterCorrection = jitter;
        for (int t = 1; t <= 5; ++t) {
            SCOPED_TRACE(t);
            const QString file = File(QStringLiteral("t%1.wav").arg(t));
            ASSERT_EQ(Rip(t, t, file), "");
            ExpectWav(file, disc.TrackData[size_t(t - 1)]);
            EXPECT_EQ(CDIn.JitterErrors, 0);
        }
        ASSERT_EQ(Rip(2, 5, File("run.wav")), "");
        ExpectWav(File("run.wav"), disc.TrackData[1] + disc.TrackData[2] + disc.TrackData[3] + disc.TrackData[4]);
        // The run used the mode asked for.
        EXPECT_EQ(CRLastRipperFlags(), jitter ? PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP : 0);
    }
    // Secure reading turns jitter correction on for the component's runs, and for them only:
    // the drive name does not make it stick once it is off again.
    CDIn.EnableJitterCorrection = false;
    CDIn.SecureReading = true;
    ASSERT_EQ(Rip(4, 4, File("secure.wav")), "");
    ExpectWav(File("secure.wav"), disc.TrackData[3]);
    EXPECT_EQ(CRLastRipperFlags(), PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    // A refused run does not leave it on in the drive either.
    CDIn.SetFirstTrack(9);
    CDIn.SetLastTrack(9);
    EXPECT_EQ(BeginError(), "The start track out of range");
    CDIn.SecureReading = false;
    CDIn.DriveName();
    EXPECT_FALSE(CDIn.EnableJitterCorrection);
    ASSERT_EQ(Rip(4, 4, File("plain.wav")), "");
    EXPECT_EQ(CRLastRipperFlags(), 0);
}

// Big-endian images and a disc whose first track has a pregap: the audio comes out as the
// extraction thread reads it, little-endian and from INDEX 01 on.
TEST_F(CDInTest, BigEndianAndPregapImages) {
    TDiscImageOptions motorola;
    motorola.BigEndian = true;
    motorola.Seed = 7;
    const TDiscImage big = MakeDiscImage(Folder.Path(), "big", {{300, false}, {451, false}}, motorola);
    TDiscImageOptions pregap;
    pregap.LeadingSectors = 150;
    const TDiscImage gap = MakeDiscImage(Folder.Path(), "gap", {{200, false}, {99, false}}, pregap);
    const int first = UseImages({big.CuePath, gap.CuePath});
    for (const bool jitter : {false, true}) {
        SCOPED_TRACE(jitter ? "jitter correction" : "plain reads");
        CDIn.EnableJitterCorrection = jitter;
        CDIn.SetDriveIndex(first);
        for (int t = 1; t <= 2; ++t) {
            ASSERT_EQ(Rip(t, t, File("big.wav")), "");
            ExpectWav(File("big.wav"), big.TrackData[size_t(t - 1)]);
        }
        CDIn.SetDriveIndex(first + 1);
        ASSERT_EQ(Rip(1, 2, File("gap.wav")), "");
        ExpectWav(File("gap.wav"), gap.TrackData[0] + gap.TrackData[1]);
    }
}

// A data track is refused before anything is read (paranoia would spin on it for ever), also
// inside a range of several tracks; the audio around it rips normally.
TEST_F(CDInTest, DataTracksAreRefusedAndNeverRead) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "mixed", {{300, false}, {200, true}, {400, false}});
    CDIn.SetDriveIndex(UseImages({disc.CuePath}));
    EXPECT_EQ(DecodeTrackLength(CDIn.TrackLength(2)).Data, true);
    for (const bool jitter : {false, true}) {
        SCOPED_TRACE(jitter ? "jitter correction" : "plain reads");
        CDIn.EnableJitterCorrection = jitter;
        EXPECT_EQ(Rip(2, 2, File("data.wav")), "Trying to rip a data track");
        EXPECT_EQ(Rip(1, 3, File("across.wav")), "Trying to rip a data track");
        EXPECT_FALSE(CDIn.Busy);
        ASSERT_EQ(Rip(3, 3, File("after.wav")), "");
        ExpectWav(File("after.wav"), disc.TrackData[2]);
        ASSERT_EQ(Rip(1, 1, File("before.wav")), "");
        ExpectWav(File("before.wav"), disc.TrackData[0]);
    }
    // The layer itself never opens a ripper on data sectors.
    ASSERT_EQ(CR_SetActiveCDROM(CDIn.DriveIndex()), crOk);
    int32_t size = TCDIn::ChunkBytes;
    EXPECT_EQ(CR_OpenRipper(size, 300, 500), crError);
    EXPECT_EQ(CR_OpenRipper(size, 299, 301), crError);
    EXPECT_EQ(CR_OpenRipper(size, 499, 900), crError);
    int32_t bytes = -1;
    EXPECT_EQ(CR_RipChunk(nullptr, bytes, false), crError);
    EXPECT_EQ(bytes, 0);
    // Nor beyond the lead-out or on an empty range.
    EXPECT_EQ(CR_OpenRipper(size, 500, 901), crError);
    EXPECT_EQ(CR_OpenRipper(size, 10, 10), crError);
}

// Sectors the drive cannot return end the run with the read error in both modes, quickly
// and without audio made up for them (here the image's file shrinks under the running rip;
// before a run, the drive would take the shorter file for a new disc).
TEST_F(CDInTest, UnreadableSectorsEndTheRun) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "disc", {{300, false}, {400, false}});
    const QByteArray whole = ReadFile(disc.BinPath);
    CDIn.SetDriveIndex(UseImages({disc.CuePath}));
    ASSERT_EQ(CDIn.TrackCount(), 2);
    for (const bool jitter : {false, true}) {
        SCOPED_TRACE(jitter ? "jitter correction" : "plain reads");
        CDIn.EnableJitterCorrection = jitter;
        CDIn.SetFirstTrack(2);
        CDIn.SetLastTrack(2);
        CDIn.BeginReading();
        ASSERT_TRUE(QFile::resize(disc.BinPath, qint64(450) * SectorBytes));
        QString error;
        try {
            for (;;) {
                uint8_t* buffer = nullptr;
                uint32_t bytes = 1 << 16;
                CDIn.Read(buffer, bytes);
                if (bytes == 0)
                    break;
            }
        } catch (const EAuException& e) {
            error = e.Message();
        }
        CDIn.EndReading();
        EXPECT_EQ(error, "Error while reading CD information!");
        EXPECT_FALSE(CDIn.Busy);
        ASSERT_TRUE(WriteFile(disc.BinPath, whole));
        ASSERT_EQ(Rip(1, 1, File("whole.wav")), "");
        ExpectWav(File("whole.wav"), disc.TrackData[0]);
    }
    // Shrunk between runs: the next run reads the shorter disc.
    ASSERT_TRUE(QFile::resize(disc.BinPath, qint64(450) * SectorBytes));
    ASSERT_EQ(Rip(2, 2, File("short.wav")), "");
    ExpectWav(File("short.wav"), disc.TrackData[1].left(150 * SectorBytes));
}

TEST_F(CDInTest, StartAndEndTrackChecks) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "disc", StandardTracks());
    CDIn.SetDriveIndex(UseImages({disc.CuePath}));
    const struct {
        int First;
        int Last;
        const char* Error;
    } cases[] = {
        {0, 1, "The start track out of range"},
        {5, 5, "The start track out of range"},
        {-1, 4, "The start track out of range"},
        {1, 5, "The end track out of range"},
        {1, -1, "The end track out of range"},
        {3, 1, "The end track out of range"},
        {4, 4, ""},
        {1, 4, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1..%2").arg(c.First).arg(c.Last).toStdString());
        CDIn.SetFirstTrack(c.First);
        CDIn.SetLastTrack(c.Last);
        EXPECT_EQ(BeginError(), c.Error);
        EXPECT_FALSE(CDIn.Busy);
    }
}

// The run size (one sector more before a run than the run delivers), the busy checks and
// the pull protocol driven by hand.
TEST_F(CDInTest, RunSizeBusyChecksAndPulling) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "disc", StandardTracks());
    CDIn.SetDriveIndex(UseImages({disc.CuePath}));
    CDIn.SetFirstTrack(2);
    CDIn.SetLastTrack(2);
    const int64_t delivered = int64_t(disc.Tracks[1].Sectors) * SectorBytes;
    EXPECT_EQ(CDIn.RunSize(), delivered + SectorBytes);
    EXPECT_EQ(CDIn.GetTotalSamples(), (delivered + SectorBytes) / 4);
    EXPECT_EQ(CDIn.GetTotalSeconds(), 31); // 2301 sectors = 30.68 s
    EXPECT_EQ(CDIn.GetBitsPerSample(), 16);
    EXPECT_EQ(CDIn.GetChannels(), 2);
    EXPECT_EQ(CDIn.GetSampleRate(), 44100);

    CDIn.BeginReading();
    EXPECT_TRUE(CDIn.Busy);
    EXPECT_EQ(CDIn.RunSize(), delivered);
    EXPECT_EQ(CDIn.Size, delivered);
    for (const auto& change :
         {std::function<void()>([&] { CDIn.SetFirstTrack(1); }), std::function<void()>([&] { CDIn.SetLastTrack(3); }),
          std::function<void()>([&] { CDIn.BeginReading(); })}) {
        try {
            change();
            ADD_FAILURE() << "no exception while busy";
        } catch (const EAuException& e) {
            EXPECT_EQ(e.Message(), "The component is busy");
        }
    }
    EXPECT_EQ(CDIn.FirstTrack(), 2);
    EXPECT_EQ(CDIn.LastTrack(), 2);
    // Whole frames, at most one chunk per read, in order, then 0 for good.
    QByteArray got;
    for (;;) {
        uint8_t* data = nullptr;
        uint32_t bytes = 1000003;
        CDIn.Read(data, bytes);
        if (bytes == 0)
            break;
        EXPECT_EQ(bytes % 4, 0u);
        EXPECT_LE(bytes, uint32_t(TCDIn::ChunkBytes));
        got.append(reinterpret_cast<const char*>(data), bytes);
    }
    EXPECT_TRUE(got == disc.TrackData[1]);
    EXPECT_EQ(CDIn.Position, delivered);
    uint8_t* data = nullptr;
    uint32_t bytes = 100;
    CDIn.Read(data, bytes);
    EXPECT_EQ(bytes, 0u);
    CDIn.EndReading();
    EXPECT_FALSE(CDIn.Busy);
    EXPECT_EQ(CDIn.Size, 0);
    EXPECT_THROW(CDIn.Read(data, bytes), EAuException);
    // A reset of an idle component is harmless, and the next run starts afresh.
    CDIn.Reset();
    EXPECT_EQ(BeginError(), "");
}

// Drive selection and the disc service over several image drives, one missing and one that
// is no image at all.
TEST_F(CDInTest, DriveAndTocService) {
    const TDiscImage a = MakeDiscImage(Folder.Path(), "alpha", {{4732, false}, {150, false}, {300, true}, {77, false}});
    const TDiscImage b = MakeDiscImage(Folder.Path(), "beta", {{75, false}, {76, false}});
    ASSERT_TRUE(WriteFile(File("junk.cue"), "this is not a cue sheet\n"));
    const int first = UseImages({a.CuePath, b.CuePath, File("missing.cue"), File("junk.cue")});
    ASSERT_GE(first, 0);
    EXPECT_EQ(CDIn.DriveCount(), first + 4);

    CDIn.SetDriveIndex(first);
    EXPECT_EQ(CDIn.DriveName(), "Image alpha");
    EXPECT_TRUE(CDIn.MediaLoaded());
    EXPECT_EQ(CDIn.TrackCount(), 4);
    // 4732 sectors: 1 minute (4500), 3 seconds, 7 frames.
    EXPECT_EQ(CDIn.TrackLength(1), 0x00070301u);
    EXPECT_EQ(CDIn.TrackLength(3), 0x01000400u);
    const TCDTrackLength data = DecodeTrackLength(CDIn.TrackLength(3));
    EXPECT_TRUE(data.Data);
    EXPECT_EQ(data.Seconds, 4);
    for (int bad : {0, 5, -1}) {
        try {
            CDIn.TrackLength(bad);
            ADD_FAILURE() << bad;
        } catch (const EAuException& e) {
            EXPECT_EQ(e.Message(), "Track out of range.");
        }
    }
    // What a CDDB disc id is computed from, and the layer's packed entries behind it.
    TDisc disc;
    ASSERT_TRUE(CDIn.ReadDisc(disc));
    ASSERT_EQ(disc.TrackCount(), 4);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(disc.Tracks[i].Start, a.StartSectors[i]);
        EXPECT_EQ(disc.Tracks[i].Number, int32_t(i) + 1);
        EXPECT_EQ(disc.Tracks[i].Data, i == 2);
    }
    EXPECT_EQ(disc.LeadOut, a.LeadOutSector);
    EXPECT_EQ(CR_GetNumTocEntries(), 4);
    // Start sector in the low 32 bits, the flag byte (4 for data) above it, the track number
    // (0xAA for the lead-out) above that: tracks start at 0, 4732, 4882 and 5182, the lead-out
    // at 5259.
    ASSERT_EQ(a.StartSectors, std::vector<int32_t>({0, 4732, 4882, 5182}));
    ASSERT_EQ(a.LeadOutSector, 5259);
    EXPECT_EQ(CR_GetTocEntry(0), 0x0000'0100'0000'0000);
    EXPECT_EQ(CR_GetTocEntry(1), 0x0000'0200'0000'127C);
    EXPECT_EQ(CR_GetTocEntry(2), 0x0000'0304'0000'1312);
    EXPECT_EQ(CR_GetTocEntry(4), 0x0000'AA00'0000'148B);
    EXPECT_EQ(MakeCRTocEntry(4882, CRDataTrackFlag, 3), 0x0000'0304'0000'1312);
    EXPECT_EQ(MakeCRTocEntry(-1, 0, 99), 0x0000'6300'FFFF'FFFF);
    EXPECT_EQ(CRTocEntrySector(0x0000'6300'FFFF'FFFF), -1);
    EXPECT_EQ(CR_GetTocEntry(5), 0);

    // Out-of-range indices leave the selection as it was.
    CDIn.SetDriveIndex(first + 1);
    for (int bad : {CDIn.DriveCount(), -1, 99})
        CDIn.SetDriveIndex(bad);
    EXPECT_EQ(CDIn.DriveIndex(), first + 1);
    EXPECT_EQ(CDIn.TrackCount(), 2);
    EXPECT_EQ(DecodeTrackLength(CDIn.TrackLength(2)).Frames, 1);

    // No readable disc: -1 tracks, every track out of range, runs refused.
    for (int unreadable : {first + 2, first + 3}) {
        SCOPED_TRACE(unreadable);
        CDIn.SetDriveIndex(unreadable);
        EXPECT_FALSE(CDIn.MediaLoaded());
        EXPECT_EQ(CDIn.TrackCount(), -1);
        EXPECT_THROW(CDIn.TrackLength(1), EAuException);
        EXPECT_FALSE(CDIn.ReadDisc(disc));
        CDIn.SetFirstTrack(1);
        CDIn.SetLastTrack(1);
        EXPECT_EQ(CDIn.RunSize(), 0);
        EXPECT_EQ(BeginError(), "The drive is not ready");
    }
    // The drive left and the disc read again: nothing of the broken drive sticks.
    CDIn.SetDriveIndex(first);
    EXPECT_EQ(CDIn.TrackCount(), 4);
}

// Reading the drive name takes the drive's jitter setting when the component's is off: it
// may switch it on, never off.
TEST_F(CDInTest, DriveNameMaySwitchJitterCorrectionOnNeverOff) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "disc", {{10, false}});
    const int index = UseImages({disc.CuePath});
    CDIn.SetDriveIndex(index);
    const auto setDriveJitter = [&](int32_t value) {
        ASSERT_EQ(CR_SetActiveCDROM(index), crOk);
        TCRDriveParams params;
        ASSERT_EQ(CR_GetCDROMParameters(params), crOk);
        CR_SetJitterCorrection(params, value);
        ASSERT_EQ(CR_SetCDROMParameters(params), crOk);
    };
    setDriveJitter(0);
    CDIn.DriveName();
    EXPECT_FALSE(CDIn.EnableJitterCorrection);
    setDriveJitter(-1);
    EXPECT_EQ(CDIn.DriveName(), "Image disc");
    EXPECT_TRUE(CDIn.EnableJitterCorrection);
    setDriveJitter(0);
    CDIn.DriveName();
    EXPECT_TRUE(CDIn.EnableJitterCorrection);
}

// A disc image made by other tools (sox for the audio, shntool for the cue sheet) rips
// bit-exactly in both modes.
TEST_F(CDInTest, ImageMadeBySoxAndShntool) {
    const QString shntool = FindTool("shntool");
    ASSERT_FALSE(shntool.isEmpty()) << "shntool is not installed";
    // Whole sectors each (shntool's cue sheets are for CD-quality, sector-aligned files).
    const int sectors[] = {1234, 411, 613};
    QStringList wavs;
    for (int i = 0; i < 3; ++i) {
        const QString wav = File(QStringLiteral("part%1.wav").arg(i + 1));
        ASSERT_TRUE(RunSox({"-r", "44100", "-c", "2", "-n", "-b", "16", "-e", "signed", wav, "synth",
                            QString::number(sectors[i] * 588) + "s", "pinknoise", "sine",
                            QString::number(300 + 200 * i), "gain", "-n", "-3"}));
        wavs << wav;
    }
    const TRunResult cue = RunProgram(shntool, QStringList{"cue"} + wavs);
    ASSERT_EQ(cue.ExitCode, 0) << cue.Err.constData();
    const TRunResult join = RunProgram(shntool, QStringList{"join", "-O", "always", "-d", Folder.Path()} + wavs);
    ASSERT_EQ(join.ExitCode, 0) << join.Err.constData();
    ASSERT_TRUE(RunSox({File("joined.wav"), "-t", "raw", File("sox.bin")}));
    // shntool names the joined WAV file; the image is its raw audio.
    QString sheet = QString::fromUtf8(cue.Out);
    sheet.replace(QRegularExpression("FILE \"[^\"]*\" WAVE"), "FILE \"sox.bin\" BINARY");
    ASSERT_TRUE(sheet.contains("sox.bin")) << sheet.toStdString();
    ASSERT_TRUE(WriteFile(File("sox.cue"), sheet.toUtf8()));

    CDIn.SetDriveIndex(UseImages({File("sox.cue")}));
    ASSERT_EQ(CDIn.TrackCount(), 3);
    for (const bool jitter : {false, true}) {
        CDIn.EnableJitterCorrection = jitter;
        for (int t = 1; t <= 3; ++t) {
            SCOPED_TRACE(t);
            ASSERT_TRUE(RunSox({wavs[t - 1], "-t", "raw", File("part.raw")}));
            ASSERT_EQ(Rip(t, t, File("ripped.wav")), "");
            ExpectWav(File("ripped.wav"), ReadFile(File("part.raw")));
        }
    }
}

TEST_F(CDInTest, SecureReadingSettingPersistsAndChoosesThePath) {
    EXPECT_FALSE(Settings.Paranoia);
    EXPECT_TRUE(RipThroughCDInput(0, false));
    EXPECT_FALSE(RipThroughCDInput(3, false));
    EXPECT_TRUE(RipThroughCDInput(3, true));
    Settings.Paranoia = true;
    SaveSettings();
    EXPECT_TRUE(ReadFile(OptionsFilePath()).contains("Paranoia=1"));
    Settings.Paranoia = false;
    LoadSettings();
    EXPECT_TRUE(Settings.Paranoia);
    EXPECT_TRUE(ApplySettingOverride("CDOptions/Paranoia=0"));
    EXPECT_FALSE(Settings.Paranoia);
}

// Audio after a 2048-byte data track lies elsewhere in the .bin than libcdio alone thinks;
// the CD input reads it through the drive library, in both modes.
TEST_F(CDInTest, AudioAfterSmallerDataSectorsIsRippedWhereItLies) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "mixed", {{40, true, true}, {300, false}});
    CDIn.SetDriveIndex(UseImages({disc.CuePath}));
    for (const bool jitter : {false, true}) {
        SCOPED_TRACE(jitter ? "jitter correction" : "plain reads");
        CDIn.EnableJitterCorrection = jitter;
        ASSERT_EQ(Rip(2, 2, File("audio.wav")), "");
        ExpectWav(File("audio.wav"), disc.TrackData[1]);
    }
}
