// The subcommand handlers of discwright-cli, one source file per subsystem.
#pragma once

#include <QStringList>

class QCommandLineParser;
struct TCliDisc;
struct TDriveOptions;
struct TRipRequest;

// CdCommands.cpp
int RunDrivesCommand(const QStringList& words);
int RunTocCommand(const QStringList& words);
int RunExtractCommand(const QStringList& words);
int RunNormalizeCommand(const QStringList& words);
// EncoderCommands.cpp
int RunEncodeMp3Command(const QStringList& words);
int RunDecodeMp3Command(const QStringList& words);
int RunEncodeWmaCommand(const QStringList& words);
int RunEncodeFlacCommand(const QStringList& words);
int RunDecodeFlacCommand(const QStringList& words);
// RipCommands.cpp
int RunRipCommand(const QStringList& words);
int RunConvertCommand(const QStringList& words);
// ImageRipCommand.cpp: rip --single-file, called by rip with its disc and request
int RunSingleFileRip(int handle, const TCliDisc& disc, const TRipRequest& request);
// TagCommands.cpp: tag show|set|remove (words[1] is the action)
int RunTagCommand(const QStringList& words);
// WavCommands.cpp: wav info|convert (words[1] is the action)
int RunWavCommand(const QStringList& words);
// CddbCommands.cpp
int RunCddbCommand(const QStringList& words);
// LookupCommands.cpp
int RunLookupCommand(const QStringList& words);
// OggCommands.cpp
int RunEncodeOggCommand(const QStringList& words);
int RunDecodeOggCommand(const QStringList& words);
int RunOggInfoCommand(const QStringList& words);
// RecordCommands.cpp
int RunRecordCommand(const QStringList& words);
// ParanoiaCommands.cpp: toc --paranoia, called by toc with its parsed options
int RunParanoiaTocCommand(const QCommandLineParser& parser, const TDriveOptions& options);
// PlayCommands.cpp
int RunPlayCommand(const QStringList& words);
// AccurateRipCommands.cpp
int RunArCommand(const QStringList& words);
int RunOffsetCommand(const QStringList& words);
int RunVerifyCommand(const QStringList& words);
