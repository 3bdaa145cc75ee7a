// The program body of the Discwright GUI.
//
//   discwright [--program-folder DIR]
//
// --program-folder uses DIR for options.ini, cdinfo.dat and temporary files instead of the
// usual program folder (it is created when missing), as discwright-cli does.
#include "app/MainForm.h"
#include "app/MessageBoxPrompter.h"
#include "platform/ProgramFolder.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle());
    QApplication::setApplicationVersion(QStringLiteral(DW_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Discwright: CD ripper and audio converter."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption folder(QStringLiteral("program-folder"),
                                    QStringLiteral("Use DIR for options.ini, cdinfo.dat and temporary files."),
                                    QStringLiteral("DIR"));
    parser.addOption(folder);
    parser.process(app);
    if (parser.isSet(folder)) {
        const QString dir = parser.value(folder);
        if (!QDir().mkpath(dir)) {
            std::fprintf(stderr, "discwright: cannot create the program folder %s\n", qPrintable(dir));
            return 1;
        }
        SetProgramFolder(QDir(dir).absolutePath());
    }

    TMessageBoxPrompter prompter;
    SetPrompter(&prompter);
    int rc = 0;
    {
        TMainForm form;
        form.show();
        rc = QApplication::exec();
    }
    SetPrompter(nullptr);
    return rc;
}
