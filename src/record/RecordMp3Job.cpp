// Recording to MP3 through the encoder wrapper (see RecordMp3Job.h).
#include "record/RecordMp3Job.h"

#include "app/JobEvents.h"
#include "app/LanguageText.h"
#include "jobs/Mp3EncodeThread.h"
#include "platform/Prompter.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>

namespace {

QString ResText(const char* key, const char* english) {
    const QString text = LoadResText(QString::fromLatin1(key), QString::fromUtf8(english));
    return text.isEmpty() ? QString::fromUtf8(english) : text;
}

// Receives the wrapper's WM_JOB_INFO events as the job window does.
class TJobReceiver : public QObject {
public:
    TJobReceiver(QEventLoop& loop, const std::function<void(int32_t)>& progress) : Loop(loop), Progress(progress) {}

    bool event(QEvent* e) override {
        if (e->type() != JobInfoEventType)
            return QObject::event(e);
        const TProcessInfo& info = *static_cast<TJobInfoEvent*>(e)->Info;
        if (info.Code == 2000) {
            Ended = true;
            End = info;
            Loop.quit();
        } else if (info.Code >= 1 && info.Code <= 100 && Progress) {
            Progress(info.Code);
        }
        return true;
    }

    QEventLoop& Loop;
    const std::function<void(int32_t)>& Progress;
    bool Ended = false;
    TProcessInfo End;
};

} // namespace

bool RunRecordingToMp3(const QString& wavFile, QString* reason, const std::function<void(int32_t)>& progress) {
    const QFileInfo info(wavFile);
    QEventLoop loop;
    TJobReceiver receiver(loop, progress);
    TMp3EncodeProcess process;
    process.Encode = true;
    process.JobKind = 4;
    process.InputFile = wavFile;
    process.OutputFile = info.dir().filePath(info.completeBaseName() + QStringLiteral(".mp3"));
    process.NotifyWindow = &receiver;
    process.Active = true;
    QString why;
    try {
        process.Start();
        if (!receiver.Ended)
            loop.exec();
        if (!receiver.End.Ok)
            why = receiver.End.Reason;
    } catch (const EEncodeProcess& e) {
        why = QString::fromStdString(e.what());
    }
    if (receiver.End.Ok)
        return true;
    if (why.isEmpty())
        why = QStringLiteral("the encoder did not finish");
    if (reason)
        *reason = why;
    Prompter().Show(
        ResText("RES_Check_Mp3Options",
                "Create MP3 file error! Please check the output and lame options or run application again.") +
            QStringLiteral("\r\n") + why,
        TPromptIcon::Error, TPromptButtons::Ok);
    return false;
}
