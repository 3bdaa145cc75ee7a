// Helpers shared by the subcommands of discwright-cli.
//
// Each subcommand handler receives its own words (options and arguments) with a first
// element naming it for messages, e.g. {"discwright-cli tag show", "FILE.mp3"}, so it can be
// handed to QCommandLineParser::process() or parse() as it is.
#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <functional>

class TConsolePrompter;

// Prints "discwright-cli: message" on standard error; returns exit code `code`.
int CliFail(const QString& message, int code = 1);
// Prints a line on standard output.
void CliOut(const QString& line);
// Progress on standard error: a line whenever the text changes.
void CliProgress(const QString& text);

// Qt turns bytes that are not UTF-8 into U+FFFD, so a file name given in another encoding
// would silently become another name. Fails (code 2, one line naming the argument) when an
// argument is not exactly representable; true when all are.
bool CliArgumentsAreText(int argc, char* argv[], int& exitCode);

// Parses the words with --help added; on --help prints the help and sets `exitCode` to 0,
// on an error prints it and sets `exitCode` to 2. True when the command should go on.
bool CliParse(QCommandLineParser& parser, const QStringList& words, const QString& description, int& exitCode);

// Runs the Qt event loop until `done` is true (checked every few milliseconds) or the
// time-out (milliseconds, < 0 = none) passes. False on time-out.
bool RunEventLoopUntil(const std::function<bool()>& done, int timeoutMs = -1);

// The prompter the tool installs (answers questions with --yes's setting).
TConsolePrompter& CliPrompter();
