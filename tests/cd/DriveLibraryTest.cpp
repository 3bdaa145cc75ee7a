// The drive library on disc images: drive list, TOC layout, raw reads and the libcdio traps
// it must hide (cue FILE names, reads past the lead-out, data tracks, big-endian bins).
#include "cd/akrip32.h"

#include "core/Settings.h"
#include "fixtures/DiscImage.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <thread>

namespace {

// Number of physical drives on this machine (images come after them).
int PhysicalDrives() {
    const QString saved = Settings.Images;
    Settings.Images.clear();
    TCDDriveList list{};
    list.Capacity = MaxCDDrives;
    GetCDList(&list);
    Settings.Images = saved;
    return list.Count;
}

// Opens the n-th image drive.
int OpenImage(int n = 0) {
    TCDOpenRequest request;
    request.Adapter = 1;
    request.Target = uint8_t(n);
    return GetCDHandle(&request);
}

QByteArray ReadSectors(int handle, uint32_t first, uint32_t count, int* result = nullptr) {
    TCDReadBufferPtr b = NewCDReadBuffer(first, count);
    const int r = ReadCDAudioLBA(handle, b.get());
    if (result)
        *result = r;
    if (r != 1)
        return QByteArray();
    return QByteArray(reinterpret_cast<const char*>(b->Data() + b->DataOffset), b->BytesReturned);
}

class DriveLibraryTest : public ::testing::Test {
protected:
    TTempProgramFolder Folder;
};

} // namespace

TEST_F(DriveLibraryTest, ImagesFollowThePhysicalDrivesInTheList) {
    const int devices = PhysicalDrives();
    const TDiscImage a = MakeDiscImage(Folder.Path(), "first", {{300}});
    const TDiscImage b = MakeDiscImage(Folder.Path(), "a rather long image name", {{300}});
    Settings.Images = a.CuePath + " | " + b.CuePath + "|" + Folder.File("missing.cue");
    TCDDriveList list{};
    list.Capacity = MaxCDDrives;
    ASSERT_EQ(GetCDList(&list), 1);
    ASSERT_EQ(list.Count, std::min(devices + 3, MaxCDDrives));
    if (devices + 3 > MaxCDDrives)
        GTEST_SKIP() << "too many physical drives to see the images";
    const TCDDriveEntry& e = list.Drives[devices];
    EXPECT_EQ(e.Adapter, 1);
    EXPECT_EQ(e.Target, 0);
    EXPECT_STREQ(e.Vendor, "Image");
    EXPECT_STREQ(e.Product, "first");
    EXPECT_STREQ(e.Id, QFile::encodeName(a.CuePath).constData());
    // Texts are cut to their fields and stay NUL-terminated.
    EXPECT_STREQ(list.Drives[devices + 1].Product, "a rather long im");
    EXPECT_EQ(list.Drives[devices + 2].Target, 2);

    // A listed image that does not exist cannot be opened, and says why.
    EXPECT_EQ(OpenImage(2), 0);
    EXPECT_TRUE(CDLastError().contains("missing.cue")) << CDLastError().toStdString();
    // The capacity limits the list.
    list.Capacity = 1;
    GetCDList(&list);
    EXPECT_EQ(list.Count, 1);
}

TEST_F(DriveLibraryTest, TocHasAbsoluteAddressesAndTheLeadOut) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "disc", StandardTracks());
    Settings.Images = disc.CuePath;
    const int h = OpenImage();
    ASSERT_GT(h, 0) << CDLastError().toStdString();
    ASSERT_EQ(ModifyCDParms(h, CDP_MSF, 1), 1);
    EXPECT_EQ(ModifyCDParms(h, 7, 1), 0);
    TCDToc toc{};
    ASSERT_EQ(ReadTOC(h, &toc), 1);
    EXPECT_EQ(toc.FirstTrack, 1);
    EXPECT_EQ(toc.LastTrack, 4);
    EXPECT_EQ(toc.Length, 2 + 5 * 8);
    // Track 1 at 00:02:00 like on a pressed disc; track 2 at 150 + 1234 = 1384 = 00:18:34.
    EXPECT_EQ(toc.Tracks[0].Address[1], 0);
    EXPECT_EQ(toc.Tracks[0].Address[2], 2);
    EXPECT_EQ(toc.Tracks[0].Address[3], 0);
    EXPECT_EQ(toc.Tracks[1].Address[2], 18);
    EXPECT_EQ(toc.Tracks[1].Address[3], 34);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(toc.Tracks[i].TrackNumber, i + 1);
        EXPECT_EQ(toc.Tracks[i].AdrControl & 0xF0, 0x10);
        EXPECT_EQ(toc.Tracks[i].AdrControl & TocDataTrackFlag, 0);
        EXPECT_EQ(TocAddressSectors(toc.Tracks[i]), disc.StartSectors[i] + 150);
    }
    EXPECT_EQ(toc.Tracks[4].TrackNumber, LeadOutTrackNumber);
    EXPECT_EQ(TocAddressSectors(toc.Tracks[4]), disc.LeadOutSector + 150);

    // Without MSF the addresses are big-endian block addresses (track 1 at 0).
    ASSERT_EQ(ModifyCDParms(h, CDP_MSF, 0), 1);
    ASSERT_EQ(ReadTOC(h, &toc), 1);
    const auto lba = [](const TCDTocEntry& e) {
        return (e.Address[0] << 24) | (e.Address[1] << 16) | (e.Address[2] << 8) | e.Address[3];
    };
    EXPECT_EQ(lba(toc.Tracks[0]), 0);
    EXPECT_EQ(lba(toc.Tracks[2]), disc.StartSectors[2]);
    EXPECT_EQ(lba(toc.Tracks[4]), disc.LeadOutSector);
    // An image never changes its disc.
    EXPECT_EQ(CDMediaChanged(h), 0);
    EXPECT_EQ(CloseCDHandle(h), 1);
    EXPECT_EQ(CloseCDHandle(h), 0);
    EXPECT_EQ(ReadTOC(h, &toc), 0);
    EXPECT_EQ(CDMediaChanged(h), -1);
}

TEST_F(DriveLibraryTest, ReadsReturnTheSourceAndStopAtTheLeadOut) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "disc", {{37}, {25}});
    Settings.Images = disc.CuePath;
    const int h = OpenImage();
    ASSERT_GT(h, 0);
    EXPECT_EQ(ReadSectors(h, 0, 10), disc.TrackData[0].left(10 * 2352));
    // A read across a track boundary is plain audio of both tracks.
    EXPECT_EQ(ReadSectors(h, 35, 4), disc.TrackData[0].mid(35 * 2352) + disc.TrackData[1].left(2 * 2352));
    // The last sector before the lead-out reads; anything touching the lead-out fails instead
    // of returning stale bytes.
    EXPECT_EQ(ReadSectors(h, 61, 1), disc.TrackData[1].right(2352));
    int r = -1;
    ReadSectors(h, 55, 10, &r);
    EXPECT_EQ(r, 0);
    ReadSectors(h, 62, 1, &r);
    EXPECT_EQ(r, 0);
    ReadSectors(h, 0xFFFFFFF0u, 10, &r);
    EXPECT_EQ(r, 0);
    // At most 10 sectors per read, and a capacity that holds them.
    ReadSectors(h, 0, 11, &r);
    EXPECT_EQ(r, 0);
    TCDReadBufferPtr small = NewCDReadBuffer(0, 2);
    small->SectorCount = 3;
    EXPECT_EQ(ReadCDAudioLBA(h, small.get()), 0);
    EXPECT_EQ(small->BytesReturned, 0u);
    ReadSectors(h + 1, 0, 1, &r);
    EXPECT_EQ(r, 0);
    CloseCDHandle(h);
    ReadSectors(h, 0, 1, &r);
    EXPECT_EQ(r, 0);
}

TEST_F(DriveLibraryTest, CueNamingAnotherBinReadsThatBin) {
    const TDiscImage disc =
        MakeDiscImage(Folder.Path(), "album", {{20}, {15}}, TDiscImageOptions{"Some Other Name.bin", 0, false, 9});
    // A decoy named like the cue, which libcdio alone would open.
    const TDiscImage decoy = MakeDiscImage(Folder.Path(), "decoy", {{35}});
    ASSERT_TRUE(QFile::copy(decoy.BinPath, Folder.File("album.bin")));
    Settings.Images = disc.CuePath;
    const int h = OpenImage();
    ASSERT_GT(h, 0) << CDLastError().toStdString();
    EXPECT_EQ(ReadSectors(h, 20, 10), disc.TrackData[1].left(10 * 2352));
    CloseCDHandle(h);

    // Without the named bin the open fails and names it, even though album.bin exists.
    QFile::remove(disc.BinPath);
    EXPECT_EQ(OpenImage(), 0);
    EXPECT_TRUE(CDLastError().contains("Some Other Name.bin")) << CDLastError().toStdString();
}

TEST_F(DriveLibraryTest, UnsupportedCueSheetsAreRefusedClearly) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "disc", {{20}});
    Settings.Images = Folder.File("bad.cue");
    const struct {
        const char* Cue;
        const char* Expected;
    } cases[] = {
        {"TRACK 01 AUDIO\n INDEX 01 00:00:00\n", "names no FILE"},
        {"FILE \"disc.bin\" BINARY\n", "has no TRACK"},
        {"FILE \"disc.bin\" BINARY\n TRACK 01 AUDIO\n INDEX 01 00:00:00\nFILE \"gone.bin\" BINARY\n"
         " TRACK 02 AUDIO\n INDEX 01 00:00:00\n",
         "the file it names, gone.bin, does not exist"},
        {"FILE \"disc.mp3\" MP3\n TRACK 01 AUDIO\n INDEX 01 00:00:00\n", "not supported"},
        {"FILE \"disc.bin\" WAVE\n TRACK 01 AUDIO\n INDEX 01 00:00:00\n", "not a WAV file"},
        {"FILE \"disc.bin\" FLAC\n TRACK 01 AUDIO\n INDEX 01 00:00:00\n", "disc.bin is not a FLAC file"},
        {"FILE \"disc.bin\" BINARY\nFILE \"disc.bin\" BINARY\n TRACK 01 AUDIO\n INDEX 01 00:00:00\n",
         "disc.bin comes before the first track's INDEX lines"},
        {"FILE \"disc.bin BINARY\n", "unterminated"},
    };
    for (const auto& c : cases) {
        WriteFile(Folder.File("bad.cue"), c.Cue);
        EXPECT_EQ(OpenImage(), 0) << c.Cue;
        EXPECT_TRUE(CDLastError().contains(c.Expected)) << CDLastError().toStdString();
    }
}

TEST_F(DriveLibraryTest, CueSheetsWrittenOnWindowsOpen) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "disc", {{20}});
    Settings.Images = Folder.File("win.cue");
    // A full Windows path, a byte-order mark, CRLF line ends, a name in another case.
    for (const char* file : {"C:\\Rips\\disc.bin", "DISC.BIN"}) {
        const QByteArray cue = QByteArray("\xEF\xBB\xBF"
                                          "FILE \"") +
                               file +
                               "\" BINARY\r\n  TRACK 01 AUDIO\r\n"
                               "    INDEX 01 00:00:00\r\n";
        WriteFile(Folder.File("win.cue"), cue);
        const int h = OpenImage();
        ASSERT_GT(h, 0) << file << ": " << CDLastError().toStdString();
        EXPECT_EQ(ReadSectors(h, 10, 10), disc.TrackData[0].mid(10 * 2352));
        CloseCDHandle(h);
    }
}

namespace {

// Track starts and the lead-out as block addresses (track 1 at 0 unless a gap comes first).
std::vector<int> TocBlocks(int handle) {
    TCDToc toc{};
    if (ModifyCDParms(handle, CDP_MSF, 1) != 1 || ReadTOC(handle, &toc) != 1)
        return {};
    std::vector<int> blocks;
    for (int i = 0; i <= toc.LastTrack - toc.FirstTrack + 1; ++i)
        blocks.push_back(TocAddressSectors(toc.Tracks[i]) - 150);
    return blocks;
}

} // namespace

TEST_F(DriveLibraryTest, CueSheetsAsOtherToolsWriteThemOpen) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "disc", {{20}, {15}});
    Settings.Images = Folder.File("tools.cue");
    // libcdio alone refuses each of these sheets as "not a disc image".
    const char* tail = "\ttrack 02 audio\n\t\tindex 01 00:00:20\n";
    const QByteArray sheets[] = {
        QByteArray("rem GENRE Rock\nfile disc.bin binary\n  track 01 audio\n    flags dcp pre\n"
                   "    title \"\xC9t\xE9\"\n    index 01 00:00:00\n") +
            tail,
        QByteArray("CDTEXTFILE \"disc.cdt\"\nFILE\tdisc.bin\tBINARY\n TRACK 01 AUDIO\n  SIZE_INFO \"x\"\n"
                   "  FLAGS DATA\n  INDEX 01 00:00:00\n") +
            tail,
    };
    for (const QByteArray& sheet : sheets) {
        WriteFile(Folder.File("tools.cue"), sheet);
        const int h = OpenImage();
        ASSERT_GT(h, 0) << sheet.constData() << CDLastError().toStdString();
        EXPECT_EQ(TocBlocks(h), (std::vector<int>{0, 20, 35}));
        EXPECT_EQ(ReadSectors(h, 20, 10), disc.TrackData[1].left(10 * 2352));
        CloseCDHandle(h);
    }
}

TEST_F(DriveLibraryTest, PregapAndPostgapSilenceLiesOnTheDisc) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "disc", {{20}, {15}});
    Settings.Images = Folder.File("gaps.cue");
    // The gaps are not in the file: 5 sectors before track 1, 3 after it and 7 before track 2.
    WriteFile(Folder.File("gaps.cue"), "FILE \"disc.bin\" BINARY\n TRACK 01 AUDIO\n  PREGAP 00:00:05\n"
                                       "  INDEX 01 00:00:00\n  POSTGAP 00:00:03\n TRACK 02 AUDIO\n"
                                       "  PREGAP 00:00:07\n  INDEX 01 00:00:20\n");
    const int h = OpenImage();
    ASSERT_GT(h, 0) << CDLastError().toStdString();
    EXPECT_EQ(TocBlocks(h), (std::vector<int>{5, 35, 50}));
    // Track 1 as a ripper reads it: its audio, then the silence up to track 2.
    EXPECT_EQ(ReadSectors(h, 5, 10) + ReadSectors(h, 15, 10) + ReadSectors(h, 25, 10),
              disc.TrackData[0] + QByteArray(10 * 2352, 0));
    EXPECT_EQ(ReadSectors(h, 40, 10), disc.TrackData[1].right(10 * 2352));
    EXPECT_EQ(ReadSectors(h, 0, 5), QByteArray(5 * 2352, 0));
    CloseCDHandle(h);
}

TEST_F(DriveLibraryTest, WavFilesNamedByACueAreReadFromTheirAudioData) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "disc", {{20}, {15}});
    const QByteArray audio = disc.TrackData[0] + disc.TrackData[1];
    Settings.Images = Folder.File("wav.cue");
    const QString sheet = QStringLiteral("FILE \"%1\" %2\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
                                         " TRACK 02 AUDIO\n  INDEX 01 00:00:20\n");
    // EAC names the file as WAVE; a sheet edited by hand may call it BINARY. Either way the
    // header is not audio.
    WriteFile(Folder.File("disc.wav"), MakeWav(audio, 2, 44100, 16));
    for (const char* type : {"WAVE", "BINARY"}) {
        WriteFile(Folder.File("wav.cue"), sheet.arg("disc.wav", type).toUtf8());
        const int h = OpenImage();
        ASSERT_GT(h, 0) << type << ": " << CDLastError().toStdString();
        EXPECT_EQ(TocBlocks(h), (std::vector<int>{0, 20, 35}));
        EXPECT_EQ(ReadSectors(h, 0, 10), audio.left(10 * 2352)) << type;
        EXPECT_EQ(ReadSectors(h, 30, 5), audio.right(5 * 2352)) << type;
        CloseCDHandle(h);
    }
    WriteFile(Folder.File("mono.wav"), MakeWav(audio, 1, 44100, 16));
    WriteFile(Folder.File("wav.cue"), sheet.arg("mono.wav", "WAVE").toUtf8());
    EXPECT_EQ(OpenImage(), 0);
    EXPECT_TRUE(CDLastError().contains("mono.wav does not hold CD audio")) << CDLastError().toStdString();
}

TEST_F(DriveLibraryTest, TocFileWithAStartOnTheLastTrackEndsWithItsAudio) {
    // cdrdao's raw audio files hold big-endian samples.
    TDiscImageOptions bigEndian;
    bigEndian.BigEndian = true;
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "disc", {{20}, {15}}, bigEndian);
    // cdrdao: track 2 is 15 sectors of the file, the first 4 of them its pregap. The file is
    // named relative to the .toc, which lies in another folder than the current one.
    WriteFile(Folder.File("disc.toc"), "CD_DA\nTRACK AUDIO\nFILE \"disc.bin\" 0 00:00:20\n"
                                       "TRACK AUDIO\nFILE \"disc.bin\" 00:00:20 00:00:15\nSTART 00:00:04\n");
    Settings.Images = Folder.File("disc.toc");
    const int h = OpenImage();
    ASSERT_GT(h, 0) << CDLastError().toStdString();
    EXPECT_EQ(TocBlocks(h), (std::vector<int>{0, 24, 35}));
    EXPECT_EQ(ReadSectors(h, 25, 10), disc.TrackData[1].right(10 * 2352));
    CloseCDHandle(h);
}

TEST_F(DriveLibraryTest, DataTracksAreFlaggedAndNotReadAsAudio) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "mixed", {{30}, {40, true}, {20}});
    Settings.Images = disc.CuePath;
    const int h = OpenImage();
    ASSERT_GT(h, 0);
    ModifyCDParms(h, CDP_MSF, 1);
    TCDToc toc{};
    ASSERT_EQ(ReadTOC(h, &toc), 1);
    EXPECT_EQ(toc.Tracks[0].AdrControl & TocDataTrackFlag, 0);
    EXPECT_EQ(toc.Tracks[1].AdrControl & TocDataTrackFlag, TocDataTrackFlag);
    EXPECT_EQ(toc.Tracks[2].AdrControl & TocDataTrackFlag, 0);
    int r = -1;
    ReadSectors(h, 30, 10, &r);
    EXPECT_EQ(r, 0);
    EXPECT_TRUE(CDLastError().contains("data track"));
    ReadSectors(h, 25, 10, &r); // audio running into the data track
    EXPECT_EQ(r, 0);
    EXPECT_EQ(ReadSectors(h, 70, 10), disc.TrackData[2].left(10 * 2352));
    CloseCDHandle(h);
}

TEST_F(DriveLibraryTest, BigEndianBinsReadAsLittleEndianAudio) {
    TDiscImageOptions options;
    options.BigEndian = true;
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "motorola", {{12}}, options);
    ASSERT_NE(ReadFile(disc.BinPath), disc.TrackData[0]);
    Settings.Images = disc.CuePath;
    const int h = OpenImage();
    ASSERT_GT(h, 0);
    EXPECT_EQ(ReadSectors(h, 0, 10) + ReadSectors(h, 10, 2), disc.TrackData[0]);
    CloseCDHandle(h);
}

TEST_F(DriveLibraryTest, HandlesAreSmallIntegersAndTheTableIsBounded) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "disc", {{10}});
    Settings.Images = disc.CuePath;
    std::vector<int> handles;
    for (int i = 0; i < MaxCDHandles; ++i) {
        handles.push_back(OpenImage());
        EXPECT_GE(handles.back(), 1);
        EXPECT_LE(handles.back(), MaxCDHandles);
    }
    EXPECT_EQ(OpenImage(), 0);
    // The caller's recovery: close one of the handles 1..10 and open again.
    EXPECT_EQ(CloseCDHandle(handles[3]), 1);
    EXPECT_EQ(OpenImage(), handles[3]);
    for (int h : handles)
        CloseCDHandle(h);
    TCDOpenRequest nowhere;
    nowhere.Adapter = 1;
    nowhere.Target = 5;
    EXPECT_EQ(GetCDHandle(&nowhere), 0);
    EXPECT_EQ(GetCDHandle(nullptr), 0);
}

TEST_F(DriveLibraryTest, BrokenCueSheetsAreRefusedNamingTheTrack) {
    // 1000 sectors = 00:13:25 of audio.
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "disc", {{1000}});
    Settings.Images = Folder.File("bad.cue");
    const auto cue = [](const char* tracks) { return QByteArray("FILE \"disc.bin\" BINARY\n") + tracks; };
    const struct {
        QByteArray Cue;
        const char* Expected;
    } cases[] = {
        // A download cut short: track 3 lies beyond the end of the .bin.
        {cue(" TRACK 01 AUDIO\n INDEX 01 00:00:00\n TRACK 02 AUDIO\n INDEX 01 00:10:00\n"
             " TRACK 03 AUDIO\n INDEX 01 00:20:00\n"),
         "track 3 starts at 00:20:00, past the end of disc.bin (00:13:25)"},
        {cue(" TRACK 01 AUDIO\n INDEX 01 00:00:00\n TRACK 02 AUDIO\n INDEX 01 00:13:25\n"),
         "track 2 starts at 00:13:25, past the end"},
        {cue(" TRACK 01 AUDIO\n INDEX 01 00:00:00\n TRACK 02 AUDIO\n INDEX 01 00:10:00\n"
             " TRACK 03 AUDIO\n INDEX 01 00:05:00\n"),
         "track 3 starts at 00:05:00, not after track 2 (00:10:00)"},
        {cue(" TRACK 01 AUDIO\n INDEX 01 00:00:00\n TRACK 02 AUDIO\n INDEX 00 00:00:00\n INDEX 01 00:02:00\n"),
         "track 2 starts at 00:00:00, not after track 1"},
        {cue(" TRACK 01 AUDIO\n INDEX 01 00:00:00\n TRACK 02 AUDIO\n INDEX 00 00:04:00\n"), "track 2 has no INDEX 01"},
        {cue(" TRACK 01 AUDIO\n INDEX 01 00:02:00\n INDEX 00 00:00:00\n"), "track 1 has INDEX 00 after INDEX 01"},
        {cue(" TRACK 01 AUDIO\n INDEX 01 00:00:00\n TRACK 03 AUDIO\n INDEX 01 00:05:00\n"), "track 3 follows track 1"},
        {cue(" TRACK 01 AUDIO\n INDEX 01 00:61:00\n"), "track 1 has a bad INDEX line"},
        {cue(" TRACK 01 VIDEO\n INDEX 01 00:00:00\n"), "the mode 'VIDEO' of track 1 is not supported"},
        {cue(" TRACK 01 AUDIO\n PREGAP 256:00:00\n INDEX 01 00:00:00\n"), "track 1 ends past 255 minutes"},
    };
    for (const auto& c : cases) {
        WriteFile(Folder.File("bad.cue"), c.Cue);
        EXPECT_EQ(OpenImage(), 0) << c.Cue.constData();
        EXPECT_TRUE(CDLastError().contains(c.Expected)) << CDLastError().toStdString();
        EXPECT_EQ(CheckCDImage(Folder.File("bad.cue")), CDLastError());
    }
    EXPECT_EQ(CheckCDImage(disc.CuePath), "");
}

TEST_F(DriveLibraryTest, TracksAfterSmallerSectorsAreReadWhereTheyLie) {
    // A 2048-byte data track moves the audio after it in the .bin; libcdio alone would read
    // track 2 from 40 * 2352 bytes on.
    const TDiscImage mixed = MakeDiscImage(Folder.Path(), "mixed", {{40, true, true}, {30}, {25}});
    ASSERT_EQ(QFileInfo(mixed.BinPath).size(), 40 * 2048 + 55 * 2352);
    // Audio first, a 2048-byte data track last: the lead-out follows the data track's size.
    const TDiscImage extra = MakeDiscImage(Folder.Path(), "extra", {{30}, {45, true, true}});
    Settings.Images = mixed.CuePath + "|" + extra.CuePath;
    const int h = OpenImage(0);
    ASSERT_GT(h, 0) << CDLastError().toStdString();
    ModifyCDParms(h, CDP_MSF, 1);
    TCDToc toc{};
    ASSERT_EQ(ReadTOC(h, &toc), 1);
    EXPECT_EQ(toc.Tracks[0].AdrControl & TocDataTrackFlag, TocDataTrackFlag);
    EXPECT_EQ(TocAddressSectors(toc.Tracks[1]), 150 + 40);
    EXPECT_EQ(TocAddressSectors(toc.Tracks[3]), 150 + 95);
    EXPECT_EQ(ReadSectors(h, 40, 10) + ReadSectors(h, 50, 10) + ReadSectors(h, 60, 10), mixed.TrackData[1]);
    EXPECT_EQ(ReadSectors(h, 85, 10), mixed.TrackData[2].right(10 * 2352));
    int r = -1;
    ReadSectors(h, 86, 10, &r);
    EXPECT_EQ(r, 0);
    CloseCDHandle(h);

    const int e = OpenImage(1);
    ASSERT_GT(e, 0) << CDLastError().toStdString();
    ModifyCDParms(e, CDP_MSF, 1);
    ASSERT_EQ(ReadTOC(e, &toc), 1);
    EXPECT_EQ(TocAddressSectors(toc.Tracks[2]), 150 + 75);
    EXPECT_EQ(ReadSectors(e, 20, 10), extra.TrackData[0].right(10 * 2352));
    CloseCDHandle(e);
}

TEST_F(DriveLibraryTest, ImageMediaChangesWhenItsFilesChangeOnDisk) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "disc", {{40}, {30}});
    Settings.Images = disc.CuePath;
    const int h = OpenImage();
    ASSERT_GT(h, 0);
    const auto trackCount = [&] {
        TCDToc toc{};
        return ReadTOC(h, &toc) == 1 ? toc.LastTrack - toc.FirstTrack + 1 : 0;
    };
    EXPECT_EQ(CDMediaChanged(h), 0);
    EXPECT_EQ(CDMediaChanged(h), 0);

    // Another disc written over the image: the handle reads the new one.
    const TDiscImage other =
        MakeDiscImage(Folder.Path(), "disc", {{20}, {20}, {25}}, TDiscImageOptions{{}, 0, false, 7});
    EXPECT_EQ(CDMediaChanged(h), 1);
    EXPECT_EQ(CDMediaChanged(h), 0);
    EXPECT_EQ(trackCount(), 3);
    EXPECT_EQ(ReadSectors(h, 40, 5), other.TrackData[2].left(5 * 2352));

    // The .bin removed: no disc, and the reason.
    const QByteArray bin = ReadFile(disc.BinPath);
    ASSERT_TRUE(QFile::remove(disc.BinPath));
    EXPECT_EQ(CDMediaChanged(h), 1);
    EXPECT_EQ(trackCount(), 0);
    EXPECT_TRUE(CDLastError().contains("disc.bin, does not exist")) << CDLastError().toStdString();
    EXPECT_EQ(CDMediaChanged(h), 0);
    int r = -1;
    ReadSectors(h, 0, 1, &r);
    EXPECT_EQ(r, 0);
    // ... and put back.
    ASSERT_TRUE(WriteFile(disc.BinPath, bin));
    EXPECT_EQ(CDMediaChanged(h), 1);
    EXPECT_EQ(trackCount(), 3);

    // The cue sheet cut to one track.
    WriteFile(disc.CuePath, "FILE \"disc.bin\" BINARY\n TRACK 01 AUDIO\n INDEX 01 00:00:00\n");
    EXPECT_EQ(CDMediaChanged(h), 1);
    EXPECT_EQ(trackCount(), 1);
    CloseCDHandle(h);
}

TEST_F(DriveLibraryTest, WorkersSeeTheDriveListTheMainThreadLastSaw) {
    const int devices = PhysicalDrives();
    if (devices + 2 > MaxCDDrives)
        GTEST_SKIP() << "too many physical drives to see the images";
    const TDiscImage a = MakeDiscImage(Folder.Path(), "a", {{20}});
    const TDiscImage b = MakeDiscImage(Folder.Path(), "b", {{20}});
    const auto products = [] {
        TCDDriveList list{};
        list.Capacity = MaxCDDrives;
        GetCDList(&list);
        QStringList names;
        for (int i = 0; i < list.Count; ++i)
            if (list.Drives[i].Adapter == 1)
                names << list.Drives[i].Product;
        return names;
    };
    Settings.Images = a.CuePath;
    EXPECT_EQ(products(), QStringList{"a"});
    // A worker never reads the Settings record, which the main thread may be changing.
    Settings.Images = a.CuePath + "|" + b.CuePath;
    QStringList seen;
    int handle = 0;
    std::thread worker([&] {
        seen = products();
        TCDOpenRequest request;
        request.Adapter = 1;
        request.Target = 1;
        handle = GetCDHandle(&request);
    });
    worker.join();
    EXPECT_EQ(seen, QStringList{"a"});
    EXPECT_EQ(handle, 0);
    // The main thread's next call takes the change in.
    EXPECT_EQ(products(), QStringList({"a", "b"}));
    RefreshCDDriveList();
    EXPECT_EQ(PhysicalDrives(), devices);
}
