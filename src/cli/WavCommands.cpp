// discwright-cli wav info|convert: what the WAV reader makes of a file, and the conversion
// chain of the WAV to WAV dialog (reader → resampler → converter → writer) without a screen.
#include "audio/AuException.h"
#include "audio/AudioConverter.h"
#include "audio/FastResampler.h"
#include "audio/WaveIn.h"
#include "audio/WaveOut.h"
#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "cli/SinkRun.h"
#include "core/Helpers.h"
#include "core/LanguageText.h"
#include "platform/Prompter.h"

#include <QFile>
#include <QFileInfo>

#include <exception>

namespace {

// Opens the file once through a stream of its own, so that a missing or unreadable file is
// reported with the system's reason instead of as "not a WAV file".
bool CheckReadable(const QString& path, QString& reason) {
    try {
        TAuFileStream probe(path, fmOpenRead | fmShareDenyWrite);
    } catch (const EAuException& e) {
        reason = e.Message();
        return false;
    }
    return true;
}

int RunInfo(const QStringList& words) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("the WAV file"));
    int exitCode = 0;
    if (!CliParse(parser, words, QStringLiteral("Shows the format of a WAV file as the reader sees it."), exitCode))
        return exitCode;
    if (parser.positionalArguments().size() != 1)
        return CliFail(QStringLiteral("one FILE expected"), 2);
    const QString path = parser.positionalArguments().constFirst();
    QString reason;
    if (!CheckReadable(path, reason))
        return CliFail(path + QStringLiteral(": ") + reason);

    TWaveIn in;
    in.SetFileName(path);
    const bool valid = in.Valid();
    const TWavType type = in.WavType();
    CliOut(QStringLiteral("type: ") + WavTypeName(type));
    CliOut(QStringLiteral("channels: ") + QString::number(valid ? in.GetChannels() : 0));
    CliOut(QStringLiteral("sample rate: ") + QString::number(valid ? in.GetSampleRate() : 0));
    CliOut(QStringLiteral("bits per sample: ") + QString::number(valid ? in.GetBitsPerSample() : 0));
    CliOut(QStringLiteral("size: ") + QString::number(valid ? in.Size.load() : 0));
    CliOut(QStringLiteral("total samples: ") + QString::number(valid ? std::max<int64_t>(0, in.GetTotalSamples()) : 0));
    CliOut(QStringLiteral("valid: ") + (valid ? QStringLiteral("yes") : QStringLiteral("no")));
    if (!valid)
        return CliFail(path + QStringLiteral(": not a WAV file this program can read (type ") + WavTypeName(type) +
                       ')');
    return 0;
}

bool ParseNumber(const QCommandLineParser& parser, const QCommandLineOption& option, int& value) {
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    value = parser.value(option).toInt(&ok);
    return ok;
}

int RunConvert(const QStringList& words) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("IN"), QStringLiteral("the WAV file to read"));
    parser.addPositionalArgument(QStringLiteral("OUT"), QStringLiteral("the WAV file to write"));
    const QCommandLineOption channelsOption(QStringLiteral("channels"), QStringLiteral("1 or 2 (default: as IN)"),
                                            QStringLiteral("N"));
    const QCommandLineOption rateOption(QStringLiteral("rate"), QStringLiteral("sample rate in Hz (default: as IN)"),
                                        QStringLiteral("HZ"));
    const QCommandLineOption bitsOption(QStringLiteral("bits"), QStringLiteral("8, 16, 24 or 32 (default: as IN)"),
                                        QStringLiteral("N"));
    const QCommandLineOption encodingOption(QStringLiteral("encoding"),
                                            QStringLiteral("pcm or adpcm (IMA ADPCM; 16-bit, 1 or 2 channels)"),
                                            QStringLiteral("ENC"), QStringLiteral("pcm"));
    parser.addOptions({channelsOption, rateOption, bitsOption, encodingOption});
    int exitCode = 0;
    if (!CliParse(parser, words,
                  QStringLiteral("Converts a WAV file to another rate, bit depth, channel count or "
                                 "encoding."),
                  exitCode))
        return exitCode;
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2)
        return CliFail(QStringLiteral("IN and OUT expected"), 2);
    const QString inPath = args[0], outPath = args[1];

    int channels = 0, rate = 0, bits = 0;
    if (!ParseNumber(parser, channelsOption, channels) ||
        (parser.isSet(channelsOption) && channels != 1 && channels != 2))
        return CliFail(QStringLiteral("--channels must be 1 or 2"), 2);
    if (!ParseNumber(parser, rateOption, rate) || (parser.isSet(rateOption) && (rate < 1000 || rate > 768000)))
        return CliFail(QStringLiteral("--rate must be between 1000 and 768000"), 2);
    if (!ParseNumber(parser, bitsOption, bits) ||
        (parser.isSet(bitsOption) && bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return CliFail(QStringLiteral("--bits must be 8, 16, 24 or 32"), 2);
    const QString encoding = parser.value(encodingOption).toLower();
    if (encoding != QLatin1String("pcm") && encoding != QLatin1String("adpcm"))
        return CliFail(QStringLiteral("--encoding must be pcm or adpcm"), 2);

    QString reason;
    if (!CheckReadable(inPath, reason))
        return CliFail(inPath + QStringLiteral(": ") + reason);
    // Writing the output over the input would destroy the input before it has been read.
    if (IsSameFile(inPath, outPath))
        return CliFail(QStringLiteral("OUT must not be IN: ") + outPath);
    // Before the conversion: a folder cannot take the file's place at its end.
    if (QFileInfo(outPath).isDir())
        return CliFail(outPath + QStringLiteral(" is a folder"));

    TWaveIn in;
    in.SetFileName(inPath);
    if (!in.Valid())
        return CliFail(inPath + QStringLiteral(": not a WAV file this program can read (type ") +
                       WavTypeName(in.WavType()) + ')');
    // A damaged header may announce any rate; the resampler would try to allocate for it.
    const int32_t inRate = in.GetSampleRate();
    if (inRate < 1 || inRate > 768000)
        return CliFail(inPath +
                       QStringLiteral(": its sample rate of %1 Hz cannot be converted (1 to 768000 Hz)").arg(inRate));

    if (QFileInfo::exists(outPath) &&
        Prompter().Show(outPath + ResText("RES_File_Exist", " has existed,overite it?"), TPromptIcon::Question,
                        TPromptButtons::YesNo) != TPromptAnswer::Yes)
        return CliFail(outPath + QStringLiteral(" exists; not overwritten (use --yes to overwrite)"));

    TFastResampler resampler;
    resampler.SetInput(&in);
    resampler.OutSampleRate = rate > 0 ? rate : in.GetSampleRate();
    TAudioConverter converter;
    converter.SetInput(&resampler);
    converter.OutBitsPerSample = bits;
    converter.OutChannels = channels;
    TWaveOut out;
    out.CreateNonMsHeaders = false;
    out.SetWavType(encoding == QLatin1String("adpcm") ? wtDVIADPCM : wtPCM);
    out.SetInput(&converter);
    // The writer announces the whole length in its header before the audio: the file becomes
    // OUT only once it is complete, and a failed or interrupted run leaves OUT as it was.
    return RunSinkToFile(out, outPath);
}

} // namespace

int RunWavCommand(const QStringList& words) {
    const QString action = words.value(1);
    QStringList rest = words.mid(2);
    rest.prepend(words.value(0) + ' ' + action);
    if (action == QLatin1String("info"))
        return RunInfo(rest);
    if (action == QLatin1String("convert"))
        return RunConvert(rest);
    const QString usage = QStringLiteral("usage: discwright-cli wav info FILE | wav convert IN OUT [options] (see "
                                         "discwright-cli wav ACTION --help)");
    if (action == QLatin1String("--help") || action == QLatin1String("-h")) {
        CliOut(usage);
        return 0;
    }
    return CliFail(usage, 2);
}
