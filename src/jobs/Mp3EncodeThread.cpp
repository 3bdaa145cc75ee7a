// The MP3 encoder wrapper (see Mp3EncodeThread.h).
#include "jobs/Mp3EncodeThread.h"

#include "core/JobEvents.h"
#include "platform/ProgramFolder.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace {

// lame reads a word starting with "-" as an option ("-" alone is standard input); a relative
// file name like that must still reach it as a file.
QString FileArgument(const QString& name) {
    return name.startsWith('-') ? QStringLiteral("./") + name : name;
}

QString Quoted(const QString& text) {
    return '"' + text + '"';
}

} // namespace

QStringList Mp3Arguments(const TMp3Options& options, bool encode, const QString& inputFile, const QString& outputFile) {
    QStringList a;
    if (!encode) {
        a << QStringLiteral("--decode") << FileArgument(inputFile) << FileArgument(outputFile);
        return a;
    }
    a << QStringLiteral("-b") << QString::number(options.BitRate);
    static const char* const stereoModes[] = {"s", "j", "f", "d", "m"};
    if (options.StereoMode >= 0 && options.StereoMode <= 4)
        a << QStringLiteral("-m") << QString::fromLatin1(stereoModes[options.StereoMode]);
    if (options.MpegQuality == 1)
        a << QStringLiteral("-f");
    else if (options.MpegQuality == 2)
        a << QStringLiteral("-h");
    if (options.IsSelectVBR) {
        a << QStringLiteral("-V") << QString::number(options.VBRQuality) << QStringLiteral("-B")
          << QString::number(options.MaxBitRate);
        if (options.IsVBRHead)
            a << QStringLiteral("-t");
    }
    a << FileArgument(inputFile) << FileArgument(outputFile);
    return a;
}

QString Mp3CommandLine(const TMp3Options& options, bool encode, const QString& inputFile, const QString& outputFile) {
    QStringList words = Mp3Arguments(options, encode, inputFile, outputFile);
    // The two file names are the last two words; they are shown quoted and as given.
    words.removeLast();
    words.removeLast();
    words.prepend(QStringLiteral("lame.exe"));
    return words.join(' ') + ' ' + Quoted(inputFile) + ' ' + Quoted(outputFile);
}

QString FindLame() {
    const QString own = ExecutableFolder() + QStringLiteral("/lame");
    const QFileInfo info(own);
    if (info.isFile() && info.isExecutable())
        return own;
    return QStandardPaths::findExecutable(QStringLiteral("lame"));
}

void TMp3EncodeProcess::Notify(int32_t status, const QString& text) {
    Q_UNUSED(text);
    TProcessInfo info;
    info.Code = 2000;
    info.Status = status;
    info.Ok = LastOk;
    info.Reason = LastReason;
    NotifyWindow.PostJobInfo(info);
}

bool TMp3EncodeProcess::AsksOverwrite() const {
    return JobKind != TJobKind::RipTracks && JobKind != TJobKind::RecordingToMp3;
}

bool TMp3EncodeProcess::FindProgram(QString& program) {
    // A missing lame is reported when the child cannot be created.
    program = FindLame();
    return true;
}

QStringList TMp3EncodeProcess::Arguments() const {
    return Mp3Arguments(Options, Encode, InputFile, WorkFile);
}

void TMp3EncodeProcess::ResetParser() {
    EncodeParser.Reset();
    DecodeParser.Reset();
}

void TMp3EncodeProcess::ParseChunk(const QByteArray& chunk) {
    const std::vector<TProgressReport> reports =
        Encode ? EncodeParser.Parse(chunk) : DecodeParser.Parse(chunk, ElapsedSeconds());
    ProgressColumn = Encode ? EncodeParser.ProgressColumn : DecodeParser.ProgressColumn;
    for (const TProgressReport& r : reports)
        PostProgress(r.Code, r.Elapsed, r.Estimated);
}
