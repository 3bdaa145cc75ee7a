// The CD subcommands of discwright-cli: drives, toc, extract and normalize. extract runs the
// extraction thread exactly as the job window does and reports its outcome with the job
// window's texts.
#include "audio/GainPass.h"
#include "cd/Disc.h"
#include "cd/akrip32.h"
#include "cd/ripthread.h"
#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "core/Helpers.h"
#include "core/LanguageText.h"
#include "core/Settings.h"
#include "jobs/DriveLibrarySource.h"
#include "jobs/JobRunner.h"
#include "jobs/RipPipeline.h"
#include "platform/Prompter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <QCoreApplication>

#include <memory>

namespace {

bool ParseInt(const QString& text, int& value) {
    bool ok = false;
    value = text.toInt(&ok);
    return ok;
}

} // namespace

int RunDrivesCommand(const QStringList& words) {
    QCommandLineParser parser;
    const QCommandLineOption image(QStringLiteral("image"),
                                   QStringLiteral("Add the disc image FILE as a drive for this run (repeatable)."),
                                   QStringLiteral("FILE"));
    parser.addOption(image);
    int exitCode = 0;
    if (!CliParse(parser, words,
                  QStringLiteral("Lists the CD drives and the disc-image drives (Settings CDOptions/Images):\n"
                                 "index, vendor and product, kind (device or image), tab-separated."),
                  exitCode))
        return exitCode;
    if (!parser.positionalArguments().isEmpty())
        return CliFail(QStringLiteral("unexpected argument ") + parser.positionalArguments().first(), 2);
    QStringList images = Settings.Images.isEmpty() ? QStringList() : QStringList{Settings.Images};
    for (const QString& file : parser.values(image))
        images << QFileInfo(file).absoluteFilePath();
    UseCDImageDrives(images.join('|'));
    TCDDriveList list{};
    list.Capacity = MaxCDDrives;
    GetCDList(&list);
    if (list.Count == 0)
        CliProgress(ResText("RES_NotFound_CDRom", "No CD devices found!"));
    for (int i = 0; i < list.Count; ++i) {
        const TCDDriveEntry& e = list.Drives[i];
        const QString name =
            (QString::fromLocal8Bit(e.Vendor).trimmed() + ' ' + QString::fromLocal8Bit(e.Product).trimmed())
                .trimmed()
                .left(26);
        CliOut(QString::number(i) + '\t' + name + '\t' +
               (e.Adapter == 1 ? QStringLiteral("image") : QStringLiteral("device")));
    }
    // Every image is listed, so that drive numbers stay what they are; one that cannot be
    // opened is named with the reason, and the listing fails.
    int status = 0;
    for (int i = 0; i < list.Count; ++i) {
        if (list.Drives[i].Adapter != 1)
            continue;
        const QString problem = CheckCDImage(QFile::decodeName(list.Drives[i].Id));
        if (!problem.isEmpty())
            status = CliFail(QStringLiteral("drive %1: ").arg(i) + problem);
    }
    return status;
}

int RunTocCommand(const QStringList& words) {
    QCommandLineParser parser;
    TDriveOptions driveOptions;
    driveOptions.AddTo(parser);
    const QCommandLineOption paranoia(QStringLiteral("paranoia"),
                                      QStringLiteral("Read the disc through the CD input (libcdio-paranoia) instead."));
    parser.addOption(paranoia);
    int exitCode = 0;
    if (!CliParse(parser, words,
                  QStringLiteral("Shows the disc key, then one tab-separated line per track: number, title\n"
                                 "(from cdinfo.dat), length mm:ss, size in MiB, audio or data."),
                  exitCode))
        return exitCode;
    if (!parser.positionalArguments().isEmpty())
        return CliFail(QStringLiteral("unexpected argument ") + parser.positionalArguments().first(), 2);
    if (parser.isSet(paranoia))
        return RunParanoiaTocCommand(parser, driveOptions);
    const THandleGuard handle{OpenNamedDrive(parser, driveOptions, exitCode)};
    if (!handle.Handle)
        return exitCode;
    TCliDisc disc;
    if (!LoadDisc(handle.Handle, disc, exitCode))
        return exitCode;
    CliOut(QStringLiteral("key: ") + disc.Key);
    PrintTocRows(disc);
    return 0;
}

int RunExtractCommand(const QStringList& words) {
    QCommandLineParser parser;
    TDriveOptions driveOptions;
    driveOptions.AddTo(parser);
    const QCommandLineOption track(QStringLiteral("track"), QStringLiteral("Track number N to extract."),
                                   QStringLiteral("N"));
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("Output folder (default: the OutputFolder setting)."),
                                 QStringLiteral("DIR"));
    const QCommandLineOption title(QStringLiteral("title"),
                                   QStringLiteral("File base name (default: the title in cdinfo.dat, else TrackNN)."),
                                   QStringLiteral("NAME"));
    const QCommandLineOption normalize(QStringLiteral("normalize"),
                                       QStringLiteral("Run the gain pass with PERCENT after extraction."),
                                       QStringLiteral("PERCENT"));
    const QCommandLineOption seconds(QStringLiteral("seconds"), QStringLiteral("Extract at most N seconds."),
                                     QStringLiteral("N"));
    for (const auto* o : {&track, &out, &title, &normalize, &seconds})
        parser.addOption(*o);
    int exitCode = 0;
    if (!CliParse(parser, words, QStringLiteral("Extracts one track to DIR/NAME.wav (44.1 kHz 16-bit stereo)."),
                  exitCode))
        return exitCode;
    if (!parser.positionalArguments().isEmpty())
        return CliFail(QStringLiteral("unexpected argument ") + parser.positionalArguments().first(), 2);
    int trackNumber = 0;
    if (!ParseInt(parser.value(track), trackNumber) || trackNumber < 1 || trackNumber > 99)
        return CliFail(QStringLiteral("--track needs a track number from 1 to 99"), 2);
    // The request as the settings make it, with the command's choices.
    TRipRequest request = TRipRequest::From(Settings, TDiscFields());
    request.Format = ofWAV;
    if (parser.isSet(normalize)) {
        int percent = 0;
        if (!ParseInt(parser.value(normalize), percent) || percent < 1 || percent > 1000)
            return CliFail(QStringLiteral("--normalize needs a percentage from 1 to 1000"), 2);
        request.Normalize = true;
        request.NormalizePercent = percent;
    }
    if (parser.isSet(seconds)) {
        int limit = 0;
        if (!ParseInt(parser.value(seconds), limit) || limit < 1)
            return CliFail(QStringLiteral("--seconds needs a positive number of seconds"), 2);
        request.LengthLimit = limit;
    }

    const THandleGuard handle{OpenNamedDrive(parser, driveOptions, exitCode)};
    if (!handle.Handle)
        return exitCode;
    TCliDisc disc;
    if (!LoadDisc(handle.Handle, disc, exitCode))
        return exitCode;
    if (trackNumber < disc.Disc.FirstTrack() || trackNumber > disc.Disc.LastTrack())
        return CliFail(QStringLiteral("the disc has no track %1 (tracks %2 to %3)")
                           .arg(trackNumber)
                           .arg(disc.Disc.FirstTrack())
                           .arg(disc.Disc.LastTrack()),
                       2);

    const QString folder = parser.isSet(out) ? parser.value(out) : Settings.OutputFolder;
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return CliFail(folder + QStringLiteral(": ") +
                       ResText("RES_Directory_Not_Exist", "The output directory does not exist."));
    request.OutputFolder = folder;
    const QString trackTitle = parser.isSet(title) ? parser.value(title) : disc.TitleOf(trackNumber);
    // The rips count tracks from 1 whatever number the disc gives its first track; the file
    // is named after the disc's number when the title leaves nothing.
    request.SetTracks({{trackNumber - disc.Disc.FirstTrack() + 1, trackTitle}});
    request.Tracks[0].BaseName = TrackBaseName(trackTitle, trackNumber);
    const QString path = request.WavOf(0);
    if (QFileInfo::exists(path) && Prompter().Show(path + ResText("RES_File_Exist", " has existed,overite it?"),
                                                   TPromptIcon::Question, TPromptButtons::YesNo) != TPromptAnswer::Yes)
        return CliFail(path + QStringLiteral(" exists; not overwritten (use --yes to overwrite)"));

    // The extraction as the job window runs it; this command says what went wrong itself.
    TRipPipeline rip(request, std::make_unique<TDriveLibrarySource>(request, handle.Handle), TRipWindow::Job);
    rip.Boxes = false;
    bool normalizing = false;
    int32_t driveError = 0;
    QObject::connect(&rip.Source(), &TTrackSource::Normalizing, [&] {
        normalizing = true;
        CliProgress(QStringLiteral("normalizing"));
    });
    QObject::connect(&rip.Source(), &TTrackSource::Progress, [&](const TProcessInfo& info) {
        QString text = (normalizing ? QStringLiteral("normalizing ") : QStringLiteral("extracting ")) +
                       QString::number(info.Code) + '%';
        if (!info.Elapsed.isEmpty())
            text += QStringLiteral(" elapsed ") + info.Elapsed + QStringLiteral(" estimated ") + info.Estimated;
        CliProgress(text);
    });
    QObject::connect(&rip.Source(), &TTrackSource::DriveError, [&](int32_t code) { driveError = code; });
    // Ctrl+C stops between reads, as the job window's Stop does, so the file keeps a header
    // that matches it.
    const TInterruptScope interrupt;
    rip.Start();
    RunJobToEnd(rip, [&] { return interrupt.Interrupted(); });
    if (interrupt.Interrupted() && rip.TrackResults().empty())
        return CliFail(path + QStringLiteral(": stopped; the file holds the audio read so far"), InterruptedExitCode);

    switch (driveError) {
    case RipErrorModifyParms:
        return CliFail(ResText("RES_ModifyCDParmsError", "CD extract failed!Please try again."));
    case RipErrorReadToc:
        return CliFail(WithDriveReason(ResText("RES_ReadTocError", "Error while reading TOC information!")));
    default:
        break;
    }
    const int32_t status = rip.TrackResults().empty() ? -1 : rip.TrackResults().front().Read.Status;
    switch (status) {
    case rsOk:
        CliOut(path);
        return 0;
    case rsReadFailed:
        if (disc.Disc.Track(trackNumber)->Data)
            return CliFail(ResText("RES_ReadCDAudioError", "Error while reading CD information!") +
                           QStringLiteral(" (track %1 is a data track)").arg(trackNumber));
        return CliFail(WithDriveReason(ResText("RES_ReadCDAudioError", "Error while reading CD information!")));
    case rsCreateFailed:
        return CliFail(path + ResText("RES_CreateWavFileError",
                                      " is not a valid file name.Please rename the Title in the CD tracks list."));
    case rsNormalizeFailed:
        return CliFail(path + ResText("RES_NormalizeError", ": the gain pass failed; the file was left unscaled."));
    case rsWriteFailed:
        return CliFail(path + ResText("RES_WriteWavFileError", ": error while writing the file (disk full?)."));
    default:
        return CliFail(QStringLiteral("extraction ended with status %1").arg(status));
    }
}

int RunNormalizeCommand(const QStringList& words) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("PERCENT"), QStringLiteral("Gain in percent (1 to 1000)."));
    parser.addPositionalArgument(QStringLiteral("FILE.wav"), QStringLiteral("16-bit PCM WAV file, scaled in place."));
    int exitCode = 0;
    if (!CliParse(parser, words,
                  QStringLiteral("Scales every sample of a 16-bit WAV file by PERCENT/100, in place\n"
                                 "(samples saturate at the 16-bit limits)."),
                  exitCode))
        return exitCode;
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2)
        return CliFail(QStringLiteral("usage: normalize PERCENT FILE.wav"), 2);
    int percent = 0;
    if (!ParseInt(args[0], percent) || percent < 1 || percent > 1000)
        return CliFail(QStringLiteral("PERCENT must be a whole number from 1 to 1000"), 2);
    // Ctrl+C or SIGTERM ends the pass between two blocks: the pass then removes its temporary
    // file and leaves FILE as it was (killed outright, it would leave the temporary behind).
    const TInterruptScope interrupt;
    struct EStopped {};
    try {
        ScaleWaveFile(percent, args[1], [&interrupt](int64_t done, int64_t total) {
            if (interrupt.Interrupted())
                throw EStopped();
            CliProgress(QStringLiteral("normalizing ") + QString::number(total > 0 ? done * 100 / total : 0) + '%');
        });
    } catch (const EStopped&) {
        return CliFail(QStringLiteral("stopped; ") + args[1] + QStringLiteral(" was left as it was"),
                       InterruptedExitCode);
    } catch (const std::exception& e) {
        return CliFail(QString::fromLocal8Bit(e.what()));
    }
    return 0;
}
