// The release chooser's logic (see ReleaseChooser.h).
#include "metadata/ReleaseChooser.h"

QStringList TReleaseChooser::Columns() {
    return {QStringLiteral("Artist"), QStringLiteral("Title"), QStringLiteral("Year"),    QStringLiteral("Country"),
            QStringLiteral("Format"), QStringLiteral("Label"), QStringLiteral("Barcode"), QStringLiteral("Tracks")};
}

QStringList TReleaseChooser::Row(int i) const {
    const TDiscCandidate& c = Candidates[size_t(i)];
    return {c.Artist, c.Album, c.Year,    c.Country,
            c.Format, c.Label, c.Barcode, c.TrackCount > 0 ? QString::number(c.TrackCount) : QString()};
}
