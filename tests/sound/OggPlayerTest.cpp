// The Ogg player window under the offscreen platform, over SDL's disk driver: opening and
// playing a file with its labels, times and comments, invalid files, a file that cannot be
// played, the end of playback, pause on an idle window, seeking and the balance control, the
// language, and closing while playing.
#include "core/Settings.h"
#include "platform/Prompter.h"
#include "sound/SoundTestSupport.h"
#include "support/TestSupport.h"
#include "vorbis/OggPlayerForm.h"
#include "vorbis/VorbisTestSupport.h"

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <gtest/gtest.h>

namespace {

class OggPlayerTest : public ::testing::Test {
protected:
    void SetUp() override { SetPrompter(&Prompts); }
    void TearDown() override { SetPrompter(nullptr); }

    // An Ogg file of `seconds` of a faint ramp (quick to encode), with comments.
    QString MakeFile(const QString& name, int seconds, const QStringList& comments = {}, int rate = 44100,
                     int channels = 2) {
        const QString wav = Folder.File(name + ".wav");
        QByteArray pcm(qsizetype(seconds) * rate * channels * 2, 0);
        for (qsizetype i = 0; i < pcm.size(); i += 2)
            pcm[i] = char(i / 2 % 16);
        if (!WriteFile(wav, MakeWav(pcm, channels, rate, 16)))
            return QString();
        return MakeOggWithOggenc(wav, Folder.File(name + ".ogg"), QStringList{"-q", "0"} + comments);
    }

    TTempProgramFolder Folder;
    TScriptedPrompter Prompts;
    TDiskAudio Disk;
};

} // namespace

TEST_F(OggPlayerTest, OpensAndPlaysFilesWithTheirTimesAndCommentsAndClosesWhilePlaying) {
    // Long files at a low rate keep the encoding quick.
    const QString first = MakeFile("Long Song", 185,
                                   {"-a", "The Band", "-t", "A Title", "-G", "Rock", "-N", "7", "-c",
                                    "COMMENT=Recorded live", "-c", "organization=Home Label"},
                                   8000, 1);
    const QString second = MakeFile("minute", 59, {"-l", "The Album", "-d", "2001"}, 8000, 1);
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    TfrmOggPlayer form;
    TOggPlayer& player = form.Controller();
    form.ChooseFile = [&](QWidget*) { return first; };
    form.show();
    EXPECT_EQ(form.lFileName->text(), "OGG");
    EXPECT_FALSE(form.ScrollBar1->isEnabled());
    form.BitBtn1->click();
    EXPECT_EQ(player.DXAudioOut1.Status(), osBusy);
    EXPECT_FALSE(form.BitBtn1->isEnabled());
    EXPECT_TRUE(form.ScrollBar1->isEnabled());
    EXPECT_TRUE(player.Timer2.isActive());
    EXPECT_EQ(form.lFileName->text(), "Long Song");
    EXPECT_EQ(form.lSampleRate->text(), "8000 bps");
    EXPECT_EQ(form.lTotalTime->text(), "3:05");
    EXPECT_EQ(form.lCurrentTime->text(), "0:00");
    // Only the comments the file has: the usual ones in a fixed order, then the others.
    EXPECT_EQ(form.Memo1->toPlainText(), "Artist: The Band\nTitle: A Title\nGenre: Rock\nTrack: 7\n"
                                         "Comment: Recorded live\nOrganization: Home Label");
    ASSERT_TRUE(WaitUntil([&] { return player.DXAudioOut1.Device().BytesPlayed() > 0; }));

    form.bStop->click();
    ASSERT_TRUE(WaitUntil([&] { return form.BitBtn1->isEnabled(); }));
    form.ChooseFile = [&](QWidget*) { return second; };
    form.BitBtn1->click();
    EXPECT_EQ(form.lFileName->text(), "minute");
    EXPECT_EQ(form.lTotalTime->text(), "0:59");
    EXPECT_EQ(form.Memo1->toPlainText(), "Album: The Album\nDate: 2001");
    ASSERT_TRUE(WaitUntil([&] { return player.DXAudioOut1.Device().BytesPlayed() > 0; }));

    // The title bar's close is refused while playing, stops playback, and closes afterwards.
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(player.CloseAllowed);
    EXPECT_EQ(player.DXAudioOut1.Status(), osIdle);
    ASSERT_TRUE(WaitUntil([&] { return !form.isVisible(); }));
    EXPECT_TRUE(Prompts.Shown().isEmpty());
}

TEST_F(OggPlayerTest, ShortFilePlaysToItsEnd) {
    const QString ogg = MakeFile("short", 1);
    ASSERT_FALSE(ogg.isEmpty());
    TfrmOggPlayer form;
    form.ChooseFile = [&](QWidget*) { return ogg; };
    TOggPlayer& player = form.Controller();
    // Quicker than real time on the disk driver.
    player.DXAudioOut1.Latency = 0;
    player.DXAudioOut1.SetFramesInBuffer(44100);
    player.DXAudioOut1.PollingInterval = 10;
    player.DXAudioOut1.PrefetchData = false;
    form.show();
    form.BitBtn1->click();
    EXPECT_EQ(form.lTotalTime->text(), "0:01");
    ASSERT_TRUE(WaitUntil([&] { return form.BitBtn1->isEnabled(); }));
    EXPECT_FALSE(form.ScrollBar1->isEnabled());
    EXPECT_FALSE(player.Timer2.isActive());
    EXPECT_EQ(form.ScrollBar1->value(), 100);
    // Pause on an idle window resumes nothing and starts the timer.
    form.BitBtn2->click();
    EXPECT_EQ(player.DXAudioOut1.Status(), osIdle);
    EXPECT_TRUE(player.Timer2.isActive());
    form.bStop->click();
    EXPECT_FALSE(player.Timer2.isActive());
    form.bClose->click();
    ASSERT_TRUE(WaitUntil([&] { return !form.isVisible(); }));
}

TEST_F(OggPlayerTest, InvalidFilesAreRefused) {
    const QString ogg = MakeFile("real", 1);
    ASSERT_FALSE(ogg.isEmpty());
    const QString renamed = Folder.File("real.mp3");
    ASSERT_TRUE(QFile::copy(ogg, renamed));
    const QString bad = Folder.File("bad.OGG");
    ASSERT_TRUE(WriteFile(bad, QByteArray(5000, 'x')));
    TfrmOggPlayer form;
    form.show();
    for (const QString& file : {renamed, bad, Folder.File("missing.ogg")}) {
        form.ChooseFile = [&](QWidget*) { return file; };
        Prompts.Queue(TPromptAnswer::Ok);
        form.BitBtn1->click();
        EXPECT_EQ(form.Controller().DXAudioOut1.Status(), osIdle);
        EXPECT_TRUE(form.BitBtn1->isEnabled());
        EXPECT_EQ(form.lFileName->text(), "OGG");
    }
    EXPECT_EQ(Prompts.Shown(), QStringList(3, "Ogg file is not valid."));
    // Cancelling the dialog does nothing.
    form.ChooseFile = [](QWidget*) { return QString(); };
    form.BitBtn1->click();
    EXPECT_EQ(Prompts.Shown().size(), 3);
}

TEST_F(OggPlayerTest, AFileThatCannotBePlayedSaysWhy) {
    const QString ogg = MakeFile("real", 1);
    ASSERT_FALSE(ogg.isEmpty());
    const TDiskAudio noSound("nosuchdriver");
    TfrmOggPlayer form;
    form.ChooseFile = [&](QWidget*) { return ogg; };
    form.show();
    Prompts.Queue(TPromptAnswer::Ok);
    form.BitBtn1->click();
    ASSERT_TRUE(WaitUntil([&] { return !Prompts.Shown().isEmpty(); }));
    EXPECT_TRUE(Prompts.Shown()[0].startsWith("The Ogg file could not be played: Failed to create sound device: "))
        << Prompts.Shown()[0].toStdString();
    EXPECT_EQ(Prompts.Icons()[0], TPromptIcon::Error);
    EXPECT_TRUE(form.BitBtn1->isEnabled());
}

TEST_F(OggPlayerTest, TimesScrollingBalanceAndLanguage) {
    EXPECT_EQ(TOggPlayer::TotalTimeString(185), "3:05");
    EXPECT_EQ(TOggPlayer::TotalTimeString(59), "0:59");
    EXPECT_EQ(TOggPlayer::TotalTimeString(600), "10:00");
    EXPECT_EQ(TOggPlayer::ElapsedString(61500), "1:01");

    ASSERT_TRUE(QFile::copy(SourceDir() + "/lang/CLan_German.ini", Folder.File("CLan_German.ini")));
    Settings.Lan = "German";
    TfrmOggPlayer form;
    form.show();
    EXPECT_EQ(form.windowTitle(), "Ogg-Player");
    EXPECT_EQ(form.bClose->text(), QString::fromUtf8("Schließen"));

    // Dragging to 50 on a 200-second file shows 1:40 at the next tick.
    TOggPlayer& player = form.Controller();
    player.TotalSeconds = 200;
    player.Scroll(50);
    EXPECT_EQ(player.ElapsedMs, 100000u);
    player.Timer2Timer();
    EXPECT_EQ(form.lCurrentTime->text(), "1:40");
    // The timer stops counting at the total time.
    player.ElapsedMs = 200000;
    player.Timer2Timer();
    EXPECT_EQ(player.ElapsedMs, 200000u);

    form.TrackBar1->setValue(2);
    EXPECT_FLOAT_EQ(player.StereoBalance1.Balance(), 0.2f);
    form.TrackBar1->setValue(10);
    EXPECT_FLOAT_EQ(player.StereoBalance1.Balance(), 1.0f);
}
