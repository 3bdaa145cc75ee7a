// AccurateRip ids and checksums (see AccurateRip.h).
#include "cd/AccurateRip.h"

#include <QtEndian>

#include <algorithm>

namespace {

constexpr int64_t SkippedSamples = 5 * 588; // five sectors

QString Hex8(uint32_t value) {
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0'));
}

} // namespace

QString TAccurateRipIds::Text() const {
    return QStringLiteral("%1").arg(AudioTracks, 3, 10, QLatin1Char('0')) + '-' + Hex8(Id1) + '-' + Hex8(Id2) + '-' +
           Hex8(Cddb);
}

QString TAccurateRipIds::Url(const QString& server) const {
    QString base = server.trimmed();
    while (base.endsWith('/'))
        base.chop(1);
    const QString id1 = Hex8(Id1);
    return base + QStringLiteral("/accuraterip/") + id1[7] + '/' + id1[6] + '/' + id1[5] + QStringLiteral("/dBAR-") +
           Text() + QStringLiteral(".bin");
}

TAccurateRipIds AccurateRipIds(const TDisc& disc) {
    TAccurateRipIds ids;
    uint32_t k = 0;
    for (const TDiscTrack& t : disc.Tracks) {
        if (t.Data)
            continue;
        ++k;
        ids.Id1 += uint32_t(t.Start);
        ids.Id2 += uint32_t(std::max(t.Start, 1)) * k;
    }
    ids.AudioTracks = int32_t(k);
    ids.Id1 += uint32_t(disc.LeadOut);
    ids.Id2 += uint32_t(disc.LeadOut) * (k + 1);
    ids.Cddb = disc.CddbDiscId().toUInt(nullptr, 16);
    return ids;
}

void TAccurateRipSums::Begin(int64_t frames, bool first, bool last) {
    Position = 0;
    From = first ? SkippedSamples : 1;
    To = last ? frames - SkippedSamples : frames;
    Sum1 = 0;
    Sum2 = 0;
    Carried = 0;
}

void TAccurateRipSums::AddWord(uint32_t word) {
    ++Position;
    if (Position < From || Position > To)
        return;
    const uint64_t product = uint64_t(Position) * word;
    Sum1 += uint32_t(product);
    Sum2 += uint32_t(product) + uint32_t(product >> 32);
}

void TAccurateRipSums::Add(const uint8_t* data, size_t bytes) {
    size_t i = 0;
    while (Carried > 0 && Carried < 4 && i < bytes)
        Carry[Carried++] = data[i++];
    if (Carried == 4) {
        AddWord(uint32_t(Carry[0]) | uint32_t(Carry[1]) << 8 | uint32_t(Carry[2]) << 16 | uint32_t(Carry[3]) << 24);
        Carried = 0;
    }
    // The whole words of this call: positions Position + 1 ... Position + words, of which
    // only those in [From, To] count.
    const int64_t words = int64_t((bytes - i) / 4);
    const int64_t first = std::clamp<int64_t>(From - Position - 1, 0, words);
    const int64_t end = std::clamp<int64_t>(To - Position, first, words);
    const uint8_t* p = data + i;
    uint32_t low = 0;
    uint32_t high = 0;
    for (int64_t k = first; k < end; ++k) {
        const uint64_t product = uint64_t(Position + 1 + k) * qFromLittleEndian<uint32_t>(p + 4 * k);
        low += uint32_t(product);
        high += uint32_t(product >> 32);
    }
    Sum1 += low;
    Sum2 += low + high;
    Position += words;
    i += size_t(words) * 4;
    while (i < bytes)
        Carry[Carried++] = data[i++];
}
