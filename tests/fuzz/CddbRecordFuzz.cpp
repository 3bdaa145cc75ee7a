// CDDB read answers (xmcd entries): the record keeps its arrays as long as its track count
// and every field within its limit, and the query dialog's reading of an entry never gives
// more rows than the disc has tracks.
#include "cddb/CDDBRecord.h"
#include "cddb/QueryCddbResult.h"
#include "cddb/protocol/CddbProtocol.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const int first = 1 + data[0] % 99;
    const int last = first + data[1] % (100 - first);
    const QString text = CddbAnswerText(QByteArray(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2)));

    TCDDBRecord r;
    ParseCDDBRecord(text, r);
    if (r.TrackCount != CountCDDBTrackLines(text) || r.TrackTitles.size() != r.TrackCount ||
        r.TrackArtists.size() != r.TrackCount || r.TrackExtras.size() != r.TrackCount)
        std::abort();
    if (r.Year.size() > 4 || r.Genre.size() > 30 || r.DiscLength.size() > 30 || r.DiscTitle.size() > 255 ||
        r.DiscArtist.size() > 255 || r.DiscExtra.size() > 255 || r.Generated.size() > 255 || !r.Comment.isEmpty())
        std::abort();
    for (int i = 0; i < r.TrackCount; ++i)
        if (r.TrackTitles[i].size() > 255 || r.TrackArtists[i].size() > 255 || r.TrackExtras[i].size() > 255)
            std::abort();

    TQueryCddbResult result;
    const bool titles = ReadCddbEntry(text, first, last, result);
    if (titles != result.HasTitles || result.Titles.size() > last - first + 1 || (titles && result.Titles.isEmpty()))
        std::abort();
    return 0;
}
