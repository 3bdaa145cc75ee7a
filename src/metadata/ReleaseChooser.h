// The release chooser without its widgets: the candidates of a lookup as rows of the facts a
// person tells releases apart by (artist, title, year, country, format, label, barcode, track
// count), the row picked, and the candidate it stands for.
#pragma once

#include "metadata/DiscCandidate.h"

#include <QStringList>

#include <vector>

class TReleaseChooser {
public:
    explicit TReleaseChooser(std::vector<TDiscCandidate> candidates) : Candidates(std::move(candidates)) {}

    // Column captions in English (the window translates them).
    static QStringList Columns();
    int Count() const { return int(Candidates.size()); }
    QStringList Row(int i) const;

    // The row picked; -1 for none (Cancel).
    int Picked = 0;
    void Pick(int row) { Picked = row >= 0 && row < Count() ? row : -1; }
    const TDiscCandidate* Choice() const {
        return Picked >= 0 && Picked < Count() ? &Candidates[size_t(Picked)] : nullptr;
    }

private:
    std::vector<TDiscCandidate> Candidates;
};
