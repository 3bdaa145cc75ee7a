// Tags of a rip's files (see RipTags.h).
#include "jobs/RipTags.h"

#include "metadata/CoverArt.h"
#include "tags/Genres.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

bool Taggable(int32_t format) {
    return format == ofMP3 || format == ofOGG || format == ofFLAC;
}

} // namespace

TTagFields RipTrackFields(const TRipRequest& request, size_t i, const TTrackRead& read, bool withFields) {
    TTagFields f;
    const TTrackEntry& entry = request.Tracks[i];
    if (withFields) {
        f.Title = entry.Title;
        f.Artist = request.Disc.Artist;
        f.AlbumArtist = request.Disc.Artist;
        f.Album = request.Disc.Album;
        f.Year = request.Disc.Year;
        f.Genre = request.Disc.Genre;
        f.Comment = request.Disc.Comment;
        f.Track = entry.Number;
        f.TrackTotal = request.Layout.TrackCount() > 0 ? request.Layout.TrackCount() : int32_t(request.Tracks.size());
        f.MusicBrainzAlbumId = request.Disc.MusicBrainzReleaseId;
    }
    double gain = 0;
    if (request.ReplayGain && read.Loudness && ReplayGainOf(*read.Loudness, gain)) {
        f.TrackGain = gain;
        f.TrackPeak = double(read.Peak) / 32768.0;
    }
    return f;
}

TWmaTags RipWmaTags(const TRipRequest& request, size_t i) {
    TWmaTags tags;
    if (!request.UseTags)
        return tags;
    const TTagFields f = RipTrackFields(request, i, TTrackRead(), true);
    tags.Author = f.Artist;
    tags.Description = f.Comment;
    // FFmpeg's names, which its ASF writer turns into Title and WM/... attributes.
    tags.Metadata = {{QStringLiteral("title"), f.Title},
                     {QStringLiteral("album"), f.Album},
                     {QStringLiteral("album_artist"), f.AlbumArtist},
                     {QStringLiteral("date"), f.Year},
                     {QStringLiteral("genre"), GenreName(f.Genre)},
                     {QStringLiteral("track"), f.Track > 0 ? QString::number(f.Track) : QString()},
                     {QStringLiteral("MusicBrainz/Album Id"), f.MusicBrainzAlbumId}};
    return tags;
}

TRipTags::TRipTags(const TRipRequest& request, QObject* parent) : QObject(parent), Req(request) {
    connect(&Fetch, &TCoverFetch::Fetched, this, &TRipTags::OnFetched);
}

void TRipTags::Start() {
    if (!Req.CoverArt)
        return;
    if (!Req.Cover.isEmpty()) {
        Cover = Req.Cover;
        return;
    }
    if (Req.Disc.MusicBrainzReleaseId.isEmpty()) {
        CoverError = QStringLiteral("no MusicBrainz release is known for the disc");
        return;
    }
    Fetch.Start(Req.CoverArtServer, Req.Disc.MusicBrainzReleaseId);
}

void TRipTags::OnFetched(const TCoverAnswer& answer) {
    Cover = answer.Picture;
    CoverError = answer.Error;
    CoverBroken = answer.Broken;
    Q_EMIT Ready();
}

bool TRipTags::TagTrack(size_t i, const TTrackRead& read, QString& error) {
    if (!Taggable(Req.Format))
        return true;
    const bool withFields = Req.UseTags || (EveryMp3 && Req.Format == ofMP3);
    const TTagFields fields = RipTrackFields(Req, i, read, withFields);
    if (!withFields && !fields.TrackGain)
        return true;
    // Without the disc's fields only ReplayGain goes in, which needs ID3v2; an MP3 rip asked
    // for ID3v1 alone gets none.
    if (!withFields && Req.Format == ofMP3 && Req.Id3Version == id3V1Only)
        return true;
    const int32_t id3 = withFields ? Req.Id3Version : int32_t(id3V2Only);
    if (WriteFileTags(Req.OutputOf(i), fields, id3, error))
        return true;
    Failed << Req.OutputOf(i);
    return false;
}

QStringList TRipTags::Finish(const std::vector<TAlbumTrack>& tracks) {
    // A cover that should have been one is worth a word; no cover at all is not.
    QStringList failures;
    if (CoverBroken)
        failures << QStringLiteral("Cover art: ") + CoverError;
    std::vector<std::shared_ptr<const TLoudness>> loudness;
    uint32_t peak = 0;
    for (const TAlbumTrack& t : tracks) {
        loudness.push_back(t.Loudness);
        peak = std::max(peak, t.Peak);
    }
    double gain = 0;
    if (Req.ReplayGain && AlbumReplayGainOf(loudness, gain)) {
        AlbumGain = gain;
        AlbumPeak = double(peak) / 32768.0;
    }
    if (tracks.empty())
        return failures;
    // WAV and WMA files hold neither; an MP3 rip asked for ID3v1 alone gets no ID3v2 tag for
    // them.
    const bool intoFiles = Taggable(Req.Format) && !(Req.Format == ofMP3 && Req.Id3Version == id3V1Only);
    if (intoFiles && (AlbumGain || !Cover.isEmpty())) {
        for (const TAlbumTrack& t : tracks) {
            QString error;
            if (!Failed.contains(t.File) && !WriteAlbumTags(t.File, AlbumGain, AlbumPeak, Cover, error))
                failures << error;
        }
    }
    if (!Cover.isEmpty()) {
        const QString name = PictureMimeType(Cover) == QLatin1String("image/png") ? QStringLiteral("cover.png")
                                                                                  : QStringLiteral("cover.jpg");
        const QString path = QFileInfo(tracks.front().File).dir().filePath(name);
        // A picture the user put there stays.
        if (!QFileInfo::exists(path)) {
            QSaveFile file(path);
            if (file.open(QIODevice::WriteOnly) && file.write(Cover) == Cover.size() && file.commit())
                CoverFile = path;
            else
                failures << path + QStringLiteral(": ") + file.errorString();
        }
    }
    return failures;
}
