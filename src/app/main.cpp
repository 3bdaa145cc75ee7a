// The program body of the Discwright GUI.
//
//   discwright [--program-folder DIR] [Qt options]
//
// --program-folder uses DIR for options.ini, cdinfo.dat and temporary files instead of the
// usual program folder (it is created when missing), as discwright-cli does.
#include "app/MainForm.h"
#include "app/MessageBoxPrompter.h"
#include "cddb/QueryCDDBThread.h"
#include "platform/ProgramFolder.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const char* const Usage = "Usage: discwright [--program-folder DIR]\n\n"
                          "Discwright: CD ripper and audio converter.\n\n"
                          "  --program-folder DIR  use DIR for options.ini, cdinfo.dat and temporary files\n"
                          "                        (created when missing)\n"
                          "  --help                show this text\n"
                          "  --version             show the version\n";

} // namespace

int main(int argc, char* argv[]) {
    // Our own options are taken out before Qt sees the rest, so that --help works without a
    // screen.
    QString folder;
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
    int qtArgc = int(rest.size());
    rest.push_back(nullptr);

    QApplication app(qtArgc, rest.data());
    QApplication::setApplicationName(ApplicationTitle());
    QApplication::setApplicationVersion(QStringLiteral(DW_VERSION));
    TMessageBoxPrompter prompter;
    SetPrompter(&prompter);
    int rc = 0;
    {
        TMainForm form;
        form.show();
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
