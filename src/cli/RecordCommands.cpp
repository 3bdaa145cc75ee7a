// discwright-cli record: the sound recorder without a screen. It drives the recorder's own
// controller as a user would: New with the chosen format, Record, Stop once the wanted length
// has been recorded, Save As the output file and, with --mp3, the MP3 export (the conversion job,
// JobKind 4) that follows a save.
#include "cli/CliCommon.h"
#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "platform/Prompter.h"
#include "record/RecordController.h"
#include "record/RecordFiles.h"
#include "record/RecordMp3Job.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace {

// Answers the recorder's dialogs with the command's arguments.
class TCliRecordView : public TRecordView {
public:
    TRecordFormat Format;
    QString Output;
    QString ExportFailure;
    std::function<bool()> Interrupted;

    bool AskNewFormat(TRecordFormat& format) override {
        format = Format;
        return true;
    }
    QString AskOpenFile(const QString&) override { return QString(); }
    QString AskSaveFile(const QString&) override { return Output; }
    bool RunMp3Export(const QString& wavFile) override {
        return RunRecordingToMp3(
            wavFile, &ExportFailure, [](int32_t percent) { CliProgress(QStringLiteral("mp3 %1%").arg(percent)); },
            Interrupted);
    }
};

// While the recording is being set up, an error box (the sound card cannot record, the file
// cannot be created) is kept to become the command's one error line instead of being printed
// before it; other boxes go on to the tool's prompter.
class TSetupPrompter : public TPrompter {
public:
    TSetupPrompter() { SetPrompter(this); }
    ~TSetupPrompter() override { SetPrompter(&CliPrompter()); }
    TSetupPrompter(const TSetupPrompter&) = delete;
    TSetupPrompter& operator=(const TSetupPrompter&) = delete;

    using TPrompter::Show;
    TPromptAnswer Show(const QString& text, TPromptIcon icon, TPromptButtons buttons,
                       TPromptAnswer defaultAnswer) override {
        if (icon != TPromptIcon::Error || buttons != TPromptButtons::Ok)
            return CliPrompter().Show(text, icon, buttons, defaultAnswer);
        Errors << BoxTextOnOneLine(text);
        return TPromptAnswer::Ok;
    }
    // The command's error line: the boxes kept, else `fallback`.
    QString Failure(const QString& fallback) const { return Errors.isEmpty() ? fallback : Errors.join(' '); }
    // Prints the boxes kept (the setup went on after them).
    void Flush() {
        for (const QString& e : std::as_const(Errors))
            CliPrompter().Show(e, TPromptIcon::Error, TPromptButtons::Ok);
        Errors.clear();
    }

private:
    QStringList Errors;
};

QString Mp3Beside(const QString& wav) {
    const QFileInfo info(wav);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".mp3"));
}

} // namespace

int RunRecordCommand(const QStringList& words) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("OUT.wav"), QStringLiteral("the WAV file to write"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"), QStringLiteral("length of the recording"),
                                           QStringLiteral("N"));
    const QCommandLineOption rateOption(QStringLiteral("rate"),
                                        QStringLiteral("sample rate: 8000, 11025, 12000, 16000, 22050, 24000, "
                                                       "32000, 44100 (default) or 48000"),
                                        QStringLiteral("HZ"), QStringLiteral("44100"));
    const QCommandLineOption bitsOption(QStringLiteral("bits"), QStringLiteral("8 or 16 (default)"),
                                        QStringLiteral("N"), QStringLiteral("16"));
    const QCommandLineOption channelsOption(QStringLiteral("channels"), QStringLiteral("1 or 2 (default)"),
                                            QStringLiteral("N"), QStringLiteral("2"));
    const QCommandLineOption mp3Option(
        QStringLiteral("mp3"), QStringLiteral("also encode OUT.mp3 beside it with lame, using the MP3 options"));
    parser.addOptions({secondsOption, rateOption, bitsOption, channelsOption, mp3Option});
    int exitCode = 0;
    if (!CliParse(parser, words,
                  QStringLiteral("Records from the sound card into a WAV file as the recorder window does "
                                 "(New, Record, Stop, Save As), and with --mp3 exports it to MP3."),
                  exitCode))
        return exitCode;
    if (parser.positionalArguments().size() != 1)
        return CliFail(QStringLiteral("one OUT.wav expected"), 2);
    const QString output = QFileInfo(parser.positionalArguments().constFirst()).absoluteFilePath();
    if (QFileInfo(output).suffix().toLower() != QLatin1String("wav"))
        return CliFail(QStringLiteral("OUT must end in .wav"), 2);

    bool ok = false;
    const double seconds = parser.value(secondsOption).toDouble(&ok);
    if (!parser.isSet(secondsOption) || !ok || !(seconds > 0) || seconds > 86400)
        return CliFail(QStringLiteral("--seconds must be a number above 0 (at most 86400)"), 2);
    TCliRecordView view;
    view.Output = output;
    view.Format.SampleRate = parser.value(rateOption).toInt(&ok);
    if (!ok || std::find(std::begin(RecordSampleRates), std::end(RecordSampleRates), view.Format.SampleRate) ==
                   std::end(RecordSampleRates))
        return CliFail(QStringLiteral("--rate must be one of 8000, 11025, 12000, 16000, 22050, 24000, 32000, "
                                      "44100, 48000"),
                       2);
    view.Format.BitsPerSample = parser.value(bitsOption).toInt(&ok);
    if (!ok || (view.Format.BitsPerSample != 8 && view.Format.BitsPerSample != 16))
        return CliFail(QStringLiteral("--bits must be 8 or 16"), 2);
    view.Format.Channels = parser.value(channelsOption).toInt(&ok);
    if (!ok || (view.Format.Channels != 1 && view.Format.Channels != 2))
        return CliFail(QStringLiteral("--channels must be 1 or 2"), 2);
    const bool mp3 = parser.isSet(mp3Option);

    TRecordController recorder(&view);
    recorder.SetSaveMp3(mp3);
    const int64_t wantedMs = std::llround(seconds * 1000);
    {
        TSetupPrompter setup;
        recorder.New();
        if (recorder.DocumentFile.isEmpty())
            return CliFail(setup.Failure(QStringLiteral("the recording could not be prepared")));
        recorder.RecordLimit = wantedMs;
        recorder.ButtonClick(btRecord);
        if (!recorder.RecordTimerOn()) {
            recorder.FormClose();
            // Nothing was recorded: the new file holds its header only.
            QFile::remove(recorder.UnnamedFile());
            return CliFail(setup.Failure(QStringLiteral("the sound card could not record")));
        }
        setup.Flush();
    }

    const TInterruptScope interrupt;
    view.Interrupted = [&] { return interrupt.Interrupted(); };
    TWaveDevice& device = recorder.Device();
    const bool complete = RunEventLoopUntil(
        [&] {
            CliProgress(QStringLiteral("recording %1 s").arg(device.Length() / 1000));
            return device.Mode() != wmRecording || interrupt.Interrupted();
        },
        int(wantedMs) + 15000);
    const int64_t recordedMs = device.Length();
    recorder.ButtonClick(btStop);
    if (device.HasRecording() || !device.KeptRecording().isEmpty()) {
        recorder.FormClose();
        return CliFail(QStringLiteral("the recording could not be saved"));
    }
    recorder.SaveAs();
    const bool saved = !recorder.IsUnnamed() && NamesSameFile(recorder.DocumentFile, output);
    const QString unnamed = recorder.UnnamedFile();
    recorder.FormClose();
    if (!saved)
        return CliFail(output + QStringLiteral(" was not written; the recording is kept in ") + unnamed +
                       (QFileInfo::exists(output) ? QStringLiteral(" (use --yes to overwrite)") : QString()));
    CliOut(output);
    if (interrupt.Interrupted())
        return CliFail(output + QStringLiteral(": stopped after %1 s").arg(recordedMs / 1000.0), InterruptedExitCode);
    if (!complete)
        return CliFail(output + QStringLiteral(": the sound card delivered only %1 s").arg(recordedMs / 1000.0));
    if (mp3) {
        if (recorder.ExportCount == 0)
            return CliFail(Mp3Beside(output) + QStringLiteral(" exists; not overwritten (use --yes to overwrite)"));
        if (!recorder.LastExportWritten)
            return CliFail(Mp3Beside(output) + QStringLiteral(": ") + view.ExportFailure);
        CliOut(Mp3Beside(output));
    }
    return 0;
}
