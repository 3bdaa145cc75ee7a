// The WMA encoder wrapper (see WMAEncodeThread.h).
#include "jobs/WMAEncodeThread.h"

#include "core/JobEvents.h"
#include "core/LanguageText.h"
#include "jobs/WmaSettings.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompter.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const char* const WmaEncoderName = "wm8eutil";

bool IsExecutableFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

} // namespace

QStringList WmaArguments(const TWmaOptions& options, const TWmaTags& tags, const QString& inputFile,
                         const QString& outputFile) {
    QStringList a{QStringLiteral("-input"),     inputFile,
                  QStringLiteral("-output"),    outputFile,
                  QStringLiteral("-a_setting"), QString::fromLatin1(WmaSettingAt(options.Setting).Code)};
    if (!tags.Author.isEmpty())
        a << QStringLiteral("-author") << tags.Author;
    if (!tags.Description.isEmpty())
        a << QStringLiteral("-description") << tags.Description;
    for (const auto& [name, value] : tags.Metadata)
        if (!value.isEmpty())
            a << QStringLiteral("-meta") << name + '=' + value;
    return a;
}

QString WmaCommandLine(const TWmaOptions& options, const TWmaTags& tags, const QString& program,
                       const QString& inputFile, const QString& outputFile) {
    const QStringList a = WmaArguments(options, tags, inputFile, outputFile);
    QString line = program + QStringLiteral(" -input \"") + inputFile + QStringLiteral("\" -output \"") + outputFile +
                   QStringLiteral("\"");
    for (qsizetype i = 4; i + 1 < a.size(); i += 2)
        line += ' ' + a[i] + ' ' + a[i + 1];
    return line;
}

QString FindWmaEncoder() {
    const QString name = QString::fromLatin1(WmaEncoderName);
    const QString exe = ExecutableFolder();
    for (const QString& candidate :
         {exe + '/' + name, QDir::cleanPath(exe + QStringLiteral("/../libexec/discwright/") + name)})
        if (IsExecutableFile(candidate))
            return candidate;
    return QStandardPaths::findExecutable(name);
}

QString NoWmaEncoderText() {
    return LoadResText(QStringLiteral("RES_NoWmaEncoder"),
                       QStringLiteral("Can not find WMA encoder,please contact with support@discwright.org"));
}

void TWMAEncodeProcess::Notify(int32_t status, const QString& text) {
    TProcessInfo info;
    info.Code = 5000;
    info.Status = status;
    info.Elapsed = status == 8 ? text : QString();
    info.Ok = LastOk;
    info.Reason = LastReason;
    SendJobInfo(NotifyWindow.get(), info);
}

int32_t TWMAEncodeProcess::EndStatus() const {
    return ErrorLine.isEmpty() ? 2 : 8;
}

bool TWMAEncodeProcess::AsksOverwrite() const {
    return JobKind != TJobKind::RipTracks;
}

bool TWMAEncodeProcess::FindProgram(QString& program) {
    program = FindWmaEncoder();
    if (!program.isEmpty())
        return true;
    Prompter().Show(NoWmaEncoderText(), TPromptIcon::Information, TPromptButtons::Ok);
    EndRun(0, false, NoWmaEncoderText());
    return false;
}

QStringList TWMAEncodeProcess::Arguments() const {
    return WmaArguments(Options, Tags, InputFile, WorkFile);
}

void TWMAEncodeProcess::ParseChunk(const QByteArray& chunk) {
    for (const TWmaOutputEvent& e : Parser.Parse(chunk, ElapsedSeconds())) {
        if (!e.IsError)
            NotifyWindow.PostJobInfo(ProgressInfo(100, e.Text, e.Text));
        else if (ErrorLine.isEmpty())
            ErrorLine = e.Text; // reported by the one end event, once the utility has exited
    }
}
