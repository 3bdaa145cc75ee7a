// The GUI program started where it cannot show its window: one line naming the way out and
// exit code 1, never Qt's abort with its advice to reinstall.
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

const QString Advice = "run discwright-cli for the command line, or scripts/run to try the demo disc\n";

TRunResult RunGui(const QStringList& args, const QMap<QString, QString>& set) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "QT_QPA_PLATFORM"})
        env.remove(name);
    for (auto it = set.begin(); it != set.end(); ++it)
        env.insert(it.key(), it.value());
    return RunProgram(BinDir() + "/discwright", args, env, 60000);
}

TEST(GuiStartTest, WithoutADisplayOneLineAndExitCodeOne) {
    const TRunResult none = RunGui({}, {});
    EXPECT_EQ(none.ExitCode, 1);
    EXPECT_EQ(none.Err, "discwright: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); " + Advice);
    EXPECT_EQ(none.Out, "");
    // Asked only whether the window could open: the same answer.
    EXPECT_EQ(RunGui({"--check-display"}, {}).ExitCode, 1);
    // --help needs no display.
    EXPECT_EQ(RunGui({"--help"}, {}).ExitCode, 0);
    // A platform without a display server starts.
    EXPECT_EQ(RunGui({"--check-display"}, {{"QT_QPA_PLATFORM", "offscreen"}}).ExitCode, 0);
    EXPECT_EQ(RunGui({"--check-display", "-platform", "offscreen"}, {}).ExitCode, 0);

    // A display that is set but has no X server behind it: Qt's platform plugin gives up, and
    // what it logged on the way is not shown either.
    if (QFileInfo::exists("/tmp/.X11-unix/X987"))
        GTEST_SKIP() << "an X server answers on :987";
    const TRunResult unreachable = RunGui({}, {{"DISPLAY", ":987"}});
    EXPECT_EQ(unreachable.ExitCode, 1);
    EXPECT_EQ(unreachable.Err, "discwright: no display (cannot open the display :987); " + Advice);
}

} // namespace
