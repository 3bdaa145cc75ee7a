// The main window's commands that reach beyond the track list (see MainController.h): the file
// manager, the drive's door, the volume control, the manual, CD playback and the CDDB query.
#include "app/MainController.h"

#include "app/DesktopCommands.h"
#include "audio/AuException.h"
#include "cd/CdAudioPlayer.h"
#include "cd/DiscKey.h"
#include "cddb/CDDBInfo.h"
#include "core/DiscInfo.h"
#include "core/LanguageText.h"
#include "core/Settings.h"
#include "platform/Prompter.h"

#include <QFile>

#include <cdio/cdio.h>

namespace {

void ShowError(const QString& text) {
    Prompter().Show(text, TPromptIcon::Error, TPromptButtons::Ok);
}

} // namespace

void TMainController::OpenOutputDirectory() {
    OpenOutputFolder(ShellOpener());
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
    OpenVolumeControl();
}

void TMainController::Help() {
    OpenManual(ShellOpener());
}

TShellOpener TMainController::ShellOpener() const {
    return [host = Host](const QString& target) { return host && host->OpenInShell(target); };
}

// ---------------------------------------------------------------------------------------------
// CD playback

void TMainController::Play() {
    if (List.Current() < 0)
        return;
    const TTrackRow& row = List.Rows()[size_t(List.Current())];
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
    Stop();
    SetStatus(ResText("RES_Play_Error", "Can not play the track: ") + why);
}

// ---------------------------------------------------------------------------------------------
// CDDB

void TMainController::QueryFreedb() {
    if (List.Empty())
        return;
    if (!CDHandle) {
        // gnudb answers only a hello with an address it knows: the first query asks for one.
        if (Settings.Email.trimmed().isEmpty()) {
            QString email;
            if (!Host || !Host->AskCddbEmail(email) || email.trimmed().isEmpty())
                return;
            Settings.Email = email.trimmed();
        }
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
    List.ApplyRecord(record);
    for (int i = 0; i < record.Titles.size() && i < List.Count(); ++i)
        Q_EMIT RowChanged(i);
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
