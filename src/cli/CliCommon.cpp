// Helpers of discwright-cli (see CliCommon.h).
#include "cli/CliCommon.h"

#include "platform/Prompter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cstdio>

int CliFail(const QString& message, int code) {
    std::fprintf(stderr, "discwright-cli: %s\n", message.toLocal8Bit().constData());
    return code;
}

void CliOut(const QString& line) {
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

void CliProgress(const QString& text) {
    static QString last;
    if (text == last)
        return;
    last = text;
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

bool CliArgumentsAreText(int argc, char* argv[], int& exitCode) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        if (QFile::encodeName(QFile::decodeName(raw)) == raw)
            continue;
        QString shown;
        for (const char c : raw) {
            const auto b = static_cast<unsigned char>(c);
            shown += b >= 0x20 && b < 0x7F ? QString(QChar(b)) : QStringLiteral("\\x%1").arg(b, 2, 16, QChar('0'));
        }
        exitCode = CliFail(QStringLiteral("argument %1 (%2) is not valid UTF-8; file names and texts must be UTF-8, "
                                          "nothing was done")
                               .arg(i)
                               .arg(shown),
                           2);
        return false;
    }
    return true;
}

bool CliParse(QCommandLineParser& parser, const QStringList& words, const QString& description, int& exitCode) {
    parser.setApplicationDescription(description);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    if (!parser.parse(words)) {
        exitCode = CliFail(parser.errorText(), 2);
        return false;
    }
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        // QCommandLineParser names the program as invoked in its usage line; name the subcommand.
        const QString invoked = QCoreApplication::arguments().value(0);
        const int at = text.indexOf(invoked);
        if (!invoked.isEmpty() && at >= 0)
            text.replace(at, invoked.size(), words.value(0));
        std::fprintf(stdout, "%s", text.toLocal8Bit().constData());
        exitCode = 0;
        return false;
    }
    return true;
}

bool RunEventLoopUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timeoutMs >= 0 && timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    QCoreApplication::processEvents();
    return true;
}

TConsolePrompter& CliPrompter() {
    static TConsolePrompter prompter(false);
    return prompter;
}
