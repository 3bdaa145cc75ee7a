// Placeholder handlers until this subsystem's commands are built.
#include "cli/CliCommon.h"
#include "cli/Commands.h"

int RunEncodeMp3Command(const QStringList& words) { return CliFail(words.value(0) + QStringLiteral(": not available yet")); }
int RunDecodeMp3Command(const QStringList& words) { return CliFail(words.value(0) + QStringLiteral(": not available yet")); }
int RunEncodeWmaCommand(const QStringList& words) { return CliFail(words.value(0) + QStringLiteral(": not available yet")); }
