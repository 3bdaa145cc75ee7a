// The recorder's controller with its dialogs answered by a scripted view and its questions by a
// scripted prompter, recording through SDL's disk driver and exporting with the real lame.
#include "record/RecordController.h"
#include "core/Settings.h"
#include "platform/Prompter.h"
#include "record/RecordMixer.h"
#include "record/RecordTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <deque>

namespace {

class TScriptedView : public TRecordView {
public:
    bool AskNewFormat(TRecordFormat& format) override {
        format = Format;
        return true;
    }
    QString AskOpenFile(const QString&) override { return Take(OpenNames); }
    QString AskSaveFile(const QString&) override { return Take(SaveNames); }
    bool RunMp3Export(const QString& wavFile) override {
        Jobs.push_back(QStringList{wavFile});
        return TRecordView::RunMp3Export(wavFile);
    }

    TRecordFormat Format{22050, 16, 1};
    std::deque<QString> OpenNames;
    std::deque<QString> SaveNames;
    std::vector<QStringList> Jobs;

private:
    static QString Take(std::deque<QString>& names) {
        if (names.empty())
            return QString();
        QString n = names.front();
        names.pop_front();
        return n;
    }
};

const QString IdleState = QStringLiteral("-----------");

class RecordControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetPrompter(&Prompts);
        Input = MakePcm16(22050, 1, 4, 22050);
        ASSERT_TRUE(WriteFile(Folder.File("in.raw"), Input));
    }
    void TearDown() override { SetPrompter(nullptr); }

    // Record then Stop, with the recording ending by itself after `ms`.
    void RecordFor(TRecordController& c, int64_t ms) {
        c.RecordLimit = ms;
        c.ButtonClick(btRecord);
        ASSERT_TRUE(c.RecordTimerOn());
        ASSERT_TRUE(WaitUntil([&] { return c.Device().Mode() != wmRecording; }));
        c.ButtonClick(btStop);
    }
    // A named document holding one second of `Input`, opened in `c`.
    QString OpenNamed(TRecordController& c, const QString& name) {
        const QString file = Folder.File(name);
        EXPECT_TRUE(WriteFile(file, MakeWav(Input, 1, 22050, 16)));
        View.OpenNames = {file};
        c.Open();
        return file;
    }

    TTempProgramFolder Folder;
    TScriptedPrompter Prompts;
    TScriptedView View;
    QByteArray Input;
    const TDiskAudio Audio{Folder.File("in.raw"), Folder.File("out.raw")};
};

TEST(RecordDurationTextTest, MinutesAndAboveByPartsBelowThreeSignificantDigits) {
    EXPECT_EQ(RecordDurationText(3930000), "1Hour5 Min30 Sec");
    EXPECT_EQ(RecordDurationText(3600000), "1Hour");
    EXPECT_EQ(RecordDurationText(60000), "1 Min");
    EXPECT_EQ(RecordDurationText(125000), "2 Min5 Sec");
    EXPECT_EQ(RecordDurationText(12345), "12.3 Sec");
    EXPECT_EQ(RecordDurationText(59999), "60 Sec");
    EXPECT_EQ(RecordDurationText(500), "0.5 Sec");
    EXPECT_EQ(RecordDurationText(0), "0 Sec");
}

TEST_F(RecordControllerTest, NewRecordStopAndSaveTheUnnamedRecording) {
    TRecordController c(&View);
    EXPECT_EQ(c.EnabledButtons, 0u);
    c.New();
    EXPECT_EQ(c.DocumentFile, c.UnnamedFile());
    EXPECT_EQ(ReadFile(c.UnnamedFile()), MakeWav(QByteArray(), 1, 22050, 16));
    EXPECT_EQ(c.EnabledButtons, MPBtn(btRecord));
    EXPECT_EQ(c.Caption, "Record(NoName)");
    EXPECT_EQ(c.LengthText, "0.00 Sec");
    EXPECT_EQ(c.RecordTimeText, "00:00:00.0");

    c.RecordLimit = 1000;
    c.ButtonClick(btRecord);
    EXPECT_EQ(c.EnabledButtons, MPBtn(btStop));
    EXPECT_EQ(c.StateText, "Recording...");
    EXPECT_TRUE(c.Modified);
    EXPECT_FALSE(c.SaveEnabled());
    ASSERT_TRUE(WaitUntil([&] { return c.Device().Mode() != wmRecording; }));
    c.ButtonClick(btStop);
    // On disk before anything is asked.
    EXPECT_EQ(ReadFile(c.UnnamedFile()), MakeWav(Input, 1, 22050, 16));
    EXPECT_EQ(c.StateText, "Record over!");
    EXPECT_EQ(c.Slider, 400);
    EXPECT_EQ(c.LengthText, "1 Sec");
    EXPECT_EQ(c.EnabledButtons, MPBtn(btPlay) | MPBtn(btNext) | MPBtn(btPrev) | MPBtn(btRecord));
    EXPECT_FALSE(c.UndoEnabled()); // unnamed

    // Save asks for a name: an MP3 name is refused, an upper-case ".WAV" one taken.
    View.SaveNames = {Folder.File("take.mp3")};
    c.Save();
    ASSERT_EQ(Prompts.Shown().size(), 1);
    EXPECT_EQ(Prompts.Shown()[0], "The save file should be WAV!");
    EXPECT_EQ(c.DocumentFile, c.UnnamedFile());
    const QString named = Folder.File("take.WAV");
    View.SaveNames = {named};
    c.Save();
    EXPECT_EQ(Prompts.Shown().size(), 1);
    EXPECT_EQ(c.DocumentFile, named);
    EXPECT_FALSE(c.Modified);
    EXPECT_EQ(c.Caption, "Record(" + named + ")");
    EXPECT_EQ(ReadFile(named), MakeWav(Input, 1, 22050, 16));
    EXPECT_EQ(ReadFile(c.WorkFile), ReadFile(named));
    EXPECT_FALSE(QFileInfo::exists(c.UnnamedFile()));
    EXPECT_EQ(c.EnabledButtons, MPBtn(btPlay) | MPBtn(btNext) | MPBtn(btRecord));

    c.FormClose();
    EXPECT_FALSE(QFileInfo::exists(c.WorkFile));
    EXPECT_TRUE(QFileInfo::exists(named));
}

TEST_F(RecordControllerTest, ModifiedNamedDocumentsAskBeforeClosingAndCanBeUndone) {
    TRecordController c(&View);
    const QString file = OpenNamed(c, "song.wav");
    const QByteArray saved = ReadFile(file);
    EXPECT_EQ(c.EnabledButtons, MPBtn(btPlay) | MPBtn(btNext) | MPBtn(btRecord));
    EXPECT_EQ(c.LengthText, "1 Sec");

    // Prev, then a recording replaces the document's audio from the start (in the work copy).
    c.ButtonClick(btNext);
    EXPECT_EQ(c.Slider, 400);
    c.ButtonClick(btPrev);
    RecordFor(c, 500);
    EXPECT_EQ(ReadFile(file), saved);
    EXPECT_TRUE(c.UndoEnabled());
    const QByteArray recorded = ReadFile(c.WorkFile);
    EXPECT_EQ(recorded, MakeWav(Input.left(Input.size() / 2), 1, 22050, 16));

    // Closing: Cancel keeps the window and the recording; the window says nothing else.
    Prompts.Queue(TPromptAnswer::Cancel);
    EXPECT_FALSE(c.FormCloseQuery());
    ASSERT_EQ(Prompts.Shown().size(), 1);
    EXPECT_EQ(Prompts.Shown()[0], file + " has been modified,Save it?");
    EXPECT_EQ(ReadFile(c.WorkFile), recorded);

    // Undo: No keeps the recording, Yes brings the saved document back.
    Prompts.Queue(TPromptAnswer::No);
    c.Undo();
    EXPECT_EQ(Prompts.Shown().last(), "Discard the modification since last save file.");
    EXPECT_TRUE(c.Modified);
    Prompts.Queue(TPromptAnswer::Yes);
    c.Undo();
    EXPECT_FALSE(c.Modified);
    EXPECT_EQ(ReadFile(c.WorkFile), saved);
    EXPECT_EQ(c.LengthText, "1 Sec");
    EXPECT_EQ(c.PositionText, "1 Sec");

    // Yes saves the work copy over the document.
    RecordFor(c, 250);
    Prompts.Queue(TPromptAnswer::Yes);
    EXPECT_TRUE(c.FormCloseQuery());
    EXPECT_EQ(ReadFile(file), ReadFile(c.WorkFile));
    c.FormClose();
    EXPECT_FALSE(QFileInfo::exists(c.WorkFile));
}

TEST_F(RecordControllerTest, SaveAsKeepsTheRecordingAndOpenWarnsAboutMissingFiles) {
    TRecordController c(&View);
    const QString file = OpenNamed(c, "first.wav");
    const QByteArray saved = ReadFile(file);
    RecordFor(c, 500);
    const QByteArray current = ReadFile(c.WorkFile);

    // An existing name needs Yes.
    const QString other = Folder.File("second.wav");
    ASSERT_TRUE(WriteFile(other, "keep me"));
    View.SaveNames = {other};
    Prompts.Queue(TPromptAnswer::No);
    c.SaveAs();
    EXPECT_EQ(Prompts.Shown().last(), other + " has existed,overite it?");
    EXPECT_EQ(ReadFile(other), "keep me");
    EXPECT_EQ(c.DocumentFile, file);
    View.SaveNames = {other};
    Prompts.Queue(TPromptAnswer::Yes);
    c.SaveAs();
    EXPECT_EQ(c.DocumentFile, other);
    EXPECT_EQ(ReadFile(other), current); // the recording went along
    EXPECT_EQ(ReadFile(file), saved);    // the old document as last saved
    EXPECT_FALSE(c.Modified);

    // Open: a missing name is reported and asked again; the open document does nothing.
    const int shown = int(Prompts.Shown().size());
    const QString missing = Folder.File("missing.wav");
    View.OpenNames = {missing, other};
    c.Open();
    ASSERT_EQ(Prompts.Shown().size(), shown + 1);
    EXPECT_EQ(Prompts.Shown().last(), missing + "\r\nCould not be found！\r\nPlease check the filename correct or not");
    EXPECT_EQ(c.DocumentFile, other);
    EXPECT_TRUE(View.OpenNames.empty());
}

TEST_F(RecordControllerTest, StopRoundsTheRecordingUpToAWholeSecond) {
    TRecordController c(&View);
    const TDiskAudio realTime(Folder.File("in.raw"), Folder.File("out.raw"), true);
    int64_t now = 0;
    std::vector<int32_t> waits;
    c.Clock = [&] { return now; };
    c.Wait = [&](int32_t ms) {
        waits.push_back(ms);
        now += ms;
    };
    c.New();
    c.ButtonClick(btRecord);
    now = 7400;
    c.RecordTimerTick();
    EXPECT_EQ(c.RecordTimeText, "00:00:07.4");
    c.ButtonClick(btStop);
    EXPECT_EQ(waits, std::vector<int32_t>{600});
    EXPECT_EQ(c.RecordTimeText, "00:00:08.0");
    EXPECT_FALSE(c.RecordTimerOn());

    // At a tenth or less past the second there is no wait.
    c.ButtonClick(btRecord);
    now += 3050;
    c.RecordTimerTick();
    c.ButtonClick(btStop);
    EXPECT_EQ(waits.size(), 1u);
    Prompts.Queue(TPromptAnswer::No);
    c.FormCloseQuery();
    c.FormClose();
}

TEST_F(RecordControllerTest, Mp3ExportAsksOncePerDocumentAndNeedsNoCdDrive) {
    if (FindTool("lame").isEmpty())
        GTEST_SKIP() << "lame is not installed";
    Settings.OutputFormat = ofWAV;
    TRecordController c(&View);
    c.SetSaveMp3(true);
    const QString file = OpenNamed(c, "voice.wav");
    const QString mp3 = Folder.File("voice.mp3");
    ASSERT_TRUE(WriteFile(mp3, "old"));

    RecordFor(c, 250);
    Prompts.Queue(TPromptAnswer::No); // not over the old MP3
    c.Save();
    EXPECT_EQ(Prompts.Shown().last(), mp3 + " has existed,overite it?");
    EXPECT_EQ(ReadFile(mp3), "old");
    EXPECT_TRUE(View.Jobs.empty());

    RecordFor(c, 250);
    Prompts.Queue(TPromptAnswer::Yes);
    c.Save();
    ASSERT_EQ(View.Jobs.size(), 1u);
    EXPECT_EQ(View.Jobs[0], QStringList{file});
    EXPECT_TRUE(c.LastExportWritten);
    EXPECT_NE(ReadFile(mp3), "old");
    EXPECT_GT(ReadFile(mp3).size(), 1000);
    EXPECT_EQ(Settings.OutputFormat, ofWAV); // the rips' format is the user's again

    // The question has been answered for this document: the next save overwrites silently.
    const int shown = int(Prompts.Shown().size());
    RecordFor(c, 250);
    c.Save();
    EXPECT_EQ(View.Jobs.size(), 2u);
    EXPECT_EQ(Prompts.Shown().size(), shown);

    // Another document asks again.
    OpenNamed(c, "other.wav");
    ASSERT_TRUE(WriteFile(Folder.File("other.mp3"), "old"));
    RecordFor(c, 250);
    Prompts.Queue(TPromptAnswer::No);
    c.Save();
    EXPECT_EQ(Prompts.Shown().size(), shown + 1);
    c.FormClose();
    EXPECT_TRUE(Settings.SaveMp3);
}

TEST_F(RecordControllerTest, FailuresKeepTheRecordingAndSayWhereItIs) {
    TRecordController c(&View);
    // A document in a folder that disappears before it is saved.
    ASSERT_TRUE(QDir(Folder.Path()).mkdir("gone"));
    const QString file = OpenNamed(c, "gone/song.wav");
    RecordFor(c, 500);
    const QByteArray recorded = ReadFile(c.WorkFile);
    ASSERT_TRUE(QDir(Folder.File("gone")).removeRecursively());
    c.Save();
    ASSERT_FALSE(Prompts.Shown().isEmpty());
    EXPECT_EQ(Prompts.Shown().last(), "Error when saving WAV file,please check if the file is being uesd.\r\n"
                                      "The recording is kept in " +
                                          QDir::toNativeSeparators(c.WorkFile));
    EXPECT_TRUE(c.Modified);
    EXPECT_EQ(ReadFile(c.WorkFile), recorded);
    Prompts.Queue(TPromptAnswer::Yes);
    EXPECT_FALSE(c.FormCloseQuery()); // the save fails again: the window stays
    EXPECT_EQ(ReadFile(c.WorkFile), recorded);

    // A disk that fills up during the save: the box gives the system's reason.
    Prompts.Queue(TPromptAnswer::No);
    ASSERT_TRUE(c.FormCloseQuery());
    c.FormClose();
    TRecordController full(&View);
    full.New();
    {
        const TFileSizeLimit limit(20000);
        RecordFor(full, 1000);
    }
    EXPECT_TRUE(Prompts.Shown().last().startsWith("Error while saving sound file!\r\n" + full.DocumentFile + ": " +
                                                  QString::fromLocal8Bit(strerror(EFBIG))))
        << Prompts.Shown().last().toStdString();
    full.FormClose();

    // No capture device: the device error with its reason; nothing changes.
    const TDiskAudio noDevice(Folder.File("missing.raw"), Folder.File("out.raw"));
    TRecordController d(&View);
    d.New();
    d.ButtonClick(btRecord);
    EXPECT_TRUE(Prompts.Shown().last().startsWith("Error while initializing MCI device!\r\n"));
    EXPECT_GT(Prompts.Shown().last().size(), QString("Error while initializing MCI device!\r\n").size());
    EXPECT_FALSE(d.Modified);
    EXPECT_FALSE(d.RecordTimerOn());
    EXPECT_EQ(d.EnabledButtons, MPBtn(btRecord));
    Q_UNUSED(file);
}

} // namespace

namespace {

TEST(RecordMixerTest, TheVolumeControlOpensOnItsRecordingPage) {
    QTemporaryDir dir;
    auto tool = [&](const QString& name) {
        const QString path = dir.filePath(name);
        ASSERT_TRUE(WriteFile(path, "#!/bin/sh\n"));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    TRecordingMixerCommand command;
    EXPECT_FALSE(FindRecordingMixer(command, {dir.path()}));
    tool("alsamixer");
    EXPECT_FALSE(FindRecordingMixer(command, {dir.path()})); // no terminal to run it in
    tool("xterm");
    ASSERT_TRUE(FindRecordingMixer(command, {dir.path()}));
    EXPECT_EQ(command.Program, dir.filePath("xterm"));
    EXPECT_EQ(command.Arguments, QStringList({"-e", dir.filePath("alsamixer"), "-V", "capture"}));
    tool("pavucontrol");
    ASSERT_TRUE(FindRecordingMixer(command, {dir.path()}));
    EXPECT_EQ(command.Program, dir.filePath("pavucontrol"));
    EXPECT_EQ(command.Arguments, QStringList{"--tab=2"});
}

} // namespace
