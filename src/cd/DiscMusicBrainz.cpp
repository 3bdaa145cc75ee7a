// The MusicBrainz disc id and toc of a disc (see Disc.h).
#include "cd/Disc.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QStringList>

#include <array>
#include <vector>

namespace {

constexpr int32_t LeadIn = 150;
// The gap between the audio session and the data session of an enhanced CD: the lead-out
// and lead-in of the first session and the second session's pregap (6750 + 4500 + 150).
constexpr int32_t SessionGap = 11400;

// The tracks and lead-out of the audio session, offsets from the lead-in on.
struct TAudioSession {
    int32_t First = 0;
    int32_t Last = 0;
    int64_t LeadOut = 0;
    std::array<int64_t, 100> Offsets{}; // by track number
    bool Valid = false;
};

TAudioSession AudioSession(const TDisc& disc) {
    TAudioSession s;
    std::vector<TDiscTrack> tracks = disc.Tracks;
    int64_t leadOut = disc.LeadOut;
    // An enhanced CD: the data track after the audio lies in a session of its own.
    if (tracks.size() > 1 && tracks.back().Data) {
        leadOut = int64_t(tracks.back().Start) - SessionGap;
        tracks.pop_back();
    }
    if (tracks.empty() || tracks.front().Number < 1 || tracks.back().Number > 99)
        return s;
    s.First = tracks.front().Number;
    s.Last = tracks.back().Number;
    s.LeadOut = leadOut + LeadIn;
    for (const TDiscTrack& t : tracks)
        s.Offsets[size_t(t.Number)] = int64_t(t.Start) + LeadIn;
    s.Offsets[0] = s.LeadOut;
    s.Valid = true;
    return s;
}

} // namespace

QString TDisc::MusicBrainzDiscId() const {
    const TAudioSession s = AudioSession(*this);
    if (!s.Valid)
        return QString();
    QByteArray text = QByteArray::number(s.First, 16).toUpper().rightJustified(2, '0') +
                      QByteArray::number(s.Last, 16).toUpper().rightJustified(2, '0');
    for (const int64_t offset : s.Offsets)
        text += QByteArray::number(qulonglong(offset) & 0xFFFFFFFFu, 16).toUpper().rightJustified(8, '0');
    QByteArray id = QCryptographicHash::hash(text, QCryptographicHash::Sha1).toBase64();
    id.replace('+', '.').replace('/', '_').replace('=', '-');
    return QString::fromLatin1(id);
}

QString TDisc::MusicBrainzToc() const {
    const TAudioSession s = AudioSession(*this);
    if (!s.Valid)
        return QString();
    QStringList parts{QString::number(s.First), QString::number(s.Last), QString::number(s.LeadOut)};
    for (int32_t n = s.First; n <= s.Last; ++n)
        parts << QString::number(s.Offsets[size_t(n)]);
    return parts.join(' ');
}
