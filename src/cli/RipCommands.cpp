// discwright-cli rip and convert: the rip pipeline (in the job window's or the CD rip window's
// configuration) and the file conversions as the windows run them, without a screen. Progress (the step line and
// percentage) goes to standard error, every box as one line, and at the end the files written to standard output.
#include "cd/CDIn.h"
#include "cd/Disc.h"
#include "cd/akrip32.h"
#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "core/Helpers.h"
#include "core/LanguageText.h"
#include "core/Settings.h"
#include "jobs/CDInputSource.h"
#include "jobs/ConvertBatch.h"
#include "jobs/ConvertJob.h"
#include "jobs/DriveLibrarySource.h"
#include "jobs/JobRunner.h"
#include "jobs/RipLog.h"
#include "jobs/RipPipeline.h"
#include "jobs/RipState.h"
#include "metadata/CoverArt.h"
#include "platform/Prompter.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <map>

namespace {

QString ProgressLine(const QString& caption, const TJobProgress& progress) {
    QString line = caption;
    if (progress.PercentKnown)
        line += QStringLiteral("  ") + QString::number(progress.Percent) + '%';
    if (!progress.Elapsed.isEmpty())
        line += QStringLiteral("  elapsed ") + progress.Elapsed;
    if (!progress.Estimated.isEmpty())
        line += QStringLiteral("  estimated ") + progress.Estimated;
    return line;
}

// Runs a started job to its end and reports it; the command's exit code.
int FinishJob(TJobController& job, const TInterruptScope& interrupt, const QString& what) {
    const bool ended = RunJobToEnd(job, [&] { return interrupt.Interrupted(); });
    for (const QString& file : job.FilesWritten())
        CliOut(file);
    if (interrupt.Interrupted())
        return CliFail(what + QStringLiteral(": stopped; the files written so far are kept"), InterruptedExitCode);
    if (!ended)
        return CliFail(what + QStringLiteral(": the job could not go on"));
    int failed = 0;
    for (const TJobEntryResult& r : job.Results)
        failed += r.Ok ? 0 : 1;
    if (failed > 0)
        return CliFail(what + QStringLiteral(": %1 of %2 not done").arg(failed).arg(job.Results.size()));
    return 0;
}

// While steps of several tracks or files overlap, each line names its track or file
// ("[03] Encoding(03/14): ...") and repeats of an entry's own last line are left out.
class TStepLines {
public:
    void Print(int32_t number, int32_t index, const QString& caption, const TJobProgress& progress) {
        const QString line = ProgressLine(caption, progress);
        QString& before = Last[index];
        if (line == before)
            return;
        before = line;
        CliProgress('[' + TwoDigits(number) + QStringLiteral("] ") + line);
    }

private:
    std::map<int32_t, QString> Last;
};

void PrintStepLines(TRipPipeline& rip) {
    QObject::connect(
        &rip, &TRipPipeline::StepProgress,
        [&rip, last = TStepLines()](int32_t index, const QString& caption, const TJobProgress& progress) mutable {
            last.Print(rip.Request().Tracks[size_t(index - 1)].Number, index, caption, progress);
        });
}

// Looks for the state of an earlier rip of the request's disc into its folder and says what was
// found. With `resume` a usable state makes the request a resume of it: true.
bool PrepareResume(TRipRequest& request, bool resume, bool subset) {
    const TRipStateFound found = FindRipState(request);
    const QString album = found.State.Album.isEmpty() ? QStringLiteral("this disc") : found.State.Album;
    if (found.Found && !found.Usable) {
        CliProgress(QStringLiteral("rip: the state of an earlier rip (%1) is not used: %2").arg(found.Path, found.Why));
    } else if (found.Usable && !resume) {
        CliProgress(QStringLiteral("rip: an earlier rip of %1 was found here (%2 of %3 tracks done); "
                                   "rip --resume goes on with it")
                        .arg(album)
                        .arg(found.State.DoneCount(QFileInfo(found.Path).absolutePath()))
                        .arg(found.State.Count));
    } else if (found.Usable) {
        const std::vector<int32_t> rip = PlanResume(found.State, request, subset);
        QStringList numbers;
        for (int32_t n : rip)
            numbers << QString::number(n);
        CliProgress(
            QStringLiteral("rip: resuming the rip of %1: %2 of %3 tracks are taken from it; ripping %4")
                .arg(album)
                .arg(request.Earlier.size())
                .arg(request.Tracks.size())
                .arg(numbers.isEmpty() ? QStringLiteral("nothing") : QStringLiteral("track ") + numbers.join(", ")));
        return true;
    } else if (resume) {
        CliProgress(QStringLiteral("rip: no earlier rip of this disc to resume in ") + RipLogFolder(request) +
                    QStringLiteral("; ripping every track"));
    }
    return false;
}

// A rip: the AccurateRip line of each track as its result is known, then the files and the
// outcome as for any job; a track whose reads differed fails the command too.
int FinishRip(TRipPipeline& rip, const TInterruptScope& interrupt) {
    QObject::connect(&rip, &TRipPipeline::TrackVerified, [](const TTrackResult& r) {
        const auto hex = [](uint32_t v) { return QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper(); };
        CliOut(QStringLiteral("accuraterip: track %1 v1 %2 v2 %3: ")
                   .arg(r.DiscNumber)
                   .arg(hex(r.Read.AccurateRipV1), hex(r.Read.AccurateRipV2)) +
               r.AccurateRip.Text);
    });
    rip.Start();
    const int status = FinishJob(rip, interrupt, QStringLiteral("rip"));
    if (rip.Overlapping())
        CliProgress(rip.Summary);
    if (!rip.LogFile.isEmpty()) {
        CliOut(rip.LogFile);
        CliOut(rip.CueFile);
    }
    if (!rip.LogError.isEmpty())
        CliPrompter().Show(rip.LogError, TPromptIcon::Error, TPromptButtons::Ok);
    if (status != 0)
        return status;
    for (const TTrackResult& r : rip.TrackResults())
        if (r.Suspicious)
            return CliFail(QStringLiteral("rip: track %1 is suspicious (its reads differ)").arg(r.DiscNumber));
    return 0;
}

// --tracks LIST: numbers and ranges ("1,3-5"); false on a malformed list.
bool ParseTrackList(const QString& text, std::vector<int>& tracks) {
    static const QRegularExpression item(QStringLiteral("^\\s*(\\d+)\\s*(?:-\\s*(\\d+)\\s*)?$"));
    for (const QString& part : text.split(',')) {
        const QRegularExpressionMatch m = item.match(part);
        if (!m.hasMatch())
            return false;
        const int from = m.captured(1).toInt();
        const int to = m.captured(2).isEmpty() ? from : m.captured(2).toInt();
        if (from < 1 || to < from || to > 99)
            return false;
        for (int t = from; t <= to; ++t)
            if (std::find(tracks.begin(), tracks.end(), t) == tracks.end())
                tracks.push_back(t);
    }
    return !tracks.empty();
}

// The output folder of the run (--out or the setting, created when missing) as an absolute
// path; empty with the message printed and `exitCode` set when it cannot be made.
QString PrepareFolder(const QCommandLineParser& parser, const QCommandLineOption& out, int& exitCode) {
    const QString folder = parser.isSet(out) ? parser.value(out) : Settings.OutputFolder;
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        exitCode = CliFail(folder + QStringLiteral(": ") +
                           ResText("RES_Directory_Not_Exist", "The output directory does not exist."));
        return QString();
    }
    return QFileInfo(folder).absoluteFilePath();
}

} // namespace

int RunRipCommand(const QStringList& words) {
    QCommandLineParser parser;
    TDriveOptions driveOptions;
    driveOptions.AddTo(parser);
    const QCommandLineOption tracks(QStringLiteral("tracks"),
                                    QStringLiteral("Tracks to rip, e.g. 1,3-5 (default: every audio track)."),
                                    QStringLiteral("LIST"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("Output format (default: CommonOptions/OutputFormat)."),
                                    QStringLiteral("mp3|wav|ogg|wma|flac"));
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Output folder (default: the setting)."),
                                 QStringLiteral("DIR"));
    const QCommandLineOption title(QStringLiteral("title"),
                                   QStringLiteral("Title of track N (default: cdinfo.dat, else TrackNN); repeatable."),
                                   QStringLiteral("N=TEXT"));
    const QCommandLineOption artist(QStringLiteral("artist"), QStringLiteral("Disc artist."), QStringLiteral("T"));
    const QCommandLineOption album(QStringLiteral("album"), QStringLiteral("Disc album."), QStringLiteral("T"));
    const QCommandLineOption year(QStringLiteral("year"), QStringLiteral("Disc year."), QStringLiteral("Y"));
    const QCommandLineOption genre(QStringLiteral("genre"),
                                   QStringLiteral("Disc genre: a name of the genre list or an ID3 genre number."),
                                   QStringLiteral("NAME|NUMBER"));
    const QCommandLineOption comment(QStringLiteral("comment"), QStringLiteral("Disc comment."), QStringLiteral("T"));
    const QCommandLineOption pattern(
        QStringLiteral("pattern"),
        QStringLiteral("Path of each track's files below DIR, without extension (default: CommonOptions/NamePattern, "
                       "%title%): %artist%, %album%, %year%, %genre%, %track% and %title% are replaced; / makes "
                       "folders."),
        QStringLiteral("P"));
    const QCommandLineOption paranoia(
        QStringLiteral("paranoia"),
        QStringLiteral("Rip through the CD input (libcdio-paranoia), as the CD rip progress window does."));
    const QCommandLineOption resume(
        QStringLiteral("resume"),
        QStringLiteral("Go on with an interrupted rip of this disc into this folder: tracks whose files are\n"
                       "intact are taken from it, the others ripped (with --tracks: those tracks again)."));
    const QCommandLineOption singleFile(
        QStringLiteral("single-file"),
        QStringLiteral("Rip the whole disc, pregaps included, into one WAV or FLAC file and a cue sheet that\n"
                       "opens as the same disc (DIR/ARTIST - ALBUM.wav or .flac, and .cue)."));
    const QCommandLineOption cover(
        QStringLiteral("cover"),
        QStringLiteral("Front cover to embed and save as cover.jpg (a JPEG or PNG file), instead of the\n"
                       "Cover Art Archive's for a disc named from MusicBrainz."),
        QStringLiteral("FILE"));
    for (const auto* o : {&tracks, &format, &out, &title, &artist, &album, &year, &genre, &comment, &pattern, &paranoia,
                          &resume, &singleFile, &cover})
        parser.addOption(*o);
    int exitCode = 0;
    if (!CliParse(parser, words,
                  QStringLiteral("Rips the tracks of a disc: each is extracted to WAV and encoded to the output\n"
                                 "format, as the job window does; prints the files written. Files that exist\n"
                                 "already are kept: the new ones get \" (2)\" (with --yes they are replaced)."),
                  exitCode))
        return exitCode;
    if (!parser.positionalArguments().isEmpty())
        return CliFail(QStringLiteral("unexpected argument ") + parser.positionalArguments().first(), 2);
    if (parser.isSet(driveOptions.Drive) == parser.isSet(driveOptions.Image))
        return CliFail(QStringLiteral("give exactly one of --drive N and --image FILE"), 2);
    // The request as the settings make it, with the command's choices.
    TRipRequest request = TRipRequest::From(Settings, TDiscFields());
    if (parser.isSet(format)) {
        static const std::map<QString, int32_t> formats{{QStringLiteral("mp3"), ofMP3},
                                                        {QStringLiteral("wav"), ofWAV},
                                                        {QStringLiteral("ogg"), ofOGG},
                                                        {QStringLiteral("wma"), ofWMA},
                                                        {QStringLiteral("flac"), ofFLAC}};
        const auto it = formats.find(parser.value(format).toLower());
        if (it == formats.end())
            return CliFail(QStringLiteral("--format must be mp3, wav, ogg, wma or flac"), 2);
        request.Format = it->second;
    }
    if (parser.isSet(singleFile)) {
        if (request.Format != ofWAV && request.Format != ofFLAC)
            return CliFail(QStringLiteral("--single-file writes a WAV or FLAC image: give --format wav or flac"), 2);
        if (parser.isSet(tracks) || parser.isSet(paranoia))
            return CliFail(QStringLiteral("--single-file rips the whole disc through the drive library: "
                                          "--tracks and --paranoia cannot be given with it"),
                           2);
        if (parser.isSet(resume))
            return CliFail(
                QStringLiteral("--single-file rips the whole disc in one go: --resume cannot be given with it"), 2);
    }
    if (parser.isSet(cover)) {
        QString error;
        if (!ReadCoverFile(parser.value(cover), request.Cover, error))
            return CliFail(QStringLiteral("--cover: ") + error, 2);
        request.CoverArt = true;
    }
    std::vector<int> wanted;
    if (parser.isSet(tracks) && !ParseTrackList(parser.value(tracks), wanted))
        return CliFail(QStringLiteral("--tracks needs a list like 1,3-5 of track numbers 1 to 99"), 2);
    std::map<int, QString> titles;
    for (const QString& t : parser.values(title)) {
        const qsizetype eq = t.indexOf('=');
        const int n = eq > 0 ? t.left(eq).toInt() : 0;
        if (n < 1 || n > 99)
            return CliFail(QStringLiteral("--title needs N=TEXT with a track number N"), 2);
        titles[n] = t.mid(eq + 1);
    }
    int32_t genreIndex = -1;
    int32_t genreId3 = -1;
    bool genreOutOfRange = false;
    if (parser.isSet(genre) && !ParseGenreArgument(parser.value(genre), genreIndex, genreId3, genreOutOfRange))
        return genreOutOfRange ? CliFail(QStringLiteral("--genre number must be from 0 to 255"), 2)
                               : CliFail(QStringLiteral("unknown genre '") + parser.value(genre) + '\'', 2);
    // The disc's genre is kept as a place in the genre list; a number with none there would
    // silently become no genre at all (255 asks for exactly that).
    if (parser.isSet(genre) && genreIndex < 0 && genreId3 != 255)
        return CliFail(QStringLiteral("--genre %1 is not in the genre list").arg(genreId3), 2);

    // The drive, its TOC and the disc's titles.
    int cdInDrive = 0;
    THandleGuard handle{OpenNamedDrive(parser, driveOptions, exitCode, &cdInDrive)};
    if (!handle.Handle)
        return exitCode;
    TCliDisc disc;
    if (!LoadDisc(handle.Handle, disc, exitCode))
        return exitCode;
    const TDisc& layout = disc.Disc;
    auto isAudio = [&](int n) { return !layout.Track(n)->Data; };
    if (wanted.empty()) {
        for (int n = layout.FirstTrack(); n <= layout.LastTrack(); ++n)
            if (isAudio(n))
                wanted.push_back(n);
    }
    std::vector<std::pair<int32_t, QString>> chosen;
    for (int n : wanted) {
        if (n < layout.FirstTrack() || n > layout.LastTrack())
            return CliFail(QStringLiteral("the disc has no track %1 (tracks %2 to %3)")
                               .arg(n)
                               .arg(layout.FirstTrack())
                               .arg(layout.LastTrack()),
                           2);
        if (!isAudio(n))
            return CliFail(QStringLiteral("track %1 is a data track").arg(n), 2);
        // The rips count tracks from 1 as the track list numbers its rows, whatever number
        // the disc gives its first track.
        chosen.emplace_back(n - layout.FirstTrack() + 1, titles.count(n) ? titles[n] : disc.TitleOf(n));
    }
    if (chosen.empty())
        return CliFail(QStringLiteral("the disc has no audio track"));
    // The disc's fields first: the name pattern takes them.
    request.Disc = disc.Info;
    if (parser.isSet(artist))
        request.Disc.Artist = parser.value(artist);
    if (parser.isSet(album))
        request.Disc.Album = parser.value(album);
    if (parser.isSet(year))
        request.Disc.Year = parser.value(year);
    if (parser.isSet(genre))
        request.Disc.Genre = genreIndex;
    if (parser.isSet(comment))
        request.Disc.Comment = parser.value(comment);
    if (parser.isSet(pattern)) {
        if (parser.value(pattern).trimmed().isEmpty())
            return CliFail(QStringLiteral("--pattern needs a pattern such as %artist%/%album%/%track% %title%"), 2);
        request.NamePattern = parser.value(pattern);
    }
    request.SetTracks(chosen);
    request.OutputFolder = PrepareFolder(parser, out, exitCode);
    if (request.OutputFolder.isEmpty())
        return exitCode;
    request.Layout = disc.Disc;
    request.DiscKey = disc.Key;
    request.DriveName = NamedDriveTitle(parser, driveOptions);
    // An earlier rip of this disc into this folder: resumed with --resume, told otherwise.
    const bool resuming =
        !parser.isSet(singleFile) && PrepareResume(request, parser.isSet(resume), parser.isSet(tracks));
    // A rip never writes over files silently: without --yes the new files go beside them. A
    // resume rips again what the earlier run left unfinished or changed, in its place.
    if (const QStringList existing = request.ExistingFiles(); !existing.isEmpty() && !resuming) {
        if (Prompter().Show(RipFilesExistText(existing), TPromptIcon::Question, TPromptButtons::YesNo,
                            TPromptAnswer::No) != TPromptAnswer::Yes)
            request.KeepExistingFiles();
    }
    QString folderError;
    if (!request.CreateFolders(folderError))
        return CliFail(ResText("RES_Cannot_Create", "Cannot create ") + folderError);

    if (parser.isSet(singleFile))
        return RunSingleFileRip(handle.Handle, disc, request);
    const TInterruptScope interrupt;
    if (parser.isSet(paranoia) || RipThroughCDInput(handle.Handle, request.SecureReading)) {
        CloseCDHandle(handle.Handle);
        handle.Handle = 0;
        TCDIn cdIn;
        cdIn.SetDriveIndex(cdInDrive < 0 ? cdIn.DriveCount() - 1 : cdInDrive);
        TRipPipeline job(request, std::make_unique<TCDInputSource>(request, cdIn), TRipWindow::CDRip);
        // A failure is printed once, as its box would be; the hint line that repeats it is not.
        QString failure;
        QObject::connect(&job, &TRipPipeline::Failure, [&](const QString& line) {
            failure = line;
            CliPrompter().Show(line, TPromptIcon::Error, TPromptButtons::Ok);
        });
        if (job.Overlapping())
            PrintStepLines(job);
        else
            QObject::connect(&job, &TRipPipeline::Changed, [&] {
                if (job.ProgressHint != failure)
                    CliProgress(ProgressLine(job.CurrentTrack + QStringLiteral(": ") + job.ProgressHint, job.Progress));
            });
        return FinishRip(job, interrupt);
    }
    TRipPipeline job(request, std::make_unique<TDriveLibrarySource>(request, handle.Handle), TRipWindow::Job);
    if (job.Overlapping())
        PrintStepLines(job);
    else
        QObject::connect(&job, &TRipPipeline::Changed, [&] { CliProgress(ProgressLine(job.Caption, job.Progress)); });
    return FinishRip(job, interrupt);
}

int RunConvertCommand(const QStringList& words) {
    QCommandLineParser parser;
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Output folder (default: the setting)."),
                                 QStringLiteral("DIR"));
    parser.addOption(out);
    parser.addPositionalArgument(QStringLiteral("KIND"),
                                 QStringLiteral("wav2mp3, mp32wav, wav2ogg, wav2wma, wav2flac or flac2wav"));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("files to convert"), QStringLiteral("FILE..."));
    int exitCode = 0;
    if (!CliParse(parser, words,
                  QStringLiteral("Converts files as the job window does; the outputs go to DIR under the input's\n"
                                 "name with the new extension. Prints the files written."),
                  exitCode))
        return exitCode;
    QStringList args = parser.positionalArguments();
    static const std::map<QString, TJobKind> kinds{
        {QStringLiteral("wav2mp3"), TJobKind::WavToMp3},   {QStringLiteral("mp32wav"), TJobKind::Mp3ToWav},
        {QStringLiteral("wav2ogg"), TJobKind::WavToOgg},   {QStringLiteral("wav2wma"), TJobKind::WavToWma},
        {QStringLiteral("wav2flac"), TJobKind::WavToFlac}, {QStringLiteral("flac2wav"), TJobKind::FlacToWav}};
    const auto kind = args.isEmpty() ? kinds.end() : kinds.find(args.first());
    if (kind == kinds.end())
        return CliFail(QStringLiteral("convert needs a kind: wav2mp3, mp32wav, wav2ogg, wav2wma, wav2flac or flac2wav"),
                       2);
    args.removeFirst();
    if (args.isEmpty())
        return CliFail(QStringLiteral("convert needs at least one FILE"), 2);
    QStringList jobList;
    for (const QString& a : args) {
        const QFileInfo info(a);
        if (!info.isFile() || !info.isReadable())
            return CliFail(QStringLiteral("cannot read ") + a);
        jobList << info.absoluteFilePath();
    }
    const QString folder = PrepareFolder(parser, out, exitCode);
    if (folder.isEmpty())
        return exitCode;
    if (kind->second == TJobKind::WavToWma && FindWmaEncoder().isEmpty())
        return CliFail(NoWmaEncoderText());

    const TInterruptScope interrupt;
    const int32_t lanes = EncoderThreadCount(Settings.EncoderThreads);
    if (lanes > 1 && jobList.size() > 1) {
        // Several files at once: each line names its file's place in the list.
        TConvertBatch batch(kind->second, jobList, folder, lanes);
        QObject::connect(
            &batch, &TConvertBatch::StepProgress,
            [last = TStepLines()](int32_t index, const QString& caption, const TJobProgress& progress) mutable {
                last.Print(index, index, caption, progress);
            });
        batch.Start();
        return FinishJob(batch, interrupt, QStringLiteral("convert"));
    }
    TConvertJob job(kind->second, jobList, folder);
    QObject::connect(&job, &TConvertJob::Changed, [&] { CliProgress(ProgressLine(job.Caption, job.Progress)); });
    job.Start();
    return FinishJob(job, interrupt, QStringLiteral("convert"));
}
