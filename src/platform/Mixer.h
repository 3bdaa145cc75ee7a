// The volume control of the desktop: the first of pavucontrol, GNOME's sound settings and
// alsamixer (in a terminal) that is installed.
#pragma once

#include <QString>
#include <QStringList>

struct TMixerCommand {
    QString Program;
    QStringList Arguments;
};

// The first volume control found in `searchPath` (the folders of PATH when empty); false when
// there is none (alsamixer counts only when a terminal to run it in is there too).
bool FindMixer(TMixerCommand& command, const QStringList& searchPath = {});

// Starts the volume control detached from us; false when none was found or it would not start.
bool LaunchMixer();
