// The program body of the Discwright GUI.
//
//   discwright [--program-folder DIR] [--demo] [--check-display] [Qt options]
//
// --program-folder uses DIR for options.ini, cdinfo.dat and temporary files instead of the
// usual program folder (it is created when missing), as discwright-cli does. --demo opens the
// demo disc as the current drive. Without a display the program says so in one line and exits
// with 1; --check-display only finds out whether the window could open (scripts/run asks).
#include "app/MainDemoDisc.h"
#include "app/MainForm.h"
#include "app/MessageBoxPrompter.h"
#include "cddb/QueryCDDBThread.h"
#include "platform/DisplayCheck.h"
#include "platform/ProgramFolder.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const char* const Usage = "Usage: discwright [--program-folder DIR] [--demo]\n\n"
                          "Discwright: CD ripper and audio converter.\n\n"
                          "  --program-folder DIR  use DIR for options.ini, cdinfo.dat and temporary files\n"
                          "                        (created when missing)\n"
                          "  --demo                open the demo disc (three short tracks of synthesised\n"
                          "                        music) as the current drive\n"
                          "  --check-display       exit with 0 when the window can open on the display,\n"
                          "                        with 1 and the reason when it cannot\n"
                          "  --help                show this text\n"
                          "  --version             show the version\n";

} // namespace

int main(int argc, char* argv[]) {
    // Our own options are taken out before Qt sees the rest, so that --help works without a
    // screen.
    QString folder;
    bool demo = false;
    bool checkDisplay = false;
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            std::printf("discwright %s\n", DW_VERSION);
            return 0;
        }
        if (!std::strcmp(argv[i], "--program-folder")) {
            if (i + 1 >= argc) {
                std::fputs("discwright: --program-folder needs a folder\n", stderr);
                return 2;
            }
            folder = QString::fromLocal8Bit(argv[++i]);
        } else if (!std::strncmp(argv[i], "--program-folder=", 17)) {
            folder = QString::fromLocal8Bit(argv[i] + 17);
        } else if (!std::strcmp(argv[i], "--demo")) {
            demo = true;
        } else if (!std::strcmp(argv[i], "--check-display")) {
            checkDisplay = true;
        } else {
            rest.push_back(argv[i]);
        }
    }
    if (!folder.isEmpty()) {
        if (!QDir().mkpath(folder)) {
            std::fprintf(stderr, "discwright: cannot create the program folder %s\n", qPrintable(folder));
            return 1;
        }
        SetProgramFolder(QDir(folder).absolutePath());
    }
    QStringList qtArgs;
    for (size_t i = 1; i < rest.size(); ++i)
        qtArgs << QString::fromLocal8Bit(rest[i]);
    if (const QString why = MissingDisplayReason(qtArgs); !why.isEmpty()) {
        std::fputs(qPrintable(NoDisplayLine(why)), stderr);
        return 1;
    }
    int qtArgc = int(rest.size());
    rest.push_back(nullptr);

    auto displayGuard = std::make_unique<TDisplayStartGuard>();
    QApplication app(qtArgc, rest.data());
    displayGuard.reset();
    if (checkDisplay)
        return 0;
    QApplication::setApplicationName(ApplicationTitle());
    QApplication::setApplicationVersion(QStringLiteral(DW_VERSION));
    // The desktop matches the window to the application menu's entry (its icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.discwright.Discwright"));
    TMessageBoxPrompter prompter;
    SetPrompter(&prompter);
    int rc = 0;
    {
        TMainForm form;
        form.show();
        // After the window has opened its usual drive, so that the demo disc is the one shown.
        if (demo)
            OpenDemoDisc(form.Controller());
        rc = QApplication::exec();
    }
    SetPrompter(nullptr);
    // A CDDB query the user abandoned cannot be interrupted and may go on for up to its
    // HTTP time-outs. Waiting for it would hang the exit, and the ordinary teardown (the
    // application object, the drive table and Qt's globals going away under a running
    // thread) could crash it. Everything worth keeping was written when the window closed,
    // so the process ends here without that teardown.
    if (TQueryCDDBThread::RunningCount() > 0) {
        std::fflush(nullptr);
        std::_Exit(rc);
    }
    return rc;
}
