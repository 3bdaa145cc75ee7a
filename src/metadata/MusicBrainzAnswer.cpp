// MusicBrainz answers (see MusicBrainzAnswer.h).
#include "metadata/MusicBrainzAnswer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QStringList>

namespace {

// "A feat. B & C": each credit's name followed by its join phrase.
QString JoinCredits(const QJsonArray& credits) {
    QString text;
    for (const QJsonValue& c : credits) {
        const QJsonObject credit = c.toObject();
        QString name = credit.value(QStringLiteral("name")).toString();
        if (name.isEmpty())
            name = credit.value(QStringLiteral("artist")).toObject().value(QStringLiteral("name")).toString();
        text += name + credit.value(QStringLiteral("joinphrase")).toString();
    }
    return CleanLookupText(text);
}

bool HoldsDisc(const QJsonObject& medium, const QString& discId) {
    for (const QJsonValue& d : medium.value(QStringLiteral("discs")).toArray())
        if (!discId.isEmpty() && d.toObject().value(QStringLiteral("id")).toString() == discId)
            return true;
    return false;
}

int TrackCountOf(const QJsonObject& medium) {
    const QJsonValue count = medium.value(QStringLiteral("track-count"));
    return count.isDouble() ? count.toInt() : int(medium.value(QStringLiteral("tracks")).toArray().size());
}

// The medium of a release that is our disc; an empty object when none is.
QJsonObject MediumOf(const QJsonObject& release, const TMusicBrainzDisc& disc) {
    const QJsonArray media = release.value(QStringLiteral("media")).toArray();
    for (const QJsonValue& m : media)
        if (HoldsDisc(m.toObject(), disc.DiscId))
            return m.toObject();
    for (const QJsonValue& m : media)
        if (TrackCountOf(m.toObject()) == disc.TrackCount)
            return m.toObject();
    return QJsonObject();
}

// The medium's titles in track order (position, else the order given).
QStringList TitlesOf(const QJsonObject& medium) {
    QList<QPair<int, QString>> numbered;
    const QJsonArray tracks = medium.value(QStringLiteral("tracks")).toArray();
    for (qsizetype i = 0; i < tracks.size(); ++i) {
        const QJsonObject track = tracks[i].toObject();
        QString title = track.value(QStringLiteral("title")).toString();
        if (title.isEmpty())
            title = track.value(QStringLiteral("recording")).toObject().value(QStringLiteral("title")).toString();
        const QJsonValue position = track.value(QStringLiteral("position"));
        numbered.append({position.isDouble() ? position.toInt() : int(i) + 1, CleanLookupText(title)});
    }
    std::stable_sort(numbered.begin(), numbered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList titles;
    for (const auto& [position, title] : numbered)
        titles << title;
    return titles;
}

QString Labels(const QJsonObject& release) {
    QStringList names;
    for (const QJsonValue& info : release.value(QStringLiteral("label-info")).toArray()) {
        const QString name = CleanLookupText(
            info.toObject().value(QStringLiteral("label")).toObject().value(QStringLiteral("name")).toString());
        if (!name.isEmpty() && !names.contains(name))
            names << name;
    }
    return names.join(QStringLiteral(", "));
}

} // namespace

QString MusicBrainzErrorText(const QByteArray& json) {
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    return doc.isObject() ? CleanLookupText(doc.object().value(QStringLiteral("error")).toString()) : QString();
}

bool ParseMusicBrainzAnswer(const QByteArray& json, const TMusicBrainzDisc& disc,
                            std::vector<TDiscCandidate>& candidates, QString& error) {
    candidates.clear();
    error.clear();
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        error = QStringLiteral("MusicBrainz sent an answer that is not a JSON object") +
                (parseError.error != QJsonParseError::NoError
                     ? QStringLiteral(" (%1 at byte %2)").arg(parseError.errorString()).arg(parseError.offset)
                     : QString());
        return false;
    }
    const QJsonValue releases = doc.object().value(QStringLiteral("releases"));
    if (!releases.isArray()) {
        error = QStringLiteral("MusicBrainz sent an answer without a list of releases");
        return false;
    }
    QString shortRelease;
    for (const QJsonValue& r : releases.toArray()) {
        const QJsonObject release = r.toObject();
        const QJsonObject medium = MediumOf(release, disc);
        if (medium.isEmpty())
            continue;
        TDiscCandidate c;
        c.Id = CleanLookupText(release.value(QStringLiteral("id")).toString(), 64);
        c.Record.MusicBrainzReleaseId = c.Id;
        c.Artist = JoinCredits(release.value(QStringLiteral("artist-credit")).toArray());
        c.Album = CleanLookupText(release.value(QStringLiteral("title")).toString());
        c.Year = CleanLookupText(release.value(QStringLiteral("date")).toString().left(4), 4);
        c.Country = CleanLookupText(release.value(QStringLiteral("country")).toString(), 8);
        c.Format = CleanLookupText(medium.value(QStringLiteral("format")).toString(), 64);
        c.Label = Labels(release);
        c.Barcode = CleanLookupText(release.value(QStringLiteral("barcode")).toString(), 32);
        c.TrackCount = TrackCountOf(medium);
        const QStringList titles = TitlesOf(medium);
        if (titles.size() < disc.TrackCount) {
            shortRelease = QStringLiteral("the release %1 lists %2 tracks where the disc has %3")
                               .arg(c.Album.isEmpty() ? c.Id : c.Album)
                               .arg(titles.size())
                               .arg(disc.TrackCount);
            continue;
        }
        c.Record.Artist = c.Artist;
        c.Record.Album = c.Album;
        if (!c.Year.isEmpty())
            c.Record.Year = c.Year;
        c.Record.Titles = titles.mid(0, disc.TrackCount);
        candidates.push_back(c);
    }
    if (candidates.empty()) {
        error = shortRelease.isEmpty() ? QStringLiteral("MusicBrainz knows no release of this disc") : shortRelease;
        return false;
    }
    return true;
}
