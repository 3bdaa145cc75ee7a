// discwright-cli rip --single-file: the whole disc into one WAV file and a cue sheet that opens
// as the same disc again. Progress on standard error, the files written on standard output.
#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "core/LanguageText.h"
#include "jobs/ImageRip.h"
#include "jobs/RipRequest.h"
#include "platform/Prompter.h"

#include <QFileInfo>

int RunSingleFileRip(int handle, const TCliDisc& disc, const TRipRequest& request) {
    // Titles given or kept for the disc go into the cue sheet; the TrackNN stand-ins do not.
    QStringList titles;
    for (const TDiscTrack& t : disc.Disc.Tracks) {
        QString title;
        for (const TTrackEntry& e : request.Tracks)
            if (e.Number == t.Number - disc.Disc.FirstTrack() + 1)
                title = e.Title;
        titles << (title == DefaultTrackTitle(t.Number) ? QString() : title);
    }
    TImageRip rip(handle, request.OutputFolder, ImageBaseName(request.Disc, disc.Disc), request.Disc, titles,
                  request.Format == ofFLAC, request.Flac);
    if (!rip.ReadLayout())
        return CliFail(QStringLiteral("rip: ") + rip.Error);
    for (const QString& path : {rip.WavPath(), rip.CuePath()}) {
        if (QFileInfo::exists(path) &&
            Prompter().Show(path + ResText("RES_File_Exist", " has existed,overite it?"), TPromptIcon::Question,
                            TPromptButtons::YesNo) != TPromptAnswer::Yes)
            return CliFail(path + QStringLiteral(" exists; not overwritten (use --yes to overwrite)"));
    }
    const TInterruptScope interrupt;
    const QString caption = QStringLiteral("reading the disc into ") + QFileInfo(rip.WavPath()).fileName();
    const bool done = rip.Run([&](int percent) { CliProgress(caption + QStringLiteral("  %1%").arg(percent)); },
                              [&] { return interrupt.Interrupted(); });
    for (const QString& file : rip.FilesWritten)
        CliOut(file);
    if (!done)
        return CliFail(QStringLiteral("rip: ") + rip.Error, rip.Stopped ? InterruptedExitCode : 1);
    return 0;
}
