// Placeholder handlers until this subsystem's commands are built.
#include "cli/CliCommon.h"
#include "cli/Commands.h"

int RunDrivesCommand(const QStringList& words) { return CliFail(words.value(0) + QStringLiteral(": not available yet")); }
int RunTocCommand(const QStringList& words) { return CliFail(words.value(0) + QStringLiteral(": not available yet")); }
int RunExtractCommand(const QStringList& words) { return CliFail(words.value(0) + QStringLiteral(": not available yet")); }
int RunNormalizeCommand(const QStringList& words) { return CliFail(words.value(0) + QStringLiteral(": not available yet")); }
