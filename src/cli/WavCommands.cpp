// Placeholder handlers until this subsystem's commands are built.
#include "cli/CliCommon.h"
#include "cli/Commands.h"

int RunWavCommand(const QStringList& words) { return CliFail(words.value(0) + QStringLiteral(": not available yet")); }
