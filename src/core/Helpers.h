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

// Track list texts: length "mm:ss", size in MiB "41.22", selection item "03My Song".
QString TrackLengthText(int32_t minutes, int32_t seconds);
QString TrackSizeText(int32_t minutes, int32_t seconds);
QString SelectionItemText(int32_t rowIndex, const QString& title);
// Length of track n from two TOC addresses in minutes and seconds (frames ignored).
void TrackLengthFromToc(int32_t m1, int32_t s1, int32_t m2, int32_t s2, int32_t& minutes, int32_t& seconds);
