// The front cover of a MusicBrainz release from the Cover Art Archive
// (<server>/release/<release id>/front-500, redirected to the picture), or from a file the user
// picked. Only JPEG and PNG pictures of at most MaxCoverBytes are taken. TCoverFetch fetches on
// a thread of its own for the rip and the main window.
#pragma once

#include "core/JobEvents.h"

#include <QByteArray>
#include <QObject>
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

// One fetch at a time on a thread of its own; the answer comes back on the owner's thread.
class TCoverFetch : public QObject {
    Q_OBJECT
public:
    explicit TCoverFetch(QObject* parent = nullptr);

    // Starts fetching; the answer of a fetch started before is dropped.
    void Start(const QString& server, const QString& releaseId);
    // An answer is awaited.
    bool Running() const { return Awaited != 0; }
    // Drops the answer awaited.
    void Abandon() { Awaited = 0; }

Q_SIGNALS:
    void Fetched(const TCoverAnswer& answer);

protected:
    bool event(QEvent* e) override;

private:
    int Awaited = 0;
    int Started = 0;
    TPostGuard Inbox{this};
};
