// TTrackList: the main window's track list as data: one row per track of the listed disc, with
// the disc's key. Titles come from the disc's information (CurrentDisc, cdinfo.dat) when a disc
// is listed and go back there when it is stored; a rip's tracks and a lookup's titles meet the
// rows here. No widgets and no signals: the main window's controller tells its window.
#pragma once

#include "core/DiscInfo.h"

#include <QString>

#include <cstdint>
#include <vector>

// One row of the track list.
struct TTrackRow {
    int32_t Number = 0;
    bool Selected = true; // the row's check box
    QString Title;
    QString Length; // "mm:ss"
    QString Size;   // MiB, "41.22"
};

class TTrackList {
public:
    const std::vector<TTrackRow>& Rows() const { return RowList; }
    bool Empty() const { return RowList.empty(); }
    int Count() const { return int(RowList.size()); }
    const QString& Key() const { return DiscKey; }
    int Current() const { return CurrentRow; }
    // The selected row, or -1 for a row that does not exist.
    void SetCurrent(int row) { CurrentRow = row >= 0 && row < Count() ? row : -1; }

    // Starts listing the disc with `key`: the titles of the disc listed before are stored
    // when the key differs, the disc's information is loaded and the rows are cleared.
    void Begin(const QString& key);
    // A row with the stored title of track `number` ("TrackNN" when none).
    void Add(int32_t number, int32_t minutes, int32_t seconds);
    // The disc went away: its titles are stored, the list is cleared.
    void Forget();
    // Copies the rows' titles into the disc's information (by track number).
    void CopyTitles();
    // Stores the listed titles in cdinfo.dat before the list goes over to another disc; false
    // when the file could not be written.
    bool Store();

    // False when nothing changed.
    bool SetSelected(int row, bool selected);
    bool SetTitle(int row, const QString& title);
    // A record found for the listed disc goes into the disc's information; the rows take its
    // titles. The number of rows that took one.
    int ApplyRecord(const TDiscRecord& record);
    // The checked rows as a rip's tracks: (place on the disc counted from 1, title).
    std::vector<std::pair<int32_t, QString>> CheckedTracks() const;

private:
    std::vector<TTrackRow> RowList;
    int CurrentRow = -1;
    QString DiscKey;
};
