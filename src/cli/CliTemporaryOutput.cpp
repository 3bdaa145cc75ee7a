// Output files written under a temporary name (see CliTemporaryOutput.h).
#include "cli/CliTemporaryOutput.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

TCliTemporaryOutput::TCliTemporaryOutput(QString output) : Output(std::move(output)) {}

TCliTemporaryOutput::~TCliTemporaryOutput() {
    if (!Committed && !Temporary.isEmpty())
        ::unlink(QFile::encodeName(Temporary).constData());
}

bool TCliTemporaryOutput::Create(QString& error) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name =
            Output + QStringLiteral(".%1.part").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        // 0666 less the umask, as for any file the user creates.
        const int fd = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            Temporary = name;
            return true;
        }
        if (errno != EEXIST) {
            error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
    }
    error = QStringLiteral("no free temporary name beside ") + Output;
    return false;
}

bool TCliTemporaryOutput::Commit() {
    if (Temporary.isEmpty() ||
        std::rename(QFile::encodeName(Temporary).constData(), QFile::encodeName(Output).constData()) != 0)
        return false;
    Committed = true;
    return true;
}
