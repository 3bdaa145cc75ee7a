// Reading every tag of a file TagLib knows (MP3, FLAC, Ogg Vorbis, Opus, WAV, AIFF, M4A, WMA,
// ...): the format, which tags it holds and their fields, for `tag show` and the tag editor.
#pragma once

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

struct TTagReport {
    QString Format;   // "MP3", "FLAC", ...
    QStringList Kinds; // "ID3v1", "ID3v2.4", "Vorbis comments", "APE", ...
    // Every field as TagLib names it (TITLE, ARTIST, TRACKNUMBER, REPLAYGAIN_TRACK_GAIN, ...),
    // in name order; a field with several values gives several entries.
    std::vector<std::pair<QString, QString>> Fields;
    // "front cover, image/jpeg, 12345 bytes" for each picture.
    QStringList Pictures;
};

// False with `error` (naming the file) when the file cannot be read or is of no kind TagLib
// knows.
bool ReadFileTags(const QString& path, TTagReport& report, QString& error);
