// The main window's controller on disc images: the list from the TOC and cdinfo.dat, the
// enabled rules, every refusal of Extract and the path it ends in, file conversions, closing,
// media changes, the no-device hint and opening disc images.
#include "app/MainController.h"
#include "jobs/ConvertBatch.h"
#include "jobs/ConvertJob.h"
#include "jobs/DriveLibrarySource.h"
#include "jobs/ImageRip.h"
#include "jobs/RipPipeline.h"

#include "app/MainFixture.h"
#include "cd/akrip32.h"
#include "cddb/CddbTestCommon.h"
#include "core/Helpers.h"
#include "core/Settings.h"
#include "metadata/MusicBrainzJson.h"
#include "metadata/MusicBrainzTestServer.h"
#include "platform/IniFile.h"
#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <optional>

namespace {

// The window's side, recorded: hooks reached, dialogs answered from the test.
// "NN" and the file base name of each track of a rip.
QStringList ItemsOf(const TRipRequest& request) {
    QStringList items;
    for (const TTrackEntry& t : request.Tracks)
        items << TwoDigits(t.Number) + t.BaseName;
    return items;
}

class TRecordingHost : public TMainWindowHost {
public:
    struct TJob {
        bool CDRip = false;
        TJobKind Kind = TJobKind::None;
        int Handle = 0;
        QStringList Items;
    };

    THintChoice HintAnswer = THintChoice::Close;
    int Hints = 0;
    QString Image;
    QStringList Files;
    QString Filter;
    std::optional<QString> NewTitle;
    std::function<void()> WhileOpen; // runs while the title or query dialog is open
    QStringList Opened;
    std::vector<TJob> Jobs;

    THintChoice ShowNoDeviceHint() override {
        ++Hints;
        return HintAnswer;
    }
    QString ChooseDiscImage() override { return Image; }
    QStringList ChooseFiles(TJobKind, const QString& filter) override {
        Filter = filter;
        return Files;
    }
    bool EditTitle(QString& title) override {
        if (WhileOpen)
            WhileOpen();
        if (!NewTitle)
            return false;
        title = *NewTitle;
        return true;
    }
    bool OpenInShell(const QString& target) override {
        Opened << target;
        return true;
    }
    void RunJobWindow(std::unique_ptr<TJobController> job) override {
        if (auto* image = dynamic_cast<TImageRipJob*>(job.get())) {
            // Run as the window runs it, to the end.
            image->Start();
            EXPECT_TRUE(WaitUntil([&] { return image->Finished; }));
            Jobs.push_back({false, TJobKind::None, 0, image->FilesWritten()});
            return;
        }
        if (auto* rip = dynamic_cast<TRipPipeline*>(job.get())) {
            auto& source = dynamic_cast<TDriveLibrarySource&>(rip->Source());
            Jobs.push_back({false, TJobKind::RipTracks, source.Handle(), ItemsOf(rip->Request())});
        } else if (auto* batch = dynamic_cast<TConvertBatch*>(job.get())) {
            Jobs.push_back({false, batch->JobKind, 0, batch->JobList});
        } else {
            auto& convert = dynamic_cast<TConvertJob&>(*job);
            Jobs.push_back({false, convert.JobKind, 0, convert.JobList});
        }
    }
    void RunCDRipWindow(const TRipRequest& request) override {
        Jobs.push_back({true, TJobKind::RipTracks, 0, ItemsOf(request)});
    }
    void RunQueryCddbDialog(uint8_t first, uint8_t last, int handle,
                            const std::function<void(const TQueryCddbResult&)>& onResult) override {
        QueryDialogs.push_back({first, last, handle});
        if (WhileOpen)
            WhileOpen();
        if (QueryResult)
            onResult(*QueryResult);
    }

    struct TQueryDialog {
        int First, Last, Handle;
    };
    std::vector<TQueryDialog> QueryDialogs;
    std::optional<TQueryCddbResult> QueryResult; // what the dialog's query "finds"

    int ChooseRelease(const std::vector<TDiscCandidate>& candidates, const QString& source) override {
        Offered << QString::number(candidates.size()) + ' ' + source;
        return Pick;
    }
    bool AskCddbEmail(QString& email) override {
        ++EmailQuestions;
        email = Email;
        return !Email.isEmpty();
    }
    int Pick = -1;       // the release chooser's answer
    QStringList Offered; // "count source" of each release chooser shown
    QString Email;       // the address typed when asked (empty: Cancel)
    int EmailQuestions = 0;
};

QStringList Titles(const TMainController& c) {
    QStringList titles;
    for (const TTrackRow& r : c.Rows())
        titles << r.Title;
    return titles;
}

const QString NoDisc = QStringLiteral("Can not find audio CD in your CD device.");

TEST(MainControllerTest, StartListsTheTocWithTitlesFromCdinfo) {
    TMainFixture f;
    const TDiscImage disc = f.Disc("album");
    f.WriteOptions({disc.CuePath});
    f.WriteTitles(TMainFixture::KeyOf(disc), {{1, "Intro"}, {2, ""}, {3, "Song: Three?"}});
    TRecordingHost host;
    TMainController c(&host);
    c.Show();

    ASSERT_NE(c.CDHandle, 0);
    ASSERT_EQ(c.Rows().size(), 4u);
    // Track 4 lies past the stored TrackNumber (3): its title is the default.
    EXPECT_EQ(Titles(c), QStringList({"Intro", "Track02", "Song: Three?", "Track04"}));
    // Lengths from the TOC addresses, frames ignored, seconds borrowed: track 4 runs from
    // 00:59:09 to 01:07:22.
    const QStringList lengths = {"00:16", "00:31", "00:10", "00:08"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(c.Rows()[i].Number, i + 1);
        EXPECT_TRUE(c.Rows()[i].Selected);
        EXPECT_EQ(c.Rows()[i].Length, lengths[i]);
    }
    EXPECT_EQ(c.Rows()[1].Size, "05.22");
    EXPECT_EQ(c.Status(), "Image album");
    EXPECT_EQ(c.SavedStatus, "Image album");
    EXPECT_EQ(ItemsOf(c.RipRequest()), QStringList({"01Intro", "02Track02", "03Song Three", "04Track04"}));
    // Only the file name is cleaned: tags and windows take the title as it was typed.
    EXPECT_EQ(c.RipRequest().Tracks[2].Title, "Song: Three?");
    EXPECT_TRUE(f.Scripted.Shown().isEmpty());
}

TEST(MainControllerTest, AudioCDIsLookedForInTheOpenDriveNotTheFirst) {
    TMainFixture f;
    const TDiscImage data = f.Disc("data", {{300, true}, {200, false}});
    const TDiscImage audio = f.Disc("audio", {{400, false}, {500, false}});
    f.WriteOptions({data.CuePath, audio.CuePath}, 1);
    TRecordingHost host;
    TMainController c(&host);
    c.Show();
    EXPECT_EQ(c.Rows().size(), 2u);
    EXPECT_FALSE(c.NoDisc);
    EXPECT_EQ(c.ListedDiscKey(), TMainFixture::KeyOf(audio));
}

TEST(MainControllerTest, AFailedOpenLeavesTheCDInputsHandleAlone) {
    TMainFixture f;
    const TDiscImage good = f.Disc("good");
    f.WriteOptions({good.CuePath, f.Folder.File("missing.cue")}, 1);
    TRecordingHost host;
    TMainController c(&host);
    // The CD input reads drive 0 through a handle of the drive library.
    ASSERT_EQ(c.CDInput().TrackCount(), 4);
    c.Show(); // drive 1 cannot be opened
    EXPECT_EQ(c.CDHandle, 0);
    EXPECT_EQ(c.Status(), "No CD devices found!");
    EXPECT_EQ(c.CDInput().TrackCount(), 4);
}

TEST(MainControllerTest, CheckBoxesSelectionAndEnabledRules) {
    TMainFixture f;
    const TDiscImage disc = f.Disc("album");
    f.WriteOptions({disc.CuePath});
    TRecordingHost host;
    TMainController c(&host);
    c.Show();

    TMainEnables e = c.Enables();
    EXPECT_TRUE(e.Extract);
    EXPECT_TRUE(e.QueryFreedb);
    EXPECT_FALSE(e.Play);
    EXPECT_FALSE(e.RenameTitle);
    EXPECT_FALSE(e.Stop);
    EXPECT_FALSE(e.Pause);
    EXPECT_FALSE(e.Door); // an image has no door: the door commands leave it alone
    c.Eject();
    c.CloseDoor();
    c.PollMedia();
    EXPECT_EQ(c.Rows().size(), 4u);
    EXPECT_TRUE(c.AudioCDPresent());

    c.SetCurrentRow(2);
    EXPECT_TRUE(c.Enables().Play);
    EXPECT_TRUE(c.Enables().RenameTitle);
    c.ToggleCurrentRow();
    EXPECT_FALSE(c.Rows()[2].Selected);
    c.ToggleCurrentRow();
    EXPECT_TRUE(c.Rows()[2].Selected);

    c.SelectNone();
    EXPECT_FALSE(c.Enables().Extract);
    c.SetRowSelected(3, true);
    EXPECT_TRUE(c.Enables().Extract);
    EXPECT_EQ(ItemsOf(c.RipRequest()), QStringList({"04Track04"}));
    c.SelectAll();
    EXPECT_EQ(ItemsOf(c.RipRequest()).size(), 4);

    c.Playing = true;
    EXPECT_TRUE(c.Enables().Stop);
    EXPECT_TRUE(c.Enables().Pause);
    c.Paused = true;
    EXPECT_FALSE(c.Enables().Pause);
    c.Stop();
    EXPECT_FALSE(c.Playing);
    EXPECT_FALSE(c.Enables().Stop);

    // Renaming through the title dialog changes the row only on OK.
    c.RenameTitle();
    EXPECT_EQ(c.Rows()[2].Title, "Track03");
    host.NewTitle = "Third";
    c.RenameTitle();
    EXPECT_EQ(c.Rows()[2].Title, "Third");
}

TEST(MainControllerTest, RenamedTitlesComeBackAsShownAfterARestart) {
    TMainFixture f;
    const TDiscImage disc = f.Disc("album");
    f.WriteOptions({disc.CuePath});
    // Characters of the INI syntax and blanks at the ends are kept; a line break pasted into
    // the title becomes a blank at once, as cdinfo.dat would store it.
    const QStringList typed = {"\"Quoted\" a=b", "[x]; y", "  blanks  ", "two\r\nlines\n"};
    const QStringList shown = {"\"Quoted\" a=b", "[x]; y", "  blanks  ", "two  lines "};
    {
        TRecordingHost host;
        TMainController c(&host);
        c.Show();
        for (int row = 0; row < 4; ++row) {
            c.SetCurrentRow(row);
            host.NewTitle = typed[row];
            c.RenameTitle();
        }
        EXPECT_EQ(Titles(c), shown);
        EXPECT_EQ(ItemsOf(c.RipRequest()).last(), "04two  lines ");
        // An empty title (a CDDB entry without one) shows the default name.
        c.SetRowTitle(0, "");
        EXPECT_EQ(c.Rows()[0].Title, "Track01");
        c.SetRowTitle(0, typed[0]);
        c.Close();
    }
    TRecordingHost host;
    TMainController c(&host);
    c.Show();
    EXPECT_EQ(Titles(c), shown);
}

TEST(MainControllerTest, ExtractRunsEveryCheckInOrderAndEndsInTheRightWindow) {
    TMainFixture f;
    const TDiscImage disc = f.Disc("album");
    f.WriteOptions({disc.CuePath});
    TRecordingHost host;
    TMainController c(&host);
    c.Show();
    // A folder the user typed: asked about before it is made.
    const QString output = f.Folder.File("My Rips");
    Settings.OutputFolder = output;

    // No row checked.
    c.SelectNone();
    c.Extract();
    EXPECT_EQ(f.Scripted.Shown().last(), "Please select a track at least!");
    c.SetRowSelected(0, true);
    c.SetRowSelected(2, true);

    // Missing output folder, creation declined (no answer queued = No).
    c.Extract();
    EXPECT_EQ(f.Scripted.Shown().last(), output + ",The output directory does not exist.\ncreates a new directory?");
    EXPECT_EQ(f.Scripted.Icons().last(), TPromptIcon::Information);
    EXPECT_FALSE(QDir(output).exists());

    // A length limit of 0 seconds stops after the folder was created.
    Settings.EnableRipTime = true;
    Settings.RipTime = 0;
    f.Scripted.Queue(TPromptAnswer::Yes);
    c.Extract();
    EXPECT_TRUE(QDir(output).exists());
    EXPECT_EQ(f.Scripted.Shown().last(), "You select to extract 0 second, please change it on Options dialog.");
    EXPECT_TRUE(host.Jobs.empty());

    // Everything right: the job window with kind 1, the drive handle and the checked rows.
    Settings.RipTime = 30;
    const int shown = int(f.Scripted.Shown().size());
    c.Extract();
    EXPECT_EQ(f.Scripted.Shown().size(), shown);
    ASSERT_EQ(host.Jobs.size(), 1u);
    EXPECT_FALSE(host.Jobs[0].CDRip);
    EXPECT_EQ(host.Jobs[0].Kind, TJobKind::RipTracks);
    EXPECT_EQ(host.Jobs[0].Handle, c.CDHandle);
    EXPECT_EQ(host.Jobs[0].Items, QStringList({"01Track01", "03Track03"}));

    // The default folder is made when first needed, without a question.
    Settings.OutputFolder = DefaultOutputFolder();
    ASSERT_FALSE(QDir(Settings.OutputFolder).exists());
    c.Extract();
    EXPECT_EQ(f.Scripted.Shown().size(), shown);
    EXPECT_TRUE(QDir(Settings.OutputFolder).exists());
    ASSERT_EQ(host.Jobs.size(), 2u);

    // A folder that cannot be created.
    Settings.OutputFolder = f.Folder.File("missing/deeper");
    f.Scripted.Queue(TPromptAnswer::Yes);
    c.Extract();
    EXPECT_EQ(f.Scripted.Shown().last(), "Cannot create " + Settings.OutputFolder);
    EXPECT_EQ(f.Scripted.Icons().last(), TPromptIcon::Error);
    EXPECT_EQ(host.Jobs.size(), 2u);

    // A folder nothing can be written to (not even by root): said so, instead of a box per
    // track that blames its title.
    Settings.OutputFolder = "/proc";
    c.Extract();
    EXPECT_EQ(f.Scripted.Shown().last(), "/proc can not be written to. Please check the output directory setting.");
    EXPECT_EQ(host.Jobs.size(), 2u);
    EXPECT_TRUE(QDir(output).entryList(QDir::Files | QDir::Hidden).isEmpty()); // the probe is gone
}

TEST(MainControllerTest, SingleFileRipsTheDiscIntoOneImageAndPickedCoversGoIntoRips) {
    const QString flac = FindTool("flac");
    if (flac.isEmpty())
        GTEST_SKIP() << "flac is not installed";
    TMainFixture f;
    const TDiscImage disc = f.Disc("album");
    f.WriteOptions({disc.CuePath});
    TRecordingHost host;
    TMainController c(&host);
    c.Show();
    Settings.OutputFolder = f.Folder.File("out");
    QDir().mkpath(Settings.OutputFolder);

    // A picture file picked as the cover goes into the rips; a file that is none is refused.
    const QByteArray png = QByteArray("\x89PNG\r\n\x1A\n", 8) + QByteArray(64, 'p');
    ASSERT_TRUE(WriteFile(f.Folder.File("cover.png"), png));
    ASSERT_TRUE(WriteFile(f.Folder.File("cover.gif"), "GIF89a"));
    EXPECT_FALSE(c.PickCover(f.Folder.File("cover.gif")));
    EXPECT_TRUE(f.Scripted.Shown().last().endsWith("cover.gif is not a JPEG or PNG picture"));
    EXPECT_TRUE(c.Cover().isEmpty());
    ASSERT_TRUE(c.PickCover(f.Folder.File("cover.png")));
    EXPECT_EQ(c.RipRequest().Cover, png);

    // Single file + cue sheet: the whole disc as one FLAC file, whatever rows are checked.
    Settings.SingleFile = true;
    Settings.OutputFormat = ofFLAC;
    c.SelectNone();
    c.SetRowSelected(1, true);
    c.Extract();
    ASSERT_EQ(host.Jobs.size(), 1u);
    ASSERT_EQ(host.Jobs[0].Items.size(), 2) << host.Jobs[0].Items.join(' ').toStdString();
    EXPECT_TRUE(host.Jobs[0].Items[0].endsWith(".flac"));
    EXPECT_TRUE(host.Jobs[0].Items[1].endsWith(".cue"));
    const TRunResult decoded = RunProgram(
        flac, {"-d", "-s", "-c", "--force-raw-format", "--endian=little", "--sign=signed", host.Jobs[0].Items[0]});
    ASSERT_EQ(decoded.ExitCode, 0) << decoded.Err.constData();
    EXPECT_TRUE(decoded.Out == disc.DiscAudio());
    // Asked again, the existing image is kept unless the user says Yes.
    c.Extract();
    EXPECT_TRUE(f.Scripted.Shown().last().endsWith(" has existed,overite it?"));
    EXPECT_EQ(host.Jobs.size(), 1u);
}

TEST(MainControllerTest, WithoutDriveHandleTheCDInputListsAndRips) {
    TMainFixture f;
    const TDiscImage other = f.Disc("other", {{300, false}});
    const TDiscImage disc = f.Disc("album");
    const QString key = TMainFixture::KeyOf(disc);
    f.WriteOptions({other.CuePath, disc.CuePath}, 1);
    f.WriteTitles(key, {{1, "Intro"}});
    QDir().mkpath(f.Folder.File("Output"));
    TRecordingHost host;
    TMainController c(&host);
    c.Show();
    ASSERT_EQ(c.Rows().size(), 4u);

    // Secure reading goes through the CD input even with a handle.
    Settings.Paranoia = true;
    c.Extract();
    Settings.Paranoia = false;
    ASSERT_EQ(host.Jobs.size(), 1u);
    EXPECT_TRUE(host.Jobs[0].CDRip);
    EXPECT_EQ(host.Jobs[0].Items.size(), 4);
    EXPECT_EQ(c.CDInput().DriveIndex(), 1); // the open drive, not the CD input's first

    // The drive library's handle gone: the CD input lists the same disc under the same key.
    CloseCDHandle(c.CDHandle);
    c.CDHandle = 0;
    c.RefillTrackList();
    ASSERT_EQ(c.Rows().size(), 4u);
    EXPECT_EQ(c.ListedDiscKey(), key);
    EXPECT_EQ(c.Rows()[0].Title, "Intro");
    EXPECT_EQ(c.Rows()[3].Length, "00:08");
    EXPECT_EQ(c.Status(), c.CDInput().DriveName());
    // Activations leave titles edited since then alone (the disc is the same).
    c.SetRowTitle(0, "Edited");
    c.Activate();
    EXPECT_EQ(c.Rows()[0].Title, "Edited");
    EXPECT_EQ(host.Hints, 0);
    c.Extract();
    ASSERT_EQ(host.Jobs.size(), 2u);
    EXPECT_TRUE(host.Jobs[1].CDRip);
    EXPECT_EQ(host.Jobs[1].Items[0], "01Edited");

    // Neither a handle nor a CD input drive: Extract refuses.
    TMainController bare(&host, std::make_unique<TNoCDInput>());
    bare.Show();
    CloseCDHandle(bare.CDHandle);
    bare.CDHandle = 0;
    bare.Extract();
    EXPECT_EQ(f.Scripted.Shown().last(), "Please access CD devices rightly above all!");
    EXPECT_EQ(host.Jobs.size(), 2u);
}

TEST(MainControllerTest, FileConversionsOutputFolderAndHelp) {
    TMainFixture f;
    f.WriteOptions({});
    TRecordingHost host;
    TMainController c(&host);
    host.Files = {"/music/a.wav", "/music/b.wav"};

    // A folder the user typed is never made here.
    Settings.OutputFolder = f.Folder.File("typed");
    c.ConvertFiles(TJobKind::WavToOgg);
    ASSERT_FALSE(f.Scripted.Shown().isEmpty());
    EXPECT_EQ(f.Scripted.Shown().last(),
              "The output directory does not exist.Please check the output directory setting.");
    EXPECT_TRUE(host.Jobs.empty());
    EXPECT_FALSE(QDir(Settings.OutputFolder).exists());

    // The default folder is made when first needed.
    Settings.OutputFolder = DefaultOutputFolder();
    c.ConvertFiles(TJobKind::WavToOgg);
    EXPECT_TRUE(host.Filter.startsWith("Sound file(*.wav)"));
    EXPECT_TRUE(QDir(Settings.OutputFolder).exists());
    c.ConvertFiles(TJobKind::Mp3ToWav);
    EXPECT_TRUE(host.Filter.startsWith("MP3 file(*.mp3)"));
    ASSERT_EQ(host.Jobs.size(), 2u);
    EXPECT_EQ(host.Jobs[0].Kind, TJobKind::WavToOgg);
    EXPECT_EQ(host.Jobs[0].Handle, 0);
    EXPECT_EQ(host.Jobs[0].Items, host.Files);
    EXPECT_EQ(host.Jobs[1].Kind, TJobKind::Mp3ToWav);

    // Cancelled dialog: nothing.
    host.Files.clear();
    c.ConvertFiles(TJobKind::WavToMp3);
    EXPECT_EQ(host.Jobs.size(), 2u);

    c.OpenOutputDirectory();
    EXPECT_EQ(host.Opened, QStringList({Settings.OutputFolder}));

    // The manual lies beside the executables; a test program has none beside it.
    EXPECT_TRUE(QFile::exists(BinDir() + "/help/index.html"));
    c.Help();
    EXPECT_EQ(f.Scripted.Shown().last(), "The manual (help/index.html) can not be found beside the program.");
}

TEST(MainControllerTest, ClosingWritesTitlesAndOptionsAndReportsAFailedSave) {
    TMainFixture f;
    const TDiscImage disc = f.Disc("album");
    const QString key = TMainFixture::KeyOf(disc);
    f.WriteOptions({disc.CuePath});
    f.WriteTitles(key, {{1, "Intro"}});
    {
        TRecordingHost host;
        TMainController c(&host);
        c.Show();
        c.SetRowTitle(1, "Renamed");
        Settings.BitRate = 192;
        c.CloseQuery();
        c.Close();
        EXPECT_EQ(c.CDHandle, 0);
        EXPECT_TRUE(f.Scripted.Shown().isEmpty());
    }
    const TIniFile info(f.Folder.File("cdinfo.dat"));
    EXPECT_EQ(info.ReadInteger(key, "TrackNumber", 0), 4);
    EXPECT_EQ(info.ReadString(key, "1", ""), "Intro");
    EXPECT_EQ(info.ReadString(key, "2", ""), "Renamed");
    EXPECT_EQ(info.ReadString(key, "Artist", ""), "Test Artist");
    const TIniFile options(f.Folder.File("options.ini"));
    EXPECT_EQ(options.ReadInteger("Mp3Options", "BitRate", 0), 192);
    EXPECT_EQ(options.ReadString("CDOptions", "Images", ""), disc.CuePath);

    // A folder where options.ini should be cannot be replaced by the file.
    QFile::remove(f.Folder.File("options.ini"));
    QDir().mkpath(f.Folder.File("options.ini"));
    TRecordingHost host;
    TMainController c(&host);
    c.Show();
    c.Close();
    EXPECT_EQ(f.Scripted.Shown().last(), SettingsSaveErrorText(OptionsFilePath()));
}

TEST(MainControllerTest, MediaChangeOfAnImageReplacedOnDisk) {
    TMainFixture f;
    const TDiscImage disc = f.Disc("album");
    f.WriteOptions({disc.CuePath});
    TRecordingHost host;
    TMainController c(&host);
    c.Show();
    ASSERT_EQ(c.Rows().size(), 4u);
    c.SetRowTitle(0, "Kept");
    const QString firstKey = c.ListedDiscKey();

    c.PollMedia();
    EXPECT_EQ(c.Rows().size(), 4u); // nothing changed

    // Another disc written over the image: the list follows, and the titles edited for the
    // first disc are kept in cdinfo.dat.
    f.Disc("album", {{500, false}, {600, false}}, 7);
    c.PollMedia();
    ASSERT_EQ(c.Rows().size(), 2u);
    EXPECT_NE(c.ListedDiscKey(), firstKey);
    EXPECT_EQ(TIniFile(f.Folder.File("cdinfo.dat")).ReadString(firstKey, "1", ""), "Kept");

    // The image removed: the list empties.
    QFile::remove(disc.CuePath);
    QFile::remove(disc.BinPath);
    c.PollMedia();
    EXPECT_TRUE(c.Rows().empty());
    EXPECT_EQ(c.Status(), NoDisc);

    // And back.
    f.Disc("album");
    c.PollMedia();
    EXPECT_EQ(c.Rows().size(), 4u);
    EXPECT_EQ(c.Rows()[0].Title, "Kept");

    // The disc changes while the title dialog and then the CDDB query are open: the poll waits
    // for them, so the typed and the found titles go to the disc they were meant for.
    host.WhileOpen = [&] {
        f.Disc("album", {{500, false}, {600, false}}, 7);
        c.PollMedia();
    };
    c.SetCurrentRow(3);
    host.NewTitle = "Typed for four";
    c.RenameTitle();
    ASSERT_EQ(c.Rows().size(), 4u);
    EXPECT_EQ(c.Rows()[3].Title, "Typed for four");
    c.PollMedia();
    EXPECT_EQ(c.Rows().size(), 2u);
    EXPECT_EQ(TIniFile(f.Folder.File("cdinfo.dat")).ReadString(firstKey, "4", ""), "Typed for four");

    host.WhileOpen = [&] {
        f.Disc("album");
        c.PollMedia();
    };
    TQueryCddbResult found;
    found.HasTitles = true;
    found.Titles = {"Found one", "Found two"};
    host.QueryResult = found;
    c.QueryFreedb();
    ASSERT_EQ(c.Rows().size(), 2u);
    EXPECT_EQ(c.Rows()[1].Title, "Found two");
    c.PollMedia();
    EXPECT_EQ(c.Rows().size(), 4u);
    EXPECT_EQ(c.Rows()[1].Title, "Track02");
}

TEST(MainControllerTest, NoDeviceHintOncePerStartAndTheConfigurationRename) {
    TMainFixture f;
    f.WriteOptions({});
    {
        TRecordingHost host;
        TMainController c(&host);
        c.Show();
        c.Activate();
        c.Activate();
        EXPECT_EQ(host.Hints, 1);
        EXPECT_TRUE(c.NoDisc);
        EXPECT_EQ(c.Status(), NoDisc);
        EXPECT_TRUE(c.Rows().empty());
    }
    // The old configuration step: the file is renamed and the user asked to start again.
    WriteFile(f.Folder.File("RidoDoda.dll"), "x");
    TRecordingHost host;
    TMainController c(&host);
    c.Show();
    c.Activate();
    EXPECT_EQ(host.Hints, 0);
    EXPECT_TRUE(QFile::exists(f.Folder.File("wnaspi32.dll")));
    EXPECT_FALSE(QFile::exists(f.Folder.File("RidoDoda.dll")));
    EXPECT_EQ(f.Scripted.Shown().last(), "Configuration finished. Please exit the software and run again!");
    EXPECT_EQ(f.Scripted.Icons().last(), TPromptIcon::Error);
}

TEST(MainControllerTest, OpenDiscImageFromTheHintAndTheMenu) {
    TMainFixture f;
    f.WriteOptions({});
    const TDiscImage first = f.Disc("first");
    const TDiscImage second = f.Disc("second", {{400, false}, {500, false}});
    TRecordingHost host;
    host.HintAnswer = THintChoice::OpenDiscImage;
    host.Image = first.CuePath;
    TMainController c(&host);
    c.Show();
    c.Activate();
    EXPECT_EQ(host.Hints, 1);
    ASSERT_NE(c.CDHandle, 0);
    EXPECT_EQ(c.Rows().size(), 4u);
    EXPECT_EQ(Settings.Images, first.CuePath);
    EXPECT_EQ(Settings.CDIndex, 0);
    EXPECT_EQ(c.Status(), "Image first");

    // A second image becomes the next drive; opening the first again reuses its entry.
    EXPECT_TRUE(c.OpenDiscImage(second.CuePath));
    EXPECT_EQ(c.Rows().size(), 2u);
    EXPECT_EQ(Settings.CDIndex, 1);
    EXPECT_TRUE(c.OpenDiscImage(first.CuePath));
    EXPECT_EQ(Settings.CDIndex, 0);
    EXPECT_EQ(Settings.Images, first.CuePath + '|' + second.CuePath);

    // A file that is no image: a message, and nothing changes.
    const QString bogus = f.Folder.File("bogus.cue");
    WriteFile(bogus, "this is not a cue sheet\n");
    EXPECT_FALSE(c.OpenDiscImage(bogus));
    EXPECT_TRUE(f.Scripted.Shown().last().startsWith(bogus + " can not be opened as a disc image: "));
    EXPECT_FALSE(c.OpenDiscImage(f.Folder.File("missing.cue")));
    EXPECT_EQ(f.Scripted.Shown().last(), f.Folder.File("missing.cue") + " can not be found.");
    // A "|" in the path would split it in CDOptions/Images: refused with the reason.
    ASSERT_TRUE(QDir(f.Folder.Path()).mkdir("a|b"));
    const TDiscImage piped = MakeDiscImage(f.Folder.File("a|b"), "piped", StandardTracks());
    EXPECT_FALSE(c.OpenDiscImage(piped.CuePath));
    EXPECT_EQ(f.Scripted.Shown().last(), piped.CuePath +
                                             " can not be opened as a disc image: its path holds a |, which "
                                             "separates the images in options.ini. Please rename the folder or the "
                                             "file.");
    EXPECT_EQ(Settings.Images, first.CuePath + '|' + second.CuePath);
    EXPECT_EQ(Settings.CDIndex, 0);
    EXPECT_EQ(c.Rows().size(), 4u);

    // The options dialog's drive change.
    c.SelectDrive(1);
    c.RefillTrackList();
    EXPECT_EQ(c.Rows().size(), 2u);
    EXPECT_EQ(c.Status(), "Image second");
    EXPECT_TRUE(c.HasCDLibraryHandle());
}

} // namespace

TEST(MainControllerTest, ANewDiscIsLookedUpWithoutABoxAndLookUpDiscChooses) {
    TMainFixture f;
    const TDiscImage disc = f.Disc("album");
    TWebTestServer server;
    TDisc layout;
    layout.Tracks = {{1, 0, false}, {2, 1234, false}, {3, 3534, false}, {4, 4284, false}};
    layout.LeadOut = 4897;
    server.SetAnswer("/ws/2/discid/", 200, TwoReleasesJson(layout.MusicBrainzDiscId()));
    f.WriteOptions({disc.CuePath}, 0,
                   "[Metadata]\nLookupOnInsert=1\nSources=cdtext,musicbrainz\nMusicBrainzServer=" + server.BaseUrl() +
                       "\n");
    TRecordingHost host;
    TMainController c(&host);
    c.Show();
    // It runs by itself: the window stays usable meanwhile, and no box opens.
    EXPECT_TRUE(c.LookingUp());
    EXPECT_FALSE(c.Enables().LookUp);
    EXPECT_EQ(c.Status(), "Looking up the disc...");
    ASSERT_TRUE(WaitUntil([&] { return !c.LookingUp(); }));
    EXPECT_EQ(Titles(c), QStringList({"Opening", "Second Song", "Third", "Closing"}));
    EXPECT_EQ(CurrentDisc.Artist, "Some Band feat. Guest");
    EXPECT_EQ(c.Status(), "Named from MusicBrainz: Some Band feat. Guest / First Album (1999, GB, CD) (2 releases; "
                          "Look up disc chooses another)");
    EXPECT_TRUE(host.Offered.isEmpty());
    EXPECT_TRUE(f.Scripted.Shown().isEmpty());

    // Look up disc: the user picks the second release; Cancel changes nothing.
    host.Pick = 1;
    c.LookUpDisc();
    ASSERT_TRUE(WaitUntil([&] { return !c.LookingUp(); }));
    EXPECT_EQ(host.Offered, QStringList({"2 MusicBrainz"}));
    EXPECT_EQ(c.Rows()[3].Title, "Closing (Remaster)");
    EXPECT_EQ(CurrentDisc.Album, "First Album (Deluxe)");
    host.Pick = -1;
    c.LookUpDisc();
    ASSERT_TRUE(WaitUntil([&] { return !c.LookingUp(); }));
    EXPECT_EQ(CurrentDisc.Album, "First Album (Deluxe)");

    // A disc cdinfo.dat names is not looked up when it comes back.
    c.Close();
    const int requests = int(server.Targets().size());
    TMainController again(&host);
    again.Show();
    EXPECT_FALSE(again.LookingUp());
    EXPECT_EQ(again.Rows()[0].Title, "Opening (Remaster)");
    EXPECT_EQ(server.Targets().size(), requests);
}

TEST(MainControllerTest, ALookupThatFindsNothingLeavesTheDiscAndSaysWhy) {
    TMainFixture f;
    const TDiscImage disc = f.Disc("album");
    TWebTestServer server;
    server.SetAnswer("/ws/2/discid/", 500, "{\"error\": \"Internal error\"}");
    f.WriteOptions({disc.CuePath}, 0,
                   "[Metadata]\nLookupOnInsert=1\nSources=musicbrainz\nMusicBrainzServer=" + server.BaseUrl() + "\n");
    TRecordingHost host;
    TMainController c(&host);
    c.Show();
    ASSERT_TRUE(WaitUntil([&] { return !c.LookingUp(); }));
    EXPECT_EQ(c.Status(), "Look-up: musicbrainz: MusicBrainz answered HTTP 500: Internal error");
    EXPECT_EQ(Titles(c), QStringList({"Track01", "Track02", "Track03", "Track04"}));
    EXPECT_TRUE(f.Scripted.Shown().isEmpty());
    // Asked for by the user, the same failure is a box.
    c.LookUpDisc();
    ASSERT_TRUE(WaitUntil([&] { return !c.LookingUp(); }));
    ASSERT_EQ(f.Scripted.Shown().size(), 1);
    EXPECT_TRUE(f.Scripted.Shown()[0].startsWith("Nothing was found for this disc:"));
}

TEST(MainControllerTest, TheFirstCddbLookupAsksForTheEmailAddress) {
    TMainFixture f;
    const TDiscImage disc = f.Disc("album");
    TCddbTestServer server;
    server.SetAnswer("cddb query", "200 rock 26004104 Some Band / First Album\r\n");
    server.SetAnswer("cddb read rock 26004104", ReadAnswer("rock", "26004104", StandardEntryLines()));
    f.WriteOptions({disc.CuePath}, 0,
                   "[Metadata]\nLookupOnInsert=0\nSources=cddb\n[QueryCDDB]\nServer=" + server.BaseUrl() + "\n");
    TRecordingHost host;
    TMainController c(&host);
    c.Show();
    // Cancelled: nothing asked of the server.
    c.LookUpDisc();
    ASSERT_TRUE(WaitUntil([&] { return !c.LookingUp(); }));
    EXPECT_EQ(host.EmailQuestions, 1);
    EXPECT_TRUE(server.Commands().isEmpty());
    host.Email = "me@my.host";
    c.LookUpDisc();
    ASSERT_TRUE(WaitUntil([&] { return !c.LookingUp() && c.Rows()[0].Title == "Opening"; }));
    EXPECT_EQ(Settings.Email, "me@my.host");
    EXPECT_EQ(server.Hellos().value(0), "me my.host Discwright " DW_VERSION);
    EXPECT_EQ(CurrentDisc.Album, "First Album");
}

TEST(MainControllerTest, ExtractAsksOnceBeforeWritingOverFilesAndMakesThePatternsFolders) {
    TMainFixture f;
    const TDiscImage disc = f.Disc("album");
    f.WriteOptions({disc.CuePath});
    TRecordingHost host;
    TMainController c(&host);
    c.Show();
    CurrentDisc.Album = "An Album";
    Settings.NamePattern = "%album%/%track% %title%";
    c.SelectNone();
    c.SetRowSelected(0, true);
    c.SetRowSelected(1, true);
    const QString folder = Settings.OutputFolder + "/An Album";
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(WriteFile(folder + "/01 Track01.mp3", "earlier rip"));
    // Cancel: no rip.
    f.Scripted.Queue(TPromptAnswer::Cancel);
    c.Extract();
    EXPECT_TRUE(host.Jobs.empty());
    EXPECT_TRUE(
        f.Scripted.Shown().last().startsWith("1 file(s) of this rip exist already (" + folder + "/01 Track01.mp3)"));
    // No: both are kept, the new file goes beside the old one.
    f.Scripted.Queue(TPromptAnswer::No);
    c.Extract();
    ASSERT_EQ(host.Jobs.size(), 1u);
    EXPECT_EQ(host.Jobs[0].Items, QStringList({"01An Album/01 Track01 (2)", "02An Album/02 Track02"}));
    // Yes: replaced.
    f.Scripted.Queue(TPromptAnswer::Yes);
    c.Extract();
    EXPECT_EQ(host.Jobs[1].Items, QStringList({"01An Album/01 Track01", "02An Album/02 Track02"}));
    EXPECT_EQ(f.Scripted.Shown().size(), 3);
}

TEST(MainControllerTest, ADiscWithCdTextIsListedWithItUnlessCdinfoNamesIt) {
    TMainFixture f;
    const TDiscImage disc = f.Disc("album");
    QByteArray cue = ReadFile(disc.CuePath);
    cue.replace("FILE", "PERFORMER \"Some Band\"\nTITLE \"First Album\"\nFILE");
    cue.replace("  TRACK 02 AUDIO\n", "  TRACK 02 AUDIO\n    TITLE \"Second Song\"\n");
    ASSERT_TRUE(WriteFile(disc.CuePath, cue));
    f.WriteOptions({disc.CuePath});
    TRecordingHost host;
    {
        TMainController c(&host);
        c.Show();
        EXPECT_EQ(Titles(c), QStringList({"Track01", "Second Song", "Track03", "Track04"}));
        EXPECT_EQ(CurrentDisc.Artist, "Some Band");
        EXPECT_EQ(CurrentDisc.Album, "First Album");
    }
    // What cdinfo.dat holds wins.
    f.WriteTitles(TMainFixture::KeyOf(disc), {{1, "One"}, {2, "Typed"}});
    TMainController c(&host);
    c.Show();
    EXPECT_EQ(c.Rows()[1].Title, "Typed");
    EXPECT_EQ(CurrentDisc.Artist, "Test Artist");
}
