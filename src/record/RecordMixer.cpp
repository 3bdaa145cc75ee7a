// The recording mixer launcher (see RecordMixer.h).
#include "record/RecordMixer.h"

#include "platform/Mixer.h"

#include <QFileInfo>
#include <QProcess>

bool FindRecordingMixer(TRecordingMixerCommand& command, const QStringList& searchPath) {
    TMixerCommand mixer;
    if (!FindMixer(mixer, searchPath))
        return false;
    command = {mixer.Program, mixer.Arguments};
    if (QFileInfo(mixer.Program).fileName() == QLatin1String("pavucontrol")) {
        command.Arguments << QStringLiteral("--tab=2"); // its Recording tab
    } else if (!mixer.Arguments.isEmpty() &&
               QFileInfo(mixer.Arguments.last()).fileName() == QLatin1String("alsamixer")) {
        command.Arguments << QStringLiteral("-V") << QStringLiteral("capture");
    }
    // GNOME's sound panel shows the input devices on its one page.
    return true;
}

bool LaunchRecordingMixer() {
    TRecordingMixerCommand command;
    return FindRecordingMixer(command) && QProcess::startDetached(command.Program, command.Arguments);
}
