// The MusicBrainz disc id and toc of a disc against libdiscid: the two tables of contents its
// documentation and test suite publish (with their ids), and layouts of our own computed by
// libdiscid alongside ours (a disc numbered from 3, an enhanced CD).
#include "cd/Disc.h"

#include <discid/discid.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

// A disc from MusicBrainz's offsets (lead-in included): lead-out first, then each track's.
TDisc DiscOf(int first, const std::vector<int>& offsets, const std::vector<bool>& data = {}) {
    TDisc disc;
    for (size_t i = 1; i < offsets.size(); ++i)
        disc.Tracks.push_back({first + int(i) - 1, offsets[i] - 150, i - 1 < data.size() && data[i - 1]});
    disc.LeadOut = offsets[0] - 150;
    return disc;
}

QString LibdiscidId(int first, const std::vector<int>& offsets) {
    DiscId* d = discid_new();
    // discid_put takes offsets by track number: [0] the lead-out, [first..last] the tracks.
    std::vector<int> byNumber(100, 0);
    byNumber[0] = offsets[0];
    for (size_t i = 1; i < offsets.size(); ++i)
        byNumber[size_t(first) + i - 1] = offsets[i];
    const int last = first + int(offsets.size()) - 2;
    QString id;
    if (discid_put(d, first, last, byNumber.data()))
        id = QString::fromLatin1(discid_get_id(d));
    discid_free(d);
    return id;
}

} // namespace

TEST(DiscIdTest, PublishedTablesOfContentsAndLibdiscid) {
    // MusicBrainz's documentation of the disc id, and libdiscid's own test of discid_put.
    const std::vector<int> documented{95462, 150, 15363, 32314, 46592, 63414, 80489};
    EXPECT_EQ(DiscOf(1, documented).MusicBrainzDiscId(), "49HHV7Eb8UKF3aQiNmu1GR8vKTY-");
    EXPECT_EQ(DiscOf(1, documented).MusicBrainzToc(), "1 6 95462 150 15363 32314 46592 63414 80489");
    const std::vector<int> tested{206535, 150, 18901, 39738, 59557, 79152, 100126, 124833, 147278, 166336, 182560};
    EXPECT_EQ(DiscOf(1, tested).MusicBrainzDiscId(), "Wn8eRBtfLDfM0qjYPdxrz.Zjs_U-");

    // Layouts of our own: one track, a disc numbered from 3, long offsets.
    for (const auto& [first, offsets] : std::vector<std::pair<int, std::vector<int>>>{
             {1, {4897 + 150, 150}}, {3, {80000, 150, 20000, 40000}}, {1, {359849, 182, 120000, 240000, 359000}}}) {
        SCOPED_TRACE(first);
        EXPECT_EQ(DiscOf(first, offsets).MusicBrainzDiscId(), LibdiscidId(first, offsets));
    }
}

TEST(DiscIdTest, EnhancedCdEndsItsAudioSessionBeforeTheDataTrack) {
    // Three audio tracks and a data track in a second session: the id is that of the audio
    // tracks with the lead-out 11400 sectors before the data track.
    const TDisc enhanced = DiscOf(1, {300000, 150, 50000, 100000, 211550}, {false, false, false, true});
    EXPECT_EQ(enhanced.MusicBrainzDiscId(), LibdiscidId(1, {211550 - 11400, 150, 50000, 100000}));
    EXPECT_EQ(enhanced.MusicBrainzToc(), "1 3 200150 150 50000 100000");
    // A data track first (mixed mode) is counted like any other.
    const TDisc mixed = DiscOf(1, {200000, 150, 30000, 60000}, {true, false, false});
    EXPECT_EQ(mixed.MusicBrainzDiscId(), LibdiscidId(1, {200000, 150, 30000, 60000}));
    EXPECT_EQ(TDisc().MusicBrainzDiscId(), "");
}
