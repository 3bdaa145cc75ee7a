// discwright-cli encode mp3 / decode mp3 / encode wma: the encoder wrappers as the job windows
// run them (JobKind 2, 3 and 6), with their progress on standard error. The command succeeds
// exactly when the wrapper's end event says Ok (the job runner of src/jobs waits for it); Ctrl+C or SIGTERM ends the
// encoder and leaves the output as it was before the command.
#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "core/Helpers.h"
#include "core/JobEvents.h"
#include "core/Settings.h"
#include "jobs/EncodeStep.h"
#include "jobs/JobRunner.h"
#include "jobs/Mp3EncodeThread.h"
#include "jobs/WMAEncodeThread.h"
#include "jobs/WmaSettings.h"

#include <QFile>
#include <QFileInfo>

namespace {

struct TFiles {
    QString Input;
    QString Output;
};

bool ParseFiles(QCommandLineParser& parser, const QStringList& words, const QString& description, const QString& inName,
                const QString& outName, TFiles& files, int& exitCode) {
    parser.addPositionalArgument(inName, QStringLiteral("file to read"));
    parser.addPositionalArgument(outName, QStringLiteral("file to write"));
    if (!CliParse(parser, words, description, exitCode))
        return false;
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        exitCode = CliFail(words.value(0) + QStringLiteral(": expected ") + inName + ' ' + outName, 2);
        return false;
    }
    files = {args[0], args[1]};
    const QFileInfo in(files.Input);
    if (!in.isFile() || !in.isReadable()) {
        exitCode = CliFail(QStringLiteral("cannot read ") + files.Input);
        return false;
    }
    if (IsSameFile(files.Input, files.Output)) {
        exitCode = CliFail(QStringLiteral("the output file is the input file: ") + files.Output);
        return false;
    }
    // Named here: the wrapper would take a folder for a file in use by another program.
    if (QFileInfo(files.Output).isDir()) {
        exitCode = CliFail(files.Output + QStringLiteral(" is a folder"));
        return false;
    }
    return true;
}

// Runs one wrapper to its end event and turns the outcome into the exit code.
int RunWrapper(TEncodeProcess& process, int32_t endCode, const TFiles& files) {
    process.InputFile = files.Input;
    process.OutputFile = files.Output;
    const TInterruptScope interrupt;
    TJobRunOutcome outcome;
    try {
        outcome = RunEncoderToEnd(
            process, endCode, [&] { return interrupt.Interrupted(); },
            [](const TProcessInfo& info) {
                if (info.Code < 1 || info.Code > 100)
                    return;
                QString text = QString::number(info.Code) + '%';
                if (!info.Elapsed.isEmpty())
                    text += QStringLiteral("  elapsed ") + info.Elapsed;
                if (!info.Estimated.isEmpty())
                    text += QStringLiteral("  estimated ") + info.Estimated;
                CliProgress(text);
            });
    } catch (const EEncodeProcess& e) {
        return CliFail(QString::fromStdString(e.what()));
    }
    if (outcome.Interrupted)
        return CliFail(files.Output + QStringLiteral(": stopped; the output was not written"), InterruptedExitCode);
    if (outcome.End.Ok)
        return 0;
    switch (outcome.End.Status) {
    case 0:
        return CliFail(QStringLiteral("not overwriting ") + files.Output + QStringLiteral(" (use --yes to allow it)"));
    case 1:
        return CliFail(files.Output + QStringLiteral(" is in use"));
    default:
        return CliFail(outcome.End.Reason);
    }
}

int RunMp3(const QStringList& words, bool encode) {
    TFiles files;
    int exitCode = 0;
    QCommandLineParser parser;
    if (!ParseFiles(parser, words,
                    encode ? QStringLiteral("Encode a WAV file to MP3 with lame, using the MP3 options of options.ini.")
                           : QStringLiteral("Decode an MP3 file to WAV with lame."),
                    encode ? QStringLiteral("IN.wav") : QStringLiteral("IN.mp3"),
                    encode ? QStringLiteral("OUT.mp3") : QStringLiteral("OUT.wav"), files, exitCode))
        return exitCode;
    if (encode ? !LooksLikeWav(files.Input) : !LooksLikeMp3(files.Input))
        return CliFail(files.Input +
                       (encode ? QStringLiteral(" is not a WAV file") : QStringLiteral(" is not an MP3 file")));
    TMp3EncodeProcess process;
    process.Encode = encode;
    process.JobKind = encode ? TJobKind::WavToMp3 : TJobKind::Mp3ToWav;
    process.Options = TMp3Options::From(Settings);
    CliProgress(Mp3CommandLine(process.Options, encode, files.Input, files.Output));
    return RunWrapper(process, JobCode::Mp3Ended, files);
}

} // namespace

int RunEncodeMp3Command(const QStringList& words) {
    return RunMp3(words, true);
}

int RunDecodeMp3Command(const QStringList& words) {
    return RunMp3(words, false);
}

int RunEncodeWmaCommand(const QStringList& words) {
    TFiles files;
    int exitCode = 0;
    QCommandLineParser parser;
    const QCommandLineOption artist(QStringLiteral("artist"),
                                    QStringLiteral("The disc artist, stored as the author when ID3/Use is set."),
                                    QStringLiteral("TEXT"));
    const QCommandLineOption comment(QStringLiteral("comment"),
                                     QStringLiteral("The disc comment, stored as the description when ID3/Use is set."),
                                     QStringLiteral("TEXT"));
    parser.addOption(artist);
    parser.addOption(comment);
    if (!ParseFiles(parser, words,
                    QStringLiteral("Encode a WAV file to WMA with wm8eutil, using WMAOptions/BitRate of options.ini."),
                    QStringLiteral("IN.wav"), QStringLiteral("OUT.wma"), files, exitCode))
        return exitCode;
    const QString program = FindWmaEncoder();
    if (program.isEmpty())
        return CliFail(NoWmaEncoderText());
    TWMAEncodeProcess process;
    process.JobKind = TJobKind::WavToWma;
    process.Options = TWmaOptions::From(Settings);
    if (Settings.UseID3)
        process.Tags = {parser.value(artist), parser.value(comment)};
    CliProgress(WmaCommandLine(process.Options, process.Tags, program, files.Input, files.Output));
    return RunWrapper(process, JobCode::WmaEnded, files);
}
