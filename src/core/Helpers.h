// Small helpers shared by every subsystem: number and time texts, paths and files, waits, and
// the texts of the track list.
#pragma once

#include <QString>

#include <cstdint>

QString TwoDigits(int32_t n);
// "mm:ss" of a number of seconds: 75 -> "01:15", 6000 -> "100:00".
QString MinSecText(int64_t seconds);
QString AddTrailingBackslash(const QString& path);
bool IsFileInUse(const QString& path);
void WaitMilliseconds(int32_t ms);
int64_t FileSizeOf(const QString& path);
// Whether two names are one file (platform/SameFile.h): the check every command makes before
// writing its output, so that it never writes over its own input.
bool IsSameFile(const QString& a, const QString& b);
QString CleanFileName(const QString& text);

// Track list texts: length "mm:ss", size in MiB "41.22".
QString TrackLengthText(int32_t minutes, int32_t seconds);
QString TrackSizeText(int32_t minutes, int32_t seconds);
// The base name of a track's files from its title: without the characters a file name cannot
// hold (CleanFileName) and without leading dots, since a name starting with "." is hidden here
// ("...Baby" would vanish from the user's view); "Track" and the two-digit number when nothing
// is left ("", "?", "..").
QString TrackBaseName(const QString& title, int32_t number);
// Length of track n from two TOC addresses in minutes and seconds (frames ignored).
void TrackLengthFromToc(int32_t m1, int32_t s1, int32_t m2, int32_t s2, int32_t& minutes, int32_t& seconds);
