// The main window's cover and its rip to one file (see MainController.h): the front cover of
// the listed disc, fetched for its MusicBrainz release or picked from a file, which rips embed;
// and Extract with "Single file + cue sheet", the whole disc as one WAV or FLAC image.
#include "app/MainController.h"

#include "cd/akrip32.h"
#include "core/DiscInfo.h"
#include "core/LanguageText.h"
#include "core/Settings.h"
#include "jobs/ImageRip.h"
#include "metadata/CoverArt.h"
#include "platform/Prompter.h"

#include <QFileInfo>

void TMainController::UpdateCover() {
    const QString release = Settings.CoverArt ? CurrentDisc.MusicBrainzReleaseId : QString();
    // A cover picked for the listed disc stays until another disc is listed.
    if (CoverPicked && CoverKey == List.Key())
        return;
    if (CoverKey == List.Key() && CoverRelease == release)
        return;
    CoverKey = List.Key();
    CoverRelease = release;
    CoverPicked = false;
    CoverPicture.clear();
    CoverFetch->Abandon();
    if (!release.isEmpty() && !List.Empty())
        CoverFetch->Start(Settings.CoverArtServer, release);
    Q_EMIT CoverChanged();
}

void TMainController::CoverFetched(const TCoverAnswer& answer) {
    // No cover is no fault; the status line tells a broken answer.
    CoverPicture = answer.Picture;
    if (answer.Broken && !Playing)
        SetStatus(ResText("RES_Cover_Failed", "Cover art: %1").arg(answer.Error));
    Q_EMIT CoverChanged();
}

bool TMainController::PickCover(const QString& path) {
    QByteArray picture;
    QString error;
    if (!ReadCoverFile(path, picture, error)) {
        Prompter().Show(error, TPromptIcon::Error, TPromptButtons::Ok);
        return false;
    }
    CoverFetch->Abandon();
    CoverPicture = picture;
    CoverPicked = true;
    CoverKey = List.Key();
    Q_EMIT CoverChanged();
    return true;
}

void TMainController::ChooseCover() {
    if (!Host || List.Empty())
        return;
    const QString path = Host->ChooseCoverFile();
    if (!path.isEmpty())
        PickCover(path);
}

void TMainController::ExtractToImage(const TRipRequest& request) {
    if (!CDHandle) {
        Prompter().Show(ResText("RES_Image_NoHandle", "A rip to one file reads through the drive library, which "
                                                      "could not open this drive."),
                        TPromptIcon::Error, TPromptButtons::Ok);
        return;
    }
    // The titles of every track, as the list names them; the TrackNN stand-ins stay out.
    QStringList titles;
    for (const TTrackRow& row : List.Rows())
        titles << (row.Title == DefaultTrackTitle(row.Number) ? QString() : row.Title);
    auto rip = std::make_unique<TImageRip>(CDHandle, request.OutputFolder, ImageBaseName(request.Disc, request.Layout),
                                           request.Disc, titles, request.Format == ofFLAC, request.Flac);
    if (!rip->ReadLayout()) {
        Prompter().Show(rip->Error, TPromptIcon::Error, TPromptButtons::Ok);
        return;
    }
    for (const QString& path : {rip->WavPath(), rip->CuePath()})
        if (QFileInfo::exists(path) &&
            Prompter().Show(path + ResText("RES_File_Exist", " has existed,overite it?"), TPromptIcon::Question,
                            TPromptButtons::YesNo, TPromptAnswer::No) != TPromptAnswer::Yes)
            return;
    const TPollHold hold(PollHeld);
    Host->RunJobWindow(std::make_unique<TImageRipJob>(std::move(rip)));
}
