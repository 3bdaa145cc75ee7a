// Output files written under a temporary name (see CliTemporaryOutput.h).
#include "cli/CliTemporaryOutput.h"

#include "platform/TemporaryBeside.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

#include <unistd.h>

TCliTemporaryOutput::TCliTemporaryOutput(QString output) : Output(std::move(output)) {}

TCliTemporaryOutput::~TCliTemporaryOutput() {
    if (!Committed && !Temporary.isEmpty())
        ::unlink(QFile::encodeName(Temporary).constData());
}

bool TCliTemporaryOutput::Create(QString& error) {
    Temporary = CreateTemporaryBeside(Output, QFileInfo(Output).fileName(), QStringLiteral(".part"), error);
    return !Temporary.isEmpty();
}

bool TCliTemporaryOutput::Commit() {
    if (Temporary.isEmpty() ||
        std::rename(QFile::encodeName(Temporary).constData(), QFile::encodeName(Output).constData()) != 0)
        return false;
    Committed = true;
    return true;
}
