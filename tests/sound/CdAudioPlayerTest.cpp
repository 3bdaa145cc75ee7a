// The CD player on disc images: a track plays exactly from its start to the next track's
// start, completion is reported, pause, resume and stop, and the errors that Play and the
// playback report.
#include "cd/CdAudioPlayer.h"
#include "core/Settings.h"
#include "fixtures/DiscImage.h"
#include "sound/SoundTestSupport.h"
#include "support/TestSupport.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

int ImageDriveIndex() {
    TCDDriveList list{};
    list.Capacity = MaxCDDrives;
    GetCDList(&list);
    for (int i = 0; i < list.Count; ++i)
        if (list.Drives[i].Adapter == 1)
            return i;
    return -1;
}

void Fast(TDXAudioOut& out) {
    out.Latency = 0;
    out.SetFramesInBuffer(88200);
    out.PollingInterval = 5;
    out.PrefetchData = false;
}

class CdAudioPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Disc = MakeDiscImage(Folder.Path(), "disc", StandardTracks());
        Settings.Images = Disc.CuePath;
        TCDOpenRequest request;
        request.Adapter = 1;
        Handle = GetCDHandle(&request);
        ASSERT_NE(Handle, 0);
    }
    void TearDown() override { CloseCDHandle(Handle); }

    TTempProgramFolder Folder;
    TDiscImage Disc;
    int Handle = 0;
};

} // namespace

TEST_F(CdAudioPlayerTest, TrackPlaysExactlyAndCompletes) {
    // Track 3 ends where track 4 starts; track 4 runs to the lead-out.
    for (const int track : {3, 4}) {
        SCOPED_TRACE(track);
        TDiskAudio disk;
        TCdAudioPlayer player;
        Fast(player.Output());
        QSignalSpy completed(&player, &TCdAudioPlayer::Completed);
        QSignalSpy failed(&player, &TCdAudioPlayer::Failed);
        ASSERT_TRUE(track == 3 ? player.Play(Handle, track) : player.PlayDrive(ImageDriveIndex(), track))
            << player.LastError().toStdString();
        EXPECT_TRUE(player.IsPlaying());
        EXPECT_EQ(player.CurrentTrack(), track);
        ASSERT_TRUE(WaitUntil([&] { return completed.count() > 0; }));
        EXPECT_EQ(failed.count(), 0);
        EXPECT_FALSE(player.IsPlaying());
        EXPECT_TRUE(TrimSilence(disk.Played(), 4) == TrimSilence(Disc.TrackData[size_t(track - 1)], 4));
    }
}

TEST_F(CdAudioPlayerTest, PauseResumeAndStop) {
    TDiskAudio disk;
    TCdAudioPlayer player;
    player.Output().Latency = 0;
    player.Output().SetFramesInBuffer(22050);
    player.Output().PollingInterval = 50;
    QSignalSpy completed(&player, &TCdAudioPlayer::Completed);
    ASSERT_TRUE(player.Play(Handle, 2));
    ASSERT_TRUE(WaitUntil([&] { return player.Output().Device().BytesPlayed() > 0; }));
    player.Pause();
    EXPECT_TRUE(player.IsPaused());
    player.Resume();
    EXPECT_FALSE(player.IsPaused());
    EXPECT_TRUE(player.IsPlaying());
    player.Stop();
    EXPECT_FALSE(player.IsPlaying());
    QCoreApplication::processEvents();
    EXPECT_EQ(completed.count(), 0);
    // What played is the start of the track.
    const QByteArray played = TrimSilence(disk.Played(), 4);
    ASSERT_FALSE(played.isEmpty());
    EXPECT_TRUE(Disc.TrackData[1].startsWith(played));
}

TEST_F(CdAudioPlayerTest, ErrorsAreReportedToTheCaller) {
    TCdAudioPlayer player;
    EXPECT_FALSE(player.Play(Handle, 9));
    EXPECT_EQ(player.LastError(), "This track is not an audio track of the disc.");
    EXPECT_FALSE(player.Play(Handle + 7, 1));
    EXPECT_TRUE(player.LastError().startsWith("Error while reading TOC information!"));
    EXPECT_FALSE(player.PlayDrive(MaxCDDrives, 1));
    EXPECT_FALSE(player.LastError().isEmpty());
    EXPECT_FALSE(player.IsPlaying());

    const TDiscImage mixed = MakeDiscImage(Folder.Path(), "mixed", {{300}, {300, true}});
    Settings.Images = mixed.CuePath;
    TCDOpenRequest request;
    request.Adapter = 1;
    const int handle = GetCDHandle(&request);
    ASSERT_NE(handle, 0);
    EXPECT_FALSE(player.Play(handle, 2));
    EXPECT_EQ(player.LastError(), "This track is not an audio track of the disc.");
    CloseCDHandle(handle);

    // Without a sound device playback starts and then fails with the reason.
    TDiskAudio none("dummy");
    TCdAudioPlayer silent;
    QSignalSpy failed(&silent, &TCdAudioPlayer::Failed);
    QSignalSpy completed(&silent, &TCdAudioPlayer::Completed);
    ASSERT_TRUE(silent.Play(Handle, 1));
    ASSERT_TRUE(WaitUntil([&] { return failed.count() > 0 && !silent.IsPlaying(); }));
    EXPECT_TRUE(failed.at(0).at(0).toString().startsWith("Failed to create sound device: "));
    QCoreApplication::processEvents();
    EXPECT_EQ(completed.count(), 0);
}
