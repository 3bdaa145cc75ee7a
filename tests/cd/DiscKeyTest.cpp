// The disc key from known TOCs (values worked out by hand) and from the first drive.
#include "cd/DiscKey.h"
#include "cd/akrip32.h"

#include "core/Settings.h"
#include "fixtures/DiscImage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// A TOC in MSF form from {m, s, f} track starts followed by the lead-out.
TCDToc MakeToc(std::initializer_list<std::array<int, 3>> addresses, uint8_t firstTrack = 1) {
    TCDToc toc{};
    toc.FirstTrack = firstTrack;
    toc.LastTrack = uint8_t(firstTrack + addresses.size() - 2);
    int i = 0;
    for (const auto& a : addresses) {
        TCDTocEntry& e = toc.Tracks[i];
        e.AdrControl = 0x10;
        e.TrackNumber = i == int(addresses.size()) - 1 ? LeadOutTrackNumber : uint8_t(firstTrack + i);
        e.Address[1] = uint8_t(a[0]);
        e.Address[2] = uint8_t(a[1]);
        e.Address[3] = uint8_t(a[2]);
        ++i;
    }
    return toc;
}

QString KeyOf(const TCDToc& toc) {
    return TDisc::FromToc(toc).Key();
}

int PhysicalDrives() {
    TCDDriveList list{};
    list.Capacity = MaxCDDrives;
    const QString saved = Settings.Images;
    Settings.Images.clear();
    GetCDList(&list);
    Settings.Images = saved;
    return list.Count;
}

} // namespace

TEST(DiscKeyTest, SumOfTrackStartsFromThreeTracksOn) {
    // 00:02:00 -> 512; 03:10:25 -> 196608 + 2560 + 25; 07:00:74 -> 458752 + 74.
    EXPECT_EQ(KeyOf(MakeToc({{0, 2, 0}, {3, 10, 25}, {7, 0, 74}, {10, 0, 0}})), "658531");
    // The lead-out does not count when there are three tracks or more.
    EXPECT_EQ(KeyOf(MakeToc({{0, 2, 0}, {3, 10, 25}, {7, 0, 74}, {70, 0, 0}})), "658531");
}

TEST(DiscKeyTest, ShortDiscsAddFirstFrameAndLength) {
    // Two tracks: 512 + 131072, plus F of track 1 (0) plus 22500 - 150 frames.
    EXPECT_EQ(KeyOf(MakeToc({{0, 2, 0}, {2, 0, 0}, {5, 0, 0}})), "153934");
    // One track starting at 00:02:10: 522 + 10 + (4500 + 75 * 3 + 5 - 160).
    EXPECT_EQ(KeyOf(MakeToc({{0, 2, 10}, {1, 3, 5}})), QString::number(522 + 10 + 4570));
    // A TOC without tracks has no key.
    EXPECT_EQ(KeyOf(TCDToc{}), "");
}

TEST(DiscKeyTest, FirstDriveDecidesTheKey) {
    if (PhysicalDrives() > 0)
        GTEST_SKIP() << "a physical drive comes first on this machine";
    TTempProgramFolder folder;
    EXPECT_FALSE(IsAudioCDInDrive());
    EXPECT_EQ(GetDiscKey(), "");

    const TDiscImage disc = MakeDiscImage(folder.Path(), "disc", StandardTracks());
    const TDiscImage data = MakeDiscImage(folder.Path(), "data", {{40, true}, {30}});
    Settings.Images = disc.CuePath + "|" + data.CuePath;
    EXPECT_TRUE(IsAudioCDInDrive());
    // Starts 00:02:00, 00:18:34, 00:49:09, 00:59:09: 512 + 4642 + 12553 + 15113.
    EXPECT_EQ(GetDiscKey(), "32820");

    // A disc whose first track is data is not an audio CD.
    Settings.Images = data.CuePath + "|" + disc.CuePath;
    EXPECT_FALSE(IsAudioCDInDrive());
    EXPECT_EQ(GetDiscKey(), "");
}
