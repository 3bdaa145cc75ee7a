// The request of a rip (see RipRequest.h).
#include "jobs/RipRequest.h"

#include "core/Helpers.h"

#include <QSet>

TRipRequest TRipRequest::From(const TSettings& s, const TDiscFields& disc) {
    TRipRequest r;
    r.Format = s.OutputFormat;
    r.OutputFolder = s.OutputFolder;
    r.Mp3 = TMp3Options::From(s);
    r.Ogg = TOggOptions::From(s);
    r.Wma = TWmaOptions::From(s);
    r.UseTags = s.UseID3;
    r.Disc = disc;
    r.KeepWav = s.IsKeepWav;
    r.Normalize = s.IsNormalize;
    r.NormalizePercent = s.NormalizePercent;
    r.LengthLimit = s.EnableRipTime ? s.RipTime : 0;
    r.SecureReading = s.Paranoia;
    r.ReadOffset = s.ReadOffset;
    r.TestAndCopy = s.TestAndCopy;
    r.AccurateRip = s.AccurateRipUse;
    r.AccurateRipServer = s.AccurateRipServer;
    r.WriteLog = s.WriteLog;
    return r;
}

void TRipRequest::SetTracks(const std::vector<std::pair<int32_t, QString>>& numbersAndTitles) {
    QStringList bases;
    for (const auto& [number, title] : numbersAndTitles)
        bases << TrackBaseName(title, number);
    bases = UniqueNames(bases);
    Tracks.clear();
    for (size_t i = 0; i < numbersAndTitles.size(); ++i)
        Tracks.push_back({numbersAndTitles[i].first, numbersAndTitles[i].second, bases[qsizetype(i)]});
}

QString TRipRequest::WavOf(size_t i) const {
    return AddTrailingBackslash(OutputFolder) + Tracks[i].BaseName + QStringLiteral(".wav");
}

QString TRipRequest::OutputOf(size_t i) const {
    return AddTrailingBackslash(OutputFolder) + Tracks[i].BaseName + OutputFormatExtension(Format);
}

QStringList UniqueNames(const QStringList& names) {
    QSet<QString> taken(names.begin(), names.end());
    QSet<QString> used;
    QStringList result;
    for (const QString& name : names) {
        QString unique = name;
        for (int k = 2; used.contains(unique); ++k) {
            unique = name + QStringLiteral(" (%1)").arg(k);
            // A later entry may carry this very name; leave it to that entry.
            if (taken.contains(unique))
                unique = name;
        }
        used.insert(unique);
        result << unique;
    }
    return result;
}
