// discwright-cli encode flac / decode flac: the in-process FLAC encoder and decoder the job
// window runs (WAV to FLAC with the FlacOptions of options.ini, FLAC to WAV), progress on
// standard error. The output appears only whole; Ctrl+C, SIGTERM or SIGHUP leave it as it was.
#include "audio/FlacCodec.h"
#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "core/EncoderOptions.h"
#include "core/Helpers.h"
#include "core/Settings.h"
#include "platform/Prompter.h"

#include <QFileInfo>

namespace {

int RunFlac(const QStringList& words, bool encode) {
    QCommandLineParser parser;
    const QString in = encode ? QStringLiteral("IN.wav") : QStringLiteral("IN.flac");
    const QString out = encode ? QStringLiteral("OUT.flac") : QStringLiteral("OUT.wav");
    parser.addPositionalArgument(in, QStringLiteral("file to read"));
    parser.addPositionalArgument(out, QStringLiteral("file to write"));
    int exitCode = 0;
    if (!CliParse(parser, words,
                  encode ? QStringLiteral("Encode a WAV file (integer PCM, 1 to 8 channels) to FLAC with the FlacOptions\n"
                                          "of options.ini (Level 0..8, Verify).")
                         : QStringLiteral("Decode a FLAC file to WAV (its channels, rate and bits); the decoded audio is\n"
                                          "checked against the file's MD5 signature."),
                  exitCode))
        return exitCode;
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2)
        return CliFail(words.value(0) + QStringLiteral(": expected ") + in + ' ' + out, 2);
    const QString input = args[0];
    const QString output = args[1];
    const QFileInfo info(input);
    if (!info.isFile() || !info.isReadable())
        return CliFail(QStringLiteral("cannot read ") + input);
    if (IsSameFile(input, output))
        return CliFail(QStringLiteral("the output file is the input file: ") + output);
    if (QFileInfo(output).isDir())
        return CliFail(output + QStringLiteral(" is a folder"));
    if (QFileInfo::exists(output) &&
        Prompter().Show(output + QStringLiteral(" exists. Overwrite it?"), TPromptIcon::Question,
                        TPromptButtons::YesNo) != TPromptAnswer::Yes)
        return CliFail(QStringLiteral("not overwriting ") + output + QStringLiteral(" (use --yes to allow it)"));
    std::atomic<bool> stop{false};
    const TInterruptScope interrupt(&stop);
    TFlacRunHooks hooks;
    hooks.Stop = &stop;
    hooks.Progress = [](int32_t percent) { CliProgress(QString::number(percent) + '%'); };
    QString error;
    const TFlacOptions options = TFlacOptions::From(Settings);
    const bool ok = encode ? EncodeWavToFlac(input, output, TFlacEncodeOptions{options.Level, options.Verify}, hooks,
                                             error)
                           : DecodeFlacToWav(input, output, hooks, error);
    if (interrupt.Interrupted())
        return CliFail(output + QStringLiteral(": stopped; the output was not written"), InterruptedExitCode);
    if (!ok)
        return CliFail(error);
    return 0;
}

} // namespace

int RunEncodeFlacCommand(const QStringList& words) {
    return RunFlac(words, true);
}

int RunDecodeFlacCommand(const QStringList& words) {
    return RunFlac(words, false);
}
