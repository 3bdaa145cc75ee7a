// Helpers shared by the subcommands of discwright-cli.
//
// Each subcommand handler receives its own words (options and arguments) with a first
// element naming it for messages, e.g. {"discwright-cli tag show", "FILE.mp3"}, so it can be
// handed to QCommandLineParser::process() or parse() as it is.
#pragma once

#include "cd/Disc.h"
#include "core/DiscInfo.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

class TConsolePrompter;

// Prints "discwright-cli: message" on standard error as one line (control characters shown
// as \xNN); returns exit code `code`.
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

// --genre NAME|NUMBER (rip, tag set): a name of the genre list (any case) or an ID3 genre
// number. A name gives its index in GenreNames (`listIndex`) and its ID3 number (`id3`); a
// number from 0 to 255 gives itself (`id3`) and its place in the list (`listIndex`, -1 when it
// has none there). False when the text is neither; `numberOutOfRange` then tells a number
// outside 0 to 255 from an unknown name.
bool ParseGenreArgument(const QString& text, int32_t& listIndex, int32_t& id3, bool& numberOutOfRange);

// The drive options of toc, extract and rip: --drive N or --image FILE.
struct TDriveOptions {
    QCommandLineOption Drive{QStringLiteral("drive"), QStringLiteral("Drive number N as listed by drives."),
                             QStringLiteral("N")};
    QCommandLineOption Image{QStringLiteral("image"), QStringLiteral("Use the disc image FILE (.cue, .toc, .nrg)."),
                             QStringLiteral("FILE")};
    void AddTo(QCommandLineParser& parser) {
        parser.addOption(Drive);
        parser.addOption(Image);
    }
};

// Checks the drive the options name without opening it: `driveIndex` receives the --drive
// number, or -1 for an image, which becomes the only image drive of the run (the last drive).
// False with the message printed and `exitCode` set.
bool SelectNamedDrive(const QCommandLineParser& parser, const TDriveOptions& options, int& exitCode, int& driveIndex);

// Opens the drive the options name through the drive library (an image becomes the only image
// drive of the run). Returns the handle, or 0 with the message printed and `exitCode` set.
// `driveIndex` (if given) receives the --drive number, or -1 for an image.
int OpenNamedDrive(const QCommandLineParser& parser, const TDriveOptions& options, int& exitCode,
                   int* driveIndex = nullptr);

// The drive the options name as a rip's log names it: vendor and product, or the image file.
QString NamedDriveTitle(const QCommandLineParser& parser, const TDriveOptions& options);

// Closes a drive handle when it goes out of scope.
struct THandleGuard {
    int Handle = 0;
    ~THandleGuard();
};

// The message with the reason the drive library gave, when it gave one: "message (reason)".
QString WithDriveReason(const QString& message);

// A disc as the disc commands see it: its layout, its key (empty for a disc that does not start
// with audio) and the information cdinfo.dat keeps under that key.
struct TCliDisc {
    TDisc Disc;
    QString Key;
    TDiscInfo Info;
    // The title of a track (by its number on the disc) from cdinfo.dat, else "TrackNN".
    QString TitleOf(int32_t number) const;
};

// Reads the disc of an open drive and its information (a disc cdinfo.dat does not name takes
// its CD-TEXT). False with the message printed and `exitCode` set.
bool LoadDisc(int handle, TCliDisc& disc, int& exitCode);
// The same for a disc the CD input read; no message.
TCliDisc DiscWithInfo(const TDisc& disc);
// A disc cdinfo.dat does not name takes the CD-TEXT of the drive behind `handle`.
void TakeCdText(int handle, TCliDisc& disc);

// --apply of a lookup: the disc's information stored in cdinfo.dat under `key`, as the main
// window stores its list when it closes (rows 1..`rows`, an empty title as "TrackNN"). The
// command's exit code, with the message printed.
int StoreDiscInfo(const QString& key, TDiscInfo& info, int rows);

// The track lines of toc (number, title, length, size, audio/data): the length is the start
// addresses' minutes and seconds subtracted, frames ignored, as the main window's track list
// shows it.
void PrintTocRows(const TCliDisc& disc);
