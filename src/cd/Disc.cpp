// The disc model (see Disc.h).
#include "cd/Disc.h"

#include "cd/akrip32.h"
#include "core/Helpers.h"

#include <algorithm>

namespace {

constexpr int32_t LeadInSectors = 150;

int32_t DigitSum(uint32_t n) {
    int32_t sum = 0;
    for (; n > 0; n /= 10)
        sum += int32_t(n % 10);
    return sum;
}

// Seconds from the lead-in of a start sector.
uint32_t SecondsOf(int32_t sector) {
    return uint32_t(int64_t(sector) + LeadInSectors) / 75u;
}

} // namespace

TDisc TDisc::FromToc(const TCDToc& toc) {
    TDisc disc;
    if (toc.FirstTrack < 1 || toc.LastTrack < toc.FirstTrack || toc.LastTrack > 99)
        return disc;
    const int tracks = toc.LastTrack - toc.FirstTrack + 1;
    for (int i = 0; i < tracks; ++i) {
        const TCDTocEntry& e = toc.Tracks[i];
        disc.Tracks.push_back(
            {toc.FirstTrack + i, TocAddressSectors(e) - LeadInSectors, (e.AdrControl & TocDataTrackFlag) != 0});
    }
    disc.LeadOut = TocAddressSectors(toc.Tracks[tracks]) - LeadInSectors;
    return disc;
}

void TDisc::ToToc(TCDToc& toc) const {
    toc = TCDToc{};
    const size_t tracks = std::min<size_t>(Tracks.size(), 99);
    if (tracks == 0)
        return;
    toc.FirstTrack = uint8_t(Tracks.front().Number);
    toc.LastTrack = uint8_t(Tracks.front().Number + int32_t(tracks) - 1);
    toc.Length = uint16_t(2 + (tracks + 1) * sizeof(TCDTocEntry));
    for (size_t i = 0; i <= tracks; ++i) {
        TCDTocEntry& e = toc.Tracks[i];
        const bool leadOut = i == tracks;
        const TDiscMsf msf = AddressOf(leadOut ? LeadOut : Tracks[i].Start);
        e.TrackNumber = leadOut ? LeadOutTrackNumber : uint8_t(Tracks[i].Number);
        e.AdrControl = uint8_t(0x10 | (Tracks[leadOut ? i - 1 : i].Data ? TocDataTrackFlag : 0));
        e.Address[1] = uint8_t(msf.Minutes);
        e.Address[2] = uint8_t(msf.Seconds);
        e.Address[3] = uint8_t(msf.Frames);
    }
}

const TDiscTrack* TDisc::Track(int32_t number) const {
    for (const TDiscTrack& t : Tracks)
        if (t.Number == number)
            return &t;
    return nullptr;
}

void TDisc::AudioRun(size_t i, int32_t& begin, int32_t& end) const {
    size_t first = i;
    while (first > 0 && !Tracks[first - 1].Data)
        --first;
    size_t last = i;
    while (last + 1 < Tracks.size() && !Tracks[last + 1].Data)
        ++last;
    begin = first == 0 ? 0 : Tracks[first].Start;
    end = EndOf(last);
}

bool TDisc::FirstAudio(size_t i) const {
    for (size_t k = 0; k < i; ++k)
        if (!Tracks[k].Data)
            return false;
    return !Tracks[i].Data;
}

bool TDisc::LastAudio(size_t i) const {
    for (size_t k = i + 1; k < Tracks.size(); ++k)
        if (!Tracks[k].Data)
            return false;
    return !Tracks[i].Data;
}

TDiscMsf TDisc::AddressOf(int32_t sector) {
    const int32_t address = sector + LeadInSectors;
    return {address / 4500, address / 75 % 60, address % 75};
}

void TDisc::ListLength(size_t i, int32_t& minutes, int32_t& seconds) const {
    const TDiscMsf from = AddressOf(Tracks[i].Start);
    const TDiscMsf to = AddressOf(EndOf(i));
    TrackLengthFromToc(from.Minutes, from.Seconds, to.Minutes, to.Seconds, minutes, seconds);
}

QString TDisc::Key() const {
    const size_t tracks = Tracks.size();
    if (tracks < 1 || tracks > 99)
        return QString();
    // Unsigned arithmetic: the sum wraps like the 32-bit value it stands for.
    uint32_t serial = 0;
    for (const TDiscTrack& t : Tracks) {
        const TDiscMsf a = AddressOf(t.Start);
        serial += uint32_t(a.Minutes) * 65536u + uint32_t(a.Seconds) * 256u + uint32_t(a.Frames);
    }
    if (tracks < 3) {
        serial += uint32_t(AddressOf(Tracks.front().Start).Frames);
        serial += uint32_t(LeadOut - Tracks.front().Start);
    }
    return QString::number(static_cast<int32_t>(serial));
}

QString TDisc::CddbDiscId() const {
    if (Tracks.empty())
        return QStringLiteral("ffffffff");
    uint32_t sum = 0;
    for (const TDiscTrack& t : Tracks)
        sum += uint32_t(DigitSum(SecondsOf(t.Start)));
    const uint32_t length = SecondsOf(LeadOut) - SecondsOf(Tracks.front().Start);
    const uint32_t id = ((sum % 255) << 24) | (length << 8) | uint32_t(Tracks.size());
    return QStringLiteral("%1").arg(id, 8, 16, QLatin1Char('0')).toLower();
}

QString TDisc::CddbQueryNumbers() const {
    if (Tracks.empty())
        return QString();
    QString text = QString::number(Tracks.size());
    for (const TDiscTrack& t : Tracks)
        text += ' ' + QString::number(int64_t(t.Start) + LeadInSectors);
    return text + ' ' + QString::number(SecondsOf(LeadOut));
}
