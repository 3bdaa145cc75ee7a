// A new file beside another, for output that is written in full under a name of its own and
// only then renamed over the file it replaces (encoder runs, the command-line tool's outputs,
// the gain pass). Such a name must never be one that some other file already has: the file is
// created exclusively, so nothing that exists, whatever its name, is taken over or truncated.
#pragma once

#include <QString>

// Creates an empty file in the folder of `path`, named `stem` + "." + eight random hex digits
// + `suffix` ("song.mp3" + ".part" -> "song.mp3.3fa02c91.part"), with the usual permissions
// (0666 less the umask), and returns its full name. Where that name would pass the 255-byte
// limit of a file name, `stem` is shortened to fit; `path` itself is never touched. Returns an
// empty string, with the system's reason in `error`, when no such file can be created.
QString CreateTemporaryBeside(const QString& path, const QString& stem, const QString& suffix, QString& error);
