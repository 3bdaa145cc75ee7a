// "&Recording Control...": the desktop's volume control (platform/Mixer.h), opened on its
// recording page where it has one (pavucontrol's Recording tab, alsamixer's capture view).
#pragma once

#include <QString>
#include <QStringList>

struct TRecordingMixerCommand {
    QString Program;
    QStringList Arguments;
};

// The first volume control found in `searchPath` (the folders of PATH when empty), with the
// arguments that open its recording page; false when there is none.
bool FindRecordingMixer(TRecordingMixerCommand& command, const QStringList& searchPath = {});
// Starts it detached; false when none was found or it would not start.
bool LaunchRecordingMixer();
