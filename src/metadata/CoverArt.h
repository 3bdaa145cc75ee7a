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

// Fetches the cover; false with `error` (one line: no cover, the server's status, not a
// picture, too large, the connection's failure).
bool FetchCoverArt(const QString& server, const QString& releaseId, QByteArray& picture, QString& error);

// Reads a picture file as a cover; false with `error`.
bool ReadCoverFile(const QString& path, QByteArray& picture, QString& error);
