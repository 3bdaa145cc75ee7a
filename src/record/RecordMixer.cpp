// The recording mixer launcher (see RecordMixer.h).
#include "record/RecordMixer.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

QString Find(const QString& name, const QStringList& searchPath) {
    return searchPath.isEmpty() ? QStandardPaths::findExecutable(name)
                                : QStandardPaths::findExecutable(name, searchPath);
}

} // namespace

bool FindRecordingMixer(TRecordingMixerCommand& command, const QStringList& searchPath) {
    if (const QString p = Find(QStringLiteral("pavucontrol"), searchPath); !p.isEmpty()) {
        command = {p, {QStringLiteral("--tab=2")}};
        return true;
    }
    // GNOME's sound panel shows the input devices on its one page.
    if (const QString p = Find(QStringLiteral("gnome-control-center"), searchPath); !p.isEmpty()) {
        command = {p, {QStringLiteral("sound")}};
        return true;
    }
    const QString alsamixer = Find(QStringLiteral("alsamixer"), searchPath);
    if (alsamixer.isEmpty())
        return false;
    for (const char* terminal : {"x-terminal-emulator", "xterm"}) {
        if (const QString t = Find(QString::fromLatin1(terminal), searchPath); !t.isEmpty()) {
            command = {t, {QStringLiteral("-e"), alsamixer, QStringLiteral("-V"), QStringLiteral("capture")}};
            return true;
        }
    }
    return false;
}

bool LaunchRecordingMixer() {
    TRecordingMixerCommand command;
    return FindRecordingMixer(command) && QProcess::startDetached(command.Program, command.Arguments);
}
