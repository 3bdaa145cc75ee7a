// Running a stream sink into an output file for a command (see SinkRun.h).
#include "cli/SinkRun.h"

#include "audio/AuException.h"
#include "audio/AuFileOut.h"
#include "cli/CliCommon.h"
#include "cli/CliTemporaryOutput.h"
#include "cli/Interrupt.h"

#include <QEventLoop>
#include <QTimer>

#include <cerrno>
#include <cstring>

int RunSinkToFile(TAuFileOut& sink, const QString& output) {
    TCliTemporaryOutput temporary(output);
    QString error;
    if (!temporary.Create(error))
        return CliFail(QStringLiteral("cannot write ") + output + QStringLiteral(": ") + error);
    sink.SetFileName(temporary.Name());

    // Events are taken as they come (the worker waits for each one it posts); the interrupt
    // flag is looked at every few dozen milliseconds.
    QEventLoop loop;
    sink.OnProgress = [](TAuOutput* s) { CliProgress(QString::number(s->Progress()) + QLatin1Char('%')); };
    sink.OnDone = [&loop](TAuOutput*) { loop.quit(); };
    const TInterruptScope interrupt;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (interrupt.Interrupted())
            loop.quit();
    });
    try {
        sink.Run();
    } catch (const EAuException& e) {
        return CliFail(e.Message());
    }
    poll.start(30);
    loop.exec();
    if (interrupt.Interrupted()) {
        // Waits for the worker; its file is closed when this returns, and then removed.
        sink.Stop(false);
        return CliFail(QStringLiteral("stopped; ") + output + QStringLiteral(" was not written"), InterruptedExitCode);
    }
    if (!sink.LastError.isEmpty())
        return CliFail(sink.LastError);
    if (!temporary.Commit())
        return CliFail(QStringLiteral("cannot write ") + output + QStringLiteral(": ") +
                       QString::fromLocal8Bit(std::strerror(errno)));
    return 0;
}
