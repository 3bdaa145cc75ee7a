// discwright-cli encode ogg / decode ogg / ogg info: the Ogg Vorbis components in stream
// chains (TWaveIn -> TVorbisOut, TVorbisIn -> TWaveOut) with progress on standard error.
//
// A sink writes into a temporary file beside the output, which replaces the output only when
// the run succeeded: a failed or interrupted run leaves no half file and an existing output
// untouched.
#include "audio/AuException.h"
#include "audio/WaveIn.h"
#include "audio/WaveOut.h"
#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "cli/SinkRun.h"
#include "core/Helpers.h"
#include "platform/Prompter.h"
#include "vorbis/VorbisIn.h"
#include "vorbis/VorbisOut.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

struct TFiles {
    QString Input;
    QString Output;
};

// The two positional files: the input must be readable and the output another file.
bool TakeFiles(const QCommandLineParser& parser, const QStringList& words, const QString& usage, TFiles& files,
               int& exitCode) {
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        exitCode = CliFail(words.value(0) + QStringLiteral(": expected ") + usage, 2);
        return false;
    }
    files = {args[0], args[1]};
    const QFileInfo in(files.Input);
    if (!in.isFile() || !in.isReadable()) {
        exitCode = CliFail(QStringLiteral("cannot read ") + files.Input);
        return false;
    }
    const QFileInfo out(files.Output);
    if (IsSameFile(files.Input, files.Output)) {
        exitCode = CliFail(QStringLiteral("the output file is the input file: ") + files.Output);
        return false;
    }
    if (out.isDir()) {
        exitCode = CliFail(files.Output + QStringLiteral(" is a folder"));
        return false;
    }
    return true;
}

// An existing output is replaced only when the user allows it (--yes).
bool MayWrite(const QString& output, int& exitCode) {
    if (!QFileInfo::exists(output))
        return true;
    if (Prompter().Show(output + QStringLiteral(" exists. Overwrite it?"), TPromptIcon::Question,
                        TPromptButtons::YesNo) == TPromptAnswer::Yes)
        return true;
    exitCode = CliFail(QStringLiteral("not overwriting ") + output + QStringLiteral(" (use --yes to allow it)"));
    return false;
}

// Opens a file source, turning its failure into one clear line.
template <class TSource> bool OpenInput(TSource& in, const QString& path, const QString& kind, int& exitCode) {
    in.SetFileName(path);
    QString message;
    try {
        in.OpenSource();
    } catch (const EAuException& e) {
        message = e.Message();
    }
    if (message.isEmpty() && !in.Valid())
        message = QStringLiteral("not a ") + kind + QStringLiteral(" file that can be read");
    if (message.isEmpty())
        return true;
    // The reader's text carries only vorbisfile's number; say what it means for the user's file.
    if (message.endsWith(QStringLiteral(": ") + QString::number(OV_ENOTVORBIS)))
        message +=
            QStringLiteral(" (no readable Ogg Vorbis stream: not an Ogg file, a cut one, or Ogg holding another codec "
                           "such as Opus or FLAC)");
    exitCode = CliFail(path + QStringLiteral(": ") + message);
    return false;
}

QString RateList() {
    QStringList rates;
    for (int v = bitrate24; v <= bitrate499; ++v)
        rates << QString::number(BitrateToInt(TVorbisBitRate(v)) / 1000);
    return rates.join(QStringLiteral(", "));
}

QString CommentNames(const TVorbisTags& tags) {
    QStringList names;
    for (int i = 0; i < tags.Count(); ++i)
        names << tags.NameAt(i);
    return names.join(QStringLiteral(", "));
}

} // namespace

int RunEncodeOggCommand(const QStringList& words) {
    TVorbisOut out;
    QCommandLineParser parser;
    const QCommandLineOption quality(QStringLiteral("quality"),
                                     QStringLiteral("Vorbis quality from 0.2 to 0.9 (default 0.2)."),
                                     QStringLiteral("Q"));
    const QCommandLineOption bitrate(QStringLiteral("bitrate"),
                                     QStringLiteral("Nominal bitrate in kbit/s, one of ") + RateList() +
                                         QStringLiteral("; minimum and maximum automatic."),
                                     QStringLiteral("KBPS"));
    const QCommandLineOption comment(QStringLiteral("comment"),
                                     QStringLiteral("A comment NAME=VALUE (repeatable). Only these names are kept: ") +
                                         CommentNames(out.Comments()) + '.',
                                     QStringLiteral("NAME=VALUE"));
    parser.addOptions({quality, bitrate, comment});
    parser.addPositionalArgument(QStringLiteral("IN.wav"), QStringLiteral("WAV file to read"));
    parser.addPositionalArgument(QStringLiteral("OUT.ogg"), QStringLiteral("Ogg Vorbis file to write"));
    int exitCode = 0;
    if (!CliParse(parser, words, QStringLiteral("Encodes a WAV file to Ogg Vorbis."), exitCode))
        return exitCode;
    TFiles files;
    if (!TakeFiles(parser, words, QStringLiteral("IN.wav OUT.ogg"), files, exitCode))
        return exitCode;

    if (parser.isSet(quality) && parser.isSet(bitrate))
        return CliFail(QStringLiteral("give either --quality or --bitrate, not both"), 2);
    if (parser.isSet(quality)) {
        bool ok = false;
        const float q = parser.value(quality).toFloat(&ok);
        if (!ok || q < 0.2f || q > 0.9f)
            return CliFail(QStringLiteral("--quality takes a number from 0.2 to 0.9, not ") + parser.value(quality), 2);
        out.Compression = q;
    }
    if (parser.isSet(bitrate)) {
        bool ok = false;
        const std::optional<TVorbisBitRate> rate = BitrateFromKbps(parser.value(bitrate).toInt(&ok));
        if (!ok || !rate)
            return CliFail(QStringLiteral("--bitrate takes one of ") + RateList() + QStringLiteral(", not ") +
                               parser.value(bitrate),
                           2);
        out.SetDesiredNominalBitrate(*rate);
        // The nominal setter raises the maximum to itself, which would hold every block to
        // the nominal rate; the help promises automatic bounds.
        out.SetDesiredMaximumBitrate(brAutoSelect);
        out.SetMinimumBitrate(brAutoSelect);
    }
    for (const QString& entry : parser.values(comment)) {
        const int equals = entry.indexOf('=');
        const QString name = entry.left(equals).toLower();
        bool declared = false;
        for (int i = 0; i < out.Comments().Count() && !declared; ++i)
            declared = out.Comments().NameAt(i) == name;
        if (equals <= 0 || !declared)
            return CliFail(QStringLiteral("--comment takes NAME=VALUE with NAME one of ") +
                               CommentNames(out.Comments()) + QStringLiteral(", not ") + entry,
                           2);
        out.Comments().SetValue(name, entry.mid(equals + 1));
    }

    TWaveIn in;
    if (!OpenInput(in, files.Input, QStringLiteral("WAV"), exitCode) || !MayWrite(files.Output, exitCode))
        return exitCode;
    out.SetInput(&in);
    return RunSinkToFile(out, files.Output);
}

int RunDecodeOggCommand(const QStringList& words) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("IN.ogg"), QStringLiteral("Ogg Vorbis file to read"));
    parser.addPositionalArgument(QStringLiteral("OUT.wav"), QStringLiteral("WAV file to write (16-bit PCM)"));
    int exitCode = 0;
    if (!CliParse(parser, words, QStringLiteral("Decodes an Ogg Vorbis file to WAV."), exitCode))
        return exitCode;
    TFiles files;
    if (!TakeFiles(parser, words, QStringLiteral("IN.ogg OUT.wav"), files, exitCode))
        return exitCode;
    TVorbisIn in;
    if (!OpenInput(in, files.Input, QStringLiteral("Ogg Vorbis"), exitCode) || !MayWrite(files.Output, exitCode))
        return exitCode;
    TWaveOut out;
    out.SetInput(&in);
    return RunSinkToFile(out, files.Output);
}

int RunOggInfoCommand(const QStringList& words) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE.ogg"), QStringLiteral("Ogg Vorbis file"));
    int exitCode = 0;
    if (!CliParse(parser, words,
                  QStringLiteral("Shows an Ogg Vorbis file's channels, sample rate, length in seconds and every\n"
                                 "comment as NAME=VALUE, in file order (line breaks and backslashes in\n"
                                 "values escaped as \\n, \\r and \\\\)."),
                  exitCode))
        return exitCode;
    const QStringList args = parser.positionalArguments();
    if (args.size() != 1)
        return CliFail(words.value(0) + QStringLiteral(": expected FILE.ogg"), 2);
    // Named as decode ogg names it; the decoder would only say "Failed to open stream".
    const QFileInfo file(args[0]);
    if (!file.isFile() || !file.isReadable())
        return CliFail(QStringLiteral("cannot read ") + args[0]);
    TVorbisIn in;
    if (!OpenInput(in, args[0], QStringLiteral("Ogg Vorbis"), exitCode))
        return exitCode;
    CliOut(QStringLiteral("channels: ") + QString::number(in.GetChannels()));
    CliOut(QStringLiteral("rate: ") + QString::number(in.GetSampleRate()));
    CliOut(QStringLiteral("seconds: ") + QString::number(in.GetTotalSeconds()));
    for (QString comment : in.AllComments()) {
        // One comment per line, whatever its value holds.
        comment.replace('\\', QLatin1String("\\\\"))
            .replace('\n', QLatin1String("\\n"))
            .replace('\r', QLatin1String("\\r"));
        CliOut(comment);
    }
    return 0;
}
