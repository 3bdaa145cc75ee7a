// The front cover of a MusicBrainz release from the Cover Art Archive
// (<server>/release/<release id>/front-500, redirected to the picture), or from a file the user
// picked. Only JPEG and PNG pictures of at most MaxCoverBytes are taken.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

constexpr int64_t MaxCoverBytes = 8 * 1024 * 1024;

// The address of a release's front cover (500 pixels) at `server`.
QString CoverArtUrl(const QString& server, const QString& releaseId);

// What a fetch came to: the picture, or why there is none (one line). `Broken` tells an answer
// that should have been a cover but is not (not a picture, too large, a server error) from
// there being no cover (no release known, none in the archive, no connection).
struct TCoverAnswer {
    QByteArray Picture;
    QString Error;
    bool Broken = false;
};

// Fetches the cover.
TCoverAnswer FetchCoverArt(const QString& server, const QString& releaseId);

// Reads a picture file as a cover; false with `error`.
bool ReadCoverFile(const QString& path, QByteArray& picture, QString& error);
