// Whether the window can be shown, asked before the GUI's application object exists. Without
// a display Qt itself aborts, with advice to reinstall the program that is wrong here; the GUI
// says instead in one line that there is no display and where to turn.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// Why no window can be shown, judged from the environment (`getEnv` gives an unset variable as
// empty) and the Qt arguments of the command line, or empty when a display may be there. Only
// the platforms that need a display server (xcb, wayland; the default on Linux) are judged:
// they need DISPLAY, WAYLAND_DISPLAY or WAYLAND_SOCKET (or -display for xcb). Others, such as
// offscreen, minimal or vnc, are taken to work.
QString MissingDisplayReason(const std::function<QByteArray(const char*)>& getEnv, const QStringList& qtArgs);
// The same for this process's environment.
QString MissingDisplayReason(const QStringList& qtArgs);

// The GUI's one line (with its line break) for `reason`.
QString NoDisplayLine(const QString& reason);

// While it lives (around the construction of the application object), a platform plugin that
// gives up because it could not connect to its display (DISPLAY set, but no X server answers)
// ends the process with NoDisplayLine on standard error and exit code 1, instead of Qt's abort.
// What Qt logs meanwhile is held back: dropped in that case, passed on when the guard ends.
// Any other fatal error goes on to Qt's own handling as before.
class TDisplayStartGuard {
public:
    TDisplayStartGuard();
    ~TDisplayStartGuard();
    TDisplayStartGuard(const TDisplayStartGuard&) = delete;
    TDisplayStartGuard& operator=(const TDisplayStartGuard&) = delete;
};
