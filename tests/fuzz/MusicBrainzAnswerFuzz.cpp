// MusicBrainz answers: any bytes parse to candidates or a reason, never both; every candidate
// holds exactly the disc's titles, and no text it keeps holds a control character or runs past
// its limit.
#include "metadata/MusicBrainzAnswer.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

bool Clean(const QString& text, int limit) {
    if (text.size() > limit)
        return false;
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray json(reinterpret_cast<const char*>(data), qsizetype(size));
    // The seeds' disc: four tracks with this id.
    const TMusicBrainzDisc disc{QStringLiteral("mbid.of.the.seed.disc-------"), 4};
    std::vector<TDiscCandidate> candidates;
    QString error;
    const bool found = ParseMusicBrainzAnswer(json, disc, candidates, error);
    if (found == candidates.empty() || found == !error.isEmpty())
        std::abort();
    for (const TDiscCandidate& c : candidates) {
        if (c.Record.Titles.size() != disc.TrackCount)
            std::abort();
        for (const QString& title : c.Record.Titles)
            if (!Clean(title, 255))
                std::abort();
        for (const QString& text : {c.Artist, c.Album, c.Label, c.Description()})
            if (!Clean(text, 1000))
                std::abort();
        if (c.Year.size() > 4 || c.Country.size() > 8)
            std::abort();
    }
    (void)MusicBrainzErrorText(json);
    return 0;
}
