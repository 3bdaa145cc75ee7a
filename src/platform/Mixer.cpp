// The volume control launcher (see Mixer.h).
#include "platform/Mixer.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

QString Find(const QString& name, const QStringList& searchPath) {
    return searchPath.isEmpty() ? QStandardPaths::findExecutable(name)
                                : QStandardPaths::findExecutable(name, searchPath);
}

} // namespace

bool FindMixer(TMixerCommand& command, const QStringList& searchPath) {
    if (const QString p = Find(QStringLiteral("pavucontrol"), searchPath); !p.isEmpty()) {
        command = {p, {}};
        return true;
    }
    if (const QString p = Find(QStringLiteral("gnome-control-center"), searchPath); !p.isEmpty()) {
        command = {p, {QStringLiteral("sound")}};
        return true;
    }
    const QString alsamixer = Find(QStringLiteral("alsamixer"), searchPath);
    if (alsamixer.isEmpty())
        return false;
    // Debian's alternative points at the user's chosen terminal; xterm is the common fallback.
    for (const char* terminal : {"x-terminal-emulator", "xterm"}) {
        if (const QString t = Find(QString::fromLatin1(terminal), searchPath); !t.isEmpty()) {
            command = {t, {QStringLiteral("-e"), alsamixer}};
            return true;
        }
    }
    return false;
}

bool LaunchMixer() {
    TMixerCommand command;
    return FindMixer(command) && QProcess::startDetached(command.Program, command.Arguments);
}
