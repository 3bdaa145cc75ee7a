// The track list as data (see TrackList.h).
#include "app/TrackList.h"

#include "core/Helpers.h"

#include <algorithm>

void TTrackList::Begin(const QString& key) {
    if (key != DiscKey)
        Store();
    DiscKey = key;
    LoadDiscInfo(key);
    RowList.clear();
    CurrentRow = -1;
}

void TTrackList::Add(int32_t number, int32_t minutes, int32_t seconds) {
    TTrackRow row;
    row.Number = number;
    if (number >= 1 && number <= 100) {
        if (CurrentDisc.Titles[size_t(number)].isEmpty())
            CurrentDisc.Titles[size_t(number)] = DefaultTrackTitle(number);
        row.Title = CurrentDisc.Titles[size_t(number)];
    } else {
        row.Title = DefaultTrackTitle(number);
    }
    row.Length = TrackLengthText(minutes, seconds);
    row.Size = TrackSizeText(minutes, seconds);
    RowList.push_back(row);
}

void TTrackList::Forget() {
    Store();
    RowList.clear();
    CurrentRow = -1;
    DiscKey.clear();
}

void TTrackList::CopyTitles() {
    // Titles are indexed by track number, so a disc whose first track is not 1 keeps them.
    int32_t last = 0;
    for (const TTrackRow& r : RowList) {
        if (r.Number >= 1 && r.Number <= 100) {
            CurrentDisc.Titles[size_t(r.Number)] = r.Title;
            last = std::max(last, r.Number);
        }
    }
    CurrentDisc.TrackNumber = last;
}

bool TTrackList::Store() {
    if (DiscKey.isEmpty() || RowList.empty())
        return true;
    CopyTitles();
    return SaveDiscInfo(DiscKey);
}

bool TTrackList::SetSelected(int row, bool selected) {
    if (row < 0 || row >= Count() || RowList[size_t(row)].Selected == selected)
        return false;
    RowList[size_t(row)].Selected = selected;
    return true;
}

bool TTrackList::SetTitle(int row, const QString& title) {
    if (row < 0 || row >= Count())
        return false;
    RowList[size_t(row)].Title = ListTitle(title, RowList[size_t(row)].Number);
    return true;
}

int TTrackList::ApplyRecord(const TDiscRecord& record) {
    if (RowList.empty())
        return 0;
    ApplyDiscRecord(record, CurrentDisc, RowList.front().Number, Count());
    int taken = 0;
    for (int i = 0; i < record.Titles.size() && i < Count(); ++i) {
        const int32_t number = RowList[size_t(i)].Number;
        if (number >= 1 && number <= 100 && SetTitle(i, CurrentDisc.Titles[size_t(number)]))
            ++taken;
    }
    return taken;
}

std::vector<std::pair<int32_t, QString>> TTrackList::CheckedTracks() const {
    std::vector<std::pair<int32_t, QString>> tracks;
    // The rips count tracks from 1 as the list numbers its rows, whatever number the disc
    // gives its first track.
    for (size_t i = 0; i < RowList.size(); ++i)
        if (RowList[i].Selected)
            tracks.emplace_back(int32_t(i) + 1, RowList[i].Title);
    return tracks;
}
