// The main window's commands that reach beyond the track list (see MainController.h): the file
// manager, the drive's door, the volume control, other players' recent-file lists, the manual,
// CD playback and the CDDB query.
#include "app/MainController.h"
#include "core/DiscInfo.h"

#include "core/LanguageText.h"
#include "core/Settings.h"
#include "audio/AuException.h"
#include "cd/CdAudioPlayer.h"
#include "cd/DiscKey.h"
#include "cd/akrip32.h"
#include "cddb/CDDBInfo.h"
#include "platform/Mixer.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompter.h"
#include "platform/WineRegistry.h"
#include "tags/Genres.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cdio/cdio.h>

namespace {

void Inform(const QString& text) {
    Prompter().Show(text, TPromptIcon::Information, TPromptButtons::Ok);
}

void ShowError(const QString& text) {
    Prompter().Show(text, TPromptIcon::Error, TPromptButtons::Ok);
}

} // namespace

void TMainController::OpenOutputDirectory() {
    if (QDir(Settings.OutputFolder).exists()) {
        if (Host)
            Host->OpenInShell(Settings.OutputFolder);
    } else {
        ShowError(Settings.OutputFolder + ',' +
                  LoadResText(QStringLiteral("RES_Directory_Not_Exist"),
                              QStringLiteral("The output directory does not exist.")));
    }
}

void TMainController::Eject() {
    // Only a physical drive has a door; libcdio's eject on an image corrupts its object.
    if (!CDHandle || DriveIsImage || DrivePath.isEmpty())
        return;
    cdio_eject_media_drive(QFile::encodeName(DrivePath).constData());
}

void TMainController::CloseDoor() {
    if (!CDHandle || DriveIsImage || DrivePath.isEmpty())
        return;
    cdio_close_tray(QFile::encodeName(DrivePath).constData(), nullptr);
}

void TMainController::VolumeControl() {
    if (!LaunchMixer())
        ShowError(ResText("RES_No_Mixer", "No volume control found. Please install pavucontrol."));
}

namespace {

bool MayClearHistoryOf(const char* exeName) {
    if (!IsWineProgramRunning(QString::fromLatin1(exeName)))
        return true;
    return Prompter().Show(LoadResText(QStringLiteral("RES_RealOne_Window_Exist"),
                                       QStringLiteral("Please close RealOne Player firstly.Continue?")),
                           TPromptIcon::Information, TPromptButtons::YesNo, TPromptAnswer::No) == TPromptAnswer::Yes;
}

int ReportCleared(TWineRegistry& registry, int count) {
    if (!registry.Save()) {
        ShowError(registry.FileName() +
                  ResText("RES_Registry_Save_Error", " could not be written; no list records were deleted."));
        return 0;
    }
    Inform(QString::number(count) +
           LoadResText(QStringLiteral("RES_Clear_History"), QStringLiteral(" list records are deleted!")));
    return count;
}

} // namespace

int TMainController::ClearRealPlayerHistory() {
    if (!MayClearHistoryOf("realplay.exe"))
        return -1;
    TWineRegistry registry;
    int count = 0;
    while (count < 8 && registry.DeleteKey(QStringLiteral("\\Software\\RealNetworks\\RealPlayer\\6.0\\Preferences\\"
                                                          "MostRecentClips") +
                                           QString::number(count + 1)))
        ++count;
    return ReportCleared(registry, count);
}

int TMainController::ClearMediaPlayerHistory() {
    if (!MayClearHistoryOf("wmplayer.exe"))
        return -1;
    TWineRegistry registry;
    int count = 0;
    const QString key = QStringLiteral("\\Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList\\");
    while (count <= 8 && registry.DeleteValue(key, QStringLiteral("File") + QString::number(count)))
        ++count;
    return ReportCleared(registry, count);
}

void TMainController::Help() {
    const QString path = HelpFilePath();
    if (path.isEmpty()) {
        ShowError(ResText("RES_Help_Not_Found", "The manual (help/index.html) can not be found beside the program."));
        return;
    }
    if (Host)
        Host->OpenInShell(path);
}

// ---------------------------------------------------------------------------------------------
// CD playback

void TMainController::Play() {
    if (Current < 0 || Current >= int(RowList.size()))
        return;
    const TTrackRow& row = RowList[Current];
    // Only the paused track itself resumes: another row selected meanwhile is played from its
    // start, so the status never names a track that is not the one heard.
    const bool resume = Playing && Paused && Player->IsPaused() && Player->CurrentTrack() == row.Number;
    SetStatus(LoadResText(QStringLiteral("RES_Play"), QStringLiteral("Play ")) + row.Title);
    Playing = true;
    Paused = false;
    if (resume) {
        Player->Resume();
    } else {
        // The row's own track number: a disc may start at another track than 1. Play stops
        // what was playing first.
        const bool started =
            CDHandle ? Player->Play(CDHandle, row.Number) : Player->PlayDrive(CDIn->DriveIndex(), row.Number);
        if (!started) {
            PlaybackFailed(Player->LastError());
            return;
        }
    }
    Q_EMIT StateChanged();
}

void TMainController::Pause() {
    if (!Playing || Paused)
        return;
    Paused = true;
    Player->Pause();
    Q_EMIT StateChanged();
}

void TMainController::Stop() {
    Playing = false;
    Paused = false;
    Player->Stop();
    SetStatus(SavedStatus);
    Q_EMIT StateChanged();
}

void TMainController::PlaybackFailed(const QString& why) {
    // No box: playback is an extra, and its trouble must not interrupt the user.
    Playing = false;
    Paused = false;
    Player->Stop();
    SetStatus(ResText("RES_Play_Error", "Can not play the track: ") + why);
    Q_EMIT StateChanged();
}

// ---------------------------------------------------------------------------------------------
// CDDB

void TMainController::QueryFreedb() {
    if (RowList.empty())
        return;
    if (!CDHandle) {
        QueryFreedbThroughCDInput();
        return;
    }
    TDisc disc;
    if (!ReadDisc(CDHandle, disc) || disc.Empty()) {
        ShowError(
            LoadResText(QStringLiteral("RES_ReadTocError"), QStringLiteral("Error while reading TOC information!")));
        return;
    }
    if (Host) {
        const TPollHold hold(PollHeld);
        Host->RunQueryCddbDialog(uint8_t(disc.FirstTrack()), uint8_t(disc.LastTrack()), CDHandle,
                                 [this](const TQueryCddbResult& r) { ApplyCddbTitles(r); });
    }
}

void TMainController::ApplyCddbTitles(const TQueryCddbResult& result) {
    // The stop window has applied the same record to the disc's information already; applying
    // it again changes nothing there and gives the rows their titles.
    ApplyRecord(DiscRecordOf(result));
}

void TMainController::ApplyRecord(const TDiscRecord& record) {
    if (RowList.empty())
        return;
    ApplyDiscRecord(record, CurrentDisc, RowList.front().Number, int32_t(RowList.size()));
    TakeTitles(int(record.Titles.size()));
}

void TMainController::TakeTitles(int count) {
    for (int i = 0; i < count && i < int(RowList.size()); ++i) {
        const int32_t number = RowList[size_t(i)].Number;
        if (number >= 1 && number <= 100)
            SetRowTitle(i, CurrentDisc.Titles[size_t(number)]);
    }
}

void TMainController::QueryFreedbThroughCDInput() {
    const QString failed = ResText("RES_CDDB_QueryFailed", "The CDDB query failed:");
    CDDBInfo1->CDIn = CDIn->Component();
    try {
        CDDBInfo1->Query();
    } catch (const EAuException& e) {
        SetStatus(failed + ' ' + e.Message());
        return;
    }
    // A query that read nothing leaves the titles and the disc fields as they are.
    if (!CDDBInfo1->RecordRead()) {
        SetStatus(failed + ' ' + CDDBInfo1->LastError());
        return;
    }
    TCDDBRecord r;
    CDDBInfo1->GetRecord(r);
    ApplyRecord(DiscRecordOf(r));
    // A failure shown by an earlier query is over.
    if (!Playing)
        SetStatus(SavedStatus);
}
