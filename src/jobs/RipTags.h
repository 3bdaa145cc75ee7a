// The tags of a rip's files (TRipTags): each track's fields and ReplayGain when its encode
// ended, and once every track is done what only the whole album gives (the album's ReplayGain,
// the front cover, which is fetched while the drive reads). Both are single calls, wherever the
// rip decides a track or the album is done; tracks may end in any order.
#pragma once

#include "audio/Loudness.h"
#include "jobs/RipRequest.h"
#include "jobs/TrackSource.h"
#include "jobs/WMAEncodeThread.h"
#include "metadata/CoverArt.h"
#include "tags/TagWriter.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// The tags of entry i of the request after the read `read`: the disc's fields (when
// `withFields`), the track's ReplayGain (when the request measures it).
TTagFields RipTrackFields(const TRipRequest& request, size_t i, const TTrackRead& read, bool withFields);

// The WMA utility's tags of entry i (the disc's fields when the request asks for tags).
TWmaTags RipWmaTags(const TRipRequest& request, size_t i);

// One finished track as the album's tags need it.
struct TAlbumTrack {
    QString File; // the track's output
    std::shared_ptr<const TLoudness> Loudness;
    uint32_t Peak = 0; // 0..32768
};

class TRipTags : public QObject {
    Q_OBJECT
public:
    explicit TRipTags(const TRipRequest& request, QObject* parent = nullptr);

    // Every MP3 gets the disc's fields, tags on or off (the CD rip window's way).
    bool EveryMp3 = false;

    // Takes the request's cover, or starts fetching the release's (on a thread of its own),
    // when the request asks for one.
    void Start();
    // The cover's answer is still awaited.
    bool Pending() const { return Fetch.Running(); }
    // No longer waits for the cover (a stopped rip).
    void Abandon() { Fetch.Abandon(); }

    // Tags entry i's output file after the read `read`: the disc's fields when the request asks
    // for tags, its ReplayGain when measured. True without writing anything when the format
    // holds no tags this way (WAV, WMA) or there is nothing to write. False with `error`; the
    // album's values then skip the file too.
    bool TagTrack(size_t i, const TTrackRead& read, QString& error);

    // Writes the album's ReplayGain and the cover into the files of `tracks` (MP3, Ogg, FLAC),
    // and the cover as cover.jpg (cover.png) beside the first of them unless such a file
    // exists. Returns the failures, one line each.
    QStringList Finish(const std::vector<TAlbumTrack>& tracks);

    // What Finish computed and found.
    std::optional<double> AlbumGain;
    double AlbumPeak = 0;
    QByteArray Cover;
    QString CoverError;       // why there is no cover (empty when none was asked for)
    bool CoverBroken = false; // the archive's answer was no usable picture (see TCoverAnswer)
    QString CoverFile;        // the picture saved beside the files

Q_SIGNALS:
    // The cover's answer arrived.
    void Ready();

private:
    void OnFetched(const TCoverAnswer& answer);

    const TRipRequest& Req;
    TCoverFetch Fetch;
    // Files whose tags could not be written: said once, not again for the album.
    QStringList Failed;
};
